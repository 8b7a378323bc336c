// KyPipeline over a stream on the test camera: frames pixel-exact at several sizes and both
// packet sizes, buffers grown to the blocks' size, blocks let go when nobody retrieves them,
// and the start / stop / reset life with its sink calls and refusals.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "PipelineRig.h"

using namespace ky::stream::test;

TEST(Pipeline, FramesArrivePixelExact)
{
    const struct
    {
        uint32_t pixelFormat, width, height, packetSize, bufferSize;
    } cases[] = {
        {KyPixelMono8, 64, 48, 1500, 64 * 48},
        {KyPixelBayerRG8, 640, 480, 1500, 640 * 480},
        {KyPixelMono8, 1000, 3, 9000, 0},  // the pipeline learns the size
        {KyPixelBayerRG8, 2448, 2048, 9000, 2448 * 2048},
        {KyPixelMono8, 2448, 2048, 1500, 2448 * 2048},
        {KyPixelMono16, 333, 111, 9000, 333 * 111 * 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " packet " << c.packetSize);
        PipelineRig p;
        ASSERT_TRUE(p.Open(c.packetSize, 4, c.bufferSize).IsOK());
        const uint32_t size = c.width * c.height * ((c.pixelFormat >> 16) & 0xFF) / 8;
        for (uint32_t f = 0; f < 5; ++f) {
            ASSERT_TRUE(p.rig.camera.SendFrame(f + 1, c.pixelFormat, c.width, c.height, f).IsOK());
            p.ExpectFrame(size, f, f + 1);
        }
        EXPECT_TRUE(p.pipeline->Stop().IsOK());
    }
}

TEST(Pipeline, BuffersGrowToTheBlocks)
{
    const uint32_t width = 800, height = 600, size = width * height;
    for (bool withSink : {false, true}) {
        SCOPED_TRACE(withSink ? "with a sink" : "without a sink");
        PipelineRig p;
        ASSERT_TRUE(p.Open(9000, 4, 1000, withSink).IsOK());
        int whole = 0;
        for (uint32_t f = 0; f < 8; ++f) {
            ASSERT_TRUE(p.rig.camera.SendFrame(f + 1, KyPixelMono8, width, height, f).IsOK());
            KyBuffer *buffer = nullptr;
            KyResult operation;
            // A block that did not fit never comes out; the wait for it ends with a timeout.
            if (!p.pipeline->RetrieveNextBuffer(&buffer, 500, &operation).IsOK())
                continue;
            EXPECT_TRUE(operation.IsOK());
            EXPECT_TRUE(HoldsPattern(*buffer, size, f));
            ++whole;
            EXPECT_TRUE(p.pipeline->ReleaseBuffer(buffer).IsOK());
        }
        EXPECT_GE(whole, 6);  // the block that did not fit; every buffer grew at once after it
        EXPECT_EQ(p.sink.tooSmall.load() >= 1, withSink);
        EXPECT_EQ(p.pipeline->GetBufferSize(), size);
    }

    PipelineRig p;
    ASSERT_TRUE(p.Open(9000, 4, 1000).IsOK());
    // With the handling off, a block that does not fit comes out as such.
    p.pipeline->SetHandleBufferTooSmall(false);
    p.pipeline->SetBufferSize(1000);
    ASSERT_TRUE(p.pipeline->Reset().IsOK());
    ASSERT_TRUE(p.rig.camera.SendFrame(100, KyPixelMono8, 2 * width, 2 * height, 0).IsOK());
    KyBuffer *buffer = nullptr;
    KyResult operation;
    ASSERT_TRUE(p.pipeline->RetrieveNextBuffer(&buffer, kWaitMs, &operation).IsOK());
    EXPECT_EQ(operation.GetCode(), KY_BUFFER_TOO_SMALL);
    EXPECT_EQ(buffer->GetRequiredSize(), 4 * size);
    EXPECT_TRUE(p.pipeline->ReleaseBuffer(buffer).IsOK());
}

