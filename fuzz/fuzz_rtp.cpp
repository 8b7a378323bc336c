// The RTP depacketizers: a byte stream as RTP over TCP would bring it (16-bit length before each
// packet), every packet fed to a raw video depacketizer of a geometry chosen by the first bytes and
// to the H.264 depacketizer. What comes out must lie within the frame size and the unit limit, and
// filling it into a buffer of a size chosen by the input must write nothing past the buffer.
#include <cstdlib>
#include <vector>

#include "FuzzInput.h"
#include "ky/buffer/KyBuffer.h"
#include "rtp/RtpBufferFill.h"
#include "rtp/RtpH264Depacketizer.h"
#include "rtp/RtpPacket.h"
#include "rtp/RtpRawVideoDepacketizer.h"
#include "rtp/RtpTcpFramer.h"

namespace {

using namespace ky::stream;

volatile uint8_t gLast = 0;
constexpr uint8_t kGuard = 0xEE;
constexpr size_t kGuardSize = 64;

// A buffer over memory followed by guard bytes.
struct GuardedBuffer
{
    std::vector<uint8_t> memory;
    KyBuffer buffer;
    uint32_t size = 0;

    explicit GuardedBuffer(uint32_t bytes) : memory(bytes + kGuardSize, kGuard), size(bytes)
    {
        if (bytes > 0 && buffer.Attach(memory.data(), bytes).IsFailure())
            std::abort();
    }
    void Fill(const RtpFrame &frame, const RtpPayloadConfig &config)
    {
        if (size == 0)
            return;
        FillBufferFromFrame(frame, config, 1, buffer);
        for (size_t i = size; i < memory.size(); ++i)
            if (memory[i] != kGuard)
                std::abort();
        if (buffer.GetAcquiredSize() > size)
            std::abort();
    }
};

void Check(const RtpFrame &frame, size_t limit, GuardedBuffer &into, const RtpPayloadConfig &config)
{
    if (frame.data.size() > limit)
        std::abort();
    if (!frame.data.empty())
        gLast = frame.data.back();
    into.Fill(frame, config);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    RtpRawVideoFormat format;
    format.width = 1 + in.Byte() % 64;
    format.height = 1 + in.Byte() % 64;
    format.pgroupBytes = 1 + in.Byte() % 8;
    format.pgroupPixels = 1 + in.Byte() % 4;
    RtpRawVideoDepacketizer raw(format);
    RtpH264Depacketizer h264;
    const size_t rawLimit = format.Valid() ? format.FrameSize() : 0;
    RtpPayloadConfig rawConfig;
    rawConfig.kind = RtpPayloadKind::RawVideo;
    rawConfig.width = format.width;
    rawConfig.height = format.height;
    rawConfig.pixelType = KyPixelRGB8;
    // Padding and buffer size from the last byte, so that the seeds' layout stays as it was.
    const uint8_t last = size > 0 ? data[size - 1] : 0;
    rawConfig.paddingX = last % 4;
    rawConfig.wire = format;
    RtpPayloadConfig h264Config;
    h264Config.kind = RtpPayloadKind::H264;
    GuardedBuffer into(static_cast<uint32_t>(last >> 2) * 64);

    size_t length = in.Left();
    const uint8_t *rest = in.Take(length);
    RtpTcpFramer framer;
    // Split the stream unevenly, as reads from a socket would.
    size_t at = 0;
    size_t step = 1;
    std::vector<uint8_t> packet;
    RtpFrame frame;
    while (at < length) {
        const size_t n = step < length - at ? step : length - at;
        framer.Append(rest + at, n);
        at += n;
        step = step * 3 % 1024 + 1;
        while (framer.Next(packet)) {
            RtpPacket p;
            if (ParseRtpPacket(packet.data(), packet.size(), p) != RtpParseStatus::Ok)
                continue;
            if (p.payload < packet.data() || p.payload + p.payloadSize > packet.data() + packet.size())
                std::abort();
            raw.Push(p);
            h264.Push(p);
            while (raw.TakeFrame(frame))
                Check(frame, rawLimit, into, rawConfig);
            while (h264.TakeFrame(frame))
                Check(frame, RtpH264Depacketizer::MAX_ACCESS_UNIT_SIZE, into, h264Config);
        }
    }
    raw.Flush();
    h264.Flush();
    while (raw.TakeFrame(frame))
        Check(frame, rawLimit, into, rawConfig);
    while (h264.TakeFrame(frame))
        Check(frame, RtpH264Depacketizer::MAX_ACCESS_UNIT_SIZE, into, h264Config);
    return 0;
}
