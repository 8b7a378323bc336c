#include "gvsp/GvspBlockTracker.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace ky::gev {
namespace {

std::chrono::milliseconds Ms(uint32_t value) { return std::chrono::milliseconds(value); }

// The receiver's counters that sum what its blocks counted.
void AddBlockStats(GvspReceiverCounters &counters, const GvspBlockStats &stats)
{
    counters.packetsIgnored += stats.packetsIgnored;
    counters.packetsDuplicate += stats.packetsRedundant;
    counters.packetsOutOfOrder += stats.packetsOutOfOrder;
    counters.packetsWrongId += stats.packetsWrongId;
    counters.packetsOverrun += stats.packetsOverrun;
    counters.resendPacketsReceived += stats.packetsRecovered;
}

}  // namespace

void GvspBlockTracker::Reset(const GvspReceiverConfig &config)
{
    AbortAll();
    mConfig = config;
    mCounters = GvspReceiverCounters();
    mStarted = false;
    mLastStarted = 0;
    mSkippedFirst = mSkippedCount = 0;
    mRequestCount = 0;
    mHeaderSize = 0;
    std::fill(std::begin(mRecent), std::end(mRecent), 0);
    mDumpPackets = mLog.IsEnabled(KyLogLevelDebug);
}

void GvspBlockTracker::AbortAll()
{
    while (!mActive.empty())
        End(0, GvspBlockStatus::Aborted);
}

void GvspBlockTracker::DropAll(std::vector<GvspDestination> &freed)
{
    // The held blocks started after the oldest one in progress and before the newer ones: the
    // destinations go back oldest block first.
    std::vector<std::pair<uint64_t, GvspDestination>> dropped;
    for (Held &held : mHeld)
        dropped.emplace_back(held.order,
                             GvspDestination{held.block.data, held.block.capacity, held.block.cookie});
    mHeld.clear();
    for (std::unique_ptr<Active> &a : mActive) {
        mRecent[mRecentNext] = a->block.BlockId();
        mRecentNext = (mRecentNext + 1) % (sizeof mRecent / sizeof mRecent[0]);
        AddBlockStats(mCounters, a->block.Stats());
        if (a->block.HasDestination()) {
            GvspCompletedBlock unused;
            a->block.Finish(GvspBlockStatus::Aborted, unused);
            dropped.emplace_back(a->order, GvspDestination{unused.data, unused.capacity, unused.cookie});
        }
        mSpare.push_back(std::move(a));
    }
    mActive.clear();
    std::stable_sort(dropped.begin(), dropped.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &entry : dropped)
        freed.push_back(entry.second);
    mRequestCount = 0;  // asked for the blocks just dropped
}

bool GvspBlockTracker::AbortDestination(const void *cookie)
{
    for (size_t i = 0; i < mActive.size(); ++i) {
        if (mActive[i]->block.Cookie() == cookie) {
            End(i, GvspBlockStatus::Aborted);
            return true;
        }
    }
    // An ended block that waits for older ones is handed out now: its destination is asked for.
    for (size_t i = 0; i < mHeld.size(); ++i) {
        if (mHeld[i].block.cookie == cookie) {
            GvspCompletedBlock out = std::move(mHeld[i].block);
            mHeld.erase(mHeld.begin() + static_cast<std::ptrdiff_t>(i));
            mHost.Emit(std::move(out));
            return true;
        }
    }
    return false;
}

// A packet that cannot be read: counted, and shown in the stream log when it asks for detail.
void GvspBlockTracker::Refuse(const uint8_t *packet, size_t length)
{
    ++mCounters.packetsMalformed;
    if (mLog.IsEnabled(KyLogLevelDebug))
        mLog.LogDebug(__FILE__, __LINE__, "GvspBlockTracker::Refuse",
                      ("refused " + DescribeGvsp(packet, length)).c_str());
}

// A packet taken, shown in the stream log. Only `shownBytes` of it are read: a packet whose
// payload went straight to its destination has only its header here.
void GvspBlockTracker::Dump(const uint8_t *packet, size_t length, size_t shownBytes)
{
    mLog.LogDebug(__FILE__, __LINE__, "GvspBlockTracker::Process",
                  DescribeGvsp(packet, length, shownBytes).c_str());
}

GvspReceiverCounters GvspBlockTracker::Snapshot() const
{
    GvspReceiverCounters counters = mCounters;
    for (const auto &a : mActive)
        AddBlockStats(counters, a->block.Stats());
    return counters;
}

