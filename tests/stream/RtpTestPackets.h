// Builders of RTP packets for the depacketizer tests.
#pragma once

#include <cstdint>
#include <vector>

namespace rtp_test {

struct Header
{
    bool marker = false;
    std::uint8_t payloadType = 96;
    std::uint16_t sequence = 0;
    std::uint32_t timestamp = 0;
    std::uint32_t ssrc = 0x11223344;
};

inline void PutU16(std::vector<std::uint8_t> &v, unsigned x)
{
    v.push_back(static_cast<std::uint8_t>(x >> 8));
    v.push_back(static_cast<std::uint8_t>(x));
}

inline void PutU32(std::vector<std::uint8_t> &v, std::uint32_t x)
{
    PutU16(v, x >> 16);
    PutU16(v, x & 0xFFFF);
}

inline std::vector<std::uint8_t> Packet(const Header &h, const std::vector<std::uint8_t> &payload)
{
    std::vector<std::uint8_t> v;
    v.push_back(0x80);
    v.push_back(static_cast<std::uint8_t>((h.marker ? 0x80 : 0) | (h.payloadType & 0x7F)));
    PutU16(v, h.sequence);
    PutU32(v, h.timestamp);
    PutU32(v, h.ssrc);
    v.insert(v.end(), payload.begin(), payload.end());
    return v;
}

}  // namespace rtp_test
