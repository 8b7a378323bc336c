#include "ky/device/KyDeviceInfoGEV.h"

#include <string>

#include "internal/DeviceInfoAccess.h"
#include "internal/GevIPConfig.h"

using namespace ky::device;

KyDeviceInfoGEV::KyDeviceInfoGEV() : KyDeviceInfo(KyDeviceInfoTypeGEV) {}
KyDeviceInfoGEV::~KyDeviceInfoGEV() = default;

KyDeviceInfo *KyDeviceInfoGEV::Copy() const
{ return DeviceInfoAccess::CopyDetached(*this); }

KyString KyDeviceInfoGEV::GetIPConfigOptionsString() const { return IPConfigText(mIPConfigOptions).c_str(); }
KyString KyDeviceInfoGEV::GetIPConfigCurrentString() const { return IPConfigText(mIPConfigCurrent).c_str(); }

bool KyDeviceInfoGEV::IsLLAAvailable() const { return (mIPConfigOptions & kIPConfigLLA) != 0; }
bool KyDeviceInfoGEV::IsDHCPAvailable() const { return (mIPConfigOptions & kIPConfigDHCP) != 0; }
bool KyDeviceInfoGEV::IsPersistentAvailable() const { return (mIPConfigOptions & kIPConfigPersistent) != 0; }
bool KyDeviceInfoGEV::IsPRAvailable() const { return (mIPConfigOptions & kIPConfigPauseReception) != 0; }
bool KyDeviceInfoGEV::IsPGAvailable() const { return (mIPConfigOptions & kIPConfigPauseGeneration) != 0; }
bool KyDeviceInfoGEV::IsLLAEnabled() const { return (mIPConfigCurrent & kIPConfigLLA) != 0; }
bool KyDeviceInfoGEV::IsDHCPEnabled() const { return (mIPConfigCurrent & kIPConfigDHCP) != 0; }
bool KyDeviceInfoGEV::IsPersistentEnabled() const { return (mIPConfigCurrent & kIPConfigPersistent) != 0; }
bool KyDeviceInfoGEV::IsPREnabled() const { return (mIPConfigCurrent & kIPConfigPauseReception) != 0; }
bool KyDeviceInfoGEV::IsPGEnabled() const { return (mIPConfigCurrent & kIPConfigPauseGeneration) != 0; }

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
