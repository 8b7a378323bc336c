// Multi-part payloads: the writer composes parts, the reader and the section views read them
// back; refusals of the writer and of received part descriptions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ky/buffer/KyBuffer.h"

namespace {

// A multi-part buffer with an 8 x 4 Mono8 image part, a JPEG part and a chunk part.
struct Composed
{
    KyBuffer buffer{KyPayloadTypeMultiPart};
    IKyMultiPartContainer *mp = buffer.GetMultiPartContainer();

    Composed()
    {
        EXPECT_TRUE(mp->AddImagePart(KyMultiPart2DImage, 8, 4, KyPixelMono8, 16, 32, 0).IsOK());
        EXPECT_TRUE(mp->AddJPEGPart(KyMultiPartJPEGImage, 100, 0x81, 1000000000ull, 7).IsOK());
        EXPECT_TRUE(mp->AddChunkPart(64, 0x1234).IsOK());
    }
};

TEST(MultiPart, ContainerOnlyForMultiPartPayloads)
{
    KyBuffer image;
    EXPECT_EQ(image.GetMultiPartContainer(), nullptr);
    KyBuffer buffer(KyPayloadTypeMultiPart);
    ASSERT_NE(buffer.GetMultiPartContainer(), nullptr);
    EXPECT_EQ(buffer.GetMultiPartContainer()->GetPartCount(), 0u);
    EXPECT_EQ(buffer.GetImage(), nullptr);
    // A container held across a change of payload type refuses to build.
    IKyMultiPartContainer *mp = buffer.GetMultiPartContainer();
    ASSERT_TRUE(buffer.Reset(KyPayloadTypeImage).IsOK());
    EXPECT_EQ(buffer.GetMultiPartContainer(), nullptr);
    EXPECT_EQ(mp->AddChunkPart(16, 0).GetCode(), uint32_t(KY_NOT_SUPPORTED));
    EXPECT_EQ(mp->SetPartIDs(0, 1, 2, 3).GetCode(), uint32_t(KY_INVALID_DATA_FORMAT));
    EXPECT_EQ(mp->Validate().GetCode(), uint32_t(KY_NOT_SUPPORTED));
}

TEST(MultiPart, WriterComposesAndReaderReadsBack)
{
    Composed c;
    IKyMultiPartContainer &mp = *c.mp;
    ASSERT_TRUE(mp.SetPartIDs(0, 5, 6, 7).IsOK());
    ASSERT_TRUE(mp.SetPartZoneInfo(0, 2, 0x80000000u).IsOK());
    ASSERT_TRUE(mp.AllocAllParts().IsOK());
    EXPECT_EQ(c.buffer.GetSize(), 32u + 100u + 64u);

    ASSERT_EQ(mp.GetPartCount(), 3u);
    IKyMultiPartSection *image = mp.GetPart(0);
    IKyMultiPartSection *jpeg = mp.GetPart(1);
    IKyMultiPartSection *chunk = mp.GetPart(2);
    EXPECT_EQ(mp.GetPart(3), nullptr);
    EXPECT_TRUE(mp.HasChunkPart());

    // One allocation, parts in order.
    EXPECT_EQ(image->GetDataPointer(), c.buffer.GetDataPointer());
    EXPECT_EQ(jpeg->GetDataPointer(), c.buffer.GetDataPointer() + 32);
    EXPECT_EQ(chunk->GetDataPointer(), c.buffer.GetDataPointer() + 132);

    for (uint32_t i = 0; i < 32; ++i)
        image->GetDataPointer()[i] = uint8_t(i * 3);
    const uint8_t jfif[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0xFF, 0xD9};
    std::memcpy(jpeg->GetDataPointer(), jfif, sizeof jfif);
    ASSERT_TRUE(mp.SetPartFinalLength(1, sizeof jfif).IsOK());
    const uint8_t stamp[] = {1, 2, 3, 4};
    ASSERT_TRUE(chunk->GetChunkData()->AddChunk(0xABCD, stamp, sizeof stamp).IsOK());
    ASSERT_TRUE(mp.SetPartFinalImageHeight(0, 3).IsOK());
    EXPECT_TRUE(mp.Validate().IsOK());

    // The image part.
    EXPECT_EQ(image->GetDataType(), KyMultiPart2DImage);
    EXPECT_EQ(image->GetSize(), 32u);
    EXPECT_EQ(image->GetEffectiveSize(), 24u);
    EXPECT_EQ(image->GetJPEG(), nullptr);
    EXPECT_EQ(image->GetChunkData(), nullptr);
    IKyImage *view = image->GetImage();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetWidth(), 8u);
    EXPECT_EQ(view->GetHeight(), 3u);
    EXPECT_EQ(view->GetPixelType(), KyPixelMono8);
    EXPECT_EQ(view->GetOffsetX(), 16u);
    EXPECT_EQ(view->GetOffsetY(), 32u);
    EXPECT_EQ(view->GetImageSize(), 24u);
    EXPECT_EQ(view->GetDataPointer()[5], 15);
    EXPECT_EQ(image->GetSourceID(), 5u);
    EXPECT_EQ(image->GetDataPurposeID(), 6u);
    EXPECT_EQ(image->GetRegionID(), 7u);
    EXPECT_EQ(image->GetAdditionalZones(), 2u);
    EXPECT_EQ(image->GetZoneDirectionMask(), 0x80000000u);

