// KyBuffer: one block of acquisition memory and what was received into it (or built in it for
// transmission): payload type, payload views, identity, timing, packet statistics and chunks.
//
// Memory is either the buffer's own (Alloc) or the caller's (Attach, which the caller keeps alive
// until Detach, Free, Reset or destruction). The payload views (GetImage, GetRawData,
// GetChunkData) belong to the buffer and are valid while it lives. A buffer is used by one
// thread at a time: while it is queued on a stream the receiving thread owns it.
#pragma once

#include "ky/buffer/KyBufferExport.h"
#include "ky/base/KyBaseExport.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ky/buffer/IKyChunkData.h"
#include "ky/buffer/IKyH264AccessUnit.h"
#include "ky/buffer/KyChunkData.h"
#include "ky/base/KyEnums.h"
#include "ky/buffer/KyImage.h"
#include "ky/buffer/KyMultiPartContainer.h"
#include "ky/buffer/KyRawData.h"
#include "ky/buffer/KyTesmarCompressed.h"
#include "ky/base/KyResult.h"

class KyBuffer;
namespace ky::buffer {
class ChunkStore;

// What keeps a buffer's address while the buffer is queued (a stream). A buffer destroyed while
// held tells its holder first, so that nothing writes into its memory afterwards.
class KY_BUFFER_API BufferHolder
{
public:
    // Takes the buffer out of every queue of the holder; on return the holder no longer uses
    // it. Called by the buffer's destructor, on the destroying thread.
    virtual void ForgetBuffer(KyBuffer *aBuffer) = 0;

protected:
    ~BufferHolder() = default;
    // Runs release under the lock that a destroyed buffer holds while it calls its holder. A
    // holder lets go of its buffers (SetHolder(nullptr)) inside it before it goes away itself,
    // so that no buffer's destructor is inside a call to it afterwards.
    static void LetGo(const std::function<void()> &release);
};
}  // namespace ky::buffer

// Packet counters of one block, filled by the stream receiver.
struct KyBufferPacketStatistics
{
    uint32_t PacketsRecovered = 0;
    uint32_t PacketsRecoveredSingleResend = 0;
    uint32_t ResendGroupRequested = 0;
    uint32_t ResendPacketRequested = 0;
    uint32_t LostPackets = 0;
    uint32_t IgnoredPackets = 0;
    uint32_t RedundantPackets = 0;
    uint32_t PacketsOutOfOrder = 0;
};

class KY_BUFFER_API KyBuffer : public IKyChunkData
{
public:
    // ID of the trailer written after an image or raw payload when chunks follow it.
    static constexpr uint32_t kMainChunkID = 0xA5A5A5A5u;

    /// A buffer without memory.
    ///
    /// @param[in] aPayloadType the kind of payload it carries (a KyPayloadType value)
    explicit KyBuffer(KyPayloadType aPayloadType = KyPayloadTypeImage);
    /// Destructor: frees the buffer's own memory (attached memory stays the caller's).
    ///
    /// A buffer still queued on a stream leaves the stream first.
    ~KyBuffer() override;
    KyBuffer(const KyBuffer &) = delete;
    KyBuffer &operator=(const KyBuffer &) = delete;

