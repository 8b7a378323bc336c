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
    /// Destructor: closes the stream; buffers still queued are forgotten, never freed.
    virtual ~KyStream();
    KyStream(const KyStream &) = delete;
    KyStream &operator=(const KyStream &) = delete;

    /// The number of buffers queued now: one more with each queued buffer, one less with each retrieved one.
    ///
    /// @return the count
    uint32_t GetQueuedBufferCount() const;
    /// The most buffers that may be queued at one time (the capacity the stream was opened with).
    ///
    /// @return the maximum
    uint32_t GetQueuedBufferMaximum() const;

    /// Makes a stream of the device's transport and opens it on the device.
    ///
    /// Release the stream with Free.
    ///
    /// @param[in] aDeviceInfo the device's record, as discovery found it
    /// @param[out] aResult when not null, receives the outcome: KY_INVALID_PARAMETER for a null
    ///        record, KY_NOT_SUPPORTED for a transport this kit does not receive, or the open's
    ///        failure
    ///
    /// @return the stream, or null
    static KyStream *CreateAndOpen(const KyDeviceInfo *aDeviceInfo, KyResult *aResult = nullptr);
    /// Makes a stream and opens it on the device a text names: a GigE Vision stream for an IP address, a USB3 Vision stream for a GUID.
    ///
    /// Release the stream with Free.
    ///
    /// @param[in] aAddress the device's IP address as dotted text, or its USB3 Vision GUID (12 hex
    ///        digits)
    /// @param[out] aResult when not null, receives the outcome: KY_INVALID_PARAMETER for an empty
    ///        text, KY_NOT_FOUND for a text that is neither, or the open's failure
    ///
    /// @return the stream, or null
    static KyStream *CreateAndOpen(const KyString &aAddress, KyResult *aResult = nullptr);
    /// Closes and deletes a stream made by CreateAndOpen.
    ///
    /// @param[in] aStream the stream; null is accepted
    static void Free(KyStream *aStream);

    /// Opens on the device that the record names (GigE Vision: its IP address; local port, channel 0 and local address chosen automatically).
    ///
    /// @param[in] aDeviceInfo the device's record
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER, KY_NOT_SUPPORTED, KY_NOT_CONNECTED,
    ///        KY_STATE_ERROR (open already)
    virtual KyResult Open(const KyDeviceInfo *aDeviceInfo) = 0;
    /// Opens on the device whose IP address is given.
    ///
    /// @param[in] aInfo the device's IP address as dotted text
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER, KY_NOT_CONNECTED, KY_STATE_ERROR
    virtual KyResult Open(const KyString &aInfo) = 0;
    /// Stops receiving; buffers still queued come back aborted through RetrieveBuffer.
    ///
    /// @return KY_OK
    KyResult Close();
    /// The stream's transport.
    ///
    /// @return a KyStreamType value
    virtual KyStreamType GetType() const = 0;

    /// Hands back every queued buffer, and the one being filled, with the operation result KY_ABORTED; each must still be retrieved.
    ///
    /// @return KY_OK
    KyResult AbortQueuedBuffers();
    /// Queues a buffer for a coming block.
    ///
    /// The buffer stays the caller's; the stream uses it, and its memory, until RetrieveBuffer
    /// hands it back. A buffer too small for its block is still queued: it comes back with the
    /// operation result KY_BUFFER_TOO_SMALL, holding what fitted (GetRequiredSize tells the size).
    ///
    /// @param[in] aBuffer the buffer, with memory
    ///
    /// @return KY_PENDING when the buffer was queued; KY_INVALID_PARAMETER for a null buffer or
    ///        one without memory, KY_NOT_CONNECTED when the stream is not open, KY_STATE_ERROR
    ///        when the buffer is queued already, KY_NOT_ENOUGH_MEMORY when
    ///        GetQueuedBufferMaximum buffers are queued already
    KyResult QueueBuffer(KyBuffer *aBuffer);
    /// Waits for the next ended block.
    ///
    /// @param[out] aBuffer receives the buffer of the block
    /// @param[out] aOperationResult receives how its acquisition ended: KY_OK, KY_ABORTED,
    ///        KY_TIMEOUT, KY_MISSING_PACKETS, KY_BUFFER_TOO_SMALL, KY_INVALID_DATA_FORMAT
    /// @param[in] aTimeout the longest wait in milliseconds; 0xFFFFFFFF waits without limit
    ///
    /// @return KY_OK with a buffer; KY_TIMEOUT (no buffer) when none ended in time;
    ///        KY_NO_MORE_ITEM at once when no buffer is queued; KY_INVALID_PARAMETER for null outputs
    KyResult RetrieveBuffer(KyBuffer **aBuffer, KyResult *aOperationResult, uint32_t aTimeout = 0xFFFFFFFFu);
    /// The device's stream channel that the stream receives.
    ///
    /// @return the channel
    uint16_t GetChannel() const;
    /// Whether the stream is open.
    ///
    /// @return true between a successful Open and Close
    bool IsOpen() const;

    /// Registers a stream event sink, kept by its address.
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER for null, KY_STATE_ERROR when already registered
    KyResult RegisterEventSink(KyStreamEventSink *aEventSink);
    /// Unregisters a stream event sink.
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER for null, KY_STATE_ERROR when not registered
    KyResult UnregisterEventSink(KyStreamEventSink *aEventSink);
    /// The parameters that define how data is received: statistics (BlockCount, ErrorCount, AcquisitionRate, Bandwidth, ...), receiver settings and the Reset command.
    ///
    /// @return the parameters, owned by the stream; never null
    KyGenParameterArray *GetParameters();

protected:
    KyStream();
    ky::stream::StreamCore &Core() { return *mCore; }
    const ky::stream::StreamCore &Core() const { return *mCore; }

private:
    friend class ky::stream::PipelineCore;  // counts the blocks a pipeline lets go
    std::unique_ptr<ky::stream::StreamCore> mCore;
};
