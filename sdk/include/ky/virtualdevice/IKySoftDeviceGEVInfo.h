// IKySoftDeviceGEVInfo: the identity of a software device (the read-only identity registers of
// the bootstrap map) and the header fields of the GenICam XML it builds. Owned by the device.
//
// String setters: KY_INVALID_PARAMETER when the text does not fit its register with the
// terminating zero (manufacturer, model, device version, firmware version: 31 characters;
// manufacturer information: 47; serial number: 15). XML version and GUIDs: KY_STATE_ERROR once
// the XML exists (after Start); GUIDs are 8-4-4-4-12 hexadecimal digits.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstdint>

#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KY_VIRTUALDEVICE_API IKySoftDeviceGEVInfo
{
public:
    virtual ~IKySoftDeviceGEVInfo() { }

    virtual const KyString &GetManufacturerName() = 0;
    virtual const KyString &GetModelName() = 0;
    virtual const KyString &GetDeviceVersion() = 0;
    virtual const KyString &GetDeviceFirmwareVersion() = 0;
    virtual const KyString &GetManufacturerInformation() = 0;
    virtual const KyString &GetSerialNumber() = 0;
    virtual KyResult SetManufacturerName(const KyString &aValue) = 0;
    virtual KyResult SetModelName(const KyString &aValue) = 0;
    virtual KyResult SetDeviceVersion(const KyString &aValue) = 0;
    virtual KyResult SetDeviceFirmwareVersion(const KyString &aValue) = 0;
    virtual KyResult SetManufacturerInformation(const KyString &aValue) = 0;
    virtual KyResult SetSerialNumber(const KyString &aValue) = 0;
    virtual uint16_t GetGenICamXMLVersionMajor() const = 0;
    virtual uint16_t GetGenICamXMLVersionMinor() const = 0;
    virtual uint16_t GetGenICamXMLVersionSubMinor() const = 0;
    virtual const KyString &GetGenICamXMLProductGUID() = 0;
    virtual const KyString &GetGenICamXMLVersionGUID() = 0;
    // RegisterDescription names: by default the model and manufacturer names.
    virtual const KyString &GetGenICamXMLRegDescModelName() { return GetModelName(); }
    virtual const KyString &GetGenICamXMLRegDescVendorName() { return GetManufacturerName(); }
    virtual KyResult SetGenICamXMLVersion(uint16_t aMajor, uint16_t aMinor, uint16_t aSubMinor) = 0;
    virtual KyResult SetGenICamXMLGUIDs(const KyString &aProduct, const KyString &aVersion) = 0;
    virtual KyResult SetGenICamXMLRegDescModelName(const KyString &aName)
    {
        (void)aName;
        return KyResult(KY_OK);
    }
    virtual KyResult SetGenICamXMLRegDescVendorName(const KyString &aName)
    {
        (void)aName;
        return KyResult(KY_OK);
    }
};
