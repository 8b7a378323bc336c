#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "RtpTestPackets.h"
#include "rtp/RtpPacket.h"
#include "rtp/RtpTcpFramer.h"

using ky::stream::ParseRtpPacket;
using ky::stream::RtpPacket;
using ky::stream::RtpParseStatus;
using ky::stream::RtpSequenceGap;
using ky::stream::RtpTcpFramer;

TEST(RtpPacket, ReadsFixedHeaderFields)
{
    rtp_test::Header h;
    h.marker = true;
    h.payloadType = 97;
    h.sequence = 0xBEEF;
    h.timestamp = 0x01020304;
    const auto bytes = rtp_test::Packet(h, {1, 2, 3});
    RtpPacket p;
    ASSERT_EQ(ParseRtpPacket(bytes.data(), bytes.size(), p), RtpParseStatus::Ok);
    EXPECT_TRUE(p.marker);
    EXPECT_EQ(p.payloadType, 97);
    EXPECT_EQ(p.sequence, 0xBEEF);
    EXPECT_EQ(p.timestamp, 0x01020304u);
    EXPECT_EQ(p.ssrc, 0x11223344u);
    ASSERT_EQ(p.payloadSize, 3u);
    EXPECT_EQ(p.payload, bytes.data() + 12);
}

TEST(RtpPacket, SkipsCsrcListAndExtensionAndRemovesPadding)
{
    std::vector<std::uint8_t> v = {0x80 | 0x20 | 0x10 | 2, 96, 0, 1, 0, 0, 0, 9, 0, 0, 0, 1};
    rtp_test::PutU32(v, 0xAAAAAAAA);  // two CSRCs
    rtp_test::PutU32(v, 0xBBBBBBBB);
    rtp_test::PutU16(v, 0xBEDE);  // extension profile, one word
    rtp_test::PutU16(v, 1);
    rtp_test::PutU32(v, 0);
    v.insert(v.end(), {7, 8});     // payload
    v.insert(v.end(), {0, 0, 3});  // three bytes of padding
    RtpPacket p;
    ASSERT_EQ(ParseRtpPacket(v.data(), v.size(), p), RtpParseStatus::Ok);
    EXPECT_EQ(p.csrcCount, 2);
    EXPECT_TRUE(p.extension);
    EXPECT_EQ(p.extensionProfile, 0xBEDE);
    ASSERT_EQ(p.payloadSize, 2u);
    EXPECT_EQ(p.payload[0], 7);
    EXPECT_EQ(p.payload[1], 8);
}

TEST(RtpPacket, RejectsMalformedPackets)
{
    struct Case
    {
        const char *what;
        std::vector<std::uint8_t> bytes;
        RtpParseStatus status;
    };
    const std::vector<Case> cases = {
        {"empty", {}, RtpParseStatus::TooShort},
        {"short header", {0x80, 96, 0, 1, 0, 0, 0, 0, 0, 0, 0}, RtpParseStatus::TooShort},
        {"version 1", {0x40, 96, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, RtpParseStatus::BadVersion},
        {"CSRC list past end",
         {0x83, 96, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4},
         RtpParseStatus::TooShort},
        {"extension header past end",
         {0x90, 96, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xBE},
         RtpParseStatus::TooShort},
        {"extension words past end",
         {0x90, 96, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xBE, 0xDE, 0, 2, 0, 0, 0, 0},
         RtpParseStatus::TooShort},
        {"padding zero", {0xA0, 96, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0}, RtpParseStatus::BadPadding},
        {"padding past header", {0xA0, 96, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 5, 3}, RtpParseStatus::BadPadding},
    };
    for (const Case &c : cases) {
        RtpPacket p;
        EXPECT_EQ(ParseRtpPacket(c.bytes.data(), c.bytes.size(), p), c.status) << c.what;
        EXPECT_EQ(p.payload, nullptr) << c.what;
    }
}

TEST(RtpPacket, SequenceGapAcrossWrap)
{
    struct Case
    {
        std::uint16_t previous, current;
        std::uint32_t gap;
    };
    const Case cases[] = {
        {10, 11, 0}, {10, 13, 2}, {0xFFFF, 0, 0}, {0xFFFE, 1, 2}, {10, 10, 0}, {10, 9, 0}, {5, 0xFFF0, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(RtpSequenceGap(c.previous, c.current), c.gap) << c.previous << " -> " << c.current;
}

TEST(RtpTcpFramer, SplitsPacketsAcrossArbitraryReads)
{
    std::vector<std::uint8_t> stream;
    const std::vector<std::vector<std::uint8_t>> packets = {
        {1, 2, 3}, {}, {4}, std::vector<std::uint8_t>(300, 9)};
    for (const auto &p : packets) {
        rtp_test::PutU16(stream, static_cast<unsigned>(p.size()));
        stream.insert(stream.end(), p.begin(), p.end());
    }
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{7}, stream.size()}) {
        RtpTcpFramer framer;
        std::vector<std::vector<std::uint8_t>> got;
        std::vector<std::uint8_t> packet;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            framer.Append(stream.data() + at, std::min(chunk, stream.size() - at));
            while (framer.Next(packet))
                got.push_back(packet);
        }
        ASSERT_EQ(got.size(), 3u) << "chunk " << chunk;  // the empty frame carries nothing
        EXPECT_EQ(got[0], packets[0]);
        EXPECT_EQ(got[1], packets[2]);
        EXPECT_EQ(got[2], packets[3]);
        EXPECT_EQ(framer.Buffered(), 0u);
    }
}

TEST(RtpTcpFramer, HoldsAPartialPacket)
{
    RtpTcpFramer framer;
    const std::uint8_t bytes[] = {0, 4, 1, 2};
    framer.Append(bytes, sizeof bytes);
    std::vector<std::uint8_t> packet;
    EXPECT_FALSE(framer.Next(packet));
    const std::uint8_t rest[] = {3, 4};
    framer.Append(rest, sizeof rest);
    ASSERT_TRUE(framer.Next(packet));
    EXPECT_EQ(packet, (std::vector<std::uint8_t>{1, 2, 3, 4}));
}
