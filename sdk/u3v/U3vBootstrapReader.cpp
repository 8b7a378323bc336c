#include "u3v/U3vBootstrapReader.h"

#include <cstring>

#include "u3v/LittleEndian.h"

namespace ky::u3v {

namespace {

std::string TextField(const std::vector<uint8_t> &block, uint64_t offset)
{
    const char *start = reinterpret_cast<const char *>(block.data() + offset);
    const void *end = std::memchr(start, 0, ABRM_STRING_SIZE);
    return std::string(start, end ? static_cast<const char *>(end) - start : ABRM_STRING_SIZE);
}

}  // namespace

KyResult ReadBootstrap(U3vControlClient &client, U3vBootstrapInfo &info)
{
    // The transfer limits first, with small reads, so that the rest fits the device's transfers.
    uint8_t word[8] = {};
    KyResult result = client.ReadMemory(ABRM_PROTOCOL_ENDIANNESS_OFFSET, word, 4);
    if (!result.IsOK()) {
        return result;
    }
    if (Le32(word) != ABRM_LITTLE_ENDIAN) {
        return KyResult(KY_BAD_VERSION, "the device does not declare little-endian bootstrap registers");
    }
    result = client.ReadMemory(ABRM_SBRM_ADDRESS_OFFSET, word, 8);
    if (!result.IsOK()) {
        return result;
    }
    U3vBootstrapInfo out;
    out.sbrmAddress = Le64(word);
    std::vector<uint8_t> sbrm(SBRM_SIZE);
    result = client.ReadMemory(out.sbrmAddress, sbrm.data(), sbrm.size());
    if (!result.IsOK()) {
        return result;
    }
    const uint8_t *s = sbrm.data();
    out.u3vVersion = Le32(s + SBRM_U3V_VERSION_OFFSET);
    out.maxCommandTransfer = Le32(s + SBRM_MAX_COMMAND_TRANSFER_OFFSET);
    out.maxAckTransfer = Le32(s + SBRM_MAX_ACK_TRANSFER_OFFSET);
    out.streamChannelCount = Le32(s + SBRM_STREAM_CHANNEL_COUNT_OFFSET);
    out.sirmAddress = Le64(s + SBRM_SIRM_ADDRESS_OFFSET);
    out.eirmAddress = Le64(s + SBRM_EIRM_ADDRESS_OFFSET);
    out.currentSpeed = Le32(s + SBRM_CURRENT_SPEED_OFFSET);
    if (!client.SetMaxTransfer(out.maxCommandTransfer, out.maxAckTransfer).IsOK()) {
        return KyResult(KY_INVALID_DATA_FORMAT, "the device's transfer limits are too small");
    }

    std::vector<uint8_t> abrm(ABRM_SIZE);
    result = client.ReadMemory(0, abrm.data(), abrm.size());
    if (!result.IsOK()) {
        return result;
    }
    const uint8_t *a = abrm.data();
    out.genCpVersion = Le32(a + ABRM_GENCP_VERSION_OFFSET);
    out.manufacturer = TextField(abrm, ABRM_MANUFACTURER_NAME_OFFSET);
    out.model = TextField(abrm, ABRM_MODEL_NAME_OFFSET);
    out.family = TextField(abrm, ABRM_FAMILY_NAME_OFFSET);
    out.deviceVersion = TextField(abrm, ABRM_DEVICE_VERSION_OFFSET);
    out.manufacturerInfo = TextField(abrm, ABRM_MANUFACTURER_INFO_OFFSET);
    out.serialNumber = TextField(abrm, ABRM_SERIAL_NUMBER_OFFSET);
    out.userDefinedName = TextField(abrm, ABRM_USER_DEFINED_NAME_OFFSET);
    out.maxResponseTimeMs = Le32(a + ABRM_MAX_RESPONSE_TIME_OFFSET);
    out.manifestAddress = Le64(a + ABRM_MANIFEST_TABLE_ADDRESS_OFFSET);
    info = std::move(out);
    return KyResult(KY_OK);
}

KyResult ReadManifestFile(U3vControlClient &client, const U3vBootstrapInfo &info, std::vector<uint8_t> &file,
                          bool &zipped)
{
    uint8_t countBytes[8] = {};
    KyResult result = client.ReadMemory(info.manifestAddress, countBytes, sizeof countBytes);
    if (!result.IsOK()) {
        return KyResult(KY_CANT_READ_MANIFEST, "cannot read the device's manifest table");
    }
    const uint64_t count = Le64(countBytes);
    if (count == 0 || count > MANIFEST_MAX_ENTRIES) {
        return KyResult(KY_CANT_READ_MANIFEST, "the device's manifest table lists no usable file");
    }
    uint8_t entry[MANIFEST_ENTRY_SIZE] = {};
    result = client.ReadMemory(info.manifestAddress + 8, entry, sizeof entry);
    if (!result.IsOK()) {
        return KyResult(KY_CANT_READ_MANIFEST, "cannot read the device's manifest entry");
    }
    const uint32_t type = (Le32(entry + MANIFEST_ENTRY_SCHEMA_OFFSET) & MANIFEST_SCHEMA_FILE_TYPE_MASK) >>
                          MANIFEST_SCHEMA_FILE_TYPE_SHIFT;
    const uint64_t address = Le64(entry + MANIFEST_ENTRY_ADDRESS_OFFSET);
    const uint64_t size = Le64(entry + MANIFEST_ENTRY_SIZE_OFFSET);
    if (type != MANIFEST_FILE_TYPE_XML && type != MANIFEST_FILE_TYPE_ZIP) {
        return KyResult(KY_GENICAM_XML_ERROR, "the device's GenICam file has an unknown type");
    }
    if (size == 0 || size > MANIFEST_MAX_FILE_SIZE || address > UINT64_MAX - size) {
        return KyResult(KY_GENICAM_XML_ERROR, "the device's GenICam file has an implausible size");
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    result = client.ReadMemory(address, bytes.data(), bytes.size());
    if (!result.IsOK()) {
        return result;
    }
    file = std::move(bytes);
    zipped = type == MANIFEST_FILE_TYPE_ZIP;
    return KyResult(KY_OK);
}

}  // namespace ky::u3v
