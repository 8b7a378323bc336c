#include "rtp/RtpH264Depacketizer.h"

#include <utility>

namespace ky::stream {

namespace {

constexpr std::uint8_t NAL_TYPE_MASK = 0x1F;
constexpr std::uint8_t NAL_STAP_A = 24;
constexpr std::uint8_t NAL_FU_A = 28;
constexpr std::uint8_t FU_START_BIT = 0x80;
constexpr std::uint8_t FU_END_BIT = 0x40;
constexpr std::uint8_t NAL_F_NRI_MASK = 0xE0;
constexpr std::uint8_t START_CODE[4] = {0, 0, 0, 1};

}  // namespace

void RtpH264Depacketizer::StartUnit(std::uint32_t timestamp)
{
    current_ = RtpFrame{};
    current_.timestamp = timestamp;
    open_ = true;
    inFragment_ = false;
}

void RtpH264Depacketizer::EndUnit()
{
    if (!open_)
        return;
    // A fragment that never saw its end is unusable.
    DropFragment();
    current_.complete = current_.lostPackets == 0 && current_.rejectedPackets == 0 && !current_.data.empty();
    if (!current_.data.empty() || current_.lostPackets > 0 || current_.rejectedPackets > 0)
        ready_.push_back(std::move(current_));
    current_ = RtpFrame{};
    open_ = false;
}

void RtpH264Depacketizer::DropFragment()
{
    if (!inFragment_)
        return;
    current_.data.resize(fragmentStart_);
    inFragment_ = false;
    ++current_.rejectedPackets;
}

void RtpH264Depacketizer::Flush() { EndUnit(); }

bool RtpH264Depacketizer::TakeFrame(RtpFrame &unit)
{
    if (ready_.empty())
        return false;
    unit = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

bool RtpH264Depacketizer::AppendNal(const std::uint8_t *header, std::size_t headerSize,
                                    const std::uint8_t *body, std::size_t bodySize, bool startCode)
{
    const std::size_t add = (startCode ? sizeof(START_CODE) : 0) + headerSize + bodySize;
    if (add > MAX_ACCESS_UNIT_SIZE - current_.data.size())
        return false;
    if (startCode)
        current_.data.insert(current_.data.end(), START_CODE, START_CODE + sizeof(START_CODE));
    current_.data.insert(current_.data.end(), header, header + headerSize);
    current_.data.insert(current_.data.end(), body, body + bodySize);
    return true;
}

void RtpH264Depacketizer::Push(const RtpPacket &packet)
{
    std::uint32_t gap = sequence_.Next(packet.sequence);
    if (open_ && packet.timestamp != current_.timestamp) {
        // The open unit never saw its marker, so the missing packets were at least its end; they
        // may also have been the start of the new one, which is counted too.
        current_.lostPackets += gap;
        EndUnit();
    }
    if (!open_)
        StartUnit(packet.timestamp);
    if (gap > 0) {
        current_.lostPackets += gap;
        // A piece of an open fragment may be gone: drop what was gathered of that NAL unit.
        DropFragment();
    }
    if (!PushPayload(packet.payload, packet.payloadSize))
        ++current_.rejectedPackets;
    if (packet.marker)
        EndUnit();
}

bool RtpH264Depacketizer::PushPayload(const std::uint8_t *payload, std::size_t size)
{
    if (payload == nullptr || size < 1)
        return false;
    const std::uint8_t type = payload[0] & NAL_TYPE_MASK;
    if (type >= 1 && type <= 23) {
        DropFragment();
        return AppendNal(payload, 1, payload + 1, size - 1, true);
    }
    if (type == NAL_STAP_A) {
        DropFragment();
        std::size_t pos = 1;
        bool ok = true;
        while (pos < size) {
            if (size - pos < 2)
                return false;
            const std::size_t nalSize = (static_cast<std::size_t>(payload[pos]) << 8) | payload[pos + 1];
            pos += 2;
            if (nalSize == 0 || nalSize > size - pos)
                return false;
            ok = AppendNal(payload + pos, 1, payload + pos + 1, nalSize - 1, true) && ok;
            pos += nalSize;
        }
        return ok && pos > 1;
    }
    if (type == NAL_FU_A) {
        if (size < 2)
            return false;
        const std::uint8_t fuHeader = payload[1];
        const bool start = (fuHeader & FU_START_BIT) != 0;
        const bool end = (fuHeader & FU_END_BIT) != 0;
        if (start) {
            DropFragment();  // the previous fragment never ended
            const std::uint8_t nalHeader =
                static_cast<std::uint8_t>((payload[0] & NAL_F_NRI_MASK) | (fuHeader & NAL_TYPE_MASK));
            fragmentStart_ = current_.data.size();
            if (!AppendNal(&nalHeader, 1, payload + 2, size - 2, true)) {
                inFragment_ = false;
                return false;
            }
            inFragment_ = !end;
            return true;
        }
        if (!inFragment_)
            return false;  // a middle or end piece whose start was lost
        if (!AppendNal(nullptr, 0, payload + 2, size - 2, false)) {
            current_.data.resize(fragmentStart_);
            inFragment_ = false;
            return false;
        }
        if (end)
            inFragment_ = false;
        return true;
    }
    DropFragment();
    // STAP-B, MTAP and FU-B belong to the interleaved mode; 0, 30 and 31 are undefined.
    return false;
}

}  // namespace ky::stream
