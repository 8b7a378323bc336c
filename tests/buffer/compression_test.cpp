// The compression and decompression filters: byte-exact round trips over pixel types and sizes,
// the same image whatever the thread count, damaged and forged inputs refused without a write
// past the output, and the filters' settings.
#include <gtest/gtest.h>
#include <zstd.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "Ptc1Format.h"
#include "RealTimeScheduling.h"
#include "ky/ByteOrder.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyCompressionFilter.h"
#include "ky/buffer/KyDecompressionFilter.h"
#include "refusal.h"

namespace {

using ky::buffer::Ptc1;

// Smooth gradients, edges and noise, so that both the line filter and zstd have work.
void FillNatural(uint8_t *aData, size_t aSize, uint32_t aSeed)
{
    std::mt19937 random(aSeed);
    for (size_t i = 0; i < aSize; ++i) {
        const uint32_t smooth = static_cast<uint32_t>(i / 7 + (i % 97 > 60 ? 80 : 0));
        aData[i] = static_cast<uint8_t>(smooth + random() % 5);
    }
}

// A buffer holding an image of random-looking pixels of the given type and size.
void MakeImage(KyBuffer &aBuffer, KyPixelType aType, uint32_t aWidth, uint32_t aHeight, uint32_t aSeed = 1,
               uint16_t aPaddingX = 0, uint16_t aPaddingY = 0)
{
    ASSERT_TRUE(aBuffer.GetImage()->Alloc(aWidth, aHeight, aType, aPaddingX, aPaddingY).IsOK());
    FillNatural(aBuffer.GetDataPointer(), aBuffer.GetSize(), aSeed);
    ASSERT_TRUE(aBuffer.SetBlockID(77 + aSeed).IsOK());
    ASSERT_TRUE(aBuffer.SetTimestamp(123456789).IsOK());
}

std::vector<uint8_t> ImageBytes(const KyBuffer &aBuffer)
{
    const KyImage *image = aBuffer.GetImage();
    if (image == nullptr)
        return {};
    return std::vector<uint8_t>(image->GetDataPointer(), image->GetDataPointer() + image->GetImageSize());
}

std::vector<uint8_t> PayloadBytes(const KyBuffer &aBuffer)
{
    return std::vector<uint8_t>(aBuffer.GetDataPointer(),
                                aBuffer.GetDataPointer() + aBuffer.GetAcquiredSize());
}

// A compressed buffer whose memory is the caller's bytes (what a program receiving the bytes
// from elsewhere builds).
struct CompressedBytes
{
    std::vector<uint8_t> bytes;
    KyBuffer buffer{KyPayloadTypeTesmarCompressed};
    explicit CompressedBytes(std::vector<uint8_t> aBytes) : bytes(std::move(aBytes))
    {
        if (!bytes.empty()) {
            EXPECT_TRUE(buffer.Attach(bytes.data(), static_cast<uint32_t>(bytes.size())).IsOK());
        }
    }
};

std::vector<uint8_t> Compress(const KyBuffer &aImage)
{
    KyCompressionFilter compressor;
    KyBuffer out;
    const KyResult r = compressor.Execute(&aImage, &out);
    EXPECT_TRUE(r.IsOK()) << r.GetDescription().str();
    return PayloadBytes(out);
}

// Recomputes the header's checksum after a test changed a field (a stripe table that runs past
// the bytes has none to compute: it is refused before its checksum is read).
void Reseal(std::vector<uint8_t> &aBytes)
{
    const uint32_t stripes = ky::base::LoadLittle32(aBytes.data() + Ptc1::kStripeCountOffset);
    const size_t table = size_t(stripes) * Ptc1::kStripeEntrySize;
    if (Ptc1::kHeaderSize + table > aBytes.size())
        return;
    uint32_t crc = ky::buffer::Crc32(aBytes.data(), Ptc1::kCrcOffset);
    crc = ky::buffer::Crc32(aBytes.data() + Ptc1::kHeaderSize, table, crc);
    ky::base::StoreLittle32(aBytes.data() + Ptc1::kCrcOffset, crc);
}

void Store32(std::vector<uint8_t> &aBytes, size_t aOffset, uint32_t aValue)
{
    ky::base::StoreLittle32(aBytes.data() + aOffset, aValue);
}

// The documented line filter, one sample at a time: deltas along each line from the sample
// `distance` back (16-bit little-endian samples for filter 2), the first `distance` kept.
void ReferenceFilter(const ky::buffer::Ptc1Layout &aLayout, std::vector<uint8_t> &aLines, bool aUndo)
{
    const uint32_t sample = aLayout.filter == Ptc1::Filter::Words16 ? 2 : 1;
    if (aLayout.filter == Ptc1::Filter::None || aLayout.lineBytes == 0)
        return;
    const uint32_t mask = sample == 2 ? 0xFFFF : 0xFF;
    for (uint32_t y = 0; y < aLayout.height; ++y) {
        uint8_t *line = aLines.data() + size_t(y) * aLayout.lineBytes;
        const uint32_t samples = aLayout.lineBytes / sample;
        const auto get = [&](uint32_t i) {
            return sample == 2 ? uint32_t(ky::base::LoadLittle16(line + 2 * i)) : uint32_t(line[i]);
        };
        const auto put = [&](uint32_t i, uint32_t v) {
            if (sample == 2)
                ky::base::StoreLittle16(line + 2 * i, static_cast<uint16_t>(v & mask));
            else
                line[i] = static_cast<uint8_t>(v & mask);
        };
        if (aUndo) {
            for (uint32_t i = aLayout.distance; i < samples; ++i)
                put(i, get(i) + get(i - aLayout.distance));
        } else {
            for (uint32_t i = samples; i-- > aLayout.distance;)
                put(i, get(i) - get(i - aLayout.distance));
        }
    }
}

}  // namespace

