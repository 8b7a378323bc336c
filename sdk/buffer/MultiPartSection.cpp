#include "MultiPartSection.h"

#include <new>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"

namespace ky::buffer {

MultiPartSection::MultiPartSection(KyMultiPartContainer &aContainer,
                                   const KyMultiPartDescriptor &aDescription, uint32_t aSize)
    : mContainer(aContainer),
      mDescription(aDescription),
      mSize(aSize),
      mFinalHeight(aDescription.Height),
      mFinalLength(aSize),
      mImage(*this),
      mJPEG(*this),
      mChunks(*this)
{ }

bool MultiPartSection::IsImage() const { return KyMultiPartContainer::IsImageType(mDescription.DataType); }
bool MultiPartSection::IsJPEG() const { return KyMultiPartContainer::IsJPEGType(mDescription.DataType); }

uint32_t MultiPartSection::ImageBytes(uint32_t aHeight) const
{
    uint32_t size = 0;
    return KyImage::ComputeImageSize(mDescription.PixelType,
                                     uint64_t(mDescription.Width) + mDescription.PaddingX, aHeight, size)
               ? size
               : 0;
}

uint32_t MultiPartSection::GetEffectiveSize() const
{
    const uint32_t size = IsImage() ? ImageBytes(mFinalHeight) : mFinalLength;
    return size <= mSize ? size : mSize;
}

uint8_t *MultiPartSection::Data() const
{
    switch (mMemory) {
    case Memory::None:
        return nullptr;
    case Memory::InBuffer: {
        uint8_t *base = mContainer.BufferData();
        if (base == nullptr || mOffset > mContainer.BufferSize() || mContainer.BufferSize() - mOffset < mSize)
            return nullptr;
        return base + mOffset;
    }
    case Memory::Own:
        return mOwn.get();
    case Memory::Attached:
        return mAttached;
    }
    return nullptr;
}

void MultiPartSection::SetFinalHeight(uint32_t aHeight) { mFinalHeight = aHeight; }

void MultiPartSection::SetFinalLength(uint32_t aLength)
{
    mFinalLength = aLength;
    if (IsChunkData())
        mChunks.Reparse();
}

void MultiPartSection::SetNoMemory()
{
    mMemory = Memory::None;
    mOwn.reset();
    mAttached = nullptr;
    mOffset = 0;
    mChunks.Clear();
}

void MultiPartSection::SetInBuffer(uint64_t aOffset)
{
    SetNoMemory();
    mMemory = Memory::InBuffer;
    mOffset = aOffset;
    mChunks.Reparse();
}

KyResult MultiPartSection::SetOwn()
{
    SetNoMemory();
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[mSize]());
    if (!data)
        return KyResult(KY_NOT_ENOUGH_MEMORY, "[IKyMultiPartContainerWriter::AllocPart] cannot allocate " +
                                                  std::to_string(mSize) + " bytes");
    mOwn = std::move(data);
    mMemory = Memory::Own;
    mChunks.Reparse();
    return KyResult();
}

void MultiPartSection::SetAttached(uint8_t *aData)
{
    SetNoMemory();
    mAttached = aData;
    mMemory = Memory::Attached;
    mChunks.Reparse();
}

// ---- image view ----

const uint8_t *SectionImage::GetDataPointer() const { return mSection.Data(); }
uint8_t *SectionImage::GetDataPointer() { return mSection.Data(); }
uint32_t SectionImage::GetImageSize() const { return mSection.GetEffectiveSize(); }
uint32_t SectionImage::GetWidth() const { return mSection.Description().Width; }
uint32_t SectionImage::GetHeight() const { return mSection.FinalHeight(); }
KyPixelType SectionImage::GetPixelType() const { return mSection.Description().PixelType; }
uint32_t SectionImage::GetBitsPerPixel() const
{
    return KyImage::GetPixelSize(mSection.Description().PixelType);
}
uint32_t SectionImage::GetOffsetX() const { return mSection.Description().OffsetX; }
uint32_t SectionImage::GetOffsetY() const { return mSection.Description().OffsetY; }
uint16_t SectionImage::GetPaddingX() const { return mSection.Description().PaddingX; }
uint64_t SectionImage::GetBlockID() const { return mSection.Container().GetBuffer().GetBlockID(); }
uint64_t SectionImage::GetTimestamp() const { return mSection.Container().GetBuffer().GetTimestamp(); }
uint64_t SectionImage::GetReceptionTime() const
{
    return mSection.Container().GetBuffer().GetReceptionTime();
}

