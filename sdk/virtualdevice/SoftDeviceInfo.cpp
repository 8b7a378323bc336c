#include "SoftDeviceInfo.h"

#include <cctype>

#include "registers/SoftDeviceRegisters.h"
#include "ky/device/KyGevConstants.h"

namespace ky::soft {

using namespace ky::gev;

SoftDeviceInfo::SoftDeviceInfo()
    : mManufacturer("Kitcam"),
      mModel("SoftCam"),
      mVersion("1.0"),
      mFirmwareVersion("1.0"),
      mManufacturerInfo("Software GigE Vision device"),
      mSerial("SC0000001"),
      mProductGuid("6A3C1F20-5B8E-4D7A-9C11-2F4E6B8D0A01"),
      mVersionGuid("6A3C1F20-5B8E-4D7A-9C11-2F4E6B8D0B01")
{ }

KyResult SoftDeviceInfo::SetText(KyString &field, const KyString &value, size_t registerSize,
                                 const char *what)
{
    if (value.GetLength() >= registerSize) {
        return KyResult(KY_INVALID_PARAMETER, KyString(what) + " takes at most " +
                                                  std::to_string(registerSize - 1) + " characters, not " +
                                                  std::to_string(value.GetLength()));
    }
    std::lock_guard<std::mutex> lock(mMutex);
    field = value;
    return KyResult(KY_OK);
}

KyResult SoftDeviceInfo::SetManufacturerName(const KyString &aValue)
{
    return SetText(mManufacturer, aValue, MANUFACTURER_NAME_SIZE, "the manufacturer name");
}

KyResult SoftDeviceInfo::SetModelName(const KyString &aValue)
{
    return SetText(mModel, aValue, MODEL_NAME_SIZE, "the model name");
}

KyResult SoftDeviceInfo::SetDeviceVersion(const KyString &aValue)
{
    return SetText(mVersion, aValue, DEVICE_VERSION_SIZE, "the device version");
}

KyResult SoftDeviceInfo::SetDeviceFirmwareVersion(const KyString &aValue)
{
    return SetText(mFirmwareVersion, aValue, FIRMWARE_VERSION_SIZE, "the firmware version");
}

KyResult SoftDeviceInfo::SetManufacturerInformation(const KyString &aValue)
{
    return SetText(mManufacturerInfo, aValue, MANUFACTURER_INFO_SIZE, "the manufacturer information");
}

KyResult SoftDeviceInfo::SetSerialNumber(const KyString &aValue)
{
    return SetText(mSerial, aValue, SERIAL_NUMBER_SIZE, "the serial number");
}

KyResult SoftDeviceInfo::SetGenICamXMLVersion(uint16_t aMajor, uint16_t aMinor, uint16_t aSubMinor)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mXmlCreated) {
        return KyResult(KY_STATE_ERROR, "the GenICam XML file already exists");
    }
    mXmlMajor = aMajor;
    mXmlMinor = aMinor;
    mXmlSubMinor = aSubMinor;
    return KyResult(KY_OK);
}

bool SoftDeviceInfo::IsGuid(const std::string &text)
{
    static const size_t groups[] = {8, 4, 4, 4, 12};
    size_t pos = 0;
    for (size_t g = 0; g < 5; ++g) {
        for (size_t i = 0; i < groups[g]; ++i, ++pos) {
            if (pos >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[pos]))) {
                return false;
            }
        }
        if (g < 4 && (pos >= text.size() || text[pos++] != '-')) {
            return false;
        }
    }
    return pos == text.size();
}

KyResult SoftDeviceInfo::SetGenICamXMLGUIDs(const KyString &aProduct, const KyString &aVersion)
{
    if (!IsGuid(aProduct.str()) || !IsGuid(aVersion.str())) {
        return KyResult(KY_INVALID_PARAMETER, "a GUID is 32 hexadecimal digits grouped 8-4-4-4-12");
    }
    std::lock_guard<std::mutex> lock(mMutex);
    if (mXmlCreated) {
        return KyResult(KY_STATE_ERROR, "the GenICam XML file already exists");
    }
    mProductGuid = aProduct;
    mVersionGuid = aVersion;
    return KyResult(KY_OK);
}

const KyString &SoftDeviceInfo::GetGenICamXMLRegDescModelName()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mRegDescModel.IsEmpty() ? mModel : mRegDescModel;
}

const KyString &SoftDeviceInfo::GetGenICamXMLRegDescVendorName()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mRegDescVendor.IsEmpty() ? mManufacturer : mRegDescVendor;
}

// A RegisterDescription name is written into the XML header: at most 31 characters, and only
// while the XML does not exist yet.
KyResult SoftDeviceInfo::SetHeaderName(KyString &field, const KyString &value, const char *what)
{
    constexpr size_t LONGEST = 31;
    if (value.GetLength() > LONGEST) {
        return KyResult(KY_INVALID_PARAMETER, KyString(what) + " takes at most " + std::to_string(LONGEST) +
                                                  " characters, not " + std::to_string(value.GetLength()));
    }
    std::lock_guard<std::mutex> lock(mMutex);
    if (mXmlCreated) {
        return KyResult(KY_STATE_ERROR, "the GenICam XML file already exists");
    }
    field = value;
    return KyResult(KY_OK);
}

KyResult SoftDeviceInfo::SetGenICamXMLRegDescModelName(const KyString &aName)
{
    return SetHeaderName(mRegDescModel, aName, "the XML's model name");
}

KyResult SoftDeviceInfo::SetGenICamXMLRegDescVendorName(const KyString &aName)
{
    return SetHeaderName(mRegDescVendor, aName, "the XML's vendor name");
}

void SoftDeviceInfo::SetXmlCreated(bool created)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mXmlCreated = created;
}

SoftDeviceInfo::Identity SoftDeviceInfo::Snapshot()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return Identity{mManufacturer.str(),     mModel.str(), mVersion.str(), mFirmwareVersion.str(),
                    mManufacturerInfo.str(), mSerial.str()};
}

}  // namespace ky::soft
