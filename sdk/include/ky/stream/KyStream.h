// KyStream: a receiver of one device stream channel. Buffers that the caller made are queued,
// filled by the receiver's own thread, and retrieved in the order their blocks ended.
//
// Life of a stream: CreateAndOpen (or construct a subclass and Open it), QueueBuffer each buffer
// (at most GetQueuedBufferMaximum at a time), then RetrieveBuffer and QueueBuffer again; at the
// end AbortQueuedBuffers, RetrieveBuffer until GetQueuedBufferCount is 0, Close, Free.
//
// Ownership: a queued buffer stays the caller's; the stream uses it (and its memory, which must
// not be changed or released) from QueueBuffer until RetrieveBuffer hands it back. Closing or
// deleting a stream aborts what is queued: the buffers are then only forgotten, never freed.
//
// Thread safety: every call may come from any thread; RetrieveBuffer may wait on several
// threads at once, each getting its own buffer.
#pragma once

#include "ky/stream/KyStreamExport.h"

#include <cstdint>
#include <memory>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KyBuffer;
class KyDeviceInfo;
class KyGenParameterArray;
class KyStreamEventSink;
namespace ky::stream {
class StreamCore;
class PipelineCore;
}  // namespace ky::stream

class KY_STREAM_API KyStream
{
public:
    virtual ~KyStream();
    KyStream(const KyStream &) = delete;
    KyStream &operator=(const KyStream &) = delete;

    // Opens on the device that the record names (GigE Vision: its IP address; local port,
    // channel 0 and local address chosen automatically).
    virtual KyResult Open(const KyDeviceInfo *aDeviceInfo) = 0;
    // Opens on the device whose IP address (dotted text) is given.
    virtual KyResult Open(const KyString &aInfo) = 0;
    virtual KyStreamType GetType() const = 0;

    // Makes a stream of the device's transport and opens it. Returns the stream (release it
    // with Free) or nullptr; aResult (may be null) receives the outcome: KY_INVALID_PARAMETER
    // for a null record or an empty text, KY_NOT_SUPPORTED for a transport this kit does not
    // receive, KY_NOT_FOUND for a text that is no IPv4 address, or the open's failure.
    static KyStream *CreateAndOpen(const KyDeviceInfo *aDeviceInfo, KyResult *aResult = nullptr);
    static KyStream *CreateAndOpen(const KyString &aInfo, KyResult *aResult = nullptr);
    // Closes and deletes a stream made by CreateAndOpen. Null is accepted.
    static void Free(KyStream *aStream);

    // Stops receiving; buffers still queued come back aborted through RetrieveBuffer.
    KyResult Close();
    bool IsOpen() const;
    uint16_t GetChannel() const;

    // Hands back every queued buffer, and the one being filled, with the operation result
    // KY_ABORTED; each must still be retrieved.
    KyResult AbortQueuedBuffers();
    // KY_PENDING when the buffer was queued. KY_INVALID_PARAMETER for a null buffer or one
    // without memory, KY_NOT_CONNECTED when the stream is not open, KY_STATE_ERROR when the
    // buffer is queued already, KY_NOT_ENOUGH_MEMORY when GetQueuedBufferMaximum buffers are
    // queued already. A buffer too small for its block is still queued: it comes back with the
    // operation result KY_BUFFER_TOO_SMALL, holding what fitted (GetRequiredSize tells the size).
    KyResult QueueBuffer(KyBuffer *aBuffer);
    // Waits up to aTimeout ms (0xFFFFFFFF: without limit) for the next ended block. KY_OK with
    // the buffer and how its acquisition ended (KY_OK, KY_ABORTED, KY_TIMEOUT, KY_MISSING_PACKETS,
    // KY_BUFFER_TOO_SMALL, KY_INVALID_DATA_FORMAT) in aOperationResult; KY_TIMEOUT (no buffer)
    // when none ended in time; KY_NO_MORE_ITEM at once when no buffer is queued;
    // KY_INVALID_PARAMETER for null outputs.
    KyResult RetrieveBuffer(KyBuffer **aBuffer, KyResult *aOperationResult, uint32_t aTimeout = 0xFFFFFFFFu);
    uint32_t GetQueuedBufferCount() const;
    uint32_t GetQueuedBufferMaximum() const;

    // The stream's parameters: statistics (BlockCount, ErrorCount, AcquisitionRate, Bandwidth,
    // ...), receiver settings and the Reset command. Owned by the stream; never null.
    KyGenParameterArray *GetParameters();

    // Sinks are kept by address; KY_INVALID_PARAMETER for null, KY_STATE_ERROR when already
    // registered (or, to unregister, not registered).
    KyResult RegisterEventSink(KyStreamEventSink *aEventSink);
    KyResult UnregisterEventSink(KyStreamEventSink *aEventSink);

protected:
    KyStream();
    ky::stream::StreamCore &Core() { return *mCore; }
    const ky::stream::StreamCore &Core() const { return *mCore; }

private:
    friend class ky::stream::PipelineCore;  // counts the blocks a pipeline lets go
    std::unique_ptr<ky::stream::StreamCore> mCore;
};
