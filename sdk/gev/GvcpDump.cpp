// Readable one-line dumps of GVCP datagrams for logs.
#include <cstdio>

#include "gev/Gvcp.h"

namespace ky::gev {

std::string DescribeGvcp(const uint8_t *data, size_t size, size_t maxHexBytes)
{
    char line[160];
    if (data == nullptr || size < GVCP_HEADER_SIZE) {
        std::snprintf(line, sizeof(line), "short datagram (%zu bytes)", data ? size : 0);
    } else if (data[0] == GVCP_KEY) {
        CommandHeader header;
        const CodecError error = ParseCommandHeader(data, size, header);
        std::snprintf(line, sizeof(line), "%s (0x%04X) id=%u flags=0x%02X length=%u%s%s",
                      CommandName(header.command), static_cast<unsigned>(header.command), header.requestId,
                      header.flags, header.length, error == CodecError::Ok ? "" : " ! ",
                      error == CodecError::Ok ? "" : CodecErrorName(error));
    } else {
        AckHeader header;
        const CodecError error = ParseAckHeader(data, size, header);
        std::snprintf(
            line, sizeof(line), "%s (0x%04X) id=%u status=%s length=%u%s%s", CommandName(header.acknowledge),
            static_cast<unsigned>(header.acknowledge), header.ackId, StatusName(header.status), header.length,
            error == CodecError::Ok ? "" : " ! ", error == CodecError::Ok ? "" : CodecErrorName(error));
    }
    std::string text = line;
    const size_t shown = size < maxHexBytes ? size : maxHexBytes;
    if (data != nullptr && shown > 0) {
        text += " |";
        for (size_t i = 0; i < shown; ++i) {
            std::snprintf(line, sizeof(line), " %02x", data[i]);
            text += line;
        }
        if (shown < size) {
            text += " ...";
        }
    }
    return text;
}

}  // namespace ky::gev
