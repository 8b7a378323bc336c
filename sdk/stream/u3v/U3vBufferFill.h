// U3vBufferFill: a queued KyBuffer made into the account of the USB3 Vision block that was
// assembled into its memory (image geometry, ids, sizes, times, operation result).
#pragma once

#include "u3v/U3vBlockAssembler.h"

class KyBuffer;

namespace ky::stream {

// The operation result of a block's status: KY_OK, KY_MISSING_PACKETS (incomplete, short),
// KY_BUFFER_TOO_SMALL, KY_INVALID_DATA_FORMAT (the device's failure, another block's trailer).
uint32_t U3vBlockResultCode(u3v::U3vBlockStatus status);

void FillBufferFromU3vBlock(const u3v::U3vBlock &block, KyBuffer &buffer);
// A buffer handed back without a block (aborted, or the device went away).
void FillBufferWithoutBlock(KyBuffer &buffer, uint32_t code, const char *why);

}  // namespace ky::stream
