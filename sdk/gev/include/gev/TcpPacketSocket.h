// TcpPacketSocket: GVCP and GVSP packets over one TCP connection, for the kit's own hosts and
// soft devices when the host asks for TCP (the soft device's TCP transport). Each packet travels
// whole and unchanged behind its length, a 4-byte big-endian count of the packet's bytes:
//
//     | length (4 bytes, big-endian) | packet (length bytes: a GVCP command or acknowledge,
//     | length (4 bytes, big-endian) |  or one GVSP packet, exactly as in a UDP datagram) | ...
//
// A length of 0 or above TCP_MAX_PACKET_SIZE breaks the framing: the reader ends the connection
// at once, before any memory is taken for it. A connection that ends in the middle of a packet
// loses that packet. There is no resend: what is sent arrives whole and in order, or the
// connection is lost.
//
// Addresses are IPv4 in host byte order, as UdpSocket's. Send and SendVectors may be called from
// any number of threads (a packet goes out whole, not interleaved with another); WaitReadable,
// Receive and Next belong to one reader thread. Connect, Adopt and Close are the owner's.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <sys/types.h>
#include <sys/uio.h>
#include <vector>

#include "gev/Gvsp.h"
#include "gev/UdpSocket.h"
#include "ky/base/KyResult.h"

namespace ky::gev {

constexpr size_t TCP_FRAME_HEADER_SIZE = 4;
// The largest packet a connection carries: the largest UDP datagram (GVSP's jumbo packets fit).
constexpr size_t TCP_MAX_PACKET_SIZE = GVSP_MAX_DATAGRAM_SIZE;

// The reading half of the framing, on bytes as they arrive (no socket): whole packets out.
class TcpFrameReader
{
public:
    enum class Result { Packet, NeedMore, Malformed };

    // Free room at the end of the buffered bytes, for the next read (at least one whole frame).
    uint8_t *Room(size_t &capacity);
    void Commit(size_t bytes);
    // The next whole packet, valid until the next Room or Next. Malformed: a length of 0 or above
    // TCP_MAX_PACKET_SIZE, which no later byte can mend.
    Result Next(const uint8_t *&data, size_t &length);
    size_t Buffered() const { return mEnd - mStart; }

private:
    std::vector<uint8_t> mBuffer;
    size_t mStart = 0;
    size_t mEnd = 0;
};

class TcpPacketSocket
{
public:
    TcpPacketSocket() = default;
    ~TcpPacketSocket();
    TcpPacketSocket(const TcpPacketSocket &) = delete;
    TcpPacketSocket &operator=(const TcpPacketSocket &) = delete;

    // Connects to ip:port within timeoutMs, from localIp:localPort where given (0: any).
    // KY_NOT_CONNECTED when nothing accepts there (refused, unreachable or no answer in time),
    // KY_NETWORK_ERROR for other failures (the local address cannot be bound, say).
    KyResult Connect(uint32_t ip, uint16_t port, int timeoutMs, uint32_t localIp = 0, uint16_t localPort = 0);
    // Takes a connection a listener accepted.
    void Adopt(int fd);
    void Close();
    // Ends the connection (both directions) without giving up the descriptor: senders and the
    // reader on other threads see it lost; Close frees the descriptor later.
    void Shutdown();
    bool IsOpen() const { return mFd >= 0; }
    // Lost: the peer closed, an error, a send that could not finish, or broken framing.
    bool IsBroken() const { return mBroken; }
    int Fd() const { return mFd; }
    uint32_t LocalIp() const { return mLocalIp; }
    uint16_t LocalPort() const { return mLocalPort; }
    uint32_t PeerIp() const { return mPeerIp; }
    uint16_t PeerPort() const { return mPeerPort; }

    // One packet behind its length: the bytes of the packet, or -1 (errno: EPIPE once the
    // connection is lost, EMSGSIZE for a packet of 0 or above TCP_MAX_PACKET_SIZE bytes). A send
    // that cannot finish within the send time-out ends the connection, since the framing behind
    // it would be broken. dontWait is accepted for UdpSocket's signature and not used.
    ssize_t Send(const void *data, size_t size, bool dontWait = false) const;
    // One packet gathered from several pieces.
    ssize_t SendVectors(const iovec *parts, size_t count) const;

    // Waits up to timeoutMs for a whole packet: 1 when one is buffered or the connection is lost
    // (Receive then tells which), 0 when the time passed, -1 on failure (errno).
    int WaitReadable(int timeoutMs);
    // The next whole packet into buffer (a larger one is cut to capacity and marked truncated);
    // -1 with EAGAIN when none is buffered, with ECONNRESET once the connection is lost. info
    // names the peer as the source.
    ssize_t Receive(void *buffer, size_t capacity, DatagramInfo *info = nullptr);
    // The same without a copy: the packet stays valid until the next call. False when none is
    // buffered (and the connection may be lost: IsBroken).
    bool Next(const uint8_t *&data, size_t &length);
    // Reads what arrived, without waiting. False once the connection is lost.
    bool Pump();

private:
    void Described(int fd);
    void Lose() const;

    std::atomic<int> mFd{-1};
    mutable std::atomic<bool> mBroken{false};
    uint32_t mLocalIp = 0, mPeerIp = 0;
    uint16_t mLocalPort = 0, mPeerPort = 0;
    mutable std::mutex mSendMutex;
    TcpFrameReader mReader;
    bool mHavePacket = false;  // Next found a packet that Receive has not taken yet
    const uint8_t *mPacket = nullptr;
    size_t mPacketLength = 0;
};

}  // namespace ky::gev
