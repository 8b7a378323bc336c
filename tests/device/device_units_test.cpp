// Pure parts of the device library: text forms, route table, URL, status mapping, records,
// event sink registry, and what an unconnected device answers. Opens no socket.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "DeviceInfoAccess.h"
#include "GevDiscovery.h"
#include "GevIPConfig.h"
#include "GvcpStatus.h"
#include "HostAdapters.h"
#include "ky/base/KyLogDispatcher.h"
#include "ky/base/KyLogSink.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/device/KyDeviceEventSink.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/device/KyDeviceInfoU3V.h"
#include "ky/device/KyDeviceInfoUSB.h"
#include "internal/EventSinks.h"
#include "u3v/SimUsbRegistry.h"

using namespace ky::device;

namespace {

const char kRouteHeader[] =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

TEST(RouteTable, DefaultGatewaysPerInterface)
{
    const std::string text =
        std::string(kRouteHeader) +
        "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"  // default via 192.168.1.1
        "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"  // subnet route
        "eth1\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"    // default without gateway
        "eth2\tzz\t0101A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"          // malformed
        "eth3\t00000000\n";                                               // truncated
    const auto gateways = ParseDefaultGateways(text);
    ASSERT_EQ(gateways.size(), 1u);
    EXPECT_EQ(gateways[0].first, "eth0");
    EXPECT_EQ(FormatIPv4(gateways[0].second), "192.168.1.1");
    EXPECT_TRUE(ParseDefaultGateways("").empty());
}

struct MacCase
{
    const char *text;
    bool valid;
    const char *canonical;
};

TEST(TextForms, MacAddresses)
{
    const MacCase cases[] = {
        {"00:11:22:aa:BB:cc", true, "00:11:22:aa:bb:cc"},
        {"00-11-22-AA-BB-CC", true, "00:11:22:aa:bb:cc"},
        {"00:11:22:aa:bb", false, ""},
        {"00:11:22:aa:bb:cc:dd", false, ""},
        {"00:11-22:aa:bb:cc", false, ""},
        {"0g:11:22:aa:bb:cc", false, ""},
        {"", false, ""},
    };
    for (const MacCase &c : cases) {
        uint8_t mac[6] = {};
        EXPECT_EQ(ParseMAC(c.text, mac), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(FormatMAC(mac), c.canonical);
        }
    }
}

TEST(TextForms, IPv4Addresses)
{
    uint32_t ip = 0;
    EXPECT_TRUE(ParseIPv4("10.10.1.2", ip));
    EXPECT_EQ(ip, 0x0A0A0102u);
    EXPECT_EQ(FormatIPv4(0xFFFFFFFFu), "255.255.255.255");
    for (const char *bad : {"", "10.10.1", "10.10.1.256", "a.b.c.d", "10.10.1.2 "})
        EXPECT_FALSE(ParseIPv4(bad, ip)) << bad;
}

TEST(StatusMapping, DeviceStatusesBecomeSdkResults)
{
    using ky::gev::Status;
    const std::pair<Status, uint32_t> table[] = {
        {Status::INVALID_ADDRESS, KY_INVALID_PARAMETER}, {Status::INVALID_PARAMETER, KY_INVALID_PARAMETER},
        {Status::BAD_ALIGNMENT, KY_INVALID_PARAMETER},   {Status::WRITE_PROTECT, KY_NOT_SUPPORTED},
        {Status::ACCESS_DENIED, KY_STATE_ERROR},         {Status::BUSY, KY_BUSY},
        {Status::NOT_IMPLEMENTED, KY_NOT_IMPLEMENTED},   {Status::WRONG_CONFIG, KY_NETWORK_CONFIG_ERROR},
        {Status::LOCAL_PROBLEM, KY_GENERIC_ERROR},       {Status::ERROR, KY_GENERIC_ERROR},
    };
    for (const auto &row : table)
        EXPECT_EQ(ResultForStatus(row.first, ky::gev::Command::WRITEREG_CMD, 0).GetCode(), row.second)
            << ky::gev::StatusName(row.first);
    EXPECT_STREQ(ResultForStatus(Status::WRITE_PROTECT, ky::gev::Command::WRITEMEM_CMD, 0x10)
                     .GetDescription()
                     .GetAscii(),
                 "WRITEMEM_CMD at 0x00000010: the register is read-only (status WRITE_PROTECT, 0x8004).");
}

KyDeviceInfoGEV Record(uint32_t options, uint32_t current)
{
    GevIdentity identity;
    identity.mac = "02:00:0a:0a:01:02";
    identity.ip = "10.10.1.2";
    identity.userName = "left";
    identity.model = "Model";
    identity.serial = "S1";
    identity.ipConfigOptions = options;
    identity.ipConfigCurrent = current;
    KyDeviceInfoGEV record;
    DeviceInfoAccess::Fill(record, identity);
    return record;
}

TEST(DeviceRecords, IPConfigurationFlagsAndTexts)
{
    const KyDeviceInfoGEV record =
        Record(kIPConfigLLA | kIPConfigDHCP | kIPConfigPersistent | kIPConfigPauseReception,
               kIPConfigDHCP | kIPConfigLLA);
    EXPECT_EQ(record.GetIPConfigOptionsString(), "LLA, DHCP, Persistent, PR");
    EXPECT_EQ(record.GetIPConfigCurrentString(), "LLA, DHCP");
    EXPECT_TRUE(record.IsPersistentAvailable());
    EXPECT_TRUE(record.IsPRAvailable());
    EXPECT_FALSE(record.IsPGAvailable());
    EXPECT_TRUE(record.IsDHCPEnabled());
    EXPECT_TRUE(record.IsLLAEnabled());
    EXPECT_FALSE(record.IsPersistentEnabled());
    EXPECT_EQ(record.GetUniqueID(), "02:00:0a:0a:01:02");
    EXPECT_EQ(record.GetConnectionID(), "10.10.1.2");
    EXPECT_EQ(record.GetDisplayID(), "left");
    EXPECT_EQ(KyDeviceInfoGEV().GetIPConfigCurrentString(), "");
}

TEST(DeviceRecords, ConnectionTextsThatMatch)
{
    const KyDeviceInfoGEV record = Record(0, 0);
    for (const char *text : {"02:00:0a:0a:01:02", "02-00-0A-0A-01-02", "10.10.1.2", "left"})
        EXPECT_TRUE(MatchesDevice(record, text)) << text;
    for (const char *text : {"", "02:00:0a:0a:01:03", "10.10.1.20", "Left", "S1"})
        EXPECT_FALSE(MatchesDevice(record, text)) << text;
}

TEST(DeviceRecords, CopiesKeepTheirClass)
{
    KyDeviceInfoU3V usb;
    std::unique_ptr<KyDeviceInfo> copy(usb.Copy());
    EXPECT_EQ(copy->GetType(), KyDeviceInfoTypeU3V);
    EXPECT_NE(dynamic_cast<KyDeviceInfoU3V *>(copy.get()), nullptr);
    EXPECT_EQ(copy->GetInterface(), nullptr);
}

// Exposes the registry of a device for the tests below.
class SinkProbe : public KyDeviceGEV
{
public:
    using KyDevice::EventSinks;
    using KyDevice::Sinks;
};

class CountingSink : public KyDeviceEventSink
{
public:
    void OnLinkDisconnected(KyDevice *) override { ++calls; }
    int calls = 0;
};

class ThrowingSink : public KyDeviceEventSink
{
public:
    void OnLinkDisconnected(KyDevice *) override { throw std::runtime_error("sink failure"); }
};

class SelfRemovingSink : public KyDeviceEventSink
{
public:
    void OnLinkDisconnected(KyDevice *device) override
    {
        ++calls;
        EXPECT_TRUE(device->UnregisterEventSink(this).IsOK());
        EXPECT_TRUE(device->UnregisterEventSink(other).IsOK());
    }
    KyDeviceEventSink *other = nullptr;
    int calls = 0;
};

void Dispatch(SinkProbe &device)
{
    device.Sinks().ForEach("OnLinkDisconnected",
                           [&](KyDeviceEventSink &sink) { sink.OnLinkDisconnected(&device); });
}

TEST(DeviceEventSinks, RegistrationRules)
{
    SinkProbe device;
    CountingSink sink;
    EXPECT_EQ(device.RegisterEventSink(nullptr).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_TRUE(device.RegisterEventSink(&sink).IsOK());
    EXPECT_EQ(device.RegisterEventSink(&sink).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_TRUE(device.UnregisterEventSink(&sink).IsOK());
    const KyResult again = device.UnregisterEventSink(&sink);
    EXPECT_EQ(again.GetCode(), KY_NOT_FOUND);
    EXPECT_STREQ(again.GetDescription().GetAscii(), "The event sink is not registered.");
}

TEST(DeviceEventSinks, AThrowingSinkDoesNotStopTheOthers)
{
    SinkProbe device;
    ThrowingSink throwing;
    CountingSink counting;
    ASSERT_TRUE(device.RegisterEventSink(&throwing).IsOK());
    ASSERT_TRUE(device.RegisterEventSink(&counting).IsOK());
    Dispatch(device);
    EXPECT_EQ(counting.calls, 1);
}

TEST(DeviceEventSinks, SinksMayUnregisterDuringACall)
{
    SinkProbe device;
    SelfRemovingSink first;
    CountingSink second;
    first.other = &second;
    ASSERT_TRUE(device.RegisterEventSink(&first).IsOK());
    ASSERT_TRUE(device.RegisterEventSink(&second).IsOK());
    Dispatch(device);
    Dispatch(device);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 0);  // unregistered before its turn
}

TEST(UnconnectedDevice, AnswersWithoutTouchingTheNetwork)
{
    KyDeviceGEV device;
    uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_EQ(device.ReadMemory(0, bytes, 4).GetCode(), KY_NOT_CONNECTED);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), std::vector<uint8_t>(4, 0));
    EXPECT_EQ(device.ReadMemory(0, bytes, -1).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(device.ReadMemory(0, nullptr, 4).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(device.ReadMemory(-4, bytes, 4).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(device.ReadMemory(0xFFFFFFFE, bytes, 4).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(device.WriteMemory(0x100000000LL, bytes, 4).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(device.ReadMemory(0, nullptr, 0).GetCode(), KY_NOT_CONNECTED);
    uint32_t value = 7;
    EXPECT_EQ(device.ReadRegister(0, value).GetCode(), KY_NOT_CONNECTED);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(device.Disconnect().GetCode(), KY_NOT_CONNECTED);
    KyString id;
    EXPECT_EQ(device.GetUniqueID(id).GetCode(), KY_NOT_CONNECTED);
    EXPECT_EQ(device.StreamEnable().GetCode(), KY_NOT_CONNECTED);
    EXPECT_EQ(device.SetPacketSize(0).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(device.SetStreamDestination("10.0.0.300", 5000).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(device.GetIPAddress(), "");
    EXPECT_EQ(device.GetAccessType(), KyAccessUnknown);
    EXPECT_EQ(device.GetClass(), KyDeviceClassUnknown);
    EXPECT_FALSE(device.IsConnected());
    ASSERT_NE(device.GetParameters(), nullptr) << "owned by the device, empty until connected";
    EXPECT_EQ(device.GetParameters()->GetCount(), 0u);
    EXPECT_EQ(device.GetPayloadSize(), 0u);
}

TEST(UnconnectedDevice, BadConnectionArguments)
{
    KyResult result;
    EXPECT_EQ(KyDevice::CreateAndConnect(static_cast<const KyDeviceInfo *>(nullptr), &result), nullptr);
    EXPECT_EQ(result.GetCode(), KY_INVALID_PARAMETER);
    // A plain USB device is of no transport the kit speaks; an empty USB3 Vision record names no
    // plugged device.
    KyDeviceInfoUSB usb;
    EXPECT_EQ(KyDevice::CreateAndConnect(&usb, &result), nullptr);
    EXPECT_EQ(result.GetCode(), KY_NOT_SUPPORTED);
    KyDeviceInfoU3V u3v;
    EXPECT_EQ(KyDevice::CreateAndConnect(&u3v, &result), nullptr);
    EXPECT_EQ(result.GetCode(), KY_NOT_FOUND);
    KyDeviceGEV device;
    const KyDeviceInfoGEV record = Record(0, 0);
    EXPECT_EQ(device.Connect(&record, static_cast<KyAccessType>(9)).GetCode(), KY_INVALID_PARAMETER);
    const KyDeviceInfoGEV empty;
    const KyResult noAddress = device.Connect(&empty);
    EXPECT_EQ(noAddress.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_STREQ(noAddress.GetDescription().GetAscii(), "The device record has no valid IP address ('').");
    KyDevice::Free(nullptr);
}

TEST(UnconnectedDevice, ThreadPriorityRange)
{
    KyDeviceGEV device;
    EXPECT_TRUE(device.SetHeartbeatThreadPriority(99).IsOK());
    EXPECT_EQ(device.GetHeartbeatThreadPriority(), 99u);
    EXPECT_EQ(device.SetInterruptQueueThreadPriority(100).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(device.GetInterruptQueueThreadPriority(), 0u);
}

TEST(ForceIP, MalformedTextsAreRefusedBeforeSending)
{
    const struct
    {
        const char *mac, *ip, *mask, *gateway, *description;
    } cases[] = {
        {"02:00:0a:0a:01", "10.0.0.5", "255.0.0.0", "0.0.0.0",
         "'02:00:0a:0a:01' is not a MAC address (aa:bb:cc:dd:ee:ff)."},
        {"02:00:0a:0a:01:02", "10.0.0", "255.0.0.0", "0.0.0.0", "'10.0.0' is not an IPv4 address."},
        {"02:00:0a:0a:01:02", "10.0.0.5", "mask", "0.0.0.0", "'mask' is not an IPv4 address."},
        {"02:00:0a:0a:01:02", "10.0.0.5", "255.0.0.0", "", "'' is not an IPv4 address."},
    };
    for (const auto &c : cases) {
        const KyResult result = KyDeviceGEV::SetIPConfiguration(c.mac, c.ip, c.mask, c.gateway);
        EXPECT_EQ(result.GetCode(), KY_INVALID_PARAMETER);
        EXPECT_STREQ(result.GetDescription().GetAscii(), c.description);
    }
    KyAccessType access = KyAccessOpen;
    EXPECT_EQ(KyDeviceGEV::GetAccessType("not an address", access).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(access, KyAccessUnknown);
}

// This program links the SDK's archives, so it holds a copy of the SDK of its own: the shared soft
// device library, loaded for the cameras KY_U3V_SIM declares, would bring a second one. Nothing is
// loaded, and the log says why.
TEST(DeclaredUsbDevices, AProgramLinkingTheArchivesLoadsNoSoftDeviceLibrary)
{
    struct Sink : KyLogSink
    {
        std::mutex mutex;
        std::vector<std::string> messages;
        void Log(KyLogLevelEnum, const char *category, uint32_t, const char *, const char *,
                 const char *message) override
        {
            std::lock_guard<std::mutex> lock(mutex);
            messages.push_back(std::string(category) + ": " + message);
        }
    } sink;
    ASSERT_TRUE(KyLogDispatcher::AddSink(&sink).IsOK());
    ASSERT_EQ(setenv("KY_U3V_SIM", "/nonexistent/declared.txt", 1), 0);
    ky::u3v::SimUsbRegistry::LoadDeclarations();
    ky::u3v::SimUsbRegistry::LoadDeclarations();
    ASSERT_EQ(unsetenv("KY_U3V_SIM"), 0);
    EXPECT_TRUE(KyLogDispatcher::RemoveSink(&sink).IsOK());

    EXPECT_TRUE(ky::u3v::SimUsbRegistry::List().empty());
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        EXPECT_EQ(line.find("libKyVirtualDevice"), std::string::npos) << line;
    ASSERT_EQ(sink.messages.size(), 1u) << "said once";
    EXPECT_NE(sink.messages[0].find("device: KY_U3V_SIM names /nonexistent/declared.txt"), std::string::npos)
        << sink.messages[0];
    EXPECT_NE(sink.messages[0].find("links the SDK statically"), std::string::npos) << sink.messages[0];
}

}  // namespace
