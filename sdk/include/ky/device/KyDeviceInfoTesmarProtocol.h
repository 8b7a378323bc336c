// KyDeviceInfoTesmarProtocol: a device reached by the maker's own discovery protocol. This kit does
// not speak that protocol, so discovery never makes these records; a default-constructed one holds
// empty texts and zeros.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include "ky/device/KyDeviceInfo.h"

class KY_DEVICE_API KyDeviceInfoTesmarProtocol : public KyDeviceInfo
{
public:
    KyDeviceInfoTesmarProtocol();
    ~KyDeviceInfoTesmarProtocol() override;
    KyDeviceInfo *Copy() const override;

    KyString GetMACAddress() const { return mMACAddress; }
    KyString GetIPAddress() const { return mIPAddress; }
    KyString GetSubnetMask() const { return mSubnetMask; }
    KyString GetDefaultGateway() const { return mDefaultGateway; }
    uint8_t GetDeviceID() const { return mDeviceID; }
    uint8_t GetModuleID() const { return mModuleID; }
    uint8_t GetSubID() const { return mSubID; }
    uint8_t GetVendorID() const { return mVendorID; }
    uint8_t GetSoftwareMajor() const { return mSoftwareMajor; }
    uint8_t GetSoftwareMinor() const { return mSoftwareMinor; }

private:
    KyString mMACAddress;
    KyString mIPAddress;
    KyString mSubnetMask;
    KyString mDefaultGateway;
    uint8_t mDeviceID = 0;
    uint8_t mModuleID = 0;
    uint8_t mSubID = 0;
    uint8_t mVendorID = 0;
    uint8_t mSoftwareMajor = 0;
    uint8_t mSoftwareMinor = 0;
};
