// KyDeviceInfoU3V: a USB3 Vision device. This kit has no USB3 Vision transport yet, so discovery
// never makes these records; a default-constructed one holds empty texts, zeros and false.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include "ky/device/KyDeviceInfoUSB.h"

class KY_DEVICE_API KyDeviceInfoU3V : public KyDeviceInfoUSB
{
public:
    KyDeviceInfoU3V();
    ~KyDeviceInfoU3V() override;
    KyDeviceInfo *Copy() const override;

    uint32_t GetGenCPVersion() const { return mGenCPVersion; }  // major << 16 | minor
    uint32_t GetU3VVersion() const { return mU3VVersion; }      // major << 16 | minor
    KyString GetDeviceGUID() const { return mDeviceGUID; }
    KyString GetFamilyName() const { return mFamilyName; }
    KyString GetU3VSerialNumber() const { return mU3VSerialNumber; }
    KyString GetDevicePath() const { return mDevicePath; }
    KyString GetDeviceKey() const { return mDeviceKey; }
    KyString GetSpeedMessage() const { return mSpeedMessage; }
    KyString GetPowerMessage() const { return mPowerMessage; }
    bool IsLowSpeedSupported() const { return mLowSpeed; }
    bool IsFullSpeedSupported() const { return mFullSpeed; }
    bool IsHighSpeedSupported() const { return mHighSpeed; }
    bool IsSuperSpeedSupported() const { return mSuperSpeed; }
    bool IsCurrentSpeedSupported() const { return mCurrentSpeedSupported; }
    KyUSBSpeed GetSpeed() const { return mSpeed; }
    uint32_t GetMaxPower() const { return mMaxPower; }            // milliamperes
    uint32_t GetMaxPacketSize() const { return mMaxPacketSize; }  // bytes
    bool IsTesmarDriverInstalled() const { return false; }
    bool IsInitializedCapabilities() const { return mCapabilitiesRead; }

private:
    uint32_t mGenCPVersion = 0;
    uint32_t mU3VVersion = 0;
    KyString mDeviceGUID;
    KyString mFamilyName;
    KyString mU3VSerialNumber;
    KyString mDevicePath;
    KyString mDeviceKey;
    KyString mSpeedMessage;
    KyString mPowerMessage;
    bool mLowSpeed = false;
    bool mFullSpeed = false;
    bool mHighSpeed = false;
    bool mSuperSpeed = false;
    bool mCurrentSpeedSupported = false;
    KyUSBSpeed mSpeed = KyUSBSpeedUnknown;
    uint32_t mMaxPower = 0;
    uint32_t mMaxPacketSize = 0;
    bool mCapabilitiesRead = false;
};
