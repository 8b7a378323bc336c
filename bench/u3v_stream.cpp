// A soft USB3 Vision camera (free-running test pattern) to KyStreamU3V and KyPipeline over the
// simulated link, through the receiver's read paths side by side: images copied out of the
// stream's transfer buffer (a small-image threshold above the image) or read straight into the
// queued buffers, with the payload asked for in 64, 8 or 1 transfers. Per row: frames/s, MB/s of
// payload, frames not retrieved whole, and the transfers read straight into buffers. No socket is
// opened (simulated USB is in-process).
//
//   bench_u3v_stream [--frames N] [--width W] [--height H]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
    for (int i = 1; i + 1 < argc; i += 2) {
        const uint32_t value = static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
        if (std::strcmp(argv[i], "--frames") == 0)
            frames = value;
        else if (std::strcmp(argv[i], "--width") == 0)
            width = value;
        else if (std::strcmp(argv[i], "--height") == 0)
            height = value;
    }
    ky::soft::SoftU3vSettings settings;
    settings.guid = kGuid;
    settings.width = width;
    settings.height = height;
    settings.frameRate = 0.0;  // as fast as the pattern is drawn
    if (ky::soft::SoftU3vDeclarations::Plug(settings).IsFailure()) {
        std::fprintf(stderr, "cannot plug the soft camera\n");
        return 1;
    }
    KyDeviceU3V device;
    if (device.Connect(KyString(kGuid)).IsFailure()) {
        std::fprintf(stderr, "cannot connect the soft camera\n");
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
    for (const Row &row : rows) {
        KyStreamU3V stream;
        if (stream.Open(KyString(kGuid), 0, 16, row.threshold, row.pending).IsFailure()) {
            std::fprintf(stderr, "%s: cannot open the stream\n", row.name);
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
                if (pipeline.RetrieveNextBuffer(&buffer, 5000, &operation).IsFailure())
                    break;
                (operation.IsOK() ? whole : lost) += 1;
                (void)pipeline.ReleaseBuffer(buffer);
            }
            took = Clock::now() - start;
            (void)params->ExecuteCommand("AcquisitionStop");
            (void)pipeline.Stop();
        }
        const double seconds = std::chrono::duration<double>(took).count();
        const double rate = seconds > 0 ? whole / seconds : 0.0;
        std::printf("%-22s %10.1f %10.1f %8u %10lld\n", row.name, rate, rate * width * height / 1e6, lost,
                    static_cast<long long>(Integer(stream, "DirectTransfers")));
        (void)stream.Close();
    }
    (void)device.Disconnect();
    (void)ky::soft::SoftU3vDeclarations::Unplug(kGuid);
    return 0;
}
