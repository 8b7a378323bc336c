// The soft device's GVCP server answering raw packets over loopback.
#include "GvcpTestClient.h"
#include "SoftDeviceFixture.h"
#include "ky/device/KyGevConstants.h"
#include "ky/ByteOrder.h"

using namespace ky::gev;

namespace {

Packet Bytes(std::initializer_list<uint8_t> bytes) { return Packet(bytes); }

}  // namespace

TEST_F(SoftDeviceTest, DiscoveryAckCarriesTheIdentity)
{
    GvcpTestClient client;
    ASSERT_TRUE(device.GetInfo()->SetSerialNumber("SN-42").IsOK());
    Packet ack = client.Transact(Bytes({0x42, 0x11, 0x00, 0x02, 0x00, 0x00, 0x12, 0x34}));
    ASSERT_EQ(ack.size(), GVCP_HEADER_SIZE + DISCOVERY_ACK_PAYLOAD_SIZE);
    EXPECT_EQ(Packet(ack.begin(), ack.begin() + 8), Bytes({0x00, 0x00, 0x00, 0x03, 0x00, 0xF8, 0x12, 0x34}));
    DiscoveryInfo expected;
    expected.specMajor = 2;
    expected.deviceMode = DEVICE_MODE_BIG_ENDIAN_MASK | DEVICE_MODE_CHARSET_UTF8;
    expected.ipConfigOptions = IP_CONFIG_PERSISTENT_MASK | IP_CONFIG_DHCP_MASK | IP_CONFIG_LLA_MASK;
    expected.ipConfigCurrent = IP_CONFIG_DHCP_MASK | IP_CONFIG_LLA_MASK;
    expected.currentIp = 0x7F000001;
    expected.currentSubnetMask = 0xFF000000;
    expected.manufacturerName = "Kitcam";
    expected.modelName = "SoftCam";
    expected.deviceVersion = "1.0";
    expected.manufacturerInfo = "Software GigE Vision device";
    expected.serialNumber = "SN-42";
    uint8_t payload[DISCOVERY_ACK_PAYLOAD_SIZE];
    BuildDiscoveryPayload(expected, payload);
    EXPECT_EQ(Packet(ack.begin() + 8, ack.end()), Packet(payload, payload + sizeof(payload)));
    EXPECT_EQ(device.GetStatistics()->GetDiscoveriesReceived(), 1u);
}

TEST_F(SoftDeviceTest, ReadRegExactAck)
{
    GvcpTestClient client;
    Packet ack = client.Transact(Bytes({0x42, 0x01, 0x00, 0x80, 0x00, 0x08, 0x00, 0x07,  //
                                        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x38}));
    EXPECT_EQ(ack, Bytes({0x00, 0x00, 0x00, 0x81, 0x00, 0x08, 0x00, 0x07,  //
                          0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x0B, 0xB8}));
}

TEST_F(SoftDeviceTest, StatusCodesForRefusedAccesses)
{
    GvcpTestClient client;
    ASSERT_EQ(client.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1), Status::SUCCESS);
    const struct
    {
        const char *name;
        Packet ack;
        Status expected;
    } cases[] = {
        {"write to read-only bootstrap register", client.Transact(WriteRegCmd{{}, {{VERSION_OFFSET, 1}}}, 2),
         Status::WRITE_PROTECT},
        {"write to read-only custom register", client.Transact(WriteRegCmd{{}, {{TEST_READ_ONLY, 1}}}, 3),
         Status::WRITE_PROTECT},
        {"read of write-only register", client.Transact(ReadRegCmd{{}, {TEST_WRITE_ONLY}}, 4),
         Status::ACCESS_DENIED},
        {"read of unknown address", client.Transact(ReadRegCmd{{}, {0x20000}}, 5), Status::INVALID_ADDRESS},
        {"write to unknown address", client.Transact(WriteRegCmd{{}, {{0x20000, 1}}}, 6),
         Status::INVALID_ADDRESS},
        {"readmem running past a register", client.Transact(ReadMemCmd{{}, TEST_ARRAY + 60, 8}, 7),
         Status::INVALID_ADDRESS},
        {"write refused by a sink", client.Transact(WriteRegCmd{{}, {{TEST_GUARDED, 101}}}, 8),
         Status::INVALID_PARAMETER},
        {"action command", client.Transact(ActionCmd{}, 9), Status::NOT_IMPLEMENTED},
    };
    for (const auto &c : cases) {
        EXPECT_STREQ(StatusName(GvcpTestClient::StatusOf(c.ack)), StatusName(c.expected)) << c.name;
    }
    EXPECT_EQ(client.ReadReg(TEST_GUARDED, 10), 0u) << "a refused write leaves the former value";
    EXPECT_EQ(client.WriteReg(TEST_GUARDED, 100, 11), Status::SUCCESS);
    EXPECT_EQ(client.ReadReg(TEST_GUARDED, 12), 100u);
}

