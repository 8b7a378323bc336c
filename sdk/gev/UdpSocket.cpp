#include "gev/UdpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/udp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "ky/Ipv4Text.h"

namespace ky::gev {
namespace {

uint32_t SetBufferSize(int fd, int forceOption, int option, uint32_t bytes)
{
    const int value = bytes > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(bytes);
    if (setsockopt(fd, SOL_SOCKET, forceOption, &value, sizeof value) != 0)
        setsockopt(fd, SOL_SOCKET, option, &value, sizeof value);
    int actual = 0;
    socklen_t length = sizeof actual;
    if (getsockopt(fd, SOL_SOCKET, option, &actual, &length) != 0 || actual < 0)
        return 0;
    return static_cast<uint32_t>(actual);
}

std::string FormatAddress(const sockaddr_in &address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

KyResult SystemError(int error, const std::string &what)
{
    return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(error),
                    KyString(what + ": " + std::strerror(error)));
}

// Sets the options that must be in place before bind; a failure names the option.
KyResult Prepare(int fd, const UdpSocket::Options &options)
{
    const int on = 1;
    if (options.reuseAddress && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        return SystemError(errno, "cannot share a UDP port (SO_REUSEADDR)");
    if (options.broadcast && setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
        return SystemError(errno, "cannot allow broadcasts on a UDP socket");
    if (options.packetInfo && setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0)
        return SystemError(errno, "cannot ask for the arrival of UDP datagrams (IP_PKTINFO)");
    if (!options.device.empty() && setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, options.device.c_str(),
                                              static_cast<socklen_t>(options.device.size() + 1)) != 0)
        return SystemError(errno, "cannot bind a UDP socket to the interface " + options.device);
    return KyResult();
}

}  // namespace

UdpSocket::~UdpSocket() { Close(); }

KyResult UdpSocket::MakeAddress(const std::string &address, uint16_t port, sockaddr_in &out)
{
    sockaddr_in a = MakeAddress(INADDR_ANY, port);
    if (!address.empty() && inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1)
        return KyResult(KY_INVALID_PARAMETER, KyString("\"" + address + "\" is not an IPv4 address"));
    out = a;
    return KyResult();
}

sockaddr_in UdpSocket::MakeAddress(uint32_t ip, uint16_t port)
{
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(ip);
    return a;
}

KyResult UdpSocket::Open(const std::string &address, uint16_t port, const Options &options)
{
    Close();
    sockaddr_in local;
    KyResult result = MakeAddress(address, port, local);
    if (result.IsFailure())
        return result;
    return Open(ntohl(local.sin_addr.s_addr), port, options);
}

KyResult UdpSocket::Open(uint32_t ip, uint16_t port, const Options &options)
{
    Close();
    const sockaddr_in local = MakeAddress(ip, port);
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | (options.nonBlocking ? SOCK_NONBLOCK : 0), 0);
    if (fd < 0)
        return SystemError(errno, "cannot open a UDP socket");
    KyResult result = Prepare(fd, options);
    if (result.IsOK() && bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0)
        result = SystemError(errno, "cannot bind a UDP socket to " + FormatAddress(local));
    if (result.IsFailure()) {
        ::close(fd);
        return result;
    }
    sockaddr_in bound;
    socklen_t length = sizeof bound;
    if (getsockname(fd, reinterpret_cast<sockaddr *>(&bound), &length) == 0)
        mLocalPort = ntohs(bound.sin_port);
    mFd = fd;
    return KyResult();
}

KyResult UdpSocket::Connect(const sockaddr_in &peer, sockaddr_in &local)
{
    if (connect(mFd, reinterpret_cast<const sockaddr *>(&peer), sizeof peer) != 0) {
        const int error = errno;
        return KyResult(KY_NOT_CONNECTED, static_cast<uint32_t>(error),
                        KyString("no route to " + FormatAddress(peer) + ": " + std::strerror(error)));
    }
    socklen_t length = sizeof local;
    if (getsockname(mFd, reinterpret_cast<sockaddr *>(&local), &length) != 0)
        return SystemError(errno, "cannot read the local address of the route to " + FormatAddress(peer));
    return KyResult();
}

KyResult UdpSocket::Connect(uint32_t ip, uint16_t port, uint32_t &localIp)
{
    sockaddr_in local;
    std::memset(&local, 0, sizeof local);
    KyResult result = Connect(MakeAddress(ip, port), local);
    localIp = result.IsOK() ? ntohl(local.sin_addr.s_addr) : 0;
    return result;
}

void UdpSocket::Close()
{
    const int fd = mFd.exchange(-1);
    if (fd >= 0)
        ::close(fd);
    mLocalPort = 0;
}

uint32_t UdpSocket::SetReceiveBufferSize(uint32_t bytes)
{
    return mFd < 0 ? 0 : SetBufferSize(mFd, SO_RCVBUFFORCE, SO_RCVBUF, bytes);
}

uint32_t UdpSocket::SetSendBufferSize(uint32_t bytes)
{
    return mFd < 0 ? 0 : SetBufferSize(mFd, SO_SNDBUFFORCE, SO_SNDBUF, bytes);
}

bool UdpSocket::EnableReceiveOffload()
{
    const int one = 1;
    return mFd >= 0 && setsockopt(mFd, SOL_UDP, UDP_GRO, &one, sizeof one) == 0;
}

KyResult UdpSocket::JoinMulticastGroup(uint32_t group, uint32_t interfaceIp)
{
    if ((group & 0xF0000000u) != 0xE0000000u)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString(ky::base::FormatIPv4(group) + " is no multicast group"));
    if (mFd < 0)
        return KyResult(KY_STATE_ERROR, KyString("the socket is not open"));
    ip_mreqn request;
    std::memset(&request, 0, sizeof request);
    request.imr_multiaddr.s_addr = htonl(group);
    request.imr_address.s_addr = htonl(interfaceIp);
    if (setsockopt(mFd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0)
        return SystemError(errno, "cannot join the multicast group " + ky::base::FormatIPv4(group) +
                                      " on the adapter of " + ky::base::FormatIPv4(interfaceIp));
    return KyResult();
}

int UdpSocket::WaitReadable(int timeoutMs) const
{
    bool ready = false;
    const UdpSocket *self = this;
    return WaitReadable(&self, 1, timeoutMs, &ready);
}

int UdpSocket::WaitReadable(const UdpSocket *const *sockets, size_t count, int timeoutMs, bool *ready)
{
    std::vector<pollfd> waiters(count);
    for (size_t i = 0; i < count; ++i) {
        ready[i] = false;
        // A negative descriptor is skipped by poll.
        waiters[i] = pollfd{sockets[i] != nullptr ? sockets[i]->Fd() : -1, POLLIN, 0};
    }
    const int found = poll(waiters.data(), waiters.size(), timeoutMs < 0 ? 0 : timeoutMs);
    if (found < 0)
        return errno == EINTR ? 0 : -1;
    // An error (a refused datagram on a connected socket) is read, and so cleared, by Receive.
    for (size_t i = 0; i < count; ++i)
        ready[i] = (waiters[i].revents & (POLLIN | POLLERR)) != 0;
    return found > 0 ? 1 : 0;
}

ssize_t UdpSocket::Send(const void *data, size_t size, bool dontWait) const
{
    return send(mFd, data, size, MSG_NOSIGNAL | (dontWait ? MSG_DONTWAIT : 0));
}

ssize_t UdpSocket::SendTo(const void *data, size_t size, uint32_t ip, uint16_t port,
                          unsigned adapterIndex) const
{
    sockaddr_in destination = MakeAddress(ip, port);
    iovec vector{const_cast<void *>(data), size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof destination;
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    if (adapterIndex != 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr *header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo packetInfo{};
        packetInfo.ipi_ifindex = static_cast<int>(adapterIndex);
        std::memcpy(CMSG_DATA(header), &packetInfo, sizeof packetInfo);
    }
    return sendmsg(mFd, &message, MSG_NOSIGNAL);
}

int UdpSocket::SendBatch(mmsghdr *messages, unsigned count) const
{
    return sendmmsg(mFd, messages, count, MSG_NOSIGNAL);
}

int UdpSocket::ReceiveBatch(mmsghdr *messages, unsigned count) const
{
    return recvmmsg(mFd, messages, count, MSG_DONTWAIT, nullptr);
}

ssize_t UdpSocket::Receive(void *buffer, size_t capacity, DatagramInfo *info) const
{
    sockaddr_in source{};
    iovec vector{buffer, capacity};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &source;
    message.msg_namelen = sizeof source;
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t size = recvmsg(mFd, &message, MSG_DONTWAIT);
    if (size < 0 || info == nullptr)
        return size;
    *info = DatagramInfo{};
    if (message.msg_namelen == sizeof source && source.sin_family == AF_INET) {
        info->sourceIp = ntohl(source.sin_addr.s_addr);
        info->sourcePort = ntohs(source.sin_port);
    }
    info->truncated = (message.msg_flags & MSG_TRUNC) != 0;
    for (cmsghdr *header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO &&
            header->cmsg_len >= CMSG_LEN(sizeof(in_pktinfo))) {
            in_pktinfo packetInfo;
            std::memcpy(&packetInfo, CMSG_DATA(header), sizeof packetInfo);
            info->destinationIp = ntohl(packetInfo.ipi_addr.s_addr);
            info->arrivalIndex = static_cast<unsigned>(packetInfo.ipi_ifindex);
        }
    }
    return size;
}

}  // namespace ky::gev
