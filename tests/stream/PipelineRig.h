// A KyPipeline over a stream on the test camera, and a sink that counts what it hears.
#pragma once

#include <atomic>

#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyPipelineEventSink.h"
#include "StreamRig.h"

namespace ky::stream::test {

struct CountingSink : KyPipelineEventSink
{
    std::atomic<int> created{0}, deleted{0}, started{0}, stopped{0}, resets{0}, tooSmall{0}, ready{0};
    void OnBufferCreated(KyPipeline *, KyBuffer *) override { ++created; }
    void OnBufferDeleted(KyPipeline *, KyBuffer *) override { ++deleted; }
    void OnStart(KyPipeline *) override { ++started; }
    void OnStop(KyPipeline *) override { ++stopped; }
    void OnReset(KyPipeline *) override { ++resets; }
    void OnBufferTooSmall(KyPipeline *p, bool *all, bool *stats) override
    {
        ++tooSmall;
        KyPipelineEventSink::OnBufferTooSmall(p, all, stats);
    }
    void OnBufferReady(KyPipeline *) override { ++ready; }
};

struct PipelineRig
{
    StreamRig rig;
    CountingSink sink;  // outlives the pipeline, which tells it about its buffers to the end
    std::unique_ptr<KyPipeline> pipeline;

    KyResult Open(uint32_t packetSize, uint32_t count, uint32_t bufferSize, bool withSink = true)
    {
        KyResult result = rig.Open(packetSize);
        if (result.IsFailure())
            return result;
        pipeline = std::make_unique<KyPipeline>(&rig.stream);
        if (withSink)
            result = pipeline->RegisterEventSink(&sink);
        pipeline->SetBufferSize(bufferSize);
        if (result.IsOK())
            result = pipeline->SetBufferCount(count);
        return result.IsFailure() ? result : pipeline->Start();
    }

    // The next buffer, checked whole and holding the pattern of its frame; released again.
    void ExpectFrame(uint32_t size, uint32_t frame, uint64_t blockId)
    {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        ASSERT_TRUE(pipeline->RetrieveNextBuffer(&buffer, kWaitMs, &operation).IsOK());
        EXPECT_TRUE(operation.IsOK()) << operation.GetDescription().GetAscii();
        EXPECT_EQ(buffer->GetBlockID(), blockId);
        EXPECT_TRUE(HoldsPattern(*buffer, size, frame)) << "frame " << frame;
        EXPECT_TRUE(pipeline->ReleaseBuffer(buffer).IsOK());
    }
};

}  // namespace ky::stream::test
