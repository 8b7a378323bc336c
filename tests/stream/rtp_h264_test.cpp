#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "RtpTestPackets.h"
#include "rtp/RtpH264Depacketizer.h"

using ky::stream::ParseRtpPacket;
using ky::stream::RtpFrame;
using ky::stream::RtpH264Depacketizer;
using ky::stream::RtpPacket;
using ky::stream::RtpParseStatus;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes SPS = {0x67, 0x42, 0x00, 0x1E};
const Bytes PPS = {0x68, 0xCE, 0x38, 0x80};
const Bytes IDR = {0x65, 0x88, 0x84, 0x00, 0x10, 0x20, 0x30, 0x40, 0x50};

Bytes AnnexB(const std::vector<Bytes> &nals)
{
    Bytes v;
    for (const auto &n : nals) {
        v.insert(v.end(), {0, 0, 0, 1});
        v.insert(v.end(), n.begin(), n.end());
    }
    return v;
}

Bytes StapA(const std::vector<Bytes> &nals)
{
    Bytes v = {0x78};  // NRI 3, type 24
    for (const auto &n : nals) {
        rtp_test::PutU16(v, static_cast<unsigned>(n.size()));
        v.insert(v.end(), n.begin(), n.end());
    }
    return v;
}

// FU-A pieces of one NAL unit, `piece` bytes of its body each.
std::vector<Bytes> FuA(const Bytes &nal, std::size_t piece)
{
    std::vector<Bytes> out;
    const std::uint8_t indicator = static_cast<std::uint8_t>((nal[0] & 0xE0) | 28);
    for (std::size_t at = 1; at < nal.size(); at += piece) {
        const std::size_t n = std::min(piece, nal.size() - at);
        std::uint8_t header = nal[0] & 0x1F;
        if (at == 1)
            header |= 0x80;
        if (at + n == nal.size())
            header |= 0x40;
        Bytes p = {indicator, header};
        p.insert(p.end(), nal.begin() + static_cast<std::ptrdiff_t>(at),
                 nal.begin() + static_cast<std::ptrdiff_t>(at + n));
        out.push_back(p);
    }
    return out;
}

struct Feeder
{
    RtpH264Depacketizer depacketizer;
    std::uint16_t sequence = 0xFFFE;  // runs across the wrap

    void Send(const Bytes &payload, std::uint32_t timestamp, bool marker, bool skip = false)
    {
        if (skip)
            ++sequence;
        const auto bytes = rtp_test::Packet({marker, 96, sequence++, timestamp, 7}, payload);
        RtpPacket p;
        ASSERT_EQ(ParseRtpPacket(bytes.data(), bytes.size(), p), RtpParseStatus::Ok);
        depacketizer.Push(p);
    }
};

}  // namespace

TEST(RtpH264, SingleNalStapAAndFuAMakeOneAccessUnit)
{
    Feeder f;
    f.Send(StapA({SPS, PPS}), 3000, false);
    const auto pieces = FuA(IDR, 3);
    for (std::size_t i = 0; i < pieces.size(); ++i)
        f.Send(pieces[i], 3000, false);
    f.Send({0x06, 0x05, 0x01}, 3000, true);  // an SEI as a single NAL unit packet
    RtpFrame unit;
    ASSERT_TRUE(f.depacketizer.TakeFrame(unit));
    EXPECT_TRUE(unit.complete);
    EXPECT_EQ(unit.timestamp, 3000u);
    EXPECT_EQ(unit.data, AnnexB({SPS, PPS, IDR, {0x06, 0x05, 0x01}}));
    EXPECT_FALSE(f.depacketizer.TakeFrame(unit));
}

TEST(RtpH264, OneAccessUnitPerTimestampWhenTheMarkerIsLost)
{
    Feeder f;
    f.Send(IDR, 1, false);
    f.Send({0x41, 0x9A}, 2, true);
    RtpFrame first, second;
    ASSERT_TRUE(f.depacketizer.TakeFrame(first));
    ASSERT_TRUE(f.depacketizer.TakeFrame(second));
    EXPECT_EQ(first.data, AnnexB({IDR}));
    EXPECT_EQ(second.data, AnnexB({{0x41, 0x9A}}));
}

TEST(RtpH264, LostFragmentDropsThatNalUnitAndCountsTheLoss)
{
    Feeder f;
    f.Send(SPS, 9, false);
    const auto pieces = FuA(IDR, 2);  // four pieces
    ASSERT_EQ(pieces.size(), 4u);
    f.Send(pieces[0], 9, false);
    f.Send(pieces[2], 9, false, /*skip=*/true);
    f.Send(pieces[3], 9, false);
    f.Send(PPS, 9, true);
    RtpFrame unit;
    ASSERT_TRUE(f.depacketizer.TakeFrame(unit));
    EXPECT_FALSE(unit.complete);
    EXPECT_EQ(unit.lostPackets, 1u);
    EXPECT_EQ(unit.data, AnnexB({SPS, PPS}));
}

TEST(RtpH264, FragmentWithoutEndIsDroppedAtTheUnitEnd)
{
    Feeder f;
    f.Send(SPS, 9, false);
    f.Send(FuA(IDR, 2)[0], 9, true);
    RtpFrame unit;
    ASSERT_TRUE(f.depacketizer.TakeFrame(unit));
    EXPECT_FALSE(unit.complete);
    EXPECT_EQ(unit.data, AnnexB({SPS}));
}

TEST(RtpH264, RejectsMalformedAndUnsupportedPayloads)
{
    struct Case
    {
        const char *what;
        Bytes payload;
    };
    const std::vector<Case> cases = {
        {"empty", {}},
        {"STAP-A size past the end", {0x78, 0, 9, 0x67, 0x42}},
        {"STAP-A zero size", {0x78, 0, 0}},
        {"STAP-A cut size", {0x78, 0, 1, 0x67, 0}},
        {"STAP-A with nothing", {0x78}},
        {"FU-A without header", {0x7C}},
        {"FU-A middle without start", {0x7C, 0x05, 1, 2}},
        {"STAP-B", {0x79, 0, 0, 0, 1, 0x67}},
        {"FU-B", {0x7D, 0x85, 0, 0, 1}},
        {"type 0", {0x00, 1}},
        {"type 31", {0x1F, 1}},
    };
    for (const Case &c : cases) {
        Feeder f;
        f.Send(c.payload, 4, true);
        RtpFrame unit;
        ASSERT_TRUE(f.depacketizer.TakeFrame(unit)) << c.what;
        EXPECT_FALSE(unit.complete) << c.what;
        EXPECT_GE(unit.rejectedPackets, 1u) << c.what;
    }
}

TEST(RtpH264, LossBetweenUnitsMarksBothIncomplete)
{
    Feeder f;
    f.Send(IDR, 1, false);
    f.Send({0x41, 0x9A}, 2, true, /*skip=*/true);
    RtpFrame first, second;
    ASSERT_TRUE(f.depacketizer.TakeFrame(first));
    ASSERT_TRUE(f.depacketizer.TakeFrame(second));
    EXPECT_FALSE(first.complete);
    EXPECT_FALSE(second.complete);
    EXPECT_EQ(second.data, AnnexB({{0x41, 0x9A}}));
}
