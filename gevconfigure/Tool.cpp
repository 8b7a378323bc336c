#include "Tool.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Addresses.h"
#include "DeviceMap.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/system/KyNetworkAdapter.h"
#include "ky/system/KySystem.h"
#include "Options.h"
#include "Procedures.h"

namespace gevconfigure {

namespace {

const char kTemporaryMask[] = "255.255.255.0";

struct PersistentValues
{
    std::string ip, subnetMask, gateway;
};

// The operands after the index choose the values; missing ones come from the adapter.
PersistentValues ChoosePersistentValues(int argc, char **argv, const KyNetworkAdapter &adapter)
{
    switch (argc) {
    case 6:
        return {argv[3], argv[4], argv[5]};
    case 5:
        return {argv[3], argv[4], adapter.GetIPAddress(0).GetAscii()};
    case 4:
        return {argv[3], adapter.GetSubnetMask(0).GetAscii(), adapter.GetIPAddress(0).GetAscii()};
    default:
        return {};
    }
}

// Every operand must be an address, and the camera's own address must not be 0.0.0.0. The
// operands left out (empty here) are taken from the adapter later and are not judged.
bool ValidatePersistentValues(const PersistentValues &values, bool all = true)
{
    uint32_t ip = 0, scratch = 0;
    if (CheckArgumentip(values.ip.c_str(), &ip) != kSuccess || ip == 0) {
        DisplayInvalidOperand("IP", values.ip.c_str());
        return false;
    }
    if ((all || !values.subnetMask.empty()) &&
        CheckArgumentip(values.subnetMask.c_str(), &scratch) != kSuccess) {
        DisplayInvalidOperand("Subnet", values.subnetMask.c_str());
        return false;
    }
    if ((all || !values.gateway.empty()) && CheckArgumentip(values.gateway.c_str(), &scratch) != kSuccess) {
        DisplayInvalidOperand("gateway", values.gateway.c_str());
        return false;
    }
    return true;
}

bool IsIndexOperand(const char *text) { return std::isdigit(static_cast<unsigned char>(text[0])) != 0; }

// The persistent form's operands as written, before any discovery: an index that is no number,
// or an address that is none, can never work, so nothing is broadcast for them.
bool CheckPersistentOperands(int argc, char **argv)
{
    if (!IsIndexOperand(argv[2])) {
        DisplayInvalidOperand("index", argv[2]);
        return false;
    }
    PersistentValues given;
    if (argc >= 4 && argc <= 6) {
        given.ip = argv[3];
        given.subnetMask = argc >= 5 ? argv[4] : "";
        given.gateway = argc == 6 ? argv[5] : "";
    }
    return ValidatePersistentValues(given, false);
}

void ForceAddress(KySystem &system, const KyDeviceInfoGEV &info, const std::string &ip,
                  const std::string &mask, const std::string &gateway)
{
    // The camera may take the address without answering in time; the connection that follows tells.
    (void)KyDeviceGEV::SetIPConfiguration(info.GetMACAddress(), KyString(ip), KyString(mask),
                                          KyString(gateway));
    (void)system.Find();  // only the device's new address matters, and the connection finds it
}

// The forced temporary address used before the DHCP and link-local procedures.
void ForceTemporaryAddress(KySystem &system, const KyDeviceInfoGEV &info, const KyNetworkAdapter &adapter,
                           const std::vector<std::string> &used)
{
    const std::string adapterIP = adapter.GetIPAddress(0).GetAscii();
    ForceAddress(system, info, FindFreeTemporaryAddress(adapterIP, used), kTemporaryMask, adapterIP);
}

}  // namespace

int RunTool(int argc, char **argv)
{
    if (argc <= 1) {
        DisplayMissingArgument();
        return kExitFailed;
    }
    const int32_t option = CheckArgumentOption(argv[1]);
    if (option == kOptionHelp) {
        DisplayHelpMessage();
        return kExitDone;
    }
    if (option == kOptionVersion) {
        DisplayVersion();
        return kExitDone;
    }

    if (option == kOptionPersistent && argc >= 3 && !CheckPersistentOperands(argc, argv))
        return kExitFailed;

    KySystem system;
    const KyResult found = system.Find();
    if (found != 0) {
        printf("Failed to find the system: %s\n", found.GetCodeString().GetAscii());
        return kExitFailed;
    }
    if (system.GetDeviceCount() == 0) {
        printf("No connected devices found!!\n");
        printf("Please check the device connection status.\n");
        // A listing that finds nothing has still done what was asked.
        return option == kOptionList ? kExitDone : kExitFailed;
    }

    DeviceMap map;
    UpdateDevice(system, map);
    const std::vector<std::string> used = UsedAddresses(map);

    if (option == kOptionList) {
        DisplaySeparator();
        DisplayList(map);
        DisplaySeparator();
        return kExitDone;
    }
    if (option == kOptionUnknown) {
        DisplayInvalidOption(argv[1]);
        return kExitFailed;
    }
    if (argc == 2) {
        DisplayMissingArgument();
        return kExitFailed;
    }
    if (!IsIndexOperand(argv[2])) {
        DisplayInvalidOperand("index", argv[2]);
        return kExitFailed;
    }
    const auto index = static_cast<int32_t>(std::strtol(argv[2], nullptr, 10));
    if (index == 0 || index > static_cast<int32_t>(system.GetDeviceCount())) {
        DisplayInvalidIndex(index);
        return kExitFailed;
    }
    std::string uniqueId;
    const KyDeviceInfoGEV *info = DeviceAtIndex(map, index, &uniqueId);
    const auto *adapter = info ? dynamic_cast<const KyNetworkAdapter *>(info->GetInterface()) : nullptr;
    if (info == nullptr || adapter == nullptr) {
        DisplayInvalidIndex(index);
        return kExitFailed;
    }

    if (option == kOptionDHCP) {
        printf("Setting DHCP...\n");
        if (!info->IsDHCPEnabled()) {
            ForceTemporaryAddress(system, *info, *adapter, used);
            if (SetDHCP(uniqueId.c_str()) != kSuccess) {
                printf("Failed to set DHCP\n");
                return kExitFailed;
            }
        }
    } else if (option == kOptionPersistent) {
        printf("Setting Persistent...\n");
        const PersistentValues values = ChoosePersistentValues(argc, argv, *adapter);
        if (!ValidatePersistentValues(values))
            return kExitFailed;
        ForceAddress(system, *info, values.ip, values.subnetMask, values.gateway);
        if (SetPersistent(uniqueId.c_str(), values.ip.c_str(), values.subnetMask.c_str(),
                          values.gateway.c_str()) != kSuccess) {
            printf("Failed to set Persistent\n");
            return kExitFailed;
        }
    } else {  // kOptionLLA
        printf("Setting LLA...\n");
        if (info->IsDHCPEnabled() || info->IsPersistentEnabled()) {
            ForceTemporaryAddress(system, *info, *adapter, used);
            if (SetLLA(uniqueId.c_str()) != kSuccess) {
                printf("Failed to set LLA\n");
                return kExitFailed;
            }
        }
    }
    (void)system.Find();  // leaves the system's records fresh; the procedure has decided the outcome
    printf("Done.\n");
    return kExitDone;
}

}  // namespace gevconfigure
