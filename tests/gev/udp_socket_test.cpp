// The kit's one UDP socket, on the loopback adapter of a private namespace: binding and its
// options, datagrams with their source, destination and arrival adapter, truncation, waiting on
// one or several sockets, and a connected socket's route and refused sends.
#include <gtest/gtest.h>

#include <net/if.h>

#include <cerrno>
#include <string>
#include <vector>

#include "gev/UdpSocket.h"

using ky::gev::DatagramInfo;
using ky::gev::UdpSocket;

namespace {

constexpr uint32_t kLoopback = 0x7F000001;  // 127.0.0.1
constexpr uint32_t kOtherLoopback = 0x7F000002;

std::string Text(const KyResult &result) { return result.GetDescription().GetAscii(); }

TEST(UdpSocket, OpenRefusesWhatCannotBeBound)
{
    struct Case
    {
        const char *name;
        std::string address;
        UdpSocket::Options options;
        uint32_t code;
        std::string text;
    };
    UdpSocket::Options noSuchDevice;
    noSuchDevice.device = "kynosuch0";
    const Case cases[] = {
        {"not an address", "127.0.0.256", {}, KY_INVALID_PARAMETER, "\"127.0.0.256\" is not an IPv4 address"},
        {"not local",
         "192.0.2.1",
         {},
         KY_NETWORK_ERROR,
         "cannot bind a UDP socket to 192.0.2.1:0: Cannot assign requested address"},
        {"no such interface", "", noSuchDevice, KY_NETWORK_ERROR,
         "cannot bind a UDP socket to the interface kynosuch0: No such device"},
    };
    for (const Case &c : cases) {
        UdpSocket socket;
        const KyResult result = socket.Open(c.address, 0, c.options);
        EXPECT_EQ(result.GetCode(), c.code) << c.name;
        EXPECT_EQ(Text(result), c.text) << c.name;
        EXPECT_FALSE(socket.IsOpen()) << c.name;
        EXPECT_EQ(socket.LocalPort(), 0) << c.name;
    }
}

TEST(UdpSocket, OnePortTwiceOnlyWithReuseAddress)
{
    UdpSocket::Options reuse;
    reuse.reuseAddress = true;
    UdpSocket first, second, third;
    ASSERT_TRUE(first.Open(kLoopback, 0, reuse).IsOK());
    EXPECT_TRUE(second.Open(kLoopback, first.LocalPort(), reuse).IsOK());
    const KyResult refused = third.Open(kLoopback, first.LocalPort());
    EXPECT_EQ(refused.GetCode(), KY_NETWORK_ERROR);
    EXPECT_EQ(refused.GetOSCode(), static_cast<uint32_t>(EADDRINUSE));
}

TEST(UdpSocket, DatagramTellsItsSourceDestinationAndAdapter)
{
    UdpSocket::Options arrival;
    arrival.packetInfo = true;
    UdpSocket receiver, plain, sender;
    ASSERT_TRUE(receiver.Open(UdpSocket::ANY_IP, 0, arrival).IsOK());
    ASSERT_TRUE(plain.Open(UdpSocket::ANY_IP, 0).IsOK());
    ASSERT_TRUE(sender.Open(kOtherLoopback, 0).IsOK());
    const uint8_t data[] = {1, 2, 3, 4, 5};

    ASSERT_EQ(sender.SendTo(data, sizeof data, kLoopback, receiver.LocalPort()), 5);
    ASSERT_EQ(receiver.WaitReadable(2000), 1);
    uint8_t buffer[16] = {};
    DatagramInfo info;
    ASSERT_EQ(receiver.Receive(buffer, sizeof buffer, &info), 5);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 5), std::vector<uint8_t>(data, data + 5));
    EXPECT_EQ(info.sourceIp, kOtherLoopback);
    EXPECT_EQ(info.sourcePort, sender.LocalPort());
    EXPECT_EQ(info.destinationIp, kLoopback);
    EXPECT_EQ(info.arrivalIndex, if_nametoindex("lo"));
    EXPECT_FALSE(info.truncated);

    // Sent out of a chosen adapter. Without the option the source is still told, where it
    // arrived is not; a short buffer gets the start and the mark.
    ASSERT_EQ(sender.SendTo(data, sizeof data, kLoopback, plain.LocalPort(), if_nametoindex("lo")), 5);
    ASSERT_EQ(plain.WaitReadable(2000), 1);
    ASSERT_EQ(plain.Receive(buffer, 2, &info), 2);
    EXPECT_EQ(info.sourcePort, sender.LocalPort());
    EXPECT_EQ(info.destinationIp, 0u);
    EXPECT_EQ(info.arrivalIndex, 0u);
    EXPECT_TRUE(info.truncated);

    // Nothing left: Receive does not wait, WaitReadable only looks.
    EXPECT_EQ(plain.WaitReadable(0), 0);
    errno = 0;
    EXPECT_EQ(plain.Receive(buffer, sizeof buffer, &info), -1);
    EXPECT_EQ(errno, EAGAIN);
}

