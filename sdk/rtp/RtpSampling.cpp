#include "rtp/RtpSampling.h"

namespace ky::rtp {
namespace {

constexpr RtpSampling kSamplings[] = {
    {KyPixelRGB8, "RGB", 3, 1},
    {KyPixelBGR8, "BGR", 3, 1},
    {KyPixelRGBa8, "RGBA", 4, 1},
    {KyPixelBGRa8, "BGRA", 4, 1},
    {KyPixelYUV422_8_UYVY, "YCbCr-4:2:2", 4, 2},  // Cb Y0 Cr Y1
    {KyPixelYCbCr422_8_CbYCrY, "YCbCr-4:2:2", 4, 2},
    {KyPixelYCbCr8_CbYCr, "YCbCr-4:4:4", 3, 1},  // Cb Y Cr
};

}  // namespace

const RtpSampling *SamplingOfPixelType(KyPixelType pixelType)
{
    for (const RtpSampling &s : kSamplings)
        if (s.pixelType == pixelType)
            return &s;
    return nullptr;
}

KyPixelType PixelTypeOfSampling(const std::string &sampling, std::uint32_t depth)
{
    if (depth != 8 && depth != 0)
        return KyPixelUndefined;
    for (const RtpSampling &s : kSamplings)
        if (sampling == s.name)
            return s.pixelType;
    return KyPixelUndefined;
}

}  // namespace ky::rtp
