#include "KyBayer.h"

namespace ky::buffer {

namespace {

enum Colour { kRed, kGreen, kBlue };

struct Sampler
{
    const BayerImage &img;

    // Mirror about the border pixel: -1 -> 1, n -> n - 2 (same Bayer phase).
    static uint32_t Mirror(int64_t v, uint32_t n)
    {
        if (v < 0)
            return static_cast<uint32_t>(-v);
        if (v >= n)
            return static_cast<uint32_t>(2 * int64_t(n) - 2 - v);
        return static_cast<uint32_t>(v);
    }
    unsigned At(int64_t x, int64_t y) const
    {
        return img.data[size_t(Mirror(y, img.height)) * img.stride + Mirror(x, img.width)];
    }
    Colour ColourAt(uint32_t x, uint32_t y) const
    {
        const bool redColumn = (x & 1) == img.redX;
        const bool redRow = (y & 1) == img.redY;
        if (redColumn && redRow)
            return kRed;
        if (!redColumn && !redRow)
            return kBlue;
        return kGreen;
    }
};

void Store(uint8_t *aOut, unsigned aR, unsigned aG, unsigned aB, bool aRgbOrder)
{
    aOut[0] = static_cast<uint8_t>(aRgbOrder ? aR : aB);
    aOut[1] = static_cast<uint8_t>(aG);
    aOut[2] = static_cast<uint8_t>(aRgbOrder ? aB : aR);
}

void Pixel3x3(const Sampler &s, uint32_t x, uint32_t y, uint8_t *aOut, bool aRgbOrder)
{
    const int64_t X = x, Y = y;
    const unsigned c = s.At(X, Y);
    const unsigned cross = (s.At(X - 1, Y) + s.At(X + 1, Y) + s.At(X, Y - 1) + s.At(X, Y + 1) + 2) >> 2;
    const unsigned diagonal =
        (s.At(X - 1, Y - 1) + s.At(X + 1, Y - 1) + s.At(X - 1, Y + 1) + s.At(X + 1, Y + 1) + 2) >> 2;
    const unsigned across = (s.At(X - 1, Y) + s.At(X + 1, Y) + 1) >> 1;
    const unsigned upDown = (s.At(X, Y - 1) + s.At(X, Y + 1) + 1) >> 1;
    switch (s.ColourAt(x, y)) {
    case kRed:
        Store(aOut, c, cross, diagonal, aRgbOrder);
        break;
    case kBlue:
        Store(aOut, diagonal, cross, c, aRgbOrder);
        break;
    case kGreen:
        if ((y & 1) == s.img.redY)
            Store(aOut, across, c, upDown, aRgbOrder);
        else
            Store(aOut, upDown, c, across, aRgbOrder);
        break;
    }
}

void PixelSimple(const Sampler &s, uint32_t x, uint32_t y, uint8_t *aOut, bool aRgbOrder)
{
    uint32_t cx = x & ~1u, cy = y & ~1u;
    if (cx + 1 >= s.img.width)
        cx = s.img.width - 2;
    if (cy + 1 >= s.img.height)
        cy = s.img.height - 2;
    unsigned r = 0, b = 0, g = 1;  // g collects the two greens plus the rounding one
    for (uint32_t dy = 0; dy < 2; ++dy)
        for (uint32_t dx = 0; dx < 2; ++dx) {
            const unsigned v = s.At(cx + dx, cy + dy);
            switch (s.ColourAt(cx + dx, cy + dy)) {
            case kRed:
                r = v;
                break;
            case kBlue:
                b = v;
                break;
            case kGreen:
                g += v;
                break;
            }
        }
    Store(aOut, r, g >> 1, b, aRgbOrder);
}

bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

}  // namespace

bool BayerPatternOf(KyPixelType aPixelType, uint32_t &aRedX, uint32_t &aRedY)
{
    switch (aPixelType) {
    case KyPixelBayerRG8:
        aRedX = 0;
        aRedY = 0;
        return true;
    case KyPixelBayerGR8:
        aRedX = 1;
        aRedY = 0;
        return true;
    case KyPixelBayerGB8:
        aRedX = 0;
        aRedY = 1;
        return true;
    case KyPixelBayerBG8:
        aRedX = 1;
        aRedY = 1;
        return true;
    default:
        return false;
    }
}

void DemosaicPixels(const BayerImage &aImage, KyBayerFilterType aFilter, uint32_t aY, uint32_t aX0,
                    uint32_t aX1, uint8_t *aOut, bool aRgbOrder)
{
    const Sampler s{aImage};
    for (uint32_t x = aX0; x < aX1; ++x) {
        if (aFilter == KyBayerFilterSimple)
            PixelSimple(s, x, aY, aOut + size_t(x) * 3, aRgbOrder);
        else
            Pixel3x3(s, x, aY, aOut + size_t(x) * 3, aRgbOrder);
    }
}

void DemosaicRow(const BayerImage &aImage, KyBayerFilterType aFilter, uint32_t aY, uint8_t *aOut,
                 bool aRgbOrder, bool aAllowSimd)
{
    uint32_t x = 0;
    uint32_t done = 0;
    if (aAllowSimd && HasAvx2()) {
        // The 3 x 3 vectors start at 2 so that the left neighbours exist; the simple ones at 0.
        x = aFilter == KyBayerFilterSimple ? 0 : 2;
        done = aFilter == KyBayerFilterSimple ? DemosaicSimpleAvx2(aImage, aY, x, aOut, aRgbOrder)
                                              : Demosaic3x3Avx2(aImage, aY, x, aOut, aRgbOrder);
    }
    if (done == x) {  // the vectors did nothing: the whole row here
        DemosaicPixels(aImage, aFilter, aY, 0, aImage.width, aOut, aRgbOrder);
        return;
    }
    DemosaicPixels(aImage, aFilter, aY, 0, x, aOut, aRgbOrder);
    DemosaicPixels(aImage, aFilter, aY, done, aImage.width, aOut, aRgbOrder);
}

}  // namespace ky::buffer
