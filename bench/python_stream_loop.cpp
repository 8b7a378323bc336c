// The C++ half of bench/python_stream.py: the same receive loop as its Python half, written
// against the SDK directly. Connects to the camera at 127.0.0.1 (softcam), opens a KyStream by
// address, queues buffers, starts the camera through its acquisition register, skips a few
// warm-up frames, then retrieves a bounded number of frames within a bounded time; each frame's
// pixels are reached as the image's memory (first and last byte read) and the buffer is queued
// again. Prints one line:
//   result frames=N incomplete=N seconds=S cpu=S
// cpu is this process's user and system time over the window (the receive thread included).
// Run inside scripts/netns-run.
//
//   bench_python_stream_loop --frames N --seconds S --buffers B
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "BenchCpu.h"
#include "CommandLine.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/stream/KyStreamGEV.h"

using Clock = std::chrono::steady_clock;
using namespace ky::bench;

namespace {

const char *const kCameraIP = "127.0.0.1";
constexpr int kWarmUpFrames = 20;
// softcam's stream features of channel 0: a non-zero write starts or stops streaming.
constexpr int64_t kAcquisitionStart = 0x3FFF101C;
constexpr int64_t kAcquisitionStop = 0x3FFF1020;

struct DeviceRelease
{
    void operator()(KyDevice *device) const { KyDevice::Free(device); }
};

struct StreamRelease
{
    void operator()(KyStream *stream) const { KyStream::Free(stream); }
};

bool Ok(const KyResult &result, const char *what)
{
    if (!result.IsOK())
        std::fprintf(stderr, "loop: %s failed: %s %s\n", what, result.GetCodeString().GetAscii(),
                     result.GetDescription().GetAscii());
    return result.IsOK();
}

}  // namespace

int main(int argc, char **argv)
{
    uint64_t frames = 300;
    double seconds = 10;
    uint32_t bufferCount = 16;
    ky::tools::CommandLine line(
        "bench_python_stream_loop",
        "Usage: bench_python_stream_loop [--frames N] [--seconds S] [--buffers B]\n"
        "The C++ receive loop of bench/python_stream.py: takes frames from the camera at 127.0.0.1\n"
        "and prints one result line (run it inside scripts/netns-run).\n"
        "  --frames N    frames to take, 1 to 1000000 (default 300)\n"
        "  --seconds S   at most this long, 0.1 to 3600 (default 10)\n"
        "  --buffers B   buffers queued on the stream, 2 to 64 (default 16)\n"
        "  -h, --help    show this help\n");
    line.Whole<uint64_t>("--frames", frames, 1, 1000000);
    line.Number("--seconds", seconds, 0.1, 3600);
    line.Whole("--buffers", bufferCount, 2u, 64u);
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    RequirePrivateNetwork(argv[0]);

    KyResult result;
    std::unique_ptr<KyDevice, DeviceRelease> device(KyDevice::CreateAndConnect(KyString(kCameraIP), &result));
    auto *gev = dynamic_cast<KyDeviceGEV *>(device.get());
    if (!Ok(result, "connect") || gev == nullptr)
        return 1;
    std::unique_ptr<KyStream, StreamRelease> stream(KyStream::CreateAndOpen(KyString(kCameraIP), &result));
    auto *gevStream = dynamic_cast<KyStreamGEV *>(stream.get());
    if (!Ok(result, "stream open") || gevStream == nullptr)
        return 1;
    std::vector<std::unique_ptr<KyBuffer>> buffers;
    for (uint32_t i = 0; i < bufferCount; ++i) {
        buffers.push_back(std::make_unique<KyBuffer>(KyPayloadTypeImage));
        if (!Ok(buffers.back()->Alloc(device->GetPayloadSize()), "buffer") ||
            stream->QueueBuffer(buffers.back().get()).GetCode() != KY_PENDING)
            return 1;
    }
    if (!Ok(gev->SetStreamDestination(gevStream->GetLocalIPAddress(), gevStream->GetLocalPort()),
            "stream destination") ||
        !Ok(gev->WriteRegister(kAcquisitionStart, 1), "acquisition start"))
        return 1;

    uint64_t whole = 0, incomplete = 0, cpu0 = 0, touched = 0;
    int warmUp = kWarmUpFrames;
    Clock::time_point start = Clock::now();
    const Clock::time_point deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds + 5));
    while (whole + incomplete < frames && Clock::now() < deadline) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        if (stream->RetrieveBuffer(&buffer, &operation, 1000).IsFailure() || buffer == nullptr)
            continue;
        const KyImage *image = buffer->GetImage();
        const uint8_t *pixels = image->GetDataPointer();
        const uint32_t size = image->GetImageSize();
        if (pixels != nullptr && size > 0)
            touched += pixels[0] + pixels[size - 1];
        if (warmUp > 0) {
            if (--warmUp == 0) {
                start = Clock::now();
                cpu0 = ProcessCpuNs();
            }
        } else {
            (operation.IsOK() ? whole : incomplete)++;
            if (std::chrono::duration<double>(Clock::now() - start).count() > seconds)
                break;
        }
        (void)stream->QueueBuffer(buffer);
    }
    const double window = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = warmUp > 0 ? 0 : (ProcessCpuNs() - cpu0) / 1e9;
    (void)gev->WriteRegister(kAcquisitionStop, 1);  // the figures are taken
    (void)stream->AbortQueuedBuffers();
    for (uint32_t left = stream->GetQueuedBufferCount(); left > 0; left = stream->GetQueuedBufferCount()) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        if (stream->RetrieveBuffer(&buffer, &operation, 1000).IsFailure())
            break;
    }
    std::printf("result frames=%llu incomplete=%llu seconds=%.4f cpu=%.4f touched=%llu\n",
                static_cast<unsigned long long>(whole), static_cast<unsigned long long>(incomplete), window,
                cpu, static_cast<unsigned long long>(touched));
    return 0;
}
