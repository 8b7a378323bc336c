// Registers, the register map, the factory and the store, without a network.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "ky/virtualdevice/IKyRegisterEventSink.h"
#include "registers/SoftRegisterFactory.h"
#include "registers/SoftRegisterMap.h"
#include "registers/SoftRegisterStore.h"

using namespace ky::soft;

namespace {

struct ThrowingSink : IKyRegisterEventSink
{
    KyResult PreRead(IKyRegister *) override { throw std::runtime_error("boom"); }
};

struct RefusingSink : IKyRegisterEventSink
{
    KyResult PreWrite(IKyRegister *) override { return KyResult(KY_BUSY, "later"); }
};

}  // namespace

TEST(SoftRegister, ValuesAreBigEndianAndBounded)
{
    SoftRegister reg("Value", 0x100, 8, KyGenAccessModeReadWrite, false, nullptr);
    EXPECT_TRUE(reg.Write(uint32_t(0x01020304), 4).IsOK());
    uint8_t bytes[8] = {};
    EXPECT_TRUE(reg.ReadBytes(bytes, 8).IsOK());
    EXPECT_EQ(bytes[4], 0x01);
    EXPECT_EQ(bytes[7], 0x04);
    EXPECT_TRUE(reg.WriteDouble(2.5).IsOK());
    double value = 0;
    EXPECT_TRUE(reg.ReadDouble(value).IsOK());
    EXPECT_EQ(value, 2.5);
    const struct
    {
        const char *name;
        KyResult result;
        const char *description;
    } cases[] = {
        {"read past the end", reg.ReadBytes(bytes, 4, 6),
         "[Value] 4 bytes at offset 6 do not fit its 8 bytes"},
        {"offset beyond", reg.Write(uint32_t(1), 8), "[Value] 4 bytes at offset 8 do not fit its 8 bytes"},
        {"null buffer", reg.ReadBytes(nullptr, 4), "[Value] no buffer given"},
        {"text without room for its zero", reg.Write(KyString("12345678")),
         "[Value] a text of 8 bytes does not fit 8 bytes with its terminating zero"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.result.GetCode(), KY_INVALID_PARAMETER) << c.name;
        EXPECT_STREQ(c.result.GetDescription().GetAscii(), c.description) << c.name;
    }
    SoftRegister small("Small", 0x200, 4, KyGenAccessModeReadOnly, false, nullptr);
    EXPECT_EQ(small.ReadDouble(value).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_TRUE(small.Write(uint32_t(5)).IsOK()) << "the program may write a read-only register";
    EXPECT_FALSE(small.IsWritable());
}

TEST(SoftRegister, SinksRefuseAndThrowingSinksAreContained)
{
    SoftRegister reg("Guarded", 0, 4, KyGenAccessModeReadWrite, false, nullptr);
    ASSERT_TRUE(reg.Write(uint32_t(3)).IsOK());
    RefusingSink refusing;
    ThrowingSink throwing;
    EXPECT_TRUE(reg.AddEventSink(&refusing).IsOK());
    EXPECT_EQ(reg.AddEventSink(&refusing).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(reg.AddEventSink(nullptr).GetCode(), KY_INVALID_PARAMETER);
    KyResult refused = reg.Write(uint32_t(9));
    EXPECT_EQ(refused.GetCode(), KY_BUSY);
    EXPECT_EQ(refused.GetDescription(), "later");
    EXPECT_EQ(reg.GetRawU32(), 3u) << "a refused write restores the former value";
    EXPECT_TRUE(reg.RemoveEventSink(&refusing).IsOK());
    EXPECT_EQ(reg.RemoveEventSink(&refusing).GetCode(), KY_INVALID_PARAMETER);
    ASSERT_TRUE(reg.AddEventSink(&throwing).IsOK());
    uint32_t value = 0;
    KyResult thrown = reg.ReadInt(value);
    EXPECT_EQ(thrown.GetCode(), KY_GENERIC_ERROR);
    EXPECT_EQ(thrown.GetDescription(), "PreRead threw an exception");
}

// While a write is being checked, the writing thread's check sees the new content and every
// other thread reads the former one without waiting; a refused value is never seen by them.
TEST(SoftRegister, AWriteBeingCheckedIsSeenByItsOwnThreadOnly)
{
    SoftRegister reg("Checked", 0, 4, KyGenAccessModeReadWrite, false, nullptr);
    ASSERT_TRUE(reg.Write(uint32_t(3)).IsOK());
    std::mutex mutex;
    std::condition_variable changed;
    bool checking = false, go = false, readDone = false;
    uint32_t seenByCheck = 0, seenByReader = 0;
    reg.SetHooks(
        nullptr,
        [&](SoftRegister &r) {
            std::unique_lock<std::mutex> lock(mutex);
            seenByCheck = r.GetRawU32();
            checking = true;
            changed.notify_all();
            changed.wait(lock, [&] { return go; });
            return KyResult(KY_INVALID_PARAMETER, "refused");
        },
        nullptr);
    KyResult written;
    std::thread writer([&] { written = reg.Write(uint32_t(9)); });
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return checking; });
    }
    std::thread reader([&] {
        uint32_t value = 0;
        EXPECT_TRUE(reg.ReadInt(value).IsOK());
        std::lock_guard<std::mutex> lock(mutex);
        seenByReader = value;
        readDone = true;
        changed.notify_all();
    });
    bool readWhileChecking = false;
    {
        // Bounded: a read that waits for the write would otherwise wait for ever.
        std::unique_lock<std::mutex> lock(mutex);
        readWhileChecking = changed.wait_for(lock, std::chrono::seconds(60), [&] { return readDone; });
        go = true;
        changed.notify_all();
    }
    writer.join();
    reader.join();
    EXPECT_TRUE(readWhileChecking) << "a read waited for a write being checked";
    EXPECT_EQ(seenByCheck, 9u);
    EXPECT_EQ(seenByReader, 3u);
    EXPECT_EQ(written.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(reg.GetRawU32(), 3u);
}

