// KyMultiPartContainer: the multi-part payload of one KyBuffer (KyBuffer::GetMultiPartContainer):
// the index of its parts, each part's description and memory.
//
// Belongs to its buffer and lives as long as it. A part's memory is a range of the buffer's
// memory (AllocAllParts, and every received block), the part's own allocation (AllocPart) or the
// caller's (AttachPart). The sections and their views stay valid until Reset or until the next
// block is received into the buffer. Not thread-safe: one thread at a time uses a buffer.
#pragma once

#include "ky/buffer/KyBufferExport.h"
#include "ky/base/KyBaseExport.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "ky/buffer/IKyMultiPartContainer.h"

class KyBuffer;

namespace ky::buffer {
class MultiPartSection;
}

// The description of one received part, as a block's leader gives it. The part's data lies in
// the buffer's memory from Offset on, Length bytes.
struct KyMultiPartDescriptor
{
    KyMultiPartDataType DataType = KyMultiPartInvalid;
    uint64_t Offset = 0;
    uint64_t Length = 0;
    // Image parts.
    KyPixelType PixelType = KyPixelUndefined;
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t OffsetX = 0;
    uint32_t OffsetY = 0;
    uint16_t PaddingX = 0;
    // JPEG parts.
    uint8_t JPEGFlag = 0;
    uint64_t TimestampTickFrequency = 0;
    uint32_t DataFormat = 0;
    // Chunk-data part.
    uint32_t ChunkLayoutID = 0;
    // Every part.
    uint32_t SourceID = 0;
    uint32_t DataPurposeID = 0;
    uint32_t RegionID = 0;
    uint32_t AdditionalZones = 0;
    uint32_t ZoneDirectionMask = 0;
};

class KY_BUFFER_API KyMultiPartContainer : public IKyMultiPartContainer
{
public:
    // Parts a payload may have when the writer builds it: what one standard leader describes.
    static constexpr uint32_t kMaxWriterParts = 10;
    // Parts a received block may have; a leader describing more is refused.
    static constexpr uint32_t kMaxReceivedParts = 256;

    ~KyMultiPartContainer() override;
    KyMultiPartContainer(const KyMultiPartContainer &) = delete;
    KyMultiPartContainer &operator=(const KyMultiPartContainer &) = delete;

    uint32_t GetPartCount() override;
    const IKyMultiPartSection *GetPart(uint32_t aIndex) const override;
    IKyMultiPartSection *GetPart(uint32_t aIndex) override;
    bool HasChunkPart() const override;
    uint64_t GetTotalEffectiveSize() const override;

    void Reset() override;
    KyResult AddImagePart(KyMultiPartDataType aDataType, uint32_t aWidth, uint32_t aMaxHeight,
                          KyPixelType aPixelType, uint32_t aOffsetX = 0, uint32_t aOffsetY = 0,
                          uint16_t aPaddingX = 0) override;
    KyResult AddJPEGPart(KyMultiPartDataType aDataType, uint32_t aMaxLength, uint8_t aFlag,
                         uint64_t aTimestampTickFrequency, uint32_t aDataFormat) override;
    KyResult AddChunkPart(uint32_t aMaxLength, uint32_t aChunkLayoutID) override;
    KyResult SetPartIDs(uint32_t aIndex, uint32_t aSourceID, uint32_t aDataPurposeID,
                        uint32_t aRegionID) override;
    KyResult SetPartZoneInfo(uint32_t aIndex, uint8_t aAdditionalZones, uint32_t aZoneDirectionMask) override;
    KyResult AllocAllParts() override;
    KyResult AllocPart(uint32_t aIndex) override;
    KyResult AttachPart(uint32_t aIndex, uint8_t *aBuffer, uint64_t aLength) override;
    KyResult SetPartFinalLength(uint32_t aIndex, uint32_t aLength) override;
    KyResult SetPartFinalImageHeight(uint32_t aIndex, uint32_t aHeight) override;
    KyResult Validate() override;

    /// Whether a data type is that of an image part (KyMultiPart2DImage to KyMultiPartConfidenceMap).
    ///
    /// @param[in] aDataType a KyMultiPartDataType value
    ///
    /// @return true for an image data type
    static bool IsImageType(KyMultiPartDataType aDataType);
    /// Whether a data type is that of a JPEG part (KyMultiPartJPEGImage, KyMultiPartJPEG2000Image).
    ///
    /// @param[in] aDataType a KyMultiPartDataType value
    ///
    /// @return true for a JPEG data type
    static bool IsJPEGType(KyMultiPartDataType aDataType);

    /// The buffer the container belongs to.
    ///
    /// @return the buffer
    const KyBuffer &GetBuffer() const { return mBuffer; }

    // For the stream receiver: replaces the part index with the parts of a block received into
    // the buffer's memory. Every part must lie within the first aBlockSize bytes of the memory
    // and an image part's geometry must fit its length; otherwise nothing is kept and
    // KY_INVALID_DATA_FORMAT says which part is wrong.
    KyResult SetReceivedParts(const KyMultiPartDescriptor *aParts, uint32_t aCount, uint64_t aBlockSize);

private:
    friend class KyBuffer;
    friend class ky::buffer::MultiPartSection;
    explicit KyMultiPartContainer(KyBuffer &aBuffer);

    // Called by the buffer when its memory changes: parts placed in it lose their memory.
    void BufferMemoryChanged();
    // The buffer's memory and its size, for parts placed in it.
    uint8_t *BufferData() const;
    uint64_t BufferSize() const;
    bool IsMultiPartBuffer() const;
    // The buffer holds a multi-part payload (else KY_NOT_SUPPORTED) and, with aNeedsParts, has
    // parts defined (else KY_STATE_ERROR).
    KyResult CheckWritable(const char *aCaller, bool aNeedsParts = false) const;
    // The prologue of every part setter: the buffer holds a multi-part payload (otherwise the
    // setter answers aNotMultiPart) and has part aIndex, which is not the chunk-data part when
    // aChunkLacks names what that part lacks. Null, with the refusal in aResult, otherwise.
    KY_LOCAL ky::buffer::MultiPartSection *PartToSet(const char *aCaller, uint32_t aIndex, KyResult &aResult,
                                                     uint32_t aNotMultiPart = KY_NOT_SUPPORTED,
                                                     const char *aChunkLacks = nullptr);
    KY_LOCAL KyResult AddPart(const char *aCaller, std::unique_ptr<ky::buffer::MultiPartSection> aSection);

    KyBuffer &mBuffer;
    std::vector<std::unique_ptr<ky::buffer::MultiPartSection>> mParts;
};
