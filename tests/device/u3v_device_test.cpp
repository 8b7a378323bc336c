// A USB3 Vision device on the simulated USB host controller, as a user reaches it through the
// SDK's shared libraries: connect by GUID (CreateAndConnect or a KyDeviceU3V of one's own),
// memory and registers over GenCP, GenICam features from the manifest's XML, events from the
// event endpoint, and link loss when the device is unplugged (clean KY_NOT_CONNECTED after it).
// The device lives in libKyVirtualDevice, the host in libKyDevice: both see one registry.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ky/device/KyDevice.h"
#include "ky/device/KyDeviceEventSink.h"
#include "ky/device/KyDeviceU3V.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "u3vdevice/SoftU3vDeclarations.h"

using namespace std::chrono_literals;
using ky::soft::SoftU3vDeclarations;
using ky::soft::SoftU3vSettings;

namespace {

constexpr auto kBound = 15s;

template <class Condition>
bool WaitFor(Condition condition)
{
    for (auto waited = 0ms; waited < kBound; waited += 10ms) {
        if (condition())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

class RecordingSink : public KyDeviceEventSink
{
public:
    void OnLinkDisconnected(KyDevice *) override { ++linkLost; }
    void OnEvent(KyDevice *, uint16_t id, uint16_t, uint64_t, uint64_t, const void *data,
                 uint32_t length) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        ids.push_back(id);
        const auto *bytes = static_cast<const uint8_t *>(data);
        payload.assign(bytes, bytes + length);
    }
    std::atomic<int> linkLost{0};
    std::mutex mutex;
    std::vector<uint16_t> ids;
    std::vector<uint8_t> payload;
};

class U3vDevice : public ::testing::Test
{
protected:
    static constexpr const char *kGuid = "0A1B2C3D4E5F";
    void SetUp() override
    {
        SoftU3vSettings settings;
        settings.guid = kGuid;
        settings.model = "U3V Cam";
        settings.serial = "U3V-7";
        settings.width = 96;
        settings.height = 64;
        ASSERT_TRUE(SoftU3vDeclarations::Plug(settings).IsOK());
    }
    void TearDown() override { (void)SoftU3vDeclarations::Unplug(kGuid); }
};

TEST_F(U3vDevice, CreateAndConnectByGuidGivesAU3vDeviceWithFeaturesThroughGenCp)
{
    KyResult result;
    KyDevice *device = KyDevice::CreateAndConnect(KyString("0a1b2c3d4e5f"), &result);
    ASSERT_NE(device, nullptr) << result.GetDescription().str();
    EXPECT_EQ(device->GetType(), KyDeviceTypeU3V);
    auto *u3v = dynamic_cast<KyDeviceU3V *>(device);
    ASSERT_NE(u3v, nullptr);
    EXPECT_EQ(u3v->GetGUID().str(), kGuid);
    KyString id;
    ASSERT_TRUE(device->GetUniqueID(id).IsOK());
    EXPECT_EQ(id.str(), kGuid);

    KyGenParameterArray *params = device->GetParameters();
    KyString text;
    ASSERT_TRUE(params->GetStringValue("DeviceModelName", text).IsOK());
    EXPECT_EQ(text.str(), "U3V Cam");
    int64_t value = 0;
    ASSERT_TRUE(params->GetIntegerValue("Width", value).IsOK());
    EXPECT_EQ(value, 96);
    ASSERT_TRUE(params->SetIntegerValue("Height", 32).IsOK());
    ASSERT_TRUE(params->GetIntegerValue("PayloadSize", value).IsOK());
    EXPECT_EQ(value, 96 * 32);
    EXPECT_EQ(device->GetPayloadSize(), 96u * 32u);

    // The bootstrap registers, read as memory and as a register (GenCP version 1.0 at 0).
    uint32_t version = 0;
    ASSERT_TRUE(u3v->ReadRegister(0, version).IsOK());
    EXPECT_EQ(version, 0x00010000u);
    uint8_t serial[16] = {};
    ASSERT_TRUE(device->ReadMemory(0x144, serial, sizeof serial).IsOK());
    EXPECT_STREQ(reinterpret_cast<const char *>(serial), "U3V-7");
    // The soft device's registers, little-endian as USB3 Vision carries them (Width's register).
    constexpr int64_t kWidthRegister = 0x3FFF1000;
    uint32_t width = 0;
    ASSERT_TRUE(u3v->ReadRegister(kWidthRegister, width).IsOK());
    EXPECT_EQ(width, 96u);
    uint8_t low[2] = {};
    ASSERT_TRUE(device->ReadMemory(kWidthRegister, low, 2).IsOK());
    EXPECT_EQ(low[0], 96);
    EXPECT_EQ(low[1], 0);
    ASSERT_TRUE(u3v->WriteRegister(kWidthRegister, 48).IsOK());
    ASSERT_TRUE(params->GetIntegerValue("Width", value).IsOK());
    EXPECT_EQ(value, 48);
    const uint8_t one[1] = {80};  // a write of the low byte alone keeps the rest
    ASSERT_TRUE(device->WriteMemory(kWidthRegister, one, 1).IsOK());
    ASSERT_TRUE(u3v->ReadRegister(kWidthRegister, width).IsOK());
    EXPECT_EQ(width, 80u);
    EXPECT_TRUE(device->StreamEnable().IsOK());
    EXPECT_EQ(device->StreamEnable(1).GetCode(), static_cast<uint32_t>(KY_INVALID_PARAMETER));
    KyDevice::Free(device);
}

TEST_F(U3vDevice, OwnObjectConnectsByTextAndRefusesWhatItCannotConnect)
{
    KyDeviceU3V device;
    EXPECT_TRUE(device.GetGUID().IsEmpty());
    EXPECT_FALSE(device.IsConnected());
    uint8_t byte = 0xAA;
    EXPECT_EQ(device.ReadMemory(0, &byte, 1).GetCode(), static_cast<uint32_t>(KY_NOT_CONNECTED));
    EXPECT_EQ(byte, 0);
    EXPECT_EQ(device.Connect(KyString("FFFFFFFFFFFF")).GetCode(), static_cast<uint32_t>(KY_NOT_FOUND));
    EXPECT_EQ(device.Connect(KyString("not a guid")).GetCode(), static_cast<uint32_t>(KY_NOT_FOUND));
    EXPECT_EQ(device.Connect(static_cast<const KyDeviceInfo *>(nullptr)).GetCode(),
              static_cast<uint32_t>(KY_INVALID_PARAMETER));
    ASSERT_TRUE(device.Connect(KyString(kGuid)).IsOK());
    EXPECT_TRUE(device.IsConnected());
    EXPECT_EQ(device.GetGUID().str(), kGuid);
    EXPECT_EQ(device.Connect(KyString(kGuid)).GetCode(), static_cast<uint32_t>(KY_STATE_ERROR));

    const struct
    {
        int64_t address;
        int64_t count;
        bool buffer;
    } refused[] = {{0, -1, true}, {-4, 4, true}, {0, 4, false}, {INT64_MAX, 2, true}};
    uint8_t bytes[4];
    for (const auto &r : refused) {
        EXPECT_EQ(device.ReadMemory(r.address, r.buffer ? bytes : nullptr, r.count).GetCode(),
                  static_cast<uint32_t>(KY_INVALID_PARAMETER));
        EXPECT_EQ(device.WriteMemory(r.address, r.buffer ? bytes : nullptr, r.count).GetCode(),
                  static_cast<uint32_t>(KY_INVALID_PARAMETER));
    }
    EXPECT_TRUE(device.ReadMemory(0, nullptr, 0).IsOK());

    KyString name;
    ASSERT_TRUE(device.GetDefaultGenICamXMLFilename(name).IsOK());
    EXPECT_EQ(name.str(), "U3V_Cam.xml");
    const std::string path = ::testing::TempDir() + "u3v_dump.xml";
    ASSERT_TRUE(device.DumpGenICamXML(KyString(path)).IsOK());
    ASSERT_TRUE(device.Disconnect().IsOK());
    EXPECT_FALSE(device.IsConnected());
    EXPECT_EQ(device.Disconnect().GetCode(), static_cast<uint32_t>(KY_NOT_CONNECTED));
    ASSERT_TRUE(device.Connect(KyString(kGuid)).IsOK()) << "a device connects again after Disconnect";
    std::remove(path.c_str());
}

TEST_F(U3vDevice, EventsFromTheEventEndpointReachTheSinks)
{
    KyDeviceU3V device;
    ASSERT_TRUE(device.Connect(KyString(kGuid)).IsOK());
    RecordingSink sink;
    ASSERT_TRUE(device.RegisterEventSink(&sink).IsOK());
    KyGenParameterArray *params = device.GetParameters();
    ASSERT_TRUE(params->SetEnumValue("EventSelector", "ExposureEnd").IsOK());
    ASSERT_TRUE(params->SetEnumValue("EventNotification", "On").IsOK());
    const uint8_t data[] = {9, 8, 7, 6};
    ASSERT_TRUE(SoftU3vDeclarations::RaiseEvent(kGuid, 0x0004, data, sizeof data));
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard<std::mutex> lock(sink.mutex);
        return !sink.ids.empty();
    }));
    EXPECT_TRUE(device.WaitForMessagingChannelIdle(5000).IsOK());
    std::lock_guard<std::mutex> lock(sink.mutex);
    EXPECT_EQ(sink.ids, std::vector<uint16_t>{0x0004});
    EXPECT_EQ(sink.payload, std::vector<uint8_t>(data, data + 4));
    (void)device.UnregisterEventSink(&sink);
}

