// IKySoftDeviceGEVEventSink: notifications of a software device. Every operation does nothing
// unless overridden. OnCreateCustomRegisters and then OnCreateCustomGenApiFeatures run inside
// Start on the caller's thread (GetRegisterMap works there: declare features on the registers
// made in OnCreateCustomRegisters; the factory is valid during the call only); the others on
// device threads. A sink that throws is caught by the device and logged.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyString.h"

class IKySoftDeviceGEV;
class IKyRegisterFactory;
class IKyGenApiFactory;

class KY_VIRTUALDEVICE_API IKySoftDeviceGEVEventSink
{
public:
    IKySoftDeviceGEVEventSink() = default;
    virtual ~IKySoftDeviceGEVEventSink() { }

    /// A controller took control of the device.
    ///
    /// @param[in] aDevice the device
    /// @param[in] aIPAddress the controller's IP address
    /// @param[in] aPort the controller's UDP port
    /// @param[in] aAccessType the access it holds (KyAccessControl, KyAccessExclusive ...)
    virtual void OnApplicationConnect(IKySoftDeviceGEV *aDevice, const KyString &aIPAddress, uint16_t aPort,
                                      KyAccessType aAccessType)
    {
        (void)aDevice, (void)aIPAddress, (void)aPort, (void)aAccessType;
    }
    /// The device serves GVCP from now on.
    ///
    /// @param[in] aDevice the device
    /// @param[in] aMACAddress the adapter's MAC address
    /// @param[in] aIPAddress the address the device answers on
    /// @param[in] aMask its subnet mask
    /// @param[in] aGateway the adapter's default gateway
    /// @param[in] aPort the UDP port (3956)
    virtual void OnControlChannelStart(IKySoftDeviceGEV *aDevice, const KyString &aMACAddress,
                                       const KyString &aIPAddress, const KyString &aMask,
                                       const KyString &aGateway, uint16_t aPort)
    {
        (void)aDevice, (void)aMACAddress, (void)aIPAddress, (void)aMask, (void)aGateway, (void)aPort;
    }
    /// The controller released control, or lost it when its heartbeat stopped.
    ///
    /// @param[in] aDevice the device
    virtual void OnApplicationDisconnect(IKySoftDeviceGEV *aDevice) { (void)aDevice; }
    /// The device stopped serving GVCP.
    ///
    /// @param[in] aDevice the device
    virtual void OnControlChannelStop(IKySoftDeviceGEV *aDevice) { (void)aDevice; }
    /// The device went through a full reset, as after a power cycle.
    ///
    /// @param[in] aDevice the device
    virtual void OnDeviceResetFull(IKySoftDeviceGEV *aDevice) { (void)aDevice; }
    /// The device's network configuration changed, as after FORCEIP.
    ///
    /// @param[in] aDevice the device
    virtual void OnDeviceResetNetwork(IKySoftDeviceGEV *aDevice) { (void)aDevice; }
    /// Inside Start: add the program's registers with the factory.
    ///
    /// @param[in] aDevice the device
    /// @param[in] aFactory the register factory, valid during the call
    virtual void OnCreateCustomRegisters(IKySoftDeviceGEV *aDevice, IKyRegisterFactory *aFactory)
    {
        (void)aDevice, (void)aFactory;
    }
    /// Inside Start, after OnCreateCustomRegisters: declare the program's GenICam features.
    ///
    /// @param[in] aDevice the device
    /// @param[in] aFactory the feature factory, valid during the call
    virtual void OnCreateCustomGenApiFeatures(IKySoftDeviceGEV *aDevice, IKyGenApiFactory *aFactory)
    {
        (void)aDevice, (void)aFactory;
    }
};
