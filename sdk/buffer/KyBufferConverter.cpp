#include "ky/buffer/KyBufferConverter.h"

#include <algorithm>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "KyBayer.h"
#include "ky/buffer/KyBuffer.h"
#include "ConversionPool.h"
#include "ky/ThreadPriority.h"
#include "KyPixelNarrow.h"
#include "KyPixelRepack.h"
#include "KyPixelYuv.h"
#include "ky/Guarded.h"

using ky::buffer::BayerImage;
using ky::buffer::ChannelTables;
using ky::buffer::PixelLayout;

namespace {

// Images smaller than this are converted on the caller's thread alone.
constexpr uint64_t kPixelsPerThread = 1u << 16;
constexpr uint32_t kMaxThreads = 256;

KyResult Refuse(uint32_t aCode, const std::string &aWhy)
{
    return KyResult(aCode, "[KyBufferConverter::Convert] " + aWhy);
}

std::string Name(KyPixelType aPixelType) { return KyImage::PixelTypeToString(aPixelType).str(); }

bool Overlap(const uint8_t *a, size_t aSize, const uint8_t *b, size_t bSize)
{
    return a != nullptr && b != nullptr && a < b + bSize && b < a + aSize;
}

}  // namespace

KyBufferConverter::KyBufferConverter() : KyBufferConverter(-1) { }

KyBufferConverter::KyBufferConverter(int32_t aMaxThreads) : mPriority(new ky::base::ThreadPriority)
{
    const uint32_t processors = std::max(1u, std::thread::hardware_concurrency());
    mThreadCount = aMaxThreads <= 0 ? processors : std::min<uint32_t>(uint32_t(aMaxThreads), kMaxThreads);
}

KyBufferConverter::~KyBufferConverter() = default;

bool KyBufferConverter::IsConversionSupported(KyPixelType aSource, KyPixelType aDestination)
{
    ky::buffer::WideFormat wide{};
    if (ky::buffer::WideFormatOf(aSource, wide))
        aSource = wide.narrow;
    PixelLayout from{}, to{};
    if (!ky::buffer::PixelLayoutOf(aDestination, to))
        return false;
    // YUV gives any of the 8-bit layouts; its Y is the grey of a Mono8 image.
    if (ky::buffer::IsYuv422(aSource))
        return true;
    uint32_t redX = 0, redY = 0;
    const bool sourceKnown =
        ky::buffer::BayerPatternOf(aSource, redX, redY) || ky::buffer::PixelLayoutOf(aSource, from);
    // Otherwise Mono8 is made from mono images only.
    return sourceKnown && (aDestination != KyPixelMono8 || aSource == KyPixelMono8);
}

KyResult KyBufferConverter::Convert(const KyBuffer *aSource, KyBuffer *aDestination, bool aReallocIfNeeded,
                                    bool aFlipY)
{
    if (aSource == nullptr)
        return Refuse(KY_INVALID_PARAMETER, "no source buffer");
    const KyImage *image = aSource->GetImage();
    if (image == nullptr)
        return Refuse(KY_INVALID_PARAMETER, "the source buffer holds no image (payload type " +
                                                std::to_string(aSource->GetPayloadType()) + ")");
    return Convert(static_cast<const IKyImage *>(image), aDestination, aReallocIfNeeded, aFlipY);
}

KyResult KyBufferConverter::Convert(const IKyImage *aSource, KyBuffer *aDestination, bool aReallocIfNeeded,
                                    bool aFlipY)
{
    if (aSource == nullptr || aDestination == nullptr)
        return Refuse(KY_INVALID_PARAMETER, aSource ? "no destination buffer" : "no source image");
    // Out of memory for a converted image, or a lock the system refuses, comes back as a result.
    return ky::base::Guarded(nullptr, "the conversion", [&] {
        std::lock_guard<std::mutex> lock(mMutex);
        return ConvertLocked(*aSource, *aDestination, aReallocIfNeeded, aFlipY);
    });
}

