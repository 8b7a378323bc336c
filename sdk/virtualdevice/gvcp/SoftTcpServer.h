// SoftTcpServer: the device's TCP transport, beside its UDP ports, for hosts of this kit that
// ask for TCP. It listens on the GVCP port number of the device's address; every connection
// carries packets framed as gev/TcpPacketSocket.h says, and plays whichever parts its host gives
// it:
// - control: GVCP commands that arrive on it go to the GVCP server, and their acknowledges come
//   back on it;
// - messaging: when the connection's host end (address and port) is the message channel's
//   destination (MCDA, MCP), events go over it and their acknowledges come back on it;
// - streaming: when its host end is a stream channel's destination (SCDA, SCP), the channel's
//   GVSP packets go over it.
// A connection that breaks its framing (a length of 0 or above the largest packet) is closed at
// once; so is one beyond the most connections the device keeps.
//
// Threads: one thread accepts and reads; Find may be called from any thread (it also accepts the
// connections waiting, so that a host that connected just before naming itself as a destination
// is found).
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "gev/Gvcp.h"
#include "gev/TcpPacketSocket.h"
#include "gvcp/SoftControlPrivilege.h"
#include "ky/base/KyResult.h"

namespace ky::soft {

// One host's connection, and the acknowledges it sent to the device's events.
class SoftTcpLink
{
public:
    ky::gev::TcpPacketSocket socket;

    // The next acknowledge, waiting up to timeoutMs; false when none came or the connection is gone.
    bool WaitAck(ky::gev::Packet &ack, int timeoutMs);
    void PushAck(const uint8_t *data, size_t size);
    void Ended();

private:
    std::mutex mMutex;
    std::condition_variable mArrived;
    std::deque<ky::gev::Packet> mAcks;
    bool mEnded = false;
};

class SoftTcpServer
{
public:
    static constexpr size_t MAX_LINKS = 32;

    // A GVCP command from a connection; runs on the server's thread. data lives for the call.
    using CommandHandler = std::function<void(const uint8_t *data, size_t size, const SoftPeer &peer,
                                              const std::shared_ptr<ky::gev::TcpPacketSocket> &link)>;

    SoftTcpServer() = default;
    ~SoftTcpServer() { Stop(); }
    SoftTcpServer(const SoftTcpServer &) = delete;
    SoftTcpServer &operator=(const SoftTcpServer &) = delete;

    // Listens on ip:port (host order) and starts the thread.
    KyResult Start(uint32_t ip, uint16_t port, CommandHandler handler);
    // Joins the thread and ends every connection; Find then answers null.
    void Stop();
    bool IsServerThread() const { return std::this_thread::get_id() == mThread.get_id(); }

    // The open connection whose host end is ip:port (host order), null for none.
    std::shared_ptr<SoftTcpLink> Find(uint32_t ip, uint16_t port);
    // The same as a packet socket (sharing the link's life), for the stream channels' senders.
    std::shared_ptr<ky::gev::TcpPacketSocket> FindSocket(uint32_t ip, uint16_t port);

private:
    void Loop();
    void AcceptWaiting();  // with mMutex held
    void Serve(const std::shared_ptr<SoftTcpLink> &link);

    CommandHandler mHandler;
    int mListen = -1;
    std::thread mThread;
    std::atomic<bool> mStop{false};
    std::mutex mMutex;
    bool mRunning = false;
    std::vector<std::shared_ptr<SoftTcpLink>> mLinks;
};

}  // namespace ky::soft