// The format is what Ptc1Format.h says, whichever way the compressor chooses to fill its zstd
// frames: images written by a plain implementation of the format (filter, then zstd at level
// 1, as earlier versions of the compressor wrote them) decompress, and what the compressor
// writes comes back through plain zstd and the documented filter. A table of every filter and
// distance, with lines that end inside a vector.
TEST(Compression, FormatAsDocumentedBothWays)
{
    const struct
    {
        KyPixelType type;
        uint32_t width, height;
    } cases[] = {
        {KyPixelMono8, 2449, 130}, {KyPixelBayerRG8, 1001, 300}, {KyPixelBGR8, 333, 700},
        {KyPixelBGRa8, 517, 9},    {KyPixelMono12, 1283, 140},   {KyPixelBayerGB12, 37, 5},
        {KyPixelRGB16, 700, 101},  {KyPixelYUV422_8, 18, 3},     {KyPixelMono12p, 1001, 3},
        {KyPixelMono8, 15, 2},     {KyPixelRGB8, 6, 1},
    };
    KyDecompressionFilter decompressor;
    uint32_t seed = 100;
    for (const auto &c : cases) {
        const std::string name = KyImage::PixelTypeToString(c.type).str() + " " + std::to_string(c.width) +
                                 " x " + std::to_string(c.height);
        SCOPED_TRACE(name);
        KyBuffer image;
        MakeImage(image, c.type, c.width, c.height, ++seed);
        const std::vector<uint8_t> pixels = ImageBytes(image);
        ky::buffer::Ptc1Layout layout;
        ASSERT_TRUE(ky::buffer::ChooseLayout(c.type, c.width, c.height, layout).IsOK());

        // Written the plain way: decompressed to the same pixels.
        std::vector<uint8_t> filtered = pixels;
        ReferenceFilter(layout, filtered, false);
        std::vector<std::vector<uint8_t>> stripes(layout.stripeCount);
        std::vector<uint32_t> sizes(layout.stripeCount);
        size_t total = Ptc1::kHeaderSize + Ptc1::kStripeEntrySize * layout.stripeCount;
        for (uint32_t i = 0; i < layout.stripeCount; ++i) {
            ZSTD_CCtx *context = ZSTD_createCCtx();
            ASSERT_NE(context, nullptr);
            ASSERT_FALSE(ZSTD_isError(ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, 1)));
            ASSERT_FALSE(ZSTD_isError(ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1)));
            const uint32_t bytes = layout.StripeBytes(i);
            stripes[i].resize(ZSTD_compressBound(bytes));
            const size_t size = ZSTD_compress2(context, stripes[i].data(), stripes[i].size(),
                                               filtered.data() + layout.StripeOffset(i), bytes);
            ZSTD_freeCCtx(context);
            ASSERT_FALSE(ZSTD_isError(size));
            stripes[i].resize(size);
            sizes[i] = static_cast<uint32_t>(size);
            total += size;
        }
        std::vector<uint8_t> written(total);
        ky::buffer::WritePtc1Header(layout, sizes, written.data());
        size_t at = Ptc1::kHeaderSize + Ptc1::kStripeEntrySize * layout.stripeCount;
        for (const std::vector<uint8_t> &stripe : stripes) {
            std::memcpy(written.data() + at, stripe.data(), stripe.size());
            at += stripe.size();
        }
        CompressedBytes plain(written);
        KyBuffer restored;
        const KyResult r = decompressor.Execute(&plain.buffer, &restored);
        ASSERT_TRUE(r.IsOK()) << r.GetDescription().str();
        EXPECT_TRUE(ImageBytes(restored) == pixels);

        // Written by the compressor: plain zstd and the documented filter give the pixels.
        const std::vector<uint8_t> ours = Compress(image);
        ky::buffer::Ptc1Image parsed;
        ASSERT_TRUE(ky::buffer::ParsePtc1(ours.data(), ours.size(), parsed).IsOK());
        std::vector<uint8_t> back(pixels.size());
        for (uint32_t i = 0; i < parsed.layout.stripeCount; ++i) {
            const size_t bytes =
                ZSTD_decompress(back.data() + parsed.layout.StripeOffset(i), parsed.layout.StripeBytes(i),
                                ours.data() + parsed.stripeOffsets[i], parsed.stripeSizes[i]);
            ASSERT_EQ(bytes, parsed.layout.StripeBytes(i)) << "stripe " << i;
        }
        ReferenceFilter(parsed.layout, back, true);
        EXPECT_TRUE(back == pixels);
    }
}

