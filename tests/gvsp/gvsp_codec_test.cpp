// GVSP codec: every builder against its parser, and the packets a parser must refuse.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gev/Gvsp.h"

using namespace ky::gev;

namespace {

GvspHeader Header(bool extended, GvspPacketFormat format, uint64_t blockId, uint32_t packetId)
{
    GvspHeader h;
    h.extendedId = extended;
    h.format = format;
    h.blockId = blockId;
    h.packetId = packetId;
    h.status = static_cast<uint16_t>(GvspStatus::Resend);
    return h;
}

void ExpectSameHeader(const GvspHeader &a, const GvspHeader &b)
{
    EXPECT_EQ(a.status, b.status);
    EXPECT_EQ(a.blockId, b.blockId);
    EXPECT_EQ(a.format, b.format);
    EXPECT_EQ(a.packetId, b.packetId);
    EXPECT_EQ(a.extendedId, b.extendedId);
    EXPECT_EQ(a.flags, b.flags);
}

}  // namespace

TEST(GvspCodec, HeaderRoundTrips)
{
    const GvspHeader cases[] = {
        Header(false, GvspPacketFormat::Leader, 1, 0),
        Header(false, GvspPacketFormat::Payload, 0xFFFF, GVSP_STANDARD_PACKET_ID_MAX),
        Header(false, GvspPacketFormat::Trailer, 0x1234, 0x56789A),
        Header(true, GvspPacketFormat::Leader, 0, 0),
        Header(true, GvspPacketFormat::Payload, 0x0123456789ABCDEFull, GVSP_EXTENDED_PACKET_ID_MAX),
        Header(true, GvspPacketFormat::Trailer, 1ull << 40, 0x01000000),
    };
    for (const auto &h : cases) {
        uint8_t buffer[GVSP_EXTENDED_HEADER_SIZE + 1];
        const size_t size = GvspBuildHeader(buffer, sizeof buffer, h);
        ASSERT_EQ(size, h.Size());
        GvspHeader parsed;
        ASSERT_TRUE(GvspParseHeader(buffer, size, parsed).IsOK());
        ExpectSameHeader(parsed, h);
        EXPECT_EQ(GvspBuildHeader(buffer, size - 1, h), 0u) << "must not fit one byte short";
    }
}

