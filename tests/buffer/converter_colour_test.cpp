// The colour sources of the converter (YUV 4:2:2, RGB and RGBa of up to 16 bits), and whether
// IsConversionSupported tells the truth about every pair of pixel types.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "ky/base/KyEnumTables.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyBufferConverter.h"

namespace {

std::string Name(KyPixelType aType) { return KyImage::PixelTypeToString(aType).str(); }

std::vector<KyPixelType> EveryPixelType()
{
    std::vector<KyPixelType> types;
#define KY_COLLECT(name, value) types.push_back(static_cast<KyPixelType>(value));
    KY_ENUM_TABLE_KyPixelType(KY_COLLECT)
#undef KY_COLLECT
        return types;
}

TEST(ConverterColour, SupportedExactlyWhereConvertSucceeds)
{
    constexpr uint32_t side = 4;
    std::vector<uint8_t> source(side * side * 16), target(side * side * 16);
    KyBufferConverter converter(1);
    const std::vector<KyPixelType> types = EveryPixelType();
    ASSERT_GT(types.size(), 200u);
    size_t supported = 0;
    for (KyPixelType from : types) {
        KyBuffer in;
        const bool sourceMade = in.GetImage()->Attach(source.data(), side, side, from).IsOK();
        for (KyPixelType to : types) {
            const std::string name = Name(from) + " -> " + Name(to);
            const bool claimed = KyBufferConverter::IsConversionSupported(from, to);
            KyBuffer out;
            if (!sourceMade || !out.GetImage()->Attach(target.data(), side, side, to).IsOK()) {
                EXPECT_FALSE(claimed) << name << ": no image of the type can be made";
                continue;
            }
            const KyResult r = converter.Convert(&in, &out);
            EXPECT_EQ(r.IsOK(), claimed) << name << ": " << r.GetDescription().GetAscii();
            if (!claimed) {
                EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER) << name;
                EXPECT_EQ(r.GetDescription().str(),
                          "[KyBufferConverter::Convert] cannot convert " + Name(from) + " to " + Name(to))
                    << name;
            }
            supported += claimed;
        }
    }
    // The colour types named for images convert to the usual colour destinations.
    for (KyPixelType from : {KyPixelYUV422_8_UYVY, KyPixelRGB16, KyPixelBGR16, KyPixelRGBa8, KyPixelRGBa16,
                             KyPixelRGB8, KyPixelBGR8}) {
        for (KyPixelType to : {KyPixelBGR8, KyPixelRGB8, KyPixelBGRa8, KyPixelRGBa8})
            EXPECT_TRUE(KyBufferConverter::IsConversionSupported(from, to))
                << Name(from) << " -> " << Name(to);
    }
    EXPECT_TRUE(KyBufferConverter::IsConversionSupported(KyPixelYUV422_8_UYVY, KyPixelMono8));
    EXPECT_GT(supported, 250u) << "the table is not empty";
}

// BT.601 video range written from its definition, in floating point.
void Bt601(int aY, int aU, int aV, uint8_t aRgb[3])
{
    const double y = 255.0 / 219.0 * (std::max(aY, 16) - 16);
    const double u = 255.0 / 224.0 * (aU - 128), v = 255.0 / 224.0 * (aV - 128);
    const double kr = 0.299, kb = 0.114, kg = 1 - kr - kb;
    const double rgb[3] = {y + 2 * (1 - kr) * v, y - 2 * (1 - kb) * kb / kg * u - 2 * (1 - kr) * kr / kg * v,
                           y + 2 * (1 - kb) * u};
    for (int c = 0; c < 3; ++c)
        aRgb[c] = static_cast<uint8_t>(std::clamp(std::lround(rgb[c]), 0L, 255L));
}

