// Life cycle, message channel and several devices on one adapter.
#include <algorithm>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include "GvcpTestClient.h"
#include "SoftDeviceFixture.h"
#include "ky/device/KyGevConstants.h"

using namespace ky::gev;

TEST(SoftDeviceLifeCycle, DocumentedResults)
{
    KySoftDeviceGEV device;
    KyString xml;
    const struct
    {
        const char *name;
        KyResult result;
        uint32_t expected;
    } before[] = {
        {"Stop before Start", device.Stop(), KY_STATE_ERROR},
        {"XML before Start", device.GetGenICamXMLFile(xml), KY_STATE_ERROR},
        {"null stream", device.AddStream(nullptr), KY_INVALID_PARAMETER},
        {"257 user sets", device.SetUserSetCount(257), KY_INVALID_PARAMETER},
        {"256 user sets", device.SetUserSetCount(256), KY_OK},
        {"null sink", device.RegisterEventSink(nullptr), KY_INVALID_PARAMETER},
        {"unregistered sink", device.UnregisterEventSink(nullptr), KY_INVALID_PARAMETER},
        {"malformed MAC", device.Start("00:00:00:00:00"), KY_INVALID_PARAMETER},
        {"MAC of no adapter", device.Start("02:11:22:33:44:55"), KY_NOT_FOUND},
    };
    for (const auto &c : before) {
        EXPECT_STREQ(c.result.GetCodeString().GetAscii(), KyResult::CodeName(c.expected)) << c.name;
    }
    EXPECT_TRUE(device.GetGenICamXMLFile(xml).IsOK()) << "the XML exists after a failed Start";
    EXPECT_NE(std::string(xml.GetAscii()).find("<RegisterDescription"), std::string::npos);
    EXPECT_EQ(device.GetInfo(), nullptr);
    EXPECT_EQ(device.GetRegisterMap(), nullptr);
    EXPECT_EQ(device.GetStatistics(), nullptr);
    EXPECT_EQ(device.GetMessagingChannel(), nullptr);
    ASSERT_TRUE(device.Start("00:00:00:00:00:00").IsOK());
    EXPECT_EQ(device.Start("00:00:00:00:00:00").GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(device.SetUserSetCount(1).GetCode(), KY_STATE_ERROR);
    IKySoftDeviceGEVInfo *info = device.GetInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->SetSerialNumber("0123456789ABCDEF").GetCode(), KY_INVALID_PARAMETER);
    EXPECT_TRUE(info->SetSerialNumber("0123456789ABCDE").IsOK());
    EXPECT_EQ(info->GetSerialNumber(), "0123456789ABCDE");
    EXPECT_EQ(info->SetGenICamXMLVersion(1, 0, 0).GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(info->GetGenICamXMLRegDescModelName(), info->GetModelName());
    IKyRegisterMap *map = device.GetRegisterMap();
    ASSERT_NE(map, nullptr);
    EXPECT_TRUE(map->Lock(10).IsOK());
    map->Release();
    IKyRegister *serial = map->GetRegisterByAddress(SERIAL_NUMBER_OFFSET);
    ASSERT_NE(serial, nullptr);
    KyString text;
    EXPECT_TRUE(serial->ReadString(text).IsOK());
    EXPECT_EQ(text, "0123456789ABCDE");
    EXPECT_EQ(map->GetRegisterByAddress(SERIAL_NUMBER_OFFSET + 4), nullptr);
    EXPECT_TRUE(device.Stop().IsOK());
}

namespace {

// Takes control and points the message channel at the client's own port.
void OpenMessageChannel(GvcpTestClient &client)
{
    ASSERT_EQ(client.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1), Status::SUCCESS);
    ASSERT_EQ(client.WriteReg(MCDA_OFFSET, 0x7F000001, 2), Status::SUCCESS);
    ASSERT_EQ(client.WriteReg(MCP_OFFSET, client.Port(), 3), Status::SUCCESS);
}

}  // namespace

