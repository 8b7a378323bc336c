#include "u3v/U3vStreamInterface.h"

#include <algorithm>

namespace ky::u3v {

namespace {

uint64_t AlignUp(uint64_t value, uint64_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

U3vStreamLayout PlanStreamLayout(uint64_t payloadSize, uint32_t maxTransfers, uint32_t alignment,
                                 uint32_t leaderSize, uint32_t trailerSize)
{
    if (alignment == 0 || (alignment & (alignment - 1)) != 0) {
        alignment = 1;
    }
    maxTransfers = std::max<uint32_t>(maxTransfers, 1);
    U3vStreamLayout layout;
    layout.maximumLeaderSize = leaderSize;
    layout.maximumTrailerSize = trailerSize;
    const uint64_t largest = uint64_t(UINT32_MAX) / alignment * alignment;
    const uint64_t each = std::min(
        AlignUp(std::max<uint64_t>((payloadSize + maxTransfers - 1) / maxTransfers, 1), alignment), largest);
    layout.transferSize = static_cast<uint32_t>(each);
    const uint64_t count = payloadSize / each;
    layout.transferCount = static_cast<uint32_t>(std::min<uint64_t>(count, UINT32_MAX));
    const uint64_t rest = payloadSize - uint64_t(layout.transferCount) * each;
    // The rest is shorter than one transfer: its aligned part, then what is left, padded.
    layout.finalTransfer1Size = static_cast<uint32_t>(rest / alignment * alignment);
    const uint64_t tail = rest - layout.finalTransfer1Size;
    layout.finalTransfer2Size = tail == 0 ? 0 : alignment;
    return layout;
}

}  // namespace ky::u3v
