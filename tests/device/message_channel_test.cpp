// The host end of the message channel: events reach the handler once, every command that asks
// for it is acknowledged (repeats too), malformed datagrams are dropped, datagrams from another
// address than the device's are neither acknowledged nor delivered, and a flood waits in a
// bounded queue.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "GevMessageChannel.h"
#include "gev/Gvcp.h"
#include "gev/UdpSocket.h"

using ky::device::GevEvent;
using ky::device::GevMessageChannel;
using ky::gev::Packet;

namespace {

constexpr uint32_t kLoopback = 0x7F000001;  // the device
constexpr uint32_t kOtherAddress = 0x7F000002;

class Sender
{
public:
    explicit Sender(uint16_t port, uint32_t from = kLoopback)
    {
        uint32_t local = 0;
        EXPECT_TRUE(mSocket.Open(from, 0).IsOK());
        EXPECT_TRUE(mSocket.Connect(kLoopback, port, local).IsOK());
    }
    void Send(const Packet &packet) { (void)mSocket.Send(packet.data(), packet.size()); }
    // The next datagram within the bound, or an empty packet.
    Packet Receive(int timeoutMs = 2000)
    {
        if (mSocket.WaitReadable(timeoutMs) <= 0)
            return {};
        uint8_t buffer[1024];
        const ssize_t size = mSocket.Receive(buffer, sizeof buffer);
        return size > 0 ? Packet(buffer, buffer + size) : Packet{};
    }

private:
    ky::gev::UdpSocket mSocket;
};

Packet EventPacket(uint16_t id, std::vector<ky::gev::EventItem> items)
{
    ky::gev::EventCmd command;
    command.header.requestId = id;
    command.header.flags = ky::gev::FLAG_ACK_REQUIRED | ky::gev::FLAG_EXTENDED_ID;
    command.events = std::move(items);
    Packet out;
    EXPECT_EQ(ky::gev::Build(command, out), ky::gev::CodecError::Ok);
    return out;
}

void ExpectAck(const Packet &ack, ky::gev::Command code, uint16_t id)
{
    ky::gev::AckHeader header;
    ASSERT_EQ(ky::gev::ParseAckHeader(ack.data(), ack.size(), header), ky::gev::CodecError::Ok);
    EXPECT_EQ(header.acknowledge, code);
    EXPECT_EQ(header.ackId, id);
    EXPECT_EQ(header.status, ky::gev::Status::SUCCESS);
}

class MessageChannelTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(channel.Start(kLoopback, kLoopback).IsOK()); }
    void TearDown() override { Open(); }
    std::vector<GevEvent> Events()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    }
    // While closed, the handler holds the first event it gets until the gate opens.
    void Open()
    {
        std::lock_guard<std::mutex> lock(mutex);
        closed = false;
        changed.notify_all();
    }
    bool WaitHandlerHeld()
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [this] { return held; });
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
    bool held = false;
    std::vector<GevEvent> events;
    GevMessageChannel channel{[this](const GevEvent &event) {
        std::unique_lock<std::mutex> lock(mutex);
        events.push_back(event);
        held = true;
        changed.notify_all();
        changed.wait(lock, [this] { return !closed; });
    }};
};

TEST_F(MessageChannelTest, EventsAreAcknowledgedAndDeliveredOnceEvenWhenRepeated)
{
    Sender device(channel.Port());
    const Packet packet = EventPacket(5, {{0x9001, 0xFFFF, 0, 1234}, {0x9002, 0, 77, 0}});
    device.Send(packet);
    ExpectAck(device.Receive(), ky::gev::Command::EVENT_ACK, 5);
    device.Send(packet);  // our acknowledge was "lost": the device repeats
    ExpectAck(device.Receive(), ky::gev::Command::EVENT_ACK, 5);
    ASSERT_TRUE(channel.WaitIdle(2000).IsOK());
    const auto received = Events();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].id, 0x9001);
    EXPECT_EQ(received[0].channel, 0xFFFF);
    EXPECT_EQ(received[0].timestamp, 1234u);
    EXPECT_EQ(received[1].id, 0x9002);
    EXPECT_EQ(received[1].blockId, 77u);
    EXPECT_TRUE(received[1].data.empty());
}

TEST_F(MessageChannelTest, EventDataCarriesItsBytes)
{
    Sender device(channel.Port());
    ky::gev::EventDataCmd command;
    command.header.requestId = 9;
    command.header.flags = ky::gev::FLAG_ACK_REQUIRED | ky::gev::FLAG_EXTENDED_ID;
    command.event = {0x9100, 1, 2, 3};
    command.data = {1, 2, 3, 4, 5};
    Packet packet;
    ASSERT_EQ(ky::gev::Build(command, packet), ky::gev::CodecError::Ok);
    device.Send(packet);
    ExpectAck(device.Receive(), ky::gev::Command::EVENTDATA_ACK, 9);
    ASSERT_TRUE(channel.WaitIdle(2000).IsOK());
    const auto received = Events();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].data, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