KyResult KyBufferConverter::ConvertLocked(const IKyImage &aSource, KyBuffer &aDestination,
                                          bool aReallocIfNeeded, bool aFlipY)
{
    KyImage *target = aDestination.GetImage();
    if (target == nullptr)
        return Refuse(KY_INVALID_PARAMETER, "the destination buffer holds no image (payload type " +
                                                std::to_string(aDestination.GetPayloadType()) + ")");
    const KyPixelType sourceType = aSource.GetPixelType(), to = target->GetPixelType();
    if (!IsConversionSupported(sourceType, to))
        return Refuse(KY_INVALID_PARAMETER, "cannot convert " + Name(sourceType) + " to " + Name(to));
    const uint32_t width = aSource.GetWidth(), height = aSource.GetHeight();
    const uint8_t *const sourcePixels = aSource.GetDataPointer();
    if (sourcePixels == nullptr || width == 0 || height == 0)
        return Refuse(KY_INVALID_PARAMETER, "the source image has no pixels");
    if (Overlap(sourcePixels, aSource.GetImageSize(), aDestination.GetDataPointer(), aDestination.GetSize()))
        return Refuse(KY_INVALID_PARAMETER, "source and destination share memory");

    const bool parallel = mThreadCount > 1 && height > 1 && uint64_t(width) * height >= 2 * kPixelsPerThread;
    if (parallel && !mPool) {
        mPool.reset(new ky::buffer::ConversionPool(mThreadCount));
        mPool->ApplyPriority(*mPriority);
    }
    const unsigned parts = parallel ? mPool->GetThreadCount() : 1;

    // More than 8 bits per sample: the 8 high bits of each sample first, then as the 8-bit kin.
    KyPixelType from = sourceType;
    const uint8_t *pixels = sourcePixels;
    uint32_t paddingX = aSource.GetPaddingX();
    std::vector<uint8_t> narrowed;
    ky::buffer::WideFormat wide{};
    if (ky::buffer::WideFormatOf(sourceType, wide)) {
        uint32_t size = 0;
        if (!KyImage::ComputeImageSize(wide.narrow, width, height, size))
            return Refuse(KY_INVALID_PARAMETER, "a " + Name(wide.narrow) + " image of " +
                                                    std::to_string(width) + " x " + std::to_string(height) +
                                                    " pixels exceeds 4 GiB");
        narrowed.resize(size);
        const ky::buffer::ConversionPool::Job narrow = [&](unsigned, uint32_t aBegin, uint32_t aEnd) {
            ky::buffer::NarrowLines(wide, sourcePixels, width, paddingX, aBegin, aEnd, narrowed.data());
        };
        if (parallel)
            mPool->Run(height, narrow);
        else
            narrow(0, 0, height);
        from = wide.narrow;
        pixels = narrowed.data();
        paddingX = 0;
    }
    BayerImage bayer{pixels, 0, width, height, 0, 0};
    const bool isBayer = ky::buffer::BayerPatternOf(from, bayer.redX, bayer.redY);
    if (isBayer && (width < 2 || height < 2))
        return Refuse(KY_INVALID_PARAMETER, "a Bayer image needs 2 x 2 pixels, this one has " +
                                                std::to_string(width) + " x " + std::to_string(height));
    const bool isYuv = ky::buffer::IsYuv422(from);
    if (isYuv && width % 2 != 0)
        return Refuse(KY_INVALID_PARAMETER, "a " + Name(from) + " image needs an even width, this one has " +
                                                std::to_string(width) + " pixels per line");
    PixelLayout fromLayout{isYuv ? ky::buffer::kYuv422Bytes : 1, 0, 0, 0, -1}, toLayout{};
    ky::buffer::PixelLayoutOf(from, fromLayout);
    ky::buffer::PixelLayoutOf(to, toLayout);
    const size_t sourceStride = (size_t(width) + paddingX) * fromLayout.bytes;
    bayer.stride = sourceStride;
    uint32_t needed = 0;
    if (!KyImage::ComputeImageSize(to, width, height, needed))
        return Refuse(KY_INVALID_PARAMETER, "a " + Name(to) + " image of " + std::to_string(width) + " x " +
                                                std::to_string(height) + " pixels exceeds 4 GiB");
    if (aDestination.GetSize() < needed) {
        if (!aReallocIfNeeded || aDestination.IsAttached())
            return Refuse(KY_BUFFER_TOO_SMALL, "the destination has " +
                                                   std::to_string(aDestination.GetSize()) +
                                                   " bytes, the image needs " + std::to_string(needed));
        KyResult r = target->Alloc(width, height, to);
        if (!r.IsOK())
            return r;
    }
    KyResult r = target->SetGeometry(to, width, height, aSource.GetOffsetX(), aSource.GetOffsetY(), 0, 0);
    if (!r.IsOK())
        return r;
    // Plain setters: they cannot fail.
    (void)aDestination.SetBlockID(aSource.GetBlockID());
    (void)aDestination.SetTimestamp(aSource.GetTimestamp());
    (void)aDestination.SetReceptionTime(aSource.GetReceptionTime());

    ChannelTables tables;
    // A grey destination has no colours for the filter to act on.
    const bool filtered = mFilterSet && !mFilter.IsIdentity() && to != KyPixelMono8;
    if (filtered)
        mFilter.MakeTables(tables.red, tables.green, tables.blue);

    // Bayer rows for a destination other than B G R or R G B go through a row of B G R first.
    const bool direct = !isBayer || to == KyPixelBGR8 || to == KyPixelRGB8;
    std::vector<uint8_t> scratch(direct ? 0 : size_t(width) * 3 * parts);
    const PixelLayout bgr{3, 2, 1, 0, -1};
    uint8_t *const out = aDestination.GetDataPointer();
    const size_t outStride = size_t(width) * toLayout.bytes;
    const KyBayerFilterType filter = mBayerFilter;

    const ky::buffer::ConversionPool::Job job = [&](unsigned aThread, uint32_t aBegin, uint32_t aEnd) {
        uint8_t *row = direct ? nullptr : scratch.data() + size_t(aThread) * width * 3;
        for (uint32_t y = aBegin; y < aEnd; ++y) {
            uint8_t *line = out + size_t(aFlipY ? height - 1 - y : y) * outStride;
            if (isBayer && direct) {
                ky::buffer::DemosaicRow(bayer, filter, y, line, to == KyPixelRGB8);
            } else if (isBayer) {
                ky::buffer::DemosaicRow(bayer, filter, y, row, false);
                ky::buffer::RepackRow(row, bgr, line, toLayout, width);
            } else if (isYuv) {
                ky::buffer::YuvRow(pixels + size_t(y) * sourceStride, line, toLayout, width);
            } else {
                ky::buffer::RepackRow(pixels + size_t(y) * sourceStride, fromLayout, line, toLayout, width);
            }
            if (filtered)
                ky::buffer::ApplyTablesRow(line, toLayout, width, tables);
        }
    };
    if (parallel)
        mPool->Run(height, job);
    else
        job(0, 0, height);
    return KyResult();
}

