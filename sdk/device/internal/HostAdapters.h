// The host's network adapters as the operating system reports them (getifaddrs, SIOCGIFMTU,
// /proc/net/route). Used by discovery, connection by text and forced IP configuration.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ky/Ipv4Text.h"

namespace ky {
namespace device {

struct HostAddress
{
    uint32_t ip = 0;    // host byte order
    uint32_t mask = 0;  // host byte order
};

struct HostAdapter
{
    std::string name;        // operating-system name, e.g. "eth0"
    unsigned int index = 0;  // interface index
    uint8_t mac[6] = {0, 0, 0, 0, 0, 0};
    std::vector<HostAddress> addresses;
    uint32_t gateway = 0;  // default gateway through this adapter, 0 when none
    uint32_t mtu = 0;
    bool loopback = false;
    bool broadcast = false;  // the adapter can send broadcasts
};

// Adapters that are up and carry at least one IPv4 address, in the order the operating system
// lists them, loopback included. Never throws; an enumeration failure gives an empty list.
std::vector<HostAdapter> EnumerateHostAdapters();

// Default gateway per interface name from a /proc/net/route text (parsed defensively).
std::vector<std::pair<std::string, uint32_t>> ParseDefaultGateways(const std::string &routeText);

using ky::base::FormatIPv4;  // the kit's one IPv4 formatter
bool ParseIPv4(const std::string &text, uint32_t &ipHostOrder);
std::string FormatMAC(const uint8_t mac[6]);
// Accepts "aa:bb:cc:dd:ee:ff" and "aa-bb-cc-dd-ee-ff", either case.
bool ParseMAC(const std::string &text, uint8_t mac[6]);

// The adapter, among the given ones, whose subnet holds the address; nullptr when none does.
const HostAdapter *FindAdapterForAddress(const std::vector<HostAdapter> &adapters, uint32_t ip);

}  // namespace device
}  // namespace ky
