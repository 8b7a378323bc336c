// SourceBufferExchange: the buffers a stream channel lends its streaming channel source. It takes
// them from AllocBuffer (a buffer given twice is refused), queues the idle ones, takes back only
// buffers it queued, drains them after an abort with a bounded wait, and hands them all back
// through FreeBuffer. The channel sends what comes back (Round hands it over); the exchange never
// sends.
//
// A buffer that was sent may be lent to the sender's resend cache (TryLend): it stays out of the
// source's hands, so its frame is not overwritten, until the cache lets go of it.
//
// Threads: none of its own. Take and GiveBack run on the control side while the channel thread
// is not running (and, for GiveBack, once nothing holds a lent buffer any more: the sender
// closed); Round, QueueIdle, Retrieve, Release, TryLend and Drain on the channel thread. A lent
// buffer comes back from any thread, under a lock of its own.
// Every call into the source is guarded: an exception is logged and counts as a failure.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ky/base/KyResult.h"
#include "ky/virtualdevice/IKyStreamingChannelSource.h"

namespace ky::soft {

class SourceBufferExchange
{
public:
    // `name` starts the exchange's log lines (e.g. "channel 0").
    SourceBufferExchange(IKyStreamingChannelSource &source, std::string name);
    SourceBufferExchange(const SourceBufferExchange &) = delete;
    SourceBufferExchange &operator=(const SourceBufferExchange &) = delete;

    // Up to `maxBuffers` buffers from AllocBuffer, all idle; any held before are forgotten (not
    // freed: GiveBack first). Taking ends at the first null or at a buffer given twice.
    void Take(size_t maxBuffers);
    // Every buffer back through FreeBuffer; the exchange holds none afterwards.
    void GiveBack();

    // Queues the idle buffers, oldest first, until the source refuses one (the rest wait for
    // the next round). Each buffer loses the chunks of its last frame and, with a `stamp`,
    // gets its timestamp before it is queued.
    using Stamp = std::function<uint64_t()>;
    void QueueIdle(const Stamp &stamp);

    // One RetrieveBuffer: the buffer the source filled, or null when it gave none or gave one
    // the exchange had not queued (logged). `result` is the source's answer; a non-OK buffer is
    // the caller's to release unsent. A source that answers at once with nothing costs a
    // millisecond here, so the channel thread never spins.
    KyBuffer *Retrieve(KyResult &result);
    // A retrieved buffer goes back to the idle ones (a lent one once it comes back).
    void Release(KyBuffer *buffer);
    // Lends a retrieved buffer: it is not queued again until the last copy of the returned
    // token is gone. Null, and nothing lent, when that would leave the source no buffer.
    std::shared_ptr<const void> TryLend(KyBuffer &buffer);
    size_t Lent() const { return mLent.size(); }

    // One round of a channel's buffer loop, on the channel thread: PreQueueBufferProc (a source
    // that says no costs 10 ms and ends the round), QueueIdle, Retrieve and, for a buffer that
    // came back, PostRetrieveBufferProc; a buffer the source filled (its answer OK) goes to
    // `send`, and every buffer that came back is released afterwards.
    void Round(const Stamp &stamp, const std::function<void(KyBuffer &)> &send);

    // After streaming stops: AbortQueuedBuffers, then the queued buffers are taken back for at
    // most `wait`; any still out are logged (and stay the source's until GiveBack).
    void Drain(std::chrono::milliseconds wait);

    size_t Count() const { return mAll.size(); }
    size_t Queued() const { return mQueued.size(); }

private:
    // Lent buffers that came back, handed over from whichever thread let go of them.
    struct Returns
    {
        std::mutex mutex;
        std::vector<KyBuffer *> buffers;
    };
    // The lent buffers that came back go to the idle ones.
    void CollectReturns();

    IKyStreamingChannelSource &mSource;
    const std::string mName;
    std::vector<KyBuffer *> mAll;
    std::vector<KyBuffer *> mIdle;
    std::vector<KyBuffer *> mQueued;
    std::vector<KyBuffer *> mLent;
    std::vector<KyBuffer *> mCollected;  // swapped with the returns' list, with the same room
    std::shared_ptr<Returns> mReturns = std::make_shared<Returns>();
};

}  // namespace ky::soft
