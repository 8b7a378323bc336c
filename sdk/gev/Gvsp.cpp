// GVSP packet builders and parsers.
#include "gev/Gvsp.h"

#include <cstdio>
#include <string>

#include "gev/ByteCursor.h"

namespace ky::gev {
namespace {

KyResult Malformed(const std::string &text) { return KyResult(KY_INVALID_DATA_FORMAT, KyString(text)); }

bool IsImageLeader(uint16_t baseType) { return baseType == static_cast<uint16_t>(GvspPayloadType::Image); }
bool IsMultiPart(uint16_t payloadType)
{
    return (payloadType & GVSP_PAYLOAD_TYPE_BASE_MASK) == static_cast<uint16_t>(GvspPayloadType::MultiPart);
}

size_t LeaderBodySize(uint16_t payloadType)
{
    const uint16_t base = payloadType & GVSP_PAYLOAD_TYPE_BASE_MASK;
    if (IsImageLeader(base))
        return GVSP_LEADER_IMAGE_SIZE;
    if (base == static_cast<uint16_t>(GvspPayloadType::RawData))
        return GVSP_LEADER_RAW_DATA_SIZE;
    return GVSP_LEADER_COMMON_SIZE;
}

// Image trailers carry the lines sent, chunk-data trailers the chunk payload length.
bool TrailerHasSizeField(uint16_t payloadType)
{
    const uint16_t base = payloadType & GVSP_PAYLOAD_TYPE_BASE_MASK;
    return IsImageLeader(base) || base == static_cast<uint16_t>(GvspPayloadType::ChunkData);
}

size_t TrailerBodySize(uint16_t payloadType)
{
    return GVSP_TRAILER_COMMON_SIZE + (TrailerHasSizeField(payloadType) ? 4 : 0) +
           ((payloadType & GVSP_PAYLOAD_TYPE_EXTENDED_CHUNK_MASK) ? GVSP_TRAILER_CHUNK_LAYOUT_SIZE : 0);
}

std::string Hex16(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

bool WriteHeader(ByteWriter &w, const GvspHeader &h)
{
    const uint8_t formatByte = static_cast<uint8_t>(
        (h.extendedId ? GVSP_EI_FLAG_MASK : 0) | (static_cast<uint8_t>(h.format) & GVSP_PACKET_FORMAT_MASK));
    if (h.extendedId) {
        return w.WriteU16(h.status) && w.WriteU16(h.flags) && w.WriteU8(formatByte) &&
               w.WriteU24(h.extendedReserved & 0xFFFFFF) && w.WriteU64(h.blockId) && w.WriteU32(h.packetId);
    }
    if (h.blockId == 0 || h.blockId > GVSP_STANDARD_BLOCK_ID_MAX || h.packetId > GVSP_STANDARD_PACKET_ID_MAX)
        return false;
    return w.WriteU16(h.status) && w.WriteU16(static_cast<uint16_t>(h.blockId)) && w.WriteU8(formatByte) &&
           w.WriteU24(h.packetId);
}

}  // namespace

uint64_t GvspLeader::ExpectedPayloadSize() const
{
    const uint16_t base = BaseType();
    if (base == static_cast<uint16_t>(GvspPayloadType::RawData))
        return payloadSize;
    if (IsMultiPart(base))
        return GvspMultiPartSize(parts);
    if (!IsImageLeader(base))
        return 0;
    const uint64_t bits = (pixelFormat & GVSP_PIXEL_BITS_MASK) >> GVSP_PIXEL_BITS_SHIFT;
    const uint64_t lineBits = bits * sizeX;
    if (bits == 0 || lineBits % 8 != 0)
        return 0;
    // bits * sizeX stays below 2^40; the image (line * sizeY + paddingY) may not fit 64 bits.
    const uint64_t line = lineBits / 8 + paddingX;
    uint64_t size = 0;
    if (__builtin_mul_overflow(line, uint64_t(sizeY), &size) ||
        __builtin_add_overflow(size, uint64_t(paddingY), &size))
        return GVSP_PAYLOAD_SIZE_TOO_LARGE;
    return size;
}

size_t GvspPayloadBytesPerPacket(uint32_t packetSize, bool extendedId)
{
    const size_t header = extendedId ? GVSP_EXTENDED_HEADER_SIZE : GVSP_STANDARD_HEADER_SIZE;
    size_t datagram = packetSize > GVSP_IP_UDP_OVERHEAD_SIZE ? packetSize - GVSP_IP_UDP_OVERHEAD_SIZE : 0;
    if (datagram > GVSP_MAX_DATAGRAM_SIZE)
        datagram = GVSP_MAX_DATAGRAM_SIZE;
    return datagram > header ? datagram - header : 0;
}

uint64_t GvspPayloadPacketCount(uint64_t payloadSize, size_t payloadBytesPerPacket, bool extendedId)
{
    if (payloadBytesPerPacket == 0)
        return 0;
    const uint64_t count =
        payloadSize / payloadBytesPerPacket + (payloadSize % payloadBytesPerPacket ? 1 : 0);
    // The trailer takes id count + 1, which must fit the id range as well.
    const uint64_t maxId = extendedId ? GVSP_EXTENDED_PACKET_ID_MAX : GVSP_STANDARD_PACKET_ID_MAX;
    return count + 1 <= maxId ? count : 0;
}

size_t GvspBuildHeader(uint8_t *buffer, size_t capacity, const GvspHeader &header)
{
    ByteWriter w(buffer, capacity);
    return WriteHeader(w, header) ? w.Position() : 0;
}

size_t GvspBuildLeader(uint8_t *buffer, size_t capacity, const GvspHeader &header, const GvspLeader &leader)
{
    ByteWriter w(buffer, capacity);
    if (!WriteHeader(w, header) || !w.WriteU16(0) || !w.WriteU16(leader.payloadType) ||
        !w.WriteU64(leader.timestamp))
        return 0;
    const size_t body = LeaderBodySize(leader.payloadType);
    if (body == GVSP_LEADER_IMAGE_SIZE) {
        w.WriteU32(leader.pixelFormat);
        w.WriteU32(leader.sizeX);
        w.WriteU32(leader.sizeY);
        w.WriteU32(leader.offsetX);
        w.WriteU32(leader.offsetY);
        w.WriteU16(leader.paddingX);
        w.WriteU16(leader.paddingY);
    } else if (body == GVSP_LEADER_RAW_DATA_SIZE) {
        w.WriteU64(leader.payloadSize);
    } else if (IsMultiPart(leader.payloadType)) {
        // Room for the descriptors is taken first, then they are written into it.
        const size_t at = w.Position();
        const size_t descriptors = leader.parts.size() * GVSP_MULTIPART_DESCRIPTOR_SIZE;
        if (leader.parts.empty() || leader.parts.size() > GVSP_MULTIPART_MAX_PARTS ||
            !w.WriteZeros(descriptors) || !GvspWritePartDescriptors(buffer + at, descriptors, leader.parts))
            return 0;
    }
    return w.Ok() ? w.Position() : 0;
}

size_t GvspBuildTrailer(uint8_t *buffer, size_t capacity, const GvspHeader &header,
                        const GvspTrailer &trailer)
{
    ByteWriter w(buffer, capacity);
    if (!WriteHeader(w, header) || !w.WriteU16(0) || !w.WriteU16(trailer.payloadType))
        return 0;
    if (TrailerHasSizeField(trailer.payloadType))
        w.WriteU32(trailer.sizeY);
    if (trailer.ExtendedChunk())
        w.WriteU32(trailer.chunkLayoutId);
    return w.Ok() ? w.Position() : 0;
}

size_t GvspBuildMultiPartPayload(uint8_t *buffer, size_t capacity, const GvspHeader &header,
                                 const GvspMultiPartInfo &info, const uint8_t *data, size_t size)
{
    ByteWriter w(buffer, capacity);
    if (!WriteHeader(w, header) || (size && !data))
        return 0;
    const size_t at = w.Position();
    if (!w.WriteZeros(GVSP_MULTIPART_INFO_SIZE) ||
        !GvspWriteMultiPartInfo(buffer + at, GVSP_MULTIPART_INFO_SIZE, info) || !w.WriteBytes(data, size))
        return 0;
    return w.Position();
}

size_t GvspBuildPayload(uint8_t *buffer, size_t capacity, const GvspHeader &header, const uint8_t *data,
                        size_t size)
{
    ByteWriter w(buffer, capacity);
    if (!WriteHeader(w, header) || (size && !data) || !w.WriteBytes(data, size))
        return 0;
    return w.Position();
}

size_t GvspBuildTestPacket(uint8_t *buffer, size_t capacity, uint32_t packetSize)
{
    if (packetSize <= GVSP_IP_UDP_OVERHEAD_SIZE + GVSP_STANDARD_HEADER_SIZE)
        return 0;
    size_t size = packetSize - GVSP_IP_UDP_OVERHEAD_SIZE;
    if (size > GVSP_MAX_DATAGRAM_SIZE)
        size = GVSP_MAX_DATAGRAM_SIZE;
    ByteWriter w(buffer, capacity);
    return w.WriteZeros(size) ? size : 0;
}

bool GvspIsTestPacket(const uint8_t *packet, size_t length)
{
    ByteReader r(packet, length);
    uint16_t status = 0, blockId = 0;
    uint8_t formatByte = 0;
    return r.ReadU16(status) && r.ReadU16(blockId) && r.ReadU8(formatByte) && blockId == 0 && formatByte == 0;
}

KyResult GvspParseHeader(const uint8_t *packet, size_t length, GvspHeader &header)
{
    ByteReader r(packet, length);
    uint16_t status = 0, second = 0;
    uint8_t formatByte = 0;
    uint32_t packetId = 0;
    if (!r.ReadU16(status) || !r.ReadU16(second) || !r.ReadU8(formatByte) || !r.ReadU24(packetId))
        return Malformed("GVSP packet of " + std::to_string(length) +
                         " bytes is shorter than its 8-byte header");
    const uint8_t format = formatByte & GVSP_PACKET_FORMAT_MASK;
    if (format < static_cast<uint8_t>(GvspPacketFormat::Leader) ||
        format > static_cast<uint8_t>(GvspPacketFormat::MultiPart))
        return Malformed("GVSP packet format " + std::to_string(format) + " is unknown");
    GvspHeader h;
    h.status = status;
    h.format = static_cast<GvspPacketFormat>(format);
    h.extendedId = (formatByte & GVSP_EI_FLAG_MASK) != 0;
    if (h.extendedId) {
        h.extendedReserved = packetId;  // the 24 bits read where standard mode has the packet id
        uint64_t blockId = 0;
        if (!r.ReadU64(blockId) || !r.ReadU32(packetId))
            return Malformed("GVSP packet of " + std::to_string(length) +
                             " bytes is shorter than its 20-byte extended-id header");
        h.flags = second;
        h.blockId = blockId;
    } else {
        h.blockId = second;
    }
    h.packetId = packetId;
    header = h;
    return KyResult();
}

KyResult GvspParseLeader(const uint8_t *body, size_t length, GvspLeader &leader)
{
    ByteReader r(body, length);
    GvspLeader l;
    if (!r.Skip(2) || !r.ReadU16(l.payloadType) || !r.ReadU64(l.timestamp))
        return Malformed("GVSP leader of " + std::to_string(length) + " bytes is shorter than 12 bytes");
    const size_t need = LeaderBodySize(l.payloadType);
    if (length < need)
        return Malformed("GVSP leader of payload type " + Hex16(l.payloadType) + " needs " +
                         std::to_string(need) + " bytes, got " + std::to_string(length));
    if (need == GVSP_LEADER_IMAGE_SIZE) {
        r.ReadU32(l.pixelFormat);
        r.ReadU32(l.sizeX);
        r.ReadU32(l.sizeY);
        r.ReadU32(l.offsetX);
        r.ReadU32(l.offsetY);
        r.ReadU16(l.paddingX);
        r.ReadU16(l.paddingY);
    } else if (need == GVSP_LEADER_RAW_DATA_SIZE) {
        r.ReadU64(l.payloadSize);
    } else if (IsMultiPart(l.payloadType)) {
        KyResult parts = GvspReadPartDescriptors(body + GVSP_LEADER_COMMON_SIZE,
                                                 length - GVSP_LEADER_COMMON_SIZE, l.parts);
        if (parts.IsFailure())
            return parts;
    }
    leader = std::move(l);
    return KyResult();
}

KyResult GvspParseTrailer(const uint8_t *body, size_t length, GvspTrailer &trailer)
{
    ByteReader r(body, length);
    GvspTrailer t;
    if (!r.Skip(2) || !r.ReadU16(t.payloadType))
        return Malformed("GVSP trailer of " + std::to_string(length) + " bytes is shorter than 4 bytes");
    const size_t need = TrailerBodySize(t.payloadType);
    if (length < need)
        return Malformed("GVSP trailer of payload type " + Hex16(t.payloadType) + " needs " +
                         std::to_string(need) + " bytes, got " + std::to_string(length));
    if (TrailerHasSizeField(t.payloadType))
        r.ReadU32(t.sizeY);
    if (t.ExtendedChunk())
        r.ReadU32(t.chunkLayoutId);
    trailer = t;
    return KyResult();
}

const char *GvspPacketFormatName(GvspPacketFormat format)
{
    switch (format) {
    case GvspPacketFormat::Leader:
        return "leader";
    case GvspPacketFormat::Trailer:
        return "trailer";
    case GvspPacketFormat::Payload:
        return "payload";
    case GvspPacketFormat::AllIn:
        return "all-in";
    case GvspPacketFormat::H264:
        return "H.264";
    case GvspPacketFormat::MultiZone:
        return "multi-zone";
    case GvspPacketFormat::MultiPart:
        return "multi-part";
    }
    return "unknown";
}

}  // namespace ky::gev
