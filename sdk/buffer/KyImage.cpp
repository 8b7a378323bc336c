#include "ky/buffer/KyImage.h"

#include <string>

#include "ky/buffer/KyBuffer.h"

KyImage::KyImage(KyBuffer &aBuffer) : mBuffer(aBuffer) { }
KyImage::~KyImage() = default;

const uint8_t *KyImage::GetDataPointer() const { return mBuffer.mData; }
uint8_t *KyImage::GetDataPointer() { return mBuffer.mData; }
uint64_t KyImage::GetBlockID() const { return mBuffer.mBlockID; }
uint64_t KyImage::GetTimestamp() const { return mBuffer.mTimestamp; }
uint64_t KyImage::GetReceptionTime() const { return mBuffer.mReceptionTime; }
bool KyImage::IsAllocated() const { return mBuffer.IsAllocated(); }
bool KyImage::IsAttached() const { return mBuffer.IsAttached(); }

bool KyImage::ComputeImageSize(KyPixelType aPixelType, uint64_t aWidth, uint64_t aHeight, uint32_t &aSize)
{
    const uint32_t bits = GetPixelSize(aPixelType);
    if (bits == 0 || aWidth > UINT32_MAX + uint64_t(0xFFFF) || aHeight > UINT32_MAX + uint64_t(0xFFFF))
        return false;
    const unsigned __int128 totalBits = static_cast<unsigned __int128>(aWidth) * aHeight * bits;
    const unsigned __int128 bytes = (totalBits + 7) / 8;
    if (bytes > UINT32_MAX)
        return false;
    aSize = static_cast<uint32_t>(bytes);
    return true;
}

uint32_t KyImage::GetImageSize() const
{
    uint32_t size = 0;
    return ComputeImageSize(mPixelType, uint64_t(mWidth) + mPaddingX, uint64_t(mHeight) + mPaddingY, size)
               ? size
               : 0;
}

uint32_t KyImage::GetEffectiveImageSize() const
{
    uint32_t size = 0;
    return ComputeImageSize(mPixelType, mWidth, mHeight, size) ? size : 0;
}

uint32_t KyImage::GetRequiredSize() const
{
    return mBuffer.mRequiredSize > 0 ? mBuffer.mRequiredSize : GetImageSize();
}

KyResult KyImage::Layout(const char *aCaller, uint32_t aWidth, uint32_t aHeight, KyPixelType aPixelType,
                         uint16_t aPaddingX, uint16_t aPaddingY, uint32_t aMaximumChunkLength,
                         uint32_t &aTotal)
{
    uint32_t imageSize = 0;
    if (!ComputeImageSize(aPixelType, uint64_t(aWidth) + aPaddingX, uint64_t(aHeight) + aPaddingY, imageSize))
        return KyResult(KY_INVALID_PARAMETER, std::string("[") + aCaller + "] cannot size " +
                                                  std::to_string(aWidth) + " x " + std::to_string(aHeight) +
                                                  " pixels of type " + PixelTypeToString(aPixelType).str());
    const uint64_t total = uint64_t(imageSize) + aMaximumChunkLength;
    if (total > UINT32_MAX)
        return KyResult(KY_INVALID_PARAMETER, std::string("[") + aCaller + "] image and chunks take " +
                                                  std::to_string(total) + " bytes, more than 4 GiB");
    aTotal = static_cast<uint32_t>(total);
    return KyResult();
}

void KyImage::SetGeometryUnchecked(KyPixelType aPixelType, uint32_t aWidth, uint32_t aHeight,
                                   uint32_t aOffsetX, uint32_t aOffsetY, uint16_t aPaddingX,
                                   uint16_t aPaddingY, uint32_t aMaximumChunkLength)
{
    mPixelType = aPixelType;
    mWidth = aWidth;
    mHeight = aHeight;
    mOffsetX = aOffsetX;
    mOffsetY = aOffsetY;
    mPaddingX = aPaddingX;
    mPaddingY = aPaddingY;
    mMaximumChunkLength = aMaximumChunkLength;
}