    /// The kind of payload the buffer carries.
    ///
    /// @return a KyPayloadType value
    KyPayloadType GetPayloadType() const { return mPayloadType; }
    /// The image payload, owned by the buffer.
    ///
    /// @return the image; null when the payload is not an image
    KyImage *GetImage();
    const KyImage *GetImage() const;
    /// The raw-data payload, owned by the buffer.
    ///
    /// @return the raw data; null when the payload is not raw data
    KyRawData *GetRawData();
    const KyRawData *GetRawData() const;
    /// The compressed-image payload (made by KyCompressionFilter), owned by the buffer.
    ///
    /// @return the compressed payload; null when the payload is not a compressed image
    KyTesmarCompressed *GetTesmarCompressed();
    const KyTesmarCompressed *GetTesmarCompressed() const;
    /// The chunk-data payload, owned by the buffer.
    ///
    /// @return the chunk data; null when the payload is not chunk data
    KyChunkData *GetChunkData();
    const KyChunkData *GetChunkData() const;
    /// The multi-part container, owned by the buffer: the parts of a received multi-part block, or those being built for transmission.
    ///
    /// @return the container; null when the payload is not multi-part
    IKyMultiPartContainer *GetMultiPartContainer();
    const IKyMultiPartContainer *GetMultiPartContainer() const;
    /// The H.264 payload, one access unit (an RTP stream's PrepareForH264), owned by the buffer.
    ///
    /// @return the access unit; null when the payload is not H.264
    IKyH264AccessUnit *GetH264AccessUnit();
    const IKyH264AccessUnit *GetH264AccessUnit() const;

    /// The buffer's memory, GetSize bytes.
    ///
    /// @return the first byte; null when the buffer has no memory
    const uint8_t *GetDataPointer() const { return mData; }
    uint8_t *GetDataPointer() { return mData; }

    /// A number of the caller's, kept with the buffer and not interpreted.
    ///
    /// @return the ID (0 until set)
    uint64_t GetID() const { return mID; }
    /// Sets the caller's number of the buffer.
    ///
    /// @param[in] aID any number
    void SetID(uint64_t aID) { mID = aID; }
    /// Whether the last block came with 64-bit block IDs.
    ///
    /// @return true for extended IDs
    bool IsExtendedID() const { return mExtendedID; }
    /// Whether the memory is the caller's (Attach).
    ///
    /// @return true when memory is attached
    bool IsAttached() const { return mData != nullptr && !mOwned; }
    /// Whether the memory is the buffer's own (Alloc).
    ///
    /// @return true when memory is allocated
    bool IsAllocated() const { return mData != nullptr && mOwned; }
    /// Bytes received in the last acquisition.
    ///
    /// @return the byte count
    uint32_t GetAcquiredSize() const { return mAcquiredSize; }
    /// Bytes the last block needed (more than GetSize when the buffer was too small).
    ///
    /// @return the byte count
    uint32_t GetRequiredSize() const { return mRequiredSize; }
    /// The capacity of the buffer's memory.
    ///
    /// @return bytes allocated or attached; 0 without memory
    uint32_t GetSize() const { return mSize; }

    /// Back to a fresh buffer: memory released (attached memory forgotten), chunks, identity, timing, statistics and results cleared.
    ///
    /// The ID stays.
    ///
    /// @param[in] aPayloadType the payload type from now on
    ///
    /// @return KY_OK
    KyResult Reset(KyPayloadType aPayloadType = KyPayloadTypeImage);
    /// Gives the buffer zeroed memory of its own, replacing any earlier memory (attached memory is forgotten, not freed).
    ///
    /// @param[in] aSize bytes
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for 0 bytes; KY_NOT_ENOUGH_MEMORY
    KyResult Alloc(uint32_t aSize);
    /// Gives the buffer a separate area for chunk data, which AddChunk then fills.
    ///
    /// @param[in] aSize bytes, 8 of them per chunk for its trailer
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for 0 bytes; KY_NOT_ENOUGH_MEMORY
    KyResult AllocChunk(uint32_t aSize);
    /// Releases the memory: own memory is freed, attached memory forgotten.
    void Free();
    /// Releases the separate chunk area.
    void FreeChunk();
    /// Makes the caller's memory the buffer's memory; the caller keeps it alive and in place until Detach, Free, Reset or the buffer's destruction.
    ///
    /// @param[in] aBuffer the memory
    /// @param[in] aSize its bytes
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for no memory or 0 bytes
    KyResult Attach(void *aBuffer, uint32_t aSize);
    /// Gives the attached memory back and leaves the buffer without memory.
    ///
    /// @return the memory that was attached; null (nothing changed) when none was
    uint8_t *Detach();

