// U3vBootstrap: the bootstrap registers of a USB3 Vision device (ABRM at address 0, the SBRM and
// the manifest table where the ABRM points), all little-endian. The soft device lays its blocks out
// above 4 GiB, clear of every register of the soft device's register map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ky::u3v {

// ABRM (technology agnostic bootstrap register map).
constexpr uint64_t ABRM_GENCP_VERSION_OFFSET = 0x0000;
constexpr uint64_t ABRM_MANUFACTURER_NAME_OFFSET = 0x0004;
constexpr uint64_t ABRM_MODEL_NAME_OFFSET = 0x0044;
constexpr uint64_t ABRM_FAMILY_NAME_OFFSET = 0x0084;
constexpr uint64_t ABRM_DEVICE_VERSION_OFFSET = 0x00C4;
constexpr uint64_t ABRM_MANUFACTURER_INFO_OFFSET = 0x0104;
constexpr uint64_t ABRM_SERIAL_NUMBER_OFFSET = 0x0144;
constexpr uint64_t ABRM_USER_DEFINED_NAME_OFFSET = 0x0184;
constexpr size_t ABRM_STRING_SIZE = 64;
constexpr uint64_t ABRM_DEVICE_CAPABILITY_OFFSET = 0x01C4;
constexpr uint64_t ABRM_MAX_RESPONSE_TIME_OFFSET = 0x01CC;
constexpr uint64_t ABRM_MANIFEST_TABLE_ADDRESS_OFFSET = 0x01D0;
constexpr uint64_t ABRM_SBRM_ADDRESS_OFFSET = 0x01D8;
constexpr uint64_t ABRM_DEVICE_CONFIGURATION_OFFSET = 0x01E0;
constexpr uint64_t ABRM_HEARTBEAT_TIMEOUT_OFFSET = 0x01E8;
constexpr uint64_t ABRM_PROTOCOL_ENDIANNESS_OFFSET = 0x0208;
constexpr size_t ABRM_SIZE = 0x0210;
constexpr uint32_t ABRM_LITTLE_ENDIAN = 0xFFFFFFFF;
// Device capability bits.
constexpr uint64_t ABRM_CAPABILITY_USER_NAME_MASK = 1u << 0;
constexpr uint64_t ABRM_CAPABILITY_FAMILY_NAME_MASK = 1u << 8;

// SBRM (technology specific bootstrap register map), offsets from its base.
constexpr uint64_t SBRM_U3V_VERSION_OFFSET = 0x00;
constexpr uint64_t SBRM_CAPABILITY_OFFSET = 0x04;
constexpr uint64_t SBRM_CONFIGURATION_OFFSET = 0x0C;
constexpr uint64_t SBRM_MAX_COMMAND_TRANSFER_OFFSET = 0x14;
constexpr uint64_t SBRM_MAX_ACK_TRANSFER_OFFSET = 0x18;
constexpr uint64_t SBRM_STREAM_CHANNEL_COUNT_OFFSET = 0x1C;
constexpr uint64_t SBRM_SIRM_ADDRESS_OFFSET = 0x20;
constexpr uint64_t SBRM_SIRM_LENGTH_OFFSET = 0x28;
constexpr uint64_t SBRM_EIRM_ADDRESS_OFFSET = 0x2C;
constexpr uint64_t SBRM_EIRM_LENGTH_OFFSET = 0x34;
constexpr uint64_t SBRM_CURRENT_SPEED_OFFSET = 0x40;
constexpr size_t SBRM_SIZE = 0x44;

// Manifest table: an entry count (u64), then entries.
constexpr size_t MANIFEST_ENTRY_SIZE = 64;
constexpr uint64_t MANIFEST_ENTRY_FILE_VERSION_OFFSET = 0x00;
constexpr uint64_t MANIFEST_ENTRY_SCHEMA_OFFSET = 0x04;
constexpr uint64_t MANIFEST_ENTRY_ADDRESS_OFFSET = 0x08;
constexpr uint64_t MANIFEST_ENTRY_SIZE_OFFSET = 0x10;
constexpr uint32_t MANIFEST_SCHEMA_FILE_TYPE_SHIFT = 10;
constexpr uint32_t MANIFEST_SCHEMA_FILE_TYPE_MASK = 0x3F << MANIFEST_SCHEMA_FILE_TYPE_SHIFT;
constexpr uint32_t MANIFEST_FILE_TYPE_XML = 0;
constexpr uint32_t MANIFEST_FILE_TYPE_ZIP = 1;
// The host reads no more entries than this, and no file larger.
constexpr uint64_t MANIFEST_MAX_ENTRIES = 64;
constexpr uint64_t MANIFEST_MAX_FILE_SIZE = 64ull << 20;

// Where the soft device puts its blocks.
constexpr uint64_t SOFT_SBRM_ADDRESS = 0x100000000ull;
constexpr uint64_t SOFT_MANIFEST_ADDRESS = 0x100010000ull;
constexpr uint64_t SOFT_SIRM_ADDRESS = 0x100020000ull;
constexpr uint64_t SOFT_EIRM_ADDRESS = 0x100030000ull;
constexpr uint64_t SOFT_XML_FILE_ADDRESS = 0x100100000ull;

// What the host learns from a device's bootstrap registers.
struct U3vBootstrapInfo
{
    uint32_t genCpVersion = 0;  // major << 16 | minor
    uint32_t u3vVersion = 0;
    std::string manufacturer;
    std::string model;
    std::string family;
    std::string deviceVersion;
    std::string manufacturerInfo;
    std::string serialNumber;
    std::string userDefinedName;
    uint32_t maxResponseTimeMs = 0;
    uint32_t maxCommandTransfer = 0;
    uint32_t maxAckTransfer = 0;
    uint32_t streamChannelCount = 0;
    uint64_t sirmAddress = 0;
    uint64_t eirmAddress = 0;
    uint32_t currentSpeed = 0;
    uint64_t manifestAddress = 0;
    uint64_t sbrmAddress = 0;
};

}  // namespace ky::u3v
