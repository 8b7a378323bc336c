#include "gvcp/SoftGvcpServer.h"

#include <set>

#include "SoftDeviceThreads.h"
#include "SoftLog.h"
#include "ky/device/KyGevConstants.h"
#include "ky/Ipv4Text.h"

namespace ky::soft {

using namespace ky::gev;

namespace {

constexpr int POLL_INTERVAL_MS = 20;
constexpr auto PENDING_INTERVAL = std::chrono::milliseconds(PENDING_TIMEOUT_MS / 2);
constexpr size_t MAX_REMEMBERED_PEERS = 64;
constexpr size_t RECEIVE_BUFFER_SIZE = 2048;
constexpr auto BROADCAST_COPY_WINDOW = std::chrono::milliseconds(200);

// Every device of the process listens on the wildcard port; each socket tells where a datagram
// arrived, and a reply may be a broadcast out of a chosen adapter.
UdpSocket::Options ServerSocketOptions()
{
    UdpSocket::Options options;
    options.reuseAddress = true;
    options.broadcast = true;
    options.packetInfo = true;
    options.nonBlocking = true;
    return options;
}

// Addresses at which a device of this process answers: with SO_REUSEADDR a second device could
// bind the same address, and unicasts would reach only one of them.
std::mutex gAddressesMutex;
std::set<uint32_t> gAddresses;

}  // namespace

SoftGvcpServer::SoftGvcpServer(SoftGvcpHandler &handler, SoftRegisterMap &map,
                               SoftControlPrivilege &privilege, SoftDeviceStatistics &statistics,
                               SoftDeviceContext &context, SoftDeviceHost &host)
    : mHandler(handler),
      mMap(map),
      mPrivilege(privilege),
      mStatistics(statistics),
      mContext(context),
      mHost(host)
{ }

KyResult SoftGvcpServer::Start(const Setup &setup)
{
    {
        std::lock_guard<std::mutex> lock(gAddressesMutex);
        if (!gAddresses.insert(setup.address.ip).second) {
            return KyResult(KY_NETWORK_ERROR, KyString("another soft device already answers at ") +
                                                  ky::base::FormatIPv4(setup.address.ip));
        }
    }
    mSetup = setup;
    mOwnsAddress = true;
    KyResult result = mWildcard.Open(UdpSocket::ANY_IP, GVCP_PORT, ServerSocketOptions());
    if (result.IsOK()) {
        result = mUnicast.Open(setup.address.ip, GVCP_PORT, ServerSocketOptions());
    }
    if (result.IsFailure()) {
        mWildcard.Close();
        ReleaseAddress();
        return result;
    }
    mStopping = false;
    mBusy = mHasJob = mForcedIpChanged = false;
    mForcedToDrop.clear();
    mAnswered.clear();
    mReceiver = std::thread(&SoftGvcpServer::ReceiveLoop, this);
    mWorker = std::thread(&SoftGvcpServer::WorkLoop, this);
    return KyResult(KY_OK);
}

void SoftGvcpServer::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStopping = true;
    }
    mWork.notify_all();
    if (mReceiver.joinable()) {
        mReceiver.join();
    }
    if (mWorker.joinable()) {
        mWorker.join();
    }
    mWildcard.Close();
    mUnicast.Close();
    mForced.Close();
    mForcedIp = 0;
    ReleaseAddress();
}

void SoftGvcpServer::ReleaseAddress()
{
    if (mOwnsAddress) {
        std::lock_guard<std::mutex> lock(gAddressesMutex);
        gAddresses.erase(mSetup.address.ip);
        mOwnsAddress = false;
    }
}

