#include "ky/system/KyInterface.h"

#include "DeviceInfoAccess.h"

KyInterface::KyInterface(KyInterfaceType type) : mType(type) { }

KyInterface::KyInterface(const KyInterface &other)
    : mType(other.mType),
      mName(other.mName),
      mDisplayID(other.mDisplayID),
      mUniqueID(other.mUniqueID),
      mCompareID(other.mCompareID)
{
    mDevices.reserve(other.mDevices.size());
    for (const auto &record : other.mDevices) {
        std::unique_ptr<KyDeviceInfo> copy(record->Copy());
        ky::device::DeviceInfoAccess::SetInterface(*copy, this);
        mDevices.push_back(std::move(copy));
    }
}

KyInterface::~KyInterface() = default;

const KyDeviceInfo *KyInterface::GetDeviceInfo(uint32_t aIndex) const
{
    return aIndex < mDevices.size() ? mDevices[aIndex].get() : nullptr;
}

bool KyInterface::Compare(const KyInterface *a1, const KyInterface *a2)
{
    if (!a2)
        return false;
    if (!a1)
        return true;
    return a1->mCompareID < a2->mCompareID;
}