TEST_F(U3vDevice, ASecondDeviceObjectOnTheCameraIsRefusedUntilTheFirstLetsGo)
{
    KyDeviceU3V first;
    ASSERT_TRUE(first.Connect(KyString(kGuid)).IsOK());
    // Both would read the one event pipe, and each event would reach only one of them.
    KyDeviceU3V second;
    const KyResult refused = second.Connect(KyString(kGuid));
    EXPECT_EQ(refused.GetCode(), static_cast<uint32_t>(KY_BUSY));
    EXPECT_NE(std::string(refused.GetDescription().GetAscii()).find("another device object"),
              std::string::npos)
        << refused.GetDescription().GetAscii();
    EXPECT_FALSE(second.IsConnected());
    KyResult result;
    EXPECT_EQ(KyDevice::CreateAndConnect(KyString(kGuid), &result), nullptr);
    EXPECT_EQ(result.GetCode(), static_cast<uint32_t>(KY_BUSY));

    // Every event reaches the one that is connected.
    RecordingSink sink;
    ASSERT_TRUE(first.RegisterEventSink(&sink).IsOK());
    KyGenParameterArray *params = first.GetParameters();
    ASSERT_TRUE(params->SetEnumValue("EventSelector", "ExposureEnd").IsOK());
    ASSERT_TRUE(params->SetEnumValue("EventNotification", "On").IsOK());
    const uint8_t data[] = {1, 2, 3, 4};
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(SoftU3vDeclarations::RaiseEvent(kGuid, 0x0004, data, sizeof data));
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard<std::mutex> lock(sink.mutex);
        return sink.ids.size() >= 5;
    }));
    EXPECT_TRUE(first.WaitForMessagingChannelIdle(5000).IsOK());
    {
        std::lock_guard<std::mutex> lock(sink.mutex);
        EXPECT_EQ(sink.ids, std::vector<uint16_t>(5, 0x0004));
    }
    (void)first.UnregisterEventSink(&sink);

    // Once the first lets go, the second connects.
    ASSERT_TRUE(first.Disconnect().IsOK());
    EXPECT_TRUE(second.Connect(KyString(kGuid)).IsOK());
    EXPECT_EQ(first.Connect(KyString(kGuid)).GetCode(), static_cast<uint32_t>(KY_BUSY));
}

