// The session description (SDP, RFC 4566) of one video stream that a sender announces: RTP over
// UDP to a destination and port, either uncompressed video (RFC 4175: sampling, width, height,
// depth and colorimetry in its format parameters) or H.264 (RFC 6184, packetization-mode 1).
#pragma once

#include <cstdint>
#include <string>

#include "rtp/RtpSampling.h"

namespace ky::rtp {

// The RTP payload type number the kit's senders use (a dynamic one).
constexpr std::uint8_t RTP_DYNAMIC_PAYLOAD_TYPE = 96;
constexpr std::uint32_t RTP_VIDEO_CLOCK_RATE = 90000;

struct SdpStream
{
    std::string sessionName;
    std::uint32_t originIp = 0;  // the sender's address (host byte order)
    std::uint64_t sessionId = 0;
    std::uint64_t version = 0;        // changes whenever the description does
    std::uint32_t destinationIp = 0;  // host byte order; a multicast group gets TTL 1
    std::uint16_t port = 0;
    std::uint8_t payloadType = RTP_DYNAMIC_PAYLOAD_TYPE;
    std::uint32_t ssrc = 0;
};

std::string WriteRawVideoSdp(const SdpStream &stream, const RtpSampling &sampling, std::uint32_t width,
                             std::uint32_t height);
std::string WriteH264Sdp(const SdpStream &stream);

}  // namespace ky::rtp
