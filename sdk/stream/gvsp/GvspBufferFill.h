// Fills a KyBuffer from a block that the GVSP receiver ended in its memory: payload type,
// image geometry, sizes, identity, timing, packet statistics, missing packets, chunks and the
// operation result.
#pragma once

#include "gvsp/GvspBlock.h"

class KyBuffer;

namespace ky::gev {

void FillBufferFromBlock(const gev::GvspCompletedBlock &block, KyBuffer &buffer);

}  // namespace ky::gev
