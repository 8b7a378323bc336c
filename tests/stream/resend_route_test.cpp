// Where a stream's PACKETRESEND leaves from: the controlling connection's socket while this
// process controls the device (a device may take commands from its primary application only),
// the stream's own socket otherwise. The requests neither wait behind a command in flight nor
// take its request id.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "GevResendRoutes.h"
#include "GvcpClient.h"
#include "gvsp/GvcpResendSender.h"
#include "ScriptedGvcpDevice.h"
#include "gev/Gvcp.h"
#include "ky/ByteOrder.h"

using ky::device::GvcpClient;
using ky::gev::GvcpResendSender;
using ky::gev::Packet;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kLoopback = 0x7F000001;
constexpr uint32_t kRegister = ky::gev::CCP_OFFSET;

uint16_t RequestId(const Packet &command) { return ky::base::LoadBig16(&command[6]); }

bool WaitForCommands(ScriptedGvcpDevice &device, size_t count)
{
    for (auto waited = 0ms; waited < 10s; waited += 1ms) {
        if (device.ReceivedCount() >= count)
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return device.ReceivedCount() >= count;
}

ky::gev::PacketResendCmd ParseResend(const Packet &packet)
{
    ky::gev::PacketResendCmd command;
    EXPECT_EQ(ky::gev::Parse(packet.data(), packet.size(), command), ky::gev::CodecError::Ok);
    return command;
}

GvcpClient::Settings SettingsFor(const ScriptedGvcpDevice &device, std::chrono::milliseconds answerTimeout)
{
    GvcpClient::Settings settings;
    settings.answerTimeout = answerTimeout;
    settings.attempts = 1;
    settings.port = device.Port();
    return settings;
}

TEST(ResendRoute, LeavesFromTheControllingSocketWhileOffered)
{
    ScriptedGvcpDevice device;
    GvcpClient client;
    ASSERT_TRUE(client.Open(kLoopback, SettingsFor(device, 500ms)).IsOK());
    uint32_t value = 0;
    ASSERT_TRUE(client.ReadRegister(kRegister, value).IsOK());  // the control socket, as the device sees it
    GvcpResendSender sender;
    ASSERT_TRUE(sender.Open("", "127.0.0.1", device.Port(), 2).IsOK());

    sender.Request(1, 10, 12);  // no controlling connection offers itself yet
    ASSERT_TRUE(WaitForCommands(device, 2));
    client.OfferResendRoute();
    sender.Request(2, 10, 12);
    ASSERT_TRUE(WaitForCommands(device, 3));
    client.Close();  // withdraws the route
    sender.Request(3, 10, 12);
    ASSERT_TRUE(WaitForCommands(device, 4));

    const std::vector<uint16_t> ports = device.SenderPorts();
    const std::vector<Packet> received = device.Received();
    ASSERT_EQ(received.size(), 4u);
    EXPECT_NE(ports[1], ports[0]) << "without a route, from the stream's own socket";
    EXPECT_EQ(ports[2], ports[0]) << "with the route, from the control socket";
    EXPECT_EQ(ports[3], ports[1]) << "after the connection closed, from the stream's own socket again";
    for (size_t i = 1; i < 4; ++i) {
        const ky::gev::PacketResendCmd command = ParseResend(received[i]);
        EXPECT_EQ(command.blockId, i);
        EXPECT_EQ(command.streamChannel, 2);
        EXPECT_EQ(command.firstPacketId, 10u);
        EXPECT_EQ(command.lastPacketId, 12u);
        EXPECT_FALSE(command.header.AckRequired());
        EXPECT_NE(command.header.requestId, 0);
    }
    EXPECT_NE(RequestId(received[2]), RequestId(received[0])) << "the control link's next id, not a repeat";
    EXPECT_EQ(sender.RequestsSent(), 3u);
    EXPECT_EQ(sender.RequestsSentByController(), 1u);
    EXPECT_EQ(client.GetStatistics().resendsSent, 1u);
}

TEST(ResendRoute, NeitherWaitsForNorBorrowsTheIdOfTheCommandInFlight)
{
    ScriptedGvcpDevice device;
    device.SetScript(
        [](size_t, const Packet &, const Packet &) { return std::vector<ScriptedGvcpDevice::Reply>{}; });
    GvcpClient client;
    ASSERT_TRUE(client.Open(kLoopback, SettingsFor(device, 60000ms)).IsOK());
    client.OfferResendRoute();
    GvcpResendSender sender;
    ASSERT_TRUE(sender.Open("", "127.0.0.1", device.Port(), 0).IsOK());

    // A read that the device leaves unanswered until the test answers it.
    std::future<std::pair<KyResult, uint32_t>> read = std::async(std::launch::async, [&client] {
        uint32_t value = 0;
        KyResult result = client.ReadRegister(kRegister, value);
        return std::make_pair(result, value);
    });
    ASSERT_TRUE(WaitForCommands(device, 1));
    const uint16_t inFlight = RequestId(device.Received()[0]);

    // A whole round of request ids and more, paced so that the device's socket keeps them all.
    constexpr size_t kResends = 65600;
    for (size_t sent = 0; sent < kResends;) {
        for (size_t k = 0; k < 64 && sent < kResends; ++k, ++sent)
            sender.Request(sent + 1, 1, 1);
        ASSERT_TRUE(WaitForCommands(device, 1 + sent)) << "after " << sent << " requests";
    }
    EXPECT_NE(read.wait_for(0s), std::future_status::ready) << "the read is still in flight";

    const std::vector<Packet> received = device.Received();
    const std::vector<uint16_t> ports = device.SenderPorts();
    ASSERT_EQ(received.size(), 1 + kResends);
    size_t fromControlSocket = 0, usableIds = 0;
    for (size_t i = 1; i < received.size(); ++i) {
        fromControlSocket += ports[i] == ports[0];
        const uint16_t id = RequestId(received[i]);
        usableIds += id != 0 && id != inFlight;
    }
    EXPECT_EQ(fromControlSocket, kResends);
    EXPECT_EQ(usableIds, kResends) << "no resend took id 0 or the id of the read in flight";

    // The device answers the read at last: the resends did not disturb it.
    ky::gev::ReadRegAck ack;
    ack.header.ackId = inFlight;
    ack.values = {0x12345678};
    Packet answer;
    ASSERT_EQ(ky::gev::Build(ack, answer), ky::gev::CodecError::Ok);
    device.SendTo(0, answer);
    ASSERT_EQ(read.wait_for(30s), std::future_status::ready);
    const auto outcome = read.get();
    EXPECT_TRUE(outcome.first.IsOK()) << outcome.first.GetDescription().GetAscii();
    EXPECT_EQ(outcome.second, 0x12345678u);
    EXPECT_EQ(client.GetStatistics().resendsSent, kResends);
}

// A stream of this process sets up the device through the controlling connection (an RTP stream
// opened on a device): resends still go meanwhile, and the connection closes only once the
// access is over.
TEST(ResendRoute, RegisterAccessThroughTheRouteKeepsTheLinkAndLetsResendsGo)
{
    ScriptedGvcpDevice device;
    device.SetScript(
        [](size_t, const Packet &, const Packet &) { return std::vector<ScriptedGvcpDevice::Reply>{}; });
    GvcpClient client;
    ASSERT_TRUE(client.Open(kLoopback, SettingsFor(device, 60000ms)).IsOK());
    client.OfferResendRoute();
    auto &routes = ky::device::GevResendRoutes::Instance();
    std::vector<uint32_t> values;
    uint32_t local = 0;
    std::future<KyResult> read = std::async(
        std::launch::async, [&] { return routes.ReadRegisters(kLoopback, {kRegister}, values, local); });
    ASSERT_TRUE(WaitForCommands(device, 1));  // the read, left unanswered for now
    const uint16_t inFlight = RequestId(device.Received()[0]);

    GvcpResendSender sender;
    ASSERT_TRUE(sender.Open("", "127.0.0.1", device.Port(), 0).IsOK());
    sender.Request(1, 1, 1);
    ASSERT_TRUE(WaitForCommands(device, 2)) << "a resend waits for no register access";
    EXPECT_EQ(device.SenderPorts()[1], device.SenderPorts()[0]);
    std::future<void> closed = std::async(std::launch::async, [&client] { client.Close(); });

    ky::gev::ReadRegAck ack;
    ack.header.ackId = inFlight;
    ack.values = {0x42};
    Packet answer;
    ASSERT_EQ(ky::gev::Build(ack, answer), ky::gev::CodecError::Ok);
    device.SendTo(0, answer);
    ASSERT_EQ(read.wait_for(30s), std::future_status::ready);
    const KyResult result = read.get();
    EXPECT_TRUE(result.IsOK()) << result.GetDescription().GetAscii();
    EXPECT_EQ(values, std::vector<uint32_t>{0x42});
    EXPECT_EQ(local, kLoopback);
    ASSERT_EQ(closed.wait_for(30s), std::future_status::ready) << "the close ends once the access is over";
    EXPECT_EQ(routes.ReadRegisters(kLoopback, {kRegister}, values, local).GetCode(), KY_NOT_CONNECTED);
    EXPECT_EQ(routes.WriteRegisters(kLoopback, {{kRegister, 1}}).GetCode(), KY_NOT_CONNECTED);
}

}  // namespace
