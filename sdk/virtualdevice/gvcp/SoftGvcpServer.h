// SoftGvcpServer: the device's GVCP port. A receive thread takes datagrams (broadcasts on the
// wildcard socket, filtered to the device's own adapter; unicasts on the socket bound to the
// device's address), answers discovery at once, and hands every other command to a worker
// thread, one at a time. While the worker runs a command, a repeat of it is answered with
// PENDING_ACK and any other command with BUSY; a repeat of a finished command gets its stored
// acknowledge again, so no command runs twice. The receive thread also ends a silent
// controller's session when its heartbeat times out.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include <vector>

#include "gvcp/SoftGvcpHandler.h"
#include "gev/TcpPacketSocket.h"
#include "gev/UdpSocket.h"

namespace ky::soft {

class SoftGvcpServer
{
public:
    struct Setup
    {
        unsigned adapterIndex = 0;
        unsigned peerIndex = 0;     // the other end of a point-to-point adapter (veth), 0 if none
        SoftNetworkConfig address;  // where the device answers unicasts
        std::vector<uint32_t> adapterAddresses;  // every IPv4 address of the device's adapter
        bool loopback = false;
    };

    SoftGvcpServer(SoftGvcpHandler &handler, SoftRegisterMap &map, SoftControlPrivilege &privilege,
                   SoftDeviceStatistics &statistics, SoftDeviceContext &context, SoftDeviceHost &host);
    ~SoftGvcpServer() { Stop(); }

    KyResult Start(const Setup &setup);
    void Stop();
    // A command that came over a host's TCP connection (SoftTcpServer): handled as a unicast
    // command, answered on that connection. Discovery and resend requests are not taken there.
    void DispatchTcp(const uint8_t *data, size_t size, const SoftPeer &peer,
                     const std::shared_ptr<ky::gev::TcpPacketSocket> &link);
    // True on the receive or the worker thread (where event sinks run).
    bool IsServerThread() const
    {
        const auto self = std::this_thread::get_id();
        return self == mReceiver.get_id() || self == mWorker.get_id();
    }

private:
    struct Job
    {
        SoftPeer peer;
        ky::gev::CommandHeader header;
        ky::gev::Packet packet;
        ky::gev::UdpSocket *replyVia = nullptr;
        std::shared_ptr<ky::gev::TcpPacketSocket> link;  // set: the answer goes there instead
    };
    struct Answered
    {
        ky::gev::Packet command;  // a retry repeats these bytes exactly
        ky::gev::Packet ack;
        uint32_t retries = 0;
    };

    void ReceiveLoop();
    void WorkLoop();
    void Receive(ky::gev::UdpSocket &socket, bool wildcard);
    void Dispatch(const uint8_t *data, size_t size, const SoftPeer &peer, ky::gev::UdpSocket &replyVia,
                  const std::shared_ptr<ky::gev::TcpPacketSocket> &link = nullptr);
    bool AnswerRepeat(const ky::gev::Packet &command, const ky::gev::CommandHeader &header,
                      const SoftPeer &peer, ky::gev::UdpSocket &replyVia,
                      const ky::gev::TcpPacketSocket *link);
    void SendPending(const Job &job);
    void CheckHeartbeat();
    void Send(ky::gev::UdpSocket &socket, const ky::gev::Packet &packet, const SoftPeer &peer,
              const ky::gev::TcpPacketSocket *link = nullptr);
    bool IsForThisAdapter(const ky::gev::DatagramInfo &info);
    void ReleaseAddress();
    bool IsBroadcastCopy(const uint8_t *data, size_t size, const SoftPeer &peer);
    void BindForcedAddress(uint32_t ip);
    ky::gev::UdpSocket &ReplySocket();

    SoftGvcpHandler &mHandler;
    SoftRegisterMap &mMap;
    SoftControlPrivilege &mPrivilege;
    SoftDeviceStatistics &mStatistics;
    SoftDeviceContext &mContext;
    SoftDeviceHost &mHost;
    Setup mSetup;
    bool mOwnsAddress = false;

    struct LastBroadcast
    {
        SoftPeer peer;
        uint16_t requestId = 0;
        ky::gev::Command command = ky::gev::Command::DISCOVERY_CMD;
        std::chrono::steady_clock::time_point time;
    } mLastBroadcast;  // receive thread only

    ky::gev::UdpSocket mWildcard;
    ky::gev::UdpSocket mUnicast;
    ky::gev::UdpSocket mForced;  // bound to an address a FORCEIP added to the adapter
    std::thread mReceiver;
    std::thread mWorker;

    std::mutex mMutex;
    std::condition_variable mWork;
    bool mStopping = false;
    bool mBusy = false;    // a job is queued or running
    bool mHasJob = false;  // queued, not yet taken by the worker
    Job mJob;
    std::chrono::steady_clock::time_point mJobStart, mLastPending;
    std::map<std::pair<uint32_t, uint16_t>, Answered> mAnswered;  // by peer
    uint32_t mForcedIp = 0;                                       // the address mForced is bound to
    uint32_t mForcedIpToBind = 0;  // set by the worker, bound by the receive thread
    bool mForcedIpChanged = false;
    std::vector<SoftNetworkConfig> mForcedToDrop;  // replaced by FORCEIPs whose acknowledge is sent
};

}  // namespace ky::soft
