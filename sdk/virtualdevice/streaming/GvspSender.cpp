#include "streaming/GvspSender.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace ky::gev {
namespace {

using Clock = std::chrono::steady_clock;

// Waits until the deadline: sleeps while it is far, spins the last stretch for accuracy.
void PaceUntil(Clock::time_point deadline)
{
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline)
            return;
        const auto left = deadline - now;
        if (left > std::chrono::microseconds(200))
            std::this_thread::sleep_for(left - std::chrono::microseconds(100));
        else
            std::this_thread::yield();
    }
}

KyResult NotOpen() { return KyResult(KY_STATE_ERROR, KyString("the GVSP sender is not open")); }

}  // namespace

GvspSender::GvspSender()
    : mSendBatch(std::make_unique<GvspPacketBatch>()), mResendBatch(std::make_unique<GvspPacketBatch>())
{ }

GvspSender::~GvspSender() { Close(); }

KyResult GvspSender::Open(const GvspSenderConfig &config)
{
    Close();
    sockaddr_in destination;
    KyResult result = UdpSocket::MakeAddress(config.destinationAddress, config.destinationPort, destination);
    if (result.IsFailure())
        return result;
    if (GvspPayloadBytesPerPacket(config.packetSize, config.extendedIds) == 0)
        return KyResult(KY_INVALID_PARAMETER, KyString("packet size " + std::to_string(config.packetSize) +
                                                       " leaves no room for GVSP payload"));
    std::lock_guard<std::mutex> send(mSendMutex);
    std::lock_guard<std::mutex> resend(mResendMutex);
    std::lock_guard<std::mutex> lock(mConfigMutex);
    result = mSocket.Open(config.localAddress, config.localPort);
    if (result.IsFailure())
        return result;
    mSocket.SetSendBufferSize(config.sendBufferSize);
    mSendBatch->SetSegmentationOffload(config.segmentationOffload);
    mResendBatch->SetSegmentationOffload(config.segmentationOffload);
    mConfig = config;
    mDestination = destination;
    mCache.SetCapacity(config.resendCacheBlocks);
    return KyResult();
}

void GvspSender::Close()
{
    std::lock_guard<std::mutex> send(mSendMutex);
    std::lock_guard<std::mutex> resend(mResendMutex);
    std::lock_guard<std::mutex> lock(mConfigMutex);
    mSocket.Close();
    mCache.Clear();
}

bool GvspSender::IsOpen() const
{
    std::lock_guard<std::mutex> lock(mConfigMutex);
    return mSocket.IsOpen();
}

uint16_t GvspSender::LocalPort() const
{
    std::lock_guard<std::mutex> lock(mConfigMutex);
    return mSocket.LocalPort();
}

KyResult GvspSender::SetDestination(const std::string &address, uint16_t port)
{
    sockaddr_in destination;
    KyResult result = UdpSocket::MakeAddress(address, port, destination);
    if (result.IsFailure())
        return result;
    std::lock_guard<std::mutex> lock(mConfigMutex);
    mConfig.destinationAddress = address;
    mConfig.destinationPort = port;
    mDestination = destination;
    return result;
}

KyResult GvspSender::SetPacketSize(uint32_t packetSize)
{
    std::lock_guard<std::mutex> lock(mConfigMutex);
    if (GvspPayloadBytesPerPacket(packetSize, mConfig.extendedIds) == 0)
        return KyResult(KY_INVALID_PARAMETER, KyString("packet size " + std::to_string(packetSize) +
                                                       " leaves no room for GVSP payload"));
    mConfig.packetSize = packetSize;
    return KyResult();
}

void GvspSender::SetInterPacketDelay(uint32_t nanoseconds)
{
    std::lock_guard<std::mutex> lock(mConfigMutex);
    mConfig.interPacketDelayNs = nanoseconds;
}

void GvspSender::SetExtendedIds(bool extended)
{
    std::lock_guard<std::mutex> lock(mConfigMutex);
    mConfig.extendedIds = extended;
}

void GvspSender::SetTestDropFraction(double fraction, uint32_t seed)
{
    std::lock_guard<std::mutex> lock(mTestMutex);
    mDropFraction = std::clamp(fraction, 0.0, 1.0);
    mDropRandom.seed(seed);
    mDropping = mDropFraction > 0.0;
}

void GvspSender::SetTestStopAfterPackets(uint32_t packets) { mStopAfterPackets = packets; }

bool GvspSender::DropOnPurpose()
{
    if (!mDropping.load(std::memory_order_relaxed))
        return false;  // the usual case costs no lock per packet
    std::lock_guard<std::mutex> lock(mTestMutex);
    if (mDropFraction <= 0.0)
        return false;
    const double draw = static_cast<double>(mDropRandom() - mDropRandom.min()) /
                        static_cast<double>(mDropRandom.max() - mDropRandom.min());
    return draw < mDropFraction;
}

