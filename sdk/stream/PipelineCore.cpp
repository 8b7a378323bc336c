#include "PipelineCore.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "ky/buffer/KyBuffer.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyPipelineEventSink.h"
#include "ky/stream/KyStream.h"
#include "StreamCore.h"
#include "StreamLog.h"
#include "ky/Guarded.h"

namespace ky::stream {
namespace {

constexpr uint32_t kPollMs = 50;                 // the thread's longest wait for the stream
constexpr uint32_t kFirstBufferSize = 1u << 20;  // before any block told its size
constexpr uint32_t kDrainWaitMs = 200;
constexpr int kDrainAttempts = 50;
constexpr size_t kStreamReserve = 2;  // fewer buffers in the stream than this: drop output

// The pipeline whose thread this is, or which is telling its sinks OnStart on this thread: Start,
// Stop and Reset of that pipeline would wait for this very thread (a join, or the control lock it
// holds), so they are refused there.
thread_local const PipelineCore *tInsidePipeline = nullptr;

struct InsidePipeline
{
    explicit InsidePipeline(const PipelineCore *pipeline) : previous(tInsidePipeline)
    {
        tInsidePipeline = pipeline;
    }
    ~InsidePipeline() { tInsidePipeline = previous; }
    const PipelineCore *previous;
};

KyResult RefusedInside(const char *call)
{
    return KyResult(KY_STATE_ERROR,
                    KyString(std::string(call) + " cannot wait for the pipeline's own thread: called from "
                                                 "one of its sinks; call it from another thread"));
}

}  // namespace

PipelineCore::PipelineCore(KyPipeline &owner, KyStream *stream) : mOwner(owner), mStream(stream) { }

void PipelineCore::OwnerGoing(std::unique_ptr<PipelineCore> &core)
{
    if (core && core->mThread.IsCurrent()) {
        // Deleted by a sink on the pipeline's own thread: the thread cannot join itself, and the
        // sink's caller still runs in the core. Stopped here, deleted by Run once the sink returned.
        core->mOrphaned.store(true, std::memory_order_release);
        {
            std::lock_guard<std::mutex> lock(core->mMutex);
            core->mStarted = false;
        }
        core->mOutputReady.notify_all();
        core->Halt();
        {
            // The application may close the stream as soon as the deletion returned.
            std::lock_guard<std::mutex> lock(core->mMutex);
            core->mStream = nullptr;
        }
        core.release();
    }
}

PipelineCore::~PipelineCore()
{
    {
        std::lock_guard<std::mutex> control(mControlMutex);
        Halt();
        std::lock_guard<std::mutex> lock(mMutex);
        mStarted = false;
    }
    mOutputReady.notify_all();
    std::vector<std::unique_ptr<KyBuffer>> pool;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        // A buffer the stream never gave back is left alone rather than freed under it.
        for (auto &buffer : mPool) {
            if (mInStream.count(buffer.get()) != 0)
                buffer.release();
        }
        pool.swap(mPool);
    }
    for (auto &buffer : pool) {
        if (buffer && !Orphaned())
            Notify("OnBufferDeleted",
                   [&](KyPipelineEventSink &s) { s.OnBufferDeleted(&mOwner, buffer.get()); });
    }
}

template <typename F>
void PipelineCore::Notify(const char *what, F &&call)
{
    std::vector<KyPipelineEventSink *> sinks;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        sinks = mSinks.All();
    }
    for (KyPipelineEventSink *sink : sinks) {
        if (Orphaned())
            return;  // a sink deleted the pipeline: its owner is gone
        ky::base::Guarded(ky::stream::StreamLog(), what, [&] { call(*sink); });
    }
}

uint32_t PipelineCore::BufferSize() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mBufferSize;
}

void PipelineCore::SetBufferSize(uint32_t size)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mBufferSize = size;
}

uint32_t PipelineCore::BufferCount() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mCount;
}

KyResult PipelineCore::SetBufferCount(uint32_t count)
{
    if (count == 0)
        return KyResult(KY_INVALID_PARAMETER, KyString("a pipeline needs one buffer at least"));
    if (mStream != nullptr && count > mStream->GetQueuedBufferMaximum())
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("the stream cannot hold " + std::to_string(count) +
                                 " buffers (its maximum is " +
                                 std::to_string(mStream->GetQueuedBufferMaximum()) + ")"));
    {
        Lock lock(mMutex);
        mCount = count;
        while (mPool.size() > mCount && !mFree.empty()) {
            KyBuffer *buffer = mFree.back();
            mFree.pop_back();
            Recycle(lock, buffer);
        }
        if (!mStarted)
            return KyResult();
        Grow(lock);
    }
    return Feed();
}

