// The GVSP block of a multi-part buffer: one part descriptor per section of its container and
// the parts' data one after the other.
#pragma once

#include <cstdint>
#include <vector>

#include "ky/base/KyResult.h"
#include "streaming/GvspSender.h"

class KyBuffer;

namespace ky::soft {

// Fills the block's leader (payload type, parts) and data from a multi-part buffer whose
// container validates; the data is copied into storage, which the block points to.
// KY_INVALID_PARAMETER (or the container's own answer) when the buffer cannot be sent.
KyResult DescribeMultiPartBlock(KyBuffer &buffer, ky::gev::GvspOutgoingBlock &block,
                                std::vector<uint8_t> &storage);

}  // namespace ky::soft
