// Our receiver for the side-by-side benchmark (bench/sidebyside.py): connects to the camera at
// 127.0.0.1 (or --camera) the way kydemo does (KyDeviceGEV, KyStreamGEV, KyPipeline), reading the stream
// through the path asked for (the stream's PacketRing parameter: "ring" wherever the process may
// open one, loopback included; "socket" the UDP socket; "default" the stream's own choice), skips
// a few warm-up frames, then takes a bounded number of frames within a bounded time and prints
// one line:
//   result frames=N incomplete=N lost=N seconds=S receiver_cpu=S sender_cpu=S ring_bytes=N
// CPU figures are seconds of user and system time over the receive window, ours from this
// process and the sender's from /proc/<pid>/stat; ring_bytes is the size of the packet ring the
// stream was read through (0: its UDP socket). Run inside scripts/netns-run.
//
//   bench_sidebyside_receiver --packet-size P --frames N --seconds S --sender-pid PID --path P
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "BenchCpu.h"
#include "CommandLine.h"
#include "ky/apputils/KyAcquisitionStateManager.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyStreamGEV.h"

using Clock = std::chrono::steady_clock;
using namespace ky::bench;

namespace {

constexpr int kWarmUpFrames = 20;

struct DeviceRelease
{
    void operator()(KyDevice *device) const { KyDevice::Free(device); }
};

bool Ok(const KyResult &result, const char *what)
{
    if (!result.IsOK())
        std::fprintf(stderr, "receiver: %s failed: %s %s\n", what, result.GetCodeString().GetAscii(),
                     result.GetDescription().GetAscii());
    return result.IsOK();
}

}  // namespace

int main(int argc, char **argv)
{
    uint32_t packetSize = 9000;
    uint64_t frames = 500;
    double seconds = 10;
    pid_t sender = 0;
    int64_t packetRing = -1;  // -1: the stream's own choice
    std::string camera = "127.0.0.1";
    ky::tools::CommandLine line(
        "bench_sidebyside_receiver",
        "Usage: bench_sidebyside_receiver [--packet-size P] [--frames N] [--seconds S]\n"
        "                                 [--sender-pid PID] [--path default|ring|socket]\n"
        "                                 [--camera ADDRESS]\n"
        "Our receiver for bench/sidebyside.py: takes frames from the camera (at 127.0.0.1 unless\n"
        "told) and prints one result line (run it inside scripts/netns-run).\n"
        "  --packet-size P   GVSP packet size, 576 to 16384 (default 9000)\n"
        "  --frames N        frames to take, 1 to 1000000 (default 500)\n"
        "  --seconds S       at most this long, 0.1 to 3600 (default 10)\n"
        "  --sender-pid PID  process whose CPU time is the sender's (default: none)\n"
        "  --path P          how the stream is read: ring (a packet ring; without CAP_NET_RAW\n"
        "                    the socket serves), socket (its UDP socket) or default (the\n"
        "                    stream's own choice; the default)\n"
        "  --camera ADDRESS  the camera's IPv4 address (default 127.0.0.1)\n"
        "  -h, --help        show this help\n");
    line.Whole("--packet-size", packetSize, 576u, 16384u);
    line.Whole<uint64_t>("--frames", frames, 1, 1000000);
    line.Number("--seconds", seconds, 0.1, 3600);
    line.Whole("--sender-pid", sender, 0);
    line.Value("--camera", [&camera](const std::string &address) {
        in_addr parsed{};
        if (inet_pton(AF_INET, address.c_str(), &parsed) != 1)
            return std::string("takes an IPv4 address");
        camera = address;
        return std::string();
    });
    line.Value("--path", [&packetRing](const std::string &path) {
        // The stream's PacketRing parameter: 0 never, 2 wherever it can; -1 leaves it as it is.
        if (path == "ring")
            packetRing = 2;
        else if (path == "socket")
            packetRing = 0;
        else if (path == "default")
            packetRing = -1;
        else
            return std::string("takes default, ring or socket");
        return std::string();
    });
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    RequirePrivateNetwork(argv[0]);

    KyResult result;
    std::unique_ptr<KyDevice, DeviceRelease> device(KyDevice::CreateAndConnect(KyString(camera), &result));
    auto *gev = dynamic_cast<KyDeviceGEV *>(device.get());
    if (!Ok(result, "connect") || gev == nullptr)
        return 1;
    KyStreamGEV stream;
    if (packetRing >= 0 &&
        !Ok(stream.GetParameters()->SetIntegerValue(KyString("PacketRing"), packetRing), "receive path"))
        return 1;
    if (!Ok(stream.Open(KyString(camera)), "stream open") ||
        !Ok(gev->SetPacketSize(packetSize), "packet size") ||
        !Ok(gev->SetStreamDestination(stream.GetLocalIPAddress(), stream.GetLocalPort()),
            "stream destination"))
        return 1;
    KyPipeline pipeline(&stream);
    pipeline.SetBufferSize(device->GetPayloadSize());
    if (!Ok(pipeline.SetBufferCount(16), "buffers") || !Ok(pipeline.Start(), "pipeline start"))
        return 1;
    KyAcquisitionStateManager manager(device.get(), &stream);
    if (!Ok(manager.Start(), "acquisition start"))
        return 1;

    uint64_t whole = 0, incomplete = 0, first = 0, last = 0, ours0 = 0, sender0 = 0;
    int warmUp = kWarmUpFrames;
    Clock::time_point start = Clock::now();
    const Clock::time_point deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (whole + incomplete < frames && Clock::now() < deadline) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        if (pipeline.RetrieveNextBuffer(&buffer, 1000, &operation).IsFailure())
            continue;
        if (warmUp > 0) {
            // The window opens once the stream runs steadily.
            if (--warmUp == 0) {
                start = Clock::now();
                ours0 = ProcessCpuNs();
                sender0 = sender ? OtherProcessCpuNs(sender) : 0;
            }
        } else {
            (operation.IsOK() ? whole : incomplete)++;
            first = first ? first : buffer->GetBlockID();
            last = buffer->GetBlockID();
        }
        (void)pipeline.ReleaseBuffer(buffer);  // the pipeline lent it: it takes it back
    }
    const double window = std::chrono::duration<double>(Clock::now() - start).count();
    const double oursCpu = warmUp > 0 ? 0 : (ProcessCpuNs() - ours0) / 1e9;
    const double senderCpu = warmUp > 0 || !sender ? 0 : (OtherProcessCpuNs(sender) - sender0) / 1e9;
    int64_t ringBytes = 0;
    (void)stream.GetParameters()->GetIntegerValue(KyString("PacketRingBytes"),
                                                  ringBytes);  // the stream's own feature: always there
    (void)manager.Stop();   // the figures are taken; the device is closed next either way
    (void)pipeline.Stop();  // refused only when it never started
    // 16-bit block ids skip 0 when they wrap.
    const uint64_t span = last >= first ? last - first + 1 : last + 0xFFFF - first + 1;
    const uint64_t received = whole + incomplete;
    std::printf("result frames=%llu incomplete=%llu lost=%llu seconds=%.4f receiver_cpu=%.4f sender_cpu=%.4f "
                "ring_bytes=%lld\n",
                static_cast<unsigned long long>(whole), static_cast<unsigned long long>(incomplete),
                static_cast<unsigned long long>(received && span > received ? span - received : 0), window,
                oursCpu, senderCpu, static_cast<long long>(ringBytes));
    return 0;
}
