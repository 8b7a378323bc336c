#include "GvspReceiver.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ky::gev {
namespace {

constexpr size_t MAX_REQUESTS_PER_PASS = 256;
constexpr int POLL_INTERVAL_MS = 2;

std::chrono::milliseconds Ms(uint32_t value)
{
    return std::chrono::milliseconds(value);
}

} // namespace

GvspReceiver::GvspReceiver() = default;

GvspReceiver::~GvspReceiver()
{
    Close();
}

KyResult GvspReceiver::Open(const GvspReceiverConfig &config, ResendCallback resend)
{
    Close();
    sockaddr_in source;
    KyResult result = UdpSocket::MakeAddress(config.sourceAddress, 0, source);
    if (result.IsFailure())
        return result;
    if (config.maxBlocksInProgress == 0)
        return KyResult(KY_INVALID_PARAMETER, KyString("a GVSP receiver needs at least one block in progress"));
    result = mSocket.Open(config.localAddress, config.localPort);
    if (result.IsFailure())
        return result;
    mSocketBufferSize = mSocket.SetReceiveBufferSize(config.socketBufferSize);
    mConfig = config;
    mResend = std::move(resend);
    mSourceAddress = source.sin_addr.s_addr;

    // One datagram per slot; unknown packet sizes get the largest datagram.
    mSlotSize = config.packetSize > GVSP_IP_UDP_OVERHEAD_SIZE
                    ? std::min<size_t>(config.packetSize - GVSP_IP_UDP_OVERHEAD_SIZE, GVSP_MAX_DATAGRAM_SIZE)
                    : GVSP_MAX_DATAGRAM_SIZE;
    mSlotSize = (mSlotSize + 64) & ~size_t(63);  // room to see an oversized datagram as truncated
    mSlots.assign(mSlotSize * mBatch, 0);
    mMessages.assign(mBatch, mmsghdr{});
    mVectors.assign(mBatch * 3, iovec{});
    mPredictions.assign(mBatch, Prediction{});
    mHeaderSize = 0;
    mSources.assign(mBatch, sockaddr_in{});
    mRequests.assign(MAX_REQUESTS_PER_PASS, PendingRequest{});
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mCounters = GvspReceiverCounters();
        mStarted = false;
        mRequestCount = 0;
    }
    mStop = false;
    try {
        mThread = std::thread([this] { Run(); });
    } catch (const std::exception &e) {
        mSocket.Close();
        return KyResult(KY_THREAD_ERROR, KyString(std::string("cannot start the GVSP receive thread: ") + e.what()));
    }
    return KyResult();
}

void GvspReceiver::Close()
{
    mStop = true;
    if (mThread.joinable())
        mThread.join();
    {
        std::lock_guard<std::mutex> lock(mMutex);
        AbortLocked();
    }
    mSocket.Close();
    mThreadId = 0;
}

KyResult GvspReceiver::QueueBlock(uint8_t *data, size_t capacity, void *cookie)
{
    if ((data == nullptr) != (capacity == 0))
        return KyResult(KY_INVALID_PARAMETER, KyString(data ? "a destination of 0 bytes cannot take a block"
                                                            : "a destination of bytes without memory"));
    if (!IsOpen())
        return KyResult(KY_STATE_ERROR, KyString("the GVSP receiver is not open"));
    std::lock_guard<std::mutex> lock(mMutex);
    mQueued.push_back(GvspDestination{data, capacity, cookie});
    return KyResult();
}

size_t GvspReceiver::QueuedCount() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mQueued.size();
}

void GvspReceiver::Abort()
{
    std::lock_guard<std::mutex> lock(mMutex);
    AbortLocked();
}

