// GenCP control end to end over the simulated link: the host's client against the device's
// server and a plain memory.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "TestDeadline.h"
#include "u3v/LittleEndian.h"
#include "u3v/SimUsbBus.h"
#include "u3v/U3vControlClient.h"
#include "u3v/U3vControlServer.h"

using namespace ky::u3v;

namespace {

// 64 KiB of memory at 0x10000; a read-only word at 0x10000; nothing elsewhere.
class PlainMemory : public IU3vMemory
{
public:
    static constexpr uint64_t BASE = 0x10000;
    PlainMemory() : mBytes(0x10000) { std::iota(mBytes.begin(), mBytes.end(), uint8_t(0)); }

    GenCpStatus Read(uint64_t address, uint8_t *data, size_t size) override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!Inside(address, size)) {
            return GenCpStatus::InvalidAddress;
        }
        std::memcpy(data, mBytes.data() + (address - BASE), size);
        ++reads;
        return GenCpStatus::Success;
    }
    GenCpStatus Write(uint64_t address, const uint8_t *data, size_t size) override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!Inside(address, size)) {
            return GenCpStatus::InvalidAddress;
        }
        if (address < BASE + 4) {
            return GenCpStatus::WriteProtect;
        }
        std::memcpy(mBytes.data() + (address - BASE), data, size);
        return GenCpStatus::Success;
    }
    std::vector<uint8_t> Bytes(uint64_t address, size_t size)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return std::vector<uint8_t>(mBytes.begin() + (address - BASE),
                                    mBytes.begin() + (address - BASE + size));
    }
    int reads = 0;

private:
    bool Inside(uint64_t address, size_t size) const
    {
        return address >= BASE && address - BASE <= mBytes.size() && size <= mBytes.size() - (address - BASE);
    }
    std::mutex mMutex;
    std::vector<uint8_t> mBytes;
};

struct ControlPair
{
    explicit ControlPair(uint32_t maxCommand = 1024, uint32_t maxAck = 1024)
        : server(link.Device(SimPipe::Control), memory, maxCommand, maxAck),
          client(link.Host(SimPipe::Control))
    {
        client.SetTimeout(TestDeadlineMs(2000), 0);
        server.Start();
    }
    SimUsbLink link;
    PlainMemory memory;
    U3vControlServer server;
    U3vControlClient client;
};

TEST(GenCpControl, ReadsAndWritesReachTheDeviceMemory)
{
    ControlPair pair;
    uint8_t word[4] = {};
    ASSERT_TRUE(pair.client.ReadMemory(PlainMemory::BASE + 8, word, 4).IsOK());
    EXPECT_EQ(std::vector<uint8_t>(word, word + 4), (std::vector<uint8_t>{8, 9, 10, 11}));

    const uint8_t value[] = {0xAA, 0xBB, 0xCC, 0xDD};
    ASSERT_TRUE(pair.client.WriteMemory(PlainMemory::BASE + 0x100, value, 4).IsOK());
    EXPECT_EQ(pair.memory.Bytes(PlainMemory::BASE + 0x100, 4), std::vector<uint8_t>(value, value + 4));
}

TEST(GenCpControl, LongTransfersAreSplitToTheDeviceLimits)
{
    ControlPair pair(64, 64);  // 52 bytes of data per read, 44 per write
    ASSERT_TRUE(pair.client.SetMaxTransfer(64, 64).IsOK());
    std::vector<uint8_t> read(1000);
    ASSERT_TRUE(pair.client.ReadMemory(PlainMemory::BASE + 3, read.data(), read.size()).IsOK());
    EXPECT_EQ(read, pair.memory.Bytes(PlainMemory::BASE + 3, 1000));
    EXPECT_GT(pair.memory.reads, 1);

    std::vector<uint8_t> write(777);
    std::iota(write.begin(), write.end(), uint8_t(50));
    ASSERT_TRUE(pair.client.WriteMemory(PlainMemory::BASE + 0x2000, write.data(), write.size()).IsOK());
    EXPECT_EQ(pair.memory.Bytes(PlainMemory::BASE + 0x2000, write.size()), write);
}

