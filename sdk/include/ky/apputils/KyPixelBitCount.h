// KyGetPixelBitCount: bits one pixel of a pixel type occupies (bits 16 to 23 of the value), for
// any value, pixel type or not.
#pragma once

#include "ky/apputils/KyAppUtilsExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"

/// Bits one pixel of a pixel type occupies.
///
/// @param[in] aType any KyPixelType value, member or not
///
/// @return bits 16 to 23 of the value
KY_APPUTILS_API uint32_t KyGetPixelBitCount(KyPixelType aType);
