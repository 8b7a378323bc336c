// Who may ask the soft device for packets again (PACKETRESEND): while an application holds
// control, its host (the control socket and any socket beside it) and the stream channel's
// destination; without a controller, anyone.
#include <gtest/gtest.h>

#include "gvcp/SoftGvcpHandler.h"

using namespace ky::gev;
using namespace ky::soft;

namespace {

constexpr uint32_t kControllerIp = 0x0A0A0101;  // 10.10.1.1
constexpr uint16_t kControlPort = 50000;
constexpr uint32_t kReceiverIp = 0x0A0A0105;  // a receiver on another host
constexpr uint32_t kStrangerIp = 0x0A0A0109;

struct RecordingHost : SoftDeviceHost
{
    uint32_t destination = 0;
    int resends = 0;
    DiscoveryInfo Identity() override { return {}; }
    void ControlChanged(SoftControlPrivilege::Change, const SoftPeer &, KyAccessType) override { }
    uint32_t ForceIp(const SoftNetworkConfig &, SoftNetworkConfig &) override { return 0; }
    void PacketResend(uint16_t, uint64_t, uint32_t, uint32_t) override { ++resends; }
    uint32_t StreamDestination(uint16_t) override { return destination; }
};

struct ResendCase
{
    const char *name;
    uint32_t ccp;  // what the controller wrote, 0: no controller
    SoftPeer from;
    uint32_t streamDestination;
    bool served;
};

void PrintTo(const ResendCase &c, std::ostream *out) { *out << c.name; }

const ResendCase kCases[] = {
    {"no_controller_anyone", 0, {kStrangerIp, 4000}, kReceiverIp, true},
    {"exclusive_control_socket", CCP_EXCLUSIVE_MASK, {kControllerIp, kControlPort}, kControllerIp, true},
    {"exclusive_socket_beside_the_controller",
     CCP_EXCLUSIVE_MASK,
     {kControllerIp, 4000},
     kControllerIp,
     true},
    {"exclusive_stream_destination", CCP_EXCLUSIVE_MASK, {kReceiverIp, 4000}, kReceiverIp, true},
    {"exclusive_stranger_refused", CCP_EXCLUSIVE_MASK, {kStrangerIp, 4000}, kReceiverIp, false},
    {"exclusive_stranger_refused_channel_closed", CCP_EXCLUSIVE_MASK, {kStrangerIp, 4000}, 0, false},
    {"control_socket_beside_the_controller", CCP_CONTROL_MASK, {kControllerIp, 4000}, kControllerIp, true},
    {"control_stream_destination", CCP_CONTROL_MASK, {kReceiverIp, 4000}, kReceiverIp, true},
    {"control_stranger_refused", CCP_CONTROL_MASK, {kStrangerIp, kControlPort}, kReceiverIp, false},
};

class ResendPrivilege : public ::testing::TestWithParam<ResendCase>
{
};

TEST_P(ResendPrivilege, ServedOrRefusedWithoutAnswer)
{
    const ResendCase &c = GetParam();
    SoftRegisterMap map;
    SoftControlPrivilege privilege;
    SoftDeviceStatistics statistics;
    RecordingHost host;
    host.destination = c.streamDestination;
    SoftGvcpHandler handler(map, privilege, statistics, host, MacAddress{});
    if (c.ccp != 0) {
        SoftControlPrivilege::Change change;
        ASSERT_EQ(privilege.WriteCcp({kControllerIp, kControlPort}, c.ccp, change), Status::SUCCESS);
    }
    PacketResendCmd command;
    command.header.requestId = 7;
    command.blockId = 3;
    command.firstPacketId = 10;
    command.lastPacketId = 12;
    Packet packet;
    ASSERT_EQ(Build(command, packet), CodecError::Ok);
    uint32_t forcedIp = 0;
    EXPECT_TRUE(handler.Execute(packet.data(), packet.size(), c.from, forcedIp).empty())
        << "never acknowledged";
    EXPECT_EQ(host.resends, c.served ? 1 : 0);
    EXPECT_EQ(statistics.GetPacketResendRequestsReceived(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Peers, ResendPrivilege, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ResendCase> &info) { return info.param.name; });

}  // namespace