void GvspSender::Count(uint64_t GvspSenderCounters::*field, uint64_t amount)
{
    std::lock_guard<std::mutex> lock(mCountersMutex);
    mCounters.*field += amount;
}

GvspSenderCounters GvspSender::Counters() const
{
    std::lock_guard<std::mutex> lock(mCountersMutex);
    return mCounters;
}

KyResult GvspSender::PlanParts(const GvspOutgoingBlock &block, bool extendedIds, GvspCachedBlock &entry)
{
    const std::vector<GvspPartDescriptor> &parts = block.leader.parts;
    if (parts.size() > GVSP_MULTIPART_MAX_PARTS || GvspMultiPartSize(parts) != block.size)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("the " + std::to_string(parts.size()) + " parts of block " +
                                 std::to_string(block.blockId) + " do not describe its " +
                                 std::to_string(block.size) + " bytes"));
    if (entry.bytesPerPacket <= GVSP_MULTIPART_INFO_SIZE)
        return KyResult(KY_INVALID_PARAMETER, KyString("the packet size leaves no room for multi-part data"));
    entry.partBytesPerPacket = entry.bytesPerPacket - GVSP_MULTIPART_INFO_SIZE;
    const uint64_t maxPackets = (extendedIds ? GVSP_EXTENDED_PACKET_ID_MAX : GVSP_STANDARD_PACKET_ID_MAX) - 1;
    uint64_t packets = 0;
    for (const GvspPartDescriptor &part : parts) {
        entry.partFirstPacket.push_back(static_cast<uint32_t>(std::min<uint64_t>(packets + 1, maxPackets)));
        packets += part.length / entry.partBytesPerPacket + (part.length % entry.partBytesPerPacket ? 1 : 0);
        if (packets > maxPackets)
            return KyResult(KY_INVALID_PARAMETER, KyString("block " + std::to_string(block.blockId) +
                                                           " needs more packets than the packet ids allow"));
    }
    entry.payloadPackets = static_cast<uint32_t>(packets);
    return KyResult();
}

KyResult GvspSender::PrepareBlock(const GvspOutgoingBlock &block, GvspCachedBlock &entry)
{
    GvspSenderConfig config;
    {
        std::lock_guard<std::mutex> lock(mConfigMutex);
        config = mConfig;
        entry.destination = mDestination;
    }
    if (config.destinationPort == 0)
        return KyResult(KY_STATE_ERROR, KyString("the GVSP sender has no destination port"));
    if (block.blockId == 0 || (!config.extendedIds && block.blockId > GVSP_STANDARD_BLOCK_ID_MAX))
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("block id " + std::to_string(block.blockId) + " is out of range for " +
                                 (config.extendedIds ? "extended" : "standard") + " ids"));
    if (block.size > 0 && !block.data)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("block payload of " + std::to_string(block.size) + " bytes has no memory"));
    entry.blockId = block.blockId;
    // Multi-part blocks travel with extended ids, whose leader header counts the parts.
    entry.extendedId = config.extendedIds || !block.leader.parts.empty();
    entry.bytesPerPacket = GvspPayloadBytesPerPacket(config.packetSize, entry.extendedId);
    const uint64_t packets = GvspPayloadPacketCount(block.size, entry.bytesPerPacket, entry.extendedId);
    if (block.size > 0 && packets == 0)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("block payload of " + std::to_string(block.size) +
                                 " bytes needs more packets than the packet ids allow"));
    entry.payloadPackets = static_cast<uint32_t>(packets);
    entry.partFirstPacket.clear();
    entry.partBytesPerPacket = 0;
    if (!block.leader.parts.empty()) {
        KyResult plan = PlanParts(block, entry.extendedId, entry);
        if (plan.IsFailure())
            return plan;
    }
    entry.leader = block.leader;
    entry.trailer = GvspTrailer();
    entry.trailer.payloadType = block.leader.payloadType;
    entry.trailer.chunkLayoutId = block.chunkLayoutId;
    const uint16_t base = block.leader.BaseType();
    if (base == static_cast<uint16_t>(GvspPayloadType::ChunkData))
        entry.trailer.sizeY = static_cast<uint32_t>(std::min<size_t>(block.size, 0xFFFFFFFFu));
    else
        entry.trailer.sizeY = block.leader.sizeY;
    if (config.resendCacheBlocks > 0 && !block.keepAlive) {
        entry.copy.assign(block.data, block.data + block.size);
        entry.data = entry.copy.data();
    } else {
        entry.keepAlive = block.keepAlive;
        entry.data = block.data;
    }
    entry.size = block.size;
    return KyResult();
}

