#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
#include "ky/stream/KySessionInfoSDP.h"
#include "rtp/RtpBufferFill.h"
#include "rtp/RtpPayloadConfig.h"
#include "rtp/SdpDescription.h"

using ky::rtp::ParseSdp;
using ky::rtp::SdpVideo;
using ky::stream::FillBufferFromFrame;
using ky::stream::MakeRawVideoConfig;
using ky::stream::RtpFrame;
using ky::stream::RtpPayloadConfig;
using ky::stream::RtpPayloadKind;

namespace {

const char *const kRawSdp =
    "v=0\r\n"
    "o=- 1 1 IN IP4 10.10.1.2\r\n"
    "s=test\r\n"
    "c=IN IP4 10.10.1.1\r\n"
    "t=0 0\r\n"
    "m=audio 4000 RTP/AVP 0\r\n"
    "a=rtpmap:0 PCMU/8000\r\n"
    "m=video 5004 RTP/AVP 96\r\n"
    "c=IN IP4 239.1.2.3/16\r\n"
    "a=rtpmap:96 raw/90000\r\n"
    "a=fmtp:96 sampling=YCbCr-4:2:2; width=640; height=480; depth=8; colorimetry=BT601-5\r\n"
    "m=video 6000 RTP/AVP 97\r\n"
    "a=rtpmap:97 H264/90000\r\n";

TEST(Sdp, ReadsTheFirstVideoMedia)
{
    SdpVideo video;
    std::string error;
    ASSERT_TRUE(ParseSdp(kRawSdp, std::strlen(kRawSdp), video, error)) << error;
    EXPECT_EQ(video.connectionAddress, "239.1.2.3");
    EXPECT_EQ(video.port, 5004);
    EXPECT_EQ(video.transport, "RTP/AVP");
    EXPECT_EQ(video.payloadType, 96);
    EXPECT_EQ(video.encodingName, "RAW");
    EXPECT_EQ(video.clockRate, 90000u);
    EXPECT_EQ(video.sampling, "YCbCr-4:2:2");
    EXPECT_EQ(video.width, 640u);
    EXPECT_EQ(video.height, 480u);
    EXPECT_EQ(video.depth, 8u);
    EXPECT_FALSE(video.hasSsrc);
}

TEST(Sdp, ReadsTheSendersSsrcOfTheVideoMedia)
{
    // The audio's source is not the video's; the first of the video's lines counts.
    const std::string text = "v=0\nm=audio 5000 RTP/AVP 0\na=ssrc:1 cname:a\nm=video 5004 RTP/AVP 96\n"
                             "a=ssrc:4294967295 cname:camera@host\na=ssrc:7 cname:other\n";
    SdpVideo video;
    std::string error;
    ASSERT_TRUE(ParseSdp(text.data(), text.size(), video, error)) << error;
    EXPECT_TRUE(video.hasSsrc);
    EXPECT_EQ(video.ssrc, 4294967295u);
}

TEST(Sdp, SessionAddressServesMediaWithoutOne)
{
    const std::string text = "v=0\nc=IN IP4 127.0.0.1\nm=video 7000 TCP/RTP/AVP 96\na=rtpmap:96 H264/90000\n";
    SdpVideo video;
    std::string error;
    ASSERT_TRUE(ParseSdp(text.data(), text.size(), video, error)) << error;
    EXPECT_EQ(video.connectionAddress, "127.0.0.1");
    EXPECT_EQ(video.transport, "TCP/RTP/AVP");
    EXPECT_EQ(video.encodingName, "H264");
}

TEST(Sdp, RefusesMalformedDescriptions)
{
    const std::vector<std::string> bad = {
        "",
        "v=0\n",                                    // no video
        "m=audio 5000 RTP/AVP 0\n",                 // no video
        "m=video 70000 RTP/AVP 96\n",               // port too large
        "m=video 5000 RTP/AVP 128\n",               // no payload type
        "m=video 5000 RTP/AVP\n",                   // no format
        "m=video -1 RTP/AVP 96\n",                  // negative port
        "xyz\n",                                    // no '='
        "c=IN IP6 ::1\nm=video 5000 RTP/AVP 96\n",  // not IPv4
        "m=video 5000 RTP/AVP 96\na=fmtp:96 width=99999999999\n",
        "m=video 5000 RTP/AVP 96\na=rtpmap:x raw\n",
        "m=video 5000 RTP/AVP 96\na=rtpmap:96 raw/abc\n",
        "m=video 5000 RTP/AVP 96\na=ssrc:4294967296 cname:x\n",  // no 32-bit SSRC
        "m=video 5000 RTP/AVP 96\na=ssrc:cname:x\n",
        std::string(ky::rtp::SDP_MAX_SIZE + 1, '\n'),
    };
    for (const std::string &text : bad) {
        SdpVideo video;
        std::string error;
        EXPECT_FALSE(ParseSdp(text.data(), text.size(), video, error)) << text.substr(0, 60);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(video.port, 0);
    }
}

TEST(SessionInfoSDP, TellsPayloadAndPixelType)
{
    struct Case
    {
        const char *rtpmap;
        const char *fmtp;
        KyPayloadType payload;
        KyPixelType pixel;
    };
    const Case cases[] = {
        {"raw/90000", "sampling=RGB; width=4; height=2; depth=8", KyPayloadTypeImage, KyPixelRGB8},
        {"raw/90000", "sampling=BGRA; width=4; height=2; depth=8", KyPayloadTypeImage, KyPixelBGRa8},
        {"raw/90000", "sampling=YCbCr-4:2:2; width=4; height=2; depth=8", KyPayloadTypeImage,
         KyPixelYUV422_8_UYVY},
        {"raw/90000", "sampling=RGB; width=4; height=2; depth=10", KyPayloadTypeUndefined, KyPixelUndefined},
        {"raw/90000", "sampling=YCbCr-4:2:0; width=4; height=2; depth=8", KyPayloadTypeUndefined,
         KyPixelUndefined},
        {"H264/90000", "packetization-mode=1", KyPayloadTypeH264, KyPixelUndefined},
        {"JPEG/90000", "", KyPayloadTypeUndefined, KyPixelUndefined},
    };
    for (const Case &c : cases) {
        const std::string text =
            std::string("v=0\nc=IN IP4 127.0.0.1\nm=video 5000 RTP/AVP 96\na=rtpmap:96 ") + c.rtpmap +
            "\na=fmtp:96 " + c.fmtp + "\n";
        KySessionInfoSDP session;
        ASSERT_TRUE(session.Load(KyString(text)).IsOK()) << text;
        EXPECT_TRUE(session.IsValid());
        EXPECT_EQ(session.GetPayloadType(), c.payload) << c.fmtp;
        EXPECT_EQ(session.GetPixelType(), c.pixel) << c.fmtp;
        EXPECT_EQ(session.GetRTPPayloadType(), 96);
        EXPECT_EQ(session.GetPort(), 5000);
        EXPECT_EQ(session.GetText(), KyString(text));
        KySessionInfoSDP copy(session);
        EXPECT_EQ(copy.GetConnectionAddress(), KyString("127.0.0.1"));
    }
    KySessionInfoSDP session;
    EXPECT_EQ(session.Load(KyString("v=0\n")).GetCode(), KY_INVALID_DATA_FORMAT);
    EXPECT_FALSE(session.IsValid());
    EXPECT_EQ(session.GetRTPPayloadType(), -1);
    EXPECT_EQ(session.GetPayloadType(), KyPayloadTypeUndefined);
}

TEST(RtpPayloadConfig, RefusesWhatRtpDoesNotCarry)
{
    RtpPayloadConfig config;
    EXPECT_EQ(MakeRawVideoConfig(4, 2, KyPixelMono8, 0, config).GetCode(), KY_NOT_SUPPORTED);
    EXPECT_EQ(MakeRawVideoConfig(0, 2, KyPixelRGB8, 0, config).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(MakeRawVideoConfig(3, 2, KyPixelYUV422_8_UYVY, 0, config).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(MakeRawVideoConfig(65536, 65536, KyPixelRGBa8, 0, config).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(config.kind, RtpPayloadKind::Undefined);
    ASSERT_TRUE(MakeRawVideoConfig(4, 2, KyPixelYUV422_8_UYVY, 3, config).IsOK());
    EXPECT_EQ(config.wire.Stride(), 8u);
    EXPECT_EQ(config.ImageSize(), 28u);  // 3 pixels of padding: 6 bytes a line
}

// A frame of `size` bytes whose byte i is i + 1.
RtpFrame Frame(std::size_t size, bool complete = true)
{
    RtpFrame frame;
    for (std::size_t i = 0; i < size; ++i)
        frame.data.push_back(static_cast<std::uint8_t>(i + 1));
    frame.timestamp = 1234;
    frame.complete = complete;
    frame.lostPackets = complete ? 0 : 2;
    return frame;
}

// Buffer memory inside a guarded area: bytes after the buffer must stay as they were.
struct Guarded
{
    static constexpr std::uint8_t kGuard = 0xEE;
    std::vector<std::uint8_t> memory;
    KyBuffer buffer;

    explicit Guarded(uint32_t size) : memory(size + 64, kGuard)
    {
        EXPECT_TRUE(buffer.Attach(memory.data(), size).IsOK());
    }
    bool GuardIntact(uint32_t size) const
    {
        for (std::size_t i = size; i < memory.size(); ++i)
            if (memory[i] != kGuard)
                return false;
        return true;
    }
};

TEST(RtpBufferFill, LinesArePaddedIntoTheImage)
{
    RtpPayloadConfig config;
    ASSERT_TRUE(MakeRawVideoConfig(2, 3, KyPixelRGB8, 1, config).IsOK());  // 6 bytes a line, pitch 9
    Guarded g(27);
    FillBufferFromFrame(Frame(18), config, 7, g.buffer);
    EXPECT_EQ(g.buffer.GetOperationResult().GetCode(), KY_OK);
    EXPECT_EQ(g.buffer.GetPayloadType(), KyPayloadTypeImage);
    EXPECT_EQ(g.buffer.GetAcquiredSize(), 27u);
    EXPECT_EQ(g.buffer.GetRequiredSize(), 27u);
    EXPECT_EQ(g.buffer.GetBlockID(), 7u);
    EXPECT_EQ(g.buffer.GetTimestamp(), 1234u);
    const std::vector<std::uint8_t> expected = {1,  2, 3, 4, 5,  6,  0,  0,  0,  7,  8, 9, 10, 11,
                                                12, 0, 0, 0, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(g.memory.begin(), g.memory.begin() + 27), expected);
    const KyImage *image = g.buffer.GetImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetWidth(), 2u);
    EXPECT_EQ(image->GetHeight(), 3u);
    EXPECT_EQ(image->GetPixelType(), KyPixelRGB8);
    EXPECT_EQ(image->GetPaddingX(), 1u);
    EXPECT_EQ(image->GetImageSize(), 27u);
    EXPECT_TRUE(g.GuardIntact(27));
}

TEST(RtpBufferFill, TooSmallBufferGetsWhatFitsAndNothingPast)
{
    RtpPayloadConfig raw;
    ASSERT_TRUE(MakeRawVideoConfig(2, 3, KyPixelRGB8, 1, raw).IsOK());
    RtpPayloadConfig h264;
    h264.kind = RtpPayloadKind::H264;
    for (uint32_t size : {1u, 5u, 7u, 9u, 13u, 26u}) {
        for (const RtpPayloadConfig *config : {&raw, &h264}) {
            Guarded g(size);
            FillBufferFromFrame(Frame(config == &raw ? 18 : 27), *config, 1, g.buffer);
            EXPECT_EQ(g.buffer.GetOperationResult().GetCode(), KY_BUFFER_TOO_SMALL) << size;
            EXPECT_EQ(g.buffer.GetRequiredSize(), 27u);
            EXPECT_LE(g.buffer.GetAcquiredSize(), size);
            EXPECT_TRUE(g.GuardIntact(size)) << size;
            EXPECT_EQ(g.memory[0], 1);
        }
    }
}

TEST(RtpBufferFill, AccessUnitAndLostPackets)
{
    RtpPayloadConfig h264;
    h264.kind = RtpPayloadKind::H264;
    Guarded g(100);
    FillBufferFromFrame(Frame(10), h264, 3, g.buffer);
    EXPECT_EQ(g.buffer.GetOperationResult().GetCode(), KY_OK);
    EXPECT_EQ(g.buffer.GetPayloadType(), KyPayloadTypeH264);
    EXPECT_EQ(g.buffer.GetAcquiredSize(), 10u);
    EXPECT_EQ(g.buffer.GetImage(), nullptr);
    FillBufferFromFrame(Frame(10, false), h264, 4, g.buffer);
    EXPECT_EQ(g.buffer.GetOperationResult().GetCode(), KY_MISSING_PACKETS);
    EXPECT_EQ(g.buffer.GetLostPacketCount(), 2u);
    EXPECT_TRUE(g.GuardIntact(100));
}

}  // namespace