TEST_F(SoftDeviceTest, MalformedPacketsAreAnsweredOrDroppedAndServingGoesOn)
{
    GvcpTestClient client;
    const struct
    {
        const char *name;
        Packet packet;
        bool answered;
        Status expected;
    } cases[] = {
        {"empty", {}, false, Status::SUCCESS},
        {"truncated header", Bytes({0x42, 0x01, 0x00, 0x80, 0x00}), false, Status::SUCCESS},
        {"bad key", Bytes({0x43, 0x01, 0x00, 0x80, 0x00, 0x04, 0x00, 0x01, 0, 0, 0, 0}), false,
         Status::SUCCESS},
        {"length beyond datagram", Bytes({0x42, 0x01, 0x00, 0x80, 0x00, 0x08, 0x00, 0x02, 0, 0, 0, 0}), true,
         Status::INVALID_PARAMETER},
        {"length short of datagram", Bytes({0x42, 0x01, 0x00, 0x80, 0x00, 0x00, 0x00, 0x03, 0, 0, 0, 0}),
         true, Status::INVALID_PARAMETER},
        {"unknown command", Bytes({0x42, 0x01, 0x77, 0x77, 0x00, 0x00, 0x00, 0x04}), true,
         Status::NOT_IMPLEMENTED},
        {"readmem huge count",
         Bytes({0x42, 0x01, 0x00, 0x84, 0x00, 0x08, 0x00, 0x05, 0, 0, 0, 0, 0, 0, 0xFF, 0xFC}), true,
         Status::INVALID_PARAMETER},
        {"readmem unaligned", Bytes({0x42, 0x01, 0x00, 0x84, 0x00, 0x08, 0x00, 0x06, 0, 0, 0, 2, 0, 0, 0, 4}),
         true, Status::BAD_ALIGNMENT},
        {"readreg unaligned", Bytes({0x42, 0x01, 0x00, 0x80, 0x00, 0x04, 0x00, 0x07, 0, 0, 0, 1}), true,
         Status::BAD_ALIGNMENT},
        {"readreg no address", Bytes({0x42, 0x01, 0x00, 0x80, 0x00, 0x00, 0x00, 0x08}), true,
         Status::INVALID_PARAMETER},
        {"writereg half pair", Bytes({0x42, 0x01, 0x00, 0x82, 0x00, 0x04, 0x00, 0x09, 0, 0, 0x0A, 0}), true,
         Status::INVALID_PARAMETER},
        {"writemem odd size", Bytes({0x42, 0x01, 0x00, 0x86, 0x00, 0x06, 0x00, 0x0A, 0, 1, 0, 0, 1, 2}), true,
         Status::BAD_ALIGNMENT},
        {"readreg 136 addresses",
         [] {
             Packet p = Bytes({0x42, 0x01, 0x00, 0x80, 0x02, 0x20, 0x00, 0x0B});
             p.resize(8 + 4 * 136, 0);
             return p;
         }(),
         true, Status::INVALID_PARAMETER},
        {"no ack wanted", Bytes({0x42, 0x00, 0x77, 0x77, 0x00, 0x00, 0x00, 0x0C}), false, Status::SUCCESS},
    };
    for (const auto &c : cases) {
        client.SendTo(c.packet, "127.0.0.1");
        Packet answer = client.Receive(c.answered ? 1000 : 200);
        EXPECT_EQ(!answer.empty(), c.answered) << c.name;
        if (c.answered && !answer.empty()) {
            EXPECT_STREQ(StatusName(GvcpTestClient::StatusOf(answer)), StatusName(c.expected)) << c.name;
            EXPECT_EQ(ky::base::LoadBig16(&answer[6]), ky::base::LoadBig16(&c.packet[6]))
                << c.name << ": ack id";
        }
    }
    Status status = Status::ERROR;
    EXPECT_EQ(client.ReadReg(VERSION_OFFSET, 0x100, &status), 0x00020000u);
    EXPECT_EQ(status, Status::SUCCESS);
}