TEST(Compression, RoundTripIsByteExactForEveryPixelKindAndShape)
{
    const KyPixelType types[] = {
        KyPixelMono8,           KyPixelMono10,   KyPixelMono12,    KyPixelMono16,    KyPixelMono10Packed,
        KyPixelMono12p,         KyPixelBayerRG8, KyPixelBayerGB12, KyPixelBayerBG16, KyPixelBayerGR10p,
        KyPixelBayerRG12Packed, KyPixelRGB8,     KyPixelBGR8,      KyPixelBGRa8,     KyPixelRGB16,
        KyPixelYUV422_8,        KyPixelRGB10p32, KyPixelMono1p,
    };
    const struct
    {
        uint32_t width, height;
    } shapes[] = {{1, 1}, {7, 3}, {641, 5}, {1, 5000}, {3001, 2}, {2449, 130}};
    KyDecompressionFilter decompressor;
    KyCompressionFilter compressor;
    uint32_t seed = 1;
    for (KyPixelType type : types) {
        for (const auto &shape : shapes) {
            const std::string name = KyImage::PixelTypeToString(type).str() + " " +
                                     std::to_string(shape.width) + " x " + std::to_string(shape.height);
            KyBuffer image;
            MakeImage(image, type, shape.width, shape.height, ++seed);
            KyBuffer compressed;
            KyResult r = compressor.Execute(&image, &compressed);
            ASSERT_TRUE(r.IsOK()) << name << ": " << r.GetDescription().str();
            EXPECT_EQ(compressed.GetPayloadType(), KyPayloadTypeTesmarCompressed) << name;
            EXPECT_TRUE(KyDecompressionFilter::IsCompressed(&compressed)) << name;
            KyPixelType outType = KyPixelUndefined;
            uint32_t width = 0, height = 0;
            ASSERT_TRUE(
                KyDecompressionFilter::GetOutputFormatFor(&compressed, outType, width, height).IsOK());
            EXPECT_EQ(outType, type) << name;
            EXPECT_EQ(width, shape.width) << name;
            EXPECT_EQ(height, shape.height) << name;

            KyBuffer restored;
            r = decompressor.Execute(&compressed, &restored);
            ASSERT_TRUE(r.IsOK()) << name << ": " << r.GetDescription().str();
            ASSERT_NE(restored.GetImage(), nullptr) << name;
            EXPECT_EQ(restored.GetImage()->GetPixelType(), type) << name;
            EXPECT_EQ(restored.GetImage()->GetWidth(), shape.width) << name;
            EXPECT_EQ(restored.GetImage()->GetHeight(), shape.height) << name;
            EXPECT_EQ(restored.GetBlockID(), image.GetBlockID()) << name;
            EXPECT_EQ(restored.GetTimestamp(), 123456789u) << name;
            EXPECT_EQ(restored.GetAcquiredSize(), image.GetImage()->GetImageSize()) << name;
            EXPECT_TRUE(ImageBytes(restored) == ImageBytes(image)) << name;
        }
    }
}

