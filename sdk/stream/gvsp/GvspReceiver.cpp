#include "gvsp/GvspReceiver.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <future>
#include <memory>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "StreamLog.h"
#include "ky/Guarded.h"
#include "ky/device/KyGevConstants.h"

namespace ky::gev {
namespace {

// How long the thread sleeps in poll at most, for the timers of the blocks in progress. A packet
// ring wakes it for every filled block anyway, so the timers need no extra wake-ups then.
constexpr int POLL_INTERVAL_MS = 2;
constexpr int RING_POLL_INTERVAL_MS = 5;
// With no block in progress no timer is due: the thread sleeps until packets come (or Close or
// Flush wakes it through an eventfd), which saves the idle wake-ups between the frames of a slow
// camera. The bound only caps a wait whose wake-up went missing.
constexpr int IDLE_POLL_MS = 200;
constexpr size_t BATCH_SIZE = 64;
// Once the socket is drained while a stream runs, the thread lets packets gather this long
// before it looks again: a wake-up then takes batches of packets instead of a few, which saves
// most of the scheduling cost at high packet rates. The socket buffer holds far more than
// arrives meanwhile, and a block is late by at most this much. A packet ring needs no such
// pause: it wakes its reader only once a block of the ring is full or has waited its time.
constexpr auto GATHER_TIME = std::chrono::microseconds(200);
constexpr int TCP_CONNECT_TIMEOUT_MS = 3000;
constexpr int TCP_READ_ROUNDS = 64;  // reads of one wake-up at most, so that timers and flushes get a turn

std::chrono::milliseconds Ms(uint32_t value) { return std::chrono::milliseconds(value); }

}  // namespace

GvspReceiver::GvspReceiver() = default;

GvspReceiver::~GvspReceiver()
{
    Close();
    if (mWakeFd >= 0)
        ::close(mWakeFd);
}

KyResult GvspReceiver::Open(const GvspReceiverConfig &config, ResendCallback resend)
{
    Close();
    sockaddr_in source;
    KyResult result = UdpSocket::MakeAddress(config.sourceAddress, 0, source);
    if (result.IsFailure())
        return result;
    if (config.maxBlocksInProgress == 0)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("a GVSP receiver needs at least one block in progress"));
    result = config.tcp ? OpenTcp(config) : OpenSocket(config);
    if (result.IsFailure())
        return result;
    mSocketBufferSize = config.tcp ? TcpReceiveBuffer(config.socketBufferSize)
                                   : mSocket.SetReceiveBufferSize(config.socketBufferSize);
    mConfig = config;
    mTcpLossLogged = false;
    // Over TCP packets come whole and in order, or the connection is lost: nothing to ask for.
    mConfig.resendEnabled = config.resendEnabled && resend != nullptr && !config.tcp;
    mResend = std::move(resend);
    mSourceAddress = source.sin_addr.s_addr;

    // With receive offload the kernel hands over runs of equal datagrams glued together (up to
    // 64 KiB, the datagram size in a control message); the payload is then copied out.
    // A multicast datagram may be handed to several sockets: each takes it whole.
    mReceiveOffload = config.receiveOffload && config.multicastGroup.empty() && !config.tcp &&
                      mSocket.EnableReceiveOffload();
    // One datagram (or one glued run) per slot; unknown packet sizes get the largest datagram.
    size_t slotSize =
        config.packetSize > GVSP_IP_UDP_OVERHEAD_SIZE && !mReceiveOffload
            ? std::min<size_t>(config.packetSize - GVSP_IP_UDP_OVERHEAD_SIZE, GVSP_MAX_DATAGRAM_SIZE)
            : 65536;
    slotSize = (slotSize + 64) & ~size_t(63);  // room to see an oversized datagram as truncated
    mReader.Setup(BATCH_SIZE, slotSize, mReceiveOffload);
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mRing.ResetStatistics();
        if (config.packetRing != PacketRingUse::Never && config.multicastGroup.empty() && !config.tcp)
            OpenRing();
        mTracker.Reset(mConfig);
    }
    mStop = false;
    // Kept until the receiver goes, so that a Flush or Close on another thread never writes to a
    // descriptor closed meanwhile. Without it the thread polls at its short interval.
    if (mWakeFd < 0)
        mWakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    try {
        // Shared with the thread, which may still be inside set_value when Open returns.
        auto started = std::make_shared<std::promise<pid_t>>();
        std::future<pid_t> threadId = started->get_future();
        std::lock_guard<std::mutex> lock(mThreadMutex);
        mThread = std::thread([this, started] {
            started->set_value(static_cast<pid_t>(syscall(SYS_gettid)));
            Run();
        });
        mThreadId = threadId.get();  // the thread's id is known once Open returns
    } catch (const std::exception &e) {
        mSocket.Close();
        mTcp.Close();
        return KyResult(KY_THREAD_ERROR,
                        KyString(std::string("cannot start the GVSP receive thread: ") + e.what()));
    }
    return KyResult();
}