// ---- JPEG view ----

const uint8_t *SectionJPEG::GetDataPointer() const { return mSection.Data(); }
uint8_t *SectionJPEG::GetDataPointer() { return mSection.Data(); }
uint8_t SectionJPEG::GetFlag() const { return mSection.Description().JPEGFlag; }
uint64_t SectionJPEG::GetTimestampTickFrequency() const
{
    return mSection.Description().TimestampTickFrequency;
}
uint32_t SectionJPEG::GetDataFormat() const { return mSection.Description().DataFormat; }
uint64_t SectionJPEG::GetDataSize() const { return mSection.GetEffectiveSize(); }

// ---- chunk view ----

void SectionChunks::Clear()
{
    mStore.Clear();
    mBuilt = false;
}

void SectionChunks::Reparse()
{
    Clear();
    if (!mSection.IsChunkData())
        return;
    const uint8_t *data = mSection.Data();
    if (data != nullptr)
        (void)mStore.Parse(data, mSection.GetEffectiveSize(), false);  // a malformed part lists no chunks
}

void SectionChunks::ResetChunks() { Clear(); }

KyResult SectionChunks::AddChunk(uint32_t aID, const uint8_t *aData, uint32_t aLength)
{
    uint8_t *area = mSection.Data();
    if (area == nullptr)
        return KyResult(KY_BUFFER_TOO_SMALL, "[IKyChunkData::AddChunk] the chunk-data part has no memory");
    if (!mBuilt) {
        mStore.Clear();
        mBuilt = true;
    }
    KyResult result = mStore.Append(area, mSection.GetSize(), 0, 0, aID, aData, aLength);
    if (result.IsOK())
        mSection.SetBuiltLength(mStore.Used());
    return result;
}

void SectionChunks::SetChunkLayoutID(uint32_t aChunkLayoutID)
{
    mSection.Description().ChunkLayoutID = aChunkLayoutID;
}
bool SectionChunks::HasChunks() const { return mStore.Count() > 0; }
uint32_t SectionChunks::GetChunkCount() { return mStore.Count(); }

KyResult SectionChunks::GetChunkIDByIndex(uint32_t aIndex, uint32_t &aID)
{
    const ChunkStore::Entry *e = mStore.ByIndex(aIndex);
    if (e == nullptr)
        return KyResult(KY_NOT_FOUND, "[IKyChunkData::GetChunkIDByIndex] no chunk " + std::to_string(aIndex));
    aID = e->id;
    return KyResult();
}

uint32_t SectionChunks::GetChunkSizeByIndex(uint32_t aIndex)
{
    const ChunkStore::Entry *e = mStore.ByIndex(aIndex);
    return e ? e->length : 0;
}
uint32_t SectionChunks::GetChunkSizeByID(uint32_t aID)
{
    const ChunkStore::Entry *e = mStore.ByID(aID);
    return e ? e->length : 0;
}
const uint8_t *SectionChunks::GetChunkRawDataByIndex(uint32_t aIndex)
{
    const ChunkStore::Entry *e = mStore.ByIndex(aIndex);
    return e ? e->data : nullptr;
}
const uint8_t *SectionChunks::GetChunkRawDataByID(uint32_t aID)
{
    const ChunkStore::Entry *e = mStore.ByID(aID);
    return e ? e->data : nullptr;
}
uint32_t SectionChunks::GetChunkLayoutID() { return mSection.Description().ChunkLayoutID; }
uint32_t SectionChunks::GetChunkDataSize() const
{
    return mBuilt ? mStore.Used() : mSection.GetEffectiveSize();
}
uint32_t SectionChunks::GetChunkDataCapacity() const
{
    return mSection.Data() != nullptr ? mStore.Remaining(mSection.GetSize()) : 0;
}

}  // namespace ky::buffer
