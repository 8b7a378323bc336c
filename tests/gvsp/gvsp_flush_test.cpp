// GvspReceiver::Flush drops the block being assembled: its destination takes the next block, and
// what comes late of the dropped block is ignored.
#include <gtest/gtest.h>

#include <vector>

#include "GvspLoop.h"

using namespace ky::gev;
using namespace ky::gev::test;

TEST(GvspFlush, TheBlockInProgressGivesItsDestinationToTheNextBlock)
{
    GvspReceiver receiver;
    EXPECT_EQ(receiver.Flush().GetCode(), KY_STATE_ERROR) << "closed";
    GvspReceiverConfig config;
    config.packetSize = 1500;
    config.resendEnabled = false;
    config.blockTimeoutMs = 600000;  // the block in progress stays until the flush
    ASSERT_TRUE(receiver.Open(config, nullptr).IsOK());
    std::vector<uint8_t> memory(4000, 0);
    int cookie = 0;
    ASSERT_TRUE(receiver.QueueBlock(memory.data(), memory.size(), &cookie).IsOK());

    UdpSocket socket;
    ASSERT_TRUE(socket.Open("127.0.0.1", 0).IsOK());
    uint8_t packet[1500];
    auto send = [&](size_t size) {
        ASSERT_EQ(socket.SendTo(packet, size, 0x7F000001, receiver.LocalPort()), static_cast<ssize_t>(size));
    };
    // A block of 2 data packets of 1464 bytes: `first` up to `last` of leader (0), data (1, 2)
    // and trailer (3), the data bytes all `fill`.
    auto sendBlock = [&](uint64_t blockId, uint32_t first, uint32_t last, uint8_t fill) {
        const std::vector<uint8_t> line(1464, fill);
        for (uint32_t id = first; id <= last; ++id) {
            GvspHeader h;
            h.blockId = blockId;
            h.packetId = id;
            if (id == 0) {
                h.format = GvspPacketFormat::Leader;
                send(GvspBuildLeader(packet, sizeof packet, h, ImageLeader(KyPixelMono8, 1464, 2, blockId)));
            } else if (id == 3) {
                h.format = GvspPacketFormat::Trailer;
                GvspTrailer trailer;
                trailer.sizeY = 2;
                send(GvspBuildTrailer(packet, sizeof packet, h, trailer));
            } else {
                h.format = GvspPacketFormat::Payload;
                send(GvspBuildPayload(packet, sizeof packet, h, line.data(), line.size()));
            }
        }
    };
    sendBlock(3, 0, 1, 0x11);
    ASSERT_TRUE(WaitUntil([&] { return receiver.Counters().packetsReceived >= 2; }));
    ASSERT_TRUE(receiver.Flush().IsOK());
    EXPECT_EQ(receiver.QueuedCount(), 1u) << "the destination is queued again";
    sendBlock(3, 2, 3, 0x11);  // the rest of the dropped block
    sendBlock(4, 0, 3, 0x22);
    GvspCompletedBlock block;
    ASSERT_TRUE(receiver.WaitForBlock(block, WAIT_MS).IsOK());
    EXPECT_EQ(block.blockId, 4u);
    EXPECT_EQ(block.status, GvspBlockStatus::Complete) << GvspBlockStatusName(block.status);
    EXPECT_EQ(block.cookie, &cookie);
    EXPECT_EQ(memory[0], 0x22);
    EXPECT_EQ(memory[2927], 0x22);
    EXPECT_GE(receiver.Counters().packetsLate, 2u) << "block 3's packets after the flush";
    EXPECT_EQ(receiver.WaitForBlock(block, 0).GetCode(), KY_TIMEOUT) << "block 3 is never handed out";
}
