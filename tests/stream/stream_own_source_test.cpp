// A program's own streaming channel source, added with AddStream, on the user's road: a
// KyDeviceGEV controls the soft device and a KyStreamGEV receives. The source draws images of its
// own (a formula of its own, its own size and pixel type); every frame arrives pixel-exact, a
// controller's Width, Height and PixelFormat reach the source's setters and the next frames follow,
// and a controller that leaves while the channel streams stops it before its destination goes: no
// frame is sent to a cleared destination, and the hooks come as OnStreamingStop, then OnClose.
// Buffers the source hands back oversized (larger than the announced PayloadSize) or with a
// failure code are taken back unsent.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TestDeadline.h"
#include "ky/base/KyLogDispatcher.h"
#include "ky/base/KyLogSink.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyStreamGEV.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceDefault.h"

namespace {

constexpr uint32_t kWaitMs = 10000;  // bound of every wait; only a hang reaches it

// The source's own picture of frame n: not the kit's test pattern.
uint8_t Drawn(uint32_t x, uint32_t y, uint64_t n)
{
    return static_cast<uint8_t>((x * 7 + y * 3 + n * 11) % 251);
}

// The default source keeps the format and the buffers; this one draws the frames. Every hook and
// what it was asked is recorded.
class DrawingSource : public KyStreamingChannelSourceDefault
{
public:
    enum class Answer { Draw, Oversized, Failure };

    DrawingSource(uint32_t width, uint32_t height)
        : KyStreamingChannelSourceDefault(width, height, KyPixelMono8, 4)
    { }

    KyResult QueueBuffer(KyBuffer *aBuffer) override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mQueue.push_back(aBuffer);
        return KyResult(KY_OK);
    }

    KyResult RetrieveBuffer(KyBuffer **aBuffer) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::lock_guard<std::mutex> lock(mMutex);
        *aBuffer = nullptr;
        if (mQueue.empty()) {
            return KyResult(KY_TIMEOUT);
        }
        KyBuffer *buffer = mQueue.front();
        mQueue.pop_front();
        *aBuffer = buffer;
        if (mAborted) {
            return KyResult(KY_ABORTED);
        }
        const Answer answer = mAnswer;
        const uint32_t width = GetWidth() + (answer == Answer::Oversized ? 8 : 0);
        const uint32_t height = GetHeight();
        KyImage *image = buffer->GetImage();
        if (image->GetWidth() != width || image->GetHeight() != height ||
            image->GetPixelType() != GetPixelType() || buffer->GetDataPointer() == nullptr) {
            if (image->Alloc(width, height, GetPixelType()).IsFailure()) {
                return KyResult(KY_NOT_ENOUGH_MEMORY);
            }
        }
        uint8_t *pixels = image->GetDataPointer();
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                pixels[size_t(y) * width + x] = Drawn(x, y, mFrame);
        ++mFrame;
        ++mHandedOut;
        mDrawnToSend += answer == Answer::Draw ? 1 : 0;
        return answer == Answer::Failure ? KyResult(KY_GENERIC_ERROR) : KyResult(KY_OK);
    }

    void AbortQueuedBuffers() override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mAborted = true;
    }

    void OnStreamingStart() override
    {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mAborted = false;
            mFrame = 0;
        }
        Record("OnStreamingStart");
        KyStreamingChannelSourceDefault::OnStreamingStart();
    }
    void OnStreamingStop() override
    {
        Record("OnStreamingStop");
        KyStreamingChannelSourceDefault::OnStreamingStop();
    }
    void OnOpen(const KyString &aDestIP, uint16_t aDestPort) override
    {
        Record("OnOpen");
        KyStreamingChannelSourceDefault::OnOpen(aDestIP, aDestPort);
    }
    void OnClose() override
    {
        Record("OnClose");
        KyStreamingChannelSourceDefault::OnClose();
    }

    void SetAnswer(Answer answer)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mAnswer = answer;
    }
    uint64_t HandedOut()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mHandedOut;
    }
    // Frames handed out to be sent (not refused).
    uint64_t DrawnToSend()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mDrawnToSend;
    }
    std::vector<std::string> Hooks()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mHooks;
    }

private:
    void Record(const char *hook)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mHooks.push_back(hook);
    }

    std::mutex mMutex;
    std::deque<KyBuffer *> mQueue;
    std::vector<std::string> mHooks;
    uint64_t mFrame = 0;
    uint64_t mHandedOut = 0;
    uint64_t mDrawnToSend = 0;
    bool mAborted = false;
    Answer mAnswer = Answer::Draw;
};

