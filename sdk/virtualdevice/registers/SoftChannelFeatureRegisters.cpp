#include "registers/SoftChannelFeatureRegisters.h"

#include <cstring>
#include <string>

#include "ky/buffer/KyImage.h"
#include "ky/Guarded.h"
#include "ky/virtualdevice/IKyStreamingChannelSource.h"
#include "SoftLog.h"
#include "registers/SoftRegisterMap.h"
#include "registers/SoftStreamRegisters.h"
#include "streaming/SoftStreamChannel.h"

namespace ky::soft {

namespace {

using Channel = std::shared_ptr<SoftAcquisitionChannel>;

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

// A 4-byte register of the channel's block, named with the channel's number.
SoftRegister *AddBlockRegister(SoftRegisterMap &map, KyResult &status, uint32_t channel, Offset offset,
                               const char *name, KyGenAccessMode mode)
{
    return map.AddNew(KyString(std::string(name) + std::to_string(channel)),
                      StreamFeatureAddress(channel, offset), 4, mode, false, status);
}

void AddFormat(SoftRegisterMap &map, KyResult &status, const Channel &channel)
{
    IKyStreamingChannelSource &source = channel->Source();
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
            AddBlockRegister(map, status, channel->Index(), s.offset, s.name, KyGenAccessModeReadWrite);
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
            [channel, &source, name, set](SoftRegister &r) {
                if (channel->IsStreaming()) {
                    return Busy(name);
                }
                return ky::base::Guarded(SoftDeviceLog(), name, [&] { return (source.*set)(r.GetRawU32()); });
            },
            nullptr);
    }
    if (SoftRegister *reg = AddBlockRegister(map, status, channel->Index(), Offset::PixelFormat,
                                             "PixelFormat", KyGenAccessModeReadWrite)) {
        reg->SetHooks(
            [&source](SoftRegister &r) {
                ky::base::Guarded(SoftDeviceLog(), "GetPixelType",
                                  [&] { r.SetRawU32(static_cast<uint32_t>(source.GetPixelType())); });
            },
            [channel, &source](SoftRegister &r) {
                if (channel->IsStreaming()) {
                    return Busy("PixelFormat");
                }
                const KyPixelType type = static_cast<KyPixelType>(r.GetRawU32());
                return ky::base::Guarded(SoftDeviceLog(), "SetPixelType",
                                         [&] { return source.SetPixelType(type); });
            },
            nullptr);
    }
    if (SoftRegister *reg = AddBlockRegister(map, status, channel->Index(), Offset::PayloadSize,
                                             "PayloadSize", KyGenAccessModeReadOnly)) {
        reg->SetHooks(
            [&source](SoftRegister &r) { r.SetRawU32(SoftStreamChannel::AnnouncedPayloadSize(source)); },
            nullptr, nullptr);
    }
}

void AddAcquisition(SoftRegisterMap &map, KyResult &status, const Channel &channel)
{
    const uint32_t index = channel->Index();
    if (SoftRegister *reg = AddBlockRegister(map, status, index, Offset::AcquisitionMode, "AcquisitionMode",
                                             KyGenAccessModeReadWrite)) {
        reg->SetHooks([channel](SoftRegister &r) { r.SetRawU32(channel->GetAcquisitionMode()); },
                      [](SoftRegister &r) { return OneOf(r, 1, "AcquisitionMode"); },
                      [channel](SoftRegister &r) { channel->SetAcquisitionMode(r.GetRawU32()); });
    }
    const struct
    {
        Offset offset;
        const char *name;
        KyResult (SoftAcquisitionChannel::*run)();
    } commands[] = {
        {Offset::AcquisitionStart, "AcquisitionStart", &SoftAcquisitionChannel::StartAcquisition},
        {Offset::AcquisitionStop, "AcquisitionStop", &SoftAcquisitionChannel::StopAcquisition},
    };
    for (const auto &c : commands) {
        if (SoftRegister *reg =
                AddBlockRegister(map, status, index, c.offset, c.name, KyGenAccessModeWriteOnly)) {
            auto run = c.run;
            reg->SetHooks(
                nullptr,
                [channel, run](SoftRegister &r) {
                    const bool execute = r.GetRawU32() != 0;
                    r.SetRawU32(0);
                    return execute ? ((*channel).*run)() : KyResult(KY_OK);
                },
                nullptr);
        }
    }
    if (SoftRegister *reg = AddBlockRegister(map, status, index, Offset::TriggerMode, "TriggerMode",
                                             KyGenAccessModeReadWrite)) {
        reg->SetHooks(
            nullptr, [](SoftRegister &r) { return OneOf(r, 0, "TriggerMode"); }, nullptr);
    }
    if (SoftRegister *reg = AddBlockRegister(map, status, index, Offset::TriggerSource, "TriggerSource",
                                             KyGenAccessModeReadWrite)) {
        reg->SetHooks(
            nullptr, [](SoftRegister &r) { return OneOf(r, 0, "TriggerSource"); }, nullptr);
    }
    if (SoftRegister *reg = AddBlockRegister(map, status, index, Offset::ExposureTime, "ExposureTime",
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

void AddLimits(SoftRegisterMap &map, KyResult &status, const Channel &channel)
{
    IKyStreamingChannelSource &source = channel->Source();
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
            SoftRegister *reg = AddBlockRegister(map, status, channel->Index(), offsets[which], name.c_str(),
                                                 KyGenAccessModeReadOnly);
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

}  // namespace

KyResult AddChannelFeatureRegisters(SoftRegisterMap &map, std::shared_ptr<SoftAcquisitionChannel> channel)
{
    KyResult result(KY_OK);
    AddFormat(map, result, channel);
    AddAcquisition(map, result, channel);
    AddLimits(map, result, channel);
    return result;
}

}  // namespace ky::soft
