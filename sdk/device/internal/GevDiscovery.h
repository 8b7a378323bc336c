// GigE Vision discovery and forced IP configuration from the host side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "DeviceInfoAccess.h"
#include "HostAdapters.h"
#include "ky/base/KyResult.h"

namespace ky {
namespace device {

struct DiscoveredDevice
{
    size_t adapter = 0;  // index into the adapter list given to DiscoverDevices
    GevIdentity identity;
};

struct DiscoveryOptions
{
    uint32_t timeoutMs = 1000;
    bool subnetBroadcast = false;
};

// Sends DISCOVERY out of each adapter (limited broadcast, and the subnet broadcast when asked;
// unicast to each address of the loopback adapter) from a socket bound to the adapter's first
// address, and collects the answers until the timeout. A device answering twice on one adapter is
// listed once. Adapters whose socket cannot be opened are skipped.
std::vector<DiscoveredDevice> DiscoverDevices(const std::vector<HostAdapter> &adapters,
                                              const DiscoveryOptions &options);

// Asks one address directly (unicast DISCOVERY). False when nothing valid answered in time.
bool DiscoverAddress(uint32_t ip, uint32_t timeoutMs, GevIdentity &identity);

// FORCEIP to the device with that MAC, out of every adapter; waits for its acknowledge.
KyResult ForceIPConfiguration(const std::string &mac, const std::string &ip, const std::string &mask,
                              const std::string &gateway, uint32_t timeoutMs);

// Whether a record answers to a connection text: its MAC address (any case, ':' or '-'),
// IP address, unique ID or user-defined name.
bool MatchesDevice(const KyDeviceInfo &record, const std::string &text);

}  // namespace device
}  // namespace ky
