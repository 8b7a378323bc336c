// KyBuffer: one block of acquisition memory and what was received into it (or built in it for
// transmission): payload type, payload views, identity, timing, packet statistics and chunks.
//
// Memory is either the buffer's own (Alloc) or the caller's (Attach, which the caller keeps alive
// until Detach, Free, Reset or destruction). The payload views (GetImage, GetRawData,
// GetChunkData) belong to the buffer and are valid while it lives. A buffer is used by one
// thread at a time: while it is queued on a stream the receiving thread owns it.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ky/buffer/IKyChunkData.h"
#include "ky/buffer/KyChunkData.h"
#include "ky/base/KyEnums.h"
#include "ky/buffer/KyImage.h"
#include "ky/buffer/KyRawData.h"
#include "ky/base/KyResult.h"

class IKyMultiPartContainer;
class IKyH264AccessUnit;
class KyTesmarCompressed;
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

    // A buffer without memory, of that payload type.
    explicit KyBuffer(KyPayloadType aPayloadType = KyPayloadTypeImage);
    ~KyBuffer() override;
    KyBuffer(const KyBuffer &) = delete;
    KyBuffer &operator=(const KyBuffer &) = delete;

    KyPayloadType GetPayloadType() const { return mPayloadType; }
    // Payload views, owned by the buffer: null when the payload is of another type. The kit
    // carries no multi-part, H.264 or compressed payloads yet: those views are always null.
    KyImage *GetImage();
    const KyImage *GetImage() const;
    KyRawData *GetRawData();
    const KyRawData *GetRawData() const;
    KyTesmarCompressed *GetTesmarCompressed() { return nullptr; }
    const KyTesmarCompressed *GetTesmarCompressed() const { return nullptr; }
    KyChunkData *GetChunkData();
    const KyChunkData *GetChunkData() const;
    IKyMultiPartContainer *GetMultiPartContainer() { return nullptr; }
    const IKyMultiPartContainer *GetMultiPartContainer() const { return nullptr; }
    IKyH264AccessUnit *GetH264AccessUnit() { return nullptr; }
    const IKyH264AccessUnit *GetH264AccessUnit() const { return nullptr; }

    // The buffer's memory (null when it has none); GetSize is its capacity in bytes.
    const uint8_t *GetDataPointer() const { return mData; }
    uint8_t *GetDataPointer() { return mData; }

    // A number of the caller's, kept with the buffer and not interpreted.
    uint64_t GetID() const { return mID; }
    void SetID(uint64_t aID) { mID = aID; }
    bool IsExtendedID() const { return mExtendedID; }
    bool IsAttached() const { return mData != nullptr && !mOwned; }
    bool IsAllocated() const { return mData != nullptr && mOwned; }
    // Bytes received in the last acquisition.
    uint32_t GetAcquiredSize() const { return mAcquiredSize; }
    // Bytes the last block needed (more than GetSize when the buffer was too small).
    uint32_t GetRequiredSize() const { return mRequiredSize; }
    uint32_t GetSize() const { return mSize; }

    // Back to a fresh buffer of that payload type: memory released (attached memory forgotten),
    // chunks, identity, timing, statistics and results cleared. The ID stays.
    KyResult Reset(KyPayloadType aPayloadType = KyPayloadTypeImage);
    // Memory of the buffer's own, zeroed; replaces any earlier memory (attached memory is
    // forgotten, not freed). KY_INVALID_PARAMETER for 0 bytes, KY_NOT_ENOUGH_MEMORY.
    KyResult Alloc(uint32_t aSize);
    // A separate area for chunk data, used by AddChunk instead of the room after the payload.
    KyResult AllocChunk(uint32_t aSize);
    // Releases the memory: own memory is freed, attached memory forgotten.
    void Free();
    void FreeChunk();
    // Makes aSize bytes of the caller's memory the buffer's memory. KY_INVALID_PARAMETER for a
    // null address or 0 bytes.
    KyResult Attach(void *aBuffer, uint32_t aSize);
    // Gives the attached memory back and leaves the buffer without memory; null (and nothing
    // changed) when no memory is attached.
    uint8_t *Detach();

    uint64_t GetBlockID() const { return mBlockID; }
    // The result of the last acquisition into this buffer.
    KyResult GetOperationResult() const { return mOperationResult; }
    uint64_t GetTimestamp() const { return mTimestamp; }
    // Microseconds on the host's monotonic clock when the block was complete.
    uint64_t GetReceptionTime() const { return mReceptionTime; }
    uint64_t GetDuration() const { return mDuration; }
    KyResult SetTimestamp(uint64_t aTimestamp);
    KyResult SetDuration(uint64_t aDuration);
    KyResult SetBlockID(uint64_t aBlockID);
    KyResult SetReceptionTime(uint64_t aReceptionTime);

    uint32_t GetPacketsRecoveredCount() const { return mStatistics.PacketsRecovered; }
    uint32_t GetPacketsRecoveredSingleResendCount() const { return mStatistics.PacketsRecoveredSingleResend; }
    uint32_t GetResendGroupRequestedCount() const { return mStatistics.ResendGroupRequested; }
    uint32_t GetResendPacketRequestedCount() const { return mStatistics.ResendPacketRequested; }
    uint32_t GetLostPacketCount() const { return mStatistics.LostPackets; }
    uint32_t GetIgnoredPacketCount() const { return mStatistics.IgnoredPackets; }
    uint32_t GetRedundantPacketCount() const { return mStatistics.RedundantPackets; }
    uint32_t GetPacketOutOfOrderCount() const { return mStatistics.PacketsOutOfOrder; }
    // Groups of missing packet IDs. A last ID of 0xFFFFFF (0xFFFFFFFF with extended IDs) means
    // the end of the block went missing. KY_NOT_FOUND for an index past the end (outputs kept).
    KyResult GetMissingPacketIdsCount(uint32_t &aCount) const;
    KyResult GetMissingPacketIds(uint32_t aIndex, uint32_t &aFirst, uint32_t &aLast) const;

    // IKyChunkData: the chunks of this buffer's payload.
    void ResetChunks() override;
    KyResult AddChunk(uint32_t aID, const uint8_t *aData, uint32_t aLength) override;
    void SetChunkLayoutID(uint32_t aChunkLayoutID) override { mChunkLayoutID = aChunkLayoutID; }
    bool HasChunks() const override;
    uint32_t GetChunkCount() override;
    KyResult GetChunkIDByIndex(uint32_t aIndex, uint32_t &aID) override;
    uint32_t GetChunkSizeByIndex(uint32_t aIndex) override;
    uint32_t GetChunkSizeByID(uint32_t aID) override;
    const uint8_t *GetChunkRawDataByIndex(uint32_t aIndex) override;
    const uint8_t *GetChunkRawDataByID(uint32_t aID) override;
    // Bytes of the payload: what was received, or for a buffer built here its main part plus
    // its chunk data.
    uint32_t GetPayloadSize() const;
    uint32_t GetChunkLayoutID() override { return mChunkLayoutID; }
    uint32_t GetChunkDataSize() const override;
    uint32_t GetChunkDataCapacity() const override;

    bool IsHeaderValid() const { return mHeaderValid; }
    bool IsTrailerValid() const { return mTrailerValid; }
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

private:
    friend class KyImage;
    friend class KyRawData;
    friend class KyChunkData;

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
};
