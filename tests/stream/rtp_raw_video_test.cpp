#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "RtpTestPackets.h"
#include "rtp/RtpRawVideoDepacketizer.h"

using ky::stream::ParseRtpPacket;
using ky::stream::RtpFrame;
using ky::stream::RtpPacket;
using ky::stream::RtpParseStatus;
using ky::stream::RtpRawVideoDepacketizer;
using ky::stream::RtpRawVideoFormat;

namespace {

struct Segment
{
    unsigned line, offset;  // offset in pixels
    std::vector<std::uint8_t> data;
};

// One RFC 4175 payload: extended sequence number, the line headers, then the segments' data.
std::vector<std::uint8_t> RawPayload(const std::vector<Segment> &segments)
{
    std::vector<std::uint8_t> v;
    rtp_test::PutU16(v, 0);
    for (std::size_t i = 0; i < segments.size(); ++i) {
        rtp_test::PutU16(v, static_cast<unsigned>(segments[i].data.size()));
        rtp_test::PutU16(v, segments[i].line);
        rtp_test::PutU16(v, segments[i].offset | (i + 1 < segments.size() ? 0x8000u : 0u));
    }
    for (const auto &s : segments)
        v.insert(v.end(), s.data.begin(), s.data.end());
    return v;
}

// 4x3 RGB frame whose byte i has value i.
constexpr RtpRawVideoFormat RGB_4x3{4, 3, 3, 1};

std::vector<std::uint8_t> Reference()
{
    std::vector<std::uint8_t> f(36);
    for (std::size_t i = 0; i < f.size(); ++i)
        f[i] = static_cast<std::uint8_t>(i + 1);
    return f;
}

std::vector<std::uint8_t> Bytes(const std::vector<std::uint8_t> &f, std::size_t at, std::size_t n)
{
    return {f.begin() + static_cast<std::ptrdiff_t>(at), f.begin() + static_cast<std::ptrdiff_t>(at + n)};
}

struct Feeder
{
    RtpRawVideoDepacketizer depacketizer{RGB_4x3};
    std::uint16_t sequence = 100;

    void Send(const std::vector<std::uint8_t> &payload, std::uint32_t timestamp, bool marker,
              bool skipSequence = false)
    {
        if (skipSequence)
            ++sequence;
        rtp_test::Header h;
        h.sequence = sequence++;
        h.timestamp = timestamp;
        h.marker = marker;
        const auto bytes = rtp_test::Packet(h, payload);
        RtpPacket p;
        ASSERT_EQ(ParseRtpPacket(bytes.data(), bytes.size(), p), RtpParseStatus::Ok);
        depacketizer.Push(p);
    }
};

}  // namespace

TEST(RtpRawVideo, ReassemblesLinesSplitAcrossPacketsAndSharedPackets)
{
    const auto ref = Reference();
    Feeder f;
    // Line 0 whole; line 1 split in two packets, the second half sharing a packet with line 2.
    f.Send(RawPayload({{0, 0, Bytes(ref, 0, 12)}}), 9000, false);
    f.Send(RawPayload({{1, 0, Bytes(ref, 12, 6)}}), 9000, false);
    f.Send(RawPayload({{1, 2, Bytes(ref, 18, 6)}, {2, 0, Bytes(ref, 24, 12)}}), 9000, true);
    RtpFrame frame;
    ASSERT_TRUE(f.depacketizer.TakeFrame(frame));
    EXPECT_TRUE(frame.complete);
    EXPECT_EQ(frame.timestamp, 9000u);
    EXPECT_EQ(frame.lostPackets, 0u);
    EXPECT_EQ(frame.data, ref);
    EXPECT_FALSE(f.depacketizer.TakeFrame(frame));
}

TEST(RtpRawVideo, CountsLostPacketsAndLeavesTheGapEmpty)
{
    const auto ref = Reference();
    Feeder f;
    f.Send(RawPayload({{0, 0, Bytes(ref, 0, 12)}}), 1, false);
    f.Send(RawPayload({{2, 0, Bytes(ref, 24, 12)}}), 1, true, /*skipSequence=*/true);
    RtpFrame frame;
    ASSERT_TRUE(f.depacketizer.TakeFrame(frame));
    EXPECT_FALSE(frame.complete);
    EXPECT_EQ(frame.lostPackets, 1u);
    EXPECT_EQ(Bytes(frame.data, 0, 12), Bytes(ref, 0, 12));
    EXPECT_EQ(Bytes(frame.data, 12, 12), std::vector<std::uint8_t>(12, 0));
}

TEST(RtpRawVideo, LostMarkerEndsFrameOnNextTimestamp)
{
    const auto ref = Reference();
    Feeder f;
    f.Send(RawPayload({{0, 0, Bytes(ref, 0, 12)}}), 1, false);
    f.Send(RawPayload({{0, 0, Bytes(ref, 0, 12)}, {1, 0, Bytes(ref, 12, 12)}, {2, 0, Bytes(ref, 24, 12)}}), 2,
           true, /*skipSequence=*/true);
    RtpFrame first, second;
    ASSERT_TRUE(f.depacketizer.TakeFrame(first));
    ASSERT_TRUE(f.depacketizer.TakeFrame(second));
    EXPECT_FALSE(first.complete);
    EXPECT_EQ(first.timestamp, 1u);
    EXPECT_TRUE(second.complete);
    EXPECT_EQ(second.timestamp, 2u);
    EXPECT_EQ(second.data, ref);
}

