#include "ky/buffer/KyDecompressionFilter.h"

#include <zstd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "Ptc1Format.h"
#include "StripeWorkers.h"
#include "ZstdContexts.h"
#include "ky/buffer/KyBuffer.h"

namespace ky::buffer {

// What a decompressor keeps between calls: its workers and their zstd contexts. The contexts
// are declared before the workers, so that the workers are joined first.
class DecompressionWork
{
public:
    explicit DecompressionWork(unsigned aThreads) : workers(aThreads) { }
    DecompressionContexts contexts;
    StripeWorkers workers;
};

namespace {

constexpr uint32_t kMaxThreads = 64;

unsigned DefaultThreads()
{
    const unsigned processors = std::thread::hardware_concurrency();
    return std::clamp<unsigned>(processors, 1, kMaxThreads);
}

bool Overlap(const uint8_t *a, uint64_t aSize, const uint8_t *b, uint64_t bSize)
{
    return a != nullptr && b != nullptr && a < b + bSize && b < a + aSize;
}

// Header of a compressed buffer, checked against the buffer's length.
KyResult ReadHeader(const KyBuffer *aIn, Ptc1Image &aImage)
{
    if (aIn == nullptr)
        return KyResult(KY_INVALID_PARAMETER, "no input buffer");
    if (aIn->GetPayloadType() != KyPayloadTypeTesmarCompressed)
        return KyResult(KY_INVALID_PARAMETER, "the input holds no compressed image (payload type " +
                                                  std::to_string(aIn->GetPayloadType()) + ")");
    const KyTesmarCompressed *compressed = aIn->GetTesmarCompressed();
    return ParsePtc1(compressed->GetDataPointer(), compressed->GetDataSize(), aImage);
}

// Each stripe must be one zstd frame that fills exactly its lines, before any memory is given
// to the image.
KyResult CheckFrames(const uint8_t *aData, const Ptc1Image &aImage)
{
    for (uint32_t i = 0; i < aImage.layout.stripeCount; ++i) {
        const uint8_t *frame = aData + aImage.stripeOffsets[i];
        const size_t size = aImage.stripeSizes[i];
        const unsigned long long content = ZSTD_getFrameContentSize(frame, size);
        if (content != aImage.layout.StripeBytes(i) || ZSTD_findFrameCompressedSize(frame, size) != size)
            return KyResult(KY_IMAGE_ERROR, "damaged compressed image: stripe " + std::to_string(i) +
                                                " is no frame of " +
                                                std::to_string(aImage.layout.StripeBytes(i)) + " bytes");
    }
    return KyResult();
}

// Gives aOut an image of the layout, in its own memory where it has enough.
KyResult PrepareOutput(const Ptc1Layout &aLayout, KyBuffer &aOut)
{
    if (aOut.IsAttached() && aOut.GetSize() < aLayout.imageBytes)
        return KyResult(KY_BUFFER_TOO_SMALL, "the image takes " + std::to_string(aLayout.imageBytes) +
                                                 " bytes, the output's memory has " +
                                                 std::to_string(aOut.GetSize()));
    aOut.BeginAcquisition();
    aOut.SetPayloadType(KyPayloadTypeImage);
    KyImage &image = *aOut.GetImage();
    if (aOut.GetDataPointer() != nullptr && aOut.GetSize() >= aLayout.imageBytes)
        return image.SetGeometry(aLayout.pixelType, aLayout.width, aLayout.height, 0, 0, 0, 0);
    return image.Alloc(aLayout.width, aLayout.height, aLayout.pixelType);
}

}  // namespace

}  // namespace ky::buffer

using namespace ky::buffer;

KyDecompressionFilter::KyDecompressionFilter() : mWork(new DecompressionWork(DefaultThreads())) { }

KyDecompressionFilter::~KyDecompressionFilter() = default;