void SoftGvcpServer::ReceiveLoop()
{
    MarkDeviceThread(mContext);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (mStopping) {
                return;
            }
            if (mForcedIpChanged) {
                // The acknowledges are out: what the FORCEIPs replaced can go.
                mForcedIpChanged = false;
                BindForcedAddress(mForcedIpToBind);
                for (const SoftNetworkConfig &replaced : mForcedToDrop) {
                    mHost.DropForcedIp(replaced);
                }
                mForcedToDrop.clear();
            }
        }
        const UdpSocket *sockets[3] = {&mWildcard, &mUnicast, &mForced};  // a closed one is skipped
        bool ready[3] = {};
        if (UdpSocket::WaitReadable(sockets, 3, POLL_INTERVAL_MS, ready) > 0) {
            if (ready[0]) {
                Receive(mWildcard, true);
            }
            if (ready[1]) {
                Receive(mUnicast, false);
            }
            if (ready[2]) {
                Receive(mForced, false);
            }
        }
        CheckHeartbeat();
        std::lock_guard<std::mutex> lock(mMutex);
        SoftRegister *config = mMap.Find(GVCP_CONFIG_OFFSET);
        const bool pendingEnabled = config && (config->GetRawU32() & GVCP_CONFIG_PENDING_ACK_ENABLE_MASK);
        const auto now = std::chrono::steady_clock::now();
        if (mBusy && pendingEnabled && now - mLastPending >= PENDING_INTERVAL) {
            mLastPending = now;
            SendPending(mJob);
        }
    }
}

void SoftGvcpServer::BindForcedAddress(uint32_t ip)
{
    mForced.Close();
    mForcedIp = 0;
    if (ip != 0 && ip != mSetup.address.ip) {
        KyResult result = mForced.Open(ip, GVCP_PORT, ServerSocketOptions());
        if (result.IsOK()) {
            mForcedIp = ip;
        } else {
            SoftLog("SoftGvcpServer::BindForcedAddress", "%s", result.GetDescription().GetAscii());
        }
    }
}

UdpSocket &SoftGvcpServer::ReplySocket() { return mForced.IsOpen() ? mForced : mUnicast; }

bool SoftGvcpServer::IsForThisAdapter(const DatagramInfo &info)
{
    // A broadcast that a program of this host sends out of the far end of a point-to-point link
    // (a veth pair) comes back looped locally with that end's index; the copy crossing the link
    // is usually dropped for its local source address. Both copies count as this adapter's.
    if (info.arrivalIndex != mSetup.adapterIndex &&
        (mSetup.peerIndex == 0 || info.arrivalIndex != mSetup.peerIndex)) {
        return false;
    }
    // What a program of this host sends out of the device's own end of such a link goes to the far
    // end; the copy looped back here is not something a camera on that link would ever hear.
    if (mSetup.peerIndex != 0 && info.arrivalIndex == mSetup.adapterIndex) {
        for (uint32_t ip : mSetup.adapterAddresses) {
            if (ip == info.sourceIp) {
                return false;
            }
        }
    }
    if (info.destinationIp == 0xFFFFFFFF) {
        return true;
    }
    const SoftNetworkConfig &own = mSetup.address;
    return own.mask != 0 && info.destinationIp == (own.ip | ~own.mask);
}

void SoftGvcpServer::Receive(UdpSocket &socket, bool wildcard)
{
    uint8_t buffer[RECEIVE_BUFFER_SIZE];
    DatagramInfo info;
    const ssize_t size = socket.Receive(buffer, sizeof(buffer), &info);
    if (size < 0 || info.truncated) {
        return;  // larger than any GVCP command: not ours
    }
    SoftPeer peer{info.sourceIp, info.sourcePort};
    if (SoftTrafficLogEnabled()) {
        SoftTrafficLog("SoftGvcpServer::Receive", "command from %08x:%u on adapter %u: %s", info.sourceIp,
                       info.sourcePort, info.arrivalIndex,
                       DescribeGvcp(buffer, static_cast<size_t>(size)).c_str());
    }
    if (wildcard && (!IsForThisAdapter(info) || IsBroadcastCopy(buffer, static_cast<size_t>(size), peer))) {
        return;
    }
    Dispatch(buffer, static_cast<size_t>(size), peer, wildcard ? ReplySocket() : socket);
}

