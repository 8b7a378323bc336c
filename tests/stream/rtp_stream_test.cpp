// KyStreamRTP on the user's road: opened on addresses in a private namespace, fed by a sender of
// hand-built RTP packets (UDP unicast and multicast, and RFC 4571 framing over TCP).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "AcceptLocalSources.h"
#include "RtpTestPackets.h"
#include "TestDeadline.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KySessionInfoSDP.h"
#include "ky/stream/KyStreamRTP.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const uint32_t kWaitMs = TestDeadlineMs(5000);
constexpr uint32_t kWidth = 8;
constexpr uint32_t kHeight = 4;
constexpr uint32_t kStride = kWidth * 3;  // RGB8
constexpr uint32_t kFrameSize = kStride * kHeight;
constexpr const char *kHost = "10.10.1.1";    // the receiving adapter
constexpr const char *kSender = "10.10.1.2";  // the sender, across the link
constexpr const char *kGroup = "239.255.12.1";

// The RGB test frame n: byte i is i + 7 n.
Bytes TestFrame(uint32_t n)
{
    Bytes frame(kFrameSize);
    for (uint32_t i = 0; i < kFrameSize; ++i)
        frame[i] = static_cast<std::uint8_t>(i + 7 * n);
    return frame;
}

// Fd closed on scope exit.
struct Fd
{
    int fd = -1;
    explicit Fd(int f = -1) : fd(f) { }
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
};

sockaddr_in Address(const char *ip, uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    EXPECT_EQ(inet_pton(AF_INET, ip, &a.sin_addr), 1) << ip;
    return a;
}

// Makes RTP packets of frames: uncompressed lines (one line per packet) or H.264 NAL units.
struct Packetizer
{
    uint16_t sequence = 100;

    std::vector<Bytes> RawFrame(const Bytes &frame, uint32_t timestamp)
    {
        std::vector<Bytes> packets;
        for (uint32_t line = 0; line < kHeight; ++line) {
            Bytes payload;
            rtp_test::PutU16(payload, 0);  // extended sequence number
            rtp_test::PutU16(payload, kStride);
            rtp_test::PutU16(payload, line);
            rtp_test::PutU16(payload, 0);  // offset 0, no further segment
            payload.insert(payload.end(), frame.begin() + line * kStride,
                           frame.begin() + (line + 1) * kStride);
            packets.push_back(Packet(payload, timestamp, line + 1 == kHeight));
        }
        return packets;
    }
    Bytes Packet(const Bytes &payload, uint32_t timestamp, bool marker)
    {
        rtp_test::Header h;
        h.sequence = sequence++;
        h.timestamp = timestamp;
        h.marker = marker;
        return rtp_test::Packet(h, payload);
    }
};

// A UDP sender from a local address (the multicast interface too).
struct UdpSender
{
    Fd fd{::socket(AF_INET, SOCK_DGRAM, 0)};
    sockaddr_in to{};

    UdpSender(const char *from, const char *toIp, uint16_t port)
    {
        to = Address(toIp, port);
        const sockaddr_in local = Address(from, 0);
        EXPECT_EQ(::bind(fd.fd, reinterpret_cast<const sockaddr *>(&local), sizeof local), 0);
        in_addr interfaceAddress = local.sin_addr;
        EXPECT_EQ(
            ::setsockopt(fd.fd, IPPROTO_IP, IP_MULTICAST_IF, &interfaceAddress, sizeof interfaceAddress), 0);
    }
    void Send(const std::vector<Bytes> &packets)
    {
        for (const Bytes &p : packets)
            ASSERT_EQ(
                ::sendto(fd.fd, p.data(), p.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to),
                static_cast<ssize_t>(p.size()));
    }
};

struct Rig
{
    std::vector<std::unique_ptr<KyBuffer>> buffers;  // outlive the stream
    KyStreamRTP stream;

