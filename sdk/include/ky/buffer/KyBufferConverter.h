// KyBufferConverter: converts the pixels of a source image into a destination buffer of another
// pixel type, with Bayer interpolation, an optional RGB filter and an optional vertical flip.
//
// Sources: Mono8, BayerRG8, BayerGR8, BayerGB8, BayerBG8, RGB8, BGR8, RGBa8, BGRa8, and their wider
// kin, of which the 8 most significant bits of each sample are used: Mono10, Mono12, Mono14,
// Mono16, Mono10Packed, Mono12Packed, Mono10p, Mono12p; Bayer (GR, RG, GB, BG) 10, 12, 16,
// 10Packed, 12Packed, 10p, 12p; RGB10, RGB12, RGB16; BGR10, BGR12, BGR14, BGR16; BGRa10, BGRa12,
// BGRa14, BGRa16. ("Packed": two samples in 3 bytes as GigE Vision packs them; "p": samples packed
// least significant bit first.)
// Destinations: RGB8, BGR8, RGBa8, BGRa8 (a missing alpha becomes 255); Mono8 from mono sources,
// to which an RGB filter does not apply.
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

class KY_BUFFER_API KyBufferConverter
{
public:
    // aMaxThreads bounds the threads of a conversion; 0 or less means one per processor.
    KyBufferConverter();
    explicit KyBufferConverter(int32_t aMaxThreads);
    virtual ~KyBufferConverter();
    KyBufferConverter(const KyBufferConverter &) = delete;
    KyBufferConverter &operator=(const KyBufferConverter &) = delete;

    static bool IsConversionSupported(KyPixelType aSource, KyPixelType aDestination);

    // aReallocIfNeeded lets the converter give a destination that is too small memory of its own;
    // a destination with attached memory is never re-allocated. aFlipY writes the lines bottom up.
    // KY_INVALID_PARAMETER: null arguments, a source without image or memory, a destination
    // that is no image buffer, a pair of types not supported, a Bayer image under 2 x 2, source
    // and destination memory overlapping. KY_BUFFER_TOO_SMALL: the destination cannot take the
    // image and may not be re-allocated. KY_NOT_ENOUGH_MEMORY when re-allocating fails.
    KyResult Convert(const KyBuffer *aSource, KyBuffer *aDestination, bool aReallocIfNeeded = true,
                     bool aFlipY = false);
    KyResult Convert(const IKyImage *aSource, KyBuffer *aDestination, bool aReallocIfNeeded = true,
                     bool aFlipY = false);

    KyBayerFilterType GetBayerFilter() const;
    // KY_INVALID_PARAMETER for a value that is no KyBayerFilterType. Used only for Bayer sources.
    KyResult SetBayerFilter(KyBayerFilterType aFilter);
    // Conversions stop applying an RGB filter.
    KyResult ResetRGBFilter();
    // Conversions apply a copy of aFilter (later changes to aFilter need another call).
    KyResult SetRGBFilter(KyBufferConverterRGBFilter &aFilter);
    // Recorded for the conversion threads; they run at the system's normal priority.
    uint32_t GetConversionThreadsPriority() const;
    KyResult SetConversionThreadsPriority(uint32_t aPriority);

    // Threads a conversion uses, the caller's included.
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
    uint32_t mPriority = 0;
};
