// Every way a GVSP block ends other than complete: abort, timeout, a destination too small,
// a sender that stops mid-frame, a stray packet id, no destination queued.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

#include "GvspLoop.h"

using namespace ky::gev;
using namespace ky::gev::test;

namespace {

constexpr uint32_t kLoopback = 0x7F000001;  // 127.0.0.1
constexpr uint32_t WIDTH = 640, HEIGHT = 480, SIZE = WIDTH * HEIGHT;

GvspReceiverConfig QuickReceiver()
{
    GvspReceiverConfig rc;
    rc.packetSize = 1500;
    rc.blockTimeoutMs = 200;
    rc.resendTimeoutMs = 10;
    return rc;
}

GvspSenderConfig Sender()
{
    GvspSenderConfig sc;
    sc.packetSize = 1500;
    return sc;
}

KyResult Send(GvspSender &sender, uint64_t blockId, const std::vector<uint8_t> &frame)
{
    GvspOutgoingBlock block;
    block.blockId = blockId;
    block.leader = ImageLeader(KyPixelMono8, WIDTH, HEIGHT, blockId);
    block.data = frame.data();
    block.size = frame.size();
    return sender.SendBlock(block);
}

GvspCompletedBlock Next(GvspReceiver &receiver)
{
    GvspCompletedBlock block;
    EXPECT_TRUE(receiver.WaitForBlock(block, WAIT_MS).IsOK());
    return block;
}

}  // namespace

TEST(GvspBlockEnd, QueueArgumentsAndWaitAreChecked)
{
    GvspReceiver receiver;
    uint8_t byte = 0;
    KyResult r = receiver.QueueBlock(&byte, 1, nullptr);
    EXPECT_EQ(r.GetCode(), KY_STATE_ERROR);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "the GVSP receiver is not open");
    ASSERT_TRUE(receiver.Open(QuickReceiver(), nullptr).IsOK());
    r = receiver.QueueBlock(nullptr, 10, nullptr);
    EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "a destination of bytes without memory");
    r = receiver.QueueBlock(&byte, 0, nullptr);
    EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "a destination of 0 bytes cannot take a block");
    GvspCompletedBlock block;
    r = receiver.WaitForBlock(block, 20);
    EXPECT_EQ(r.GetCode(), KY_TIMEOUT);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "no block ended within 20 ms");
}

TEST(GvspBlockEnd, SenderRefusesBadBlocks)
{
    GvspSender sender;
    std::vector<uint8_t> frame(100);
    KyResult r = Send(sender, 1, frame);
    EXPECT_EQ(r.GetCode(), KY_STATE_ERROR);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "the GVSP sender is not open");
    GvspSenderConfig sc = Sender();
    sc.destinationPort = 9;
    sc.packetSize = 36;
    r = sender.Open(sc);
    EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "packet size 36 leaves no room for GVSP payload");
    sc.packetSize = 1500;
    ASSERT_TRUE(sender.Open(sc).IsOK());
    const struct
    {
        uint64_t blockId;
        bool nullData;
        const char *message;
    } cases[] = {
        {0, false, "block id 0 is out of range for standard ids"},
        {0x10000, false, "block id 65536 is out of range for standard ids"},
        {1, true, "block payload of 100 bytes has no memory"},
    };
    for (const auto &c : cases) {
        GvspOutgoingBlock block;
        block.blockId = c.blockId;
        block.data = c.nullData ? nullptr : frame.data();
        block.size = frame.size();
        r = sender.SendBlock(block);
        EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER) << c.message;
        EXPECT_STREQ(r.GetDescription().GetAscii(), c.message);
    }
    r = sender.ServeResend(77, 1, 2);
    EXPECT_EQ(r.GetCode(), KY_NOT_FOUND);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "block 77 is not in the resend cache");
}

