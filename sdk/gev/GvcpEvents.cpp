// PACKETRESEND, EVENT, EVENTDATA and ACTION.
#include "GvcpFraming.h"

namespace ky::gev {

using namespace detail;

namespace {

bool IsExtended(const CommandHeader &header) { return (header.flags & FLAG_EXTENDED_ID) != 0; }

size_t EventItemSize(const CommandHeader &header)
{
    return IsExtended(header) ? EVENT_ITEM_EXTENDED_SIZE : EVENT_ITEM_SIZE;
}

CodecError CheckEventItem(const CommandHeader &header, const EventItem &item)
{
    return !IsExtended(header) && item.blockId > 0xFFFF ? CodecError::ValueOutOfRange : CodecError::Ok;
}

void WriteEventItem(ByteWriter &writer, const CommandHeader &header, const EventItem &item)
{
    writer.WriteZeros(2);
    writer.WriteU16(item.eventId);
    writer.WriteU16(item.streamChannel);
    if (IsExtended(header)) {
        writer.WriteZeros(2);
        writer.WriteU64(item.blockId);
    } else {
        writer.WriteU16(static_cast<uint16_t>(item.blockId));
    }
    writer.WriteU64(item.timestamp);
}

void ReadEventItem(ByteReader &reader, const CommandHeader &header, EventItem &item)
{
    reader.Skip(2);
    reader.ReadU16(item.eventId);
    reader.ReadU16(item.streamChannel);
    if (IsExtended(header)) {
        reader.Skip(2);
        reader.ReadU64(item.blockId);
    } else {
        uint16_t blockId = 0;
        reader.ReadU16(blockId);
        item.blockId = blockId;
    }
    reader.ReadU64(item.timestamp);
}

}  // namespace

CodecError Build(const PacketResendCmd &message, Packet &out)
{
    const bool extended = IsExtended(message.header);
    if (!extended &&
        (message.blockId > 0xFFFF || message.firstPacketId > 0xFFFFFF || message.lastPacketId > 0xFFFFFF)) {
        return CodecError::ValueOutOfRange;
    }
    ByteWriter writer =
        BeginCommand(message.header, Command::PACKETRESEND_CMD,
                     extended ? PACKETRESEND_EXTENDED_PAYLOAD_SIZE : PACKETRESEND_PAYLOAD_SIZE, out);
    writer.WriteU16(message.streamChannel);
    writer.WriteU16(extended ? 0 : static_cast<uint16_t>(message.blockId));
    writer.WriteU32(message.firstPacketId);
    writer.WriteU32(message.lastPacketId);
    if (extended) {
        writer.WriteU64(message.blockId);
    }
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, PacketResendCmd &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenCommand(data, size, Command::PACKETRESEND_CMD, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    const bool extended = IsExtended(message.header);
    if (payload.Remaining() != (extended ? PACKETRESEND_EXTENDED_PAYLOAD_SIZE : PACKETRESEND_PAYLOAD_SIZE)) {
        return CodecError::BadPayloadSize;
    }
    uint16_t blockId16 = 0;
    payload.ReadU16(message.streamChannel);
    payload.ReadU16(blockId16);
    payload.ReadU32(message.firstPacketId);
    payload.ReadU32(message.lastPacketId);
    message.blockId = blockId16;
    if (extended) {
        payload.ReadU64(message.blockId);
    } else {
        // The top byte of a packet id is reserved in the 16-bit block id layout.
        message.firstPacketId &= 0xFFFFFF;
        message.lastPacketId &= 0xFFFFFF;
    }
    return CodecError::Ok;
}

CodecError Build(const EventCmd &message, Packet &out)
{
    const size_t itemSize = EventItemSize(message.header);
    CodecError error = message.events.empty() ? CodecError::CountZero : CodecError::Ok;
    if (message.events.size() > GVCP_MAX_PAYLOAD_SIZE / itemSize) {
        error = CodecError::CountTooLarge;
    }
    for (const EventItem &item : message.events) {
        if (error == CodecError::Ok) {
            error = CheckEventItem(message.header, item);
        }
    }
    if (error != CodecError::Ok) {
        return error;
    }
    ByteWriter writer =
        BeginCommand(message.header, Command::EVENT_CMD, itemSize * message.events.size(), out);
    for (const EventItem &item : message.events) {
        WriteEventItem(writer, message.header, item);
    }
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, EventCmd &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenCommand(data, size, Command::EVENT_CMD, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    const size_t itemSize = EventItemSize(message.header);
    if (payload.Remaining() % itemSize != 0) {
        return CodecError::BadPayloadSize;
    }
    const size_t count = payload.Remaining() / itemSize;
    if (count == 0) {
        return CodecError::CountZero;
    }
    if (count > GVCP_MAX_PAYLOAD_SIZE / itemSize) {
        return CodecError::CountTooLarge;
    }
    message.events.assign(count, EventItem{});
    for (EventItem &item : message.events) {
        ReadEventItem(payload, message.header, item);
    }
    return CodecError::Ok;
}

CodecError Build(const EventAck &message, Packet &out)
{
    return BuildEmptyAck(message.header, Command::EVENT_ACK, out);
}

CodecError Parse(const uint8_t *data, size_t size, EventAck &message)
{
    return ParseEmptyAck(data, size, Command::EVENT_ACK, message.header);
}

CodecError Build(const EventDataCmd &message, Packet &out)
{
    const size_t itemSize = EventItemSize(message.header);
    if (message.data.size() > GVCP_MAX_PAYLOAD_SIZE - itemSize) {
        return CodecError::CountTooLarge;
    }
    CodecError error = CheckEventItem(message.header, message.event);
    if (error != CodecError::Ok) {
        return error;
    }
    ByteWriter writer =
        BeginCommand(message.header, Command::EVENTDATA_CMD, itemSize + message.data.size(), out);
    WriteEventItem(writer, message.header, message.event);
    writer.WriteBytes(message.data.data(), message.data.size());
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, EventDataCmd &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenCommand(data, size, Command::EVENTDATA_CMD, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    const size_t itemSize = EventItemSize(message.header);
    if (payload.Remaining() < itemSize) {
        return CodecError::BadPayloadSize;
    }
    if (payload.Remaining() > GVCP_MAX_PAYLOAD_SIZE) {
        return CodecError::CountTooLarge;
    }
    ReadEventItem(payload, message.header, message.event);
    message.data.assign(payload.Remaining(), 0);
    payload.ReadBytes(message.data.data(), message.data.size());
    return CodecError::Ok;
}

CodecError Build(const EventDataAck &message, Packet &out)
{
    return BuildEmptyAck(message.header, Command::EVENTDATA_ACK, out);
}

CodecError Parse(const uint8_t *data, size_t size, EventDataAck &message)
{
    return ParseEmptyAck(data, size, Command::EVENTDATA_ACK, message.header);
}

CodecError Build(const ActionCmd &message, Packet &out)
{
    const bool scheduled = (message.header.flags & FLAG_ACTION_SCHEDULED) != 0;
    ByteWriter writer = BeginCommand(message.header, Command::ACTION_CMD,
                                     scheduled ? ACTION_SCHEDULED_PAYLOAD_SIZE : ACTION_PAYLOAD_SIZE, out);
    writer.WriteU32(message.deviceKey);
    writer.WriteU32(message.groupKey);
    writer.WriteU32(message.groupMask);
    if (scheduled) {
        writer.WriteU64(message.actionTime);
    }
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, ActionCmd &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenCommand(data, size, Command::ACTION_CMD, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    const bool scheduled = (message.header.flags & FLAG_ACTION_SCHEDULED) != 0;
    if (payload.Remaining() != (scheduled ? ACTION_SCHEDULED_PAYLOAD_SIZE : ACTION_PAYLOAD_SIZE)) {
        return CodecError::BadPayloadSize;
    }
    payload.ReadU32(message.deviceKey);
    payload.ReadU32(message.groupKey);
    payload.ReadU32(message.groupMask);
    message.actionTime = 0;
    if (scheduled) {
        payload.ReadU64(message.actionTime);
    }
    return CodecError::Ok;
}

CodecError Build(const ActionAck &message, Packet &out)
{
    return BuildEmptyAck(message.header, Command::ACTION_ACK, out);
}

CodecError Parse(const uint8_t *data, size_t size, ActionAck &message)
{
    return ParseEmptyAck(data, size, Command::ACTION_ACK, message.header);
}

}  // namespace ky::gev
