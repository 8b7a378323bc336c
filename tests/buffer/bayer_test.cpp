// Bayer demosaicing against the reference, pixel for pixel: every layout, both filters, sizes
// that are odd, tiny, and just around the width the vector loops take.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "KyBayer.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyBufferConverter.h"
#include "bayer_reference.h"

namespace {

const KyPixelType kLayouts[] = {KyPixelBayerRG8, KyPixelBayerGR8, KyPixelBayerGB8, KyPixelBayerBG8};
const KyBayerFilterType kFilters[] = {KyBayerFilterSimple, KyBayerFilter3X3};
const struct
{
    uint32_t width, height;
} kSizes[] = {{2, 2},  {3, 2},  {2, 3},  {3, 3},  {5, 4},  {4, 7},  {33, 3}, {34, 4},
              {35, 5}, {36, 2}, {64, 3}, {66, 5}, {67, 6}, {97, 4}, {130, 9}};

std::vector<uint8_t> RandomBytes(size_t aCount, unsigned aSeed)
{
    std::mt19937 random(aSeed);
    std::vector<uint8_t> bytes(aCount);
    for (uint8_t &b : bytes)
        b = static_cast<uint8_t>(random());
    return bytes;
}

std::string Case(KyPixelType aType, KyBayerFilterType aFilter, uint32_t aWidth, uint32_t aHeight)
{
    return KyImage::PixelTypeToString(aType).str() + (aFilter == KyBayerFilterSimple ? " simple " : " 3x3 ") +
           std::to_string(aWidth) + "x" + std::to_string(aHeight);
}

// Index of the first difference, or -1.
long FirstDifference(const std::vector<uint8_t> &a, const uint8_t *b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return long(i);
    return -1;
}

}  // namespace

TEST(Bayer, ConverterMatchesReferenceForEveryLayoutFilterAndSize)
{
    KyBufferConverter converter(1);
    for (KyPixelType type : kLayouts)
        for (KyBayerFilterType filter : kFilters)
            for (const auto &size : kSizes) {
                std::vector<uint8_t> raw =
                    RandomBytes(size_t(size.width) * size.height, size.width * 31 + size.height);
                KyBuffer source, destination;
                ASSERT_TRUE(source.GetImage()->Attach(raw.data(), size.width, size.height, type).IsOK());
                ASSERT_TRUE(destination.GetImage()->Alloc(1, 1, KyPixelBGR8).IsOK());
                ASSERT_TRUE(converter.SetBayerFilter(filter).IsOK());
                KyResult r = converter.Convert(&source, &destination);
                ASSERT_TRUE(r.IsOK())
                    << Case(type, filter, size.width, size.height) << r.GetDescription().GetAscii();
                const std::vector<uint8_t> expected =
                    reference::Demosaic(raw, size.width, size.height, type, filter);
                ASSERT_EQ(destination.GetImage()->GetImageSize(), expected.size());
                EXPECT_EQ(FirstDifference(expected, destination.GetDataPointer()), -1)
                    << Case(type, filter, size.width, size.height);
            }
}

TEST(Bayer, PortableAndVectorRowsAgreeWithReference)
{
    for (KyPixelType type : kLayouts)
        for (KyBayerFilterType filter : kFilters)
            for (const auto &size : kSizes) {
                const std::vector<uint8_t> raw = RandomBytes(size_t(size.width) * size.height, size.height);
                ky::buffer::BayerImage image{raw.data(), size.width, size.width, size.height, 0, 0};
                ASSERT_TRUE(ky::buffer::BayerPatternOf(type, image.redX, image.redY));
                const std::vector<uint8_t> expected =
                    reference::Demosaic(raw, size.width, size.height, type, filter);
                for (bool simd : {false, true}) {
                    std::vector<uint8_t> out(expected.size());
                    for (uint32_t y = 0; y < size.height; ++y)
                        ky::buffer::DemosaicRow(image, filter, y, out.data() + size_t(y) * size.width * 3,
                                                false, simd);
                    EXPECT_EQ(FirstDifference(expected, out.data()), -1)
                        << Case(type, filter, size.width, size.height) << (simd ? " vector" : " portable");
                }
            }
}