    void Queue(int count, uint32_t size)
    {
        for (int i = 0; i < count; ++i) {
            buffers.push_back(std::make_unique<KyBuffer>());
            ASSERT_TRUE(buffers.back()->Alloc(size).IsOK());
            ASSERT_EQ(stream.QueueBuffer(buffers.back().get()).GetCode(), KY_PENDING);
        }
    }
    // Opened for RGB frames on the host's adapter (a port of its own), with count buffers queued.
    void OpenUnicast(int count)
    {
        ASSERT_TRUE(stream.PrepareFor(kWidth, kHeight, KyPixelRGB8).IsOK());
        ASSERT_TRUE(stream.Open(KyString(kHost), 0).IsOK());
        Queue(count, kFrameSize);
    }
    // The next buffer, with its operation result.
    KyBuffer *Retrieve(KyResult &operation)
    {
        KyBuffer *buffer = nullptr;
        const KyResult result = stream.RetrieveBuffer(&buffer, &operation, kWaitMs);
        EXPECT_TRUE(result.IsOK()) << result.GetDescription().GetAscii();
        return buffer;
    }
    int64_t Integer(const char *name)
    {
        int64_t value = -1;
        EXPECT_TRUE(stream.GetParameters()->GetIntegerValue(KyString(name), value).IsOK()) << name;
        return value;
    }
};

void ExpectFrame(KyBuffer *buffer, const KyResult &operation, uint32_t n)
{
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(operation.GetCode(), KY_OK) << operation.GetDescription().GetAscii();
    EXPECT_EQ(buffer->GetPayloadType(), KyPayloadTypeImage);
    ASSERT_EQ(buffer->GetAcquiredSize(), kFrameSize);
    const Bytes expected = TestFrame(n);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer->GetDataPointer())) << "frame " << n;
    const KyImage *image = buffer->GetImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetWidth(), kWidth);
    EXPECT_EQ(image->GetHeight(), kHeight);
    EXPECT_EQ(image->GetPixelType(), KyPixelRGB8);
}

TEST(RtpStream, UnicastFramesArrivePixelExact)
{
    Rig rig;
    ASSERT_TRUE(rig.stream.PrepareFor(kWidth, kHeight, KyPixelRGB8).IsOK());
    ASSERT_TRUE(rig.stream.Open(KyString(kHost), 0).IsOK());
    EXPECT_EQ(rig.stream.GetType(), KyStreamTypeRTP);
    EXPECT_NE(rig.stream.GetLocalPort(), 0);
    EXPECT_EQ(rig.stream.GetLocalIPAddress(), KyString(kHost));
    EXPECT_EQ(rig.stream.GetMulticastIPAddress(), KyString());
    EXPECT_EQ(rig.stream.GetTCPServerPort(), 0);
    rig.Queue(3, kFrameSize);
    UdpSender sender(kSender, kHost, rig.stream.GetLocalPort());
    Packetizer packetizer;
    for (uint32_t n = 0; n < 3; ++n)
        sender.Send(packetizer.RawFrame(TestFrame(n), 3000 * n));
    for (uint32_t n = 0; n < 3; ++n) {
        KyResult operation;
        KyBuffer *buffer = rig.Retrieve(operation);
        ExpectFrame(buffer, operation, n);
        EXPECT_EQ(buffer->GetTimestamp(), 3000u * n);
    }
    EXPECT_EQ(rig.Integer("BlockCount"), 3);
    EXPECT_EQ(rig.Integer("PacketsReceived"), 3 * kHeight);
    EXPECT_EQ(rig.Integer("LostPacketCount"), 0);
}

TEST(RtpStream, LostPacketsAreCountedOnTheBufferAndTheStream)
{
    Rig rig;
    ASSERT_NO_FATAL_FAILURE(rig.OpenUnicast(2));
    UdpSender sender(kSender, kHost, rig.stream.GetLocalPort());
    Packetizer packetizer;
    std::vector<Bytes> packets = packetizer.RawFrame(TestFrame(0), 10);
    packets.erase(packets.begin() + 1);  // line 1 lost
    sender.Send(packets);
    sender.Send(packetizer.RawFrame(TestFrame(1), 20));
    KyResult operation;
    KyBuffer *buffer = rig.Retrieve(operation);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(operation.GetCode(), KY_MISSING_PACKETS);
    EXPECT_EQ(buffer->GetLostPacketCount(), 1u);
    const Bytes expected = TestFrame(0);
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + kStride, buffer->GetDataPointer()));
    ExpectFrame(rig.Retrieve(operation), operation, 1);
    EXPECT_EQ(rig.Integer("LostPacketCount"), 1);
    EXPECT_EQ(rig.Integer("MissingPacketsCount"), 1);
    EXPECT_EQ(rig.Integer("BlockCount"), 1);
}

