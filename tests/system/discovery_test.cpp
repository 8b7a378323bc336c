// Discovery per adapter and forced IP configuration against stand-in cameras on two links.
#include <gtest/gtest.h>

#include "AcceptLocalSources.h"
#include "FindUntil.h"

#include <cstdlib>
#include <string>

#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/system/KyNetworkAdapter.h"
#include "ky/system/KySystem.h"
#include "ScriptedDiscoveryResponder.h"

namespace {

ky::gev::DiscoveryInfo Identity(uint8_t link)
{
    ky::gev::DiscoveryInfo info;
    info.mac = {0x02, 0x10, 0x00, 0x00, 0x00, link};
    info.ipConfigOptions = 0x7;
    info.ipConfigCurrent = 0x5;  // persistent + LLA
    info.currentIp = 0x0A0A0002u | (uint32_t(link) << 8);
    info.currentSubnetMask = 0xFFFFFF00u;
    info.currentGateway = 0x0A0A0001u | (uint32_t(link) << 8);
    info.manufacturerName = "Maker";
    info.modelName = "Cam" + std::to_string(link);
    info.deviceVersion = "1.0";
    info.manufacturerInfo = "info";
    info.serialNumber = "SN" + std::to_string(link);
    info.userDefinedName = "link" + std::to_string(link);
    return info;
}

const KyInterface *Named(const KySystem &system, const char *name)
{
    for (uint32_t i = 0; i < system.GetInterfaceCount(); ++i)
        if (system.GetInterface(i)->GetName() == name)
            return system.GetInterface(i);
    return nullptr;
}

class TwoLinks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AcceptLocalSources(2);
        ASSERT_TRUE(camera1.Bound());
        ASSERT_TRUE(camera2.Bound());
        system.SetDetectionTimeout(400);
        ASSERT_TRUE(FindUntil(system, [&] { return BothAnswered(); }));
    }
    bool BothAnswered() const
    {
        const KyInterface *host1 = Named(system, "kyh1"), *host2 = Named(system, "kyh2");
        return host1 && host2 && host1->GetDeviceCount() > 0 && host2->GetDeviceCount() > 0;
    }
    ScriptedDiscoveryResponder camera1{"kyc1", Identity(1)};
    ScriptedDiscoveryResponder camera2{"kyc2", Identity(2)};
    KySystem system;
};

TEST_F(TwoLinks, EachAdapterListsTheCameraOnItsLinkOnce)
{
    for (int link = 1; link <= 2; ++link) {
        const std::string name = "kyh" + std::to_string(link);
        const KyInterface *adapter = Named(system, name.c_str());
        ASSERT_NE(adapter, nullptr);
        ASSERT_EQ(adapter->GetDeviceCount(), 1u) << name;
        const auto *record = dynamic_cast<const KyDeviceInfoGEV *>(adapter->GetDeviceInfo(0));
        ASSERT_NE(record, nullptr);
        const std::string suffix = std::to_string(link);
        EXPECT_EQ(record->GetSerialNumber(), ("SN" + suffix).c_str());
        EXPECT_EQ(record->GetModelName(), ("Cam" + suffix).c_str());
        EXPECT_EQ(record->GetUserDefinedName(), ("link" + suffix).c_str());
        EXPECT_EQ(record->GetVendorName(), "Maker");
        EXPECT_EQ(record->GetVersion(), "1.0");
        EXPECT_EQ(record->GetManufacturerInfo(), "info");
        EXPECT_EQ(record->GetMACAddress(), ("02:10:00:00:00:0" + suffix).c_str());
        EXPECT_EQ(record->GetIPAddress(), ("10.10." + suffix + ".2").c_str());
        EXPECT_EQ(record->GetSubnetMask(), "255.255.255.0");
        EXPECT_EQ(record->GetDefaultGateway(), ("10.10." + suffix + ".1").c_str());
        EXPECT_EQ(record->GetIPConfigCurrentString(), "LLA, Persistent");
        EXPECT_TRUE(record->IsPersistentEnabled());
        EXPECT_FALSE(record->IsDHCPEnabled());
        EXPECT_EQ(record->GetGEVVersion(), 0x00020000u);
        EXPECT_TRUE(record->IsConfigurationValid());
        EXPECT_EQ(record->GetInterface(), adapter);
    }
}

TEST_F(TwoLinks, ForcedConfigurationReachesOnlyTheCameraWithThatMac)
{
    ASSERT_TRUE(KyDeviceGEV::SetIPConfiguration("02:10:00:00:00:02", "10.10.2.50", "255.255.0.0", "10.10.2.1")
                    .IsOK());
    // Sent out of every adapter: the camera may hear it through more than one (here kyh2 and kyc2).
    ASSERT_GE(camera2.Forced().size(), 1u);
    EXPECT_TRUE(camera1.Forced().empty());
    for (const ky::gev::ForceIpCmd &forced : camera2.Forced()) {
        EXPECT_EQ(forced.staticIp, 0x0A0A0232u);
        EXPECT_EQ(forced.subnetMask, 0xFFFF0000u);
        EXPECT_EQ(forced.gateway, 0x0A0A0201u);
    }

    const KyResult nobody = KyDeviceGEV::SetIPConfiguration("02:10:00:00:00:09", "10.10.2.50");
    EXPECT_EQ(nobody.GetCode(), KY_TIMEOUT);
    EXPECT_STREQ(nobody.GetDescription().GetAscii(),
                 "No device with MAC address 02:10:00:00:00:09 acknowledged the new IP configuration.");
}

TEST_F(TwoLinks, SubnetBroadcastFindsTheSameCameras)
{
    system.SetSubnetBroadcastEnabled(true);
    EXPECT_TRUE(system.GetSubnetBroadcastEnabled());
    ASSERT_TRUE(FindUntil(system, [&] { return BothAnswered(); }));
    EXPECT_EQ(Named(system, "kyh1")->GetDeviceCount(), 1u);
    EXPECT_EQ(Named(system, "kyh2")->GetDeviceCount(), 1u);
}

}  // namespace
