#include "rtp/RtpBufferFill.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"

namespace ky::stream {
namespace {

uint32_t Clamp32(std::uint64_t value)
{
    return static_cast<uint32_t>(std::min<std::uint64_t>(value, UINT32_MAX));
}

// Copies the frame's lines into the buffer, each followed by the padding; stops where the buffer
// ends. Gives the bytes written.
std::uint64_t PlaceLines(const RtpFrame &frame, const RtpPayloadConfig &config, KyBuffer &buffer)
{
    const std::size_t stride = config.wire.Stride();
    const std::uint64_t pitch = static_cast<std::uint64_t>(stride) + config.PaddingBytes();
    const std::uint64_t room = buffer.GetSize();
    std::uint8_t *out = buffer.GetDataPointer();
    std::uint64_t written = 0;
    for (std::uint32_t line = 0; line < config.height; ++line) {
        const std::uint64_t at = pitch * line;
        const std::uint64_t from = static_cast<std::uint64_t>(stride) * line;
        if (at >= room || from >= frame.data.size())
            break;
        const std::uint64_t bytes = std::min<std::uint64_t>({stride, room - at, frame.data.size() - from});
        std::memcpy(out + at, frame.data.data() + from, static_cast<std::size_t>(bytes));
        const std::uint64_t padding = std::min<std::uint64_t>(config.PaddingBytes(), room - at - bytes);
        std::memset(out + at + bytes, 0, static_cast<std::size_t>(padding));
        written = at + bytes + padding;
    }
    return written;
}

}  // namespace

void FillBufferFromFrame(const RtpFrame &frame, const RtpPayloadConfig &config, std::uint64_t blockId,
                         KyBuffer &buffer)
{
    buffer.BeginAcquisition();
    KyResult result;
    std::uint64_t required = 0;
    std::uint64_t written = 0;
    if (config.kind == RtpPayloadKind::H264) {
        buffer.SetPayloadType(KyPayloadTypeH264);
        required = frame.data.size();
        written = std::min<std::uint64_t>(required, buffer.GetSize());
        if (written > 0)
            std::memcpy(buffer.GetDataPointer(), frame.data.data(), static_cast<std::size_t>(written));
    } else {
        buffer.SetPayloadType(KyPayloadTypeImage);
        required = config.ImageSize();
        written = PlaceLines(frame, config, buffer);
        if (required <= buffer.GetSize() && buffer.GetImage() != nullptr)
            result = buffer.GetImage()->SetGeometry(config.pixelType, config.width, config.height, 0, 0,
                                                    config.paddingX, 0);
    }
    if (required > buffer.GetSize())
        result = KyResult(KY_BUFFER_TOO_SMALL,
                          KyString("the frame takes " + std::to_string(required) + " bytes, the buffer has " +
                                   std::to_string(buffer.GetSize())));
    else if (result.IsOK() && !frame.complete && frame.timedOut)
        result = KyResult(KY_TIMEOUT, KyString("the frame's last packets did not come in time"));
    else if (result.IsOK() && !frame.complete)
        result = KyResult(KY_MISSING_PACKETS, KyString("packets of the frame were lost or did not fit"));
    // Both are bounded by the buffer's size, so the setters cannot refuse them.
    (void)buffer.SetAcquiredSize(Clamp32(written));
    buffer.SetRequiredSize(Clamp32(required));
    (void)buffer.SetBlockID(blockId);
    (void)buffer.SetTimestamp(frame.timestamp);
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    (void)buffer.SetReceptionTime(
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
    KyBufferPacketStatistics statistics;
    statistics.LostPackets = frame.lostPackets;
    statistics.IgnoredPackets = frame.rejectedPackets;
    buffer.SetPacketStatistics(statistics);
    buffer.SetHeaderValid(true);
    buffer.SetTrailerValid(frame.complete);
    buffer.SetOperationResult(result);
}

}  // namespace ky::stream
