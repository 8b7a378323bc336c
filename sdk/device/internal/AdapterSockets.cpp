#include "AdapterSockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ky {
namespace device {

namespace {
using Clock = std::chrono::steady_clock;

const std::vector<HostAdapter> &NoAdapters()
{
    static const std::vector<HostAdapter> none;
    return none;
}

sockaddr_in Endpoint(uint32_t ip, uint16_t port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(ip);
    return address;
}

// Sends out of one interface: IP_PKTINFO picks the outgoing adapter for a broadcast without
// binding the socket to the device, so answers that the kernel delivers locally (through lo)
// still reach it.
void SendThrough(int fd, unsigned int ifindex, uint32_t destination, const gev::Packet &packet)
{
    sockaddr_in to = Endpoint(destination, gev::GVCP_PORT);
    iovec data {const_cast<uint8_t *>(packet.data()), packet.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message {};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr *header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info {};
    info.ipi_ifindex = static_cast<int>(ifindex);
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    (void)::sendmsg(fd, &message, MSG_NOSIGNAL);
}
}  // namespace

AdapterSockets::AdapterSockets(const std::vector<HostAdapter> &adapters) : mAdapters(adapters)
{
    for (size_t i = 0; i < adapters.size(); ++i)
        if (!adapters[i].addresses.empty())
            Open(i, adapters[i].addresses.front().ip);
}

AdapterSockets::AdapterSockets() : mAdapters(NoAdapters()) { Open(0, INADDR_ANY); }

void AdapterSockets::Open(size_t adapter, uint32_t bindIp)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in local = Endpoint(bindIp, 0);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
        ::close(fd);
        return;
    }
    mSockets.push_back({adapter, fd});
}

void AdapterSockets::SendTo(uint32_t ip, const gev::Packet &packet)
{
    for (const Entry &entry : mSockets)
        SendThrough(entry.fd, 0, ip, packet);
}

AdapterSockets::~AdapterSockets()
{
    for (const Entry &entry : mSockets)
        ::close(entry.fd);
}

void AdapterSockets::SendToAll(const gev::Packet &packet, bool subnetBroadcast)
{
    for (const Entry &entry : mSockets) {
        if (entry.adapter >= mAdapters.size())
            continue;  // the socket of SendTo, not tied to an adapter
        const HostAdapter &adapter = mAdapters[entry.adapter];
        if (adapter.loopback || !adapter.broadcast) {
            for (const HostAddress &address : adapter.addresses)
                SendThrough(entry.fd, adapter.index, address.ip, packet);
            continue;
        }
        SendThrough(entry.fd, adapter.index, INADDR_BROADCAST, packet);
        if (subnetBroadcast)
            for (const HostAddress &address : adapter.addresses)
                if (address.mask != 0 && address.mask != 0xFFFFFFFFu)
                    SendThrough(entry.fd, adapter.index, address.ip | ~address.mask, packet);
    }
}

void AdapterSockets::Collect(std::chrono::milliseconds timeout,
                             const std::function<bool(size_t, const uint8_t *, size_t)> &onAnswer)
{
    if (mSockets.empty())
        return;
    std::vector<pollfd> waiters;
    for (const Entry &entry : mSockets)
        waiters.push_back({entry.fd, POLLIN, 0});
    const Clock::time_point deadline = Clock::now() + timeout;
    uint8_t buffer[2048];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        const int ready = ::poll(waiters.data(), waiters.size(), static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready <= 0)
            continue;
        for (size_t i = 0; i < waiters.size(); ++i) {
            if (!(waiters[i].revents & (POLLIN | POLLERR)))
                continue;
            const ssize_t received = ::recv(waiters[i].fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (received <= 0)
                continue;
            if (onAnswer(mSockets[i].adapter, buffer, static_cast<size_t>(received)))
                return;
        }
    }
}

}  // namespace device
}  // namespace ky