void PipelineCore::Grow(Lock &lock)
{
    while (mPool.size() < mCount) {
        std::unique_ptr<KyBuffer> buffer(new (std::nothrow) KyBuffer(KyPayloadTypeImage));
        if (!buffer)
            return;
        KyBuffer *raw = buffer.get();
        mPool.push_back(std::move(buffer));
        lock.unlock();
        Notify("OnBufferCreated", [&](KyPipelineEventSink &s) { s.OnBufferCreated(&mOwner, raw); });
        lock.lock();
        mFree.push_back(raw);
    }
}

void PipelineCore::Recycle(Lock &lock, KyBuffer *buffer)
{
    if (mPool.size() <= mCount) {
        mFree.push_back(buffer);
        return;
    }
    auto it = std::find_if(mPool.begin(), mPool.end(), [&](const auto &p) { return p.get() == buffer; });
    if (it == mPool.end())
        return;
    std::unique_ptr<KyBuffer> gone = std::move(*it);
    mPool.erase(it);
    lock.unlock();
    Notify("OnBufferDeleted", [&](KyPipelineEventSink &s) { s.OnBufferDeleted(&mOwner, gone.get()); });
    gone.reset();
    lock.lock();
}

bool PipelineCore::HandleTooSmall() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mHandleTooSmall;
}

void PipelineCore::SetHandleTooSmall(bool value)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mHandleTooSmall = value;
}

uint32_t PipelineCore::OutputSize() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return static_cast<uint32_t>(mOutput.size());
}

bool PipelineCore::IsStarted() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mStarted;
}

KyResult PipelineCore::Start()
{
    if (tInsidePipeline == this)
        return RefusedInside("Start");
    std::lock_guard<std::mutex> control(mControlMutex);
    if (mStream == nullptr || !mStream->IsOpen())
        return KyResult(KY_NOT_CONNECTED, KyString("the pipeline's stream is not open"));
    {
        Lock lock(mMutex);
        if (mStarted)
            return KyResult(KY_STATE_ERROR, KyString("the pipeline is started already"));
        Grow(lock);
    }
    {
        InsidePipeline inside(this);
        Notify("OnStart", [&](KyPipelineEventSink &s) { s.OnStart(&mOwner); });
    }
    KyResult result = Launch();
    if (result.IsFailure())
        return result;
    std::lock_guard<std::mutex> lock(mMutex);
    mStarted = true;
    return KyResult();
}

KyResult PipelineCore::Launch()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mRunning = true;
    }
    // A pipeline that cannot queue its buffers would start and then never deliver a block.
    KyResult fed = Feed();
    if (fed.IsFailure()) {
        Halt();
        return KyResult(fed.GetCode(),
                        KyString("the pipeline cannot queue its buffers: " + fed.GetDescription().str()));
    }
    try {
        std::lock_guard<std::mutex> lock(mThreadMutex);
        mThread.Start(this, [this](const ky::base::ThreadLife &) { Run(); });
        mThreadHandle = mThread.NativeHandle();
        mThreadHandleValid = true;
        mPriority.ApplyTo(mThreadHandle);
    } catch (const std::exception &error) {
        Halt();
        return KyResult(KY_THREAD_ERROR,
                        KyString(std::string("cannot start the pipeline thread: ") + error.what()));
    }
    return KyResult();
}

KyResult PipelineCore::Stop()
{
    if (tInsidePipeline == this)
        return RefusedInside("Stop");
    {
        std::lock_guard<std::mutex> control(mControlMutex);
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (!mStarted)
                return KyResult(KY_STATE_ERROR, KyString("the pipeline is not started"));
        }
        Halt();
        std::lock_guard<std::mutex> lock(mMutex);
        mStarted = false;
    }
    mOutputReady.notify_all();
    Notify("OnStop", [&](KyPipelineEventSink &s) { s.OnStop(&mOwner); });
    return KyResult();
}