    // The JPEG part.
    EXPECT_EQ(jpeg->GetDataType(), KyMultiPartJPEGImage);
    EXPECT_EQ(jpeg->GetImage(), nullptr);
    IKyImageJPEG *j = jpeg->GetJPEG();
    ASSERT_NE(j, nullptr);
    EXPECT_EQ(j->GetFlag(), 0x81);
    EXPECT_EQ(j->GetTimestampTickFrequency(), 1000000000ull);
    EXPECT_EQ(j->GetDataFormat(), 7u);
    EXPECT_EQ(j->GetDataSize(), sizeof jfif);
    EXPECT_EQ(std::memcmp(j->GetDataPointer(), jfif, sizeof jfif), 0);
    EXPECT_EQ(jpeg->GetSize(), 100u);
    EXPECT_EQ(jpeg->GetEffectiveSize(), sizeof jfif);

    // The chunk part: its chunk and trailer.
    EXPECT_EQ(chunk->GetDataType(), KyMultiPartChunkData);
    IKyChunkData *chunks = chunk->GetChunkData();
    ASSERT_NE(chunks, nullptr);
    EXPECT_EQ(chunks->GetChunkLayoutID(), 0x1234u);
    ASSERT_EQ(chunks->GetChunkCount(), 1u);
    EXPECT_EQ(chunks->GetChunkSizeByID(0xABCD), 4u);
    EXPECT_EQ(std::memcmp(chunks->GetChunkRawDataByIndex(0), stamp, 4), 0);
    EXPECT_EQ(chunk->GetEffectiveSize(), 12u);
    EXPECT_EQ(mp.GetTotalEffectiveSize(), 24u + 8u + 12u);
    EXPECT_EQ(c.buffer.GetPayloadSize(), 24u + 8u + 12u);

    // The chunk part's data read back as a received part would be.
    ASSERT_TRUE(mp.SetPartFinalLength(2, 12).IsOK());
    ASSERT_EQ(chunks->GetChunkCount(), 1u);
    EXPECT_EQ(chunks->GetChunkRawDataByID(0xABCD), chunk->GetDataPointer());

    mp.Reset();
    EXPECT_EQ(mp.GetPartCount(), 0u);
    EXPECT_EQ(mp.GetPart(0), nullptr);
}

