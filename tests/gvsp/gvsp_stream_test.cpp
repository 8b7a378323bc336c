// GVSP sender to receiver over loopback: frames arrive pixel-exact, lost packets come back
// through resends, and every way a block can end gives its documented status.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "GvspLoop.h"

using namespace ky::gev;
using namespace ky::gev::test;

namespace {

struct StreamCase
{
    uint32_t pixelFormat;
    uint32_t width;
    uint32_t height;
    uint32_t packetSize;
    bool extendedIds;
    uint64_t firstBlockId;
    bool learnPacketSize = false;  // the receiver is not told the packet size
};

void SendFrame(GvspLoop &loop, uint64_t blockId, const std::vector<uint8_t> &frame, const GvspLeader &leader)
{
    ASSERT_TRUE(loop.SendFrame(blockId, frame, leader).IsOK());
}

}  // namespace

TEST(GvspStream, FramesArrivePixelExact)
{
    const StreamCase cases[] = {
        {KyPixelMono8, 64, 48, 1500, false, 1},
        {KyPixelBayerRG8, 640, 480, 1500, false, 65534},  // block ids wrap past 0xFFFF to 1
        {KyPixelMono8, 2448, 2048, 9000, false, 10},
        {KyPixelBayerRG8, 1000, 777, 9000, true, 0x100000000ull},
        {KyPixelMono8, 1920, 1080, 16000, true, 5},  // jumbo packets on loopback
        {KyPixelMono16, 333, 111, 1500, true, 1, true},
        {KyPixelMono8, 100, 1, 1500, false, 1, true},  // one data packet
        {KyPixelBayerRG8, 2448, 2048, 9000, false, 1, true},
    };
    for (const auto &c : cases) {
        for (Transfer transfer : ALL_TRANSFERS) {
            SCOPED_TRACE(testing::Message()
                         << c.width << "x" << c.height << " packet " << c.packetSize
                         << (c.extendedIds ? " extended " : " standard ") << TransferName(transfer));
            GvspLoop loop;
            GvspSenderConfig sc;
            sc.packetSize = c.packetSize;
            sc.extendedIds = c.extendedIds;
            GvspReceiverConfig rc;
            SetTransfer(transfer, sc, rc);
            rc.packetSize = c.learnPacketSize ? 0 : c.packetSize;
            ASSERT_TRUE(loop.Open(sc, rc).IsOK());
            // The tests run with the network privileges of their namespace: the ring opens.
            EXPECT_EQ(loop.receiver.UsesPacketRing(), transfer == Transfer::Ring);
            const size_t size =
                static_cast<size_t>(c.width) * c.height * (((c.pixelFormat >> 16) & 0xFF) / 8);
            const int frames = 3;
            std::vector<std::vector<uint8_t>> destinations(frames, std::vector<uint8_t>(size + 100, 0xEE));
            for (int f = 0; f < frames; ++f)
                ASSERT_TRUE(
                    loop.receiver.QueueBlock(destinations[f].data(), destinations[f].size(), &destinations[f])
                        .IsOK());
            uint64_t blockId = c.firstBlockId;
            std::vector<uint64_t> sentIds;
            for (int f = 0; f < frames; ++f) {
                SendFrame(loop, blockId, Pattern(size, f),
                          ImageLeader(c.pixelFormat, c.width, c.height, 1000 + f));
                sentIds.push_back(blockId);
                blockId = (!c.extendedIds && blockId == 0xFFFF) ? 1 : blockId + 1;
            }
            for (int f = 0; f < frames; ++f) {
                GvspCompletedBlock block;
                ASSERT_TRUE(loop.receiver.WaitForBlock(block, WAIT_MS).IsOK());
                EXPECT_EQ(block.status, GvspBlockStatus::Complete) << GvspBlockStatusName(block.status);
                EXPECT_TRUE(block.Result().IsOK());
                EXPECT_EQ(block.cookie, &destinations[f]);
                EXPECT_EQ(block.blockId, sentIds[f]);
                EXPECT_EQ(block.leader.pixelFormat, c.pixelFormat);
                EXPECT_EQ(block.leader.sizeX, c.width);
                EXPECT_EQ(block.leader.sizeY, c.height);
                EXPECT_EQ(block.leader.timestamp, 1000u + f);
                EXPECT_EQ(block.trailer.sizeY, c.height);
                EXPECT_EQ(block.payloadSize, size);
                EXPECT_EQ(block.filledSize, size);
                EXPECT_TRUE(block.missing.empty());
                const std::vector<uint8_t> expected = Pattern(size, f);
                EXPECT_EQ(0, std::memcmp(destinations[f].data(), expected.data(), size)) << "frame " << f;
                EXPECT_EQ(destinations[f][size], 0xEE) << "nothing written past the payload";
            }
            const GvspReceiverCounters counters = loop.receiver.Counters();
            EXPECT_EQ(counters.blocksCompleted, 3u);
            EXPECT_EQ(counters.blocksFailed, 0u);
            EXPECT_EQ(counters.packetsLost, 0u);
            // A busy machine may drop a packet on the way (then it came again), or a packet may come
            // late after its resend was asked for (then it came twice). Every frame is complete, so
            // every packet sent arrived at least once, and nothing came that was not sent.
            const GvspSenderCounters sent = loop.sender.Counters();
            EXPECT_GE(counters.packetsReceived, sent.packetsSent);
            EXPECT_LE(counters.packetsReceived, sent.packetsSent + sent.packetsResent);
            EXPECT_LE(counters.resendPacketsReceived, sent.packetsResent);
            EXPECT_LE(sent.resendRequests, counters.resendRequests)
                << "the sender heard only what the receiver asked";
            if (counters.resendRequests == 0) {
                EXPECT_EQ(sent.packetsResent, 0u);
                EXPECT_EQ(counters.packetsReceived, sent.packetsSent);
            }
            // A block longer than one read batch is aimed at its destination after its first batch.
            if (transfer == Transfer::InPlace && counters.packetsReceived > 3 * 128) {
                EXPECT_GT(counters.packetsInPlace, 0u);
            }
            if (transfer != Transfer::InPlace) {
                EXPECT_EQ(counters.packetsInPlace, 0u);
            }
        }
    }
}

