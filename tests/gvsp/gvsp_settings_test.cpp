// GVSP sender and receiver settings: socket buffers, paced sending, packet size changes,
// refused settings, resend ranges outside a block.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "GvspLoop.h"

using namespace ky::gev;
using namespace ky::gev::test;

namespace {

KyResult Send(GvspSender &sender, uint64_t blockId, const std::vector<uint8_t> &frame, uint32_t width)
{
    GvspOutgoingBlock block;
    block.blockId = blockId;
    block.leader = ImageLeader(KyPixelMono8, width, static_cast<uint32_t>(frame.size() / width), blockId);
    block.data = frame.data();
    block.size = frame.size();
    return sender.SendBlock(block);
}

}  // namespace

TEST(GvspSettings, ReceiveBufferIsSizedUp)
{
    GvspReceiver receiver;
    GvspReceiverConfig rc;
    rc.socketBufferSize = 48u << 20;  // above the usual system maximum
    ASSERT_TRUE(receiver.Open(rc, nullptr).IsOK());
    EXPECT_GE(receiver.SocketBufferSize(), 48u << 20);
    EXPECT_NE(receiver.LocalPort(), 0);
    EXPECT_NE(receiver.ReceiveThreadId(), 0);
}

TEST(GvspSettings, RefusedReceiverSettings)
{
    const struct
    {
        GvspReceiverConfig config;
        uint32_t code;
        const char *message;
    } cases[] = {
        {[] {
             GvspReceiverConfig c;
             c.maxBlocksInProgress = 0;
             return c;
         }(),
         KY_INVALID_PARAMETER, "a GVSP receiver needs at least one block in progress"},
        {[] {
             GvspReceiverConfig c;
             c.sourceAddress = "10.0.0";
             return c;
         }(),
         KY_INVALID_PARAMETER, "\"10.0.0\" is not an IPv4 address"},
        {[] {
             GvspReceiverConfig c;
             c.localAddress = "192.0.2.1";
             return c;
         }(),
         KY_NETWORK_ERROR, "cannot bind a UDP socket to 192.0.2.1:0: Cannot assign requested address"},
    };
    for (const auto &c : cases) {
        GvspReceiver receiver;
        const KyResult r = receiver.Open(c.config, nullptr);
        EXPECT_EQ(r.GetCode(), c.code) << c.message;
        EXPECT_STREQ(r.GetDescription().GetAscii(), c.message);
        EXPECT_FALSE(receiver.IsOpen());
    }
}

TEST(GvspSettings, PacedSendingAndPacketSizeChanges)
{
    GvspLoop loop;
    GvspSenderConfig sc;
    sc.packetSize = 1500;
    sc.interPacketDelayNs = 2000;
    GvspReceiverConfig rc;  // the receiver learns the packet size of each block
    ASSERT_TRUE(loop.Open(sc, rc).IsOK());
    const uint32_t width = 320;
    std::vector<std::vector<uint8_t>> memory(3, std::vector<uint8_t>(width * 240));
    for (auto &m : memory)
        ASSERT_TRUE(loop.receiver.QueueBlock(m.data(), m.size(), nullptr).IsOK());
    ASSERT_TRUE(Send(loop.sender, 1, Pattern(memory[0].size(), 0), width).IsOK());
    loop.sender.SetInterPacketDelay(0);
    ASSERT_TRUE(loop.sender.SetPacketSize(4000).IsOK());
    ASSERT_TRUE(Send(loop.sender, 2, Pattern(memory[0].size(), 1), width).IsOK());
    loop.sender.SetExtendedIds(true);
    ASSERT_TRUE(Send(loop.sender, 3, Pattern(memory[0].size(), 2), width).IsOK());
    for (int f = 0; f < 3; ++f) {
        GvspCompletedBlock block;
        ASSERT_TRUE(loop.receiver.WaitForBlock(block, WAIT_MS).IsOK());
        EXPECT_EQ(block.status, GvspBlockStatus::Complete) << GvspBlockStatusName(block.status);
        EXPECT_EQ(block.blockId, static_cast<uint64_t>(f + 1));
        const std::vector<uint8_t> expected = Pattern(memory[0].size(), f);
        EXPECT_EQ(0, std::memcmp(block.data, expected.data(), expected.size())) << "frame " << f;
    }
    const KyResult r = loop.sender.SetPacketSize(30);
    EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "packet size 30 leaves no room for GVSP payload");
}

TEST(GvspSettings, ResendOutsideTheBlockIsAnsweredUnavailable)
{
    GvspLoop loop;
    GvspSenderConfig sc;
    ASSERT_TRUE(loop.Open(sc, GvspReceiverConfig()).IsOK());
    std::vector<uint8_t> memory(10000);
    ASSERT_TRUE(loop.receiver.QueueBlock(memory.data(), memory.size(), nullptr).IsOK());
    ASSERT_TRUE(Send(loop.sender, 4, Pattern(memory.size(), 0), 100).IsOK());
    GvspCompletedBlock block;
    ASSERT_TRUE(loop.receiver.WaitForBlock(block, WAIT_MS).IsOK());
    const struct
    {
        uint32_t first, last;
        const char *message;
    } cases[] = {
        {100, 200, "packets 100..200 are not part of block 4"},
        {5, 3, "packets 5..3 are not part of block 4"},
    };
    for (const auto &c : cases) {
        const KyResult r = loop.sender.ServeResend(4, c.first, c.last);
        EXPECT_EQ(r.GetCode(), KY_NOT_FOUND);
        EXPECT_STREQ(r.GetDescription().GetAscii(), c.message);
    }
    EXPECT_TRUE(loop.sender.ServeResend(4, 2, GVSP_STANDARD_PACKET_ID_MAX).IsOK())
        << "to the end of the block";
    const GvspSenderCounters counters = loop.sender.Counters();
    EXPECT_EQ(counters.resendRequests, 3u);
    EXPECT_EQ(counters.resendsUnavailable, 2u);
    EXPECT_EQ(counters.packetsResent, 7u) << "data packets 2..7 (of 1464 bytes) and the trailer";
}

TEST(GvspSettings, CloseFromTheResendCallbackDoesNotHang)
{
    GvspReceiver receiver;
    GvspReceiverConfig rc;
    rc.packetSize = 1500;
    ASSERT_TRUE(receiver.Open(rc, [&receiver](uint64_t, uint32_t, uint32_t) { receiver.Close(); }).IsOK());
    std::vector<uint8_t> memory(100000);
    ASSERT_TRUE(receiver.QueueBlock(memory.data(), memory.size(), nullptr).IsOK());
    GvspSender sender;
    GvspSenderConfig sc;
    sc.destinationPort = receiver.LocalPort();
    ASSERT_TRUE(sender.Open(sc).IsOK());
    sender.SetTestDropFraction(0.2, 5);  // gaps: the receiver asks for resends at once
    ASSERT_TRUE(Send(sender, 1, Pattern(memory.size(), 0), 1000).IsOK());
    WaitUntil([&] { return receiver.Counters().resendRequests > 0; });
    receiver.Close();  // joins the thread that stopped itself
    GvspCompletedBlock block;
    ASSERT_TRUE(receiver.WaitForBlock(block, WAIT_MS).IsOK());
    EXPECT_EQ(block.status, GvspBlockStatus::Aborted);
}
