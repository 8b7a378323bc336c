// One UDP socket per host adapter, bound to the adapter's first address, for the commands that
// go out of every adapter at once (DISCOVERY, FORCEIP) and the answers that come back: the
// fan-out over the adapters, on the kit's one socket (gev::UdpSocket).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "HostAdapters.h"
#include "gev/Gvcp.h"
#include "gev/UdpSocket.h"

namespace ky {
namespace device {

class AdapterSockets
{
public:
    // Opens a socket for each adapter; an adapter whose socket cannot be opened is left out.
    explicit AdapterSockets(const std::vector<HostAdapter> &adapters);
    // One socket on any local address, for commands to one device address (SendTo).
    AdapterSockets();
    ~AdapterSockets() = default;
    AdapterSockets(const AdapterSockets &) = delete;
    AdapterSockets &operator=(const AdapterSockets &) = delete;

    // Sends the packet out of every adapter: to 255.255.255.255 (and the subnet broadcast
    // addresses when asked) on adapters that broadcast, to each own address on the loopback one.
    void SendToAll(const gev::Packet &packet, bool subnetBroadcast);
    // Unicast from every socket to one address (host byte order), routed by the kernel.
    void SendTo(uint32_t ip, const gev::Packet &packet);
    // Calls onAnswer(adapter index, data, length) for each datagram until the timeout passes or
    // onAnswer returns true (done).
    void Collect(std::chrono::milliseconds timeout,
                 const std::function<bool(size_t adapter, const uint8_t *data, size_t length)> &onAnswer);

private:
    struct Entry
    {
        size_t adapter;
        std::unique_ptr<gev::UdpSocket> socket;
    };
    void Open(size_t adapter, uint32_t bindIp);

    const std::vector<HostAdapter> &mAdapters;
    std::vector<Entry> mSockets;
};

}  // namespace device
}  // namespace ky