TEST_F(SoftDeviceTest, MessageChannelSendsEventsAndWaitsForTheAck)
{
    IKyMessageChannel *channel = device.GetMessagingChannel();
    ASSERT_NE(channel, nullptr);
    EXPECT_FALSE(channel->IsOpened());
    EXPECT_EQ(channel->FireEvent(0x9000).GetCode(), KY_STATE_ERROR);
    GvcpTestClient client;
    OpenMessageChannel(client);
    EXPECT_TRUE(channel->IsOpened());
    uint8_t odd[3] = {1, 2, 3};
    EXPECT_EQ(channel->FireEvent(0x9000, odd, 3).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(channel->FireEvent(0x9000, nullptr, 4).GetCode(), KY_INVALID_PARAMETER);

    auto fired = std::async(std::launch::async, [&] { return channel->FireEvent(0x9001, 7, 1); });
    std::string fromIp;
    uint16_t fromPort = 0;
    Packet packet = client.Receive(2000, &fromIp, &fromPort);
    EventCmd event;
    ASSERT_EQ(Parse(packet.data(), packet.size(), event), CodecError::Ok);
    ASSERT_EQ(event.events.size(), 1u);
    EXPECT_EQ(event.events[0].eventId, 0x9001);
    EXPECT_EQ(event.events[0].blockId, 7u);
    EXPECT_EQ(event.events[0].streamChannel, 1);
    EXPECT_EQ(client.ReadReg(MCSP_OFFSET, 4), fromPort) << "MCSP shows the source port";
    Packet ack;
    Build(EventAck{AckHeader{Status::SUCCESS, Command::EVENT_ACK, 0, event.header.requestId}}, ack);
    client.SendTo(ack, fromIp, fromPort);
    ASSERT_EQ(fired.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_TRUE(fired.get().IsOK());

    uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    auto firedData = std::async(std::launch::async, [&] { return channel->FireEvent(0x9002, data, 8); });
    packet = client.Receive(2000, &fromIp, &fromPort);
    EventDataCmd eventData;
    ASSERT_EQ(Parse(packet.data(), packet.size(), eventData), CodecError::Ok);
    EXPECT_EQ(eventData.data, Packet(data, data + 8));
    EXPECT_EQ(eventData.event.streamChannel, 0xFFFF);
    Build(EventDataAck{AckHeader{Status::SUCCESS, Command::EVENTDATA_ACK, 0, eventData.header.requestId}},
          ack);
    client.SendTo(ack, fromIp, fromPort);
    ASSERT_EQ(firedData.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_TRUE(firedData.get().IsOK());

    // Unanswered: the first send and MCRC retries, then a timeout.
    ASSERT_EQ(client.WriteReg(MCTT_OFFSET, 50, 5), Status::SUCCESS);
    ASSERT_EQ(client.WriteReg(MCRC_OFFSET, 2, 6), Status::SUCCESS);
    EXPECT_EQ(channel->FireEvent(0x9003).GetCode(), KY_TIMEOUT);
    IKySoftDeviceGEVStatistics *statistics = device.GetStatistics();
    EXPECT_EQ(statistics->GetEventsIssued(), 2u);
    EXPECT_EQ(statistics->GetEventDatasIssued(), 1u);
    EXPECT_EQ(statistics->GetEventRetriesIssued(), 2u);
    EXPECT_EQ(statistics->GetEventRetriesIssuedMax(), 2u);
    statistics->Reset();
    EXPECT_EQ(statistics->GetEventsIssued(), 0u);
}

namespace {

// Serial number of the device answering at an address, read through READMEM.
std::string SerialAt(GvcpTestClient &client, const std::string &ip, uint16_t id)
{
    Packet ack = client.Transact(ReadMemCmd{{}, SERIAL_NUMBER_OFFSET, SERIAL_NUMBER_SIZE}, id, ip);
    ReadMemAck parsed;
    if (Parse(ack.data(), ack.size(), parsed) != CodecError::Ok || parsed.data.empty()) {
        return "";
    }
    return std::string(reinterpret_cast<const char *>(parsed.data.data()));
}

// Every discovery acknowledge that arrives within the window, by serial number.
std::vector<std::string> Discover(GvcpTestClient &client, const std::string &destination)
{
    Packet packet;
    Build(DiscoveryCmd{CommandHeader{FLAG_ACK_REQUIRED | FLAG_DISCOVERY_BROADCAST_ACK}}, packet);
    client.SendTo(packet, destination);
    std::vector<std::string> serials;
    for (Packet answer = client.Receive(500); !answer.empty(); answer = client.Receive(300)) {
        DiscoveryAck ack;
        if (Parse(answer.data(), answer.size(), ack) == CodecError::Ok) {
            serials.push_back(ack.info.serialNumber);
        }
    }
    std::sort(serials.begin(), serials.end());
    return serials;
}

}  // namespace

TEST(SoftDeviceAdapters, SeveralDevicesOnOneAdapterAnswerOncePerBroadcast)
{
    KySoftDeviceGEV first, second, loop;
    ASSERT_TRUE(first.SetIPAddress("10.10.1.2").IsOK());
    ASSERT_TRUE(second.SetIPAddress("10.10.1.3").IsOK());
    ASSERT_TRUE(first.Start("02:00:0a:0a:01:02").IsOK());
    ASSERT_TRUE(second.Start("02:00:0a:0a:01:02").IsOK());
    ASSERT_TRUE(loop.Start("00:00:00:00:00:00").IsOK());
    ASSERT_TRUE(first.GetInfo()->SetSerialNumber("FIRST").IsOK());
    ASSERT_TRUE(second.GetInfo()->SetSerialNumber("SECOND").IsOK());
    ASSERT_TRUE(loop.GetInfo()->SetSerialNumber("LOOP").IsOK());

    GvcpTestClient host("10.10.1.1");
    EXPECT_EQ(Discover(host, "255.255.255.255"), (std::vector<std::string>{"FIRST", "SECOND"}))
        << "only the devices of the adapter answer, each once";
    // With local sources accepted, the copy crossing the veth link arrives as well.
    ASSERT_EQ(std::system("sysctl -qw net.ipv4.conf.kyc1.accept_local=1 net.ipv4.conf.all.rp_filter=0 "
                          "net.ipv4.conf.kyc1.rp_filter=0"),
              0);
    EXPECT_EQ(Discover(host, "255.255.255.255"), (std::vector<std::string>{"FIRST", "SECOND"}));
    EXPECT_EQ(SerialAt(host, "10.10.1.2", 1), "FIRST");
    EXPECT_EQ(SerialAt(host, "10.10.1.3", 2), "SECOND");
    GvcpTestClient local("127.0.0.1");
    EXPECT_EQ(Discover(local, "127.0.0.1"), (std::vector<std::string>{"LOOP"}));
    EXPECT_EQ(first.GetStatistics()->GetDiscoveriesReceived(), 2u);
    // Each device has an identity of its own: the first keeps the adapter's MAC address.
    const auto macAt = [&](const std::string &ip, uint16_t id) {
        DiscoveryAck ack;
        Packet answer = host.Transact(DiscoveryCmd{}, id, ip);
        EXPECT_EQ(Parse(answer.data(), answer.size(), ack), CodecError::Ok);
        return ack.info.mac;
    };
    EXPECT_EQ(macAt("10.10.1.2", 3), (MacAddress{0x02, 0x00, 0x0a, 0x0a, 0x01, 0x02}));
    EXPECT_EQ(macAt("10.10.1.3", 4), (MacAddress{0x02, 0x00, 0x0a, 0x0a, 0x01, 0x03}));

    KySoftDeviceGEV twin;
    ASSERT_TRUE(twin.SetIPAddress("10.10.1.2").IsOK());
    const KyResult taken = twin.Start("02:00:0a:0a:01:02");
    EXPECT_EQ(taken.GetCode(), KY_NETWORK_ERROR);
    EXPECT_EQ(taken.GetDescription(), "another soft device already answers at 10.10.1.2");

    KySoftDeviceGEV elsewhere;
    ASSERT_TRUE(elsewhere.SetIPAddress("10.10.1.9").IsOK());
    EXPECT_EQ(elsewhere.Start("02:00:0a:0a:01:02").GetCode(), KY_INVALID_PARAMETER);
}

TEST(SoftDeviceAdapters, AppliedForcedAddressIsReachable)
{
    KySoftDeviceGEV device;
    ASSERT_TRUE(device.SetApplyForcedIP(true).IsOK());
    ASSERT_TRUE(device.SetIPAddress("10.10.1.4").IsOK());
    ASSERT_TRUE(device.Start("02:00:0a:0a:01:02").IsOK());
    ASSERT_TRUE(device.GetInfo()->SetSerialNumber("FORCED").IsOK());
    GvcpTestClient host("10.10.1.1");
    // A device on a further address of the adapter has a MAC of its own, ending in that address.
    ForceIpCmd force{{}, {0x02, 0x00, 0x0a, 0x0a, 0x01, 0x04}, 0x0A0A01C8, 0xFFFFFF00, 0x0A0A0101};
    force.header.requestId = 1;
    Packet packet;
    Build(force, packet);
    host.SendTo(packet, "255.255.255.255");
    EXPECT_EQ(GvcpTestClient::StatusOf(host.Receive(2000)), Status::SUCCESS);
    Status status = Status::ERROR;
    uint32_t ip = 0;
    for (int attempt = 0; attempt < 5 && status != Status::SUCCESS; ++attempt) {
        ip = host.ReadReg(CURRENT_IP_OFFSET, static_cast<uint16_t>(2 + attempt), &status, "10.10.1.200");
    }
    EXPECT_EQ(status, Status::SUCCESS);
    EXPECT_EQ(ip, 0x0A0A01C8u);
    EXPECT_EQ(SerialAt(host, "10.10.1.200", 30), "FORCED");
    // The IP tool's flow goes on at the forced address: take control, write the configuration.
    const std::string forced = "10.10.1.200";
    EXPECT_EQ(host.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 40, forced), Status::SUCCESS);
    EXPECT_EQ(GvcpTestClient::StatusOf(
                  host.Transact(WriteMemCmd{{}, CURRENT_IP_CONFIG_OFFSET, {0, 0, 0, 1}}, 41, forced)),
              Status::SUCCESS);
    EXPECT_EQ(host.WriteReg(CCP_OFFSET, 0, 42, forced), Status::SUCCESS);
    DiscoveryAck discovery;
    Packet answer = host.Transact(DiscoveryCmd{}, 43, forced);
    ASSERT_EQ(Parse(answer.data(), answer.size(), discovery), CodecError::Ok);
    EXPECT_EQ(discovery.info.ipConfigCurrent, IP_CONFIG_PERSISTENT_MASK | IP_CONFIG_LLA_MASK);
    EXPECT_EQ(discovery.info.currentIp, 0x0A0A01C8u);
    ASSERT_TRUE(device.Stop().IsOK());
    GvcpTestClient after("10.10.1.1");
    EXPECT_EQ(SerialAt(after, "10.10.1.200", 31), "") << "Stop removes the forced address";
}

namespace {

// Registers the sink, tells it its device, and starts the device on the loopback adapter.
template <typename Sink>
void StartWatched(KySoftDeviceGEV &device, Sink &sink)
{
    sink.device = &device;
    ASSERT_TRUE(device.RegisterEventSink(&sink).IsOK());
    ASSERT_TRUE(device.Start("00:00:00:00:00:00").IsOK());
}

// Tries to stop its device from the disconnect notification (a device thread).
struct StoppingSink : IKySoftDeviceGEVEventSink
{
    KySoftDeviceGEV *device = nullptr;
    std::atomic<int> calls{0};
    std::atomic<uint32_t> code{0};
    void OnApplicationConnect(IKySoftDeviceGEV *, const KyString &, uint16_t, KyAccessType) override
    {
        code = device->Stop().GetCode();
        ++calls;
    }
};

}  // namespace

TEST(SoftDeviceLifeCycle, StopFromAnEventSinkIsRefused)
{
    KySoftDeviceGEV device;
    StoppingSink sink;
    ASSERT_NO_FATAL_FAILURE(StartWatched(device, sink));
    GvcpTestClient client;
    EXPECT_EQ(client.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1), Status::SUCCESS);
    EXPECT_EQ(sink.calls, 1);
    EXPECT_EQ(sink.code, KY_THREAD_ERROR);
    EXPECT_EQ(client.ReadReg(VERSION_OFFSET, 2), 0x00020000u) << "the device still serves";
    EXPECT_TRUE(device.Stop().IsOK());
}

namespace {

// Stops its device from the stop notification, on the thread calling Stop.
struct StopInStopSink : IKySoftDeviceGEVEventSink
{
    KySoftDeviceGEV *device = nullptr;
    std::vector<uint32_t> codes;
    void OnControlChannelStop(IKySoftDeviceGEV *) override { codes.push_back(device->Stop().GetCode()); }
};

// Calls the device's setters on its GVCP thread while the test stops the device from several
// threads: the setters must not wait for a Stop that waits for this thread.
struct BusySink : IKySoftDeviceGEVEventSink
{
    KySoftDeviceGEV *device = nullptr;
    std::promise<void> connected;
    std::atomic<bool> announced{false};
    std::atomic<bool> stopping{false};
    std::atomic<int> setterCalls{0};
    std::atomic<uint32_t> stopCode{0};
    void OnApplicationConnect(IKySoftDeviceGEV *, const KyString &, uint16_t, KyAccessType) override
    {
        if (announced.exchange(true)) {
            return;
        }
        connected.set_value();
        while (!stopping) {
            std::this_thread::yield();
        }
        // The stops have been called; they are meanwhile waiting for this thread.
        for (int i = 0; i < 200; ++i) {
            (void)device->SetUserSetNotify(nullptr);
            (void)device->SetActionHandler(nullptr);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        stopCode = device->Stop().GetCode();
    }
};

}  // namespace

TEST(SoftDeviceLifeCycle, StopInsideItsOwnNotificationIsRefused)
{
    KySoftDeviceGEV device;
    StopInStopSink sink;
    ASSERT_NO_FATAL_FAILURE(StartWatched(device, sink));
    EXPECT_TRUE(device.Stop().IsOK());
    EXPECT_EQ(sink.codes, std::vector<uint32_t>{KY_STATE_ERROR});
    // Stopped whole: it starts again and stops again.
    ASSERT_TRUE(device.Start("00:00:00:00:00:00").IsOK());
    EXPECT_TRUE(device.Stop().IsOK());
    EXPECT_EQ(sink.codes, (std::vector<uint32_t>{KY_STATE_ERROR, KY_STATE_ERROR}));
}

TEST(SoftDeviceLifeCycle, StopsFromSeveralThreadsWhileASinkCallsTheDevice)
{
    for (int round = 0; round < 3; ++round) {
        KySoftDeviceGEV device;
        BusySink sink;
        ASSERT_NO_FATAL_FAILURE(StartWatched(device, sink));
        // The controller's write waits for the sink; its answer does not matter here.
        std::thread controller([] {
            GvcpTestClient client;
            (void)client.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1);
        });
        ASSERT_EQ(sink.connected.get_future().wait_for(std::chrono::milliseconds(TestDeadlineMs(20000))),
                  std::future_status::ready);
        std::vector<std::future<uint32_t>> stops;
        for (int i = 0; i < 4; ++i) {
            stops.push_back(std::async(std::launch::async, [&] { return device.Stop().GetCode(); }));
        }
        sink.stopping = true;
        int stopped = 0;
        for (auto &stop : stops) {
            ASSERT_EQ(stop.wait_for(std::chrono::milliseconds(TestDeadlineMs(30000))),
                      std::future_status::ready)
                << "a Stop hangs";
            const uint32_t code = stop.get();
            EXPECT_TRUE(code == KY_OK || code == KY_STATE_ERROR) << code;
            stopped += code == KY_OK;
        }
        EXPECT_EQ(stopped, 1) << "one Stop stops the device, the others find it stopped";
        EXPECT_EQ(sink.stopCode, KY_THREAD_ERROR);
        controller.join();
        // Stopped whole: it starts again.
        ASSERT_TRUE(device.Start("00:00:00:00:00:00").IsOK());
        EXPECT_TRUE(device.Stop().IsOK());
    }
}
