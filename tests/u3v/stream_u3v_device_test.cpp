// The user's road with a soft USB3 Vision camera, through the SDK's shared libraries only: connect
// a KyDeviceU3V by GUID, open a stream on the same GUID (KyStream::CreateAndOpen), start
// acquisition through the camera's GenICam features, and take pixel-exact test-pattern frames
// through a KyPipeline; then unplug the camera in the middle of streaming.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "TestDeadline.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/device/KyDeviceU3V.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyStreamU3V.h"
#include "ky/virtualdevice/KyStreamingChannelSourceDefault.h"
#include "u3vdevice/SoftU3vDeclarations.h"

using ky::soft::SoftU3vDeclarations;
using ky::soft::SoftU3vSettings;

namespace {

constexpr uint32_t kWait = TestDeadlineMs(5000);
constexpr const char *kGuid = "1F2E3D4C5B6A";

bool MatchesTestPattern(const uint8_t *data, uint32_t width, uint32_t height, uint64_t frame,
                        std::string &where)
{
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t want = KyStreamingChannelSourceDefault::TestPatternValue(x, y, frame);
            if (data[size_t(y) * width + x] != want) {
                where = "pixel " + std::to_string(x) + "," + std::to_string(y);
                return false;
            }
        }
    }
    return true;
}

class SoftU3vCamera : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SoftU3vSettings settings;
        settings.guid = kGuid;
        settings.width = 320;
        settings.height = 240;
        settings.frameRate = 200.0;
        ASSERT_TRUE(SoftU3vDeclarations::Plug(settings).IsOK());
        ASSERT_TRUE(device.Connect(KyString(kGuid)).IsOK());
        params = device.GetParameters();
        ASSERT_NE(params, nullptr);
    }
    void TearDown() override
    {
        if (device.IsConnected())
            (void)device.Disconnect();
        (void)SoftU3vDeclarations::Unplug(kGuid);
    }

    KyDeviceU3V device;
    KyGenParameterArray *params = nullptr;
};

TEST_F(SoftU3vCamera, FramesOfTheTestPatternArrivePixelExactThroughAPipeline)
{
    // A format set through the camera's features is the one the stream plans for.
    ASSERT_TRUE(params->SetIntegerValue("Width", 256).IsOK());
    ASSERT_TRUE(params->SetIntegerValue("Height", 128).IsOK());
    KyResult result;
    KyStream *stream = KyStream::CreateAndOpen(KyString(kGuid), &result);
    ASSERT_NE(stream, nullptr) << result.GetDescription().GetAscii();
    ASSERT_EQ(stream->GetType(), KyStreamTypeU3V);
    ASSERT_TRUE(device.StreamEnable().IsOK());
    int good = 0;
    {
        KyPipeline pipeline(stream);
        ASSERT_TRUE(pipeline.SetBufferCount(8).IsOK());
        ASSERT_TRUE(pipeline.Start().IsOK());
        ASSERT_TRUE(params->ExecuteCommand("AcquisitionStart").IsOK());
        uint64_t lastBlock = 0;
        for (int k = 0; k < 60 && good < 20; ++k) {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(pipeline.RetrieveNextBuffer(&buffer, kWait, &operation).IsOK()) << "frame " << k;
            if (operation.IsOK()) {
                const KyImage *image = buffer->GetImage();
                ASSERT_EQ(image->GetWidth(), 256u);
                ASSERT_EQ(image->GetHeight(), 128u);
                EXPECT_GT(buffer->GetBlockID(), lastBlock);
                lastBlock = buffer->GetBlockID();
                std::string where;
                EXPECT_TRUE(
                    MatchesTestPattern(image->GetDataPointer(), 256, 128, buffer->GetBlockID() - 1, where))
                    << "block " << buffer->GetBlockID() << ": " << where;
                ++good;
            }
            ASSERT_TRUE(pipeline.ReleaseBuffer(buffer).IsOK());
        }
        EXPECT_TRUE(params->ExecuteCommand("AcquisitionStop").IsOK());
        EXPECT_TRUE(pipeline.Stop().IsOK());
    }
    EXPECT_EQ(good, 20);
    int64_t blocks = 0;
    ASSERT_TRUE(stream->GetParameters()->GetIntegerValue("BlockCount", blocks).IsOK());
    EXPECT_GE(blocks, 20);
    KyStream::Free(stream);
    EXPECT_TRUE(device.StreamDisable().IsOK());
}

TEST_F(SoftU3vCamera, UnplugInTheMiddleOfStreamingEndsEveryWait)
{
    KyStreamU3V stream;
    ASSERT_TRUE(stream.Open(KyString(kGuid), 0, 16, 512, 8).IsOK());
    KyPipeline pipeline(&stream);
    ASSERT_TRUE(pipeline.SetBufferCount(4).IsOK());
    ASSERT_TRUE(pipeline.Start().IsOK());
    ASSERT_TRUE(params->ExecuteCommand("AcquisitionStart").IsOK());
    KyBuffer *buffer = nullptr;
    KyResult operation;
    ASSERT_TRUE(pipeline.RetrieveNextBuffer(&buffer, kWait, &operation).IsOK());
    ASSERT_TRUE(pipeline.ReleaseBuffer(buffer).IsOK());
    std::thread unplug([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_TRUE(SoftU3vDeclarations::Unplug(kGuid).IsOK());
    });
    bool ended = false;
    for (int k = 0; k < 1000 && !ended; ++k) {
        buffer = nullptr;
        const KyResult retrieved = pipeline.RetrieveNextBuffer(&buffer, kWait, &operation);
        ended = retrieved.IsFailure() || operation.GetCode() == KY_NOT_CONNECTED;
        if (buffer != nullptr)
            (void)pipeline.ReleaseBuffer(buffer);  // refused once the camera is gone
    }
    unplug.join();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_TRUE(pipeline.Stop().IsOK());
    EXPECT_EQ(params->ExecuteCommand("AcquisitionStop").GetCode(), KY_NOT_CONNECTED);
    EXPECT_EQ(stream.Open(KyString(kGuid)).GetCode(), KY_NOT_FOUND) << "the camera is no longer plugged";
}

}  // namespace