void GvspReceiver::AbortLocked()
{
    while (!mActive.empty())
        End(0, GvspBlockStatus::Aborted);
    while (!mQueued.empty()) {
        GvspCompletedBlock out;
        out.cookie = mQueued.front().cookie;
        out.data = mQueued.front().data;
        out.capacity = mQueued.front().capacity;
        out.status = GvspBlockStatus::Aborted;
        mQueued.pop_front();
        ++mCounters.blocksAborted;
        Emit(std::move(out));
    }
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
    std::lock_guard<std::mutex> lock(mMutex);
    return mCounters;
}

void GvspReceiver::Emit(GvspCompletedBlock &&block)
{
    {
        std::lock_guard<std::mutex> lock(mOutMutex);
        mOut.push_back(std::move(block));
    }
    mOutReady.notify_one();
}

void GvspReceiver::Run()
{
    mThreadId = static_cast<pid_t>(syscall(SYS_gettid));
    while (!mStop) {
        try {
            pollfd p{mSocket.Fd(), POLLIN, 0};
            const int ready = poll(&p, 1, POLL_INTERVAL_MS);
            if (ready > 0)
                ReceiveBatches();
            {
                std::lock_guard<std::mutex> lock(mMutex);
                CheckTimers(Clock::now());
            }
            SendRequests();
        } catch (...) {
            // Out of memory for an output entry: the block's destination stays with its state and
            // is handed back by the next abort or close. Keep receiving.
        }
    }
}

// Reads packets in batches. While a block comes in order, the socket writes each data packet
// straight into its place in the destination: the receive vector of the i-th packet of the batch
// is the header into its slot, the payload into the place of the i-th next packet id, anything
// longer after the header in the slot. A packet that is not the one predicted is moved back into
// its slot first, and then placed like any other. All of it happens under the state lock, so no
// destination is handed back while the socket may still write into it.
void GvspReceiver::ReceiveBatches()
{
    for (;;) {
        std::unique_lock<std::mutex> lock(mMutex);
        const Active *current = nullptr;
        for (auto it = mActive.rbegin(); mConfig.receiveInPlace && it != mActive.rend() && !current; ++it) {
            if ((*it)->block.HasDestination())
                current = it->get();
        }
        for (size_t i = 0; i < mBatch; ++i) {
            uint8_t *slot = mSlots.data() + i * mSlotSize;
            iovec *v = &mVectors[i * 3];
            Prediction &p = mPredictions[i];
            p.active = current && mHeaderSize &&
                       current->block.PredictSlot(i, p.packetId, p.place, p.placeLength) &&
                       mHeaderSize + p.placeLength <= mSlotSize;
            msghdr &m = mMessages[i].msg_hdr;
            if (p.active) {
                p.blockId = current->block.BlockId();
                v[0] = iovec{slot, mHeaderSize};
                v[1] = iovec{p.place, p.placeLength};
                v[2] = iovec{slot + mHeaderSize + p.placeLength, mSlotSize - mHeaderSize - p.placeLength};
                m.msg_iovlen = 3;
            } else {
                v[0] = iovec{slot, mSlotSize};
                m.msg_iovlen = 1;
            }
            m.msg_name = &mSources[i];
            m.msg_namelen = sizeof(sockaddr_in);
            m.msg_iov = v;
            m.msg_control = nullptr;
            m.msg_controllen = 0;
            m.msg_flags = 0;
        }
        const int count = recvmmsg(mSocket.Fd(), mMessages.data(), static_cast<unsigned>(mBatch), MSG_DONTWAIT, nullptr);
        if (count <= 0)
            return;
        const Clock::time_point now = Clock::now();
        // First every packet that missed its prediction leaves the destination, before any
        // packet is placed there.
        for (int i = 0; i < count; ++i) {
            Prediction &p = mPredictions[i];
            if (!p.active)
                continue;
            const uint8_t *slot = mSlots.data() + i * mSlotSize;
            const size_t length = mMessages[i].msg_len;
            GvspHeader h;
            p.inPlace = length >= mHeaderSize && !(mMessages[i].msg_hdr.msg_flags & MSG_TRUNC) &&
                        GvspParseHeader(slot, mHeaderSize, h).IsOK() && h.Size() == mHeaderSize &&
                        h.format == GvspPacketFormat::Payload && h.blockId == p.blockId &&
                        h.packetId == p.packetId && !(h.status & GVSP_STATUS_ERROR_MASK) &&
                        length - mHeaderSize <= p.placeLength;
            if (!p.inPlace && length > mHeaderSize)
                std::memcpy(mSlots.data() + i * mSlotSize + mHeaderSize, p.place,
                            std::min(length - mHeaderSize, p.placeLength));
        }
        for (int i = 0; i < count; ++i) {
            ++mCounters.packetsReceived;
            const msghdr &m = mMessages[i].msg_hdr;
            if (m.msg_flags & MSG_TRUNC) {
                ++mCounters.packetsMalformed;
                continue;
            }
            if (mSourceAddress && mSources[i].sin_addr.s_addr != mSourceAddress) {
                ++mCounters.packetsForeign;
                continue;
            }
            const bool inPlace = mPredictions[i].active && mPredictions[i].inPlace;
            mCounters.packetsInPlace += inPlace ? 1 : 0;
            Process(mSlots.data() + i * mSlotSize, mMessages[i].msg_len, now, inPlace);
        }
        if (now - mLastTimerCheck >= Ms(1))
            CheckTimers(now);
        lock.unlock();
        SendRequests();
        if (static_cast<size_t>(count) < mBatch || mStop)
            return;
    }
}

