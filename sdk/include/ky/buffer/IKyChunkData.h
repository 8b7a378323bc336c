// IKyChunkData: the chunks of a payload, each a block of bytes tagged with a 32-bit chunk ID.
//
// On the wire (GigE Vision chunk mode) every chunk is its data followed by an 8-byte trailer:
// the chunk ID and the data length, both big-endian. A block is read from its end backwards.
// A payload whose main part is an image carries that image as its first chunk; the image is not
// listed among the chunks. Chunk memory belongs to the object that holds it; pointers handed out
// stay valid until the chunks are reset or the memory is freed, detached or re-allocated.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

#include "ky/base/KyResult.h"

class KY_BUFFER_API IKyChunkData
{
public:
    /// Destructor.
    virtual ~IKyChunkData() = default;

    /// Forgets every chunk (the memory stays).
    virtual void ResetChunks() = 0;
    /// Appends a chunk: copies the data and writes its 8-byte trailer after it.
    ///
    /// @param[in] aID the chunk ID
    /// @param[in] aData the chunk's bytes
    /// @param[in] aLength their count
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for no data with a length; KY_BUFFER_TOO_SMALL when
    /// the chunk area cannot take aLength + 8 bytes (plus 8 for the main chunk's trailer before
    /// the first chunk)
    virtual KyResult AddChunk(uint32_t aID, const uint8_t *aData, uint32_t aLength) = 0;
    /// Sets the chunk layout ID.
    ///
    /// @param[in] aChunkLayoutID the layout ID
    virtual void SetChunkLayoutID(uint32_t aChunkLayoutID) = 0;
    /// Whether there is at least one chunk.
    ///
    /// @return true when there are chunks
    virtual bool HasChunks() const = 0;
    /// The number of chunks.
    ///
    /// @return the count
    virtual uint32_t GetChunkCount() = 0;
    /// The ID of a chunk.
    ///
    /// @param[in] aIndex the chunk, from 0
    /// @param[out] aID receives the ID (unchanged on failure)
    ///
    /// @return KY_OK; KY_NOT_FOUND for an index past the end
    virtual KyResult GetChunkIDByIndex(uint32_t aIndex, uint32_t &aID) = 0;
    /// The data size of a chunk.
    ///
    /// @param[in] aIndex the chunk, from 0
    ///
    /// @return bytes; 0 when the index is not present
    virtual uint32_t GetChunkSizeByIndex(uint32_t aIndex) = 0;
    /// The data size of the first chunk with that ID.
    ///
    /// @param[in] aID the chunk ID
    ///
    /// @return bytes; 0 when the ID is not present
    virtual uint32_t GetChunkSizeByID(uint32_t aID) = 0;
    /// The data of a chunk, inside the payload.
    ///
    /// @param[in] aIndex the chunk, from 0
    ///
    /// @return its first byte; null when the index is not present
    virtual const uint8_t *GetChunkRawDataByIndex(uint32_t aIndex) = 0;
    /// The data of the first chunk with that ID, inside the payload.
    ///
    /// @param[in] aID the chunk ID
    ///
    /// @return its first byte; null when the ID is not present
    virtual const uint8_t *GetChunkRawDataByID(uint32_t aID) = 0;
    /// The chunk layout ID.
    ///
    /// @return the layout ID
    virtual uint32_t GetChunkLayoutID() = 0;
    /// Bytes used by chunk data, trailers included.
    ///
    /// @return the byte count
    virtual uint32_t GetChunkDataSize() const = 0;
    /// Bytes that can still be added as chunk data, trailers included.
    ///
    /// @return the byte count
    virtual uint32_t GetChunkDataCapacity() const = 0;
};