TEST(MultiPart, SeparateAndAttachedMemory)
{
    Composed c;
    IKyMultiPartContainer &mp = *c.mp;
    std::vector<uint8_t> mine(100, 0xEE);
    ASSERT_TRUE(mp.AllocPart(0).IsOK());
    ASSERT_TRUE(mp.AttachPart(1, mine.data(), mine.size()).IsOK());
    EXPECT_EQ(mp.Validate().GetCode(), uint32_t(KY_STATE_ERROR));  // the chunk part has no memory
    ASSERT_TRUE(mp.AllocPart(2).IsOK());
    EXPECT_TRUE(mp.Validate().IsOK());
    EXPECT_EQ(c.buffer.GetDataPointer(), nullptr);
    EXPECT_EQ(mp.GetPart(1)->GetDataPointer(), mine.data());
    EXPECT_EQ(mp.GetPart(1)->GetJPEG()->GetDataPointer()[99], 0xEE);
    EXPECT_EQ(mp.GetPart(0)->GetDataPointer()[31], 0);

    // One allocation for all replaces both and forgets the attached memory.
    ASSERT_TRUE(mp.AllocAllParts().IsOK());
    EXPECT_EQ(mp.GetPart(1)->GetDataPointer(), c.buffer.GetDataPointer() + 32);
    // Parts in the buffer's memory lose it with the memory.
    c.buffer.Free();
    for (uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(mp.GetPart(i)->GetDataPointer(), nullptr) << i;
    EXPECT_EQ(mp.GetPart(0)->GetImage()->GetDataPointer(), nullptr);
    EXPECT_EQ(mp.GetPart(1)->GetJPEG()->GetDataPointer(), nullptr);
    EXPECT_EQ(mp.GetPart(2)->GetChunkData()->GetChunkCount(), 0u);
    EXPECT_EQ(mp.Validate().GetCode(), uint32_t(KY_STATE_ERROR));
}

TEST(MultiPart, PartWithSizeButNoMemoryHasNoData)
{
    Composed c;
    IKyMultiPartSection *jpeg = c.mp->GetPart(1);
    EXPECT_EQ(jpeg->GetSize(), 100u);
    EXPECT_EQ(jpeg->GetDataPointer(), nullptr);
    EXPECT_EQ(jpeg->GetJPEG()->GetDataPointer(), nullptr);
    EXPECT_EQ(c.mp->GetPart(0)->GetImage()->GetDataPointer(), nullptr);
    const uint8_t one = 1;
    EXPECT_EQ(c.mp->GetPart(2)->GetChunkData()->AddChunk(1, &one, 1).GetCode(),
              uint32_t(KY_BUFFER_TOO_SMALL));
}

TEST(MultiPart, WriterRefusals)
{
    struct Case
    {
        const char *name;
        uint32_t code;
    };
    Composed c;
    IKyMultiPartContainer &mp = *c.mp;
    uint8_t small[10] = {};
    KyBuffer empty(KyPayloadTypeMultiPart);
    IKyMultiPartContainer &none = *empty.GetMultiPartContainer();
    const std::vector<std::pair<Case, KyResult>> cases = {
        {{"image part of JPEG type", KY_INVALID_PARAMETER},
         none.AddImagePart(KyMultiPartJPEGImage, 8, 8, KyPixelMono8)},
        {{"image part of chunk type", KY_INVALID_PARAMETER},
         none.AddImagePart(KyMultiPartChunkData, 8, 8, KyPixelMono8)},
        {{"image part of invalid type", KY_INVALID_PARAMETER},
         none.AddImagePart(KyMultiPartInvalid, 8, 8, KyPixelMono8)},
        {{"zero width", KY_INVALID_PARAMETER}, none.AddImagePart(KyMultiPart2DImage, 0, 8, KyPixelMono8)},
        {{"zero height", KY_INVALID_PARAMETER}, none.AddImagePart(KyMultiPart2DImage, 8, 0, KyPixelMono8)},
        {{"unknown pixel size", KY_INVALID_PARAMETER},
         none.AddImagePart(KyMultiPart2DImage, 8, 8, KyPixelUndefined)},
        {{"image above 4 GiB", KY_ERR_OVERFLOW},
         none.AddImagePart(KyMultiPart2DImage, 70000, 70000, KyPixelMono8)},
        {{"JPEG part of image type", KY_INVALID_PARAMETER},
         none.AddJPEGPart(KyMultiPart2DImage, 10, 0, 0, 0)},
        {{"JPEG part of no length", KY_INVALID_PARAMETER},
         none.AddJPEGPart(KyMultiPartJPEG2000Image, 0, 0, 0, 0)},
        {{"chunk part of no length", KY_INVALID_PARAMETER}, none.AddChunkPart(0, 0)},
        {{"alloc all without parts", KY_STATE_ERROR}, none.AllocAllParts()},
        {{"validate without parts", KY_STATE_ERROR}, none.Validate()},
        {{"image after the chunk part", KY_STATE_ERROR},
         mp.AddImagePart(KyMultiPart2DImage, 8, 8, KyPixelMono8)},
        {{"second chunk part", KY_STATE_ERROR}, mp.AddChunkPart(8, 0)},
        {{"IDs of the chunk part", KY_INVALID_DATA_FORMAT}, mp.SetPartIDs(2, 1, 1, 1)},
        {{"zones of the chunk part", KY_INVALID_DATA_FORMAT}, mp.SetPartZoneInfo(2, 1, 1)},
        {{"IDs past the end", KY_INVALID_PARAMETER}, mp.SetPartIDs(3, 1, 1, 1)},
        {{"zones past the end", KY_INVALID_PARAMETER}, mp.SetPartZoneInfo(3, 1, 1)},
        {{"alloc past the end", KY_INVALID_PARAMETER}, mp.AllocPart(3)},
        {{"attach past the end", KY_INVALID_PARAMETER}, mp.AttachPart(3, small, sizeof small)},
        {{"attach no memory", KY_INVALID_PARAMETER}, mp.AttachPart(1, nullptr, 100)},
        {{"attach too little memory", KY_INVALID_PARAMETER}, mp.AttachPart(1, small, sizeof small)},
        {{"final length above maximum", KY_INVALID_PARAMETER}, mp.SetPartFinalLength(1, 101)},
        {{"final length of an image", KY_INVALID_PARAMETER}, mp.SetPartFinalLength(0, 1)},
        {{"final length past the end", KY_INVALID_PARAMETER}, mp.SetPartFinalLength(3, 1)},
        {{"final height above maximum", KY_INVALID_PARAMETER}, mp.SetPartFinalImageHeight(0, 5)},
        {{"final height of a JPEG", KY_INVALID_PARAMETER}, mp.SetPartFinalImageHeight(1, 1)},
        {{"final height past the end", KY_INVALID_PARAMETER}, mp.SetPartFinalImageHeight(3, 1)},
        {{"validate without memory", KY_STATE_ERROR}, mp.Validate()},
    };
    for (const auto &[what, result] : cases) {
        EXPECT_EQ(result.GetCode(), what.code) << what.name;
        EXPECT_FALSE(result.GetDescription().str().empty()) << what.name;
    }
    EXPECT_EQ(none.GetPartCount(), 0u);
    EXPECT_EQ(mp.GetPartCount(), 3u);
    EXPECT_EQ(mp.GetPart(1)->GetDataPointer(), nullptr);  // the refused attachments left nothing

    // The part limit of one standard leader.
    for (uint32_t i = 0; i < KyMultiPartContainer::kMaxWriterParts; ++i)
        ASSERT_TRUE(none.AddJPEGPart(KyMultiPartJPEGImage, 4, 0, 0, 0).IsOK()) << i;
    EXPECT_EQ(none.AddChunkPart(4, 0).GetCode(), uint32_t(KY_ERR_OVERFLOW));
}

KyMultiPartDescriptor Image(uint64_t aOffset, uint64_t aLength, uint32_t aWidth, uint32_t aHeight)
{
    KyMultiPartDescriptor d;
    d.DataType = KyMultiPart2DImage;
    d.Offset = aOffset;
    d.Length = aLength;
    d.PixelType = KyPixelMono8;
    d.Width = aWidth;
    d.Height = aHeight;
    return d;
}

KyMultiPartDescriptor Chunk(uint64_t aOffset, uint64_t aLength)
{
    KyMultiPartDescriptor d;
    d.DataType = KyMultiPartChunkData;
    d.Offset = aOffset;
    d.Length = aLength;
    return d;
}

TEST(MultiPart, ReceivedPartsAreCheckedAgainstTheBlock)
{
    KyBuffer buffer(KyPayloadTypeMultiPart);
    ASSERT_TRUE(buffer.Alloc(64).IsOK());
    KyMultiPartContainer &mp = buffer.MultiPartContainer();

    const KyMultiPartDescriptor good[] = {Image(0, 16, 4, 4), Chunk(16, 16)};
    ASSERT_TRUE(mp.SetReceivedParts(good, 2, 32).IsOK());
    ASSERT_EQ(mp.GetPartCount(), 2u);
    EXPECT_EQ(mp.GetPart(1)->GetDataPointer(), buffer.GetDataPointer() + 16);
    EXPECT_EQ(mp.GetPart(0)->GetImage()->GetHeight(), 4u);

    struct Case
    {
        const char *name;
        std::vector<KyMultiPartDescriptor> parts;
        uint64_t block;
    };
    const Case cases[] = {
        {"length past the block", {Image(0, 33, 1, 1)}, 32},
        {"offset past the block", {Image(33, 0, 1, 1)}, 32},
        {"offset plus length wraps", {Image(~uint64_t(0) - 3, 8, 1, 1)}, 32},
        {"length wraps", {Image(8, ~uint64_t(0), 1, 1)}, 32},
        {"block larger than the buffer", {Image(0, 16, 4, 4)}, 65},
        {"image larger than its part", {Image(0, 15, 4, 4)}, 32},
        {"image size overflows", {Image(0, 16, 0xFFFFFFFFu, 0xFFFFFFFFu)}, 32},
        {"chunk part not last", {Chunk(0, 8), Image(8, 16, 4, 4)}, 32},
        {"too many parts",
         std::vector<KyMultiPartDescriptor>(KyMultiPartContainer::kMaxReceivedParts + 1, Chunk(0, 0)), 32},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(mp.SetReceivedParts(good, 2, 32).IsOK());
        const KyResult r = mp.SetReceivedParts(c.parts.data(), uint32_t(c.parts.size()), c.block);
        EXPECT_FALSE(r.IsOK()) << c.name;
        EXPECT_EQ(mp.GetPartCount(), 0u) << c.name;  // nothing half-described is kept
    }
}

}  // namespace
