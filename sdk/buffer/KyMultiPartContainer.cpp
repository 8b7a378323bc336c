#include "ky/buffer/KyMultiPartContainer.h"

#include <string>

#include "MultiPartSection.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"

using ky::buffer::MultiPartSection;

namespace {

KyResult Refuse(uint32_t aCode, const char *aCaller, const std::string &aWhy)
{
    return KyResult(aCode, std::string("[") + aCaller + "] " + aWhy);
}

// What every part adder checks first, after the buffer's own check (`writable`): a data type of
// the adder's kind (`kindFits`, else "data type N is not <kind>") and the sizes a part needs
// (`missing`, when not null, says which is 0).
KyResult CheckNewPart(const char *aCaller, const KyResult &aWritable, KyMultiPartDataType aDataType,
                      bool aKindFits, const char *aKind, const char *aMissing)
{
    if (!aWritable.IsOK())
        return aWritable;
    if (!aKindFits)
        return Refuse(KY_INVALID_PARAMETER, aCaller,
                      "data type " + std::to_string(aDataType) + " is not " + aKind);
    if (aMissing != nullptr)
        return Refuse(KY_INVALID_PARAMETER, aCaller, aMissing);
    return KyResult();
}

// The description of a new part of that type and (maximum) length; the adder fills in the rest.
KyMultiPartDescriptor Describe(KyMultiPartDataType aDataType, uint32_t aLength)
{
    KyMultiPartDescriptor d;
    d.DataType = aDataType;
    d.Length = aLength;
    return d;
}

// What a part holds in the end: an image its final height, any other part its final length; at
// most the maximum it was defined with.
KyResult SetFinalSize(MultiPartSection &aPart, const char *aCaller, uint32_t aIndex, uint32_t aSize,
                      bool aImage)
{
    if (aPart.IsImage() != aImage)
        return Refuse(KY_INVALID_PARAMETER, aCaller,
                      "part " + std::to_string(aIndex) +
                          (aImage ? " is not an image" : " is an image; set its height"));
    const uint64_t maximum = aImage ? aPart.Description().Height : aPart.GetSize();
    if (aSize > maximum)
        return Refuse(KY_INVALID_PARAMETER, aCaller,
                      std::to_string(aSize) + (aImage ? " lines" : " bytes") + " exceed the maximum of " +
                          std::to_string(maximum));
    if (aImage)
        aPart.SetFinalHeight(aSize);
    else
        aPart.SetFinalLength(aSize);
    return KyResult();
}

}  // namespace

KyMultiPartContainer::KyMultiPartContainer(KyBuffer &aBuffer) : mBuffer(aBuffer) { }
KyMultiPartContainer::~KyMultiPartContainer() = default;

bool KyMultiPartContainer::IsImageType(KyMultiPartDataType aDataType)
{
    return aDataType >= KyMultiPart2DImage && aDataType <= KyMultiPartConfidenceMap;
}

bool KyMultiPartContainer::IsJPEGType(KyMultiPartDataType aDataType)
{
    return aDataType == KyMultiPartJPEGImage || aDataType == KyMultiPartJPEG2000Image;
}

uint8_t *KyMultiPartContainer::BufferData() const { return mBuffer.GetDataPointer(); }
uint64_t KyMultiPartContainer::BufferSize() const { return mBuffer.GetSize(); }
bool KyMultiPartContainer::IsMultiPartBuffer() const
{
    return mBuffer.GetPayloadType() == KyPayloadTypeMultiPart;
}

void KyMultiPartContainer::BufferMemoryChanged()
{
    for (auto &part : mParts)
        if (part->MemoryKind() == MultiPartSection::Memory::InBuffer)
            part->SetNoMemory();
}

uint32_t KyMultiPartContainer::GetPartCount() { return static_cast<uint32_t>(mParts.size()); }

const IKyMultiPartSection *KyMultiPartContainer::GetPart(uint32_t aIndex) const
{
    return aIndex < mParts.size() ? mParts[aIndex].get() : nullptr;
}

IKyMultiPartSection *KyMultiPartContainer::GetPart(uint32_t aIndex)
{
    return aIndex < mParts.size() ? mParts[aIndex].get() : nullptr;
}

