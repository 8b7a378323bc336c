#include "HostAdapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace ky {
namespace device {

namespace {

HostAdapter *FindByName(std::vector<HostAdapter> &adapters, const std::string &name)
{
    for (HostAdapter &adapter : adapters)
        if (adapter.name == name)
            return &adapter;
    return nullptr;
}

uint32_t ReadMTU(const std::string &name)
{
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    uint32_t mtu = 0;
    if (::ioctl(fd, SIOCGIFMTU, &request) == 0 && request.ifr_mtu > 0)
        mtu = static_cast<uint32_t>(request.ifr_mtu);
    ::close(fd);
    return mtu;
}

std::string ReadFile(const char *path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::vector<std::pair<std::string, uint32_t>> ParseDefaultGateways(const std::string &routeText)
{
    constexpr unsigned long kRouteGatewayFlag = 0x2;  // RTF_GATEWAY
    std::vector<std::pair<std::string, uint32_t>> gateways;
    std::istringstream lines(routeText);
    std::string line;
    std::getline(lines, line);  // column titles
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags, refCount, use, metric, mask;
        if (!(fields >> name >> destination >> gateway >> flags >> refCount >> use >> metric >> mask))
            continue;
        char *end = nullptr;
        unsigned long destinationValue = std::strtoul(destination.c_str(), &end, 16);
        if (*end != '\0')
            continue;
        unsigned long maskValue = std::strtoul(mask.c_str(), &end, 16);
        if (*end != '\0')
            continue;
        unsigned long gatewayValue = std::strtoul(gateway.c_str(), &end, 16);
        if (*end != '\0' || gatewayValue > 0xFFFFFFFFul)
            continue;
        unsigned long flagValue = std::strtoul(flags.c_str(), &end, 16);
        if (*end != '\0')
            continue;
        if (destinationValue != 0 || maskValue != 0 || (flagValue & kRouteGatewayFlag) == 0)
            continue;
        // The kernel prints the address as the raw 32-bit word, which is in network order.
        gateways.emplace_back(name, ntohl(static_cast<uint32_t>(gatewayValue)));
    }
    return gateways;
}

std::vector<HostAdapter> EnumerateHostAdapters()
{
    std::vector<HostAdapter> adapters;
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return adapters;
    // First pass: IPv4 addresses, in the order the system lists them.
    for (ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || !entry->ifa_name || entry->ifa_addr->sa_family != AF_INET)
            continue;
        if (!(entry->ifa_flags & IFF_UP))
            continue;
        HostAdapter *adapter = FindByName(adapters, entry->ifa_name);
        if (!adapter) {
            adapters.emplace_back();
            adapter = &adapters.back();
            adapter->name = entry->ifa_name;
            adapter->index = ::if_nametoindex(entry->ifa_name);
            adapter->loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
            adapter->broadcast = (entry->ifa_flags & IFF_BROADCAST) != 0;
        }
        HostAddress address;
        address.ip = ntohl(reinterpret_cast<const sockaddr_in *>(entry->ifa_addr)->sin_addr.s_addr);
        if (entry->ifa_netmask)
            address.mask = ntohl(reinterpret_cast<const sockaddr_in *>(entry->ifa_netmask)->sin_addr.s_addr);
        adapter->addresses.push_back(address);
    }
    // Second pass: hardware addresses of the adapters found above.
    for (ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || !entry->ifa_name || entry->ifa_addr->sa_family != AF_PACKET)
            continue;
        HostAdapter *adapter = FindByName(adapters, entry->ifa_name);
        const auto *link = reinterpret_cast<const sockaddr_ll *>(entry->ifa_addr);
        if (adapter && link->sll_halen == 6)
            std::memcpy(adapter->mac, link->sll_addr, 6);
    }
    ::freeifaddrs(list);

    for (const auto &route : ParseDefaultGateways(ReadFile("/proc/net/route")))
        if (HostAdapter *adapter = FindByName(adapters, route.first))
            if (adapter->gateway == 0)
                adapter->gateway = route.second;
    for (HostAdapter &adapter : adapters)
        adapter.mtu = ReadMTU(adapter.name);
    return adapters;
}

bool ParseIPv4(const std::string &text, uint32_t &ip)
{
    in_addr address{};
    if (::inet_pton(AF_INET, text.c_str(), &address) != 1)
        return false;
    ip = ntohl(address.s_addr);
    return true;
}

std::string FormatMAC(const uint8_t mac[6])
{
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

bool ParseMAC(const std::string &text, uint8_t mac[6])
{
    if (text.size() != 17)
        return false;
    const char separator = text[2];
    if (separator != ':' && separator != '-')
        return false;
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && text[i * 3 - 1] != separator)
            return false;
        unsigned value = 0;
        for (int j = 0; j < 2; ++j) {
            const char c = text[i * 3 + j];
            unsigned digit;
            if (c >= '0' && c <= '9')
                digit = static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<unsigned>(c - 'A' + 10);
            else
                return false;
            value = value * 16 + digit;
        }
        mac[i] = static_cast<uint8_t>(value);
    }
    return true;
}

const HostAdapter *FindAdapterForAddress(const std::vector<HostAdapter> &adapters, uint32_t ip)
{
    for (const HostAdapter &adapter : adapters)
        for (const HostAddress &address : adapter.addresses)
            if (address.mask != 0 && (address.ip & address.mask) == (ip & address.mask))
                return &adapter;
    return nullptr;
}

}  // namespace device
}  // namespace ky