KyResult GvspSender::SendBlock(const GvspOutgoingBlock &block)
{
    std::lock_guard<std::mutex> send(mSendMutex);
    if (!mSocket.IsOpen())
        return NotOpen();
    std::shared_ptr<GvspCachedBlock> entry = mCache.Acquire();
    KyResult result = PrepareBlock(block, *entry);
    if (result.IsFailure())
        return result;
    const uint32_t stopAfter = mStopAfterPackets.exchange(0);
    // Cached before the first packet leaves: a receiver may ask for a resend mid-block.
    if (stopAfter == 0)
        mCache.Insert(entry);
    std::shared_ptr<TcpPacketSocket> link;
    if (mTcpLookup)
        link = mTcpLookup(ntohl(entry->destination.sin_addr.s_addr), ntohs(entry->destination.sin_port));
    result = SendRange(*entry, 0, entry->TrailerId(), false, *mSendBatch, stopAfter, link.get());
    Count(&GvspSenderCounters::blocksSent, 1);
    return result;
}

KyResult GvspSender::SendRange(const GvspCachedBlock &block, uint32_t first, uint32_t last, bool resend,
                               GvspPacketBatch &batch, uint32_t stopAfter, const TcpPacketSocket *link)
{
    uint32_t delayNs;
    {
        std::lock_guard<std::mutex> lock(mConfigMutex);
        delayNs = mConfig.interPacketDelayNs;
    }
    GvspHeader header;
    header.status = static_cast<uint16_t>(resend ? GvspStatus::Resend : GvspStatus::Success);
    header.blockId = block.blockId;
    header.extendedId = block.extendedId;
    const uint32_t trailerId = block.TrailerId();
    batch.Reset(&block.destination);
    std::vector<uint8_t> bigLeader;  // kept until the last flush below
    size_t sent = 0, dropped = 0;
    uint64_t emitted = 0;
    KyResult result;
    auto deadline = Clock::now();
    for (uint64_t id = first; id <= last && result.IsOK(); ++id) {
        if (stopAfter && emitted >= stopAfter)
            break;
        ++emitted;
        if (!resend && link == nullptr && DropOnPurpose()) {
            ++dropped;
            continue;
        }
        header.packetId = static_cast<uint32_t>(id);
        header.extendedReserved = 0;
        uint8_t *room = batch.NextHeader();
        size_t headerLength = 0;
        const uint8_t *payload = nullptr;
        size_t payloadLength = 0;
        if (id == 0 && !block.leader.parts.empty()) {
            // A multi-part leader is longer than the batch's header room: it travels whole as the
            // packet's payload, from storage that outlives the batch's flush.
            header.format = GvspPacketFormat::Leader;
            header.extendedReserved = static_cast<uint32_t>(block.leader.parts.size() & 0xFF);
            bigLeader.resize(GVSP_EXTENDED_HEADER_SIZE + GVSP_LEADER_COMMON_SIZE +
                             block.leader.parts.size() * GVSP_MULTIPART_DESCRIPTOR_SIZE);
            payloadLength = GvspBuildLeader(bigLeader.data(), bigLeader.size(), header, block.leader);
            payload = bigLeader.data();
            if (payloadLength == 0) {
                result = KyResult(KY_INVALID_PARAMETER,
                                  KyString("the multi-part leader of block " + std::to_string(block.blockId) +
                                           " cannot be built"));
                break;
            }
        } else if (id == 0) {
            header.format = GvspPacketFormat::Leader;
            headerLength = GvspBuildLeader(room, GvspPacketBatch::HeaderRoom, header, block.leader);
        } else if (id == trailerId) {
            header.format = GvspPacketFormat::Trailer;
            headerLength = GvspBuildTrailer(room, GvspPacketBatch::HeaderRoom, header, block.trailer);
        } else if (!block.partFirstPacket.empty()) {
            // The part whose packets hold this id, and where in the part the packet starts.
            const auto next = std::upper_bound(block.partFirstPacket.begin(), block.partFirstPacket.end(),
                                               static_cast<uint32_t>(id));
            const size_t part = static_cast<size_t>(next - block.partFirstPacket.begin()) - 1;
            const GvspPartDescriptor &descriptor = block.leader.parts[part];
            GvspMultiPartInfo info;
            info.partId = static_cast<uint8_t>(part);
            const uint64_t inPart = (id - block.partFirstPacket[part]) * block.partBytesPerPacket;
            info.offset = descriptor.blockOffset + inPart;  // counted from the start of the block
            header.format = GvspPacketFormat::MultiPart;
            headerLength =
                GvspBuildMultiPartPayload(room, GvspPacketBatch::HeaderRoom, header, info, nullptr, 0);
            payload = block.data + info.offset;
            payloadLength =
                static_cast<size_t>(std::min<uint64_t>(block.partBytesPerPacket, descriptor.length - inPart));
        } else {
            header.format = GvspPacketFormat::Payload;
            headerLength = GvspBuildHeader(room, GvspPacketBatch::HeaderRoom, header);
            const size_t offset = static_cast<size_t>(id - 1) * block.bytesPerPacket;
            payload = block.data + offset;
            payloadLength = std::min(block.bytesPerPacket, block.size - offset);
        }
        if (headerLength == 0 && payload != bigLeader.data()) {
            result =
                KyResult(KY_INVALID_PARAMETER, KyString("GVSP packet " + std::to_string(id) + " of block " +
                                                        std::to_string(block.blockId) + " cannot be built"));
            break;
        }
        batch.Commit(headerLength, payload, payloadLength);
        if (batch.Full() || delayNs > 0) {
            result = link ? batch.Flush(*link, sent) : batch.Flush(mSocket, sent);
            if (delayNs > 0) {
                deadline += std::chrono::nanoseconds(delayNs);
                PaceUntil(deadline);
            }
        }
    }
    if (result.IsOK() && batch.Count() > 0)
        result = link ? batch.Flush(*link, sent) : batch.Flush(mSocket, sent);
    batch.Reset(nullptr);
    std::lock_guard<std::mutex> lock(mCountersMutex);
    (resend ? mCounters.packetsResent : mCounters.packetsSent) += sent;
    mCounters.packetsDroppedOnPurpose += dropped;
    mCounters.sendErrors += result.IsOK() ? 0 : 1;
    return result;
}

