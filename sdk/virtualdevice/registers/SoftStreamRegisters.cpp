#include "registers/SoftStreamRegisters.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "ky/buffer/KyImage.h"
#include "ky/Guarded.h"
#include "SoftLog.h"
#include "registers/SoftRegisterMap.h"
#include "streaming/SoftStreamChannel.h"
#include "ky/device/KyGevConstants.h"

namespace ky::soft {

using namespace ky::gev;

namespace {

using Offset = StreamFeatureOffset;

KyResult Busy(const char *name)
{
    return KyResult(KY_BUSY, KyString(std::string(name) + " cannot change while the channel streams"));
}

KyResult OneOf(SoftRegister &reg, uint32_t last, const char *name)
{
    const uint32_t value = reg.GetRawU32();
    if (value > last) {
        return KyResult(KY_INVALID_PARAMETER, KyString(std::string(name) + " " + std::to_string(value) +
                                                       " is not one of its entries"));
    }
    return KyResult(KY_OK);
}

float AsFloat(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

uint32_t FloatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

}  // namespace

KyResult SoftStreamRegisters::AddRegisters()
{
    mResult = KyResult(KY_OK);
    WireBootstrap();
    AddFormat();
    AddAcquisition();
    AddLimits();
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
    scps->SetHooks(
        nullptr,
        [&channel](SoftRegister &reg) {
            const uint32_t value = reg.GetRawU32();
            uint32_t applied = 0;
            KyResult result = channel.SetPacketSize(value & SCPS_PACKET_SIZE_MASK, applied);
            if (result.IsFailure()) {
                return result;
            }
            // The fire bit acts once and reads back as 0; the size reads back as applied.
            reg.SetRawU32((value & SCPS_DO_NOT_FRAGMENT_MASK) | applied);
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
    scc->SetRawU32(scc->GetRawU32() | SCC_MULTIPART_SUPPORTED_MASK);
    sccfg->SetHooks(nullptr, nullptr, [&channel](SoftRegister &reg) {
        channel.SetMultiPartAllowed((reg.GetRawU32() & SCCFG_MULTIPART_ENABLED_MASK) != 0);
    });
}

// A 4-byte register of the channel's block, named with the channel's number.
static SoftRegister *AddBlockRegister(SoftRegisterMap &map, KyResult &status, uint32_t channel, Offset offset,
                                      const char *name, KyGenAccessMode mode)
{
    return map.AddNew(KyString(std::string(name) + std::to_string(channel)),
                      StreamFeatureAddress(channel, offset), 4, mode, false, status);
}

void SoftStreamRegisters::AddFormat()
{
    SoftStreamChannel &channel = mChannel;
    IKyStreamingChannelSource &source = channel.Source();
    using Getter = uint32_t (IKyStreamingChannelSource::*)() const;
    using Setter = KyResult (IKyStreamingChannelSource::*)(uint32_t);
    const struct
    {
        Offset offset;
        const char *name;
        Getter get;
        Setter set;
    } sizes[] = {
        {Offset::Width, "Width", &IKyStreamingChannelSource::GetWidth, &IKyStreamingChannelSource::SetWidth},
        {Offset::Height, "Height", &IKyStreamingChannelSource::GetHeight,
         &IKyStreamingChannelSource::SetHeight},
        {Offset::OffsetX, "OffsetX", &IKyStreamingChannelSource::GetOffsetX,
         &IKyStreamingChannelSource::SetOffsetX},
        {Offset::OffsetY, "OffsetY", &IKyStreamingChannelSource::GetOffsetY,
         &IKyStreamingChannelSource::SetOffsetY},
    };
    for (const auto &s : sizes) {
        SoftRegister *reg =
            AddBlockRegister(mMap, mResult, channel.Index(), s.offset, s.name, KyGenAccessModeReadWrite);
        if (reg == nullptr) {
            continue;
        }
        const char *name = s.name;
        const Getter get = s.get;
        const Setter set = s.set;
        reg->SetHooks(
            [&source, name, get](SoftRegister &r) {
                ky::base::Guarded(SoftDeviceLog(), name, [&] { r.SetRawU32((source.*get)()); });
            },
            [&channel, &source, name, set](SoftRegister &r) {
                if (channel.IsStreaming()) {
                    return Busy(name);
                }
                return ky::base::Guarded(SoftDeviceLog(), name, [&] { return (source.*set)(r.GetRawU32()); });
            },
            nullptr);
    }
    if (SoftRegister *reg = AddBlockRegister(mMap, mResult, channel.Index(), Offset::PixelFormat,
                                             "PixelFormat", KyGenAccessModeReadWrite)) {
        reg->SetHooks(
            [&source](SoftRegister &r) {
                ky::base::Guarded(SoftDeviceLog(), "GetPixelType",
                                  [&] { r.SetRawU32(static_cast<uint32_t>(source.GetPixelType())); });
            },
            [&channel, &source](SoftRegister &r) {
                if (channel.IsStreaming()) {
                    return Busy("PixelFormat");
                }
                const KyPixelType type = static_cast<KyPixelType>(r.GetRawU32());
                return ky::base::Guarded(SoftDeviceLog(), "SetPixelType",
                                         [&] { return source.SetPixelType(type); });
            },
            nullptr);
    }
    if (SoftRegister *reg = AddBlockRegister(mMap, mResult, channel.Index(), Offset::PayloadSize,
                                             "PayloadSize", KyGenAccessModeReadOnly)) {
        reg->SetHooks(
            [&source](SoftRegister &r) { r.SetRawU32(SoftStreamChannel::AnnouncedPayloadSize(source)); },
            nullptr, nullptr);
    }
}

void SoftStreamRegisters::AddAcquisition()
{
    SoftStreamChannel &channel = mChannel;
    const uint32_t index = channel.Index();
    if (SoftRegister *reg = AddBlockRegister(mMap, mResult, index, Offset::AcquisitionMode, "AcquisitionMode",
                                             KyGenAccessModeReadWrite)) {
        reg->SetHooks(
            [&channel](SoftRegister &r) { r.SetRawU32(static_cast<uint32_t>(channel.GetAcquisitionMode())); },
            [](SoftRegister &r) { return OneOf(r, 1, "AcquisitionMode"); },
            [&channel](SoftRegister &r) {
                channel.SetAcquisitionMode(static_cast<SoftStreamChannel::AcquisitionMode>(r.GetRawU32()));
            });
    }
    const struct
    {
        Offset offset;
        const char *name;
        KyResult (SoftStreamChannel::*run)();
    } commands[] = {
        {Offset::AcquisitionStart, "AcquisitionStart", &SoftStreamChannel::StartAcquisition},
        {Offset::AcquisitionStop, "AcquisitionStop", &SoftStreamChannel::StopAcquisition},
    };
    for (const auto &c : commands) {
        if (SoftRegister *reg =
                AddBlockRegister(mMap, mResult, index, c.offset, c.name, KyGenAccessModeWriteOnly)) {
            auto run = c.run;
            reg->SetHooks(
                nullptr,
                [&channel, run](SoftRegister &r) {
                    const bool execute = r.GetRawU32() != 0;
                    r.SetRawU32(0);
                    return execute ? (channel.*run)() : KyResult(KY_OK);
                },
                nullptr);
        }
    }
    if (SoftRegister *reg = AddBlockRegister(mMap, mResult, index, Offset::TriggerMode, "TriggerMode",
                                             KyGenAccessModeReadWrite)) {
        reg->SetHooks(
            nullptr, [](SoftRegister &r) { return OneOf(r, 0, "TriggerMode"); }, nullptr);
    }
    if (SoftRegister *reg = AddBlockRegister(mMap, mResult, index, Offset::TriggerSource, "TriggerSource",
                                             KyGenAccessModeReadWrite)) {
        reg->SetHooks(
            nullptr, [](SoftRegister &r) { return OneOf(r, 0, "TriggerSource"); }, nullptr);
    }
    if (SoftRegister *reg = AddBlockRegister(mMap, mResult, index, Offset::ExposureTime, "ExposureTime",
                                             KyGenAccessModeReadWrite)) {
        reg->SetRawU32(FloatBits(EXPOSURE_TIME_DEFAULT_US));
        reg->SetHooks(
            nullptr,
            [](SoftRegister &r) {
                const float value = AsFloat(r.GetRawU32());
                if (!(value >= EXPOSURE_TIME_MIN_US && value <= EXPOSURE_TIME_MAX_US)) {
                    return KyResult(KY_INVALID_PARAMETER, KyString("ExposureTime " + std::to_string(value) +
                                                                   " is outside 10 to 1000000 us"));
                }
                return KyResult(KY_OK);
            },
            nullptr);
    }
}

void SoftStreamRegisters::AddLimits()
{
    IKyStreamingChannelSource &source = mChannel.Source();
    using Info = void (IKyStreamingChannelSource::*)(uint32_t &, uint32_t &, uint32_t &) const;
    const struct
    {
        const char *name;
        Offset min, max, inc;
        Info info;
    } limits[] = {
        {"Width", Offset::WidthMin, Offset::WidthMax, Offset::WidthInc,
         &IKyStreamingChannelSource::GetWidthInfo},
        {"Height", Offset::HeightMin, Offset::HeightMax, Offset::HeightInc,
         &IKyStreamingChannelSource::GetHeightInfo},
    };
    for (const auto &l : limits) {
        const Offset offsets[] = {l.min, l.max, l.inc};
        const char *suffixes[] = {"Min", "Max", "Inc"};
        for (int which = 0; which < 3; ++which) {
            const std::string name = std::string(l.name) + suffixes[which];
            SoftRegister *reg = AddBlockRegister(mMap, mResult, mChannel.Index(), offsets[which],
                                                 name.c_str(), KyGenAccessModeReadOnly);
            if (reg == nullptr) {
                continue;
            }
            const Info info = l.info;
            reg->SetHooks(
                [&source, info, which](SoftRegister &r) {
                    ky::base::Guarded(SoftDeviceLog(), "GetWidthInfo/GetHeightInfo", [&] {
                        uint32_t values[3] = {1, 1, 1};
                        (source.*info)(values[0], values[1], values[2]);
                        r.SetRawU32(values[which]);
                    });
                },
                nullptr, nullptr);
        }
    }
}

}  // namespace ky::soft
