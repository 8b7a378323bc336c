// The sending side of RTP video: uncompressed images cut into packets of line segments
// (RFC 4175, progressive, with the extended sequence number) and H.264 access units cut into
// single NAL unit packets and FU-A fragments (RFC 6184, packetization-mode 1). The last packet
// of a frame carries the marker bit. Each packet is handed to a sink as soon as it is made, in a
// buffer that the next packet reuses.
//
// Not thread-safe: one sender thread uses it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace ky::rtp {

constexpr std::size_t RTP_HEADER_SIZE = 12;
// The smallest packet the packetizers work with: room for a header and a few bytes of payload.
constexpr std::size_t RTP_MIN_PACKET_SIZE = 64;
// FU-A fragment type and the NAL unit header fields it keeps.
constexpr std::uint8_t H264_NAL_TYPE_FU_A = 28;

// The geometry of an uncompressed image in memory and on the wire.
struct RtpRawImage
{
    const std::uint8_t *data = nullptr;
    std::uint32_t width = 0;   // pixels, a multiple of pgroupPixels, at most 32768
    std::uint32_t height = 0;  // lines, at most 32768
    std::size_t stride = 0;    // bytes from one line to the next, at least a line's pixel bytes
    std::uint32_t pgroupBytes = 0;
    std::uint32_t pgroupPixels = 0;
};

class RtpPacketizer
{
public:
    // A packet and its size; false stops the frame (the sender could not send it).
    using Sink = std::function<bool(const std::uint8_t *packet, std::size_t size)>;

    RtpPacketizer(std::uint8_t payloadType, std::uint32_t ssrc);

    // Largest datagram payload (RTP header included); clamped to at least RTP_MIN_PACKET_SIZE.
    void SetMaxPacketSize(std::size_t size);
    std::size_t MaxPacketSize() const { return mMaxPacket; }

    // False for an image that RFC 4175 cannot carry (see RtpRawImage) or a sink that failed.
    bool SendRawVideo(const RtpRawImage &image, std::uint32_t timestamp, const Sink &sink);
    // An access unit in Annex B form (NAL units after 00 00 01 or 00 00 00 01 start codes); a
    // unit without start codes is taken as one NAL unit. False when it holds no NAL unit or the
    // sink failed.
    bool SendH264(const std::uint8_t *accessUnit, std::size_t size, std::uint32_t timestamp,
                  const Sink &sink);

    std::uint32_t Ssrc() const { return mSsrc; }

private:
    void WriteHeader(bool marker, std::uint32_t timestamp);

    std::uint8_t mPayloadType;
    std::uint32_t mSsrc;
    std::uint32_t mSequence;  // extended: the low 16 bits go into the header
    std::size_t mMaxPacket = 1400;
    std::vector<std::uint8_t> mPacket;
};

// The NAL units of an Annex B access unit, start codes and trailing zero bytes removed.
struct NalUnitView
{
    const std::uint8_t *data;
    std::size_t size;
};
std::vector<NalUnitView> SplitAnnexB(const std::uint8_t *data, std::size_t size);

}  // namespace ky::rtp