TEST(GvspBlockEnd, AbortHandsBackQueuedAndStartedBlocks)
{
    GvspLoop loop;
    GvspReceiverConfig rc = QuickReceiver();
    rc.blockTimeoutMs = 60000;  // only the abort may end the started block
    rc.resendEnabled = false;
    ASSERT_TRUE(loop.Open(Sender(), rc).IsOK());
    std::vector<std::vector<uint8_t>> destinations(3, std::vector<uint8_t>(SIZE));
    for (auto &d : destinations)
        ASSERT_TRUE(loop.receiver.QueueBlock(d.data(), d.size(), &d).IsOK());
    loop.sender.SetTestStopAfterPackets(20);
    ASSERT_TRUE(Send(loop.sender, 1, Pattern(SIZE, 0)).IsOK());
    WaitUntil([&] { return loop.receiver.Counters().packetsReceived == 20; });
    ASSERT_EQ(loop.receiver.QueuedCount(), 2u) << "the first destination is in use";
    loop.receiver.Abort();
    EXPECT_EQ(loop.receiver.QueuedCount(), 0u);
    for (int i = 0; i < 3; ++i) {
        GvspCompletedBlock block = Next(loop.receiver);
        EXPECT_EQ(block.status, GvspBlockStatus::Aborted);
        EXPECT_EQ(block.Result().GetCode(), KY_ABORTED);
        EXPECT_EQ(block.cookie, &destinations[i]);
        EXPECT_EQ(block.blockId, i == 0 ? 1u : 0u);
        EXPECT_EQ(block.stats.packetsReceived, i == 0 ? 20u : 0u);
        // The receiver stopped waiting for the rest: none of it counts as lost.
        EXPECT_EQ(block.stats.packetsLost, 0u);
    }
    EXPECT_EQ(loop.receiver.Counters().blocksAborted, 3u);
    EXPECT_EQ(loop.receiver.Counters().packetsLost, 0u);
}

TEST(GvspBlockEnd, CloseHandsBackEverything)
{
    auto receiver = std::make_unique<GvspReceiver>();
    ASSERT_TRUE(receiver->Open(QuickReceiver(), nullptr).IsOK());
    std::vector<uint8_t> memory(SIZE);
    ASSERT_TRUE(receiver->QueueBlock(memory.data(), memory.size(), nullptr).IsOK());
    receiver->Close();
    GvspCompletedBlock block = Next(*receiver);
    EXPECT_EQ(block.status, GvspBlockStatus::Aborted);
    EXPECT_EQ(block.data, memory.data());
}

// A sender that stops mid-frame: with resends off, or with the sender gone so that nobody
// answers them, the block times out; a sender still there but without the block says so, and
// the block ends at once with missing packets.
TEST(GvspBlockEnd, SenderStoppingMidFrame)
{
    const struct
    {
        bool resend;
        bool closeSender;
        GvspBlockStatus status;
    } cases[] = {
        {false, false, GvspBlockStatus::Timeout},
        {true, true, GvspBlockStatus::Timeout},
        {true, false, GvspBlockStatus::MissingPackets},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(GvspBlockStatusName(c.status));
        GvspLoop loop;
        GvspReceiverConfig rc = QuickReceiver();
        rc.resendEnabled = c.resend;
        if (c.closeSender) {
            // The sender is closed right after its frame: the receiver asks only well after that,
            // so that a loaded machine cannot let the sender answer first.
            rc.resendTimeoutMs = 150;
            rc.blockTimeoutMs = 600;
        }
        ASSERT_TRUE(loop.Open(Sender(), rc).IsOK());
        std::vector<uint8_t> memory(SIZE);
        ASSERT_TRUE(loop.receiver.QueueBlock(memory.data(), memory.size(), nullptr).IsOK());
        loop.sender.SetTestStopAfterPackets(50);  // leader and 49 data packets
        ASSERT_TRUE(Send(loop.sender, 7, Pattern(SIZE, 0)).IsOK());
        if (c.closeSender)
            loop.sender.Close();
        GvspCompletedBlock block = Next(loop.receiver);
        EXPECT_EQ(block.status, c.status) << GvspBlockStatusName(block.status);
        EXPECT_EQ(block.Result().GetCode(), GvspBlockStatusCode(c.status));
        EXPECT_EQ(block.blockId, 7u);
        EXPECT_TRUE(block.leaderReceived);
        EXPECT_FALSE(block.trailerReceived);
        ASSERT_EQ(block.missing.size(), 1u);
        EXPECT_EQ(block.missing[0].first, 50u);
        EXPECT_EQ(block.missing[0].last, GVSP_STANDARD_PACKET_ID_MAX) << "the end of the block went missing";
        EXPECT_EQ(block.stats.packetsReceived, 50u);
        const std::vector<uint8_t> expected = Pattern(SIZE, 0);
        EXPECT_EQ(0, std::memcmp(memory.data(), expected.data(), 49 * 1464)) << "what arrived is in place";
        const GvspReceiverCounters counters = loop.receiver.Counters();
        EXPECT_EQ(counters.blocksFailed, 1u);
        EXPECT_EQ(counters.blocksTimedOut, c.status == GvspBlockStatus::Timeout ? 1u : 0u);
        EXPECT_EQ(counters.resendRequests > 0, c.resend);
        EXPECT_EQ(counters.resendsUnavailable > 0, c.status == GvspBlockStatus::MissingPackets);
    }
}

