// The converter's sources of more than 8 bits per sample: each sample's 8 high bits, whatever the
// storage (16-bit words, GigE Vision "Packed" pairs, least-significant-bit-first "p" streams).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyBufferConverter.h"

namespace {

enum class Storage { Little16, Gev10Packed, Gev12Packed, Lsb10, Lsb12 };

// Writes the samples as the pixel type stores them (the image is one stream of samples).
std::vector<uint8_t> Encode(const std::vector<uint16_t> &aSamples, Storage aStorage)
{
    std::vector<uint8_t> out;
    if (aStorage == Storage::Little16) {
        for (uint16_t v : aSamples) {
            out.push_back(uint8_t(v & 0xFF));
            out.push_back(uint8_t(v >> 8));
        }
        return out;
    }
    if (aStorage == Storage::Gev10Packed || aStorage == Storage::Gev12Packed) {
        const bool ten = aStorage == Storage::Gev10Packed;
        const unsigned low = ten ? 2 : 4, mask = (1u << low) - 1;
        for (size_t i = 0; i < aSamples.size(); i += 2) {
            const unsigned a = aSamples[i], b = i + 1 < aSamples.size() ? aSamples[i + 1] : 0;
            out.push_back(uint8_t(a >> low));
            out.push_back(uint8_t((a & mask) | (b & mask) << 4));
            out.push_back(uint8_t(b >> low));
        }
        return out;
    }
    const unsigned bits = aStorage == Storage::Lsb10 ? 10 : 12;
    size_t bit = 0;
    for (uint16_t v : aSamples)
        for (unsigned k = 0; k < bits; ++k, ++bit) {
            if (bit / 8 >= out.size())
                out.push_back(0);
            out[bit / 8] |= uint8_t(((v >> k) & 1u) << (bit % 8));
        }
    while (out.size() % 5 != 0 && bits == 10)
        out.push_back(0);
    return out;
}

// Samples of `bits` bits that differ in their high and low bits.
std::vector<uint16_t> Samples(size_t aCount, unsigned aBits)
{
    std::vector<uint16_t> samples(aCount);
    uint32_t state = 12345;
    for (uint16_t &v : samples) {
        state = state * 1103515245u + 12345u;
        v = uint16_t((state >> 8) & ((1u << aBits) - 1));
    }
    return samples;
}

std::vector<uint8_t> Converted(const uint8_t *aData, uint32_t aWidth, uint32_t aHeight, KyPixelType aFrom,
                               KyPixelType aTo, KyBufferConverter &aConverter, uint16_t aPaddingX = 0)
{
    KyBuffer source, destination;
    EXPECT_TRUE(
        source.GetImage()->Attach(const_cast<uint8_t *>(aData), aWidth, aHeight, aFrom, aPaddingX).IsOK());
    EXPECT_TRUE(destination.GetImage()->Alloc(1, 1, aTo).IsOK());
    const KyResult r = aConverter.Convert(&source, &destination);
    EXPECT_TRUE(r.IsOK()) << r.GetDescription().str();
    if (!r.IsOK())
        return {};
    const uint8_t *out = destination.GetDataPointer();
    return std::vector<uint8_t>(out, out + destination.GetImage()->GetImageSize());
}

}  // namespace