bool GvspReceiver::Newer(uint64_t blockId, bool extendedId) const
{
    if (!mStarted)
        return true;
    if (extendedId)
        return blockId > mLastStarted;
    const uint16_t distance = static_cast<uint16_t>(blockId - mLastStarted);
    return distance != 0 && distance < 0x8000;
}

GvspReceiver::Active *GvspReceiver::FindOrStart(const GvspHeader &header, Clock::time_point now)
{
    for (auto &a : mActive) {
        if (a->block.BlockId() == header.blockId)
            return a.get();
    }
    const bool resent = header.status == static_cast<uint16_t>(GvspStatus::Resend);
    const bool recent = std::find(std::begin(mRecent), std::end(mRecent), header.blockId) != std::end(mRecent);
    // A block starts with a first transmission: of its leader, or of any packet of a newer id.
    // A leader of an older id means the sender started counting again.
    if (resent || recent || header.blockId == 0 ||
        (!Newer(header.blockId, header.extendedId) && header.format != GvspPacketFormat::Leader)) {
        ++mCounters.packetsLate;
        return nullptr;
    }
    // Blocks in progress are overdue for their missing packets once a newer block begins.
    for (auto &a : mActive) {
        if (a->rounds == 0)
            AskForMissing(*a, now);
    }
    while (mActive.size() >= mConfig.maxBlocksInProgress) {
        // Blocks nobody waits for go first, then the oldest.
        size_t victim = 0;
        for (size_t i = 0; i < mActive.size(); ++i) {
            if (!mActive[i]->block.HasDestination()) {
                victim = i;
                break;
            }
        }
        End(victim, GvspBlockStatus::MissingPackets);
    }

    std::unique_ptr<Active> a;
    if (!mSpare.empty()) {
        a = std::move(mSpare.back());
        mSpare.pop_back();
    } else {
        a = std::make_unique<Active>();
    }
    const size_t bytesPerPacket = GvspPayloadBytesPerPacket(mConfig.packetSize, header.extendedId);
    GvspDestination destination;
    const bool hasDestination = !mQueued.empty();
    if (hasDestination) {
        destination = mQueued.front();
        mQueued.pop_front();
    }
    a->block.Start(header.blockId, header.extendedId, hasDestination ? &destination : nullptr,
                   mConfig.packetSize ? bytesPerPacket : 0, now);
    a->rounds = 0;
    a->lastRequest = now;
    mStarted = true;
    mLastStarted = header.blockId;
    ++mCounters.blocksStarted;
    mActive.push_back(std::move(a));
    return mActive.back().get();
}