bool KyMultiPartContainer::HasChunkPart() const { return !mParts.empty() && mParts.back()->IsChunkData(); }

uint64_t KyMultiPartContainer::GetTotalEffectiveSize() const
{
    uint64_t total = 0;
    for (const auto &part : mParts)
        total += part->GetEffectiveSize();
    return total;
}

void KyMultiPartContainer::Reset() { mParts.clear(); }

KyResult KyMultiPartContainer::CheckWritable(const char *aCaller, bool aNeedsParts) const
{
    if (!IsMultiPartBuffer())
        return Refuse(KY_NOT_SUPPORTED, aCaller, "the buffer is not a multi-part buffer");
    if (aNeedsParts && mParts.empty())
        return Refuse(KY_STATE_ERROR, aCaller, "no parts are defined");
    return KyResult();
}

MultiPartSection *KyMultiPartContainer::PartToSet(const char *aCaller, uint32_t aIndex, KyResult &aResult,
                                                  uint32_t aNotMultiPart, const char *aChunkLacks)
{
    if (!IsMultiPartBuffer())
        aResult = Refuse(aNotMultiPart, aCaller, "the buffer is not a multi-part buffer");
    else if (aIndex >= mParts.size())
        aResult = Refuse(KY_INVALID_PARAMETER, aCaller,
                         "no part " + std::to_string(aIndex) + " of " + std::to_string(mParts.size()));
    else if (aChunkLacks != nullptr && mParts[aIndex]->IsChunkData())
        aResult =
            Refuse(KY_INVALID_DATA_FORMAT, aCaller, std::string("the chunk-data part has no ") + aChunkLacks);
    else
        return mParts[aIndex].get();
    return nullptr;
}

KyResult KyMultiPartContainer::AddPart(const char *aCaller, std::unique_ptr<MultiPartSection> aSection)
{
    if (HasChunkPart())
        return Refuse(KY_STATE_ERROR, aCaller, "the chunk-data part is the last part; no part follows it");
    if (mParts.size() >= kMaxWriterParts)
        return Refuse(KY_ERR_OVERFLOW, aCaller,
                      "a payload has at most " + std::to_string(kMaxWriterParts) + " parts");
    mParts.push_back(std::move(aSection));
    return KyResult();
}

KyResult KyMultiPartContainer::AddImagePart(KyMultiPartDataType aDataType, uint32_t aWidth,
                                            uint32_t aMaxHeight, KyPixelType aPixelType, uint32_t aOffsetX,
                                            uint32_t aOffsetY, uint16_t aPaddingX)
{
    const char *caller = "IKyMultiPartContainerWriter::AddImagePart";
    const KyResult result =
        CheckNewPart(caller, CheckWritable(caller), aDataType, IsImageType(aDataType), "an image",
                     aWidth == 0 || aMaxHeight == 0 ? "an image part needs a width and a height" : nullptr);
    if (!result.IsOK())
        return result;
    if (KyImage::GetPixelSize(aPixelType) == 0)
        return Refuse(KY_INVALID_PARAMETER, caller,
                      "pixel type " + std::to_string(aPixelType) + " has no size");
    uint32_t size = 0;
    if (!KyImage::ComputeImageSize(aPixelType, uint64_t(aWidth) + aPaddingX, aMaxHeight, size))
        return Refuse(KY_ERR_OVERFLOW, caller,
                      std::to_string(aWidth) + " x " + std::to_string(aMaxHeight) + " does not fit 32 bits");
    KyMultiPartDescriptor d = Describe(aDataType, size);
    d.PixelType = aPixelType;
    d.Width = aWidth;
    d.Height = aMaxHeight;
    d.OffsetX = aOffsetX;
    d.OffsetY = aOffsetY;
    d.PaddingX = aPaddingX;
    return AddPart(caller, std::make_unique<MultiPartSection>(*this, d, size));
}

