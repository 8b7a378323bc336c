// Rows of YUV422_8_UYVY pixels (U0 Y0 V0 Y1 for each pair of pixels, one U and one V shared by the
// pair) to 8-bit RGB-family rows or to their luma (Mono8).
//
// The matrix: the pixel-format naming gives the YCbCr names their matrix and range explicitly
// (YCbCr601_, YCbCr709_, and full-range JPEG YCbCr), while the older YUV names leave it open. We
// read YUV422_8_UYVY as BT.601 in video range (Y 16..235, U and V 16..240 around 128), which is what
// OpenCV's COLOR_YUV2BGR_UYVY and GStreamer's UYVY caps (by default) assume, so that images agree
// with those tools:
//   R = 1.164 (Y - 16) + 1.596 (V - 128)
//   G = 1.164 (Y - 16) - 0.392 (U - 128) - 0.813 (V - 128)
//   B = 1.164 (Y - 16) + 2.017 (U - 128)
// with the coefficients taken exactly from BT.601 (255/219 for Y, 255/224 for U and V), rounded to
// the nearest integer and held to 0..255. A Y below 16 (the foot room) is black, as in OpenCV.
// The luma of a Mono8 destination is Y itself, unchanged.
#pragma once

#include <cstdint>

#include "KyPixelRepack.h"

namespace ky::buffer {

// Bytes per pixel of a YUV 4:2:2 row; the width must be even.
constexpr uint32_t kYuv422Bytes = 2;

bool IsYuv422(KyPixelType aPixelType);

// Converts aWidth (even) pixels of one UYVY row into aTo's layout (Mono8: the Y samples).
void YuvRow(const uint8_t *aSource, uint8_t *aDestination, const PixelLayout &aTo, uint32_t aWidth);

}  // namespace ky::buffer