TEST(Bayer, KnownTwoByTwoCell)
{
    // R 10, G 20 / G 30, B 40. Simple: every pixel R 10, G 25, B 40. 3x3 with mirrored
    // borders: the red pixel sees greens 20, 20, 30, 30 (-> 25) and blue 40 on every corner.
    uint8_t raw[4] = {10, 20, 30, 40};
    KyBuffer source, destination;
    ASSERT_TRUE(source.GetImage()->Attach(raw, 2, 2, KyPixelBayerRG8).IsOK());
    ASSERT_TRUE(destination.GetImage()->Alloc(2, 2, KyPixelBGR8).IsOK());
    KyBufferConverter converter;
    ASSERT_TRUE(converter.SetBayerFilter(KyBayerFilterSimple).IsOK());
    ASSERT_TRUE(converter.Convert(&source, &destination).IsOK());
    const std::vector<uint8_t> simple(destination.GetDataPointer(), destination.GetDataPointer() + 12);
    EXPECT_EQ(simple, (std::vector<uint8_t>{40, 25, 10, 40, 25, 10, 40, 25, 10, 40, 25, 10}));
    ASSERT_TRUE(converter.SetBayerFilter(KyBayerFilter3X3).IsOK());
    ASSERT_TRUE(converter.Convert(&source, &destination).IsOK());
    const std::vector<uint8_t> bilinear(destination.GetDataPointer(), destination.GetDataPointer() + 12);
    // (0,0) red site; (1,0) green in the red row; (0,1) green in the blue row; (1,1) blue site.
    EXPECT_EQ(bilinear, (std::vector<uint8_t>{40, 25, 10, 40, 20, 10, 40, 30, 10, 40, 25, 10}));
}

TEST(Bayer, KnownCellInEveryLayout)
{
    // The same four samples 10 20 / 30 40 read as each layout; simple gives one colour to all
    // four pixels: red and blue as they sit, green the rounded-up mean of the two others.
    const struct
    {
        KyPixelType type;
        uint8_t blue, green, red;
    } cases[] = {
        {KyPixelBayerRG8, 40, 25, 10},
        {KyPixelBayerGR8, 30, 25, 20},
        {KyPixelBayerGB8, 20, 25, 30},
        {KyPixelBayerBG8, 10, 25, 40},
    };
    uint8_t raw[4] = {10, 20, 30, 40};
    KyBufferConverter converter;
    ASSERT_TRUE(converter.SetBayerFilter(KyBayerFilterSimple).IsOK());
    for (const auto &c : cases) {
        KyBuffer source, destination;
        ASSERT_TRUE(source.GetImage()->Attach(raw, 2, 2, c.type).IsOK());
        ASSERT_TRUE(destination.GetImage()->Alloc(2, 2, KyPixelBGR8).IsOK());
        ASSERT_TRUE(converter.Convert(&source, &destination).IsOK());
        for (int i = 0; i < 4; ++i) {
            const uint8_t *p = destination.GetDataPointer() + i * 3;
            EXPECT_EQ(p[0], c.blue) << KyImage::PixelTypeToString(c.type).GetAscii() << " pixel " << i;
            EXPECT_EQ(p[1], c.green) << KyImage::PixelTypeToString(c.type).GetAscii() << " pixel " << i;
            EXPECT_EQ(p[2], c.red) << KyImage::PixelTypeToString(c.type).GetAscii() << " pixel " << i;
        }
    }
}

TEST(Bayer, ThreadedConversionOfALargeImageMatchesReference)
{
    const uint32_t width = 642, height = 481;  // above the size where rows are shared out
    const std::vector<uint8_t> raw = RandomBytes(size_t(width) * height, 3);
    for (KyPixelType type : kLayouts) {
        KyBuffer source, destination;
        ASSERT_TRUE(source.GetImage()->Attach(const_cast<uint8_t *>(raw.data()), width, height, type).IsOK());
        ASSERT_TRUE(destination.GetImage()->Alloc(width, height, KyPixelBGR8).IsOK());
        KyBufferConverter converter(4);
        ASSERT_TRUE(converter.Convert(&source, &destination, false).IsOK());
        EXPECT_EQ(FirstDifference(reference::Demosaic(raw, width, height, type, KyBayerFilter3X3),
                                  destination.GetDataPointer()),
                  -1)
            << KyImage::PixelTypeToString(type).GetAscii();
    }
}
