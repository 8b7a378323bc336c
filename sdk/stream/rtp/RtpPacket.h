// RTP fixed header (RFC 3550) read from a received datagram: every length is checked against the
// datagram before the payload view is made.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ky::stream {

constexpr std::size_t RTP_FIXED_HEADER_SIZE = 12;
constexpr std::uint8_t RTP_VERSION = 2;

enum class RtpParseStatus {
    Ok,
    TooShort,    // shorter than the fixed header, its CSRC list or its extension
    BadVersion,  // version is not 2
    BadPadding,  // padding count is zero or larger than what follows the header
};

struct RtpPacket
{
    bool padding = false;
    bool extension = false;
    bool marker = false;
    std::uint8_t payloadType = 0;
    std::uint8_t csrcCount = 0;
    std::uint16_t sequence = 0;
    std::uint32_t timestamp = 0;
    std::uint32_t ssrc = 0;
    std::uint16_t extensionProfile = 0;
    const std::uint8_t *payload = nullptr;  // points into the datagram
    std::size_t payloadSize = 0;            // padding removed
};

RtpParseStatus ParseRtpPacket(const std::uint8_t *data, std::size_t size, RtpPacket &out);

// Number of packets missing between the previous sequence number and this one, across the 16-bit
// wrap; 0 for the next one in order, and for a late or repeated packet (which is not a loss).
std::uint32_t RtpSequenceGap(std::uint16_t previous, std::uint16_t current);

// The highest sequence number seen so far: Next gives the packets missing before this one
// (RtpSequenceGap) and moves on unless the packet is late or repeated.
class RtpSequenceTracker
{
public:
    std::uint32_t Next(std::uint16_t sequence)
    {
        const std::uint32_t gap = haveSequence_ ? RtpSequenceGap(lastSequence_, sequence) : 0;
        if (!haveSequence_ || static_cast<std::uint16_t>(sequence - lastSequence_) < 0x8000) {
            lastSequence_ = sequence;
            haveSequence_ = true;
        }
        return gap;
    }

private:
    bool haveSequence_ = false;
    std::uint16_t lastSequence_ = 0;
};

}  // namespace ky::stream
