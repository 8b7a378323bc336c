#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ky/buffer/KyBuffer.h"
#include "refusal.h"

TEST(Image, AllocSizesWithPaddingAndChunkRoom)
{
    KyBuffer buffer;
    KyImage *image = buffer.GetImage();
    ASSERT_TRUE(image->Alloc(10, 4, KyPixelMono8, 2, 1, 32).IsOK());
    EXPECT_TRUE(image->IsAllocated());
    EXPECT_FALSE(image->IsAttached());
    EXPECT_EQ(image->GetWidth(), 10u);
    EXPECT_EQ(image->GetHeight(), 4u);
    EXPECT_EQ(image->GetPaddingX(), 2u);
    EXPECT_EQ(image->GetPaddingY(), 1u);
    EXPECT_EQ(image->GetImageSize(), 60u);  // 12 x 5
    EXPECT_EQ(image->GetEffectiveImageSize(), 40u);
    EXPECT_EQ(image->GetMaximumChunkLength(), 32u);
    EXPECT_EQ(buffer.GetSize(), 92u);
    EXPECT_EQ(image->GetDataPointer(), buffer.GetDataPointer());
    EXPECT_EQ(image->GetBitsPerPixel(), 8u);
    EXPECT_EQ(image->GetRequiredSize(), 60u);
}

TEST(Image, SizesFollowBitsPerPixel)
{
    const struct
    {
        KyPixelType type;
        uint32_t width, height, bytes;
    } cases[] = {
        {KyPixelMono8, 640, 480, 307200}, {KyPixelMono16, 8, 2, 32}, {KyPixelBGR16, 8, 2, 96},
        {KyPixelRGB8, 3, 3, 27},          {KyPixelRGBa8, 2, 2, 16},  {KyPixelMono12Packed, 3, 1, 5},
        {KyPixelMono10p, 4, 1, 5},        {KyPixelMono1p, 9, 1, 2},  {KyPixelYUV422_8_UYVY, 4, 1, 8},
    };
    for (const auto &c : cases) {
        KyBuffer buffer;
        ASSERT_TRUE(buffer.GetImage()->Alloc(c.width, c.height, c.type).IsOK());
        EXPECT_EQ(buffer.GetImage()->GetImageSize(), c.bytes)
            << KyImage::PixelTypeToString(c.type).GetAscii();
        EXPECT_EQ(buffer.GetSize(), c.bytes);
    }
}

TEST(Image, LayoutsThatCannotBeSizedAreRefused)
{
    KyBuffer buffer;
    KyImage *image = buffer.GetImage();
    uint8_t byte = 0;
    ExpectRefusals(
        KY_INVALID_PARAMETER,
        {
            {"above 4 GiB", image->Alloc(65536, 65536, KyPixelMono8),
             "[KyImage::Alloc] cannot size 65536 x 65536 pixels of type Mono8"},
            {"largest sizes", image->Alloc(0xFFFFFFFF, 0xFFFFFFFF, KyPixelRGBa16, 0xFFFF, 0xFFFF),
             "[KyImage::Alloc] cannot size 4294967295 x 4294967295 pixels of type RGBa16"},
            {"chunks beyond 4 GiB", image->Alloc(65536, 65535, KyPixelMono8, 0, 0, 0xFFFFFFFF),
             "[KyImage::Alloc] image and chunks take 8589869055 bytes, more than 4 GiB"},
            {"no pixel size", image->Alloc(4, 4, KyPixelUndefined),
             "[KyImage::Alloc] cannot size 4 x 4 pixels of type Undefined"},
            {"empty", image->Alloc(0, 4, KyPixelMono8), "[KyBuffer::Alloc] a buffer needs at least one byte"},
            {"attach null", image->Attach(nullptr, 4, 4, KyPixelMono8), "[KyBuffer::Attach] no memory given"},
            {"attach unsized", image->Attach(&byte, 4, 4, static_cast<KyPixelType>(0x01000001)),
             "[KyImage::Attach] cannot size 4 x 4 pixels of type Unknown"},
        });
    EXPECT_EQ(buffer.GetSize(), 0u);
    EXPECT_EQ(image->GetWidth(), 0u);
}

TEST(Image, AttachDetachKeepsTheGeometry)
{
    std::vector<uint8_t> pixels(480 * 640);
    KyBuffer buffer;
    KyImage *image = buffer.GetImage();
    ASSERT_TRUE(image->Attach(pixels.data(), 640, 480, KyPixelMono8).IsOK());
    EXPECT_TRUE(image->IsAttached());
    EXPECT_EQ(buffer.GetSize(), 640u * 480u);
    image->GetDataPointer()[641] = 9;
    EXPECT_EQ(pixels[641], 9);
    EXPECT_EQ(image->Detach(), pixels.data());
    EXPECT_EQ(image->GetDataPointer(), nullptr);
    EXPECT_EQ(image->GetWidth(), 640u);  // the detached memory is still described
    EXPECT_EQ(image->GetHeight(), 480u);
    EXPECT_EQ(image->Detach(), nullptr);
}

