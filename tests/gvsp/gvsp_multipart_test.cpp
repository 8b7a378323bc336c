// Multi-part blocks: the leader's part descriptors and the data packets' part information on
// the wire, hostile leaders and packets refused with nothing written past the destination, and
// the buffer filled from a received block describing each part.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gev/Gvsp.h"
#include "gvsp/GvspBlockAssembler.h"
#include "gvsp/GvspBlockTracker.h"
#include "gvsp/GvspBufferFill.h"
#include "ky/buffer/KyBuffer.h"

using namespace ky::gev;

namespace {

constexpr uint8_t GUARD = 0xEE;

GvspPartDescriptor Part(uint16_t type, uint64_t length)
{
    GvspPartDescriptor p;
    p.dataType = type;
    p.length = length;
    return p;
}

// A Mono8 image part of width x height, a JPEG part and a chunk part.
GvspLeader ThreeParts(uint32_t width, uint32_t height, uint64_t jpeg, uint64_t chunk)
{
    GvspLeader leader;
    leader.payloadType = static_cast<uint16_t>(GvspPayloadType::MultiPart);
    leader.timestamp = 0x0102030405060708ull;
    GvspPartDescriptor image = Part(1, uint64_t(width) * height);
    image.pixelFormat = 0x01080001;  // Mono8
    image.sizeX = width;
    image.sizeY = height;
    image.offsetX = 3;
    image.offsetY = 4;
    image.sourceId = 7;
    image.dataPurposeId = 8;
    image.regionId = 9;
    image.additionalZones = 1;
    image.zoneDirections = 0x40000000;
    GvspPartDescriptor compressed = Part(11, jpeg);
    compressed.jpegFlag = 0x5A;
    compressed.tickFrequency = 1000000000ull;
    compressed.dataFormat = 3;
    GvspPartDescriptor chunks = Part(10, chunk);
    chunks.chunkLayoutId = 0xC0FFEE;
    leader.parts = {image, compressed, chunks};
    return leader;
}

std::vector<uint8_t> LeaderBody(const GvspLeader &leader)
{
    std::vector<uint8_t> packet(GVSP_EXTENDED_HEADER_SIZE + GVSP_LEADER_COMMON_SIZE +
                                leader.parts.size() * GVSP_MULTIPART_DESCRIPTOR_SIZE);
    GvspHeader header;
    header.blockId = 1;
    header.format = GvspPacketFormat::Leader;
    const size_t length = GvspBuildLeader(packet.data(), packet.size(), header, leader);
    EXPECT_EQ(length, GVSP_STANDARD_HEADER_SIZE + GVSP_LEADER_COMMON_SIZE +
                          leader.parts.size() * GVSP_MULTIPART_DESCRIPTOR_SIZE);
    return std::vector<uint8_t>(packet.begin() + GVSP_STANDARD_HEADER_SIZE, packet.begin() + length);
}

}  // namespace

