// GenCp: the USB3 Vision control protocol (GenCP) on the wire, little-endian as USB3 Vision
// carries it. Every command and acknowledgement starts with an 12-byte prefix (magic, flags or
// status, command id, payload length, request id); builders and parsers come in pairs and are
// shared by the host's client and the soft device's server. Parsers take the received length and
// refuse short, oversized or inconsistent transfers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ky::u3v {

constexpr uint32_t GENCP_PREFIX_MAGIC = 0x43563355;  // "U3VC" in memory order
constexpr uint32_t GENCP_EVENT_MAGIC = 0x45563355;   // "U3VE"
constexpr size_t GENCP_HEADER_SIZE = 12;
constexpr uint16_t GENCP_FLAG_REQUEST_ACK = 0x4000;

// SCD sizes of the commands and the fixed acks.
constexpr size_t GENCP_READMEM_SCD_SIZE = 12;      // address u64, reserved u16, count u16
constexpr size_t GENCP_WRITEMEM_SCD_MIN_SIZE = 8;  // address u64, then the data
constexpr size_t GENCP_WRITEMEM_ACK_SCD_SIZE = 4;  // reserved u16, bytes written u16
constexpr size_t GENCP_PENDING_ACK_SCD_SIZE = 4;   // reserved u16, time-out u16 (ms)
constexpr size_t GENCP_MAX_SCD_SIZE = 0xFFFF;

enum class GenCpCommand : uint16_t {
    ReadMem = 0x0800,
    ReadMemAck = 0x0801,
    WriteMem = 0x0802,
    WriteMemAck = 0x0803,
    PendingAck = 0x0805,
    Event = 0x0C00,
    EventAck = 0x0C01,
};

enum class GenCpStatus : uint16_t {
    Success = 0x0000,
    NotImplemented = 0x8001,
    InvalidParameter = 0x8002,
    InvalidAddress = 0x8003,
    WriteProtect = 0x8004,
    BadAlignment = 0x8005,
    AccessDenied = 0x8006,
    Busy = 0x8007,
    MsgTimeout = 0x800B,
    InvalidHeader = 0x800E,
    WrongConfig = 0x800F,
    GenericError = 0x8FFF,
};

enum class GenCpError {
    Ok,
    TooShort,        // less than a header, or less than the command's fixed payload
    BadMagic,        // not a GenCP transfer
    LengthMismatch,  // the header's payload length differs from what arrived
    WrongCommand,    // another command or ack than the one expected
    BadPayload,      // a payload field out of range (count of zero, oversized data)
};

const char *GenCpErrorName(GenCpError error);

struct GenCpHeader
{
    uint32_t magic = GENCP_PREFIX_MAGIC;
    uint16_t flagsOrStatus = 0;  // flags in a command, status in an ack
    uint16_t command = 0;
    uint16_t length = 0;  // payload (SCD) bytes after the header
    uint16_t requestId = 0;
};

// Any transfer: header plus payload bounds.
GenCpError ParseHeader(const uint8_t *data, size_t size, GenCpHeader &header);

void BuildReadMem(uint16_t requestId, uint64_t address, uint16_t count, std::vector<uint8_t> &out);
GenCpError ParseReadMem(const uint8_t *data, size_t size, GenCpHeader &header, uint64_t &address,
                        uint16_t &count);

// Fails with BadPayload where `size` does not fit the payload length field.
GenCpError BuildWriteMem(uint16_t requestId, uint64_t address, const uint8_t *bytes, size_t size,
                         std::vector<uint8_t> &out);
// `bytes` points into `data`; `byteCount` says how many.
GenCpError ParseWriteMem(const uint8_t *data, size_t size, GenCpHeader &header, uint64_t &address,
                         const uint8_t *&bytes, size_t &byteCount);

// A READMEM ack carries the data on success and nothing on failure.
GenCpError BuildReadMemAck(uint16_t requestId, GenCpStatus status, const uint8_t *bytes, size_t size,
                           std::vector<uint8_t> &out);
void BuildWriteMemAck(uint16_t requestId, GenCpStatus status, uint16_t bytesWritten,
                      std::vector<uint8_t> &out);
void BuildPendingAck(uint16_t requestId, uint16_t timeoutMs, std::vector<uint8_t> &out);
// An ack of any kind with no payload (a failed command that has nothing to say).
void BuildEmptyAck(uint16_t requestId, GenCpCommand ack, GenCpStatus status, std::vector<uint8_t> &out);

GenCpError ParseWriteMemAckPayload(const uint8_t *payload, size_t size, uint16_t &bytesWritten);
GenCpError ParsePendingAckPayload(const uint8_t *payload, size_t size, uint16_t &timeoutMs);

// An event on the event pipe: its prefix has the event magic, and its payload is one event:
// size (u16, the event's bytes from this field on), id (u16), timestamp (u64), then its data.
constexpr size_t GENCP_EVENT_FIXED_SIZE = 12;
struct GenCpEvent
{
    uint16_t id = 0;
    uint64_t timestamp = 0;
    const uint8_t *data = nullptr;  // points into the parsed transfer
    size_t dataSize = 0;
};
// Fails with BadPayload where the data does not fit one event.
GenCpError BuildEvent(uint16_t requestId, uint16_t eventId, uint64_t timestamp, const uint8_t *data,
                      size_t size, std::vector<uint8_t> &out);
GenCpError ParseEvent(const uint8_t *data, size_t size, GenCpHeader &header, GenCpEvent &event);

}  // namespace ky::u3v
