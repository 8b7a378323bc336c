#include "rtp/RtpPacketizer.h"

#include <algorithm>
#include <cstring>

#include "ky/ByteOrder.h"

namespace ky::rtp {
namespace {

constexpr std::uint8_t RTP_VERSION_BITS = 0x80;  // version 2, no padding, extension or CSRC
constexpr std::uint8_t MARKER_BIT = 0x80;
constexpr std::size_t EXTENDED_SEQUENCE_SIZE = 2;
constexpr std::size_t LINE_HEADER_SIZE = 6;
constexpr std::uint32_t MAX_LINES = 0x8000;  // line numbers and offsets are 15-bit
constexpr std::uint16_t CONTINUATION_BIT = 0x8000;
constexpr std::size_t MAX_SEGMENT = 0xFFFF;
constexpr std::size_t FU_HEADER_SIZE = 2;  // FU indicator and FU header
constexpr std::uint8_t FU_START = 0x80;
constexpr std::uint8_t FU_END = 0x40;

struct Segment
{
    std::size_t length;
    std::uint32_t line;
    std::uint32_t offset;  // pixels
    const std::uint8_t *data;
};

}  // namespace

RtpPacketizer::RtpPacketizer(std::uint8_t payloadType, std::uint32_t ssrc)
    : mPayloadType(static_cast<std::uint8_t>(payloadType & 0x7F)), mSsrc(ssrc), mSequence(ssrc * 2654435761u)
{ }

void RtpPacketizer::SetMaxPacketSize(std::size_t size) { mMaxPacket = std::max(size, RTP_MIN_PACKET_SIZE); }

void RtpPacketizer::WriteHeader(bool marker, std::uint32_t timestamp)
{
    mPacket[0] = RTP_VERSION_BITS;
    mPacket[1] = static_cast<std::uint8_t>((marker ? MARKER_BIT : 0) | mPayloadType);
    ky::base::StoreBig16(mPacket.data() + 2, static_cast<std::uint16_t>(mSequence));
    ky::base::StoreBig32(mPacket.data() + 4, timestamp);
    ky::base::StoreBig32(mPacket.data() + 8, mSsrc);
}

bool RtpPacketizer::SendRawVideo(const RtpRawImage &image, std::uint32_t timestamp, const Sink &sink)
{
    if (image.data == nullptr || image.width == 0 || image.height == 0 || image.pgroupBytes == 0 ||
        image.pgroupPixels == 0 || image.width % image.pgroupPixels != 0 || image.width > MAX_LINES ||
        image.height > MAX_LINES)
        return false;
    const std::size_t lineBytes =
        static_cast<std::size_t>(image.width / image.pgroupPixels) * image.pgroupBytes;
    if (image.stride < lineBytes)
        return false;
    const std::size_t maxSegment = MAX_SEGMENT / image.pgroupBytes * image.pgroupBytes;
    mPacket.resize(mMaxPacket);
    std::vector<Segment> segments;
    std::uint32_t line = 0;
    std::size_t done = 0;  // bytes of the current line already sent
    while (line < image.height) {
        segments.clear();
        std::size_t room = mMaxPacket - RTP_HEADER_SIZE - EXTENDED_SEQUENCE_SIZE;
        while (line < image.height && room >= LINE_HEADER_SIZE + image.pgroupBytes) {
            room -= LINE_HEADER_SIZE;
            const std::size_t take =
                std::min({lineBytes - done, room / image.pgroupBytes * image.pgroupBytes, maxSegment});
            const std::uint32_t offset =
                static_cast<std::uint32_t>(done / image.pgroupBytes * image.pgroupPixels);
            segments.push_back({take, line, offset, image.data + line * image.stride + done});
            room -= take;
            done += take;
            if (done == lineBytes) {
                ++line;
                done = 0;
            }
        }
        WriteHeader(line == image.height, timestamp);
        std::size_t pos = RTP_HEADER_SIZE;
        ky::base::StoreBig16(mPacket.data() + pos, static_cast<std::uint16_t>(mSequence >> 16));
        pos += EXTENDED_SEQUENCE_SIZE;
        for (std::size_t i = 0; i < segments.size(); ++i) {
            const Segment &s = segments[i];
            const bool more = i + 1 < segments.size();
            ky::base::StoreBig16(mPacket.data() + pos, static_cast<std::uint16_t>(s.length));
            ky::base::StoreBig16(mPacket.data() + pos + 2, static_cast<std::uint16_t>(s.line));
            ky::base::StoreBig16(mPacket.data() + pos + 4,
                                 static_cast<std::uint16_t>(s.offset | (more ? CONTINUATION_BIT : 0)));
            pos += LINE_HEADER_SIZE;
        }
        for (const Segment &s : segments) {
            std::memcpy(mPacket.data() + pos, s.data, s.length);
            pos += s.length;
        }
        ++mSequence;
        if (!sink(mPacket.data(), pos))
            return false;
    }
    return true;
}

std::vector<NalUnitView> SplitAnnexB(const std::uint8_t *data, std::size_t size)
{
    std::vector<NalUnitView> units;
    if (data == nullptr || size == 0)
        return units;
    // Start of each NAL unit: the byte after a 00 00 01.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i + 2 < size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            starts.push_back(i + 3);
            i += 2;
        }
    }
    if (starts.empty()) {
        units.push_back({data, size});
        return units;
    }
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t begin = starts[k];
        std::size_t end = k + 1 < starts.size() ? starts[k + 1] - 3 : size;
        while (end > begin && data[end - 1] == 0)
            --end;  // the first zero of a 4-byte start code, or trailing zero bytes
        if (end > begin)
            units.push_back({data + begin, end - begin});
    }
    return units;
}

