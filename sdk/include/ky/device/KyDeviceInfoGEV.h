// KyDeviceInfoGEV: a GigE Vision device as discovery found it: MAC address, IP configuration
// (options the device supports and the ones in effect) and addresses.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include "ky/device/KyDeviceInfo.h"

class KY_DEVICE_API KyDeviceInfoGEV : public KyDeviceInfo
{
public:
    KyDeviceInfoGEV();  // an empty record that no discovery filled
    ~KyDeviceInfoGEV() override;
    KyDeviceInfo *Copy() const override;

    KyString GetMACAddress() const { return mMACAddress; }            // "00:11:22:33:44:55"
    KyString GetIPAddress() const { return mIPAddress; }              // dotted quad
    KyString GetDefaultGateway() const { return mDefaultGateway; }
    KyString GetSubnetMask() const { return mSubnetMask; }
    // GigE Vision version of the device: major in the high 16 bits, minor in the low 16.
    uint32_t GetGEVVersion() const { return mGEVVersion; }
    // The options as text, e.g. "LLA, DHCP, Persistent"; empty when none.
    KyString GetIPConfigOptionsString() const;
    KyString GetIPConfigCurrentString() const;

    bool IsLLAAvailable() const;
    bool IsDHCPAvailable() const;
    bool IsPersistentAvailable() const;
    bool IsPRAvailable() const;  // pause reception
    bool IsPGAvailable() const;  // pause generation
    bool IsLLAEnabled() const;
    bool IsDHCPEnabled() const;
    bool IsPersistentEnabled() const;
    bool IsPREnabled() const;
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
