// In-place receiving: the socket writes the next datagram straight at the place of the packet
// expected next, whatever datagram that turns out to be. A place is only offered where a whole
// packet's payload fits inside the memory and the payload, so a stray, late or resent packet
// landing there never writes past them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "GvspLoop.h"
#include "gev/UdpSocket.h"
#include "gvsp/GvspBlockAssembler.h"
#include "gvsp/GvspPacketReader.h"

using namespace ky::gev;
using namespace ky::gev::test;

namespace {

constexpr uint8_t GUARD = 0xEE;
constexpr size_t BATCH = 8;

struct PlaceCase
{
    const char *name;
    size_t bytesPerPacket;
    uint32_t width;     // Mono8, one line: the payload size
    size_t spare;       // memory past the payload
    size_t shortBy;     // the memory queued ends this much before the memory allocated
    bool leader;        // the leader came (the payload size is known)
    bool trailer;       // the trailer came (the packet count is known)
    uint32_t received;  // data packets received in order before the aim
};

const PlaceCase PLACE_CASES[] = {
    {"short last packet, memory past it", 1000, 3500, 100, 0, true, false, 3},
    {"short last packet, memory ends with it", 1000, 3500, 0, 0, true, false, 3},
    {"short last packet, trailer first", 1000, 3500, 100, 0, false, true, 3},
    {"short last packet, nothing known", 1000, 3500, 100, 0, false, false, 3},
    {"whole packets only", 1000, 4000, 100, 0, true, false, 2},
    {"one short packet", 1000, 300, 100, 0, true, false, 0},
    {"memory smaller than the payload", 1000, 3500, 0, 500, false, false, 0},
};

struct Block
{
    std::vector<uint8_t> memory;
    size_t payload = 0;
    GvspBlockAssembler assembler;
};

// The block of the case, its memory filled with the guard byte, and its first packets received.
void StartBlock(const PlaceCase &c, Block &b)
{
    b.payload = c.width;
    b.memory.assign(b.payload + c.spare, GUARD);
    GvspDestination destination{b.memory.data(), b.memory.size() - c.shortBy, nullptr};
    const auto now = GvspBlockAssembler::Clock::now();
    b.assembler.Start(7, true, &destination, c.bytesPerPacket, now);
    if (c.leader)
        b.assembler.AddLeader(ImageLeader(KyPixelMono8, c.width, 1, 0), false, now);
    const uint32_t packets = static_cast<uint32_t>((b.payload + c.bytesPerPacket - 1) / c.bytesPerPacket);
    if (c.trailer) {
        GvspTrailer trailer;
        trailer.sizeY = 1;
        b.assembler.AddTrailer(packets + 1, trailer, false, now);
    }
    const std::vector<uint8_t> data(c.bytesPerPacket, 0x11);
    for (uint32_t id = 1; id <= c.received; ++id)
        ASSERT_EQ(b.assembler.AddPayload(id, data.data(), data.size(), false, now),
                  GvspBlockAssembler::Outcome::Placed);
}

}  // namespace

TEST(GvspInPlace, PlacesHoldAWholePacketInsideMemoryAndPayload)
{
    for (const PlaceCase &c : PLACE_CASES) {
        SCOPED_TRACE(c.name);
        Block b;
        StartBlock(c, b);
        const uint8_t *begin = b.memory.data();
        const size_t memoryEnd = b.memory.size() - c.shortBy;
        size_t offered = 0;
        for (uint64_t index = 0; index < 16; ++index) {
            uint32_t id = 0;
            uint8_t *place = nullptr;
            size_t length = 0;
            if (!b.assembler.PredictSlot(index, id, place, length))
                continue;
            ++offered;
            EXPECT_EQ(id, c.received + 1 + index);
            EXPECT_EQ(length, c.bytesPerPacket) << "room for a whole packet";
            EXPECT_EQ(static_cast<size_t>(place - begin), (id - 1) * c.bytesPerPacket);
            EXPECT_LE(static_cast<size_t>(place - begin) + length, memoryEnd) << "packet " << id;
            if (c.leader || c.trailer) {
                EXPECT_LE(static_cast<size_t>(place - begin) + length, b.payload) << "packet " << id;
            }
        }
        // Every whole packet still to come inside the payload and the memory is offered.
        const size_t fitting = std::min(b.payload, memoryEnd) / c.bytesPerPacket;
        EXPECT_EQ(offered, fitting > c.received ? fitting - c.received : 0);
    }
}

// A whole packet of another block (the next block, a resend of an earlier packet, a late
// packet) comes where the short last packet of the block was expected: it is read aside, and the
// memory past the payload keeps its bytes.
TEST(GvspInPlace, StrayWholePacketsNeverWritePastThePayload)
{
    for (const PlaceCase &c : PLACE_CASES) {
        SCOPED_TRACE(c.name);
        Block b;
        StartBlock(c, b);
        const size_t header = GVSP_EXTENDED_HEADER_SIZE;
        const size_t slotSize = header + c.bytesPerPacket + 64;

        UdpSocket receiver, sender;
        ASSERT_TRUE(receiver.Open("127.0.0.1", 0).IsOK());
        ASSERT_TRUE(sender.Open("127.0.0.1", 0).IsOK());
        sockaddr_in to;
        ASSERT_TRUE(UdpSocket::MakeAddress("127.0.0.1", receiver.LocalPort(), to).IsOK());

        GvspPacketReader reader;
        reader.Setup(BATCH, slotSize, false);
        for (size_t i = 0; i < BATCH; ++i) {
            GvspPacketReader::Aim aim;
            aim.headerSize = header;
            aim.blockId = b.assembler.BlockId();
            if (b.assembler.PredictSlot(i, aim.packetId, aim.place, aim.placeLength))
                reader.AimAt(i, aim);
            else
                reader.ReadWhole(i);
        }
        // Whole packets of the next block, one per aimed message.
        std::vector<std::vector<uint8_t>> sent;
        for (uint32_t id = 1; id <= BATCH; ++id) {
            GvspHeader h;
            h.extendedId = true;
            h.blockId = b.assembler.BlockId() + 1;
            h.packetId = id;
            const std::vector<uint8_t> data(c.bytesPerPacket, static_cast<uint8_t>(0x40 + id));
            std::vector<uint8_t> packet(slotSize);
            packet.resize(GvspBuildPayload(packet.data(), packet.size(), h, data.data(), data.size()));
            ASSERT_FALSE(packet.empty());
            ASSERT_EQ(sendto(sender.Fd(), packet.data(), packet.size(), 0,
                             reinterpret_cast<const sockaddr *>(&to), sizeof to),
                      static_cast<ssize_t>(packet.size()));
            sent.push_back(packet);
        }
        int count = 0;
        for (int attempt = 0; attempt < 1000 && count < static_cast<int>(BATCH); ++attempt) {
            count = reader.Read(receiver);
            if (count <= 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(count, static_cast<int>(BATCH));
        reader.Settle(count);
        for (size_t i = 0; i < BATCH; ++i) {
            EXPECT_FALSE(reader.InPlace(i)) << "a packet of another block is never in place";
            ASSERT_EQ(reader.Length(i), sent[i].size());
            EXPECT_EQ(0, std::memcmp(reader.Data(i), sent[i].data(), sent[i].size())) << "message " << i;
        }
        for (size_t at = b.payload; at < b.memory.size(); ++at)
            ASSERT_EQ(b.memory[at], GUARD) << "byte " << at << " past the payload";
    }
}