// When both copies of one broadcast arrive, the second is dropped: same sender, same id and
// command, shortly after the first.
bool SoftGvcpServer::IsBroadcastCopy(const uint8_t *data, size_t size, const SoftPeer &peer)
{
    CommandHeader header;
    ParseCommandHeader(data, size, header);
    const auto now = std::chrono::steady_clock::now();
    const bool copy = mLastBroadcast.peer == peer && mLastBroadcast.requestId == header.requestId &&
                      mLastBroadcast.command == header.command &&
                      now - mLastBroadcast.time < BROADCAST_COPY_WINDOW;
    mLastBroadcast = LastBroadcast{peer, header.requestId, header.command, now};
    if (copy) {
        SoftLog("SoftGvcpServer::IsBroadcastCopy", "second copy of %s %u dropped",
                CommandName(header.command), header.requestId);
    }
    return copy;
}

void SoftGvcpServer::DispatchTcp(const uint8_t *data, size_t size, const SoftPeer &peer,
                                 const std::shared_ptr<TcpPacketSocket> &link)
{
    CommandHeader header;
    // As on UDP, a packet larger than any GVCP command is not one.
    if (link == nullptr || size > RECEIVE_BUFFER_SIZE ||
        ParseCommandHeader(data, size, header) != CodecError::Ok ||
        header.command == Command::DISCOVERY_CMD || header.command == Command::PACKETRESEND_CMD) {
        return;  // a host on TCP knows the device, and its streams need no resends
    }
    Dispatch(data, size, peer, mUnicast, link);
}

void SoftGvcpServer::Dispatch(const uint8_t *data, size_t size, const SoftPeer &peer, UdpSocket &replyVia,
                              const std::shared_ptr<TcpPacketSocket> &link)
{
    CommandHeader header;
    if (ParseCommandHeader(data, size, header) != CodecError::Ok &&
        (size < GVCP_HEADER_SIZE || data[0] != GVCP_KEY)) {
        return;  // not a GVCP command: dropped
    }
    mPrivilege.Heard(peer);
    if (header.command == Command::DISCOVERY_CMD) {
        uint32_t unused = 0;
        Packet ack = mHandler.Execute(data, size, peer, unused);
        const bool broadcast = (header.flags & FLAG_DISCOVERY_BROADCAST_ACK) &&
                               ((peer.ip ^ mSetup.address.ip) & mSetup.address.mask) != 0;
        if (header.AckRequired() && !ack.empty()) {
            if (broadcast) {
                replyVia.SendTo(ack.data(), ack.size(), 0xFFFFFFFF, peer.port, mSetup.adapterIndex);
            } else {
                Send(replyVia, ack, peer);
            }
        }
        return;
    }
    if (header.command == Command::PACKETRESEND_CMD) {
        // Served at once, beside any command in progress, and never acknowledged: a receiver
        // asks again with the same content when packets stay missing, which is no retry.
        uint32_t unused = 0;
        mHandler.Execute(data, size, peer, unused);
        return;
    }
    Packet command(data, data + size);
    std::unique_lock<std::mutex> lock(mMutex);
    if (AnswerRepeat(command, header, peer, replyVia, link.get())) {
        return;
    }
    if (mBusy) {
        lock.unlock();
        if (header.AckRequired()) {
            Send(replyVia, SoftGvcpHandler::ErrorAck(header, Status::BUSY), peer, link.get());
        }
        return;
    }
    mJob = Job{peer, header, std::move(command), &replyVia, link};
    mBusy = mHasJob = true;
    mJobStart = mLastPending = std::chrono::steady_clock::now();
    lock.unlock();
    mWork.notify_all();
}

// A retry is the same datagram again from the same peer (same request id, same content); a new
// command that happens to reuse an id runs normally. Called with mMutex held.
bool SoftGvcpServer::AnswerRepeat(const Packet &command, const CommandHeader &header, const SoftPeer &peer,
                                  UdpSocket &replyVia, const TcpPacketSocket *link)
{
    const bool running = mBusy && mJob.peer == peer && mJob.packet == command;
    auto found = mAnswered.find({peer.ip, peer.port});
    const bool answered = !running && found != mAnswered.end() && found->second.command == command;
    if (!running && !answered) {
        return false;
    }
    mStatistics.Count(SoftDeviceStatistics::Retries);
    if (running) {
        mStatistics.CountMax(SoftDeviceStatistics::RetriesMax, 1);
        if (header.AckRequired()) {
            mLastPending = std::chrono::steady_clock::now();
            SendPending(mJob);
        }
    } else {
        mStatistics.CountMax(SoftDeviceStatistics::RetriesMax, ++found->second.retries);
        if (header.AckRequired() && !found->second.ack.empty()) {
            Send(replyVia, found->second.ack, peer, link);
        }
    }
    return true;
}