TEST(Compression, PaddedSourceGivesTheUnpaddedImage)
{
    KyBuffer padded;
    MakeImage(padded, KyPixelMono16, 33, 20, 5, 3, 2);
    KyCompressionFilter compressor;
    KyBuffer compressed;
    ASSERT_TRUE(compressor.Execute(&padded, &compressed).IsOK());
    KyDecompressionFilter decompressor;
    KyBuffer restored;
    ASSERT_TRUE(decompressor.Execute(&compressed, &restored).IsOK());
    const KyImage &image = *restored.GetImage();
    EXPECT_EQ(image.GetPaddingX(), 0);
    EXPECT_EQ(image.GetPaddingY(), 0);
    ASSERT_EQ(image.GetImageSize(), 33u * 20 * 2);
    for (uint32_t y = 0; y < 20; ++y)
        EXPECT_EQ(std::memcmp(image.GetDataPointer() + y * 66, padded.GetDataPointer() + y * 72, 66), 0) << y;

    // Packed lines that are not whole bytes cannot skip padding.
    KyBuffer packed;
    MakeImage(packed, KyPixelMono12Packed, 5, 4, 6, 1, 0);
    ExpectRefusals(KY_INVALID_PARAMETER, {{"packed padding", compressor.Execute(&packed, &compressed),
                                           "padding after lines that are not whole bytes"}});
}

TEST(Compression, EveryThreadCountGivesTheSameImage)
{
    KyBuffer image;
    MakeImage(image, KyPixelBGR8, 1283, 517, 9);  // several stripes
    const std::vector<uint8_t> bytes = Compress(image);
    ASSERT_EQ(Compress(image), bytes);  // the compressed form does not vary either
    ky::buffer::Ptc1Image parsed;
    ASSERT_TRUE(ky::buffer::ParsePtc1(bytes.data(), bytes.size(), parsed).IsOK());
    ASSERT_GT(parsed.layout.stripeCount, 4u);
    CompressedBytes compressed(bytes);
    KyDecompressionFilter decompressor;
    for (uint32_t threads : {1u, 2u, 3u, 7u, 16u, 63u, 64u}) {
        ASSERT_TRUE(decompressor.SetThreadCount(threads).IsOK());
        EXPECT_EQ(decompressor.GetThreadCount(), threads);
        KyBuffer restored;
        ASSERT_TRUE(decompressor.Execute(&compressed.buffer, &restored).IsOK()) << threads;
        EXPECT_TRUE(ImageBytes(restored) == ImageBytes(image)) << threads;
    }
}