TEST(GvspBlockEnd, DestinationTooSmallIsFilledAndReported)
{
    GvspLoop loop;
    std::mutex askedMutex;
    std::vector<std::pair<uint32_t, uint32_t>> asked;
    loop.onResend = [&](uint64_t, uint32_t first, uint32_t last) {
        std::lock_guard<std::mutex> lock(askedMutex);
        asked.emplace_back(first, last);
    };
    ASSERT_TRUE(loop.Open(Sender(), QuickReceiver()).IsOK());
    const size_t capacity = SIZE / 2 + 5;  // ends inside a packet
    std::vector<uint8_t> memory(capacity + 64, 0xEE);
    ASSERT_TRUE(loop.receiver.QueueBlock(memory.data(), capacity, nullptr).IsOK());
    ASSERT_TRUE(Send(loop.sender, 1, Pattern(SIZE, 3)).IsOK());
    GvspCompletedBlock block = Next(loop.receiver);
    EXPECT_EQ(block.status, GvspBlockStatus::BufferTooSmall) << GvspBlockStatusName(block.status);
    EXPECT_EQ(block.Result().GetCode(), KY_BUFFER_TOO_SMALL);
    EXPECT_EQ(block.payloadSize, SIZE);
    EXPECT_EQ(block.filledSize, capacity);
    EXPECT_GT(block.stats.packetsOverrun, 0u);
    const std::vector<uint8_t> expected = Pattern(SIZE, 3);
    EXPECT_EQ(0, std::memcmp(memory.data(), expected.data(), capacity));
    for (size_t i = capacity; i < memory.size(); ++i)
        ASSERT_EQ(memory[i], 0xEE) << "written past the destination at " << i;
    // Nothing beyond the destination is asked for. On a quiet machine nothing is asked at all; on a
    // loaded one a late packet inside the destination (or the trailer) may be.
    const size_t perPacket = GvspPayloadBytesPerPacket(Sender().packetSize, false);
    ASSERT_GT(perPacket, 0u);
    const uint32_t lastInside =
        static_cast<uint32_t>((capacity + perPacket - 1) / perPacket);  // data from id 1
    const uint32_t trailer = static_cast<uint32_t>((SIZE + perPacket - 1) / perPacket) + 1;
    std::lock_guard<std::mutex> lock(askedMutex);
    for (const auto &[first, last] : asked)
        EXPECT_TRUE(first <= lastInside || first == trailer)
            << "asked for packets " << first << " to " << last;
}