TEST(SoftRegisterFactory, RulesOfKindAddressAndOverlap)
{
    SoftRegisterMap map;
    SoftRegisterFactory factory(map);
    int context = 0;
    ASSERT_TRUE(factory.AddRegister("A", 0x11000, 4, KyGenAccessModeReadWrite, nullptr, &context).IsOK());
    ASSERT_TRUE(factory.AddByteArray("B", 0x11010, 16, KyGenAccessModeReadOnly).IsOK());
    const struct
    {
        const char *name;
        KyResult result;
        const char *description;
    } cases[] = {
        {"register of 2 bytes", factory.AddRegister("C", 0x2000, 2, KyGenAccessModeReadWrite),
         "[C] a register is 4 or 8 bytes long, not 2"},
        {"array of 6 bytes", factory.AddByteArray("D", 0x2000, 6, KyGenAccessModeReadWrite),
         "[D] a byte array is a non-zero multiple of 4 bytes long, not 6"},
        {"overlap before", factory.AddRegister("E", 0x1100C, 8, KyGenAccessModeReadWrite), "[E] overlaps B"},
        {"overlap after", factory.AddByteArray("F", 0x1101C, 4, KyGenAccessModeReadWrite), "[F] overlaps B"},
        {"unaligned", factory.AddRegister("G", 0x13002, 4, KyGenAccessModeReadWrite),
         "[G] address is not a multiple of 4"},
        {"past the address space", factory.AddByteArray("H", 0xFFFFFFFC, 8, KyGenAccessModeReadWrite),
         "[H] runs past the 32-bit address space"},
        {"bad access mode", factory.AddRegister("I", 0x4000, 4, KyGenAccessModeNotAvailable),
         "[I] access mode 4 is not read-only, read-write or write-only"},
        {"no name", factory.AddRegister("", 0x5000, 4, KyGenAccessModeReadWrite), "a register needs a name"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.result.GetCode(), KY_INVALID_PARAMETER) << c.name;
        EXPECT_STREQ(c.result.GetDescription().GetAscii(), c.description) << c.name;
    }
    EXPECT_EQ(map.GetRegisterCount(), 2u);
    EXPECT_EQ(map.GetRegisterByIndex(0)->GetContext(), &context);
    EXPECT_TRUE(map.GetRegisterByIndex(1)->IsArrayOfBytes());
    EXPECT_EQ(map.GetRegisterByIndex(2), nullptr);
    EXPECT_EQ(map.FindContaining(0x1101F), map.Find(0x11010));
    EXPECT_EQ(map.FindContaining(0x11020), nullptr);
    EXPECT_EQ(map.FindContaining(0x11004), nullptr);
    EXPECT_EQ(map.Lock().GetCode(), KY_STATE_ERROR) << "no lock while the device is not running";
}

