// KyInterface: a host interface that devices are found through (a network adapter or a USB host
// controller). Interfaces and the device records found through them belong to the KySystem that
// found them; Copy() makes an interface (with copies of its records) that the caller deletes.
#pragma once

#include "ky/system/KySystemExport.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "ky/device/KyDeviceInfo.h"
#include "ky/base/KyEnums.h"
#include "ky/base/KyString.h"

class KySystem;

class KY_SYSTEM_API KyInterface
{
public:
    virtual ~KyInterface();

    // A new interface of the same class, with copies of its device records; owned by the caller.
    virtual KyInterface *Copy() const = 0;

    KyInterfaceType GetType() const { return mType; }
    // The operating system's name of the interface ("eth0").
    KyString GetName() const { return mName; }
    KyString GetDisplayID() const { return mDisplayID; }
    KyString GetUniqueID() const { return mUniqueID; }
    // Sorting key: interfaces compare by this text (see Compare).
    KyString GetCompareID() const { return mCompareID; }
    uint32_t GetDeviceCount() const { return static_cast<uint32_t>(mDevices.size()); }
    // The record at the index, owned by the interface; nullptr for an index out of range.
    const KyDeviceInfo *GetDeviceInfo(uint32_t aIndex) const;
    // Ordering of interfaces by compare ID: true when a1 sorts before a2. A null interface sorts
    // before every other; two nulls give false.
    static bool Compare(const KyInterface *a1, const KyInterface *a2);
    // No vendor driver is used by this kit: always empty.
    KyString GetTesmarDriverVersion() const { return KyString(); }

protected:
    explicit KyInterface(KyInterfaceType type);
    KyInterface(const KyInterface &other);
    KyInterface &operator=(const KyInterface &) = delete;

private:
    friend class KySystem;

    KyInterfaceType mType;
    KyString mName;
    KyString mDisplayID;
    KyString mUniqueID;
    KyString mCompareID;
    std::vector<std::unique_ptr<KyDeviceInfo>> mDevices;
};
