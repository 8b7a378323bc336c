// Our client end to end against the kit's software devices, one on each of two links.
#include <gtest/gtest.h>

#include "AcceptLocalSources.h"
#include "FindUntil.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ky/virtualdevice/IKyMessageChannel.h"
#include "ky/virtualdevice/IKyRegisterMap.h"
#include "ky/virtualdevice/IKySoftDeviceGEVInfo.h"
#include "ky/device/KyDeviceEventSink.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/system/KyNetworkAdapter.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/system/KySystem.h"
#include "ky/device/KyGevConstants.h"

using namespace std::chrono_literals;

namespace {

template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds bound = 15s)
{
    for (auto waited = 0ms; waited < bound; waited += 50ms) {
        if (condition())
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return condition();
}

class RecordingSink : public KyDeviceEventSink
{
public:
    void OnLinkDisconnected(KyDevice *) override { ++disconnects; }
    void OnEvent(KyDevice *, uint16_t id, uint16_t channel, uint64_t blockId, uint64_t, const void *data,
                 uint32_t length) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        eventIds.push_back(id);
        channels.push_back(channel);
        blockIds.push_back(blockId);
        const auto *bytes = static_cast<const uint8_t *>(data);
        payloads.emplace_back(bytes, bytes + length);
    }
    std::atomic<int> disconnects{0};
    std::mutex mutex;
    std::vector<uint16_t> eventIds;
    std::vector<uint16_t> channels;
    std::vector<uint64_t> blockIds;
    std::vector<std::vector<uint8_t>> payloads;
};

class SoftDevices : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AcceptLocalSources(2);
        ASSERT_TRUE(camera1.Start("02:00:0a:0a:01:02").IsOK());
        ASSERT_TRUE(camera2.Start("02:00:0a:0a:02:02").IsOK());
        Describe(camera1, "Left", "SL0001");
        Describe(camera2, "Right", "SR0002");
        system.SetDetectionTimeout(400);
        ASSERT_TRUE(FindUntil(system, [&] { return Only("kyh1") && Only("kyh2"); }));
    }
    static void Describe(KySoftDeviceGEV &camera, const char *model, const char *serial)
    {
        IKySoftDeviceGEVInfo *info = camera.GetInfo();  // exists while the device runs
        ASSERT_NE(info, nullptr);
        ASSERT_TRUE(info->SetModelName(model).IsOK());
        ASSERT_TRUE(info->SetSerialNumber(serial).IsOK());
        ASSERT_TRUE(info->SetManufacturerName("Kit").IsOK());
    }
    void ConnectWatched(KyDeviceGEV &device, RecordingSink &sink, const char *adapterName)
    {
        ASSERT_TRUE(device.RegisterEventSink(&sink).IsOK());
        ASSERT_TRUE(device.Connect(Only(adapterName)).IsOK());
    }
    const KyInterface *Adapter(const char *name)
    {
        for (uint32_t i = 0; i < system.GetInterfaceCount(); ++i)
            if (system.GetInterface(i)->GetName() == name)
                return system.GetInterface(i);
        return nullptr;
    }
    const KyDeviceInfoGEV *Only(const char *adapterName)
    {
        const KyInterface *adapter = Adapter(adapterName);
        if (!adapter || adapter->GetDeviceCount() != 1)
            return nullptr;
        return dynamic_cast<const KyDeviceInfoGEV *>(adapter->GetDeviceInfo(0));
    }

    KySoftDeviceGEV camera1;
    KySoftDeviceGEV camera2;
    KySystem system;
};

TEST_F(SoftDevices, FoundOnTwoAdaptersGroupedPerAdapterWithTheirIdentities)
{
    const KyDeviceInfoGEV *left = Only("kyh1");
    const KyDeviceInfoGEV *right = Only("kyh2");
    ASSERT_NE(left, nullptr);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(left->GetMACAddress(), "02:00:0a:0a:01:02");
    EXPECT_EQ(left->GetIPAddress(), "10.10.1.2");
    EXPECT_EQ(left->GetSubnetMask(), "255.255.255.0");
    EXPECT_EQ(right->GetMACAddress(), "02:00:0a:0a:02:02");
    EXPECT_EQ(right->GetIPAddress(), "10.10.2.2");
    EXPECT_EQ(left->GetSerialNumber(), "SL0001");
    EXPECT_EQ(left->GetModelName(), "Left");
    EXPECT_EQ(left->GetVendorName(), "Kit");
    EXPECT_EQ(right->GetSerialNumber(), "SR0002");
    EXPECT_EQ(right->GetModelName(), "Right");
    EXPECT_EQ(Adapter("kyh1")->GetDeviceCount() + Adapter("kyh2")->GetDeviceCount(), 2u);
    EXPECT_TRUE(left->IsConfigurationValid());
}