// Unicast: bound to the local address and port. Multicast: bound to the group and port, which
// other receivers of the same stream may share (each gets every datagram), and a member of the
// group on the chosen adapter.
KyResult GvspReceiver::OpenSocket(const GvspReceiverConfig &config)
{
    if (config.multicastGroup.empty())
        return mSocket.Open(config.localAddress, config.localPort);
    sockaddr_in group, where;
    KyResult result = UdpSocket::MakeAddress(config.multicastGroup, 0, group);
    if (result.IsOK())
        result = UdpSocket::MakeAddress(config.multicastInterface, 0, where);
    if (result.IsFailure())
        return result;
    const uint32_t groupIp = ntohl(group.sin_addr.s_addr);
    if ((groupIp & 0xF0000000u) != 0xE0000000u)
        return KyResult(KY_INVALID_PARAMETER, KyString(config.multicastGroup + " is no multicast group"));
    UdpSocket::Options options;
    options.reuseAddress = true;
    result = mSocket.Open(groupIp, config.localPort, options);
    if (result.IsOK())
        result = mSocket.JoinMulticastGroup(groupIp, ntohl(where.sin_addr.s_addr));
    if (result.IsFailure())
        mSocket.Close();
    return result;
}

KyResult GvspReceiver::OpenTcp(const GvspReceiverConfig &config)
{
    sockaddr_in device, local;
    KyResult result = UdpSocket::MakeAddress(config.sourceAddress, 0, device);
    if (result.IsOK())
        result = UdpSocket::MakeAddress(config.localAddress, 0, local);
    if (result.IsFailure())
        return result;
    if (device.sin_addr.s_addr == 0)
        return KyResult(KY_INVALID_PARAMETER, KyString("a TCP stream needs the device's address"));
    if (!config.multicastGroup.empty())
        return KyResult(KY_INVALID_PARAMETER, KyString("a TCP stream has one receiver: no multicast"));
    return mTcp.Connect(ntohl(device.sin_addr.s_addr), GVCP_PORT, TCP_CONNECT_TIMEOUT_MS,
                        ntohl(local.sin_addr.s_addr), config.localPort);
}

uint32_t GvspReceiver::TcpReceiveBuffer(uint32_t bytes)
{
    const int value = bytes > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(bytes);
    (void)setsockopt(mTcp.Fd(), SOL_SOCKET, SO_RCVBUF, &value, sizeof value);
    int actual = 0;
    socklen_t length = sizeof actual;
    if (getsockopt(mTcp.Fd(), SOL_SOCKET, SO_RCVBUF, &actual, &length) != 0 || actual < 0)
        return 0;
    return static_cast<uint32_t>(actual);
}

// Where the process may, the stream is read from a packet ring and the socket keeps only the
// datagrams the ring cannot see whole. Otherwise (or when the socket cannot be limited, which
// would deliver everything twice) the socket alone serves.
void GvspReceiver::OpenRing()
{
    sockaddr_in local;
    if (UdpSocket::MakeAddress(mConfig.localAddress, 0, local).IsFailure())
        return;
    GvspPacketRing::Target target;
    target.localAddress = local.sin_addr.s_addr;
    target.port = mSocket.LocalPort();
    target.sourceAddress = mSourceAddress;
    GvspPacketRing::Interface where;
    size_t ringBytes = 0;
    if (GvspPacketRing::FindInterface(target, where).IsFailure() || !ChooseRing(mConfig, where, ringBytes))
        return;
    if (mRing.Open(target, where, ringBytes).IsOK() &&
        mRing.LimitSocketToFragmented(mSocket.Fd()).IsFailure())
        mRing.Close();
}

