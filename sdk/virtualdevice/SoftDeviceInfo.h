// SoftDeviceInfo: the identity strings of the device and the header fields of its GenICam XML.
// Kept by the device object for its whole life, so they survive Stop/Start.
#pragma once

#include <mutex>

#include "ky/virtualdevice/IKySoftDeviceGEVInfo.h"

namespace ky::soft {

class SoftDeviceInfo : public IKySoftDeviceGEVInfo
{
public:
    SoftDeviceInfo();

    const KyString &GetManufacturerName() override { return mManufacturer; }
    const KyString &GetModelName() override { return mModel; }
    const KyString &GetDeviceVersion() override { return mVersion; }
    const KyString &GetDeviceFirmwareVersion() override { return mFirmwareVersion; }
    const KyString &GetManufacturerInformation() override { return mManufacturerInfo; }
    const KyString &GetSerialNumber() override { return mSerial; }
    KyResult SetManufacturerName(const KyString &aValue) override;
    KyResult SetModelName(const KyString &aValue) override;
    KyResult SetDeviceVersion(const KyString &aValue) override;
    KyResult SetDeviceFirmwareVersion(const KyString &aValue) override;
    KyResult SetManufacturerInformation(const KyString &aValue) override;
    KyResult SetSerialNumber(const KyString &aValue) override;
    uint16_t GetGenICamXMLVersionMajor() const override { return mXmlMajor; }
    uint16_t GetGenICamXMLVersionMinor() const override { return mXmlMinor; }
    uint16_t GetGenICamXMLVersionSubMinor() const override { return mXmlSubMinor; }
    const KyString &GetGenICamXMLProductGUID() override { return mProductGuid; }
    const KyString &GetGenICamXMLVersionGUID() override { return mVersionGuid; }
    // The RegisterDescription names follow the model and manufacturer names until they are set.
    const KyString &GetGenICamXMLRegDescModelName() override;
    const KyString &GetGenICamXMLRegDescVendorName() override;
    KyResult SetGenICamXMLVersion(uint16_t aMajor, uint16_t aMinor, uint16_t aSubMinor) override;
    KyResult SetGenICamXMLGUIDs(const KyString &aProduct, const KyString &aVersion) override;
    KyResult SetGenICamXMLRegDescModelName(const KyString &aName) override;
    KyResult SetGenICamXMLRegDescVendorName(const KyString &aName) override;

    // Once the XML exists its header can no longer change.
    void SetXmlCreated(bool created);

    struct Identity
    {
        std::string manufacturer, model, version, firmwareVersion, manufacturerInfo, serial;
    };
    // A consistent copy for device threads.
    Identity Snapshot();

    static bool IsGuid(const std::string &text);

private:
    KyResult SetText(KyString &field, const KyString &value, size_t registerSize, const char *what);
    KyResult SetHeaderName(KyString &field, const KyString &value, const char *what);

    std::mutex mMutex;
    KyString mManufacturer, mModel, mVersion, mFirmwareVersion, mManufacturerInfo, mSerial;
    uint16_t mXmlMajor = 1, mXmlMinor = 0, mXmlSubMinor = 0;  // the file's version
    KyString mProductGuid, mVersionGuid;
    KyString mRegDescModel, mRegDescVendor;  // empty: the model and manufacturer names
    bool mXmlCreated = false;
};

}  // namespace ky::soft
