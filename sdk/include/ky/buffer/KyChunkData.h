// KyChunkData: a payload made of chunks only (payload type KyPayloadTypeChunkData).
//
// Belongs to its buffer (KyBuffer::GetChunkData); its chunk operations are the buffer's, and its
// memory is the buffer's memory.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

#include "ky/buffer/IKyChunkData.h"

class KyBuffer;

class KY_BUFFER_API KyChunkData : public IKyChunkData
{
public:
    /// Destructor: only its buffer destroys its chunk data.
    ~KyChunkData() override;
    KyChunkData(const KyChunkData &) = delete;
    KyChunkData &operator=(const KyChunkData &) = delete;

    void ResetChunks() override;
    KyResult AddChunk(uint32_t aID, const uint8_t *aData, uint32_t aLength) override;
    void SetChunkLayoutID(uint32_t aChunkLayoutID) override;
    bool HasChunks() const override;
    uint32_t GetChunkCount() override;
    KyResult GetChunkIDByIndex(uint32_t aIndex, uint32_t &aID) override;
    uint32_t GetChunkSizeByIndex(uint32_t aIndex) override;
    uint32_t GetChunkSizeByID(uint32_t aID) override;
    const uint8_t *GetChunkRawDataByIndex(uint32_t aIndex) override;
    const uint8_t *GetChunkRawDataByID(uint32_t aID) override;
    uint32_t GetChunkLayoutID() override;
    uint32_t GetChunkDataSize() const override;
    uint32_t GetChunkDataCapacity() const override;

    /// The payload length: what the block's trailer gave, or the chunk data size of a payload built here.
    ///
    /// @return bytes
    virtual uint64_t GetChunkDataPayloadLength() const;
    /// Gives the buffer memory of its own for chunks.
    ///
    /// @param[in] aMaximumChunkLength bytes, 8 of them per chunk for its trailer
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for 0; KY_NOT_ENOUGH_MEMORY
    virtual KyResult Alloc(uint32_t aMaximumChunkLength);
    /// Releases the buffer's memory.
    virtual void Free();
    /// Makes the caller's memory the buffer's memory; the caller keeps it alive and in place until Detach, Free, the buffer's Reset or its destruction.
    ///
    /// @param[in] aBuffer the memory
    /// @param[in] aLength its bytes, 8 of them per chunk for its trailer
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for no memory or a length of 0
    virtual KyResult Attach(void *aBuffer, uint32_t aLength);
    /// Gives the attached memory back; the payload length stays (never more than that memory).
    ///
    /// @return the memory that was attached; null when none was
    virtual uint8_t *Detach();

    // For the stream receiver: the payload length that the block's trailer gave.
    void SetChunkDataPayloadLength(uint64_t aLength)
    {
        mPayloadLength = aLength;
        mPayloadLengthSet = true;
    }

private:
    friend class KyBuffer;
    explicit KyChunkData(KyBuffer &aBuffer);

    KyBuffer &mBuffer;
    uint64_t mPayloadLength = 0;
    bool mPayloadLengthSet = false;
};
