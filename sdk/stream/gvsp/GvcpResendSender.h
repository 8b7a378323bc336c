// GvcpResendSender: asks the device for missing GVSP packets with PACKETRESEND commands (no
// acknowledge). When this process controls the device, the requests leave from the controlling
// connection's socket (GevResendRoutes), which even a device that takes commands only from its
// primary application accepts; otherwise from the stream's own control socket, which also finds
// the local address that the route to the device leaves from.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <unordered_map>

#include "ky/base/KyResult.h"
#include "gev/UdpSocket.h"

namespace ky::gev {

class GvcpResendSender
{
public:
    // Binds to localAddress (empty: any) and connects to the device's control port.
    // KY_INVALID_PARAMETER for a bad address text, KY_NOT_CONNECTED when no route leads there.
    KyResult Open(const std::string &localAddress, const std::string &deviceAddress, uint16_t devicePort,
                  uint16_t channel);
    void Close() { mSocket.Close(); }
    // The local address of the route to the device (dotted text).
    const std::string &RouteAddress() const { return mRouteAddress; }

    // Sends one request unless the packet range was asked for too often already. Called from
    // the receive thread only.
    void Request(uint64_t blockId, uint32_t firstPacketId, uint32_t lastPacketId);

    // How many times one packet may be asked for after its first request.
    void SetMaximumRetries(uint32_t retries) { mMaximumRetries = retries; }
    uint32_t MaximumRetries() const { return mMaximumRetries; }
    uint64_t RequestsSent() const { return mSent; }
    uint64_t RequestsSkipped() const { return mSkipped; }
    // Of the requests sent, those that left from the controlling connection's socket.
    uint64_t RequestsSentByController() const { return mSentByController; }

private:
    bool Allowed(uint64_t blockId, uint32_t firstPacketId);

    gev::UdpSocket mSocket;
    std::string mRouteAddress;
    uint32_t mDeviceIp = 0;  // host byte order
    uint16_t mChannel = 0;
    uint16_t mRequestId = 0;
    std::atomic<uint32_t> mMaximumRetries{3};
    std::atomic<uint64_t> mSent{0};
    std::atomic<uint64_t> mSkipped{0};
    std::atomic<uint64_t> mSentByController{0};
    // Times each range start was asked for, for the last blocks that needed resends.
    std::unordered_map<uint64_t, std::map<uint32_t, uint32_t>> mAsked;
    std::deque<uint64_t> mAskedOrder;
};

}  // namespace ky::gev
