// Our GVSP sender to our GVSP receiver over loopback, at 2448x2048 Mono8 and BayerRG8 with
// packet sizes 1500 and 9000: frames/s, MB/s of payload, CPU of the sending and receiving
// threads, lost frames. Run it inside scripts/netns-run.
//
//   bench_gvsp_loopback [--frames N] [--fps F]
//
// KY_BENCH_NO_OFFLOAD=1 sends and receives datagram by datagram (no UDP_SEGMENT / UDP_GRO);
// KY_BENCH_IN_PLACE=1 (with it) lets the socket write payload straight into the destinations;
// KY_BENCH_COUNTERS=1 prints the receiver's counters after each run.
// --fps 0 sends as fast as the sender can; a rate paces the frames, as a camera does (237
// frames/s of 2448x2048 8-bit is 10 GigE line rate). Without --fps both are run: unpaced, then
// paced at 240 frames/s.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchCpu.h"
#include "CommandLine.h"
#include "gvsp/GvspReceiver.h"
#include "streaming/GvspSender.h"

using namespace ky::gev;
using ky::bench::CurrentTid;
using ky::bench::ThreadCpuNs;
using Clock = std::chrono::steady_clock;

namespace {

struct Row
{
    const char *format;
    uint32_t packetSize;
    uint32_t frames = 0;
    double seconds = 0;
    double senderCpu = 0;
    double receiverCpu = 0;
    uint64_t lost = 0;
    uint64_t resends = 0;
    uint64_t bytes = 0;
};

Row Run(const char *name, uint32_t pixelFormat, uint32_t packetSize, uint32_t frames, double fps)
{
    constexpr uint32_t width = 2448, height = 2048;
    constexpr size_t size = size_t(width) * height;
    constexpr size_t buffers = 16;
    Row row{name, packetSize};

    GvspSender sender;
    GvspReceiver receiver;
    GvspReceiverConfig rc;
    rc.localAddress = "127.0.0.1";
    rc.packetSize = packetSize;
    const char *plain = std::getenv("KY_BENCH_NO_OFFLOAD");
    const bool offload = !(plain && *plain == '1');
    const char *inPlace = std::getenv("KY_BENCH_IN_PLACE");
    rc.receiveOffload = offload;
    rc.receiveInPlace = inPlace && *inPlace == '1';
    // What the sender cannot resend it counts and answers with a notice.
    if (receiver.Open(rc, [&](uint64_t b, uint32_t f, uint32_t l) { (void)sender.ServeResend(b, f, l); })
            .IsFailure()) {
        std::fprintf(stderr, "receiver: cannot open\n");
        std::exit(1);
    }
    GvspSenderConfig sc;
    sc.destinationPort = receiver.LocalPort();
    sc.packetSize = packetSize;
    sc.sendBufferSize = 8u << 20;
    sc.resendCacheBlocks = 16;
    sc.segmentationOffload = offload;
    auto image = std::make_shared<std::vector<uint8_t>>(size);
    for (size_t i = 0; i < size; ++i)
        (*image)[i] = static_cast<uint8_t>(i * 13 + (i >> 11));
    if (sender.Open(sc).IsFailure()) {
        std::fprintf(stderr, "sender: cannot open\n");
        std::exit(1);
    }
    std::vector<std::vector<uint8_t>> memory(buffers, std::vector<uint8_t>(size));
    for (auto &m : memory) {
        if (receiver.QueueBlock(m.data(), m.size(), &m).IsFailure()) {
            std::fprintf(stderr, "receiver: cannot queue its buffers\n");
            std::exit(1);
        }
    }

    uint64_t senderCpu = 0;
    const uint64_t receiverCpu0 = ThreadCpuNs(receiver.ReceiveThreadId());
    const auto start = Clock::now();
    std::thread sending([&] {
        const pid_t tid = CurrentTid();
        const uint64_t cpu0 = ThreadCpuNs(tid);
        auto next = Clock::now();
        for (uint32_t f = 0; f < frames; ++f) {
            GvspOutgoingBlock block;
            block.blockId = f % 0xFFFF + 1;
            block.leader.pixelFormat = pixelFormat;
            block.leader.sizeX = width;
            block.leader.sizeY = height;
            block.leader.timestamp = f;
            block.data = image->data();
            block.size = size;
            block.keepAlive = image;        // the frame stays put: the resend cache needs no copy
            (void)sender.SendBlock(block);  // a block that did not leave shows as lost in the row
            if (fps > 0) {
                next += std::chrono::nanoseconds(static_cast<int64_t>(1e9 / fps));
                std::this_thread::sleep_until(next);
            }
        }
        senderCpu = ThreadCpuNs(tid) - cpu0;
    });
    uint32_t done = 0;
    auto end = start;  // when the last block ended: a final wait for blocks that never end is not counted
    while (done < frames) {
        GvspCompletedBlock block;
        if (receiver.WaitForBlock(block, 1000).IsFailure())
            break;  // the rest never ended: counted below
        ++done;
        end = Clock::now();
        if (block.status == GvspBlockStatus::Complete)
            row.bytes += block.filledSize;
        // The block's memory goes back where it came from, so the queue has room for it.
        (void)receiver.QueueBlock(block.data, block.capacity, block.cookie);
    }
    sending.join();
    const GvspReceiverCounters counters = receiver.Counters();
    row.seconds = std::chrono::duration<double>(end - start).count();
    row.frames = static_cast<uint32_t>(counters.blocksCompleted);
    row.lost =
        frames - std::min<uint64_t>(frames, counters.blocksCompleted);  // failed, dropped or never seen
    row.resends = counters.resendRequests;
    row.senderCpu = 100.0 * static_cast<double>(senderCpu) / 1e9 / row.seconds;
    row.receiverCpu = 100.0 * static_cast<double>(ThreadCpuNs(receiver.ReceiveThreadId()) - receiverCpu0) /
                      1e9 / row.seconds;
    if (std::getenv("KY_BENCH_COUNTERS")) {
        for (const auto &named : counters.Named())
            std::printf("    %s %llu\n", named.first, static_cast<unsigned long long>(named.second));
    }
    receiver.Close();
    return row;
}

}  // namespace