TEST_F(SoftDeviceTest, ControlPrivilegeRefusesASecondController)
{
    GvcpTestClient first, second;
    EXPECT_EQ(second.WriteReg(TEST_VALUE, 1, 1), Status::ACCESS_DENIED) << "writes need control";
    EXPECT_EQ(first.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1), Status::SUCCESS);
    EXPECT_TRUE(WaitFor([&] { return sink.connects == 1; }));
    EXPECT_EQ(sink.lastAccess, KyAccessControl);
    EXPECT_EQ(second.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 2), Status::ACCESS_DENIED);
    EXPECT_EQ(second.WriteReg(TEST_VALUE, 5, 3), Status::ACCESS_DENIED);
    Status status = Status::ERROR;
    EXPECT_EQ(second.ReadReg(CCP_OFFSET, 4, &status), CCP_CONTROL_MASK) << "control access lets others read";
    EXPECT_EQ(first.WriteReg(TEST_VALUE, 5, 2), Status::SUCCESS);
    EXPECT_EQ(first.WriteReg(CCP_OFFSET, CCP_EXCLUSIVE_MASK, 3), Status::SUCCESS);
    second.ReadReg(TEST_VALUE, 5, &status);
    EXPECT_EQ(status, Status::ACCESS_DENIED) << "exclusive access keeps others from reading";
    EXPECT_EQ(first.WriteReg(CCP_OFFSET, 0, 4), Status::SUCCESS);
    EXPECT_TRUE(WaitFor([&] { return sink.disconnects == 1; }));
    EXPECT_EQ(second.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 6), Status::SUCCESS)
        << "released control is free";
    EXPECT_EQ(device.GetStatistics()->GetSessionsOpened(), 2u);
    EXPECT_EQ(device.GetStatistics()->GetSessionsClosed(), 1u);
}

TEST_F(SoftDeviceTest, HeartbeatExpiryReleasesControl)
{
    GvcpTestClient controller, observer;
    ASSERT_EQ(controller.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1), Status::SUCCESS);
    ASSERT_EQ(controller.WriteReg(HEARTBEAT_TIMEOUT_OFFSET, 100, 2), Status::SUCCESS);
    EXPECT_EQ(controller.ReadReg(HEARTBEAT_TIMEOUT_OFFSET, 3), 500u) << "short timeouts are rounded up";
    EXPECT_TRUE(WaitFor([&] { return sink.disconnects == 1; }));
    EXPECT_EQ(observer.ReadReg(CCP_OFFSET, 1), 0u);
    EXPECT_EQ(device.GetStatistics()->GetHeartbeatFailedCount(), 1u);
    EXPECT_EQ(controller.WriteReg(TEST_VALUE, 1, 4), Status::ACCESS_DENIED);
}

TEST_F(SoftDeviceTest, RegisterSinksRunForEveryGvcpAccess)
{
    GvcpTestClient client;
    ASSERT_EQ(client.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1), Status::SUCCESS);
    EXPECT_EQ(client.WriteReg(TEST_VALUE, 0xCAFE, 2), Status::SUCCESS);
    EXPECT_EQ(client.ReadReg(TEST_VALUE, 3), 0xCAFEu);
    EXPECT_EQ(GvcpTestClient::StatusOf(client.Transact(WriteMemCmd{{}, TEST_ARRAY, {'a', 'b', 'c', 0}}, 4)),
              Status::SUCCESS);
    Packet ack = client.Transact(ReadMemCmd{{}, TEST_ARRAY, 4}, 5);
    ReadMemAck readMem;
    ASSERT_EQ(Parse(ack.data(), ack.size(), readMem), CodecError::Ok);
    EXPECT_EQ(readMem.data, Packet({'a', 'b', 'c', 0}));
    EXPECT_EQ(counting.preWrites, 2);
    EXPECT_EQ(counting.postWrites, 2);
    EXPECT_EQ(counting.preReads, 2);
    EXPECT_EQ(counting.postReads, 2);
    // The program's own accesses run them too, and may write what a controller may not.
    IKyRegister *readOnly = device.GetRegisterMap()->GetRegisterByAddress(TEST_READ_ONLY);
    ASSERT_NE(readOnly, nullptr);
    EXPECT_TRUE(readOnly->Write(uint32_t(7)).IsOK());
    EXPECT_EQ(client.ReadReg(TEST_READ_ONLY, 6), 7u);
    KyString text;
    EXPECT_TRUE(device.GetRegisterMap()->GetRegisterByAddress(TEST_ARRAY)->ReadString(text).IsOK());
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(counting.preReads, 3);
    EXPECT_EQ(device.GetStatistics()->GetWriteMemsReceived(), 1u);
    EXPECT_EQ(device.GetStatistics()->GetReadMemsReceived(), 1u);
    EXPECT_EQ(device.GetStatistics()->GetWriteRegsReceived(), 2u);
    EXPECT_EQ(device.GetStatistics()->GetReadRegsReceived(), 2u);
}

