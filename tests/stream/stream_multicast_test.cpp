// Multicast reception: a soft camera on its own adapter streams to a multicast group, and two
// KyStreamGEV receivers of this process, opened on the same group and port, each get every block,
// pixel-exact; lost packets are asked for again and reach both through the group.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AcceptLocalSources.h"
#include "StreamDrain.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyStreamGEV.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

namespace {

constexpr uint32_t kWidth = 160, kHeight = 120;
constexpr int kFrames = 12;
constexpr uint32_t kWaitMs = 10000;  // bound of every wait; only a hang reaches it
constexpr const char *kCameraMac = "02:00:0a:0a:01:02";
constexpr const char *kCameraAddress = "10.10.1.2";
constexpr const char *kHostAddress = "10.10.1.1";
constexpr const char *kGroup = "239.255.42.7";
constexpr uint16_t kGroupPort = 20202;

bool HoldsFrame(const KyBuffer &buffer, uint64_t frame)
{
    if (buffer.GetAcquiredSize() != kWidth * kHeight)
        return false;
    const uint8_t *pixels = buffer.GetDataPointer();
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x)
            if (pixels[size_t(y) * kWidth + x] !=
                KyStreamingChannelSourceDefault::TestPatternValue(x, y, frame))
                return false;
    return true;
}

struct Receiver
{
    KyStreamGEV stream;
    std::vector<std::unique_ptr<KyBuffer>> buffers;

    void QueueBuffers(int count)
    {
        for (int i = 0; i < count; ++i) {
            buffers.push_back(std::make_unique<KyBuffer>(KyPayloadTypeImage));
            ASSERT_TRUE(buffers.back()->Alloc(kWidth * kHeight).IsOK());
            ASSERT_EQ(stream.QueueBuffer(buffers.back().get()).GetCode(), KY_PENDING);
        }
    }

    // The block ids of the next `count` frames, each checked against the pattern.
    std::vector<uint64_t> Take(int count)
    {
        std::vector<uint64_t> ids;
        for (int n = 0; n < count; ++n) {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            const KyResult got = stream.RetrieveBuffer(&buffer, &operation, kWaitMs);
            EXPECT_TRUE(got.IsOK()) << got.GetDescription().GetAscii();
            if (!got.IsOK() || buffer == nullptr)
                break;
            EXPECT_TRUE(operation.IsOK()) << operation.GetDescription().GetAscii();
            // Block ids count from 1 when the channel opens, frames from 0.
            EXPECT_TRUE(HoldsFrame(*buffer, buffer->GetBlockID() - 1)) << "block " << buffer->GetBlockID();
            ids.push_back(buffer->GetBlockID());
            EXPECT_EQ(stream.QueueBuffer(buffer).GetCode(), KY_PENDING);
        }
        return ids;
    }

    void End() { DrainAndClose(stream, kWaitMs); }
};

struct MulticastCase
{
    const char *name;
    const char *localAddress;  // the adapter the receivers join on; empty: the route's
    double dropFraction;
};

void PrintTo(const MulticastCase &c, std::ostream *out) { *out << c.name; }

const MulticastCase kCases[] = {
    {"route_adapter", "", 0.0},
    {"named_adapter", kHostAddress, 0.0},
    {"under_loss", "", 0.05},
};

class StreamMulticast : public ::testing::TestWithParam<MulticastCase>
{
protected:
    void SetUp() override { AcceptLocalSources(1); }
};

TEST_P(StreamMulticast, TwoReceiversGetTheSameBlocks)
{
    const MulticastCase &c = GetParam();
    KyStreamingChannelSourceTestPattern source(kWidth, kHeight, KyPixelMono8, 16, 60.0);
    KySoftDeviceGEV camera;
    ASSERT_TRUE(camera.AddStream(&source).IsOK());
    if (c.dropFraction > 0) {
        ASSERT_TRUE(camera.SetStreamTestDropFraction(0, c.dropFraction, 7).IsOK());
    }
    ASSERT_TRUE(camera.Start(KyString(kCameraMac)).IsOK());

    KyDeviceGEV device;
    ASSERT_TRUE(device.Connect(KyString(kCameraAddress)).IsOK());
    Receiver first, second;
    for (Receiver *r : {&first, &second}) {
        const KyResult opened = r->stream.Open(KyString(kCameraAddress), KyString(kGroup), kGroupPort, 0,
                                               KyString(c.localAddress));
        ASSERT_TRUE(opened.IsOK()) << opened.GetDescription().GetAscii();
        EXPECT_EQ(r->stream.GetMulticastIPAddress(), KyString(kGroup));
        EXPECT_EQ(r->stream.GetLocalPort(), kGroupPort);
        EXPECT_EQ(r->stream.GetDeviceIPAddress(), KyString(kCameraAddress));
        r->QueueBuffers(kFrames + 4);  // each holds every frame the test takes
    }
    ASSERT_TRUE(device.SetStreamDestination(KyString(kGroup), kGroupPort).IsOK());
    ASSERT_TRUE(device.GetParameters()->ExecuteCommand("AcquisitionStart").IsOK());
    const std::vector<uint64_t> a = first.Take(kFrames);
    const std::vector<uint64_t> b = second.Take(kFrames);
    EXPECT_TRUE(device.GetParameters()->ExecuteCommand("AcquisitionStop").IsOK());
    ASSERT_EQ(a.size(), size_t(kFrames));
    EXPECT_EQ(a, b);
    for (size_t i = 1; i < a.size(); ++i)
        EXPECT_EQ(a[i], a[i - 1] + 1) << "blocks follow each other without a gap";
    if (c.dropFraction > 0) {
        int64_t asked = 0;
        EXPECT_TRUE(first.stream.GetParameters()->GetIntegerValue(KyString("ResendRequests"), asked).IsOK());
        int64_t askedToo = 0;
        EXPECT_TRUE(
            second.stream.GetParameters()->GetIntegerValue(KyString("ResendRequests"), askedToo).IsOK());
        EXPECT_GT(asked + askedToo, 0);
    }
    first.End();
    second.End();
    EXPECT_EQ(first.stream.GetMulticastIPAddress(), KyString());
    EXPECT_TRUE(camera.Stop().IsOK());
}

INSTANTIATE_TEST_SUITE_P(Adapters, StreamMulticast, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MulticastCase> &info) { return info.param.name; });

TEST(StreamMulticastOpen, RefusesWhatIsNoGroup)
{
    struct Bad
    {
        const char *group;
        uint16_t port;
    };
    const Bad cases[] = {{"10.10.1.1", 20202}, {"not an address", 20202}, {"", 20202}, {kGroup, 0}};
    for (const Bad &bad : cases) {
        KyStreamGEV stream;
        const KyResult opened = stream.Open(KyString("127.0.0.1"), KyString(bad.group), bad.port);
        EXPECT_EQ(opened.GetCode(), KY_INVALID_PARAMETER) << bad.group << ":" << bad.port;
        EXPECT_FALSE(stream.IsOpen());
        EXPECT_EQ(stream.GetMulticastIPAddress(), KyString());
    }
    KyStreamGEV unicast;
    ASSERT_TRUE(unicast.Open(KyString("127.0.0.1")).IsOK());
    EXPECT_EQ(unicast.GetMulticastIPAddress(), KyString()) << "a unicast stream has no group";
    // A device record that names no GigE Vision device, and none at all.
    KyStreamGEV none;
    EXPECT_EQ(none.Open(static_cast<const KyDeviceInfo *>(nullptr), KyString(kGroup), kGroupPort).GetCode(),
              KY_INVALID_PARAMETER);
}

}  // namespace