TEST(Pipeline, BlocksNobodyRetrievesAreLetGo)
{
    const uint32_t width = 256, height = 256, size = width * height, frames = 12;
    PipelineRig p;
    ASSERT_TRUE(p.Open(9000, 4, size).IsOK());
    for (uint32_t f = 0; f < frames; ++f)
        ASSERT_TRUE(p.rig.camera.SendFrame(f + 1, KyPixelMono8, width, height, f).IsOK());
    // Every block is accounted for: whole, let go by the pipeline, or without a buffer.
    for (int i = 0; i < 500; ++i) {
        if (p.rig.Integer("BlockCount") + p.rig.Integer("BlocksWithoutBuffer") >= frames)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GT(p.rig.Integer("PipelineImagesDropped") + p.rig.Integer("BlocksWithoutBuffer"), 0);
    EXPECT_LE(p.pipeline->GetOutputQueueSize(), 4u);
    while (p.pipeline->GetOutputQueueSize() > 0) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        ASSERT_TRUE(p.pipeline->RetrieveNextBuffer(&buffer, kWaitMs, &operation).IsOK());
        EXPECT_TRUE(operation.IsOK());
        EXPECT_TRUE(HoldsPattern(*buffer, size, static_cast<uint32_t>(buffer->GetBlockID() - 1)));
        EXPECT_TRUE(p.pipeline->ReleaseBuffer(buffer).IsOK());
    }
}