bool GvspReceiver::ChooseRing(const GvspReceiverConfig &config, const GvspPacketRing::Interface &where,
                              size_t &ringBytes)
{
    ringBytes = 0;
    if (config.packetRing == PacketRingUse::Never)
        return false;
    const uint64_t rate = where.loopback ? LOOPBACK_RATE : where.lineRate;
    // RING_SPAN_MS of the link's rate, rounded up to whole MiB.
    const uint64_t span = (rate * RING_SPAN_MS / 1000 + (1u << 20) - 1) & ~uint64_t((1u << 20) - 1);
    if (config.packetRing == PacketRingUse::WhereItKeepsUp && (rate == 0 || span > MAX_RING_BYTES))
        return false;
    const uint64_t wanted =
        config.packetRingBytes ? config.packetRingBytes : std::max<uint64_t>(span, MIN_RING_BYTES);
    ringBytes = static_cast<size_t>(std::min<uint64_t>(wanted, MAX_RING_BYTES));
    return true;
}

void GvspReceiver::ApplyPriority(ky::base::ThreadPriority &priority)
{
    std::lock_guard<std::mutex> lock(mThreadMutex);
    if (!mStop && mThread.joinable())  // mStop first: once set, mThread is the closer's
        priority.ApplyTo(mThread.native_handle());
}

void GvspReceiver::Close()
{
    mStop = true;
    // A priority being applied to the thread is done once the lock was had.
    mThreadMutex.lock();
    mThreadMutex.unlock();
    if (mThread.joinable() && mThread.get_id() == std::this_thread::get_id())
        return;  // from the resend callback: the thread ends on its own, the owner closes later
    Wake();
    if (mThread.joinable())
        mThread.join();
    {
        std::lock_guard<std::mutex> lock(mMutex);
        AbortLocked();
        mRing.CollectStatistics();  // its totals stay readable until the next Open
        mRing.Close();
    }
    mSocket.Close();
    mTcp.Close();
    mThreadId = 0;
}

KyResult GvspReceiver::QueueBlock(uint8_t *data, size_t capacity, void *cookie)
{
    if ((data == nullptr) != (capacity == 0))
        return KyResult(KY_INVALID_PARAMETER, KyString(data ? "a destination of 0 bytes cannot take a block"
                                                            : "a destination of bytes without memory"));
    if (!IsOpen())
        return KyResult(KY_STATE_ERROR, KyString("the GVSP receiver is not open"));
    std::lock_guard<std::mutex> lock(mQueueMutex);
    mQueued.push_back(GvspDestination{data, capacity, cookie});
    return KyResult();
}

size_t GvspReceiver::QueuedCount() const
{
    std::lock_guard<std::mutex> lock(mQueueMutex);
    return mQueued.size();
}

void GvspReceiver::Abort()
{
    std::lock_guard<std::mutex> lock(mMutex);
    AbortLocked();
}

void GvspReceiver::AbortLocked()
{
    mTracker.AbortAll();
    std::lock_guard<std::mutex> queue(mQueueMutex);
    while (!mQueued.empty()) {
        GvspCompletedBlock out;
        out.cookie = mQueued.front().cookie;
        out.data = mQueued.front().data;
        out.capacity = mQueued.front().capacity;
        out.status = GvspBlockStatus::Aborted;
        mQueued.pop_front();
        ++mTracker.Counters().blocksAborted;
        Emit(std::move(out));
    }
}

bool GvspReceiver::Withdraw(const void *cookie)
{
    // Destinations are written only under mMutex (the socket too, when it writes in place).
    std::lock_guard<std::mutex> lock(mMutex);
    // An active block ends at once and goes to mOut, taken below. It counts as withdrawn only if it
    // is still there: a retriever may have taken it in between, and then fills that buffer now.
    (void)mTracker.AbortDestination(cookie);
    bool found = false;
    {
        std::lock_guard<std::mutex> queue(mQueueMutex);
        const auto queued = std::find_if(mQueued.begin(), mQueued.end(),
                                         [&](const GvspDestination &d) { return d.cookie == cookie; });
        if (queued != mQueued.end()) {
            mQueued.erase(queued);
            found = true;
        }
    }
    std::lock_guard<std::mutex> out(mOutMutex);
    const auto ended = std::find_if(mOut.begin(), mOut.end(),
                                    [&](const GvspCompletedBlock &b) { return b.cookie == cookie; });
    if (ended != mOut.end()) {
        mOut.erase(ended);
        found = true;
    }
    return found;
}