void SoftGvcpServer::SendPending(const Job &job)
{
    PendingAck pending;
    pending.header.ackId = job.header.requestId;
    pending.timeToCompletionMs = PENDING_TIMEOUT_MS;
    Packet packet;
    Build(pending, packet);
    mStatistics.Count(SoftDeviceStatistics::PendingAcks);
    Send(*job.replyVia, packet, job.peer, job.link.get());
}

void SoftGvcpServer::WorkLoop()
{
    MarkDeviceThread(mContext);
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mMutex);
            mWork.wait(lock, [this] { return mStopping || mHasJob; });
            if (mStopping) {
                return;
            }
            job = mJob;
            mHasJob = false;
        }
        uint32_t forcedIp = 0;
        SoftNetworkConfig replaced;
        Packet ack = mHandler.Execute(job.packet.data(), job.packet.size(), job.peer, forcedIp, &replaced);
        mPrivilege.Heard(job.peer);  // a slow command must not cost its sender the session
        std::lock_guard<std::mutex> lock(mMutex);
        if (mAnswered.size() >= MAX_REMEMBERED_PEERS) {
            mAnswered.erase(mAnswered.begin());
        }
        mAnswered[{job.peer.ip, job.peer.port}] = Answered{job.packet, ack, 0};
        if (job.header.AckRequired() && !ack.empty()) {
            Send(*job.replyVia, ack, job.peer, job.link.get());
        }
        if (job.header.command == Command::FORCEIP_CMD && !ack.empty()) {
            mForcedIpToBind = forcedIp;
            mForcedIpChanged = true;
        }
        if (replaced.ip != 0) {
            mForcedToDrop.push_back(replaced);  // after the acknowledge that may leave from it
            mForcedIpChanged = true;
        }
        mBusy = false;
    }
}

void SoftGvcpServer::CheckHeartbeat()
{
    SoftRegister *config = mMap.Find(GVCP_CONFIG_OFFSET);
    SoftRegister *timeout = mMap.Find(HEARTBEAT_TIMEOUT_OFFSET);
    if (config == nullptr || timeout == nullptr ||
        (config->GetRawU32() & GVCP_CONFIG_HEARTBEAT_DISABLE_MASK)) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (mBusy) {
            return;  // the controller is waiting for us, not silent
        }
    }
    const SoftPeer controller = mPrivilege.Controller();
    if (mPrivilege.ExpireIfSilent(std::chrono::milliseconds(timeout->GetRawU32()))) {
        if (SoftRegister *ccp = mMap.Find(CCP_OFFSET)) {
            ccp->SetRawU32(0);
        }
        mStatistics.Count(SoftDeviceStatistics::HeartbeatFailed);
        mStatistics.Count(SoftDeviceStatistics::SessionsClosed);
        mHost.ControlChanged(SoftControlPrivilege::Change::Disconnected, controller, KyAccessOpen);
    }
}

void SoftGvcpServer::Send(UdpSocket &socket, const Packet &packet, const SoftPeer &peer,
                          const TcpPacketSocket *link)
{
    if (SoftTrafficLogEnabled()) {
        SoftTrafficLog("SoftGvcpServer::Send", "ack to %08x:%u%s: %s", peer.ip, peer.port,
                       link ? " (TCP)" : "", DescribeGvcp(packet.data(), packet.size()).c_str());
    }
    if (link != nullptr) {
        if (link->Send(packet.data(), packet.size()) != static_cast<ssize_t>(packet.size())) {
            SoftLog("SoftGvcpServer::Send", "the TCP connection of %08x:%u is lost", peer.ip, peer.port);
        }
        return;
    }
    if (socket.SendTo(packet.data(), packet.size(), peer.ip, peer.port) !=
        static_cast<ssize_t>(packet.size())) {
        SoftLog("SoftGvcpServer::Send", "could not send %zu bytes", packet.size());
    }
}

}  // namespace ky::soft