    /// The ID of the last block received into the buffer.
    ///
    /// @return the block ID
    uint64_t GetBlockID() const { return mBlockID; }
    /// How the last acquisition into this buffer ended.
    ///
    /// @return KY_OK, or why the block is not whole (KY_MISSING_PACKETS, KY_TIMEOUT, KY_ABORTED,
    /// KY_BUFFER_TOO_SMALL, ...)
    KyResult GetOperationResult() const { return mOperationResult; }
    /// The device's timestamp of the block.
    ///
    /// @return the timestamp in device ticks
    uint64_t GetTimestamp() const { return mTimestamp; }
    /// When the block was complete, in microseconds on the host's monotonic clock (not an absolute time).
    ///
    /// @return the reception time
    uint64_t GetReceptionTime() const { return mReceptionTime; }
    /// The duration of a block built for transmission.
    ///
    /// @return the duration
    uint64_t GetDuration() const { return mDuration; }
    /// Sets the timestamp of a block built for transmission.
    ///
    /// @param[in] aTimestamp device ticks
    ///
    /// @return KY_OK
    KyResult SetTimestamp(uint64_t aTimestamp);
    /// Sets the duration of a block built for transmission.
    ///
    /// @param[in] aDuration the duration
    ///
    /// @return KY_OK
    KyResult SetDuration(uint64_t aDuration);
    /// Sets the block ID of a block built for transmission.
    ///
    /// @param[in] aBlockID the block ID
    ///
    /// @return KY_OK
    KyResult SetBlockID(uint64_t aBlockID);
    /// Sets the reception time.
    ///
    /// @param[in] aReceptionTime microseconds on the host's monotonic clock
    ///
    /// @return KY_OK
    KyResult SetReceptionTime(uint64_t aReceptionTime);

    /// Packets of the last block that arrived through a resend.
    ///
    /// @return the count
    uint32_t GetPacketsRecoveredCount() const { return mStatistics.PacketsRecovered; }
    /// Packets of the last block recovered by a single resend request.
    ///
    /// @return the count
    uint32_t GetPacketsRecoveredSingleResendCount() const { return mStatistics.PacketsRecoveredSingleResend; }
    /// Groups of packets of the last block asked for again.
    ///
    /// @return the count
    uint32_t GetResendGroupRequestedCount() const { return mStatistics.ResendGroupRequested; }
    /// Packets of the last block asked for again.
    ///
    /// @return the count
    uint32_t GetResendPacketRequestedCount() const { return mStatistics.ResendPacketRequested; }
    /// Packets of the last block still missing when it ended.
    ///
    /// @return the count
    uint32_t GetLostPacketCount() const { return mStatistics.LostPackets; }
    /// Packets of the last block that could not be placed.
    ///
    /// @return the count
    uint32_t GetIgnoredPacketCount() const { return mStatistics.IgnoredPackets; }
    /// Packets of the last block that arrived more than once.
    ///
    /// @return the count
    uint32_t GetRedundantPacketCount() const { return mStatistics.RedundantPackets; }
    /// Packets of the last block that arrived out of order.
    ///
    /// @return the count
    uint32_t GetPacketOutOfOrderCount() const { return mStatistics.PacketsOutOfOrder; }
    /// The number of groups of packet IDs missing from the last block.
    ///
    /// @param[out] aCount receives the count
    ///
    /// @return KY_OK
    KyResult GetMissingPacketIdsCount(uint32_t &aCount) const;
    /// One group of packet IDs missing from the last block.
    ///
    /// A last ID of 0xFFFFFF (0xFFFFFFFF with extended IDs) means the end of the block went missing.
    ///
    /// @param[in] aIndex the group, from 0
    /// @param[out] aFirst receives the first missing packet ID
    /// @param[out] aLast receives the last missing packet ID
    ///
    /// @return KY_OK; KY_NOT_FOUND for an index past the end (outputs unchanged)
    KyResult GetMissingPacketIds(uint32_t aIndex, uint32_t &aFirst, uint32_t &aLast) const;

