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

}  // namespace device
}  // namespace ky
