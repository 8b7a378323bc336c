#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SessionDiscovery.h"
#include "rtp/SapPacket.h"
#include "rtp/SdpDescription.h"
#include "rtp/SdpWriter.h"

using ky::rtp::BuildSapPacket;
using ky::rtp::ParseSapPacket;
using ky::rtp::SapMessage;
using ky::rtp::SapParseStatus;

namespace {

using Bytes = std::vector<std::uint8_t>;

ky::rtp::SdpStream Stream(std::uint64_t version = 1)
{
    ky::rtp::SdpStream s;
    s.sessionName = "Soft camera stream channel 0";
    s.originIp = 0x0A0A0002;
    s.sessionId = 77;
    s.version = version;
    s.destinationIp = 0x0A0A0001;
    s.port = 5004;
    s.ssrc = 0x12345678;
    return s;
}

SapMessage Announcement(const std::string &sdp, bool deletion = false)
{
    SapMessage m;
    m.SetOriginIPv4(0x0A0A0002);
    m.messageHash = ky::rtp::SapMessageHash(sdp);
    m.payloadType = ky::rtp::SAP_SDP_TYPE;
    m.payload = sdp;
    m.deletion = deletion;
    return m;
}

}  // namespace

TEST(SapPacket, AnnouncementAndDeletionRoundTrip)
{
    const std::string sdp = ky::rtp::WriteH264Sdp(Stream());
    for (bool deletion : {false, true}) {
        const Bytes packet = BuildSapPacket(Announcement(sdp, deletion));
        ASSERT_FALSE(packet.empty());
        SapMessage read;
        ASSERT_EQ(ParseSapPacket(packet.data(), packet.size(), read), SapParseStatus::Ok);
        EXPECT_EQ(read.deletion, deletion);
        EXPECT_EQ(read.OriginIPv4(), 0x0A0A0002u);
        EXPECT_EQ(read.messageHash, ky::rtp::SapMessageHash(sdp));
        EXPECT_EQ(read.payloadType, "application/sdp");
        EXPECT_EQ(read.payload, sdp);
    }
}

TEST(SapPacket, RefusesWhatItCannotReadAndEveryTruncation)
{
    const std::string sdp = ky::rtp::WriteH264Sdp(Stream());
    const Bytes good = BuildSapPacket(Announcement(sdp));
    struct Case
    {
        const char *what;
        Bytes packet;
        SapParseStatus expected;
    };
    auto with = [&](std::size_t at, std::uint8_t value) {
        Bytes p = good;
        p[at] = value;
        return p;
    };
    // Version 1, IPv4, announcement: 0x20; authentication of 2 words that the packet lacks.
    Bytes noTerminator = {0x20, 0, 0, 1, 10, 10, 0, 2, 'a', 'p', 'p'};
    const Case cases[] = {
        {"empty", {}, SapParseStatus::TooShort},
        {"version 0", with(0, 0x00), SapParseStatus::BadVersion},
        {"version 2", with(0, 0x40), SapParseStatus::BadVersion},
        {"encrypted", with(0, 0x22), SapParseStatus::Encrypted},
        {"compressed", with(0, 0x21), SapParseStatus::Compressed},
        {"authentication longer than the packet", with(1, 200), SapParseStatus::TooShort},
        {"IPv6 origin cut short", Bytes{0x30, 0, 0, 1, 1, 2, 3, 4, 5, 6}, SapParseStatus::TooShort},
        {"payload type not terminated", noTerminator, SapParseStatus::BadPayloadType},
    };
    for (const Case &c : cases) {
        SapMessage read;
        EXPECT_EQ(ParseSapPacket(c.packet.data(), c.packet.size(), read), c.expected) << c.what;
        EXPECT_TRUE(read.payload.empty()) << c.what;
    }
    // Every cut of a good packet before its payload is refused, never read past its end.
    const std::size_t header = 4 + 4 + std::string("application/sdp").size() + 1;
    for (std::size_t size = 0; size < header; ++size) {
        Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        SapMessage read;
        EXPECT_NE(ParseSapPacket(cut.data(), cut.size(), read), SapParseStatus::Ok) << size;
    }
    // A description without a payload type field is SDP.
    Bytes bare = {0x20, 0, 0, 1, 10, 10, 0, 2};
    bare.insert(bare.end(), sdp.begin(), sdp.end());
    SapMessage read;
    ASSERT_EQ(ParseSapPacket(bare.data(), bare.size(), read), SapParseStatus::Ok);
    EXPECT_EQ(read.payloadType, "application/sdp");
    EXPECT_EQ(read.payload, sdp);
}