TEST(ConverterColour, YuvAsBt601VideoRange)
{
    constexpr uint32_t width = 64, height = 9, padding = 2;  // padding pixels per line
    std::mt19937 random(30);
    std::vector<uint8_t> uyvy(size_t(width + padding) * height * 2);
    for (uint8_t &byte : uyvy)
        byte = static_cast<uint8_t>(random());
    // The corners of the range too: black, white, and saturated chroma.
    const uint8_t corners[] = {128, 16, 128, 235, 0, 0, 255, 255, 255, 0, 0, 255, 16, 16, 240, 240};
    std::copy(std::begin(corners), std::end(corners), uyvy.begin());
    KyBuffer source;
    ASSERT_TRUE(source.GetImage()->Attach(uyvy.data(), width, height, KyPixelYUV422_8_UYVY, padding).IsOK());

    const struct
    {
        KyPixelType to;
        int bytes, red, green, blue;
    } layouts[] = {{KyPixelBGR8, 3, 2, 1, 0},
                   {KyPixelRGB8, 3, 0, 1, 2},
                   {KyPixelBGRa8, 4, 2, 1, 0},
                   {KyPixelRGBa8, 4, 0, 1, 2}};
    for (uint32_t threads : {1u, 4u}) {
        KyBufferConverter converter(threads);
        for (const auto &layout : layouts) {
            KyBuffer destination;
            ASSERT_TRUE(destination.GetImage()->Alloc(1, 1, layout.to).IsOK());
            ASSERT_TRUE(converter.Convert(&source, &destination, true).IsOK()) << Name(layout.to);
            const uint8_t *out = destination.GetDataPointer();
            int worst = 0;
            for (uint32_t y = 0; y < height; ++y) {
                for (uint32_t x = 0; x < width; ++x) {
                    const uint8_t *pair = uyvy.data() + (size_t(y) * (width + padding) + x / 2 * 2) * 2;
                    uint8_t rgb[3];
                    Bt601(pair[1 + 2 * (x % 2)], pair[0], pair[2], rgb);
                    const uint8_t *pixel = out + (size_t(y) * width + x) * layout.bytes;
                    worst = std::max({worst, std::abs(pixel[layout.red] - rgb[0]),
                                      std::abs(pixel[layout.green] - rgb[1]),
                                      std::abs(pixel[layout.blue] - rgb[2])});
                    if (layout.bytes == 4) {
                        EXPECT_EQ(pixel[3], 255);
                    }
                }
            }
            EXPECT_LE(worst, 1) << Name(layout.to);
        }
        // Mono8 is the luma as it is.
        KyBuffer grey;
        ASSERT_TRUE(grey.GetImage()->Alloc(width, height, KyPixelMono8).IsOK());
        ASSERT_TRUE(converter.Convert(&source, &grey).IsOK());
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                ASSERT_EQ(grey.GetDataPointer()[y * width + x],
                          uyvy[(size_t(y) * (width + padding) + x) * 2 + 1]);
    }

    // 4:2:2 shares chroma between pixel pairs: an odd width is refused.
    KyBuffer odd, destination;
    ASSERT_TRUE(odd.GetImage()->Attach(uyvy.data(), 5, 2, KyPixelYUV422_8_UYVY).IsOK());
    ASSERT_TRUE(destination.GetImage()->Alloc(5, 2, KyPixelBGR8).IsOK());
    const KyResult r = KyBufferConverter(1).Convert(&odd, &destination);
    EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(r.GetDescription().str(), "[KyBufferConverter::Convert] a YUV422_8_UYVY image needs an even "
                                        "width, this one has 5 pixels per line");
}

TEST(ConverterColour, WideRgbAndRgbaKeepTheirHighBits)
{
    // Two pixels of RGBa16 (little-endian samples): R G B A each.
    const uint16_t rgba16[8] = {0x1234, 0xABCD, 0x00FF, 0x8000, 0xFFFF, 0x0100, 0x7F80, 0x0001};
    const uint16_t rgb14[6] = {0x3FFF, 0x2000, 0x0004, 0x1234, 0x0FF0, 0x00C0};
    std::vector<uint8_t> bytes16(16), bytes14(12);
    for (int i = 0; i < 8; ++i)
        bytes16[2 * i] = uint8_t(rgba16[i]), bytes16[2 * i + 1] = uint8_t(rgba16[i] >> 8);
    for (int i = 0; i < 6; ++i)
        bytes14[2 * i] = uint8_t(rgb14[i]), bytes14[2 * i + 1] = uint8_t(rgb14[i] >> 8);
    const struct
    {
        uint8_t *data;
        KyPixelType from, to;
        std::vector<uint8_t> expected;
    } cases[] = {
        {bytes16.data(), KyPixelRGBa16, KyPixelBGR8, {0x00, 0xAB, 0x12, 0x7F, 0x01, 0xFF}},
        {bytes16.data(), KyPixelRGBa16, KyPixelRGBa8, {0x12, 0xAB, 0x00, 0x80, 0xFF, 0x01, 0x7F, 0x00}},
        {bytes14.data(), KyPixelRGB14, KyPixelBGR8, {0x00, 0x80, 0xFF, 0x03, 0x3F, 0x48}},
    };
    KyBufferConverter converter(1);
    for (const auto &c : cases) {
        KyBuffer source, destination;
        ASSERT_TRUE(source.GetImage()->Attach(c.data, 2, 1, c.from).IsOK());
        ASSERT_TRUE(destination.GetImage()->Alloc(2, 1, c.to).IsOK());
        ASSERT_TRUE(converter.Convert(&source, &destination).IsOK()) << Name(c.from);
        EXPECT_EQ(std::vector<uint8_t>(destination.GetDataPointer(),
                                       destination.GetDataPointer() + c.expected.size()),
                  c.expected)
            << Name(c.from) << " -> " << Name(c.to);
    }
}

}  // namespace
