#include "ky/virtualdevice/KyStreamingChannelSourceDefault.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ky/buffer/KyBuffer.h"

namespace {

constexpr KyPixelType SUPPORTED_PIXEL_TYPES[] = {KyPixelMono8, KyPixelBayerGR8, KyPixelBayerRG8,
                                                 KyPixelBayerGB8, KyPixelBayerBG8};

KyResult Refuse(const std::string &text) { return KyResult(KY_GENERIC_ERROR, KyString(text)); }

bool IsSupported(KyPixelType type)
{
    return std::find(std::begin(SUPPORTED_PIXEL_TYPES), std::end(SUPPORTED_PIXEL_TYPES), type) !=
           std::end(SUPPORTED_PIXEL_TYPES);
}

// row[x] = terms[x] + constant for every x (bytes, wrapping). The frame loop of the soft camera is
// this: written with 16-byte vectors, as the compiler leaves the byte loop scalar at -O2.
void AddToRow(uint8_t *row, const uint8_t *terms, uint32_t width, uint8_t constant)
{
    uint32_t x = 0;
#if defined(__SSE2__)
    const __m128i add = _mm_set1_epi8(static_cast<char>(constant));
    for (; x + 64 <= width; x += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(terms + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(terms + x + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(terms + x + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i *>(terms + x + 48));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + x), _mm_add_epi8(a, add));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + x + 16), _mm_add_epi8(b, add));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + x + 32), _mm_add_epi8(c, add));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + x + 48), _mm_add_epi8(d, add));
    }
    for (; x + 16 <= width; x += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(terms + x));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + x), _mm_add_epi8(a, add));
    }
#endif
    for (; x < width; ++x) {
        row[x] = static_cast<uint8_t>(terms[x] + constant);
    }
}

}  // namespace

KyStreamingChannelSourceDefault::KyStreamingChannelSourceDefault(uint32_t aWidth, uint32_t aHeight,
                                                                 KyPixelType aPixelType, size_t aBufferCount)
    : mFormat{std::clamp<uint32_t>(aWidth, 1, kMaxSize), std::clamp<uint32_t>(aHeight, 1, kMaxSize), 0, 0,
              IsSupported(aPixelType) ? aPixelType : KyPixelMono8},
      mBufferCount(std::clamp<size_t>(aBufferCount, 1, kMaxBuffers))
{ }

KyStreamingChannelSourceDefault::~KyStreamingChannelSourceDefault() = default;

KyStreamingChannelSourceDefault::Format KyStreamingChannelSourceDefault::Current() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mFormat;
}

uint32_t KyStreamingChannelSourceDefault::GetWidth() const { return Current().width; }
uint32_t KyStreamingChannelSourceDefault::GetHeight() const { return Current().height; }
uint32_t KyStreamingChannelSourceDefault::GetOffsetX() const { return Current().offsetX; }
uint32_t KyStreamingChannelSourceDefault::GetOffsetY() const { return Current().offsetY; }
KyPixelType KyStreamingChannelSourceDefault::GetPixelType() const { return Current().pixelType; }

void KyStreamingChannelSourceDefault::GetWidthInfo(uint32_t &aMin, uint32_t &aMax, uint32_t &aInc) const
{
    aMin = 1;
    aMax = kMaxSize;
    aInc = 1;
}

void KyStreamingChannelSourceDefault::GetHeightInfo(uint32_t &aMin, uint32_t &aMax, uint32_t &aInc) const
{
    GetWidthInfo(aMin, aMax, aInc);
}

uint32_t KyStreamingChannelSourceDefault::GetChunksSize() const { return 0; }
uint32_t KyStreamingChannelSourceDefault::GetPayloadSize() const { return 0; }
KyScanType KyStreamingChannelSourceDefault::GetScanType() const { return KyScanTypeArea; }
bool KyStreamingChannelSourceDefault::GetChunkModeActive() const { return false; }
bool KyStreamingChannelSourceDefault::GetChunkEnable(uint32_t) const { return false; }

KyResult KyStreamingChannelSourceDefault::GetSupportedPixelType(int aIndex, KyPixelType &aPixelType) const
{
    if (aIndex < 0 || static_cast<size_t>(aIndex) >= std::size(SUPPORTED_PIXEL_TYPES)) {
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("no supported pixel type at index " + std::to_string(aIndex)));
    }
    aPixelType = SUPPORTED_PIXEL_TYPES[aIndex];
    return KyResult(KY_OK);
}