TEST(GvspBlockEnd, BlocksWithoutDestinationAreCountedAndSkipped)
{
    GvspLoop loop;
    ASSERT_TRUE(loop.Open(Sender(), QuickReceiver()).IsOK());
    ASSERT_TRUE(Send(loop.sender, 1, Pattern(SIZE, 0)).IsOK());
    WaitUntil([&] { return loop.receiver.Counters().blocksWithoutBuffer > 0; });
    std::vector<uint8_t> memory(SIZE);
    ASSERT_TRUE(loop.receiver.QueueBlock(memory.data(), memory.size(), nullptr).IsOK());
    ASSERT_TRUE(Send(loop.sender, 2, Pattern(SIZE, 1)).IsOK());
    GvspCompletedBlock block = Next(loop.receiver);
    EXPECT_EQ(block.status, GvspBlockStatus::Complete);
    EXPECT_EQ(block.blockId, 2u);
    const GvspReceiverCounters counters = loop.receiver.Counters();
    EXPECT_EQ(counters.blocksWithoutBuffer, 1u);
    // Nothing is asked for the block without a destination; on a loaded machine the second block
    // may have had to ask for a late packet, and those requests are its own.
    EXPECT_EQ(counters.resendRequests, block.stats.resendGroupsRequested);
}

TEST(GvspBlockEnd, StrayPacketIdsAndMalformedPackets)
{
    GvspReceiver receiver;
    ASSERT_TRUE(receiver.Open(QuickReceiver(), nullptr).IsOK());
    std::vector<uint8_t> memory(4000, 0);
    ASSERT_TRUE(receiver.QueueBlock(memory.data(), memory.size(), nullptr).IsOK());

    UdpSocket socket;
    ASSERT_TRUE(socket.Open("127.0.0.1", 0).IsOK());
    auto send = [&](const uint8_t *bytes, size_t size) {
        ASSERT_EQ(socket.SendTo(bytes, size, kLoopback, receiver.LocalPort()), static_cast<ssize_t>(size));
    };
    GvspHeader h;
    h.blockId = 3;
    uint8_t packet[1500];
    GvspLeader leader = ImageLeader(KyPixelMono8, 1464, 2, 0);
    h.format = GvspPacketFormat::Leader;
    send(packet, GvspBuildLeader(packet, sizeof packet, h, leader));
    h.format = GvspPacketFormat::Trailer;
    h.packetId = 3;
    GvspTrailer trailer;
    trailer.sizeY = 2;
    send(packet, GvspBuildTrailer(packet, sizeof packet, h, trailer));
    const std::vector<uint8_t> line(1464, 0x5A);
    h.format = GvspPacketFormat::Payload;
    for (uint32_t id : {9u, 1u, 2u}) {  // 9 lies past the trailer
        h.packetId = id;
        send(packet, GvspBuildPayload(packet, sizeof packet, h, line.data(), line.size()));
    }
    send(packet, 5);  // too short for a header
    GvspCompletedBlock block = Next(receiver);
    EXPECT_EQ(block.status, GvspBlockStatus::WrongPacketId) << GvspBlockStatusName(block.status);
    EXPECT_EQ(block.Result().GetCode(), KY_INVALID_DATA_FORMAT);
    EXPECT_STREQ(block.Result().GetDescription().GetAscii(), "block 3 ended: wrong packet id");
    EXPECT_EQ(block.stats.packetsWrongId, 1u);
    EXPECT_EQ(memory[0], 0x5A);
    EXPECT_EQ(memory[2927], 0x5A);
    EXPECT_EQ(memory[2928], 0);

    std::vector<uint8_t> test(2000);
    send(test.data(), GvspBuildTestPacket(test.data(), test.size(), 1500));
    WaitUntil([&] { return receiver.Counters().packetsMalformed + receiver.Counters().testPackets >= 2; });
    const GvspReceiverCounters counters = receiver.Counters();
    EXPECT_EQ(counters.testPackets, 1u);
    EXPECT_EQ(counters.packetsMalformed, 1u);
    EXPECT_EQ(counters.packetsWrongId, 1u);
}

