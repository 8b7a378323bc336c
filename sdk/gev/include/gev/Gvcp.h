// GVCP, the GigE Vision control protocol: numbers, packet layouts, and one builder and one parser
// per command and per acknowledge. The client and the software device both use these, so a
// round trip through a builder and its parser covers both ends.
//
// Builders fill the header's code and length themselves; the caller sets flags, request id and
// status. They refuse values the protocol cannot carry (CodecError, nothing written).
// Parsers take the received datagram and its length and reject short or inconsistent packets with
// a named reason; the output is only meaningful when they return CodecError::Ok.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gev/Gvsp.h"
#include "ky/device/KyGevConstants.h"  // GVCP_PORT

namespace ky::gev {

using Packet = std::vector<uint8_t>;

constexpr uint8_t GVCP_KEY = 0x42;  // first byte of every command
constexpr size_t GVCP_HEADER_SIZE = 8;
constexpr size_t GVCP_MAX_PAYLOAD_SIZE = 540;  // fits a 576-byte IP datagram
constexpr size_t GVCP_MAX_PACKET_SIZE = GVCP_HEADER_SIZE + GVCP_MAX_PAYLOAD_SIZE;

// Header layout (offsets in bytes). Command: key, flags, command, length, request id.
// Acknowledge: status, acknowledge, length, ack id.
constexpr size_t GVCP_CMD_KEY_OFFSET = 0;
constexpr size_t GVCP_CMD_FLAGS_OFFSET = 1;
constexpr size_t GVCP_CMD_COMMAND_OFFSET = 2;
constexpr size_t GVCP_ACK_STATUS_OFFSET = 0;
constexpr size_t GVCP_ACK_ACKNOWLEDGE_OFFSET = 2;
constexpr size_t GVCP_LENGTH_OFFSET = 4;
constexpr size_t GVCP_ID_OFFSET = 6;

// Command flag bits.
constexpr uint8_t FLAG_ACK_REQUIRED = 0x01;
constexpr uint8_t FLAG_DISCOVERY_BROADCAST_ACK = 0x10;  // DISCOVERY: the device may answer by broadcast
constexpr uint8_t FLAG_EXTENDED_ID = 0x10;              // PACKETRESEND, EVENT, EVENTDATA: 64-bit block ids
constexpr uint8_t FLAG_ACTION_SCHEDULED = 0x80;         // ACTION: carries an action time

// Size limits.
constexpr size_t READREG_MAX_COUNT = GVCP_MAX_PAYLOAD_SIZE / 4;   // 135 addresses
constexpr size_t WRITEREG_MAX_COUNT = GVCP_MAX_PAYLOAD_SIZE / 8;  // 67 address/value pairs
constexpr size_t READMEM_MAX_SIZE = GVCP_MAX_PAYLOAD_SIZE - 4;    // 536 bytes
constexpr size_t WRITEMEM_MAX_SIZE = GVCP_MAX_PAYLOAD_SIZE - 4;   // 536 bytes
constexpr size_t MEMORY_ALIGNMENT = 4;
constexpr size_t DISCOVERY_ACK_PAYLOAD_SIZE = 248;
constexpr size_t FORCEIP_PAYLOAD_SIZE = 56;
constexpr size_t WRITE_ACK_PAYLOAD_SIZE = 4;
constexpr size_t PENDING_ACK_PAYLOAD_SIZE = 4;
constexpr size_t PACKETRESEND_PAYLOAD_SIZE = 12;
constexpr size_t PACKETRESEND_EXTENDED_PAYLOAD_SIZE = 20;
constexpr size_t EVENT_ITEM_SIZE = 16;
constexpr size_t EVENT_ITEM_EXTENDED_SIZE = 24;
constexpr size_t EVENTDATA_MAX_DATA_SIZE = GVCP_MAX_PAYLOAD_SIZE - EVENT_ITEM_EXTENDED_SIZE;  // 516
constexpr size_t ACTION_PAYLOAD_SIZE = 12;
constexpr size_t ACTION_SCHEDULED_PAYLOAD_SIZE = 20;

enum class Command : uint16_t {
    DISCOVERY_CMD = 0x0002,
    DISCOVERY_ACK = 0x0003,
    FORCEIP_CMD = 0x0004,
    FORCEIP_ACK = 0x0005,
    PACKETRESEND_CMD = 0x0040,
    READREG_CMD = 0x0080,
    READREG_ACK = 0x0081,
    WRITEREG_CMD = 0x0082,
    WRITEREG_ACK = 0x0083,
    READMEM_CMD = 0x0084,
    READMEM_ACK = 0x0085,
    WRITEMEM_CMD = 0x0086,
    WRITEMEM_ACK = 0x0087,
    PENDING_ACK = 0x0089,
    EVENT_CMD = 0x00C0,
    EVENT_ACK = 0x00C1,
    EVENTDATA_CMD = 0x00C2,
    EVENTDATA_ACK = 0x00C3,
    ACTION_CMD = 0x0100,
    ACTION_ACK = 0x0101,
};

// GigE Vision status codes carried in every acknowledge.
enum class Status : uint16_t {
    SUCCESS = 0x0000,
    PACKET_RESEND = 0x0100,
    NOT_IMPLEMENTED = 0x8001,
    INVALID_PARAMETER = 0x8002,
    INVALID_ADDRESS = 0x8003,
    WRITE_PROTECT = 0x8004,
    BAD_ALIGNMENT = 0x8005,
    ACCESS_DENIED = 0x8006,
    BUSY = 0x8007,
    LOCAL_PROBLEM = 0x8008,
    MSG_MISMATCH = 0x8009,
    INVALID_PROTOCOL = 0x800A,
    NO_MSG = 0x800B,
    PACKET_UNAVAILABLE = 0x800C,
    DATA_OVERRUN = 0x800D,
    INVALID_HEADER = 0x800E,
    WRONG_CONFIG = 0x800F,
    PACKET_NOT_YET_AVAILABLE = 0x8010,
    PACKET_AND_PREV_REMOVED_FROM_MEMORY = 0x8011,
    PACKET_REMOVED_FROM_MEMORY = 0x8012,
    NO_REF_TIME = 0x8013,
    PACKET_TEMPORARILY_UNAVAILABLE = 0x8014,
    OVERFLOW = 0x8015,
    ACTION_LATE = 0x8016,
    LEADER_TRAILER_OVERFLOW = 0x8017,
    ERROR = 0x8FFF,
};

// Why a packet was refused by a builder or a parser.
enum class CodecError {
    Ok,
    ShorterThanHeader,  // fewer bytes than a GVCP header
    BadKey,             // a command whose first byte is not 0x42
    WrongCode,          // not the command or acknowledge this parser reads
    LengthMismatch,     // the header's length field disagrees with the datagram
    BadPayloadSize,     // the payload size does not fit this message
    CountZero,          // a read or write of nothing
    CountTooLarge,      // more registers or bytes than one packet may carry
    Unaligned,          // an address or size that is not a multiple of 4
    ValueOutOfRange,    // a field value the chosen layout cannot carry
};

const char *CodecErrorName(CodecError error);
const char *CommandName(Command command);  // "READREG_CMD"; "UNKNOWN" for other codes
const char *StatusName(Status status);     // "INVALID_ADDRESS"; "UNKNOWN" for other codes
// The status a device answers when a command fails to parse for this reason.
Status StatusForCodecError(CodecError error);

struct CommandHeader
{
    uint8_t flags = FLAG_ACK_REQUIRED;
    Command command = Command::DISCOVERY_CMD;  // set by the builders
    uint16_t length = 0;                       // set by the builders
    uint16_t requestId = 0;
    bool AckRequired() const { return (flags & FLAG_ACK_REQUIRED) != 0; }
};

struct AckHeader
{
    Status status = Status::SUCCESS;
    Command acknowledge = Command::DISCOVERY_ACK;  // set by the builders
    uint16_t length = 0;                           // set by the builders
    uint16_t ackId = 0;
};

// Header only, for dispatching on the command code. Checks key and the length field.
CodecError ParseCommandHeader(const uint8_t *data, size_t size, CommandHeader &header);
// Header only, for matching an acknowledge to its command. Checks the length field.
CodecError ParseAckHeader(const uint8_t *data, size_t size, AckHeader &header);
// A bare acknowledge of any code: header, no payload (used for error answers to any command).
void BuildBareAck(const AckHeader &header, Packet &out);

// One line for logs: the header decoded (or why it is not readable) and the first bytes in hex.
std::string DescribeGvcp(const uint8_t *data, size_t size, size_t maxHexBytes = 32);

using MacAddress = std::array<uint8_t, 6>;
uint64_t MacToU64(const MacAddress &mac);
MacAddress MacFromU64(uint64_t value);

}  // namespace ky::gev

#include "gev/GvcpMessages.h"