KyResult KyMultiPartContainer::AddJPEGPart(KyMultiPartDataType aDataType, uint32_t aMaxLength, uint8_t aFlag,
                                           uint64_t aTimestampTickFrequency, uint32_t aDataFormat)
{
    KyMultiPartDescriptor d = Describe(aDataType, aMaxLength);
    d.JPEGFlag = aFlag;
    d.TimestampTickFrequency = aTimestampTickFrequency;
    d.DataFormat = aDataFormat;
    const char *caller = "IKyMultiPartContainerWriter::AddJPEGPart";
    const KyResult result =
        CheckNewPart(caller, CheckWritable(caller), aDataType, IsJPEGType(aDataType), "a JPEG",
                     aMaxLength == 0 ? "a JPEG part needs a maximum length" : nullptr);
    return result.IsOK() ? AddPart(caller, std::make_unique<MultiPartSection>(*this, d, aMaxLength)) : result;
}

KyResult KyMultiPartContainer::AddChunkPart(uint32_t aMaxLength, uint32_t aChunkLayoutID)
{
    KyMultiPartDescriptor d = Describe(KyMultiPartChunkData, aMaxLength);
    d.ChunkLayoutID = aChunkLayoutID;
    const char *caller = "IKyMultiPartContainerWriter::AddChunkPart";
    const KyResult result =
        CheckNewPart(caller, CheckWritable(caller), KyMultiPartChunkData, true, nullptr,
                     aMaxLength == 0 ? "a chunk-data part needs a maximum length" : nullptr);
    return result.IsOK() ? AddPart(caller, std::make_unique<MultiPartSection>(*this, d, aMaxLength)) : result;
}

KyResult KyMultiPartContainer::SetPartIDs(uint32_t aIndex, uint32_t aSourceID, uint32_t aDataPurposeID,
                                          uint32_t aRegionID)
{
    KyResult result;
    MultiPartSection *part =
        PartToSet("IKyMultiPartContainerWriter::SetPartIDs", aIndex, result, KY_INVALID_DATA_FORMAT, "IDs");
    if (part == nullptr)
        return result;
    KyMultiPartDescriptor &d = part->Description();
    d.SourceID = aSourceID;
    d.DataPurposeID = aDataPurposeID;
    d.RegionID = aRegionID;
    return KyResult();
}

KyResult KyMultiPartContainer::SetPartZoneInfo(uint32_t aIndex, uint8_t aAdditionalZones,
                                               uint32_t aZoneDirectionMask)
{
    KyResult result;
    MultiPartSection *part = PartToSet("IKyMultiPartContainerWriter::SetPartZoneInfo", aIndex, result,
                                       KY_INVALID_DATA_FORMAT, "zones");
    if (part == nullptr)
        return result;
    KyMultiPartDescriptor &d = part->Description();
    d.AdditionalZones = aAdditionalZones;
    d.ZoneDirectionMask = aZoneDirectionMask;
    return KyResult();
}

KyResult KyMultiPartContainer::AllocAllParts()
{
    const char *caller = "IKyMultiPartContainerWriter::AllocAllParts";
    KyResult result = CheckWritable(caller, true);
    if (!result.IsOK())
        return result;
    uint64_t total = 0;
    for (const auto &part : mParts)
        total += part->GetSize();
    if (total > UINT32_MAX)
        return Refuse(KY_ERR_OVERFLOW, caller,
                      "the parts need " + std::to_string(total) + " bytes, above 4 GiB - 1");
    for (auto &part : mParts)
        part->SetNoMemory();
    result = mBuffer.Alloc(static_cast<uint32_t>(total));
    if (!result.IsOK())
        return result;
    uint64_t offset = 0;
    for (auto &part : mParts) {
        part->SetInBuffer(offset);
        offset += part->GetSize();
    }
    return KyResult();
}

KyResult KyMultiPartContainer::AllocPart(uint32_t aIndex)
{
    KyResult result;
    MultiPartSection *part = PartToSet("IKyMultiPartContainerWriter::AllocPart", aIndex, result);
    return part == nullptr ? result : part->SetOwn();
}

KyResult KyMultiPartContainer::AttachPart(uint32_t aIndex, uint8_t *aBuffer, uint64_t aLength)
{
    const char *caller = "IKyMultiPartContainerWriter::AttachPart";
    KyResult result;
    MultiPartSection *part = PartToSet(caller, aIndex, result);
    if (part == nullptr)
        return result;
    if (aBuffer == nullptr)
        return Refuse(KY_INVALID_PARAMETER, caller, "no memory given");
    if (aLength < part->GetSize())
        return Refuse(KY_INVALID_PARAMETER, caller,
                      "part " + std::to_string(aIndex) + " needs " + std::to_string(part->GetSize()) +
                          " bytes, " + std::to_string(aLength) + " given");
    part->SetAttached(aBuffer);
    return KyResult();
}

