// Every builder against its parser: build, parse, build again, and the bytes must be the same.
#include <gtest/gtest.h>

#include <functional>

#include "ky/device/KyGevConstants.h"
#include "gev/Gvcp.h"
#include "ky/ByteOrder.h"

using namespace ky::gev;

namespace {

CommandHeader Cmd(uint16_t id, uint8_t flags = FLAG_ACK_REQUIRED)
{
    CommandHeader header;
    header.flags = flags;
    header.requestId = id;
    return header;
}

AckHeader Ack(uint16_t id, Status status = Status::SUCCESS)
{
    AckHeader header;
    header.status = status;
    header.ackId = id;
    return header;
}

template <typename T>
Packet BuildOrFail(const T &message)
{
    Packet packet;
    EXPECT_EQ(Build(message, packet), CodecError::Ok);
    return packet;
}

// Builds, parses, rebuilds; returns the first packet. The rebuilt one must be identical.
template <typename T>
Packet RoundTrip(const T &message)
{
    Packet first = BuildOrFail(message);
    T parsed;
    EXPECT_EQ(Parse(first.data(), first.size(), parsed), CodecError::Ok);
    Packet second = BuildOrFail(parsed);
    EXPECT_EQ(first, second);
    return first;
}

DiscoveryInfo SampleInfo()
{
    DiscoveryInfo info;
    info.specMajor = 2;
    info.specMinor = 1;
    info.deviceMode = DEVICE_MODE_BIG_ENDIAN_MASK | DEVICE_MODE_CHARSET_UTF8;
    info.mac = {0x02, 0x00, 0x0a, 0x0a, 0x01, 0x02};
    info.ipConfigOptions = IP_CONFIG_PERSISTENT_MASK | IP_CONFIG_DHCP_MASK | IP_CONFIG_LLA_MASK;
    info.ipConfigCurrent = IP_CONFIG_LLA_MASK;
    info.currentIp = 0x0A0A0102;
    info.currentSubnetMask = 0xFFFFFF00;
    info.currentGateway = 0x0A0A0101;
    info.manufacturerName = "Maker";
    info.modelName = "Model-32-characters-long-exactly";
    info.deviceVersion = "1.0";
    info.manufacturerInfo = "info";
    info.serialNumber = "SN0001";
    info.userDefinedName = "left";
    return info;
}

}  // namespace