TEST(RtpRawVideo, RejectsSegmentsThatDoNotFitWithoutWriting)
{
    struct Case
    {
        const char *what;
        std::vector<std::uint8_t> payload;
    };
    const std::vector<std::uint8_t> pixel(3, 0xEE);
    auto truncated = RawPayload({{0, 0, std::vector<std::uint8_t>(12, 0xEE)}});
    truncated.resize(truncated.size() - 1);
    std::vector<std::uint8_t> headerCut = RawPayload({{0, 0, pixel}});
    headerCut.resize(5);
    const std::vector<Case> cases = {
        {"line past the last", RawPayload({{3, 0, pixel}})},
        {"line number at the 15-bit limit", RawPayload({{0x7FFF, 0, pixel}})},
        {"offset past the width", RawPayload({{0, 4, pixel}})},
        {"segment runs off the line", RawPayload({{0, 2, std::vector<std::uint8_t>(9, 0xEE)}})},
        {"length not whole pixel groups", RawPayload({{0, 0, std::vector<std::uint8_t>(4, 0xEE)}})},
        {"data shorter than the length", truncated},
        {"line header cut", headerCut},
        {"continuation with no next header", {0, 0, 0, 3, 0, 0, 0x80, 0}},
        {"empty payload", {}},
    };
    for (const Case &c : cases) {
        Feeder f;
        f.Send(c.payload, 5, true);
        RtpFrame frame;
        ASSERT_TRUE(f.depacketizer.TakeFrame(frame)) << c.what;
        EXPECT_FALSE(frame.complete) << c.what;
        EXPECT_EQ(frame.rejectedPackets, 1u) << c.what;
        EXPECT_EQ(frame.data, std::vector<std::uint8_t>(36, 0)) << c.what;
    }
}

TEST(RtpRawVideo, PixelGroupsOfTwoPixels)
{
    // 4:2:2 8-bit: four bytes hold two pixels; offsets are in pixels and must start a group.
    RtpRawVideoDepacketizer d(RtpRawVideoFormat{4, 1, 4, 2});
    const std::vector<std::uint8_t> second = {5, 6, 7, 8};
    for (unsigned offset : {2u, 1u}) {
        std::vector<std::uint8_t> payload = RawPayload({{0, offset, second}});
        rtp_test::Header h;
        h.sequence = static_cast<std::uint16_t>(offset);
        h.timestamp = offset;
        h.marker = true;
        const auto bytes = rtp_test::Packet(h, payload);
        RtpPacket p;
        ASSERT_EQ(ParseRtpPacket(bytes.data(), bytes.size(), p), RtpParseStatus::Ok);
        d.Push(p);
    }
    RtpFrame placed, rejected;
    ASSERT_TRUE(d.TakeFrame(placed));
    ASSERT_TRUE(d.TakeFrame(rejected));
    EXPECT_EQ(placed.data, (std::vector<std::uint8_t>{0, 0, 0, 0, 5, 6, 7, 8}));
    EXPECT_EQ(rejected.rejectedPackets, 1u);
    EXPECT_EQ(rejected.data, std::vector<std::uint8_t>(8, 0));
}

TEST(RtpRawVideo, InvalidFormatDeliversNothing)
{
    RtpRawVideoDepacketizer d(RtpRawVideoFormat{5, 1, 4, 2});  // width not whole groups
    const auto bytes = rtp_test::Packet({true, 96, 1, 1, 1}, RawPayload({{0, 0, {1, 2, 3, 4}}}));
    RtpPacket p;
    ASSERT_EQ(ParseRtpPacket(bytes.data(), bytes.size(), p), RtpParseStatus::Ok);
    d.Push(p);
    RtpFrame frame;
    EXPECT_FALSE(d.TakeFrame(frame));
}

TEST(RtpRawVideo, RepeatedPacketDoesNotMakeUpForAMissingLine)
{
    const auto ref = Reference();
    Feeder f;
    // Line 0 twice, line 1 twice and line 2 never: as many bytes as a whole frame, yet not whole.
    f.Send(RawPayload({{0, 0, Bytes(ref, 0, 12)}, {1, 0, Bytes(ref, 12, 12)}}), 3, false);
    f.sequence--;  // the same packet again
    f.Send(RawPayload({{0, 0, Bytes(ref, 0, 12)}, {1, 0, Bytes(ref, 12, 12)}}), 3, false);
    f.Send(RawPayload({{1, 0, Bytes(ref, 12, 12)}}), 3, true);
    RtpFrame frame;
    ASSERT_TRUE(f.depacketizer.TakeFrame(frame));
    EXPECT_FALSE(frame.complete);
    EXPECT_EQ(frame.lostPackets, 0u);
}
