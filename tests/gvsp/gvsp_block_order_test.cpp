// Blocks leave the tracker in the order they started: one that waits for a lost packet holds back
// the newer blocks that end meanwhile, until it completes or times out.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gvsp/GvspBlockTracker.h"

using namespace ky::gev;

namespace {

constexpr uint32_t PACKET_SIZE = 68;  // 32 bytes of payload a packet: two packets a 16x4 image
constexpr size_t IMAGE_SIZE = 64;

struct Destinations : GvspBlockTracker::Host
{
    std::vector<std::vector<uint8_t>> memory =
        std::vector<std::vector<uint8_t>>(4, std::vector<uint8_t>(IMAGE_SIZE));
    size_t given = 0;
    std::vector<GvspCompletedBlock> ended;

    bool TakeDestination(GvspDestination &destination) override
    {
        if (given == memory.size())
            return false;
        destination = GvspDestination{memory[given].data(), IMAGE_SIZE, nullptr};
        ++given;
        return true;
    }
    void Emit(GvspCompletedBlock &&block) override { ended.push_back(std::move(block)); }
};

GvspLeader Mono8Leader(uint64_t timestamp)
{
    GvspLeader leader;
    leader.pixelFormat = 0x01080001;  // Mono8
    leader.sizeX = 16;
    leader.sizeY = 4;
    leader.timestamp = timestamp;
    return leader;
}

std::vector<uint8_t> Packet(uint64_t blockId, uint32_t packetId)
{
    std::vector<uint8_t> packet(256);
    GvspHeader header;
    header.blockId = blockId;
    header.packetId = packetId;
    size_t length = 0;
    if (packetId == 0) {
        header.format = GvspPacketFormat::Leader;
        length = GvspBuildLeader(packet.data(), packet.size(), header, Mono8Leader(blockId));
    } else if (packetId == 3) {
        header.format = GvspPacketFormat::Trailer;
        GvspTrailer trailer;
        trailer.sizeY = 4;
        length = GvspBuildTrailer(packet.data(), packet.size(), header, trailer);
    } else {
        const std::vector<uint8_t> data(32, uint8_t(blockId * 16 + packetId));
        length = GvspBuildPayload(packet.data(), packet.size(), header, data.data(), data.size());
    }
    packet.resize(length);
    return packet;
}

struct Tracker
{
    Destinations host;
    GvspBlockTracker tracker{host};
    GvspBlockTracker::Clock::time_point now = GvspBlockTracker::Clock::now();

    explicit Tracker(bool resend)
    {
        GvspReceiverConfig config;
        config.packetSize = PACKET_SIZE;
        config.resendEnabled = resend;
        tracker.Reset(config);
    }
    void Send(uint64_t blockId, std::initializer_list<uint32_t> packetIds)
    {
        for (uint32_t id : packetIds) {
            const std::vector<uint8_t> packet = Packet(blockId, id);
            ASSERT_FALSE(packet.empty());
            tracker.Process(packet.data(), packet.size(), now, false);
        }
    }
    std::vector<uint64_t> Ended() const
    {
        std::vector<uint64_t> ids;
        for (const GvspCompletedBlock &block : host.ended)
            ids.push_back(block.blockId);
        return ids;
    }
};

}  // namespace

TEST(GvspBlockOrder, ABlockWaitingForAResendHoldsBackNewerBlocks)
{
    Tracker t(true);
    t.Send(1, {0, 1});        // packet 2 lost on the way
    t.Send(2, {0, 1, 2, 3});  // complete
    t.Send(3, {0, 1, 2, 3});  // complete
    EXPECT_TRUE(t.Ended().empty()) << "blocks 2 and 3 must wait for block 1";
    t.Send(1, {2, 3});  // the resend arrives
    EXPECT_EQ(t.Ended(), (std::vector<uint64_t>{1, 2, 3}));
    for (const GvspCompletedBlock &block : t.host.ended)
        EXPECT_EQ(block.status, GvspBlockStatus::Complete) << block.blockId;
}

TEST(GvspBlockOrder, ABlockThatTimesOutIsHandedOverFirstWithItsStatus)
{
    Tracker t(false);
    t.Send(1, {0, 1});
    t.Send(2, {0, 1, 2, 3});
    EXPECT_TRUE(t.Ended().empty());
    t.tracker.CheckTimers(t.now + std::chrono::seconds(5));
    ASSERT_EQ(t.Ended(), (std::vector<uint64_t>{1, 2}));
    EXPECT_NE(t.host.ended[0].status, GvspBlockStatus::Complete);
    EXPECT_EQ(t.host.ended[1].status, GvspBlockStatus::Complete);
}

TEST(GvspBlockOrder, DroppingGivesBackHeldDestinationsOldestFirst)
{
    Tracker t(true);
    t.Send(1, {0, 1});
    t.Send(2, {0, 1, 2, 3});
    std::vector<GvspDestination> freed;
    t.tracker.DropAll(freed);
    ASSERT_EQ(freed.size(), 2u);
    EXPECT_EQ(freed[0].data, t.host.memory[0].data());
    EXPECT_EQ(freed[1].data, t.host.memory[1].data());
    EXPECT_TRUE(t.Ended().empty());
}
