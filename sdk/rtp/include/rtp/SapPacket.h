// SAP (Session Announcement Protocol, RFC 2974) packets: what a sender multicasts to announce a
// session with its description, or to withdraw it (deletion), and what a listener reads back.
// A received datagram is network input: every length is checked against it before anything is
// read. Compressed and encrypted announcements are refused (this kit neither inflates nor
// decrypts them); authentication data is skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ky::rtp {

// The well-known group and port of SAP announcements (global scope).
constexpr std::uint32_t SAP_GROUP = 0xE0027FFE;  // 224.2.127.254
constexpr std::uint16_t SAP_PORT = 9875;
constexpr const char *SAP_SDP_TYPE = "application/sdp";
// Largest announcement sent or read (a description fits a datagram on any link).
constexpr std::size_t SAP_MAX_PACKET = 1400;

struct SapMessage
{
    bool deletion = false;          // withdraws the session named by origin and hash
    std::uint16_t messageHash = 0;  // identifies one version of the announcement (0: none)
    bool ipv6Origin = false;
    std::uint8_t origin[16] = {};  // the originating source: 4 bytes for IPv4, 16 for IPv6
    std::string payloadType;       // MIME type; application/sdp when the packet gives none
    std::string payload;           // the description (or, for a deletion, what names it)

    // The IPv4 origin in host byte order (0 for an IPv6 origin).
    std::uint32_t OriginIPv4() const;
    void SetOriginIPv4(std::uint32_t ip);
};

enum class SapParseStatus {
    Ok,
    TooShort,        // ends before its header, origin, authentication data or payload type
    BadVersion,      // version is not 1
    Compressed,      // the payload is compressed
    Encrypted,       // the payload is encrypted
    BadPayloadType,  // the payload type is not terminated in the packet
};

const char *SapParseStatusText(SapParseStatus status);

// Reads one datagram; on anything but Ok `out` is left empty.
SapParseStatus ParseSapPacket(const std::uint8_t *data, std::size_t size, SapMessage &out);

// Writes an announcement or deletion (version 1, no authentication, no compression or
// encryption, the payload type written out). Empty when it would exceed SAP_MAX_PACKET.
std::vector<std::uint8_t> BuildSapPacket(const SapMessage &message);

// A non-zero 16-bit hash of a description, for SapMessage::messageHash: a changed description
// gets another one.
std::uint16_t SapMessageHash(const std::string &payload);

}  // namespace ky::rtp
