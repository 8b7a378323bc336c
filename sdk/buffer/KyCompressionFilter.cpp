// For ZSTD_c_literalCompressionMode, a parameter of zstd's advanced API that passes through
// the stable ZSTD_CCtx_setParameter.
#define ZSTD_STATIC_LINKING_ONLY
#include "ky/buffer/KyCompressionFilter.h"

#include <zstd.h>

#include <cstring>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "Ptc1Format.h"
#include "StripeWorkers.h"
#include "ZstdContexts.h"
#include "ky/buffer/KyBuffer.h"

namespace ky::buffer {

// Memory kept from one image to the next, left uninitialised when it grows.
struct ReusedBytes
{
    std::unique_ptr<uint8_t[]> data;
    size_t capacity = 0;
    size_t size = 0;
    uint8_t *Reserve(size_t aCapacity)
    {
        if (aCapacity > capacity) {
            data.reset(new uint8_t[aCapacity]);
            capacity = aCapacity;
        }
        return data.get();
    }
};

// What a compressor keeps between calls: its worker and the worker's zstd context and line
// scratch. The contexts are declared before the workers, so that the workers are joined first.
class CompressionWork
{
public:
    CompressionWork() { contexts.Resize(1); }
    CompressionContexts contexts;
    ReusedBytes scratch;               // the filtered lines of a stripe
    ReusedBytes spare;                 // a stripe compressed a second way
    std::vector<ReusedBytes> stripes;  // the compressed stripes of the last image
    std::vector<uint8_t> structured;   // per stripe: level 1 won it last time
    uint64_t images = 0;
    StripeWorkers workers{1};
};

namespace {

// How each stripe is compressed. Filtered camera images are mostly noise around small deltas:
// what zstd gains there is the entropy coding of its literals, not its matches, and hunting for
// matches is where its time goes. So a stripe is first compressed with zstd's match search all
// but switched off (a strongly negative level) and its literals still entropy coded; on such
// images that is both smaller and two to four times faster than level 1. Where that result
// shows structure (literals alone never make a stripe much smaller than an eighth), level 1
// compresses the stripe again and the smaller frame is kept. Both are ordinary zstd frames.
constexpr int kLiteralsLevel = -1000;
constexpr int kMatchesLevel = 1;
// Raw bytes per compressed byte from which a stripe is tried with matches too.
constexpr size_t kStructuredRatio = 4;

size_t CompressFrame(ZSTD_CCtx *aContext, int aLevel, ReusedBytes &aOut, const uint8_t *aIn, uint32_t aBytes)
{
    // A zstd without the literals switch leaves negative levels' literals raw: level 1 then.
    const ZSTD_paramSwitch_e literals = aLevel < 0 ? ZSTD_ps_enable : ZSTD_ps_auto;
    if (ZSTD_isError(ZSTD_CCtx_setParameter(aContext, ZSTD_c_literalCompressionMode, literals)))
        aLevel = kMatchesLevel;
    if (ZSTD_isError(ZSTD_CCtx_setParameter(aContext, ZSTD_c_compressionLevel, aLevel)) ||
        ZSTD_isError(ZSTD_CCtx_setParameter(aContext, ZSTD_c_checksumFlag, 1)))
        return ZstdError(ZSTD_error_parameter_unsupported);
    const size_t capacity = ZSTD_compressBound(aBytes);
    const size_t code = ZSTD_compress2(aContext, aOut.Reserve(capacity), capacity, aIn, aBytes);
    aOut.size = ZSTD_isError(code) ? 0 : code;
    return code;
}

// A stripe where level 1 won goes straight to level 1 in the next images (camera frames change
// little from one to the next), trying both ways again every this many images.
constexpr uint64_t kRetryEvery = 16;

// One zstd frame of aBytes into aOut (its size set to the frame's), aSpare being the worker's
// second buffer; zstd's result (a size or an error code). aStructured: level 1 won this
// stripe last time, and is set to whether it won this time.
size_t CompressStripe(ZSTD_CCtx *aContext, ReusedBytes &aOut, ReusedBytes &aSpare, const uint8_t *aIn,
                      uint32_t aBytes, bool aRetry, uint8_t &aStructured)
{
    if (aContext == nullptr)
        return ZstdError(ZSTD_error_memory_allocation);
    if (aStructured != 0 && !aRetry)
        return CompressFrame(aContext, kMatchesLevel, aOut, aIn, aBytes);
    aStructured = 0;
    const size_t code = CompressFrame(aContext, kLiteralsLevel, aOut, aIn, aBytes);
    if (ZSTD_isError(code) || code * kStructuredRatio > aBytes)
        return code;
    const size_t matched = CompressFrame(aContext, kMatchesLevel, aSpare, aIn, aBytes);
    if (ZSTD_isError(matched) || matched >= code)
        return code;
    std::swap(aOut, aSpare);
    aStructured = 1;
    return matched;
}

bool Overlap(const uint8_t *a, uint64_t aSize, const uint8_t *b, uint64_t bSize)
{
    return a != nullptr && b != nullptr && a < b + bSize && b < a + aSize;
}

// Where the image's pixels lie in the source buffer.
struct Source
{
    const uint8_t *data = nullptr;
    uint64_t lineStride = 0;  // bytes from one line to the next (0: lines are not whole bytes)
};

KyResult Invalid(const std::string &aWhat) { return KyResult(KY_INVALID_PARAMETER, aWhat); }

KyResult FindSource(const KyBuffer &aIn, Ptc1Layout &aLayout, Source &aSource)
{
    const KyImage *image = aIn.GetImage();
    if (image == nullptr)
        return Invalid("the input holds no image (payload type " + std::to_string(aIn.GetPayloadType()) +
                       ")");
    if (image->GetDataPointer() == nullptr || image->GetImageSize() == 0 ||
        image->GetImageSize() > aIn.GetSize())
        return Invalid("the input image has no pixels");
    KyResult r = ChooseLayout(image->GetPixelType(), image->GetWidth(), image->GetHeight(), aLayout);
    if (!r.IsOK())
        return r;
    aSource.data = image->GetDataPointer();
    const uint64_t strideBits =
        (uint64_t(image->GetWidth()) + image->GetPaddingX()) * KyImage::GetPixelSize(image->GetPixelType());
    if (image->GetPaddingX() != 0 && (aLayout.lineBytes == 0 || strideBits % 8 != 0))
        return Invalid("padding after lines that are not whole bytes");
    aSource.lineStride = aLayout.lineBytes == 0 ? 0 : strideBits / 8;
    return KyResult();
}

}  // namespace

}  // namespace ky::buffer

