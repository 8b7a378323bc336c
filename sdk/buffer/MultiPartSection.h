// MultiPartSection: one part of a KyMultiPartContainer, with the image, JPEG and chunk views
// over its memory.
//
// The memory is one of: none; a range of the buffer's memory (kept as an offset, looked up
// through the container so that it never outlives the buffer's memory); the section's own
// allocation; the caller's attached memory.
#pragma once

#include <cstdint>
#include <memory>

#include "ChunkStore.h"
#include "ky/buffer/IKyChunkData.h"
#include "ky/buffer/IKyImage.h"
#include "ky/buffer/IKyImageJPEG.h"
#include "ky/buffer/IKyMultiPartSection.h"
#include "ky/buffer/KyMultiPartContainer.h"

namespace ky::buffer {

class MultiPartSection;

class SectionImage final : public IKyImage
{
public:
    explicit SectionImage(MultiPartSection &aSection) : mSection(aSection) { }
    const uint8_t *GetDataPointer() const override;
    uint8_t *GetDataPointer() override;
    uint32_t GetImageSize() const override;
    uint32_t GetWidth() const override;
    uint32_t GetHeight() const override;
    KyPixelType GetPixelType() const override;
    uint32_t GetBitsPerPixel() const override;
    uint32_t GetOffsetX() const override;
    uint32_t GetOffsetY() const override;
    uint16_t GetPaddingX() const override;
    uint16_t GetPaddingY() const override { return 0; }
    uint64_t GetBlockID() const override;
    uint64_t GetTimestamp() const override;
    uint64_t GetReceptionTime() const override;

private:
    MultiPartSection &mSection;
};

class SectionJPEG final : public IKyImageJPEG
{
public:
    explicit SectionJPEG(MultiPartSection &aSection) : mSection(aSection) { }
    const uint8_t *GetDataPointer() const override;
    uint8_t *GetDataPointer() override;
    uint8_t GetFlag() const override;
    uint64_t GetTimestampTickFrequency() const override;
    uint32_t GetDataFormat() const override;
    uint64_t GetDataSize() const override;

private:
    MultiPartSection &mSection;
};

// The chunks of the chunk-data part: read from its data, or added into its memory.
class SectionChunks final : public IKyChunkData
{
public:
    explicit SectionChunks(MultiPartSection &aSection) : mSection(aSection) { }
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

    // Indexes the chunks of the part's data again (after its memory or length changed).
    void Reparse();
    // Forgets the index (the memory went away).
    void Clear();

private:
    MultiPartSection &mSection;
    ChunkStore mStore;
    bool mBuilt = false;  // the index holds chunks added here, not parsed ones
};

class MultiPartSection final : public IKyMultiPartSection
{
public:
    enum class Memory { None, InBuffer, Own, Attached };

    MultiPartSection(KyMultiPartContainer &aContainer, const KyMultiPartDescriptor &aDescription,
                     uint32_t aSize);

    const uint8_t *GetDataPointer() const override { return Data(); }
    uint8_t *GetDataPointer() override { return Data(); }
    uint32_t GetSize() const override { return mSize; }
    uint32_t GetEffectiveSize() const override;
    KyMultiPartDataType GetDataType() const override { return mDescription.DataType; }
    bool IsImage() const override;
    bool IsJPEG() const override;
    bool IsChunkData() const override { return mDescription.DataType == KyMultiPartChunkData; }
    IKyImage *GetImage() override { return IsImage() ? &mImage : nullptr; }
    IKyImageJPEG *GetJPEG() override { return IsJPEG() ? &mJPEG : nullptr; }
    IKyChunkData *GetChunkData() override { return IsChunkData() ? &mChunks : nullptr; }
    uint32_t GetSourceID() const override { return mDescription.SourceID; }
    uint32_t GetDataPurposeID() const override { return mDescription.DataPurposeID; }
    uint32_t GetRegionID() const override { return mDescription.RegionID; }
    uint32_t GetAdditionalZones() const override { return mDescription.AdditionalZones; }
    uint32_t GetZoneDirectionMask() const override { return mDescription.ZoneDirectionMask; }

    // The part's memory; null without memory or when the range no longer lies in the buffer.
    uint8_t *Data() const;
    KyMultiPartDescriptor &Description() { return mDescription; }
    const KyMultiPartDescriptor &Description() const { return mDescription; }
    KyMultiPartContainer &Container() const { return mContainer; }
    Memory MemoryKind() const { return mMemory; }
    // Bytes of image data at a height (line padding included); 0 when not computable.
    uint32_t ImageBytes(uint32_t aHeight) const;
    // The final height of an image part, the final length of the others.
    uint32_t FinalHeight() const { return mFinalHeight; }
    void SetFinalHeight(uint32_t aHeight);
    void SetFinalLength(uint32_t aLength);
    // The length of chunks added to the chunk-data part, which stay indexed.
    void SetBuiltLength(uint32_t aLength) { mFinalLength = aLength; }

    void SetNoMemory();
    void SetInBuffer(uint64_t aOffset);
    KyResult SetOwn();
    void SetAttached(uint8_t *aData);

private:
    KyMultiPartContainer &mContainer;
    KyMultiPartDescriptor mDescription;
    uint32_t mSize;             // maximum bytes
    uint32_t mFinalHeight = 0;  // image parts
    uint32_t mFinalLength = 0;  // JPEG and chunk-data parts
    Memory mMemory = Memory::None;
    uint64_t mOffset = 0;  // InBuffer
    std::unique_ptr<uint8_t[]> mOwn;
    uint8_t *mAttached = nullptr;
    SectionImage mImage;
    SectionJPEG mJPEG;
    SectionChunks mChunks;
};

}  // namespace ky::buffer