const GvspBlockAssembler *GvspBlockTracker::NewestWithDestination() const
{
    for (auto it = mActive.rbegin(); it != mActive.rend(); ++it) {
        if ((*it)->block.HasDestination())
            return &(*it)->block;
    }
    return nullptr;
}

size_t GvspBlockTracker::TakeRequests(Request *out, size_t max)
{
    const size_t count = std::min(max, mRequestCount);
    std::copy(mRequests, mRequests + count, out);
    mRequestCount = 0;
    return count;
}

bool GvspBlockTracker::Newer(uint64_t blockId, bool extendedId) const
{
    if (!mStarted)
        return true;
    if (extendedId)
        return blockId > mLastStarted;
    const uint16_t distance = static_cast<uint16_t>(blockId - mLastStarted);
    return distance != 0 && distance < 0x8000;
}

bool GvspBlockTracker::CountSkipped(uint64_t blockId, bool extendedId)
{
    // Standard ids run from 1 to 65535 and wrap to 1 (0 is no block id); extended ids do not wrap.
    const uint64_t mask = extendedId ? ~uint64_t(0) : 0xFFFF;
    const uint64_t inRange = (blockId - mSkippedFirst) & mask;
    if (mStarted && !Newer(blockId, extendedId)) {
        // A leader of an older id: one of the blocks passed over came late after all, or the
        // sender started counting again.
        if (inRange < mSkippedCount && mCounters.blocksSkipped > 0) {
            --mCounters.blocksSkipped;
            return false;
        }
        mSkippedCount = 0;
        return true;
    }
    if (!mStarted)
        return true;
    const uint64_t distance = (blockId - mLastStarted) & mask;
    uint64_t skipped = distance - 1;
    if (!extendedId && blockId < mLastStarted && skipped > 0)
        --skipped;  // the run wrapped past 0
    // A jump of half the id space or more is a sender that started again, not a stall.
    if (skipped >= 0x8000)
        skipped = 0;
    mSkippedFirst = (mLastStarted + 1) & mask;
    if (!extendedId && mSkippedFirst == 0)
        mSkippedFirst = 1;
    mSkippedCount = skipped;
    mCounters.blocksSkipped += skipped;
    return true;
}

GvspBlockTracker::Active *GvspBlockTracker::FindOrStart(const GvspHeader &header, Clock::time_point now)
{
    for (auto &a : mActive) {
        if (a->block.BlockId() == header.blockId)
            return a.get();
    }
    const bool resent = header.status == static_cast<uint16_t>(GvspStatus::Resend);
    const bool recent =
        std::find(std::begin(mRecent), std::end(mRecent), header.blockId) != std::end(mRecent);
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
    const bool hasDestination = mHost.TakeDestination(destination);
    a->block.Start(header.blockId, header.extendedId, hasDestination ? &destination : nullptr,
                   mConfig.packetSize ? bytesPerPacket : 0, now);
    a->rounds = 0;
    a->lastRequest = now;
    a->order = mNextOrder++;
    if (CountSkipped(header.blockId, header.extendedId))
        mLastStarted = header.blockId;
    mStarted = true;
    ++mCounters.blocksStarted;
    mActive.push_back(std::move(a));
    return mActive.back().get();
}

