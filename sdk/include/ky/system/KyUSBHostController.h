// KyUSBHostController: a USB host controller. Discovery lists the simulated controller that the
// kit's USB3 Vision devices are plugged into (when at least one is): a SuperSpeed controller
// whose IDs are zeros. A default-constructed one holds zeros and KyUSBSpeedUnknown.
#pragma once

#include "ky/system/KySystemExport.h"

#include <cstdint>

#include "ky/system/KyInterface.h"

class KY_SYSTEM_API KyUSBHostController : public KyInterface
{
public:
    /// Constructor.
    KyUSBHostController();
    /// Destructor.
    ~KyUSBHostController() override;
    KyInterface *Copy() const override;

    /// The controller's vendor ID.
    ///
    /// @return the vendor ID
    uint32_t GetVendorID() const { return mVendorID; }
    /// The controller's device ID.
    ///
    /// @return the device ID
    uint32_t GetDeviceID() const { return mDeviceID; }
    /// The controller's subsystem ID.
    ///
    /// @return the subsystem ID
    uint32_t GetSubsystemID() const { return mSubsystemID; }
    /// The controller's revision.
    ///
    /// @return the revision
    uint32_t GetRevision() const { return mRevision; }
    /// The controller's speed.
    ///
    /// @return a KyUSBSpeed value
    KyUSBSpeed GetSpeed() const { return mSpeed; }

private:
    friend class KySystem;

    uint32_t mVendorID = 0;
    uint32_t mDeviceID = 0;
    uint32_t mSubsystemID = 0;
    uint32_t mRevision = 0;
    KyUSBSpeed mSpeed = KyUSBSpeedUnknown;
};
