#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyBufferConverter.h"

namespace {

std::vector<uint8_t> Bytes(const KyBuffer &aBuffer, size_t aCount)
{
    return std::vector<uint8_t>(aBuffer.GetDataPointer(), aBuffer.GetDataPointer() + aCount);
}

std::string Description(const KyResult &r) { return r.GetDescription().str(); }

}  // namespace

TEST(Converter, PixelOrderConversions)
{
    // Two pixels, each given as R, G, B (and A = 200 where there is alpha).
    uint8_t mono[2] = {7, 9};
    uint8_t rgb[6] = {1, 2, 3, 4, 5, 6};
    uint8_t bgr[6] = {3, 2, 1, 6, 5, 4};
    uint8_t rgba[8] = {1, 2, 3, 200, 4, 5, 6, 200};
    uint8_t bgra[8] = {3, 2, 1, 200, 6, 5, 4, 200};
    const struct
    {
        uint8_t *source;
        KyPixelType from, to;
        std::vector<uint8_t> expected;
    } cases[] = {
        {mono, KyPixelMono8, KyPixelBGR8, {7, 7, 7, 9, 9, 9}},
        {mono, KyPixelMono8, KyPixelBGRa8, {7, 7, 7, 255, 9, 9, 9, 255}},
        {rgb, KyPixelRGB8, KyPixelBGR8, {3, 2, 1, 6, 5, 4}},
        {bgr, KyPixelBGR8, KyPixelRGB8, {1, 2, 3, 4, 5, 6}},
        {bgr, KyPixelBGR8, KyPixelBGR8, {3, 2, 1, 6, 5, 4}},
        {bgr, KyPixelBGR8, KyPixelBGRa8, {3, 2, 1, 255, 6, 5, 4, 255}},
        {bgra, KyPixelBGRa8, KyPixelBGR8, {3, 2, 1, 6, 5, 4}},
        {rgba, KyPixelRGBa8, KyPixelBGRa8, {3, 2, 1, 200, 6, 5, 4, 200}},
        {bgra, KyPixelBGRa8, KyPixelRGB8, {1, 2, 3, 4, 5, 6}},
    };
    KyBufferConverter converter;
    for (const auto &c : cases) {
        const std::string name =
            KyImage::PixelTypeToString(c.from).str() + " -> " + KyImage::PixelTypeToString(c.to).str();
        EXPECT_TRUE(KyBufferConverter::IsConversionSupported(c.from, c.to)) << name;
        KyBuffer source, destination;
        ASSERT_TRUE(source.GetImage()->Attach(c.source, 2, 1, c.from).IsOK()) << name;
        ASSERT_TRUE(destination.GetImage()->Alloc(1, 1, c.to).IsOK()) << name;
        ASSERT_TRUE(converter.Convert(&source, &destination).IsOK()) << name;
        EXPECT_EQ(Bytes(destination, c.expected.size()), c.expected) << name;
        EXPECT_EQ(destination.GetImage()->GetWidth(), 2u) << name;
    }
}

TEST(Converter, FlipYWritesLinesBottomUp)
{
    uint8_t mono[6] = {1, 2, 3, 4, 5, 6};  // 2 x 3
    KyBuffer source, destination;
    ASSERT_TRUE(source.GetImage()->Attach(mono, 2, 3, KyPixelMono8).IsOK());
    ASSERT_TRUE(destination.GetImage()->Alloc(2, 3, KyPixelRGB8).IsOK());
    KyBufferConverter converter;
    ASSERT_TRUE(converter.Convert(&source, &destination, true, true).IsOK());
    EXPECT_EQ(Bytes(destination, 18),
              (std::vector<uint8_t>{5, 5, 5, 6, 6, 6, 3, 3, 3, 4, 4, 4, 1, 1, 1, 2, 2, 2}));
}

