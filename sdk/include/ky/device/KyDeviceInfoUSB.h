// KyDeviceInfoUSB: a USB device seen by a USB host controller, with its enumeration status.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include "ky/device/KyDeviceInfo.h"

class KY_DEVICE_API KyDeviceInfoUSB : public KyDeviceInfo
{
public:
    KyDeviceInfoUSB();
    ~KyDeviceInfoUSB() override;
    KyDeviceInfo *Copy() const override;

    KyUSBStatus GetStatus() const { return mStatus; }

protected:
    explicit KyDeviceInfoUSB(KyDeviceInfoType type);

private:
    friend class ky::device::DeviceInfoAccess;
    KyUSBStatus mStatus = KyUSBStatusNotInitialized;
};
