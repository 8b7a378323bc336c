// KyUSBHostController: a USB host controller. This kit has no USB3 Vision transport yet, so
// discovery lists none; a default-constructed one holds zeros and KyUSBSpeedUnknown.
#pragma once

#include "ky/system/KySystemExport.h"

#include <cstdint>

#include "ky/system/KyInterface.h"

class KY_SYSTEM_API KyUSBHostController : public KyInterface
{
public:
    KyUSBHostController();
    ~KyUSBHostController() override;
    KyInterface *Copy() const override;

    uint32_t GetVendorID() const { return mVendorID; }
    uint32_t GetDeviceID() const { return mDeviceID; }
    uint32_t GetSubsystemID() const { return mSubsystemID; }
    uint32_t GetRevision() const { return mRevision; }
    KyUSBSpeed GetSpeed() const { return mSpeed; }

private:
    uint32_t mVendorID = 0;
    uint32_t mDeviceID = 0;
    uint32_t mSubsystemID = 0;
    uint32_t mRevision = 0;
    KyUSBSpeed mSpeed = KyUSBSpeedUnknown;
};
