#include "DeviceMap.h"

#include <cstdio>

#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/system/KyNetworkAdapter.h"
#include "ky/system/KySystem.h"

namespace gevconfigure {

namespace {

const char kSeparator[] = "===================================================\n";

const char *ModeText(const KyDeviceInfoGEV &info)
{
    if (info.IsPersistentEnabled() && !info.IsDHCPEnabled())
        return "Persistent";
    if (!info.IsPersistentEnabled() && info.IsDHCPEnabled())
        return "DHCP";
    return "LLA";
}

}  // namespace

void UpdateDevice(const KySystem &system, DeviceMap &map)
{
    for (uint32_t i = 0; i < system.GetInterfaceCount(); ++i) {
        const auto *adapter = dynamic_cast<const KyNetworkAdapter *>(system.GetInterface(i));
        if (adapter == nullptr)
            continue;
        const std::string key =
            std::string(adapter->GetName().GetAscii()) + "(" + adapter->GetIPAddress(0).GetAscii() + ")";
        AdapterDevices devices;
        for (uint32_t j = 0; j < adapter->GetDeviceCount(); ++j) {
            const auto *info = dynamic_cast<const KyDeviceInfoGEV *>(adapter->GetDeviceInfo(j));
            if (info == nullptr)
                continue;  // only GigE Vision records are configured here
            devices.emplace(info->GetUniqueID().GetAscii(), info);
        }
        map.emplace(key, std::move(devices));
    }
}

std::vector<std::string> UsedAddresses(const DeviceMap &map)
{
    std::vector<std::string> used;
    for (const auto &adapter : map) {
        used.push_back(adapter.first);
        for (const auto &device : adapter.second)
            used.push_back(device.second->GetIPAddress().GetAscii());
    }
    return used;
}

int32_t DeviceCount(const DeviceMap &map)
{
    int32_t count = 0;
    for (const auto &adapter : map)
        count += static_cast<int32_t>(adapter.second.size());
    return count;
}

const KyDeviceInfoGEV *DeviceAtIndex(const DeviceMap &map, int32_t index, std::string *uniqueId)
{
    int32_t position = 0;
    for (const auto &adapter : map) {
        for (const auto &device : adapter.second) {
            if (++position == index) {
                if (uniqueId)
                    *uniqueId = device.first;
                return device.second;
            }
        }
    }
    return nullptr;
}

void DisplayList(const DeviceMap &map)
{
    printf("Devices found : %d\n", DeviceCount(map));
    printf("%s", kSeparator);
    int index = 0;
    for (const auto &adapter : map) {
        printf("%s\n", adapter.first.c_str());
        for (const auto &device : adapter.second) {
            const KyDeviceInfoGEV &info = *device.second;
            printf("%2d. %-20s%s\t", ++index, info.GetModelName().GetAscii(),
                   info.GetSerialNumber().GetAscii());
            const char *mode = ModeText(info);
            if (mode[0] == 'P') {
                printf("Persistent\n    - %s\t%s\t%s\n", info.GetIPAddress().GetAscii(),
                       info.GetSubnetMask().GetAscii(), info.GetDefaultGateway().GetAscii());
            } else {
                printf("%s\n", mode);
            }
        }
        printf("\n");
    }
}

void DisplaySeparator() { printf("%s", kSeparator); }

}  // namespace gevconfigure
