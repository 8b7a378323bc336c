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

    /// Bytes reserved after the image for chunk data (Alloc, Attach).
    ///
    /// @return the byte count
    virtual uint32_t GetMaximumChunkLength() const { return mMaximumChunkLength; }
    /// Destructor: only its buffer destroys an image.
    ~KyImage() override;

    /// Bits one pixel of a pixel type takes.
    ///
    /// @param[in] aPixelType a KyPixelType value
    ///
    /// @return the bit count (bits 16 to 23 of the value)
    static uint32_t GetPixelSize(KyPixelType aPixelType);
    /// Whether a pixel type is a colour one (RGB, BGR, YUV, ...).
    ///
    /// @param[in] aPixelType a KyPixelType value
    ///
    /// @return true for a colour pixel type
    static bool IsPixelColor(KyPixelType aPixelType);
    /// Whether a pixel type has more than 8 bits per channel.
    ///
    /// @param[in] aPixelType a KyPixelType value
    ///
    /// @return true for more than 8 bits per channel
    static bool IsPixelHighRes(KyPixelType aPixelType);
    /// Bits of one channel of a pixel type.
    ///
    /// @param[in] aPixelType a KyPixelType value
    ///
    /// @return the bit count
    static uint32_t GetBitsPerComponent(KyPixelType aPixelType);
    /// The name of a pixel type.
    ///
    /// @param[in] aPixelType a KyPixelType value
    ///
    /// @return the member name without its prefix, such as "Mono8"; "Unknown" for a value not in
    /// the table
    static KyString PixelTypeToString(KyPixelType aPixelType);

    /// Bytes the last acquired image needed (image and chunks).
    ///
    /// @return the byte count; the image size when nothing was acquired
    virtual uint32_t GetRequiredSize() const;
    /// Bytes of the image without any padding.
    ///
    /// @return the byte count
    virtual uint32_t GetEffectiveImageSize() const;
    /// Sets the horizontal offset of an image built for transmission.
    ///
    /// @param[in] aOffsetX pixels
    virtual void SetOffsetX(uint32_t aOffsetX) { mOffsetX = aOffsetX; }
    /// Sets the vertical offset of an image built for transmission.
    ///
    /// @param[in] aOffsetY lines
    virtual void SetOffsetY(uint32_t aOffsetY) { mOffsetY = aOffsetY; }
    /// Whether the image's memory is the buffer's own.
    ///
    /// @return true when allocated
    virtual bool IsAllocated() const;
    /// Whether the image's memory is the caller's.
    ///
    /// @return true when attached
    virtual bool IsAttached() const;
    /// Sets the geometry and gives the buffer memory of its own: the image size plus aMaximumChunkLength bytes.
    ///
    /// @param[in] aWidth pixels per line
    /// @param[in] aHeight lines
    /// @param[in] aPixelType a KyPixelType value
    /// @param[in] aPaddingX pixels after each line
    /// @param[in] aPaddingY lines after the image
    /// @param[in] aMaximumChunkLength bytes for chunk data after the image
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for an unknown pixel size or a total above 4 GiB - 1;
    /// KY_NOT_ENOUGH_MEMORY (the buffer is then left without memory)
    virtual KyResult Alloc(uint32_t aWidth, uint32_t aHeight, KyPixelType aPixelType, uint16_t aPaddingX = 0,
                           uint16_t aPaddingY = 0, uint32_t aMaximumChunkLength = 0);
    /// Releases the buffer's memory (allocated or attached); the geometry stays.
    virtual void Free();
    /// Makes the caller's memory the image's memory.
    ///
    /// The caller keeps the image size plus aMaximumChunkLength bytes alive and in place until Detach, Free,
    /// the buffer's Reset or its destruction.
    ///
    /// @param[in] aBuffer the memory
    /// @param[in] aWidth pixels per line
    /// @param[in] aHeight lines
    /// @param[in] aPixelType a KyPixelType value
    /// @param[in] aPaddingX pixels after each line
    /// @param[in] aPaddingY lines after the image
    /// @param[in] aMaximumChunkLength bytes for chunk data after the image
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for no memory or a size that cannot be computed
    virtual KyResult Attach(void *aBuffer, uint32_t aWidth, uint32_t aHeight, KyPixelType aPixelType,
                            uint16_t aPaddingX = 0, uint16_t aPaddingY = 0, uint32_t aMaximumChunkLength = 0);
    /// Gives the attached memory back; the geometry stays.
    ///
    /// @return the memory that was attached; null when none was
    virtual uint8_t *Detach();
    /// Whether pixels of some line were missing on the device.
    ///
    /// @return true when a line was partly missing
    virtual bool IsPartialLineMissing() const { return mPartialLineMissing; }
    /// Whether at least one whole line was missing.
    ///
    /// @return true when a line was missing
    virtual bool IsFullLineMissing() const { return mFullLineMissing; }
    /// Marks an image built for transmission as missing lines from aLine on.
    ///
    /// @param[in] aMissing whether lines are missing
    /// @param[in] aLine the first missing line
    virtual void SetFullLineMissing(bool aMissing, uint32_t aLine);
    /// Marks an image built for transmission as ended by its line count.
    ///
    /// @param[in] aEOFByLineCount the status
    virtual void SetEOFByLineCount(bool aEOFByLineCount = true) { mEOFByLineCount = aEOFByLineCount; }
    /// Sets both the end-of-frame-by-line-count and the full-line-missing status to false.
    virtual void ClearEOFStatus();
    /// Whether the image ended by its line count.
    ///
    /// @return the status
    virtual bool IsEOFByLineCount() const { return mEOFByLineCount; }
    /// Whether the image holds the even field of an interlaced frame.
    ///
    /// @return the status
    virtual bool IsInterlacedEven() const { return mInterlacedEven; }
    /// Whether the image holds the odd field of an interlaced frame.
    ///
    /// @return the status
    virtual bool IsInterlacedOdd() const { return mInterlacedOdd; }
    /// Whether the device dropped the image.
    ///
    /// @return the status
    virtual bool IsImageDropped() const { return mImageDropped; }
    /// Whether the device's memory overran while it sent the image.
    ///
    /// @return the status
    virtual bool IsDataOverrun() const { return mDataOverrun; }
    /// The buffer the image belongs to.
    ///
    /// @return the buffer
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