TEST(GvspBlockEnd, BlockIdsPassedOverAreCountedAsSkipped)
{
    const struct
    {
        const char *what;
        std::vector<uint64_t> ids;  // in the order they are sent, each block whole
        uint64_t skipped;
    } cases[] = {
        {"in order", {1, 2, 3}, 0},
        {"two passed over", {1, 2, 5}, 2},
        {"across the wrap of standard ids (0 is no block id)", {65534, 65535, 2}, 1},
        {"a block passed over comes late after all", {1, 4, 3, 5}, 1},
        {"the sender starts counting again", {100, 101, 1, 2}, 0},
    };
    constexpr uint32_t kWidth = 64, kHeight = 4;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        GvspLoop loop;
        ASSERT_TRUE(loop.Open(Sender(), QuickReceiver()).IsOK());
        std::vector<std::vector<uint8_t>> memory(c.ids.size(), std::vector<uint8_t>(kWidth * kHeight));
        for (size_t i = 0; i < c.ids.size(); ++i) {
            ASSERT_TRUE(loop.receiver.QueueBlock(memory[i].data(), memory[i].size(), nullptr).IsOK());
            const std::vector<uint8_t> frame = Pattern(kWidth * kHeight, static_cast<uint32_t>(i));
            GvspOutgoingBlock block;
            block.blockId = c.ids[i];
            block.leader = ImageLeader(KyPixelMono8, kWidth, kHeight, c.ids[i]);
            block.data = frame.data();
            block.size = frame.size();
            ASSERT_TRUE(loop.sender.SendBlock(block).IsOK());
            const GvspCompletedBlock done = Next(loop.receiver);
            EXPECT_EQ(done.status, GvspBlockStatus::Complete) << GvspBlockStatusName(done.status);
            EXPECT_EQ(done.blockId, c.ids[i]);
        }
        EXPECT_EQ(loop.receiver.Counters().blocksSkipped, c.skipped);
    }
}

TEST(GvspBlockEnd, ForgedPacketCountsLoseNoMoreThanTheBlockHolds)
{
    // The packet size is learnt from packet 1, which never comes: a trailer that claims the
    // largest packet id would make every id up to it missing.
    const struct
    {
        const char *what;
        GvspPacketFormat format;
        uint32_t packetId;
    } cases[] = {
        {"trailer of the largest packet id", GvspPacketFormat::Trailer, GVSP_STANDARD_PACKET_ID_MAX},
        {"data packet of a huge id", GvspPacketFormat::Payload, GVSP_STANDARD_PACKET_ID_MAX - 1},
    };
    constexpr size_t kCapacity = 4000;
    // Each data packet carries at least a minimum-size packet's data.
    constexpr size_t kMostPackets = kCapacity / (GVSP_MIN_PACKET_SIZE - 64) + 1 + 2;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        GvspReceiverConfig rc = QuickReceiver();
        rc.packetSize = 0;
        GvspReceiver receiver;
        ASSERT_TRUE(receiver.Open(rc, nullptr).IsOK());
        std::vector<uint8_t> memory(kCapacity, 0);
        ASSERT_TRUE(receiver.QueueBlock(memory.data(), memory.size(), nullptr).IsOK());
        UdpSocket socket;
        ASSERT_TRUE(socket.Open("127.0.0.1", 0).IsOK());
        auto send = [&](const uint8_t *bytes, size_t size) {
            ASSERT_EQ(socket.SendTo(bytes, size, kLoopback, receiver.LocalPort()),
                      static_cast<ssize_t>(size));
        };
        GvspHeader h;
        h.blockId = 3;
        uint8_t packet[1500];
        h.format = GvspPacketFormat::Leader;
        send(packet, GvspBuildLeader(packet, sizeof packet, h, ImageLeader(KyPixelMono8, 1464, 2, 0)));
        h.format = c.format;
        h.packetId = c.packetId;
        if (c.format == GvspPacketFormat::Trailer) {
            GvspTrailer trailer;
            trailer.sizeY = 2;
            send(packet, GvspBuildTrailer(packet, sizeof packet, h, trailer));
        } else {
            const std::vector<uint8_t> line(1464, 0x5A);
            send(packet, GvspBuildPayload(packet, sizeof packet, h, line.data(), line.size()));
        }
        const GvspCompletedBlock block = Next(receiver);
        EXPECT_NE(block.status, GvspBlockStatus::Complete);
        EXPECT_GT(block.stats.packetsLost, 0u);
        EXPECT_LE(block.stats.packetsLost, kMostPackets);
        EXPECT_EQ(receiver.Counters().packetsLost, block.stats.packetsLost);
    }
}

