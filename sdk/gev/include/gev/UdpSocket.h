// UdpSocket: an owned IPv4 UDP socket, the one way the kit opens and uses one: the control
// link and the message channels of both ends, discovery from every host adapter, the GVSP
// sender and receiver, PACKETRESEND requests and the tests' stand-in peers.
//
// Addresses given as numbers are IPv4 addresses in host byte order (10.0.0.1 is 0x0A000001).
// Send, SendTo and Receive return the bytes moved, or -1 with errno set (as the system calls
// do). Receive never waits; WaitReadable does. Thread use: any number of threads may send and
// receive on an open socket. Open and Close are the owner's: a call that runs on another thread
// meanwhile fails, so owners stop their threads before they close for good.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

#include "ky/base/KyResult.h"

struct mmsghdr;
struct sockaddr_in;

namespace ky::gev {

// Where one received datagram came from and how it arrived (host byte order).
struct DatagramInfo
{
    uint32_t sourceIp = 0;
    uint16_t sourcePort = 0;
    uint32_t destinationIp = 0;  // with Options::packetInfo: the address it was sent to
    unsigned arrivalIndex = 0;   // with Options::packetInfo: the index of the adapter it came in by
    bool truncated = false;      // larger than the buffer: the rest is lost
};

// How UdpSocket::Open sets up a socket.
struct UdpSocketOptions
{
    bool reuseAddress = false;  // SO_REUSEADDR: several sockets on one port
    bool broadcast = false;     // SO_BROADCAST: may send to broadcast addresses
    bool packetInfo = false;    // IP_PKTINFO: Receive tells destination and arrival adapter
    bool nonBlocking = false;   // O_NONBLOCK: sends never wait for room in the send buffer
    std::string device;         // SO_BINDTODEVICE: only this interface's traffic (empty: any)
};

class UdpSocket
{
public:
    using Options = UdpSocketOptions;
    static constexpr uint32_t ANY_IP = 0;  // INADDR_ANY

    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket &) = delete;
    UdpSocket &operator=(const UdpSocket &) = delete;

    // Opens and binds to address:port ("0.0.0.0" or empty: any address; port 0: any port).
    // KY_INVALID_PARAMETER for bad address text, KY_NETWORK_ERROR (with errno) otherwise.
    KyResult Open(const std::string &address, uint16_t port, const Options &options = Options());
    KyResult Open(uint32_t ip, uint16_t port, const Options &options = Options());
    void Close();
    bool IsOpen() const { return mFd >= 0; }
    // For what only a few need: a socket filter, waiting beside other descriptors.
    int Fd() const { return mFd; }
    uint16_t LocalPort() const { return mLocalPort; }

    // Connects to a peer (the kernel picks the route now, and Send needs no address) and gives
    // the local address the socket sends from on that route. KY_NOT_CONNECTED when no route
    // leads there, KY_NETWORK_ERROR when the local address cannot be read.
    KyResult Connect(const sockaddr_in &peer, sockaddr_in &local);
    KyResult Connect(uint32_t ip, uint16_t port, uint32_t &localIp);

    // Asks for a receive / send buffer of the given size. As root the system maximum is
    // bypassed (SO_RCVBUFFORCE / SO_SNDBUFFORCE); otherwise the kernel caps the size. Gives
    // the size the kernel reports afterwards (it doubles the request for its bookkeeping).
    uint32_t SetReceiveBufferSize(uint32_t bytes);
    uint32_t SetSendBufferSize(uint32_t bytes);
    // Lets the kernel hand over runs of equal datagrams glued together (UDP_GRO); false where
    // it cannot.
    bool EnableReceiveOffload();
    // Joins the multicast group (host byte order) on the adapter that holds interfaceIp (ANY_IP:
    // the kernel's choice). The membership goes with the socket. KY_INVALID_PARAMETER for an
    // address that is no multicast group, KY_NETWORK_ERROR (with errno) when the kernel refuses.
    KyResult JoinMulticastGroup(uint32_t group, uint32_t interfaceIp);

    // Waits up to timeoutMs (0: only looks) for a datagram or a pending error to read: 1 when
    // there is one, 0 when the time passed (or a signal came), -1 on failure (errno).
    int WaitReadable(int timeoutMs) const;
    // The same over several sockets: ready[i] tells which. Closed sockets are skipped.
    static int WaitReadable(const UdpSocket *const *sockets, size_t count, int timeoutMs, bool *ready);

    // To the connected peer. dontWait: fail with EAGAIN rather than wait for buffer room.
    ssize_t Send(const void *data, size_t size, bool dontWait = false) const;
    // To ip:port; a non-zero adapter index sends out of that adapter (IP_PKTINFO), which picks
    // the adapter of a broadcast without binding the socket to it.
    ssize_t SendTo(const void *data, size_t size, uint32_t ip, uint16_t port,
                   unsigned adapterIndex = 0) const;
    // One datagram without waiting; -1 (EAGAIN) when none is there. info, when given, tells
    // its source (and, with Options::packetInfo, its destination and adapter).
    ssize_t Receive(void *buffer, size_t capacity, DatagramInfo *info = nullptr) const;
    // Several datagrams at once (sendmmsg / recvmmsg, for GVSP): the number of messages moved,
    // or -1 with errno. ReceiveBatch never waits.
    int SendBatch(mmsghdr *messages, unsigned count) const;
    int ReceiveBatch(mmsghdr *messages, unsigned count) const;

    // Dotted IPv4 text and port to a socket address; KY_INVALID_PARAMETER for bad text.
    static KyResult MakeAddress(const std::string &address, uint16_t port, sockaddr_in &out);
    static sockaddr_in MakeAddress(uint32_t ip, uint16_t port);

private:
    // Atomic: a server thread may look at a socket that its owner reopens on another address.
    std::atomic<int> mFd{-1};
    std::atomic<uint16_t> mLocalPort{0};
};

}  // namespace ky::gev
