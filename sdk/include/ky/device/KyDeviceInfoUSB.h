// KyDeviceInfoUSB: a USB device seen by a USB host controller, with its enumeration status.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include "ky/device/KyDeviceInfo.h"

class KY_DEVICE_API KyDeviceInfoUSB : public KyDeviceInfo
{
public:
    /// Constructor.
    KyDeviceInfoUSB();
    /// Destructor.
    ~KyDeviceInfoUSB() override;
    KyDeviceInfo *Copy() const override;

    /// The device's USB enumeration status.
    ///
    /// @return a KyUSBStatus value
    KyUSBStatus GetStatus() const { return mStatus; }

protected:
    explicit KyDeviceInfoUSB(KyDeviceInfoType type);

private:
    friend class ky::device::DeviceInfoAccess;
    KyUSBStatus mStatus = KyUSBStatusNotInitialized;
};