// READMEM and WRITEMEM over ranges that cover several registers or part of one: the whole range is
// checked before any register is touched, so a refused write leaves every register as it was.
TEST_F(SoftDeviceTest, MemoryRangesAcrossRegistersAreCheckedWholeBeforeAnyAccess)
{
    GvcpTestClient client;
    ASSERT_EQ(client.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1), Status::SUCCESS);
    ASSERT_EQ(client.WriteReg(TEST_VALUE, 0x11223344, 2), Status::SUCCESS);
    IKyRegister *readOnly = device.GetRegisterMap()->GetRegisterByAddress(TEST_READ_ONLY);
    ASSERT_NE(readOnly, nullptr);
    ASSERT_TRUE(readOnly->Write(uint32_t(0x55667788)).IsOK());
    uint16_t id = 3;
    const auto readMem = [&](uint32_t address, uint16_t count, Packet *data) {
        const Packet ack = client.Transact(ReadMemCmd{{}, address, count}, id++);
        ReadMemAck parsed;
        if (Parse(ack.data(), ack.size(), parsed) == CodecError::Ok && data != nullptr)
            *data = parsed.data;
        return GvcpTestClient::StatusOf(ack);
    };
    const auto writeMem = [&](uint32_t address, Packet data) {
        return GvcpTestClient::StatusOf(client.Transact(WriteMemCmd{{}, address, std::move(data)}, id++));
    };

    Packet two;
    EXPECT_EQ(readMem(TEST_VALUE, 8, &two), Status::SUCCESS);
    EXPECT_EQ(two, Bytes({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88})) << "two registers in one read";
    EXPECT_EQ(writeMem(TEST_ARRAY + 56, {1, 2, 3, 4, 5, 6, 7, 8}), Status::SUCCESS)
        << "the array's last bytes";
    Packet tail;
    EXPECT_EQ(readMem(TEST_ARRAY + 56, 8, &tail), Status::SUCCESS);
    EXPECT_EQ(tail, Bytes({1, 2, 3, 4, 5, 6, 7, 8}));

    const struct
    {
        const char *name;
        Status status;
    } refused[] = {
        {"write running past the array into a gap", writeMem(TEST_ARRAY + 60, {9, 9, 9, 9, 9, 9, 9, 9})},
        {"write on into a read-only register", writeMem(TEST_VALUE, {9, 9, 9, 9, 9, 9, 9, 9})},
        {"read on into a write-only register", readMem(TEST_READ_ONLY, 8, nullptr)},
        {"read starting in a gap", readMem(TEST_WRITE_ONLY + 4, 8, nullptr)},
    };
    const Status expected[] = {Status::INVALID_ADDRESS, Status::WRITE_PROTECT, Status::ACCESS_DENIED,
                               Status::INVALID_ADDRESS};
    for (size_t i = 0; i < std::size(refused); ++i)
        EXPECT_STREQ(StatusName(refused[i].status), StatusName(expected[i])) << refused[i].name;
    EXPECT_EQ(client.ReadReg(TEST_VALUE, id++), 0x11223344u) << "untouched by the refused write";
    EXPECT_EQ(readMem(TEST_ARRAY + 56, 8, &tail), Status::SUCCESS);
    EXPECT_EQ(tail, Bytes({1, 2, 3, 4, 5, 6, 7, 8})) << "untouched by the refused write";
}

