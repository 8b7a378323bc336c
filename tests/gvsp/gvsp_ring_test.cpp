// The packet ring path of the GVSP receiver: datagrams it parses or refuses, datagrams that
// arrive in fragments (which only the UDP socket sees whole), the fall-back to the socket where
// the process may not open packet sockets, where the receiver chooses the ring and how large,
// and the kernel's counters of a ring that overflows.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <future>
#include <linux/capability.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "GvspLoop.h"
#include "NetCounters.h"
#include "gvsp/GvspPacketRing.h"
#include "ky/ByteOrder.h"

using namespace ky::gev;
using namespace ky::gev::test;

namespace {

void Put16(uint8_t *p, size_t value) { ky::base::StoreBig16(p, static_cast<uint16_t>(value)); }

// An IPv4/UDP datagram (header of headerWords 32-bit words) around payloadSize bytes, with its
// UDP checksum computed.
std::vector<uint8_t> Datagram(size_t payloadSize, size_t headerWords = 5)
{
    const size_t header = headerWords * 4;
    std::vector<uint8_t> d(header + 8 + payloadSize, 0);
    d[0] = static_cast<uint8_t>(0x40 | headerWords);
    Put16(&d[2], d.size());
    d[8] = 64;
    d[9] = 17;
    const uint8_t addresses[8] = {10, 0, 0, 2, 10, 0, 0, 1};
    std::memcpy(&d[12], addresses, 8);
    uint8_t *udp = &d[header];
    Put16(udp, 20202);
    Put16(udp + 2, 40404);
    Put16(udp + 4, 8 + payloadSize);
    for (size_t i = 0; i < payloadSize; ++i)
        udp[8 + i] = static_cast<uint8_t>(i * 13 + 1);
    uint64_t sum = 17 + 8 + payloadSize;
    for (size_t i = 12; i < 20; i += 2)
        sum += ky::base::LoadBig16(&d[i]);
    for (size_t i = 0; i < 8 + payloadSize; i += 2)
        sum += i + 1 < 8 + payloadSize ? ky::base::LoadBig16(udp + i) : uint32_t(udp[i]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    Put16(udp + 6, ~sum & 0xFFFF);
    return d;
}

// Sets the loopback interface's MTU for the life of the object (the test's own namespace).
class LoopbackMtu
{
public:
    explicit LoopbackMtu(int mtu) { mOk = Set(mtu, &mOld); }
    ~LoopbackMtu()
    {
        if (mOk)
            Set(mOld, nullptr);
    }
    bool Ok() const { return mOk; }

private:
    static bool Set(int mtu, int *old)
    {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq request{};
        std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
        bool ok = fd >= 0 && (!old || ioctl(fd, SIOCGIFMTU, &request) == 0);
        if (ok && old)
            *old = request.ifr_mtu;
        request.ifr_mtu = mtu;
        ok = ok && ioctl(fd, SIOCSIFMTU, &request) == 0;
        if (fd >= 0)
            close(fd);
        return ok;
    }
    bool mOk = false;
    int mOld = 0;
};

// Sends frames through a loop whose receiver asks for the packet ring; true when every frame
// came complete and pixel-exact, every datagram sent was taken exactly once, and the host
// answered none with a port-unreachable message (the socket stays bound beside the ring).
::testing::AssertionResult FramesArriveOnce(uint32_t packetSize, bool expectRing,
                                            const char *address = "127.0.0.1")
{
    const uint64_t unreachable = SnmpCounter("Icmp", "OutDestUnreachs");
    GvspLoop loop;
    GvspSenderConfig sc;
    sc.packetSize = packetSize;
    GvspReceiverConfig rc;
    SetTransfer(Transfer::Ring, sc, rc);
    rc.packetSize = packetSize;
    if (loop.Open(sc, rc, address).IsFailure())
        return ::testing::AssertionFailure() << "the loop does not open";
    if (loop.receiver.UsesPacketRing() != expectRing)
        return ::testing::AssertionFailure() << "packet ring in use: " << loop.receiver.UsesPacketRing();
    const uint32_t width = 640, height = 480;
    const int frames = 3;
    std::vector<std::vector<uint8_t>> destinations(frames, std::vector<uint8_t>(width * height));
    for (auto &d : destinations) {
        if (loop.receiver.QueueBlock(d.data(), d.size(), nullptr).IsFailure())
            return ::testing::AssertionFailure() << "a destination is refused";
    }
    for (int f = 0; f < frames; ++f) {
        if (loop.SendFrame(f + 1, Pattern(width * height, f), ImageLeader(KyPixelMono8, width, height, f))
                .IsFailure())
            return ::testing::AssertionFailure() << "frame " << f << " is not sent";
    }
    for (int f = 0; f < frames; ++f) {
        GvspCompletedBlock block;
        if (loop.receiver.WaitForBlock(block, WAIT_MS).IsFailure())
            return ::testing::AssertionFailure() << "frame " << f << " did not end";
        if (block.status != GvspBlockStatus::Complete)
            return ::testing::AssertionFailure()
                   << "frame " << f << ": " << GvspBlockStatusName(block.status);
        const std::vector<uint8_t> expected =
            Pattern(width * height, static_cast<uint32_t>(block.blockId - 1));
        if (std::memcmp(block.data, expected.data(), expected.size()) != 0)
            return ::testing::AssertionFailure() << "frame " << f << " differs";
    }
    // (Leader and trailer may overtake payload packets that come the other way and make the
    // receiver ask for those again: then they were sent twice, and the second copy may still be
    // on its way when the block is complete.)
    auto settled = [&] {
        const GvspSenderCounters sent = loop.sender.Counters();
        return loop.receiver.Counters().packetsReceived == sent.packetsSent + sent.packetsResent;
    };
    WaitUntil(settled);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // and nothing more comes
    const GvspSenderCounters sent = loop.sender.Counters();
    const GvspReceiverCounters received = loop.receiver.Counters();
    if (received.packetsReceived != sent.packetsSent + sent.packetsResent)
        return ::testing::AssertionFailure() << received.packetsReceived << " datagrams taken of "
                                             << sent.packetsSent + sent.packetsResent << " sent";
    if (SnmpCounter("Icmp", "OutDestUnreachs") != unreachable)
        return ::testing::AssertionFailure() << SnmpCounter("Icmp", "OutDestUnreachs") - unreachable
                                             << " destination-unreachable messages sent";
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(GvspPacketRing, ParsesWholeDatagramsOnly)
{
    const struct
    {
        const char *name;
        std::vector<uint8_t> datagram;
        size_t captured;  // 0: all of it
        bool checksumChecked;
        long expectedLength;  // -1: refused
        size_t expectedOffset = 28;
    } cases[] = {
        {"plain", Datagram(100), 0, false, 100},
        {"odd length", Datagram(101), 0, false, 101},
        {"empty payload", Datagram(0), 0, false, 0},
        {"header with options", Datagram(50, 6), 0, false, 50, 32},
        {"no checksum",
         [] {
             auto d = Datagram(64);
             d[26] = d[27] = 0;
             return d;
         }(),
         0, false, 64},
        {"wrong checksum",
         [] {
             auto d = Datagram(64);
             d[40] ^= 1;
             return d;
         }(),
         0, false, -1},
        {"wrong checksum checked by the adapter",
         [] {
             auto d = Datagram(64);
             d[26] ^= 1;
             return d;
         }(),
         0, true, 64},
        {"padding behind the datagram",
         [] {
             auto d = Datagram(64);
             d.resize(d.size() + 6);
             Put16(&d[2], d.size());
             return d;
         }(),
         0, true, 64},
        {"cut short", Datagram(100), 100, false, -1},
        {"shorter than a header", Datagram(100), 19, false, -1},
        {"IPv6",
         [] {
             auto d = Datagram(10);
             d[0] = 0x65;
             return d;
         }(),
         0, false, -1},
        {"header length below 20",
         [] {
             auto d = Datagram(10);
             d[0] = 0x44;
             return d;
         }(),
         0, false, -1},
        {"header longer than the datagram",
         [] {
             auto d = Datagram(10);
             d[0] = 0x4F;
             return d;
         }(),
         0, false, -1},
        {"total below headers",
         [] {
             auto d = Datagram(10);
             Put16(&d[2], 27);
             return d;
         }(),
         0, false, -1},
        {"UDP length below 8",
         [] {
             auto d = Datagram(10);
             Put16(&d[24], 7);
             return d;
         }(),
         0, true, -1},
        {"UDP length past the datagram",
         [] {
             auto d = Datagram(10);
             Put16(&d[24], 19);
             return d;
         }(),
         0, true, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const uint8_t *payload = nullptr;
        size_t length = 0;
        const size_t captured = c.captured ? c.captured : c.datagram.size();
        const bool ok =
            GvspPacketRing::ParseDatagram(c.datagram.data(), captured, c.checksumChecked, payload, length);
        EXPECT_EQ(ok, c.expectedLength >= 0);
        if (ok && c.expectedLength >= 0) {
            EXPECT_EQ(length, static_cast<size_t>(c.expectedLength));
            EXPECT_EQ(payload, c.datagram.data() + c.expectedOffset);
        }
    }
}

// Datagrams larger than the interface's MTU come in fragments, which the ring never sees whole:
// the UDP socket takes exactly those, the ring the others.
TEST(GvspPacketRing, FragmentedDatagramsComeThroughTheSocket)
{
    LoopbackMtu mtu(1500);
    ASSERT_TRUE(mtu.Ok());
    EXPECT_TRUE(FramesArriveOnce(1500, true)) << "packets of the MTU's size";
    EXPECT_TRUE(FramesArriveOnce(4000, true)) << "packets in fragments";
    EXPECT_TRUE(FramesArriveOnce(9000, true)) << "packets in fragments";
}

// A host takes packets for any of its addresses on every interface: here the ring watches the
// adapter that holds the address, while the packets (from this host) come through loopback. The
// socket takes what arrives elsewhere than the ring's interface.
TEST(GvspPacketRing, PacketsThroughAnotherInterfaceComeThroughTheSocket)
{
    EXPECT_TRUE(FramesArriveOnce(1500, true, "10.10.1.1"));
    EXPECT_TRUE(FramesArriveOnce(9000, true, "10.10.1.1"));
}

// Most applications run without CAP_NET_RAW: the receiver then reads its UDP socket.
TEST(GvspPacketRing, WithoutThePrivilegeTheSocketServes)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (syscall(SYS_capget, &header, data) != 0)
            _exit(10);
        data[CAP_NET_RAW / 32].effective &= ~(1u << (CAP_NET_RAW % 32));
        if (syscall(SYS_capset, &header, data) != 0)
            _exit(11);
        _exit(FramesArriveOnce(9000, false) ? 0 : 12);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10/11: capabilities not changed, 12: frames not received";
}

TEST(GvspPacketRing, ChoiceAndSize)
{
    constexpr size_t MiB = size_t(1) << 20;
    constexpr uint64_t GIGABIT = 1000000000ull / 8;  // bytes per second
    constexpr size_t LOOPBACK = 64 * MiB;  // 32 ms of the rate that stands for a sender on this host
    const struct
    {
        const char *name;
        PacketRingUse use;
        bool loopback;
        uint64_t lineRate;
        size_t asked;  // packetRingBytes
        bool ring;
        size_t bytes;
    } cases[] = {
        {"never", PacketRingUse::Never, false, 10 * GIGABIT, 0, false, 0},
        {"loopback: as much as its stand-in rate needs", PacketRingUse::WhereItKeepsUp, true, 0, 0, true,
         LOOPBACK},
        {"no reported speed", PacketRingUse::WhereItKeepsUp, false, 0, 0, false, 0},
        {"1 GigE: the least ring", PacketRingUse::WhereItKeepsUp, false, GIGABIT, 0, true, 4 * MiB},
        {"10 GigE: 32 ms", PacketRingUse::WhereItKeepsUp, false, 10 * GIGABIT, 0, true, 39 * MiB},
        {"40 GigE: 32 ms", PacketRingUse::WhereItKeepsUp, false, 40 * GIGABIT, 0, true, 153 * MiB},
        {"64 GigE: 32 ms, at the limit", PacketRingUse::WhereItKeepsUp, false, 64 * GIGABIT, 0, true,
         245 * MiB},
        {"67 GigE: over the limit", PacketRingUse::WhereItKeepsUp, false, 68 * GIGABIT, 0, false, 0},
        {"100 GigE", PacketRingUse::WhereItKeepsUp, false, 100 * GIGABIT, 0, false, 0},
        {"always on loopback", PacketRingUse::Always, true, 0, 0, true, LOOPBACK},
        {"always without a reported speed: the least ring", PacketRingUse::Always, false, 0, 0, true,
         4 * MiB},
        {"always at 100 GigE: the limit", PacketRingUse::Always, false, 100 * GIGABIT, 0, true, 256 * MiB},
        {"size asked for", PacketRingUse::Always, true, 0, MiB, true, MiB},
        {"size asked for, past the limit", PacketRingUse::Always, true, 0, 1024 * MiB, true, 256 * MiB},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        GvspReceiverConfig config;
        config.packetRing = c.use;
        config.packetRingBytes = c.asked;
        GvspPacketRing::Interface where;
        where.loopback = c.loopback;
        where.lineRate = c.lineRate;
        size_t bytes = 1;
        EXPECT_EQ(GvspReceiver::ChooseRing(config, where, bytes), c.ring);
        EXPECT_EQ(bytes, c.bytes);
    }
    EXPECT_EQ(GvspReceiverConfig().packetRing, PacketRingUse::WhereItKeepsUp);
}

// A privileged receiver with the default settings reads a sender on this host through a ring
// (cheaper than the socket there, and it keeps up with faster senders); the socket only where
// asked for.
TEST(GvspPacketRing, DefaultOnLoopbackIsTheRing)
{
    GvspReceiver receiver;
    GvspReceiverConfig config;
    config.localAddress = "127.0.0.1";
    ASSERT_TRUE(receiver.Open(config, nullptr).IsOK());
    EXPECT_TRUE(receiver.UsesPacketRing());
    EXPECT_GT(receiver.RingBytes(), 0u);
    EXPECT_LE(receiver.RingBytes(), size_t(64) << 20) << "no larger than the link needs";
    config.packetRing = PacketRingUse::Never;
    ASSERT_TRUE(receiver.Open(config, nullptr).IsOK());
    EXPECT_FALSE(receiver.UsesPacketRing());
    EXPECT_EQ(receiver.RingBytes(), 0u);
}

// The kernel hands a ring's block over only once full or after its time-out: a flush also lets
// go what waits in the block still being filled, so the first block after it is one sent after it.
TEST(GvspPacketRing, AFlushLetsGoWhatTheKernelHasNotHandedOver)
{
    GvspLoop loop;
    GvspSenderConfig sc;
    sc.packetSize = 1500;
    GvspReceiverConfig rc;
    SetTransfer(Transfer::Ring, sc, rc);
    rc.packetSize = 1500;
    rc.resendEnabled = false;
    ASSERT_TRUE(loop.Open(sc, rc).IsOK());
    ASSERT_TRUE(loop.receiver.UsesPacketRing());
    const uint32_t side = 64;
    std::vector<std::vector<uint8_t>> destinations(2, std::vector<uint8_t>(side * side));
    for (auto &d : destinations)
        ASSERT_TRUE(loop.receiver.QueueBlock(d.data(), d.size(), nullptr).IsOK());
    ASSERT_TRUE(loop.SendFrame(1, Pattern(side * side, 1), ImageLeader(KyPixelMono8, side, side, 1)).IsOK());
    ASSERT_TRUE(loop.receiver.Flush().IsOK());
    ASSERT_TRUE(loop.SendFrame(2, Pattern(side * side, 2), ImageLeader(KyPixelMono8, side, side, 2)).IsOK());
    GvspCompletedBlock block;
    ASSERT_TRUE(loop.receiver.WaitForBlock(block, WAIT_MS).IsOK());
    EXPECT_EQ(block.blockId, 2u) << "the first block after the flush";
    EXPECT_EQ(block.status, GvspBlockStatus::Complete) << GvspBlockStatusName(block.status);
    EXPECT_EQ(loop.receiver.WaitForBlock(block, 0).GetCode(), KY_TIMEOUT) << "block 1 is never handed out";
}

// A reader held up while more arrives than its ring holds: the kernel drops records and freezes
// the ring, and the receiver's counters say so.
TEST(GvspPacketRing, OverflowIsCounted)
{
    GvspSender sender;
    GvspReceiver receiver;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> held{false};
    GvspReceiverConfig rc;
    rc.localAddress = "127.0.0.1";
    rc.packetRing = PacketRingUse::Always;
    rc.packetRingBytes = 512u << 10;
    rc.packetSize = 9000;
    // The first resend request holds the receive thread until the test lets it go.
    ASSERT_TRUE(receiver
                    .Open(rc,
                          [&](uint64_t, uint32_t, uint32_t) {
                              if (!held.exchange(true))
                                  released.wait_for(std::chrono::milliseconds(WAIT_MS));
                          })
                    .IsOK());
    ASSERT_TRUE(receiver.UsesPacketRing());
    EXPECT_LE(receiver.RingBytes(), size_t(512u << 10));
    GvspSenderConfig sc;
    sc.destinationAddress = "127.0.0.1";
    sc.destinationPort = receiver.LocalPort();
    sc.packetSize = 9000;
    ASSERT_TRUE(sender.Open(sc).IsOK());
    const uint32_t width = 1024, height = 1024;
    std::vector<std::vector<uint8_t>> destinations(16, std::vector<uint8_t>(width * height));
    for (auto &d : destinations)
        ASSERT_TRUE(receiver.QueueBlock(d.data(), d.size(), nullptr).IsOK());
    auto send = [&](uint64_t block) {
        const std::vector<uint8_t> pattern = Pattern(width * height, static_cast<uint32_t>(block));
        GvspOutgoingBlock out;
        out.blockId = block;
        out.leader = ImageLeader(KyPixelMono8, width, height, block);
        out.data = pattern.data();
        out.size = pattern.size();
        return sender.SendBlock(out);
    };
    sender.SetTestDropFraction(0.5, 7);
    ASSERT_TRUE(send(1).IsOK());
    ASSERT_TRUE(WaitUntil([&] { return held.load(); })) << "no resend request came";
    sender.SetTestDropFraction(0.0, 7);
    for (uint64_t block = 2; block <= 4; ++block)  // 3 MiB into a ring of 512 KiB nobody reads
        ASSERT_TRUE(send(block).IsOK());
    const GvspReceiverCounters during = receiver.Counters();
    release.set_value();
    EXPECT_GT(during.ringDrops, 0u);
    EXPECT_GT(during.ringFreezes, 0u);
    EXPECT_GT(during.ringRecords, 0u);
    // Then the ring is read again: a small frame sent once the reader has caught up arrives
    // whole (the held-up blocks end meanwhile, in whatever state).
    const uint32_t small = 64;
    bool whole = false;
    for (uint64_t id = 5; id < 15 && !whole; ++id) {
        const std::vector<uint8_t> pattern = Pattern(small * small, static_cast<uint32_t>(id));
        GvspOutgoingBlock out;
        out.blockId = id;
        out.leader = ImageLeader(KyPixelMono8, small, small, id);
        out.data = pattern.data();
        out.size = pattern.size();
        ASSERT_TRUE(sender.SendBlock(out).IsOK());
        GvspCompletedBlock block;
        while (!whole && receiver.WaitForBlock(block, 500).IsOK())
            whole = block.blockId == id && block.status == GvspBlockStatus::Complete &&
                    std::memcmp(block.data, pattern.data(), pattern.size()) == 0;
    }
    EXPECT_TRUE(whole);
    const GvspReceiverCounters after = receiver.Counters();
    EXPECT_GT(after.ringRecords, during.ringRecords);
    receiver.Close();
}
