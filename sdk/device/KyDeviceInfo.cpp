#include "ky/device/KyDeviceInfo.h"

KyDeviceInfo::KyDeviceInfo(KyDeviceInfoType type) : mType(type) { }
KyDeviceInfo::KyDeviceInfo(const KyDeviceInfo &other) = default;
KyDeviceInfo &KyDeviceInfo::operator=(const KyDeviceInfo &other) = default;
KyDeviceInfo::~KyDeviceInfo() = default;

KyString KyDeviceInfo::GetDisplayID() const
{
    if (!mUserDefinedName.IsEmpty())
        return mUserDefinedName;
    if (mSerialNumber.IsEmpty())
        return mModelName;
    return mModelName + KyString(" (") + mSerialNumber + KyString(")");
}
