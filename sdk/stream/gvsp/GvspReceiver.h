// GvspReceiver: the receiving side of a GigE Vision stream channel.
//
// Owns a UDP socket (with a large receive buffer) and a receive thread that reads packets from a
// packet socket ring where the process may open one and the link suits it (GvspPacketRing,
// ChooseRing), else in recvmmsg batches (glued runs with receive offload) and places each one, by packet id, into a
// destination the caller queued (memory, capacity and a cookie of the caller's): copied once out
// of the receive ring, or, with receiveInPlace, written there by the socket itself. There is no
// assembly buffer in between. Missing packets are asked for again
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
#include <mutex>
#include <sys/types.h>
#include <thread>

#include "gvsp/GvspBlock.h"
#include "gvsp/GvspBlockAssembler.h"
#include "gvsp/GvspBlockTracker.h"
#include "gvsp/GvspPacketReader.h"
#include "gvsp/GvspPacketRing.h"
#include "gvsp/GvspReceiverConfig.h"
#include "gvsp/GvspReceiverCounters.h"
#include "ky/ThreadPriority.h"
#include "ky/base/KyResult.h"
#include "gev/TcpPacketSocket.h"
#include "gev/UdpSocket.h"

namespace ky::gev {

class GvspReceiver
{
public:
    // Called on the receive thread for each range of missing packets (lastPacketId of all ones
    // means "to the end of the block"). Must not block for long; exceptions are caught.
    using ResendCallback =
        std::function<void(uint64_t blockId, uint32_t firstPacketId, uint32_t lastPacketId)>;

    GvspReceiver();
    ~GvspReceiver();
    GvspReceiver(const GvspReceiver &) = delete;
    GvspReceiver &operator=(const GvspReceiver &) = delete;

    KyResult Open(const GvspReceiverConfig &config, ResendCallback resend);
    // Stops and joins the receive thread, aborts what is queued or in progress (it stays
    // readable through WaitForBlock), closes the socket. From the resend callback it only asks
    // the thread to stop; a later Close (or the destructor) on another thread finishes.
    void Close();
    bool IsOpen() const { return mThread.joinable(); }
    // Puts the receive thread, while it runs, under `priority`.
    void ApplyPriority(ky::base::ThreadPriority &priority);

    uint16_t LocalPort() const { return mConfig.tcp ? mTcp.LocalPort() : mSocket.LocalPort(); }
    // Of a TCP stream: the local address of its connection (host order), else 0.
    uint32_t TcpLocalIp() const { return mConfig.tcp ? mTcp.LocalIp() : 0; }
    uint32_t SocketBufferSize() const { return mSocketBufferSize; }
    pid_t ReceiveThreadId() const { return mThreadId; }
    // The stream is read through a packet socket ring (only fragmented datagrams through the socket).
    bool UsesPacketRing() const { return mRing.IsOpen(); }
    size_t RingBytes() const { return mRing.IsOpen() ? mRing.Bytes() : 0; }

    // Queues a destination for a coming block. KY_INVALID_PARAMETER for memory without bytes or
    // bytes without memory; KY_STATE_ERROR when closed.
    KyResult QueueBlock(uint8_t *data, size_t capacity, void *cookie);
    size_t QueuedCount() const;
    // Hands every queued destination and every block in progress back as aborted.
    void Abort();
    // Takes the destination with this cookie back, wherever it is (queued, being filled, or
    // ended and not yet taken by WaitForBlock), without handing it out; on return nothing writes
    // into it. False when the receiver does not have it.
    bool Withdraw(const void *cookie);
    // The next ended block, waiting up to timeoutMs; KY_TIMEOUT when none came.
    KyResult WaitForBlock(GvspCompletedBlock &out, uint32_t timeoutMs);
    // Drops what arrived and was not handed out, for resuming after a pause: the packets the
    // socket or the packet ring holds, the blocks in progress, and the blocks that ended and
    // wait for WaitForBlock (not the aborted ones). Their destinations stay queued, ahead of the
    // others, for the blocks that come next. Done by the receive thread between two reads; waits
    // for it. KY_STATE_ERROR when the receiver is closed (or closes meanwhile).
    KyResult Flush();

    // The counters so far; with a packet ring, its kernel counters read just now.
    GvspReceiverCounters Counters() const;

