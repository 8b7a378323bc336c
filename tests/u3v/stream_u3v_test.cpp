// KyStreamU3V on a soft USB3 Vision device plugged into the process's simulated USB registry:
// opened by GUID (directly and through the stream factory), frames pixel-exact through a
// KyPipeline, a too-small buffer handed back untouched past its end, the open's refusals, and an
// unplug in the middle of streaming that ends every wait.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "SoftU3vStreamRig.h"
#include "TestDeadline.h"
#include "ky/base/KyEnums.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyStreamU3V.h"
#include "u3v/SimUsbRegistry.h"

using namespace ky::u3v;

namespace {

constexpr uint32_t kWait = TestDeadlineMs(5000);
constexpr uint32_t kWidth = 200;
constexpr uint32_t kHeight = 100;

// One soft device on the registry for the length of a test.
class PluggedDevice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        rig = std::make_shared<SoftU3vStreamRig>(kWidth, kHeight);
        SimUsbIdentity identity;
        identity.guid = kGuid;
        identity.vendor = "Soft";
        identity.model = "U3V stream";
        ASSERT_TRUE(SimUsbRegistry::Plug(identity, rig->link, rig).IsOK());
    }
    void TearDown() override
    {
        rig.reset();
        (void)SimUsbRegistry::Unplug(kGuid);  // already gone in the unplug tests
    }

    int64_t Parameter(KyStream &stream, const char *name)
    {
        int64_t value = -1;
        EXPECT_TRUE(stream.GetParameters()->GetIntegerValue(name, value).IsOK()) << name;
        return value;
    }

    static constexpr const char *kGuid = "00A1B2C3D4E5";
    std::shared_ptr<SoftU3vStreamRig> rig;
};

TEST_F(PluggedDevice, FramesArrivePixelExactThroughAPipeline)
{
    KyStreamU3V stream;
    ASSERT_TRUE(stream.Open(KyString("00a1b2c3d4e5")).IsOK()) << "GUIDs compare without regard to case";
    EXPECT_EQ(stream.GetGUID(), KyString(kGuid));
    EXPECT_EQ(stream.GetType(), KyStreamTypeU3V);
    EXPECT_EQ(stream.GetChannel(), 0);
    EXPECT_EQ(stream.GetQueuedBufferMaximum(), 64u);
    EXPECT_EQ(Parameter(stream, "SmallImageThreshold"), 512);
    EXPECT_EQ(Parameter(stream, "MaximumNumberOfPendingURB"), 64);
    {
        KyPipeline pipeline(&stream);
        ASSERT_TRUE(pipeline.SetBufferCount(6).IsOK());
        ASSERT_TRUE(pipeline.Start().IsOK());
        ASSERT_TRUE(rig->channel.StartAcquisition().IsOK());
        int good = 0;
        uint64_t lastBlock = 0;
        for (int k = 0; k < 40 && good < 20; ++k) {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(pipeline.RetrieveNextBuffer(&buffer, kWait, &operation).IsOK()) << "frame " << k;
            if (operation.IsOK()) {
                const KyImage *image = buffer->GetImage();
                EXPECT_EQ(image->GetWidth(), kWidth);
                EXPECT_EQ(image->GetHeight(), kHeight);
                EXPECT_GT(buffer->GetBlockID(), lastBlock);
                lastBlock = buffer->GetBlockID();
                std::string where;
                EXPECT_TRUE(MatchesTestPattern(image->GetDataPointer(), kWidth, kHeight,
                                               buffer->GetBlockID() - 1, where))
                    << "block " << buffer->GetBlockID() << ": " << where;
                ++good;
            }
            ASSERT_TRUE(pipeline.ReleaseBuffer(buffer).IsOK());
        }
        EXPECT_EQ(good, 20);
        ASSERT_TRUE(rig->channel.StopAcquisition().IsOK());
        ASSERT_TRUE(pipeline.Stop().IsOK());
    }
    EXPECT_GE(Parameter(stream, "BlockCount"), 20);
    EXPECT_GT(Parameter(stream, "TransfersReceived"), 20 * 3);
    EXPECT_GT(Parameter(stream, "DirectTransfers"), 0) << "these images are larger than the threshold";
    ASSERT_TRUE(stream.Close().IsOK());
    EXPECT_FALSE(rig->channel.IsEnabled()) << "closing disables the device's stream interface";
    EXPECT_EQ(stream.GetGUID(), KyString(kGuid)) << "the GUID of the last open stays";
}

TEST_F(PluggedDevice, TheFactoryMakesAUsb3VisionStreamForAGuid)
{
    KyResult result;
    KyStream *stream = KyStream::CreateAndOpen(KyString(kGuid), &result);
    ASSERT_NE(stream, nullptr) << result.GetDescription().GetAscii();
    EXPECT_EQ(stream->GetType(), KyStreamTypeU3V);
    EXPECT_NE(dynamic_cast<KyStreamU3V *>(stream), nullptr);
    KyStream::Free(stream);
    EXPECT_EQ(KyStream::CreateAndOpen(KyString("00A1B2C3D4E6"), &result), nullptr);
    EXPECT_EQ(result.GetCode(), KY_NOT_FOUND);
    EXPECT_EQ(KyStream::CreateAndOpen(KyString("camera"), &result), nullptr);
    EXPECT_EQ(result.GetCode(), KY_NOT_FOUND);
}