TEST(GvspMultiPart, LeaderDescriptorsRoundTrip)
{
    const GvspLeader sent = ThreeParts(16, 4, 300, 20);
    const std::vector<uint8_t> body = LeaderBody(sent);
    GvspLeader got;
    ASSERT_TRUE(GvspParseLeader(body.data(), body.size(), got).IsOK());
    EXPECT_EQ(got.BaseType(), static_cast<uint16_t>(GvspPayloadType::MultiPart));
    EXPECT_EQ(got.timestamp, sent.timestamp);
    ASSERT_EQ(got.parts.size(), 3u);
    EXPECT_EQ(got.ExpectedPayloadSize(), 64u + 300u + 20u);
    const GvspPartDescriptor &image = got.parts[0];
    EXPECT_EQ(image.dataType, 1);
    EXPECT_EQ(image.length, 64u);
    EXPECT_EQ(image.pixelFormat, 0x01080001u);
    EXPECT_EQ(image.sizeX, 16u);
    EXPECT_EQ(image.sizeY, 4u);
    EXPECT_EQ(image.offsetX, 3u);
    EXPECT_EQ(image.offsetY, 4u);
    EXPECT_EQ(image.sourceId, 7);
    EXPECT_EQ(image.dataPurposeId, 8);
    EXPECT_EQ(image.regionId, 9);
    EXPECT_EQ(image.additionalZones, 1);
    EXPECT_EQ(image.zoneDirections, 0x40000000u);
    EXPECT_EQ(image.blockOffset, 0u);
    EXPECT_EQ(got.parts[1].jpegFlag, 0x5A);
    EXPECT_EQ(got.parts[1].tickFrequency, 1000000000ull);
    EXPECT_EQ(got.parts[1].dataFormat, 3u);
    EXPECT_EQ(got.parts[1].blockOffset, 64u);
    EXPECT_EQ(got.parts[2].chunkLayoutId, 0xC0FFEEu);
    EXPECT_EQ(got.parts[2].blockOffset, 364u);

    uint8_t packet[64];
    GvspHeader header;
    header.blockId = 2;
    header.packetId = 5;
    header.format = GvspPacketFormat::MultiPart;
    GvspMultiPartInfo info;
    info.partId = 2;
    info.zoneInfo = 0x81;
    info.offset = 0x123456789ABCull;
    const uint8_t data[3] = {1, 2, 3};
    const size_t length = GvspBuildMultiPartPayload(packet, sizeof packet, header, info, data, sizeof data);
    ASSERT_EQ(length, GVSP_STANDARD_HEADER_SIZE + GVSP_MULTIPART_INFO_SIZE + 3);
    GvspHeader parsed;
    ASSERT_TRUE(GvspParseHeader(packet, length, parsed).IsOK());
    EXPECT_EQ(parsed.format, GvspPacketFormat::MultiPart);
    GvspMultiPartInfo back;
    ASSERT_TRUE(GvspParseMultiPartInfo(packet + parsed.Size(), length - parsed.Size(), back).IsOK());
    EXPECT_EQ(back.partId, 2);
    EXPECT_EQ(back.zoneInfo, 0x81);
    EXPECT_EQ(back.offset, 0x123456789ABCull);
    EXPECT_FALSE(GvspParseMultiPartInfo(packet + parsed.Size(), 7, back).IsOK());
}

TEST(GvspMultiPart, HostileLeadersAreRefused)
{
    const std::vector<uint8_t> good = LeaderBody(ThreeParts(16, 4, 300, 20));
    struct Case
    {
        const char *name;
        std::vector<uint8_t> body;
    };
    std::vector<uint8_t> cut(good.begin(), good.end() - 1);
    std::vector<uint8_t> none(good.begin(), good.begin() + GVSP_LEADER_COMMON_SIZE);
    std::vector<uint8_t> huge(none);
    for (size_t i = 0; i < GVSP_MULTIPART_MAX_PARTS + 1; ++i)
        huge.insert(huge.end(), good.begin() + GVSP_LEADER_COMMON_SIZE,
                    good.begin() + GVSP_LEADER_COMMON_SIZE + GVSP_MULTIPART_DESCRIPTOR_SIZE);
    std::vector<uint8_t> shortCommon(good.begin(), good.begin() + 11);
    const Case cases[] = {
        {"a descriptor cut short", cut},
        {"no descriptor", none},
        {"more parts than part ids", huge},
        {"common fields cut short", shortCommon},
    };
    for (const Case &c : cases) {
        GvspLeader leader;
        leader.sizeX = 99;
        EXPECT_FALSE(GvspParseLeader(c.body.data(), c.body.size(), leader).IsOK()) << c.name;
        EXPECT_EQ(leader.sizeX, 99u) << c.name;  // nothing taken from a refused leader
        EXPECT_TRUE(leader.parts.empty()) << c.name;
    }
}

namespace {

struct Block
{
    std::vector<uint8_t> memory;
    size_t capacity = 0;
    GvspBlockAssembler assembler;
    GvspBlockAssembler::Clock::time_point now = GvspBlockAssembler::Clock::now();