TEST(GvspBlockEnd, SenderSendsTestPacket)
{
    GvspLoop loop;
    ASSERT_TRUE(loop.Open(Sender(), QuickReceiver()).IsOK());
    ASSERT_TRUE(loop.sender.SendTestPacket().IsOK());
    WaitUntil([&] { return loop.receiver.Counters().testPackets > 0; });
    EXPECT_EQ(loop.receiver.Counters().testPackets, 1u);
    EXPECT_EQ(loop.sender.Counters().testPacketsSent, 1u);
}

// Datagrams of random bytes and random sizes, many with a plausible header, must never write
// outside a destination, and every destination comes back once.
TEST(GvspBlockEnd, RandomDatagramsAreSurvived)
{
    for (Transfer transfer : ALL_TRANSFERS) {
        SCOPED_TRACE(TransferName(transfer));
        GvspReceiver receiver;
        GvspReceiverConfig rc = QuickReceiver();
        GvspSenderConfig unused;
        SetTransfer(transfer, unused, rc);
        rc.packetSize = 0;  // learn it from whatever comes
        rc.blockTimeoutMs = 20;
        ASSERT_TRUE(receiver.Open(rc, [](uint64_t, uint32_t, uint32_t) {}).IsOK());
        constexpr size_t destinations = 8, capacity = 5000, guard = 64;
        std::vector<std::vector<uint8_t>> memory(destinations, std::vector<uint8_t>(capacity + guard, 0xEE));
        for (auto &m : memory)
            ASSERT_TRUE(receiver.QueueBlock(m.data(), capacity, &m).IsOK());

        UdpSocket socket;
        ASSERT_TRUE(socket.Open("127.0.0.1", 0).IsOK());
        std::minstd_rand random(42);
        std::vector<uint8_t> packet(9000);
        for (int i = 0; i < 3000; ++i) {
            const size_t size = random() % (i % 2 ? 2000 : 64);
            for (auto &b : packet)
                b = static_cast<uint8_t>(random());
            if (size >= 8 && i % 3) {
                packet[0] = 0;  // success or resend status
                packet[1] = i % 5 ? 0 : 1;
                packet[2] = 0;
                packet[3] = static_cast<uint8_t>(1 + i / 300);  // a few block ids
                packet[4] = static_cast<uint8_t>(1 + random() % 3) | (i % 7 ? 0 : 0x80);
                packet[5] = 0;
                packet[6] = 0;
                packet[7] = static_cast<uint8_t>(random() % 8);
            }
            (void)socket.SendTo(packet.data(), size, kLoopback, receiver.LocalPort());
        }
        WaitUntil([&] { return receiver.Counters().packetsReceived >= 3000; });
        receiver.Close();
        std::vector<int> returned(destinations, 0);
        GvspCompletedBlock block;
        while (receiver.WaitForBlock(block, 0).IsOK()) {
            const size_t index = static_cast<std::vector<uint8_t> *>(block.cookie) - memory.data();
            ASSERT_LT(index, destinations);
            ++returned[index];
            EXPECT_LE(block.filledSize, capacity);
        }
        for (size_t d = 0; d < destinations; ++d) {
            EXPECT_EQ(returned[d], 1) << "destination " << d;
            for (size_t g = capacity; g < capacity + guard; ++g)
                ASSERT_EQ(memory[d][g], 0xEE) << "written past destination " << d;
        }
        EXPECT_GT(receiver.Counters().packetsMalformed, 0u);
    }
}