// Every softdevice warning of the process while it is registered.
class WarningLog : public KyLogSink
{
public:
    WarningLog() { EXPECT_TRUE(KyLogDispatcher::AddSink(this).IsOK()); }
    ~WarningLog() override { (void)KyLogDispatcher::RemoveSink(this); }
    void Log(KyLogLevelEnum level, const char *category, uint32_t, const char *, const char *,
             const char *message) override
    {
        if (level >= KyLogLevelWarning && std::strcmp(category, "softdevice") == 0) {
            std::lock_guard<std::mutex> lock(mMutex);
            mLines.push_back(message);
        }
    }
    std::vector<std::string> Lines()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mLines;
    }

private:
    std::mutex mMutex;
    std::vector<std::string> mLines;
};

// The soft device with the source on the loopback adapter, a connected controller and a receiver.
class OwnSourceRoad : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mCamera.AddStream(&mSource).IsOK());
        ASSERT_TRUE(mCamera.Start(KyString("00:00:00:00:00:00")).IsOK());
        const KyResult connected = mDevice.Connect(KyString("127.0.0.1"));
        ASSERT_TRUE(connected.IsOK()) << connected.GetDescription().GetAscii();
        ASSERT_TRUE(mStream.Open(KyString("127.0.0.1")).IsOK());
        ASSERT_TRUE(mDevice.SetStreamDestination(mStream.GetLocalIPAddress(), mStream.GetLocalPort()).IsOK());
        mFeatures = mDevice.GetParameters();
        ASSERT_NE(mFeatures, nullptr);
    }

    void TearDown() override
    {
        (void)mStream.AbortQueuedBuffers();
        (void)mStream.Close();
        (void)mDevice.Disconnect();
        (void)mCamera.Stop();
    }

    // Queues `count` receiver buffers of the payload size the device announces now.
    void QueueBuffers(int count)
    {
        const uint32_t payload = mDevice.GetPayloadSize();
        for (int i = 0; i < count; ++i) {
            mBuffers.push_back(std::make_unique<KyBuffer>(KyPayloadTypeImage));
            ASSERT_TRUE(mBuffers.back()->Alloc(payload).IsOK());
            ASSERT_EQ(mStream.QueueBuffer(mBuffers.back().get()).GetCode(), KY_PENDING);
        }
    }

    // Takes `count` frames; each must be the source's picture of its frame number, in the size
    // and pixel type given. Frames count from 0 in every streaming run, block ids from 1 when the
    // channel opens: the first block of the run names the offset.
    void ExpectFrames(int count, uint32_t width, uint32_t height, KyPixelType pixelType)
    {
        uint64_t firstBlock = 0;
        for (int n = 0; n < count; ++n) {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(mStream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK()) << "frame " << n;
            ++mDelivered;
            ASSERT_TRUE(operation.IsOK()) << "frame " << n << ": " << operation.GetDescription().GetAscii();
            if (firstBlock == 0) {
                firstBlock = buffer->GetBlockID();
            }
            const KyImage *image = buffer->GetImage();
            ASSERT_EQ(image->GetWidth(), width);
            ASSERT_EQ(image->GetHeight(), height);
            ASSERT_EQ(image->GetPixelType(), pixelType);
            const uint64_t frame = buffer->GetBlockID() - firstBlock;
            const uint8_t *pixels = image->GetDataPointer();
            for (uint32_t y = 0; y < height; ++y)
                for (uint32_t x = 0; x < width; ++x)
                    ASSERT_EQ(pixels[size_t(y) * width + x], Drawn(x, y, frame))
                        << "block " << buffer->GetBlockID() << " pixel " << x << "," << y;
            ASSERT_EQ(mStream.QueueBuffer(buffer).GetCode(), KY_PENDING);
        }
    }

    // Stops, takes the frames the source drew to send after the last one a test looked at (each
    // has left the camera once the stop returns, and would otherwise land late in the buffers of
    // the next run), then takes back the buffers.
    void StopAndDrain()
    {
        ASSERT_TRUE(mFeatures->ExecuteCommand("AcquisitionStop").IsOK());
        while (mDelivered < mSource.DrawnToSend()) {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(mStream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK())
                << mDelivered << " of " << mSource.DrawnToSend() << " frames arrived";
            ++mDelivered;
        }
        ASSERT_TRUE(mStream.AbortQueuedBuffers().IsOK());
        while (mStream.GetQueuedBufferCount() > 0) {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(mStream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
        }
        mBuffers.clear();
    }

    DrawingSource mSource{200, 100};
    KySoftDeviceGEV mCamera;
    KyDeviceGEV mDevice;
    KyStreamGEV mStream;
    KyGenParameterArray *mFeatures = nullptr;
    std::vector<std::unique_ptr<KyBuffer>> mBuffers;
    uint64_t mDelivered = 0;  // frames taken from the stream, complete or not
};