int main(int argc, char **argv)
{
    uint32_t frames = 480;
    double fps = -1;
    ky::tools::CommandLine line(
        "bench_gvsp_loopback",
        "Usage: bench_gvsp_loopback [--frames N] [--fps F]\n"
        "Our GVSP sender to our GVSP receiver over loopback (run it inside scripts/netns-run).\n"
        "  --frames N   frames per row, 1 to 100000 (default 480)\n"
        "  --fps F      0: as fast as the sender goes; a rate paces the frames (default: both,\n"
        "               unpaced and 240/s)\n"
        "  -h, --help   show this help\n");
    line.Whole("--frames", frames, 1u, 100000u);
    line.Number("--fps", fps, 0, 100000);
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    ky::bench::RequirePrivateNetwork(argv[0]);
    // Unless told otherwise: as fast as the sender goes, and paced at 10 GigE line rate.
    std::vector<double> rates = {0, 240};
    if (fps >= 0)
        rates = {fps};
    std::ifstream loadavg("/proc/loadavg");
    std::string load;
    std::getline(loadavg, load);
    std::printf("GVSP loopback, our sender -> our receiver, 2448x2048, %u frames per row (load average %s)\n",
                frames, load.c_str());
    std::printf("%-9s %6s %8s %7s %9s %9s %11s %12s %12s %6s %8s\n", "format", "packet", "offered", "frames",
                "frames/s", "MB/s", "sender CPU", "receiver CPU", "rx ms/frame", "lost", "resends");
    const struct
    {
        const char *name;
        uint32_t format;
    } formats[] = {{"Mono8", 0x01080001}, {"BayerRG8", 0x01080009}};
    for (double rate : rates) {
        for (const auto &f : formats) {
            for (uint32_t packetSize : {1500u, 9000u}) {
                const Row r = Run(f.name, f.format, packetSize, frames, rate);
                const std::string offered = rate > 0 ? std::to_string(static_cast<int>(rate)) + "/s" : "max";
                std::printf("%-9s %6u %8s %7u %9.1f %9.1f %10.1f%% %11.1f%% %12.2f %6llu %8llu\n", r.format,
                            r.packetSize, offered.c_str(), r.frames, r.frames / r.seconds,
                            r.bytes / r.seconds / 1e6, r.senderCpu, r.receiverCpu,
                            r.frames ? r.receiverCpu / 100.0 * r.seconds * 1000.0 / r.frames : 0.0,
                            static_cast<unsigned long long>(r.lost),
                            static_cast<unsigned long long>(r.resends));
            }
        }
    }
    return 0;
}
