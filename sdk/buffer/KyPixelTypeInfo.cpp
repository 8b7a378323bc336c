// The static pixel-type queries of KyImage, derived from the value and from the pixel-type table.
#include <cctype>
#include <cstring>

#include "ky/buffer/KyImage.h"

namespace {

// The member's name without "KyPixel", or null for a value outside the table.
const char *PixelName(KyPixelType aPixelType)
{
    switch (static_cast<int32_t>(aPixelType)) {
#define KY_PIXEL_NAME_CASE(name, value)                                                                      \
    case value:                                                                                              \
        return #name + 7;
        KY_ENUM_TABLE_KyPixelType(KY_PIXEL_NAME_CASE)
#undef KY_PIXEL_NAME_CASE
    }
    return nullptr;
}

bool StartsWith(const char *&aText, const char *aPrefix)
{
    const size_t n = std::strlen(aPrefix);
    if (std::strncmp(aText, aPrefix, n) != 0)
        return false;
    aText += n;
    return true;
}

// Bits of one component as the name tells them: the first number after the colour model, once
// the model's own numbers (colour matrix, chroma subsampling, filter kind) are skipped.
uint32_t ComponentBitsFromName(const char *aName)
{
    const char *p = aName;
    if (StartsWith(p, "RGB565") || StartsWith(p, "BGR565"))
        return 5;
    if (StartsWith(p, "SCF1") || StartsWith(p, "YCbCr") || StartsWith(p, "YUV")) {
        while (std::isalpha(static_cast<unsigned char>(*p)))
            ++p;
        StartsWith(p, "601_") || StartsWith(p, "709_");
        StartsWith(p, "422_") || StartsWith(p, "411_");
    }
    while (*p && !std::isdigit(static_cast<unsigned char>(*p)))
        ++p;
    uint32_t bits = 0;
    while (std::isdigit(static_cast<unsigned char>(*p)))
        bits = bits * 10 + uint32_t(*p++ - '0');
    return bits;
}

}  // namespace

uint32_t KyImage::GetPixelSize(KyPixelType aPixelType)
{
    return (static_cast<uint32_t>(aPixelType) & static_cast<uint32_t>(KYBITSPERPIXELMASK)) >> 16;
}

bool KyImage::IsPixelColor(KyPixelType aPixelType)
{
    return (static_cast<uint32_t>(aPixelType) & static_cast<uint32_t>(KYPIXELCOLOR)) != 0;
}

uint32_t KyImage::GetBitsPerComponent(KyPixelType aPixelType)
{
    const char *name = PixelName(aPixelType);
    if (name != nullptr)
        return ComponentBitsFromName(name);
    // Outside the table: the whole pixel for mono, an even share of three for colour.
    const uint32_t bits = GetPixelSize(aPixelType);
    return IsPixelColor(aPixelType) ? bits / 3 : bits;
}

bool KyImage::IsPixelHighRes(KyPixelType aPixelType) { return GetBitsPerComponent(aPixelType) > 8; }

KyString KyImage::PixelTypeToString(KyPixelType aPixelType)
{
    const char *name = PixelName(aPixelType);
    return KyString(name ? name : "Unknown");
}
