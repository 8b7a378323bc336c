// The uncompressed-video samplings that RTP carries (RFC 4175) and the kit's pixel types of the
// same memory layout: what a sender writes into its session description and what a receiver
// reads from one. 8-bit samplings only; a pixel group's bytes are in the order of the pixel
// type's memory layout.
#pragma once

#include <cstdint>
#include <string>

#include "ky/base/KyEnums.h"

namespace ky::rtp {

struct RtpSampling
{
    KyPixelType pixelType;
    const char *name;  // as session descriptions write it ("RGB", "YCbCr-4:2:2", ...)
    std::uint32_t pgroupBytes;
    std::uint32_t pgroupPixels;
};

// The sampling of a pixel type; null for a type that RTP does not carry uncompressed.
const RtpSampling *SamplingOfPixelType(KyPixelType pixelType);

// The pixel type of a sampling and depth; KyPixelUndefined when the kit has none for it.
KyPixelType PixelTypeOfSampling(const std::string &sampling, std::uint32_t depth);

}  // namespace ky::rtp