    Block(size_t aCapacity, size_t guard) : memory(aCapacity + guard, GUARD), capacity(aCapacity)
    {
        GvspDestination destination{memory.data(), capacity, nullptr};
        assembler.Start(9, false, &destination, 1000, now);
    }
    // A data packet at an offset in a part of ThreeParts(16, 4, 300, 20): parts at 0, 64, 364.
    GvspBlockAssembler::Outcome Data(uint32_t id, uint8_t part, uint64_t offset, size_t length, uint8_t fill)
    {
        static const uint64_t partStart[] = {0, 64, 364, 384};
        GvspMultiPartInfo info;
        info.partId = part;
        info.offset = partStart[part < 4 ? part : 3] + offset;
        const std::vector<uint8_t> data(length, fill);
        return assembler.AddMultiPartPayload(id, info, data.data(), data.size(), false, now);
    }
    bool GuardIntact() const
    {
        for (size_t i = capacity; i < memory.size(); ++i)
            if (memory[i] != GUARD)
                return false;
        return true;
    }
};

}  // namespace

TEST(GvspMultiPart, PacketsArePlacedByPartAndOffset)
{
    Block b(64 + 300 + 20, 64);
    GvspLeader leader = ThreeParts(16, 4, 300, 20);
    ASSERT_EQ(b.assembler.AddLeader(leader, false, b.now), GvspBlockAssembler::Outcome::Placed);
    // Each part starts a packet; packets come in any order.
    EXPECT_EQ(b.Data(3, 1, 200, 100, 0xB2), GvspBlockAssembler::Outcome::Placed);
    EXPECT_EQ(b.Data(1, 0, 0, 64, 0xA0), GvspBlockAssembler::Outcome::Placed);
    EXPECT_EQ(b.Data(2, 1, 0, 200, 0xB1), GvspBlockAssembler::Outcome::Placed);
    EXPECT_EQ(b.Data(4, 2, 0, 20, 0xC0), GvspBlockAssembler::Outcome::Placed);
    EXPECT_EQ(b.Data(4, 2, 0, 20, 0xC0), GvspBlockAssembler::Outcome::Duplicate);
    GvspTrailer trailer;
    trailer.payloadType = leader.payloadType;
    ASSERT_EQ(b.assembler.AddTrailer(5, trailer, false, b.now), GvspBlockAssembler::Outcome::Placed);
    ASSERT_TRUE(b.assembler.Done());
    GvspCompletedBlock done;
    b.assembler.Finish(GvspBlockStatus::Complete, done);
    EXPECT_EQ(done.status, GvspBlockStatus::Complete);
    EXPECT_EQ(done.filledSize, 384u);
    EXPECT_EQ(b.memory[0], 0xA0);
    EXPECT_EQ(b.memory[64 + 199], 0xB1);
    EXPECT_EQ(b.memory[64 + 200], 0xB2);
    EXPECT_EQ(b.memory[364], 0xC0);
    EXPECT_TRUE(b.GuardIntact());

    // The buffer that gets the block describes each part over its memory.
    KyBuffer buffer;
    ASSERT_TRUE(buffer.Attach(b.memory.data(), uint32_t(b.capacity)).IsOK());
    ky::gev::FillBufferFromBlock(done, buffer);
    // The chunk part holds no whole chunk (its bytes are 0xC0): the index refuses nothing, the
    // chunk view lists no chunk.
    ASSERT_TRUE(buffer.GetOperationResult().IsOK())
        << buffer.GetOperationResult().GetDescription().GetAscii();
    IKyMultiPartContainer *parts = buffer.GetMultiPartContainer();
    ASSERT_NE(parts, nullptr);
    ASSERT_EQ(parts->GetPartCount(), 3u);
    EXPECT_EQ(parts->GetPart(0)->GetImage()->GetWidth(), 16u);
    EXPECT_EQ(parts->GetPart(0)->GetImage()->GetOffsetX(), 3u);
    EXPECT_EQ(parts->GetPart(0)->GetSourceID(), 7u);
    EXPECT_EQ(parts->GetPart(0)->GetZoneDirectionMask(), 0x40000000u);
    EXPECT_EQ(parts->GetPart(1)->GetJPEG()->GetFlag(), 0x5A);
    EXPECT_EQ(parts->GetPart(1)->GetJPEG()->GetDataSize(), 300u);
    EXPECT_EQ(parts->GetPart(1)->GetDataPointer(), b.memory.data() + 64);
    EXPECT_EQ(parts->GetPart(2)->GetChunkData()->GetChunkLayoutID(), 0xC0FFEEu);
    EXPECT_EQ(parts->GetPart(2)->GetChunkData()->GetChunkCount(), 0u);
    EXPECT_EQ(buffer.Detach(), b.memory.data());
}

