// The soft device's TCP transport with the kit's own host, on the loopback adapter: a KyDeviceGEV
// that asks for TCP (link parameter TCPTransport) reads and writes features and gets events over
// it; a KyStreamGEV with the TCP data receiver gets the test pattern pixel-exact, and the same
// device still streams over UDP; stopping the device is a link loss at once. Raw TCP peers check
// the framing: the device answers a framed command, and closes a connection whose framing is
// broken (an oversized or empty length) while it keeps serving; a stream refuses a device that
// breaks the framing without harm.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "TestDeadline.h"
#include "gev/Gvcp.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/device/KyDeviceEventSink.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyGevConstants.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyStreamGEV.h"
#include "ky/virtualdevice/IKyMessageChannel.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

namespace {

using namespace std::chrono_literals;

constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 480;
constexpr uint32_t kLoopback = 0x7F000001;
const uint32_t kWaitMs = TestDeadlineMs(10000);  // bound of every wait; only a hang reaches it

template <class Condition>
bool WaitFor(Condition condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class RecordingSink : public KyDeviceEventSink
{
public:
    void OnLinkDisconnected(KyDevice *) override { ++linkLosses; }
    void OnEvent(KyDevice *, uint16_t id, uint16_t, uint64_t blockId, uint64_t, const void *,
                 uint32_t) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        events.emplace_back(id, blockId);
    }
    std::vector<std::pair<uint16_t, uint64_t>> Events()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    }
    std::atomic<int> linkLosses{0};

private:
    std::mutex mutex;
    std::vector<std::pair<uint16_t, uint64_t>> events;
};

// A framed READREG of the CCP register (request id `id`).
std::vector<uint8_t> FramedReadCcp(uint16_t id)
{
    ky::gev::ReadRegCmd command;
    command.header.requestId = id;
    command.addresses.push_back(ky::gev::CCP_OFFSET);
    ky::gev::Packet packet;
    EXPECT_EQ(ky::gev::Build(command, packet), ky::gev::CodecError::Ok);
    std::vector<uint8_t> frame{0, 0, static_cast<uint8_t>(packet.size() >> 8),
                               static_cast<uint8_t>(packet.size())};
    frame.insert(frame.end(), packet.begin(), packet.end());
    return frame;
}