// Each wide type converts as its 8-bit kin holding the samples' high bits: mono to Mono8 and
// BGR8, Bayer to BGR8 with both interpolations, colour to BGR8. 5 x 3 pixels, so that packed
// lines do not start on a byte.
TEST(ConverterWide, EveryWideTypeAsItsEightBitKin)
{
    const struct
    {
        KyPixelType wide, narrow;
        unsigned bits;
        Storage storage;
        unsigned samplesPerPixel;
    } rows[] = {
        {KyPixelMono10, KyPixelMono8, 10, Storage::Little16, 1},
        {KyPixelMono12, KyPixelMono8, 12, Storage::Little16, 1},
        {KyPixelMono14, KyPixelMono8, 14, Storage::Little16, 1},
        {KyPixelMono16, KyPixelMono8, 16, Storage::Little16, 1},
        {KyPixelMono10Packed, KyPixelMono8, 10, Storage::Gev10Packed, 1},
        {KyPixelMono12Packed, KyPixelMono8, 12, Storage::Gev12Packed, 1},
        {KyPixelMono10p, KyPixelMono8, 10, Storage::Lsb10, 1},
        {KyPixelMono12p, KyPixelMono8, 12, Storage::Lsb12, 1},
        {KyPixelBayerRG10, KyPixelBayerRG8, 10, Storage::Little16, 1},
        {KyPixelBayerGR12, KyPixelBayerGR8, 12, Storage::Little16, 1},
        {KyPixelBayerBG16, KyPixelBayerBG8, 16, Storage::Little16, 1},
        {KyPixelBayerGB10Packed, KyPixelBayerGB8, 10, Storage::Gev10Packed, 1},
        {KyPixelBayerRG12Packed, KyPixelBayerRG8, 12, Storage::Gev12Packed, 1},
        {KyPixelBayerBG10p, KyPixelBayerBG8, 10, Storage::Lsb10, 1},
        {KyPixelBayerGR12p, KyPixelBayerGR8, 12, Storage::Lsb12, 1},
        {KyPixelRGB10, KyPixelRGB8, 10, Storage::Little16, 3},
        {KyPixelRGB16, KyPixelRGB8, 16, Storage::Little16, 3},
        {KyPixelBGR12, KyPixelBGR8, 12, Storage::Little16, 3},
        {KyPixelBGR14, KyPixelBGR8, 14, Storage::Little16, 3},
        {KyPixelBGRa16, KyPixelBGRa8, 16, Storage::Little16, 4},
    };
    constexpr uint32_t width = 5, height = 3;
    KyBufferConverter converter(1);
    for (const auto &row : rows) {
        const std::string name = KyImage::PixelTypeToString(row.wide).str();
        const std::vector<uint16_t> samples = Samples(size_t(width) * height * row.samplesPerPixel, row.bits);
        std::vector<uint8_t> wide = Encode(samples, row.storage), narrow;
        for (uint16_t v : samples)
            narrow.push_back(uint8_t(v >> (row.bits - 8)));
        const bool mono = row.narrow == KyPixelMono8;
        const bool bayer = !mono && row.samplesPerPixel == 1;
        EXPECT_TRUE(KyBufferConverter::IsConversionSupported(row.wide, KyPixelBGR8)) << name;
        EXPECT_EQ(KyBufferConverter::IsConversionSupported(row.wide, KyPixelMono8), mono) << name;
        if (mono) {
            EXPECT_EQ(Converted(wide.data(), width, height, row.wide, KyPixelMono8, converter), narrow)
                << name;
        }
        for (KyBayerFilterType filter : {KyBayerFilterSimple, KyBayerFilter3X3}) {
            ASSERT_TRUE(converter.SetBayerFilter(filter).IsOK());
            const std::vector<uint8_t> expected =
                Converted(narrow.data(), width, height, row.narrow, KyPixelBGR8, converter);
            ASSERT_EQ(expected.size(), size_t(width) * height * 3) << name;
            EXPECT_EQ(Converted(wide.data(), width, height, row.wide, KyPixelBGR8, converter), expected)
                << name << " filter " << filter;
            if (!bayer)
                break;
        }
    }
}

