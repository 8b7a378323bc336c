#include "rtp/RtpPacket.h"

#include "ky/ByteOrder.h"

namespace ky::stream {

using ky::base::LoadBig16;
using ky::base::LoadBig32;

RtpParseStatus ParseRtpPacket(const std::uint8_t *data, std::size_t size, RtpPacket &out)
{
    out = RtpPacket{};
    if (data == nullptr || size < RTP_FIXED_HEADER_SIZE)
        return RtpParseStatus::TooShort;
    if ((data[0] >> 6) != RTP_VERSION)
        return RtpParseStatus::BadVersion;
    RtpPacket p;
    p.padding = (data[0] & 0x20) != 0;
    p.extension = (data[0] & 0x10) != 0;
    p.csrcCount = data[0] & 0x0F;
    p.marker = (data[1] & 0x80) != 0;
    p.payloadType = data[1] & 0x7F;
    p.sequence = LoadBig16(data + 2);
    p.timestamp = LoadBig32(data + 4);
    p.ssrc = LoadBig32(data + 8);

    std::size_t offset = RTP_FIXED_HEADER_SIZE + 4u * p.csrcCount;
    if (offset > size)
        return RtpParseStatus::TooShort;
    if (p.extension) {
        if (size - offset < 4)
            return RtpParseStatus::TooShort;
        p.extensionProfile = LoadBig16(data + offset);
        const std::size_t words = LoadBig16(data + offset + 2);
        offset += 4;
        if (words * 4 > size - offset)
            return RtpParseStatus::TooShort;
        offset += words * 4;
    }
    std::size_t end = size;
    if (p.padding) {
        const std::size_t pad = data[size - 1];
        if (pad == 0 || pad > end - offset)
            return RtpParseStatus::BadPadding;
        end -= pad;
    }
    p.payload = data + offset;
    p.payloadSize = end - offset;
    out = p;
    return RtpParseStatus::Ok;
}

std::uint32_t RtpSequenceGap(std::uint16_t previous, std::uint16_t current)
{
    const auto ahead = static_cast<std::uint16_t>(current - previous);
    // More than half the space ahead is taken as a late or repeated packet.
    if (ahead == 0 || ahead >= 0x8000)
        return 0;
    return ahead - 1u;
}

}  // namespace ky::stream
