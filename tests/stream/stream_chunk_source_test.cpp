// A program's own streaming channel source with chunks, on the user's road: a KyDeviceGEV
// controls the soft device and a KyStreamGEV receives. The source lists two chunk types (a frame
// counter and an exposure time, each appended per frame while enabled and chunk mode is on); the
// device offers ChunkModeActive, ChunkSelector and ChunkEnable[ChunkSelector], whose writes reach
// the source's setters (a refusal fails the write) and which are locked while streaming. Frames
// arrive with the image pixel-exact and the chunks readable by ID; the PayloadSize counts them.
// With chunk mode off the frames are plain images.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/genicam/KyGenEnum.h"
#include "ky/genicam/KyGenEnumEntry.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyStreamGEV.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceDefault.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"
#include "registers/SoftChunkRegisters.h"

namespace {

constexpr uint32_t kWaitMs = 10000;  // bound of every wait; only a hang reaches it
constexpr uint32_t kFrameCounterID = 0x1001;
constexpr uint32_t kExposureID = 0x1002;
constexpr uint32_t kRefusedID = 0x1003;  // listed, but the source never enables it
constexpr uint32_t kFrameCounterSize = 8;
constexpr uint32_t kExposureSize = 4;

uint8_t Drawn(uint32_t x, uint32_t y, uint64_t n)
{
    return static_cast<uint8_t>((x * 5 + y * 9 + n * 13) % 253);
}

uint32_t ExposureOf(uint64_t frame) { return 1000u + static_cast<uint32_t>(frame) * 10u; }

// Draws its frames and appends the enabled chunks while chunk mode is on; every setter call is
// recorded.
class ChunkSource : public KyStreamingChannelSourceDefault
{
public:
    ChunkSource(uint32_t width, uint32_t height)
        : KyStreamingChannelSourceDefault(width, height, KyPixelMono8, 4)
    { }

    KyResult GetSupportedChunk(int aIndex, uint32_t &aChunkID, KyString &aChunkName) const override
    {
        const struct
        {
            uint32_t id;
            const char *name;
        } chunks[] = {{kFrameCounterID, "ChunkFrameCounter"},
                      {kExposureID, "ChunkExposureTime"},
                      {kFrameCounterID, "ChunkFrameCounterAgain"},  // an ID given twice is listed once
                      {kRefusedID, "ChunkRefused"}};
        if (aIndex < 0 || aIndex >= 4) {
            return KyResult(KY_INVALID_PARAMETER);
        }
        aChunkID = chunks[aIndex].id;
        aChunkName = KyString(chunks[aIndex].name);
        return KyResult(KY_OK);
    }

    uint32_t GetChunksSize() const override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mMode) {
            return 0;
        }
        uint32_t size = 0;
        if (Enabled(kFrameCounterID)) {
            size += kFrameCounterSize + 8;
        }
        if (Enabled(kExposureID)) {
            size += kExposureSize + 8;
        }
        return size;
    }
    bool GetChunkModeActive() const override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mMode;
    }
    bool GetChunkEnable(uint32_t aChunkID) const override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return Enabled(aChunkID);
    }
    KyResult SetChunkModeActive(bool aEnabled) override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mCalls.push_back(std::string("SetChunkModeActive ") + (aEnabled ? "1" : "0"));
        mMode = aEnabled;
        return KyResult(KY_OK);
    }
    KyResult SetChunkEnable(uint32_t aChunkID, bool aEnabled) override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mCalls.push_back("SetChunkEnable " + std::to_string(aChunkID) + (aEnabled ? " 1" : " 0"));
        if (aChunkID == kRefusedID && aEnabled) {
            return KyResult(KY_GENERIC_ERROR);
        }
        mEnabled[aChunkID] = aEnabled;
        return KyResult(KY_OK);
    }

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
        const uint32_t width = GetWidth();
        const uint32_t height = GetHeight();
        KyImage *image = buffer->GetImage();
        if (image->GetWidth() != width || image->GetHeight() != height ||
            buffer->GetDataPointer() == nullptr) {
            if (image->Alloc(width, height, GetPixelType()).IsFailure()) {
                return KyResult(KY_NOT_ENOUGH_MEMORY);
            }
        }
        if (buffer->GetChunkDataCapacity() < 64 && buffer->AllocChunk(64).IsFailure()) {
            return KyResult(KY_NOT_ENOUGH_MEMORY);
        }
        uint8_t *pixels = image->GetDataPointer();
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                pixels[size_t(y) * width + x] = Drawn(x, y, mFrame);
        if (mMode && Enabled(kFrameCounterID)) {
            uint8_t counter[kFrameCounterSize];
            std::memcpy(counter, &mFrame, sizeof counter);
            if (buffer->AddChunk(kFrameCounterID, counter, sizeof counter).IsFailure()) {
                return KyResult(KY_GENERIC_ERROR);
            }
        }
        if (mMode && Enabled(kExposureID)) {
            const uint32_t exposure = ExposureOf(mFrame);
            uint8_t bytes[kExposureSize];
            std::memcpy(bytes, &exposure, sizeof bytes);
            if (buffer->AddChunk(kExposureID, bytes, sizeof bytes).IsFailure()) {
                return KyResult(KY_GENERIC_ERROR);
            }
        }
        ++mFrame;
        return KyResult(KY_OK);
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
        KyStreamingChannelSourceDefault::OnStreamingStart();
    }

    std::vector<std::string> Calls()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mCalls;
    }

