// The receiver's packet work without a network: recorded GVSP packets of 2448x2048 Mono8 frames
// (leader, payload, trailer; packet sizes 1500 and 9000) laid out one after another as in a
// packet ring are replayed into the block tracker, which places each payload into one of 16
// frame buffers in turn, as the receive thread does. Next to it, the payload copies alone over
// the same memory. The difference is what placing a packet costs beyond its copy. Each pass
// times both over the same packets; the figures are the median pass, and the spread of the
// difference (lowest and highest pass) tells how much of it is the machine's noise: a spread
// that reaches below zero means the cost is smaller than what the runs can tell apart. No
// sockets: this one runs anywhere.
//
//   bench_gvsp_tracker [--frames N] [--passes N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "gvsp/GvspBlockTracker.h"
#include "gev/Gvsp.h"
#include "ky/ByteOrder.h"

using namespace ky::gev;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t WIDTH = 2448, HEIGHT = 2048, FRAME = WIDTH * HEIGHT, BUFFERS = 16;
constexpr uint32_t MONO8 = 0x01080001;

// Frame buffers handed out in turn and taken back when their block ends.
struct Buffers : GvspBlockTracker::Host
{
    std::vector<std::vector<uint8_t>> memory;
    std::deque<GvspDestination> queued;
    size_t ended = 0;

    Buffers() : memory(BUFFERS, std::vector<uint8_t>(FRAME, 0))
    {
        for (auto &m : memory)
            queued.push_back(GvspDestination{m.data(), m.size(), nullptr});
    }
    bool TakeDestination(GvspDestination &destination) override
    {
        if (queued.empty())
            return false;
        destination = queued.front();
        queued.pop_front();
        return true;
    }
    void Emit(GvspCompletedBlock &&block) override
    {
        ++ended;
        queued.push_back(GvspDestination{block.data, block.capacity, nullptr});
    }
};

// The packets of `frames` blocks, each at a 16-byte aligned place of one memory area.
struct Recording
{
    std::vector<uint8_t> memory;
    std::vector<std::pair<size_t, size_t>> packets;  // offset, length
    size_t headerSize = 0;

    Recording(uint32_t packetSize, size_t frames)
    {
        const size_t perPacket = GvspPayloadBytesPerPacket(packetSize, false);
        const std::vector<uint8_t> image(FRAME, 0x5A);
        std::vector<std::vector<uint8_t>> list;
        std::vector<uint8_t> packet(packetSize);
        for (size_t f = 0; f < frames; ++f) {
            GvspHeader header;
            header.blockId = f + 1;
            header.format = GvspPacketFormat::Leader;
            GvspLeader leader;
            leader.pixelFormat = MONO8;
            leader.sizeX = WIDTH;
            leader.sizeY = HEIGHT;
            list.emplace_back(packet.begin(),
                              packet.begin() + GvspBuildLeader(packet.data(), packet.size(), header, leader));
            header.format = GvspPacketFormat::Payload;
            for (size_t offset = 0; offset < FRAME; offset += perPacket) {
                ++header.packetId;
                const size_t n = GvspBuildPayload(packet.data(), packet.size(), header, image.data() + offset,
                                                  std::min(perPacket, FRAME - offset));
                list.emplace_back(packet.begin(), packet.begin() + n);
            }
            ++header.packetId;
            header.format = GvspPacketFormat::Trailer;
            GvspTrailer trailer;
            trailer.sizeY = HEIGHT;
            list.emplace_back(packet.begin(), packet.begin() + GvspBuildTrailer(packet.data(), packet.size(),
                                                                                header, trailer));
            headerSize = header.Size();
        }
        size_t total = 0;
        for (const auto &p : list)
            total += (p.size() + 15) & ~size_t(15);
        memory.resize(total);
        size_t at = 0;
        for (const auto &p : list) {
            std::memcpy(memory.data() + at, p.data(), p.size());
            packets.emplace_back(at, p.size());
            at += (p.size() + 15) & ~size_t(15);
        }
    }

    // Moves every block id on by `by`, so that a replay is taken as new blocks.
    void Renumber(size_t by)
    {
        for (const auto &p : packets) {
            uint8_t *h = memory.data() + p.first;
            ky::base::StoreBig16(h + 2, static_cast<uint16_t>(ky::base::LoadBig16(h + 2) + by));
        }
    }
};

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

void Run(uint32_t packetSize, size_t frames, int passes)
{
    Recording recording(packetSize, frames);
    Buffers buffers;
    GvspBlockTracker tracker(buffers);
    GvspReceiverConfig config;
    config.packetSize = packetSize;
    tracker.Reset(config);
    const Clock::time_point now = Clock::now();
    std::vector<double> placings, copyings, extras;  // seconds per frame; ns per packet
    for (int pass = 0; pass < passes; ++pass) {
        double placing = 0, copying = 0;
        if (pass > 0)
            recording.Renumber(frames);
        Clock::time_point start = Clock::now();
        for (const auto &p : recording.packets)
            tracker.Process(recording.memory.data() + p.first, p.second, now, false);
        placing += Seconds(start);

        // The same payload copies into the same buffers, and nothing else.
        start = Clock::now();
        size_t frame = 0, offset = 0;
        for (const auto &p : recording.packets) {
            if (p.second <= recording.headerSize + 64)
                continue;  // leader and trailer carry no payload
            const size_t n = std::min(p.second - recording.headerSize, FRAME - offset);
            std::memcpy(buffers.memory[frame % BUFFERS].data() + offset,
                        recording.memory.data() + p.first + recording.headerSize, n);
            offset += n;
            if (offset >= FRAME)
                offset = 0, ++frame;
        }
        copying += Seconds(start);
        placings.push_back(placing / frames);
        copyings.push_back(copying / frames);
        extras.push_back(1e9 * (placing - copying) / static_cast<double>(recording.packets.size()));
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    };
    const auto [lowest, highest] = std::minmax_element(extras.begin(), extras.end());
    std::printf("%6u %10zu %12.3f %12.3f %12.1f %8.1f %8.1f %8zu\n", packetSize,
                recording.packets.size() / frames, 1e3 * median(placings), 1e3 * median(copyings),
                median(extras), *lowest, *highest, buffers.ended);
}

}  // namespace

int main(int argc, char **argv)
{
    size_t frames = 32;
    int passes = 9;
    ky::tools::CommandLine line(
        "bench_gvsp_tracker",
        "Usage: bench_gvsp_tracker [--frames N] [--passes N]\n"
        "The receiver's packet work replayed from recorded packets, next to the payload\n"
        "copies alone; no network.\n"
        "  --frames N   recorded frames, 1 to 1000 (default 32)\n"
        "  --passes N   replays, each timed on its own, 1 to 1000 (default 9)\n"
        "  -h, --help   show this help\n");
    line.Whole<size_t>("--frames", frames, 1, 1000);
    line.Whole("--passes", passes, 1, 1000);
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    std::printf(
        "%zu recorded frames of %zux%zu Mono8, replayed %d times into %zu buffers; median pass, and the\n"
        "lowest and highest pass of the extra (placed minus copies): where the lowest is below zero,\n"
        "the extra is within the noise of this machine\n",
        frames, WIDTH, HEIGHT, passes, BUFFERS);
    std::printf("packet packets/fr placed ms/fr copies ms/fr extra ns/pkt   lowest  highest   blocks\n");
    for (uint32_t packetSize : {1500u, 9000u})
        Run(packetSize, frames, passes);
    return 0;
}
