#include "rtp/SdpDescription.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>
#include <vector>

namespace ky::rtp {
namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Split(std::string_view s, char separator)
{
    std::vector<std::string_view> parts;
    while (!s.empty()) {
        const std::size_t at = s.find(separator);
        std::string_view part = Trim(s.substr(0, at));
        if (!part.empty())
            parts.push_back(part);
        if (at == std::string_view::npos)
            break;
        s.remove_prefix(at + 1);
    }
    return parts;
}

// A whole decimal number not above `most`.
bool ReadNumber(std::string_view s, std::uint64_t most, std::uint64_t &out)
{
    if (s.empty() || s.size() > 20)
        return false;
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || value > most)
        return false;
    out = value;
    return true;
}

std::string Upper(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

// "IN IP4 239.1.2.3/32" -> "239.1.2.3"
bool ReadConnection(std::string_view value, std::string &address)
{
    const std::vector<std::string_view> f = Split(value, ' ');
    if (f.size() != 3 || f[0] != "IN" || f[1] != "IP4")
        return false;
    address = std::string(f[2].substr(0, f[2].find('/')));
    return !address.empty();
}

struct Parser
{
    Parser(SdpVideo &v, std::string &e) : video(v), error(e) { }

    SdpVideo &video;
    std::string &error;
    std::string sessionAddress;
    bool inVideo = false;
    bool haveVideo = false;
    bool doneVideo = false;  // a later media line ended the first video media

    bool Fail(const std::string &why)
    {
        error = why;
        return false;
    }

    bool Media(std::string_view value)
    {
        if (haveVideo) {
            doneVideo = true;
            inVideo = false;
            return true;
        }
        const std::vector<std::string_view> f = Split(value, ' ');
        if (f.size() < 4)
            return Fail("a media line needs media, port, transport and a format");
        inVideo = f[0] == "video";
        if (!inVideo)
            return true;
        std::uint64_t port = 0, payload = 0;
        if (!ReadNumber(f[1].substr(0, f[1].find('/')), 65535, port))
            return Fail("the video media's port is no number from 0 to 65535");
        if (!ReadNumber(f[3], 127, payload))
            return Fail("the video media's first format is no RTP payload type");
        video.port = static_cast<std::uint16_t>(port);
        video.transport = std::string(f[2]);
        video.payloadType = static_cast<int>(payload);
        haveVideo = true;
        return true;
    }

    // "96 raw/90000" for the video's payload type
    bool RtpMap(std::string_view value)
    {
        value = Trim(value);
        const std::size_t space = value.find(' ');
        std::uint64_t payload = 0;
        if (space == std::string_view::npos || !ReadNumber(value.substr(0, space), 127, payload))
            return Fail("an rtpmap attribute starts with a payload type");
        if (static_cast<int>(payload) != video.payloadType)
            return true;
        const std::vector<std::string_view> f = Split(Trim(value.substr(space + 1)), '/');
        if (f.empty())
            return Fail("an rtpmap attribute names an encoding");
        video.encodingName = Upper(f[0]);
        std::uint64_t rate = 0;
        if (f.size() > 1) {
            if (!ReadNumber(f[1], UINT32_MAX, rate))
                return Fail("an rtpmap clock rate is no number");
            video.clockRate = static_cast<std::uint32_t>(rate);
        }
        return true;
    }

    // "96 sampling=RGB; width=640; height=480; depth=8"
    bool Fmtp(std::string_view value)
    {
        value = Trim(value);
        const std::size_t space = std::min(value.find(' '), value.size());
        std::uint64_t payload = 0;
        if (!ReadNumber(value.substr(0, space), 127, payload))
            return Fail("an fmtp attribute starts with a payload type");
        if (static_cast<int>(payload) != video.payloadType)
            return true;
        for (std::string_view parameter : Split(value.substr(std::min(space + 1, value.size())), ';')) {
            const std::size_t equals = parameter.find('=');
            if (equals == std::string_view::npos)
                continue;
            const std::string name = Upper(Trim(parameter.substr(0, equals)));
            const std::string_view text = Trim(parameter.substr(equals + 1));
            std::uint32_t *number = name == "WIDTH"    ? &video.width
                                    : name == "HEIGHT" ? &video.height
                                    : name == "DEPTH"  ? &video.depth
                                                       : nullptr;
            if (number != nullptr) {
                std::uint64_t n = 0;
                if (!ReadNumber(text, UINT32_MAX, n))
                    return Fail("the fmtp parameter " + name + " is no number");
                *number = static_cast<std::uint32_t>(n);
            } else if (name == "SAMPLING") {
                video.sampling = std::string(text);
            }
        }
        return true;
    }

    // "12345678 cname:camera@host": the source's SSRC, then one of its attributes
    bool Ssrc(std::string_view value)
    {
        value = Trim(value);
        std::uint64_t ssrc = 0;
        if (!ReadNumber(value.substr(0, std::min(value.find(' '), value.size())), UINT32_MAX, ssrc))
            return Fail("an ssrc attribute starts with the source's SSRC");
        if (!video.hasSsrc) {
            video.hasSsrc = true;
            video.ssrc = static_cast<std::uint32_t>(ssrc);
        }
        return true;
    }

    bool Line(std::string_view line)
    {
        line = Trim(line);
        if (line.empty())
            return true;
        if (line.size() < 2 || line[1] != '=')
            return Fail("a description line has the form <type>=<value>");
        const char type = line[0];
        const std::string_view value = line.substr(2);
        if (type == 'm')
            return Media(value);
        if (doneVideo)
            return true;
        if (type == 's' && !haveVideo) {
            video.sessionName = std::string(Trim(value));
            return true;
        }
        if (type == 'c') {
            std::string address;
            if (!ReadConnection(value, address))
                return Fail("a connection line reads 'IN IP4 <address>'");
            if (inVideo)
                video.connectionAddress = address;
            else if (!haveVideo)
                sessionAddress = address;
            return true;
        }
        if (type == 'a' && inVideo) {
            if (value.substr(0, 7) == "rtpmap:")
                return RtpMap(value.substr(7));
            if (value.substr(0, 5) == "fmtp:")
                return Fmtp(value.substr(5));
            if (value.substr(0, 5) == "ssrc:")
                return Ssrc(value.substr(5));
        }
        return true;
    }
};

}  // namespace

bool ParseSdp(const char *text, std::size_t size, SdpVideo &video, std::string &error)
{
    video = SdpVideo();
    error.clear();
    if (text == nullptr || size == 0) {
        error = "the session description is empty";
        return false;
    }
    if (size > SDP_MAX_SIZE) {
        error = "the session description is longer than " + std::to_string(SDP_MAX_SIZE) + " bytes";
        return false;
    }
    Parser parser(video, error);
    std::string_view rest(text, size);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (!parser.Line(rest.substr(0, end))) {
            video = SdpVideo();
            return false;
        }
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    if (!parser.haveVideo) {
        video = SdpVideo();
        error = "the session description has no video media";
        return false;
    }
    if (video.connectionAddress.empty())
        video.connectionAddress = parser.sessionAddress;
    return true;
}

}  // namespace ky::rtp
