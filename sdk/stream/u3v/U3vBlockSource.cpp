#include "u3v/U3vBlockSource.h"

#include <algorithm>
#include <chrono>

#include "ky/buffer/KyBuffer.h"
#include "StreamLog.h"
#include "u3v/U3vBufferFill.h"
#include "u3v/U3vStreamSetup.h"

namespace ky::stream {

namespace {

// How long one read of the stream pipe waits: the longest a stop, an abort or a withdrawn
// buffer waits for the receive thread.
constexpr uint32_t kReadTimeoutMs = 100;
// The most transfers of an earlier stream that an open throws away.
constexpr int kMostStaleTransfers = 4096;

}  // namespace

U3vBlockSource::~U3vBlockSource() { Close(); }

KyResult U3vBlockSource::Open(std::shared_ptr<u3v::U3vControlClient> control,
                              std::shared_ptr<u3v::IUsbBulkPipe> stream, const U3vReceiverConfig &config)
{
    if (!control || !stream)
        return KyResult(KY_INVALID_PARAMETER, KyString("a USB3 Vision stream needs the device's pipes"));
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (mRunning || mThread.joinable())
            return KyResult(KY_STATE_ERROR, KyString("the stream is open already"));
    }
    if (!stream->IsConnected())
        return KyResult(KY_NOT_CONNECTED, KyString("the USB3 Vision device is not connected"));
    mConfig = config;
    mConfig.maxPendingTransfers = std::max<uint32_t>(config.maxPendingTransfers, 1);
    // What an earlier stream left in the pipe would pass for the start of a block: it goes first.
    auto flush = [&stream] {
        std::vector<uint8_t> scratch(64 * 1024);
        size_t received = 0;
        for (int k = 0; k < kMostStaleTransfers; ++k) {
            const u3v::TransferStatus status = stream->Read(scratch.data(), scratch.size(), received, 0);
            if (status != u3v::TransferStatus::Ok && status != u3v::TransferStatus::Overflow)
                break;
        }
    };
    KyResult result = EnableStreamInterface(*control, mConfig.sirmAddress, mConfig.maxPendingTransfers,
                                            mLayout, mPayloadSize, flush);
    if (result.IsFailure())
        return result;
    mControl = std::move(control);
    mStream = std::move(stream);
    const uint32_t largest =
        std::max({mLayout.transferSize, mLayout.finalTransfer1Size, mLayout.finalTransfer2Size,
                  mLayout.maximumLeaderSize, mLayout.maximumTrailerSize});
    mTransfer.assign(largest, 0);
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mRunning = true;
        mEnabledOnDevice = true;
        mStop = false;
        mLinkLost = false;
        mCounters = U3vReceiverCounters();
    }
    mThread = std::thread([this] { Run(); });
    return KyResult();
}

bool U3vBlockSource::IsOpen() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mRunning && !mLinkLost;
}

bool U3vBlockSource::LinkLost() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mLinkLost;
}

U3vReceiverCounters U3vBlockSource::Counters() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mCounters;
}

KyResult U3vBlockSource::Queue(KyBuffer *buffer)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mRunning || mLinkLost)
        return KyResult(KY_NOT_CONNECTED, KyString("the stream is not open"));
    mQueued.push_back(buffer);
    return KyResult();
}

KyResult U3vBlockSource::Next(KyBuffer *&buffer, uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(mMutex);
    auto ready = [&] { return !mOut.empty(); };
    if (timeoutMs == 0xFFFFFFFFu)
        mReady.wait(lock, ready);
    else if (!mReady.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return KyResult(KY_TIMEOUT, KyString("no block ended in time"));
    buffer = mOut.front();
    mOut.pop_front();
    return KyResult();
}

void U3vBlockSource::HandBackAllLocked(uint32_t code, const char *why)
{
    if (mCurrent != nullptr) {
        FillBufferWithoutBlock(*mCurrent, code, why);
        mOut.push_back(mCurrent);
        mCurrent = nullptr;
        mAssembler.SetDestination(nullptr, 0);
    }
    for (KyBuffer *buffer : mQueued) {
        FillBufferWithoutBlock(*buffer, code, why);
        mOut.push_back(buffer);
    }
    mQueued.clear();
    mReady.notify_all();
}

void U3vBlockSource::Abort()
{
    std::lock_guard<std::mutex> fill(mFillMutex);
    std::lock_guard<std::mutex> lock(mMutex);
    HandBackAllLocked(KY_ABORTED, "the buffer was aborted");
}

bool U3vBlockSource::Withdraw(KyBuffer *buffer)
{
    std::lock_guard<std::mutex> fill(mFillMutex);
    std::lock_guard<std::mutex> lock(mMutex);
    for (std::deque<KyBuffer *> *list : {&mQueued, &mOut}) {
        auto found = std::find(list->begin(), list->end(), buffer);
        if (found != list->end()) {
            list->erase(found);
            return true;
        }
    }
    if (buffer != nullptr && buffer == mCurrent) {
        mCurrent = nullptr;
        mAssembler.SetDestination(nullptr, 0);
        return true;
    }
    return false;
}

void U3vBlockSource::Close()
{
    // The device stops streaming first, while the receive thread still takes what it sends.
    bool disable = false;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        disable = mEnabledOnDevice && !mLinkLost;
        mEnabledOnDevice = false;
    }
    if (disable) {
        const KyResult result = DisableStreamInterface(*mControl, mConfig.sirmAddress);
        if (result.IsFailure())
            StreamLog().LogWarning(__FILE__, __LINE__, "U3vBlockSource::Close",
                                   result.GetDescription().GetAscii());
    }
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStop = true;
    }
    if (mThread.joinable() && mThread.get_id() != std::this_thread::get_id())
        mThread.join();
    std::lock_guard<std::mutex> fill(mFillMutex);
    std::lock_guard<std::mutex> lock(mMutex);
    HandBackAllLocked(KY_ABORTED, "the stream was closed");
    mRunning = false;
}