private:
    bool Enabled(uint32_t id) const
    {
        const auto found = mEnabled.find(id);
        return found != mEnabled.end() && found->second;
    }

    mutable std::mutex mMutex;
    std::deque<KyBuffer *> mQueue;
    std::vector<std::string> mCalls;
    std::map<uint32_t, bool> mEnabled;
    bool mMode = false;
    uint64_t mFrame = 0;
    bool mAborted = false;
};

class ChunkSourceRoad : public ::testing::Test
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

    void Enable(const char *chunk, bool enabled)
    {
        ASSERT_TRUE(mFeatures->SetEnumValue(KyString("ChunkSelector"), KyString(chunk)).IsOK()) << chunk;
        const KyResult result = mFeatures->SetBooleanValue(KyString("ChunkEnable"), enabled);
        ASSERT_TRUE(result.IsOK()) << chunk << ": " << result.GetDescription().GetAscii();
    }

    bool EnableOf(const char *chunk)
    {
        bool value = false;
        EXPECT_TRUE(mFeatures->SetEnumValue(KyString("ChunkSelector"), KyString(chunk)).IsOK()) << chunk;
        EXPECT_TRUE(mFeatures->GetBooleanValue(KyString("ChunkEnable"), value).IsOK()) << chunk;
        return value;
    }

    void QueueBuffers(int count)
    {
        const uint32_t payload = mDevice.GetPayloadSize();
        for (int i = 0; i < count; ++i) {
            mBuffers.push_back(std::make_unique<KyBuffer>(KyPayloadTypeImage));
            ASSERT_TRUE(mBuffers.back()->Alloc(payload).IsOK());
            ASSERT_EQ(mStream.QueueBuffer(mBuffers.back().get()).GetCode(), KY_PENDING);
        }
    }

    // Takes `count` frames: each image the source's picture of its frame number, with the
    // frame counter and exposure chunks when `chunks`, with no chunk otherwise.
    void ExpectFrames(int count, bool chunks)
    {
        uint64_t firstBlock = 0;
        for (int n = 0; n < count; ++n) {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(mStream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK()) << "frame " << n;
            ASSERT_TRUE(operation.IsOK()) << "frame " << n << ": " << operation.GetDescription().GetAscii();
            if (firstBlock == 0) {
                firstBlock = buffer->GetBlockID();
            }
            const uint64_t frame = buffer->GetBlockID() - firstBlock;
            const KyImage *image = buffer->GetImage();
            ASSERT_EQ(image->GetWidth(), kWidth);
            ASSERT_EQ(image->GetHeight(), kHeight);
            const uint8_t *pixels = image->GetDataPointer();
            for (uint32_t y = 0; y < kHeight; ++y)
                for (uint32_t x = 0; x < kWidth; ++x)
                    ASSERT_EQ(pixels[size_t(y) * kWidth + x], Drawn(x, y, frame))
                        << "block " << buffer->GetBlockID() << " pixel " << x << "," << y;
            if (chunks) {
                ASSERT_EQ(buffer->GetChunkCount(), 2u);
                ASSERT_EQ(buffer->GetChunkSizeByID(kFrameCounterID), kFrameCounterSize);
                ASSERT_EQ(buffer->GetChunkSizeByID(kExposureID), kExposureSize);
                uint64_t counter = 0;
                std::memcpy(&counter, buffer->GetChunkRawDataByID(kFrameCounterID), sizeof counter);
                EXPECT_EQ(counter, frame);
                uint32_t exposure = 0;
                std::memcpy(&exposure, buffer->GetChunkRawDataByID(kExposureID), sizeof exposure);
                EXPECT_EQ(exposure, ExposureOf(frame));
            } else {
                EXPECT_FALSE(buffer->HasChunks());
                EXPECT_EQ(buffer->GetChunkRawDataByID(kFrameCounterID), nullptr);
            }
            ASSERT_EQ(mStream.QueueBuffer(buffer).GetCode(), KY_PENDING);
        }
    }

    void StopAndDrain()
    {
        ASSERT_TRUE(mFeatures->ExecuteCommand("AcquisitionStop").IsOK());
        ASSERT_TRUE(mStream.AbortQueuedBuffers().IsOK());
        while (mStream.GetQueuedBufferCount() > 0) {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(mStream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
        }
        mBuffers.clear();
    }

    static constexpr uint32_t kWidth = 120;
    static constexpr uint32_t kHeight = 50;
    ChunkSource mSource{kWidth, kHeight};
    KySoftDeviceGEV mCamera;
    KyDeviceGEV mDevice;
    KyStreamGEV mStream;
    KyGenParameterArray *mFeatures = nullptr;
    std::vector<std::unique_ptr<KyBuffer>> mBuffers;
};

