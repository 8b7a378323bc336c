#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "ky/buffer/KyBuffer.h"

namespace {

constexpr auto LONGEST_WAIT = std::chrono::milliseconds(50);
constexpr double MAX_FRAME_RATE = 100000.0;

bool ValidRate(double rate) { return std::isfinite(rate) && rate >= 0.0 && rate <= MAX_FRAME_RATE; }

}  // namespace

KyStreamingChannelSourceTestPattern::KyStreamingChannelSourceTestPattern(uint32_t aWidth, uint32_t aHeight,
                                                                         KyPixelType aPixelType,
                                                                         size_t aBufferCount,
                                                                         double aFrameRate)
    : KyStreamingChannelSourceDefault(aWidth, aHeight, aPixelType, aBufferCount),
      mFrameRate(ValidRate(aFrameRate) ? aFrameRate : 30.0)
{ }

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
    KyResult result = FillTestPattern(buffer, frame);
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
