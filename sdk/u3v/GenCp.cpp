#include "u3v/GenCp.h"

#include <cstring>

#include "u3v/LittleEndian.h"

namespace ky::u3v {

const char *GenCpErrorName(GenCpError error)
{
    switch (error) {
    case GenCpError::Ok:
        return "ok";
    case GenCpError::TooShort:
        return "transfer too short";
    case GenCpError::BadMagic:
        return "not a GenCP prefix";
    case GenCpError::LengthMismatch:
        return "payload length does not match the transfer";
    case GenCpError::WrongCommand:
        return "unexpected command id";
    case GenCpError::BadPayload:
        return "payload field out of range";
    }
    return "unknown";
}

namespace {

uint8_t *BeginTransfer(uint32_t magic, uint16_t flagsOrStatus, uint16_t command, uint16_t requestId,
                       size_t payloadSize, std::vector<uint8_t> &out)
{
    out.assign(GENCP_HEADER_SIZE + payloadSize, 0);
    uint8_t *p = out.data();
    PutLe32(p, magic);
    PutLe16(p + 4, flagsOrStatus);
    PutLe16(p + 6, command);
    PutLe16(p + 8, static_cast<uint16_t>(payloadSize));
    PutLe16(p + 10, requestId);
    return p + GENCP_HEADER_SIZE;
}

GenCpError OpenCommand(const uint8_t *data, size_t size, GenCpCommand expected, GenCpHeader &header)
{
    GenCpError error = ParseHeader(data, size, header);
    if (error != GenCpError::Ok) {
        return error;
    }
    if (header.magic != GENCP_PREFIX_MAGIC) {
        return GenCpError::BadMagic;
    }
    if (header.command != static_cast<uint16_t>(expected)) {
        return GenCpError::WrongCommand;
    }
    return GenCpError::Ok;
}

}  // namespace

GenCpError ParseHeader(const uint8_t *data, size_t size, GenCpHeader &header)
{
    if (data == nullptr || size < GENCP_HEADER_SIZE) {
        return GenCpError::TooShort;
    }
    header.magic = Le32(data);
    header.flagsOrStatus = Le16(data + 4);
    header.command = Le16(data + 6);
    header.length = Le16(data + 8);
    header.requestId = Le16(data + 10);
    if (header.magic != GENCP_PREFIX_MAGIC && header.magic != GENCP_EVENT_MAGIC) {
        return GenCpError::BadMagic;
    }
    if (size - GENCP_HEADER_SIZE != header.length) {
        return GenCpError::LengthMismatch;
    }
    return GenCpError::Ok;
}

void BuildReadMem(uint16_t requestId, uint64_t address, uint16_t count, std::vector<uint8_t> &out)
{
    uint8_t *p =
        BeginTransfer(GENCP_PREFIX_MAGIC, GENCP_FLAG_REQUEST_ACK,
                      static_cast<uint16_t>(GenCpCommand::ReadMem), requestId, GENCP_READMEM_SCD_SIZE, out);
    PutLe64(p, address);
    PutLe16(p + 10, count);
}

GenCpError ParseReadMem(const uint8_t *data, size_t size, GenCpHeader &header, uint64_t &address,
                        uint16_t &count)
{
    GenCpError error = OpenCommand(data, size, GenCpCommand::ReadMem, header);
    if (error != GenCpError::Ok) {
        return error;
    }
    if (header.length != GENCP_READMEM_SCD_SIZE) {
        return GenCpError::BadPayload;
    }
    const uint8_t *p = data + GENCP_HEADER_SIZE;
    address = Le64(p);
    count = Le16(p + 10);
    return GenCpError::Ok;
}

GenCpError BuildWriteMem(uint16_t requestId, uint64_t address, const uint8_t *bytes, size_t size,
                         std::vector<uint8_t> &out)
{
    if (size > GENCP_MAX_SCD_SIZE - GENCP_WRITEMEM_SCD_MIN_SIZE || (bytes == nullptr && size != 0)) {
        return GenCpError::BadPayload;
    }
    uint8_t *p = BeginTransfer(GENCP_PREFIX_MAGIC, GENCP_FLAG_REQUEST_ACK,
                               static_cast<uint16_t>(GenCpCommand::WriteMem), requestId,
                               GENCP_WRITEMEM_SCD_MIN_SIZE + size, out);
    PutLe64(p, address);
    if (size != 0) {
        std::memcpy(p + GENCP_WRITEMEM_SCD_MIN_SIZE, bytes, size);
    }
    return GenCpError::Ok;
}

GenCpError ParseWriteMem(const uint8_t *data, size_t size, GenCpHeader &header, uint64_t &address,
                         const uint8_t *&bytes, size_t &byteCount)
{
    GenCpError error = OpenCommand(data, size, GenCpCommand::WriteMem, header);
    if (error != GenCpError::Ok) {
        return error;
    }
    if (header.length < GENCP_WRITEMEM_SCD_MIN_SIZE) {
        return GenCpError::TooShort;
    }
    const uint8_t *p = data + GENCP_HEADER_SIZE;
    address = Le64(p);
    bytes = p + GENCP_WRITEMEM_SCD_MIN_SIZE;
    byteCount = header.length - GENCP_WRITEMEM_SCD_MIN_SIZE;
    return GenCpError::Ok;
}

GenCpError BuildReadMemAck(uint16_t requestId, GenCpStatus status, const uint8_t *bytes, size_t size,
                           std::vector<uint8_t> &out)
{
    if (status != GenCpStatus::Success) {
        size = 0;
    }
    if (size > GENCP_MAX_SCD_SIZE || (bytes == nullptr && size != 0)) {
        return GenCpError::BadPayload;
    }
    uint8_t *p = BeginTransfer(GENCP_PREFIX_MAGIC, static_cast<uint16_t>(status),
                               static_cast<uint16_t>(GenCpCommand::ReadMemAck), requestId, size, out);
    if (size != 0) {
        std::memcpy(p, bytes, size);
    }
    return GenCpError::Ok;
}

void BuildWriteMemAck(uint16_t requestId, GenCpStatus status, uint16_t bytesWritten,
                      std::vector<uint8_t> &out)
{
    uint8_t *p = BeginTransfer(GENCP_PREFIX_MAGIC, static_cast<uint16_t>(status),
                               static_cast<uint16_t>(GenCpCommand::WriteMemAck), requestId,
                               GENCP_WRITEMEM_ACK_SCD_SIZE, out);
    PutLe16(p + 2, bytesWritten);
}

void BuildPendingAck(uint16_t requestId, uint16_t timeoutMs, std::vector<uint8_t> &out)
{
    uint8_t *p = BeginTransfer(GENCP_PREFIX_MAGIC, static_cast<uint16_t>(GenCpStatus::Success),
                               static_cast<uint16_t>(GenCpCommand::PendingAck), requestId,
                               GENCP_PENDING_ACK_SCD_SIZE, out);
    PutLe16(p + 2, timeoutMs);
}

void BuildEmptyAck(uint16_t requestId, GenCpCommand ack, GenCpStatus status, std::vector<uint8_t> &out)
{
    BeginTransfer(GENCP_PREFIX_MAGIC, static_cast<uint16_t>(status), static_cast<uint16_t>(ack), requestId, 0,
                  out);
}

GenCpError ParseWriteMemAckPayload(const uint8_t *payload, size_t size, uint16_t &bytesWritten)
{
    if (size != GENCP_WRITEMEM_ACK_SCD_SIZE) {
        return size < GENCP_WRITEMEM_ACK_SCD_SIZE ? GenCpError::TooShort : GenCpError::BadPayload;
    }
    bytesWritten = Le16(payload + 2);
    return GenCpError::Ok;
}

GenCpError ParsePendingAckPayload(const uint8_t *payload, size_t size, uint16_t &timeoutMs)
{
    if (size != GENCP_PENDING_ACK_SCD_SIZE) {
        return size < GENCP_PENDING_ACK_SCD_SIZE ? GenCpError::TooShort : GenCpError::BadPayload;
    }
    timeoutMs = Le16(payload + 2);
    return GenCpError::Ok;
}

GenCpError BuildEvent(uint16_t requestId, uint16_t eventId, uint64_t timestamp, const uint8_t *data,
                      size_t size, std::vector<uint8_t> &out)
{
    if ((data == nullptr && size != 0) || size > 0xFFFF - GENCP_EVENT_FIXED_SIZE) {
        return GenCpError::BadPayload;
    }
    const size_t eventSize = GENCP_EVENT_FIXED_SIZE + size;
    uint8_t *p = BeginTransfer(GENCP_EVENT_MAGIC, 0, static_cast<uint16_t>(GenCpCommand::Event), requestId,
                               eventSize, out);
    PutLe16(p, static_cast<uint16_t>(eventSize));
    PutLe16(p + 2, eventId);
    PutLe64(p + 4, timestamp);
    if (size != 0) {
        std::memcpy(p + GENCP_EVENT_FIXED_SIZE, data, size);
    }
    return GenCpError::Ok;
}

GenCpError ParseEvent(const uint8_t *data, size_t size, GenCpHeader &header, GenCpEvent &event)
{
    GenCpError error = ParseHeader(data, size, header);
    if (error != GenCpError::Ok) {
        return error;
    }
    if (header.magic != GENCP_EVENT_MAGIC) {
        return GenCpError::BadMagic;
    }
    if (header.command != static_cast<uint16_t>(GenCpCommand::Event)) {
        return GenCpError::WrongCommand;
    }
    if (header.length < GENCP_EVENT_FIXED_SIZE) {
        return GenCpError::TooShort;
    }
    const uint8_t *p = data + GENCP_HEADER_SIZE;
    const uint16_t eventSize = Le16(p);
    if (eventSize < GENCP_EVENT_FIXED_SIZE || eventSize > header.length) {
        return GenCpError::BadPayload;
    }
    event.id = Le16(p + 2);
    event.timestamp = Le64(p + 4);
    event.dataSize = eventSize - GENCP_EVENT_FIXED_SIZE;
    event.data = event.dataSize != 0 ? p + GENCP_EVENT_FIXED_SIZE : nullptr;
    return GenCpError::Ok;
}

}  // namespace ky::u3v
