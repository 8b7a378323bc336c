// aravis's fake GigE Vision camera (arv-fake-gv-camera-0.8) to our KyStreamGEV and KyPipeline,
// at 2448x2048 Mono8 with packet sizes 1500 and 9000: frames/s, MB/s of payload, CPU of the
// camera process and of ours, lost frames (block ids that never came whole). The camera draws
// each frame in software, so it sets the pace. Run it inside scripts/netns-run.
//
//   bench_stream_arv [--seconds S] [--fps F]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "BenchCpu.h"
#include "CommandLine.h"
#include "ky/apputils/KyAcquisitionStateManager.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyStreamGEV.h"
#include "SpawnedProcess.h"

using Clock = std::chrono::steady_clock;
using namespace ky::bench;

namespace {

const char *const kCameraIP = "127.0.0.1";
constexpr uint32_t kWidth = 2448, kHeight = 2048, kSize = kWidth * kHeight;

struct Row
{
    uint64_t whole = 0, failed = 0, lost = 0;
    double seconds = 0, cameraCpu = 0, receiverCpu = 0;
};

KyDevice *Connect()
{
    for (int i = 0; i < 50; ++i) {
        if (KyDevice *device = KyDevice::CreateAndConnect(KyString(kCameraIP)))
            return device;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

Row Run(pid_t camera, uint32_t packetSize, double seconds)
{
    Row row;
    KyDevice *device = Connect();
    auto *gev = dynamic_cast<KyDeviceGEV *>(device);
    if (gev == nullptr) {
        KyDevice::Free(device);
        return row;
    }
    {
        KyStreamGEV stream;
        KyResult setup = stream.Open(KyString(kCameraIP));
        if (setup.IsOK())
            setup = gev->SetPacketSize(packetSize);
        if (setup.IsOK())
            setup = gev->SetStreamDestination(stream.GetLocalIPAddress(), stream.GetLocalPort());
        KyPipeline pipeline(&stream);
        pipeline.SetBufferSize(kSize);
        if (setup.IsOK())
            setup = pipeline.SetBufferCount(16);
        if (setup.IsOK())
            setup = pipeline.Start();
        if (setup.IsFailure())
            std::fprintf(stderr, "bench_stream_arv: packet size %u: %s\n", packetSize,
                         setup.GetDescription().GetAscii());
        KyAcquisitionStateManager manager(device, &stream);
        if (setup.IsOK() && manager.Start().IsOK()) {
            const uint64_t ours0 = ProcessCpuNs(), camera0 = OtherProcessCpuNs(camera);
            const Clock::time_point start = Clock::now();
            uint64_t first = 0, last = 0;
            while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
                KyBuffer *buffer = nullptr;
                KyResult operation;
                if (pipeline.RetrieveNextBuffer(&buffer, 1000, &operation).IsFailure())
                    continue;
                if (operation.IsOK()) {
                    ++row.whole;
                    first = first ? first : buffer->GetBlockID();
                    last = buffer->GetBlockID();
                } else {
                    ++row.failed;
                }
                (void)pipeline.ReleaseBuffer(buffer);  // the pipeline lent it: it takes it back
            }
            row.seconds = std::chrono::duration<double>(Clock::now() - start).count();
            row.receiverCpu = (ProcessCpuNs() - ours0) / 1e9 / row.seconds * 100.0;
            row.cameraCpu = (OtherProcessCpuNs(camera) - camera0) / 1e9 / row.seconds * 100.0;
            // 16-bit block ids skip 0 when they wrap.
            const uint64_t span = last >= first ? last - first + 1 : last + 0xFFFF - first + 1;
            row.lost = row.whole ? span - row.whole : 0;
            (void)manager.Stop();  // the figures are taken; the camera is closed below either way
        }
        (void)pipeline.Stop();  // refused only when it never started
    }
    KyDevice::Free(device);
    return row;
}

}  // namespace

int main(int argc, char **argv)
{
    double seconds = 3, fps = 200;
    ky::tools::CommandLine line(
        "bench_stream_arv",
        "Usage: bench_stream_arv [--seconds S] [--fps F]\n"
        "aravis's fake camera to our KyStreamGEV and KyPipeline over loopback (run it inside\n"
        "scripts/netns-run).\n"
        "  --seconds S   time per row, 0.1 to 3600 (default 3)\n"
        "  --fps F       frame rate asked of the fake camera, 1 to 10000 (default 200)\n"
        "  -h, --help    show this help\n");
    line.Number("--seconds", seconds, 0.1, 3600);
    line.Number("--fps", fps, 1, 10000);
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    RequirePrivateNetwork(argv[0]);
    SpawnedProcess camera{{"arv-fake-gv-camera-0.8", "-i", kCameraIP}};
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // The fake camera's sensor is made as wide as ours, then the image and rate set.
    const std::string setup = "arv-tool-0.8 -a " + std::string(kCameraIP) +
                              " control 'R[0x11c]=2448' Width=2448 " +
                              "Height=2048 AcquisitionFrameRate=" + std::to_string(fps) + " > /dev/null";
    if (std::system(setup.c_str()) != 0) {
        std::fprintf(stderr, "arv-tool-0.8 could not set the fake camera up\n");
        return 1;
    }
    std::printf(
        "arv-fake-gv-camera-0.8 -> KyStreamGEV + KyPipeline over loopback, %ux%u Mono8, %.0f frames/s asked, "
        "%.1f s per row\n",
        kWidth, kHeight, fps, seconds);
    std::printf("%6s %9s %9s %11s %12s %6s %7s\n", "packet", "frames/s", "MB/s", "camera CPU", "receiver CPU",
                "lost", "failed");
    for (uint32_t packetSize : {1500u, 9000u}) {
        const Row r = Run(camera.Pid(), packetSize, seconds);
        const double s = r.seconds > 0 ? r.seconds : 1;
        std::printf("%6u %9.1f %9.1f %10.1f%% %11.1f%% %6llu %7llu\n", packetSize, r.whole / s,
                    double(r.whole) * kSize / s / 1e6, r.cameraCpu, r.receiverCpu,
                    static_cast<unsigned long long>(r.lost), static_cast<unsigned long long>(r.failed));
    }
    return 0;
}