TEST_F(SoftDevices, ReadsAndWritesRegisters)
{
    KyResult result;
    KyDevice *device = KyDevice::CreateAndConnect(Only("kyh1"), &result);
    ASSERT_TRUE(result.IsOK()) << result.GetDescription().GetAscii();
    auto *gev = static_cast<KyDeviceGEV *>(device);
    uint32_t ccp = 0;
    ASSERT_TRUE(gev->ReadRegister(ky::gev::CCP_OFFSET, ccp).IsOK());
    EXPECT_EQ(ccp, ky::gev::CCP_EXCLUSIVE_MASK);
    const char name[] = "bench-left";
    ASSERT_TRUE(gev->WriteMemory(ky::gev::USER_DEFINED_NAME_OFFSET, reinterpret_cast<const uint8_t *>(name),
                                 sizeof name)
                    .IsOK());
    char back[ky::gev::USER_DEFINED_NAME_SIZE] = {};
    ASSERT_TRUE(
        gev->ReadMemory(ky::gev::USER_DEFINED_NAME_OFFSET, reinterpret_cast<uint8_t *>(back), sizeof back)
            .IsOK());
    EXPECT_STREQ(back, name);
    KyDevice::Free(device);
    ASSERT_TRUE(FindUntil(system, [&] { return Only("kyh1") != nullptr; }));
    EXPECT_EQ(Only("kyh1")->GetUserDefinedName(), "bench-left");  // discovery shows the new name
}

TEST_F(SoftDevices, ASecondControllerIsRefused)
{
    KyDeviceGEV first, second;
    ASSERT_TRUE(first.Connect(Only("kyh1")).IsOK());
    const KyResult refused = second.Connect(Only("kyh1"), KyAccessControl);
    EXPECT_EQ(refused.GetCode(), KY_BUSY);
    EXPECT_STREQ(refused.GetDescription().GetAscii(),
                 "Another application controls the device (access denied).");
    EXPECT_FALSE(second.IsConnected());
    KyAccessType access = KyAccessUnknown;
    ASSERT_TRUE(KyDeviceGEV::GetAccessType("10.10.1.2", access).IsOK());
    EXPECT_EQ(access, KyAccessExclusive);
    ASSERT_TRUE(first.Disconnect().IsOK());
    EXPECT_TRUE(second.Connect(Only("kyh1"), KyAccessControl).IsOK());  // free again
}

TEST_F(SoftDevices, AMonitorReadsBesideAControllerButCannotWrite)
{
    KyDeviceGEV controller, monitor;
    ASSERT_TRUE(controller.Connect(Only("kyh1"), KyAccessControl).IsOK());
    ASSERT_TRUE(monitor.Connect(Only("kyh1"), KyAccessOpen).IsOK());
    EXPECT_EQ(monitor.GetAccessType(), KyAccessOpen);
    uint32_t ccp = 0;
    ASSERT_TRUE(monitor.ReadRegister(ky::gev::CCP_OFFSET, ccp).IsOK());
    EXPECT_EQ(ccp, ky::gev::CCP_CONTROL_MASK);
    const KyResult denied = monitor.WriteRegister(ky::gev::HEARTBEAT_TIMEOUT_OFFSET, 5000);
    EXPECT_EQ(denied.GetCode(), KY_STATE_ERROR);
    EXPECT_STREQ(denied.GetDescription().GetAscii(),
                 "WRITEREG_CMD at 0x00000938: the device refuses access without control privilege (status "
                 "ACCESS_DENIED, 0x8006).");
    EXPECT_TRUE(monitor.Disconnect().IsOK());
    EXPECT_TRUE(controller.IsConnected());  // a monitor leaving does not release the controller
    ASSERT_TRUE(controller.ReadRegister(ky::gev::CCP_OFFSET, ccp).IsOK());
    EXPECT_EQ(ccp, ky::gev::CCP_CONTROL_MASK);
}