using namespace ky::buffer;

KyCompressionFilter::KyCompressionFilter() : mWork(new CompressionWork) { }

KyCompressionFilter::~KyCompressionFilter() = default;

KyResult KyCompressionFilter::Execute(const KyBuffer *aIn, KyBuffer *aOut)
{
    if (aIn == nullptr || aOut == nullptr)
        return Invalid("no input or no output buffer");
    if (aIn == aOut)
        return Invalid("the output buffer is the input buffer");
    if (Overlap(aIn->GetDataPointer(), aIn->GetSize(), aOut->GetDataPointer(), aOut->GetSize()))
        return Invalid("the output buffer's memory overlaps the input's");
    std::lock_guard<std::mutex> lock(mMutex);
    if (mEncoding != KyEncodingPTC1)
        return KyResult(KY_NOT_SUPPORTED, "no such encoding");
    Ptc1Layout layout;
    Source source;
    KyResult r = FindSource(*aIn, layout, source);
    if (!r.IsOK())
        return r;

    // Each stripe: its lines gathered without padding, filtered, compressed on its own.
    std::vector<ReusedBytes> &stripes = mWork->stripes;
    stripes.resize(layout.stripeCount);
    std::vector<size_t> codes(layout.stripeCount, 0);
    CompressionWork &work = *mWork;
    work.structured.resize(layout.stripeCount, 0);
    const bool retry = work.images++ % kRetryEvery == 0;
    const bool ran = work.workers.Run(layout.stripeCount, [&](unsigned aWorker, uint32_t aStripe) {
        const uint32_t bytes = layout.StripeBytes(aStripe);
        const uint8_t *in = source.data;  // an image without whole-byte lines goes as it is
        if (layout.lineBytes != 0) {
            uint8_t *scratch = work.scratch.Reserve(bytes);
            const uint64_t first = uint64_t(aStripe) * layout.linesPerStripe;
            FilterLines(layout.filter, layout.distance, source.data + first * source.lineStride,
                        source.lineStride, scratch, layout.StripeLines(aStripe), layout.lineBytes);
            in = scratch;
        }
        codes[aStripe] = CompressStripe(work.contexts.For(aWorker), stripes[aStripe], work.spare, in, bytes,
                                        retry, work.structured[aStripe]);
    });
    if (!ran)
        return KyResult(KY_NOT_ENOUGH_MEMORY, "no memory for the stripes");
    uint64_t total = Ptc1::kHeaderSize + uint64_t(layout.stripeCount) * Ptc1::kStripeEntrySize;
    std::vector<uint32_t> sizes(layout.stripeCount);
    for (uint32_t i = 0; i < layout.stripeCount; ++i) {
        if (ZSTD_isError(codes[i]))
            return KyResult(ZSTD_getErrorCode(codes[i]) == ZSTD_error_memory_allocation ? KY_NOT_ENOUGH_MEMORY
                                                                                        : KY_GENERIC_ERROR,
                            std::string("stripe ") + std::to_string(i) + ": " + ZSTD_getErrorName(codes[i]));
        sizes[i] = static_cast<uint32_t>(stripes[i].size);
        total += stripes[i].size;
    }
    if (total > UINT32_MAX)
        return Invalid("the compressed image would take " + std::to_string(total) +
                       " bytes, more than 4 GiB");

    if (aOut->IsAttached()) {
        if (aOut->GetSize() < total)
            return KyResult(KY_BUFFER_TOO_SMALL, "the compressed image takes " + std::to_string(total) +
                                                     " bytes, the output's memory has " +
                                                     std::to_string(aOut->GetSize()));
    } else if (!aOut->IsAllocated() || aOut->GetSize() < total) {
        r = aOut->Alloc(static_cast<uint32_t>(total));
        if (!r.IsOK())
            return r;
    }
    aOut->BeginAcquisition();
    aOut->SetPayloadType(KyPayloadTypeTesmarCompressed);
    uint8_t *at = aOut->GetDataPointer();
    WritePtc1Header(layout, sizes, at);
    at += Ptc1::kHeaderSize + size_t(layout.stripeCount) * Ptc1::kStripeEntrySize;
    for (uint32_t i = 0; i < layout.stripeCount; ++i) {
        std::memcpy(at, stripes[i].data.get(), stripes[i].size);
        at += stripes[i].size;
    }
    r = aOut->SetAcquiredSize(static_cast<uint32_t>(total));
    if (r.IsOK())
        r = aOut->SetBlockID(aIn->GetBlockID());
    if (r.IsOK())
        r = aOut->SetTimestamp(aIn->GetTimestamp());
    return r;
}

KyResult KyCompressionFilter::SetThreadCount(uint32_t aCount)
{
    if (aCount != 1)
        return KyResult(KY_NOT_SUPPORTED, "the compressor runs one thread, not " + std::to_string(aCount));
    return KyResult();
}

uint32_t KyCompressionFilter::GetThreadCount() const { return 1; }

KyResult KyCompressionFilter::GetThreadsPriority(uint32_t &aPriority) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    aPriority = mWork->workers.GetPriority();
    return KyResult();
}

KyResult KyCompressionFilter::SetThreadsPriority(uint32_t aPriority)
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mWork->workers.SetPriority(aPriority);
}

KyResult KyCompressionFilter::SetEncoding(KyEncodingEnum aValue)
{
    if (aValue != KyEncodingPTC1)
        return KyResult(KY_NOT_SUPPORTED, "encoding " + std::to_string(static_cast<int32_t>(aValue)) +
                                              " is not supported; only KyEncodingPTC1 (0) is");
    std::lock_guard<std::mutex> lock(mMutex);
    mEncoding = aValue;
    return KyResult();
}

KyEncodingEnum KyCompressionFilter::GetEncoding() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mEncoding;
}
