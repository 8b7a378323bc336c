// The chunk operations of KyBuffer: chunks live in the separate chunk area when there is one,
// else in the buffer's memory right after the payload's main part.
#include "ky/buffer/KyBuffer.h"

#include <string>

#include "ChunkStore.h"

namespace {

struct ChunkArea
{
    uint8_t *base;
    uint32_t size;
};

}  // namespace

static ChunkArea AreaOf(uint8_t *aData, uint32_t aSize, uint32_t aMainSize, uint8_t *aSeparate,
                        uint32_t aSeparateSize)
{
    if (aSeparate != nullptr)
        return ChunkArea{aSeparate, aSeparateSize};
    if (aData == nullptr || aMainSize > aSize)
        return ChunkArea{nullptr, 0};
    return ChunkArea{aData + aMainSize, aSize - aMainSize};
}

void KyBuffer::ResetChunks() { mChunks->Clear(); }

KyResult KyBuffer::AddChunk(uint32_t aID, const uint8_t *aData, uint32_t aLength)
{
    const uint32_t main = MainPartSize();
    const ChunkArea area = AreaOf(mData, mSize, main, mChunkArea.get(), mChunkAreaSize);
    return mChunks->Append(area.base, area.size, main, kMainChunkID, aID, aData, aLength);
}

bool KyBuffer::HasChunks() const { return mChunks->Count() > 0; }
uint32_t KyBuffer::GetChunkCount() { return mChunks->Count(); }

KyResult KyBuffer::GetChunkIDByIndex(uint32_t aIndex, uint32_t &aID)
{
    const ky::buffer::ChunkStore::Entry *e = mChunks->ByIndex(aIndex);
    if (e == nullptr)
        return KyResult(KY_NOT_FOUND, "[KyBuffer::GetChunkIDByIndex] no chunk " + std::to_string(aIndex) +
                                          " of " + std::to_string(mChunks->Count()));
    aID = e->id;
    return KyResult();
}

uint32_t KyBuffer::GetChunkSizeByIndex(uint32_t aIndex)
{
    const ky::buffer::ChunkStore::Entry *e = mChunks->ByIndex(aIndex);
    return e ? e->length : 0;
}

uint32_t KyBuffer::GetChunkSizeByID(uint32_t aID)
{
    const ky::buffer::ChunkStore::Entry *e = mChunks->ByID(aID);
    return e ? e->length : 0;
}

const uint8_t *KyBuffer::GetChunkRawDataByIndex(uint32_t aIndex)
{
    const ky::buffer::ChunkStore::Entry *e = mChunks->ByIndex(aIndex);
    return e ? e->data : nullptr;
}

const uint8_t *KyBuffer::GetChunkRawDataByID(uint32_t aID)
{
    const ky::buffer::ChunkStore::Entry *e = mChunks->ByID(aID);
    return e ? e->data : nullptr;
}

uint32_t KyBuffer::GetChunkDataSize() const { return mChunks->Used(); }

uint32_t KyBuffer::GetChunkDataCapacity() const
{
    const uint32_t main = MainPartSize();
    const ChunkArea area = AreaOf(mData, mSize, main, mChunkArea.get(), mChunkAreaSize);
    uint32_t left = mChunks->Remaining(area.size);
    // The main part's trailer still has to go in before the first chunk.
    if (main > 0 && mChunks->Used() == 0)
        left = left > ky::buffer::ChunkStore::kTrailerSize ? left - ky::buffer::ChunkStore::kTrailerSize : 0;
    return left;
}
