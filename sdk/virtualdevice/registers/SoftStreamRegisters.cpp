#include "registers/SoftStreamRegisters.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "ky/buffer/KyImage.h"
#include "ky/Guarded.h"
#include "SoftLog.h"
#include "registers/SoftChannelFeatureRegisters.h"
#include "registers/SoftRegisterMap.h"
#include "streaming/SoftStreamChannel.h"
#include "ky/device/KyGevConstants.h"
#include "gev/GvspMultiPart.h"

namespace ky::soft {

using namespace ky::gev;

namespace {

// A GigE Vision stream channel as its feature block drives it.
class GevChannel : public SoftAcquisitionChannel
{
public:
    explicit GevChannel(SoftStreamChannel &channel) : mChannel(channel) { }
    uint32_t Index() const override { return mChannel.Index(); }
    IKyStreamingChannelSource &Source() override { return mChannel.Source(); }
    bool IsStreaming() const override { return mChannel.IsStreaming(); }
    uint32_t GetAcquisitionMode() const override
    {
        return static_cast<uint32_t>(mChannel.GetAcquisitionMode());
    }
    void SetAcquisitionMode(uint32_t mode) override
    {
        mChannel.SetAcquisitionMode(static_cast<SoftStreamChannel::AcquisitionMode>(mode));
    }
    KyResult StartAcquisition() override { return mChannel.StartAcquisition(); }
    KyResult StopAcquisition() override { return mChannel.StopAcquisition(); }

private:
    SoftStreamChannel &mChannel;
};

}  // namespace

KyResult SoftStreamRegisters::AddRegisters()
{
    mResult = KyResult(KY_OK);
    WireBootstrap();
    AddProtocol();
    const KyResult features = AddChannelFeatureRegisters(mMap, std::make_shared<GevChannel>(mChannel));
    if (mResult.IsOK()) {
        mResult = features;
    }
    return mResult;
}

void SoftStreamRegisters::WireBootstrap()
{
    SoftStreamChannel &channel = mChannel;
    const uint32_t index = channel.Index();
    SoftRegister *scp = mMap.Find(StreamChannelOffset(SCP0_OFFSET, index));
    SoftRegister *scda = mMap.Find(StreamChannelOffset(SCDA0_OFFSET, index));
    SoftRegister *scps = mMap.Find(StreamChannelOffset(SCPS0_OFFSET, index));
    SoftRegister *scpd = mMap.Find(StreamChannelOffset(SCPD0_OFFSET, index));
    SoftRegister *scsp = mMap.Find(StreamChannelOffset(SCSP0_OFFSET, index));
    if (!scp || !scda || !scps || !scpd || !scsp) {
        mResult |= KyResult(KY_GENERIC_ERROR, KyString("stream channel " + std::to_string(index) +
                                                       " has no bootstrap registers"));
        return;
    }
    // Either register's write applies the destination that both hold now. Writes of the two run
    // side by side (each register takes its own writes one at a time); reading both and applying
    // them is one step, so the write whose reaction comes last applies the last values of both.
    auto destination = std::make_shared<std::mutex>();
    auto apply = [&channel, scp, scda, destination](SoftRegister &) {
        std::lock_guard<std::mutex> lock(*destination);
        channel.SetDestination(scda->GetRawU32(),
                               static_cast<uint16_t>(scp->GetRawU32() & SCP_HOST_PORT_MASK));
    };
    scp->SetHooks(nullptr, nullptr, apply);
    scda->SetHooks(nullptr, nullptr, apply);
    uint32_t initial = 0;
    // 1500 is at least the smallest packet size, so the channel takes it.
    (void)channel.SetPacketSize(1500, initial);
    scps->SetRawU32(initial);
    mLeaderTrailer->packetSize = initial;
    std::shared_ptr<LeaderTrailer> leaderTrailer = mLeaderTrailer;
    scps->SetHooks(
        nullptr,
        [&channel, leaderTrailer](SoftRegister &reg) {
            const uint32_t value = reg.GetRawU32();
            uint32_t applied = 0;
            KyResult result = channel.SetPacketSize(value & SCPS_PACKET_SIZE_MASK, applied);
            if (result.IsFailure()) {
                return result;
            }
            // The fire bit acts once and reads back as 0; the size reads back as applied.
            reg.SetRawU32((value & SCPS_DO_NOT_FRAGMENT_MASK) | applied);
            {
                // Large leaders hold as many parts as the packet size allows: a new size is told.
                std::lock_guard<std::mutex> lock(leaderTrailer->mutex);
                const bool changed = leaderTrailer->packetSize != applied;
                leaderTrailer->packetSize = applied;
                if (changed && leaderTrailer->enabled) {
                    channel.SetLargeLeaderTrailerEnabled(true, GvspLargeLeaderMaxParts(applied));
                }
            }
            if (value & SCPS_FIRE_TEST_PACKET_MASK) {
                // The host learns of a test packet that did not leave by not receiving it.
                const KyResult fired = channel.FireTestPacket();
                if (fired.IsFailure()) {
                    SoftLog("SoftDevice", "test packet: %s", fired.GetDescription().GetAscii());
                }
            }
            return KyResult(KY_OK);
        },
        nullptr);
    scpd->SetHooks(nullptr, nullptr,
                   [&channel](SoftRegister &reg) { channel.SetPacketDelay(reg.GetRawU32()); });
    scsp->SetRawU32(channel.SourcePort());
    WireMultiPart();
}

void SoftStreamRegisters::WireMultiPart()
{
    SoftStreamChannel &channel = mChannel;
    const uint32_t index = channel.Index();
    SoftRegister *scc = mMap.Find(StreamChannelOffset(SCC0_OFFSET, index));
    SoftRegister *sccfg = mMap.Find(StreamChannelOffset(SCCFG0_OFFSET, index));
    if (!scc || !sccfg) {
        return;
    }
    bool supported = false;
    ky::base::Guarded(SoftDeviceLog(), "IsPayloadTypeSupported",
                      [&] { supported = channel.Source().IsPayloadTypeSupported(KyPayloadTypeMultiPart); });
    if (!supported) {
        return;
    }
    // The channel starts with multi-part not allowed; the controller's SCCFG write allows it.
    scc->SetRawU32(scc->GetRawU32() | SCC_MULTIPART_SUPPORTED_MASK | SCC_LARGE_LEADER_TRAILER_SUPPORTED_MASK);
    std::shared_ptr<LeaderTrailer> leaderTrailer = mLeaderTrailer;
    sccfg->SetHooks(nullptr, nullptr, [&channel, leaderTrailer](SoftRegister &reg) {
        const uint32_t value = reg.GetRawU32();
        const bool multiPart = (value & SCCFG_MULTIPART_ENABLED_MASK) != 0;
        channel.SetMultiPartAllowed(multiPart);
        // Large leaders and trailers are a way of sending multi-part blocks: on only with them.
        std::lock_guard<std::mutex> lock(leaderTrailer->mutex);
        leaderTrailer->enabled = multiPart && (value & SCCFG_LARGE_LEADER_TRAILER_ENABLED_MASK) != 0;
        channel.SetLargeLeaderTrailerEnabled(leaderTrailer->enabled,
                                             leaderTrailer->enabled
                                                 ? GvspLargeLeaderMaxParts(leaderTrailer->packetSize)
                                                 : GVSP_MULTIPART_CLASSIC_MAX_PARTS);
    });
}

void SoftStreamRegisters::AddProtocol()
{
    SoftStreamChannel &channel = mChannel;
    const uint32_t index = channel.Index();
    KyResult status(KY_OK);
    SoftRegister *offered = mMap.AddNew(KyString("ProtocolsOffered" + std::to_string(index)),
                                        StreamFeatureAddress(index, StreamFeatureOffset::ProtocolsOffered), 4,
                                        KyGenAccessModeReadOnly, false, status);
    if (offered != nullptr) {
        offered->SetRawU32(StreamProtocolBit(STREAM_PROTOCOL_GVSP) |
                           (channel.RtpOffered() ? StreamProtocolBit(STREAM_PROTOCOL_RTP) : 0));
    }
    SoftRegister *protocol = mMap.AddNew(KyString("Protocol" + std::to_string(index)),
                                         StreamFeatureAddress(index, StreamFeatureOffset::Protocol), 4,
                                         KyGenAccessModeReadWrite, false, status);
    if (protocol != nullptr) {
        protocol->SetHooks([&channel](SoftRegister &r) { r.SetRawU32(channel.Protocol()); },
                           [&channel](SoftRegister &r) { return channel.SetProtocol(r.GetRawU32()); },
                           nullptr);
    }
    if (mResult.IsOK()) {
        mResult = status;
    }
}

}  // namespace ky::soft
