#include "gev/TcpPacketSocket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ky/ByteOrder.h"

namespace ky::gev {
namespace {

constexpr size_t kFrameMost = TCP_FRAME_HEADER_SIZE + TCP_MAX_PACKET_SIZE;
constexpr size_t kReaderBytes = 2 * kFrameMost;
// A send that the peer does not take within this long ends the connection.
constexpr int kSendTimeoutMs = 5000;
constexpr size_t kMostPieces = 8;

KyResult SystemError(int error, const char *what)
{
    return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(error),
                    KyString(std::string(what) + ": " + std::strerror(error)));
}

}  // namespace

uint8_t *TcpFrameReader::Room(size_t &capacity)
{
    if (mBuffer.size() < kReaderBytes)
        mBuffer.resize(kReaderBytes);
    if (mStart == mEnd) {
        mStart = mEnd = 0;
    } else if (mBuffer.size() - mEnd < kFrameMost && mStart > 0) {
        std::memmove(mBuffer.data(), mBuffer.data() + mStart, mEnd - mStart);
        mEnd -= mStart;
        mStart = 0;
    }
    capacity = mBuffer.size() - mEnd;
    return mBuffer.data() + mEnd;
}

void TcpFrameReader::Commit(size_t bytes) { mEnd = std::min(mEnd + bytes, mBuffer.size()); }

TcpFrameReader::Result TcpFrameReader::Next(const uint8_t *&data, size_t &length)
{
    const size_t available = mEnd - mStart;
    if (available < TCP_FRAME_HEADER_SIZE)
        return Result::NeedMore;
    const uint32_t announced = ky::base::LoadBig32(mBuffer.data() + mStart);
    if (announced == 0 || announced > TCP_MAX_PACKET_SIZE)
        return Result::Malformed;
    if (available - TCP_FRAME_HEADER_SIZE < announced)
        return Result::NeedMore;
    data = mBuffer.data() + mStart + TCP_FRAME_HEADER_SIZE;
    length = announced;
    mStart += TCP_FRAME_HEADER_SIZE + announced;
    return Result::Packet;
}

TcpPacketSocket::~TcpPacketSocket() { Close(); }

void TcpPacketSocket::Described(int fd)
{
    const int on = 1;
    // Commands and acknowledges are small and wait for each other: no coalescing delay.
    (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    timeval timeout{kSendTimeoutMs / 1000, (kSendTimeoutMs % 1000) * 1000};
    (void)setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in local{}, peer{};
    socklen_t length = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr *>(&local), &length) == 0) {
        mLocalIp = ntohl(local.sin_addr.s_addr);
        mLocalPort = ntohs(local.sin_port);
    }
    length = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &length) == 0) {
        mPeerIp = ntohl(peer.sin_addr.s_addr);
        mPeerPort = ntohs(peer.sin_port);
    }
    mBroken = false;
    mHavePacket = false;
    mReader = TcpFrameReader();
    mFd = fd;
}

KyResult TcpPacketSocket::Connect(uint32_t ip, uint16_t port, int timeoutMs, uint32_t localIp,
                                  uint16_t localPort)
{
    Close();
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return SystemError(errno, "cannot open a TCP socket");
    if (localIp != 0 || localPort != 0) {
        const sockaddr_in local = UdpSocket::MakeAddress(localIp, localPort);
        if (bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
            const int error = errno;
            ::close(fd);
            return SystemError(error, "cannot bind the TCP socket");
        }
    }
    const sockaddr_in address = UdpSocket::MakeAddress(ip, port);
    int error = 0;
    if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
            pollfd wait{fd, POLLOUT, 0};
            const int ready = poll(&wait, 1, std::max(timeoutMs, 0));
            socklen_t length = sizeof error;
            if (ready <= 0)
                error = ready == 0 ? ETIMEDOUT : errno;
            else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
        }
    }
    if (error != 0) {
        ::close(fd);
        return KyResult(KY_NOT_CONNECTED, static_cast<uint32_t>(error),
                        KyString(std::string("no TCP connection to the device: ") + std::strerror(error)));
    }
    // Sends wait (bounded by the send time-out); reads never do.
    (void)fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    Described(fd);
    return KyResult();
}

void TcpPacketSocket::Adopt(int fd)
{
    Close();
    if (fd >= 0) {
        (void)fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        Described(fd);
    }
}

void TcpPacketSocket::Close()
{
    const int fd = mFd.exchange(-1);
    if (fd >= 0)
        ::close(fd);
    mBroken = false;
    mHavePacket = false;
}

void TcpPacketSocket::Shutdown() { Lose(); }

