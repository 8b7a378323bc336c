// A soft USB3 Vision camera (free-running test pattern) to KyStreamU3V and KyPipeline over the
// simulated link, through the receiver's read paths side by side: images copied out of the
// stream's transfer buffer (a small-image threshold above the image) or read straight into the
// queued buffers, with the payload asked for in 64, 8 or 1 transfers. Per row: frames/s, MB/s of
// payload, frames not retrieved whole, and the transfers read straight into buffers; a row that
// cannot open its stream or waits 5 s for a frame is named on standard error instead, and the
// exit status is then 1. No socket is opened (simulated USB is in-process).
//
//   bench_u3v_stream [--frames N] [--width W] [--height H]
#include <chrono>
#include <cstdio>
#include <string>

#include "CommandLine.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/device/KyDeviceU3V.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyStreamU3V.h"
#include "u3vdevice/SoftU3vDeclarations.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr const char *kGuid = "BE0C0FFEE001";

struct Row
{
    const char *name;
    uint32_t threshold;
    uint32_t pending;
};

int64_t Integer(KyStream &stream, const char *name)
{
    int64_t value = 0;
    (void)stream.GetParameters()->GetIntegerValue(name, value);  // 0 when it cannot be read
    return value;
}

}  // namespace

int main(int argc, char **argv)
{
    uint32_t frames = 300;
    uint32_t width = 1920;
    uint32_t height = 1080;
    ky::tools::CommandLine line(
        "bench_u3v_stream",
        "Usage: bench_u3v_stream [--frames N] [--width W] [--height H]\n"
        "A soft USB3 Vision camera to KyStreamU3V and KyPipeline over the simulated link, through\n"
        "the receiver's read paths side by side (copied or straight into the buffers, 64, 8 or 1\n"
        "transfers per image); no network.\n"
        "  --frames N   frames per row, 1 to 100000 (default 300)\n"
        "  --width W    image width in pixels (Mono8), 1 to 4096 (default 1920)\n"
        "  --height H   image height in lines, 1 to 4096 (default 1080)\n"
        "  -h, --help   show this help\n");
    line.Whole<uint32_t>("--frames", frames, 1, 100000);
    line.Whole<uint32_t>("--width", width, 1, 4096);
    line.Whole<uint32_t>("--height", height, 1, 4096);
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    ky::soft::SoftU3vSettings settings;
    settings.guid = kGuid;
    settings.width = width;
    settings.height = height;
    settings.frameRate = 0.0;  // as fast as the pattern is drawn
    if (const KyResult plugged = ky::soft::SoftU3vDeclarations::Plug(settings); plugged.IsFailure()) {
        std::fprintf(stderr, "bench_u3v_stream: cannot plug the soft camera: %s\n",
                     plugged.GetDescription().GetAscii());
        return 1;
    }
    KyDeviceU3V device;
    if (const KyResult connected = device.Connect(KyString(kGuid)); connected.IsFailure()) {
        std::fprintf(stderr, "bench_u3v_stream: cannot connect the soft camera: %s\n",
                     connected.GetDescription().GetAscii());
        (void)ky::soft::SoftU3vDeclarations::Unplug(kGuid);
        return 1;
    }
    KyGenParameterArray *params = device.GetParameters();
    std::printf("%u frames of %ux%u Mono8 per row\n", frames, width, height);
    std::printf("%-22s %10s %10s %8s %10s\n", "row", "frames/s", "MB/s", "lost", "direct");
    const Row rows[] = {
        {"copied, 64 transfers", UINT32_MAX, 64},
        {"direct, 64 transfers", 0, 64},
        {"direct, 8 transfers", 0, 8},
        {"direct, 1 transfer", 0, 1},
    };
    int status = 0;
    for (const Row &row : rows) {
        KyStreamU3V stream;
        if (const KyResult opened = stream.Open(KyString(kGuid), 0, 16, row.threshold, row.pending);
            opened.IsFailure()) {
            std::fprintf(stderr, "bench_u3v_stream: %s: cannot open the stream: %s\n", row.name,
                         opened.GetDescription().GetAscii());
            status = 1;
            continue;
        }
        uint32_t whole = 0;
        uint32_t lost = 0;
        Clock::duration took{};
        {
            KyPipeline pipeline(&stream);
            pipeline.SetBufferSize(width * height);
            (void)pipeline.SetBufferCount(8);
            (void)pipeline.Start();
            (void)params->ExecuteCommand("AcquisitionStart");
            const auto start = Clock::now();
            while (whole + lost < frames) {
                KyBuffer *buffer = nullptr;
                KyResult operation;
                if (const KyResult retrieved = pipeline.RetrieveNextBuffer(&buffer, 5000, &operation);
                    retrieved.IsFailure()) {
                    // A row cut short measures nothing: say so rather than print its rate.
                    std::fprintf(stderr, "bench_u3v_stream: %s: no frame after %u: %s\n", row.name,
                                 whole + lost, retrieved.GetDescription().GetAscii());
                    status = 1;
                    break;
                }
                (operation.IsOK() ? whole : lost) += 1;
                (void)pipeline.ReleaseBuffer(buffer);
            }
            took = Clock::now() - start;
            (void)params->ExecuteCommand("AcquisitionStop");
            (void)pipeline.Stop();
        }
        if (whole + lost < frames) {
            (void)stream.Close();
            continue;
        }
        const double seconds = std::chrono::duration<double>(took).count();
        const double rate = seconds > 0 ? whole / seconds : 0.0;
        std::printf("%-22s %10.1f %10.1f %8u %10lld\n", row.name, rate, rate * width * height / 1e6, lost,
                    static_cast<long long>(Integer(stream, "DirectTransfers")));
        (void)stream.Close();
    }
    (void)device.Disconnect();
    (void)ky::soft::SoftU3vDeclarations::Unplug(kGuid);
    return status;
}
