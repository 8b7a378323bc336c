// The camera control library's grab paths against softcam, in one run: the copy of one
// 2448x2048 Mono8 frame by ST_GrabImage next to a plain memcpy of the same size; frames per
// second through ST_GrabImage and through the grab callback with softcam at 10 GigE line rate
// (frames lost: block IDs that went by without reaching the application); and a camera event
// burst (ExposureEnd of every frame at 1000 frames/s) counted for arrival and order. Run it
// inside a private network namespace:
//
//   scripts/netns-run build/bin/bench_camctrl_grab [--seconds S] [--fps F] [--event-seconds S]
//
// Prints figures; asserts nothing.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchCpu.h"
#include "CommandLine.h"
#include "SpawnedProcess.h"
#include "ky/camctrl/bnkCamCtrl.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kWidth = 2448, kHeight = 2048, kSize = kWidth * kHeight;
constexpr double kLineRate = 1.19e9;  // bytes of payload per second on 10 GigE

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A softcam of the run's own; the camera's handle once discovery found it, or -1.
struct Camera
{
    std::unique_ptr<SpawnedProcess> process;
    int handle = -1;
};

Camera Open(const std::vector<std::string> &options, const std::string &serial)
{
    Camera camera;
    std::vector<std::string> argv{SOFTCAM_PATH, "--serial", serial};
    argv.insert(argv.end(), options.begin(), options.end());
    camera.process = std::make_unique<SpawnedProcess>(argv);
    const std::string id = "_SN_" + serial;
    for (int round = 0; round < 20 && camera.handle < 0; ++round) {
        unsigned int count = 0;
        if (ST_UpdateDevice() == 0 && ST_GetAvailableCameraNum(&count) == 0) {
            for (unsigned int i = 0; i < count && camera.handle < 0; ++i) {
                char text[257] = {};
                unsigned int length = 256;
                if (ST_GetEnumDeviceID(i, text, &length) == 0 &&
                    std::string(text).find(id) != std::string::npos &&
                    ST_OpenDevice(i, &camera.handle, false) != 0)
                    camera.handle = -1;
            }
        }
        if (camera.handle < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return camera;
}

// ST_GrabImage's cost per frame on frames that were already waiting (the copy and the call), next
// to memcpy of the same bytes; both in GB/s.
void CopyRate(int handle, double seconds)
{
    bnkBuffer image{};
    if (ST_InitBuffer(handle, &image, 0) != 0 || ST_AcqStart(handle) != 0) {
        std::printf("copy: the camera did not start\n");
        return;
    }
    // The memcpy runs in turn with the grabs, under the same load (softcam and the receiver
    // running): one frame's size into one record, from 16 sources in turn as the grab takes them
    // from the pipeline's 16 buffers, so that, as there, the source is not in the cache (each
    // source written first, so that all are backed by memory).
    std::vector<std::vector<uint8_t>> from(16, std::vector<uint8_t>(kSize, 1));
    std::vector<uint8_t> to(kSize, 0);
    double grabSeconds = 0, copySeconds = 0;
    uint64_t grabBytes = 0, grabs = 0, copies = 0;
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        unsigned int available = 0;
        if (ST_GetImageAvailable(handle, &available) != 0 || available == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        auto start = Clock::now();
        const int result = ST_GrabImage(handle, &image);
        const auto took = Clock::now() - start;
        if (result != 0)
            continue;
        grabSeconds += Seconds(took);
        grabBytes += image.imageSize;
        ++grabs;
        std::vector<uint8_t> &source = from[copies % from.size()];
        source[copies % kSize] = static_cast<uint8_t>(copies);
        start = Clock::now();
        std::memcpy(to.data(), source.data(), kSize);
        copySeconds += Seconds(Clock::now() - start);
        ++copies;
    }
    (void)ST_AcqStop(handle);
    (void)ST_FreeBuffer(&image);
    volatile uint8_t keep = to[copies % kSize];
    (void)keep;
    const double grabRate = grabSeconds > 0 ? grabBytes / grabSeconds / 1e9 : 0;
    const double copyRate = copySeconds > 0 ? copies * double(kSize) / copySeconds / 1e9 : 0;
    std::printf("%-34s %10s %10s %8s\n", "copy of one 2448x2048 Mono8 frame", "GB/s", "ms/frame", "frames");
    std::printf("%-34s %10.2f %10.3f %8llu\n", "ST_GrabImage (frame waiting)", grabRate,
                grabs ? grabSeconds * 1e3 / grabs : 0.0, static_cast<unsigned long long>(grabs));
    std::printf("%-34s %10.2f %10.3f %8llu\n", "memcpy (16 sources in turn)", copyRate,
                copies ? copySeconds * 1e3 / copies : 0.0, static_cast<unsigned long long>(copies));
    std::printf("%-34s %10.2f\n\n", "ST_GrabImage / memcpy", copyRate > 0 ? grabRate / copyRate : 0.0);
}

struct Counted
{
    uint64_t frames = 0, lost = 0, first = 0, last = 0;
    void Add(uint64_t block)
    {
        if (frames == 0)
            first = block;
        else if (block > last + 1)
            lost += block - last - 1;
        last = block;
        ++frames;
    }
};

void PrintRow(const char *name, const Counted &c, double seconds, uint64_t errors, double cpuPercent)
{
    const double sent = c.frames ? double(c.last - c.first + 1) / seconds : 0;
    std::printf("%-34s %10.1f %10.1f %8llu %8llu %10.1f %8.0f\n", name, c.frames / seconds,
                c.frames * double(kSize) / seconds / 1e6, static_cast<unsigned long long>(c.lost),
                static_cast<unsigned long long>(errors), sent, cpuPercent);
}

uint64_t Errors(int handle)
{
    uint64_t blocks = 0, errors = 0;
    return ST_GetGrabCount(handle, &blocks, &errors) == 0 ? errors : 0;
}

void PollingRate(int handle, double seconds)
{
    bnkBuffer image{};
    if (ST_InitBuffer(handle, &image, 0) != 0 || ST_AcqStart(handle) != 0)
        return;
    for (int i = 0; i < 20; ++i)  // warm-up
        (void)ST_GrabImage(handle, &image);
    Counted counted;
    const uint64_t cpu = ky::bench::ProcessCpuNs();
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::duration<double>(seconds))
        if (ST_GrabImage(handle, &image) == 0)
            counted.Add(image.blockId);
    const double took = Seconds(Clock::now() - start);
    const double cpuPercent = (ky::bench::ProcessCpuNs() - cpu) / 1e7 / took;
    const uint64_t errors = Errors(handle);
    (void)ST_AcqStop(handle);
    (void)ST_FreeBuffer(&image);
    PrintRow("ST_GrabImage (copy into the record)", counted, took, errors, cpuPercent);
}

struct CallbackCount
{
    std::mutex mutex;
    Counted counted;
    bool counting = false;
};

void CallbackRate(int handle, double seconds)
{
    CallbackCount count;
    auto onImage = [](int, const bnkBuffer *image, void *user) {
        auto *c = static_cast<CallbackCount *>(user);
        std::lock_guard<std::mutex> lock(c->mutex);
        if (c->counting)
            c->counted.Add(image->blockId);
    };
    if (ST_RegisterGrabCallback(handle, GrabNewImage, onImage, &count) != 0 || ST_AcqStart(handle) != 0)
        return;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // warm-up
    const uint64_t cpu = ky::bench::ProcessCpuNs();
    const auto start = Clock::now();
    {
        std::lock_guard<std::mutex> lock(count.mutex);
        count.counting = true;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    Counted counted;
    {
        std::lock_guard<std::mutex> lock(count.mutex);
        count.counting = false;
        counted = count.counted;
    }
    const double took = Seconds(Clock::now() - start);
    const double cpuPercent = (ky::bench::ProcessCpuNs() - cpu) / 1e7 / took;
    const uint64_t errors = Errors(handle);
    (void)ST_AcqStop(handle);
    (void)ST_UnregisterGrabCallback(handle, GrabNewImage);
    PrintRow("grab callback (no copy)", counted, took, errors, cpuPercent);
}

struct EventCount
{
    std::mutex mutex;
    uint64_t events = 0, outOfOrder = 0, gaps = 0, lastBlock = 0, lastTimestamp = 0;
};

void EventBurst(int handle, double seconds)
{
    EventCount count;
    auto onEvent = [](const bnkEvent *event, void *user) {
        auto *c = static_cast<EventCount *>(user);
        uint64_t block = 0;
        const auto *data = static_cast<const uint8_t *>(event->eventData);
        for (uint32_t i = 0; data && i < 8 && i < event->eventDataLength; ++i)
            block = (block << 8) | data[i];
        std::lock_guard<std::mutex> lock(c->mutex);
        if (c->events > 0) {
            if (block <= c->lastBlock || event->timestamp <= c->lastTimestamp)
                ++c->outOfOrder;
            else if (block > c->lastBlock + 1)
                c->gaps += block - c->lastBlock - 1;
        }
        c->lastBlock = block;
        c->lastTimestamp = event->timestamp;
        ++c->events;
    };
    if (ST_RegisterEventCallback(handle, EventExposureEnd, onEvent, &count) != 0 ||
        ST_AcqStart(handle) != 0) {
        std::printf("events: the camera did not start\n");
        return;
    }
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    (void)ST_AcqStop(handle);
    const double took = Seconds(Clock::now() - start);
    // What the camera sent before it stopped is still on its way for a moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    uint64_t frames = 0, errors = 0;
    (void)ST_GetGrabCount(handle, &frames, &errors);
    (void)ST_UnregisterEventCallback(handle, EventExposureEnd);
    std::lock_guard<std::mutex> lock(count.mutex);
    std::printf("%-34s %10s %10s %8s %8s %10s\n", "ExposureEnd events, 64x16 frames", "events", "events/s",
                "missing", "order", "frames");
    std::printf("%-34s %10llu %10.1f %8llu %8llu %10llu\n", "event callback",
                static_cast<unsigned long long>(count.events), count.events / took,
                static_cast<unsigned long long>(count.gaps),
                static_cast<unsigned long long>(count.outOfOrder), static_cast<unsigned long long>(frames));
    std::printf("(missing: frames between two events that had none; order: events out of order;\n"
                " frames: whole frames the stream took meanwhile)\n");
}

}  // namespace

int main(int argc, char **argv)
{
    double seconds = 5, fps = kLineRate / kSize, eventSeconds = 10;
    ky::tools::CommandLine line(
        "bench_camctrl_grab",
        "Usage: bench_camctrl_grab [--seconds S] [--fps F] [--event-seconds S]\n"
        "softcam to the camera control library (libbnkCamCtrl): ST_GrabImage's copy next to\n"
        "memcpy, frames/s through ST_GrabImage and through the grab callback, and a camera event\n"
        "burst (run it inside scripts/netns-run).\n"
        "  --seconds S         time per grab row, 0.5 to 600 (default 5)\n"
        "  --fps F             frame rate asked of softcam, 1 to 1000 (default 237.4: 10 GigE)\n"
        "  --event-seconds S   length of the event burst at 1000 events/s, 0.5 to 600 (default 10)\n"
        "  -h, --help          show this help\n");
    line.Number("--seconds", seconds, 0.5, 600);
    line.Number("--fps", fps, 1, 1000);
    line.Number("--event-seconds", eventSeconds, 0.5, 600);
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    ky::bench::RequirePrivateNetwork(argv[0]);
    if (ST_InitSystem() != 0)
        return 1;

    char rate[32];
    std::snprintf(rate, sizeof rate, "%.1f", fps);
    {
        Camera camera =
            Open({"--width", std::to_string(kWidth), "--height", std::to_string(kHeight), "--fps", rate},
                 "BENCH0001");
        if (camera.handle < 0) {
            std::fprintf(stderr, "softcam was not found\n");
            ST_FreeSystem();
            return 1;
        }
        std::printf("softcam %ux%u Mono8 at %s frames/s (%.2f GB/s) -> libbnkCamCtrl over loopback\n\n",
                    kWidth, kHeight, rate, fps * kSize / 1e9);
        CopyRate(camera.handle, std::min(seconds, 3.0));
        std::printf("%-34s %10s %10s %8s %8s %10s %8s\n", "2448x2048 Mono8 frames", "frames/s", "MB/s",
                    "lost", "failed", "sent/s", "CPU %");
        PollingRate(camera.handle, seconds);
        CallbackRate(camera.handle, seconds);
        std::printf("(lost: block IDs that went by without reaching the application; failed: blocks the\n"
                    " stream took incomplete; sent/s: the rate softcam reached; CPU: this process)\n\n");
        (void)ST_CloseDevice(camera.handle);
    }
    {
        Camera camera = Open({"--width", "64", "--height", "16", "--fps", "1000"}, "BENCH0002");
        if (camera.handle < 0) {
            std::fprintf(stderr, "softcam was not found\n");
            ST_FreeSystem();
            return 1;
        }
        EventBurst(camera.handle, eventSeconds);
        (void)ST_CloseDevice(camera.handle);
    }
    ST_FreeSystem();
    return 0;
}
