#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "ky/buffer/KyBuffer.h"
#include "streaming/TestPatternJPEG.h"

namespace {

constexpr auto LONGEST_WAIT = std::chrono::milliseconds(50);
constexpr double MAX_FRAME_RATE = 100000.0;
constexpr uint32_t kChunkPartSize = 8 + 8;  // the frame number and its chunk trailer

bool ValidRate(double rate) { return std::isfinite(rate) && rate >= 0.0 && rate <= MAX_FRAME_RATE; }

}  // namespace

KyStreamingChannelSourceTestPattern::KyStreamingChannelSourceTestPattern(uint32_t aWidth, uint32_t aHeight,
                                                                         KyPixelType aPixelType,
                                                                         size_t aBufferCount,
                                                                         double aFrameRate)
    : KyStreamingChannelSourceDefault(aWidth, aHeight, aPixelType, aBufferCount),
      mFrameRate(ValidRate(aFrameRate) ? aFrameRate : 30.0)
{ }

void KyStreamingChannelSourceTestPattern::SetMultiPartSupported(bool aSupported)
{
    mMultiPartSupported = aSupported;
    if (!aSupported) {
        mMultiPartOn = false;
    }
}

bool KyStreamingChannelSourceTestPattern::IsPayloadTypeSupported(KyPayloadType aPayloadType)
{
    if (aPayloadType == KyPayloadTypeMultiPart) {
        return mMultiPartSupported;
    }
    return KyStreamingChannelSourceDefault::IsPayloadTypeSupported(aPayloadType);
}

uint32_t KyStreamingChannelSourceTestPattern::GetPayloadSize() const
{
    if (!mMultiPartOn) {
        return KyStreamingChannelSourceDefault::GetPayloadSize();
    }
    const uint64_t size =
        uint64_t(GetWidth()) * GetHeight() + ky::soft::MaxJPEGSize(GetWidth(), GetHeight()) + kChunkPartSize;
    return size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
}

void KyStreamingChannelSourceTestPattern::SetMultiPartAllowed(bool aAllowed)
{
    KyStreamingChannelSourceDefault::SetMultiPartAllowed(aAllowed);
    mMultiPartOn = aAllowed && mMultiPartSupported;
}

KyResult KyStreamingChannelSourceTestPattern::FillMultiPart(KyBuffer *aBuffer, uint64_t aFrame) const
{
    if (aBuffer == nullptr) {
        return KyResult(KY_INVALID_PARAMETER, KyString("no buffer to fill"));
    }
    const uint32_t width = GetWidth(), height = GetHeight(), offsetX = GetOffsetX(), offsetY = GetOffsetY();
    const KyPixelType pixelType = GetPixelType();
    IKyMultiPartContainer *parts = aBuffer->GetMultiPartContainer();
    const IKyImage *image = parts && parts->GetPartCount() == 3 ? parts->GetPart(0u)->GetImage() : nullptr;
    if (image == nullptr || image->GetWidth() != width || image->GetHeight() != height ||
        image->GetPixelType() != pixelType || parts->GetPart(0u)->GetDataPointer() == nullptr) {
        // A new layout: the buffer's own memory for the three parts, the timestamp kept.
        const uint64_t timestamp = aBuffer->GetTimestamp();
        (void)aBuffer->Reset(KyPayloadTypeMultiPart);  // clears the buffer: cannot fail
        (void)aBuffer->SetTimestamp(timestamp);        // a plain setter: cannot fail
        parts = aBuffer->GetMultiPartContainer();
        KyResult result = parts->AddImagePart(KyMultiPart2DImage, width, height, pixelType, offsetX, offsetY);
        if (result.IsOK()) {
            result = parts->AddJPEGPart(KyMultiPartJPEGImage, ky::soft::MaxJPEGSize(width, height), 0,
                                        kTimestampTickFrequency, 0);
        }
        if (result.IsOK()) {
            result = parts->AddChunkPart(kChunkPartSize, 0);
        }
        if (result.IsOK()) {
            result = parts->AllocAllParts();
        }
        if (result.IsFailure()) {
            return result;
        }
    }
    IKyMultiPartSection &imagePart = *parts->GetPart(0u);
    WriteTestPattern(imagePart.GetDataPointer(), width, height, offsetX, offsetY, aFrame);
    uint32_t jpegSize = 0;
    KyResult result =
        ky::soft::EncodeJPEG(imagePart.GetDataPointer(), width, height, kJPEGQuality,
                             parts->GetPart(1u)->GetDataPointer(), parts->GetPart(1u)->GetSize(), jpegSize);
    if (result.IsOK()) {
        result = parts->SetPartFinalLength(1, jpegSize);
    }
    uint8_t frame[8];
    for (int i = 0; i < 8; ++i) {
        frame[i] = static_cast<uint8_t>(aFrame >> (56 - 8 * i));
    }
    IKyChunkData &chunks = *parts->GetPart(2u)->GetChunkData();
    chunks.ResetChunks();
    if (result.IsOK()) {
        result = chunks.AddChunk(kFrameChunkID, frame, sizeof frame);
    }
    return result.IsOK() ? parts->Validate() : result;
}

