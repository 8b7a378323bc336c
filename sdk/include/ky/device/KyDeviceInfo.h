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
    /// Destructor.
    virtual ~KyDeviceInfo();

    /// A new record of the same class and content.
    ///
    /// The copy stays valid after the KySystem is gone (its GetInterface() then returns null).
    ///
    /// @return the copy, owned by the caller (delete it)
    virtual KyDeviceInfo *Copy() const = 0;

    /// The kind of record.
    ///
    /// @return a KyDeviceInfoType value
    KyDeviceInfoType GetType() const { return mType; }
    /// The device's manufacturer name.
    ///
    /// @return the vendor name
    KyString GetVendorName() const { return mVendorName; }
    /// The device's model name.
    ///
    /// @return the model name
    KyString GetModelName() const { return mModelName; }
    /// The device's version text.
    ///
    /// @return the version
    KyString GetVersion() const { return mVersion; }
    /// Further information from the manufacturer.
    ///
    /// @return the manufacturer information
    KyString GetManufacturerInfo() const { return mManufacturerInfo; }
    /// The device's serial number.
    ///
    /// @return the serial number
    KyString GetSerialNumber() const { return mSerialNumber; }
    /// The name the user gave the device.
    ///
    /// @return the user-defined name; empty when none
    KyString GetUserDefinedName() const { return mUserDefinedName; }
    /// Text for people: the user-defined name when set, otherwise model and serial number.
    ///
    /// @return the display ID
    KyString GetDisplayID() const;
    /// An ID that stays the same for one device across address changes (for GigE Vision: its MAC address).
    ///
    /// @return the unique ID
    KyString GetUniqueID() const { return mUniqueID; }
    /// The text that KyDevice::CreateAndConnect takes (for GigE Vision: its IP address).
    ///
    /// @return the connection ID
    KyString GetConnectionID() const { return mConnectionID; }
    /// The interface the device was found on.
    ///
    /// @return the interface, owned by the KySystem; null for a copy
    const KyInterface *GetInterface() const { return mInterface; }
    /// Whether the host can reach the device as it is configured.
    ///
    /// For GigE Vision: its address lies in the subnet of the adapter it was found on.
    ///
    /// @return true when reachable
    bool IsConfigurationValid() const { return mConfigurationValid; }
    /// The device's class (transmitter, receiver, ...).
    ///
    /// @return a KyDeviceClass value
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
