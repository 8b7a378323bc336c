#include "DeviceInfoAccess.h"

namespace ky {
namespace device {

void DeviceInfoAccess::Fill(KyDeviceInfoGEV &record, const GevIdentity &identity)
{
    KyDeviceInfo &base = record;
    base.mVendorName = identity.vendor;
    base.mModelName = identity.model;
    base.mVersion = identity.version;
    base.mManufacturerInfo = identity.manufacturerInfo;
    base.mSerialNumber = identity.serial;
    base.mUserDefinedName = identity.userName;
    base.mUniqueID = identity.mac;
    base.mConnectionID = identity.ip;
    base.mConfigurationValid = identity.configurationValid;
    base.mClass = identity.deviceClass;
    record.mMACAddress = identity.mac;
    record.mIPAddress = identity.ip;
    record.mSubnetMask = identity.mask;
    record.mDefaultGateway = identity.gateway;
    record.mGEVVersion = identity.gevVersion;
    record.mIPConfigOptions = identity.ipConfigOptions;
    record.mIPConfigCurrent = identity.ipConfigCurrent;
}

const char *DeviceInfoAccess::SpeedText(KyUSBSpeed speed)
{
    switch (speed) {
    case KyUSBSpeedLow:
        return "LowSpeed";
    case KyUSBSpeedFull:
        return "FullSpeed";
    case KyUSBSpeedHigh:
        return "HighSpeed";
    case KyUSBSpeedSuper:
        return "SuperSpeed";
    default:
        return "Unknown speed";
    }
}

void DeviceInfoAccess::Fill(KyDeviceInfoU3V &record, const U3vIdentity &identity)
{
    KyDeviceInfo &base = record;
    base.mVendorName = identity.vendor;
    base.mModelName = identity.model;
    base.mVersion = identity.version;
    base.mManufacturerInfo = identity.manufacturerInfo;
    base.mSerialNumber = identity.serial;
    base.mUserDefinedName = identity.userName;
    base.mUniqueID = identity.guid;
    base.mConnectionID = identity.guid;
    base.mConfigurationValid = true;
    base.mClass = KyDeviceClassTransmitter;
    KyDeviceInfoUSB &usb = record;
    usb.mStatus = KyUSBStatusConnected;
    record.mGenCPVersion = identity.genCpVersion;
    record.mU3VVersion = identity.u3vVersion;
    record.mDeviceGUID = identity.guid;
    record.mFamilyName = identity.family;
    record.mU3VSerialNumber = identity.serial;
    record.mDevicePath = identity.devicePath;
    record.mDeviceKey = identity.guid;
    record.mSpeedMessage = SpeedText(identity.speed);
    record.mPowerMessage = "Powered by the bus";
    record.mLowSpeed = identity.speed >= KyUSBSpeedLow;
    record.mFullSpeed = identity.speed >= KyUSBSpeedFull;
    record.mHighSpeed = identity.speed >= KyUSBSpeedHigh;
    record.mSuperSpeed = identity.speed >= KyUSBSpeedSuper;
    record.mCurrentSpeedSupported = identity.speed > KyUSBSpeedUnknown;
    record.mSpeed = identity.speed;
    record.mMaxPower = 896;  // milliamperes: a SuperSpeed port's budget
    record.mMaxPacketSize = identity.speed == KyUSBSpeedSuper ? 1024 : 512;
    record.mCapabilitiesRead = identity.capabilitiesRead;
}

}  // namespace device
}  // namespace ky
