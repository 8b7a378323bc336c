// Lossless image compression, side by side: the SDK's compression filters (KyEncodingPTC1: line
// deltas and zstd in stripes), plain zstd over the raw pixel bytes, and PNG (libpng), on softcam's
// test pattern and on synthetic natural-looking images. Prints, per image and method, the
// compression ratio (raw bytes / compressed bytes) and the rates in megabytes of raw image per
// second: compression on one thread, decompression on one thread and on all threads (only our
// decompressor has threads), each the median of three slices in which all figures take turns.
// Every compressed form is checked to decompress to the same bytes.
//   bench_compression [--seconds S]
#include <png.h>
#include <zstd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CommandLine.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyCompressionFilter.h"
#include "ky/buffer/KyDecompressionFilter.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

namespace {

constexpr uint32_t kWidth = 2448;
constexpr uint32_t kHeight = 2048;

// Megabytes of raw image per second of aRun, repeated for about aSeconds after a warm-up; -1
// when a run fails.
double Measure(const std::function<bool()> &aRun, double aBytes, double aSeconds)
{
    if (!aRun())
        return -1.0;
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    uint64_t runs = 0;
    double elapsed = 0.0;
    do {
        if (!aRun())
            return -1.0;
        ++runs;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < aSeconds);
    return double(runs) * aBytes / 1e6 / elapsed;
}

// Smooth shading, a few hard-edged shapes and sensor-like noise, the same for every run.
void FillNatural(KyBuffer &aBuffer, KyPixelType aType, uint32_t aChannels, uint32_t aMax)
{
    (void)aBuffer.GetImage()->Alloc(kWidth, kHeight, aType);
    std::mt19937 random(2024);
    std::normal_distribution<double> noise(0.0, aMax / 200.0);
    uint8_t *bytes = aBuffer.GetDataPointer();
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            const double shade =
                0.45 + 0.25 * std::sin(x / 310.0) * std::cos(y / 270.0) + 0.15 * (double(y) / kHeight);
            const double dx = double(x) - 900.0, dy = double(y) - 1100.0;
            const bool disc = dx * dx + dy * dy < 420.0 * 420.0;
            const bool bar = x > 1700 && x < 2100 && y > 300 && y < 1800;
            for (uint32_t c = 0; c < aChannels; ++c) {
                double v = shade * (0.8 + 0.2 * c) + (disc ? 0.25 : 0.0) - (bar ? 0.3 : 0.0);
                v = v * aMax + noise(random);
                const uint32_t value = static_cast<uint32_t>(std::fmin(std::fmax(v, 0.0), double(aMax)));
                const size_t at = (size_t(y) * kWidth + x) * aChannels + c;
                if (aMax > 255) {
                    bytes[2 * at] = static_cast<uint8_t>(value);
                    bytes[2 * at + 1] = static_cast<uint8_t>(value >> 8);
                } else {
                    bytes[at] = static_cast<uint8_t>(value);
                }
            }
        }
    }
}

// PNG in memory.
struct PngShape
{
    int colorType;
    int bitDepth;
    uint32_t lineBytes;
    bool bgr;
};

void PngWrite(png_structp aPng, png_bytep aData, png_size_t aLength)
{
    auto *out = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(aPng));
    out->insert(out->end(), aData, aData + aLength);
}

void PngFlush(png_structp) { }

