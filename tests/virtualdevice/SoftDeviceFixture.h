// A soft device on the loopback adapter with a few custom registers and recording sinks.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ky/virtualdevice/IKyRegisterFactory.h"
#include "ky/virtualdevice/IKyRegisterEventSink.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"

constexpr uint32_t TEST_VALUE = 0x10000;       // RW, counted
constexpr uint32_t TEST_READ_ONLY = 0x10004;   // RO
constexpr uint32_t TEST_WRITE_ONLY = 0x10008;  // WO
constexpr uint32_t TEST_ARRAY = 0x10010;       // RW, 64 bytes, counted
constexpr uint32_t TEST_SLOW = 0x10100;        // RW, PreWrite takes SLOW_WRITE_MS
constexpr uint32_t TEST_GUARDED = 0x10200;     // RW, PreWrite refuses values above 100
constexpr int SLOW_WRITE_MS = 800;

struct CountingSink : IKyRegisterEventSink
{
    std::atomic<int> preReads{0}, postReads{0}, preWrites{0}, postWrites{0};
    KyResult PreRead(IKyRegister *) override
    {
        ++preReads;
        return KyResult(KY_OK);
    }
    void PostRead(IKyRegister *) override { ++postReads; }
    KyResult PreWrite(IKyRegister *) override
    {
        ++preWrites;
        return KyResult(KY_OK);
    }
    void PostWrite(IKyRegister *) override { ++postWrites; }
};

struct SlowSink : IKyRegisterEventSink
{
    std::atomic<int> writes{0};
    KyResult PreWrite(IKyRegister *) override
    {
        ++writes;
        std::this_thread::sleep_for(std::chrono::milliseconds(SLOW_WRITE_MS));
        return KyResult(KY_OK);
    }
};

struct GuardSink : IKyRegisterEventSink
{
    KyResult PreWrite(IKyRegister *reg) override
    {
        uint32_t value = 0;
        EXPECT_TRUE(reg->ReadInt(value).IsOK());  // the new value is already there
        return value > 100 ? KyResult(KY_INVALID_PARAMETER, "above 100") : KyResult(KY_OK);
    }
};

struct RecordingDeviceSink : IKySoftDeviceGEVEventSink
{
    CountingSink *counting = nullptr;
    SlowSink *slow = nullptr;
    GuardSink *guard = nullptr;
    std::atomic<int> connects{0}, disconnects{0}, channelStarts{0}, channelStops{0}, networkResets{0};
    std::atomic<int> lastAccess{0};
    KyResult factoryResult;

    void OnCreateCustomRegisters(IKySoftDeviceGEV *, IKyRegisterFactory *factory) override
    {
        factoryResult = factory->AddRegister("TestValue", TEST_VALUE, 4, KyGenAccessModeReadWrite, counting);
        factoryResult |= factory->AddRegister("TestReadOnly", TEST_READ_ONLY, 4, KyGenAccessModeReadOnly);
        factoryResult |= factory->AddRegister("TestWriteOnly", TEST_WRITE_ONLY, 4, KyGenAccessModeWriteOnly);
        factoryResult |=
            factory->AddByteArray("TestArray", TEST_ARRAY, 64, KyGenAccessModeReadWrite, counting);
        factoryResult |= factory->AddRegister("TestSlow", TEST_SLOW, 4, KyGenAccessModeReadWrite, slow);
        factoryResult |=
            factory->AddRegister("TestGuarded", TEST_GUARDED, 4, KyGenAccessModeReadWrite, guard);
    }
    void OnApplicationConnect(IKySoftDeviceGEV *, const KyString &, uint16_t, KyAccessType access) override
    {
        lastAccess = access;
        ++connects;
    }
    void OnApplicationDisconnect(IKySoftDeviceGEV *) override { ++disconnects; }
    void OnControlChannelStart(IKySoftDeviceGEV *, const KyString &, const KyString &, const KyString &,
                               const KyString &, uint16_t) override
    {
        ++channelStarts;
    }
    void OnControlChannelStop(IKySoftDeviceGEV *) override { ++channelStops; }
    void OnDeviceResetNetwork(IKySoftDeviceGEV *) override { ++networkResets; }
};

class SoftDeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sink.counting = &counting;
        sink.slow = &slow;
        sink.guard = &guard;
        ASSERT_TRUE(device.RegisterEventSink(&sink).IsOK());
        const KyResult started = device.Start("00:00:00:00:00:00");
        ASSERT_TRUE(started.IsOK()) << started.GetDescription().GetAscii();
        ASSERT_TRUE(sink.factoryResult.IsOK()) << sink.factoryResult.GetDescription().GetAscii();
    }

    // Waits (bounded) until the condition holds.
    template <typename F>
    static bool WaitFor(F condition, int timeoutMs = 5000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    CountingSink counting;
    SlowSink slow;
    GuardSink guard;
    RecordingDeviceSink sink;
    KySoftDeviceGEV device;
};
