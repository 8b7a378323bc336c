// GvspReceiver: the receiving side of a GigE Vision stream channel.
//
// Owns a UDP socket (with a large receive buffer) and a receive thread that reads packets in
// recvmmsg batches and places each one, by packet id, straight into a destination the caller
// queued (memory, capacity and a cookie of the caller's). Missing packets are asked for again
// through the resend callback (the owner sends PACKETRESEND on its control channel), in rounds,
// until the block completes, the sender says it cannot, or the block times out. Every queued
// destination comes back once through WaitForBlock with the block's status and statistics,
// in the order the blocks end; Abort and Close hand the unused and unfinished ones back as
// aborted.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <thread>
#include <vector>

#include "GvspBlock.h"
#include "GvspBlockAssembler.h"
#include "GvspReceiverCounters.h"
#include "KyResult.h"
#include "gev/UdpSocket.h"

namespace ky::gev {

struct GvspReceiverConfig
{
    std::string localAddress;            // empty: any
    uint16_t localPort = 0;              // 0: any (read it back with LocalPort)
    std::string sourceAddress;           // empty: packets from any sender are taken
    uint32_t socketBufferSize = 64u << 20;
    uint32_t packetSize = 0;             // stream channel packet size (SCPS); 0: learnt per block
    size_t maxBlocksInProgress = 16;     // the oldest block is ended when a further one starts
    uint32_t blockTimeoutMs = 1000;      // a block without a packet this long ends with Timeout
    bool resendEnabled = true;
    uint32_t resendTimeoutMs = 20;       // quiet time before a block's next resend round
    uint32_t maxResendRounds = 3;
    uint32_t maxResendRangesPerRound = 32;
    bool receiveInPlace = true;          // let the socket write in-order payload into the destination
};

class GvspReceiver
{
public:
    // Called on the receive thread for each range of missing packets (lastPacketId of all ones
    // means "to the end of the block"). Must not block for long; exceptions are caught.
    using ResendCallback = std::function<void(uint64_t blockId, uint32_t firstPacketId, uint32_t lastPacketId)>;

    GvspReceiver();
    ~GvspReceiver();
    GvspReceiver(const GvspReceiver &) = delete;
    GvspReceiver &operator=(const GvspReceiver &) = delete;

    KyResult Open(const GvspReceiverConfig &config, ResendCallback resend);
    // Stops and joins the receive thread, aborts what is queued or in progress (it stays
    // readable through WaitForBlock), closes the socket.
    void Close();
    bool IsOpen() const { return mThread.joinable(); }

    uint16_t LocalPort() const { return mSocket.LocalPort(); }
    uint32_t SocketBufferSize() const { return mSocketBufferSize; }
    pid_t ReceiveThreadId() const { return mThreadId; }

    // Queues a destination for a coming block. KY_INVALID_PARAMETER for memory without bytes or
    // bytes without memory; KY_STATE_ERROR when closed.
    KyResult QueueBlock(uint8_t *data, size_t capacity, void *cookie);
    size_t QueuedCount() const;
    // Hands every queued destination and every block in progress back as aborted.
    void Abort();
    // The next ended block, waiting up to timeoutMs; KY_TIMEOUT when none came.
    KyResult WaitForBlock(GvspCompletedBlock &out, uint32_t timeoutMs);

    GvspReceiverCounters Counters() const;

private:
    struct Active
    {
        GvspBlockAssembler block;
        uint32_t rounds = 0;
        GvspBlockAssembler::Clock::time_point lastRequest;
    };
    struct PendingRequest
    {
        uint64_t blockId;
        GvspMissingRange range;
    };
    using Clock = GvspBlockAssembler::Clock;

    void Run();
    void ReceiveBatches();
    void Process(const uint8_t *packet, size_t length, Clock::time_point now, bool payloadInPlace);
    Active *FindOrStart(const GvspHeader &header, Clock::time_point now);
    void CheckTimers(Clock::time_point now);
    void AskForMissing(Active &active, Clock::time_point now);
    void Ask(uint64_t blockId, GvspMissingRange range);
    void End(size_t index, GvspBlockStatus reason);
    void Emit(GvspCompletedBlock &&block);
    void SendRequests();
    void AbortLocked();
    bool Newer(uint64_t blockId, bool extendedId) const;

    GvspReceiverConfig mConfig;
    ResendCallback mResend;
    UdpSocket mSocket;
    uint32_t mSourceAddress = 0;  // network order; 0: any
    uint32_t mSocketBufferSize = 0;
    std::thread mThread;
    std::atomic<bool> mStop{false};
    std::atomic<pid_t> mThreadId{0};

    // Receive memory, allocated once at Open.
    size_t mBatch = 64;
    size_t mSlotSize = 0;
    std::vector<uint8_t> mSlots;
    std::vector<mmsghdr> mMessages;
    std::vector<iovec> mVectors;
    std::vector<sockaddr_in> mSources;
    struct Prediction
    {
        bool active = false;   // the packet's payload was aimed at a place in a destination
        bool inPlace = false;  // and it was the packet expected there
        uint64_t blockId = 0;
        uint32_t packetId = 0;
        uint8_t *place = nullptr;
        size_t placeLength = 0;
    };
    std::vector<Prediction> mPredictions;
    size_t mHeaderSize = 0;  // of the last packet: standard or extended ids

    // State shared with the callers' threads.
    mutable std::mutex mMutex;
    std::deque<GvspDestination> mQueued;
    std::vector<std::unique_ptr<Active>> mActive;
    std::vector<std::unique_ptr<Active>> mSpare;
    uint64_t mRecent[16] = {};    // ids of the blocks ended last
    size_t mRecentNext = 0;
    bool mStarted = false;
    uint64_t mLastStarted = 0;
    GvspReceiverCounters mCounters;
    Clock::time_point mLastTimerCheck;
    std::vector<PendingRequest> mRequests;  // collected under the lock, sent after it
    size_t mRequestCount = 0;

    std::mutex mOutMutex;
    std::condition_variable mOutReady;
    std::deque<GvspCompletedBlock> mOut;
};

} // namespace ky::gev