bool PngEncode(const uint8_t *aPixels, const PngShape &aShape, int aLevel, std::vector<uint8_t> &aOut)
{
    aOut.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &aOut, PngWrite, PngFlush);
    png_set_compression_level(png, aLevel);
    png_set_IHDR(png, info, kWidth, kHeight, aShape.bitDepth, aShape.colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (aShape.bgr)
        png_set_bgr(png);
    if (aShape.bitDepth == 16)
        png_set_swap(png);  // our 16-bit samples are little-endian, PNG's big-endian
    for (uint32_t y = 0; y < kHeight; ++y)
        png_write_row(png, const_cast<png_bytep>(aPixels + size_t(y) * aShape.lineBytes));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

struct PngSource
{
    const std::vector<uint8_t> *data;
    size_t at;
};

void PngRead(png_structp aPng, png_bytep aData, png_size_t aLength)
{
    auto *source = static_cast<PngSource *>(png_get_io_ptr(aPng));
    if (source->at + aLength > source->data->size())
        png_error(aPng, "short PNG");
    std::memcpy(aData, source->data->data() + source->at, aLength);
    source->at += aLength;
}

bool PngDecode(const std::vector<uint8_t> &aPng, const PngShape &aShape, uint8_t *aPixels)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    PngSource source{&aPng, 0};
    png_set_read_fn(png, &source, PngRead);
    png_read_info(png, info);
    if (aShape.bgr)
        png_set_bgr(png);
    if (aShape.bitDepth == 16)
        png_set_swap(png);
    for (uint32_t y = 0; y < kHeight; ++y)
        png_read_row(png, aPixels + size_t(y) * aShape.lineBytes, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

struct Row
{
    std::string method;
    double ratio, compress, decompressOne, decompressAll;
};

void Print(const std::string &aImage, const std::vector<Row> &aRows)
{
    std::printf("\n%s\n%-22s %8s %14s %14s %14s\n", aImage.c_str(), "method", "ratio", "compress 1 th",
                "decompress 1", "decompress all");
    for (const Row &row : aRows) {
        char all[32] = "-";
        if (row.decompressAll >= 0)
            std::snprintf(all, sizeof all, "%.0f", row.decompressAll);
        std::printf("%-22s %8.2f %14.0f %14.0f %14s\n", row.method.c_str(), row.ratio, row.compress,
                    row.decompressOne, all);
    }
}

// One figure of a row: the run it times and where its median goes.
struct Figure
{
    std::function<bool()> run;
    double *rate;
    std::vector<double> slices;
};

constexpr int kSlices = 3;

double Median(std::vector<double> aValues)
{
    std::sort(aValues.begin(), aValues.end());
    return aValues[aValues.size() / 2];
}

// All methods on one image; false when one of them does not give the image back. The figures
// take turns in short slices, each one the median of its slices, so that on a machine other work
// shares they all see the same load.
bool Compare(const std::string &aName, KyBuffer &aImage, const PngShape &aShape, unsigned aProcessors,
             double aSeconds)
{
    const KyImage &image = *aImage.GetImage();
    const uint8_t *pixels = image.GetDataPointer();
    const size_t bytes = image.GetImageSize();
    const std::vector<uint8_t> original(pixels, pixels + bytes);
    std::vector<Row> rows;
    rows.reserve(5);
    std::vector<Figure> figures;

    KyCompressionFilter compressor;
    KyDecompressionFilter decompressorOne, decompressorAll;
    (void)decompressorOne.SetThreadCount(1);
    (void)decompressorAll.SetThreadCount(aProcessors);
    KyBuffer compressed, restoredOne, restoredAll;
    rows.push_back({"ours (PTC1)", 0, 0, 0, 0});
    figures.push_back(
        {[&] { return compressor.Execute(&aImage, &compressed).IsOK(); }, &rows.back().compress, {}});
    figures.push_back({[&] { return decompressorOne.Execute(&compressed, &restoredOne).IsOK(); },
                       &rows.back().decompressOne,
                       {}});
    figures.push_back({[&] { return decompressorAll.Execute(&compressed, &restoredAll).IsOK(); },
                       &rows.back().decompressAll,
                       {}});

    struct Zstd
    {
        int level;
        ZSTD_CCtx *cctx = ZSTD_createCCtx();
        ZSTD_DCtx *dctx = ZSTD_createDCtx();
        std::vector<uint8_t> packed, back;
        size_t size = 0;
        ~Zstd()
        {
            ZSTD_freeCCtx(cctx);
            ZSTD_freeDCtx(dctx);
        }
    };
    Zstd zstd[2];
    for (int z = 0; z < 2; ++z) {
        Zstd &codec = zstd[z];
        codec.level = z == 0 ? 1 : 3;
        codec.packed.resize(ZSTD_compressBound(bytes));
        codec.back.resize(bytes);
        rows.push_back({"zstd " + std::to_string(codec.level) + " (raw bytes)", 0, 0, 0, -1});
        figures.push_back({[&, pixels, bytes] {
                               codec.size =
                                   ZSTD_compressCCtx(codec.cctx, codec.packed.data(), codec.packed.size(),
                                                     pixels, bytes, codec.level);
                               return !ZSTD_isError(codec.size);
                           },
                           &rows.back().compress,
                           {}});
        figures.push_back({[&, bytes] {
                               return ZSTD_decompressDCtx(codec.dctx, codec.back.data(), codec.back.size(),
                                                          codec.packed.data(), codec.size) == bytes;
                           },
                           &rows.back().decompressOne,
                           {}});
    }

    struct Png
    {
        int level;
        std::vector<uint8_t> data, back;
    };
    Png png[2];
    for (int k = 0; k < 2; ++k) {
        Png &codec = png[k];
        codec.level = k == 0 ? 1 : 6;
        codec.back.resize(bytes);
        rows.push_back({"PNG (zlib " + std::to_string(codec.level) + ")", 0, 0, 0, -1});
        figures.push_back({[&, pixels] { return PngEncode(pixels, aShape, codec.level, codec.data); },
                           &rows.back().compress,
                           {}});
        figures.push_back({[&] { return PngDecode(codec.data, aShape, codec.back.data()); },
                           &rows.back().decompressOne,
                           {}});
    }

    for (int slice = 0; slice < kSlices; ++slice) {
        for (Figure &figure : figures)
            figure.slices.push_back(Measure(figure.run, bytes, aSeconds / kSlices));
    }
    for (Figure &figure : figures)
        *figure.rate = Median(figure.slices);

    rows[0].ratio = double(bytes) / compressed.GetAcquiredSize();
    bool same = std::memcmp(restoredOne.GetImage()->GetDataPointer(), original.data(), bytes) == 0 &&
                std::memcmp(restoredAll.GetImage()->GetDataPointer(), original.data(), bytes) == 0;
    for (int z = 0; z < 2; ++z) {
        rows[1 + z].ratio = double(bytes) / zstd[z].size;
        same = same && zstd[z].back == original;
    }
    for (int k = 0; k < 2; ++k) {
        rows[3 + k].ratio = double(bytes) / png[k].data.size();
        same = same && png[k].back == original;
    }
    Print(aName, rows);
    if (!same)
        std::printf("  ! a method did not give the image back\n");
    return same;
}

}  // namespace

int main(int argc, char **argv)
{
    double seconds = 1.0;
    ky::tools::CommandLine line(
        "bench_compression",
        "Usage: bench_compression [--seconds S]\n"
        "Lossless compression of camera images: the SDK's filters next to plain zstd and PNG.\n"
        "  --seconds S   time per figure, 0.01 to 600 (default 1)\n"
        "  -h, --help    show this help\n");
    line.Number("--seconds", seconds, 0.01, 600);
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    std::printf("lossless compression of %u x %u images; rates in MB of raw image per second; %u processors, "
                "zstd %s, libpng %s\n",
                kWidth, kHeight, processors, ZSTD_versionString(), PNG_LIBPNG_VER_STRING);

    bool same = true;
    // softcam's moving test pattern, frame 0, in BayerRG8 at this benchmark's size.
    KyStreamingChannelSourceTestPattern softcam(kWidth, kHeight, KyPixelBayerRG8, 1);
    KyBuffer pattern;
    if (!softcam.FillTestPattern(&pattern, 0).IsOK())
        return 1;
    same &= Compare("softcam test pattern, BayerRG8", pattern, {PNG_COLOR_TYPE_GRAY, 8, kWidth, false},
                    processors, seconds);

    KyBuffer mono;
    FillNatural(mono, KyPixelMono8, 1, 255);
    same &= Compare("natural, Mono8", mono, {PNG_COLOR_TYPE_GRAY, 8, kWidth, false}, processors, seconds);
    KyBuffer bgr;
    FillNatural(bgr, KyPixelBGR8, 3, 255);
    same &= Compare("natural, BGR8", bgr, {PNG_COLOR_TYPE_RGB, 8, kWidth * 3, true}, processors, seconds);
    KyBuffer wide;
    FillNatural(wide, KyPixelMono12, 1, 4095);
    same &= Compare("natural, Mono12 (16-bit samples)", wide, {PNG_COLOR_TYPE_GRAY, 16, kWidth * 2, false},
                    processors, seconds);
    return same ? 0 : 1;
}
