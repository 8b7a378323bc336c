#include "KyPixelRepack.h"

#include <cstring>

namespace ky::buffer {

bool PixelLayoutOf(KyPixelType aPixelType, PixelLayout &aLayout)
{
    switch (aPixelType) {
    case KyPixelMono8:
        aLayout = PixelLayout{1, 0, 0, 0, -1};
        return true;
    case KyPixelRGB8:
        aLayout = PixelLayout{3, 0, 1, 2, -1};
        return true;
    case KyPixelBGR8:
        aLayout = PixelLayout{3, 2, 1, 0, -1};
        return true;
    case KyPixelRGBa8:
        aLayout = PixelLayout{4, 0, 1, 2, 3};
        return true;
    case KyPixelBGRa8:
        aLayout = PixelLayout{4, 2, 1, 0, 3};
        return true;
    default:
        return false;
    }
}

void RepackRow(const uint8_t *aSource, const PixelLayout &aFrom, uint8_t *aDestination,
               const PixelLayout &aTo, uint32_t aWidth)
{
    if (std::memcmp(&aFrom, &aTo, sizeof aFrom) == 0) {
        std::memcpy(aDestination, aSource, size_t(aWidth) * aFrom.bytes);
        return;
    }
    for (uint32_t x = 0; x < aWidth; ++x) {
        const uint8_t *s = aSource + size_t(x) * aFrom.bytes;
        uint8_t *d = aDestination + size_t(x) * aTo.bytes;
        d[aTo.red] = s[aFrom.red];
        d[aTo.green] = s[aFrom.green];
        d[aTo.blue] = s[aFrom.blue];
        if (aTo.alpha >= 0)
            d[aTo.alpha] = aFrom.alpha >= 0 ? s[aFrom.alpha] : 255;
    }
}

void ApplyTablesRow(uint8_t *aRow, const PixelLayout &aLayout, uint32_t aWidth, const ChannelTables &aTables)
{
    for (uint32_t x = 0; x < aWidth; ++x) {
        uint8_t *p = aRow + size_t(x) * aLayout.bytes;
        p[aLayout.red] = aTables.red[p[aLayout.red]];
        p[aLayout.green] = aTables.green[p[aLayout.green]];
        p[aLayout.blue] = aTables.blue[p[aLayout.blue]];
    }
}

}  // namespace ky::buffer
