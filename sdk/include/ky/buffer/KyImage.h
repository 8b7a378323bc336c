// KyImage: the image payload of a KyBuffer.
//
// An image belongs to its buffer (KyBuffer::GetImage) and lives as long as it; its memory is the
// buffer's memory (KyBuffer::GetDataPointer), optionally followed by an area for chunk data.
// Not thread-safe: one thread at a time uses a buffer and its image.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

#include "ky/buffer/IKyImage.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KyBuffer;

class KY_BUFFER_API KyImage : public IKyImage
{
public:
    KyImage(const KyImage &) = delete;
    KyImage &operator=(const KyImage &) = delete;

    const uint8_t *GetDataPointer() const override;
    uint8_t *GetDataPointer() override;
    uint32_t GetImageSize() const override;
    uint32_t GetWidth() const override { return mWidth; }
    uint32_t GetHeight() const override { return mHeight; }
    KyPixelType GetPixelType() const override { return mPixelType; }
    uint32_t GetBitsPerPixel() const override { return GetPixelSize(mPixelType); }
    uint32_t GetOffsetX() const override { return mOffsetX; }
    uint32_t GetOffsetY() const override { return mOffsetY; }
    uint16_t GetPaddingX() const override { return mPaddingX; }
    uint16_t GetPaddingY() const override { return mPaddingY; }
    uint64_t GetBlockID() const override;
    uint64_t GetTimestamp() const override;
    uint64_t GetReceptionTime() const override;

    // Bytes reserved after the image for chunk data (Alloc, Attach).
    virtual uint32_t GetMaximumChunkLength() const { return mMaximumChunkLength; }
    // Only its buffer destroys an image.
    ~KyImage() override;

    // Bits per pixel of a pixel type (0 for an unknown one).
    static uint32_t GetPixelSize(KyPixelType aPixelType);
    static bool IsPixelColor(KyPixelType aPixelType);
    // More than 8 bits per channel.
    static bool IsPixelHighRes(KyPixelType aPixelType);
    static uint32_t GetBitsPerComponent(KyPixelType aPixelType);
    // The member name without its prefix, such as "Mono8"; "Unknown" for a value not in the table.
    static KyString PixelTypeToString(KyPixelType aPixelType);

    // Bytes the last acquired image needed (image and chunks); the image size when nothing
    // was acquired.
    virtual uint32_t GetRequiredSize() const;
    // Bytes of the image without any padding.
    virtual uint32_t GetEffectiveImageSize() const;
    virtual void SetOffsetX(uint32_t aOffsetX) { mOffsetX = aOffsetX; }
    virtual void SetOffsetY(uint32_t aOffsetY) { mOffsetY = aOffsetY; }
    virtual bool IsAllocated() const;
    virtual bool IsAttached() const;
    // Sets the geometry and gives the buffer image size + aMaximumChunkLength bytes of its own.
    // KY_INVALID_PARAMETER for an unknown pixel size or a total above 4 GiB - 1,
    // KY_NOT_ENOUGH_MEMORY when the allocation fails (the buffer is then left without memory).
    virtual KyResult Alloc(uint32_t aWidth, uint32_t aHeight, KyPixelType aPixelType, uint16_t aPaddingX = 0,
                           uint16_t aPaddingY = 0, uint32_t aMaximumChunkLength = 0);
    // Releases the buffer's memory (allocated or attached); the geometry stays.
    virtual void Free();
    // Makes the caller's memory the buffer's memory. The caller promises image size +
    // aMaximumChunkLength bytes at aBuffer and keeps them alive until Detach, Free, the
    // buffer's Reset or its destruction. KY_INVALID_PARAMETER for a null address or a size
    // that cannot be computed.
    virtual KyResult Attach(void *aBuffer, uint32_t aWidth, uint32_t aHeight, KyPixelType aPixelType,
                            uint16_t aPaddingX = 0, uint16_t aPaddingY = 0, uint32_t aMaximumChunkLength = 0);
    // Gives the attached memory back (null when none is attached); the geometry stays.
    virtual uint8_t *Detach();
    virtual bool IsPartialLineMissing() const { return mPartialLineMissing; }
    virtual bool IsFullLineMissing() const { return mFullLineMissing; }
    virtual void SetFullLineMissing(bool aMissing, uint32_t aLine);
    virtual void SetEOFByLineCount(bool aEOFByLineCount = true) { mEOFByLineCount = aEOFByLineCount; }
    // Both the end-of-frame-by-line-count and the full-line-missing status become false.
    virtual void ClearEOFStatus();
    virtual bool IsEOFByLineCount() const { return mEOFByLineCount; }
    virtual bool IsInterlacedEven() const { return mInterlacedEven; }
    virtual bool IsInterlacedOdd() const { return mInterlacedOdd; }
    virtual bool IsImageDropped() const { return mImageDropped; }
    virtual bool IsDataOverrun() const { return mDataOverrun; }
    // The buffer that the image belongs to.
    virtual KyBuffer *GetBuffer() { return &mBuffer; }

