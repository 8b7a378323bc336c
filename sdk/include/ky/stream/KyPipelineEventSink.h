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
    /// Makes a sink whose operations do the defaults.
    KyPipelineEventSink() = default;
    /// Destructor.
    virtual ~KyPipelineEventSink() = default;
    /// Right after the pipeline made a buffer, before its memory is allocated.
    ///
    /// @param[in] aPipeline the pipeline
    /// @param[in] aBuffer the new buffer
    virtual void OnBufferCreated(KyPipeline *aPipeline, KyBuffer *aBuffer);
    /// Right before the pipeline deletes a buffer.
    ///
    /// @param[in] aPipeline the pipeline
    /// @param[in] aBuffer the buffer
    virtual void OnBufferDeleted(KyPipeline *aPipeline, KyBuffer *aBuffer);
    /// Just before the pipeline starts, on the thread that called Start.
    ///
    /// @param[in] aPipeline the pipeline
    virtual void OnStart(KyPipeline *aPipeline);
    /// Right after the pipeline stopped, on the thread that called Stop.
    ///
    /// @param[in] aPipeline the pipeline
    virtual void OnStop(KyPipeline *aPipeline);
    /// After a reset, on the thread that called Reset.
    ///
    /// @param[in] aPipeline the pipeline
    virtual void OnReset(KyPipeline *aPipeline);
    /// A buffer came back too small for its block (with buffer-too-small handling on), on the pipeline's thread.
    ///
    /// The default asks for every buffer to be re-allocated.
    ///
    /// @param[in] aPipeline the pipeline
    /// @param[out] aReallocAll set it to have every buffer grown now; otherwise only that buffer is
    ///        grown before it is queued again
    /// @param[out] aResetStats set it (honoured only with aReallocAll) to reset the stream statistics
    virtual void OnBufferTooSmall(KyPipeline *aPipeline, bool *aReallocAll, bool *aResetStats);
    /// A buffer is ready for RetrieveNextBuffer, on the pipeline's thread.
    ///
    /// @param[in] aPipeline the pipeline
    virtual void OnBufferReady(KyPipeline *aPipeline);
};