// A raw TCP connection to the device, as a peer that is not the kit's host.
class RawPeer
{
public:
    RawPeer()
    {
        mFd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in device{};
        device.sin_family = AF_INET;
        device.sin_port = htons(ky::gev::GVCP_PORT);
        device.sin_addr.s_addr = htonl(kLoopback);
        connected = connect(mFd, reinterpret_cast<sockaddr *>(&device), sizeof device) == 0;
    }
    ~RawPeer() { close(mFd); }
    void Send(const std::vector<uint8_t> &bytes)
    {
        ASSERT_EQ(send(mFd, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
    }
    void EndSending() { shutdown(mFd, SHUT_WR); }
    // Whether the device closes the connection (reads until the end, within the bound).
    bool ClosedByDevice()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        uint8_t buffer[256];
        while (std::chrono::steady_clock::now() < end) {
            pollfd wait{mFd, POLLIN, 0};
            if (poll(&wait, 1, 50) > 0) {
                const ssize_t got = recv(mFd, buffer, sizeof buffer, 0);
                if (got <= 0)
                    return true;
            }
        }
        return false;
    }
    // Reads one framed packet, within the bound.
    bool ReadFrame(std::vector<uint8_t> &packet)
    {
        std::vector<uint8_t> bytes;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (std::chrono::steady_clock::now() < end) {
            if (bytes.size() >= 4) {
                const size_t length =
                    (size_t(bytes[0]) << 24) | (size_t(bytes[1]) << 16) | (size_t(bytes[2]) << 8) | bytes[3];
                if (bytes.size() >= 4 + length) {
                    packet.assign(bytes.begin() + 4, bytes.begin() + 4 + static_cast<std::ptrdiff_t>(length));
                    return true;
                }
            }
            pollfd wait{mFd, POLLIN, 0};
            if (poll(&wait, 1, 50) > 0) {
                uint8_t buffer[1024];
                const ssize_t got = recv(mFd, buffer, sizeof buffer, 0);
                if (got <= 0)
                    return false;
                bytes.insert(bytes.end(), buffer, buffer + got);
            }
        }
        return false;
    }
    // The device answers a framed READREG on this connection.
    void ExpectAnswer(uint16_t id)
    {
        Send(FramedReadCcp(id));
        std::vector<uint8_t> packet;
        ASSERT_TRUE(ReadFrame(packet));
        ky::gev::ReadRegAck ack;
        ASSERT_EQ(ky::gev::Parse(packet.data(), packet.size(), ack), ky::gev::CodecError::Ok);
        EXPECT_EQ(ack.header.ackId, id);
        EXPECT_EQ(ack.header.status, ky::gev::Status::SUCCESS);
        EXPECT_EQ(ack.values.size(), 1u);
    }
    bool connected = false;

private:
    int mFd = -1;
};

class TcpTransport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mCamera.SetTCPTransportEnabled(true).IsOK());
        ASSERT_TRUE(mCamera.AddStream(&mSource).IsOK());
        ASSERT_TRUE(mCamera.Start(KyString("00:00:00:00:00:00")).IsOK());
    }
    void TearDown() override
    {
        (void)mStream.AbortQueuedBuffers();
        (void)mStream.Close();
        (void)mDevice.Disconnect();
        if (mCamera.GetInfo() != nullptr)
            (void)mCamera.Stop();
    }

    void ConnectOverTcp()
    {
        ASSERT_TRUE(
            mDevice.GetCommunicationParameters()->SetBooleanValue(KyString("TCPTransport"), true).IsOK());
        ASSERT_TRUE(mDevice.RegisterEventSink(&mSink).IsOK());
        const KyResult connected = mDevice.Connect(KyString("127.0.0.1"));
        ASSERT_TRUE(connected.IsOK()) << connected.GetDescription().GetAscii();
        mFeatures = mDevice.GetParameters();
        ASSERT_NE(mFeatures, nullptr);
    }

    // Opens the stream with that data receiver, points the device at it and checks `frames`
    // frames of the test pattern: frames count from 0 in every streaming run, so the run's first
    // block is frame 0.
    void ExpectFrames(KyDataReceiverType receiver, int frames)
    {
        ASSERT_TRUE(mStream.GetParameters()->SetIntegerValue(KyString("DataReceiverType"), receiver).IsOK());
        ASSERT_TRUE(mStream.Open(KyString("127.0.0.1")).IsOK());
        EXPECT_EQ(mStream.GetDataReceiverType(), receiver);
        ASSERT_TRUE(mDevice.SetStreamDestination(mStream.GetLocalIPAddress(), mStream.GetLocalPort()).IsOK());
        const uint32_t payload = mDevice.GetPayloadSize();
        ASSERT_EQ(payload, kWidth * kHeight);
        for (int i = 0; i < 8; ++i) {
            mBuffers.push_back(std::make_unique<KyBuffer>(KyPayloadTypeImage));
            ASSERT_TRUE(mBuffers.back()->Alloc(payload).IsOK());
            ASSERT_EQ(mStream.QueueBuffer(mBuffers.back().get()).GetCode(), KY_PENDING);
        }
        ASSERT_TRUE(mFeatures->ExecuteCommand(KyString("AcquisitionStart")).IsOK());
        uint64_t firstBlock = 0;
        for (int n = 0; n < frames; ++n) {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(mStream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK()) << "frame " << n;
            ASSERT_TRUE(operation.IsOK()) << "frame " << n << ": " << operation.GetDescription().GetAscii();
            ASSERT_EQ(buffer->GetAcquiredSize(), payload);
            if (n == 0)
                firstBlock = buffer->GetBlockID();
            const uint64_t frame = buffer->GetBlockID() - firstBlock;
            const uint8_t *pixels = buffer->GetDataPointer();
            for (uint32_t y = 0; y < kHeight; ++y)
                for (uint32_t x = 0; x < kWidth; ++x)
                    ASSERT_EQ(pixels[size_t(y) * kWidth + x],
                              KyStreamingChannelSourceDefault::TestPatternValue(x, y, frame))
                        << "block " << buffer->GetBlockID() << " pixel " << x << "," << y;
            ASSERT_EQ(mStream.QueueBuffer(buffer).GetCode(), KY_PENDING);
        }
        ASSERT_TRUE(mFeatures->ExecuteCommand(KyString("AcquisitionStop")).IsOK());
        ASSERT_TRUE(mStream.AbortQueuedBuffers().IsOK());
        while (mStream.GetQueuedBufferCount() > 0) {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(mStream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
        }
    }

    int64_t StreamCounter(const char *name)
    {
        int64_t value = -1;
        EXPECT_TRUE(mStream.GetParameters()->GetIntegerValue(KyString(name), value).IsOK()) << name;
        return value;
    }

    KyStreamingChannelSourceTestPattern mSource{kWidth, kHeight, KyPixelMono8, 8, 0.0};
    KySoftDeviceGEV mCamera;
    std::vector<std::unique_ptr<KyBuffer>> mBuffers;  // outlive the stream that holds them
    RecordingSink mSink;
    KyDeviceGEV mDevice;
    KyStreamGEV mStream;
    KyGenParameterArray *mFeatures = nullptr;
};

