#include "rtp/RtpPayloadConfig.h"

#include <string>

#include "rtp/RtpSampling.h"

namespace ky::stream {

KyResult MakeRawVideoConfig(std::uint32_t width, std::uint32_t height, KyPixelType pixelType,
                            std::uint16_t paddingX, RtpPayloadConfig &out)
{
    if (const ky::rtp::RtpSampling *s = ky::rtp::SamplingOfPixelType(pixelType)) {
        RtpPayloadConfig config;
        config.kind = RtpPayloadKind::RawVideo;
        config.width = width;
        config.height = height;
        config.pixelType = pixelType;
        config.paddingX = paddingX;
        config.wire = RtpRawVideoFormat{width, height, s->pgroupBytes, s->pgroupPixels};
        if (!config.wire.Valid() || config.ImageSize() > UINT32_MAX)
            return KyResult(KY_INVALID_PARAMETER,
                            KyString("an uncompressed image of " + std::to_string(width) + " x " +
                                     std::to_string(height) + " pixels of this type cannot be received"));
        out = config;
        return KyResult();
    }
    return KyResult(KY_NOT_SUPPORTED,
                    KyString("RTP carries uncompressed images as RGB8, BGR8, RGBa8, BGRa8, YUV422_8_UYVY, "
                             "YCbCr422_8_CbYCrY or YCbCr8_CbYCr only"));
}

}  // namespace ky::stream