void GvspReceiver::Process(const uint8_t *packet, size_t length, Clock::time_point now, bool payloadInPlace)
{
    if (GvspIsTestPacket(packet, length)) {
        ++mCounters.testPackets;
        return;
    }
    GvspHeader header;
    if (GvspParseHeader(packet, length, header).IsFailure()) {
        ++mCounters.packetsMalformed;
        return;
    }
    if (header.status & GVSP_STATUS_ERROR_MASK) {
        // The sender cannot serve a resend for this block.
        ++mCounters.resendsUnavailable;
        for (auto &a : mActive) {
            if (a->block.BlockId() == header.blockId)
                a->block.MarkUnavailable();
        }
        return;
    }
    mHeaderSize = header.Size();
    Active *active = FindOrStart(header, now);
    if (!active)
        return;
    GvspBlockAssembler &block = active->block;
    const bool resent = header.status == static_cast<uint16_t>(GvspStatus::Resend);
    const uint8_t *body = packet + header.Size();
    const size_t bodyLength = length - header.Size();
    GvspBlockAssembler::Outcome outcome = GvspBlockAssembler::Outcome::Ignored;
    const GvspBlockStats before = block.Stats();
    switch (header.format) {
    case GvspPacketFormat::Leader: {
        GvspLeader leader;
        if (header.packetId != 0 || GvspParseLeader(body, bodyLength, leader).IsFailure()) {
            ++mCounters.packetsMalformed;
            return;
        }
        outcome = block.AddLeader(leader, resent, now);
        break;
    }
    case GvspPacketFormat::Trailer: {
        GvspTrailer trailer;
        if (GvspParseTrailer(body, bodyLength, trailer).IsFailure()) {
            ++mCounters.packetsMalformed;
            return;
        }
        outcome = block.AddTrailer(header.packetId, trailer, resent, now);
        break;
    }
    case GvspPacketFormat::Payload:
        outcome = block.AddPayload(header.packetId, payloadInPlace ? nullptr : body, bodyLength, resent, now);
        break;
    default:
        ++mCounters.packetsIgnored;
        return;
    }
    const GvspBlockStats &after = block.Stats();
    mCounters.packetsIgnored += after.packetsIgnored - before.packetsIgnored;
    mCounters.packetsDuplicate += after.packetsRedundant - before.packetsRedundant;
    mCounters.packetsOutOfOrder += after.packetsOutOfOrder - before.packetsOutOfOrder;
    mCounters.packetsWrongId += after.packetsWrongId - before.packetsWrongId;
    mCounters.packetsOverrun += after.packetsOverrun - before.packetsOverrun;
    mCounters.resendPacketsReceived += after.packetsRecovered - before.packetsRecovered;
    if (outcome != GvspBlockAssembler::Outcome::Placed)
        return;
    GvspMissingRange gap;
    if (block.TakeGap(gap) && mConfig.resendEnabled && block.HasDestination()) {
        Ask(block.BlockId(), gap);
        active->lastRequest = now;
    }
    if (block.Done()) {
        for (size_t i = 0; i < mActive.size(); ++i) {
            if (mActive[i].get() == active) {
                End(i, GvspBlockStatus::Complete);
                break;
            }
        }
    }
}

void GvspReceiver::Ask(uint64_t blockId, GvspMissingRange range)
{
    if (!mResend || mRequestCount >= mRequests.size())
        return;  // asked again in the next round
    mRequests[mRequestCount++] = PendingRequest{blockId, range};
    // A range "to the end" counts the packets known to be missing: its first one.
    const bool toEnd = range.last == GVSP_STANDARD_PACKET_ID_MAX || range.last == GVSP_EXTENDED_PACKET_ID_MAX;
    const uint32_t packets = toEnd ? 1 : range.last - range.first + 1;
    ++mCounters.resendRequests;
    mCounters.resendPacketsRequested += packets;
    for (auto &a : mActive) {
        if (a->block.BlockId() == blockId) {
            ++a->block.Stats().resendGroupsRequested;
            a->block.Stats().resendPacketsRequested += packets;
        }
    }
}

