// H.264 over RTP (RFC 6184, non-interleaved mode): single NAL unit packets, STAP-A aggregates and
// FU-A fragments are put together into access units in Annex B form (each NAL unit behind a
// 00 00 00 01 start code), one access unit per RTP timestamp. A fragment that lost a piece is
// dropped whole and the access unit counted as lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "rtp/RtpFrame.h"
#include "rtp/RtpPacket.h"

namespace ky::stream {

class RtpH264Depacketizer
{
public:
    // Largest access unit kept; a larger one is dropped and counted as rejected.
    static constexpr std::size_t MAX_ACCESS_UNIT_SIZE = 64u << 20;

    void Push(const RtpPacket &packet);
    void Flush();
    // A frame has begun and not ended yet.
    bool HasOpenFrame() const { return open_; }
    bool TakeFrame(RtpFrame &unit);

private:
    void StartUnit(std::uint32_t timestamp);
    void EndUnit();
    bool AppendNal(const std::uint8_t *header, std::size_t headerSize, const std::uint8_t *body,
                   std::size_t bodySize, bool startCode);
    bool PushPayload(const std::uint8_t *payload, std::size_t size);
    void DropFragment();

    RtpFrame current_;
    bool open_ = false;
    bool inFragment_ = false;
    std::size_t fragmentStart_ = 0;  // where the open fragment's NAL unit starts in the unit
    RtpSequenceTracker sequence_;
    std::deque<RtpFrame> ready_;
};

}  // namespace ky::stream
