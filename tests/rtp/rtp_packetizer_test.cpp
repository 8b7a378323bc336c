#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "rtp/RtpH264Depacketizer.h"
#include "rtp/RtpPacket.h"
#include "rtp/RtpPacketizer.h"
#include "rtp/RtpRawVideoDepacketizer.h"

using ky::rtp::RtpPacketizer;
using ky::stream::ParseRtpPacket;
using ky::stream::RtpFrame;
using ky::stream::RtpPacket;
using ky::stream::RtpParseStatus;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Every packet a packetizer hands out, copied.
struct Collected
{
    std::vector<Bytes> packets;
    RtpPacketizer::Sink Sink()
    {
        return [this](const std::uint8_t *p, std::size_t n) {
            packets.emplace_back(p, p + n);
            return true;
        };
    }
};

RtpPacket Parse(const Bytes &packet)
{
    RtpPacket p;
    EXPECT_EQ(ParseRtpPacket(packet.data(), packet.size(), p), RtpParseStatus::Ok);
    return p;
}

Bytes AnnexB(const std::vector<Bytes> &nals)
{
    Bytes v;
    for (const Bytes &n : nals) {
        v.insert(v.end(), {0, 0, 0, 1});
        v.insert(v.end(), n.begin(), n.end());
    }
    return v;
}

Bytes Nal(std::uint8_t header, std::size_t size)
{
    Bytes n(size);
    n[0] = header;
    for (std::size_t i = 1; i < size; ++i)
        n[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return n;
}

}  // namespace

TEST(RtpPacketizer, H264SmallUnitsGoWholeAndLargeOnesAsFuAFragments)
{
    const Bytes sps = Nal(0x67, 12), pps = Nal(0x68, 5), idr = Nal(0x65, 1000);
    const Bytes unit = AnnexB({sps, pps, idr});
    struct Case
    {
        std::size_t maxPacket;
        std::size_t fragments;  // FU-A packets of the IDR unit
    };
    // 300-byte packets: 286 body bytes per fragment, 999 body bytes: 4 fragments. 1100: whole.
    const Case cases[] = {{300, 4}, {1100, 0}, {64, 20}};
    for (const Case &c : cases) {
        RtpPacketizer packetizer(96, 0xCAFE);
        packetizer.SetMaxPacketSize(c.maxPacket);
        Collected out;
        ASSERT_TRUE(packetizer.SendH264(unit.data(), unit.size(), 4500, out.Sink()));
        ASSERT_EQ(out.packets.size(), 2 + (c.fragments == 0 ? 1 : c.fragments)) << c.maxPacket;
        std::uint16_t sequence = Parse(out.packets[0]).sequence;
        for (std::size_t i = 0; i < out.packets.size(); ++i) {
            const RtpPacket p = Parse(out.packets[i]);
            EXPECT_LE(out.packets[i].size(), c.maxPacket);
            EXPECT_EQ(p.payloadType, 96);
            EXPECT_EQ(p.ssrc, 0xCAFEu);
            EXPECT_EQ(p.timestamp, 4500u);
            EXPECT_EQ(p.sequence, static_cast<std::uint16_t>(sequence + i));
            EXPECT_EQ(p.marker, i + 1 == out.packets.size()) << i;
        }
        // Single NAL unit packets: the unit itself.
        EXPECT_EQ(Bytes(Parse(out.packets[0]).payload, Parse(out.packets[0]).payload + sps.size()), sps);
        if (c.fragments > 0) {
            for (std::size_t i = 2; i < out.packets.size(); ++i) {
                const RtpPacket p = Parse(out.packets[i]);
                EXPECT_EQ(p.payload[0], 0x60 | 28);  // NRI of the IDR unit, FU-A
                EXPECT_EQ(p.payload[1] & 0x1F, 5);
                EXPECT_EQ((p.payload[1] & 0x80) != 0, i == 2);                       // start
                EXPECT_EQ((p.payload[1] & 0x40) != 0, i + 1 == out.packets.size());  // end
            }
        }
        // The receiver puts the same access unit back together.
        ky::stream::RtpH264Depacketizer depacketizer;
        for (const Bytes &packet : out.packets)
            depacketizer.Push(Parse(packet));
        RtpFrame frame;
        ASSERT_TRUE(depacketizer.TakeFrame(frame));
        EXPECT_TRUE(frame.complete);
        EXPECT_EQ(frame.data, unit) << c.maxPacket;
    }
}

