#include "gev/UdpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

} // namespace

UdpSocket::~UdpSocket()
{
    Close();
}

KyResult UdpSocket::MakeAddress(const std::string &address, uint16_t port, sockaddr_in &out)
{
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (address.empty())
        a.sin_addr.s_addr = htonl(INADDR_ANY);
    else if (inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1)
        return KyResult(KY_INVALID_PARAMETER, KyString("\"" + address + "\" is not an IPv4 address"));
    out = a;
    return KyResult();
}

KyResult UdpSocket::Open(const std::string &address, uint16_t port)
{
    Close();
    sockaddr_in local;
    KyResult result = MakeAddress(address, port, local);
    if (result.IsFailure())
        return result;
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(errno),
                        KyString(std::string("cannot open a UDP socket: ") + std::strerror(errno)));
    if (bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
        const int error = errno;
        ::close(fd);
        return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(error),
                        KyString("cannot bind a UDP socket to " + (address.empty() ? std::string("0.0.0.0") : address) +
                                 ":" + std::to_string(port) + ": " + std::strerror(error)));
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
                        KyString(std::string("no route to the peer: ") + std::strerror(error)));
    }
    socklen_t length = sizeof local;
    if (getsockname(mFd, reinterpret_cast<sockaddr *>(&local), &length) != 0) {
        const int error = errno;
        return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(error),
                        KyString(std::string("cannot read the local address of a route: ") + std::strerror(error)));
    }
    return KyResult();
}

void UdpSocket::Close()
{
    if (mFd >= 0)
        ::close(mFd);
    mFd = -1;
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

} // namespace ky::gev