KyResult KyImage::Alloc(uint32_t aWidth, uint32_t aHeight, KyPixelType aPixelType, uint16_t aPaddingX,
                        uint16_t aPaddingY, uint32_t aMaximumChunkLength)
{
    uint32_t total = 0;
    KyResult r = Layout("KyImage::Alloc", aWidth, aHeight, aPixelType, aPaddingX, aPaddingY,
                        aMaximumChunkLength, total);
    if (r.IsOK())
        r = mBuffer.Alloc(total);
    if (r.IsOK())
        SetGeometryUnchecked(aPixelType, aWidth, aHeight, 0, 0, aPaddingX, aPaddingY, aMaximumChunkLength);
    return r;
}

void KyImage::Free() { mBuffer.Free(); }

KyResult KyImage::Attach(void *aBuffer, uint32_t aWidth, uint32_t aHeight, KyPixelType aPixelType,
                         uint16_t aPaddingX, uint16_t aPaddingY, uint32_t aMaximumChunkLength)
{
    uint32_t total = 0;
    KyResult r = Layout("KyImage::Attach", aWidth, aHeight, aPixelType, aPaddingX, aPaddingY,
                        aMaximumChunkLength, total);
    if (r.IsOK())
        r = mBuffer.Attach(aBuffer, total);
    if (r.IsOK())
        SetGeometryUnchecked(aPixelType, aWidth, aHeight, 0, 0, aPaddingX, aPaddingY, aMaximumChunkLength);
    return r;
}

KyResult KyImage::AttachSized(void *aBuffer, uint64_t aMemorySize, uint32_t aWidth, uint32_t aHeight,
                              KyPixelType aPixelType, uint16_t aPaddingX, uint16_t aPaddingY,
                              uint32_t aMaximumChunkLength)
{
    uint32_t total = 0;
    KyResult r = Layout("KyImage::AttachSized", aWidth, aHeight, aPixelType, aPaddingX, aPaddingY,
                        aMaximumChunkLength, total);
    if (r.IsOK() && total > aMemorySize)
        return KyResult(KY_BUFFER_TOO_SMALL, "[KyImage::AttachSized] the image takes " +
                                                 std::to_string(total) + " bytes, the memory has " +
                                                 std::to_string(aMemorySize));
    return r.IsOK() ? Attach(aBuffer, aWidth, aHeight, aPixelType, aPaddingX, aPaddingY, aMaximumChunkLength)
                    : r;
}

uint8_t *KyImage::Detach() { return mBuffer.Detach(); }

KyResult KyImage::SetGeometry(KyPixelType aPixelType, uint32_t aWidth, uint32_t aHeight, uint32_t aOffsetX,
                              uint32_t aOffsetY, uint16_t aPaddingX, uint16_t aPaddingY)
{
    uint32_t total = 0;
    KyResult r = Layout("KyImage::SetGeometry", aWidth, aHeight, aPixelType, aPaddingX, aPaddingY, 0, total);
    if (!r.IsOK())
        return r;
    if (total > mBuffer.mSize)
        return KyResult(KY_BUFFER_TOO_SMALL, "[KyImage::SetGeometry] the image takes " +
                                                 std::to_string(total) + " bytes, the buffer has " +
                                                 std::to_string(mBuffer.mSize));
    SetGeometryUnchecked(aPixelType, aWidth, aHeight, aOffsetX, aOffsetY, aPaddingX, aPaddingY,
                         mMaximumChunkLength);
    return KyResult();
}

void KyImage::FitTo(const uint8_t *aData, uint32_t aSize)
{
    // Without memory the geometry may stay (a detached image still describes its memory); with
    // memory it must never describe more bytes than there are.
    if (aData != nullptr && GetImageSize() > aSize) {
        mWidth = mHeight = 0;
        mPaddingX = mPaddingY = 0;
    }
}

void KyImage::SetFullLineMissing(bool aMissing, uint32_t aLine)
{
    mFullLineMissing = aMissing;
    mMissingLine = aLine;
}

void KyImage::ClearEOFStatus()
{
    mEOFByLineCount = false;
    mFullLineMissing = false;
}

void KyImage::SetInterlaced(bool aEven, bool aOdd)
{
    mInterlacedEven = aEven;
    mInterlacedOdd = aOdd;
}

void KyImage::ClearStatus()
{
    mMissingLine = 0;
    mPartialLineMissing = mFullLineMissing = mEOFByLineCount = false;
    mInterlacedEven = mInterlacedOdd = mImageDropped = mDataOverrun = false;
}