KyResult GvspSender::ServeResend(uint64_t blockId, uint32_t firstPacketId, uint32_t lastPacketId)
{
    Count(&GvspSenderCounters::resendRequests, 1);
    std::lock_guard<std::mutex> resend(mResendMutex);
    if (!mSocket.IsOpen())
        return NotOpen();
    const GvspResendCache::Held block = mCache.Find(blockId);
    if (block && firstPacketId <= lastPacketId && firstPacketId <= block->TrailerId())
        return SendRange(*block, firstPacketId, std::min(lastPacketId, block->TrailerId()), true,
                         *mResendBatch, 0);

    Count(&GvspSenderCounters::resendsUnavailable, 1);
    GvspHeader header;
    header.status = static_cast<uint16_t>(GvspStatus::PacketUnavailable);
    header.blockId = blockId;
    header.format = GvspPacketFormat::Payload;
    bool noticeFailed = false;
    {
        std::lock_guard<std::mutex> lock(mConfigMutex);
        header.extendedId = block ? block->extendedId : mConfig.extendedIds;
        mResendBatch->Reset(&mDestination);
        header.packetId =
            header.extendedId ? firstPacketId : std::min(firstPacketId, GVSP_STANDARD_PACKET_ID_MAX);
        const size_t length =
            GvspBuildHeader(mResendBatch->NextHeader(), GvspPacketBatch::HeaderRoom, header);
        if (length > 0) {
            mResendBatch->Commit(length, nullptr, 0);
            size_t sent = 0;
            noticeFailed = mResendBatch->Flush(mSocket, sent).IsFailure();
        }
        mResendBatch->Reset(nullptr);
    }
    if (noticeFailed)
        Count(&GvspSenderCounters::sendErrors, 1);
    const std::string what = block ? "packets " + std::to_string(firstPacketId) + ".." +
                                         std::to_string(lastPacketId) + " are not part of block " +
                                         std::to_string(blockId)
                                   : "block " + std::to_string(blockId) + " is not in the resend cache";
    return KyResult(KY_NOT_FOUND, KyString(what));
}

KyResult GvspSender::SendTestPacket()
{
    std::lock_guard<std::mutex> resend(mResendMutex);
    if (!mSocket.IsOpen())
        return NotOpen();
    std::lock_guard<std::mutex> lock(mConfigMutex);
    std::vector<uint8_t> packet(GVSP_MAX_DATAGRAM_SIZE);
    const size_t length = GvspBuildTestPacket(packet.data(), packet.size(), mConfig.packetSize);
    if (length == 0)
        return KyResult(KY_INVALID_PARAMETER, KyString("packet size " + std::to_string(mConfig.packetSize) +
                                                       " is too small for a test packet"));
    mResendBatch->Reset(&mDestination);
    // The whole test packet travels as "header" plus zeros: the batch gathers it from here.
    mResendBatch->Commit(0, packet.data(), length);
    size_t sent = 0;
    KyResult result = mResendBatch->Flush(mSocket, sent);
    mResendBatch->Reset(nullptr);
    Count(&GvspSenderCounters::testPacketsSent, sent);
    return result;
}

}  // namespace ky::gev
