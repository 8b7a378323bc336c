// What a device's callbacks may do with the device: free it (from the heartbeat thread on a lost
// link, from the event thread on an event), unregister themselves while another thread holds the
// user's own lock, and be told KY_STATE_ERROR when they try to disconnect. Events from any other
// address than the device's are neither acknowledged nor delivered. Runs against a soft device
// on the loopback adapter, in the test's private network namespace.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "ky/virtualdevice/IKyMessageChannel.h"
#include "ky/virtualdevice/IKyRegister.h"
#include "ky/virtualdevice/IKyRegisterMap.h"
#include "ky/device/KyDevice.h"
#include "ky/device/KyDeviceEventSink.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/device/KyGevConstants.h"
#include "gev/Gvcp.h"
#include "gev/UdpSocket.h"

using namespace std::chrono_literals;

namespace {

// Every wait of these tests has this bound: a fault shows as a failed expectation (or a crash
// under the sanitizers), never as a hung test.
constexpr auto kBound = 15s;

template <class Condition>
bool WaitFor(Condition condition)
{
    for (auto waited = 0ms; waited < kBound; waited += 20ms) {
        if (condition())
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

class DeviceCallbacks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(camera.Start("00:00:00:00:00:00").IsOK());
        device = Connect();
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override { KyDevice::Free(device); }

    static KyDevice *Connect()
    {
        KyResult result;
        KyDevice *connected = KyDevice::CreateAndConnect(KyString("127.0.0.1"), &result);
        EXPECT_TRUE(result.IsOK()) << result.GetDescription().GetAscii();
        return connected;
    }
    uint32_t CameraRegister(uint32_t address)
    {
        uint32_t value = 0xDEADBEEF;
        IKyRegister *reg = camera.GetRegisterMap()->GetRegisterByAddress(address);
        EXPECT_NE(reg, nullptr);
        if (reg) {
            EXPECT_TRUE(reg->ReadInt(value).IsOK());
        }
        return value;
    }
    IKyMessageChannel *OpenedChannel()
    {
        IKyMessageChannel *channel = camera.GetMessagingChannel();
        EXPECT_NE(channel, nullptr);
        EXPECT_TRUE(channel && WaitFor([&] { return channel->IsOpened(); }));
        return channel;
    }

    KySoftDeviceGEV camera;
    KyDevice *device = nullptr;
};

// Frees the device from inside the callback named by `where`.
class FreeingSink : public KyDeviceEventSink
{
public:
    enum Where { kLinkLost, kEvent };
    FreeingSink(KyDevice *&device, Where where) : mDevice(device), mWhere(where) { }
    void OnLinkDisconnected(KyDevice *device) override
    {
        if (mWhere == kLinkLost)
            Free(device);
    }
    void OnEvent(KyDevice *device, uint16_t, uint16_t, uint64_t, uint64_t, const void *, uint32_t) override
    {
        if (mWhere == kEvent)
            Free(device);
    }
    std::atomic<bool> freed{false};

private:
    void Free(KyDevice *device)
    {
        EXPECT_EQ(device, mDevice);
        mDevice = nullptr;  // the fixture does not free it again
        KyDevice::Free(device);
        freed = true;
    }
    KyDevice *&mDevice;
    Where mWhere;
};

TEST_F(DeviceCallbacks, FreeFromOnLinkDisconnected)
{
    FreeingSink sink(device, FreeingSink::kLinkLost);
    ASSERT_TRUE(device->RegisterEventSink(&sink).IsOK());
    // The device's own program shortens the heartbeat timeout: our beats come too late, the
    // device drops our control and the heartbeat thread reports the link lost.
    IKyRegister *timeout = camera.GetRegisterMap()->GetRegisterByAddress(ky::gev::HEARTBEAT_TIMEOUT_OFFSET);
    ASSERT_NE(timeout, nullptr);
    ASSERT_TRUE(timeout->Write(uint32_t(500)).IsOK());
    ASSERT_TRUE(WaitFor([&] { return sink.freed.load(); }));
    // The device is free for the next application.
    KyDevice *again = Connect();
    EXPECT_NE(again, nullptr);
    KyDevice::Free(again);
}

TEST_F(DeviceCallbacks, FreeFromOnEventReleasesControl)
{
    FreeingSink sink(device, FreeingSink::kEvent);
    ASSERT_TRUE(device->RegisterEventSink(&sink).IsOK());
    IKyMessageChannel *channel = OpenedChannel();
    ASSERT_NE(channel, nullptr);
    ASSERT_TRUE(channel->FireEvent(0x9001).IsOK());
    ASSERT_TRUE(WaitFor([&] { return sink.freed.load(); }));
    // Freeing gave control back and closed the message channel on the device.
    EXPECT_EQ(CameraRegister(ky::gev::CCP_OFFSET), 0u);
    EXPECT_EQ(CameraRegister(ky::gev::MCP_OFFSET), 0u);
    KyDevice *again = Connect();
    EXPECT_NE(again, nullptr);
    KyDevice::Free(again);
}

// OnEvent takes the application's lock; the application unregisters the sink while it holds
// that lock. Sinks are called outside the device's own lock, so the two do not wait for each
// other.
class LockingSink : public KyDeviceEventSink
{
public:
    explicit LockingSink(std::mutex &lock) : mLock(lock) { }
    void OnEvent(KyDevice *, uint16_t, uint16_t, uint64_t, uint64_t, const void *, uint32_t) override
    {
        ++calls;
        entered = true;
        std::lock_guard<std::mutex> hold(mLock);
    }
    std::atomic<int> calls{0};
    std::atomic<bool> entered{false};

private:
    std::mutex &mLock;
};

TEST_F(DeviceCallbacks, SinkUnregisteredWhileItWaitsForTheApplicationsLock)
{
    std::mutex applicationLock;
    LockingSink sink(applicationLock);
    ASSERT_TRUE(device->RegisterEventSink(&sink).IsOK());
    IKyMessageChannel *channel = OpenedChannel();
    ASSERT_NE(channel, nullptr);
    std::unique_lock<std::mutex> held(applicationLock);
    ASSERT_TRUE(channel->FireEvent(0x9001).IsOK());
    ASSERT_TRUE(WaitFor([&] { return sink.entered.load(); }));
    auto unregistered = std::async(std::launch::async, [&] { return device->UnregisterEventSink(&sink); });
    const bool returned = unregistered.wait_for(kBound) == std::future_status::ready;
    held.unlock();  // lets a stuck sink go, so a failure ends here instead of hanging
    EXPECT_TRUE(returned) << "UnregisterEventSink waited for a sink that waits for the caller";
    EXPECT_TRUE(unregistered.get().IsOK());
    // Once unregistered, the sink is not called again.
    ASSERT_TRUE(channel->FireEvent(0x9002).IsOK());
    ASSERT_TRUE(device->WaitForMessagingChannelIdle(2000).IsOK());
    EXPECT_EQ(sink.calls.load(), 1);
}

// Calls Disconnect from inside OnEvent: always refused, never a self-join.
class DisconnectingSink : public KyDeviceEventSink
{
public:
    void OnEvent(KyDevice *device, uint16_t, uint16_t, uint64_t, uint64_t, const void *, uint32_t) override
    {
        const KyResult result = device->Disconnect();
        std::lock_guard<std::mutex> lock(mutex);
        codes.push_back(result.GetCode());
    }
    std::mutex mutex;
    std::vector<uint32_t> codes;
};

TEST_F(DeviceCallbacks, DisconnectFromACallbackIsRefusedEvenWhileConnecting)
{
    KyDevice::Free(device);
    device = nullptr;
    DisconnectingSink sink;
    // The camera fires events as fast as they are acknowledged, so that they also land while
    // the connection is still being set up.
    std::atomic<bool> stop{false};
    std::thread firing([&] {
        IKyMessageChannel *channel = camera.GetMessagingChannel();
        for (int fired = 0; !stop && fired < 100000; ++fired)
            if (!channel || !channel->FireEvent(0x9003).IsOK())
                std::this_thread::sleep_for(1ms);
    });
    for (int round = 0; round < 10; ++round) {
        KyDeviceGEV connecting;
        ASSERT_TRUE(connecting.RegisterEventSink(&sink).IsOK());
        ASSERT_TRUE(connecting.Connect(KyString("127.0.0.1")).IsOK());
        const size_t before = [&] {
            std::lock_guard<std::mutex> lock(sink.mutex);
            return sink.codes.size();
        }();
        EXPECT_TRUE(WaitFor([&] {
            std::lock_guard<std::mutex> lock(sink.mutex);
            return sink.codes.size() > before;
        }));
    }
    stop = true;
    firing.join();
    std::lock_guard<std::mutex> lock(sink.mutex);
    EXPECT_EQ(std::count(sink.codes.begin(), sink.codes.end(), uint32_t(KY_STATE_ERROR)),
              static_cast<long>(sink.codes.size()));
}

// A peer on another address than the device's (127.0.0.2) sends EVENT commands to our message
// channel port: they are neither acknowledged nor handed to the sinks.
class CountingSink : public KyDeviceEventSink
{
public:
    void OnEvent(KyDevice *, uint16_t id, uint16_t, uint64_t, uint64_t, const void *, uint32_t) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        ids.push_back(id);
    }
    std::vector<uint16_t> Ids()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return ids;
    }
    std::mutex mutex;
    std::vector<uint16_t> ids;
};

