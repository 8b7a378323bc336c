// The discovery map: network adapters by key, and within each the GigE Vision devices by unique ID.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class KySystem;
class KyDeviceInfoGEV;

namespace gevconfigure {

// Unique ID -> record (borrowed from the KySystem, valid until its next Find).
using AdapterDevices = std::map<std::string, const KyDeviceInfoGEV *>;
// Adapter key "name(first IPv4 address)" -> its devices. Both maps sort byte-wise.
using DeviceMap = std::map<std::string, AdapterDevices>;

// Fills the map from the system's network adapters (USB host controllers are skipped).
void UpdateDevice(const KySystem &system, DeviceMap &map);

// Per adapter in key order: the key, then the current IP address of each of its devices.
std::vector<std::string> UsedAddresses(const DeviceMap &map);

// Number of devices over all adapters.
int32_t DeviceCount(const DeviceMap &map);

// The device at the 1-based index in map order; nullptr when the walk ends before it.
const KyDeviceInfoGEV *DeviceAtIndex(const DeviceMap &map, int32_t index, std::string *uniqueId);

// The line of 51 "=" that frames the listing.
void DisplaySeparator();

// The listing body: count line, separator, each adapter with its devices.
void DisplayList(const DeviceMap &map);

}  // namespace gevconfigure
