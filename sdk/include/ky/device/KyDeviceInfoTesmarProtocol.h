// KyDeviceInfoTesmarProtocol: a device reached by the maker's own discovery protocol. This kit does
// not speak that protocol, so discovery never makes these records; a default-constructed one holds
// empty texts and zeros.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include "ky/device/KyDeviceInfo.h"

class KY_DEVICE_API KyDeviceInfoTesmarProtocol : public KyDeviceInfo
{
public:
    /// Constructor.
    KyDeviceInfoTesmarProtocol();
    /// Destructor.
    ~KyDeviceInfoTesmarProtocol() override;
    KyDeviceInfo *Copy() const override;

    /// The device's MAC address.
    ///
    /// @return the MAC address
    KyString GetMACAddress() const { return mMACAddress; }
    /// The device's IP address.
    ///
    /// @return the address
    KyString GetIPAddress() const { return mIPAddress; }
    /// The device's subnet mask.
    ///
    /// @return the mask
    KyString GetSubnetMask() const { return mSubnetMask; }
    /// The device's default gateway.
    ///
    /// @return the gateway
    KyString GetDefaultGateway() const { return mDefaultGateway; }
    /// The device ID.
    ///
    /// @return the ID
    uint8_t GetDeviceID() const { return mDeviceID; }
    /// The module ID.
    ///
    /// @return the ID
    uint8_t GetModuleID() const { return mModuleID; }
    /// The sub ID.
    ///
    /// @return the ID
    uint8_t GetSubID() const { return mSubID; }
    /// The vendor ID.
    ///
    /// @return the ID
    uint8_t GetVendorID() const { return mVendorID; }
    /// The firmware's major version.
    ///
    /// @return the version
    uint8_t GetSoftwareMajor() const { return mSoftwareMajor; }
    /// The firmware's minor version.
    ///
    /// @return the version
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
