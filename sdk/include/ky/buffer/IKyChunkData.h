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
    virtual ~IKyChunkData() = default;

    // Forgets every chunk (the memory stays).
    virtual void ResetChunks() = 0;
    // Appends one chunk: copies aLength bytes and writes the trailer after them.
    // KY_INVALID_PARAMETER for null data with a length, KY_BUFFER_TOO_SMALL when the chunk area
    // cannot take aLength + 8 bytes (plus 8 for the main chunk's trailer before the first chunk).
    virtual KyResult AddChunk(uint32_t aID, const uint8_t *aData, uint32_t aLength) = 0;
    virtual void SetChunkLayoutID(uint32_t aChunkLayoutID) = 0;
    virtual bool HasChunks() const = 0;
    virtual uint32_t GetChunkCount() = 0;
    // KY_NOT_FOUND for an index past the end; aID is then left unchanged.
    virtual KyResult GetChunkIDByIndex(uint32_t aIndex, uint32_t &aID) = 0;
    // 0 when the index or ID is not present.
    virtual uint32_t GetChunkSizeByIndex(uint32_t aIndex) = 0;
    virtual uint32_t GetChunkSizeByID(uint32_t aID) = 0;
    // Null when the index or ID is not present. With repeated IDs the first chunk wins.
    virtual const uint8_t *GetChunkRawDataByIndex(uint32_t aIndex) = 0;
    virtual const uint8_t *GetChunkRawDataByID(uint32_t aID) = 0;
    virtual uint32_t GetChunkLayoutID() = 0;
    // Bytes used by chunk data, trailers included.
    virtual uint32_t GetChunkDataSize() const = 0;
    // Bytes that can still be added as chunk data (trailers included).
    virtual uint32_t GetChunkDataCapacity() const = 0;
};
