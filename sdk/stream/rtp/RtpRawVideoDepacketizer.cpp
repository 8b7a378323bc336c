#include "rtp/RtpRawVideoDepacketizer.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "ky/ByteOrder.h"

namespace ky::stream {

namespace {

constexpr std::size_t EXTENDED_SEQUENCE_SIZE = 2;
constexpr std::size_t LINE_HEADER_SIZE = 6;
constexpr std::uint16_t LINE_NUMBER_MASK = 0x7FFF;
constexpr std::uint16_t OFFSET_MASK = 0x7FFF;
constexpr std::uint16_t CONTINUATION_BIT = 0x8000;
constexpr std::uint64_t MAX_FRAME_SIZE = 1ull << 30;

struct LineSegment
{
    std::size_t length;
    std::uint32_t line;
    std::uint32_t offset;
};

}  // namespace

bool RtpRawVideoFormat::Valid() const
{
    if (width == 0 || height == 0 || pgroupBytes == 0 || pgroupPixels == 0)
        return false;
    if (width % pgroupPixels != 0)
        return false;
    // Line numbers and offsets are 15-bit on the wire.
    if (height > LINE_NUMBER_MASK + 1u || width > OFFSET_MASK + 1u)
        return false;
    return static_cast<std::uint64_t>(width / pgroupPixels) * pgroupBytes * height <= MAX_FRAME_SIZE;
}

std::size_t RtpRawVideoFormat::Stride() const
{
    return static_cast<std::size_t>(width / pgroupPixels) * pgroupBytes;
}

std::size_t RtpRawVideoFormat::FrameSize() const { return Stride() * height; }

RtpRawVideoDepacketizer::RtpRawVideoDepacketizer(const RtpRawVideoFormat &format)
    : format_(format.Valid() ? format : RtpRawVideoFormat{})
{ }

void RtpRawVideoDepacketizer::StartFrame(std::uint32_t timestamp)
{
    current_ = RtpFrame{};
    current_.timestamp = timestamp;
    current_.data.assign(format_.FrameSize(), 0);
    received_.assign(format_.FrameSize() / format_.pgroupBytes, 0);
    filled_ = 0;
    open_ = true;
}

void RtpRawVideoDepacketizer::EndFrame()
{
    if (!open_)
        return;
    // Each lost packet would have brought at least one pixel group: a sequence jump (a sender
    // that skipped numbers, or the frames lost whole before this one) counts no more than the
    // frame lacks.
    current_.lostPackets =
        static_cast<std::uint32_t>(std::min<std::size_t>(current_.lostPackets, received_.size() - filled_));
    current_.complete =
        current_.lostPackets == 0 && current_.rejectedPackets == 0 && filled_ == received_.size();
    ready_.push_back(std::move(current_));
    current_ = RtpFrame{};
    open_ = false;
}

void RtpRawVideoDepacketizer::Flush() { EndFrame(); }

bool RtpRawVideoDepacketizer::TakeFrame(RtpFrame &frame)
{
    if (ready_.empty())
        return false;
    frame = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

void RtpRawVideoDepacketizer::Push(const RtpPacket &packet)
{
    if (!format_.Valid())
        return;
    std::uint32_t gap = sequence_.Next(packet.sequence);
    if (open_ && packet.timestamp != current_.timestamp) {
        // The open frame never saw its marker: the missing packets were at least its end. The new
        // frame still counts as complete only once every one of its bytes has arrived.
        current_.lostPackets += gap;
        gap = 0;
        EndFrame();
    }
    if (!open_)
        StartFrame(packet.timestamp);
    current_.lostPackets += gap;
    if (!PlaceSegments(packet.payload, packet.payloadSize))
        ++current_.rejectedPackets;
    if (packet.marker)
        EndFrame();
}

bool RtpRawVideoDepacketizer::PlaceSegments(const std::uint8_t *payload, std::size_t size)
{
    if (payload == nullptr || size < EXTENDED_SEQUENCE_SIZE + LINE_HEADER_SIZE)
        return false;
    // Read every line header first: the data of the segments follows the last header.
    std::vector<LineSegment> segments;
    std::size_t pos = EXTENDED_SEQUENCE_SIZE;
    for (;;) {
        if (size - pos < LINE_HEADER_SIZE)
            return false;
        const std::uint16_t length = ky::base::LoadBig16(payload + pos);
        const std::uint16_t line = ky::base::LoadBig16(payload + pos + 2);
        const std::uint16_t offset = ky::base::LoadBig16(payload + pos + 4);
        pos += LINE_HEADER_SIZE;
        segments.push_back({length, static_cast<std::uint32_t>(line & LINE_NUMBER_MASK),
                            static_cast<std::uint32_t>(offset & OFFSET_MASK)});
        if ((offset & CONTINUATION_BIT) == 0)
            break;
    }
    bool allPlaced = true;
    const std::size_t stride = format_.Stride();
    for (const LineSegment &s : segments) {
        if (s.length > size - pos)
            return false;  // the packet ends before this segment's data
        const std::uint8_t *data = payload + pos;
        pos += s.length;
        const bool fits =
            s.line < format_.height && s.offset % format_.pgroupPixels == 0 &&
            s.length % format_.pgroupBytes == 0 && s.offset < format_.width &&
            static_cast<std::size_t>(s.offset / format_.pgroupPixels) * format_.pgroupBytes + s.length <=
                stride;
        if (!fits) {
            allPlaced = false;
            continue;
        }
        const std::size_t at =
            static_cast<std::size_t>(s.line) * stride +
            static_cast<std::size_t>(s.offset / format_.pgroupPixels) * format_.pgroupBytes;
        if (s.length > 0)
            std::memcpy(current_.data.data() + at, data, s.length);
        // Count each pixel group once, so that a repeated packet does not make up for a lost one.
        const std::size_t firstGroup = at / format_.pgroupBytes;
        for (std::size_t g = firstGroup; g < firstGroup + s.length / format_.pgroupBytes; ++g) {
            if (received_[g] == 0) {
                received_[g] = 1;
                ++filled_;
            }
        }
    }
    return allPlaced;
}

}  // namespace ky::stream
