// Uncompressed video over RTP (RFC 4175): line segments are placed into a frame of the configured
// geometry. Line numbers, offsets and lengths come from the network and are checked against the
// frame and the packet before anything is written; what does not fit is counted and dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "rtp/RtpFrame.h"
#include "rtp/RtpPacket.h"

namespace ky::stream {

struct RtpRawVideoFormat
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t pgroupBytes = 0;   // bytes of one pixel group (3 for RGB 8-bit, 4 for 4:2:2 8-bit)
    std::uint32_t pgroupPixels = 0;  // pixels of one pixel group (1 for RGB, 2 for 4:2:2)

    bool Valid() const;
    std::size_t Stride() const;  // bytes of one line
    std::size_t FrameSize() const;
};

class RtpRawVideoDepacketizer
{
public:
    explicit RtpRawVideoDepacketizer(const RtpRawVideoFormat &format);

    // Takes one parsed RTP packet; frames that end (marker bit, or a packet of a later timestamp)
    // are queued for TakeFrame().
    void Push(const RtpPacket &packet);

    // Ends the open frame, if any, as incomplete (stream stopped).
    void Flush();
    // A frame has begun and not ended yet.
    bool HasOpenFrame() const { return open_; }

    bool TakeFrame(RtpFrame &frame);

private:
    void StartFrame(std::uint32_t timestamp);
    void EndFrame();
    bool PlaceSegments(const std::uint8_t *payload, std::size_t size);

    RtpRawVideoFormat format_;
    RtpFrame current_;
    bool open_ = false;
    RtpSequenceTracker sequence_;
    std::vector<std::uint8_t> received_;  // one flag per pixel group of the open frame
    std::size_t filled_ = 0;              // pixel groups received in the open frame
    std::deque<RtpFrame> ready_;
};

}  // namespace ky::stream
