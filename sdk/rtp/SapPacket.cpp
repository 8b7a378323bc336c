#include "rtp/SapPacket.h"

#include <cstring>

#include "ky/ByteOrder.h"

namespace ky::rtp {
namespace {

constexpr std::uint8_t VERSION_SHIFT = 5;
constexpr std::uint8_t SAP_VERSION = 1;
constexpr std::uint8_t ADDRESS_TYPE_BIT = 0x10;  // A: IPv6 origin
constexpr std::uint8_t MESSAGE_TYPE_BIT = 0x04;  // T: deletion
constexpr std::uint8_t ENCRYPTED_BIT = 0x02;     // E
constexpr std::uint8_t COMPRESSED_BIT = 0x01;    // C
constexpr std::size_t FIXED_HEADER = 4;

}  // namespace

std::uint32_t SapMessage::OriginIPv4() const { return ipv6Origin ? 0 : ky::base::LoadBig32(origin); }

void SapMessage::SetOriginIPv4(std::uint32_t ip)
{
    ipv6Origin = false;
    std::memset(origin, 0, sizeof origin);
    ky::base::StoreBig32(origin, ip);
}

const char *SapParseStatusText(SapParseStatus status)
{
    switch (status) {
    case SapParseStatus::Ok:
        return "ok";
    case SapParseStatus::TooShort:
        return "the announcement is cut short";
    case SapParseStatus::BadVersion:
        return "the announcement is not of SAP version 1";
    case SapParseStatus::Compressed:
        return "the announcement is compressed";
    case SapParseStatus::Encrypted:
        return "the announcement is encrypted";
    case SapParseStatus::BadPayloadType:
        return "the announcement's payload type is not terminated";
    }
    return "unknown";
}

SapParseStatus ParseSapPacket(const std::uint8_t *data, std::size_t size, SapMessage &out)
{
    out = SapMessage();
    if (data == nullptr || size < FIXED_HEADER)
        return SapParseStatus::TooShort;
    const std::uint8_t flags = data[0];
    if ((flags >> VERSION_SHIFT) != SAP_VERSION)
        return SapParseStatus::BadVersion;
    if ((flags & ENCRYPTED_BIT) != 0)
        return SapParseStatus::Encrypted;
    if ((flags & COMPRESSED_BIT) != 0)
        return SapParseStatus::Compressed;
    const bool ipv6 = (flags & ADDRESS_TYPE_BIT) != 0;
    const std::size_t originSize = ipv6 ? 16 : 4;
    const std::size_t authenticationSize = static_cast<std::size_t>(data[1]) * 4;
    std::size_t pos = FIXED_HEADER;
    if (size - pos < originSize + authenticationSize)
        return SapParseStatus::TooShort;
    SapMessage message;
    message.deletion = (flags & MESSAGE_TYPE_BIT) != 0;
    message.messageHash = ky::base::LoadBig16(data + 2);
    message.ipv6Origin = ipv6;
    std::memcpy(message.origin, data + pos, originSize);
    pos += originSize + authenticationSize;
    // The payload type is optional: a payload that starts as a description ("v=0") has none.
    const char *rest = reinterpret_cast<const char *>(data + pos);
    const std::size_t restSize = size - pos;
    if (restSize >= 3 && std::memcmp(rest, "v=0", 3) == 0) {
        message.payloadType = SAP_SDP_TYPE;
    } else {
        const void *end = std::memchr(rest, '\0', restSize);
        if (end == nullptr)
            return restSize == 0 ? SapParseStatus::TooShort : SapParseStatus::BadPayloadType;
        const std::size_t typeSize = static_cast<std::size_t>(static_cast<const char *>(end) - rest);
        message.payloadType.assign(rest, typeSize);
        rest += typeSize + 1;
        pos += typeSize + 1;
    }
    message.payload.assign(rest, size - pos);
    out = std::move(message);
    return SapParseStatus::Ok;
}

std::vector<std::uint8_t> BuildSapPacket(const SapMessage &message)
{
    const std::size_t originSize = message.ipv6Origin ? 16 : 4;
    const std::size_t size =
        FIXED_HEADER + originSize + message.payloadType.size() + 1 + message.payload.size();
    if (size > SAP_MAX_PACKET)
        return {};
    std::vector<std::uint8_t> packet(size);
    packet[0] = static_cast<std::uint8_t>((SAP_VERSION << VERSION_SHIFT) |
                                          (message.ipv6Origin ? ADDRESS_TYPE_BIT : 0) |
                                          (message.deletion ? MESSAGE_TYPE_BIT : 0));
    packet[1] = 0;  // no authentication data
    ky::base::StoreBig16(packet.data() + 2, message.messageHash);
    std::memcpy(packet.data() + FIXED_HEADER, message.origin, originSize);
    std::size_t pos = FIXED_HEADER + originSize;
    std::memcpy(packet.data() + pos, message.payloadType.data(), message.payloadType.size());
    pos += message.payloadType.size();
    packet[pos++] = 0;
    std::memcpy(packet.data() + pos, message.payload.data(), message.payload.size());
    return packet;
}

std::uint16_t SapMessageHash(const std::string &payload)
{
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : payload)
        hash = (hash ^ c) * 16777619u;
    const std::uint16_t folded = static_cast<std::uint16_t>(hash ^ (hash >> 16));
    return folded == 0 ? 1 : folded;
}

}  // namespace ky::rtp