TEST_F(ChunkSourceRoad, SelectorListsTheSourcesChunksOnceEach)
{
    KyGenEnum *selector = mFeatures->GetEnum(KyString("ChunkSelector"));
    ASSERT_NE(selector, nullptr);
    int64_t count = 0;
    ASSERT_TRUE(selector->GetEntriesCount(count).IsOK());
    const struct
    {
        const char *name;
        uint32_t id;
    } expected[] = {{"ChunkFrameCounter", kFrameCounterID},
                    {"ChunkExposureTime", kExposureID},
                    {"ChunkRefused", kRefusedID}};
    ASSERT_EQ(count, 3);
    for (int64_t i = 0; i < count; ++i) {
        const KyGenEnumEntry *entry = nullptr;
        ASSERT_TRUE(selector->GetEntryByIndex(i, &entry).IsOK());
        KyString name;
        int64_t value = -1;
        ASSERT_TRUE(entry->GetName(name).IsOK());
        ASSERT_TRUE(entry->GetValue(value).IsOK());
        EXPECT_STREQ(name.GetAscii(), expected[i].name);
        EXPECT_EQ(value, expected[i].id);
    }
    KyString first;
    ASSERT_TRUE(mFeatures->GetEnumValue(KyString("ChunkSelector"), first).IsOK());
    EXPECT_STREQ(first.GetAscii(), "ChunkFrameCounter");
}

TEST_F(ChunkSourceRoad, FeaturesReachTheSourceAndARefusalFailsTheWrite)
{
    bool mode = true;
    ASSERT_TRUE(mFeatures->GetBooleanValue(KyString("ChunkModeActive"), mode).IsOK());
    EXPECT_FALSE(mode);
    ASSERT_TRUE(mFeatures->SetBooleanValue(KyString("ChunkModeActive"), true).IsOK());
    ASSERT_TRUE(mFeatures->GetBooleanValue(KyString("ChunkModeActive"), mode).IsOK());
    EXPECT_TRUE(mode);
    EXPECT_TRUE(mSource.GetChunkModeActive());

    ASSERT_NO_FATAL_FAILURE(Enable("ChunkExposureTime", true));
    EXPECT_TRUE(mSource.GetChunkEnable(kExposureID));
    EXPECT_FALSE(mSource.GetChunkEnable(kFrameCounterID));
    EXPECT_TRUE(EnableOf("ChunkExposureTime"));
    EXPECT_FALSE(EnableOf("ChunkFrameCounter"));

    // The source refuses: the write fails and the feature keeps what the source says.
    ASSERT_TRUE(mFeatures->SetEnumValue(KyString("ChunkSelector"), KyString("ChunkRefused")).IsOK());
    EXPECT_TRUE(mFeatures->SetBooleanValue(KyString("ChunkEnable"), true).IsFailure());
    EXPECT_FALSE(EnableOf("ChunkRefused"));

    const std::vector<std::string> calls = mSource.Calls();
    const std::vector<std::string> expected = {"SetChunkModeActive 1", "SetChunkEnable 4098 1",
                                               "SetChunkEnable 4099 1"};
    EXPECT_EQ(calls, expected);
}