// A Lock asked for while the map is being cleared (the device stops) waits for the clear: the
// timed form at most its time-out, then KY_TIMEOUT; the untimed one until the clear is done. Both
// then find the device stopped. Holders never wait for one another.
TEST(SoftRegisterMap, LockWaitsForAClearInProgress)
{
    SoftRegisterMap map;
    SoftRegisterFactory factory(map);
    ASSERT_TRUE(factory.AddRegister("A", 0x10000, 4, KyGenAccessModeReadWrite).IsOK());
    map.SetRunning(true);
    map.SetClearWait(std::chrono::minutes(5));  // only bounds a hang: the holder below releases
    ASSERT_TRUE(map.Lock().IsOK());
    ASSERT_TRUE(map.Lock(0).IsOK()) << "a second holder does not wait for the first";
    map.Release();

    std::thread clearer([&] { map.Clear(); });
    // The clear has begun (and waits for the holder) once a Lock no longer succeeds at once.
    KyResult probe;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((probe = map.Lock(0)).IsOK() && std::chrono::steady_clock::now() < end) {
        map.Release();
        std::this_thread::yield();
    }
    EXPECT_EQ(probe.GetCode(), KY_TIMEOUT);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(map.Lock(50).GetCode(), KY_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    auto untimed = std::async(std::launch::async, [&] { return map.Lock().GetCode(); });
    EXPECT_EQ(untimed.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout)
        << "the clear cannot end while the holder holds the map";
    map.Release();
    clearer.join();
    EXPECT_EQ(untimed.get(), KY_STATE_ERROR);
    EXPECT_EQ(map.Lock(0).GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(map.GetRegisterCount(), 0u);
}

// The bootstrap area and the device's own area stay the device's, also where it has no register.
TEST(SoftRegisterFactory, KeepsOutOfTheDeviceAreas)
{
    SoftRegisterMap map;
    SoftRegisterFactory factory(map);
    const struct
    {
        const char *name;
        KyResult result;
        const char *description;
    } cases[] = {
        {"bootstrap start", factory.AddRegister("A", 0x0000, 4, KyGenAccessModeReadWrite),
         "[A] overlaps the bootstrap registers"},
        {"bootstrap hole", factory.AddByteArray("B", 0x0940, 16, KyGenAccessModeReadWrite),
         "[B] overlaps the bootstrap registers"},
        {"bootstrap end", factory.AddRegister("C", 0x9FFC, 8, KyGenAccessModeReadWrite),
         "[C] overlaps the bootstrap registers"},
        {"into the XML file", factory.AddByteArray("D", 0x3FEFFFF0, 32, KyGenAccessModeReadOnly),
         "[D] overlaps the device's GenICam XML file and its own registers"},
        {"device's own registers", factory.AddRegister("E", 0x3FFF0200, 4, KyGenAccessModeReadWrite),
         "[E] overlaps the device's GenICam XML file and its own registers"},
        {"last word of the device area", factory.AddRegister("F", 0x3FFFFFFC, 4, KyGenAccessModeReadWrite),
         "[F] overlaps the device's GenICam XML file and its own registers"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.result.GetCode(), KY_INVALID_PARAMETER) << c.name;
        EXPECT_STREQ(c.result.GetDescription().GetAscii(), c.description) << c.name;
    }
    EXPECT_EQ(map.GetRegisterCount(), 0u);
    EXPECT_TRUE(factory.AddRegister("AfterBootstrap", 0xA000, 4, KyGenAccessModeReadWrite).IsOK());
    EXPECT_TRUE(factory.AddByteArray("BeforeXml", 0x3FEFFFF0, 16, KyGenAccessModeReadWrite).IsOK());
    EXPECT_TRUE(factory.AddRegister("AfterDeviceArea", 0x40000000, 4, KyGenAccessModeReadWrite).IsOK());
}

TEST(SoftRegisterStore, SavesAndLoadsBySuffix)
{
    SoftRegister reg("Gain", 0, 4, KyGenAccessModeReadWrite, false, nullptr);
    SoftRegisterStore::Contents contents;
    ASSERT_TRUE(reg.Write(uint32_t(11)).IsOK());
    SoftRegisterStore save(contents, SoftRegisterStore::Mode::Save);
    EXPECT_TRUE(save.Persist(&reg, "_Red").IsOK());
    ASSERT_TRUE(reg.Write(uint32_t(22)).IsOK());
    EXPECT_TRUE(save.Persist(&reg, "_Blue").IsOK());
    SoftRegisterStore load(contents, SoftRegisterStore::Mode::Load);
    EXPECT_TRUE(load.Persist(&reg, "_Red").IsOK());
    EXPECT_EQ(reg.GetRawU32(), 11u);
    EXPECT_EQ(load.Persist(&reg, "_Green").GetCode(), KY_NOT_FOUND);
    EXPECT_EQ(load.Persist(nullptr, "_Red").GetCode(), KY_INVALID_PARAMETER);
}