void GvspReceiver::AskForMissing(Active &active, Clock::time_point now)
{
    if (!mConfig.resendEnabled || !active.block.HasDestination())
        return;
    GvspMissingRange ranges[64];
    const size_t n = active.block.Missing(ranges, std::min<size_t>(64, mConfig.maxResendRangesPerRound));
    for (size_t i = 0; i < n; ++i)
        Ask(active.block.BlockId(), ranges[i]);
    ++active.rounds;
    active.lastRequest = now;
}

void GvspReceiver::CheckTimers(Clock::time_point now)
{
    mLastTimerCheck = now;
    for (size_t i = 0; i < mActive.size();) {
        Active &a = *mActive[i];
        const auto idle = now - a.block.LastPacket();
        const bool quiet = idle >= Ms(mConfig.resendTimeoutMs) && now - a.lastRequest >= Ms(mConfig.resendTimeoutMs);
        GvspBlockStatus reason = GvspBlockStatus::Complete;
        bool end = false;
        if (a.block.Unavailable()) {
            end = true, reason = GvspBlockStatus::MissingPackets;
        } else if (idle >= Ms(mConfig.blockTimeoutMs)) {
            end = true, reason = GvspBlockStatus::Timeout;
        } else if (!a.block.HasDestination()) {
            end = a.block.TrailerReceived();
        } else if (quiet && !mConfig.resendEnabled && a.block.TrailerReceived()) {
            end = true, reason = GvspBlockStatus::MissingPackets;  // nothing more will come
        } else if (quiet && mConfig.resendEnabled && a.rounds < mConfig.maxResendRounds) {
            AskForMissing(a, now);
        }
        if (end)
            End(i, reason);
        else
            ++i;
    }
}

void GvspReceiver::End(size_t index, GvspBlockStatus reason)
{
    std::unique_ptr<Active> a = std::move(mActive[index]);
    mActive.erase(mActive.begin() + static_cast<std::ptrdiff_t>(index));
    mRecent[mRecentNext] = a->block.BlockId();
    mRecentNext = (mRecentNext + 1) % (sizeof mRecent / sizeof mRecent[0]);
    if (!a->block.HasDestination()) {
        ++mCounters.blocksWithoutBuffer;
        mCounters.packetsLost += a->block.Stats().packetsIgnored;
        mSpare.push_back(std::move(a));
        return;
    }
    GvspCompletedBlock out;
    a->block.Finish(reason, out);
    mSpare.push_back(std::move(a));
    switch (out.status) {
    case GvspBlockStatus::Complete: ++mCounters.blocksCompleted; break;
    case GvspBlockStatus::Aborted: ++mCounters.blocksAborted; break;
    case GvspBlockStatus::Timeout: ++mCounters.blocksTimedOut, ++mCounters.blocksFailed; break;
    default: ++mCounters.blocksFailed; break;
    }
    mCounters.packetsLost += out.stats.packetsLost;
    Emit(std::move(out));
}

void GvspReceiver::SendRequests()
{
    PendingRequest batch[MAX_REQUESTS_PER_PASS];
    size_t count;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        count = mRequestCount;
        std::copy(mRequests.begin(), mRequests.begin() + static_cast<std::ptrdiff_t>(count), batch);
        mRequestCount = 0;
    }
    for (size_t i = 0; i < count; ++i) {
        try {
            mResend(batch[i].blockId, batch[i].range.first, batch[i].range.last);
        } catch (...) {
            // The owner's failure to send a request must not end the stream; the next round asks again.
        }
    }
}

} // namespace ky::gev
