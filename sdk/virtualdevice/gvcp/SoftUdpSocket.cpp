#include "gvcp/SoftUdpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ky::soft {

KyResult SoftUdpSocket::Open(uint32_t ip, uint16_t port)
{
    Close();
    mFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (mFd < 0) {
        return KyResult(KY_NETWORK_ERROR, errno, "cannot open a UDP socket");
    }
    const int on = 1;
    setsockopt(mFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    setsockopt(mFd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
    setsockopt(mFd, IPPROTO_IP, IP_PKTINFO, &on, sizeof(on));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(ip);
    address.sin_port = htons(port);
    if (bind(mFd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0) {
        const int error = errno;
        Close();
        return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(error),
                        KyString("cannot bind UDP port ") + std::to_string(port) + ": " + std::strerror(error));
    }
    return KyResult(KY_OK);
}

void SoftUdpSocket::Close()
{
    if (mFd >= 0) {
        close(mFd);
        mFd = -1;
    }
}

uint16_t SoftUdpSocket::LocalPort() const
{
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    if (mFd < 0 || getsockname(mFd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

long SoftUdpSocket::Receive(uint8_t *buffer, size_t capacity, SoftDatagramInfo &info)
{
    sockaddr_in source{};
    iovec vector{buffer, capacity};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &source;
    message.msg_namelen = sizeof(source);
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    const ssize_t size = recvmsg(mFd, &message, 0);
    if (size < 0) {
        return -1;
    }
    info = SoftDatagramInfo{};
    info.sourceIp = ntohl(source.sin_addr.s_addr);
    info.sourcePort = ntohs(source.sin_port);
    info.truncated = (message.msg_flags & MSG_TRUNC) != 0;
    for (cmsghdr *header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            in_pktinfo packetInfo;
            std::memcpy(&packetInfo, CMSG_DATA(header), sizeof(packetInfo));
            info.destinationIp = ntohl(packetInfo.ipi_addr.s_addr);
            info.arrivalIndex = static_cast<unsigned>(packetInfo.ipi_ifindex);
        }
    }
    return static_cast<long>(size);
}

bool SoftUdpSocket::SendTo(const uint8_t *data, size_t size, uint32_t ip, uint16_t port, unsigned adapterIndex)
{
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr.s_addr = htonl(ip);
    destination.sin_port = htons(port);
    iovec vector{const_cast<uint8_t *>(data), size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof(destination);
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    if (adapterIndex != 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof(control);
        cmsghdr *header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo packetInfo{};
        packetInfo.ipi_ifindex = static_cast<int>(adapterIndex);
        std::memcpy(CMSG_DATA(header), &packetInfo, sizeof(packetInfo));
    }
    return sendmsg(mFd, &message, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

}  // namespace ky::soft