// A stranger beside the session's sender: datagrams that look like the session's packets (same
// payload type, line headers inside the frame) from another socket, most with other SSRCs and
// some with the sender's own SSRC. Sends about `rate` packets a second until stopped, at most
// `limit` packets.
class Stranger
{
public:
    Stranger(const char *from, const char *to, uint16_t port, uint32_t senderSsrc, int rate, uint64_t limit)
        : mSender(from, to, port), mSenderSsrc(senderSsrc), mRate(rate), mLimit(limit)
    {
        mThread = std::thread([this] { Run(); });
    }
    ~Stranger()
    {
        mStop = true;
        mThread.join();
    }
    uint64_t Sent() const { return mSent; }

private:
    void Run()
    {
        std::mt19937 random(29);
        const auto start = std::chrono::steady_clock::now();
        while (!mStop && mSent < mLimit) {
            rtp_test::Header h;
            h.sequence = static_cast<uint16_t>(random());
            h.timestamp = static_cast<uint32_t>(random());
            h.marker = random() % 3 == 0;
            h.ssrc = mSent % 4 == 0 ? mSenderSsrc : static_cast<uint32_t>(random()) | 1u;
            if (h.ssrc == mSenderSsrc && mSent % 4 != 0)
                h.ssrc ^= 0x80000000u;
            Bytes payload;
            rtp_test::PutU16(payload, random() & 0xFFFF);
            rtp_test::PutU16(payload, kStride);
            rtp_test::PutU16(payload, random() % kHeight);
            rtp_test::PutU16(payload, 0);
            for (uint32_t i = 0; i < kStride; ++i)
                payload.push_back(static_cast<std::uint8_t>(random()));
            const Bytes packet = rtp_test::Packet(h, payload);
            (void)::sendto(mSender.fd.fd, packet.data(), packet.size(), 0,
                           reinterpret_cast<const sockaddr *>(&mSender.to), sizeof mSender.to);
            ++mSent;
            // Paced to the rate: ahead of it, wait for it to catch up.
            const auto due = start + std::chrono::microseconds(mSent * 1000000 / mRate);
            if (mSent % 32 == 0)
                std::this_thread::sleep_until(due);
        }
    }

    UdpSender mSender;
    uint32_t mSenderSsrc;
    int mRate;
    uint64_t mLimit;
    std::atomic<bool> mStop{false};
    std::atomic<uint64_t> mSent{0};
    std::thread mThread;
};

TEST(RtpStream, AStrangerBesideTheSenderIsCountedAndDropped)
{
    constexpr uint32_t kFrames = 60;
    Rig rig;
    ASSERT_NO_FATAL_FAILURE(rig.OpenUnicast(kFrames));
    UdpSender sender(kSender, kHost, rig.stream.GetLocalPort());
    Packetizer packetizer;
    // The session's first packet names its sender.
    sender.Send(packetizer.RawFrame(TestFrame(0), 0));
    KyResult operation;
    ExpectFrame(rig.Retrieve(operation), operation, 0);

    Stranger stranger(kSender, kHost, rig.stream.GetLocalPort(), rtp_test::Header().ssrc, 40000,
                      40000ull * TestDeadlineMs(30));
    for (uint32_t n = 1; n < kFrames; ++n) {
        // Each frame goes out amid the stranger's packets.
        const uint64_t before = stranger.Sent();
        for (int i = 0; i < 5000 && stranger.Sent() < before + 50; ++i)
            ::usleep(100);
        sender.Send(packetizer.RawFrame(TestFrame(n), 3000 * n));
    }
    for (uint32_t n = 1; n < kFrames; ++n) {
        KyBuffer *buffer = rig.Retrieve(operation);
        ExpectFrame(buffer, operation, n);
        if (buffer != nullptr) {
            EXPECT_EQ(buffer->GetLostPacketCount(), 0u) << "frame " << n;
        }
    }
    EXPECT_GT(stranger.Sent(), 50u * (kFrames - 1));
    EXPECT_GT(rig.Integer("PacketsForeign"), 0);
    EXPECT_EQ(rig.Integer("BlockCount"), kFrames);
    EXPECT_EQ(rig.Integer("ErrorCount"), 0);
    EXPECT_EQ(rig.Integer("LostPacketCount"), 0);
}