TEST_F(SoftDeviceTest, SlowWriteGetsPendingAckAndRunsOnce)
{
    GvcpTestClient client;
    ASSERT_EQ(client.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1), Status::SUCCESS);
    WriteMemCmd write{{}, TEST_SLOW, {0, 0, 0, 9}};
    write.header.requestId = 77;
    Packet packet;
    Build(write, packet);
    client.SendTo(packet, "127.0.0.1");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    client.SendTo(packet, "127.0.0.1");  // a retry of the same request
    Packet pending = client.Receive(1000);
    PendingAck parsedPending;
    ASSERT_EQ(Parse(pending.data(), pending.size(), parsedPending), CodecError::Ok);
    EXPECT_EQ(parsedPending.header.ackId, 77);
    EXPECT_GT(parsedPending.timeToCompletionMs, 0);
    EXPECT_EQ(client.WriteReg(TEST_VALUE, 1, 78), Status::BUSY) << "one command at a time";
    Packet done = client.Receive(3000);
    EXPECT_EQ(GvcpTestClient::StatusOf(done), Status::SUCCESS);
    EXPECT_EQ(done[3], 0x87);
    client.SendTo(packet, "127.0.0.1");  // a late retry: the stored acknowledge, not a second write
    EXPECT_EQ(client.Receive(1000), done);
    EXPECT_EQ(slow.writes, 1);
    EXPECT_EQ(device.GetStatistics()->GetRetriesReceived(), 2u);
    // The same id with other content is a new command, not a retry.
    EXPECT_EQ(client.WriteReg(TEST_VALUE, 1, 77), Status::SUCCESS);
    EXPECT_EQ(client.WriteReg(TEST_VALUE, 2, 77), Status::SUCCESS);
    EXPECT_EQ(client.ReadReg(TEST_VALUE, 77), 2u);
    EXPECT_EQ(device.GetStatistics()->GetPendingAcksIssued(), 1u);
}