TEST(Converter, SourcePaddingIsSkipped)
{
    // 2 x 2 Mono8 with one padding pixel per line and one padding line.
    uint8_t mono[9] = {1, 2, 99, 3, 4, 99, 99, 99, 99};
    KyBuffer source, destination;
    ASSERT_TRUE(source.GetImage()->Attach(mono, 2, 2, KyPixelMono8, 1, 1).IsOK());
    ASSERT_TRUE(destination.GetImage()->Alloc(1, 1, KyPixelBGR8).IsOK());
    KyBufferConverter converter;
    ASSERT_TRUE(converter.Convert(static_cast<const IKyImage *>(source.GetImage()), &destination).IsOK());
    EXPECT_EQ(Bytes(destination, 12), (std::vector<uint8_t>{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
}

TEST(Converter, DestinationSizeRules)
{
    uint8_t raw[16] = {};
    KyBuffer source;
    ASSERT_TRUE(source.GetImage()->Attach(raw, 4, 4, KyPixelBayerGB8).IsOK());
    KyBufferConverter converter;

    // Attached memory is never re-allocated.
    std::vector<uint8_t> small(45);
    KyBuffer attached;
    ASSERT_TRUE(attached.GetImage()->Attach(small.data(), 15, 1, KyPixelBGR8).IsOK());
    KyResult r = converter.Convert(&source, &attached);
    EXPECT_EQ(r.GetCode(), KY_BUFFER_TOO_SMALL);
    EXPECT_EQ(Description(r),
              "[KyBufferConverter::Convert] the destination has 45 bytes, the image needs 48");

    // Own memory grows only when allowed.
    KyBuffer owned;
    ASSERT_TRUE(owned.GetImage()->Alloc(2, 2, KyPixelBGR8).IsOK());
    EXPECT_EQ(converter.Convert(&source, &owned, false).GetCode(), KY_BUFFER_TOO_SMALL);
    EXPECT_EQ(owned.GetSize(), 12u);
    ASSERT_TRUE(converter.Convert(&source, &owned, true).IsOK());
    EXPECT_EQ(owned.GetSize(), 48u);
    EXPECT_EQ(owned.GetImage()->GetWidth(), 4u);
    EXPECT_EQ(owned.GetImage()->GetHeight(), 4u);
}

TEST(Converter, RefusalsNameTheirReason)
{
    uint8_t pixels[64] = {};
    KyBuffer bayer, mono, wide, empty, raw(KyPayloadTypeRawData), destination, yuv;
    ASSERT_TRUE(bayer.GetImage()->Attach(pixels, 4, 4, KyPixelBayerBG8).IsOK());
    ASSERT_TRUE(mono.GetImage()->Attach(pixels, 4, 4, KyPixelMono8).IsOK());
    ASSERT_TRUE(wide.GetImage()->Attach(pixels, 1, 8, KyPixelBayerRG8).IsOK());
    ASSERT_TRUE(yuv.GetImage()->Attach(pixels, 4, 4, KyPixelYUV422_8).IsOK());
    ASSERT_TRUE(destination.GetImage()->Alloc(4, 4, KyPixelBGR8).IsOK());
    KyBuffer toMono;
    ASSERT_TRUE(toMono.GetImage()->Alloc(4, 4, KyPixelMono8).IsOK());
    KyBuffer shared;
    ASSERT_TRUE(shared.GetImage()->Attach(pixels + 8, 4, 4, KyPixelBGR8).IsOK());
    KyBufferConverter converter;
    const struct
    {
        const char *name;
        const KyBuffer *source;
        KyBuffer *destination;
        uint32_t code;
        const char *why;
    } cases[] = {
        {"no source", nullptr, &destination, KY_INVALID_PARAMETER, "no source buffer"},
        {"no destination", &bayer, nullptr, KY_INVALID_PARAMETER, "no destination buffer"},
        {"raw source", &raw, &destination, KY_INVALID_PARAMETER,
         "the source buffer holds no image (payload type 2)"},
        {"raw destination", &bayer, &raw, KY_INVALID_PARAMETER,
         "the destination buffer holds no image (payload type 2)"},
        {"to mono", &bayer, &toMono, KY_INVALID_PARAMETER, "cannot convert BayerBG8 to Mono8"},
        {"from YUV", &yuv, &destination, KY_INVALID_PARAMETER, "cannot convert YUV422_8 to BGR8"},
        {"no pixels", &empty, &destination, KY_INVALID_PARAMETER, "cannot convert Undefined to BGR8"},
        {"one pixel wide", &wide, &destination, KY_INVALID_PARAMETER,
         "a Bayer image needs 2 x 2 pixels, this one has 1 x 8"},
        {"same memory", &mono, &shared, KY_INVALID_PARAMETER, "source and destination share memory"},
    };
    for (const auto &c : cases) {
        KyResult r = converter.Convert(c.source, c.destination);
        EXPECT_EQ(r.GetCode(), c.code) << c.name;
        EXPECT_EQ(Description(r), std::string("[KyBufferConverter::Convert] ") + c.why) << c.name;
    }
    EXPECT_FALSE(KyBufferConverter::IsConversionSupported(KyPixelBGR8, KyPixelMono8));
    EXPECT_FALSE(KyBufferConverter::IsConversionSupported(KyPixelBayerRG10, KyPixelMono8));
    EXPECT_FALSE(KyBufferConverter::IsConversionSupported(KyPixelRGB10p, KyPixelBGR8));
    EXPECT_TRUE(KyBufferConverter::IsConversionSupported(KyPixelBayerRG8, KyPixelRGBa8));
}

TEST(Converter, SettingsAndTheirChecks)
{
    KyBufferConverter converter;
    EXPECT_GE(converter.GetThreadCount(), 1u);
    EXPECT_EQ(KyBufferConverter(3).GetThreadCount(), 3u);
    EXPECT_EQ(converter.GetBayerFilter(), KyBayerFilter3X3);
    KyResult r = converter.SetBayerFilter(static_cast<KyBayerFilterType>(7));
    EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(Description(r), "[KyBufferConverter::SetBayerFilter] no Bayer filter 7");
    EXPECT_EQ(converter.GetBayerFilter(), KyBayerFilter3X3);
    EXPECT_TRUE(converter.SetConversionThreadsPriority(2).IsOK());
    EXPECT_EQ(converter.GetConversionThreadsPriority(), 2u);
}

TEST(Converter, IdentityAndBlockIdCarriedOver)
{
    uint8_t mono[4] = {1, 2, 3, 4};
    KyBuffer source, destination;
    ASSERT_TRUE(source.GetImage()->Attach(mono, 2, 2, KyPixelMono8).IsOK());
    ASSERT_TRUE(source.SetBlockID(77).IsOK());
    ASSERT_TRUE(source.SetTimestamp(123456789).IsOK());
    ASSERT_TRUE(destination.GetImage()->Alloc(2, 2, KyPixelBGR8).IsOK());
    KyBufferConverter converter;
    ASSERT_TRUE(converter.Convert(&source, &destination).IsOK());
    EXPECT_EQ(destination.GetBlockID(), 77u);
    EXPECT_EQ(destination.GetImage()->GetTimestamp(), 123456789u);
}

TEST(RGBFilter, GainsAndOffsetsApplyWithRoundingAndClamping)
{
    KyBufferConverterRGBFilter filter;
    EXPECT_TRUE(filter.IsIdentity());
    filter.SetGainR(2.0);
    filter.SetOffsetG(-10);
    filter.SetGainB(0.5);
    filter.SetOffsetB(1);
    uint8_t rgb[6] = {100, 5, 9, 200, 50, 255};
    KyBuffer source, destination;
    ASSERT_TRUE(source.GetImage()->Attach(rgb, 2, 1, KyPixelRGB8).IsOK());
    ASSERT_TRUE(destination.GetImage()->Alloc(2, 1, KyPixelRGB8).IsOK());
    KyBufferConverter converter;
    ASSERT_TRUE(converter.SetRGBFilter(filter).IsOK());
    ASSERT_TRUE(converter.Convert(&source, &destination).IsOK());
    // R 2x: 200, 400 -> 255; G -10: 0 (held at 0), 40; B 0.5x + 1: 5.5 -> 6, 128.5 -> 128 (halves to even)
    EXPECT_EQ(Bytes(destination, 6), (std::vector<uint8_t>{200, 0, 6, 255, 40, 128}));
    ASSERT_TRUE(converter.ResetRGBFilter().IsOK());
    ASSERT_TRUE(converter.Convert(&source, &destination).IsOK());
    EXPECT_EQ(Bytes(destination, 6), (std::vector<uint8_t>{100, 5, 9, 200, 50, 255}));
    filter.Reset();
    EXPECT_TRUE(filter.IsIdentity());
}

TEST(RGBFilter, WhiteBalanceFromASample)
{
    // Averages: R 50, G 100, B 25 -> gains 2, 1, 4.
    uint8_t bgr[6] = {20, 90, 40, 30, 110, 60};
    KyBuffer sample;
    ASSERT_TRUE(sample.GetImage()->Attach(bgr, 2, 1, KyPixelBGR8).IsOK());
    KyBufferConverterRGBFilter filter;
    filter.SetOffsetR(3);
    ASSERT_TRUE(filter.WhiteBalance(&sample).IsOK());
    EXPECT_DOUBLE_EQ(filter.GetGainR(), 2.0);
    EXPECT_DOUBLE_EQ(filter.GetGainG(), 1.0);
    EXPECT_DOUBLE_EQ(filter.GetGainB(), 4.0);
    EXPECT_EQ(filter.GetOffsetR(), 3);

    // Bayer RG: red 10, greens 40 and 60, blue 25 -> gains 5, 1, 2.
    uint8_t bayer[4] = {10, 40, 60, 25};
    KyBuffer bayerSample;
    ASSERT_TRUE(bayerSample.GetImage()->Attach(bayer, 2, 2, KyPixelBayerRG8).IsOK());
    ASSERT_TRUE(filter.WhiteBalance(&bayerSample).IsOK());
    EXPECT_DOUBLE_EQ(filter.GetGainR(), 5.0);
    EXPECT_DOUBLE_EQ(filter.GetGainG(), 1.0);
    EXPECT_DOUBLE_EQ(filter.GetGainB(), 2.0);

    uint8_t dark[6] = {0, 10, 10, 0, 10, 10};
    KyBuffer darkSample;
    ASSERT_TRUE(darkSample.GetImage()->Attach(dark, 2, 1, KyPixelBGR8).IsOK());
    KyResult r = filter.WhiteBalance(&darkSample);
    EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(Description(r),
              "[KyBufferConverterRGBFilter::WhiteBalance] the blue average of the sample is 0");
    EXPECT_DOUBLE_EQ(filter.GetGainR(), 5.0);  // unchanged
    EXPECT_EQ(filter.WhiteBalance(nullptr).GetCode(), KY_INVALID_PARAMETER);
}
