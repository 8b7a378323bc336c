// Reading the GenICam XML that a device serves from its own memory.
//
// A GigE Vision device names its XML in a URL register (first URL at 0x0200, 512 bytes):
// "Local:name.xml;A0000;3A2C" or "Local:name.zip;A0000;3A2C" (address and length in
// hexadecimal, an optional "?SchemaVersion=..." after them). A .zip file is unpacked: its
// only entry, or the first one whose name ends in ".xml" (stored or deflated; CRC checked).
//
// The device client and the soft device both use these with their own read function.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

// Reads aLength bytes of device memory at aAddress into aData. The functions below call it
// with lengths that are multiples of 4, at most their chunk size, from the calling thread.
using KyGenReadFunction = std::function<KyResult(uint64_t aAddress, void *aData, uint32_t aLength)>;

struct KyGenXmlLocation
{
    KyString mScheme;    // "Local" (also "File", "http" from other devices; only Local is read)
    KyString mFileName;  // "name.zip"
    uint64_t mAddress = 0;
    uint64_t mLength = 0;
    bool mZipped = false;  // the file name ends in ".zip"
};

// Largest XML file (packed or unpacked) that is accepted: 64 MiB.
constexpr uint64_t KY_GEN_XML_MAX_LENGTH = 64ull * 1024 * 1024;

// Splits a URL. KY_INVALID_PARAMETER names what is wrong with it.
KY_GENICAM_API KyResult KyGenParseXmlUrl(const KyString &aUrl, KyGenXmlLocation &aLocation);

// Reads the file that a "Local:" URL names, in pieces of aChunkSize bytes (rounded down to a
// multiple of 4, at least 4), unpacks it when zipped, and gives the XML text.
KY_GENICAM_API KyResult KyGenReadXml(const KyGenReadFunction &aRead, const KyString &aUrl, KyString &aXml,
                                     uint32_t aChunkSize = 512);

// Reads the URL register at aUrlAddress (512 bytes), then the XML it names. aUrl, when not
// null, receives the URL text.
KY_GENICAM_API KyResult KyGenReadXmlFromDevice(const KyGenReadFunction &aRead, uint64_t aUrlAddress,
                                               KyString &aXml, KyString *aUrl = nullptr,
                                               uint32_t aChunkSize = 512);

// Unpacks the XML entry of a zip archive held in memory. KY_INVALID_DATA_FORMAT for an
// archive that is truncated, inconsistent or uses what we do not read (zip64, encryption,
// other compression methods), KY_CORRUPTED_DATA for a CRC mismatch.
KY_GENICAM_API KyResult KyGenUnzipXml(const uint8_t *aData, size_t aLength, std::string &aXml);