KyResult GvspReceiver::WaitForBlock(GvspCompletedBlock &out, uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(mOutMutex);
    if (!mOutReady.wait_for(lock, Ms(timeoutMs), [this] { return !mOut.empty(); }))
        return KyResult(KY_TIMEOUT, KyString("no block ended within " + std::to_string(timeoutMs) + " ms"));
    out = std::move(mOut.front());
    mOut.pop_front();
    return KyResult();
}

GvspReceiverCounters GvspReceiver::Counters() const
{
    // mMutex also keeps the ring from closing meanwhile.
    std::lock_guard<std::mutex> lock(mMutex);
    GvspReceiverCounters counters = mTracker.Snapshot();
    const GvspPacketRing::Statistics &ring = mRing.CollectStatistics();
    counters.ringRecords = ring.records;
    counters.ringDrops = ring.drops;
    counters.ringFreezes = ring.freezes;
    return counters;
}

void GvspReceiver::Emit(GvspCompletedBlock &&block)
{
    {
        std::lock_guard<std::mutex> lock(mOutMutex);
        mOut.push_back(std::move(block));
    }
    mOutReady.notify_one();
}

KyResult GvspReceiver::Flush()
{
    if (!IsOpen())
        return KyResult(KY_STATE_ERROR, KyString("the GVSP receiver is not open"));
    if (std::this_thread::get_id() == mThread.get_id()) {
        // From the resend callback: between two reads already.
        std::lock_guard<std::mutex> lock(mMutex);
        DropPending();
        return KyResult();
    }
    std::unique_lock<std::mutex> lock(mFlushMutex);
    const uint64_t ticket = ++mFlushAsked;
    Wake();
    while (mFlushServed < ticket) {
        if (mStop)
            return KyResult(KY_STATE_ERROR, KyString("the GVSP receiver closed"));
        mFlushed.wait_for(lock, Ms(POLL_INTERVAL_MS * 5));
    }
    return KyResult();
}

void GvspReceiver::Wake()
{
    const uint64_t one = 1;
    if (mWakeFd >= 0)
        (void)!::write(mWakeFd, &one, sizeof one);  // a full counter wakes the thread as well
}

void GvspReceiver::ServeFlush()
{
    const uint64_t ticket = mFlushAsked.load();
    {
        std::lock_guard<std::mutex> lock(mMutex);
        DropPending();
    }
    {
        std::lock_guard<std::mutex> lock(mFlushMutex);
        mFlushServed = ticket;
    }
    mFlushed.notify_all();
}

void GvspReceiver::DropPending()
{
    // What the socket holds: read and let go, up to about what its buffer can hold (a sender
    // that keeps sending does not keep the flush going).
    const size_t mostBatches = mSocketBufferSize / (BATCH_SIZE * 256) + 16;
    for (size_t batch = 0; mConfig.tcp && batch < mostBatches; ++batch) {
        const uint8_t *data = nullptr;
        size_t length = 0;
        const bool open = mTcp.Pump();
        size_t dropped = 0;
        while (mTcp.Next(data, length))
            ++dropped;
        if (dropped == 0 || !open)
            break;
    }
    for (size_t batch = 0; !mConfig.tcp && batch < mostBatches; ++batch) {
        for (size_t i = 0; i < mReader.Batch(); ++i)
            mReader.ReadWhole(i);
        if (mReader.Read(mSocket) < static_cast<int>(mReader.Batch()))
            break;
    }
    if (mRing.IsOpen()) {
        uint64_t records = 0, malformed = 0;
        for (size_t blocks = 0; blocks < (size_t(1) << 16);) {
            const size_t read = mRing.Drain([](const uint8_t *, size_t) {}, records, malformed, 64);
            if (read == 0)
                break;
            blocks += read;
        }
        mRing.DiscardArrived();  // and what waits in the block the kernel has not handed over yet
    }
    // Ended blocks not yet taken, oldest first, then the blocks in progress: their destinations
    // go back to the front of the queue.
    std::vector<GvspDestination> freed;
    {
        std::lock_guard<std::mutex> out(mOutMutex);
        for (auto it = mOut.begin(); it != mOut.end();) {
            if (it->status == GvspBlockStatus::Aborted) {
                ++it;
                continue;
            }
            freed.push_back(GvspDestination{it->data, it->capacity, it->cookie});
            it = mOut.erase(it);
        }
    }
    mTracker.DropAll(freed);
    std::lock_guard<std::mutex> queue(mQueueMutex);
    mQueued.insert(mQueued.begin(), freed.begin(), freed.end());
}

