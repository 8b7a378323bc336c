// KyDeviceInfoGEV: a GigE Vision device as discovery found it: MAC address, IP configuration
// (options the device supports and the ones in effect) and addresses.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include "ky/device/KyDeviceInfo.h"

class KY_DEVICE_API KyDeviceInfoGEV : public KyDeviceInfo
{
public:
    /// Constructor.
    KyDeviceInfoGEV();  // an empty record that no discovery filled
    /// Destructor.
    ~KyDeviceInfoGEV() override;
    KyDeviceInfo *Copy() const override;

    /// The device's MAC address ("00:11:22:33:44:55").
    ///
    /// @return the MAC address
    KyString GetMACAddress() const { return mMACAddress; }  // "00:11:22:33:44:55"
    /// The device's current IP address.
    ///
    /// @return the address, dotted quad
    KyString GetIPAddress() const { return mIPAddress; }  // dotted quad
    /// The device's default gateway.
    ///
    /// @return the gateway
    KyString GetDefaultGateway() const { return mDefaultGateway; }
    /// The device's subnet mask.
    ///
    /// @return the mask
    KyString GetSubnetMask() const { return mSubnetMask; }
    /// The GigE Vision version of the device.
    ///
    /// @return major version << 16 \| minor version
    uint32_t GetGEVVersion() const { return mGEVVersion; }
    /// The IP configurations the device supports, as text ("LLA, DHCP, Persistent").
    ///
    /// @return the options; empty when none
    KyString GetIPConfigOptionsString() const;
    /// The IP configurations in effect, as text.
    ///
    /// @return the options; empty when none
    KyString GetIPConfigCurrentString() const;

    /// Whether link-local addressing is among the device's IP configuration options.
    ///
    /// @return true when supported
    bool IsLLAAvailable() const;
    /// Whether DHCP is among the device's IP configuration options.
    ///
    /// @return true when supported
    bool IsDHCPAvailable() const;
    /// Whether a persistent IP address is among the device's IP configuration options.
    ///
    /// @return true when supported
    bool IsPersistentAvailable() const;
    /// Whether pause reception is among the device's IP configuration options.
    ///
    /// @return true when supported
    bool IsPRAvailable() const;  // pause reception
    /// Whether pause generation is among the device's IP configuration options.
    ///
    /// @return true when supported
    bool IsPGAvailable() const;  // pause generation
    /// Whether link-local addressing is in the current IP configuration.
    ///
    /// @return true when enabled
    bool IsLLAEnabled() const;
    /// Whether DHCP is in the current IP configuration.
    ///
    /// @return true when enabled
    bool IsDHCPEnabled() const;
    /// Whether the persistent IP address is in the current IP configuration.
    ///
    /// @return true when enabled
    bool IsPersistentEnabled() const;
    /// Whether pause reception is in the current IP configuration.
    ///
    /// @return true when enabled
    bool IsPREnabled() const;
    /// Whether pause generation is in the current IP configuration.
    ///
    /// @return true when enabled
    bool IsPGEnabled() const;

private:
    friend class ky::device::DeviceInfoAccess;

    KyString mMACAddress;
    KyString mIPAddress;
    KyString mDefaultGateway;
    KyString mSubnetMask;
    uint32_t mGEVVersion = 0;
    uint32_t mIPConfigOptions = 0;  // bootstrap register layout (supported IP configuration)
    uint32_t mIPConfigCurrent = 0;  // bootstrap register layout (current IP configuration)
};
