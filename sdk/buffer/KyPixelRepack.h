// Rows of 8-bit pixels from one channel order to another (Mono8, RGB8, BGR8, RGBa8, BGRa8), and
// per-channel lookup tables applied to a row.
#pragma once

#include <cstdint>

#include "ky/base/KyEnums.h"

namespace ky::buffer {

struct PixelLayout
{
    uint32_t bytes;               // per pixel
    int red, green, blue, alpha;  // byte of each channel; -1 when absent (mono: all on 0)
};

// Layout of a pixel type this code handles; false for any other.
bool PixelLayoutOf(KyPixelType aPixelType, PixelLayout &aLayout);

// Converts aWidth pixels; a missing alpha becomes 255.
void RepackRow(const uint8_t *aSource, const PixelLayout &aFrom, uint8_t *aDestination,
               const PixelLayout &aTo, uint32_t aWidth);

// Tables for red, green and blue, in that order.
struct ChannelTables
{
    uint8_t red[256], green[256], blue[256];
};

void ApplyTablesRow(uint8_t *aRow, const PixelLayout &aLayout, uint32_t aWidth, const ChannelTables &aTables);

}  // namespace ky::buffer
