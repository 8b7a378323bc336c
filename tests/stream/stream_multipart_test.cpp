// Multi-part payloads on the wire: a soft camera whose source offers multi-part is allowed it by
// the controller (SCCFG), and KyStreamGEV receives each frame as an image part (the test pattern,
// exact), a JPEG part (which decodes to the pattern within JPEG's error) and a chunk part (the
// frame number), with or without lost packets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <turbojpeg.h>
#include <vector>

#include "StreamDrain.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyGevConstants.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyStreamGEV.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

namespace {

constexpr uint32_t kWidth = 160, kHeight = 120;
constexpr int kFrames = 8;
constexpr uint32_t kWaitMs = 10000;  // bound of every wait; only a hang reaches it
constexpr uint32_t kBufferSize = 1u << 20;

using Source = KyStreamingChannelSourceTestPattern;

std::string PatternMismatch(const uint8_t *data, uint64_t frame)
{
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x)
            if (data[size_t(y) * kWidth + x] !=
                KyStreamingChannelSourceDefault::TestPatternValue(x, y, frame))
                return "pixel " + std::to_string(x) + "," + std::to_string(y);
    return "";
}

// Mean absolute difference between the decoded JPEG and the pattern; -1 when it does not decode
// to a grey image of the pattern's size.
double JPEGError(const uint8_t *jpeg, uint64_t size, uint64_t frame)
{
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight);
    double error = -1;
    if (tjDecompressHeader3(handle, jpeg, static_cast<unsigned long>(size), &width, &height, &subsampling,
                            &colorspace) == 0 &&
        width == int(kWidth) && height == int(kHeight) &&
        tjDecompress2(handle, jpeg, static_cast<unsigned long>(size), pixels.data(), width, width, height,
                      TJPF_GRAY, 0) == 0) {
        double sum = 0;
        for (uint32_t y = 0; y < kHeight; ++y)
            for (uint32_t x = 0; x < kWidth; ++x)
                sum += std::abs(int(pixels[size_t(y) * kWidth + x]) -
                                int(KyStreamingChannelSourceDefault::TestPatternValue(x, y, frame)));
        error = sum / (double(kWidth) * kHeight);
    }
    tjDestroy(handle);
    return error;
}

struct MultiPartCase
{
    const char *name;
    double dropFraction;
};

void PrintTo(const MultiPartCase &c, std::ostream *out) { *out << c.name; }

class StreamMultiPart : public ::testing::TestWithParam<MultiPartCase>
{
};