KyResult KyDecompressionFilter::Execute(const KyBuffer *aIn, KyBuffer *aOut)
{
    if (aIn == nullptr || aOut == nullptr)
        return KyResult(KY_INVALID_PARAMETER, "no input or no output buffer");
    if (aIn == aOut)
        return KyResult(KY_INVALID_PARAMETER, "the output buffer is the input buffer");
    if (Overlap(aIn->GetDataPointer(), aIn->GetSize(), aOut->GetDataPointer(), aOut->GetSize()))
        return KyResult(KY_INVALID_PARAMETER, "the output buffer's memory overlaps the input's");
    Ptc1Image compressed;
    KyResult r = ReadHeader(aIn, compressed);
    if (!r.IsOK())
        return r;
    const uint8_t *data = aIn->GetDataPointer();
    r = CheckFrames(data, compressed);
    if (!r.IsOK())
        return r;
    const Ptc1Layout &layout = compressed.layout;

    std::lock_guard<std::mutex> lock(mMutex);
    r = PrepareOutput(layout, *aOut);
    if (!r.IsOK())
        return r;
    uint8_t *image = aOut->GetDataPointer();
    DecompressionWork &work = *mWork;
    work.contexts.Resize(work.workers.GetCount());
    // Each stripe is written into exactly its own lines of the image, then unfiltered there.
    std::vector<size_t> codes(layout.stripeCount, 0);
    const bool ran = work.workers.Run(layout.stripeCount, [&](unsigned aWorker, uint32_t aStripe) {
        ZSTD_DCtx *context = work.contexts.For(aWorker);
        if (context == nullptr) {
            codes[aStripe] = ZstdError(ZSTD_error_memory_allocation);
            return;
        }
        const uint32_t bytes = layout.StripeBytes(aStripe);
        uint8_t *lines = image + layout.StripeOffset(aStripe);
        const size_t code = ZSTD_decompressDCtx(
            context, lines, bytes, data + compressed.stripeOffsets[aStripe], compressed.stripeSizes[aStripe]);
        codes[aStripe] = ZSTD_isError(code) || code == bytes ? code : ZstdError(ZSTD_error_srcSize_wrong);
        if (!ZSTD_isError(codes[aStripe]))
            UndoLineFilter(layout.filter, layout.distance, lines, layout.StripeLines(aStripe),
                           layout.lineBytes);
    });
    if (!ran)
        r = KyResult(KY_NOT_ENOUGH_MEMORY, "no memory for the stripes");
    for (uint32_t i = 0; r.IsOK() && i < layout.stripeCount; ++i) {
        if (!ZSTD_isError(codes[i]))
            continue;
        r = ZSTD_getErrorCode(codes[i]) == ZSTD_error_memory_allocation
                ? KyResult(KY_NOT_ENOUGH_MEMORY, "no memory to decompress stripe " + std::to_string(i))
                : KyResult(KY_IMAGE_ERROR, "damaged compressed image: stripe " + std::to_string(i) + ": " +
                                               ZSTD_getErrorName(codes[i]));
    }
    aOut->SetOperationResult(r);
    if (!r.IsOK())
        return r;
    r = aOut->SetAcquiredSize(layout.imageBytes);
    if (r.IsOK())
        r = aOut->SetBlockID(aIn->GetBlockID());
    if (r.IsOK())
        r = aOut->SetTimestamp(aIn->GetTimestamp());
    return r;
}

KyResult KyDecompressionFilter::SetThreadCount(uint32_t aCount)
{
    if (aCount < 1 || aCount > kMaxThreads)
        return KyResult(KY_INVALID_PARAMETER,
                        "a decompressor takes 1 to 64 threads, not " + std::to_string(aCount));
    std::lock_guard<std::mutex> lock(mMutex);
    if (aCount != mWork->workers.GetCount())
        mWork->workers.SetCount(aCount);
    return KyResult();
}

uint32_t KyDecompressionFilter::GetThreadCount() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mWork->workers.GetCount();
}

KyResult KyDecompressionFilter::GetThreadsPriority(uint32_t &aPriority) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    aPriority = mWork->workers.GetPriority();
    return KyResult();
}

KyResult KyDecompressionFilter::SetThreadsPriority(uint32_t aPriority)
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mWork->workers.SetPriority(aPriority);
}

bool KyDecompressionFilter::IsCompressed(const KyBuffer *aIn)
{
    Ptc1Image compressed;
    return ReadHeader(aIn, compressed).IsOK();
}

KyResult KyDecompressionFilter::GetOutputFormatFor(const KyBuffer *aIn, KyPixelType &aPixelType,
                                                   uint32_t &aWidth, uint32_t &aHeight)
{
    Ptc1Image compressed;
    KyResult r = ReadHeader(aIn, compressed);
    if (r.IsOK()) {
        aPixelType = compressed.layout.pixelType;
        aWidth = compressed.layout.width;
        aHeight = compressed.layout.height;
    }
    return r;
}