TEST(GvcpRoundTrip, EveryMessage)
{
    const std::vector<std::pair<const char *, std::function<Packet()>>> cases = {
        {"DiscoveryCmd",
         [] { return RoundTrip(DiscoveryCmd{Cmd(1, FLAG_ACK_REQUIRED | FLAG_DISCOVERY_BROADCAST_ACK)}); }},
        {"DiscoveryAck",
         [] {
             return RoundTrip(DiscoveryAck{Ack(1), SampleInfo()});
         }},
        {"ForceIpCmd",
         [] {
             return RoundTrip(ForceIpCmd{Cmd(2), {1, 2, 3, 4, 5, 6}, 0x0A0A0105, 0xFFFFFF00, 0x0A0A0101});
         }},
        {"ForceIpAck", [] { return RoundTrip(ForceIpAck{Ack(2)}); }},
        {"PacketResendCmd",
         [] {
             return RoundTrip(PacketResendCmd{Cmd(3, 0), 0, 0x1234, 5, 9});
         }},
        {"PacketResendCmd extended",
         [] {
             return RoundTrip(PacketResendCmd{Cmd(3, FLAG_EXTENDED_ID), 1, 0x123456789ULL, 5, 0x7FFFFFFF});
         }},
        {"ReadRegCmd",
         [] {
             return RoundTrip(ReadRegCmd{Cmd(4), {CCP_OFFSET, HEARTBEAT_TIMEOUT_OFFSET}});
         }},
        {"ReadRegCmd max",
         [] {
             return RoundTrip(ReadRegCmd{Cmd(4), std::vector<uint32_t>(READREG_MAX_COUNT, 4)});
         }},
        {"ReadRegAck",
         [] {
             return RoundTrip(ReadRegAck{Ack(4), {2, 3000}});
         }},
        {"ReadRegAck error with partial data",
         [] {
             return RoundTrip(ReadRegAck{Ack(4, Status::INVALID_ADDRESS), {7}});
         }},
        {"WriteRegCmd",
         [] {
             return RoundTrip(WriteRegCmd{Cmd(5), {{CCP_OFFSET, CCP_CONTROL_MASK}, {0x10000, 0xFFFFFFFF}}});
         }},
        {"WriteRegCmd max",
         [] {
             return RoundTrip(WriteRegCmd{Cmd(5), std::vector<RegisterWrite>(WRITEREG_MAX_COUNT)});
         }},
        {"WriteRegAck",
         [] {
             return RoundTrip(WriteRegAck{Ack(5, Status::WRITE_PROTECT), 1});
         }},
        {"ReadMemCmd",
         [] {
             return RoundTrip(ReadMemCmd{Cmd(6), FIRST_URL_OFFSET, 512});
         }},
        {"ReadMemCmd max",
         [] {
             return RoundTrip(ReadMemCmd{Cmd(6), 0, static_cast<uint16_t>(READMEM_MAX_SIZE)});
         }},
        {"ReadMemAck",
         [] {
             return RoundTrip(ReadMemAck{Ack(6), 0x200, {'L', 'o', 'c', 'a'}});
         }},
        {"ReadMemAck max",
         [] {
             return RoundTrip(ReadMemAck{Ack(6), 0, std::vector<uint8_t>(READMEM_MAX_SIZE, 0x5A)});
         }},
        {"WriteMemCmd",
         [] {
             return RoundTrip(WriteMemCmd{Cmd(7), USER_DEFINED_NAME_OFFSET, {'a', 'b', 'c', 0}});
         }},
        {"WriteMemCmd max",
         [] {
             return RoundTrip(WriteMemCmd{Cmd(7), 0x10000, std::vector<uint8_t>(WRITEMEM_MAX_SIZE, 1)});
         }},
        {"WriteMemAck",
         [] {
             return RoundTrip(WriteMemAck{Ack(7), 4});
         }},
        {"PendingAck",
         [] {
             return RoundTrip(PendingAck{Ack(8), 250});
         }},
        {"EventCmd",
         [] {
             return RoundTrip(
                 EventCmd{Cmd(9), {{0x9001, 0xFFFF, 3, 0x1122334455667788ULL}, {0x9002, 0, 4, 5}}});
         }},
        {"EventCmd extended",
         [] {
             return RoundTrip(
                 EventCmd{Cmd(9, FLAG_EXTENDED_ID | FLAG_ACK_REQUIRED), {{0x9001, 0, 0x100000000ULL, 7}}});
         }},
        {"EventAck", [] { return RoundTrip(EventAck{Ack(9)}); }},
        {"EventDataCmd",
         [] {
             return RoundTrip(EventDataCmd{Cmd(10), {0x9003, 0xFFFF, 1, 2}, {1, 2, 3}});
         }},
        {"EventDataCmd max",
         [] {
             return RoundTrip(
                 EventDataCmd{Cmd(10), {}, std::vector<uint8_t>(GVCP_MAX_PAYLOAD_SIZE - EVENT_ITEM_SIZE)});
         }},
        {"EventDataAck", [] { return RoundTrip(EventDataAck{Ack(10)}); }},
        {"ActionCmd",
         [] {
             return RoundTrip(ActionCmd{Cmd(11), 0x11, 0x22, 0x33, 0});
         }},
        {"ActionCmd scheduled",
         [] {
             return RoundTrip(ActionCmd{Cmd(11, FLAG_ACTION_SCHEDULED), 1, 2, 3, 0x0102030405060708ULL});
         }},
        {"ActionAck", [] { return RoundTrip(ActionAck{Ack(11)}); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        Packet packet = c.second();
        ASSERT_GE(packet.size(), GVCP_HEADER_SIZE);
        EXPECT_LE(packet.size(), GVCP_MAX_PACKET_SIZE);
        EXPECT_EQ(ky::base::LoadBig16(&packet[4]), packet.size() - GVCP_HEADER_SIZE);
    }
}

TEST(GvcpRoundTrip, ExactBytes)
{
    const struct
    {
        const char *name;
        Packet packet;
        Packet expected;
    } cases[] = {
        {"discovery with broadcast ack",
         BuildOrFail(DiscoveryCmd{Cmd(0x0102, FLAG_ACK_REQUIRED | FLAG_DISCOVERY_BROADCAST_ACK)}),
         {0x42, 0x11, 0x00, 0x02, 0x00, 0x00, 0x01, 0x02}},
        {"readreg of CCP",
         BuildOrFail(ReadRegCmd{Cmd(7), {CCP_OFFSET}}),
         {0x42, 0x01, 0x00, 0x80, 0x00, 0x04, 0x00, 0x07, 0x00, 0x00, 0x0A, 0x00}},
        {"writereg ack",
         BuildOrFail(WriteRegAck{Ack(9), 1}),
         {0x00, 0x00, 0x00, 0x83, 0x00, 0x04, 0x00, 0x09, 0x00, 0x00, 0x00, 0x01}},
        {"readmem",
         BuildOrFail(ReadMemCmd{Cmd(3), 0x200, 512}),
         {0x42, 0x01, 0x00, 0x84, 0x00, 0x08, 0x00, 0x03, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00}},
        {"pending ack",
         BuildOrFail(PendingAck{Ack(3), 0x1F4}),
         {0x00, 0x00, 0x00, 0x89, 0x00, 0x04, 0x00, 0x03, 0x00, 0x00, 0x01, 0xF4}},
        {"bare access-denied ack",
         [] {
             Packet p;
             AckHeader h = Ack(5, Status::ACCESS_DENIED);
             h.acknowledge = Command::WRITEREG_ACK;
             BuildBareAck(h, p);
             return p;
         }(),
         {0x80, 0x06, 0x00, 0x83, 0x00, 0x00, 0x00, 0x05}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.packet, c.expected) << c.name;
    }
}

TEST(GvcpRoundTrip, DiscoveryPayloadFollowsBootstrapLayout)
{
    Packet packet = BuildOrFail(DiscoveryAck{Ack(1), SampleInfo()});
    ASSERT_EQ(packet.size(), GVCP_HEADER_SIZE + DISCOVERY_ACK_PAYLOAD_SIZE);
    const uint8_t *payload = packet.data() + GVCP_HEADER_SIZE;
    auto u32 = [&](uint32_t offset) { return ky::base::LoadBig32(payload + offset); };
    EXPECT_EQ(u32(VERSION_OFFSET), 0x00020001u);
    EXPECT_EQ(u32(MAC_HIGH_OFFSET), 0x00000200u);
    EXPECT_EQ(u32(MAC_LOW_OFFSET), 0x0a0a0102u);
    EXPECT_EQ(u32(CURRENT_IP_CONFIG_OFFSET), IP_CONFIG_LLA_MASK);
    EXPECT_EQ(u32(CURRENT_IP_OFFSET), 0x0A0A0102u);
    EXPECT_EQ(u32(CURRENT_SUBNET_MASK_OFFSET), 0xFFFFFF00u);
    EXPECT_EQ(u32(CURRENT_GATEWAY_OFFSET), 0x0A0A0101u);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(payload + SERIAL_NUMBER_OFFSET)), "SN0001");
    // A full 32-byte model name has no NUL on the wire and still comes back whole.
    DiscoveryAck parsed;
    ASSERT_EQ(Parse(packet.data(), packet.size(), parsed), CodecError::Ok);
    EXPECT_EQ(parsed.info.modelName, "Model-32-characters-long-exactly");
    EXPECT_EQ(parsed.info.userDefinedName, "left");
    EXPECT_EQ(MacToU64(parsed.info.mac), 0x02000a0a0102ULL);
    EXPECT_EQ(MacFromU64(0x02000a0a0102ULL), parsed.info.mac);
}

