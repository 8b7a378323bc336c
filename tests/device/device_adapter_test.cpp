// KyDeviceAdapter over a soft device on the loopback adapter (in the test's private network
// namespace): by-name reads equal the device's own, register and memory access, the refusals of
// a null device and of null buffers, forwarding of parameter updates, and an adapter that dies
// leaves no registration behind.
#include <gtest/gtest.h>

#include <vector>

#include "ky/device/IKyDeviceEventSink.h"
#include "ky/device/KyDevice.h"
#include "ky/device/KyDeviceAdapter.h"
#include "ky/device/KyDeviceTesmarProtocol.h"
#include "ky/device/KyGevConstants.h"
#include "ky/genicam/KyGenEnum.h"
#include "ky/genicam/KyGenInteger.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/genicam/KyGenString.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"

namespace {

class NameSink : public IKyDeviceEventSink
{
public:
    void OnLinkDisconnected(IKyDeviceAdapter *) override { ++disconnects; }
    void OnEvent(IKyDeviceAdapter *, uint16_t, uint16_t, uint64_t, uint64_t, const void *, uint32_t) override
    { }
    void OnParameterUpdate(IKyDeviceAdapter *adapter, const KyString &name) override
    {
        EXPECT_NE(adapter, nullptr);
        names.emplace_back(name.GetAscii());
    }
    int disconnects = 0;
    std::vector<std::string> names;
};

class DeviceAdapter : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(camera.Start("00:00:00:00:00:00").IsOK());
        KyResult result;
        device = KyDevice::CreateAndConnect(KyString("127.0.0.1"), &result);
        ASSERT_NE(device, nullptr) << result.GetDescription().GetAscii();
    }
    void TearDown() override { KyDevice::Free(device); }

    KySoftDeviceGEV camera;
    KyDevice *device = nullptr;
};

TEST_F(DeviceAdapter, ByNameReadsEqualTheDevicesOwn)
{
    KyDeviceAdapter adapter(device);
    KyGenParameterArray *parameters = device->GetParameters();

    int64_t width = -1, expected = -2;
    ASSERT_TRUE(adapter.GetGenIntegerValue("GevHeartbeatTimeout", width).IsOK());
    ASSERT_TRUE(
        dynamic_cast<KyGenInteger *>(parameters->Get("GevHeartbeatTimeout"))->GetValue(expected).IsOK());
    EXPECT_EQ(width, expected);

    KyString format, expectedFormat;
    ASSERT_TRUE(adapter.GetGenEnumValue("EventSelector", format).IsOK());
    ASSERT_TRUE(dynamic_cast<KyGenEnum *>(parameters->Get("EventSelector"))->GetValue(expectedFormat).IsOK());
    EXPECT_STREQ(format.GetAscii(), expectedFormat.GetAscii());

    KyStringList entries;
    ASSERT_TRUE(adapter.GetGenEnumEntriesAvailable("EventSelector", entries).IsOK());
    EXPECT_NE(std::find(entries.begin(), entries.end(), format), entries.end());
    EXPECT_TRUE(adapter.IsGenEnumEntryAvailable("EventSelector", format));
    EXPECT_FALSE(adapter.IsGenEnumEntryAvailable("EventSelector", "NoSuchFormat"));

    KyString vendor, expectedVendor;
    ASSERT_TRUE(adapter.GetGenStringValue("DeviceVendorName", vendor).IsOK());
    ASSERT_TRUE(
        dynamic_cast<KyGenString *>(parameters->Get("DeviceVendorName"))->GetValue(expectedVendor).IsOK());
    EXPECT_STREQ(vendor.GetAscii(), expectedVendor.GetAscii());

    bool dhcp = false;
    EXPECT_TRUE(adapter.GetGenBooleanValue("GevCurrentIPConfigurationDHCP", dhcp).IsOK());

    EXPECT_TRUE(adapter.IsGenIntegerInNodeMap("GevHeartbeatTimeout"));
    EXPECT_FALSE(adapter.IsGenIntegerInNodeMap("EventSelector"));
    EXPECT_TRUE(adapter.IsGenEnumInNodeMap("EventSelector"));
    EXPECT_TRUE(adapter.IsGenBooleanInNodeMap("GevCurrentIPConfigurationDHCP"));
    EXPECT_TRUE(adapter.IsGenReadable("GevHeartbeatTimeout"));
    EXPECT_TRUE(adapter.IsGenWritable("GevHeartbeatTimeout"));
    EXPECT_FALSE(adapter.IsGenReadable("NoSuchFeature"));
    EXPECT_EQ(adapter.GetGenIntegerValue("NoSuchFeature", width).GetCode(), KY_NOT_FOUND);

    EXPECT_TRUE(adapter.IsConnected());
    EXPECT_TRUE(adapter.IsGigEVision());
    EXPECT_FALSE(adapter.IsUSB3Vision());
    EXPECT_FALSE(adapter.IsTesmarPowered());
    KyString id, expectedId;
    ASSERT_TRUE(adapter.GetUniqueID(id).IsOK());
    ASSERT_TRUE(device->GetUniqueID(expectedId).IsOK());
    EXPECT_STREQ(id.GetAscii(), expectedId.GetAscii());
}