KyResult KyStreamingChannelSourceDefault::GetSupportedChunk(int aIndex, uint32_t &, KyString &) const
{
    return KyResult(KY_INVALID_PARAMETER, KyString("no supported chunk at index " + std::to_string(aIndex)));
}

KyResult KyStreamingChannelSourceDefault::SetDimension(uint32_t Format::*field, uint32_t Format::*partner,
                                                       uint32_t value, bool isSize, const char *name)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (isSize && value < 1) {
        return Refuse(std::string(name) + " 0 is below the minimum 1");
    }
    const uint64_t end = static_cast<uint64_t>(value) + mFormat.*partner;
    if (end > kMaxSize) {
        return Refuse(std::string(name) + " " + std::to_string(value) + " puts the image end at " +
                      std::to_string(end) + ", beyond the sensor's " + std::to_string(kMaxSize));
    }
    mFormat.*field = value;
    return KyResult(KY_OK);
}

KyResult KyStreamingChannelSourceDefault::SetWidth(uint32_t aWidth)
{
    return SetDimension(&Format::width, &Format::offsetX, aWidth, true, "Width");
}

KyResult KyStreamingChannelSourceDefault::SetHeight(uint32_t aHeight)
{
    return SetDimension(&Format::height, &Format::offsetY, aHeight, true, "Height");
}

KyResult KyStreamingChannelSourceDefault::SetOffsetX(uint32_t aOffsetX)
{
    return SetDimension(&Format::offsetX, &Format::width, aOffsetX, false, "OffsetX");
}

KyResult KyStreamingChannelSourceDefault::SetOffsetY(uint32_t aOffsetY)
{
    return SetDimension(&Format::offsetY, &Format::height, aOffsetY, false, "OffsetY");
}

KyResult KyStreamingChannelSourceDefault::SetPixelType(KyPixelType aPixelType)
{
    if (!IsSupported(aPixelType)) {
        char text[64];
        std::snprintf(text, sizeof(text), "pixel type 0x%08X is not supported",
                      static_cast<uint32_t>(aPixelType));
        return Refuse(text);
    }
    std::lock_guard<std::mutex> lock(mMutex);
    mFormat.pixelType = aPixelType;
    return KyResult(KY_OK);
}

KyResult KyStreamingChannelSourceDefault::SetChunkModeActive(bool aEnabled)
{
    return aEnabled ? Refuse("this source has no chunks") : KyResult(KY_OK);
}

KyResult KyStreamingChannelSourceDefault::SetChunkEnable(uint32_t aChunkID, bool)
{
    return Refuse("this source has no chunk " + std::to_string(aChunkID));
}

void KyStreamingChannelSourceDefault::OnOpen(const KyString &, uint16_t)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mOpen = true;
}

void KyStreamingChannelSourceDefault::OnClose()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mOpen = false;
}

void KyStreamingChannelSourceDefault::OnStreamingStart()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mStreaming = true;
}

void KyStreamingChannelSourceDefault::OnStreamingStop()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mStreaming = false;
}

bool KyStreamingChannelSourceDefault::IsOpen() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mOpen;
}

bool KyStreamingChannelSourceDefault::IsStreaming() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mStreaming;
}

size_t KyStreamingChannelSourceDefault::GetAllocatedBufferCount() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mBuffers.size();
}

KyBuffer *KyStreamingChannelSourceDefault::AllocBuffer()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBuffers.size() >= mBufferCount) {
        return nullptr;
    }
    auto buffer = std::make_unique<KyBuffer>(KyPayloadTypeImage);
    if (buffer->GetImage()->Alloc(mFormat.width, mFormat.height, mFormat.pixelType).IsFailure()) {
        return nullptr;
    }
    mBuffers.push_back(std::move(buffer));
    return mBuffers.back().get();
}

void KyStreamingChannelSourceDefault::FreeBuffer(KyBuffer *aBuffer)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mBuffers.erase(
        std::remove_if(mBuffers.begin(), mBuffers.end(),
                       [aBuffer](const std::unique_ptr<KyBuffer> &b) { return b.get() == aBuffer; }),
        mBuffers.end());
}

