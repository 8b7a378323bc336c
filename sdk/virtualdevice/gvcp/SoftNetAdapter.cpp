#include "gvcp/SoftNetAdapter.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace ky::soft {

namespace {

// The default gateway of an adapter from the kernel's IPv4 routing table, 0 when it has none.
uint32_t DefaultGateway(const std::string &adapterName)
{
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line);  // column titles
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string name;
        unsigned long destination = 0, gateway = 0;
        fields >> name >> std::hex >> destination >> gateway;
        if (fields && name == adapterName && destination == 0) {
            return ntohl(static_cast<uint32_t>(gateway));  // the file shows network order in host words
        }
    }
    return 0;
}

}  // namespace

bool SoftNetAdapter::ParseMac(const std::string &text, ky::gev::MacAddress &mac)
{
    unsigned bytes[6];
    char separators[5];
    int consumed = 0;
    if (text.size() != 17 ||
        std::sscanf(text.c_str(), "%2x%c%2x%c%2x%c%2x%c%2x%c%2x%n", &bytes[0], &separators[0], &bytes[1],
                    &separators[1], &bytes[2], &separators[2], &bytes[3], &separators[3], &bytes[4],
                    &separators[4], &bytes[5], &consumed) != 11 ||
        consumed != 17) {
        return false;
    }
    for (char separator : separators) {
        if (separator != separators[0] || (separator != ':' && separator != '-')) {
            return false;
        }
    }
    for (size_t i = 0; i < 6; ++i) {
        mac[i] = static_cast<uint8_t>(bytes[i]);
    }
    return true;
}

std::string SoftNetAdapter::FormatMac(const ky::gev::MacAddress &mac)
{
    char text[18];
    std::snprintf(text, sizeof(text), "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

bool SoftNetAdapter::ParseIp(const std::string &text, uint32_t &ip)
{
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1) {
        return false;
    }
    ip = ntohl(address.s_addr);
    return true;
}

KyResult SoftNetAdapter::FindByMac(const std::string &macText, SoftNetAdapter &adapter)
{
    ky::gev::MacAddress wanted{};
    if (!ParseMac(macText, wanted)) {
        return KyResult(KY_INVALID_PARAMETER, KyString("not a MAC address: \"") + macText + "\"");
    }
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) {
        return KyResult(KY_NETWORK_ERROR, errno, "cannot list the network adapters");
    }
    std::string name;
    for (ifaddrs *entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_PACKET) {
            const auto *link = reinterpret_cast<const sockaddr_ll *>(entry->ifa_addr);
            if (link->sll_halen == 6 && std::memcmp(link->sll_addr, wanted.data(), 6) == 0) {
                name = entry->ifa_name;
                break;
            }
        }
    }
    SoftNetAdapter found;
    found.name = name;
    found.mac = wanted;
    for (ifaddrs *entry = list; entry != nullptr && !name.empty(); entry = entry->ifa_next) {
        if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET && name == entry->ifa_name) {
            SoftNetworkConfig address;
            address.ip = ntohl(reinterpret_cast<const sockaddr_in *>(entry->ifa_addr)->sin_addr.s_addr);
            address.mask =
                entry->ifa_netmask
                    ? ntohl(reinterpret_cast<const sockaddr_in *>(entry->ifa_netmask)->sin_addr.s_addr)
                    : 0;
            found.addresses.push_back(address);
        }
    }
    freeifaddrs(list);
    if (name.empty() || found.addresses.empty()) {
        return KyResult(KY_NOT_FOUND, KyString("no adapter with an IPv4 address has the MAC ") + macText);
    }
    found.index = if_nametoindex(name.c_str());
    unsigned link = 0;
    std::ifstream iflink("/sys/class/net/" + name + "/iflink");
    if (iflink >> link && link != found.index) {
        found.peerIndex = link;
    }
    const uint32_t gateway = DefaultGateway(name);
    for (SoftNetworkConfig &address : found.addresses) {
        address.gateway = gateway;
    }
    adapter = found;
    return KyResult(KY_OK);
}

KyResult SoftNetAdapter::ChangeAddress(unsigned index, const SoftNetworkConfig &address, bool add)
{
    struct
    {
        nlmsghdr header;
        ifaddrmsg message;
        char attributes[64];
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
    request.header.nlmsg_type = add ? RTM_NEWADDR : RTM_DELADDR;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK | (add ? NLM_F_CREATE | NLM_F_REPLACE : 0);
    request.message.ifa_family = AF_INET;
    request.message.ifa_prefixlen = static_cast<unsigned char>(__builtin_popcount(address.mask));
    request.message.ifa_index = index;
    const uint32_t ip = htonl(address.ip);
    for (unsigned short type : {IFA_LOCAL, IFA_ADDRESS}) {
        auto *attribute = reinterpret_cast<rtattr *>(reinterpret_cast<char *>(&request) +
                                                     NLMSG_ALIGN(request.header.nlmsg_len));
        attribute->rta_type = type;
        attribute->rta_len = RTA_LENGTH(sizeof(ip));
        std::memcpy(RTA_DATA(attribute), &ip, sizeof(ip));
        request.header.nlmsg_len = NLMSG_ALIGN(request.header.nlmsg_len) + RTA_ALIGN(attribute->rta_len);
    }
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        return KyResult(KY_NETWORK_ERROR, errno, "cannot open a netlink socket");
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    KyResult result(KY_OK);
    char reply[512];
    if (sendto(fd, &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr *>(&kernel),
               sizeof(kernel)) < 0) {
        result = KyResult(KY_NETWORK_ERROR, errno, "cannot send the address change");
    } else {
        const ssize_t size = recv(fd, reply, sizeof(reply), 0);
        const auto *answer = reinterpret_cast<const nlmsghdr *>(reply);
        if (size >= static_cast<ssize_t>(NLMSG_LENGTH(sizeof(nlmsgerr))) &&
            answer->nlmsg_type == NLMSG_ERROR) {
            const int error = -reinterpret_cast<const nlmsgerr *>(NLMSG_DATA(answer))->error;
            if (error != 0 && !(add && error == EEXIST)) {
                result = KyResult(KY_NETWORK_CONFIG_ERROR, static_cast<uint32_t>(error),
                                  KyString("the kernel refused the address change: ") + std::strerror(error));
            }
        } else {
            result = KyResult(KY_NETWORK_ERROR, "no answer to the address change");
        }
    }
    close(fd);
    return result;
}

}  // namespace ky::soft