TEST_F(MessageChannelTest, MalformedDatagramsAreDroppedAndTheChannelKeepsServing)
{
    Sender device(channel.Port());
    Packet valid = EventPacket(11, {{0x9001, 0xFFFF, 0, 0}});
    const std::vector<Packet> malformed = {
        {},                                      // empty
        {0x42, 0x01, 0x00},                      // shorter than a header
        Packet(valid.begin(), valid.end() - 4),  // length field larger than the datagram
        [&] {
            Packet p = valid;
            p[0] = 0x41;
            return p;
        }(),  // wrong key
        [&] {
            Packet p = valid;
            p[3] = 0x80;
            return p;
        }(),  // another command (READREG)
        [&] {
            Packet p = valid;
            p[4] = 0xFF;
            p[5] = 0xFF;
            return p;
        }(),  // huge length
    };
    for (const Packet &packet : malformed) {
        device.Send(packet.empty() ? Packet{0} : packet);
        EXPECT_TRUE(device.Receive(100).empty());
    }
    device.Send(valid);
    ExpectAck(device.Receive(), ky::gev::Command::EVENT_ACK, 11);
    ASSERT_TRUE(channel.WaitIdle(2000).IsOK());
    EXPECT_EQ(Events().size(), 1u);
}

TEST_F(MessageChannelTest, DatagramsFromAnotherAddressAreNeitherAcknowledgedNorDelivered)
{
    Sender forger(channel.Port(), kOtherAddress);
    constexpr int kForged = 100;  // fits the socket's default receive buffer
    for (int i = 0; i < kForged; ++i)
        forger.Send(EventPacket(static_cast<uint16_t>(100 + i), {{0x9666, 0xFFFF, 0, 0}}));
    // Like a device, send again until acknowledged.
    Sender device(channel.Port());
    Packet ack;
    for (int attempt = 0; attempt < 10 && ack.empty(); ++attempt) {
        device.Send(EventPacket(7, {{0x9001, 0xFFFF, 0, 0}}));
        ack = device.Receive(500);
    }
    ExpectAck(ack, ky::gev::Command::EVENT_ACK, 7);
    ASSERT_TRUE(channel.WaitIdle(2000).IsOK());
    EXPECT_TRUE(forger.Receive(100).empty());
    const auto received = Events();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].id, 0x9001);
    const GevMessageChannel::Statistics statistics = channel.GetStatistics();
    EXPECT_EQ(statistics.foreignDatagrams, uint64_t(kForged));
    EXPECT_EQ(statistics.overflowEvents, 0u);
}

TEST_F(MessageChannelTest, AFloodWaitsInABoundedQueueAndLaterEventsStillArrive)
{
    constexpr size_t kBound = GevMessageChannel::kMaxQueuedEvents;
    constexpr size_t kFlood = kBound + 500;
    Sender device(channel.Port());
    {
        std::lock_guard<std::mutex> lock(mutex);
        closed = true;
    }
    device.Send(EventPacket(1, {{0x9000, 0xFFFF, 0, 0}}));
    ExpectAck(device.Receive(), ky::gev::Command::EVENT_ACK, 1);
    ASSERT_TRUE(WaitHandlerHeld());
    // The handler is held: the flood fills the queue to its bound, the rest is dropped. Every
    // event is acknowledged all the same, so that the device does not send it again.
    for (size_t i = 0; i < kFlood; ++i) {
        const auto id = static_cast<uint16_t>(2 + i);
        device.Send(EventPacket(id, {{static_cast<uint16_t>(0xA000 + i % 0x1000), 0xFFFF, 0, 0}}));
        ExpectAck(device.Receive(), ky::gev::Command::EVENT_ACK, id);
    }
    EXPECT_EQ(channel.GetStatistics().overflowEvents, uint64_t(kFlood - kBound));
    Open();
    ASSERT_TRUE(channel.WaitIdle(10000).IsOK());
    // The device's next event still arrives.
    device.Send(EventPacket(60000, {{0x9001, 0xFFFF, 0, 0}}));
    ExpectAck(device.Receive(), ky::gev::Command::EVENT_ACK, 60000);
    ASSERT_TRUE(channel.WaitIdle(2000).IsOK());
    const auto received = Events();
    ASSERT_EQ(received.size(), 1 + kBound + 1);
    EXPECT_EQ(received[1].id, 0xA000);
    EXPECT_EQ(received[kBound].id, static_cast<uint16_t>(0xA000 + (kBound - 1) % 0x1000));
    EXPECT_EQ(received.back().id, 0x9001);
    EXPECT_EQ(channel.GetStatistics().foreignDatagrams, 0u);
}

}  // namespace
