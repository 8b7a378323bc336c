// GVSP packet parsers: header, leader and trailer of any datagram, the test-packet check, the
// log dump, and the sizes a parsed leader declares.
#include "gev/Gvsp.h"

using namespace ky::gev;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    (void)GvspIsTestPacket(data, size);
    (void)DescribeGvsp(data, size);
    GvspHeader header;
    if (GvspParseHeader(data, size, header).IsFailure())
        return 0;
    const uint8_t *body = data + header.Size();
    const size_t bodySize = size - header.Size();
    GvspLeader leader;
    if (GvspParseLeader(body, bodySize, leader).IsOK()) {
        const uint64_t payload = leader.ExpectedPayloadSize();
        for (uint32_t packetSize : {GVSP_MIN_PACKET_SIZE, 1500u, 9000u, GVSP_MAX_PACKET_SIZE})
            (void)GvspPayloadPacketCount(payload, GvspPayloadBytesPerPacket(packetSize, header.extendedId),
                                         header.extendedId);
    }
    GvspTrailer trailer;
    (void)GvspParseTrailer(body, bodySize, trailer);
    return 0;
}