TEST(RtpStream, AFrameWhoseEndNeverComesIsHandedOverAfterTheTimeOut)
{
    Rig rig;
    ASSERT_NO_FATAL_FAILURE(rig.OpenUnicast(2));
    UdpSender sender(kSender, kHost, rig.stream.GetLocalPort());
    Packetizer packetizer;
    std::vector<Bytes> packets = packetizer.RawFrame(TestFrame(0), 10);
    packets.pop_back();  // the last line, with the marker, never comes; nor does another frame
    sender.Send(packets);
    KyResult operation;
    KyBuffer *buffer = rig.Retrieve(operation);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(operation.GetCode(), KY_TIMEOUT) << operation.GetDescription().GetAscii();
    EXPECT_EQ(buffer->GetTimestamp(), 10u);
    const Bytes expected = TestFrame(0);
    EXPECT_TRUE(
        std::equal(expected.begin(), expected.begin() + (kHeight - 1) * kStride, buffer->GetDataPointer()));
    EXPECT_EQ(rig.Integer("TimeoutCount"), 1);
    // The stream goes on with the next frame.
    sender.Send(packetizer.RawFrame(TestFrame(1), 20));
    ExpectFrame(rig.Retrieve(operation), operation, 1);
}

TEST(RtpStream, ASenderThatRestartsIsHeardOnceTheOldOneFellSilent)
{
    Rig rig;
    ASSERT_NO_FATAL_FAILURE(rig.OpenUnicast(2));
    {
        UdpSender first(kSender, kHost, rig.stream.GetLocalPort());
        Packetizer packetizer;
        first.Send(packetizer.RawFrame(TestFrame(0), 0));
        KyResult operation;
        ExpectFrame(rig.Retrieve(operation), operation, 0);
    }
    // The sender starts again: another socket, another SSRC. Its frames are foreign until the
    // first sender has been silent long enough.
    UdpSender restarted(kSender, kHost, rig.stream.GetLocalPort());
    Packetizer packetizer;
    KyBuffer *buffer = nullptr;
    KyResult operation;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TestDeadlineMs(20000));
    while (std::chrono::steady_clock::now() < end) {
        std::vector<Bytes> packets = packetizer.RawFrame(TestFrame(1), 3000);
        for (Bytes &p : packets)
            p[11] ^= 0x5A;  // the low byte of the SSRC
        restarted.Send(packets);
        buffer = nullptr;
        if (rig.stream.RetrieveBuffer(&buffer, &operation, 100).IsOK() && !operation.IsOK())
            ASSERT_EQ(rig.stream.QueueBuffer(buffer).GetCode(), KY_PENDING);  // heard from mid-frame
        else if (buffer != nullptr)
            break;
    }
    ExpectFrame(buffer, operation, 1);
    EXPECT_GT(rig.Integer("PacketsForeign"), 0);
}

TEST(RtpStream, MulticastReceiversEachGetEveryFrame)
{
    AcceptLocalSources(1);  // the sender's address is local to this namespace too
    constexpr uint16_t kPort = 20400;
    Rig first, second;
    for (Rig *rig : {&first, &second}) {
        ASSERT_TRUE(rig->stream.PrepareFor(kWidth, kHeight, KyPixelRGB8).IsOK());
        const KyResult opened = rig->stream.Open(KyString(kGroup), kPort, KyString(kHost));
        ASSERT_TRUE(opened.IsOK()) << opened.GetDescription().GetAscii();
        EXPECT_EQ(rig->stream.GetMulticastIPAddress(), KyString(kGroup));
        EXPECT_EQ(rig->stream.GetLocalPort(), kPort);
        rig->Queue(2, kFrameSize);
    }
    UdpSender sender(kSender, kGroup, kPort);
    Packetizer packetizer;
    for (uint32_t n = 0; n < 2; ++n)
        sender.Send(packetizer.RawFrame(TestFrame(n), n));
    for (Rig *rig : {&first, &second})
        for (uint32_t n = 0; n < 2; ++n) {
            KyResult operation;
            KyBuffer *buffer = rig->Retrieve(operation);
            ExpectFrame(buffer, operation, n);
        }
}