TEST(GvspStream, DroppedPacketsComeBackThroughResends)
{
    const struct
    {
        uint32_t packetSize;
        bool extendedIds;
        bool receiverKnowsPacketSize;
        Transfer transfer;
    } cases[] = {{1500, false, true, Transfer::Offload}, {9000, false, true, Transfer::Offload},
                 {9000, true, true, Transfer::Plain},    {1500, false, false, Transfer::Offload},
                 {1500, false, true, Transfer::InPlace}, {9000, true, false, Transfer::InPlace},
                 {1500, false, true, Transfer::Ring},    {9000, true, false, Transfer::Ring}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.packetSize << (c.extendedIds ? " extended" : "")
                     << (c.receiverKnowsPacketSize ? " " : " learnt ") << TransferName(c.transfer));
        GvspLoop loop;
        GvspSenderConfig sc;
        sc.packetSize = c.packetSize;
        sc.extendedIds = c.extendedIds;
        sc.resendCacheBlocks = 16;
        GvspReceiverConfig rc;
        SetTransfer(c.transfer, sc, rc);
        rc.packetSize = c.receiverKnowsPacketSize ? c.packetSize : 0;
        rc.resendTimeoutMs = 10;
        rc.maxResendRounds = 10;
        ASSERT_TRUE(loop.Open(sc, rc).IsOK());
        loop.sender.SetTestDropFraction(0.03, 1234);
        const uint32_t width = 800, height = 600;
        const int frames = 12;
        std::vector<std::vector<uint8_t>> destinations(frames, std::vector<uint8_t>(width * height));
        for (auto &d : destinations)
            ASSERT_TRUE(loop.receiver.QueueBlock(d.data(), d.size(), nullptr).IsOK());
        for (int f = 0; f < frames; ++f)
            SendFrame(loop, f + 1, Pattern(width * height, f),
                      ImageLeader(KyPixelBayerRG8, width, height, f));
        uint32_t recovered = 0;
        for (int f = 0; f < frames; ++f) {
            GvspCompletedBlock block;
            ASSERT_TRUE(loop.receiver.WaitForBlock(block, WAIT_MS).IsOK());
            EXPECT_EQ(block.status, GvspBlockStatus::Complete) << GvspBlockStatusName(block.status);
            const int frame = static_cast<int>(block.blockId) - 1;
            ASSERT_GE(frame, 0);
            ASSERT_LT(frame, frames);
            const std::vector<uint8_t> expected = Pattern(width * height, frame);
            EXPECT_EQ(0, std::memcmp(block.data, expected.data(), expected.size())) << "frame " << frame;
            // Resent packets come only for ranges this block asked for (a range "to the end"
            // counts as one requested packet however many it brings).
            if (block.stats.packetsRecovered > 0) {
                EXPECT_GT(block.stats.resendGroupsRequested, 0u);
            }
            recovered += block.stats.packetsRecovered;
        }
        const GvspSenderCounters sent = loop.sender.Counters();
        const GvspReceiverCounters counters = loop.receiver.Counters();
        EXPECT_GT(sent.packetsDroppedOnPurpose, 0u);
        EXPECT_GT(counters.resendRequests, 0u);
        EXPECT_GE(counters.resendPacketsReceived, sent.packetsDroppedOnPurpose);
        EXPECT_EQ(recovered, counters.resendPacketsReceived);
        EXPECT_GT(sent.packetsResent, 0u);
        EXPECT_EQ(counters.blocksCompleted, static_cast<uint64_t>(frames));
        EXPECT_EQ(counters.packetsLost, 0u);
    }
}

