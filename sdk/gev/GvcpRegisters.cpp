// READREG, WRITEREG, READMEM, WRITEMEM and PENDING_ACK.
#include "GvcpFraming.h"

namespace ky::gev {

using namespace detail;

namespace {

// Checks a count of items against the protocol's limit for one packet.
CodecError CheckCount(size_t count, size_t maximum)
{
    if (count == 0) {
        return CodecError::CountZero;
    }
    return count > maximum ? CodecError::CountTooLarge : CodecError::Ok;
}

// Memory access: a size in bytes of 4 to `maximum`, address and size multiples of 4.
CodecError CheckMemoryAccess(uint32_t address, size_t count, size_t maximum)
{
    CodecError error = CheckCount(count, maximum);
    if (error != CodecError::Ok) {
        return error;
    }
    return IsAligned(address) && IsAligned(count) ? CodecError::Ok : CodecError::Unaligned;
}

// The acknowledge of WRITEREG and WRITEMEM: two reserved bytes, then the index.
CodecError BuildWriteAck(const AckHeader &header, Command code, uint16_t index, Packet &out)
{
    ByteWriter writer = BeginAck(header, code, WRITE_ACK_PAYLOAD_SIZE, out);
    writer.WriteZeros(2);
    writer.WriteU16(index);
    return CodecError::Ok;
}

CodecError ParseWriteAck(const uint8_t *data, size_t size, Command code, AckHeader &header, uint16_t &index)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenAck(data, size, code, header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    index = 0;
    if (payload.Remaining() == 0 && header.status != Status::SUCCESS) {
        return CodecError::Ok;  // an error answer may leave the index out
    }
    if (payload.Remaining() != WRITE_ACK_PAYLOAD_SIZE) {
        return CodecError::BadPayloadSize;
    }
    payload.Skip(2);
    payload.ReadU16(index);
    return CodecError::Ok;
}

}  // namespace

CodecError Build(const ReadRegCmd &message, Packet &out)
{
    CodecError error = CheckCount(message.addresses.size(), READREG_MAX_COUNT);
    for (uint32_t address : message.addresses) {
        if (error == CodecError::Ok && !IsAligned(address)) {
            error = CodecError::Unaligned;
        }
    }
    if (error != CodecError::Ok) {
        return error;
    }
    ByteWriter writer = BeginCommand(message.header, Command::READREG_CMD, 4 * message.addresses.size(), out);
    for (uint32_t address : message.addresses) {
        writer.WriteU32(address);
    }
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, ReadRegCmd &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenCommand(data, size, Command::READREG_CMD, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    if (payload.Remaining() % 4 != 0) {
        return CodecError::BadPayloadSize;
    }
    error = CheckCount(payload.Remaining() / 4, READREG_MAX_COUNT);
    if (error != CodecError::Ok) {
        return error;
    }
    message.addresses.assign(payload.Remaining() / 4, 0);
    for (uint32_t &address : message.addresses) {
        payload.ReadU32(address);
        if (!IsAligned(address)) {
            error = CodecError::Unaligned;
        }
    }
    return error;
}

CodecError Build(const ReadRegAck &message, Packet &out)
{
    if (message.values.size() > READREG_MAX_COUNT) {
        return CodecError::CountTooLarge;
    }
    ByteWriter writer = BeginAck(message.header, Command::READREG_ACK, 4 * message.values.size(), out);
    for (uint32_t value : message.values) {
        writer.WriteU32(value);
    }
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, ReadRegAck &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenAck(data, size, Command::READREG_ACK, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    if (payload.Remaining() % 4 != 0) {
        return CodecError::BadPayloadSize;
    }
    size_t count = payload.Remaining() / 4;
    if (count > READREG_MAX_COUNT) {
        return CodecError::CountTooLarge;
    }
    if (count == 0 && message.header.status == Status::SUCCESS) {
        return CodecError::CountZero;
    }
    message.values.assign(count, 0);
    for (uint32_t &value : message.values) {
        payload.ReadU32(value);
    }
    return CodecError::Ok;
}

CodecError Build(const WriteRegCmd &message, Packet &out)
{
    CodecError error = CheckCount(message.writes.size(), WRITEREG_MAX_COUNT);
    for (const RegisterWrite &write : message.writes) {
        if (error == CodecError::Ok && !IsAligned(write.address)) {
            error = CodecError::Unaligned;
        }
    }
    if (error != CodecError::Ok) {
        return error;
    }
    ByteWriter writer = BeginCommand(message.header, Command::WRITEREG_CMD, 8 * message.writes.size(), out);
    for (const RegisterWrite &write : message.writes) {
        writer.WriteU32(write.address);
        writer.WriteU32(write.value);
    }
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, WriteRegCmd &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenCommand(data, size, Command::WRITEREG_CMD, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    if (payload.Remaining() % 8 != 0) {
        return CodecError::BadPayloadSize;
    }
    error = CheckCount(payload.Remaining() / 8, WRITEREG_MAX_COUNT);
    if (error != CodecError::Ok) {
        return error;
    }
    message.writes.assign(payload.Remaining() / 8, RegisterWrite{});
    for (RegisterWrite &write : message.writes) {
        payload.ReadU32(write.address);
        payload.ReadU32(write.value);
        if (!IsAligned(write.address)) {
            error = CodecError::Unaligned;
        }
    }
    return error;
}

CodecError Build(const WriteRegAck &message, Packet &out)
{
    return BuildWriteAck(message.header, Command::WRITEREG_ACK, message.index, out);
}

CodecError Parse(const uint8_t *data, size_t size, WriteRegAck &message)
{
    return ParseWriteAck(data, size, Command::WRITEREG_ACK, message.header, message.index);
}

CodecError Build(const ReadMemCmd &message, Packet &out)
{
    CodecError error = CheckMemoryAccess(message.address, message.count, READMEM_MAX_SIZE);
    if (error != CodecError::Ok) {
        return error;
    }
    ByteWriter writer = BeginCommand(message.header, Command::READMEM_CMD, 8, out);
    writer.WriteU32(message.address);
    writer.WriteZeros(2);
    writer.WriteU16(message.count);
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, ReadMemCmd &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenCommand(data, size, Command::READMEM_CMD, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    if (payload.Remaining() != 8) {
        return CodecError::BadPayloadSize;
    }
    payload.ReadU32(message.address);
    payload.Skip(2);
    payload.ReadU16(message.count);
    return CheckMemoryAccess(message.address, message.count, READMEM_MAX_SIZE);
}

CodecError Build(const ReadMemAck &message, Packet &out)
{
    if (message.data.size() > READMEM_MAX_SIZE) {
        return CodecError::CountTooLarge;
    }
    ByteWriter writer = BeginAck(message.header, Command::READMEM_ACK, 4 + message.data.size(), out);
    writer.WriteU32(message.address);
    writer.WriteBytes(message.data.data(), message.data.size());
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, ReadMemAck &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenAck(data, size, Command::READMEM_ACK, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    message.address = 0;
    message.data.clear();
    if (payload.Remaining() == 0 && message.header.status != Status::SUCCESS) {
        return CodecError::Ok;
    }
    if (payload.Remaining() < 4) {
        return CodecError::BadPayloadSize;
    }
    if (payload.Remaining() - 4 > READMEM_MAX_SIZE) {
        return CodecError::CountTooLarge;
    }
    payload.ReadU32(message.address);
    message.data.assign(payload.Remaining(), 0);
    payload.ReadBytes(message.data.data(), message.data.size());
    return CodecError::Ok;
}

CodecError Build(const WriteMemCmd &message, Packet &out)
{
    CodecError error = CheckMemoryAccess(message.address, message.data.size(), WRITEMEM_MAX_SIZE);
    if (error != CodecError::Ok) {
        return error;
    }
    ByteWriter writer = BeginCommand(message.header, Command::WRITEMEM_CMD, 4 + message.data.size(), out);
    writer.WriteU32(message.address);
    writer.WriteBytes(message.data.data(), message.data.size());
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, WriteMemCmd &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenCommand(data, size, Command::WRITEMEM_CMD, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    if (payload.Remaining() < 4) {
        return CodecError::BadPayloadSize;
    }
    payload.ReadU32(message.address);
    error = CheckMemoryAccess(message.address, payload.Remaining(), WRITEMEM_MAX_SIZE);
    if (error != CodecError::Ok) {
        return error;
    }
    message.data.assign(payload.Remaining(), 0);
    payload.ReadBytes(message.data.data(), message.data.size());
    return CodecError::Ok;
}

CodecError Build(const WriteMemAck &message, Packet &out)
{
    return BuildWriteAck(message.header, Command::WRITEMEM_ACK, message.index, out);
}

CodecError Parse(const uint8_t *data, size_t size, WriteMemAck &message)
{
    return ParseWriteAck(data, size, Command::WRITEMEM_ACK, message.header, message.index);
}

CodecError Build(const PendingAck &message, Packet &out)
{
    ByteWriter writer = BeginAck(message.header, Command::PENDING_ACK, PENDING_ACK_PAYLOAD_SIZE, out);
    writer.WriteZeros(2);
    writer.WriteU16(message.timeToCompletionMs);
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, PendingAck &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenAck(data, size, Command::PENDING_ACK, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    if (payload.Remaining() != PENDING_ACK_PAYLOAD_SIZE) {
        return CodecError::BadPayloadSize;
    }
    payload.Skip(2);
    payload.ReadU16(message.timeToCompletionMs);
    return CodecError::Ok;
}

}  // namespace ky::gev