bool RtpPacketizer::SendH264(const std::uint8_t *accessUnit, std::size_t size, std::uint32_t timestamp,
                             const Sink &sink)
{
    const std::vector<NalUnitView> units = SplitAnnexB(accessUnit, size);
    if (units.empty())
        return false;
    mPacket.resize(mMaxPacket);
    const std::size_t room = mMaxPacket - RTP_HEADER_SIZE;
    for (std::size_t k = 0; k < units.size(); ++k) {
        const NalUnitView &nal = units[k];
        const bool lastUnit = k + 1 == units.size();
        if (nal.size <= room) {
            WriteHeader(lastUnit, timestamp);
            std::memcpy(mPacket.data() + RTP_HEADER_SIZE, nal.data, nal.size);
            ++mSequence;
            if (!sink(mPacket.data(), RTP_HEADER_SIZE + nal.size))
                return false;
            continue;
        }
        // FU-A: the NAL unit header's F and NRI bits go into the indicator, its type into the
        // FU header; the fragments carry the rest of the unit.
        const std::uint8_t indicator = static_cast<std::uint8_t>((nal.data[0] & 0xE0) | H264_NAL_TYPE_FU_A);
        const std::uint8_t type = static_cast<std::uint8_t>(nal.data[0] & 0x1F);
        const std::size_t chunk = room - FU_HEADER_SIZE;
        std::size_t pos = 1;
        while (pos < nal.size) {
            const std::size_t take = std::min(chunk, nal.size - pos);
            const bool first = pos == 1;
            const bool last = pos + take == nal.size;
            WriteHeader(lastUnit && last, timestamp);
            mPacket[RTP_HEADER_SIZE] = indicator;
            mPacket[RTP_HEADER_SIZE + 1] =
                static_cast<std::uint8_t>((first ? FU_START : 0) | (last ? FU_END : 0) | type);
            std::memcpy(mPacket.data() + RTP_HEADER_SIZE + FU_HEADER_SIZE, nal.data + pos, take);
            pos += take;
            ++mSequence;
            if (!sink(mPacket.data(), RTP_HEADER_SIZE + FU_HEADER_SIZE + take))
                return false;
        }
    }
    return true;
}

}  // namespace ky::rtp