void GvspBlockTracker::Process(const uint8_t *packet, size_t length, Clock::time_point now,
                               bool payloadInPlace)
{
    GvspHeader header;
    if (GvspParseHeader(packet, length, header).IsFailure()) {
        // A test packet has no packet format: the header is refused, the packet counted.
        if (GvspIsTestPacket(packet, length))
            ++mCounters.testPackets;
        else
            Refuse(packet, length);
        return;
    }
    if (mDumpPackets)
        Dump(packet, length, payloadInPlace ? header.Size() : 32);
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
    switch (header.format) {
    case GvspPacketFormat::Leader: {
        GvspLeader leader;
        if (header.packetId != 0 || GvspParseLeader(body, bodyLength, leader).IsFailure()) {
            Refuse(packet, length);
            return;
        }
        // With extended ids a multi-part leader counts its parts in the header; descriptors past
        // the count are padding, a count past the descriptors a malformed leader.
        const uint32_t counted = header.extendedReserved & 0xFF;
        if (header.extendedId && !leader.parts.empty() && counted != 0) {
            if (counted > leader.parts.size()) {
                Refuse(packet, length);
                return;
            }
            leader.parts.resize(counted);
        }
        outcome = block.AddLeader(leader, resent, now);
        break;
    }
    case GvspPacketFormat::Trailer: {
        GvspTrailer trailer;
        if (GvspParseTrailer(body, bodyLength, trailer).IsFailure()) {
            Refuse(packet, length);
            return;
        }
        outcome = block.AddTrailer(header.packetId, trailer, resent, now);
        break;
    }
    case GvspPacketFormat::Payload:
        outcome = block.AddPayload(header.packetId, payloadInPlace ? nullptr : body, bodyLength, resent, now);
        break;
    case GvspPacketFormat::MultiPart: {
        GvspMultiPartInfo info;
        if (payloadInPlace || GvspParseMultiPartInfo(body, bodyLength, info).IsFailure()) {
            Refuse(packet, length);
            return;
        }
        outcome = block.AddMultiPartPayload(header.packetId, info, body + GVSP_MULTIPART_INFO_SIZE,
                                            bodyLength - GVSP_MULTIPART_INFO_SIZE, resent, now);
        break;
    }
    default:
        ++mCounters.packetsIgnored;
        return;
    }
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

void GvspBlockTracker::Ask(uint64_t blockId, GvspMissingRange range)
{
    if (!mConfig.resendEnabled || mRequestCount >= MAX_REQUESTS)
        return;  // asked again in the next round
    mRequests[mRequestCount++] = Request{blockId, range};
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

void GvspBlockTracker::AskForMissing(Active &active, Clock::time_point now)
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

void GvspBlockTracker::CheckTimers(Clock::time_point now)
{
    mLastTimerCheck = now;
    mDumpPackets = mLog.IsEnabled(KyLogLevelDebug);
    for (size_t i = 0; i < mActive.size();) {
        Active &a = *mActive[i];
        const auto idle = now - a.block.LastPacket();
        const bool quiet =
            idle >= Ms(mConfig.resendTimeoutMs) && now - a.lastRequest >= Ms(mConfig.resendTimeoutMs);
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

void GvspBlockTracker::End(size_t index, GvspBlockStatus reason)
{
    std::unique_ptr<Active> a = std::move(mActive[index]);
    mActive.erase(mActive.begin() + static_cast<std::ptrdiff_t>(index));
    mRecent[mRecentNext] = a->block.BlockId();
    mRecentNext = (mRecentNext + 1) % (sizeof mRecent / sizeof mRecent[0]);
    AddBlockStats(mCounters, a->block.Stats());
    if (!a->block.HasDestination()) {
        ++mCounters.blocksWithoutBuffer;
        mCounters.packetsLost += a->block.Stats().packetsIgnored;
        mSpare.push_back(std::move(a));
        return;
    }
    GvspCompletedBlock out;
    a->block.Finish(reason, out);
    const uint64_t order = a->order;
    mSpare.push_back(std::move(a));
    switch (out.status) {
    case GvspBlockStatus::Complete:
        ++mCounters.blocksCompleted;
        break;
    case GvspBlockStatus::Aborted:
        ++mCounters.blocksAborted;
        break;
    case GvspBlockStatus::Timeout:
        ++mCounters.blocksTimedOut, ++mCounters.blocksFailed;
        break;
    default:
        ++mCounters.blocksFailed;
        break;
    }
    mCounters.packetsLost += out.stats.packetsLost;
    if (out.status != GvspBlockStatus::Complete && mLog.IsEnabled(KyLogLevelDebug)) {
        const std::string text = "block " + std::to_string(out.blockId) +
                                 " ended: " + GvspBlockStatusName(out.status) + ", " +
                                 std::to_string(out.stats.packetsLost) + " packets lost, " +
                                 std::to_string(out.stats.packetsRecovered) + " recovered";
        mLog.LogDebug(__FILE__, __LINE__, __func__, text.c_str());
    }
    auto at = mHeld.end();
    while (at != mHeld.begin() && std::prev(at)->order > order)
        --at;
    mHeld.insert(at, Held{order, std::move(out)});
    ReleaseHeld();
}

void GvspBlockTracker::ReleaseHeld()
{
    uint64_t oldest = UINT64_MAX;  // the oldest block in progress that will be handed out
    for (const std::unique_ptr<Active> &a : mActive)
        if (a->block.HasDestination())
            oldest = std::min(oldest, a->order);
    size_t released = 0;
    while (released < mHeld.size() && mHeld[released].order < oldest)
        ++released;
    if (released == 0)
        return;
    std::vector<Held> out(std::make_move_iterator(mHeld.begin()),
                          std::make_move_iterator(mHeld.begin() + static_cast<std::ptrdiff_t>(released)));
    mHeld.erase(mHeld.begin(), mHeld.begin() + static_cast<std::ptrdiff_t>(released));
    for (Held &held : out)
        mHost.Emit(std::move(held.block));
}

}  // namespace ky::gev
