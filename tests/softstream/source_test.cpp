// The default stream source and the test-pattern source on their own.
#include <gtest/gtest.h>

#include <string>

#include "ky/buffer/KyBuffer.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

namespace {

struct SetterCase
{
    const char *name;
    KyResult (IKyStreamingChannelSource::*set)(uint32_t);
    uint32_t (IKyStreamingChannelSource::*get)() const;
    uint32_t value;
    uint32_t code;
    const char *text;  // description of a refusal
};

// Format starts at 640 x 480, offsets 0; the sensor is 16384 square.
const SetterCase SETTER_CASES[] = {
    {"WidthAtMax", &IKyStreamingChannelSource::SetWidth, &IKyStreamingChannelSource::GetWidth, 16384, KY_OK,
     ""},
    {"WidthOnePastMax", &IKyStreamingChannelSource::SetWidth, &IKyStreamingChannelSource::GetWidth, 16385,
     KY_GENERIC_ERROR, "Width 16385 puts the image end at 16385, beyond the sensor's 16384"},
    {"WidthZero", &IKyStreamingChannelSource::SetWidth, &IKyStreamingChannelSource::GetWidth, 0,
     KY_GENERIC_ERROR, "Width 0 is below the minimum 1"},
    {"HeightOne", &IKyStreamingChannelSource::SetHeight, &IKyStreamingChannelSource::GetHeight, 1, KY_OK, ""},
    {"OffsetXAtLimit", &IKyStreamingChannelSource::SetOffsetX, &IKyStreamingChannelSource::GetOffsetX,
     16384 - 640, KY_OK, ""},
    {"OffsetXOnePast", &IKyStreamingChannelSource::SetOffsetX, &IKyStreamingChannelSource::GetOffsetX,
     16384 - 639, KY_GENERIC_ERROR, "OffsetX 15745 puts the image end at 16385, beyond the sensor's 16384"},
    {"OffsetYHugeNoWrap", &IKyStreamingChannelSource::SetOffsetY, &IKyStreamingChannelSource::GetOffsetY,
     0xFFFFFFFFu, KY_GENERIC_ERROR,
     "OffsetY 4294967295 puts the image end at 4294967775, beyond the sensor's 16384"},
};

class SetterTest : public ::testing::TestWithParam<SetterCase>
{
};

TEST_P(SetterTest, AcceptsOrRefusesAndKeepsTheFormer)
{
    const SetterCase &c = GetParam();
    KyStreamingChannelSourceTestPattern source;
    const uint32_t before = (source.*c.get)();
    const KyResult result = (source.*c.set)(c.value);
    EXPECT_EQ(result.GetCode(), c.code);
    if (c.code == KY_OK) {
        EXPECT_EQ((source.*c.get)(), c.value);
    } else {
        EXPECT_STREQ(result.GetDescription().GetAscii(), c.text);
        EXPECT_EQ((source.*c.get)(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Default, SetterTest, ::testing::ValuesIn(SETTER_CASES),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(DefaultSource, ConstructionDefaultsAndLimits)
{
    KyStreamingChannelSourceTestPattern source;
    EXPECT_EQ(source.GetWidth(), 640u);
    EXPECT_EQ(source.GetHeight(), 480u);
    EXPECT_EQ(source.GetPixelType(), KyPixelMono8);
    EXPECT_EQ(source.GetScanType(), KyScanTypeArea);
    EXPECT_EQ(source.GetPayloadSize(), 0u);
    EXPECT_EQ(source.GetChunksSize(), 0u);
    uint32_t min = 0, max = 0, inc = 0;
    source.GetHeightInfo(min, max, inc);
    EXPECT_EQ(min, 1u);
    EXPECT_EQ(max, 16384u);
    EXPECT_EQ(inc, 1u);
    uint32_t packetMax = 1234;
    EXPECT_EQ(source.GetGevSCPSPacketSizeInfo(packetMax).GetCode(), KY_NOT_IMPLEMENTED);
    EXPECT_EQ(packetMax, 1234u);
    EXPECT_TRUE(source.IsPayloadTypeSupported(KyPayloadTypeImage));
    EXPECT_FALSE(source.IsPayloadTypeSupported(KyPayloadTypeMultiPart));
    EXPECT_EQ(source.SetTestPayloadFormatMode(KyPayloadTypeChunkData).GetCode(), KY_NOT_SUPPORTED);
    EXPECT_EQ(source.SetChunkModeActive(true).GetCode(), KY_GENERIC_ERROR);
    EXPECT_EQ(source.SetChunkModeActive(false).GetCode(), KY_OK);
}

TEST(DefaultSource, SupportedPixelTypesEndWithAFailure)
{
    const KyStreamingChannelSourceTestPattern source;
    const KyPixelType expected[] = {KyPixelMono8, KyPixelBayerGR8, KyPixelBayerRG8, KyPixelBayerGB8,
                                    KyPixelBayerBG8};
    for (int i = 0; i < 5; ++i) {
        KyPixelType type = KyPixelMono16;
        ASSERT_TRUE(source.GetSupportedPixelType(i, type).IsOK()) << i;
        EXPECT_EQ(type, expected[i]);
    }
    KyPixelType type = KyPixelMono16;
    const KyResult past = source.GetSupportedPixelType(5, type);
    EXPECT_EQ(past.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_STREQ(past.GetDescription().GetAscii(), "no supported pixel type at index 5");
    EXPECT_EQ(type, KyPixelMono16);
    EXPECT_EQ(source.GetSupportedPixelType(-1, type).GetCode(), KY_INVALID_PARAMETER);
}

TEST(DefaultSource, RefusesAPixelTypeItDoesNotSupport)
{
    KyStreamingChannelSourceTestPattern source;
    const KyResult result = source.SetPixelType(KyPixelMono16);
    EXPECT_EQ(result.GetCode(), KY_GENERIC_ERROR);
    EXPECT_STREQ(result.GetDescription().GetAscii(), "pixel type 0x01100007 is not supported");
    EXPECT_EQ(source.GetPixelType(), KyPixelMono8);
    EXPECT_TRUE(source.SetPixelType(KyPixelBayerBG8).IsOK());
    EXPECT_EQ(source.GetPixelType(), KyPixelBayerBG8);
}

TEST(DefaultSource, AllocatesAtMostItsBufferCountAndFreesThem)
{
    KyStreamingChannelSourceTestPattern source(32, 8, KyPixelBayerRG8, 3);
    KyBuffer *buffers[3];
    for (KyBuffer *&buffer : buffers) {
        buffer = source.AllocBuffer();
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(buffer->GetImage()->GetWidth(), 32u);
        EXPECT_EQ(buffer->GetImage()->GetPixelType(), KyPixelBayerRG8);
    }
    EXPECT_EQ(source.AllocBuffer(), nullptr);
    source.FreeBuffer(buffers[1]);
    source.FreeBuffer(nullptr);  // not one of its buffers: ignored
    EXPECT_EQ(source.GetAllocatedBufferCount(), 2u);
    EXPECT_NE(source.AllocBuffer(), nullptr);
}

TEST(DefaultSource, TestPatternFollowsTheDocumentedFormula)
{
    // Widths below one vector, with a tail, and over several 64-byte steps; heights across the
    // 16-row bands in which the rows share their table of column terms.
    struct Case
    {
        uint32_t width, height, offsetX, offsetY;
        uint64_t frame;
    };
    const Case cases[] = {
        {37, 5, 300, 7, 9}, {150, 40, 3, 13, 77}, {16, 1, 0, 0, 0}, {4096, 3, 1, 255, 1000}};
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height);
        KyStreamingChannelSourceTestPattern source(c.width, c.height, KyPixelBayerGB8, 1);
        ASSERT_TRUE(source.SetOffsetX(c.offsetX).IsOK());
        ASSERT_TRUE(source.SetOffsetY(c.offsetY).IsOK());
        KyBuffer buffer;
        ASSERT_TRUE(source.FillTestPattern(&buffer, c.frame).IsOK());
        const KyImage *image = buffer.GetImage();
        ASSERT_EQ(image->GetWidth(), c.width);
        ASSERT_EQ(image->GetHeight(), c.height);
        EXPECT_EQ(image->GetPixelType(), KyPixelBayerGB8);
        EXPECT_EQ(image->GetOffsetX(), c.offsetX);
        EXPECT_EQ(image->GetOffsetY(), c.offsetY);
        const uint8_t *data = image->GetDataPointer();
        for (uint32_t y = 0; y < c.height; ++y) {
            for (uint32_t x = 0; x < c.width; ++x) {
                const uint32_t X = x + c.offsetX, Y = y + c.offsetY;
                ASSERT_EQ(data[y * c.width + x],
                          static_cast<uint8_t>((X + 3 * Y + 5 * uint32_t(c.frame) + ((X ^ Y) >> 4)) & 0xFF))
                    << x << "," << y;
            }
        }
    }
    KyStreamingChannelSourceTestPattern source(37, 5, KyPixelBayerGB8, 1);
    EXPECT_EQ(source.FillTestPattern(nullptr, 0).GetCode(), KY_INVALID_PARAMETER);
}

TEST(TestPatternSource, HandsOutFramesInOrderAndAbortedBuffersOnce)
{
    KyStreamingChannelSourceTestPattern source(16, 4, KyPixelMono8, 2, 0.0);
    KyBuffer *a = source.AllocBuffer();
    KyBuffer *b = source.AllocBuffer();
    source.OnStreamingStart();
    KyBuffer *got = nullptr;
    EXPECT_EQ(source.RetrieveBuffer(&got).GetCode(), KY_TIMEOUT);  // nothing queued
    EXPECT_EQ(got, nullptr);
    ASSERT_TRUE(source.QueueBuffer(a).IsOK());
    EXPECT_EQ(source.QueueBuffer(a).GetCode(), KY_INVALID_PARAMETER);
    ASSERT_TRUE(source.QueueBuffer(b).IsOK());
    ASSERT_TRUE(source.RetrieveBuffer(&got).IsOK());
    EXPECT_EQ(got, a);
    EXPECT_EQ(a->GetImage()->GetDataPointer()[0], KyStreamingChannelSourceDefault::TestPatternValue(0, 0, 0));
    source.AbortQueuedBuffers();
    ASSERT_EQ(source.RetrieveBuffer(&got).GetCode(), KY_ABORTED);
    EXPECT_EQ(got, b);
    EXPECT_EQ(source.RetrieveBuffer(&got).GetCode(), KY_TIMEOUT);
    EXPECT_EQ(source.GetFrameCount(), 1u);
    EXPECT_EQ(source.RetrieveBuffer(nullptr).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(source.SetFrameRate(-1.0).GetCode(), KY_INVALID_PARAMETER);
}

}  // namespace
