// KyRawData: the raw-data payload of a KyBuffer (payload type KyPayloadTypeRawData).
//
// Belongs to its buffer (KyBuffer::GetRawData); its memory is the buffer's memory: the payload
// first, then room for chunk data.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

#include "ky/base/KyResult.h"

class KyBuffer;

class KY_BUFFER_API KyRawData
{
public:
    /// Destructor: only its buffer destroys its raw data.
    virtual ~KyRawData();
    KyRawData(const KyRawData &) = delete;
    KyRawData &operator=(const KyRawData &) = delete;

    /// Payload bytes: as allocated or attached, or as the block's leader announced.
    ///
    /// @return the byte count
    virtual uint64_t GetPayloadLength() const { return mPayloadLength; }
    /// Gives the buffer memory of its own: the payload, then room for chunk data.
    ///
    /// @param[in] aPayloadLength payload bytes
    /// @param[in] aMaximumChunkLength bytes for chunk data after the payload
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER when the total is 0 or above 4 GiB - 1;
    /// KY_NOT_ENOUGH_MEMORY
    virtual KyResult Alloc(uint64_t aPayloadLength, uint32_t aMaximumChunkLength = 0);
    /// Releases the buffer's memory; the payload length stays.
    virtual void Free();
    /// Makes the caller's memory the buffer's memory: the payload is its first aLength - aMaximumChunkLength bytes, chunk data may follow.
    ///
    /// The caller keeps the memory alive and in place until Detach, Free, the buffer's Reset or its
    /// destruction.
    ///
    /// @param[in] aRawBuffer the memory
    /// @param[in] aLength its bytes
    /// @param[in] aMaximumChunkLength bytes of it kept for chunk data
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for no memory, a length above 4 GiB - 1, or a chunk
    /// length larger than aLength
    virtual KyResult Attach(void *aRawBuffer, uint64_t aLength, uint32_t aMaximumChunkLength = 0);
    /// Gives the attached memory back; the payload length stays.
    ///
    /// @return the memory that was attached; null when none was
    virtual uint8_t *Detach();

    // For the stream receiver: the payload length that the block's leader announced. Refused with
    // KY_BUFFER_TOO_SMALL (unchanged) when it exceeds the buffer's memory.
    KyResult SetPayloadLength(uint64_t aPayloadLength);

private:
    friend class KyBuffer;
    explicit KyRawData(KyBuffer &aBuffer);

    KyBuffer &mBuffer;
    uint64_t mPayloadLength = 0;
};
