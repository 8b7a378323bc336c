// KyDeviceInfoU3V: a USB3 Vision device, as discovery finds it on the simulated USB host
// controller (its unique ID and connection ID are its GUID); a default-constructed one holds
// empty texts, zeros and false.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include "ky/device/KyDeviceInfoUSB.h"

class KY_DEVICE_API KyDeviceInfoU3V : public KyDeviceInfoUSB
{
public:
    /// Constructor.
    KyDeviceInfoU3V();
    /// Destructor.
    ~KyDeviceInfoU3V() override;
    KyDeviceInfo *Copy() const override;

    /// The device's GenCP version.
    ///
    /// @return major version << 16 \| minor version
    uint32_t GetGenCPVersion() const { return mGenCPVersion; }  // major << 16 | minor
    /// The device's USB3 Vision version.
    ///
    /// @return major version << 16 \| minor version
    uint32_t GetU3VVersion() const { return mU3VVersion; }  // major << 16 | minor
    /// The device's GUID.
    ///
    /// @return the GUID
    KyString GetDeviceGUID() const { return mDeviceGUID; }
    /// The device's family name.
    ///
    /// @return the family name
    KyString GetFamilyName() const { return mFamilyName; }
    /// The device's USB3 Vision serial number.
    ///
    /// @return the serial number
    KyString GetU3VSerialNumber() const { return mU3VSerialNumber; }
    /// The operating system's path of the device.
    ///
    /// @return the path
    KyString GetDevicePath() const { return mDevicePath; }
    /// The operating system's key of the device.
    ///
    /// @return the key
    KyString GetDeviceKey() const { return mDeviceKey; }
    /// The negotiated speed, or a problem with it, as text.
    ///
    /// @return the message
    KyString GetSpeedMessage() const { return mSpeedMessage; }
    /// The power state, as text.
    ///
    /// @return the message
    KyString GetPowerMessage() const { return mPowerMessage; }
    /// Whether the device supports low speed.
    ///
    /// @return true when supported
    bool IsLowSpeedSupported() const { return mLowSpeed; }
    /// Whether the device supports full speed.
    ///
    /// @return true when supported
    bool IsFullSpeedSupported() const { return mFullSpeed; }
    /// Whether the device supports high speed.
    ///
    /// @return true when supported
    bool IsHighSpeedSupported() const { return mHighSpeed; }
    /// Whether the device supports super speed.
    ///
    /// @return true when supported
    bool IsSuperSpeedSupported() const { return mSuperSpeed; }
    /// Whether the host controller supports the device's current speed.
    ///
    /// @return true when supported
    bool IsCurrentSpeedSupported() const { return mCurrentSpeedSupported; }
    /// The speed in effect.
    ///
    /// @return a KyUSBSpeed value
    KyUSBSpeed GetSpeed() const { return mSpeed; }
    /// The device's largest power draw.
    ///
    /// @return milliamperes
    uint32_t GetMaxPower() const { return mMaxPower; }  // milliamperes
    /// The device's largest packet.
    ///
    /// @return bytes
    uint32_t GetMaxPacketSize() const { return mMaxPacketSize; }  // bytes
    /// Whether the maker's driver serves the device.
    ///
    /// @return false: no vendor driver is used by this kit
    bool IsTesmarDriverInstalled() const { return false; }
    /// Whether the device's USB3 Vision capabilities were read.
    ///
    /// @return true when read
    bool IsInitializedCapabilities() const { return mCapabilitiesRead; }

private:
    friend class ky::device::DeviceInfoAccess;

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