TEST(UdpSocket, BroadcastOnlyWhenAllowed)
{
    UdpSocket::Options broadcast;
    broadcast.broadcast = true;
    UdpSocket plain, allowed;
    ASSERT_TRUE(plain.Open(UdpSocket::ANY_IP, 0).IsOK());
    ASSERT_TRUE(allowed.Open(UdpSocket::ANY_IP, 0, broadcast).IsOK());
    const uint8_t data[] = {0x42};
    errno = 0;
    EXPECT_EQ(plain.SendTo(data, sizeof data, 0xFFFFFFFF, 9, if_nametoindex("lo")), -1);
    EXPECT_EQ(errno, EACCES);
    errno = 0;
    allowed.SendTo(data, sizeof data, 0xFFFFFFFF, 9, if_nametoindex("lo"));
    EXPECT_NE(errno, EACCES) << "the broadcast was refused although allowed";
}

TEST(UdpSocket, WaitReadableTellsWhichSocketHasData)
{
    UdpSocket a, b, closed, sender;
    ASSERT_TRUE(a.Open(kLoopback, 0).IsOK());
    ASSERT_TRUE(b.Open(kLoopback, 0).IsOK());
    ASSERT_TRUE(sender.Open(kLoopback, 0).IsOK());
    const UdpSocket *sockets[] = {&a, &closed, &b};
    bool ready[3] = {true, true, true};
    EXPECT_EQ(UdpSocket::WaitReadable(sockets, 3, 0, ready), 0);
    EXPECT_FALSE(ready[0] || ready[1] || ready[2]);

    const uint8_t data[] = {7};
    ASSERT_EQ(sender.SendTo(data, sizeof data, kLoopback, b.LocalPort()), 1);
    ASSERT_EQ(UdpSocket::WaitReadable(sockets, 3, 2000, ready), 1);
    EXPECT_FALSE(ready[0]);
    EXPECT_FALSE(ready[1]) << "a closed socket is never ready";
    EXPECT_TRUE(ready[2]);
}

TEST(UdpSocket, ConnectedSocketKnowsItsRouteAndHearsARefusal)
{
    UdpSocket peer, link;
    ASSERT_TRUE(peer.Open(kLoopback, 0).IsOK());
    ASSERT_TRUE(link.Open(UdpSocket::ANY_IP, 0).IsOK());
    uint32_t local = 0;
    ASSERT_TRUE(link.Connect(kLoopback, peer.LocalPort(), local).IsOK());
    EXPECT_EQ(local, kLoopback);
    const uint8_t data[] = {9, 8};
    ASSERT_EQ(link.Send(data, sizeof data), 2);
    ASSERT_EQ(peer.WaitReadable(2000), 1);
    DatagramInfo info;
    uint8_t buffer[4];
    ASSERT_EQ(peer.Receive(buffer, sizeof buffer, &info), 2);
    EXPECT_EQ(info.sourcePort, link.LocalPort());

    // Nobody listens any more: the refusal wakes the waiter, and reading it clears it.
    const uint16_t gone = peer.LocalPort();
    peer.Close();
    ASSERT_TRUE(link.Connect(kLoopback, gone, local).IsOK());
    ASSERT_EQ(link.Send(data, sizeof data, true), 2);
    ASSERT_EQ(link.WaitReadable(2000), 1);
    errno = 0;
    EXPECT_EQ(link.Receive(buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, ECONNREFUSED);
    EXPECT_EQ(link.WaitReadable(0), 0);
}

TEST(UdpSocket, BufferSizesAreAskedForAndReported)
{
    UdpSocket socket;
    EXPECT_EQ(socket.SetReceiveBufferSize(1u << 16), 0u) << "not open";
    ASSERT_TRUE(socket.Open(kLoopback, 0).IsOK());
    EXPECT_GE(socket.SetReceiveBufferSize(1u << 16), 1u << 16);  // the kernel doubles what it grants
    EXPECT_GE(socket.SetSendBufferSize(1u << 16), 1u << 16);
    socket.Close();
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_EQ(socket.LocalPort(), 0);
}

}  // namespace