KyResult PipelineCore::Reset()
{
    if (tInsidePipeline == this)
        return RefusedInside("Reset");
    {
        std::lock_guard<std::mutex> control(mControlMutex);
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (!mStarted)
                return KyResult(KY_STATE_ERROR, KyString("the pipeline is not started"));
        }
        Halt();
        KyResult result = Launch();
        if (result.IsFailure()) {
            std::lock_guard<std::mutex> lock(mMutex);
            mStarted = false;
            mOutputReady.notify_all();
            return result;
        }
    }
    Notify("OnReset", [&](KyPipelineEventSink &s) { s.OnReset(&mOwner); });
    return KyResult();
}

void PipelineCore::Halt()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mRunning = false;
    }
    {
        std::lock_guard<std::mutex> lock(mThreadMutex);
        mThreadHandleValid = false;  // no priority is put on a thread being joined
    }
    mThread.Release();  // joins it; on the thread itself (OwnerGoing) hands it to the reaper
    Drain(false);
    Lock lock(mMutex);
    while (!mOutput.empty()) {
        KyBuffer *buffer = mOutput.front();
        mOutput.pop_front();
        Recycle(lock, buffer);
    }
}

void PipelineCore::Drain(bool keepEnded)
{
    if (mStream == nullptr)
        return;
    // Abort again on each wait: a buffer a releasing thread queued meanwhile must come back too.
    for (int attempt = 0; attempt < kDrainAttempts; ++attempt) {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (mInStream.empty())
                break;
        }
        (void)mStream->AbortQueuedBuffers();  // fails only on a closed stream, which holds no buffer
        KyBuffer *buffer = nullptr;
        KyResult operation;
        KyResult result = mStream->RetrieveBuffer(&buffer, &operation, kDrainWaitMs);
        if (result.IsOK()) {
            Lock lock(mMutex);
            mInStream.erase(buffer);
            const uint32_t code = operation.GetCode();
            if (keepEnded && code != KY_ABORTED && code != KY_BUFFER_TOO_SMALL) {
                mOutput.push_back(buffer);
                lock.unlock();
                mOutputReady.notify_one();
            } else {
                Recycle(lock, buffer);
            }
        } else if (result.GetCode() == KY_NO_MORE_ITEM) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

KyResult PipelineCore::Feed()
{
    KyResult first;
    while (true) {
        KyBuffer *buffer = nullptr;
        uint32_t size = 0;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (!mRunning || mFree.empty())
                return first;
            buffer = mFree.front();
            mFree.pop_front();
            mInStream.insert(buffer);
            size = mBufferSize != 0 ? mBufferSize : std::max(buffer->GetSize(), kFirstBufferSize);
        }
        KyResult result;
        const uint64_t have = buffer->GetSize();
        if (have < size || have > 4ull * size)
            result = buffer->Alloc(size);
        if (result.IsOK())
            result = mStream->QueueBuffer(buffer);
        if (result.IsFailure()) {
            Lock lock(mMutex);
            mInStream.erase(buffer);
            mFree.push_front(buffer);
            if (first.IsOK())
                first = result;
            return first;
        }
    }
}

