#include "rtp/RtpPayloadConfig.h"

#include <string>

namespace ky::stream {
namespace {

struct Sampling
{
    KyPixelType pixelType;
    const char *name;  // as session descriptions write it
    std::uint32_t pgroupBytes;
    std::uint32_t pgroupPixels;
};

// 8-bit samplings: the pixel group's bytes are in the order of the pixel type's memory layout.
constexpr Sampling kSamplings[] = {
    {KyPixelRGB8, "RGB", 3, 1},
    {KyPixelBGR8, "BGR", 3, 1},
    {KyPixelRGBa8, "RGBA", 4, 1},
    {KyPixelBGRa8, "BGRA", 4, 1},
    {KyPixelYUV422_8_UYVY, "YCbCr-4:2:2", 4, 2},  // Cb Y0 Cr Y1
    {KyPixelYCbCr422_8_CbYCrY, "YCbCr-4:2:2", 4, 2},
    {KyPixelYCbCr8_CbYCr, "YCbCr-4:4:4", 3, 1},  // Cb Y Cr
};

}  // namespace

KyResult MakeRawVideoConfig(std::uint32_t width, std::uint32_t height, KyPixelType pixelType,
                            std::uint16_t paddingX, RtpPayloadConfig &out)
{
    for (const Sampling &s : kSamplings) {
        if (s.pixelType != pixelType)
            continue;
        RtpPayloadConfig config;
        config.kind = RtpPayloadKind::RawVideo;
        config.width = width;
        config.height = height;
        config.pixelType = pixelType;
        config.paddingX = paddingX;
        config.wire = RtpRawVideoFormat{width, height, s.pgroupBytes, s.pgroupPixels};
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

KyPixelType PixelTypeOfSampling(const std::string &sampling, std::uint32_t depth)
{
    if (depth != 8 && depth != 0)
        return KyPixelUndefined;
    for (const Sampling &s : kSamplings)
        if (sampling == s.name)
            return s.pixelType;
    return KyPixelUndefined;
}

}  // namespace ky::stream
