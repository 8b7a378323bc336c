#include "rtp/RtpTransport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ky::stream {
namespace {

bool ParseIPv4(const std::string &text, in_addr &out) { return inet_pton(AF_INET, text.c_str(), &out) == 1; }

KyResult Refuse(uint32_t code, const std::string &text) { return KyResult(code, KyString(text)); }

std::string ErrnoText(const std::string &what, int error) { return what + ": " + std::strerror(error); }

}  // namespace

KyResult RtpTransport::Open(const RtpEndpoint &endpoint)
{
    // One opening per transport: the receiver makes a new one for each Open of the stream.
    Close();
    in_addr parsed{};
    if (endpoint.mode == RtpTransportMode::Tcp)
        return OpenTcp(endpoint);
    if (endpoint.mode == RtpTransportMode::Unicast) {
        if (!endpoint.address.empty() && !ParseIPv4(endpoint.address, parsed))
            return Refuse(KY_INVALID_PARAMETER, "'" + endpoint.address + "' is not an IPv4 address");
        KyResult result = mUdp.Open(endpoint.address, endpoint.port);
        if (result.IsFailure())
            return result;
    } else {
        if (!ParseIPv4(endpoint.address, parsed) || !IN_MULTICAST(ntohl(parsed.s_addr)))
            return Refuse(KY_INVALID_PARAMETER, "'" + endpoint.address + "' is no IPv4 multicast group");
        if (endpoint.port == 0)
            return Refuse(KY_INVALID_PARAMETER, "a multicast stream needs the port the sender sends to");
        in_addr local{};
        if (!endpoint.local.empty() && !ParseIPv4(endpoint.local, local))
            return Refuse(KY_INVALID_PARAMETER, "'" + endpoint.local + "' is not an IPv4 address");
        gev::UdpSocket::Options options;
        options.reuseAddress = true;  // other receivers of the group may share the port
        // Bound to the group itself: only the group's datagrams arrive on this socket.
        KyResult result = mUdp.Open(endpoint.address, endpoint.port, options);
        if (result.IsOK())
            result = mUdp.JoinMulticastGroup(ntohl(parsed.s_addr), ntohl(local.s_addr));
        if (result.IsFailure()) {
            mUdp.Close();
            return result;
        }
    }
    (void)mUdp.SetReceiveBufferSize(8u << 20);  // a frame arrives in a burst of datagrams
    mLocalPort = mUdp.LocalPort();
    return KyResult();
}

KyResult RtpTransport::OpenTcp(const RtpEndpoint &endpoint)
{
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(endpoint.port);
    if (!ParseIPv4(endpoint.address, server.sin_addr))
        return Refuse(KY_INVALID_PARAMETER, "'" + endpoint.address + "' is not an IPv4 address");
    if (endpoint.port == 0)
        return Refuse(KY_INVALID_PARAMETER, "a TCP stream needs the server's port");
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return Refuse(KY_NETWORK_ERROR, ErrnoText("cannot make a TCP socket", errno));
    int rc = ::connect(fd, reinterpret_cast<const sockaddr *>(&server), sizeof server);
    int error = rc == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        rc = ::poll(&p, 1, CONNECT_TIMEOUT_MS);
        socklen_t length = sizeof error;
        if (rc <= 0)
            error = rc == 0 ? ETIMEDOUT : errno;
        else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
    }
    if (error != 0) {
        ::close(fd);
        return Refuse(
            KY_NOT_CONNECTED,
            ErrnoText("cannot connect to " + endpoint.address + ":" + std::to_string(endpoint.port), error));
    }
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &length) == 0) {
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &local.sin_addr, text, sizeof text) != nullptr)
            mConnectionAddress = text;
        mLocalPort = ntohs(local.sin_port);
    }
    mTcpFd = fd;
    return KyResult();
}

void RtpTransport::Close()
{
    mUdp.Close();
    const int fd = mTcpFd.exchange(-1);
    if (fd >= 0)
        ::close(fd);
    // Port and address stay as they were: getters of the stream may read them meanwhile.
}

ssize_t RtpTransport::Read(std::uint8_t *data, std::size_t capacity, int timeoutMs, gev::DatagramInfo *from)
{
    const int tcp = mTcpFd;
    if (tcp < 0) {
        const int ready = mUdp.WaitReadable(timeoutMs);
        if (ready <= 0)
            return ready == 0 || errno == EINTR ? 0 : -1;
        const ssize_t n = mUdp.Receive(data, capacity, from);
        if (n >= 0)
            return n;
        // Nothing after all, or an ICMP error reported on the socket: no packet, try again.
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNREFUSED ? 0 : -1;
    }
    pollfd p{tcp, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready <= 0)
        return ready == 0 || errno == EINTR ? 0 : -1;
    const ssize_t n = ::recv(tcp, data, capacity, 0);
    if (n > 0)
        return n;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return 0;
    return -1;  // the server closed the connection, or it failed
}

}  // namespace ky::stream
