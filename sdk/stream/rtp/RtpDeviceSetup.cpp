#include "rtp/RtpDeviceSetup.h"

#include <string>
#include <vector>

#include "gev/StreamChannelFeatures.h"
#include "internal/GevResendRoutes.h"
#include "ky/device/KyGevConstants.h"

namespace ky::stream {
namespace {

using ky::gev::StreamFeatureOffset;

std::uint32_t At(std::uint16_t channel, StreamFeatureOffset offset)
{
    return ky::gev::StreamFeatureAddress(channel, offset);
}

}  // namespace

KyResult ReadRtpDeviceStream(std::uint32_t deviceIp, std::uint16_t channel, RtpDeviceStream &out)
{
    auto &routes = ky::device::GevResendRoutes::Instance();
    std::vector<std::uint32_t> offered;
    std::uint32_t localIp = 0;
    KyResult result = routes.ReadRegisters(deviceIp, {At(channel, StreamFeatureOffset::ProtocolsOffered)},
                                           offered, localIp);
    if (result.GetCode() == KY_NOT_CONNECTED)
        return KyResult(KY_NOT_CONNECTED, "an RTP stream opens on a device that this process controls: "
                                          "connect a KyDeviceGEV to it first");
    if (result.IsFailure() || (offered[0] & ky::gev::StreamProtocolBit(ky::gev::STREAM_PROTOCOL_RTP)) == 0)
        return KyResult(KY_NOT_SUPPORTED, KyString("stream channel " + std::to_string(channel) +
                                                   " of the device offers no RTP"));
    std::vector<std::uint32_t> format;
    result = routes.ReadRegisters(deviceIp,
                                  {At(channel, StreamFeatureOffset::Width),
                                   At(channel, StreamFeatureOffset::Height),
                                   At(channel, StreamFeatureOffset::PixelFormat)},
                                  format, localIp);
    if (result.IsFailure())
        return result;
    out.localIp = localIp;
    out.width = format[0];
    out.height = format[1];
    out.pixelType = static_cast<KyPixelType>(format[2]);
    return KyResult();
}

KyResult ChooseRtpDeviceStream(std::uint32_t deviceIp, std::uint16_t channel, std::uint32_t localIp,
                               std::uint16_t localPort)
{
    return ky::device::GevResendRoutes::Instance().WriteRegisters(
        deviceIp, {{At(channel, StreamFeatureOffset::Protocol), ky::gev::STREAM_PROTOCOL_RTP},
                   {ky::gev::StreamChannelOffset(ky::gev::SCDA0_OFFSET, channel), localIp},
                   {ky::gev::StreamChannelOffset(ky::gev::SCP0_OFFSET, channel), localPort}});
}

}  // namespace ky::stream
