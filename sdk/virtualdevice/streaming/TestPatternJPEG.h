// JPEG encoding of the test pattern's one-byte pixels (grey), with libturbojpeg.
#pragma once

#include <cstdint>

#include "ky/base/KyResult.h"

namespace ky::soft {

// The most bytes a grey JPEG of that size takes; 0 when it cannot be told.
uint32_t MaxJPEGSize(uint32_t aWidth, uint32_t aHeight);
// Encodes aWidth x aHeight grey pixels (lines of aWidth bytes) into aOut, which has aCapacity
// bytes (at least MaxJPEGSize); aSize receives the bytes written. KY_GENERIC_ERROR with the
// library's message when it refuses, nothing written past aCapacity.
KyResult EncodeJPEG(const uint8_t *aPixels, uint32_t aWidth, uint32_t aHeight, int aQuality, uint8_t *aOut,
                    uint32_t aCapacity, uint32_t &aSize);

}  // namespace ky::soft
