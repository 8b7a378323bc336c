// A queued buffer destroyed by its owner takes itself out of the stream first: wherever it is
// (queued, being filled, ended and not yet retrieved), nothing writes into it afterwards, and
// the stream goes on with the other buffers. A stream that goes first leaves its buffers alone.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "StreamRig.h"

using namespace ky::stream::test;

namespace {

constexpr uint32_t kWidth = 320;
constexpr uint32_t kHeight = 240;
constexpr uint32_t kSize = kWidth * kHeight;

std::unique_ptr<KyBuffer> NewBuffer()
{
    auto buffer = std::make_unique<KyBuffer>(KyPayloadTypeImage);
    EXPECT_TRUE(buffer->Alloc(kSize).IsOK());
    return buffer;
}

// The next frame lands whole in the rig's first buffer.
void ExpectNextFrameIn(StreamRig &rig, uint64_t blockId)
{
    const uint32_t frame = static_cast<uint32_t>(blockId);
    ASSERT_TRUE(rig.camera.SendFrame(blockId, KyPixelMono8, kWidth, kHeight, frame).IsOK());
    KyBuffer *buffer = nullptr;
    KyResult operation;
    ASSERT_TRUE(rig.stream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
    EXPECT_EQ(buffer, rig.buffers.front().get());
    EXPECT_EQ(operation.GetCode(), KY_OK);
    EXPECT_EQ(buffer->GetBlockID(), blockId);
    EXPECT_TRUE(HoldsPattern(*buffer, kSize, frame));
}

}  // namespace

TEST(StreamForget, DestroyedWhileQueued)
{
    StreamRig rig;
    ASSERT_TRUE(rig.Open(1500).IsOK());
    std::unique_ptr<KyBuffer> doomed = NewBuffer();
    ASSERT_EQ(rig.stream.QueueBuffer(doomed.get()).GetCode(), KY_PENDING);
    EXPECT_EQ(doomed->GetHolder() != nullptr, true);
    rig.QueueBuffers(1, kSize);
    doomed.reset();
    EXPECT_EQ(rig.stream.GetQueuedBufferCount(), 1u);
    ExpectNextFrameIn(rig, 1);
    EXPECT_EQ(rig.buffers.front()->GetHolder(), nullptr);  // retrieved: no longer held
}

TEST(StreamForget, DestroyedWhileBeingFilled)
{
    StreamRig rig;
    ASSERT_TRUE(rig.Open(1500).IsOK());
    std::unique_ptr<KyBuffer> doomed = NewBuffer();
    ASSERT_EQ(rig.stream.QueueBuffer(doomed.get()).GetCode(), KY_PENDING);
    rig.camera.sender.SetTestStopAfterPackets(20);
    ASSERT_TRUE(rig.camera.SendFrame(1, KyPixelMono8, kWidth, kHeight, 0).IsOK());
    doomed.reset();  // queued still, or its block in progress: either way it leaves
    EXPECT_EQ(rig.stream.GetQueuedBufferCount(), 0u);
    ASSERT_TRUE(rig.stream.AbortQueuedBuffers().IsOK());
    KyBuffer *buffer = nullptr;
    KyResult operation;
    EXPECT_EQ(rig.stream.RetrieveBuffer(&buffer, &operation, 0).GetCode(), KY_NO_MORE_ITEM);
}

TEST(StreamForget, DestroyedAfterItsBlockEnded)
{
    StreamRig rig;
    ASSERT_TRUE(rig.Open(1500).IsOK());
    rig.QueueBuffers(1, kSize);
    std::unique_ptr<KyBuffer> doomed = NewBuffer();
    ASSERT_EQ(rig.stream.QueueBuffer(doomed.get()).GetCode(), KY_PENDING);
    ASSERT_TRUE(rig.stream.AbortQueuedBuffers().IsOK());  // both ended, waiting to be retrieved
    doomed.reset();
    KyBuffer *buffer = nullptr;
    KyResult operation;
    ASSERT_TRUE(rig.stream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
    EXPECT_EQ(buffer, rig.buffers.front().get());
    EXPECT_EQ(operation.GetCode(), KY_ABORTED);
    EXPECT_EQ(rig.stream.RetrieveBuffer(&buffer, &operation, 0).GetCode(), KY_NO_MORE_ITEM);
}

// The owner destroys a buffer while another thread retrieves: the retriever either has it already
// (the destructor waits until it is handed back) or never gets it.
TEST(StreamForget, DestroyedWhileAnotherThreadRetrieves)
{
    StreamRig rig;
    ASSERT_TRUE(rig.Open(1500).IsOK());
    for (uint32_t round = 1; round <= 20; ++round) {
        std::unique_ptr<KyBuffer> doomed = NewBuffer();
        ASSERT_EQ(rig.stream.QueueBuffer(doomed.get()).GetCode(), KY_PENDING);
        KyResult retrieved;
        std::thread retriever([&] {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            retrieved = rig.stream.RetrieveBuffer(&buffer, &operation, 200);
        });
        ASSERT_TRUE(rig.camera.SendFrame(round, KyPixelMono8, kWidth, kHeight, round).IsOK());
        doomed.reset();
        retriever.join();
        const uint32_t code = retrieved.GetCode();
        EXPECT_TRUE(code == KY_OK || code == KY_TIMEOUT || code == KY_NO_MORE_ITEM) << code;
        EXPECT_EQ(rig.stream.GetQueuedBufferCount(), 0u);
    }
}

TEST(StreamForget, StreamGoesFirst)
{
    std::unique_ptr<KyBuffer> buffer = NewBuffer();
    {
        auto stream = std::make_unique<KyStreamGEV>();
        ASSERT_TRUE(stream->Open(KyString(kCameraAddress), 0).IsOK());
        ASSERT_EQ(stream->QueueBuffer(buffer.get()).GetCode(), KY_PENDING);
    }
    EXPECT_EQ(buffer->GetHolder(), nullptr);
    buffer.reset();  // calls no stream
}

TEST(StreamForget, ReopeningForgetsTheBuffersOfTheEarlierOpening)
{
    std::unique_ptr<KyBuffer> buffer = NewBuffer();
    KyStreamGEV stream;
    ASSERT_TRUE(stream.Open(KyString(kCameraAddress), 0).IsOK());
    ASSERT_EQ(stream.QueueBuffer(buffer.get()).GetCode(), KY_PENDING);
    ASSERT_TRUE(stream.Close().IsOK());  // the buffer waits, aborted, to be retrieved
    EXPECT_NE(buffer->GetHolder(), nullptr);
    ASSERT_TRUE(stream.Open(KyString(kCameraAddress), 0).IsOK());
    EXPECT_EQ(buffer->GetHolder(), nullptr);
    EXPECT_EQ(stream.GetQueuedBufferCount(), 0u);
}
