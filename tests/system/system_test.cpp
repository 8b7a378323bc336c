// KySystem against the private namespace's adapters and aravis's fake camera on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/system/KyNetworkAdapter.h"
#include "ky/system/KySystem.h"
#include "ky/system/KySystemEventSink.h"
#include "FindUntil.h"
#include "SpawnedProcess.h"

using namespace std::chrono_literals;

namespace {

const KyNetworkAdapter *AdapterNamed(const KySystem &system, const char *name)
{
    for (uint32_t i = 0; i < system.GetInterfaceCount(); ++i)
        if (system.GetInterface(i)->GetName() == name)
            return dynamic_cast<const KyNetworkAdapter *>(system.GetInterface(i));
    return nullptr;
}

const KyDeviceInfoGEV *DeviceWithSerial(const KyInterface *adapter, const char *serial)
{
    for (uint32_t j = 0; adapter && j < adapter->GetDeviceCount(); ++j)
        if (adapter->GetDeviceInfo(j)->GetSerialNumber() == serial)
            return dynamic_cast<const KyDeviceInfoGEV *>(adapter->GetDeviceInfo(j));
    return nullptr;
}

class IgnoreAll : public KySystemEventSink
{
public:
    void OnDeviceFound(const KyInterface *, const KyDeviceInfo *, bool &ignore) override { ignore = true; }
};

// Unregisters itself the first time it is asked.
class OneShot : public KySystemEventSink
{
public:
    explicit OneShot(KySystem &system) : mSystem(system) { }
    void OnDeviceFound(const KyInterface *, const KyDeviceInfo *, bool &) override
    {
        ++calls;
        EXPECT_TRUE(mSystem.UnregisterEventSink(this).IsOK());
    }
    int calls = 0;

private:
    KySystem &mSystem;
};

class Counting : public KySystemEventSink
{
public:
    explicit Counting(bool ignoreAll) : mIgnore(ignoreAll) { }
    void OnDeviceFound(const KyInterface *, const KyDeviceInfo *, bool &ignore) override
    {
        ++calls;
        ignore = ignore || mIgnore;
    }
    int calls = 0;

private:
    bool mIgnore;
};

class Throwing : public KySystemEventSink
{
public:
    void OnDeviceFound(const KyInterface *, const KyDeviceInfo *, bool &) override
    {
        throw std::runtime_error("sink failure");
    }
};

TEST(SystemAdapters, ListsEveryAdapterWithItsAddressesMacAndGateway)
{
    ASSERT_EQ(std::system("ip route replace default via 10.10.1.254 dev kyh1"), 0);
    KySystem system;
    system.SetDetectionTimeout(100);
    ASSERT_TRUE(system.Find().IsOK());
    EXPECT_EQ(system.GetInterfaceCount(), 5u);  // lo, kyh1, kyc1, kyh2, kyc2
    EXPECT_EQ(system.GetInterface(system.GetInterfaceCount()), nullptr);

    const KyNetworkAdapter *lo = AdapterNamed(system, "lo");
    ASSERT_NE(lo, nullptr);
    EXPECT_EQ(lo->GetType(), KyInterfaceTypeNetworkAdapter);
    EXPECT_EQ(lo->GetMACAddress(), "00:00:00:00:00:00");
    EXPECT_EQ(lo->GetIPAddress(0), "127.0.0.1");
    EXPECT_EQ(lo->GetSubnetMask(0), "255.0.0.0");

    const KyNetworkAdapter *host1 = AdapterNamed(system, "kyh1");
    ASSERT_NE(host1, nullptr);
    EXPECT_EQ(host1->GetMACAddress(), "02:00:0a:0a:01:01");
    ASSERT_EQ(host1->GetIPAddressCount(), 1u);
    EXPECT_EQ(host1->GetIPAddress(0), "10.10.1.1");
    EXPECT_EQ(host1->GetSubnetMask(0), "255.255.255.0");
    EXPECT_EQ(host1->GetDefaultGateway(), "10.10.1.254");
    EXPECT_EQ(host1->GetIPAddress(1), "");

    const KyNetworkAdapter *camera2 = AdapterNamed(system, "kyc2");
    ASSERT_NE(camera2, nullptr);
    ASSERT_EQ(camera2->GetIPAddressCount(), 3u);
    EXPECT_EQ(camera2->GetIPAddress(2), "10.10.2.4");
    EXPECT_EQ(camera2->GetDefaultGateway(), "0.0.0.0");
}

class SystemWithArvCamera : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(camera.Started());
        system.SetDetectionTimeout(300);
        ASSERT_TRUE(FindUntil(system, [&] {
            return DeviceWithSerial(AdapterNamed(system, "lo"), "ARV0002");
        })) << "fake camera not found";
    }
    SpawnedProcess camera{{"arv-fake-gv-camera-0.8", "-i", "127.0.0.1", "-s", "ARV0002"}};
    KySystem system;
};

