// GVSP, the GigE Vision streaming protocol: every number of the wire format, and builder /
// parser pairs for each packet kind, shared by the sender of the software device and the
// receiver of the stream library.
//
// A block (one image or other payload) travels as a leader (packet id 0), payload packets
// (ids 1..N, each carrying PayloadBytesPerPacket bytes except the last) and a trailer (id N+1).
// Standard ids: 16-bit block id (0 never used), 24-bit packet id, 8-byte header.
// Extended ids (EI flag): 64-bit block id, 32-bit packet id, 20-byte header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gev/GvspMultiPart.h"
#include "ky/base/KyResult.h"

namespace ky::gev {

// Packet header.
constexpr size_t GVSP_STANDARD_HEADER_SIZE = 8;
constexpr size_t GVSP_EXTENDED_HEADER_SIZE = 20;
constexpr uint8_t GVSP_EI_FLAG_MASK = 0x80;
constexpr uint8_t GVSP_PACKET_FORMAT_MASK = 0x0F;
constexpr uint32_t GVSP_STANDARD_PACKET_ID_MAX = 0xFFFFFF;
constexpr uint32_t GVSP_EXTENDED_PACKET_ID_MAX = 0xFFFFFFFF;
constexpr uint64_t GVSP_STANDARD_BLOCK_ID_MAX = 0xFFFF;

// Whether ids need the extended-ID layout (64-bit block ids, 32-bit packet ids): the one place
// that decides it for streams, events and resend requests.
constexpr bool NeedsExtendedId(uint64_t blockId, uint32_t packetId = 0)
{
    return blockId > GVSP_STANDARD_BLOCK_ID_MAX || packetId > GVSP_STANDARD_PACKET_ID_MAX;
}

// Sizes around a GVSP datagram: a stream channel's packet size (SCPS) counts the IP and UDP headers.
constexpr size_t GVSP_IP_UDP_OVERHEAD_SIZE = 28;
constexpr size_t GVSP_MAX_DATAGRAM_SIZE = 65507;
constexpr uint32_t GVSP_MIN_PACKET_SIZE = 576;
constexpr uint32_t GVSP_MAX_PACKET_SIZE = 65535;

// Leader and trailer bodies (after the header).
constexpr size_t GVSP_LEADER_COMMON_SIZE = 12;  // reserved, payload type, timestamp
constexpr size_t GVSP_LEADER_IMAGE_SIZE = 36;
constexpr size_t GVSP_LEADER_RAW_DATA_SIZE = 20;      // + 64-bit payload size
constexpr size_t GVSP_TRAILER_COMMON_SIZE = 4;        // reserved, payload type
constexpr size_t GVSP_TRAILER_IMAGE_SIZE = 8;         // + size y
constexpr size_t GVSP_TRAILER_CHUNK_DATA_SIZE = 8;    // + chunk data payload length
constexpr size_t GVSP_TRAILER_CHUNK_LAYOUT_SIZE = 4;  // extended chunk: + chunk layout id
constexpr size_t GVSP_MAX_LEADER_PACKET_SIZE = GVSP_EXTENDED_HEADER_SIZE + GVSP_LEADER_IMAGE_SIZE;
constexpr size_t GVSP_MAX_TRAILER_PACKET_SIZE =
    GVSP_EXTENDED_HEADER_SIZE + GVSP_TRAILER_IMAGE_SIZE + GVSP_TRAILER_CHUNK_LAYOUT_SIZE;

// Pixel format: bits per pixel sit in bits 16..23.
constexpr uint32_t GVSP_PIXEL_BITS_MASK = 0x00FF0000;
constexpr uint32_t GVSP_PIXEL_BITS_SHIFT = 16;

enum class GvspPacketFormat : uint8_t {
    Leader = 1,
    Trailer = 2,
    Payload = 3,
    AllIn = 4,
    H264 = 5,
    MultiZone = 6,
    MultiPart = 7,
};

// Payload type of a block; the extended-chunk flag may be combined with Image and RawData.
enum class GvspPayloadType : uint16_t {
    Image = 0x0001,
    RawData = 0x0002,
    File = 0x0003,
    ChunkData = 0x0004,
    ExtendedChunkData = 0x0005,
    Jpeg = 0x0006,
    Jpeg2000 = 0x0007,
    H264 = 0x0008,
    MultiZoneImage = 0x0009,
    MultiPart = 0x000A,
};
constexpr uint16_t GVSP_PAYLOAD_TYPE_EXTENDED_CHUNK_MASK = 0x4000;
constexpr uint16_t GVSP_PAYLOAD_TYPE_BASE_MASK = 0x3FFF;

// Status in a packet header. A resent packet says Resend; a resend the sender cannot serve
// comes back as a header-only packet with one of the "unavailable" statuses.
enum class GvspStatus : uint16_t {
    Success = 0x0000,
    Resend = 0x0100,
    NotImplemented = 0x8001,
    InvalidParameter = 0x8002,
    PacketUnavailable = 0x800C,
    DataOverrun = 0x800D,
    PacketNotYetAvailable = 0x8012,
    PacketAndPreviousRemovedFromMemory = 0x8013,
    PacketRemovedFromMemory = 0x8014,
    Error = 0x8FFF,
};
constexpr uint16_t GVSP_STATUS_ERROR_MASK = 0x8000;

struct GvspHeader
{
    uint16_t status = 0;
    uint64_t blockId = 0;
    GvspPacketFormat format = GvspPacketFormat::Payload;
    uint32_t packetId = 0;
    bool extendedId = false;
    uint16_t flags = 0;  // extended ids only: the 16 bits that carry the block id in standard mode
    // Extended ids only: the 24 bits after the packet format, which carry the packet id in
    // standard mode; a multi-part leader gives its part count in the low 8 bits.
    uint32_t extendedReserved = 0;