TEST_F(U3vDevice, UnplugGivesLinkLossOnceAndCleanErrorsAfter)
{
    KyDeviceU3V device;
    ASSERT_TRUE(device.Connect(KyString(kGuid)).IsOK());
    RecordingSink sink;
    ASSERT_TRUE(device.RegisterEventSink(&sink).IsOK());
    ASSERT_TRUE(SoftU3vDeclarations::Unplug(kGuid).IsOK());
    ASSERT_TRUE(WaitFor([&] { return sink.linkLost.load() == 1; }));
    EXPECT_FALSE(device.IsConnected());
    uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_EQ(device.ReadMemory(0, bytes, 4).GetCode(), static_cast<uint32_t>(KY_NOT_CONNECTED));
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(device.WriteMemory(0, bytes, 4).GetCode(), static_cast<uint32_t>(KY_NOT_CONNECTED));
    int64_t value = 0;
    EXPECT_TRUE(device.GetParameters()->GetIntegerValue("Width", value).IsFailure());
    EXPECT_EQ(device.StreamEnable().GetCode(), static_cast<uint32_t>(KY_NOT_CONNECTED));
    EXPECT_TRUE(device.GetGUID().IsEmpty());
    KyString id;
    EXPECT_EQ(device.GetUniqueID(id).GetCode(), static_cast<uint32_t>(KY_NOT_CONNECTED));
    EXPECT_EQ(device.Connect(KyString(kGuid)).GetCode(), static_cast<uint32_t>(KY_NOT_FOUND));
    EXPECT_EQ(sink.linkLost.load(), 1);
    (void)device.UnregisterEventSink(&sink);
}

// A sink may free the device from the link-loss callback (the event thread goes to the reaper).
TEST_F(U3vDevice, SinkMayFreeTheDeviceOnLinkLoss)
{
    struct FreeingSink : KyDeviceEventSink
    {
        void OnLinkDisconnected(KyDevice *device) override
        {
            KyDevice::Free(device);
            freed = true;
        }
        std::atomic<bool> freed{false};
    } sink;
    KyResult result;
    KyDevice *device = KyDevice::CreateAndConnect(KyString(kGuid), &result);
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->RegisterEventSink(&sink).IsOK());
    ASSERT_TRUE(SoftU3vDeclarations::Unplug(kGuid).IsOK());
    EXPECT_TRUE(WaitFor([&] { return sink.freed.load(); }));
}

}  // namespace
