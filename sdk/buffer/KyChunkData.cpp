#include "ky/buffer/KyChunkData.h"

#include <algorithm>

#include "ky/buffer/KyBuffer.h"

KyChunkData::KyChunkData(KyBuffer &aBuffer) : mBuffer(aBuffer) { }
KyChunkData::~KyChunkData() = default;

void KyChunkData::ResetChunks() { mBuffer.ResetChunks(); }
KyResult KyChunkData::AddChunk(uint32_t aID, const uint8_t *aData, uint32_t aLength)
{
    return mBuffer.AddChunk(aID, aData, aLength);
}
void KyChunkData::SetChunkLayoutID(uint32_t aChunkLayoutID) { mBuffer.SetChunkLayoutID(aChunkLayoutID); }
bool KyChunkData::HasChunks() const { return mBuffer.HasChunks(); }
uint32_t KyChunkData::GetChunkCount() { return mBuffer.GetChunkCount(); }
KyResult KyChunkData::GetChunkIDByIndex(uint32_t aIndex, uint32_t &aID)
{
    return mBuffer.GetChunkIDByIndex(aIndex, aID);
}
uint32_t KyChunkData::GetChunkSizeByIndex(uint32_t aIndex) { return mBuffer.GetChunkSizeByIndex(aIndex); }
uint32_t KyChunkData::GetChunkSizeByID(uint32_t aID) { return mBuffer.GetChunkSizeByID(aID); }
const uint8_t *KyChunkData::GetChunkRawDataByIndex(uint32_t aIndex)
{
    return mBuffer.GetChunkRawDataByIndex(aIndex);
}
const uint8_t *KyChunkData::GetChunkRawDataByID(uint32_t aID) { return mBuffer.GetChunkRawDataByID(aID); }
uint32_t KyChunkData::GetChunkLayoutID() { return mBuffer.GetChunkLayoutID(); }
uint32_t KyChunkData::GetChunkDataSize() const { return mBuffer.GetChunkDataSize(); }
uint32_t KyChunkData::GetChunkDataCapacity() const { return mBuffer.GetChunkDataCapacity(); }

uint64_t KyChunkData::GetChunkDataPayloadLength() const
{
    return mPayloadLengthSet ? mPayloadLength : mBuffer.GetChunkDataSize();
}

KyResult KyChunkData::Alloc(uint32_t aMaximumChunkLength) { return mBuffer.Alloc(aMaximumChunkLength); }
void KyChunkData::Free() { mBuffer.Free(); }
KyResult KyChunkData::Attach(void *aBuffer, uint32_t aLength) { return mBuffer.Attach(aBuffer, aLength); }

uint8_t *KyChunkData::Detach()
{
    // The length of what was built stays readable after the memory goes back to the caller,
    // never longer than that memory (chunks may have lived in an area of their own).
    if (mBuffer.IsAttached())
        SetChunkDataPayloadLength(std::min<uint64_t>(GetChunkDataPayloadLength(), mBuffer.GetSize()));
    return mBuffer.Detach();
}
