#include "bayer_reference.h"

#include <cstddef>

namespace reference {

namespace {

struct Raw
{
    const std::vector<uint8_t> &bytes;
    int width, height;
    int redX, redY;

    int Mirror(int v, int n) const { return v < 0 ? -v : (v >= n ? 2 * n - 2 - v : v); }
    int At(int x, int y) const { return bytes[size_t(Mirror(y, height)) * width + Mirror(x, width)]; }
    // 'R', 'G' or 'B' at a position inside the image.
    char Colour(int x, int y) const
    {
        const bool rx = (x % 2) == redX, ry = (y % 2) == redY;
        return rx && ry ? 'R' : (!rx && !ry ? 'B' : 'G');
    }
};

void Put(std::vector<uint8_t> &aOut, size_t aAt, int r, int g, int b)
{
    aOut[aAt] = uint8_t(b);
    aOut[aAt + 1] = uint8_t(g);
    aOut[aAt + 2] = uint8_t(r);
}

}  // namespace

std::vector<uint8_t> Demosaic(const std::vector<uint8_t> &aRaw, uint32_t aWidth, uint32_t aHeight,
                              KyPixelType aType, KyBayerFilterType aFilter)
{
    int redX = 0, redY = 0;
    switch (aType) {
    case KyPixelBayerGR8:
        redX = 1;
        break;
    case KyPixelBayerGB8:
        redY = 1;
        break;
    case KyPixelBayerBG8:
        redX = 1;
        redY = 1;
        break;
    default:
        break;
    }
    const Raw raw{aRaw, int(aWidth), int(aHeight), redX, redY};
    std::vector<uint8_t> out(size_t(aWidth) * aHeight * 3);
    for (int y = 0; y < raw.height; ++y)
        for (int x = 0; x < raw.width; ++x) {
            const size_t at = (size_t(y) * aWidth + x) * 3;
            if (aFilter == KyBayerFilterSimple) {
                const int cx = x - x % 2 + 1 < raw.width ? x - x % 2 : raw.width - 2;
                const int cy = y - y % 2 + 1 < raw.height ? y - y % 2 : raw.height - 2;
                int r = 0, b = 0, greens = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const char c = raw.Colour(cx + dx, cy + dy);
                        const int v = raw.At(cx + dx, cy + dy);
                        if (c == 'R')
                            r = v;
                        else if (c == 'B')
                            b = v;
                        else
                            greens += v;
                    }
                Put(out, at, r, (greens + 1) / 2, b);
                continue;
            }
            const int here = raw.At(x, y);
            const int four =
                (raw.At(x - 1, y) + raw.At(x + 1, y) + raw.At(x, y - 1) + raw.At(x, y + 1) + 2) / 4;
            const int corners = (raw.At(x - 1, y - 1) + raw.At(x + 1, y - 1) + raw.At(x - 1, y + 1) +
                                 raw.At(x + 1, y + 1) + 2) /
                                4;
            const int sides = (raw.At(x - 1, y) + raw.At(x + 1, y) + 1) / 2;
            const int aboveBelow = (raw.At(x, y - 1) + raw.At(x, y + 1) + 1) / 2;
            const char c = raw.Colour(x, y);
            if (c == 'R')
                Put(out, at, here, four, corners);
            else if (c == 'B')
                Put(out, at, corners, four, here);
            else if (raw.Colour(x ^ 1, y) == 'R')  // a green in a red row
                Put(out, at, sides, here, aboveBelow);
            else
                Put(out, at, aboveBelow, here, sides);
        }
    return out;
}

}  // namespace reference