TEST(ConverterWide, LinePaddingAndManyThreads)
{
    // Mono16 with 3 pixels of padding per line: the padding is skipped.
    const uint16_t padded[2][5] = {{0x1234, 0xFF00, 0x00FF, 0xAAAA, 0xBBBB},
                                   {0x8000, 0x7FFF, 0x0100, 0xCCCC, 0xDDDD}};
    std::vector<uint16_t> stream;
    for (const auto &line : padded)
        stream.insert(stream.end(), line, line + 5);
    const std::vector<uint8_t> bytes = Encode(stream, Storage::Little16);
    KyBufferConverter one(1);
    EXPECT_EQ(Converted(bytes.data(), 2, 2, KyPixelMono16, KyPixelMono8, one, 3),
              (std::vector<uint8_t>{0x12, 0xFF, 0x80, 0x7F}));

    // An image large enough to be shared among threads converts as on one thread.
    constexpr uint32_t width = 1024, height = 256;
    const std::vector<uint8_t> big = Encode(Samples(size_t(width) * height, 12), Storage::Lsb12);
    KyBufferConverter four(4);
    ASSERT_EQ(four.GetThreadCount(), 4u);
    for (KyPixelType type : {KyPixelMono12p, KyPixelBayerRG12p}) {
        const std::vector<uint8_t> alone = Converted(big.data(), width, height, type, KyPixelBGR8, one);
        ASSERT_EQ(alone.size(), size_t(width) * height * 3);
        EXPECT_EQ(Converted(big.data(), width, height, type, KyPixelBGR8, four), alone);
    }
}

TEST(ConverterWide, MonoDestinationsAndTheirLimits)
{
    uint8_t mono[4] = {1, 2, 3, 4};
    KyBufferConverter converter;
    EXPECT_EQ(Converted(mono, 2, 2, KyPixelMono8, KyPixelMono8, converter),
              (std::vector<uint8_t>{1, 2, 3, 4}));
    // An RGB filter has no colour to act on in a grey image.
    KyBufferConverterRGBFilter filter;
    filter.SetGainR(2.0);
    filter.SetGainG(2.0);
    filter.SetGainB(2.0);
    ASSERT_TRUE(converter.SetRGBFilter(filter).IsOK());
    EXPECT_EQ(Converted(mono, 2, 2, KyPixelMono8, KyPixelMono8, converter),
              (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(Converted(mono, 2, 2, KyPixelMono8, KyPixelBGR8, converter),
              (std::vector<uint8_t>{2, 2, 2, 4, 4, 4, 6, 6, 6, 8, 8, 8}));
    for (KyPixelType colour : {KyPixelBGR8, KyPixelRGBa8, KyPixelBayerRG8, KyPixelBayerRG12, KyPixelRGB16})
        EXPECT_FALSE(KyBufferConverter::IsConversionSupported(colour, KyPixelMono8))
            << KyImage::PixelTypeToString(colour).str();
}

TEST(ConverterWide, WhiteBalanceFromAWideSample)
{
    // BayerRG12: red 10, greens 40 and 60, blue 25 in the 8 high bits -> gains 5, 1, 2.
    const std::vector<uint8_t> bayer =
        Encode({10 << 4 | 0xF, 40 << 4, 60 << 4 | 3, 25 << 4 | 9}, Storage::Little16);
    KyBuffer sample;
    ASSERT_TRUE(
        sample.GetImage()->Attach(const_cast<uint8_t *>(bayer.data()), 2, 2, KyPixelBayerRG12).IsOK());
    KyBufferConverterRGBFilter filter;
    ASSERT_TRUE(filter.WhiteBalance(&sample).IsOK());
    EXPECT_DOUBLE_EQ(filter.GetGainR(), 5.0);
    EXPECT_DOUBLE_EQ(filter.GetGainG(), 1.0);
    EXPECT_DOUBLE_EQ(filter.GetGainB(), 2.0);
    // A mono sample has no colours.
    KyBuffer grey;
    ASSERT_TRUE(grey.GetImage()->Attach(const_cast<uint8_t *>(bayer.data()), 2, 2, KyPixelMono16).IsOK());
    const KyResult r = filter.WhiteBalance(&grey);
    EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(r.GetDescription().str(),
              "[KyBufferConverterRGBFilter::WhiteBalance] cannot sample pixel type Mono16");
}
