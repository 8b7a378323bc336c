#include "SessionDiscovery.h"

#include <algorithm>

#include "HostAdapters.h"
#include "gev/UdpSocket.h"
#include "rtp/SdpDescription.h"

namespace ky::system {
namespace {

// The o= line without its version: "username sess-id nettype addrtype address" names a session
// across its versions.
std::string OriginKey(const std::string &description)
{
    size_t at = 0;
    while (at < description.size()) {
        const size_t end = std::min(description.find('\n', at), description.size());
        if (description.compare(at, 2, "o=") == 0) {
            std::vector<std::string> fields;
            size_t pos = at + 2;
            while (pos < end) {
                const size_t space = std::min(description.find(' ', pos), end);
                std::string field = description.substr(pos, space - pos);
                while (!field.empty() && field.back() == '\r')
                    field.pop_back();
                if (!field.empty())
                    fields.push_back(field);
                pos = space + 1;
            }
            std::string key;
            for (size_t i = 0; i < fields.size(); ++i)
                if (i != 2)  // sess-version
                    key += fields[i] + " ";
            return key;
        }
        at = end + 1;
    }
    return std::string();
}

}  // namespace

void SessionDirectory::Heard(const ky::rtp::SapMessage &message, uint32_t arrivalIp,
                             const std::vector<uint32_t> &hostIps)
{
    if (message.payloadType != ky::rtp::SAP_SDP_TYPE)
        return;
    const std::string originKey = OriginKey(message.payload);
    const std::string key = std::to_string(message.OriginIPv4()) + " " +
                            (originKey.empty() ? std::to_string(message.messageHash) : originKey);
    auto known =
        std::find_if(mSessions.begin(), mSessions.end(), [&](const HeardSession &s) { return s.key == key; });
    if (message.deletion) {
        if (known != mSessions.end())
            mSessions.erase(known);
        return;
    }
    ky::rtp::SdpVideo video;
    std::string error;
    if (!ky::rtp::ParseSdp(message.payload.data(), message.payload.size(), video, error) ||
        video.connectionAddress.empty())
        return;
    HeardSession session;
    session.key = key;
    session.name = video.sessionName;
    session.address = video.connectionAddress;
    session.port = video.port;
    // A stream sent to one of this host's addresses is received there; one sent to a group is
    // received on the adapter that heard its announcement.
    uint32_t destination = 0;
    const bool toHost = ky::device::ParseIPv4(video.connectionAddress, destination) &&
                        std::find(hostIps.begin(), hostIps.end(), destination) != hostIps.end();
    session.localAddress =
        toHost ? video.connectionAddress : (arrivalIp != 0 ? ky::base::FormatIPv4(arrivalIp) : std::string());
    if (known != mSessions.end())
        *known = session;
    else
        mSessions.push_back(session);
}

std::vector<HeardSession> ListenForSessions(std::chrono::milliseconds duration)
{
    const std::vector<ky::device::HostAdapter> adapters = ky::device::EnumerateHostAdapters();
    std::vector<uint32_t> hostIps;
    for (const ky::device::HostAdapter &adapter : adapters)
        for (const ky::device::HostAddress &address : adapter.addresses)
            hostIps.push_back(address.ip);
    ky::gev::UdpSocket socket;
    ky::gev::UdpSocketOptions options;
    options.reuseAddress = true;  // beside other listeners of the host
    options.packetInfo = true;    // the adapter each announcement came in by
    if (socket.Open(ky::gev::UdpSocket::ANY_IP, ky::rtp::SAP_PORT, options).IsFailure())
        return {};
    bool joined = false;
    for (uint32_t ip : hostIps)
        joined = socket.JoinMulticastGroup(ky::rtp::SAP_GROUP, ip).IsOK() || joined;
    if (!joined && socket.JoinMulticastGroup(ky::rtp::SAP_GROUP, ky::gev::UdpSocket::ANY_IP).IsFailure())
        return {};
    SessionDirectory directory;
    const auto deadline = std::chrono::steady_clock::now() + duration;
    std::vector<uint8_t> datagram(ky::rtp::SAP_MAX_PACKET * 4);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        const int ready = socket.WaitReadable(static_cast<int>(left.count()));
        if (ready < 0)
            break;
        if (ready == 0)
            continue;
        ky::gev::DatagramInfo info;
        const ssize_t size = socket.Receive(datagram.data(), datagram.size(), &info);
        if (size <= 0 || info.truncated)
            continue;
        ky::rtp::SapMessage message;
        if (ky::rtp::ParseSapPacket(datagram.data(), static_cast<size_t>(size), message) !=
            ky::rtp::SapParseStatus::Ok)
            continue;
        uint32_t arrivalIp = 0;
        for (const ky::device::HostAdapter &adapter : adapters)
            if (adapter.index == info.arrivalIndex && !adapter.addresses.empty())
                arrivalIp = adapter.addresses.front().ip;
        directory.Heard(message, arrivalIp, hostIps);
    }
    return directory.Sessions();
}

}  // namespace ky::system