    size_t Size() const { return extendedId ? GVSP_EXTENDED_HEADER_SIZE : GVSP_STANDARD_HEADER_SIZE; }
};

// What GvspLeader::ExpectedPayloadSize gives for a leader whose size 64 bits cannot count: larger
// than every buffer, so such a block always ends as too large for its buffer.
constexpr uint64_t GVSP_PAYLOAD_SIZE_TOO_LARGE = ~uint64_t(0);

struct GvspLeader
{
    uint16_t payloadType = static_cast<uint16_t>(GvspPayloadType::Image);
    uint64_t timestamp = 0;
    // Image and extended-chunk image payloads.
    uint32_t pixelFormat = 0;
    uint32_t sizeX = 0;
    uint32_t sizeY = 0;
    uint32_t offsetX = 0;
    uint32_t offsetY = 0;
    uint16_t paddingX = 0;
    uint16_t paddingY = 0;
    // Raw data payloads.
    uint64_t payloadSize = 0;
    // Multi-part payloads (see GvspMultiPart.h).
    std::vector<GvspPartDescriptor> parts;

    uint16_t BaseType() const { return payloadType & GVSP_PAYLOAD_TYPE_BASE_MASK; }
    bool ExtendedChunk() const { return (payloadType & GVSP_PAYLOAD_TYPE_EXTENDED_CHUNK_MASK) != 0; }
    // Payload bytes the block carries, from the leader alone (a multi-part block: its parts
    // together); 0 when the leader does not say (chunk data, an unknown pixel size); GVSP_PAYLOAD_SIZE_TOO_LARGE when it says 2^64 - 1
    // bytes or more, which no buffer holds.
    uint64_t ExpectedPayloadSize() const;
};

struct GvspTrailer
{
    uint16_t payloadType = static_cast<uint16_t>(GvspPayloadType::Image);
    uint32_t sizeY = 0;          // image: lines actually sent; chunk data: payload length
    uint32_t chunkLayoutId = 0;  // extended chunk only

    bool ExtendedChunk() const { return (payloadType & GVSP_PAYLOAD_TYPE_EXTENDED_CHUNK_MASK) != 0; }
};

// Bytes of payload one data packet carries for a stream channel packet size (SCPS, IP and UDP
// headers included); 0 when the packet size is too small for a header.
size_t GvspPayloadBytesPerPacket(uint32_t packetSize, bool extendedId);
// Number of payload packets for a payload size; 0 when it does not fit the packet id range.
uint64_t GvspPayloadPacketCount(uint64_t payloadSize, size_t payloadBytesPerPacket, bool extendedId);

// Builders write one whole packet into [buffer, buffer + capacity) and give its length, or 0
// when the packet does not fit or a field is out of range (block id 0 or over 16 bits, packet id
// over 24 bits in standard mode).
size_t GvspBuildHeader(uint8_t *buffer, size_t capacity, const GvspHeader &header);
size_t GvspBuildLeader(uint8_t *buffer, size_t capacity, const GvspHeader &header, const GvspLeader &leader);
size_t GvspBuildTrailer(uint8_t *buffer, size_t capacity, const GvspHeader &header,
                        const GvspTrailer &trailer);
size_t GvspBuildPayload(uint8_t *buffer, size_t capacity, const GvspHeader &header, const uint8_t *data,
                        size_t size);
// A multi-part data packet (header format MultiPart): the part information, then the data.
size_t GvspBuildMultiPartPayload(uint8_t *buffer, size_t capacity, const GvspHeader &header,
                                 const GvspMultiPartInfo &info, const uint8_t *data, size_t size);
// A test packet: a standard header of zeros (block id 0 marks it) padded with zeros to the
// datagram size of the given packet size.
size_t GvspBuildTestPacket(uint8_t *buffer, size_t capacity, uint32_t packetSize);

// Parsers take the received length. They answer KY_INVALID_DATA_FORMAT with a description for
// short or inconsistent packets.
KyResult GvspParseHeader(const uint8_t *packet, size_t length, GvspHeader &header);
// The body starts after the header (header.Size()).
KyResult GvspParseLeader(const uint8_t *body, size_t length, GvspLeader &leader);
KyResult GvspParseTrailer(const uint8_t *body, size_t length, GvspTrailer &trailer);
// A test packet: at least a standard header, no EI flag, block id 0 and packet format 0.
bool GvspIsTestPacket(const uint8_t *packet, size_t length);

const char *GvspPacketFormatName(GvspPacketFormat format);

// One line for logs: the header decoded (or why it is not readable) and the first bytes in hex.
std::string DescribeGvsp(const uint8_t *data, size_t size, size_t maxHexBytes = 32);

}  // namespace ky::gev