TEST_F(DeviceAdapter, RegistersAndMemory)
{
    KyDeviceAdapter adapter(device);
    uint32_t version = 0;
    ASSERT_TRUE(adapter.ReadRegister(ky::gev::VERSION_OFFSET, version).IsOK());
    EXPECT_NE(version, 0u);
    uint8_t bytes[4] = {};
    ASSERT_TRUE(adapter.ReadMemory(bytes, ky::gev::VERSION_OFFSET, 4).IsOK());
    EXPECT_EQ(uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3],
              version);
    ASSERT_TRUE(adapter.WriteRegister(ky::gev::HEARTBEAT_TIMEOUT_OFFSET, 4000).IsOK());
    uint32_t heartbeat = 0;
    ASSERT_TRUE(adapter.ReadRegister(ky::gev::HEARTBEAT_TIMEOUT_OFFSET, heartbeat).IsOK());
    EXPECT_EQ(heartbeat, 4000u);
    EXPECT_TRUE(adapter.WaitForMessagingChannelIdle(100).IsOK());
}

TEST_F(DeviceAdapter, NullBuffersWithALengthAreRefused)
{
    KyDeviceAdapter adapter(device);
    EXPECT_EQ(adapter.ReadMemory(nullptr, ky::gev::VERSION_OFFSET, 16).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(adapter.WriteMemory(nullptr, ky::gev::VERSION_OFFSET, 16).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(adapter.GetGenRegisterData("GevHeartbeatTimeout", nullptr, 4).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(adapter.SetGenRegisterData("GevHeartbeatTimeout", nullptr, 4).GetCode(), KY_INVALID_PARAMETER);
}

TEST(DeviceAdapterWithoutDevice, EveryOperationAnswersNotConnected)
{
    KyDeviceAdapter adapter(nullptr);
    int64_t integer = 0;
    bool flag = true;
    uint32_t value = 7;
    KyString text;
    KyStringList list{"stale"};
    uint8_t byte = 0;
    for (const KyResult &result : {adapter.GetGenIntegerValue("GevHeartbeatTimeout", integer),
                                   adapter.GetGenEnumEntriesAvailable("EventSelector", list),
                                   adapter.GetGenEnumValue("EventSelector", text),
                                   adapter.SetGenEnumValue("EventSelector", "Mono8"),
                                   adapter.GetGenBooleanValue("B", flag),
                                   adapter.SetGenBooleanValue("B", true),
                                   adapter.GetGenStringValue("S", text),
                                   adapter.GetGenRegisterLength("R", integer),
                                   adapter.GetGenRegisterData("R", &byte, 1),
                                   adapter.SetGenRegisterData("R", &byte, 1),
                                   adapter.RegisterGenInvalidator("GevHeartbeatTimeout"),
                                   adapter.UnregisterGenInvalidator("GevHeartbeatTimeout"),
                                   adapter.WriteRegister(0, 1),
                                   adapter.ReadRegister(0, value),
                                   adapter.WriteMemory(&byte, 0, 1),
                                   adapter.ReadMemory(nullptr, 0, 16),
                                   adapter.WaitForMessagingChannelIdle(0),
                                   adapter.RegisterEventSink(nullptr),
                                   adapter.UnregisterEventSink(nullptr),
                                   adapter.GetUniqueID(text)}) {
        EXPECT_EQ(result.GetCode(), KY_NOT_CONNECTED);
    }
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(list.empty());
    for (bool answer :
         {adapter.IsGenIntegerInNodeMap("GevHeartbeatTimeout"), adapter.IsGenEnumInNodeMap("EventSelector"),
          adapter.IsGenBooleanInNodeMap("B"), adapter.IsGenRegisterInNodeMap("R"),
          adapter.IsGenReadable("GevHeartbeatTimeout"), adapter.IsGenWritable("GevHeartbeatTimeout"),
          adapter.IsGenEnumEntryAvailable("EventSelector", "Mono8"), adapter.IsConnected(),
          adapter.IsTesmarPowered(), adapter.IsGigEVision(), adapter.IsUSB3Vision()}) {
        EXPECT_FALSE(answer);
    }
}

TEST_F(DeviceAdapter, WatchedParameterUpdatesReachTheSinks)
{
    NameSink sink;
    KyDeviceAdapter adapter(device);
    ASSERT_TRUE(adapter.RegisterEventSink(&sink).IsOK());
    EXPECT_EQ(adapter.RegisterEventSink(&sink).GetCode(), KY_INVALID_PARAMETER);
    ASSERT_TRUE(adapter.RegisterGenInvalidator("GevHeartbeatTimeout").IsOK());
    auto *width = dynamic_cast<KyGenInteger *>(device->GetParameters()->Get("GevHeartbeatTimeout"));
    int64_t value = 0;
    ASSERT_TRUE(width->GetValue(value).IsOK());
    ASSERT_TRUE(width->SetValue(value).IsOK());
    EXPECT_NE(std::find(sink.names.begin(), sink.names.end(), "GevHeartbeatTimeout"), sink.names.end());
    EXPECT_TRUE(adapter.UnregisterGenInvalidator("GevHeartbeatTimeout").IsOK());
    EXPECT_EQ(adapter.UnregisterGenInvalidator("GevHeartbeatTimeout").GetCode(), KY_NOT_FOUND);
    EXPECT_TRUE(adapter.UnregisterEventSink(&sink).IsOK());
    EXPECT_EQ(adapter.UnregisterEventSink(&sink).GetCode(), KY_NOT_FOUND);
}

TEST_F(DeviceAdapter, AnAdapterThatDiesUnregistersItself)
{
    NameSink sink;
    auto *width = dynamic_cast<KyGenInteger *>(device->GetParameters()->Get("GevHeartbeatTimeout"));
    {
        auto adapter = std::make_unique<KyDeviceAdapter>(device);
        ASSERT_TRUE(adapter->RegisterEventSink(&sink).IsOK());
        ASSERT_TRUE(adapter->RegisterGenInvalidator("GevHeartbeatTimeout").IsOK());
        ASSERT_TRUE(adapter->RegisterGenInvalidator("GevMCRC").IsOK());
        KyGenEventSink *asParameterSink = adapter.get();
        KyDeviceEventSink *asDeviceSink = adapter.get();
        adapter.reset();
        // Neither registration is left: registering the same addresses again is no repeat.
        EXPECT_EQ(width->UnregisterEventSink(asParameterSink).GetCode(), KY_NOT_FOUND)
            << "parameter still holds it";
        EXPECT_EQ(device->UnregisterEventSink(asDeviceSink).GetCode(), KY_NOT_FOUND)
            << "device still holds it";
    }
    int64_t value = 0;
    ASSERT_TRUE(width->GetValue(value).IsOK());
    EXPECT_TRUE(width->SetValue(value).IsOK());  // would call into the dead adapter otherwise
    EXPECT_TRUE(sink.names.empty());
}

TEST(DeviceTesmarProtocol, NoDeviceAnswersAndBadTextsAreRefused)
{
    EXPECT_EQ(KyDeviceTesmarProtocol::SetIPConfiguration("00:11:22:33:44:55", "10.0.0.5").GetCode(),
              KY_NOT_FOUND);
    EXPECT_EQ(
        KyDeviceTesmarProtocol::SetIPConfiguration("00:11:22:33:44:55", "10.0.0.5", "255.0.0.0", "10.0.0.1")
            .GetCode(),
        KY_NOT_FOUND);
    EXPECT_EQ(KyDeviceTesmarProtocol::SetIPConfiguration("not a mac", "10.0.0.5").GetCode(),
              KY_INVALID_PARAMETER);
    EXPECT_EQ(KyDeviceTesmarProtocol::SetIPConfiguration("00:11:22:33:44:55", "10.0.0.500").GetCode(),
              KY_INVALID_PARAMETER);
}

}  // namespace