TEST_F(SoftDeviceTest, PendingAckComesUnaskedWhenEnabled)
{
    GvcpTestClient client;
    ASSERT_EQ(client.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1), Status::SUCCESS);
    ASSERT_EQ(client.WriteReg(GVCP_CONFIG_OFFSET, GVCP_CONFIG_PENDING_ACK_ENABLE_MASK, 2), Status::SUCCESS);
    WriteRegCmd write{{}, {{TEST_SLOW, 5}}};
    write.header.requestId = 3;
    Packet packet;
    Build(write, packet);
    client.SendTo(packet, "127.0.0.1");
    Packet first = client.Receive(2000);
    EXPECT_EQ(first, Bytes({0x00, 0x00, 0x00, 0x89, 0x00, 0x04, 0x00, 0x03, 0x00, 0x00, 0x01, 0xF4}));
    Packet answer;
    for (int i = 0; i < 10; ++i) {  // further pending acks may come before the answer
        answer = client.Receive(2000);
        if (answer.size() > 3 && answer[3] != 0x89) {
            break;
        }
    }
    EXPECT_EQ(answer, Bytes({0x00, 0x00, 0x00, 0x83, 0x00, 0x04, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(slow.writes, 1);
    EXPECT_GE(device.GetStatistics()->GetPendingAcksIssued(), 1u);
}

TEST_F(SoftDeviceTest, ReleasingControlClearsTheMessageDestination)
{
    GvcpTestClient client;
    ASSERT_EQ(client.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1), Status::SUCCESS);
    ASSERT_EQ(client.WriteReg(MCDA_OFFSET, 0x7F000001, 2), Status::SUCCESS);
    ASSERT_EQ(client.WriteReg(MCP_OFFSET, client.Port(), 3), Status::SUCCESS);
    EXPECT_TRUE(device.GetMessagingChannel()->IsOpened());
    ASSERT_EQ(client.WriteReg(CCP_OFFSET, 0, 4), Status::SUCCESS);
    EXPECT_FALSE(device.GetMessagingChannel()->IsOpened());
    EXPECT_EQ(client.ReadReg(MCP_OFFSET, 5), 0u);
    EXPECT_EQ(client.ReadReg(MCDA_OFFSET, 6), 0u);
}

TEST_F(SoftDeviceTest, ForceIpChangesTheReportedConfiguration)
{
    GvcpTestClient client;
    ForceIpCmd other{{}, {0, 0, 0, 0, 0, 1}, 0x0A000005, 0xFFFFFF00, 0x0A000001};
    EXPECT_TRUE(client.Transact(other, 1).empty()) << "a FORCEIP for another MAC gets no answer";
    ForceIpCmd force{{}, {0, 0, 0, 0, 0, 0}, 0x7F000063, 0xFFFFFF00, 0x7F000001};
    Packet ack = client.Transact(force, 2);
    EXPECT_EQ(ack, Bytes({0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x02}));
    EXPECT_EQ(client.ReadReg(CURRENT_IP_OFFSET, 3), 0x7F000063u);
    EXPECT_EQ(client.ReadReg(CURRENT_SUBNET_MASK_OFFSET, 4), 0xFFFFFF00u);
    DiscoveryAck discovery;
    Packet answer = client.Transact(DiscoveryCmd{}, 5);
    ASSERT_EQ(Parse(answer.data(), answer.size(), discovery), CodecError::Ok);
    EXPECT_EQ(discovery.info.currentIp, 0x7F000063u);
    EXPECT_EQ(discovery.info.currentGateway, 0x7F000001u);
    EXPECT_TRUE(WaitFor([&] { return sink.networkResets == 1; }));
    EXPECT_FALSE(client.Transact(ForceIpCmd{{}, {}, 0, 0, 0}, 6).empty());
    EXPECT_EQ(client.ReadReg(CURRENT_IP_OFFSET, 7), 0x7F000001u) << "all zero restarts the configuration";
    EXPECT_EQ(device.GetStatistics()->GetForceIpsReceived(), 3u);
}

TEST_F(SoftDeviceTest, PersistentConfigurationSurvivesStopAndStart)
{
    {
        GvcpTestClient client;
        ASSERT_EQ(client.WriteReg(CCP_OFFSET, CCP_CONTROL_MASK, 1), Status::SUCCESS);
        // The IP tool's persistent procedure: read-modify-write 0x0014, then the three addresses.
        EXPECT_EQ(GvcpTestClient::StatusOf(
                      client.Transact(WriteMemCmd{{}, CURRENT_IP_CONFIG_OFFSET, {0, 0, 0, 1}}, 2)),
                  Status::SUCCESS);
        EXPECT_EQ(client.WriteReg(PERSISTENT_IP_OFFSET, 0xC0A80A05, 3), Status::SUCCESS);
        EXPECT_EQ(client.WriteReg(PERSISTENT_SUBNET_MASK_OFFSET, 0xFFFFFF00, 4), Status::SUCCESS);
        EXPECT_EQ(client.WriteReg(PERSISTENT_GATEWAY_OFFSET, 0xC0A80A01, 5), Status::SUCCESS);
        EXPECT_EQ(GvcpTestClient::StatusOf(
                      client.Transact(WriteMemCmd{{}, USER_DEFINED_NAME_OFFSET, {'c', 'a', 'm', 0}}, 6)),
                  Status::SUCCESS);
    }
    ASSERT_TRUE(device.Stop().IsOK());
    EXPECT_EQ(device.GetRegisterMap(), nullptr);
    ASSERT_TRUE(device.Start("00:00:00:00:00:00").IsOK());
    GvcpTestClient client;
    EXPECT_EQ(client.ReadReg(CURRENT_IP_CONFIG_OFFSET, 1), IP_CONFIG_PERSISTENT_MASK | IP_CONFIG_LLA_MASK)
        << "link-local stays on";
    EXPECT_EQ(client.ReadReg(PERSISTENT_IP_OFFSET, 2), 0xC0A80A05u);
    EXPECT_EQ(client.ReadReg(PERSISTENT_SUBNET_MASK_OFFSET, 3), 0xFFFFFF00u);
    EXPECT_EQ(client.ReadReg(PERSISTENT_GATEWAY_OFFSET, 4), 0xC0A80A01u);
    DiscoveryAck discovery;
    Packet answer = client.Transact(DiscoveryCmd{}, 5);
    ASSERT_EQ(Parse(answer.data(), answer.size(), discovery), CodecError::Ok);
    EXPECT_EQ(discovery.info.ipConfigCurrent, IP_CONFIG_PERSISTENT_MASK | IP_CONFIG_LLA_MASK);
    EXPECT_EQ(discovery.info.userDefinedName, "cam");
    EXPECT_EQ(sink.channelStarts, 2);
    EXPECT_EQ(sink.channelStops, 1);
}