TEST(SapPacket, WrittenRawVideoDescriptionReadsBack)
{
    const ky::rtp::RtpSampling *rgb = ky::rtp::SamplingOfPixelType(KyPixelRGB8);
    ASSERT_NE(rgb, nullptr);
    const std::string sdp = ky::rtp::WriteRawVideoSdp(Stream(), *rgb, 160, 120);
    ky::rtp::SdpVideo video;
    std::string error;
    ASSERT_TRUE(ky::rtp::ParseSdp(sdp.data(), sdp.size(), video, error)) << error;
    EXPECT_EQ(video.sessionName, "Soft camera stream channel 0");
    EXPECT_EQ(video.connectionAddress, "10.10.0.1");
    EXPECT_EQ(video.port, 5004);
    EXPECT_EQ(video.encodingName, "RAW");
    EXPECT_EQ(video.clockRate, 90000u);
    EXPECT_EQ(video.sampling, "RGB");
    EXPECT_EQ(video.width, 160u);
    EXPECT_EQ(video.height, 120u);
    EXPECT_EQ(video.depth, 8u);
    EXPECT_TRUE(video.hasSsrc);
    EXPECT_EQ(video.ssrc, 0x12345678u);
    EXPECT_NE(sdp.find("colorimetry=BT601-5"), std::string::npos);
}

TEST(SessionDirectory, KeepsAnnouncedSessionsUntilTheirDeletion)
{
    const ky::rtp::RtpSampling *rgb = ky::rtp::SamplingOfPixelType(KyPixelRGB8);
    ky::system::SessionDirectory directory;
    const std::vector<std::uint32_t> host = {0x0A0A0001};
    const std::string first = ky::rtp::WriteRawVideoSdp(Stream(1), *rgb, 160, 120);
    directory.Heard(Announcement(first), 0x0A0A0001, host);
    directory.Heard(Announcement(first), 0x0A0A0001, host);  // repeated: still one session
    ASSERT_EQ(directory.Sessions().size(), 1u);
    EXPECT_EQ(directory.Sessions()[0].name, "Soft camera stream channel 0");
    EXPECT_EQ(directory.Sessions()[0].address, "10.10.0.1");
    EXPECT_EQ(directory.Sessions()[0].port, 5004);
    EXPECT_EQ(directory.Sessions()[0].localAddress, "10.10.0.1");
    // A new version replaces the session; a multicast stream is received on the adapter that heard it.
    ky::rtp::SdpStream moved = Stream(2);
    moved.destinationIp = 0xEF010203;
    moved.port = 6000;
    const std::string second = ky::rtp::WriteRawVideoSdp(moved, *rgb, 160, 120);
    directory.Heard(Announcement(second), 0x0A0A0001, host);
    ASSERT_EQ(directory.Sessions().size(), 1u);
    EXPECT_EQ(directory.Sessions()[0].address, "239.1.2.3");
    EXPECT_EQ(directory.Sessions()[0].port, 6000);
    EXPECT_EQ(directory.Sessions()[0].localAddress, "10.10.0.1");
    // Not SDP, or no video: skipped.
    SapMessage other = Announcement("v=0\r\ns=audio\r\nm=audio 5000 RTP/AVP 0\r\n");
    directory.Heard(other, 0x0A0A0001, host);
    other.payloadType = "text/plain";
    directory.Heard(other, 0x0A0A0001, host);
    EXPECT_EQ(directory.Sessions().size(), 1u);
    // The deletion of any version removes it.
    directory.Heard(Announcement(first, true), 0x0A0A0001, host);
    EXPECT_TRUE(directory.Sessions().empty());
}
