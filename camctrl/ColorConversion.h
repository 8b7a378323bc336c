// Colour conversion into BGR8 and the release of an image record's memory.
#pragma once

#include "ky/camctrl/bnkCamCtrl.h"

namespace ky::camctrl {

// Converts source pixels (layout by conversion code) into BGR8 at destination->data. Each record's
// imageSize bounds its memory. 0, BNK_ERR_NOT_INITIALIZED (null data), BNK_ERR_INVALID_PARAMETER
// (unknown code), or the SDK's own (positive) result code of a failed attach or conversion.
int CvtColor(const _bnkBuffer &source, _bnkBuffer &destination, int code);

// Releases `data` with free() and zeroes every field but `reserved`.
void FreeBuffer(_bnkBuffer &image);

}  // namespace ky::camctrl
