// SoftUdpSocket: a UDP socket that tells the arrival adapter and destination of each datagram
// (IP_PKTINFO) and can send out of a chosen adapter.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "ky/base/KyResult.h"

namespace ky::soft {

struct SoftDatagramInfo {
    uint32_t sourceIp = 0;  // host order
    uint16_t sourcePort = 0;
    uint32_t destinationIp = 0;
    unsigned arrivalIndex = 0;  // adapter index
    bool truncated = false;     // larger than the buffer
};

class SoftUdpSocket
{
public:
    SoftUdpSocket() = default;
    ~SoftUdpSocket() { Close(); }
    SoftUdpSocket(const SoftUdpSocket &) = delete;
    SoftUdpSocket &operator=(const SoftUdpSocket &) = delete;

    // Binds to ip:port (0 for any) with SO_REUSEADDR, broadcast sending and IP_PKTINFO on.
    KyResult Open(uint32_t ip, uint16_t port);
    void Close();
    bool IsOpen() const { return mFd >= 0; }
    int Fd() const { return mFd; }
    uint16_t LocalPort() const;

    // One datagram, without waiting; -1 when none is there.
    long Receive(uint8_t *buffer, size_t capacity, SoftDatagramInfo &info);
    // Sends to ip:port; a non-zero adapter index forces the outgoing adapter.
    bool SendTo(const uint8_t *data, size_t size, uint32_t ip, uint16_t port, unsigned adapterIndex = 0);

private:
    std::atomic<int> mFd{-1};
};

}  // namespace ky::soft
