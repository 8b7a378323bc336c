// UdpSocket: an owned IPv4 UDP socket for the GigE Vision channels.
#pragma once

#include <cstdint>
#include <string>

#include "ky/base/KyResult.h"

struct sockaddr_in;

namespace ky::gev {

class UdpSocket
{
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket &) = delete;
    UdpSocket &operator=(const UdpSocket &) = delete;

    // Opens and binds to address:port ("0.0.0.0" or empty: any address; port 0: any port).
    KyResult Open(const std::string &address, uint16_t port);
    void Close();
    bool IsOpen() const { return mFd >= 0; }
    int Fd() const { return mFd; }
    uint16_t LocalPort() const { return mLocalPort; }

    // Connects to a peer (the kernel picks the route now, and sends need no address) and gives
    // the local address the socket sends from on that route.
    KyResult Connect(const sockaddr_in &peer, sockaddr_in &local);

    // Asks for a receive / send buffer of the given size. As root the system maximum is
    // bypassed (SO_RCVBUFFORCE / SO_SNDBUFFORCE); otherwise the kernel caps the size. Gives
    // the size the kernel reports afterwards (it doubles the request for its bookkeeping).
    uint32_t SetReceiveBufferSize(uint32_t bytes);
    uint32_t SetSendBufferSize(uint32_t bytes);

    // Dotted IPv4 text and port to a socket address; KY_INVALID_PARAMETER for bad text.
    static KyResult MakeAddress(const std::string &address, uint16_t port, sockaddr_in &out);

private:
    int mFd = -1;
    uint16_t mLocalPort = 0;
};

} // namespace ky::gev