// Nothing is queued in this class: subclasses that queue buffers abort them here.
void KyStreamingChannelSourceDefault::AbortQueuedBuffers() { }

// The device adds the image format and acquisition features of every channel by itself.
void KyStreamingChannelSourceDefault::CreateRegisters(IKyRegisterMap *, IKyRegisterFactory *) { }
void KyStreamingChannelSourceDefault::CreateGenApiFeatures(IKyRegisterMap *, IKyGenApiFactory *) { }

bool KyStreamingChannelSourceDefault::IsPayloadTypeSupported(KyPayloadType aPayloadType)
{
    return aPayloadType == KyPayloadTypeImage;
}

void KyStreamingChannelSourceDefault::SetMultiPartAllowed(bool aAllowed)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mMultiPartAllowed = aAllowed;
}

void KyStreamingChannelSourceDefault::SetLargeLeaderTrailerEnabled(bool, uint32_t) { }

KyResult KyStreamingChannelSourceDefault::SetTestPayloadFormatMode(KyPayloadType aPayloadType)
{
    // Images are what this source streams anyway; leaving test mode (None) is always fine.
    if (aPayloadType == KyPayloadTypeNone || aPayloadType == KyPayloadTypeImage) {
        return KyResult(KY_OK);
    }
    return KyResult(KY_NOT_SUPPORTED, KyString("this source streams images only"));
}

uint8_t KyStreamingChannelSourceDefault::TestPatternValue(uint32_t aX, uint32_t aY, uint64_t aFrame)
{
    return static_cast<uint8_t>(aX + 3u * aY + 5u * static_cast<uint32_t>(aFrame) + ((aX ^ aY) >> 4));
}

void KyStreamingChannelSourceDefault::WriteTestPattern(uint8_t *aData, uint32_t aWidth, uint32_t aHeight,
                                                       uint32_t aOffsetX, uint32_t aOffsetY, uint64_t aFrame)
{
    // (X ^ Y) >> 4 equals (X >> 4) ^ (Y >> 4): within 16 rows a row is one table of X terms plus
    // one constant, which keeps the loop a plain byte add.
    std::vector<uint8_t> xTerms(aWidth);
    uint32_t tableFor = UINT32_MAX;
    uint8_t *row = aData;
    for (uint32_t y = 0; y < aHeight; ++y, row += aWidth) {
        const uint32_t sensorY = y + aOffsetY;
        if ((sensorY >> 4) != tableFor) {
            tableFor = sensorY >> 4;
            for (uint32_t x = 0; x < aWidth; ++x) {
                const uint32_t sensorX = x + aOffsetX;
                xTerms[x] = static_cast<uint8_t>(sensorX + ((sensorX >> 4) ^ tableFor));
            }
        }
        const uint8_t constant = static_cast<uint8_t>(3u * sensorY + 5u * static_cast<uint32_t>(aFrame));
        AddToRow(row, xTerms.data(), aWidth, constant);
    }
}

KyResult KyStreamingChannelSourceDefault::FillTestPattern(KyBuffer *aBuffer, uint64_t aFrame) const
{
    if (aBuffer == nullptr) {
        return KyResult(KY_INVALID_PARAMETER, KyString("no buffer to fill"));
    }
    const Format format = Current();
    if (aBuffer->GetPayloadType() != KyPayloadTypeImage) {
        (void)aBuffer->Reset(KyPayloadTypeImage);  // clears the buffer: cannot fail
    }
    KyImage *image = aBuffer->GetImage();
    uint32_t needed = 0;
    KyImage::ComputeImageSize(format.pixelType, format.width, format.height, needed);
    if (image->GetWidth() != format.width || image->GetHeight() != format.height ||
        image->GetPixelType() != format.pixelType || aBuffer->GetDataPointer() == nullptr ||
        aBuffer->GetSize() < needed) {
        KyResult result = image->Alloc(format.width, format.height, format.pixelType);
        if (result.IsFailure()) {
            return result;
        }
    }
    image->SetOffsetX(format.offsetX);
    image->SetOffsetY(format.offsetY);
    WriteTestPattern(image->GetDataPointer(), format.width, format.height, format.offsetX, format.offsetY,
                     aFrame);
    return KyResult(KY_OK);
}
