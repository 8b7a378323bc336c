#include "rtp/SdpWriter.h"

#include "ky/Ipv4Text.h"

namespace ky::rtp {
namespace {

// Line breaks are CRLF; a name cannot break a line.
std::string OneLine(const std::string &text)
{
    std::string out;
    for (char c : text)
        out += (c == '\r' || c == '\n') ? ' ' : c;
    return out.empty() ? std::string("-") : out;
}

std::string Head(const SdpStream &s, const char *encoding)
{
    const bool multicast = (s.destinationIp >> 28) == 0xE;
    const std::string pt = std::to_string(s.payloadType);
    std::string text;
    text += "v=0\r\n";
    text += "o=- " + std::to_string(s.sessionId) + " " + std::to_string(s.version) + " IN IP4 " +
            ky::base::FormatIPv4(s.originIp) + "\r\n";
    text += "s=" + OneLine(s.sessionName) + "\r\n";
    text += "c=IN IP4 " + ky::base::FormatIPv4(s.destinationIp) + (multicast ? "/1" : "") + "\r\n";
    text += "t=0 0\r\n";
    text += "m=video " + std::to_string(s.port) + " RTP/AVP " + pt + "\r\n";
    text += "a=rtpmap:" + pt + " " + encoding + "/" + std::to_string(RTP_VIDEO_CLOCK_RATE) + "\r\n";
    return text;
}

std::string Tail(const SdpStream &s)
{
    return "a=ssrc:" + std::to_string(s.ssrc) + " cname:camera@" + ky::base::FormatIPv4(s.originIp) +
           "\r\na=sendonly\r\n";
}

}  // namespace

std::string WriteRawVideoSdp(const SdpStream &stream, const RtpSampling &sampling, std::uint32_t width,
                             std::uint32_t height)
{
    std::string text = Head(stream, "raw");
    text += "a=fmtp:" + std::to_string(stream.payloadType) + " sampling=" + sampling.name +
            "; width=" + std::to_string(width) + "; height=" + std::to_string(height) +
            "; depth=8; colorimetry=BT601-5\r\n";
    return text + Tail(stream);
}

std::string WriteH264Sdp(const SdpStream &stream)
{
    std::string text = Head(stream, "H264");
    text += "a=fmtp:" + std::to_string(stream.payloadType) + " packetization-mode=1\r\n";
    return text + Tail(stream);
}

}  // namespace ky::rtp
