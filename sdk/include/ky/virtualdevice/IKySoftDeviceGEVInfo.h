// IKySoftDeviceGEVInfo: the identity of a software device (the read-only identity registers of
// the bootstrap map) and the header fields of the GenICam XML it builds. Owned by the device.
//
// String setters: KY_INVALID_PARAMETER when the text does not fit its register with the
// terminating zero (manufacturer, model, device version, firmware version: 31 characters;
// manufacturer information: 47; serial number: 15). XML header (file version, GUIDs,
// RegisterDescription names): KY_STATE_ERROR once the XML exists, so set it before Start or in
// Start's creation callbacks; GUIDs are 8-4-4-4-12 hexadecimal digits.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstdint>

#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KY_VIRTUALDEVICE_API IKySoftDeviceGEVInfo
{
public:
    virtual ~IKySoftDeviceGEVInfo() { }

    /// The manufacturer name, shown in the read-only register at 0x0048, 32 bytes.
    ///
    /// @return the text
    virtual const KyString &GetManufacturerName() = 0;
    /// The model name, shown in the read-only register at 0x0068, 32 bytes.
    ///
    /// @return the text
    virtual const KyString &GetModelName() = 0;
    /// The device version, shown in the read-only register at 0x0088, 32 bytes.
    ///
    /// @return the text
    virtual const KyString &GetDeviceVersion() = 0;
    /// The firmware version, shown in the read-only register at 0x3FFF0100, 32 bytes.
    ///
    /// @return the text
    virtual const KyString &GetDeviceFirmwareVersion() = 0;
    /// The manufacturer information, shown in the read-only register at 0x00A8, 48 bytes.
    ///
    /// @return the text
    virtual const KyString &GetManufacturerInformation() = 0;
    /// The serial number, shown in the read-only register at 0x00D8, 16 bytes.
    ///
    /// @return the text
    virtual const KyString &GetSerialNumber() = 0;
    /// Sets the manufacturer name (register at 0x0048, 32 bytes).
    ///
    /// @param[in] aValue at most 31 characters
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (too long)
    virtual KyResult SetManufacturerName(const KyString &aValue) = 0;
    /// Sets the model name (register at 0x0068, 32 bytes).
    ///
    /// @param[in] aValue at most 31 characters
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (too long)
    virtual KyResult SetModelName(const KyString &aValue) = 0;
    /// Sets the device version (register at 0x0088, 32 bytes).
    ///
    /// @param[in] aValue at most 31 characters
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (too long)
    virtual KyResult SetDeviceVersion(const KyString &aValue) = 0;
    /// Sets the firmware version (register at 0x3FFF0100, 32 bytes).
    ///
    /// @param[in] aValue at most 31 characters
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (too long)
    virtual KyResult SetDeviceFirmwareVersion(const KyString &aValue) = 0;
    /// Sets the manufacturer information (register at 0x00A8, 48 bytes).
    ///
    /// @param[in] aValue at most 47 characters
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (too long)
    virtual KyResult SetManufacturerInformation(const KyString &aValue) = 0;
    /// Sets the serial number (register at 0x00D8, 16 bytes).
    ///
    /// @param[in] aValue at most 15 characters
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (too long)
    virtual KyResult SetSerialNumber(const KyString &aValue) = 0;
    /// The major number of the GenICam XML file's version (its MajorVersion, MinorVersion and SubMinorVersion attributes).
    ///
    /// @return 0 to 65535
    virtual uint16_t GetGenICamXMLVersionMajor() const = 0;
    /// The minor number of the GenICam XML file's version (its MajorVersion, MinorVersion and SubMinorVersion attributes).
    ///
    /// @return 0 to 65535
    virtual uint16_t GetGenICamXMLVersionMinor() const = 0;
    /// The subminor number of the GenICam XML file's version (its MajorVersion, MinorVersion and SubMinorVersion attributes).
    ///
    /// @return 0 to 65535
    virtual uint16_t GetGenICamXMLVersionSubMinor() const = 0;
    /// The GenICam XML file's product GUID.
    ///
    /// @return 32 hexadecimal digits grouped 8-4-4-4-12
    virtual const KyString &GetGenICamXMLProductGUID() = 0;
    /// The GenICam XML file's version GUID.
    ///
    /// @return 32 hexadecimal digits grouped 8-4-4-4-12
    virtual const KyString &GetGenICamXMLVersionGUID() = 0;
    /// The ModelName of the GenICam XML file's RegisterDescription.
    ///
    /// @return by default the model name
    virtual const KyString &GetGenICamXMLRegDescModelName() { return GetModelName(); }
    /// The VendorName of the GenICam XML file's RegisterDescription.
    ///
    /// @return by default the manufacturer name
    virtual const KyString &GetGenICamXMLRegDescVendorName() { return GetManufacturerName(); }
    /// Sets the GenICam XML file's version (its MajorVersion, MinorVersion and SubMinorVersion; the schema version is the one the device writes).
    ///
    /// Before the file exists: during Start's callbacks at the latest.
    ///
    /// @param[in] aMajor the major number
    /// @param[in] aMinor the minor number
    /// @param[in] aSubMinor the subminor number
    ///
    /// @return KY_OK, KY_STATE_ERROR (the file exists)
    virtual KyResult SetGenICamXMLVersion(uint16_t aMajor, uint16_t aMinor, uint16_t aSubMinor) = 0;
    /// Sets the GenICam XML file's product and version GUIDs. Before the file exists.
    ///
    /// @param[in] aProduct 32 hexadecimal digits grouped 8-4-4-4-12
    /// @param[in] aVersion the same form
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (not a GUID), KY_STATE_ERROR (the file exists)
    virtual KyResult SetGenICamXMLGUIDs(const KyString &aProduct, const KyString &aVersion) = 0;
    /// Sets the ModelName of the GenICam XML file's RegisterDescription, before the file exists (this body ignores it; the software device keeps it).
    ///
    /// @param[in] aName at most 31 characters
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (too long), KY_STATE_ERROR (the file exists)
    virtual KyResult SetGenICamXMLRegDescModelName(const KyString &aName)
    {
        (void)aName;
        return KyResult(KY_OK);
    }
    /// Sets the VendorName of the GenICam XML file's RegisterDescription, before the file exists (this body ignores it; the software device keeps it).
    ///
    /// @param[in] aName at most 31 characters
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (too long), KY_STATE_ERROR (the file exists)
    virtual KyResult SetGenICamXMLRegDescVendorName(const KyString &aName)
    {
        (void)aName;
        return KyResult(KY_OK);
    }
};