TEST(GvspMultiPart, HostilePacketsWriteNothingPastTheirPart)
{
    struct Case
    {
        const char *name;
        uint8_t part;
        uint64_t offset;
        size_t length;
    };
    const Case cases[] = {
        {"part id past the leader's parts", 3, 0, 10},
        {"offset past the part", 0, 65, 1},
        {"data running past the part", 0, 60, 10},
        {"offset near 2^48", 2, (uint64_t(1) << 48) - 400, 10},
    };
    for (const Case &c : cases) {
        Block b(64 + 300 + 20, 64);
        ASSERT_EQ(b.assembler.AddLeader(ThreeParts(16, 4, 300, 20), false, b.now),
                  GvspBlockAssembler::Outcome::Placed);
        EXPECT_EQ(b.Data(1, c.part, c.offset, c.length, 0x55), GvspBlockAssembler::Outcome::WrongId)
            << c.name;
        // Data at part 0's place sent as part 1: before the part it names.
        GvspMultiPartInfo early;
        early.partId = 1;
        early.offset = 10;
        const uint8_t byte = 0x55;
        EXPECT_EQ(b.assembler.AddMultiPartPayload(2, early, &byte, 1, false, b.now),
                  GvspBlockAssembler::Outcome::WrongId)
            << c.name;
        for (size_t i = 0; i < b.memory.size(); ++i)
            ASSERT_EQ(b.memory[i], GUARD) << c.name << ": byte " << i;
    }

    // Parts larger than the destination: what fits is placed, nothing past it, and the block
    // ends as too large for its buffer.
    Block small(100, 64);
    ASSERT_EQ(small.assembler.AddLeader(ThreeParts(16, 4, 300, 20), false, small.now),
              GvspBlockAssembler::Outcome::Placed);
    EXPECT_EQ(small.Data(1, 0, 0, 64, 0xA0), GvspBlockAssembler::Outcome::Placed);
    EXPECT_EQ(small.Data(2, 1, 0, 200, 0xB1), GvspBlockAssembler::Outcome::Placed);
    EXPECT_EQ(small.Data(3, 2, 0, 20, 0xC0), GvspBlockAssembler::Outcome::Placed);
    EXPECT_TRUE(small.GuardIntact());
    GvspCompletedBlock done;
    small.assembler.Finish(GvspBlockStatus::Timeout, done);
    EXPECT_EQ(done.status, GvspBlockStatus::Timeout);

    // Data packets before the leader cannot be placed and are let go.
    Block early(400, 64);
    EXPECT_EQ(early.Data(1, 0, 0, 64, 0xA0), GvspBlockAssembler::Outcome::Ignored);
    for (size_t i = 0; i < early.memory.size(); ++i)
        ASSERT_EQ(early.memory[i], GUARD) << "byte " << i;
    uint32_t packetId = 0;
    uint8_t *slot = nullptr;
    size_t slotLength = 0;
    EXPECT_FALSE(early.assembler.PredictSlot(0, packetId, slot, slotLength));  // no in-place reading
}