TEST_F(DeviceCallbacks, EventsFromAnotherAddressAreNeitherAcknowledgedNorDelivered)
{
    CountingSink sink;
    ASSERT_TRUE(device->RegisterEventSink(&sink).IsOK());
    IKyMessageChannel *channel = OpenedChannel();
    ASSERT_NE(channel, nullptr);
    const uint32_t port = CameraRegister(ky::gev::MCP_OFFSET);
    ASSERT_NE(port, 0u);

    ky::gev::UdpSocket forger;
    ASSERT_TRUE(forger.Open(0x7F000002, 0).IsOK());
    uint32_t local = 0;
    ASSERT_TRUE(forger.Connect(0x7F000001, static_cast<uint16_t>(port), local).IsOK());
    constexpr int kForged = 200;
    for (int i = 0; i < kForged; ++i) {
        ky::gev::EventCmd command;
        command.header.requestId = static_cast<uint16_t>(1000 + i);
        command.header.flags = ky::gev::FLAG_ACK_REQUIRED | ky::gev::FLAG_EXTENDED_ID;
        command.events = {{0x9666, 0xFFFF, 0, 0}};
        ky::gev::Packet packet;
        ASSERT_EQ(ky::gev::Build(command, packet), ky::gev::CodecError::Ok);
        ASSERT_EQ(forger.Send(packet.data(), packet.size()), static_cast<ssize_t>(packet.size()));
    }
    // The device's own event, fired after the forgeries, is acknowledged (FireEvent waits for
    // that): by then the forgeries went through the channel too.
    ASSERT_TRUE(channel->FireEvent(0x9001).IsOK());
    ASSERT_TRUE(device->WaitForMessagingChannelIdle(2000).IsOK());
    EXPECT_EQ(forger.WaitReadable(200), 0) << "a forged event was acknowledged";
    EXPECT_EQ(sink.Ids(), (std::vector<uint16_t>{0x9001}));
}

}  // namespace
