// KyDeviceTesmarProtocol: devices that speak the Tesmar protocol instead of GigE Vision.
//
// This kit speaks no Tesmar protocol: discovery finds no such device, KyDevice::CreateAndConnect
// never makes an object of this class, and SetIPConfiguration finds no device to configure.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KY_DEVICE_API KyDeviceTesmarProtocol
{
public:
    /// Forces the IP configuration of the device with a MAC address.
    ///
    /// @param[in] aMACAddress MAC address of the device, as "00:11:22:33:44:55".
    /// @param[in] aIP The new IP address.
    /// @param[in] aSubnetMask The new subnet mask (optional, "255.255.255.0" by default).
    /// @param[in] aGateway The new default gateway (optional, "0.0.0.0" by default).
    ///
    /// @return KY_OK on success, KY_INVALID_PARAMETER for a text that is not a MAC or IPv4 address,
    ///         KY_NOT_FOUND when no device answers to the MAC address.
    static KyResult SetIPConfiguration(const KyString &aMACAddress, const KyString &aIP,
                                       const KyString &aSubnetMask = "255.255.255.0",
                                       const KyString &aGateway = "0.0.0.0");
};