    /// Forgets every chunk of the payload (the memory stays).
    void ResetChunks() override;
    /// Appends a chunk to the payload: copies the data and writes its 8-byte trailer after it.
    ///
    /// @param[in] aID the chunk ID
    /// @param[in] aData the chunk's bytes
    /// @param[in] aLength their count
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for no data with a length; KY_BUFFER_TOO_SMALL when
    /// the chunk area cannot take aLength + 8 bytes
    KyResult AddChunk(uint32_t aID, const uint8_t *aData, uint32_t aLength) override;
    /// Sets the chunk layout ID sent with the chunks.
    ///
    /// @param[in] aChunkLayoutID the layout ID
    void SetChunkLayoutID(uint32_t aChunkLayoutID) override { mChunkLayoutID = aChunkLayoutID; }
    /// Whether the payload carries chunks.
    ///
    /// @return true when it has at least one
    bool HasChunks() const override;
    /// The number of chunks of the payload.
    ///
    /// @return the count
    uint32_t GetChunkCount() override;
    /// The ID of a chunk.
    ///
    /// @param[in] aIndex the chunk, from 0
    /// @param[out] aID receives its ID
    ///
    /// @return KY_OK; KY_NOT_FOUND for an index past the end
    KyResult GetChunkIDByIndex(uint32_t aIndex, uint32_t &aID) override;
    /// The data size of a chunk.
    ///
    /// @param[in] aIndex the chunk, from 0
    ///
    /// @return bytes; 0 when there is no such chunk
    uint32_t GetChunkSizeByIndex(uint32_t aIndex) override;
    /// The data size of the first chunk with that ID.
    ///
    /// @param[in] aID the chunk ID
    ///
    /// @return bytes; 0 when there is no such chunk
    uint32_t GetChunkSizeByID(uint32_t aID) override;
    /// The data of a chunk, inside the payload.
    ///
    /// @param[in] aIndex the chunk, from 0
    ///
    /// @return its first byte; null when there is no such chunk
    const uint8_t *GetChunkRawDataByIndex(uint32_t aIndex) override;
    /// The data of the first chunk with that ID, inside the payload.
    ///
    /// @param[in] aID the chunk ID
    ///
    /// @return its first byte; null when there is no such chunk
    const uint8_t *GetChunkRawDataByID(uint32_t aID) override;
    /// Bytes of the payload: what was received, or for a buffer built here its main part plus its chunk data.
    ///
    /// @return the byte count
    uint32_t GetPayloadSize() const;
    /// The chunk layout ID.
    ///
    /// @return the layout ID
    uint32_t GetChunkLayoutID() override { return mChunkLayoutID; }
    /// Bytes used by chunk data, trailers included.
    ///
    /// @return the byte count
    uint32_t GetChunkDataSize() const override;
    /// Bytes that can still be added as chunk data, trailers included.
    ///
    /// @return the byte count
    uint32_t GetChunkDataCapacity() const override;

    /// Whether the last block's leader arrived.
    ///
    /// @return true when it did
    bool IsHeaderValid() const { return mHeaderValid; }
    /// Whether the last block's trailer arrived.
    ///
    /// @return true when it did
    bool IsTrailerValid() const { return mTrailerValid; }
    /// Whether the last block came with large leader and trailer packets.
    ///
    /// @return true when it did
    bool IsLargeLeaderTrailerEnabled() const { return mLargeLeaderTrailer; }

