// A frame or access unit put together from RTP packets.
#pragma once

#include <cstdint>
#include <vector>

namespace ky::stream {

struct RtpFrame
{
    std::vector<std::uint8_t> data;
    std::uint32_t timestamp = 0;
    std::uint32_t lostPackets = 0;      // sequence numbers missing while this frame was open
    std::uint32_t rejectedPackets = 0;  // packets or segments dropped because they did not fit
    bool complete = false;              // every byte arrived and nothing was lost or rejected
    bool timedOut = false;              // ended because its last packets did not come in time
};

}  // namespace ky::stream
