// Every way a stream hands a buffer back other than whole: aborted (queued or half filled),
// closed, no block in time, a block larger than its buffer, a sender that stops mid-frame.
#include <gtest/gtest.h>

#include <cstring>

#include "StreamRig.h"

using namespace ky::stream::test;

namespace {

constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 480;
constexpr uint32_t kSize = kWidth * kHeight;

KyResult RetrieveOne(StreamRig &rig, KyBuffer *&buffer)
{
    KyResult operation;
    KyResult result = rig.stream.RetrieveBuffer(&buffer, &operation, kWaitMs);
    EXPECT_TRUE(result.IsOK()) << result.GetDescription().GetAscii();
    return operation;
}

}  // namespace

TEST(StreamEnd, AbortHandsBackQueuedAndHalfFilledBuffers)
{
    StreamRig rig;
    ASSERT_TRUE(rig.Open(1500).IsOK());
    rig.QueueBuffers(3, kSize);
    rig.camera.sender.SetTestStopAfterPackets(20);
    ASSERT_TRUE(rig.camera.SendFrame(1, KyPixelMono8, kWidth, kHeight, 0).IsOK());
    ASSERT_TRUE(rig.stream.AbortQueuedBuffers().IsOK());
    for (int i = 0; i < 3; ++i) {
        KyBuffer *buffer = nullptr;
        EXPECT_EQ(RetrieveOne(rig, buffer).GetCode(), KY_ABORTED);
        EXPECT_NE(buffer, nullptr);
    }
    EXPECT_EQ(rig.stream.GetQueuedBufferCount(), 0u);
    EXPECT_EQ(rig.Integer("AbortedCount"), 3);
    EXPECT_EQ(rig.Integer("ErrorCount"), 0);
}

TEST(StreamEnd, CloseAbortsWhatIsQueued)
{
    StreamRig rig;
    ASSERT_TRUE(rig.Open(1500).IsOK());
    rig.QueueBuffers(2, kSize);
    ASSERT_TRUE(rig.stream.Close().IsOK());
    for (int i = 0; i < 2; ++i) {
        KyBuffer *buffer = nullptr;
        EXPECT_EQ(RetrieveOne(rig, buffer).GetCode(), KY_ABORTED);
    }
    KyBuffer *buffer = nullptr;
    KyResult operation;
    EXPECT_EQ(rig.stream.RetrieveBuffer(&buffer, &operation, 0).GetCode(), KY_NO_MORE_ITEM);
}

TEST(StreamEnd, NoBlockInTimeIsATimeout)
{
    StreamRig rig;
    ASSERT_TRUE(rig.Open(1500).IsOK());
    rig.QueueBuffers(1, kSize);
    KyBuffer *buffer = reinterpret_cast<KyBuffer *>(1);
    KyResult operation;
    KyResult result = rig.stream.RetrieveBuffer(&buffer, &operation, 100);
    EXPECT_EQ(result.GetCode(), KY_TIMEOUT);
    EXPECT_STREQ(result.GetDescription().GetAscii(), "no block ended within 100 ms");
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(rig.stream.GetQueuedBufferCount(), 1u);
}

TEST(StreamEnd, BlockLargerThanItsBuffer)
{
    StreamRig rig;
    ASSERT_TRUE(rig.Open(1500).IsOK());
    const uint32_t small = 10000;
    rig.QueueBuffers(1, small);
    ASSERT_TRUE(rig.camera.SendFrame(1, KyPixelMono8, kWidth, kHeight, 0).IsOK());
    KyBuffer *buffer = nullptr;
    EXPECT_EQ(RetrieveOne(rig, buffer).GetCode(), KY_BUFFER_TOO_SMALL);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->GetRequiredSize(), kSize);
    EXPECT_LE(buffer->GetAcquiredSize(), small);
    // The image never describes more than the memory holds: its views stay inside it.
    ASSERT_NE(buffer->GetImage(), nullptr);
    EXPECT_LE(buffer->GetImage()->GetImageSize(), buffer->GetSize());
    const std::vector<uint8_t> expected = ky::gev::test::Pattern(kSize, 0);
    EXPECT_EQ(std::memcmp(buffer->GetDataPointer(), expected.data(), buffer->GetAcquiredSize()), 0);
    EXPECT_EQ(rig.Integer("BufferTooSmallCount"), 1);
    EXPECT_EQ(rig.Integer("ErrorCount"), 1);
}

TEST(StreamEnd, SenderStopsMidFrame)
{
    StreamRig rig;
    ASSERT_TRUE(rig.Open(1500).IsOK());
    rig.QueueBuffers(2, kSize);
    rig.camera.sender.SetTestStopAfterPackets(30);
    ASSERT_TRUE(rig.camera.SendFrame(1, KyPixelMono8, kWidth, kHeight, 0).IsOK());
    KyBuffer *buffer = nullptr;
    KyResult operation = RetrieveOne(rig, buffer);
    // The sender no longer holds the block: it answers the resend requests that it cannot.
    EXPECT_EQ(operation.GetCode(), KY_MISSING_PACKETS) << operation.GetDescription().GetAscii();
    ASSERT_NE(buffer, nullptr);
    EXPECT_GT(buffer->GetLostPacketCount(), 0u);
    uint32_t groups = 0;
    EXPECT_TRUE(buffer->GetMissingPacketIdsCount(groups).IsOK());
    EXPECT_GT(groups, 0u);
    // The stream goes on with the next whole block.
    ASSERT_TRUE(rig.camera.SendFrame(2, KyPixelMono8, kWidth, kHeight, 1).IsOK());
    EXPECT_TRUE(RetrieveOne(rig, buffer).IsOK());
    EXPECT_TRUE(HoldsPattern(*buffer, kSize, 1));
    EXPECT_EQ(rig.Integer("MissingPacketsCount"), 1);
    EXPECT_EQ(rig.Integer("BlockCount"), 1);
}