TEST_F(TcpTransport, ControlOverTcpReadsAndWritesFeaturesAndGetsEvents)
{
    ConnectOverTcp();
    ASSERT_TRUE(mFeatures->SetIntegerValue(KyString("Width"), 320).IsOK());
    int64_t width = 0;
    ASSERT_TRUE(mFeatures->GetIntegerValue(KyString("Width"), width).IsOK());
    EXPECT_EQ(width, 320);
    EXPECT_EQ(mSource.GetWidth(), 320u);
    ASSERT_TRUE(mFeatures->SetIntegerValue(KyString("Width"), kWidth).IsOK());

    // The device's events reach the host over its TCP message channel, acknowledged.
    IKyMessageChannel *events = mCamera.GetMessagingChannel();
    ASSERT_NE(events, nullptr);
    ASSERT_TRUE(WaitFor([&] { return events->IsOpened(); }));
    for (uint16_t i = 0; i < 3; ++i) {
        const KyResult fired = events->FireEvent(static_cast<uint16_t>(0x9000 + i), 100 + i);
        ASSERT_TRUE(fired.IsOK()) << fired.GetDescription().GetAscii();
    }
    ASSERT_TRUE(WaitFor([&] { return mSink.Events().size() == 3; }));
    const auto received = mSink.Events();
    for (uint16_t i = 0; i < 3; ++i) {
        EXPECT_EQ(received[i].first, 0x9000 + i);
        EXPECT_EQ(received[i].second, 100u + i);
    }
    EXPECT_EQ(mSink.linkLosses, 0);
}

TEST_F(TcpTransport, StreamOverTcpIsPixelExactAndUdpStillStreams)
{
    ConnectOverTcp();
    ExpectFrames(KyDataReceiverTypeTCP, 12);
    EXPECT_GT(StreamCounter("PacketsReceived"), 12 * 200);
    EXPECT_EQ(StreamCounter("ResendRequests"), 0);
    EXPECT_EQ(StreamCounter("PacketsMalformed"), 0);
    ASSERT_TRUE(mStream.Close().IsOK());
    mBuffers.clear();
    // The same device, the same controller: a UDP receiver as before.
    ExpectFrames(KyDataReceiverTypeUserMode, 5);
}

TEST_F(TcpTransport, StoppingTheDeviceIsALinkLoss)
{
    ConnectOverTcp();
    ASSERT_TRUE(mCamera.Stop().IsOK());
    ASSERT_TRUE(WaitFor([&] { return mSink.linkLosses.load() == 1; }));
    EXPECT_FALSE(mDevice.IsConnected());
}

TEST_F(TcpTransport, HostAskingForTcpIsRefusedByADeviceWithoutIt)
{
    ASSERT_TRUE(mCamera.Stop().IsOK());
    ASSERT_TRUE(mCamera.SetTCPTransportEnabled(false).IsOK());
    ASSERT_TRUE(mCamera.Start(KyString("00:00:00:00:00:00")).IsOK());
    ASSERT_TRUE(mDevice.GetCommunicationParameters()->SetBooleanValue(KyString("TCPTransport"), true).IsOK());
    EXPECT_EQ(mDevice.Connect(KyString("127.0.0.1")).GetCode(), KY_NOT_CONNECTED);
    ASSERT_TRUE(
        mStream.GetParameters()->SetIntegerValue(KyString("DataReceiverType"), KyDataReceiverTypeTCP).IsOK());
    EXPECT_EQ(mStream.Open(KyString("127.0.0.1")).GetCode(), KY_NOT_CONNECTED);
    // Over UDP the same device serves as always.
    ASSERT_TRUE(
        mDevice.GetCommunicationParameters()->SetBooleanValue(KyString("TCPTransport"), false).IsOK());
    EXPECT_TRUE(mDevice.Connect(KyString("127.0.0.1")).IsOK());
}

