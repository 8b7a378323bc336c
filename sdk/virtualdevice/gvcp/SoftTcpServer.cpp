#include "gvcp/SoftTcpServer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "SoftLog.h"
#include "ky/Ipv4Text.h"

namespace ky::soft {

using namespace ky::gev;

namespace {

constexpr int POLL_INTERVAL_MS = 20;
constexpr size_t MAX_WAITING_ACKS = 16;
constexpr int LISTEN_BACKLOG = 16;

}  // namespace

bool SoftTcpLink::WaitAck(Packet &ack, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mMutex);
    mArrived.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                      [this] { return mEnded || !mAcks.empty(); });
    if (mAcks.empty()) {
        return false;
    }
    ack = std::move(mAcks.front());
    mAcks.pop_front();
    return true;
}

void SoftTcpLink::PushAck(const uint8_t *data, size_t size)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (mAcks.size() >= MAX_WAITING_ACKS) {
            mAcks.pop_front();  // nobody waits for these: the oldest goes
        }
        mAcks.emplace_back(data, data + size);
    }
    mArrived.notify_all();
}

void SoftTcpLink::Ended()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mEnded = true;
    }
    mArrived.notify_all();
}

KyResult SoftTcpServer::Start(uint32_t ip, uint16_t port, CommandHandler handler)
{
    Stop();
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(errno),
                        "cannot open the TCP listening socket");
    }
    const int on = 1;
    (void)setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in address = UdpSocket::MakeAddress(ip, port);
    if (bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        listen(fd, LISTEN_BACKLOG) != 0) {
        const int error = errno;
        ::close(fd);
        return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(error),
                        KyString("cannot listen for TCP at ") + ky::base::FormatIPv4(ip) + ":" +
                            std::to_string(port) + ": " + std::strerror(error));
    }
    mHandler = std::move(handler);
    mListen = fd;
    mStop = false;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mRunning = true;
    }
    try {
        mThread = std::thread(&SoftTcpServer::Loop, this);
    } catch (const std::exception &error) {
        Stop();
        return KyResult(KY_THREAD_ERROR, std::string("cannot start the TCP transport: ") + error.what());
    }
    return KyResult(KY_OK);
}

void SoftTcpServer::Stop()
{
    mStop = true;
    if (mThread.joinable()) {
        mThread.join();
    }
    std::vector<std::shared_ptr<SoftTcpLink>> links;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mRunning = false;
        links.swap(mLinks);
        if (mListen >= 0) {
            ::close(mListen);
            mListen = -1;
        }
    }
    // A sender may still hold a link: it finds it lost, and the last holder closes it.
    for (const auto &link : links) {
        link->socket.Shutdown();
        link->Ended();
    }
}

void SoftTcpServer::AcceptWaiting()
{
    if (!mRunning || mListen < 0) {
        return;
    }
    for (;;) {
        const int fd = accept4(mListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            return;  // none waiting (the listening socket never blocks)
        }
        if (mLinks.size() >= MAX_LINKS) {
            SoftLog("SoftTcpServer", "a TCP connection refused: %zu are open already", mLinks.size());
            ::close(fd);
            continue;
        }
        auto link = std::make_shared<SoftTcpLink>();
        link->socket.Adopt(fd);
        mLinks.push_back(std::move(link));
    }
}

std::shared_ptr<SoftTcpLink> SoftTcpServer::Find(uint32_t ip, uint16_t port)
{
    std::lock_guard<std::mutex> lock(mMutex);
    AcceptWaiting();
    for (const auto &link : mLinks) {
        if (link->socket.PeerIp() == ip && link->socket.PeerPort() == port && !link->socket.IsBroken()) {
            return link;
        }
    }
    return nullptr;
}

std::shared_ptr<TcpPacketSocket> SoftTcpServer::FindSocket(uint32_t ip, uint16_t port)
{
    std::shared_ptr<SoftTcpLink> link = Find(ip, port);
    return link ? std::shared_ptr<TcpPacketSocket>(link, &link->socket) : nullptr;
}

void SoftTcpServer::Serve(const std::shared_ptr<SoftTcpLink> &link)
{
    TcpPacketSocket &socket = link->socket;
    socket.Pump();
    const uint8_t *data = nullptr;
    size_t size = 0;
    const SoftPeer peer{socket.PeerIp(), socket.PeerPort()};
    std::shared_ptr<TcpPacketSocket> asSocket(link, &socket);
    while (!mStop && socket.Next(data, size)) {
        if (data[0] == GVCP_KEY) {
            if (mHandler) {
                mHandler(data, size, peer, asSocket);
            }
        } else {
            link->PushAck(data, size);
        }
    }
}

void SoftTcpServer::Loop()
{
    std::vector<std::shared_ptr<SoftTcpLink>> links;
    std::vector<pollfd> waits;
    while (!mStop) {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            links = mLinks;
        }
        waits.assign(1, pollfd{mListen, POLLIN, 0});
        for (const auto &link : links) {
            waits.push_back(pollfd{link->socket.Fd(), POLLIN, 0});
        }
        if (poll(waits.data(), waits.size(), POLL_INTERVAL_MS) <= 0) {
            continue;
        }
        if (waits[0].revents != 0) {
            std::lock_guard<std::mutex> lock(mMutex);
            AcceptWaiting();
        }
        bool lost = false;
        for (size_t i = 0; i < links.size(); ++i) {
            if (waits[i + 1].revents != 0) {
                Serve(links[i]);
            }
            lost = lost || links[i]->socket.IsBroken();
        }
        if (lost) {
            std::lock_guard<std::mutex> lock(mMutex);
            for (auto it = mLinks.begin(); it != mLinks.end();) {
                if ((*it)->socket.IsBroken()) {
                    (*it)->Ended();
                    it = mLinks.erase(it);
                } else {
                    ++it;
                }
            }
        }
    }
}

}  // namespace ky::soft
