// Malformed packets for every parser, and values the builders must refuse.
#include <gtest/gtest.h>

#include <functional>

#include "gev/Gvcp.h"
#include "ky/ByteOrder.h"

using namespace ky::gev;

namespace {

using Parser = std::function<CodecError(const Packet &)>;

template <typename T>
Parser ParserOf()
{
    return [](const Packet &p) {
        T message;
        return Parse(p.data(), p.size(), message);
    };
}

// A command header followed by a payload; the length field says `length`.
Packet Command_(uint16_t code, uint16_t length, Packet payload, uint8_t flags = FLAG_ACK_REQUIRED,
                uint8_t key = GVCP_KEY)
{
    Packet p = {key, flags, 0, 0, 0, 0, 0x00, 0x01};
    ky::base::StoreBig16(&p[2], code);
    ky::base::StoreBig16(&p[4], length);
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

Packet Command_(uint16_t code, Packet payload, uint8_t flags = FLAG_ACK_REQUIRED)
{
    return Command_(code, static_cast<uint16_t>(payload.size()), payload, flags);
}

Packet Ack_(uint16_t status, uint16_t code, Packet payload)
{
    const uint16_t length = static_cast<uint16_t>(payload.size());
    Packet p = {0, 0, 0, 0, 0, 0, 0x00, 0x01};
    ky::base::StoreBig16(&p[0], status);
    ky::base::StoreBig16(&p[2], code);
    ky::base::StoreBig16(&p[4], length);
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

Packet Bytes(size_t count, uint8_t value = 0) { return Packet(count, value); }

}  // namespace

TEST(GvcpMalformed, ParsersRejectWithNamedReason)
{
    const struct
    {
        const char *name;
        Packet packet;
        Parser parser;
        CodecError expected;
    } cases[] = {
        {"empty datagram", {}, ParserOf<DiscoveryCmd>(), CodecError::ShorterThanHeader},
        {"seven bytes", {0x42, 1, 0, 2, 0, 0, 0}, ParserOf<DiscoveryCmd>(), CodecError::ShorterThanHeader},
        {"bad key", Command_(0x0002, 0, {}, FLAG_ACK_REQUIRED, 0x43), ParserOf<DiscoveryCmd>(),
         CodecError::BadKey},
        {"length beyond datagram", Command_(0x0080, 8, {0, 0, 0, 4}), ParserOf<ReadRegCmd>(),
         CodecError::LengthMismatch},
        {"length short of datagram", Command_(0x0080, 4, Bytes(8)), ParserOf<ReadRegCmd>(),
         CodecError::LengthMismatch},
        {"wrong command for parser", Command_(0x0082, Bytes(8)), ParserOf<ReadRegCmd>(),
         CodecError::WrongCode},
        {"unknown command code", Command_(0x7777, {}), ParserOf<DiscoveryCmd>(), CodecError::WrongCode},
        {"discovery with payload", Command_(0x0002, Bytes(4)), ParserOf<DiscoveryCmd>(),
         CodecError::BadPayloadSize},
        {"forceip one byte short", Command_(0x0004, Bytes(55)), ParserOf<ForceIpCmd>(),
         CodecError::BadPayloadSize},
        {"readreg no address", Command_(0x0080, {}), ParserOf<ReadRegCmd>(), CodecError::CountZero},
        {"readreg partial address", Command_(0x0080, Bytes(6)), ParserOf<ReadRegCmd>(),
         CodecError::BadPayloadSize},
        {"readreg one past the limit", Command_(0x0080, Bytes(4 * (READREG_MAX_COUNT + 1))),
         ParserOf<ReadRegCmd>(), CodecError::CountTooLarge},
        {"readreg unaligned address", Command_(0x0080, {0, 0, 0, 4, 0, 0, 0, 6}), ParserOf<ReadRegCmd>(),
         CodecError::Unaligned},
        {"writereg half pair", Command_(0x0082, Bytes(12)), ParserOf<WriteRegCmd>(),
         CodecError::BadPayloadSize},
        {"writereg one past the limit", Command_(0x0082, Bytes(8 * (WRITEREG_MAX_COUNT + 1))),
         ParserOf<WriteRegCmd>(), CodecError::CountTooLarge},
        {"writereg unaligned", Command_(0x0082, {0, 0, 0, 1, 0, 0, 0, 0}), ParserOf<WriteRegCmd>(),
         CodecError::Unaligned},
        {"readmem short", Command_(0x0084, Bytes(6)), ParserOf<ReadMemCmd>(), CodecError::BadPayloadSize},
        {"readmem zero count", Command_(0x0084, {0, 0, 2, 0, 0, 0, 0, 0}), ParserOf<ReadMemCmd>(),
         CodecError::CountZero},
        {"readmem one word past the limit", Command_(0x0084, {0, 0, 2, 0, 0, 0, 0x02, 0x1C}),
         ParserOf<ReadMemCmd>(), CodecError::CountTooLarge},
        {"readmem huge count", Command_(0x0084, {0, 0, 2, 0, 0, 0, 0xFF, 0xFF}), ParserOf<ReadMemCmd>(),
         CodecError::CountTooLarge},
        {"readmem unaligned address", Command_(0x0084, {0, 0, 2, 2, 0, 0, 0, 4}), ParserOf<ReadMemCmd>(),
         CodecError::Unaligned},
        {"readmem unaligned count", Command_(0x0084, {0, 0, 2, 0, 0, 0, 0, 5}), ParserOf<ReadMemCmd>(),
         CodecError::Unaligned},
        {"writemem address only", Command_(0x0086, Bytes(4)), ParserOf<WriteMemCmd>(), CodecError::CountZero},
        {"writemem partial address", Command_(0x0086, Bytes(2)), ParserOf<WriteMemCmd>(),
         CodecError::BadPayloadSize},
        {"writemem odd data", Command_(0x0086, Bytes(7)), ParserOf<WriteMemCmd>(), CodecError::Unaligned},
        {"writemem one word past the limit", Command_(0x0086, Bytes(4 + WRITEMEM_MAX_SIZE + 4)),
         ParserOf<WriteMemCmd>(), CodecError::CountTooLarge},
        {"packetresend short", Command_(0x0040, Bytes(8), 0), ParserOf<PacketResendCmd>(),
         CodecError::BadPayloadSize},
        {"packetresend extended in short layout", Command_(0x0040, Bytes(12), FLAG_EXTENDED_ID),
         ParserOf<PacketResendCmd>(), CodecError::BadPayloadSize},
        {"event no item", Command_(0x00C0, {}), ParserOf<EventCmd>(), CodecError::CountZero},
        {"event partial item", Command_(0x00C0, Bytes(20)), ParserOf<EventCmd>(), CodecError::BadPayloadSize},
        {"eventdata without item", Command_(0x00C2, Bytes(8)), ParserOf<EventDataCmd>(),
         CodecError::BadPayloadSize},
        {"eventdata over the limit", Command_(0x00C2, Bytes(GVCP_MAX_PAYLOAD_SIZE + 4)),
         ParserOf<EventDataCmd>(), CodecError::CountTooLarge},
        {"action scheduled without time", Command_(0x0100, Bytes(12), FLAG_ACTION_SCHEDULED),
         ParserOf<ActionCmd>(), CodecError::BadPayloadSize},
        {"ack seven bytes", {0, 0, 0, 0x81, 0, 0, 0}, ParserOf<ReadRegAck>(), CodecError::ShorterThanHeader},
        {"ack wrong code", Ack_(0, 0x0083, Bytes(4)), ParserOf<ReadRegAck>(), CodecError::WrongCode},
        {"discovery ack short", Ack_(0, 0x0003, Bytes(247)), ParserOf<DiscoveryAck>(),
         CodecError::BadPayloadSize},
        {"readreg ack successful and empty", Ack_(0, 0x0081, {}), ParserOf<ReadRegAck>(),
         CodecError::CountZero},
        {"readreg ack partial value", Ack_(0, 0x0081, Bytes(5)), ParserOf<ReadRegAck>(),
         CodecError::BadPayloadSize},
        {"readmem ack without address", Ack_(0, 0x0085, Bytes(2)), ParserOf<ReadMemAck>(),
         CodecError::BadPayloadSize},
        {"readmem ack over the limit", Ack_(0, 0x0085, Bytes(4 + READMEM_MAX_SIZE + 4)),
         ParserOf<ReadMemAck>(), CodecError::CountTooLarge},
        {"writemem ack long", Ack_(0, 0x0087, Bytes(8)), ParserOf<WriteMemAck>(), CodecError::BadPayloadSize},
        {"writereg ack successful and empty", Ack_(0, 0x0083, {}), ParserOf<WriteRegAck>(),
         CodecError::BadPayloadSize},
        {"pending ack short", Ack_(0, 0x0089, Bytes(2)), ParserOf<PendingAck>(), CodecError::BadPayloadSize},
        {"forceip ack with payload", Ack_(0, 0x0005, Bytes(4)), ParserOf<ForceIpAck>(),
         CodecError::BadPayloadSize},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(CodecErrorName(c.parser(c.packet)), std::string(CodecErrorName(c.expected))) << c.name;
    }
}

TEST(GvcpMalformed, ErrorAcksMayOmitTheirPayload)
{
    const struct
    {
        const char *name;
        Packet packet;
        Parser parser;
    } cases[] = {
        {"readreg ack", Ack_(0x8003, 0x0081, {}), ParserOf<ReadRegAck>()},
        {"writereg ack", Ack_(0x8004, 0x0083, {}), ParserOf<WriteRegAck>()},
        {"readmem ack", Ack_(0x8003, 0x0085, {}), ParserOf<ReadMemAck>()},
        {"writemem ack", Ack_(0x8006, 0x0087, {}), ParserOf<WriteMemAck>()},
        {"discovery ack", Ack_(0x8001, 0x0003, {}), ParserOf<DiscoveryAck>()},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.parser(c.packet), CodecError::Ok) << c.name;
    }
}

TEST(GvcpMalformed, HeaderStaysReadableForAnErrorAnswer)
{
    // A device answers even a malformed command with its request id, so the header comes out.
    Packet packet = Command_(0x0084, {0, 0, 2, 2, 0, 0, 0, 4});
    packet[6] = 0xAB;
    packet[7] = 0xCD;
    ReadMemCmd message;
    EXPECT_EQ(Parse(packet.data(), packet.size(), message), CodecError::Unaligned);
    EXPECT_EQ(message.header.requestId, 0xABCD);
    EXPECT_EQ(message.header.command, Command::READMEM_CMD);
}

TEST(GvcpMalformed, BuildersRefuseWhatThePacketCannotCarry)
{
    Packet out = {1, 2, 3};
    const struct
    {
        const char *name;
        std::function<CodecError()> build;
        CodecError expected;
    } cases[] = {
        {"readreg none", [&] { return Build(ReadRegCmd{}, out); }, CodecError::CountZero},
        {"readreg one past",
         [&] {
             return Build(ReadRegCmd{{}, std::vector<uint32_t>(READREG_MAX_COUNT + 1)}, out);
         },
         CodecError::CountTooLarge},
        {"readreg unaligned",
         [&] {
             return Build(ReadRegCmd{{}, {0, 2}}, out);
         },
         CodecError::Unaligned},
        {"writereg one past",
         [&] {
             return Build(WriteRegCmd{{}, std::vector<RegisterWrite>(WRITEREG_MAX_COUNT + 1)}, out);
         },
         CodecError::CountTooLarge},
        {"writereg unaligned",
         [&] {
             return Build(WriteRegCmd{{}, {{3, 0}}}, out);
         },
         CodecError::Unaligned},
        {"readmem zero",
         [&] {
             return Build(ReadMemCmd{{}, 0, 0}, out);
         },
         CodecError::CountZero},
        {"readmem one word past",
         [&] {
             return Build(ReadMemCmd{{}, 0, READMEM_MAX_SIZE + 4}, out);
         },
         CodecError::CountTooLarge},
        {"readmem unaligned",
         [&] {
             return Build(ReadMemCmd{{}, 1, 4}, out);
         },
         CodecError::Unaligned},
        {"writemem empty",
         [&] {
             return Build(WriteMemCmd{{}, 0, {}}, out);
         },
         CodecError::CountZero},
        {"writemem odd",
         [&] {
             return Build(WriteMemCmd{{}, 0, {1, 2, 3}}, out);
         },
         CodecError::Unaligned},
        {"writemem one word past",
         [&] {
             return Build(WriteMemCmd{{}, 0, std::vector<uint8_t>(WRITEMEM_MAX_SIZE + 4)}, out);
         },
         CodecError::CountTooLarge},
        {"readreg ack one past",
         [&] {
             return Build(ReadRegAck{{}, std::vector<uint32_t>(READREG_MAX_COUNT + 1)}, out);
         },
         CodecError::CountTooLarge},
        {"readmem ack one byte past",
         [&] {
             return Build(ReadMemAck{{}, 0, std::vector<uint8_t>(READMEM_MAX_SIZE + 1)}, out);
         },
         CodecError::CountTooLarge},
        {"packetresend 24-bit id overflow",
         [&] {
             return Build(PacketResendCmd{CommandHeader{0}, 0, 1, 0x1000000, 0x1000000}, out);
         },
         CodecError::ValueOutOfRange},
        {"event none", [&] { return Build(EventCmd{}, out); }, CodecError::CountZero},
        {"event 16-bit block id overflow",
         [&] {
             return Build(EventCmd{{}, {{1, 0, 0x10000, 0}}}, out);
         },
         CodecError::ValueOutOfRange},
        {"eventdata one byte past",
         [&] {
             return Build(
                 EventDataCmd{{}, {}, std::vector<uint8_t>(GVCP_MAX_PAYLOAD_SIZE - EVENT_ITEM_SIZE + 1)},
                 out);
         },
         CodecError::CountTooLarge},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(CodecErrorName(c.build()), std::string(CodecErrorName(c.expected))) << c.name;
        EXPECT_EQ(out, (Packet{1, 2, 3})) << c.name << ": a refused build leaves the output alone";
    }
}
