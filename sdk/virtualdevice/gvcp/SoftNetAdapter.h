// SoftNetAdapter: the host network adapter a soft device runs on, found by MAC address, and the
// text forms of MAC and IPv4 addresses.
#pragma once

#include <string>
#include <vector>

#include "ky/base/KyResult.h"
#include "registers/SoftDeviceRegisters.h"

namespace ky::soft {

struct SoftNetAdapter
{
    std::string name;
    unsigned index = 0;
    unsigned peerIndex = 0;  // the other end of a veth pair, 0 for other adapters
    ky::gev::MacAddress mac{};
    std::vector<SoftNetworkConfig> addresses;  // IPv4, with the adapter's default gateway

    // KY_INVALID_PARAMETER for a malformed MAC, KY_NOT_FOUND when no adapter with an IPv4
    // address has it ("00:00:00:00:00:00" is the loopback adapter).
    static KyResult FindByMac(const std::string &macText, SoftNetAdapter &adapter);

    static bool ParseMac(const std::string &text, ky::gev::MacAddress &mac);
    static std::string FormatMac(const ky::gev::MacAddress &mac);
    static bool ParseIp(const std::string &text, uint32_t &ip);

    // Adds or removes an IPv4 address on the adapter (netlink). Only for private namespaces.
    static KyResult ChangeAddress(unsigned index, const SoftNetworkConfig &address, bool add);
};

}  // namespace ky::soft
