// Where an RTP receiver reads its packets from: a UDP socket bound to a local address and port,
// a UDP socket that joined a multicast group, or a TCP connection to a server that sends RTP in
// RFC 4571 framing.
//
// Open and Close are the owner's calls; Read is the receive thread's, between them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

#include "gev/UdpSocket.h"
#include "ky/base/KyResult.h"

namespace ky::stream {

enum class RtpTransportMode { Unicast, Multicast, Tcp };

struct RtpEndpoint
{
    RtpTransportMode mode = RtpTransportMode::Unicast;
    std::string address;     // unicast: the local address (empty: any); multicast: the group; TCP: the server
    std::uint16_t port = 0;  // unicast: the local port (0: any); multicast: the data port; TCP: the server's
    std::string local;       // multicast: the adapter's address that joins (empty: the kernel's choice)
    // The sender's SSRC, where the session description names it: only its packets are taken.
    bool pinSsrc = false;
    std::uint32_t ssrc = 0;
};

class RtpTransport
{
public:
    // Waiting for a TCP server to accept.
    static constexpr int CONNECT_TIMEOUT_MS = 5000;

    RtpTransport() = default;
    ~RtpTransport() { Close(); }
    RtpTransport(const RtpTransport &) = delete;
    RtpTransport &operator=(const RtpTransport &) = delete;

    // KY_INVALID_PARAMETER for address text that is no IPv4 address (or no group for multicast,
    // or a port of 0 where one is needed), KY_NETWORK_ERROR when a socket cannot be bound or a
    // group joined, KY_NOT_CONNECTED when the server cannot be reached.
    KyResult Open(const RtpEndpoint &endpoint);
    void Close();
    bool IsStream() const { return mTcpFd >= 0; }

    // Waits up to timeoutMs for data and reads it: one datagram (UDP) or what the connection
    // has (TCP). The bytes read; 0 when none came in time; -1 when the connection ended or the
    // socket failed, after which nothing more comes. A datagram's sender goes to `from` (left
    // as it is for TCP, whose connection has one sender).
    ssize_t Read(std::uint8_t *data, std::size_t capacity, int timeoutMs, gev::DatagramInfo *from = nullptr);

    std::uint16_t LocalPort() const { return mLocalPort; }
    // The local address of a TCP connection; empty otherwise.
    const std::string &ConnectionAddress() const { return mConnectionAddress; }

private:
    KyResult OpenTcp(const RtpEndpoint &endpoint);

    gev::UdpSocket mUdp;
    std::atomic<int> mTcpFd{-1};
    std::uint16_t mLocalPort = 0;
    std::string mConnectionAddress;
};

}  // namespace ky::stream
