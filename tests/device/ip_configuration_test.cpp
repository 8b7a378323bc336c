// The IP configuration tool's flow end to end against a soft device that applies forced
// addresses to its link: force a temporary address, discover again, connect by unique ID, write
// the IP configuration registers, and see the result in discovery.
#include <gtest/gtest.h>

#include "AcceptLocalSources.h"
#include "FindUntil.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/system/KySystem.h"
#include "ky/device/KyGevConstants.h"

namespace {

const KyDeviceInfoGEV *OnHostAdapterNow(const KySystem &system)
{
    for (uint32_t i = 0; i < system.GetInterfaceCount(); ++i)
        if (system.GetInterface(i)->GetName() == "kyh1" && system.GetInterface(i)->GetDeviceCount() == 1)
            return dynamic_cast<const KyDeviceInfoGEV *>(system.GetInterface(i)->GetDeviceInfo(0));
    return nullptr;
}

// The camera on the host's adapter, discovered again until it answers.
const KyDeviceInfoGEV *OnHostAdapter(KySystem &system)
{
    return FindUntil(system, [&] { return OnHostAdapterNow(system) != nullptr; }) ? OnHostAdapterNow(system)
                                                                                  : nullptr;
}

TEST(IPConfigurationFlow, ForceDiscoverConnectAndWritePersistentConfiguration)
{
    AcceptLocalSources(1);
    KySoftDeviceGEV camera;
    ASSERT_TRUE(camera.SetApplyForcedIP(true).IsOK());
    ASSERT_TRUE(camera.Start("02:00:0a:0a:01:02").IsOK());
    KySystem system;
    system.SetDetectionTimeout(400);
    const KyDeviceInfoGEV *found = OnHostAdapter(system);
    ASSERT_NE(found, nullptr);
    const KyString mac = found->GetMACAddress();
    const KyString uniqueID = found->GetUniqueID();

    const KyResult forced = KyDeviceGEV::SetIPConfiguration(mac, "10.10.1.77", "255.255.255.0", "10.10.1.1");
    ASSERT_TRUE(forced.IsOK()) << forced.GetCodeString().GetAscii() << " "
                               << forced.GetDescription().GetAscii();
    found = OnHostAdapter(system);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetIPAddress(), "10.10.1.77");
    EXPECT_EQ(found->GetDefaultGateway(), "10.10.1.1");

    KyResult result;
    KyDevice *device = KyDevice::CreateAndConnect(uniqueID, &result);
    ASSERT_TRUE(result.IsOK()) << result.GetDescription().GetAscii();
    EXPECT_EQ(static_cast<KyDeviceGEV *>(device)->GetIPAddress(), "10.10.1.77");
    uint8_t word[4] = {};
    ASSERT_TRUE(device->ReadMemory(ky::gev::CURRENT_IP_CONFIG_OFFSET, word, 4).IsOK());
    word[3] = uint8_t((word[3] & 0xFC) | ky::gev::IP_CONFIG_PERSISTENT_MASK);
    ASSERT_TRUE(device->WriteMemory(ky::gev::CURRENT_IP_CONFIG_OFFSET, word, 4).IsOK());
    const uint8_t address[4] = {10, 10, 1, 60}, mask[4] = {255, 255, 255, 0}, gateway[4] = {10, 10, 1, 1};
    ASSERT_TRUE(device->WriteMemory(ky::gev::PERSISTENT_IP_OFFSET, address, 4).IsOK());
    ASSERT_TRUE(device->WriteMemory(ky::gev::PERSISTENT_SUBNET_MASK_OFFSET, mask, 4).IsOK());
    ASSERT_TRUE(device->WriteMemory(ky::gev::PERSISTENT_GATEWAY_OFFSET, gateway, 4).IsOK());
    uint8_t back[4] = {};
    ASSERT_TRUE(device->ReadMemory(ky::gev::PERSISTENT_IP_OFFSET, back, 4).IsOK());
    EXPECT_EQ(std::vector<uint8_t>(back, back + 4), std::vector<uint8_t>(address, address + 4));
    KyDevice::Free(device);

    found = OnHostAdapter(system);
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(found->IsPersistentEnabled());
    EXPECT_FALSE(found->IsDHCPEnabled());
}

// Each FORCEIP is acknowledged, also one that takes the device off an address an earlier
// FORCEIP gave it (the acknowledge leaves from that address before it goes), and the device is
// found at each new address in turn, back at its own at the end.
TEST(IPConfigurationFlow, EveryForcedAddressInARowIsAcknowledged)
{
    AcceptLocalSources(1);
    KySoftDeviceGEV camera;
    ASSERT_TRUE(camera.SetApplyForcedIP(true).IsOK());
    ASSERT_TRUE(camera.Start("02:00:0a:0a:01:02").IsOK());
    KySystem system;
    system.SetDetectionTimeout(400);
    const KyDeviceInfoGEV *found = OnHostAdapter(system);
    ASSERT_NE(found, nullptr);
    const KyString mac = found->GetMACAddress();
    for (const char *address : {"10.10.1.77", "10.10.1.78", "10.10.1.79", "10.10.1.2"}) {
        SCOPED_TRACE(address);
        const KyResult forced = KyDeviceGEV::SetIPConfiguration(mac, address, "255.255.255.0", "10.10.1.1");
        EXPECT_TRUE(forced.IsOK()) << forced.GetCodeString().GetAscii() << " "
                                   << forced.GetDescription().GetAscii();
        EXPECT_TRUE(FindUntil(system, [&] {
            const KyDeviceInfoGEV *now = OnHostAdapterNow(system);
            return now != nullptr && now->GetIPAddress() == address;
        }));
    }
}

}  // namespace