void GvspReceiver::Run()
{
    bool idle = true;  // no block in progress, as of the last look
    while (!mStop) {
        // Out of memory for an output entry: the block's destination stays with its state and is
        // handed back by the next abort or close. Keep receiving.
        ky::base::Guarded(ky::stream::StreamLog(), "GvspReceiver::Run", [&] {
            if (FlushAsked())
                ServeFlush();
            // A TCP connection that is lost is not looked at again (its blocks time out).
            const int readFd = !mConfig.tcp ? mSocket.Fd() : mTcp.IsBroken() ? -1 : mTcp.Fd();
            const bool ring = mRing.IsOpen();
            int timeout = ring ? RING_POLL_INTERVAL_MS : POLL_INTERVAL_MS;
            if (idle && mWakeFd >= 0)
                timeout = IDLE_POLL_MS;
            pollfd p[3] = {{readFd, POLLIN, 0}, {mWakeFd, POLLIN, 0}, {mRing.Fd(), POLLIN, 0}};
            const int ready = poll(p, ring ? 3 : 2, timeout);  // a negative descriptor is left out
            if (ready > 0 && p[1].revents) {
                uint64_t count = 0;
                (void)!::read(mWakeFd, &count, sizeof count);
            }
            if (mStop)
                return;
            size_t received = 0;
            if (ready > 0 && p[0].revents)
                received += mConfig.tcp ? ReceiveTcp() : ReceiveBatches();
            if (ready > 0 && ring && p[2].revents)
                received += ReceiveRing();
            {
                std::lock_guard<std::mutex> lock(mMutex);
                mTracker.CheckTimers(Clock::now());
                idle = mTracker.Idle();
            }
            SendRequests();
            if (received > 0 && !mStop && !ring && !FlushAsked())
                std::this_thread::sleep_for(GATHER_TIME);
        });
    }
}

// Reads packets in batches. While a block comes in order and in-place receiving is on, each
// message of the batch is aimed at the place of the next expected packet id (see
// GvspPacketReader). The read then happens under the state lock, so no destination is handed
// back while the socket may still write into it; otherwise the lock is not held while reading.
size_t GvspReceiver::ReceiveBatches()
{
    size_t total = 0;
    for (;;) {
        if (FlushAsked())
            return total;  // Run flushes first
        std::unique_lock<std::mutex> lock(mMutex);
        const bool aim = mConfig.receiveInPlace && !mReceiveOffload;
        const GvspBlockAssembler *current = aim ? mTracker.NewestWithDestination() : nullptr;
        bool aimed = false;
        for (size_t i = 0; i < mReader.Batch(); ++i) {
            GvspPacketReader::Aim target;
            target.headerSize = mTracker.HeaderSize();
            if (current && current->PredictSlot(i, target.packetId, target.place, target.placeLength)) {
                target.blockId = current->BlockId();
                aimed = mReader.AimAt(i, target) || aimed;
            } else {
                mReader.ReadWhole(i);
            }
        }
        if (!aimed)
            lock.unlock();
        const int count = mReader.Read(mSocket);
        if (count <= 0)
            return total;
        total += static_cast<size_t>(count);
        if (!lock.owns_lock())
            lock.lock();
        const Clock::time_point now = Clock::now();
        mReader.Settle(count);
        GvspReceiverCounters &counters = mTracker.Counters();
        for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
            ++counters.packetsReceived;
            if (mReader.Truncated(i)) {
                ++counters.packetsMalformed;
                continue;
            }
            if (mSourceAddress && mReader.SourceAddress(i) != mSourceAddress) {
                ++counters.packetsForeign;
                continue;
            }
            const uint8_t *data = mReader.Data(i);
            const size_t length = mReader.Length(i);
            const size_t segment = mReader.SegmentSize(i);
            if (segment == 0 || segment >= length) {
                counters.packetsInPlace += mReader.InPlace(i) ? 1 : 0;
                mTracker.Process(data, length, now, mReader.InPlace(i));
                continue;
            }
            counters.packetsReceived += (length - 1) / segment;
            for (size_t offset = 0; offset < length; offset += segment)
                mTracker.Process(data + offset, std::min(segment, length - offset), now, false);
        }
        if (now - mTracker.LastTimerCheck() >= Ms(1))
            mTracker.CheckTimers(now);
        lock.unlock();
        SendRequests();
        if (static_cast<size_t>(count) < mReader.Batch() || mStop)
            return total;
    }
}