TEST_F(SoftDevices, DeviceRefusalsComeBackAsMatchingResults)
{
    KyDeviceGEV device;
    ASSERT_TRUE(device.Connect(Only("kyh2")).IsOK());
    const KyResult readOnly = device.WriteRegister(ky::gev::VERSION_OFFSET, 0x00010001);
    EXPECT_EQ(readOnly.GetCode(), KY_NOT_SUPPORTED);
    EXPECT_STREQ(readOnly.GetDescription().GetAscii(),
                 "WRITEREG_CMD at 0x00000000: the register is read-only (status WRITE_PROTECT, 0x8004).");
    uint32_t value = 1;
    const KyResult unknown = device.ReadRegister(0x00FFFF00, value);
    EXPECT_EQ(unknown.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_STREQ(unknown.GetDescription().GetAscii(), "READREG_CMD at 0x00FFFF00: the device has no register "
                                                      "at this address (status INVALID_ADDRESS, 0x8003).");
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(device.IsConnected());  // refusals do not end the connection
}

TEST_F(SoftDevices, HeartbeatExpiryIsReportedAsLinkLoss)
{
    RecordingSink sink;
    KyDeviceGEV device;
    ConnectWatched(device, sink, "kyh1");
    // The device's own program shortens the timeout behind the controller's back: our beats
    // (one per second) now come too late and the device drops our control.
    IKyRegister *timeout = camera1.GetRegisterMap()->GetRegisterByAddress(ky::gev::HEARTBEAT_TIMEOUT_OFFSET);
    ASSERT_NE(timeout, nullptr);
    ASSERT_TRUE(timeout->Write(uint32_t(500)).IsOK());
    EXPECT_TRUE(WaitFor([&] { return sink.disconnects > 0; }));
    EXPECT_EQ(sink.disconnects, 1);
    EXPECT_FALSE(device.IsConnected());
}

TEST_F(SoftDevices, HeartbeatFollowsATimeoutWrittenThroughTheConnection)
{
    RecordingSink sink;
    KyDeviceGEV device;
    ConnectWatched(device, sink, "kyh1");
    ASSERT_TRUE(device.WriteRegister(ky::gev::HEARTBEAT_TIMEOUT_OFFSET, 600).IsOK());
    std::this_thread::sleep_for(2s);  // several device timeouts
    EXPECT_EQ(sink.disconnects, 0);
    EXPECT_TRUE(device.IsConnected());
}

TEST_F(SoftDevices, StoppedDeviceIsReportedAsLinkLoss)
{
    RecordingSink sink;
    KyDeviceGEV device;
    ConnectWatched(device, sink, "kyh2");
    ASSERT_TRUE(camera2.Stop().IsOK());
    EXPECT_TRUE(WaitFor([&] { return sink.disconnects > 0; }));
    EXPECT_FALSE(device.IsConnected());
    EXPECT_TRUE(device.Disconnect().IsOK());
}

TEST_F(SoftDevices, EventsReachTheSinks)
{
    RecordingSink sink;
    KyDeviceGEV device;
    ConnectWatched(device, sink, "kyh1");
    IKyMessageChannel *channel = camera1.GetMessagingChannel();
    ASSERT_NE(channel, nullptr);
    ASSERT_TRUE(WaitFor([&] { return channel->IsOpened(); }, 2s));
    ASSERT_TRUE(channel->FireEvent(0x9001, 42, 0xFFFF).IsOK());
    uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(channel->FireEvent(0x9002, data, sizeof data, 7, 0).IsOK());
    ASSERT_TRUE(device.WaitForMessagingChannelIdle(2000).IsOK());
    std::lock_guard<std::mutex> lock(sink.mutex);
    ASSERT_EQ(sink.eventIds, (std::vector<uint16_t>{0x9001, 0x9002}));
    EXPECT_EQ(sink.blockIds, (std::vector<uint64_t>{42, 7}));
    EXPECT_EQ(sink.channels, (std::vector<uint16_t>{0xFFFF, 0}));
    EXPECT_TRUE(sink.payloads[0].empty());
    EXPECT_EQ(sink.payloads[1], std::vector<uint8_t>(data, data + 8));
}

}  // namespace