TEST(Compression, OutputMemoryIsReusedOrRefusedWhenAttachedAndSmall)
{
    KyBuffer image;
    MakeImage(image, KyPixelMono8, 100, 100);
    KyCompressionFilter compressor;
    KyDecompressionFilter decompressor;

    // Attached memory large enough is written in place and stays the caller's.
    std::vector<uint8_t> compressedMemory(20000);
    KyBuffer compressed;
    ASSERT_TRUE(compressed.Attach(compressedMemory.data(), 20000).IsOK());
    ASSERT_TRUE(compressor.Execute(&image, &compressed).IsOK());
    EXPECT_TRUE(compressed.IsAttached());
    EXPECT_EQ(compressed.GetDataPointer(), compressedMemory.data());
    std::vector<uint8_t> imageMemory(10000);
    KyBuffer restored;
    ASSERT_TRUE(restored.Attach(imageMemory.data(), 10000).IsOK());
    ASSERT_TRUE(decompressor.Execute(&compressed, &restored).IsOK());
    EXPECT_EQ(restored.GetDataPointer(), imageMemory.data());
    EXPECT_TRUE(ImageBytes(restored) == ImageBytes(image));

    // The buffer's own memory is kept when it is large enough, replaced when it is not.
    KyBuffer own;
    ASSERT_TRUE(own.Alloc(50000).IsOK());
    uint8_t *const first = own.GetDataPointer();
    ASSERT_TRUE(compressor.Execute(&image, &own).IsOK());
    EXPECT_EQ(own.GetDataPointer(), first);
    EXPECT_EQ(own.GetPayloadType(), KyPayloadTypeTesmarCompressed);
    ASSERT_TRUE(decompressor.Execute(&compressed, &own).IsOK());
    EXPECT_EQ(own.GetDataPointer(), first);
    EXPECT_TRUE(ImageBytes(own) == ImageBytes(image));
    KyBuffer large;
    MakeImage(large, KyPixelMono8, 300, 200);
    const std::vector<uint8_t> largeBytes = Compress(large);
    CompressedBytes largeCompressed(largeBytes);
    ASSERT_TRUE(decompressor.Execute(&largeCompressed.buffer, &own).IsOK());
    EXPECT_EQ(own.GetSize(), 60000u);
    EXPECT_TRUE(ImageBytes(own) == ImageBytes(large));

    // Too small: refused, nothing written.
    std::vector<uint8_t> small(9999, 0xEE);
    KyBuffer tooSmall;
    ASSERT_TRUE(tooSmall.Attach(small.data(), 9999).IsOK());
    ExpectRefusals(KY_BUFFER_TOO_SMALL, {{"decompress", decompressor.Execute(&compressed, &tooSmall),
                                          "the image takes 10000 bytes, the output's memory has 9999"}});
    std::vector<uint8_t> tiny(40, 0xEE);
    ASSERT_TRUE(tooSmall.Attach(tiny.data(), 40).IsOK());
    const KyResult r = compressor.Execute(&image, &tooSmall);
    EXPECT_EQ(r.GetCode(), KY_BUFFER_TOO_SMALL) << r.GetDescription().str();
    EXPECT_EQ(small, std::vector<uint8_t>(9999, 0xEE));
    EXPECT_EQ(tiny, std::vector<uint8_t>(40, 0xEE));
}

TEST(Compression, RefusesWhatIsNoImageOrNoCompressedImage)
{
    KyCompressionFilter compressor;
    KyDecompressionFilter decompressor;
    KyBuffer image;
    MakeImage(image, KyPixelMono8, 4, 4);
    KyBuffer out;
    KyBuffer raw(KyPayloadTypeRawData);
    ASSERT_TRUE(raw.Alloc(16).IsOK());
    KyBuffer empty;
    KyPixelType type = KyPixelMono8;
    uint32_t width = 9, height = 9;
    ExpectRefusals(
        KY_INVALID_PARAMETER,
        {
            {"null in", compressor.Execute(nullptr, &out), "no input or no output buffer"},
            {"null out", compressor.Execute(&image, nullptr), "no input or no output buffer"},
            {"same", compressor.Execute(&image, &image), "the output buffer is the input buffer"},
            {"raw", compressor.Execute(&raw, &out), "the input holds no image (payload type 2)"},
            {"no memory", compressor.Execute(&empty, &out), "the input image has no pixels"},
            {"d null in", decompressor.Execute(nullptr, &out), "no input or no output buffer"},
            {"d null out", decompressor.Execute(&image, nullptr), "no input or no output buffer"},
            {"d same", decompressor.Execute(&image, &image), "the output buffer is the input buffer"},
            {"d image", decompressor.Execute(&image, &out),
             "the input holds no compressed image (payload type 1)"},
            {"format of image", KyDecompressionFilter::GetOutputFormatFor(&image, type, width, height),
             "the input holds no compressed image (payload type 1)"},
            {"format of null", KyDecompressionFilter::GetOutputFormatFor(nullptr, type, width, height),
             "no input buffer"},
        });
    EXPECT_EQ(type, KyPixelMono8);  // nothing written on failure
    EXPECT_EQ(width, 9u);
    EXPECT_FALSE(KyDecompressionFilter::IsCompressed(nullptr));
    EXPECT_FALSE(KyDecompressionFilter::IsCompressed(&image));
    EXPECT_FALSE(KyDecompressionFilter::IsCompressed(&empty));

    // Memory shared between input and output.
    std::vector<uint8_t> memory(64);
    KyBuffer in, over;
    ASSERT_TRUE(in.GetImage()->Attach(memory.data(), 4, 4, KyPixelMono8).IsOK());
    ASSERT_TRUE(over.Attach(memory.data() + 8, 32).IsOK());
    ExpectRefusals(KY_INVALID_PARAMETER, {{"overlap", compressor.Execute(&in, &over),
                                           "the output buffer's memory overlaps the input's"}});
}

