#include "streaming/SourceBufferExchange.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "ky/buffer/KyBuffer.h"
#include "ky/Guarded.h"
#include "SoftLog.h"

namespace ky::soft {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

SourceBufferExchange::SourceBufferExchange(IKyStreamingChannelSource &source, std::string name)
    : mSource(source), mName(std::move(name))
{ }

void SourceBufferExchange::Take(size_t maxBuffers)
{
    mAll.clear();
    mIdle.clear();
    mQueued.clear();
    mLent.clear();
    for (size_t i = 0; i < maxBuffers; ++i) {
        KyBuffer *buffer = nullptr;
        ky::base::Guarded(SoftDeviceLog(), "AllocBuffer", [&] { buffer = mSource.AllocBuffer(); });
        if (buffer == nullptr) {
            break;
        }
        if (std::find(mAll.begin(), mAll.end(), buffer) != mAll.end()) {
            SoftLog("SourceBufferExchange::Take", "%s: AllocBuffer gave a buffer twice", mName.c_str());
            break;
        }
        mAll.push_back(buffer);
    }
    mIdle = mAll;
    mCollected.clear();
    mCollected.reserve(mAll.size());
    std::lock_guard<std::mutex> lock(mReturns->mutex);
    mReturns->buffers.clear();
    mReturns->buffers.reserve(mAll.size());
}

void SourceBufferExchange::GiveBack()
{
    CollectReturns();
    if (!mLent.empty()) {
        SoftLog("SourceBufferExchange::GiveBack", "%s: %zu buffers still lent", mName.c_str(), mLent.size());
    }
    mLent.clear();
    for (KyBuffer *buffer : mAll) {
        ky::base::Guarded(SoftDeviceLog(), "FreeBuffer", [&] { mSource.FreeBuffer(buffer); });
    }
    mAll.clear();
    mIdle.clear();
    mQueued.clear();
}

void SourceBufferExchange::QueueIdle(const Stamp &stamp)
{
    CollectReturns();
    while (!mIdle.empty()) {
        KyBuffer *buffer = mIdle.front();
        buffer->ResetChunks();  // the chunks of its last frame are sent; the source appends anew
        if (stamp) {
            (void)buffer->SetTimestamp(stamp());  // a plain setter: cannot fail
        }
        const KyResult result =
            ky::base::Guarded(SoftDeviceLog(), "QueueBuffer", [&] { return mSource.QueueBuffer(buffer); });
        if (result.IsFailure()) {
            return;  // the source is full: the rest waits for the next round
        }
        mIdle.erase(mIdle.begin());
        mQueued.push_back(buffer);
    }
}

KyBuffer *SourceBufferExchange::Retrieve(KyResult &result)
{
    KyBuffer *buffer = nullptr;
    const auto asked = Clock::now();
    result =
        ky::base::Guarded(SoftDeviceLog(), "RetrieveBuffer", [&] { return mSource.RetrieveBuffer(&buffer); });
    auto queued = std::find(mQueued.begin(), mQueued.end(), buffer);
    if (buffer != nullptr && queued == mQueued.end()) {
        SoftLog("SourceBufferExchange::Retrieve", "%s: RetrieveBuffer gave a buffer it did not hold",
                mName.c_str());
        buffer = nullptr;
    }
    if (buffer == nullptr) {
        // A source that answers at once without a buffer must not spin the channel thread.
        if (Clock::now() - asked < std::chrono::milliseconds(1)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return nullptr;
    }
    mQueued.erase(queued);
    return buffer;
}

void SourceBufferExchange::Release(KyBuffer *buffer)
{
    if (std::find(mLent.begin(), mLent.end(), buffer) == mLent.end()) {
        mIdle.push_back(buffer);
    }
}

std::shared_ptr<const void> SourceBufferExchange::TryLend(KyBuffer &buffer)
{
    CollectReturns();
    // The source keeps at least one buffer to fill, else nothing more would be sent and the
    // cache would never let go of the lent ones.
    if (mLent.size() + 1 >= mAll.size() || std::find(mLent.begin(), mLent.end(), &buffer) != mLent.end()) {
        return nullptr;
    }
    std::shared_ptr<const void> token;
    try {
        // Both lists of returns hold room for every buffer: a return never allocates.
        token = std::shared_ptr<const void>(&buffer, [returns = mReturns](KyBuffer *lent) {
            std::lock_guard<std::mutex> lock(returns->mutex);
            returns->buffers.push_back(lent);
        });
    } catch (const std::bad_alloc &) {
        return nullptr;  // the sender copies the frame instead
    }
    mLent.push_back(&buffer);
    return token;
}

void SourceBufferExchange::CollectReturns()
{
    mCollected.clear();
    {
        std::lock_guard<std::mutex> lock(mReturns->mutex);
        mCollected.swap(mReturns->buffers);
    }
    for (KyBuffer *buffer : mCollected) {
        const auto lent = std::find(mLent.begin(), mLent.end(), buffer);
        if (lent != mLent.end()) {
            mLent.erase(lent);
            mIdle.push_back(buffer);
        }
    }
}

void SourceBufferExchange::Round(const Stamp &stamp, const std::function<void(KyBuffer &)> &send)
{
    bool go = false;
    ky::base::Guarded(SoftDeviceLog(), "PreQueueBufferProc", [&] { go = mSource.PreQueueBufferProc(); });
    if (!go) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return;
    }
    QueueIdle(stamp);
    KyResult result(KY_OK);
    KyBuffer *buffer = Retrieve(result);
    if (buffer == nullptr) {
        return;
    }
    ky::base::Guarded(SoftDeviceLog(), "PostRetrieveBufferProc", [&] { mSource.PostRetrieveBufferProc(); });
    if (result.IsOK()) {
        send(*buffer);
    }
    Release(buffer);
}

void SourceBufferExchange::Drain(std::chrono::milliseconds wait)
{
    ky::base::Guarded(SoftDeviceLog(), "AbortQueuedBuffers", [&] { mSource.AbortQueuedBuffers(); });
    const auto deadline = Clock::now() + wait;
    while (!mQueued.empty() && Clock::now() < deadline) {
        KyBuffer *buffer = nullptr;
        // Nothing to take back yet leaves buffer null, which the loop waits out below.
        ky::base::Guarded(SoftDeviceLog(), "RetrieveBuffer", [&] { (void)mSource.RetrieveBuffer(&buffer); });
        auto queued = std::find(mQueued.begin(), mQueued.end(), buffer);
        if (buffer == nullptr || queued == mQueued.end()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        mQueued.erase(queued);
        mIdle.push_back(buffer);
    }
    if (!mQueued.empty()) {
        SoftLog("SourceBufferExchange::Drain", "%s: %zu buffers not given back after the abort",
                mName.c_str(), mQueued.size());
    }
}

}  // namespace ky::soft