    // Whether a stream on interface `where` is read through a packet ring, and of how many bytes.
    //
    // The ring holds RING_SPAN_MS of the link's rate (at least MIN_RING_BYTES, at most
    // MAX_RING_BYTES): what arrives while the reader is held up that long. The kernel zeroes
    // all of it at every open, so it is no larger than that. A sender on this host (loopback)
    // runs at memory speed; LOOPBACK_RATE stands for it: bench_stream_pipeline's unpaced rows
    // (about 2.5 GB/s on a loaded machine) lost frames with rings of 8 to 32 MiB and none with
    // 64 MiB. The ring costs the receiver less than the socket on both kinds of link, per frame
    // of 2448x2048 at 9000 and 1500 bytes and of 640x480 at 60 frames/s: 0.3 to 0.6x over
    // loopback (bench_sidebyside, bench_stream_pipeline), 0.3 to 0.55x from a camera in another
    // network namespace across a veth pair (10 GigE reported: a ring of 36 MiB, no loss).
    // WhereItKeepsUp takes the socket where no such ring can be had: virtual links that report
    // no speed, and links too fast for a ring of MAX_RING_BYTES.
    static bool ChooseRing(const GvspReceiverConfig &config, const GvspPacketRing::Interface &where,
                           size_t &ringBytes);
    static constexpr uint64_t RING_SPAN_MS = 32;
    static constexpr uint64_t LOOPBACK_RATE = uint64_t(2000) << 20;  // bytes per second: 64 MiB
    static constexpr size_t MIN_RING_BYTES = size_t(4) << 20;
    static constexpr size_t MAX_RING_BYTES = size_t(256) << 20;

private:
    using Clock = GvspBlockAssembler::Clock;

    // The tracker's view of the receiver: queued destinations in, ended blocks out.
    class TrackerHost : public GvspBlockTracker::Host
    {
    public:
        explicit TrackerHost(GvspReceiver &receiver) : mReceiver(receiver) { }
        bool TakeDestination(GvspDestination &destination) override;
        void Emit(GvspCompletedBlock &&block) override;

    private:
        GvspReceiver &mReceiver;
    };

    KyResult OpenSocket(const GvspReceiverConfig &config);
    KyResult OpenTcp(const GvspReceiverConfig &config);
    uint32_t TcpReceiveBuffer(uint32_t bytes);
    void OpenRing();
    void Run();
    size_t ReceiveBatches();  // the number of messages read
    size_t ReceiveRing();     // the number of records read
    size_t ReceiveTcp();      // the number of packets read
    void Emit(GvspCompletedBlock &&block);
    void SendRequests();
    void AbortLocked();
    bool FlushAsked() const { return mFlushAsked.load() != mFlushServed; }
    void Wake();         // the thread, out of its wait
    void ServeFlush();   // on the receive thread
    void DropPending();  // with mMutex held

    GvspReceiverConfig mConfig;
    ResendCallback mResend;
    UdpSocket mSocket;
    TcpPacketSocket mTcp;         // with GvspReceiverConfig::tcp, instead of the socket
    GvspPacketRing mRing;         // opened and closed under mMutex while the thread runs
    uint32_t mSourceAddress = 0;  // network order; 0: any
    uint32_t mSocketBufferSize = 0;
    std::mutex mThreadMutex;  // starting and prioritising mThread
    std::thread mThread;
    std::atomic<bool> mStop{false};
    std::atomic<pid_t> mThreadId{0};
    int mWakeFd = -1;  // eventfd through which Close and Flush wake the thread (from the first Open on)
    GvspPacketReader mReader;
    bool mReceiveOffload = false;
    bool mTcpLossLogged = false;  // receive thread

    // State shared with the callers' threads.
    mutable std::mutex mMutex;       // the tracker and its blocks
    mutable std::mutex mQueueMutex;  // the queued destinations only; taken after mMutex
    std::deque<GvspDestination> mQueued;
    TrackerHost mHost{*this};
    GvspBlockTracker mTracker{mHost};

    std::mutex mOutMutex;
    std::condition_variable mOutReady;
    std::deque<GvspCompletedBlock> mOut;

    // Flush requests: numbered as asked; the receive thread serves them in one go.
    std::atomic<uint64_t> mFlushAsked{0};
    uint64_t mFlushServed = 0;  // written by the receive thread under mFlushMutex
    std::mutex mFlushMutex;
    std::condition_variable mFlushed;
};

}  // namespace ky::gev