TEST(Compression, DamagedHeaderBytesAreRefused)
{
    KyBuffer image;
    MakeImage(image, KyPixelMono16, 700, 400);
    const std::vector<uint8_t> good = Compress(image);
    ky::buffer::Ptc1Image parsed;
    ASSERT_TRUE(ky::buffer::ParsePtc1(good.data(), good.size(), parsed).IsOK());
    const size_t headerEnd = Ptc1::kHeaderSize + parsed.layout.stripeCount * Ptc1::kStripeEntrySize;
    KyDecompressionFilter decompressor;
    for (size_t at = 0; at < headerEnd; ++at) {
        for (uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> bytes = good;
            bytes[at] ^= flip;
            CompressedBytes damaged(bytes);
            std::vector<uint8_t> memory(700 * 400 * 2 + 64, 0xAB);
            KyBuffer out;
            ASSERT_TRUE(out.Attach(memory.data(), 700 * 400 * 2).IsOK());
            const KyResult r = decompressor.Execute(&damaged.buffer, &out);
            const uint32_t expected = at == Ptc1::kVersionOffset ? KY_NOT_SUPPORTED : KY_IMAGE_ERROR;
            EXPECT_EQ(r.GetCode(), expected) << "byte " << at << " ^ " << int(flip);
            EXPECT_FALSE(KyDecompressionFilter::IsCompressed(&damaged.buffer)) << at;
            // The header is read before anything is written.
            EXPECT_EQ(memory, std::vector<uint8_t>(memory.size(), 0xAB)) << at;
        }
    }
}

TEST(Compression, DamagedOrTruncatedBodyIsRefusedWithoutWritingPastTheImage)
{
    KyBuffer image;
    MakeImage(image, KyPixelBayerRG8, 1024, 700, 3);
    const std::vector<uint8_t> good = Compress(image);
    const size_t imageBytes = 1024 * 700;
    KyDecompressionFilter decompressor;
    ASSERT_TRUE(decompressor.SetThreadCount(4).IsOK());
    auto check = [&](const std::vector<uint8_t> &aBytes, uint32_t aLength, const std::string &aName) {
        CompressedBytes damaged(aBytes);
        if (aLength != aBytes.size()) {
            ASSERT_TRUE(damaged.buffer.SetAcquiredSize(aLength).IsOK());
        }
        // Guard bytes after the output image must survive.
        std::vector<uint8_t> memory(imageBytes + 4096, 0x5A);
        KyBuffer out;
        ASSERT_TRUE(out.Attach(memory.data(), imageBytes).IsOK());
        const KyResult r = decompressor.Execute(&damaged.buffer, &out);
        EXPECT_EQ(r.GetCode(), KY_IMAGE_ERROR) << aName << ": " << r.GetDescription().str();
        EXPECT_EQ(std::vector<uint8_t>(memory.begin() + imageBytes, memory.end()),
                  std::vector<uint8_t>(4096, 0x5A))
            << aName;
    };
    ky::buffer::Ptc1Image parsed;
    ASSERT_TRUE(ky::buffer::ParsePtc1(good.data(), good.size(), parsed).IsOK());
    const size_t body = parsed.stripeOffsets[0];
    std::mt19937 random(11);
    for (int i = 0; i < 200; ++i) {
        std::vector<uint8_t> bytes = good;
        const size_t at = body + random() % (good.size() - body);
        bytes[at] ^= static_cast<uint8_t>(1 + random() % 255);
        check(bytes, static_cast<uint32_t>(bytes.size()), "flip at " + std::to_string(at));
    }
    // Cut short: inside the header, inside the table, one byte before the end.
    for (uint32_t length : {1u, 4u, 31u, 33u, static_cast<uint32_t>(body - 1),
                            static_cast<uint32_t>(body + 10), static_cast<uint32_t>(good.size() - 1)})
        check(good, length, "length " + std::to_string(length));
    // One stripe swapped with another of a different size.
    std::vector<uint8_t> swapped = good;
    std::memset(swapped.data() + parsed.stripeOffsets[1], 0, parsed.stripeSizes[1]);
    check(swapped, static_cast<uint32_t>(swapped.size()), "zeroed stripe");
}