// Register writes the features would not make: a selector value that is no supported chunk ID, a
// Boolean value other than 0 and 1. Each is refused and changes nothing.
TEST_F(ChunkSourceRoad, RegistersRefuseValuesOutsideTheirRange)
{
    using ky::soft::ChunkRegisterAddress;
    const uint32_t selector = ChunkRegisterAddress(0, ky::soft::CHUNK_SELECTOR_OFFSET);
    const uint32_t mode = ChunkRegisterAddress(0, ky::soft::CHUNK_MODE_ACTIVE_OFFSET);
    const uint32_t enable = ChunkRegisterAddress(0, ky::soft::CHUNK_ENABLE_OFFSET);
    const struct
    {
        uint32_t address;
        uint32_t value;
    } refused[] = {{selector, 0x1004}, {selector, 0}, {mode, 2}, {enable, 0xFFFFFFFF}};
    for (const auto &w : refused) {
        EXPECT_TRUE(mDevice.WriteRegister(w.address, w.value).IsFailure())
            << std::hex << w.address << " " << w.value;
    }
    uint32_t value = 0;
    ASSERT_TRUE(mDevice.ReadRegister(selector, value).IsOK());
    EXPECT_EQ(value, kFrameCounterID);
    ASSERT_TRUE(mDevice.WriteRegister(selector, kExposureID).IsOK());
    ASSERT_TRUE(mDevice.ReadRegister(selector, value).IsOK());
    EXPECT_EQ(value, kExposureID);
    EXPECT_TRUE(mSource.Calls().empty());
}

// A source without chunk types: the device has no chunk features, and its frames are images.
TEST(NoChunkSource, HasNoChunkFeatures)
{
    KyStreamingChannelSourceTestPattern source(64, 32, KyPixelMono8, 2, 100.0);
    KySoftDeviceGEV camera;
    KyDeviceGEV device;
    ASSERT_TRUE(camera.AddStream(&source).IsOK());
    ASSERT_TRUE(camera.Start(KyString("00:00:00:00:00:00")).IsOK());
    ASSERT_TRUE(device.Connect(KyString("127.0.0.1")).IsOK());
    KyGenParameterArray *features = device.GetParameters();
    ASSERT_NE(features, nullptr);
    for (const char *name : {"ChunkModeActive", "ChunkSelector", "ChunkEnable"}) {
        EXPECT_EQ(features->Get(KyString(name)), nullptr) << name;
    }
    EXPECT_NE(features->Get(KyString("PixelFormat")), nullptr);
    EXPECT_EQ(device.GetPayloadSize(), 64u * 32u);
    (void)device.Disconnect();
    (void)camera.Stop();
}

TEST_F(ChunkSourceRoad, FramesCarryTheChunksByIdAndPlainImagesWithChunkModeOff)
{
    EXPECT_EQ(mDevice.GetPayloadSize(), kWidth * kHeight);
    ASSERT_TRUE(mFeatures->SetBooleanValue(KyString("ChunkModeActive"), true).IsOK());
    ASSERT_NO_FATAL_FAILURE(Enable("ChunkFrameCounter", true));
    ASSERT_NO_FATAL_FAILURE(Enable("ChunkExposureTime", true));
    // The image, its own tag, and each chunk with its tag.
    EXPECT_EQ(mDevice.GetPayloadSize(), kWidth * kHeight + 8 + (kFrameCounterSize + 8) + (kExposureSize + 8));
    QueueBuffers(8);
    ASSERT_TRUE(mFeatures->ExecuteCommand("AcquisitionStart").IsOK());
    ASSERT_NO_FATAL_FAILURE(ExpectFrames(6, true));
    // Locked while streaming: the source is not asked.
    const size_t calls = mSource.Calls().size();
    EXPECT_TRUE(mFeatures->SetBooleanValue(KyString("ChunkModeActive"), false).IsFailure());
    EXPECT_TRUE(mFeatures->SetBooleanValue(KyString("ChunkEnable"), false).IsFailure());
    EXPECT_EQ(mSource.Calls().size(), calls);
    EXPECT_TRUE(mSource.GetChunkModeActive());
    ASSERT_NO_FATAL_FAILURE(StopAndDrain());

    ASSERT_TRUE(mFeatures->SetBooleanValue(KyString("ChunkModeActive"), false).IsOK());
    EXPECT_EQ(mDevice.GetPayloadSize(), kWidth * kHeight);
    QueueBuffers(8);
    ASSERT_TRUE(mFeatures->ExecuteCommand("AcquisitionStart").IsOK());
    ASSERT_NO_FATAL_FAILURE(ExpectFrames(4, false));
    ASSERT_NO_FATAL_FAILURE(StopAndDrain());
}

}  // namespace
