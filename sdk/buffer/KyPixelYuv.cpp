#include "KyPixelYuv.h"

#include <algorithm>

namespace ky::buffer {

namespace {

// BT.601 video range in 16.16 fixed point.
constexpr int kShift = 16;
constexpr int Fixed(double aValue) { return static_cast<int>(aValue * (1 << kShift) + 0.5); }
constexpr double kLuma = 255.0 / 219.0, kChroma = 255.0 / 224.0;
constexpr int kY = Fixed(kLuma);
constexpr int kRV = Fixed(1.402 * kChroma);
constexpr int kGU = Fixed(0.344136 * kChroma);
constexpr int kGV = Fixed(0.714136 * kChroma);
constexpr int kBU = Fixed(1.772 * kChroma);
constexpr int kHalf = 1 << (kShift - 1);

uint8_t Clamp(int aFixed) { return static_cast<uint8_t>(std::clamp(aFixed >> kShift, 0, 255)); }

}  // namespace

bool IsYuv422(KyPixelType aPixelType) { return aPixelType == KyPixelYUV422_8_UYVY; }

void YuvRow(const uint8_t *aSource, uint8_t *aDestination, const PixelLayout &aTo, uint32_t aWidth)
{
    if (aTo.bytes == 1) {
        for (uint32_t x = 0; x < aWidth; ++x)
            aDestination[x] = aSource[2 * x + 1];
        return;
    }
    for (uint32_t x = 0; x + 1 < aWidth; x += 2) {
        const uint8_t *s = aSource + size_t(x) * kYuv422Bytes;
        const int u = s[0] - 128, v = s[2] - 128;
        const int red = kRV * v + kHalf, green = kHalf - kGU * u - kGV * v, blue = kBU * u + kHalf;
        for (int k = 0; k < 2; ++k) {
            const int y = kY * std::max(0, s[1 + 2 * k] - 16);
            uint8_t *d = aDestination + size_t(x + k) * aTo.bytes;
            d[aTo.red] = Clamp(y + red);
            d[aTo.green] = Clamp(y + green);
            d[aTo.blue] = Clamp(y + blue);
            if (aTo.alpha >= 0)
                d[aTo.alpha] = 255;
        }
    }
}

}  // namespace ky::buffer