TEST(GvcpRoundTrip, NamesOfCodesAndErrors)
{
    EXPECT_STREQ(CommandName(Command::READMEM_ACK), "READMEM_ACK");
    EXPECT_STREQ(CommandName(static_cast<Command>(0x7777)), "UNKNOWN");
    EXPECT_STREQ(StatusName(Status::WRITE_PROTECT), "WRITE_PROTECT");
    EXPECT_STREQ(StatusName(static_cast<Status>(0x8555)), "UNKNOWN");
    EXPECT_STREQ(CodecErrorName(CodecError::Unaligned), "address or size is not a multiple of 4");
    EXPECT_EQ(static_cast<uint16_t>(Status::ACCESS_DENIED), 0x8006);
    EXPECT_EQ(StatusForCodecError(CodecError::Unaligned), Status::BAD_ALIGNMENT);
    EXPECT_EQ(StatusForCodecError(CodecError::CountTooLarge), Status::INVALID_PARAMETER);
    EXPECT_EQ(StatusForCodecError(CodecError::WrongCode), Status::NOT_IMPLEMENTED);
}

TEST(GvcpRoundTrip, DumpsAreBoundedByTheDatagram)
{
    const Packet readReg = {0x42, 0x01, 0x00, 0x80, 0x00, 0x04, 0x00, 0x07, 0x00, 0x00, 0x0A, 0x00};
    EXPECT_EQ(DescribeGvcp(readReg.data(), readReg.size()),
              "READREG_CMD (0x0080) id=7 flags=0x01 length=4 | 42 01 00 80 00 04 00 07 00 00 0a 00");
    const Packet ack = {0x80, 0x06, 0x00, 0x83, 0x00, 0x08, 0x00, 0x05};
    EXPECT_EQ(
        DescribeGvcp(ack.data(), ack.size(), 4),
        "WRITEREG_ACK (0x0083) id=5 status=ACCESS_DENIED length=8 ! length field disagrees with the datagram "
        "size | 80 06 00 83 ...");
    EXPECT_EQ(DescribeGvcp(ack.data(), 3), "short datagram (3 bytes) | 80 06 00");
    EXPECT_EQ(DescribeGvcp(nullptr, 100), "short datagram (0 bytes)");
}
