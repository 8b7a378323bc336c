// KyPipeline: keeps a pool of buffers queued on one open stream with a thread of its own, and
// hands the filled ones out one at a time.
//
// Use: SetBufferCount (and SetBufferSize), Start, then RetrieveNextBuffer / ReleaseBuffer in a
// loop, Stop; delete the pipeline before the stream is closed. The pipeline keeps only the
// stream's address: the caller owns the stream and keeps it open meanwhile.
//
// Buffers belong to the pipeline; RetrieveNextBuffer lends one, which must come back through
// ReleaseBuffer (and must not be used after). Blocks that come out faster than the application
// retrieves them are let go when the stream runs short of buffers: the oldest waiting buffer is
// queued again and the stream parameter PipelineImagesDropped counts it.
//
// Buffer size: every buffer is (re-)allocated to GetBufferSize bytes when it is queued while
// smaller, or more than four times larger. With buffer-too-small handling on (the default), a
// block larger than its buffer grows the buffer size to the block's size, the sinks hear
// OnBufferTooSmall, and the buffer is queued again; when a sink asks for it (the default sink
// does), or no sink is registered, every buffer in the stream is taken back and grown at once
// (blocks that ended whole meanwhile still come out). With the handling off, such buffers come out of
// RetrieveNextBuffer with the operation result KY_BUFFER_TOO_SMALL. A size of 0 (the start)
// means the first blocks teach the pipeline their size.
//
// Thread safety: every call may come from any thread; RetrieveNextBuffer waits may run on
// several threads. A sink on the pipeline's thread may delete the pipeline: the deletion returns
// at once with the stream's buffers taken back (the stream may be closed right after), no sink is
// called any more, and the thread ends by itself once the sink returned.
#pragma once

#include "ky/stream/KyStreamExport.h"

#include <cstdint>
#include <memory>

#include "ky/base/KyResult.h"

class KyBuffer;
class KyStream;
class KyPipelineEventSink;
namespace ky::stream {
class PipelineCore;
}

class KY_STREAM_API KyPipeline
{
public:
    /// Makes a pipeline over an open stream; the caller keeps owning the stream.
    ///
    /// @param[in] aStream the stream
    explicit KyPipeline(KyStream *aStream);
    /// Destructor: stops the pipeline and deletes its buffers (from a sink on the pipeline's own
    /// thread: without telling the sinks, see above).
    virtual ~KyPipeline();
    KyPipeline(const KyPipeline &) = delete;
    KyPipeline &operator=(const KyPipeline &) = delete;

    /// The size in bytes of every managed buffer.
    ///
    /// @return the size; 0 until set or learnt from the first blocks
    uint32_t GetBufferSize() const;
    /// The total of buffers the pipeline owns, lent ones included.
    ///
    /// @return the count
    uint32_t GetBufferCount() const;
    /// The number of filled buffers waiting for RetrieveNextBuffer.
    ///
    /// @return the count
    uint32_t GetOutputQueueSize() const;
    /// Whether buffers too small for their block are grown and queued again by the pipeline.
    ///
    /// @return true (the default) when the pipeline handles them
    bool GetHandleBufferTooSmall() const;
    /// Whether the pipeline is started.
    ///
    /// @return true between a successful Start and Stop
    bool IsStarted();
    /// Sets the size in bytes of every managed buffer: a starting point that the pipeline adjusts to incoming data (a queued buffer is re-allocated when smaller, or more than four times larger).
    ///
    /// @param[in] aSize the size in bytes
    void SetBufferSize(uint32_t aSize);
    /// Sets the total of buffers the pipeline owns.
    ///
    /// Takes effect at once: new buffers are queued while running, surplus ones deleted as they come free.
    ///
    /// @param[in] aCount the count
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (0, or more than the stream can hold queued),
    ///        KY_NOT_ENOUGH_MEMORY
    KyResult SetBufferCount(uint32_t aCount);
    /// Sets whether buffers too small for their block are grown and queued again by the pipeline (and the sinks hear OnBufferTooSmall); off, such buffers come out of RetrieveNextBuffer with the operation result KY_BUFFER_TOO_SMALL.
    ///
    /// @param[in] aValue true to handle them
    void SetHandleBufferTooSmall(bool aValue);

    /// Waits for a filled buffer, which must come back through ReleaseBuffer.
    ///
    /// @param[out] aBuffer receives the buffer
    /// @param[in] aTimeout the longest wait in milliseconds; 0xFFFFFFFF waits without limit
    /// @param[out] aOperationResult when not null, receives how the buffer's acquisition ended (the
    ///        buffer's GetOperationResult tells it too)
    ///
    /// @return KY_OK with the buffer; KY_TIMEOUT (no buffer); KY_STATE_ERROR when the pipeline
    ///        is not started or stops meanwhile; KY_INVALID_PARAMETER for a null aBuffer
    KyResult RetrieveNextBuffer(KyBuffer **aBuffer, uint32_t aTimeout = 0xFFFFFFFFu,
                                KyResult *aOperationResult = nullptr);
    /// Gives a retrieved buffer back to the pipeline.
    ///
    /// @param[in] aBuffer the buffer
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for null or a buffer that this pipeline did not lend;
    ///        KY_NOT_ENOUGH_MEMORY when the buffer had to grow and could not
    KyResult ReleaseBuffer(KyBuffer *aBuffer);

    /// Starts the thread that keeps buffers queued in the stream; the sinks hear OnStart first, on this thread.
    ///
    /// @return KY_OK; KY_NOT_CONNECTED without an open stream, KY_STATE_ERROR when started
    ///        already or called from a sink of this pipeline, KY_THREAD_ERROR when the thread
    ///        cannot start
    KyResult Start();
    /// Stops the thread, aborts the stream and takes every buffer back; waiting buffers are dropped, lent ones stay lent.
    ///
    /// The sinks hear OnStop after, on this thread.
    ///
    /// @return KY_OK; KY_STATE_ERROR when not started, or when called from a sink of this
    ///        pipeline on its thread (or inside OnStart), which the stop would wait for: stop
    ///        it from another thread
    KyResult Stop();
    /// Aborts the stream, waits for every buffer to leave it, empties the output and queues a fresh set.
    ///
    /// The sinks hear OnReset after, on this thread.
    ///
    /// @return KY_OK; KY_STATE_ERROR when not started, or when called from a sink of this
    ///        pipeline on its thread (or inside OnStart)
    KyResult Reset();

    /// Registers a sink, kept by its address: unregister it before it is deleted.
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for null, KY_STATE_ERROR when already registered
    KyResult RegisterEventSink(KyPipelineEventSink *aEventSink);
    /// Unregisters a sink.
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for null, KY_STATE_ERROR when not registered
    KyResult UnregisterEventSink(KyPipelineEventSink *aEventSink);

    /// The priority the buffer handling thread runs at: 1 to 99 under the real-time FIFO policy, 0 under the normal policy (also wherever the process may not use real-time scheduling).
    ///
    /// @return the priority in effect
    uint32_t GetBufferHandlingThreadPriority() const;
    /// Sets the buffer handling thread's priority, at once while it runs and for every later start: 0 to 99, above 0 under the real-time FIFO policy where the process may use it (CAP_SYS_NICE or an RLIMIT_RTPRIO that reaches it), else under the normal policy at 0.
    ///
    /// @param[in] aPriority 0 to 99
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER above 99 (nothing changes)
    KyResult SetBufferHandlingThreadPriority(uint32_t aPriority);

private:
    std::unique_ptr<ky::stream::PipelineCore> mCore;
};
