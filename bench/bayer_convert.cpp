// Bayer (8-bit) to BGR8 throughput: KyBufferConverter with each Bayer filter type next to
// OpenCV's cvtColor, on the same 2448 x 2048 image, single-threaded and with all threads (the
// methods alternate in slices, each figure the median of its slices); then
// the converter alone on wide sources (12-bit, packed, 16-bit mono).
//   bench_bayer_convert [--seconds S]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "ky/buffer/KyBuffer.h"
#include "CommandLine.h"
#include "ky/buffer/KyBufferConverter.h"

namespace {

constexpr uint32_t kWidth = 2448;
constexpr uint32_t kHeight = 2048;

// Megapixels per second of aRun, repeated for about aSeconds after a warm-up.
double Measure(const std::function<bool()> &aRun, double aSeconds)
{
    for (int i = 0; i < 3; ++i)
        if (!aRun())
            return -1.0;
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    uint64_t frames = 0;
    double elapsed = 0.0;
    do {
        if (!aRun())
            return -1.0;
        ++frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < aSeconds);
    return double(frames) * kWidth * kHeight / 1e6 / elapsed;
}

constexpr int kSlices = 7;

double Median(std::vector<double> aValues)
{
    std::sort(aValues.begin(), aValues.end());
    return aValues[aValues.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    double seconds = 1.0;
    ky::tools::CommandLine line(
        "bench_bayer_convert",
        "Usage: bench_bayer_convert [--seconds S]\n"
        "Bayer (8-bit) to BGR8 throughput of KyBufferConverter next to OpenCV's cvtColor.\n"
        "  --seconds S   time per figure, 0.01 to 600 (default 1)\n"
        "  -h, --help    show this help\n");
    line.Number("--seconds", seconds, 0.01, 600);
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    std::vector<uint8_t> raw(size_t(kWidth) * kHeight);
    std::mt19937 random(7);
    for (uint8_t &v : raw)
        v = static_cast<uint8_t>(random());

    KyBuffer source;
    if (!source.GetImage()->Attach(raw.data(), kWidth, kHeight, KyPixelBayerRG8).IsOK())
        return 1;
    KyBuffer destination;
    if (!destination.GetImage()->Alloc(kWidth, kHeight, KyPixelBGR8).IsOK())
        return 1;
    // OpenCV names a Bayer pattern by its second row's first two pixels: our RG is its BG.
    const cv::Mat cvSource(kHeight, kWidth, CV_8UC1, raw.data());
    cv::Mat cvDestination(kHeight, kWidth, CV_8UC3);

    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    std::printf("BayerRG8 %u x %u -> BGR8, megapixels per second (%u processors, OpenCV %s)\n", kWidth,
                kHeight, processors, CV_VERSION);
    std::printf("%-10s %12s %12s %12s\n", "threads", "ours simple", "ours 3x3", "OpenCV");
    for (unsigned threads : {1u, processors}) {
        KyBufferConverter converter(static_cast<int32_t>(threads));
        cv::setNumThreads(static_cast<int>(threads));
        const KyBayerFilterType filters[2] = {KyBayerFilterSimple, KyBayerFilter3X3};
        // The three take turns in short slices, and each figure is the median of its slices: on
        // a machine that other work shares, all three then see the same load.
        std::vector<double> rates[3];
        for (int slice = 0; slice < kSlices; ++slice) {
            for (int f = 0; f < 2; ++f) {
                (void)converter.SetBayerFilter(filters[f]);
                rates[f].push_back(
                    Measure([&] { return converter.Convert(&source, &destination, false, false).IsOK(); },
                            seconds / kSlices));
            }
            rates[2].push_back(Measure(
                [&] {
                    cv::cvtColor(cvSource, cvDestination, cv::COLOR_BayerBG2BGR);
                    return true;
                },
                seconds / kSlices));
        }
        std::printf("%-10u %12.0f %12.0f %12.0f\n", threads, Median(rates[0]), Median(rates[1]),
                    Median(rates[2]));
    }

    // Wide sources: their 8 high bits go through the same 8-bit code after a narrowing pass.
    std::vector<uint8_t> wide(size_t(kWidth) * kHeight * 2);
    for (uint8_t &v : wide)
        v = static_cast<uint8_t>(random());
    const struct
    {
        const char *name;
        KyPixelType from, to;
    } rows[] = {
        {"BayerRG12 -> BGR8", KyPixelBayerRG12, KyPixelBGR8},
        {"BayerRG12p -> BGR8", KyPixelBayerRG12p, KyPixelBGR8},
        {"BayerRG10Packed -> BGR8", KyPixelBayerRG10Packed, KyPixelBGR8},
        {"Mono16 -> Mono8", KyPixelMono16, KyPixelMono8},
    };
    std::printf("\nwide sources (3x3 for Bayer), megapixels per second\n%-24s %12s %12s\n", "conversion",
                "1 thread", "all threads");
    for (const auto &row : rows) {
        KyBuffer wideSource, wideDestination;
        if (!wideSource.GetImage()->Attach(wide.data(), kWidth, kHeight, row.from).IsOK() ||
            !wideDestination.GetImage()->Alloc(kWidth, kHeight, row.to).IsOK())
            return 1;
        double rates[2];
        const unsigned counts[2] = {1u, processors};
        for (int k = 0; k < 2; ++k) {
            KyBufferConverter converter(static_cast<int32_t>(counts[k]));
            rates[k] =
                Measure([&] { return converter.Convert(&wideSource, &wideDestination, false, false).IsOK(); },
                        seconds);
        }
        std::printf("%-24s %12.0f %12.0f\n", row.name, rates[0], rates[1]);
    }
    return 0;
}
