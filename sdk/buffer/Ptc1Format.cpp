#include "Ptc1Format.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "ky/ByteOrder.h"
#include "ky/buffer/KyImage.h"

namespace ky::buffer {

namespace {

using ky::base::LoadLittle16;
using ky::base::LoadLittle32;
using ky::base::StoreLittle16;
using ky::base::StoreLittle32;

KyResult Damaged(const std::string &aWhat)
{
    return KyResult(KY_IMAGE_ERROR, "damaged compressed image: " + aWhat);
}

// The pixel type's name; false for a value outside the pixel-type table.
bool KnownPixelType(KyPixelType aPixelType, std::string &aName)
{
    aName = KyImage::PixelTypeToString(aPixelType).str();
    return aName != "Unknown";
}

// Filter and distance of a pixel type with whole-byte lines.
void ChooseFilter(KyPixelType aPixelType, const std::string &aName, Ptc1Layout &aLayout)
{
    const uint32_t bits = KyImage::GetPixelSize(aPixelType);
    const uint32_t component = KyImage::GetBitsPerComponent(aPixelType);
    const uint32_t mosaic = aName.compare(0, 5, "Bayer") == 0 ? 2 : 1;
    if (bits % 8 != 0) {
        aLayout.filter = Ptc1::Filter::None;
        aLayout.distance = 0;
    } else if (component > 8 && component <= 16 && bits % 16 == 0) {
        aLayout.filter = Ptc1::Filter::Words16;
        aLayout.distance = static_cast<uint8_t>(bits / 16 * mosaic);
    } else {
        aLayout.filter = Ptc1::Filter::Bytes;
        aLayout.distance = static_cast<uint8_t>(bits / 8 * mosaic);
    }
}

const uint32_t *CrcTable()
{
    static const struct Table
    {
        uint32_t entries[256];
        Table()
        {
            for (uint32_t i = 0; i < 256; ++i) {
                uint32_t c = i;
                for (int k = 0; k < 8; ++k)
                    c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                entries[i] = c;
            }
        }
    } table;
    return table.entries;
}

uint32_t HeaderCrc(const uint8_t *aData, size_t aTableBytes)
{
    const uint32_t crc = Crc32(aData, Ptc1::kCrcOffset);
    return Crc32(aData + Ptc1::kHeaderSize, aTableBytes, crc);
}

}  // namespace

uint32_t Crc32(const uint8_t *aData, size_t aLength, uint32_t aCrc)
{
    const uint32_t *table = CrcTable();
    uint32_t c = aCrc ^ 0xFFFFFFFFu;
    for (size_t i = 0; i < aLength; ++i)
        c = table[(c ^ aData[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint64_t Ptc1Layout::StripeOffset(uint32_t aStripe) const
{
    return lineBytes == 0 ? 0 : uint64_t(aStripe) * linesPerStripe * lineBytes;
}

uint32_t Ptc1Layout::StripeLines(uint32_t aStripe) const
{
    const uint64_t first = uint64_t(aStripe) * linesPerStripe;
    return first >= height ? 0 : static_cast<uint32_t>(std::min<uint64_t>(linesPerStripe, height - first));
}

uint32_t Ptc1Layout::StripeBytes(uint32_t aStripe) const
{
    return lineBytes == 0 ? imageBytes : StripeLines(aStripe) * lineBytes;
}

KyResult ChooseLayout(KyPixelType aPixelType, uint32_t aWidth, uint32_t aHeight, Ptc1Layout &aLayout)
{
    std::string name;
    uint32_t imageBytes = 0;
    if (aWidth == 0 || aHeight == 0 || !KnownPixelType(aPixelType, name) ||
        !KyImage::ComputeImageSize(aPixelType, aWidth, aHeight, imageBytes))
        return KyResult(KY_INVALID_PARAMETER, "cannot compress " + std::to_string(aWidth) + " x " +
                                                  std::to_string(aHeight) + " pixels of type " + name);
    Ptc1Layout layout;
    layout.pixelType = aPixelType;
    layout.width = aWidth;
    layout.height = aHeight;
    layout.imageBytes = imageBytes;
    const uint64_t lineBits = uint64_t(aWidth) * KyImage::GetPixelSize(aPixelType);
    if (lineBits % 8 == 0) {
        layout.lineBytes = static_cast<uint32_t>(lineBits / 8);
        ChooseFilter(aPixelType, name, layout);
        layout.linesPerStripe = std::max<uint32_t>(1, Ptc1::kStripeTargetBytes / layout.lineBytes);
        layout.linesPerStripe = std::min(layout.linesPerStripe, aHeight);
        layout.stripeCount = (aHeight - 1) / layout.linesPerStripe + 1;
    } else {
        layout.lineBytes = 0;
        layout.filter = Ptc1::Filter::None;
        layout.distance = 0;
        layout.linesPerStripe = aHeight;
        layout.stripeCount = 1;
    }
    aLayout = layout;
    return KyResult();
}

void WritePtc1Header(const Ptc1Layout &aLayout, const std::vector<uint32_t> &aSizes, uint8_t *aOut)
{
    std::memcpy(aOut, Ptc1::kMagic, sizeof Ptc1::kMagic);
    aOut[Ptc1::kVersionOffset] = Ptc1::kVersion;
    aOut[Ptc1::kFilterOffset] = static_cast<uint8_t>(aLayout.filter);
    aOut[Ptc1::kDistanceOffset] = aLayout.distance;
    aOut[Ptc1::kReservedOffset] = 0;
    StoreLittle32(aOut + Ptc1::kPixelTypeOffset, static_cast<uint32_t>(aLayout.pixelType));
    StoreLittle32(aOut + Ptc1::kWidthOffset, aLayout.width);
    StoreLittle32(aOut + Ptc1::kHeightOffset, aLayout.height);
    StoreLittle32(aOut + Ptc1::kLinesPerStripeOffset, aLayout.linesPerStripe);
    StoreLittle32(aOut + Ptc1::kStripeCountOffset, aLayout.stripeCount);
    for (size_t i = 0; i < aSizes.size(); ++i)
        StoreLittle32(aOut + Ptc1::kHeaderSize + i * Ptc1::kStripeEntrySize, aSizes[i]);
    StoreLittle32(aOut + Ptc1::kCrcOffset, HeaderCrc(aOut, aSizes.size() * Ptc1::kStripeEntrySize));
}

bool HasPtc1Magic(const uint8_t *aData, uint64_t aLength)
{
    return aData != nullptr && aLength >= sizeof Ptc1::kMagic &&
           std::memcmp(aData, Ptc1::kMagic, sizeof Ptc1::kMagic) == 0;
}

KyResult ParsePtc1(const uint8_t *aData, uint64_t aLength, Ptc1Image &aImage)
{
    if (aData == nullptr || aLength < Ptc1::kHeaderSize)
        return Damaged(std::to_string(aLength) + " bytes are shorter than the header");
    if (!HasPtc1Magic(aData, aLength))
        return Damaged("no PTC1 magic");
    if (aData[Ptc1::kVersionOffset] != Ptc1::kVersion)
        return KyResult(KY_NOT_SUPPORTED, "compressed image of version " +
                                              std::to_string(aData[Ptc1::kVersionOffset]) + ", not 1");
    const uint32_t stripeCount = LoadLittle32(aData + Ptc1::kStripeCountOffset);
    const uint64_t tableEnd = Ptc1::kHeaderSize + uint64_t(stripeCount) * Ptc1::kStripeEntrySize;
    if (tableEnd > aLength)
        return Damaged("a table of " + std::to_string(stripeCount) + " stripes runs past the " +
                       std::to_string(aLength) + " bytes");
    if (LoadLittle32(aData + Ptc1::kCrcOffset) != HeaderCrc(aData, tableEnd - Ptc1::kHeaderSize))
        return Damaged("header checksum mismatch");

    const auto pixelType = static_cast<KyPixelType>(LoadLittle32(aData + Ptc1::kPixelTypeOffset));
    const uint32_t width = LoadLittle32(aData + Ptc1::kWidthOffset);
    const uint32_t height = LoadLittle32(aData + Ptc1::kHeightOffset);
    Ptc1Layout expected;
    if (!ChooseLayout(pixelType, width, height, expected).IsOK())
        return Damaged(std::to_string(width) + " x " + std::to_string(height) + " pixels of type " +
                       std::to_string(static_cast<uint32_t>(pixelType)) + " cannot be an image");
    if (aData[Ptc1::kFilterOffset] != static_cast<uint8_t>(expected.filter) ||
        aData[Ptc1::kDistanceOffset] != expected.distance || aData[Ptc1::kReservedOffset] != 0)
        return Damaged("line filter " + std::to_string(aData[Ptc1::kFilterOffset]) + "/" +
                       std::to_string(aData[Ptc1::kDistanceOffset]) + " does not belong to the pixel type");
    // Stripe heights are the writer's choice, within the image.
    Ptc1Layout layout = expected;
    layout.linesPerStripe = LoadLittle32(aData + Ptc1::kLinesPerStripeOffset);
    if (layout.linesPerStripe == 0 || layout.linesPerStripe > height ||
        (layout.lineBytes == 0 && layout.linesPerStripe != height))
        return Damaged(std::to_string(layout.linesPerStripe) + " lines per stripe in " +
                       std::to_string(height));
    layout.stripeCount = (height - 1) / layout.linesPerStripe + 1;
    if (stripeCount != layout.stripeCount)
        return Damaged(std::to_string(stripeCount) + " stripes where the lines make " +
                       std::to_string(layout.stripeCount));

    Ptc1Image image;
    image.layout = layout;
    image.stripeOffsets.resize(stripeCount);
    image.stripeSizes.resize(stripeCount);
    uint64_t at = tableEnd;
    for (uint32_t i = 0; i < stripeCount; ++i) {
        const uint32_t size = LoadLittle32(aData + Ptc1::kHeaderSize + uint64_t(i) * Ptc1::kStripeEntrySize);
        if (size == 0)
            return Damaged("stripe " + std::to_string(i) + " is empty");
        if (size > aLength - at)
            return Damaged("stripe " + std::to_string(i) + " of " + std::to_string(size) +
                           " bytes runs past the " + std::to_string(aLength) + " bytes");
        if (layout.StripeBytes(i) > uint64_t(size) * Ptc1::kMaxExpansion)
            return Damaged("stripe " + std::to_string(i) + " of " + std::to_string(size) +
                           " bytes cannot hold " + std::to_string(layout.StripeBytes(i)));
        image.stripeOffsets[i] = at;
        image.stripeSizes[i] = size;
        at += size;
    }
    image.totalBytes = at;
    aImage = std::move(image);
    return KyResult();
}

}  // namespace ky::buffer