TEST_P(StreamMultiPart, EachPartArrivesWithItsTypeAndData)
{
    const MultiPartCase &c = GetParam();
    Source source(kWidth, kHeight, KyPixelMono8, 16, 60.0);
    source.SetMultiPartSupported(true);
    KySoftDeviceGEV camera;
    ASSERT_TRUE(camera.AddStream(&source).IsOK());
    if (c.dropFraction > 0) {
        ASSERT_TRUE(camera.SetStreamTestDropFraction(0, c.dropFraction, 5).IsOK());
    }
    ASSERT_TRUE(camera.Start(KyString("00:00:00:00:00:00")).IsOK());

    KyDeviceGEV device;
    ASSERT_TRUE(device.Connect(KyString("127.0.0.1")).IsOK());
    uint32_t capability = 0;
    ASSERT_TRUE(device.ReadRegister(ky::gev::SCC0_OFFSET, capability).IsOK());
    EXPECT_NE(capability & ky::gev::SCC_MULTIPART_SUPPORTED_MASK, 0u);
    ASSERT_TRUE(device.WriteRegister(ky::gev::SCCFG0_OFFSET, ky::gev::SCCFG_MULTIPART_ENABLED_MASK).IsOK());

    KyStreamGEV stream;
    ASSERT_TRUE(stream.Open(KyString("127.0.0.1")).IsOK());
    ASSERT_TRUE(device.SetStreamDestination(stream.GetLocalIPAddress(), stream.GetLocalPort()).IsOK());
    std::vector<std::unique_ptr<KyBuffer>> buffers;
    for (int i = 0; i < 8; ++i) {
        buffers.push_back(std::make_unique<KyBuffer>());
        ASSERT_TRUE(buffers.back()->Alloc(kBufferSize).IsOK());
        ASSERT_EQ(stream.QueueBuffer(buffers.back().get()).GetCode(), KY_PENDING);
    }
    ASSERT_TRUE(device.GetParameters()->ExecuteCommand("AcquisitionStart").IsOK());
    for (int n = 0; n < kFrames; ++n) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        ASSERT_TRUE(stream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK()) << "frame " << n;
        ASSERT_TRUE(operation.IsOK()) << "frame " << n << ": " << operation.GetDescription().GetAscii();
        ASSERT_EQ(buffer->GetPayloadType(), KyPayloadTypeMultiPart);
        IKyMultiPartContainer *parts = buffer->GetMultiPartContainer();
        ASSERT_NE(parts, nullptr);
        ASSERT_EQ(parts->GetPartCount(), 3u);
        const uint64_t frame = buffer->GetBlockID() - 1;  // block ids count from 1, frames from 0

        IKyMultiPartSection *image = parts->GetPart(0);
        EXPECT_EQ(image->GetDataType(), KyMultiPart2DImage);
        ASSERT_NE(image->GetImage(), nullptr);
        EXPECT_EQ(image->GetImage()->GetWidth(), kWidth);
        EXPECT_EQ(image->GetImage()->GetHeight(), kHeight);
        EXPECT_EQ(image->GetImage()->GetPixelType(), KyPixelMono8);
        EXPECT_EQ(image->GetEffectiveSize(), kWidth * kHeight);
        EXPECT_EQ(PatternMismatch(image->GetImage()->GetDataPointer(), frame), "") << "frame " << frame;

        IKyMultiPartSection *jpegPart = parts->GetPart(1);
        EXPECT_EQ(jpegPart->GetDataType(), KyMultiPartJPEGImage);
        IKyImageJPEG *jpeg = jpegPart->GetJPEG();
        ASSERT_NE(jpeg, nullptr);
        EXPECT_EQ(jpeg->GetTimestampTickFrequency(), Source::kTimestampTickFrequency);
        EXPECT_EQ(jpeg->GetDataPointer(), jpegPart->GetDataPointer());
        const double error = JPEGError(jpeg->GetDataPointer(), jpeg->GetDataSize(), frame);
        EXPECT_GE(error, 0.0) << "frame " << frame;
        EXPECT_LT(error, 4.0) << "frame " << frame;

        IKyChunkData *chunks = parts->GetPart(2)->GetChunkData();
        ASSERT_NE(chunks, nullptr);
        ASSERT_EQ(chunks->GetChunkSizeByID(Source::kFrameChunkID), 8u);
        const uint8_t *counter = chunks->GetChunkRawDataByID(Source::kFrameChunkID);
        uint64_t sent = 0;
        for (int i = 0; i < 8; ++i)
            sent = sent << 8 | counter[i];
        EXPECT_EQ(sent, frame);
        EXPECT_EQ(stream.QueueBuffer(buffer).GetCode(), KY_PENDING);
    }
    EXPECT_TRUE(device.GetParameters()->ExecuteCommand("AcquisitionStop").IsOK());
    DrainAndClose(stream, kWaitMs);
}

INSTANTIATE_TEST_SUITE_P(Cases, StreamMultiPart,
                         ::testing::Values(MultiPartCase{"clean", 0.0}, MultiPartCase{"under_loss", 0.05}),
                         [](const ::testing::TestParamInfo<MultiPartCase> &info) { return info.param.name; });

// Without the controller's permission a multi-part source still streams plain images.
TEST(StreamMultiPartOff, ImagesWithoutTheConfigurationBit)
{
    Source source(kWidth, kHeight, KyPixelMono8, 16, 60.0);
    source.SetMultiPartSupported(true);
    KySoftDeviceGEV camera;
    ASSERT_TRUE(camera.AddStream(&source).IsOK());
    ASSERT_TRUE(camera.Start(KyString("00:00:00:00:00:00")).IsOK());
    KyDeviceGEV device;
    ASSERT_TRUE(device.Connect(KyString("127.0.0.1")).IsOK());
    KyStreamGEV stream;
    ASSERT_TRUE(stream.Open(KyString("127.0.0.1")).IsOK());
    ASSERT_TRUE(device.SetStreamDestination(stream.GetLocalIPAddress(), stream.GetLocalPort()).IsOK());
    KyBuffer buffer;
    ASSERT_TRUE(buffer.Alloc(kBufferSize).IsOK());
    ASSERT_EQ(stream.QueueBuffer(&buffer).GetCode(), KY_PENDING);
    ASSERT_TRUE(device.GetParameters()->ExecuteCommand("AcquisitionStart").IsOK());
    KyBuffer *got = nullptr;
    KyResult operation;
    ASSERT_TRUE(stream.RetrieveBuffer(&got, &operation, kWaitMs).IsOK());
    EXPECT_TRUE(operation.IsOK()) << operation.GetDescription().GetAscii();
    EXPECT_EQ(got->GetPayloadType(), KyPayloadTypeImage);
    EXPECT_EQ(got->GetMultiPartContainer(), nullptr);
    ASSERT_NE(got->GetImage(), nullptr);
    EXPECT_EQ(PatternMismatch(got->GetDataPointer(), got->GetBlockID() - 1), "");
    EXPECT_TRUE(device.GetParameters()->ExecuteCommand("AcquisitionStop").IsOK());
    EXPECT_TRUE(stream.Close().IsOK());
}

}  // namespace
