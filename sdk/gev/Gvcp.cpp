#include "gev/Gvcp.h"

#include "GvcpFraming.h"
#include "ky/ByteOrder.h"

namespace ky::gev {

const char *CodecErrorName(CodecError error)
{
    switch (error) {
    case CodecError::Ok:
        return "ok";
    case CodecError::ShorterThanHeader:
        return "shorter than a GVCP header";
    case CodecError::BadKey:
        return "command key is not 0x42";
    case CodecError::WrongCode:
        return "unexpected command or acknowledge code";
    case CodecError::LengthMismatch:
        return "length field disagrees with the datagram size";
    case CodecError::BadPayloadSize:
        return "payload size does not fit the message";
    case CodecError::CountZero:
        return "count is zero";
    case CodecError::CountTooLarge:
        return "count is above the packet limit";
    case CodecError::Unaligned:
        return "address or size is not a multiple of 4";
    case CodecError::ValueOutOfRange:
        return "value does not fit its field";
    }
    return "unknown codec error";
}

const char *CommandName(Command command)
{
    switch (command) {
// clang-format off
#define KY_GEV_COMMAND_CASE(name) case Command::name: return #name;
        KY_GEV_COMMAND_CASE(DISCOVERY_CMD) KY_GEV_COMMAND_CASE(DISCOVERY_ACK)
        KY_GEV_COMMAND_CASE(FORCEIP_CMD) KY_GEV_COMMAND_CASE(FORCEIP_ACK)
        KY_GEV_COMMAND_CASE(PACKETRESEND_CMD)
        KY_GEV_COMMAND_CASE(READREG_CMD) KY_GEV_COMMAND_CASE(READREG_ACK)
        KY_GEV_COMMAND_CASE(WRITEREG_CMD) KY_GEV_COMMAND_CASE(WRITEREG_ACK)
        KY_GEV_COMMAND_CASE(READMEM_CMD) KY_GEV_COMMAND_CASE(READMEM_ACK)
        KY_GEV_COMMAND_CASE(WRITEMEM_CMD) KY_GEV_COMMAND_CASE(WRITEMEM_ACK)
        KY_GEV_COMMAND_CASE(PENDING_ACK)
        KY_GEV_COMMAND_CASE(EVENT_CMD) KY_GEV_COMMAND_CASE(EVENT_ACK)
        KY_GEV_COMMAND_CASE(EVENTDATA_CMD) KY_GEV_COMMAND_CASE(EVENTDATA_ACK)
        KY_GEV_COMMAND_CASE(ACTION_CMD) KY_GEV_COMMAND_CASE(ACTION_ACK)
#undef KY_GEV_COMMAND_CASE
        // clang-format on
    }
    return "UNKNOWN";
}

const char *StatusName(Status status)
{
    switch (status) {
// clang-format off
#define KY_GEV_STATUS_CASE(name) case Status::name: return #name;
        KY_GEV_STATUS_CASE(SUCCESS) KY_GEV_STATUS_CASE(PACKET_RESEND)
        KY_GEV_STATUS_CASE(NOT_IMPLEMENTED) KY_GEV_STATUS_CASE(INVALID_PARAMETER)
        KY_GEV_STATUS_CASE(INVALID_ADDRESS) KY_GEV_STATUS_CASE(WRITE_PROTECT)
        KY_GEV_STATUS_CASE(BAD_ALIGNMENT) KY_GEV_STATUS_CASE(ACCESS_DENIED)
        KY_GEV_STATUS_CASE(BUSY) KY_GEV_STATUS_CASE(LOCAL_PROBLEM)
        KY_GEV_STATUS_CASE(MSG_MISMATCH) KY_GEV_STATUS_CASE(INVALID_PROTOCOL)
        KY_GEV_STATUS_CASE(NO_MSG) KY_GEV_STATUS_CASE(PACKET_UNAVAILABLE)
        KY_GEV_STATUS_CASE(DATA_OVERRUN) KY_GEV_STATUS_CASE(INVALID_HEADER)
        KY_GEV_STATUS_CASE(WRONG_CONFIG) KY_GEV_STATUS_CASE(PACKET_NOT_YET_AVAILABLE)
        KY_GEV_STATUS_CASE(PACKET_AND_PREV_REMOVED_FROM_MEMORY)
        KY_GEV_STATUS_CASE(PACKET_REMOVED_FROM_MEMORY) KY_GEV_STATUS_CASE(NO_REF_TIME)
        KY_GEV_STATUS_CASE(PACKET_TEMPORARILY_UNAVAILABLE) KY_GEV_STATUS_CASE(OVERFLOW)
        KY_GEV_STATUS_CASE(ACTION_LATE) KY_GEV_STATUS_CASE(LEADER_TRAILER_OVERFLOW)
        KY_GEV_STATUS_CASE(ERROR)
#undef KY_GEV_STATUS_CASE
        // clang-format on
    }
    return "UNKNOWN";
}

Status StatusForCodecError(CodecError error)
{
    switch (error) {
    case CodecError::Ok:
        return Status::SUCCESS;
    case CodecError::WrongCode:
        return Status::NOT_IMPLEMENTED;
    case CodecError::Unaligned:
        return Status::BAD_ALIGNMENT;
    case CodecError::ShorterThanHeader:
    case CodecError::BadKey:
        return Status::INVALID_HEADER;
    case CodecError::LengthMismatch:
    case CodecError::BadPayloadSize:
    case CodecError::CountZero:
    case CodecError::CountTooLarge:
    case CodecError::ValueOutOfRange:
        return Status::INVALID_PARAMETER;
    }
    return Status::ERROR;
}

CodecError ParseCommandHeader(const uint8_t *data, size_t size, CommandHeader &header)
{
    ByteReader reader(data, size);
    uint8_t key = 0;
    uint16_t command = 0;
    CommandHeader parsed;
    if (size < GVCP_HEADER_SIZE || !reader.ReadU8(key) || !reader.ReadU8(parsed.flags) ||
        !reader.ReadU16(command) || !reader.ReadU16(parsed.length) || !reader.ReadU16(parsed.requestId)) {
        return CodecError::ShorterThanHeader;
    }
    parsed.command = static_cast<Command>(command);
    header = parsed;  // filled even on the errors below, so a device can still answer the id
    if (key != GVCP_KEY) {
        return CodecError::BadKey;
    }
    if (parsed.length != reader.Remaining()) {
        return CodecError::LengthMismatch;
    }
    return CodecError::Ok;
}

CodecError ParseAckHeader(const uint8_t *data, size_t size, AckHeader &header)
{
    ByteReader reader(data, size);
    uint16_t status = 0;
    uint16_t acknowledge = 0;
    AckHeader parsed;
    if (size < GVCP_HEADER_SIZE || !reader.ReadU16(status) || !reader.ReadU16(acknowledge) ||
        !reader.ReadU16(parsed.length) || !reader.ReadU16(parsed.ackId)) {
        return CodecError::ShorterThanHeader;
    }
    parsed.status = static_cast<Status>(status);
    parsed.acknowledge = static_cast<Command>(acknowledge);
    header = parsed;
    if (parsed.length != reader.Remaining()) {
        return CodecError::LengthMismatch;
    }
    return CodecError::Ok;
}

void BuildBareAck(const AckHeader &header, Packet &out)
{
    detail::BeginAck(header, header.acknowledge, 0, out);
}

uint64_t MacToU64(const MacAddress &mac)
{
    return base::LoadUnsigned(mac.data(), mac.size(), base::Endian::Big);
}

MacAddress MacFromU64(uint64_t value)
{
    MacAddress mac{};
    base::StoreUnsigned(mac.data(), mac.size(), base::Endian::Big, value);
    return mac;
}

namespace detail {

ByteWriter BeginCommand(const CommandHeader &header, Command code, size_t payloadSize, Packet &out)
{
    out.assign(GVCP_HEADER_SIZE + payloadSize, 0);
    ByteWriter writer(out.data(), out.size());
    writer.WriteU8(GVCP_KEY);
    writer.WriteU8(header.flags);
    writer.WriteU16(static_cast<uint16_t>(code));
    writer.WriteU16(static_cast<uint16_t>(payloadSize));
    writer.WriteU16(header.requestId);
    return writer;
}

ByteWriter BeginAck(const AckHeader &header, Command code, size_t payloadSize, Packet &out)
{
    out.assign(GVCP_HEADER_SIZE + payloadSize, 0);
    ByteWriter writer(out.data(), out.size());
    writer.WriteU16(static_cast<uint16_t>(header.status));
    writer.WriteU16(static_cast<uint16_t>(code));
    writer.WriteU16(static_cast<uint16_t>(payloadSize));
    writer.WriteU16(header.ackId);
    return writer;
}

CodecError OpenCommand(const uint8_t *data, size_t size, Command expected, CommandHeader &header,
                       ByteReader &payload)
{
    CodecError error = ParseCommandHeader(data, size, header);
    if (error != CodecError::Ok) {
        return error;
    }
    if (header.command != expected) {
        return CodecError::WrongCode;
    }
    payload = ByteReader(data + GVCP_HEADER_SIZE, size - GVCP_HEADER_SIZE);
    return CodecError::Ok;
}

CodecError OpenAck(const uint8_t *data, size_t size, Command expected, AckHeader &header, ByteReader &payload)
{
    CodecError error = ParseAckHeader(data, size, header);
    if (error != CodecError::Ok) {
        return error;
    }
    if (header.acknowledge != expected) {
        return CodecError::WrongCode;
    }
    payload = ByteReader(data + GVCP_HEADER_SIZE, size - GVCP_HEADER_SIZE);
    return CodecError::Ok;
}

}  // namespace detail
}  // namespace ky::gev