    // ---- Filled by the stream receiver (and by tests); applications only read these. ----
    // Clears what one acquisition leaves (result, sizes, flags, statistics, missing packets,
    // chunks, image status) and keeps memory, payload type, geometry and ID.
    void BeginAcquisition();
    // Payload type from the block's leader; chunks are cleared.
    void SetPayloadType(KyPayloadType aPayloadType);
    void SetOperationResult(const KyResult &aResult) { mOperationResult = aResult; }
    // KY_INVALID_PARAMETER (unchanged) when aSize exceeds the buffer's memory.
    KyResult SetAcquiredSize(uint32_t aSize);
    void SetRequiredSize(uint32_t aSize) { mRequiredSize = aSize; }
    void SetExtendedID(bool aExtended) { mExtendedID = aExtended; }
    void SetHeaderValid(bool aValid) { mHeaderValid = aValid; }
    void SetTrailerValid(bool aValid) { mTrailerValid = aValid; }
    void SetLargeLeaderTrailerEnabled(bool aEnabled) { mLargeLeaderTrailer = aEnabled; }
    void SetPacketStatistics(const KyBufferPacketStatistics &aStatistics) { mStatistics = aStatistics; }
    const KyBufferPacketStatistics &GetPacketStatistics() const { return mStatistics; }
    void AddMissingPacketIds(uint32_t aFirst, uint32_t aLast);
    void ClearMissingPacketIds() { mMissingPackets.clear(); }
    // Reads the chunk trailers of the acquired bytes (GetAcquiredSize), from the end backwards.
    // For an image or raw payload the first chunk is the payload itself and is not listed.
    // KY_INVALID_DATA_FORMAT (and no chunks) when a trailer is cut short or a length runs past
    // the start of the block.
    KyResult ParseChunks();
    // The holder that has the buffer's address while it is queued (null: none), set by the
    // holder as it takes and hands back the buffer. Destroying a held buffer first has the
    // holder forget it.
    void SetHolder(ky::buffer::BufferHolder *aHolder) { mHolder.store(aHolder); }
    ky::buffer::BufferHolder *GetHolder() const { return mHolder.load(); }
    // The multi-part container whatever the payload type, for the receiver to describe the parts
    // of a block.
    KyMultiPartContainer &MultiPartContainer() { return mMultiPart; }

private:
    friend class KyImage;
    friend class KyRawData;
    friend class KyChunkData;
    friend class KyMultiPartContainer;
    friend class KyTesmarCompressed;

    // The H.264 payload's view of the buffer's memory.
    class KY_LOCAL H264View final : public IKyH264AccessUnit
    {
    public:
        explicit H264View(KyBuffer &aBuffer) : mBuffer(aBuffer) { }
        const uint8_t *GetDataPointer() const override;
        uint8_t *GetDataPointer() override;
        uint64_t GetDataSize() const override;
        uint64_t GetTimestamp() const override;

    private:
        KyBuffer &mBuffer;
    };

    // Bytes of the payload's main part (image, raw payload) ahead of the chunk area.
    uint32_t MainPartSize() const;
    // Replaces the memory; views drop what no longer fits, chunks are cleared.
    void SetMemory(uint8_t *aData, uint32_t aSize, bool aOwned);
    void ClearAcquisitionState();

    KyPayloadType mPayloadType;
    uint8_t *mData = nullptr;
    uint32_t mSize = 0;
    bool mOwned = false;
    std::unique_ptr<uint8_t[]> mChunkArea;
    uint32_t mChunkAreaSize = 0;
    std::unique_ptr<ky::buffer::ChunkStore> mChunks;
    uint32_t mChunkLayoutID = 0;

    uint64_t mID = 0;
    uint64_t mBlockID = 0;
    uint64_t mTimestamp = 0;
    uint64_t mReceptionTime = 0;
    uint64_t mDuration = 0;
    KyResult mOperationResult;
    uint32_t mAcquiredSize = 0;
    uint32_t mRequiredSize = 0;
    bool mExtendedID = false;
    bool mHeaderValid = false;
    bool mTrailerValid = false;
    bool mLargeLeaderTrailer = false;
    KyBufferPacketStatistics mStatistics;
    std::vector<std::pair<uint32_t, uint32_t>> mMissingPackets;

    std::atomic<ky::buffer::BufferHolder *> mHolder{nullptr};

    KyImage mImage;
    KyRawData mRawData;
    KyChunkData mChunkData;
    KyMultiPartContainer mMultiPart;
    KyTesmarCompressed mCompressed;
    H264View mH264;
};