// Takes the whole packets that arrived on the TCP connection, a read at a time, each under the
// state lock.
size_t GvspReceiver::ReceiveTcp()
{
    size_t total = 0;
    for (int round = 0; round < TCP_READ_ROUNDS && !mStop && !FlushAsked(); ++round) {
        const bool open = mTcp.Pump();
        size_t here = 0;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            const Clock::time_point now = Clock::now();
            const uint8_t *data = nullptr;
            size_t length = 0;
            while (mTcp.Next(data, length)) {
                ++here;
                mTracker.Process(data, length, now, false);
            }
            mTracker.Counters().packetsReceived += here;
            if (now - mTracker.LastTimerCheck() >= Ms(1))
                mTracker.CheckTimers(now);
        }
        total += here;
        if (mTcp.IsBroken() && !mTcpLossLogged) {
            mTcpLossLogged = true;
            ky::stream::StreamLog().LogWarning(__FILE__, __LINE__, "GvspReceiver::ReceiveTcp",
                                               "the stream's TCP connection to the device is lost");
        }
        if (here == 0 || !open)
            break;
    }
    return total;
}

// Takes the ring's filled blocks one at a time, each under the state lock.
size_t GvspReceiver::ReceiveRing()
{
    uint64_t total = 0;
    for (;;) {
        if (FlushAsked())
            return static_cast<size_t>(total);  // Run flushes first
        std::unique_lock<std::mutex> lock(mMutex);
        const Clock::time_point now = Clock::now();
        GvspReceiverCounters &counters = mTracker.Counters();
        uint64_t records = 0;
        const size_t blocks = mRing.Drain(
            [&](const uint8_t *data, size_t length) { mTracker.Process(data, length, now, false); }, records,
            counters.packetsMalformed, 1);
        counters.packetsReceived += records;
        total += records;
        if (now - mTracker.LastTimerCheck() >= Ms(1))
            mTracker.CheckTimers(now);
        lock.unlock();
        SendRequests();
        if (blocks == 0 || mStop)
            return static_cast<size_t>(total);
    }
}

void GvspReceiver::SendRequests()
{
    GvspBlockTracker::Request batch[GvspBlockTracker::MAX_REQUESTS];
    size_t count;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        count = mTracker.TakeRequests(batch, GvspBlockTracker::MAX_REQUESTS);
    }
    for (size_t i = 0; i < count && mResend; ++i) {
        // The owner's failure to send a request must not end the stream; the next round asks again.
        ky::base::Guarded(ky::stream::StreamLog(), "GvspReceiver::SendRequests",
                          [&] { mResend(batch[i].blockId, batch[i].range.first, batch[i].range.last); });
    }
}

bool GvspReceiver::TrackerHost::TakeDestination(GvspDestination &destination)
{
    std::lock_guard<std::mutex> queue(mReceiver.mQueueMutex);
    if (mReceiver.mQueued.empty())
        return false;
    destination = mReceiver.mQueued.front();
    mReceiver.mQueued.pop_front();
    return true;
}

void GvspReceiver::TrackerHost::Emit(GvspCompletedBlock &&block) { mReceiver.Emit(std::move(block)); }

}  // namespace ky::gev
