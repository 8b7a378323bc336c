#include "AdapterSockets.h"

#include <vector>

namespace ky {
namespace device {

namespace {
using Clock = std::chrono::steady_clock;
constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFFu;

const std::vector<HostAdapter> &NoAdapters()
{
    static const std::vector<HostAdapter> none;
    return none;
}

// Out of one adapter: the adapter index picks the outgoing adapter for a broadcast without
// binding the socket to the device, so answers that the kernel delivers locally (through lo)
// still reach it.
void SendThrough(const gev::UdpSocket &socket, unsigned int ifindex, uint32_t destination,
                 const gev::Packet &packet)
{
    (void)socket.SendTo(packet.data(), packet.size(), destination, gev::GVCP_PORT,
                        ifindex);  // UDP: no promise
}
}  // namespace

AdapterSockets::AdapterSockets(const std::vector<HostAdapter> &adapters) : mAdapters(adapters)
{
    for (size_t i = 0; i < adapters.size(); ++i)
        if (!adapters[i].addresses.empty())
            Open(i, adapters[i].addresses.front().ip);
}

AdapterSockets::AdapterSockets() : mAdapters(NoAdapters()) { Open(0, gev::UdpSocket::ANY_IP); }

void AdapterSockets::Open(size_t adapter, uint32_t bindIp)
{
    gev::UdpSocket::Options options;
    options.broadcast = true;
    auto socket = std::make_unique<gev::UdpSocket>();
    if (socket->Open(bindIp, 0, options).IsOK())
        mSockets.push_back({adapter, std::move(socket)});
}

void AdapterSockets::SendTo(uint32_t ip, const gev::Packet &packet)
{
    for (const Entry &entry : mSockets)
        SendThrough(*entry.socket, 0, ip, packet);
}

void AdapterSockets::SendToAll(const gev::Packet &packet, bool subnetBroadcast)
{
    for (const Entry &entry : mSockets) {
        if (entry.adapter >= mAdapters.size())
            continue;  // the socket of SendTo, not tied to an adapter
        const HostAdapter &adapter = mAdapters[entry.adapter];
        if (adapter.loopback || !adapter.broadcast) {
            for (const HostAddress &address : adapter.addresses)
                SendThrough(*entry.socket, adapter.index, address.ip, packet);
            continue;
        }
        SendThrough(*entry.socket, adapter.index, kLimitedBroadcast, packet);
        if (subnetBroadcast)
            for (const HostAddress &address : adapter.addresses)
                if (address.mask != 0 && address.mask != 0xFFFFFFFFu)
                    SendThrough(*entry.socket, adapter.index, address.ip | ~address.mask, packet);
    }
}

void AdapterSockets::Collect(std::chrono::milliseconds timeout,
                             const std::function<bool(size_t, const uint8_t *, size_t)> &onAnswer)
{
    if (mSockets.empty())
        return;
    std::vector<const gev::UdpSocket *> sockets;
    for (const Entry &entry : mSockets)
        sockets.push_back(entry.socket.get());
    std::unique_ptr<bool[]> ready(new bool[sockets.size()]);
    const Clock::time_point deadline = Clock::now() + timeout;
    uint8_t buffer[2048];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        const int found = gev::UdpSocket::WaitReadable(sockets.data(), sockets.size(),
                                                       static_cast<int>(left.count()) + 1, ready.get());
        if (found < 0)
            return;
        for (size_t i = 0; found > 0 && i < sockets.size(); ++i) {
            if (!ready[i])
                continue;
            const ssize_t received = sockets[i]->Receive(buffer, sizeof buffer);
            if (received <= 0)
                continue;
            if (onAnswer(mSockets[i].adapter, buffer, static_cast<size_t>(received)))
                return;
        }
    }
}

}  // namespace device
}  // namespace ky
