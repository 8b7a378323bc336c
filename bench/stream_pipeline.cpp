// Our GVSP sender to our KyStreamGEV and KyPipeline over loopback, at 2448x2048 Mono8 and
// BayerRG8 with packet sizes 1500 and 9000: frames/s, MB/s of payload, CPU of the sender (its
// thread) and of the receiving side (every other thread of the process: receive thread,
// pipeline thread, the consumer), lost frames. Run it inside scripts/netns-run.
//
//   bench_stream_pipeline [--frames N] [--fps F]
//
// --fps 0 sends as fast as the sender can; a rate paces the frames as a camera does (237
// frames/s of 2448x2048 8-bit is 10 GigE line rate). Without --fps both are run.
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "BenchCpu.h"
#include "GvspTestCamera.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyStreamGEV.h"

using Clock = std::chrono::steady_clock;
using namespace ky::bench;

namespace {

constexpr uint32_t kWidth = 2448, kHeight = 2048, kSize = kWidth * kHeight;

struct Row
{
    uint32_t whole = 0, failed = 0;
    double seconds = 0, senderCpu = 0, receiverCpu = 0;
    int64_t resends = 0;
};

Row Run(uint32_t pixelFormat, uint32_t packetSize, uint32_t frames, double fps)
{
    Row row;
    KyStreamGEV stream;
    if (stream.Open(KyString(ky::stream::test::kCameraAddress)).IsFailure())
        return row;
    ky::stream::test::GvspTestCamera camera;
    if (camera.Open(stream.GetLocalPort(), packetSize).IsFailure())
        return row;
    KyPipeline pipeline(&stream);
    pipeline.SetBufferSize(kSize);
    pipeline.SetBufferCount(16);
    pipeline.Start();
    auto pattern = std::make_shared<std::vector<uint8_t>>(ky::gev::test::Pattern(kSize, 0));

    std::atomic<uint64_t> senderNs{0};
    std::atomic<bool> sent{false};
    const uint64_t cpu0 = ProcessCpuNs();
    const Clock::time_point start = Clock::now();
    std::thread sender([&] {
        const pid_t tid = CurrentTid();
        const uint64_t begin = ThreadCpuNs(tid);
        const auto period = fps > 0 ? std::chrono::duration<double>(1.0 / fps) : std::chrono::duration<double>(0);
        for (uint32_t f = 0; f < frames; ++f) {
            if (fps > 0)
                std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(period * f));
            ky::gev::GvspOutgoingBlock block;
            block.blockId = f + 1;
            block.leader = ky::gev::test::ImageLeader(pixelFormat, kWidth, kHeight, f);
            block.data = pattern->data();
            block.size = pattern->size();
            block.keepAlive = pattern;
            camera.sender.SendBlock(block);
        }
        senderNs = ThreadCpuNs(tid) - begin;
        sent = true;
    });
    Clock::time_point last = start;
    while (row.whole + row.failed < frames) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        if (pipeline.RetrieveNextBuffer(&buffer, 1000, &operation).IsFailure()) {
            if (sent)
                break;  // nothing more is coming
            continue;
        }
        (operation.IsOK() ? row.whole : row.failed)++;
        last = Clock::now();
        pipeline.ReleaseBuffer(buffer);
    }
    sender.join();
    const double cpuAll = static_cast<double>(ProcessCpuNs() - cpu0);
    row.seconds = std::chrono::duration<double>(last - start).count();
    row.senderCpu = senderNs / 1e9 / row.seconds * 100.0;
    row.receiverCpu = (cpuAll - senderNs) / 1e9 / row.seconds * 100.0;
    stream.GetParameters()->GetIntegerValue(KyString("ResendPacketRequested"), row.resends);
    pipeline.Stop();
    return row;
}

} // namespace

int main(int argc, char **argv)
{
    RequirePrivateNetwork(argv[0]);
    const uint32_t frames = static_cast<uint32_t>(Option(argc, argv, "--frames", 240));
    const double fps = Option(argc, argv, "--fps", -1);
    const std::vector<double> rates = fps >= 0 ? std::vector<double>{fps} : std::vector<double>{0, 237};
    std::printf("Our GVSP sender -> KyStreamGEV + KyPipeline over loopback, %ux%u, %u frames per row\n", kWidth,
                kHeight, frames);
    std::printf("%-9s %6s %8s %9s %9s %11s %12s %6s %8s\n", "format", "packet", "offered", "frames/s", "MB/s",
                "sender CPU", "receiver CPU", "lost", "resends");
    const std::pair<const char *, KyPixelType> formats[] = {{"Mono8", KyPixelMono8}, {"BayerRG8", KyPixelBayerRG8}};
    for (double rate : rates) {
        for (const auto &[name, format] : formats) {
            for (uint32_t packetSize : {1500u, 9000u}) {
                const Row r = Run(format, packetSize, frames, rate);
                const std::string offered = rate > 0 ? std::to_string(static_cast<int>(rate)) + "/s" : "max";
                const double seconds = r.seconds > 0 ? r.seconds : 1;
                std::printf("%-9s %6u %8s %9.1f %9.1f %10.1f%% %11.1f%% %6u %8lld\n", name, packetSize,
                            offered.c_str(), r.whole / seconds, double(r.whole) * kSize / seconds / 1e6, r.senderCpu,
                            r.receiverCpu, frames - r.whole, static_cast<long long>(r.resends));
            }
        }
    }
    return 0;
}