    // Bytes of width x height pixels of a pixel type, rounded up to whole bytes; false when it
    // does not fit 32 bits or the pixel size is unknown.
    static bool ComputeImageSize(KyPixelType aPixelType, uint64_t aWidth, uint64_t aHeight, uint32_t &aSize);

    // Attach for callers that know the size of their memory (bindings handing in an array):
    // KY_BUFFER_TOO_SMALL, nothing attached, when image size + aMaximumChunkLength exceeds
    // aMemorySize.
    KyResult AttachSized(void *aBuffer, uint64_t aMemorySize, uint32_t aWidth, uint32_t aHeight,
                         KyPixelType aPixelType, uint16_t aPaddingX = 0, uint16_t aPaddingY = 0,
                         uint32_t aMaximumChunkLength = 0);

    // For the stream receiver: the geometry a GVSP leader announced. Refused with
    // KY_BUFFER_TOO_SMALL (geometry unchanged) when the image would not fit the buffer's memory,
    // and KY_INVALID_PARAMETER when its size cannot be computed.
    KyResult SetGeometry(KyPixelType aPixelType, uint32_t aWidth, uint32_t aHeight, uint32_t aOffsetX,
                         uint32_t aOffsetY, uint16_t aPaddingX, uint16_t aPaddingY);
    // For the stream receiver: the status bits of a received image.
    void SetPartialLineMissing(bool aMissing) { mPartialLineMissing = aMissing; }
    void SetInterlaced(bool aEven, bool aOdd);
    void SetImageDropped(bool aDropped) { mImageDropped = aDropped; }
    void SetDataOverrun(bool aOverrun) { mDataOverrun = aOverrun; }
    // Line of the last full-line-missing report.
    uint32_t GetMissingLine() const { return mMissingLine; }

private:
    friend class KyBuffer;
    explicit KyImage(KyBuffer &aBuffer);
    // Status bits of a received image back to false.
    void ClearStatus();
    // Forgets width and height when the image no longer fits memory that the buffer now has.
    void FitTo(const uint8_t *aData, uint32_t aSize);
    // Checks a layout and gives the bytes it takes with its chunk area.
    static KyResult Layout(const char *aCaller, uint32_t aWidth, uint32_t aHeight, KyPixelType aPixelType,
                           uint16_t aPaddingX, uint16_t aPaddingY, uint32_t aMaximumChunkLength,
                           uint32_t &aTotal);
    void SetGeometryUnchecked(KyPixelType aPixelType, uint32_t aWidth, uint32_t aHeight, uint32_t aOffsetX,
                              uint32_t aOffsetY, uint16_t aPaddingX, uint16_t aPaddingY,
                              uint32_t aMaximumChunkLength);

    KyBuffer &mBuffer;
    KyPixelType mPixelType = KyPixelUndefined;
    uint32_t mWidth = 0;
    uint32_t mHeight = 0;
    uint32_t mOffsetX = 0;
    uint32_t mOffsetY = 0;
    uint16_t mPaddingX = 0;
    uint16_t mPaddingY = 0;
    uint32_t mMaximumChunkLength = 0;
    uint32_t mMissingLine = 0;
    bool mPartialLineMissing = false;
    bool mFullLineMissing = false;
    bool mEOFByLineCount = false;
    bool mInterlacedEven = false;
    bool mInterlacedOdd = false;
    bool mImageDropped = false;
    bool mDataOverrun = false;
};
