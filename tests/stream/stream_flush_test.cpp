// FlushPacketQueue: after a pause in which the application retrieved nothing while the camera
// kept sending, a flush makes the next frame retrieved one sent after it, and the stream goes on
// with whole frames in order.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "StreamRig.h"
#include "TestDeadline.h"

using namespace ky::stream::test;

namespace {

constexpr uint32_t kWidth = 320;
constexpr uint32_t kHeight = 240;
constexpr uint32_t kSize = kWidth * kHeight;

// Sends frames 1, 2, 3, ... (block id = frame + 1) about every 10 ms until stopped or a bound.
struct SteadyCamera
{
    GvspTestCamera &camera;
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> lastSent{0};  // block id of the last frame sent whole
    std::thread thread;

    explicit SteadyCamera(GvspTestCamera &c) : camera(c)
    {
        thread = std::thread([this] {
            for (uint32_t frame = 0; frame < 20000 && !stop; ++frame) {
                if (camera.SendFrame(frame + 1, KyPixelMono8, kWidth, kHeight, frame).IsOK())
                    lastSent = frame + 1;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    ~SteadyCamera()
    {
        stop = true;
        thread.join();
    }
};

}  // namespace

TEST(StreamFlush, NextFrameAfterAPauseIsANewOne)
{
    StreamRig rig;
    ASSERT_TRUE(rig.Open(1500).IsOK());
    EXPECT_EQ(rig.stream.FlushPacketQueue().GetCode(), KY_OK) << "nothing to drop yet";
    rig.QueueBuffers(4, kSize);
    SteadyCamera steady(rig.camera);
    KyBuffer *buffer = nullptr;
    KyResult operation;
    uint64_t last = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(rig.stream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
        EXPECT_GT(buffer->GetBlockID(), last);
        last = buffer->GetBlockID();
        ASSERT_EQ(rig.stream.QueueBuffer(buffer).GetCode(), KY_PENDING);
    }
    // The pause: the queued buffers fill with the frames that follow, and the camera goes on for
    // about two seconds.
    const uint64_t pausedAt = steady.lastSent;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TestDeadlineMs(60000));
    while (steady.lastSent < pausedAt + 200 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(steady.lastSent, pausedAt + 200);

    const uint64_t beforeFlush = steady.lastSent;
    ASSERT_EQ(rig.stream.FlushPacketQueue().GetCode(), KY_OK);
    EXPECT_EQ(rig.stream.GetQueuedBufferCount(), 4u) << "the buffers stay queued";
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(rig.stream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
        ASSERT_TRUE(operation.IsOK()) << operation.GetDescription().GetAscii();
        const uint64_t block = buffer->GetBlockID();
        EXPECT_GT(block, i == 0 ? beforeFlush : last) << "frame " << i << " after the flush";
        EXPECT_TRUE(HoldsPattern(*buffer, kSize, static_cast<uint32_t>(block - 1))) << block;
        last = block;
        ASSERT_EQ(rig.stream.QueueBuffer(buffer).GetCode(), KY_PENDING);
    }
}

TEST(StreamFlush, AClosedStreamHasNothingToFlush)
{
    KyStreamGEV stream;
    EXPECT_EQ(stream.FlushPacketQueue().GetCode(), KY_NOT_CONNECTED);
    ASSERT_TRUE(stream.Open(KyString(kCameraAddress)).IsOK());
    EXPECT_EQ(stream.FlushPacketQueue().GetCode(), KY_OK);
    ASSERT_TRUE(stream.Close().IsOK());
    EXPECT_EQ(stream.FlushPacketQueue().GetCode(), KY_NOT_CONNECTED);
}