void PipelineCore::Run()
{
    InsidePipeline inside(this);
    bool feedFailing = false;  // logged once when the failure starts, not on every round
    while (true) {
        if (Orphaned()) {
            // Stopped by OwnerGoing from a sink of this thread, which has returned now.
            delete this;
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (!mRunning)
                return;
        }
        const KyResult fed = Feed();
        if (fed.IsFailure() && !feedFailing)
            StreamLog().LogError(
                __FILE__, __LINE__, "KyPipeline",
                ("cannot queue a buffer on the stream: " + fed.GetDescription().str()).c_str());
        feedFailing = fed.IsFailure();
        KyBuffer *buffer = nullptr;
        KyResult operation;
        KyResult result = mStream->RetrieveBuffer(&buffer, &operation, kPollMs);
        if (result.IsOK()) {
            Sort(buffer, operation);
        } else if (result.GetCode() != KY_TIMEOUT) {
            // Nothing queued (no memory, or the stream closed): try again shortly.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

void PipelineCore::Sort(KyBuffer *buffer, const KyResult &operationResult)
{
    Lock lock(mMutex);
    mInStream.erase(buffer);
    const uint32_t code = operationResult.GetCode();
    if (code == KY_ABORTED) {
        Recycle(lock, buffer);
        return;
    }
    if (code == KY_BUFFER_TOO_SMALL && mHandleTooSmall) {
        lock.unlock();
        TooSmall(buffer);
        return;
    }
    mOutput.push_back(buffer);
    // Keep the stream fed: when it runs short, the oldest block nobody took is let go.
    if (mFree.empty() && mInStream.size() < kStreamReserve && mOutput.size() > 1) {
        KyBuffer *oldest = mOutput.front();
        mOutput.pop_front();
        mStream->mCore->Statistics().CountPipelineDrop();
        Recycle(lock, oldest);
    }
    lock.unlock();
    mOutputReady.notify_one();
    Notify("OnBufferReady", [&](KyPipelineEventSink &s) { s.OnBufferReady(&mOwner); });
}

void PipelineCore::TooSmall(KyBuffer *buffer)
{
    const uint32_t required = buffer->GetRequiredSize();
    bool reallocAll = false;
    bool resetStats = false;
    bool anySink = false;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        anySink = !mSinks.All().empty();
    }
    Notify("OnBufferTooSmall",
           [&](KyPipelineEventSink &s) { s.OnBufferTooSmall(&mOwner, &reallocAll, &resetStats); });
    if (Orphaned()) {
        // Deleted by the sink: the stream is no longer this pipeline's to touch.
        Lock lock(mMutex);
        Recycle(lock, buffer);
        return;
    }
    // Without a sink to ask, every buffer grows: the blocks will not get smaller by themselves.
    reallocAll = reallocAll || !anySink;
    {
        Lock lock(mMutex);
        mBufferSize = std::max(mBufferSize, required);
        Recycle(lock, buffer);
    }
    if (!reallocAll)
        return;  // the others grow as they are next queued
    // Every buffer in the stream is as small: take them back now (blocks that ended whole
    // meanwhile still go out). The thread's next Feed queues them again, grown to the new size
    // as each leaves the free list: a buffer that cannot grow stays free, and Run logs that.
    // Lent buffers grow on release.
    Drain(true);
    if (resetStats) {
        const KyResult reset = mStream->GetParameters()->ExecuteCommand(KyString("Reset"));
        if (reset.IsFailure())
            StreamLog().LogError(
                __FILE__, __LINE__, "KyPipeline",
                ("cannot reset the stream's statistics: " + reset.GetDescription().str()).c_str());
    }
}

KyResult PipelineCore::Retrieve(KyBuffer **buffer, uint32_t timeoutMs, KyResult *operationResult)
{
    if (buffer == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("RetrieveNextBuffer needs a buffer to write"));
    *buffer = nullptr;
    Lock lock(mMutex);
    auto ready = [this] { return !mOutput.empty() || !mStarted; };
    if (timeoutMs == 0xFFFFFFFFu)
        mOutputReady.wait(lock, ready);
    else if (!mOutputReady.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return KyResult(KY_TIMEOUT, KyString("no buffer came within " + std::to_string(timeoutMs) + " ms"));
    if (mOutput.empty())
        return KyResult(KY_STATE_ERROR, KyString("the pipeline is not started"));
    KyBuffer *out = mOutput.front();
    mOutput.pop_front();
    mLent.insert(out);
    *buffer = out;
    if (operationResult != nullptr)
        *operationResult = out->GetOperationResult();
    return KyResult();
}

KyResult PipelineCore::Release(KyBuffer *buffer)
{
    {
        Lock lock(mMutex);
        if (buffer == nullptr || mLent.erase(buffer) == 0)
            return KyResult(KY_INVALID_PARAMETER, KyString("the buffer was not lent by this pipeline"));
        Recycle(lock, buffer);
    }
    return Feed();
}

KyResult PipelineCore::RegisterSink(KyPipelineEventSink *sink)
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSinks.Add(sink);
}

KyResult PipelineCore::UnregisterSink(KyPipelineEventSink *sink)
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSinks.Remove(sink);
}

uint32_t PipelineCore::Priority() const { return mPriority.InEffect(); }

KyResult PipelineCore::SetPriority(uint32_t priority)
{
    std::lock_guard<std::mutex> lock(mThreadMutex);
    KyResult result = mPriority.Set(priority);
    if (result.IsOK() && mThreadHandleValid)
        mPriority.ApplyTo(mThreadHandle);
    return result;
}

}  // namespace ky::stream