TEST(GvspStream, OtherPayloadTypesTravelWhole)
{
    const uint16_t image = static_cast<uint16_t>(GvspPayloadType::Image);
    const uint16_t raw = static_cast<uint16_t>(GvspPayloadType::RawData);
    const uint16_t chunk = static_cast<uint16_t>(GvspPayloadType::ChunkData);
    const struct
    {
        uint16_t payloadType;
        size_t size;
        uint32_t trailerSizeY;
        uint32_t chunkLayoutId;
    } cases[] = {
        {raw, 10000, 0, 0},
        {chunk, 3000, 3000, 0},
        {static_cast<uint16_t>(image | GVSP_PAYLOAD_TYPE_EXTENDED_CHUNK_MASK), 64 * 48 + 40, 48, 0xABCD},
        {static_cast<uint16_t>(raw | GVSP_PAYLOAD_TYPE_EXTENDED_CHUNK_MASK), 5000, 0, 7},
        {image, 0, 0, 0},  // an empty block: leader and trailer only
    };
    GvspLoop loop;
    ASSERT_TRUE(loop.Open(GvspSenderConfig(), GvspReceiverConfig()).IsOK());
    std::vector<uint8_t> memory(20000);
    uint64_t blockId = 1;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.payloadType);
        ASSERT_TRUE(loop.receiver.QueueBlock(memory.data(), memory.size(), nullptr).IsOK());
        const std::vector<uint8_t> payload = Pattern(c.size, static_cast<uint32_t>(blockId));
        GvspOutgoingBlock block;
        block.blockId = blockId;
        block.leader.payloadType = c.payloadType;
        block.leader.sizeX = 64;
        block.leader.sizeY = c.trailerSizeY;
        block.leader.pixelFormat = KyPixelMono8;
        block.leader.payloadSize = c.size;
        block.leader.timestamp = 99;
        block.data = payload.data();
        block.size = payload.size();
        block.chunkLayoutId = c.chunkLayoutId;
        ASSERT_TRUE(loop.sender.SendBlock(block).IsOK());
        GvspCompletedBlock out;
        ASSERT_TRUE(loop.receiver.WaitForBlock(out, WAIT_MS).IsOK());
        EXPECT_EQ(out.status, GvspBlockStatus::Complete) << GvspBlockStatusName(out.status);
        EXPECT_EQ(out.blockId, blockId);
        EXPECT_EQ(out.leader.payloadType, c.payloadType);
        EXPECT_EQ(out.trailer.payloadType, c.payloadType);
        EXPECT_EQ(out.trailer.sizeY, c.trailerSizeY);
        EXPECT_EQ(out.trailer.chunkLayoutId, c.chunkLayoutId);
        EXPECT_EQ(out.leader.timestamp, 99u);
        EXPECT_EQ(out.payloadSize, c.size);
        if (c.size > 0) {
            EXPECT_EQ(0, std::memcmp(memory.data(), payload.data(), c.size));
        }
        ++blockId;
    }
}
