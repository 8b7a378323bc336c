#include "rtp/RtpDeviceSetup.h"

#include <string>
#include <vector>

#include "internal/GevResendRoutes.h"
#include "ky/device/KyGevConstants.h"

namespace ky::stream {
namespace {

constexpr std::uint32_t CHANNEL_BLOCK_BASE = 0x3FFF1000;
constexpr std::uint32_t CHANNEL_BLOCK_STRIDE = 0x100;
constexpr std::uint32_t WIDTH = 0x00;
constexpr std::uint32_t HEIGHT = 0x04;
constexpr std::uint32_t PIXEL_FORMAT = 0x10;
constexpr std::uint32_t PROTOCOL = 0x48;
constexpr std::uint32_t PROTOCOLS_OFFERED = 0x4C;
constexpr std::uint32_t PROTOCOL_RTP = 1;

std::uint32_t At(std::uint16_t channel, std::uint32_t offset)
{
    return CHANNEL_BLOCK_BASE + channel * CHANNEL_BLOCK_STRIDE + offset;
}

}  // namespace

KyResult ReadRtpDeviceStream(std::uint32_t deviceIp, std::uint16_t channel, RtpDeviceStream &out)
{
    auto &routes = ky::device::GevResendRoutes::Instance();
    std::vector<std::uint32_t> offered;
    std::uint32_t localIp = 0;
    KyResult result = routes.ReadRegisters(deviceIp, {At(channel, PROTOCOLS_OFFERED)}, offered, localIp);
    if (result.GetCode() == KY_NOT_CONNECTED)
        return KyResult(KY_NOT_CONNECTED, "an RTP stream opens on a device that this process controls: "
                                          "connect a KyDeviceGEV to it first");
    if (result.IsFailure() || (offered[0] & (1u << PROTOCOL_RTP)) == 0)
        return KyResult(KY_NOT_SUPPORTED, KyString("stream channel " + std::to_string(channel) +
                                                   " of the device offers no RTP"));
    std::vector<std::uint32_t> format;
    result = routes.ReadRegisters(
        deviceIp, {At(channel, WIDTH), At(channel, HEIGHT), At(channel, PIXEL_FORMAT)}, format, localIp);
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
        deviceIp, {{At(channel, PROTOCOL), PROTOCOL_RTP},
                   {ky::gev::StreamChannelOffset(ky::gev::SCDA0_OFFSET, channel), localIp},
                   {ky::gev::StreamChannelOffset(ky::gev::SCP0_OFFSET, channel), localPort}});
}

}  // namespace ky::stream
