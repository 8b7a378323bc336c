// The reading half of the TCP framing on bytes alone: whole packets come out however the bytes
// are split; a length of 0 or above the largest packet is malformed at once, before the packet's
// bytes arrive.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "gev/TcpPacketSocket.h"

namespace {

using ky::gev::TCP_MAX_PACKET_SIZE;
using ky::gev::TcpFrameReader;
using Result = TcpFrameReader::Result;

std::vector<uint8_t> Frame(size_t length, uint8_t fill)
{
    std::vector<uint8_t> frame{static_cast<uint8_t>(length >> 24), static_cast<uint8_t>(length >> 16),
                               static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    frame.resize(4 + length, fill);
    return frame;
}

// Feeds `bytes` in pieces of `piece` bytes and collects every packet, up to a malformed length.
Result Feed(TcpFrameReader &reader, const std::vector<uint8_t> &bytes, size_t piece,
            std::vector<std::vector<uint8_t>> &packets)
{
    for (size_t at = 0; at < bytes.size();) {
        size_t capacity = 0;
        uint8_t *room = reader.Room(capacity);
        const size_t take = std::min({piece, capacity, bytes.size() - at});
        EXPECT_GT(take, 0u);
        std::memcpy(room, bytes.data() + at, take);
        reader.Commit(take);
        at += take;
        const uint8_t *data = nullptr;
        size_t length = 0;
        for (;;) {
            const Result result = reader.Next(data, length);
            if (result == Result::Malformed)
                return result;
            if (result == Result::NeedMore)
                break;
            packets.emplace_back(data, data + length);
        }
    }
    return Result::NeedMore;
}

TEST(TcpFrameReader, WholePacketsComeOutHoweverTheBytesAreSplit)
{
    const std::vector<size_t> lengths = {1, 44, 1500, 9000, TCP_MAX_PACKET_SIZE, 8, TCP_MAX_PACKET_SIZE, 3};
    std::vector<uint8_t> stream;
    for (size_t i = 0; i < lengths.size(); ++i) {
        const std::vector<uint8_t> frame = Frame(lengths[i], static_cast<uint8_t>(i + 1));
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    for (size_t piece : {size_t(1), size_t(3), size_t(4), size_t(1000), size_t(65536), stream.size()}) {
        SCOPED_TRACE(piece);
        TcpFrameReader reader;
        std::vector<std::vector<uint8_t>> packets;
        EXPECT_EQ(Feed(reader, stream, piece, packets), Result::NeedMore);
        ASSERT_EQ(packets.size(), lengths.size());
        for (size_t i = 0; i < lengths.size(); ++i) {
            ASSERT_EQ(packets[i].size(), lengths[i]);
            EXPECT_TRUE(std::all_of(packets[i].begin(), packets[i].end(),
                                    [&](uint8_t b) { return b == static_cast<uint8_t>(i + 1); }));
        }
        EXPECT_EQ(reader.Buffered(), 0u);
    }
}

TEST(TcpFrameReader, BadLengthsAreMalformedBeforeTheirBytes)
{
    struct Case
    {
        const char *name;
        std::vector<uint8_t> bytes;
        size_t packetsBefore;
    };
    std::vector<uint8_t> afterOne = Frame(10, 7);
    const std::vector<uint8_t> zero = {0, 0, 0, 0};
    afterOne.insert(afterOne.end(), zero.begin(), zero.end());
    const Case cases[] = {
        {"empty packet", {0, 0, 0, 0, 0x42}, 0},
        {"one above the largest", Frame(TCP_MAX_PACKET_SIZE + 1, 1), 0},
        {"largest 32-bit length", {0xFF, 0xFF, 0xFF, 0xFF}, 0},
        {"high bit", {0x80, 0x00, 0x00, 0x10}, 0},
        {"empty after a good one", afterOne, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TcpFrameReader reader;
        std::vector<std::vector<uint8_t>> packets;
        // Only the length is fed first: it is refused before any packet byte.
        const size_t head = c.packetsBefore == 0 ? 4 : c.bytes.size();
        const std::vector<uint8_t> first(c.bytes.begin(),
                                         c.bytes.begin() + static_cast<std::ptrdiff_t>(head));
        EXPECT_EQ(Feed(reader, first, 4096, packets), Result::Malformed);
        EXPECT_EQ(packets.size(), c.packetsBefore);
    }
}

TEST(TcpFrameReader, AnUnfinishedPacketWaits)
{
    TcpFrameReader reader;
    std::vector<std::vector<uint8_t>> packets;
    std::vector<uint8_t> frame = Frame(100, 9);
    frame.resize(50);
    EXPECT_EQ(Feed(reader, frame, 7, packets), Result::NeedMore);
    EXPECT_TRUE(packets.empty());
    EXPECT_EQ(reader.Buffered(), 50u);
}

}  // namespace
