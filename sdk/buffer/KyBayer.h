// Bayer demosaicing to 3-byte colour pixels, one output row at a time.
//
// Two interpolations (KyBayerFilterType):
// - simple: every pixel takes the colours of its 2 x 2 cell (cells start at even coordinates;
//   the last cell of an odd width or height starts one pixel earlier): red and blue as they
//   are, green the rounded-up mean of the cell's two greens;
// - 3 x 3 (bilinear): a missing colour is the rounded mean of its nearest samples of that colour
//   (the two or four neighbours in line, or the four diagonals), (sum + n/2) / n. Outside the
//   image the neighbours are mirrored about the border pixel, which keeps the Bayer phase.
// Images need at least 2 x 2 pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ky/base/KyEnums.h"

namespace ky::buffer {

struct BayerImage
{
    const uint8_t *data;
    size_t stride;  // bytes from one line to the next
    uint32_t width;
    uint32_t height;
    uint32_t redX;  // position of red in the 2 x 2 pattern that starts at (0, 0)
    uint32_t redY;
};

// Pattern of an 8-bit Bayer pixel type; false for any other type.
bool BayerPatternOf(KyPixelType aPixelType, uint32_t &aRedX, uint32_t &aRedY);

// Writes row aY of the colour image: width pixels of 3 bytes, B G R (or R G B with aRgbOrder).
// aAllowSimd false keeps to the portable code (tests compare both).
void DemosaicRow(const BayerImage &aImage, KyBayerFilterType aFilter, uint32_t aY, uint8_t *aOut,
                 bool aRgbOrder, bool aAllowSimd = true);

// Portable code for pixels [aX0, aX1) of row aY.
void DemosaicPixels(const BayerImage &aImage, KyBayerFilterType aFilter, uint32_t aY, uint32_t aX0,
                    uint32_t aX1, uint8_t *aOut, bool aRgbOrder);

// Vector code (AVX2) for the inside of a row: pixels from aX0 (even) in steps of 32 while the
// step's neighbours lie inside the row. Returns the first pixel not written. Call only when
// the processor has AVX2.
uint32_t Demosaic3x3Avx2(const BayerImage &aImage, uint32_t aY, uint32_t aX0, uint8_t *aOut, bool aRgbOrder);
uint32_t DemosaicSimpleAvx2(const BayerImage &aImage, uint32_t aY, uint32_t aX0, uint8_t *aOut,
                            bool aRgbOrder);

}  // namespace ky::buffer