void U3vBlockSource::Run()
{
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (mStop)
                return;
        }
        if (!ReceiveOne())
            break;
    }
    std::lock_guard<std::mutex> fill(mFillMutex);
    std::lock_guard<std::mutex> lock(mMutex);
    mLinkLost = true;
    HandBackAllLocked(KY_NOT_CONNECTED, "the USB3 Vision device went away");
}

void U3vBlockSource::Attach()
{
    if (mCurrent != nullptr || !mAssembler.AtBlockStart())
        return;
    std::lock_guard<std::mutex> lock(mMutex);
    if (mQueued.empty())
        return;
    mCurrent = mQueued.front();
    mQueued.pop_front();
    mAssembler.SetDestination(static_cast<uint8_t *>(mCurrent->GetDataPointer()), mCurrent->GetSize());
}

bool U3vBlockSource::ReceiveOne()
{
    std::unique_lock<std::mutex> fill(mFillMutex);
    Attach();
    size_t room = 0;
    uint8_t *slot = mAssembler.PayloadSlot(room);
    // Large images are read where they belong when a whole transfer fits there; the transfer
    // buffer takes everything else (leaders, trailers, small images, the end of a buffer).
    const bool direct =
        slot != nullptr && mPayloadSize > mConfig.smallImageThreshold && room >= mTransfer.size();
    if (!direct)
        fill.unlock();
    size_t received = 0;
    const u3v::TransferStatus status =
        mStream->Read(direct ? slot : mTransfer.data(), mTransfer.size(), received, kReadTimeoutMs);
    if (!direct)
        fill.lock();
    switch (status) {
    case u3v::TransferStatus::Ok:
        break;
    case u3v::TransferStatus::Timeout:
        return true;
    case u3v::TransferStatus::Overflow: {
        std::lock_guard<std::mutex> lock(mMutex);
        ++mCounters.oversizedTransfers;
        return true;
    }
    case u3v::TransferStatus::Stall:
        mStream->ClearStall();
        return true;
    case u3v::TransferStatus::Disconnected:
        return false;
    }
    u3v::U3vBlock ended;
    bool endedOne = false;
    if (direct) {
        endedOne = mAssembler.FeedInPlace(received, ended);
    } else {
        Attach();  // a buffer queued while the thread waited still takes the block this transfer opens
        endedOne = mAssembler.Feed(mTransfer.data(), received, ended);
    }
    {
        std::lock_guard<std::mutex> lock(mMutex);
        ++mCounters.transfers;
        if (direct)
            ++mCounters.directTransfers;
        mCounters.strayTransfers = mAssembler.Counters().strayTransfers;
        mCounters.malformed = mAssembler.Counters().malformed;
    }
    if (endedOne)
        Ended(ended);
    return true;
}

void U3vBlockSource::Ended(const u3v::U3vBlock &block)
{
    KyBuffer *buffer = mCurrent;
    mCurrent = nullptr;
    mAssembler.SetDestination(nullptr, 0);
    Attach();  // a leader that ended the block opened the next one: its buffer from the start
    if (buffer != nullptr)
        FillBufferFromU3vBlock(block, *buffer);
    std::lock_guard<std::mutex> lock(mMutex);
    if (block.status != u3v::U3vBlockStatus::Complete)
        ++mCounters.incompleteBlocks;
    if (buffer == nullptr) {
        ++mCounters.blocksWithoutBuffer;
        return;
    }
    mOut.push_back(buffer);
    mReady.notify_all();
}

}  // namespace ky::stream