TEST(Pipeline, LifeAndRefusals)
{
    KyPipeline orphan(nullptr);
    EXPECT_EQ(orphan.Start().GetCode(), KY_NOT_CONNECTED);

    PipelineRig p;
    ASSERT_TRUE(p.rig.Open(1500).IsOK());
    p.pipeline = std::make_unique<KyPipeline>(&p.rig.stream);
    KyPipeline &pipeline = *p.pipeline;
    EXPECT_EQ(pipeline.GetBufferCount(), 16u);
    EXPECT_EQ(pipeline.GetBufferSize(), 0u);
    EXPECT_TRUE(pipeline.GetHandleBufferTooSmall());
    EXPECT_EQ(pipeline.RegisterEventSink(nullptr).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_TRUE(pipeline.RegisterEventSink(&p.sink).IsOK());
    EXPECT_EQ(pipeline.RegisterEventSink(&p.sink).GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(pipeline.SetBufferCount(0).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(pipeline.SetBufferCount(65).GetCode(), KY_INVALID_PARAMETER);
    ASSERT_TRUE(pipeline.SetBufferCount(6).IsOK());

    KyBuffer *buffer = nullptr;
    KyResult operation;
    EXPECT_EQ(pipeline.RetrieveNextBuffer(&buffer, 10, &operation).GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(pipeline.Stop().GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(pipeline.Reset().GetCode(), KY_STATE_ERROR);

    ASSERT_TRUE(pipeline.Start().IsOK());
    EXPECT_TRUE(pipeline.IsStarted());
    EXPECT_EQ(pipeline.Start().GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(p.sink.created.load(), 6);
    EXPECT_EQ(p.sink.started.load(), 1);
    KyResult timeout = pipeline.RetrieveNextBuffer(&buffer, 100, &operation);
    EXPECT_EQ(timeout.GetCode(), KY_TIMEOUT);
    EXPECT_STREQ(timeout.GetDescription().GetAscii(), "no buffer came within 100 ms");
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(pipeline.RetrieveNextBuffer(nullptr, 10, &operation).GetCode(), KY_INVALID_PARAMETER);
    KyBuffer foreign;
    EXPECT_EQ(pipeline.ReleaseBuffer(&foreign).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(pipeline.ReleaseBuffer(nullptr).GetCode(), KY_INVALID_PARAMETER);

    ASSERT_TRUE(pipeline.Reset().IsOK());
    EXPECT_EQ(p.sink.resets.load(), 1);
    ASSERT_TRUE(p.rig.camera.SendFrame(1, KyPixelMono8, 100, 100, 0).IsOK());
    p.ExpectFrame(100 * 100, 0, 1);

    // A caller waiting without limit is woken by Stop.
    auto waiter = std::async(std::launch::async, [&] {
        KyBuffer *b = nullptr;
        KyResult o;
        return pipeline.RetrieveNextBuffer(&b, 0xFFFFFFFFu, &o).GetCode();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(pipeline.Stop().IsOK());
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(waiter.get(), KY_STATE_ERROR);
    EXPECT_FALSE(pipeline.IsStarted());
    EXPECT_EQ(p.sink.stopped.load(), 1);
    EXPECT_EQ(p.rig.stream.GetQueuedBufferCount(), 0u);

    ASSERT_TRUE(pipeline.SetBufferCount(4).IsOK());
    EXPECT_EQ(p.sink.deleted.load(), 2);
    p.pipeline.reset();
    EXPECT_EQ(p.sink.deleted.load(), 6);
}

// A sink that stops, resets or starts its own pipeline from OnBufferReady (the pipeline's thread)
// or from OnStart (inside Start): each call would wait for the calling thread, and is refused
// with KY_STATE_ERROR; the application's thread then stops and starts the pipeline, which
// delivers again.
struct SelfStoppingSink : CountingSink
{
    std::promise<std::vector<uint32_t>> fromReady;
    std::vector<uint32_t> fromStart;
    std::atomic<bool> done{false};
    void OnStart(KyPipeline *pipeline) override
    {
        CountingSink::OnStart(pipeline);
        fromStart = {pipeline->Stop().GetCode(), pipeline->Reset().GetCode(), pipeline->Start().GetCode()};
    }
    void OnBufferReady(KyPipeline *pipeline) override
    {
        CountingSink::OnBufferReady(pipeline);
        if (!done.exchange(true))
            fromReady.set_value(
                {pipeline->Stop().GetCode(), pipeline->Reset().GetCode(), pipeline->Start().GetCode()});
    }
};

TEST(Pipeline, OwnSinkCannotStopOrResetIt)
{
    SelfStoppingSink sink;  // outlives the pipeline
    PipelineRig p;
    ASSERT_TRUE(p.rig.Open(1500).IsOK());
    p.pipeline = std::make_unique<KyPipeline>(&p.rig.stream);
    ASSERT_TRUE(p.pipeline->RegisterEventSink(&sink).IsOK());
    ASSERT_TRUE(p.pipeline->SetBufferCount(4).IsOK());
    ASSERT_TRUE(p.pipeline->Start().IsOK());
    const std::vector<uint32_t> refused = {KY_STATE_ERROR, KY_STATE_ERROR, KY_STATE_ERROR};
    EXPECT_EQ(sink.fromStart, refused);
    auto ready = sink.fromReady.get_future();
    ASSERT_TRUE(p.rig.camera.SendFrame(1, KyPixelMono8, 64, 48, 0).IsOK());
    ASSERT_EQ(ready.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(ready.get(), refused);
    EXPECT_TRUE(p.pipeline->IsStarted());
    p.ExpectFrame(64 * 48, 0, 1);

    ASSERT_TRUE(p.pipeline->Stop().IsOK());
    EXPECT_FALSE(p.pipeline->IsStarted());
    ASSERT_TRUE(p.pipeline->Start().IsOK());
    ASSERT_TRUE(p.rig.camera.SendFrame(2, KyPixelMono8, 64, 48, 1).IsOK());
    p.ExpectFrame(64 * 48, 1, 2);
    EXPECT_TRUE(p.pipeline->Stop().IsOK());
    EXPECT_TRUE(p.pipeline->UnregisterEventSink(&sink).IsOK());
}

// A sink that deletes its own pipeline from OnBufferReady (on the pipeline's thread), as an
// application that is done after one frame may: the deletion returns without joining the thread,
// no sink is called after it, and the stream may be closed and reopened at once.
struct SelfDeletingSink : CountingSink
{
    std::unique_ptr<KyPipeline> pipeline;
    std::atomic<int> callsAfter{0};
    std::atomic<bool> gone{false};
    void OnBufferReady(KyPipeline *) override
    {
        if (gone) {
            ++callsAfter;
            return;
        }
        pipeline.reset();
        gone = true;  // last: the test may end the sink from here on
    }
    void OnBufferDeleted(KyPipeline *, KyBuffer *) override { callsAfter += gone ? 1 : 0; }
};

TEST(Pipeline, OwnSinkMayDeleteIt)
{
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        SelfDeletingSink sink;
        PipelineRig p;
        ASSERT_TRUE(p.rig.Open(1500).IsOK());
        sink.pipeline = std::make_unique<KyPipeline>(&p.rig.stream);
        ASSERT_TRUE(sink.pipeline->RegisterEventSink(&sink).IsOK());
        ASSERT_TRUE(sink.pipeline->SetBufferCount(4).IsOK());
        ASSERT_TRUE(sink.pipeline->Start().IsOK());
        for (uint32_t f = 0; f < 3; ++f)
            ASSERT_TRUE(p.rig.camera.SendFrame(f + 1, KyPixelMono8, 64, 48, f).IsOK());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (!sink.gone && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(sink.gone) << "no frame reached the sink";
        // The stream got every buffer back from the deletion and can be closed right away.
        EXPECT_EQ(p.rig.stream.GetQueuedBufferCount(), 0u);
        EXPECT_TRUE(p.rig.stream.Close().IsOK());
        EXPECT_EQ(sink.callsAfter.load(), 0);
    }
}
