// GvspBlockTracker: the blocks in progress on a GVSP receiver, and what happens to them.
//
// Takes every packet read: starts a block for a new block id (with the next destination its
// host has queued), hands the packet to the block's assembler, asks for missing packets (at
// once for a gap, in timed rounds after), and ends blocks: complete, timed out, pushed out by
// newer blocks, or aborted. Not thread-safe: its host (the receiver) guards it with a lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "gvsp/GvspBlock.h"
#include "gvsp/GvspBlockAssembler.h"
#include "gvsp/GvspReceiverConfig.h"
#include "gvsp/GvspReceiverCounters.h"
#include "StreamLog.h"
#include "gev/Gvsp.h"

namespace ky::gev {

class GvspBlockTracker
{
public:
    using Clock = GvspBlockAssembler::Clock;

    // What the tracker needs from the receiver that owns it.
    class Host
    {
    public:
        virtual ~Host() = default;
        // The next queued destination, if any.
        virtual bool TakeDestination(GvspDestination &destination) = 0;
        // A block has ended (its destination goes back to the caller).
        virtual void Emit(GvspCompletedBlock &&block) = 0;
    };

    struct Request
    {
        uint64_t blockId;
        GvspMissingRange range;
    };
    static constexpr size_t MAX_REQUESTS = 256;

    explicit GvspBlockTracker(Host &host) : mHost(host) { }

    // Ends whatever is in progress (aborted) and starts afresh with these settings.
    void Reset(const GvspReceiverConfig &config);
    void Process(const uint8_t *packet, size_t length, Clock::time_point now, bool payloadInPlace);
    void CheckTimers(Clock::time_point now);
    Clock::time_point LastTimerCheck() const { return mLastTimerCheck; }
    // No block is in progress: nothing waits for a packet or a timer.
    bool Idle() const { return mActive.empty(); }
    void AbortAll();
    // Ends the block in progress whose destination carries this cookie (aborted, handed to
    // the host); false when no block in progress has it.
    bool AbortDestination(const void *cookie);
    // Drops every block in progress without handing it out: their late packets are ignored, and
    // the destinations they filled are added to `freed` (oldest block first), to take new blocks.
    void DropAll(std::vector<GvspDestination> &freed);

    // The newest block that fills a destination: where in-order packets go next.
    const GvspBlockAssembler *NewestWithDestination() const;
    // Header size of the last packet taken (standard or extended ids); 0 before the first.
    size_t HeaderSize() const { return mHeaderSize; }
    // The resend requests collected since the last call.
    size_t TakeRequests(Request *out, size_t max);
    // The receiver's own counters, to count what never reaches a block. The packet counters of
    // the blocks join them when a block ends (so that no packet pays for keeping them current).
    GvspReceiverCounters &Counters() { return mCounters; }
    // Every counter as of now, the blocks in progress included.
    GvspReceiverCounters Snapshot() const;

private:
    struct Active
    {
        GvspBlockAssembler block;
        uint32_t rounds = 0;
        Clock::time_point lastRequest;
        uint64_t order = 0;  // when it started, among all blocks
    };
    // An ended block that waits for the blocks started before it: blocks are handed out in the
    // order they started, so a block waiting for its resends is not overtaken.
    struct Held
    {
        uint64_t order;
        GvspCompletedBlock block;
    };

    bool Newer(uint64_t blockId, bool extendedId) const;
    // A block of this id starts: counts the ids passed over since the last one started, or takes
    // back one counted so far that arrives late. False when the id starts no newer run of blocks
    // (a late block), so that the run goes on from the last one.
    bool CountSkipped(uint64_t blockId, bool extendedId);
    Active *FindOrStart(const GvspHeader &header, Clock::time_point now);
    void AskForMissing(Active &active, Clock::time_point now);
    void Ask(uint64_t blockId, GvspMissingRange range);
    void End(size_t index, GvspBlockStatus reason);
    // Hands out the held blocks that no block with a destination started before.
    void ReleaseHeld();
    void Refuse(const uint8_t *packet, size_t length);
    void Dump(const uint8_t *packet, size_t length, size_t shownBytes);

    Host &mHost;
    KyLogger &mLog{ky::stream::StreamLog()};
    // Whether each packet goes to the log (at Debug): the level is read at Reset and on every
    // timer round, not for each packet, so that a stream pays nothing for a log that is off.
    bool mDumpPackets = false;
    GvspReceiverConfig mConfig;
    std::vector<std::unique_ptr<Active>> mActive;
    std::vector<std::unique_ptr<Active>> mSpare;  // ended blocks, reused
    std::vector<Held> mHeld;                      // in the order the blocks started
    uint64_t mNextOrder = 0;
    uint64_t mRecent[16] = {};  // ids of the blocks ended last
    size_t mRecentNext = 0;
    bool mStarted = false;
    uint64_t mLastStarted = 0;
    uint64_t mSkippedFirst = 0;  // the ids passed over last: mSkippedCount of them from here
    uint64_t mSkippedCount = 0;
    size_t mHeaderSize = 0;
    GvspReceiverCounters mCounters;
    Clock::time_point mLastTimerCheck;
    Request mRequests[MAX_REQUESTS];
    size_t mRequestCount = 0;
};

}  // namespace ky::gev
