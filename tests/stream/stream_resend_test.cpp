// The user's road under packet loss: a KyDeviceGEV connected with its default (exclusive) access,
// or with control access, to a soft camera that leaves out a few per cent of its stream packets;
// the stream received through KyStreamGEV and a pipeline. Every frame arrives complete and
// pixel-exact, its holes filled by resent packets.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ky/virtualdevice/IKySoftDeviceGEVStatistics.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyPipeline.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/stream/KyStreamGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

namespace {

constexpr uint32_t kWidth = 320, kHeight = 240;
constexpr int kFrames = 30;
constexpr uint32_t kWaitMs = 10000;  // bound of every wait; only a hang reaches it

struct LossCase
{
    const char *name;
    bool defaultAccess;  // Connect without an access type: exclusive control
    KyAccessType access;
};

void PrintTo(const LossCase &c, std::ostream *out) { *out << c.name; }

const LossCase kLossCases[] = {
    {"default_exclusive_access", true, KyAccessExclusive},
    {"control_access", false, KyAccessControl},
};

// The first pixel that is not frame `frame` of the test pattern, empty when all are.
std::string PatternMismatch(const KyBuffer &buffer, uint64_t frame)
{
    const uint8_t *pixels = buffer.GetDataPointer();
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x)
            if (pixels[size_t(y) * kWidth + x] !=
                KyStreamingChannelSourceDefault::TestPatternValue(x, y, frame))
                return "pixel " + std::to_string(x) + "," + std::to_string(y);
    return std::string();
}

int64_t Counter(KyStream &stream, const char *name)
{
    int64_t value = -1;
    EXPECT_TRUE(stream.GetParameters()->GetIntegerValue(KyString(name), value).IsOK()) << name;
    return value;
}

class StreamUnderLoss : public ::testing::TestWithParam<LossCase>
{
};

TEST_P(StreamUnderLoss, FramesArriveCompleteAndPixelExact)
{
    const LossCase &c = GetParam();
    KyStreamingChannelSourceTestPattern source(kWidth, kHeight, KyPixelMono8, 16, 60.0);
    KySoftDeviceGEV camera;
    ASSERT_TRUE(camera.AddStream(&source).IsOK());
    ASSERT_TRUE(camera.SetStreamTestDropFraction(0, 0.05, 11).IsOK());
    ASSERT_TRUE(camera.Start(KyString("00:00:00:00:00:00")).IsOK());

    KyDeviceGEV device;
    const KyResult connected = c.defaultAccess ? device.Connect(KyString("127.0.0.1"))
                                               : device.Connect(KyString("127.0.0.1"), c.access);
    ASSERT_TRUE(connected.IsOK()) << connected.GetDescription().GetAscii();
    KyStreamGEV stream;
    ASSERT_TRUE(stream.Open(KyString("127.0.0.1")).IsOK());
    ASSERT_TRUE(device.SetStreamDestination(stream.GetLocalIPAddress(), stream.GetLocalPort()).IsOK());
    KyPipeline pipeline(&stream);
    ASSERT_EQ(device.GetPayloadSize(), kWidth * kHeight);
    pipeline.SetBufferSize(device.GetPayloadSize());
    ASSERT_TRUE(pipeline.SetBufferCount(16).IsOK());
    ASSERT_TRUE(pipeline.Start().IsOK());
    KyGenParameterArray *features = device.GetParameters();
    ASSERT_NE(features, nullptr);
    ASSERT_TRUE(features->ExecuteCommand("AcquisitionStart").IsOK());

    int complete = 0;
    uint64_t recovered = 0;
    for (int n = 0; n < kFrames; ++n) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        ASSERT_TRUE(pipeline.RetrieveNextBuffer(&buffer, kWaitMs, &operation).IsOK()) << "frame " << n;
        const KyBufferPacketStatistics &packets = buffer->GetPacketStatistics();
        EXPECT_TRUE(operation.IsOK()) << "frame " << n << ": " << operation.GetDescription().GetAscii();
        EXPECT_EQ(packets.LostPackets, 0u) << "frame " << n;
        if (operation.IsOK()) {
            ++complete;
            // Block ids count from 1 when the channel opens, frames from 0.
            const std::string mismatch = PatternMismatch(*buffer, buffer->GetBlockID() - 1);
            EXPECT_TRUE(mismatch.empty()) << "block " << buffer->GetBlockID() << ": " << mismatch;
        }
        recovered += packets.PacketsRecovered;
        ASSERT_TRUE(pipeline.ReleaseBuffer(buffer).IsOK());
    }
    EXPECT_TRUE(features->ExecuteCommand("AcquisitionStop").IsOK());
    EXPECT_TRUE(pipeline.Stop().IsOK());

    EXPECT_EQ(complete, kFrames);
    // At 5 % of about 55 packets per frame, 30 frames lose dozens of packets: every hole of a
    // delivered frame was filled by a resent packet, which the stream counted.
    EXPECT_GT(recovered, 0u);
    EXPECT_GE(static_cast<uint64_t>(Counter(stream, "ResendPacketsReceived")), recovered);
    const int64_t asked = Counter(stream, "ResendRequests");
    const uint64_t served = camera.GetStatistics()->GetPacketResendRequestsReceived();
    EXPECT_GT(served, 0u);
    EXPECT_LE(served, static_cast<uint64_t>(asked)) << "the camera heard no more requests than were sent";
}

