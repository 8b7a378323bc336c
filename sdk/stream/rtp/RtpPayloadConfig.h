// What an RTP receiver expects in its packets: nothing yet (packets are counted and dropped),
// uncompressed video of a pixel type and size, or H.264 access units. The samplings and their
// pixel types are rtp/RtpSampling.h.
#pragma once

#include <cstdint>
#include <string>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "rtp/RtpRawVideoDepacketizer.h"

namespace ky::stream {

enum class RtpPayloadKind { Undefined, RawVideo, H264 };

struct RtpPayloadConfig
{
    RtpPayloadKind kind = RtpPayloadKind::Undefined;
    // Uncompressed video: the image's geometry and its pixel groups on the wire.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    KyPixelType pixelType = KyPixelUndefined;
    std::uint16_t paddingX = 0;  // pixels after each line in the buffer, as the image counts them
    RtpRawVideoFormat wire;
    int payloadType = -1;  // only packets of this RTP payload type are taken; -1: any

    // Bytes after each line in the buffer.
    std::uint64_t PaddingBytes() const
    {
        return wire.pgroupPixels == 0
                   ? 0
                   : static_cast<std::uint64_t>(paddingX) * wire.pgroupBytes / wire.pgroupPixels;
    }
    // Bytes the image takes in a buffer, lines padded.
    std::uint64_t ImageSize() const
    {
        return (static_cast<std::uint64_t>(wire.Stride()) + PaddingBytes()) * height;
    }
};

// The uncompressed-video configuration of an image; KY_NOT_SUPPORTED for a pixel type that RTP
// does not carry uncompressed, KY_INVALID_PARAMETER for a size it cannot have.
KyResult MakeRawVideoConfig(std::uint32_t width, std::uint32_t height, KyPixelType pixelType,
                            std::uint16_t paddingX, RtpPayloadConfig &out);

}  // namespace ky::stream