KyResult KyStreamingChannelSourceTestPattern::SetFrameRate(double aFrameRate)
{
    if (!ValidRate(aFrameRate)) {
        return KyResult(KY_INVALID_PARAMETER, KyString("frame rate must be from 0 to 100000"));
    }
    std::lock_guard<std::mutex> lock(mQueueMutex);
    mFrameRate = aFrameRate;
    return KyResult(KY_OK);
}

double KyStreamingChannelSourceTestPattern::GetFrameRate() const
{
    std::lock_guard<std::mutex> lock(mQueueMutex);
    return mFrameRate;
}

uint64_t KyStreamingChannelSourceTestPattern::GetFrameCount() const
{
    std::lock_guard<std::mutex> lock(mQueueMutex);
    return mFrame;
}

void KyStreamingChannelSourceTestPattern::OnStreamingStart()
{
    KyStreamingChannelSourceDefault::OnStreamingStart();
    std::lock_guard<std::mutex> lock(mQueueMutex);
    mFrame = 0;
    mNextFrame = Clock::now();
}

KyResult KyStreamingChannelSourceTestPattern::QueueBuffer(KyBuffer *aBuffer)
{
    if (aBuffer == nullptr) {
        return KyResult(KY_INVALID_PARAMETER, KyString("no buffer to queue"));
    }
    {
        std::lock_guard<std::mutex> lock(mQueueMutex);
        if (std::find(mQueue.begin(), mQueue.end(), aBuffer) != mQueue.end()) {
            return KyResult(KY_INVALID_PARAMETER, KyString("the buffer is queued already"));
        }
        mQueue.push_back(aBuffer);
    }
    mQueued.notify_all();
    return KyResult(KY_OK);
}

KyResult KyStreamingChannelSourceTestPattern::RetrieveBuffer(KyBuffer **aBuffer)
{
    if (aBuffer == nullptr) {
        return KyResult(KY_INVALID_PARAMETER, KyString("no place for the buffer"));
    }
    *aBuffer = nullptr;
    std::unique_lock<std::mutex> lock(mQueueMutex);
    if (!mAborted.empty()) {
        *aBuffer = mAborted.front();
        mAborted.pop_front();
        return KyResult(KY_ABORTED);
    }
    const auto giveUp = Clock::now() + LONGEST_WAIT;
    if (!mQueued.wait_until(lock, giveUp, [this] { return !mQueue.empty(); })) {
        return KyResult(KY_TIMEOUT, KyString("no buffer queued"));
    }
    if (mFrameRate > 0.0) {
        const auto due = mNextFrame;
        if (due > giveUp) {
            lock.unlock();
            std::this_thread::sleep_until(giveUp);
            return KyResult(KY_TIMEOUT, KyString("no frame due yet"));
        }
        lock.unlock();
        std::this_thread::sleep_until(due);
        lock.lock();
        if (mQueue.empty()) {
            return KyResult(KY_TIMEOUT, KyString("no buffer queued"));  // aborted meanwhile
        }
        const auto period =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / mFrameRate));
        // A late frame does not make the next ones come in a burst.
        mNextFrame = std::max(mNextFrame + period, Clock::now() - period);
    }
    KyBuffer *buffer = mQueue.front();
    mQueue.pop_front();
    const uint64_t frame = mFrame++;
    lock.unlock();
    KyResult result = mMultiPartOn ? FillMultiPart(buffer, frame) : FillTestPattern(buffer, frame);
    *aBuffer = buffer;
    return result;
}

void KyStreamingChannelSourceTestPattern::AbortQueuedBuffers()
{
    std::lock_guard<std::mutex> lock(mQueueMutex);
    mAborted.insert(mAborted.end(), mQueue.begin(), mQueue.end());
    mQueue.clear();
}

void KyStreamingChannelSourceTestPattern::FreeBuffer(KyBuffer *aBuffer)
{
    {
        std::lock_guard<std::mutex> lock(mQueueMutex);
        mQueue.erase(std::remove(mQueue.begin(), mQueue.end(), aBuffer), mQueue.end());
        mAborted.erase(std::remove(mAborted.begin(), mAborted.end(), aBuffer), mAborted.end());
    }
    KyStreamingChannelSourceDefault::FreeBuffer(aBuffer);
}
