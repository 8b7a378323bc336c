// A session description (SDP, RFC 4566) read for what an RTP receiver needs: the session's name, where the first
// video stream arrives (connection address and port), how it is carried (transport, payload
// type number, encoding), the sender's SSRC where it names one and, for uncompressed video, its
// format parameters. Every line, number
// and length is checked against the text; nothing is trusted to fit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ky::rtp {

struct SdpVideo
{
    std::string sessionName;        // the session's s= line (empty when it has none)
    std::string connectionAddress;  // the media's c= address (else the session's), without TTL
    std::uint16_t port = 0;
    std::string transport;     // "RTP/AVP", "TCP/RTP/AVP", ...
    int payloadType = -1;      // the first format of the m= line, 0 to 127
    std::string encodingName;  // from its a=rtpmap, upper case ("RAW", "H264"); may be empty
    std::uint32_t clockRate = 0;
    // Format parameters of uncompressed video (a=fmtp): 0 / empty when not given.
    std::string sampling;  // "RGB", "YCbCr-4:2:2", ...
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t depth = 0;
    // The sender's SSRC where the media names one (RFC 5576 a=ssrc; the first one counts).
    bool hasSsrc = false;
    std::uint32_t ssrc = 0;
};

// Longest description read; longer text is refused.
constexpr std::size_t SDP_MAX_SIZE = 64 * 1024;

// Reads the first video media of the description into `video`. False, with the reason in
// `error`, when the text is too long, a line is malformed, or there is no video media.
bool ParseSdp(const char *text, std::size_t size, SdpVideo &video, std::string &error);

}  // namespace ky::rtp