TEST(Image, AttachSizedChecksTheMemory)
{
    std::vector<uint8_t> pixels(480 * 640);  // a Mono8 image's worth
    KyBuffer buffer;
    KyImage *image = buffer.GetImage();
    KyResult r = image->AttachSized(pixels.data(), pixels.size(), 640, 480, KyPixelBGR8);
    EXPECT_EQ(r.GetCode(), KY_BUFFER_TOO_SMALL);
    EXPECT_EQ(r.GetDescription().str(),
              "[KyImage::AttachSized] the image takes 921600 bytes, the memory has 307200");
    EXPECT_FALSE(image->IsAttached());
    EXPECT_EQ(image->AttachSized(pixels.data(), pixels.size(), 640, 479, KyPixelMono8, 0, 0, 640).GetCode(),
              KY_OK);
    EXPECT_EQ(buffer.GetSize(), 307200u);
}

TEST(Image, GeometryNeverDescribesMoreThanTheMemory)
{
    KyBuffer buffer;
    KyImage *image = buffer.GetImage();
    ASSERT_TRUE(image->Alloc(16, 16, KyPixelMono8).IsOK());

    // A leader announcing a larger image than the buffer holds is refused.
    KyResult r = image->SetGeometry(KyPixelMono16, 16, 16, 0, 0, 0, 0);
    EXPECT_EQ(r.GetCode(), KY_BUFFER_TOO_SMALL);
    EXPECT_EQ(r.GetDescription().str(),
              "[KyImage::SetGeometry] the image takes 512 bytes, the buffer has 256");
    EXPECT_EQ(image->GetPixelType(), KyPixelMono8);
    ASSERT_TRUE(image->SetGeometry(KyPixelBayerGR8, 8, 30, 4, 2, 0, 2).IsOK());
    EXPECT_EQ(image->GetOffsetX(), 4u);
    EXPECT_EQ(image->GetOffsetY(), 2u);
    EXPECT_EQ(image->GetImageSize(), 256u);

    // Smaller memory under the image drops its size.
    ASSERT_TRUE(buffer.Alloc(100).IsOK());
    EXPECT_EQ(image->GetWidth(), 0u);
    EXPECT_EQ(image->GetHeight(), 0u);
    EXPECT_EQ(image->GetImageSize(), 0u);
    EXPECT_EQ(image->GetPixelType(), KyPixelBayerGR8);
}

TEST(Image, StatusBits)
{
    KyBuffer buffer;
    KyImage *image = buffer.GetImage();
    image->SetEOFByLineCount();
    EXPECT_TRUE(image->IsEOFByLineCount());
    image->SetFullLineMissing(true, 17);
    EXPECT_TRUE(image->IsFullLineMissing());
    EXPECT_EQ(image->GetMissingLine(), 17u);
    image->ClearEOFStatus();
    EXPECT_FALSE(image->IsEOFByLineCount());
    EXPECT_FALSE(image->IsFullLineMissing());
    image->SetPartialLineMissing(true);
    image->SetInterlaced(true, false);
    image->SetImageDropped(true);
    image->SetDataOverrun(true);
    EXPECT_TRUE(image->IsPartialLineMissing() && image->IsInterlacedEven() && !image->IsInterlacedOdd());
    EXPECT_TRUE(image->IsImageDropped() && image->IsDataOverrun());
    buffer.BeginAcquisition();
    EXPECT_FALSE(image->IsPartialLineMissing() || image->IsInterlacedEven() || image->IsImageDropped() ||
                 image->IsDataOverrun());
}

TEST(Image, PixelTypeQueries)
{
    const struct
    {
        KyPixelType type;
        uint32_t bits, component;
        bool colour, highRes;
        const char *name;
    } cases[] = {
        {KyPixelMono8, 8, 8, false, false, "Mono8"},
        {KyPixelMono12Packed, 12, 12, false, true, "Mono12Packed"},
        {KyPixelMono10, 16, 10, false, true, "Mono10"},
        {KyPixelBayerRG8, 8, 8, false, false, "BayerRG8"},
        {KyPixelBayerBG12p, 12, 12, false, true, "BayerBG12p"},
        {KyPixelRGB8, 24, 8, true, false, "RGB8"},
        {KyPixelRGBa16, 64, 16, true, true, "RGBa16"},
        {KyPixelRGB10p32, 32, 10, true, true, "RGB10p32"},
        {KyPixelRGB565p, 16, 5, true, false, "RGB565p"},
        {KyPixelYUV422_8_UYVY, 16, 8, true, false, "YUV422_8_UYVY"},
        {KyPixelYCbCr601_422_10p, 20, 10, true, true, "YCbCr601_422_10p"},
        {KyPixelSCF1WBWG12, 16, 12, false, true, "SCF1WBWG12"},
        {KyPixelMono1p, 1, 1, false, false, "Mono1p"},
        {static_cast<KyPixelType>(0x02300999), 48, 16, true, true, "Unknown"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(KyImage::GetPixelSize(c.type), c.bits) << c.name;
        EXPECT_EQ(KyImage::GetBitsPerComponent(c.type), c.component) << c.name;
        EXPECT_EQ(KyImage::IsPixelColor(c.type), c.colour) << c.name;
        EXPECT_EQ(KyImage::IsPixelHighRes(c.type), c.highRes) << c.name;
        EXPECT_EQ(KyImage::PixelTypeToString(c.type).str(), c.name);
    }
}