KyResult KyMultiPartContainer::SetPartFinalLength(uint32_t aIndex, uint32_t aLength)
{
    const char *caller = "IKyMultiPartContainerWriter::SetPartFinalLength";
    KyResult result;
    MultiPartSection *part = PartToSet(caller, aIndex, result);
    return part == nullptr ? result : SetFinalSize(*part, caller, aIndex, aLength, false);
}

KyResult KyMultiPartContainer::SetPartFinalImageHeight(uint32_t aIndex, uint32_t aHeight)
{
    const char *caller = "IKyMultiPartContainerWriter::SetPartFinalImageHeight";
    KyResult result;
    MultiPartSection *part = PartToSet(caller, aIndex, result);
    return part == nullptr ? result : SetFinalSize(*part, caller, aIndex, aHeight, true);
}

KyResult KyMultiPartContainer::Validate()
{
    const char *caller = "IKyMultiPartContainerWriter::Validate";
    KyResult result = CheckWritable(caller, true);
    if (!result.IsOK())
        return result;
    for (size_t i = 0; i < mParts.size(); ++i) {
        const MultiPartSection &part = *mParts[i];
        if (part.IsChunkData() && i + 1 != mParts.size())
            return Refuse(KY_STATE_ERROR, caller, "the chunk-data part is not the last part");
        if (part.Data() == nullptr)
            return Refuse(KY_STATE_ERROR, caller, "part " + std::to_string(i) + " has no memory");
        if (part.GetEffectiveSize() > part.GetSize())
            return Refuse(KY_INVALID_PARAMETER, caller,
                          "part " + std::to_string(i) + " exceeds its maximum size");
    }
    return KyResult();
}

KyResult KyMultiPartContainer::SetReceivedParts(const KyMultiPartDescriptor *aParts, uint32_t aCount,
                                                uint64_t aBlockSize)
{
    const char *caller = "KyMultiPartContainer::SetReceivedParts";
    mParts.clear();
    if (aCount > kMaxReceivedParts)
        return Refuse(KY_INVALID_DATA_FORMAT, caller, std::to_string(aCount) + " parts are too many");
    if (aCount > 0 && aParts == nullptr)
        return Refuse(KY_INVALID_PARAMETER, caller, "no part descriptions");
    if (aBlockSize > BufferSize())
        return Refuse(KY_INVALID_DATA_FORMAT, caller, "the block is larger than the buffer");
    std::vector<std::unique_ptr<MultiPartSection>> parts;
    for (uint32_t i = 0; i < aCount; ++i) {
        const KyMultiPartDescriptor &d = aParts[i];
        const std::string which = "part " + std::to_string(i);
        if (d.Offset > aBlockSize || d.Length > aBlockSize - d.Offset)
            return Refuse(KY_INVALID_DATA_FORMAT, caller,
                          which + " (" + std::to_string(d.Length) + " bytes at " + std::to_string(d.Offset) +
                              ") runs past the block's " + std::to_string(aBlockSize) + " bytes");
        if (d.DataType == KyMultiPartChunkData && i + 1 != aCount)
            return Refuse(KY_INVALID_DATA_FORMAT, caller, which + " is chunk data but not the last part");
        if (IsImageType(d.DataType)) {
            uint32_t size = 0;
            if (!KyImage::ComputeImageSize(d.PixelType, uint64_t(d.Width) + d.PaddingX, d.Height, size) ||
                size > d.Length)
                return Refuse(KY_INVALID_DATA_FORMAT, caller,
                              which + ": a " + std::to_string(d.Width) + " x " + std::to_string(d.Height) +
                                  " image of pixel type " + std::to_string(d.PixelType) +
                                  " does not fit its " + std::to_string(d.Length) + " bytes");
        }
        auto part = std::make_unique<MultiPartSection>(*this, d, static_cast<uint32_t>(d.Length));
        part->SetInBuffer(d.Offset);
        parts.push_back(std::move(part));
    }
    mParts = std::move(parts);
    return KyResult();
}