// Leaders whose image size does not fit 64 bits: the size is never taken for "unknown" (which
// would let the block pass as complete in a buffer far too small); the block ends as too large
// for its buffer.
TEST(GvspBlockEnd, LeadersAnnouncingMoreThan64BitsCountAreTooLargeForAnyBuffer)
{
    constexpr uint32_t MONO8 = 0x01080001, BITS64 = 0x01400000, MAX32 = 0xFFFFFFFFu;
    const struct
    {
        const char *name;
        uint32_t pixelFormat, sizeX, sizeY;
        uint16_t paddingX, paddingY;
        uint64_t expected;
        GvspBlockStatus status;
    } cases[] = {
        {"2^31 x 2^31 pixels of 64 bits", BITS64, 1u << 31, 1u << 31, 0, 0, GVSP_PAYLOAD_SIZE_TOO_LARGE,
         GvspBlockStatus::BufferTooSmall},
        {"largest lines and rows of 64 bits", BITS64, MAX32, MAX32, 0xFFFF, 0xFFFF,
         GVSP_PAYLOAD_SIZE_TOO_LARGE, GvspBlockStatus::BufferTooSmall},
        {"line padding carries the product past 64 bits", MONO8, MAX32, MAX32, 2, 1,
         GVSP_PAYLOAD_SIZE_TOO_LARGE, GvspBlockStatus::BufferTooSmall},
        {"exactly 2^64 - 1 bytes", MONO8, MAX32, MAX32, 2, 0, GVSP_PAYLOAD_SIZE_TOO_LARGE,
         GvspBlockStatus::BufferTooSmall},
        {"the largest size that 64 bits count", MONO8, MAX32, MAX32, 1, 0xFFFF, 0xFFFFFFFF0000FFFFull,
         GvspBlockStatus::BufferTooSmall},
        {"the frame actually sent", MONO8, 1464, 2, 0, 0, 2928, GvspBlockStatus::Complete},
    };
    GvspReceiver receiver;
    ASSERT_TRUE(receiver.Open(QuickReceiver(), nullptr).IsOK());
    UdpSocket socket;
    ASSERT_TRUE(socket.Open("127.0.0.1", 0).IsOK());
    auto send = [&](const uint8_t *bytes, size_t size) {
        ASSERT_EQ(socket.SendTo(bytes, size, kLoopback, receiver.LocalPort()), static_cast<ssize_t>(size));
    };
    uint64_t blockId = 0;
    for (const auto &c : cases) {
        GvspLeader leader = ImageLeader(c.pixelFormat, c.sizeX, c.sizeY, 0);
        leader.paddingX = c.paddingX;
        leader.paddingY = c.paddingY;
        EXPECT_EQ(leader.ExpectedPayloadSize(), c.expected) << c.name;

        // Whatever the leader says, the sender sends two lines of 1464 bytes.
        std::vector<uint8_t> memory(4000, 0);
        ASSERT_TRUE(receiver.QueueBlock(memory.data(), memory.size(), nullptr).IsOK());
        GvspHeader h;
        h.blockId = ++blockId;
        uint8_t packet[1500];
        h.format = GvspPacketFormat::Leader;
        send(packet, GvspBuildLeader(packet, sizeof packet, h, leader));
        const std::vector<uint8_t> line(1464, 0x5A);
        h.format = GvspPacketFormat::Payload;
        for (uint32_t id : {1u, 2u}) {
            h.packetId = id;
            send(packet, GvspBuildPayload(packet, sizeof packet, h, line.data(), line.size()));
        }
        h.format = GvspPacketFormat::Trailer;
        h.packetId = 3;
        GvspTrailer trailer;
        trailer.sizeY = 2;
        send(packet, GvspBuildTrailer(packet, sizeof packet, h, trailer));
        GvspCompletedBlock block = Next(receiver);
        EXPECT_EQ(block.blockId, blockId) << c.name;
        EXPECT_EQ(block.status, c.status) << c.name << ": " << GvspBlockStatusName(block.status);
        if (c.status == GvspBlockStatus::Complete) {
            EXPECT_EQ(block.payloadSize, 2928u) << c.name;
            EXPECT_EQ(memory[2927], 0x5A) << c.name;
        } else {
            EXPECT_EQ(block.Result().GetCode(), KY_BUFFER_TOO_SMALL) << c.name;
        }
    }
}