TEST(GvspMultiPart, BufferRefusesPartsThatDoNotFitTheBlock)
{
    struct Case
    {
        const char *name;
        GvspLeader leader;
        size_t filled;
    };
    GvspLeader tooWide = ThreeParts(16, 4, 300, 20);
    tooWide.parts[0].sizeX = 17;  // 68 bytes of image in a 64-byte part
    GvspLeader unknownPixel = ThreeParts(16, 4, 300, 20);
    unknownPixel.parts[0].pixelFormat = 0;
    const Case cases[] = {
        {"parts past the bytes that arrived", ThreeParts(16, 4, 300, 20), 383},
        {"image larger than its part", tooWide, 384},
        {"image of no pixel size", unknownPixel, 384},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> memory(512, 0);
        GvspCompletedBlock block;
        block.data = memory.data();
        block.capacity = memory.size();
        block.status = GvspBlockStatus::Complete;
        block.blockId = 3;
        block.leaderReceived = block.trailerReceived = true;
        block.leader = c.leader;
        block.payloadSize = block.filledSize = c.filled;
        KyBuffer buffer;
        ASSERT_TRUE(buffer.Attach(memory.data(), uint32_t(memory.size())).IsOK());
        ky::gev::FillBufferFromBlock(block, buffer);
        EXPECT_EQ(buffer.GetOperationResult().GetCode(), uint32_t(KY_INVALID_DATA_FORMAT)) << c.name;
        ASSERT_NE(buffer.GetMultiPartContainer(), nullptr) << c.name;
        EXPECT_EQ(buffer.GetMultiPartContainer()->GetPartCount(), 0u) << c.name;
        EXPECT_EQ(buffer.Detach(), memory.data());
    }
}

namespace {

// A tracker with one destination, keeping the blocks it ends.
struct OneDestination : GvspBlockTracker::Host
{
    std::vector<uint8_t> memory = std::vector<uint8_t>(1024, GUARD);
    bool given = false;
    std::vector<GvspCompletedBlock> ended;

    bool TakeDestination(GvspDestination &destination) override
    {
        if (given)
            return false;
        given = true;
        destination = GvspDestination{memory.data(), 512, nullptr};
        return true;
    }
    void Emit(GvspCompletedBlock &&block) override { ended.push_back(std::move(block)); }
};

std::vector<uint8_t> ExtendedLeader(const GvspLeader &leader, uint32_t count)
{
    std::vector<uint8_t> packet(1024);
    GvspHeader header;
    header.blockId = 1;
    header.extendedId = true;
    header.format = GvspPacketFormat::Leader;
    header.extendedReserved = count;
    packet.resize(GvspBuildLeader(packet.data(), packet.size(), header, leader));
    return packet;
}

}  // namespace

TEST(GvspMultiPart, ExtendedLeaderCountsItsParts)
{
    const GvspLeader leader = ThreeParts(16, 4, 300, 20);
    struct Case
    {
        const char *name;
        uint32_t count;
        bool refused;
        uint64_t size;  // what the block then announces
    };
    const Case cases[] = {
        {"count of the descriptors", 3, false, 384},     {"no count: every descriptor", 0, false, 384},
        {"fewer: the rest is padding", 2, false, 364},   {"more than the descriptors", 4, true, 0},
        {"far more than the descriptors", 255, true, 0},
    };
    for (const Case &c : cases) {
        OneDestination host;
        GvspBlockTracker tracker(host);
        GvspReceiverConfig config;
        config.packetSize = 1500;
        tracker.Reset(config);
        const std::vector<uint8_t> packet = ExtendedLeader(leader, c.count);
        ASSERT_FALSE(packet.empty()) << c.name;
        GvspHeader parsed;
        ASSERT_TRUE(GvspParseHeader(packet.data(), packet.size(), parsed).IsOK()) << c.name;
        EXPECT_EQ(parsed.extendedReserved, c.count) << c.name;
        const auto now = GvspBlockTracker::Clock::now();
        tracker.Process(packet.data(), packet.size(), now, false);
        EXPECT_EQ(tracker.Snapshot().packetsMalformed, c.refused ? 1u : 0u) << c.name;
        tracker.AbortAll();
        if (!c.refused) {
            ASSERT_EQ(host.ended.size(), 1u) << c.name;
            EXPECT_EQ(host.ended[0].leader.ExpectedPayloadSize(), c.size) << c.name;
        }
    }
}