TEST(Compression, ForgedSizesAreRefusedBeforeAnyMemoryIsTaken)
{
    KyBuffer image;
    MakeImage(image, KyPixelMono8, 300, 300);
    const std::vector<uint8_t> good = Compress(image);
    ky::buffer::Ptc1Image parsed;
    ASSERT_TRUE(ky::buffer::ParsePtc1(good.data(), good.size(), parsed).IsOK());
    const uint32_t stripes = parsed.layout.stripeCount;
    const std::string length = std::to_string(good.size());
    const std::string stripeSize = std::to_string(parsed.stripeSizes[0]);
    const struct
    {
        const char *name;
        std::function<void(std::vector<uint8_t> &)> forge;
        std::string why;
    } cases[] = {
        {"width of 4 G", [](std::vector<uint8_t> &b) { Store32(b, Ptc1::kWidthOffset, 0xFFFFFFFFu); },
         "damaged compressed image: 4294967295 x 300 pixels of type 17301505 cannot be an image"},
        {"image of almost 4 GiB",
         [](std::vector<uint8_t> &b) {
             Store32(b, Ptc1::kWidthOffset, 65535);
             Store32(b, Ptc1::kHeightOffset, 65535);
             Store32(b, Ptc1::kLinesPerStripeOffset, 65535);
         },
         "damaged compressed image: stripe 0 of " + stripeSize + " bytes cannot hold 4294836225"},
        {"zero width", [](std::vector<uint8_t> &b) { Store32(b, Ptc1::kWidthOffset, 0); },
         "damaged compressed image: 0 x 300 pixels of type 17301505 cannot be an image"},
        {"unknown pixel type",
         [](std::vector<uint8_t> &b) { Store32(b, Ptc1::kPixelTypeOffset, 0x01080FFF); },
         "damaged compressed image: 300 x 300 pixels of type 17305599 cannot be an image"},
        {"other filter", [](std::vector<uint8_t> &b) { b[Ptc1::kFilterOffset] = 2; },
         "damaged compressed image: line filter 2/1 does not belong to the pixel type"},
        {"no lines per stripe", [](std::vector<uint8_t> &b) { Store32(b, Ptc1::kLinesPerStripeOffset, 0); },
         "damaged compressed image: 0 lines per stripe in 300"},
        {"more stripes than lines", [](std::vector<uint8_t> &b) { Store32(b, Ptc1::kStripeCountOffset, 2); },
         "damaged compressed image: 2 stripes where the lines make 1"},
        {"stripe table past the end",
         [](std::vector<uint8_t> &b) { Store32(b, Ptc1::kStripeCountOffset, 0x40000000); },
         "damaged compressed image: a table of 1073741824 stripes runs past the " + length + " bytes"},
        {"stripe past the end", [](std::vector<uint8_t> &b) { Store32(b, Ptc1::kHeaderSize, 0xFFFFFFF0u); },
         "damaged compressed image: stripe 0 of 4294967280 bytes runs past the " + length + " bytes"},
        {"empty stripe", [](std::vector<uint8_t> &b) { Store32(b, Ptc1::kHeaderSize, 0); },
         "damaged compressed image: stripe 0 is empty"},
        {"reserved byte", [](std::vector<uint8_t> &b) { b[Ptc1::kReservedOffset] = 1; },
         "damaged compressed image: line filter 1/1 does not belong to the pixel type"},
        {"frame of other content size",
         [](std::vector<uint8_t> &b) {
             Store32(b, Ptc1::kHeightOffset, 299);
             Store32(b, Ptc1::kLinesPerStripeOffset, 299);
         },
         "damaged compressed image: stripe 0 is no frame of 89700 bytes"},
    };
    ASSERT_EQ(stripes, 1u);
    KyDecompressionFilter decompressor;
    for (const auto &c : cases) {
        std::vector<uint8_t> bytes = good;
        c.forge(bytes);
        Reseal(bytes);
        CompressedBytes forged(bytes);
        KyBuffer out;  // no memory: any allocation would show in its size
        const KyResult r = decompressor.Execute(&forged.buffer, &out);
        EXPECT_EQ(r.GetCode(), KY_IMAGE_ERROR) << c.name;
        EXPECT_EQ(r.GetDescription().str(), c.why) << c.name;
        EXPECT_EQ(out.GetSize(), 0u) << c.name;
    }
}

