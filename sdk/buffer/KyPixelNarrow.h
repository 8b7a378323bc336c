// Pixel types of more than 8 bits per sample, narrowed to their 8-bit kin so that the converter's
// 8-bit code (demosaicing, reordering, RGB filter) serves them too: each sample keeps its 8 most
// significant bits.
//
// Storage of the wide types handled:
// - Little16: one sample in 16 bits, little-endian, the value in the low bits (Mono10/12/14/16,
//   Bayer..10/12/16, RGB10/12/14/16, BGR10/12/14/16, RGBa10/12/14/16, BGRa10/12/14/16);
// - PairOf3: two samples in 3 bytes, the first sample's high 8 bits in byte 0 and the second's in
//   byte 2 (the GigE Vision "Packed" types: Mono10Packed, Mono12Packed, Bayer..10Packed/12Packed);
// - Lsb10: four 10-bit samples in 5 bytes, least significant bit first (Mono10p, Bayer..10p);
// - Lsb12: two 12-bit samples in 3 bytes, least significant bit first (Mono12p, Bayer..12p).
// Packed images are one bit stream from the first pixel to the last (line paddings included).
#pragma once

#include <cstddef>
#include <cstdint>

#include "ky/base/KyEnums.h"

namespace ky::buffer {

struct WideFormat
{
    enum class Storage { Little16, PairOf3, Lsb10, Lsb12 };
    KyPixelType narrow;  // the 8-bit type of the same layout
    Storage storage;
    uint32_t shift;    // Little16: bits dropped from each sample
    uint32_t samples;  // per pixel
};

// The wide format of a pixel type; false for any type not handled (8-bit types among them).
bool WideFormatOf(KyPixelType aPixelType, WideFormat &aFormat);

// Narrows lines [aBegin, aEnd) of an image of aWidth pixels (plus aPaddingX per line) to 8 bits
// per sample; line y of the result starts at aOut + y * aWidth * samples.
void NarrowLines(const WideFormat &aFormat, const uint8_t *aData, uint32_t aWidth, uint32_t aPaddingX,
                 uint32_t aBegin, uint32_t aEnd, uint8_t *aOut);

}  // namespace ky::buffer