TEST_F(OwnSourceRoad, FramesArrivePixelExactAndFollowTheFormat)
{
    EXPECT_EQ(mDevice.GetPayloadSize(), 200u * 100u);
    QueueBuffers(8);
    ASSERT_TRUE(mFeatures->ExecuteCommand("AcquisitionStart").IsOK());
    ExpectFrames(6, 200, 100, KyPixelMono8);
    StopAndDrain();

    // The controller's settings reach the source's setters; the next frames follow them.
    ASSERT_TRUE(mFeatures->SetIntegerValue(KyString("Width"), 96).IsOK());
    ASSERT_TRUE(mFeatures->SetIntegerValue(KyString("Height"), 40).IsOK());
    ASSERT_TRUE(mFeatures->SetEnumValue(KyString("PixelFormat"), KyString("BayerRG8")).IsOK());
    EXPECT_EQ(mSource.GetWidth(), 96u);
    EXPECT_EQ(mSource.GetHeight(), 40u);
    EXPECT_EQ(mSource.GetPixelType(), KyPixelBayerRG8);
    EXPECT_EQ(mDevice.GetPayloadSize(), 96u * 40u);
    QueueBuffers(8);
    ASSERT_TRUE(mFeatures->ExecuteCommand("AcquisitionStart").IsOK());
    ExpectFrames(6, 96, 40, KyPixelBayerRG8);
    StopAndDrain();
}

TEST_F(OwnSourceRoad, ControllerLeavingWhileStreamingStopsBeforeTheDestinationGoes)
{
    WarningLog warnings;
    QueueBuffers(8);
    ASSERT_TRUE(mFeatures->ExecuteCommand("AcquisitionStart").IsOK());
    ExpectFrames(3, 200, 100, KyPixelMono8);
    // Control ends with the channel streaming: the device clears the destination.
    ASSERT_TRUE(mStream.AbortQueuedBuffers().IsOK());
    ASSERT_TRUE(mDevice.Disconnect().IsOK());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (mSource.IsOpen() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::vector<std::string> hooks = mSource.Hooks();
    const std::vector<std::string> expected = {"OnOpen", "OnStreamingStart", "OnStreamingStop", "OnClose"};
    EXPECT_EQ(hooks, expected);
    for (const std::string &line : warnings.Lines()) {
        ADD_FAILURE() << "the device warned: " << line;
    }
}

struct RefusedCase
{
    const char *name;
    DrawingSource::Answer answer;
};

void PrintTo(const RefusedCase &c, std::ostream *out) { *out << c.name; }

class RefusedFrames : public OwnSourceRoad, public ::testing::WithParamInterface<RefusedCase>
{
};

// A buffer larger than the PayloadSize the receiver sized its buffers by, or one handed back
// with a failure code, is taken back without a packet; the channel goes on, and the frames after
// it arrive.
TEST_P(RefusedFrames, AreTakenBackUnsent)
{
    QueueBuffers(8);
    mSource.SetAnswer(GetParam().answer);
    ASSERT_TRUE(mFeatures->ExecuteCommand("AcquisitionStart").IsOK());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (mSource.HandedOut() < 10 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(mSource.HandedOut(), 10u);
    KyBuffer *buffer = nullptr;
    KyResult operation;
    EXPECT_EQ(mStream.RetrieveBuffer(&buffer, &operation, 200).GetCode(), KY_TIMEOUT)
        << "a refused frame reached the receiver";
    int64_t packets = -1;
    ASSERT_TRUE(mStream.GetParameters()->GetIntegerValue(KyString("PacketsReceived"), packets).IsOK());
    EXPECT_EQ(packets, 0);
    mSource.SetAnswer(DrawingSource::Answer::Draw);
    ASSERT_TRUE(mStream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
    ++mDelivered;
    EXPECT_TRUE(operation.IsOK()) << operation.GetDescription().GetAscii();
    EXPECT_EQ(buffer->GetImage()->GetWidth(), 200u);
    ASSERT_EQ(mStream.QueueBuffer(buffer).GetCode(), KY_PENDING);
    StopAndDrain();
}

const RefusedCase kRefusedCases[] = {
    {"larger_than_payload_size", DrawingSource::Answer::Oversized},
    {"failure_code", DrawingSource::Answer::Failure},
};

INSTANTIATE_TEST_SUITE_P(Source, RefusedFrames, ::testing::ValuesIn(kRefusedCases),
                         [](const ::testing::TestParamInfo<RefusedCase> &info) { return info.param.name; });

}  // namespace
