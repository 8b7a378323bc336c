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
    /// Destructor.
    virtual ~KyInterface();

    /// A new interface of the same class, with copies of its device records.
    ///
    /// @return the copy, owned by the caller (delete it)
    virtual KyInterface *Copy() const = 0;

    /// The kind of interface.
    ///
    /// @return a KyInterfaceType value
    KyInterfaceType GetType() const { return mType; }
    /// The operating system's name of the interface ("eth0").
    ///
    /// @return the name
    KyString GetName() const { return mName; }
    /// Text for people that names the interface.
    ///
    /// @return the display ID
    KyString GetDisplayID() const { return mDisplayID; }
    /// An ID that stays the same for the interface.
    ///
    /// @return the unique ID
    KyString GetUniqueID() const { return mUniqueID; }
    /// Sorting key: interfaces compare by this text (see Compare).
    ///
    /// @return the compare ID
    KyString GetCompareID() const { return mCompareID; }
    /// The number of devices found on the interface.
    ///
    /// @return the device count
    uint32_t GetDeviceCount() const { return static_cast<uint32_t>(mDevices.size()); }
    /// A device found on the interface.
    ///
    /// @param[in] aIndex 0 to GetDeviceCount() - 1
    ///
    /// @return the record, owned by the interface; null for an index out of range
    const KyDeviceInfo *GetDeviceInfo(uint32_t aIndex) const;
    /// Ordering of interfaces by compare ID.
    ///
    /// A null interface sorts before every other; two nulls give false.
    ///
    /// @param[in] a1 the first interface
    /// @param[in] a2 the second interface
    ///
    /// @return true when a1 sorts before a2
    static bool Compare(const KyInterface *a1, const KyInterface *a2);
    /// Version of the maker's driver on this interface.
    ///
    /// No vendor driver is used by this kit: always empty.
    ///
    /// @return the driver version
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
