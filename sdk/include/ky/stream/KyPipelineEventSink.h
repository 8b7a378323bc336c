// KyPipelineEventSink: what a pipeline tells its registered sinks. Override the operations you
// need; the defaults do nothing (OnBufferTooSmall's default asks for every buffer to be
// re-allocated and the statistics kept).
//
// Threads: OnStart, OnStop and OnReset run on the thread that called Start, Stop or Reset;
// OnBufferCreated and OnBufferDeleted on the thread that changed the buffer count (or the
// pipeline's own thread while it re-allocates); OnBufferTooSmall and OnBufferReady on the
// pipeline's own thread. An exception thrown by a sink is caught and logged; it never reaches
// the pipeline's caller.
#pragma once

#include "ky/stream/KyStreamExport.h"

class KyPipeline;
class KyBuffer;

class KY_STREAM_API KyPipelineEventSink
{
public:
    virtual ~KyPipelineEventSink() = default;
    // Right after the pipeline made a buffer, before its memory is allocated.
    virtual void OnBufferCreated(KyPipeline *aPipeline, KyBuffer *aBuffer);
    // Right before the pipeline deletes a buffer.
    virtual void OnBufferDeleted(KyPipeline *aPipeline, KyBuffer *aBuffer);
    virtual void OnStart(KyPipeline *aPipeline);
    virtual void OnStop(KyPipeline *aPipeline);
    virtual void OnReset(KyPipeline *aPipeline);
    // A buffer came back too small for its block. Set *aReallocAll to have every buffer grown
    // now (and *aResetStats, honoured only then, to reset the stream statistics); otherwise
    // only that buffer is grown before it is queued again.
    virtual void OnBufferTooSmall(KyPipeline *aPipeline, bool *aReallocAll, bool *aResetStats);
    // A buffer is ready for RetrieveNextBuffer.
    virtual void OnBufferReady(KyPipeline *aPipeline);
};