TEST(RtpPacketizer, H264SplitsAnnexBAndRefusesAnEmptyUnit)
{
    // Three- and four-byte start codes, trailing zero bytes, no start code at all.
    const Bytes mixed = {0, 0, 1, 0x67, 1, 2, 0, 0, 0, 0, 1, 0x68, 3, 0, 0};
    const auto units = ky::rtp::SplitAnnexB(mixed.data(), mixed.size());
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(Bytes(units[0].data, units[0].data + units[0].size), (Bytes{0x67, 1, 2}));
    EXPECT_EQ(Bytes(units[1].data, units[1].data + units[1].size), (Bytes{0x68, 3}));
    const Bytes bare = {0x65, 9, 9};
    ASSERT_EQ(ky::rtp::SplitAnnexB(bare.data(), bare.size()).size(), 1u);
    RtpPacketizer packetizer(96, 1);
    Collected out;
    const Bytes onlyCodes = {0, 0, 0, 1, 0, 0, 1};
    EXPECT_FALSE(packetizer.SendH264(onlyCodes.data(), onlyCodes.size(), 0, out.Sink()));
    EXPECT_FALSE(packetizer.SendH264(nullptr, 0, 0, out.Sink()));
    EXPECT_TRUE(out.packets.empty());
}

TEST(RtpPacketizer, RawVideoLinesArriveWholeThroughTheReceiver)
{
    struct Case
    {
        std::uint32_t width, height, pgroupBytes, pgroupPixels;
        std::size_t padding;  // bytes after each line in memory
        std::size_t maxPacket;
    };
    const Case cases[] = {
        {16, 4, 3, 1, 0, 1400},  // several lines per packet
        {64, 3, 4, 2, 5, 100},   // lines split over packets, padded memory
        {5, 7, 3, 1, 1, 64},     // the smallest packet
    };
    for (const Case &c : cases) {
        const std::size_t lineBytes = c.width / c.pgroupPixels * c.pgroupBytes;
        const std::size_t stride = lineBytes + c.padding;
        Bytes memory(stride * c.height);
        for (std::size_t i = 0; i < memory.size(); ++i)
            memory[i] = static_cast<std::uint8_t>(i * 13 + 5);
        ky::rtp::RtpRawImage image;
        image.data = memory.data();
        image.width = c.width;
        image.height = c.height;
        image.stride = stride;
        image.pgroupBytes = c.pgroupBytes;
        image.pgroupPixels = c.pgroupPixels;
        RtpPacketizer packetizer(96, 7);
        packetizer.SetMaxPacketSize(c.maxPacket);
        Collected out;
        ASSERT_TRUE(packetizer.SendRawVideo(image, 90, out.Sink()));
        ky::stream::RtpRawVideoDepacketizer depacketizer({c.width, c.height, c.pgroupBytes, c.pgroupPixels});
        for (std::size_t i = 0; i < out.packets.size(); ++i) {
            EXPECT_LE(out.packets[i].size(), c.maxPacket);
            const RtpPacket p = Parse(out.packets[i]);
            EXPECT_EQ(p.marker, i + 1 == out.packets.size());
            depacketizer.Push(p);
        }
        RtpFrame frame;
        ASSERT_TRUE(depacketizer.TakeFrame(frame));
        EXPECT_TRUE(frame.complete) << c.width;
        Bytes expected;
        for (std::uint32_t line = 0; line < c.height; ++line)
            expected.insert(expected.end(), memory.begin() + static_cast<std::ptrdiff_t>(line * stride),
                            memory.begin() + static_cast<std::ptrdiff_t>(line * stride + lineBytes));
        EXPECT_EQ(frame.data, expected) << c.width;
    }
    // What the format cannot carry is refused before anything is sent.
    Bytes memory(64);
    ky::rtp::RtpRawImage odd{memory.data(), 3, 2, 8, 4, 2};  // 3 pixels in 2-pixel groups
    RtpPacketizer packetizer(96, 7);
    Collected out;
    EXPECT_FALSE(packetizer.SendRawVideo(odd, 0, out.Sink()));
    ky::rtp::RtpRawImage tight{memory.data(), 4, 2, 4, 3, 1};  // stride below the line
    EXPECT_FALSE(packetizer.SendRawVideo(tight, 0, out.Sink()));
    EXPECT_TRUE(out.packets.empty());
}