TEST(RtpStream, TcpFramedPacketsArriveInAnyPieces)
{
    Fd listener(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in where = Address("127.0.0.1", 0);
    ASSERT_EQ(::bind(listener.fd, reinterpret_cast<const sockaddr *>(&where), sizeof where), 0);
    ASSERT_EQ(::listen(listener.fd, 1), 0);
    socklen_t length = sizeof where;
    ASSERT_EQ(::getsockname(listener.fd, reinterpret_cast<sockaddr *>(&where), &length), 0);
    const uint16_t port = ntohs(where.sin_port);

    Rig rig;
    ASSERT_TRUE(rig.stream.PrepareFor(kWidth, kHeight, KyPixelRGB8).IsOK());
    const KyResult opened = rig.stream.OpenTCP(KyString("127.0.0.1"), port);
    ASSERT_TRUE(opened.IsOK()) << opened.GetDescription().GetAscii();
    EXPECT_EQ(rig.stream.GetTCPServerIPAddress(), KyString("127.0.0.1"));
    EXPECT_EQ(rig.stream.GetTCPServerPort(), port);
    EXPECT_EQ(rig.stream.GetLocalIPAddress(), KyString("127.0.0.1"));
    Fd connection(::accept(listener.fd, nullptr, nullptr));
    ASSERT_GE(connection.fd, 0);
    rig.Queue(3, kFrameSize);

    Bytes stream;
    Packetizer packetizer;
    for (uint32_t n = 0; n < 3; ++n)
        for (const Bytes &p : packetizer.RawFrame(TestFrame(n), n)) {
            rtp_test::PutU16(stream, static_cast<unsigned>(p.size()));
            stream.insert(stream.end(), p.begin(), p.end());
        }
    // Pieces of 1, 2, 3 ... bytes: lengths and packets split everywhere.
    for (std::size_t at = 0, piece = 1; at < stream.size(); at += piece, ++piece) {
        const std::size_t n = std::min(piece, stream.size() - at);
        ASSERT_EQ(::send(connection.fd, stream.data() + at, n, MSG_NOSIGNAL), static_cast<ssize_t>(n));
    }
    for (uint32_t n = 0; n < 3; ++n) {
        KyResult operation;
        ExpectFrame(rig.Retrieve(operation), operation, n);
    }
}

TEST(RtpStream, H264AccessUnitsOnePerBuffer)
{
    Rig rig;
    ASSERT_TRUE(rig.stream.PrepareForH264().IsOK());
    ASSERT_TRUE(rig.stream.Open(KyString("127.0.0.1"), 0).IsOK());
    rig.Queue(2, 1000);
    UdpSender sender("127.0.0.1", "127.0.0.1", rig.stream.GetLocalPort());
    const std::vector<Bytes> nals = {
        {0x67, 0x42, 0x00, 0x1E}, {0x68, 0xCE, 0x38, 0x80}, {0x65, 0x88, 0x84, 0x21}};
    Packetizer packetizer;
    Bytes annexB;
    for (uint32_t unit = 0; unit < 2; ++unit)
        for (std::size_t i = 0; i < nals.size(); ++i) {
            sender.Send({packetizer.Packet(nals[i], 9000 * unit, i + 1 == nals.size())});
            if (unit == 0) {
                annexB.insert(annexB.end(), {0, 0, 0, 1});
                annexB.insert(annexB.end(), nals[i].begin(), nals[i].end());
            }
        }
    for (uint32_t unit = 0; unit < 2; ++unit) {
        KyResult operation;
        KyBuffer *buffer = rig.Retrieve(operation);
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(operation.GetCode(), KY_OK);
        EXPECT_EQ(buffer->GetPayloadType(), KyPayloadTypeH264);
        ASSERT_EQ(buffer->GetAcquiredSize(), annexB.size());
        EXPECT_TRUE(std::equal(annexB.begin(), annexB.end(), buffer->GetDataPointer()));
        EXPECT_EQ(buffer->GetTimestamp(), 9000u * unit);
        const IKyH264AccessUnit *view = buffer->GetH264AccessUnit();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->GetDataSize(), annexB.size());
        EXPECT_EQ(view->GetDataPointer(), buffer->GetDataPointer());
    }
}

