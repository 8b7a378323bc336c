// Fills a queued KyBuffer from a frame or access unit that the depacketizer put together: the
// payload (image lines padded as configured, or the H.264 access unit), geometry, sizes,
// identity, timing, lost packets and the operation result. A buffer too small gets what fits
// and KY_BUFFER_TOO_SMALL; nothing is written past its memory.
#pragma once

#include <cstdint>

#include "rtp/RtpFrame.h"
#include "rtp/RtpPayloadConfig.h"

class KyBuffer;

namespace ky::stream {

void FillBufferFromFrame(const RtpFrame &frame, const RtpPayloadConfig &config, std::uint64_t blockId,
                         KyBuffer &buffer);

}  // namespace ky::stream
