// KyBufferConverter: converts the pixels of a source image into a destination buffer of another
// pixel type, with Bayer interpolation, an optional RGB filter and an optional vertical flip.
//
// Sources: Mono8, BayerRG8, BayerGR8, BayerGB8, BayerBG8, RGB8, BGR8, RGBa8, BGRa8, and their wider
// kin, of which the 8 most significant bits of each sample are used: Mono10, Mono12, Mono14,
// Mono16, Mono10Packed, Mono12Packed, Mono10p, Mono12p; Bayer (GR, RG, GB, BG) 10, 12, 16,
// 10Packed, 12Packed, 10p, 12p; RGB10, RGB12, RGB14, RGB16; BGR10, BGR12, BGR14, BGR16; RGBa10,
// RGBa12, RGBa14, RGBa16; BGRa10, BGRa12, BGRa14, BGRa16. ("Packed": two samples in 3 bytes as
// GigE Vision packs them; "p": samples packed least significant bit first.) And YUV422_8_UYVY
// (even widths), read as BT.601 video range as OpenCV's COLOR_YUV2BGR_UYVY reads it.
// Destinations: RGB8, BGR8, RGBa8, BGRa8 (a missing alpha becomes 255); Mono8 from mono sources
// and from YUV422_8_UYVY (its Y), to which an RGB filter does not apply.
// The destination buffer's image carries the wanted pixel type before the call (for example
// from KyImage::Alloc or KyImage::Attach); after a successful call it has the source's width and
// height, no padding, and the source's block ID and timestamp.
// Rows are shared among the converter's threads (owned by the converter, joined in its
// destructor). One converter may be used from several threads; their conversions take turns.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>
#include <memory>
#include <mutex>

#include "ky/buffer/KyBufferConverterRGBFilter.h"
#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"

class IKyImage;
class KyBuffer;
namespace ky::buffer {
class ConversionPool;
}
namespace ky::base {
class ThreadPriority;
}

class KY_BUFFER_API KyBufferConverter
{
public:
    /// Constructor.
    ///
    /// @param[in] aMaxThreads the most threads a conversion uses; 0 or less: one per processor
    explicit KyBufferConverter(int32_t aMaxThreads);
    /// Constructor: one thread per processor.
    KyBufferConverter();
    /// Destructor: joins the conversion threads.
    virtual ~KyBufferConverter();
    KyBufferConverter(const KyBufferConverter &) = delete;
    KyBufferConverter &operator=(const KyBufferConverter &) = delete;

    /// Whether the converter converts images of one pixel type into another.
    ///
    /// @param[in] aSource pixel type of the source image
    /// @param[in] aDestination pixel type of the destination image
    ///
    /// @return true when Convert takes the pair
    static bool IsConversionSupported(KyPixelType aSource, KyPixelType aDestination);

    /// Converts the image of a buffer into the destination buffer, whose image carries the wanted pixel type before the call.
    ///
    /// @param[in] aSource buffer holding the source image
    /// @param[in] aDestination buffer that receives the converted image
    /// @param[in] aReallocIfNeeded lets the converter give a destination that is too small memory
    ///        of its own (never a destination with attached memory)
    /// @param[in] aFlipY writes the lines bottom up
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for null arguments, a source without image or
    ///         memory, a destination that is no image buffer, a pair of types not supported, a
    ///         Bayer image under 2 x 2 or source and destination memory overlapping;
    ///         KY_BUFFER_TOO_SMALL when the destination cannot take the image and may not be
    ///         re-allocated; KY_NOT_ENOUGH_MEMORY when re-allocating fails
    KyResult Convert(const KyBuffer *aSource, KyBuffer *aDestination, bool aReallocIfNeeded = true,
                     bool aFlipY = false);
    /// Converts an image into the destination buffer, as the buffer form does.
    ///
    /// @param[in] aSource source image
    /// @param[in] aDestination buffer that receives the converted image
    /// @param[in] aReallocIfNeeded lets the converter re-allocate a destination that is too small
    /// @param[in] aFlipY writes the lines bottom up
    ///
    /// @return as the buffer form
    KyResult Convert(const IKyImage *aSource, KyBuffer *aDestination, bool aReallocIfNeeded = true,
                     bool aFlipY = false);

    /// The interpolation of Bayer sources.
    ///
    /// @return KyBayerFilterSimple or KyBayerFilter3X3 (the first setting)
    KyBayerFilterType GetBayerFilter() const;
    /// Chooses the interpolation of Bayer sources (other sources ignore it).
    ///
    /// @param[in] aFilter KyBayerFilterSimple or KyBayerFilter3X3
    ///
    /// @return KY_OK, or KY_INVALID_PARAMETER for a value that is no KyBayerFilterType
    KyResult SetBayerFilter(KyBayerFilterType aFilter);
    /// Conversions stop applying an RGB filter.
    ///
    /// @return KY_OK
    KyResult ResetRGBFilter();
    /// Conversions apply a copy of the filter (later changes to it need another call).
    ///
    /// @param[in] aFilter gains and offsets per colour
    ///
    /// @return KY_OK
    KyResult SetRGBFilter(KyBufferConverterRGBFilter &aFilter);
    /// The priority the conversion threads runs at: 1 to 99 under the real-time FIFO policy, 0 under the normal policy (also wherever the process may not use real-time scheduling).
    ///
    /// @return the priority in effect
    uint32_t GetConversionThreadsPriority() const;
    /// Sets the conversion threads's priority, at once while it runs and for every later start: 0 to 99, above 0 under the real-time FIFO policy where the process may use it (CAP_SYS_NICE or an RLIMIT_RTPRIO that reaches it), else under the normal policy at 0.
    ///
    /// @param[in] aPriority 0 to 99
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER above 99 (nothing changes)
    KyResult SetConversionThreadsPriority(uint32_t aPriority);

    /// Threads a conversion uses, the caller's included.
    uint32_t GetThreadCount() const { return mThreadCount; }

private:
    KyResult ConvertLocked(const IKyImage &aSource, KyBuffer &aDestination, bool aReallocIfNeeded,
                           bool aFlipY);

    mutable std::mutex mMutex;
    uint32_t mThreadCount;
    std::unique_ptr<ky::buffer::ConversionPool> mPool;
    KyBayerFilterType mBayerFilter = KyBayerFilter3X3;
    bool mFilterSet = false;
    KyBufferConverterRGBFilter mFilter;
    std::unique_ptr<ky::base::ThreadPriority> mPriority;  // of the pool's workers
};