TEST(GvspCodec, HeaderWireBytes)
{
    uint8_t buffer[GVSP_EXTENDED_HEADER_SIZE];
    ASSERT_EQ(
        GvspBuildHeader(buffer, sizeof buffer, Header(false, GvspPacketFormat::Trailer, 0x0102, 0x030405)),
        8u);
    const uint8_t standard[] = {0x01, 0x00, 0x01, 0x02, 0x02, 0x03, 0x04, 0x05};
    EXPECT_EQ(0, std::memcmp(buffer, standard, sizeof standard));

    ASSERT_EQ(
        GvspBuildHeader(buffer, sizeof buffer, Header(true, GvspPacketFormat::Payload, 0x0A0B, 0x0C0D0E0F)),
        20u);
    const uint8_t extended[] = {0x01, 0x00, 0x00, 0x00, 0x83, 0x00, 0x00, 0x00, 0,    0,
                                0,    0,    0,    0,    0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
    EXPECT_EQ(0, std::memcmp(buffer, extended, sizeof extended));
}

TEST(GvspCodec, BuilderRefusesOutOfRangeStandardIds)
{
    uint8_t buffer[64];
    EXPECT_EQ(GvspBuildHeader(buffer, sizeof buffer, Header(false, GvspPacketFormat::Leader, 0, 0)), 0u);
    EXPECT_EQ(GvspBuildHeader(buffer, sizeof buffer, Header(false, GvspPacketFormat::Leader, 0x10000, 0)),
              0u);
    EXPECT_EQ(GvspBuildHeader(buffer, sizeof buffer, Header(false, GvspPacketFormat::Payload, 1, 0x1000000)),
              0u);
    EXPECT_EQ(
        GvspBuildPayload(buffer, sizeof buffer, Header(false, GvspPacketFormat::Payload, 1, 1), nullptr, 4),
        0u);
}

TEST(GvspCodec, LeaderRoundTrips)
{
    GvspLeader image;
    image.timestamp = 0x0102030405060708ull;
    image.pixelFormat = KyPixelBayerRG8;
    image.sizeX = 2448;
    image.sizeY = 2048;
    image.offsetX = 8;
    image.offsetY = 16;
    image.paddingX = 3;
    image.paddingY = 5;
    GvspLeader extendedChunk = image;
    extendedChunk.payloadType =
        static_cast<uint16_t>(GvspPayloadType::Image) | GVSP_PAYLOAD_TYPE_EXTENDED_CHUNK_MASK;
    GvspLeader raw;
    raw.payloadType = static_cast<uint16_t>(GvspPayloadType::RawData);
    raw.timestamp = 42;
    raw.payloadSize = 0x100000001ull;
    GvspLeader chunk;
    chunk.payloadType = static_cast<uint16_t>(GvspPayloadType::ChunkData);
    chunk.timestamp = 7;

    const struct
    {
        GvspLeader leader;
        size_t body;
        uint64_t expectedPayload;
    } cases[] = {
        {image, GVSP_LEADER_IMAGE_SIZE, (2448ull + 3) * 2048 + 5},
        {extendedChunk, GVSP_LEADER_IMAGE_SIZE, (2448ull + 3) * 2048 + 5},
        {raw, GVSP_LEADER_RAW_DATA_SIZE, 0x100000001ull},
        {chunk, GVSP_LEADER_COMMON_SIZE, 0},
    };
    for (bool extended : {false, true}) {
        for (const auto &c : cases) {
            const GvspHeader h = Header(extended, GvspPacketFormat::Leader, 9, 0);
            uint8_t buffer[GVSP_MAX_LEADER_PACKET_SIZE];
            const size_t size = GvspBuildLeader(buffer, sizeof buffer, h, c.leader);
            ASSERT_EQ(size, h.Size() + c.body);
            GvspHeader ph;
            ASSERT_TRUE(GvspParseHeader(buffer, size, ph).IsOK());
            ExpectSameHeader(ph, h);
            GvspLeader pl;
            ASSERT_TRUE(GvspParseLeader(buffer + ph.Size(), size - ph.Size(), pl).IsOK());
            EXPECT_EQ(pl.payloadType, c.leader.payloadType);
            EXPECT_EQ(pl.timestamp, c.leader.timestamp);
            EXPECT_EQ(pl.pixelFormat, c.leader.pixelFormat);
            EXPECT_EQ(pl.sizeX, c.leader.sizeX);
            EXPECT_EQ(pl.sizeY, c.leader.sizeY);
            EXPECT_EQ(pl.offsetX, c.leader.offsetX);
            EXPECT_EQ(pl.offsetY, c.leader.offsetY);
            EXPECT_EQ(pl.paddingX, c.leader.paddingX);
            EXPECT_EQ(pl.paddingY, c.leader.paddingY);
            EXPECT_EQ(pl.payloadSize, c.leader.payloadSize);
            EXPECT_EQ(pl.ExtendedChunk(), c.leader.ExtendedChunk());
            EXPECT_EQ(pl.ExpectedPayloadSize(), c.expectedPayload);
        }
    }
}

TEST(GvspCodec, TrailerAndPayloadRoundTrips)
{
    const struct
    {
        uint16_t payloadType;
        size_t body;
    } cases[] = {
        {0x0001, 8}, {0x4001, 12}, {0x0002, 4}, {0x4002, 8}, {0x0004, 8},
    };
    for (const auto &c : cases) {
        GvspTrailer t;
        t.payloadType = c.payloadType;
        t.sizeY = (c.payloadType & 0xFF) == 2 ? 0 : 1080;
        t.chunkLayoutId = t.ExtendedChunk() ? 0xC0FFEE : 0;
        const GvspHeader h = Header(false, GvspPacketFormat::Trailer, 3, 100);
        uint8_t buffer[GVSP_MAX_TRAILER_PACKET_SIZE];
        const size_t size = GvspBuildTrailer(buffer, sizeof buffer, h, t);
        ASSERT_EQ(size, 8 + c.body) << c.payloadType;
        GvspTrailer pt;
        ASSERT_TRUE(GvspParseTrailer(buffer + 8, size - 8, pt).IsOK());
        EXPECT_EQ(pt.payloadType, t.payloadType);
        EXPECT_EQ(pt.sizeY, t.sizeY);
        EXPECT_EQ(pt.chunkLayoutId, t.chunkLayoutId);
    }

    const uint8_t data[] = {1, 2, 3, 4, 5};
    uint8_t buffer[64];
    const size_t size =
        GvspBuildPayload(buffer, sizeof buffer, Header(true, GvspPacketFormat::Payload, 5, 2), data, 5);
    ASSERT_EQ(size, 25u);
    EXPECT_EQ(0, std::memcmp(buffer + 20, data, 5));
}

TEST(GvspCodec, TestPacket)
{
    std::vector<uint8_t> buffer(9000, 0xFF);
    const size_t size = GvspBuildTestPacket(buffer.data(), buffer.size(), 1500);
    ASSERT_EQ(size, 1472u);
    EXPECT_TRUE(GvspIsTestPacket(buffer.data(), size));
    for (size_t i = 0; i < size; ++i)
        ASSERT_EQ(buffer[i], 0) << i;
    EXPECT_EQ(GvspBuildTestPacket(buffer.data(), 1000, 1500), 0u) << "does not fit";
    EXPECT_EQ(GvspBuildTestPacket(buffer.data(), buffer.size(), 30), 0u) << "no room for a header";
    EXPECT_FALSE(GvspIsTestPacket(buffer.data(), 4));
    GvspHeader parsed;
    EXPECT_EQ(GvspParseHeader(buffer.data(), size, parsed), KY_INVALID_DATA_FORMAT);
}

TEST(GvspCodec, PacketSizes)
{
    EXPECT_EQ(GvspPayloadBytesPerPacket(1500, false), 1464u);
    EXPECT_EQ(GvspPayloadBytesPerPacket(1500, true), 1452u);
    EXPECT_EQ(GvspPayloadBytesPerPacket(9000, false), 8964u);
    EXPECT_EQ(GvspPayloadBytesPerPacket(36, false), 0u);
    EXPECT_EQ(GvspPayloadBytesPerPacket(65535, false), 65499u);
    EXPECT_EQ(GvspPayloadPacketCount(2448 * 2048, 8964, false), 560u);
    EXPECT_EQ(GvspPayloadPacketCount(0, 8964, false), 0u);
    EXPECT_EQ(GvspPayloadPacketCount(100, 0, false), 0u);
    EXPECT_EQ(GvspPayloadPacketCount(0xFFFFFEull * 10, 10, false), 0xFFFFFEu);
    EXPECT_EQ(GvspPayloadPacketCount(0xFFFFFFull * 10, 10, false), 0u) << "the trailer id would not fit";
    EXPECT_EQ(GvspPayloadPacketCount(0xFFFFFFull * 10, 10, true), 0xFFFFFFu);
}

TEST(GvspCodec, MalformedPacketsAreRefused)
{
    const struct
    {
        std::vector<uint8_t> bytes;
        int what;  // 0 header, 1 leader body, 2 trailer body
        const char *message;
    } cases[] = {
        {{}, 0, "GVSP packet of 0 bytes is shorter than its 8-byte header"},
        {{0, 0, 0, 1, 1, 0, 0}, 0, "GVSP packet of 7 bytes is shorter than its 8-byte header"},
        {{0, 0, 0, 1, 0x00, 0, 0, 0}, 0, "GVSP packet format 0 is unknown"},
        {{0, 0, 0, 1, 0x0F, 0, 0, 0}, 0, "GVSP packet format 15 is unknown"},
        {{0, 0, 0, 1, 0x81, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0},
         0,
         "GVSP packet of 19 bytes is shorter than its 20-byte extended-id header"},
        {{0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, 1, "GVSP leader of 11 bytes is shorter than 12 bytes"},
        {{0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         1,
         "GVSP leader of payload type 0x0001 needs 36 bytes, got 16"},
        {{0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         1,
         "GVSP leader of payload type 0x0002 needs 20 bytes, got 16"},
        {{0, 0, 0}, 2, "GVSP trailer of 3 bytes is shorter than 4 bytes"},
        {{0, 0, 0, 1, 0, 0, 0}, 2, "GVSP trailer of payload type 0x0001 needs 8 bytes, got 7"},
        {{0, 0, 0x40, 1, 0, 0, 0, 1}, 2, "GVSP trailer of payload type 0x4001 needs 12 bytes, got 8"},
    };
    for (const auto &c : cases) {
        KyResult result;
        if (c.what == 0) {
            GvspHeader h;
            h.blockId = 99;
            result = GvspParseHeader(c.bytes.data(), c.bytes.size(), h);
            EXPECT_EQ(h.blockId, 99u) << "untouched on failure";
        } else if (c.what == 1) {
            GvspLeader l;
            result = GvspParseLeader(c.bytes.data(), c.bytes.size(), l);
        } else {
            GvspTrailer t;
            result = GvspParseTrailer(c.bytes.data(), c.bytes.size(), t);
        }
        EXPECT_EQ(result.GetCode(), KY_INVALID_DATA_FORMAT) << c.message;
        EXPECT_STREQ(result.GetDescription().GetAscii(), c.message);
    }
}

TEST(GvspCodec, DumpsForLogs)
{
    uint8_t packet[GVSP_MAX_LEADER_PACKET_SIZE];
    GvspHeader h;
    h.blockId = 258;
    h.format = GvspPacketFormat::Leader;
    const size_t size = GvspBuildLeader(packet, sizeof packet, h, GvspLeader());
    EXPECT_EQ(DescribeGvsp(packet, size, 4),
              "GVSP leader block=258 packet=0 status=0x0000 (44 bytes) | 00 00 01 02 ...");
    h.extendedId = true;
    h.format = GvspPacketFormat::Payload;
    h.packetId = 7;
    h.status = 0x0100;
    EXPECT_EQ(DescribeGvsp(packet, GvspBuildHeader(packet, sizeof packet, h), 0),
              "GVSP payload block=258 packet=7 status=0x0100 extended (20 bytes)");
    EXPECT_EQ(DescribeGvsp(packet, 3),
              "GVSP ! GVSP packet of 3 bytes is shorter than its 8-byte header | 01 00 00");
    EXPECT_EQ(DescribeGvsp(nullptr, 10), "GVSP ! no data");
    std::vector<uint8_t> test(100);
    EXPECT_EQ(DescribeGvsp(test.data(), GvspBuildTestPacket(test.data(), test.size(), 100), 2),
              "GVSP test packet (72 bytes) | 00 00 ...");
}