// A long run of large frames under heavy loss: however many of them need resends or are given
// up, the pipeline hands them out in the order the camera sent them, never an older block after
// a newer one.
TEST(StreamUnderHeavyLoss, LargeFramesComeOutInBlockOrder)
{
    constexpr uint32_t width = 2448, height = 2048;
    constexpr int frames = 300;
    KyStreamingChannelSourceTestPattern source(width, height, KyPixelMono8, 16, 60.0);
    KySoftDeviceGEV camera;
    ASSERT_TRUE(camera.AddStream(&source).IsOK());
    ASSERT_TRUE(camera.SetStreamTestDropFraction(0, 0.10, 29).IsOK());
    ASSERT_TRUE(camera.Start(KyString("00:00:00:00:00:00")).IsOK());

    KyDeviceGEV device;
    ASSERT_TRUE(device.Connect(KyString("127.0.0.1")).IsOK());
    KyGenParameterArray *features = device.GetParameters();
    ASSERT_NE(features, nullptr);
    ASSERT_TRUE(features->SetIntegerValue(KyString("GevSCPSPacketSize"), 9000).IsOK());
    KyStreamGEV stream;
    ASSERT_TRUE(stream.Open(KyString("127.0.0.1")).IsOK());
    ASSERT_TRUE(device.SetStreamDestination(stream.GetLocalIPAddress(), stream.GetLocalPort()).IsOK());
    KyPipeline pipeline(&stream);
    ASSERT_EQ(device.GetPayloadSize(), width * height);
    pipeline.SetBufferSize(device.GetPayloadSize());
    ASSERT_TRUE(pipeline.SetBufferCount(16).IsOK());
    ASSERT_TRUE(pipeline.Start().IsOK());
    ASSERT_TRUE(features->ExecuteCommand("AcquisitionStart").IsOK());

    uint64_t previous = 0, recovered = 0;
    int complete = 0;
    for (int n = 0; n < frames; ++n) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        ASSERT_TRUE(pipeline.RetrieveNextBuffer(&buffer, kWaitMs, &operation).IsOK()) << "frame " << n;
        const uint64_t block = buffer->GetBlockID();
        EXPECT_GT(block, previous) << "frame " << n << ": block " << block << " came after block "
                                   << previous;
        previous = block;
        recovered += buffer->GetPacketStatistics().PacketsRecovered;
        if (operation.IsOK()) {
            ++complete;
        }
        ASSERT_TRUE(pipeline.ReleaseBuffer(buffer).IsOK());
    }
    EXPECT_TRUE(features->ExecuteCommand("AcquisitionStop").IsOK());
    EXPECT_TRUE(pipeline.Stop().IsOK());
    std::printf("%d of %d frames complete, %llu packets recovered, last block %llu\n", complete, frames,
                static_cast<unsigned long long>(recovered), static_cast<unsigned long long>(previous));
    EXPECT_GT(recovered, 0u) << "the loss was repaired by resends";
    EXPECT_GT(complete, 0);
}

INSTANTIATE_TEST_SUITE_P(Access, StreamUnderLoss, ::testing::ValuesIn(kLossCases),
                         [](const ::testing::TestParamInfo<LossCase> &info) { return info.param.name; });

}  // namespace