KyBayerFilterType KyBufferConverter::GetBayerFilter() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mBayerFilter;
}

KyResult KyBufferConverter::SetBayerFilter(KyBayerFilterType aFilter)
{
    if (aFilter != KyBayerFilterSimple && aFilter != KyBayerFilter3X3)
        return KyResult(KY_INVALID_PARAMETER, "[KyBufferConverter::SetBayerFilter] no Bayer filter " +
                                                  std::to_string(int32_t(aFilter)));
    std::lock_guard<std::mutex> lock(mMutex);
    mBayerFilter = aFilter;
    return KyResult();
}

KyResult KyBufferConverter::ResetRGBFilter()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mFilterSet = false;
    mFilter.Reset();
    return KyResult();
}

KyResult KyBufferConverter::SetRGBFilter(KyBufferConverterRGBFilter &aFilter)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mFilter = aFilter;
    mFilterSet = true;
    return KyResult();
}

uint32_t KyBufferConverter::GetConversionThreadsPriority() const { return mPriority->InEffect(); }

KyResult KyBufferConverter::SetConversionThreadsPriority(uint32_t aPriority)
{
    std::lock_guard<std::mutex> lock(mMutex);
    KyResult result = mPriority->Set(aPriority);
    if (result.IsOK() && mPool)
        mPool->ApplyPriority(*mPriority);
    return result;
}
