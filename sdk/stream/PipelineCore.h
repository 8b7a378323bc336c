// PipelineCore: the pool, queues and thread behind KyPipeline.
//
// Every buffer of the pool is in exactly one place: free (owned, idle), in the stream, in the
// output queue, or lent to the application. The thread retrieves from the stream and sorts what
// comes back; free buffers are queued on the stream by the thread and, to keep the stream fed
// without delay, by ReleaseBuffer's caller.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

#include "ky/ThreadPriority.h"
#include "ky/base/KyResult.h"
#include "ky/OwnedThread.h"
#include "SinkList.h"

class KyBuffer;
class KyPipeline;
class KyPipelineEventSink;
class KyStream;

namespace ky::stream {

class PipelineCore
{
public:
    PipelineCore(KyPipeline &owner, KyStream *stream);
    ~PipelineCore();

    // The pipeline is being deleted. From one of its own thread's sinks the core stops at once
    // (the stream's buffers taken back, no sink called any more) and is let go of: it lives on
    // until that sink has returned, then its thread deletes it and the reaper joins the thread.
    // Elsewhere the owner's pointer deletes it as usual (sinks told of the buffers' deletion may
    // still call the pipeline meanwhile).
    static void OwnerGoing(std::unique_ptr<PipelineCore> &core);

    uint32_t BufferSize() const;
    void SetBufferSize(uint32_t size);
    uint32_t BufferCount() const;
    KyResult SetBufferCount(uint32_t count);
    bool HandleTooSmall() const;
    void SetHandleTooSmall(bool value);
    uint32_t OutputSize() const;
    bool IsStarted() const;

    KyResult Start();
    KyResult Stop();
    KyResult Reset();
    KyResult Retrieve(KyBuffer **buffer, uint32_t timeoutMs, KyResult *operationResult);
    KyResult Release(KyBuffer *buffer);

    KyResult RegisterSink(KyPipelineEventSink *sink);
    KyResult UnregisterSink(KyPipelineEventSink *sink);
    uint32_t Priority() const;
    // The buffer handling thread's priority (ky/ThreadPriority.h), at once and for later starts.
    KyResult SetPriority(uint32_t priority);

private:
    using Lock = std::unique_lock<std::mutex>;
    template <typename F>
    void Notify(const char *what, F &&call);

    void Run();
    // Whether the pipeline was deleted from its own thread's sink: nothing of the owner is
    // touched any more.
    bool Orphaned() const { return mOrphaned.load(std::memory_order_acquire); }
    // Queues free buffers on the stream; the first allocation failure is returned.
    KyResult Feed();
    void Sort(KyBuffer *buffer, const KyResult &operationResult);
    void TooSmall(KyBuffer *buffer);
    // Stops the thread, aborts the stream and takes back every buffer in it; output buffers
    // become free.
    void Halt();
    // Aborts the stream until every buffer of the pool has left it; with keepEnded, blocks that
    // ended (other than aborted or too small) go to the output instead of back to the pool.
    void Drain(bool keepEnded);
    KyResult Launch();
    // Puts a buffer back in the pool: deleted when the pool is larger than the count.
    void Recycle(Lock &lock, KyBuffer *buffer);
    void Grow(Lock &lock);

    KyPipeline &mOwner;
    KyStream *mStream;

    mutable std::mutex mMutex;
    std::condition_variable mOutputReady;
    std::vector<std::unique_ptr<KyBuffer>> mPool;
    std::deque<KyBuffer *> mFree;
    std::deque<KyBuffer *> mOutput;
    std::unordered_set<KyBuffer *> mLent;
    std::unordered_set<KyBuffer *> mInStream;
    uint32_t mCount = 16;
    uint32_t mBufferSize = 0;
    bool mHandleTooSmall = true;
    bool mStarted = false;
    bool mRunning = false;  // the thread may retrieve and feed
    SinkList<KyPipelineEventSink> mSinks;
    std::mutex mControlMutex;  // one Start, Stop or Reset at a time
    std::atomic<bool> mOrphaned{false};
    ky::base::OwnedThread mThread;
    std::mutex mThreadMutex;  // mThread's handle while it may be prioritised; never held to join
    pthread_t mThreadHandle{};
    bool mThreadHandleValid = false;
    ky::base::ThreadPriority mPriority;
};

}  // namespace ky::stream
