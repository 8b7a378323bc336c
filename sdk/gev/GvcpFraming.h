// Shared framing of the GVCP builders and parsers (internal to the codec).
#pragma once

#include "gev/ByteCursor.h"
#include "gev/Gvcp.h"

namespace ky::gev::detail {

// Sizes out to header plus payload, zeroed, and writes the command header.
ByteWriter BeginCommand(const CommandHeader &header, Command code, size_t payloadSize, Packet &out);
ByteWriter BeginAck(const AckHeader &header, Command code, size_t payloadSize, Packet &out);

// Parses the header, checks the code, and leaves `payload` reading the payload bytes.
CodecError OpenCommand(const uint8_t *data, size_t size, Command expected, CommandHeader &header,
                       ByteReader &payload);
CodecError OpenAck(const uint8_t *data, size_t size, Command expected, AckHeader &header,
                   ByteReader &payload);

}  // namespace ky::gev::detail

namespace ky::gev::detail {

// Acknowledges without payload (FORCEIP, EVENT, EVENTDATA, ACTION).
inline CodecError BuildEmptyAck(const AckHeader &header, Command code, Packet &out)
{
    BeginAck(header, code, 0, out);
    return CodecError::Ok;
}

inline CodecError ParseEmptyAck(const uint8_t *data, size_t size, Command code, AckHeader &header)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenAck(data, size, code, header, payload);
    if (error == CodecError::Ok && payload.Remaining() != 0) {
        return CodecError::BadPayloadSize;
    }
    return error;
}

inline bool IsAligned(uint64_t value) { return value % MEMORY_ALIGNMENT == 0; }

}  // namespace ky::gev::detail