TEST(RtpStream, TooSmallBufferAndNoPayloadExpected)
{
    Rig rig;
    ASSERT_TRUE(rig.stream.Open(KyString("127.0.0.1"), 0).IsOK());
    rig.Queue(1, 10);
    UdpSender sender("127.0.0.1", "127.0.0.1", rig.stream.GetLocalPort());
    Packetizer packetizer;
    // Nothing expected yet: the packets are counted and dropped.
    sender.Send(packetizer.RawFrame(TestFrame(0), 1));
    KyBuffer *buffer = nullptr;
    KyResult operation;
    EXPECT_EQ(rig.stream.RetrieveBuffer(&buffer, &operation, 200).GetCode(), KY_TIMEOUT);
    EXPECT_EQ(rig.Integer("PacketsIgnored"), kHeight);
    ASSERT_TRUE(rig.stream.PrepareFor(kWidth, kHeight, KyPixelRGB8).IsOK());
    sender.Send(packetizer.RawFrame(TestFrame(1), 2));
    buffer = rig.Retrieve(operation);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(operation.GetCode(), KY_BUFFER_TOO_SMALL);
    EXPECT_EQ(buffer->GetRequiredSize(), kFrameSize);
    EXPECT_EQ(buffer->GetAcquiredSize(), 10u);
    EXPECT_EQ(rig.Integer("BufferTooSmallCount"), 1);
    // A frame that finds no queued buffer is let go and counted.
    sender.Send(packetizer.RawFrame(TestFrame(2), 3));
    for (int i = 0; i < 250 && rig.Integer("FramesWithoutBuffer") == 0; ++i)
        ::usleep(20000);
    EXPECT_EQ(rig.Integer("FramesWithoutBuffer"), 1);
    // Back to expecting nothing: packets are dropped again.
    ASSERT_TRUE(rig.stream.ResetPayloadType().IsOK());
    sender.Send(packetizer.RawFrame(TestFrame(3), 4));
    for (int i = 0; i < 250 && rig.Integer("PacketsIgnored") < 2 * kHeight; ++i)
        ::usleep(20000);
    EXPECT_EQ(rig.Integer("PacketsIgnored"), 2 * kHeight);
    EXPECT_EQ(rig.Integer("FramesWithoutBuffer"), 1);
}

TEST(RtpStream, OpensFromASessionDescription)
{
    const std::string text = "v=0\r\no=- 0 0 IN IP4 10.10.1.2\r\ns=test\r\nc=IN IP4 " + std::string(kHost) +
                             "\r\nt=0 0\r\nm=video 20500 RTP/AVP 96\r\na=rtpmap:96 raw/90000\r\n"
                             "a=fmtp:96 sampling=RGB; width=8; height=4; depth=8\r\n";
    KySessionInfoSDP session;
    ASSERT_TRUE(session.Load(KyString(text)).IsOK());
    Rig rig;
    const KyResult opened = rig.stream.Open(&session, KyString(kHost));
    ASSERT_TRUE(opened.IsOK()) << opened.GetDescription().GetAscii();
    EXPECT_EQ(rig.stream.GetLocalPort(), 20500);
    rig.Queue(1, kFrameSize);
    UdpSender sender(kSender, kHost, 20500);
    Packetizer packetizer;
    // Another payload type than the description's is not taken.
    Bytes other = packetizer.RawFrame(TestFrame(9), 1)[0];
    other[1] = static_cast<std::uint8_t>((other[1] & 0x80) | 97);
    sender.Send({other});
    sender.Send(packetizer.RawFrame(TestFrame(4), 2));
    KyResult operation;
    ExpectFrame(rig.Retrieve(operation), operation, 4);
    EXPECT_EQ(rig.Integer("PacketsIgnored"), 1);

    KyStreamRTP later;
    EXPECT_EQ(later.Open(&session, KyString(kHost), 20501).GetCode(), KY_OK);
    EXPECT_EQ(later.GetLocalPort(), 20501);
}

TEST(RtpStream, TheSenderASessionDescriptionNamesIsTheOneHeard)
{
    const uint32_t named = rtp_test::Header().ssrc;
    const std::string text = "v=0\r\nc=IN IP4 " + std::string(kHost) +
                             "\r\nm=video 20502 RTP/AVP 96\r\na=rtpmap:96 raw/90000\r\n"
                             "a=fmtp:96 sampling=RGB; width=8; height=4; depth=8\r\na=ssrc:" +
                             std::to_string(named) + " cname:camera\r\n";
    KySessionInfoSDP session;
    ASSERT_TRUE(session.Load(KyString(text)).IsOK());
    Rig rig;
    const KyResult opened = rig.stream.Open(&session, KyString(kHost));
    ASSERT_TRUE(opened.IsOK()) << opened.GetDescription().GetAscii();
    rig.Queue(1, kFrameSize);
    // Another sender comes first: it is not the one the description names.
    UdpSender stranger(kSender, kHost, 20502);
    Packetizer packetizer;
    std::vector<Bytes> foreign = packetizer.RawFrame(TestFrame(9), 1);
    for (Bytes &p : foreign)
        p[11] ^= 0x01;
    stranger.Send(foreign);
    UdpSender sender(kSender, kHost, 20502);
    sender.Send(packetizer.RawFrame(TestFrame(5), 2));
    KyResult operation;
    ExpectFrame(rig.Retrieve(operation), operation, 5);
    EXPECT_EQ(rig.Integer("PacketsForeign"), static_cast<int64_t>(kHeight));
}

