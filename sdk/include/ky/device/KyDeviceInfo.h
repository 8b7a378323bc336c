// KyDeviceInfo: the identity of a found device, common to every transport.
//
// Records are made by discovery (KySystem::Find) and belong to the KySystem that found them;
// Copy() makes a record that the caller owns and deletes, which stays valid after the system is
// gone (its GetInterface() then returns nullptr).
#pragma once

#include "ky/device/KyDeviceExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyString.h"

class KyInterface;

namespace ky {
namespace device {
class DeviceInfoAccess;
}
}  // namespace ky

class KY_DEVICE_API KyDeviceInfo
{
public:
    virtual ~KyDeviceInfo();

    // A new record of the same class and content, owned by the caller (delete it).
    virtual KyDeviceInfo *Copy() const = 0;

    KyDeviceInfoType GetType() const { return mType; }
    KyString GetVendorName() const { return mVendorName; }
    KyString GetModelName() const { return mModelName; }
    KyString GetVersion() const { return mVersion; }
    KyString GetManufacturerInfo() const { return mManufacturerInfo; }
    KyString GetSerialNumber() const { return mSerialNumber; }
    KyString GetUserDefinedName() const { return mUserDefinedName; }
    // Text for people: the user-defined name when set, otherwise model and serial number.
    KyString GetDisplayID() const;
    // Stays the same for one device across address changes (for GigE Vision: its MAC address).
    KyString GetUniqueID() const { return mUniqueID; }
    // The text that KyDevice::CreateAndConnect takes (for GigE Vision: its IP address).
    KyString GetConnectionID() const { return mConnectionID; }
    // The interface the device was found on, owned by the KySystem; nullptr for a copy.
    const KyInterface *GetInterface() const { return mInterface; }
    // Whether the host can reach the device as it is configured (for GigE Vision: its address lies
    // in the subnet of the adapter it was found on).
    bool IsConfigurationValid() const { return mConfigurationValid; }
    KyDeviceClass GetClass() const { return mClass; }

protected:
    explicit KyDeviceInfo(KyDeviceInfoType type);
    KyDeviceInfo(const KyDeviceInfo &other);
    KyDeviceInfo &operator=(const KyDeviceInfo &other);

private:
    friend class ky::device::DeviceInfoAccess;

    KyDeviceInfoType mType;
    KyString mVendorName;
    KyString mModelName;
    KyString mVersion;
    KyString mManufacturerInfo;
    KyString mSerialNumber;
    KyString mUserDefinedName;
    KyString mUniqueID;
    KyString mConnectionID;
    const KyInterface *mInterface = nullptr;
    bool mConfigurationValid = false;
    KyDeviceClass mClass = KyDeviceClassUnknown;
};
