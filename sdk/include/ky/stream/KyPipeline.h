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
// several threads.
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
    explicit KyPipeline(KyStream *aStream);
    virtual ~KyPipeline();
    KyPipeline(const KyPipeline &) = delete;
    KyPipeline &operator=(const KyPipeline &) = delete;

    uint32_t GetBufferSize() const;
    void SetBufferSize(uint32_t aSize);
    uint32_t GetBufferCount() const;
    // Total of buffers the pipeline owns (lent ones included). KY_INVALID_PARAMETER for 0 or
    // more than the stream can hold queued; KY_NOT_ENOUGH_MEMORY. Takes effect at once: new
    // buffers are queued while running, surplus ones deleted as they come free.
    KyResult SetBufferCount(uint32_t aCount);
    bool GetHandleBufferTooSmall() const;
    void SetHandleBufferTooSmall(bool aValue);
    uint32_t GetOutputQueueSize() const;
    bool IsStarted();

    // KY_NOT_CONNECTED without an open stream, KY_STATE_ERROR when started already,
    // KY_THREAD_ERROR when the thread cannot start.
    KyResult Start();
    // Stops the thread, aborts the stream and takes every buffer back; waiting buffers are
    // dropped, lent ones stay lent. KY_STATE_ERROR when not started.
    KyResult Stop();
    // Aborts the stream, waits for every buffer to leave it, empties the output and queues a
    // fresh set. KY_STATE_ERROR when not started.
    KyResult Reset();

    // Waits up to aTimeout ms (0xFFFFFFFF: without limit) for a filled buffer. KY_OK with the
    // buffer and its operation result; KY_TIMEOUT (no buffer); KY_STATE_ERROR when the
    // pipeline is not started or stops meanwhile; KY_INVALID_PARAMETER for null outputs.
    KyResult RetrieveNextBuffer(KyBuffer **aBuffer, uint32_t aTimeout, KyResult *aOperationResult);
    // KY_INVALID_PARAMETER for null or a buffer that this pipeline did not lend.
    // KY_NOT_ENOUGH_MEMORY when the buffer had to grow and could not.
    KyResult ReleaseBuffer(KyBuffer *aBuffer);

    // Sinks are kept by address: unregister before deleting a sink. KY_INVALID_PARAMETER for
    // null, KY_STATE_ERROR when already (or, to unregister, not) registered.
    KyResult RegisterEventSink(KyPipelineEventSink *aEventSink);
    KyResult UnregisterEventSink(KyPipelineEventSink *aEventSink);

    // Kept for callers that set it; the pipeline thread runs at the process's priority.
    uint32_t GetBufferHandlingThreadPriority() const;
    KyResult SetBufferHandlingThreadPriority(uint32_t aPriority);

private:
    std::unique_ptr<ky::stream::PipelineCore> mCore;
};