TEST(GenCpControl, DeviceStatusesBecomeResultsAndZeroTheOutput)
{
    ControlPair pair;
    uint8_t word[4] = {1, 1, 1, 1};
    KyResult result = pair.client.ReadMemory(0x10, word, 4);
    EXPECT_EQ(result.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(std::vector<uint8_t>(word, word + 4), std::vector<uint8_t>(4, 0));
    const uint8_t value[4] = {};
    EXPECT_EQ(pair.client.WriteMemory(PlainMemory::BASE, value, 4).GetCode(), KY_NOT_SUPPORTED);
    // The link still works after refusals.
    EXPECT_TRUE(pair.client.ReadMemory(PlainMemory::BASE, word, 4).IsOK());
}

TEST(GenCpControl, CallerMistakesAreRefusedBeforeTheWire)
{
    ControlPair pair;
    EXPECT_EQ(pair.client.ReadMemory(PlainMemory::BASE, nullptr, 4).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(pair.client.WriteMemory(PlainMemory::BASE, nullptr, 4).GetCode(), KY_INVALID_PARAMETER);
    uint8_t word[4];
    EXPECT_EQ(pair.client.ReadMemory(UINT64_MAX - 1, word, 4).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(pair.client.SetMaxTransfer(8, 8).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_TRUE(pair.client.ReadMemory(PlainMemory::BASE, nullptr, 0).IsOK());
    EXPECT_EQ(pair.memory.reads, 0);
}

TEST(GenCpControl, PendingAcksExtendTheWait)
{
    ControlPair pair;
    pair.server.SetPendingAcks(3, static_cast<uint16_t>(TestDeadlineMs(2000)));
    uint8_t word[4] = {};
    ASSERT_TRUE(pair.client.ReadMemory(PlainMemory::BASE + 4, word, 4).IsOK());
    EXPECT_EQ(word[0], 4);
    EXPECT_EQ(pair.client.GetPendingAckCount(), 3u);
}

TEST(GenCpControl, StaleAndForeignAcksAreDropped)
{
    SimUsbLink link;
    U3vControlClient client(link.Host(SimPipe::Control));
    client.SetTimeout(TestDeadlineMs(2000), 0);
    // A scripted device: answers with an ack of an old id, a malformed transfer, then the right ack.
    std::thread device([&] {
        std::vector<uint8_t> command(1024);
        size_t received = 0;
        if (link.Device(SimPipe::Control)
                .Read(command.data(), command.size(), received, TestDeadlineMs(5000)) != TransferStatus::Ok) {
            return;
        }
        GenCpHeader header;
        uint64_t address = 0;
        uint16_t count = 0;
        if (ParseReadMem(command.data(), received, header, address, count) != GenCpError::Ok) {
            return;
        }
        std::vector<uint8_t> data(count, 0x5A);
        std::vector<uint8_t> ack;
        (void)BuildReadMemAck(static_cast<uint16_t>(header.requestId + 100), GenCpStatus::Success,
                              data.data(), count, ack);
        (void)link.Device(SimPipe::Control).Write(ack.data(), ack.size(), 1000);
        const uint8_t junk[] = {1, 2, 3};
        (void)link.Device(SimPipe::Control).Write(junk, sizeof junk, 1000);
        std::fill(data.begin(), data.end(), 0x33);
        (void)BuildReadMemAck(header.requestId, GenCpStatus::Success, data.data(), count, ack);
        (void)link.Device(SimPipe::Control).Write(ack.data(), ack.size(), 1000);
    });
    uint8_t word[4] = {};
    KyResult result = client.ReadMemory(0, word, 4);
    device.join();
    ASSERT_TRUE(result.IsOK());
    EXPECT_EQ(word[0], 0x33);
    EXPECT_EQ(client.GetDroppedAckCount(), 2u);
}

TEST(GenCpControl, SilentDeviceTimesOut)
{
    SimUsbLink link;
    U3vControlClient client(link.Host(SimPipe::Control));
    client.SetTimeout(20, 1);
    uint8_t word[4];
    EXPECT_EQ(client.ReadMemory(0, word, 4).GetCode(), KY_TIMEOUT);
}

TEST(GenCpControl, UnplugEndsTransactionsWithNotConnected)
{
    ControlPair pair;
    uint8_t word[4];
    ASSERT_TRUE(pair.client.ReadMemory(PlainMemory::BASE, word, 4).IsOK());
    pair.link.Unplug();
    EXPECT_EQ(pair.client.ReadMemory(PlainMemory::BASE, word, 4).GetCode(), KY_NOT_CONNECTED);
    EXPECT_EQ(pair.client.WriteMemory(PlainMemory::BASE + 8, word, 4).GetCode(), KY_NOT_CONNECTED);
}

TEST(GenCpControl, ServerAnswersUnknownAndMalformedCommands)
{
    SimUsbLink link;
    PlainMemory memory;
    U3vControlServer server(link.Device(SimPipe::Control), memory, 64, 64);
    std::vector<uint8_t> command;
    std::vector<uint8_t> ack;
    GenCpHeader header;

    BuildEmptyAck(9, static_cast<GenCpCommand>(0x0900), GenCpStatus::Success, command);
    PutLe16(command.data() + 4, GENCP_FLAG_REQUEST_ACK);
    ASSERT_TRUE(server.Handle(command.data(), command.size(), ack));
    ASSERT_EQ(ParseHeader(ack.data(), ack.size(), header), GenCpError::Ok);
    EXPECT_EQ(header.flagsOrStatus, static_cast<uint16_t>(GenCpStatus::NotImplemented));
    EXPECT_EQ(header.command, 0x0901);

    BuildReadMem(10, PlainMemory::BASE, 0, command);
    ASSERT_TRUE(server.Handle(command.data(), command.size(), ack));
    ASSERT_EQ(ParseHeader(ack.data(), ack.size(), header), GenCpError::Ok);
    EXPECT_EQ(header.flagsOrStatus, static_cast<uint16_t>(GenCpStatus::InvalidParameter));

    BuildReadMem(11, PlainMemory::BASE, 200, command);  // above the 52 bytes an ack can carry
    ASSERT_TRUE(server.Handle(command.data(), command.size(), ack));
    ASSERT_EQ(ParseHeader(ack.data(), ack.size(), header), GenCpError::Ok);
    EXPECT_EQ(header.flagsOrStatus, static_cast<uint16_t>(GenCpStatus::InvalidParameter));

    BuildReadMem(12, PlainMemory::BASE, 4, command);
    command.pop_back();
    ASSERT_TRUE(server.Handle(command.data(), command.size(), ack));
    ASSERT_EQ(ParseHeader(ack.data(), ack.size(), header), GenCpError::Ok);
    EXPECT_EQ(header.flagsOrStatus, static_cast<uint16_t>(GenCpStatus::InvalidHeader));
    EXPECT_EQ(header.requestId, 12);

    const uint8_t junk[] = {1, 2, 3};
    EXPECT_FALSE(server.Handle(junk, sizeof junk, ack));
    EXPECT_EQ(memory.reads, 0);
}

}  // namespace