TEST(RtpStream, SessionDescriptionsOfAGroupAndOfATcpServer)
{
    KySessionInfoSDP group;
    ASSERT_TRUE(group
                    .Load(KyString("v=0\nc=IN IP4 239.255.12.2/32\nm=video 20520 RTP/AVP 97\n"
                                   "a=rtpmap:97 H264/90000\n"))
                    .IsOK());
    KyStreamRTP multicast;
    const KyResult joined = multicast.Open(&group, KyString(kHost));
    ASSERT_TRUE(joined.IsOK()) << joined.GetDescription().GetAscii();
    EXPECT_EQ(multicast.GetMulticastIPAddress(), KyString("239.255.12.2"));
    EXPECT_EQ(multicast.GetLocalIPAddress(), KyString(kHost));
    EXPECT_EQ(multicast.GetLocalPort(), 20520);

    KySessionInfoSDP server;
    ASSERT_TRUE(server.Load(KyString("v=0\nc=IN IP4 127.0.0.1\nm=video 9 TCP/RTP/AVP 96\n")).IsOK());
    EXPECT_TRUE(server.IsTCP());
    EXPECT_EQ(server.GetPayloadType(), KyPayloadTypeUndefined);
    KyStreamRTP tcp;
    EXPECT_EQ(tcp.Open(&server, KyString()).GetCode(), KY_NOT_CONNECTED);  // nobody listens on port 9
    EXPECT_FALSE(tcp.IsOpen());
}

TEST(RtpStream, QueuedBufferDestroyedWhileOpenIsForgotten)
{
    KyStreamRTP stream;
    ASSERT_TRUE(stream.PrepareFor(kWidth, kHeight, KyPixelRGB8).IsOK());
    ASSERT_TRUE(stream.Open(KyString("127.0.0.1"), 0).IsOK());
    auto buffer = std::make_unique<KyBuffer>();
    ASSERT_TRUE(buffer->Alloc(kFrameSize).IsOK());
    ASSERT_EQ(stream.QueueBuffer(buffer.get()).GetCode(), KY_PENDING);
    buffer.reset();
    EXPECT_EQ(stream.GetQueuedBufferCount(), 0u);
    UdpSender sender("127.0.0.1", "127.0.0.1", stream.GetLocalPort());
    Packetizer packetizer;
    sender.Send(packetizer.RawFrame(TestFrame(0), 1));
    int64_t without = 0;
    for (int i = 0; i < 250 && without == 0; ++i) {
        ::usleep(20000);
        ASSERT_TRUE(stream.GetParameters()->GetIntegerValue(KyString("FramesWithoutBuffer"), without).IsOK());
    }
    EXPECT_EQ(without, 1);
}

