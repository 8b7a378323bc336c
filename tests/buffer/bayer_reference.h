// A plain, slow demosaicing written from the definition, to check the library against.
#pragma once

#include <cstdint>
#include <vector>

#include "ky/base/KyEnums.h"

namespace reference {

// B G R pixels of a Bayer image (8-bit, no padding) of the given type.
std::vector<uint8_t> Demosaic(const std::vector<uint8_t> &aRaw, uint32_t aWidth, uint32_t aHeight,
                              KyPixelType aType, KyBayerFilterType aFilter);

}  // namespace reference