TEST_F(TcpTransport, DeviceClosesBrokenFramingAndServesOn)
{
    const std::vector<uint8_t> command = FramedReadCcp(7);
    struct Case
    {
        const char *name;
        std::vector<uint8_t> bytes;
        bool closedByDevice;  // else the peer ends it, with a packet cut short
    };
    const Case cases[] = {
        {"oversized length", {0x00, 0x01, 0x00, 0x00, 0x42, 0x01}, true},
        {"largest length", {0xFF, 0xFF, 0xFF, 0xFF}, true},
        {"empty packet", {0x00, 0x00, 0x00, 0x00}, true},
        {"cut short", std::vector<uint8_t>(command.begin(), command.end() - 3), false},
        {"length cut short", {0x00, 0x00}, false},
    };
    RawPeer witness;  // a peer that stays through all the cases
    ASSERT_TRUE(witness.connected);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        {
            RawPeer peer;
            ASSERT_TRUE(peer.connected);
            peer.Send(c.bytes);
            if (!c.closedByDevice)
                peer.EndSending();
            EXPECT_EQ(peer.ClosedByDevice(), true);
        }
        witness.ExpectAnswer(static_cast<uint16_t>(10 + (&c - cases)));
        RawPeer fresh;
        ASSERT_TRUE(fresh.connected);
        fresh.ExpectAnswer(99);
    }
}

TEST_F(TcpTransport, DeviceDropsAPacketLargerThanAnyCommand)
{
    // Whole framing, but no command is that long: dropped unanswered, as over UDP.
    std::vector<uint8_t> large = FramedReadCcp(5);
    const size_t length = 4000;
    large.resize(4 + length, 0);
    large[0] = 0;
    large[1] = 0;
    large[2] = static_cast<uint8_t>(length >> 8);
    large[3] = static_cast<uint8_t>(length);
    RawPeer peer;
    ASSERT_TRUE(peer.connected);
    peer.Send(large);
    peer.ExpectAnswer(6);  // the first answer on the connection is the next command's
}

// A listener in place of the device: it accepts the stream's connection and sends what the case
// gives. The stream must take no block from it, and close cleanly.
TEST(TcpStreamFraming, StreamRefusesBrokenFramingFromTheDevice)
{
    const std::vector<std::vector<uint8_t>> cases = {
        {0x7F, 0xFF, 0xFF, 0xFF, 1, 2, 3},  // beyond the largest packet
        {0x00, 0x00, 0x00, 0x00},           // an empty packet
        {0x00, 0x00, 0x10, 0x00, 1, 2},     // cut short by the end of the connection
    };
    for (const auto &bytes : cases) {
        const int listener = socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(ky::gev::GVCP_PORT);
        address.sin_addr.s_addr = htonl(kLoopback);
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ASSERT_EQ(listen(listener, 4), 0);

        std::vector<std::unique_ptr<KyBuffer>> buffers;
        KyStreamGEV stream;
        ASSERT_TRUE(stream.GetParameters()
                        ->SetIntegerValue(KyString("DataReceiverType"), KyDataReceiverTypeTCP)
                        .IsOK());
        ASSERT_TRUE(stream.Open(KyString("127.0.0.1")).IsOK());
        buffers.push_back(std::make_unique<KyBuffer>(KyPayloadTypeImage));
        ASSERT_TRUE(buffers.back()->Alloc(4096).IsOK());
        ASSERT_EQ(stream.QueueBuffer(buffers.back().get()).GetCode(), KY_PENDING);
        const int peer = accept(listener, nullptr, nullptr);
        ASSERT_GE(peer, 0);
        ASSERT_EQ(send(peer, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
        shutdown(peer, SHUT_WR);
        // The stream ends the connection (the peer reads its end) or the peer ended it; either
        // way nothing comes out as a block.
        uint8_t sink[64];
        pollfd wait{peer, POLLIN, 0};
        ASSERT_GT(poll(&wait, 1, static_cast<int>(kWaitMs)), 0);
        EXPECT_LE(recv(peer, sink, sizeof sink, 0), 0);
        KyBuffer *buffer = nullptr;
        KyResult operation;
        EXPECT_EQ(stream.RetrieveBuffer(&buffer, &operation, 200).GetCode(), KY_TIMEOUT);
        EXPECT_TRUE(stream.AbortQueuedBuffers().IsOK());
        EXPECT_TRUE(stream.Close().IsOK());
        close(peer);
        close(listener);
    }
}

}  // namespace