TEST_F(PluggedDevice, OpenRefusesWhatCannotStream)
{
    KyDeviceInfoGEV gev;
    struct Case
    {
        const char *what;
        std::function<KyResult(KyStreamU3V &)> open;
        uint32_t code;
    };
    const Case cases[] = {
        {"null record", [](KyStreamU3V &s) { return s.Open(static_cast<const KyDeviceInfo *>(nullptr)); },
         KY_INVALID_PARAMETER},
        {"GigE Vision record", [&](KyStreamU3V &s) { return s.Open(&gev, 0); }, KY_NOT_SUPPORTED},
        {"empty text", [](KyStreamU3V &s) { return s.Open(KyString()); }, KY_INVALID_PARAMETER},
        {"no GUID", [](KyStreamU3V &s) { return s.Open(KyString("192.168.0.1")); }, KY_NOT_FOUND},
        {"nobody has the GUID", [](KyStreamU3V &s) { return s.Open(KyString("FFFFFFFFFFFF")); },
         KY_NOT_FOUND},
        {"no such channel", [](KyStreamU3V &s) { return s.Open(KyString(kGuid), 1); }, KY_NOT_FOUND},
        {"no buffer room", [](KyStreamU3V &s) { return s.Open(KyString(kGuid), 0, 0); },
         KY_INVALID_PARAMETER},
        {"no transfer", [](KyStreamU3V &s) { return s.Open(KyString(kGuid), 0, 8, 512, 0); },
         KY_INVALID_PARAMETER},
    };
    for (const Case &c : cases) {
        KyStreamU3V stream;
        EXPECT_EQ(c.open(stream).GetCode(), c.code) << c.what;
        EXPECT_FALSE(stream.IsOpen()) << c.what;
    }

    KyStreamU3V first;
    ASSERT_TRUE(first.Open(KyString(kGuid), 0, 8, 4096, 3).IsOK());
    EXPECT_EQ(first.GetQueuedBufferMaximum(), 8u);
    EXPECT_EQ(Parameter(first, "SmallImageThreshold"), 4096);
    EXPECT_EQ(Parameter(first, "MaximumNumberOfPendingURB"), 3);
    EXPECT_LE(Parameter(first, "PayloadTransferCount"), 3);
    EXPECT_EQ(first.Open(KyString(kGuid)).GetCode(), KY_STATE_ERROR);
    KyStreamU3V second;
    EXPECT_EQ(second.Open(KyString(kGuid)).GetCode(), KY_BUSY) << "one receiver per stream interface";
    ASSERT_TRUE(first.Close().IsOK());
    EXPECT_TRUE(second.Open(KyString(kGuid)).IsOK()) << "free again once the first closed";
}

TEST_F(PluggedDevice, ATooSmallBufferComesBackWithNothingWrittenPastIt)
{
    KyStreamU3V stream;
    ASSERT_TRUE(stream.Open(KyString(kGuid)).IsOK());
    const uint32_t small = kWidth * kHeight / 3 + 5;
    std::vector<uint8_t> memory(small + 8192, 0xEE);
    KyBuffer buffer;
    ASSERT_TRUE(buffer.Attach(memory.data(), small).IsOK());
    ASSERT_EQ(stream.QueueBuffer(&buffer).GetCode(), KY_PENDING);
    ASSERT_TRUE(rig->channel.StartAcquisition().IsOK());
    KyBuffer *out = nullptr;
    KyResult operation;
    ASSERT_TRUE(stream.RetrieveBuffer(&out, &operation, kWait).IsOK());
    ASSERT_EQ(out, &buffer);
    EXPECT_EQ(operation.GetCode(), KY_BUFFER_TOO_SMALL);
    EXPECT_EQ(buffer.GetRequiredSize(), kWidth * kHeight);
    for (size_t k = small; k < memory.size(); ++k) {
        ASSERT_EQ(memory[k], 0xEE) << "byte " << k << " past the buffer was written";
    }
    EXPECT_EQ(Parameter(stream, "BufferTooSmallCount"), 1);
    ASSERT_TRUE(rig->channel.StopAcquisition().IsOK());
}

TEST_F(PluggedDevice, UnplugMidStreamEndsThePipelineWithoutAHang)
{
    KyStreamU3V stream;
    ASSERT_TRUE(stream.Open(KyString(kGuid)).IsOK());
    KyPipeline pipeline(&stream);
    ASSERT_TRUE(pipeline.SetBufferCount(4).IsOK());
    ASSERT_TRUE(pipeline.Start().IsOK());
    ASSERT_TRUE(rig->channel.StartAcquisition().IsOK());
    for (int k = 0; k < 3; ++k) {
        KyBuffer *buffer = nullptr;
        ASSERT_TRUE(pipeline.RetrieveNextBuffer(&buffer, kWait).IsOK());
        ASSERT_TRUE(pipeline.ReleaseBuffer(buffer).IsOK());
    }
    // A retrieval waits without a time limit while the device goes away.
    std::atomic<bool> ended{false};
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        rig.reset();
        EXPECT_TRUE(SimUsbRegistry::Unplug(kGuid).IsOK());
    });
    for (int k = 0; k < 1000 && !ended; ++k) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        const KyResult result = pipeline.RetrieveNextBuffer(&buffer, kWait, &operation);
        ended = result.IsFailure() || operation.GetCode() == KY_NOT_CONNECTED;
        if (buffer != nullptr) {
            // Once the device is gone the buffer cannot be queued again: the pipeline says so.
            const KyResult released = pipeline.ReleaseBuffer(buffer);
            EXPECT_TRUE(released.IsOK() || released.GetCode() == KY_NOT_CONNECTED)
                << released.GetDescription().GetAscii();
        }
    }
    unplug.join();
    EXPECT_TRUE(ended) << "the pipeline's retrievals end once the device is gone";
    EXPECT_FALSE(stream.IsOpen());
    KyBuffer extra;
    ASSERT_TRUE(extra.Alloc(64).IsOK());
    EXPECT_EQ(stream.QueueBuffer(&extra).GetCode(), KY_NOT_CONNECTED);
    EXPECT_TRUE(pipeline.Stop().IsOK());
}

}  // namespace
