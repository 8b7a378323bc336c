// Readable one-line dumps of GVSP datagrams for logs.
#include <algorithm>
#include <cstdio>

#include "gev/Gvsp.h"

namespace ky::gev {

std::string DescribeGvsp(const uint8_t *data, size_t size, size_t maxHexBytes)
{
    char line[200];
    GvspHeader header;
    const KyResult parsed = data ? GvspParseHeader(data, size, header) : KyResult(KY_INVALID_PARAMETER);
    if (data && GvspIsTestPacket(data, size)) {
        std::snprintf(line, sizeof line, "GVSP test packet (%zu bytes)", size);
    } else if (parsed.IsFailure()) {
        std::snprintf(line, sizeof line, "GVSP ! %s", data ? parsed.GetDescription().GetAscii() : "no data");
    } else {
        std::snprintf(line, sizeof line, "GVSP %s block=%llu packet=%u status=0x%04X%s (%zu bytes)",
                      GvspPacketFormatName(header.format), static_cast<unsigned long long>(header.blockId),
                      header.packetId, header.status, header.extendedId ? " extended" : "", size);
    }
    std::string text = line;
    // The bytes themselves, never past the datagram.
    const size_t shown = data ? std::min(size, maxHexBytes) : 0;
    for (size_t i = 0; i < shown; ++i) {
        std::snprintf(line, sizeof line, i == 0 ? " | %02x" : " %02x", data[i]);
        text += line;
    }
    if (shown > 0 && shown < size)
        text += " ...";
    return text;
}

}  // namespace ky::gev