TEST_F(SystemWithArvCamera, FindsTheCameraOnTheLoopbackAdapterWithItsIdentity)
{
    const KyNetworkAdapter *lo = AdapterNamed(system, "lo");
    const KyDeviceInfoGEV *record = DeviceWithSerial(lo, "ARV0002");
    EXPECT_EQ(record->GetType(), KyDeviceInfoTypeGEV);
    EXPECT_EQ(record->GetInterface(), lo);
    EXPECT_EQ(record->GetVendorName(), "Aravis");
    EXPECT_EQ(record->GetModelName(), "Fake");
    EXPECT_EQ(record->GetIPAddress(), "127.0.0.1");
    EXPECT_EQ(record->GetConnectionID(), "127.0.0.1");
    EXPECT_EQ(record->GetMACAddress(), "00:00:00:00:00:00");
    EXPECT_EQ(record->GetUniqueID(), "00:00:00:00:00:00");
    EXPECT_EQ(record->GetClass(), KyDeviceClassTransmitter);
    EXPECT_TRUE(record->IsConfigurationValid());

    // The flat list holds every interface's records, in interface order.
    uint32_t total = 0;
    for (uint32_t i = 0; i < system.GetInterfaceCount(); ++i)
        total += system.GetInterface(i)->GetDeviceCount();
    EXPECT_EQ(system.GetDeviceCount(), total);
    EXPECT_EQ(system.GetDeviceInfo(total), nullptr);
}

TEST_F(SystemWithArvCamera, FindDeviceByMacOrReportsNotFound)
{
    const KyDeviceInfo *found = nullptr;
    ASSERT_TRUE(system.FindDevice("00:00:00:00:00:00", &found).IsOK());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetSerialNumber(), "ARV0002");
    const KyResult missing = system.FindDevice("camera-that-is-not-there", &found);
    EXPECT_EQ(missing.GetCode(), KY_NOT_FOUND);
    EXPECT_STREQ(missing.GetDescription().GetAscii(), "No device answers to 'camera-that-is-not-there'.");
}

TEST_F(SystemWithArvCamera, SinksCanHideDevicesAndTheirExceptionsAreContained)
{
    Throwing throwing;
    IgnoreAll ignoreAll;
    ASSERT_TRUE(system.RegisterEventSink(&throwing).IsOK());
    EXPECT_TRUE(FindUntil(system, [&] { return system.GetDeviceCount() > 0; }));
    ASSERT_TRUE(system.RegisterEventSink(&ignoreAll).IsOK());
    EXPECT_EQ(system.RegisterEventSink(&ignoreAll).GetCode(), KY_INVALID_PARAMETER);
    ASSERT_TRUE(system.Find().IsOK());
    EXPECT_EQ(system.GetDeviceCount(), 0u);
    EXPECT_TRUE(system.UnregisterEventSink(&ignoreAll).IsOK());
    EXPECT_EQ(system.UnregisterEventSink(&ignoreAll).GetCode(), KY_NOT_FOUND);
}

TEST_F(SystemWithArvCamera, ASinkMayUnregisterItselfWithoutHidingTheOthers)
{
    OneShot oneShot(system);
    Counting counting(false), ignoring(true);
    for (KySystemEventSink *sink : std::initializer_list<KySystemEventSink *>{&oneShot, &counting, &ignoring})
        ASSERT_TRUE(system.RegisterEventSink(sink).IsOK());
    ASSERT_TRUE(FindUntil(system, [&] { return counting.calls > 0; }));
    EXPECT_EQ(oneShot.calls, 1);
    // Each of the others was asked once about every device found.
    EXPECT_GT(counting.calls, 0);
    EXPECT_EQ(counting.calls, ignoring.calls);
    EXPECT_EQ(system.GetDeviceCount(), 0u);
    EXPECT_EQ(system.UnregisterEventSink(&oneShot).GetCode(), KY_NOT_FOUND);
}

TEST_F(SystemWithArvCamera, CopiesOutliveTheSystem)
{
    std::unique_ptr<KyDeviceInfo> record(DeviceWithSerial(AdapterNamed(system, "lo"), "ARV0002")->Copy());
    std::unique_ptr<KyInterface> adapter(AdapterNamed(system, "lo")->Copy());
    ASSERT_TRUE(system.Find().IsOK());  // replaces the system's own records
    EXPECT_EQ(record->GetInterface(), nullptr);
    EXPECT_EQ(record->GetSerialNumber(), "ARV0002");
    const KyDeviceInfoGEV *inCopy = DeviceWithSerial(adapter.get(), "ARV0002");
    ASSERT_NE(inCopy, nullptr);
    EXPECT_EQ(inCopy->GetInterface(), adapter.get());
    EXPECT_EQ(dynamic_cast<KyNetworkAdapter *>(adapter.get())->GetIPAddress(0), "127.0.0.1");
}

}  // namespace