TEST(Compression, CompressorSettings)
{
    KyCompressionFilter compressor;
    EXPECT_EQ(compressor.GetThreadCount(), 1u);
    EXPECT_TRUE(compressor.SetThreadCount(1).IsOK());
    EXPECT_EQ(compressor.GetEncoding(), KyEncodingPTC1);
    EXPECT_TRUE(compressor.SetEncoding(KyEncodingPTC1).IsOK());
    ExpectRefusals(KY_NOT_SUPPORTED,
                   {
                       {"two threads", compressor.SetThreadCount(2), "the compressor runs one thread, not 2"},
                       {"no thread", compressor.SetThreadCount(0), "the compressor runs one thread, not 0"},
                       {"unknown", compressor.SetEncoding(KyEncodingUnknown),
                        "encoding -1 is not supported; only KyEncodingPTC1 (0) is"},
                       {"five", compressor.SetEncoding(static_cast<KyEncodingEnum>(5)),
                        "encoding 5 is not supported; only KyEncodingPTC1 (0) is"},
                   });
    EXPECT_EQ(compressor.GetEncoding(), KyEncodingPTC1);
    EXPECT_EQ(compressor.GetThreadCount(), 1u);
}

TEST(Compression, DecompressorThreadCountsAndPriorities)
{
    KyDecompressionFilter decompressor;
    EXPECT_GE(decompressor.GetThreadCount(), 1u);
    EXPECT_LE(decompressor.GetThreadCount(), 64u);
    ASSERT_TRUE(decompressor.SetThreadCount(3).IsOK());
    ExpectRefusals(
        KY_INVALID_PARAMETER,
        {
            {"none", decompressor.SetThreadCount(0), "a decompressor takes 1 to 64 threads, not 0"},
            {"65", decompressor.SetThreadCount(65), "a decompressor takes 1 to 64 threads, not 65"},
        });
    EXPECT_EQ(decompressor.GetThreadCount(), 3u);
    EXPECT_TRUE(decompressor.SetThreadCount(64).IsOK());
    EXPECT_TRUE(decompressor.SetThreadCount(1).IsOK());

    KyCompressionFilter compressor;
    KyBuffer image;
    MakeImage(image, KyPixelMono8, 64, 64);
    for (uint32_t priority : {0u, 1u, 99u}) {
        ASSERT_TRUE(compressor.SetThreadsPriority(priority).IsOK()) << priority;
        ASSERT_TRUE(decompressor.SetThreadsPriority(priority).IsOK()) << priority;
        uint32_t got = 1000;
        // The priority in effect: 0 where the process may not use real-time scheduling.
        const uint32_t inEffect = ky::testing::PriorityInEffect(priority);
        ASSERT_TRUE(compressor.GetThreadsPriority(got).IsOK());
        EXPECT_EQ(got, inEffect);
        got = 1000;
        ASSERT_TRUE(decompressor.GetThreadsPriority(got).IsOK());
        EXPECT_EQ(got, inEffect);
        // The workers run at any priority they are given.
        KyBuffer compressed, restored;
        ASSERT_TRUE(compressor.Execute(&image, &compressed).IsOK());
        ASSERT_TRUE(decompressor.Execute(&compressed, &restored).IsOK());
        EXPECT_TRUE(ImageBytes(restored) == ImageBytes(image));
    }
    ASSERT_TRUE(decompressor.SetThreadsPriority(0).IsOK());
    ASSERT_TRUE(compressor.SetThreadsPriority(0).IsOK());
    ExpectRefusals(KY_INVALID_PARAMETER, {
                                             {"c 100", compressor.SetThreadsPriority(100),
                                              "thread priority 100 is none of the system's (0 to 99)"},
                                             {"d max", decompressor.SetThreadsPriority(0xFFFFFFFFu),
                                              "thread priority 4294967295 is none of the system's (0 to 99)"},
                                         });
    uint32_t got = 1000;
    ASSERT_TRUE(decompressor.GetThreadsPriority(got).IsOK());
    EXPECT_EQ(got, 0u);
}