TEST(RtpStream, RefusesBadOpens)
{
    KyStreamRTP stream;
    EXPECT_EQ(stream.GetType(), KyStreamTypeRTP);
    EXPECT_EQ(stream.Open(static_cast<const KyDeviceInfo *>(nullptr)).GetCode(), KY_INVALID_PARAMETER);
    // A device opens only through a connection of this process that controls it.
    EXPECT_EQ(stream.Open(KyString("127.0.0.1")).GetCode(), KY_NOT_CONNECTED);
    EXPECT_EQ(stream.Open(KyString("no address")).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(stream.Open(static_cast<const KySessionInfoSDP *>(nullptr), KyString()).GetCode(),
              KY_INVALID_PARAMETER);
    KySessionInfoSDP empty;
    EXPECT_EQ(stream.Open(&empty, KyString(), 5000).GetCode(), KY_INVALID_PARAMETER);
    struct Bad
    {
        const char *what;
        KyResult (*open)(KyStreamRTP &);
        uint32_t code;
    };
    const Bad cases[] = {
        {"unicast bad address", [](KyStreamRTP &s) { return s.Open(KyString("not an address"), 5000); },
         KY_INVALID_PARAMETER},
        {"multicast no group", [](KyStreamRTP &s) { return s.Open(KyString("10.10.1.1"), 5000, KyString()); },
         KY_INVALID_PARAMETER},
        {"multicast port 0", [](KyStreamRTP &s) { return s.Open(KyString(kGroup), 0, KyString()); },
         KY_INVALID_PARAMETER},
        {"multicast bad adapter",
         [](KyStreamRTP &s) { return s.Open(KyString(kGroup), 5000, KyString("x")); }, KY_INVALID_PARAMETER},
        {"TCP bad address", [](KyStreamRTP &s) { return s.OpenTCP(KyString(""), 5000); },
         KY_INVALID_PARAMETER},
        {"TCP port 0", [](KyStreamRTP &s) { return s.OpenTCP(KyString("127.0.0.1"), 0); },
         KY_INVALID_PARAMETER},
        {"TCP nobody listens", [](KyStreamRTP &s) { return s.OpenTCP(KyString("127.0.0.1"), 9); },
         KY_NOT_CONNECTED},
        {"unicast address not here", [](KyStreamRTP &s) { return s.Open(KyString("192.0.2.1"), 5000); },
         KY_NETWORK_ERROR},
    };
    for (const Bad &bad : cases) {
        EXPECT_EQ(bad.open(stream).GetCode(), bad.code) << bad.what;
        EXPECT_FALSE(stream.IsOpen()) << bad.what;
    }
    EXPECT_EQ(stream.PrepareFor(8, 4, KyPixelMono8).GetCode(), KY_NOT_SUPPORTED);
    EXPECT_EQ(stream.GetLocalIPAddress(), KyString());
    EXPECT_EQ(stream.GetLocalPort(), 0);
    ASSERT_TRUE(stream.Open(KyString(), 0).IsOK());
    EXPECT_EQ(stream.Open(KyString(), 0).GetCode(), KY_STATE_ERROR);
    EXPECT_TRUE(stream.SetThreadPriority(7).IsOK());
    EXPECT_EQ(stream.GetThreadPriority(), 7u);
}

TEST(RtpStream, AbortAndCloseHandQueuedBuffersBack)
{
    Rig rig;
    ASSERT_TRUE(rig.stream.PrepareFor(kWidth, kHeight, KyPixelRGB8).IsOK());
    ASSERT_TRUE(rig.stream.Open(KyString("127.0.0.1"), 0).IsOK());
    rig.Queue(3, kFrameSize);
    ASSERT_TRUE(rig.stream.AbortQueuedBuffers().IsOK());
    for (int i = 0; i < 3; ++i) {
        KyResult operation;
        EXPECT_NE(rig.Retrieve(operation), nullptr);
        EXPECT_EQ(operation.GetCode(), KY_ABORTED);
    }
    EXPECT_EQ(rig.stream.GetQueuedBufferCount(), 0u);
    ASSERT_EQ(rig.stream.QueueBuffer(rig.buffers[0].get()).GetCode(), KY_PENDING);
    ASSERT_TRUE(rig.stream.Close().IsOK());
    KyResult operation;
    EXPECT_NE(rig.Retrieve(operation), nullptr);
    EXPECT_EQ(operation.GetCode(), KY_ABORTED);
    EXPECT_EQ(rig.stream.QueueBuffer(rig.buffers[0].get()).GetCode(), KY_NOT_CONNECTED);
}

TEST(RtpStream, WorksUnderAPipeline)
{
    KyStreamRTP stream;
    ASSERT_TRUE(stream.PrepareFor(kWidth, kHeight, KyPixelRGB8).IsOK());
    ASSERT_TRUE(stream.Open(KyString("127.0.0.1"), 0).IsOK());
    KyPipeline pipeline(&stream);
    pipeline.SetBufferSize(kFrameSize);
    // More buffers than frames: a pipeline lets the oldest output go when the stream runs short.
    ASSERT_TRUE(pipeline.SetBufferCount(8).IsOK());
    ASSERT_TRUE(pipeline.Start().IsOK());
    // The pipeline queues its buffers on its own thread; frames sent before would find none.
    for (int i = 0; i < 250 && stream.GetQueuedBufferCount() < 8; ++i)
        ::usleep(20000);
    ASSERT_EQ(stream.GetQueuedBufferCount(), 8u);
    UdpSender sender("127.0.0.1", "127.0.0.1", stream.GetLocalPort());
    Packetizer packetizer;
    for (uint32_t n = 0; n < 3; ++n)
        sender.Send(packetizer.RawFrame(TestFrame(n), n));
    for (uint32_t n = 0; n < 3; ++n) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        ASSERT_TRUE(pipeline.RetrieveNextBuffer(&buffer, kWaitMs, &operation).IsOK());
        ExpectFrame(buffer, operation, n);
        ASSERT_TRUE(pipeline.ReleaseBuffer(buffer).IsOK());
    }
    ASSERT_TRUE(pipeline.Stop().IsOK());
}

}  // namespace