void TcpPacketSocket::Lose() const
{
    mBroken = true;
    const int fd = mFd.load();
    if (fd >= 0)
        (void)::shutdown(fd, SHUT_RDWR);
}

ssize_t TcpPacketSocket::Send(const void *data, size_t size, bool) const
{
    iovec part{const_cast<void *>(data), size};
    return SendVectors(&part, 1);
}

ssize_t TcpPacketSocket::SendVectors(const iovec *parts, size_t count) const
{
    size_t size = 0;
    for (size_t i = 0; i < count; ++i)
        size += parts[i].iov_len;
    if (size == 0 || size > TCP_MAX_PACKET_SIZE || count + 1 > kMostPieces) {
        errno = EMSGSIZE;
        return -1;
    }
    uint8_t header[TCP_FRAME_HEADER_SIZE];
    ky::base::StoreBig32(header, static_cast<uint32_t>(size));
    iovec pieces[kMostPieces];
    pieces[0] = iovec{header, sizeof header};
    std::copy(parts, parts + count, pieces + 1);
    size_t pieceCount = count + 1;
    std::lock_guard<std::mutex> lock(mSendMutex);
    if (mBroken || mFd < 0) {
        errno = EPIPE;
        return -1;
    }
    iovec *next = pieces;
    while (pieceCount > 0) {
        msghdr message{};
        message.msg_iov = next;
        message.msg_iovlen = pieceCount;
        const ssize_t sent = sendmsg(mFd, &message, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0) {
            // Timed out or refused, perhaps midway: what follows could no longer be framed.
            const int error = sent < 0 ? errno : EPIPE;
            Lose();
            errno = error == EAGAIN || error == EWOULDBLOCK ? ETIMEDOUT : error;
            return -1;
        }
        size_t left = static_cast<size_t>(sent);
        while (pieceCount > 0 && left >= next->iov_len) {
            left -= next->iov_len;
            ++next;
            --pieceCount;
        }
        if (pieceCount > 0) {
            next->iov_base = static_cast<uint8_t *>(next->iov_base) + left;
            next->iov_len -= left;
        }
    }
    return static_cast<ssize_t>(size);
}

bool TcpPacketSocket::Pump()
{
    if (mFd < 0 || mBroken)
        return false;
    if (mHavePacket)
        return true;
    for (int reads = 0; reads < 4; ++reads) {
        size_t capacity = 0;
        uint8_t *room = mReader.Room(capacity);
        if (capacity == 0)
            return true;  // whole packets wait to be taken first
        const ssize_t got = recv(mFd, room, capacity, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (got <= 0) {
            Lose();  // the peer closed (a packet cut short is lost with it) or an error
            return false;
        }
        mReader.Commit(static_cast<size_t>(got));
        if (static_cast<size_t>(got) < capacity)
            return true;
    }
    return true;
}

bool TcpPacketSocket::Next(const uint8_t *&data, size_t &length)
{
    if (mHavePacket) {
        mHavePacket = false;
        data = mPacket;
        length = mPacketLength;
        return true;
    }
    if (mFd < 0)
        return false;
    switch (mReader.Next(data, length)) {
    case TcpFrameReader::Result::Packet:
        return true;
    case TcpFrameReader::Result::Malformed:
        Lose();
        return false;
    case TcpFrameReader::Result::NeedMore:
        break;
    }
    return false;
}

int TcpPacketSocket::WaitReadable(int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (mHavePacket)
            return 1;
        if (mFd < 0) {
            errno = EBADF;
            return -1;
        }
        if (Next(mPacket, mPacketLength)) {
            mHavePacket = true;
            return 1;
        }
        if (mBroken)
            return 1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
        pollfd wait{mFd, POLLIN, 0};
        const int ready = poll(&wait, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready < 0 && errno != EINTR)
            return -1;
        if (ready > 0) {
            Pump();
            continue;
        }
        if (left <= 0)
            return 0;
    }
}

ssize_t TcpPacketSocket::Receive(void *buffer, size_t capacity, DatagramInfo *info)
{
    if (!mHavePacket)
        Pump();
    const uint8_t *data = nullptr;
    size_t length = 0;
    if (!Next(data, length)) {
        errno = mBroken || mFd < 0 ? ECONNRESET : EAGAIN;
        return -1;
    }
    const size_t copied = std::min(length, capacity);
    std::memcpy(buffer, data, copied);
    if (info != nullptr) {
        *info = DatagramInfo();
        info->sourceIp = mPeerIp;
        info->sourcePort = mPeerPort;
        info->destinationIp = mLocalIp;
        info->truncated = copied < length;
    }
    return static_cast<ssize_t>(copied);
}

}  // namespace ky::gev
