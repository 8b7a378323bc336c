#include "KyPixelNarrow.h"

namespace ky::buffer {

namespace {

using Storage = WideFormat::Storage;

// Samples [aFirst, aFirst + aCount) of the image's bit stream, 8 bits each. The loops are plain
// so that the compiler vectorises them.
void Little16(const uint8_t *aData, size_t aFirst, size_t aCount, uint32_t aShift, uint8_t *aOut)
{
    const uint8_t *in = aData + 2 * aFirst;
    for (size_t i = 0; i < aCount; ++i)
        aOut[i] = static_cast<uint8_t>((in[2 * i] | unsigned(in[2 * i + 1]) << 8) >> aShift);
}

// PairOf3 and Lsb12: two samples per 3 bytes.
uint8_t PairSample(const uint8_t *aData, size_t aIndex, Storage aStorage)
{
    const uint8_t *pair = aData + 3 * (aIndex / 2);
    if (aStorage == Storage::PairOf3)
        return aIndex % 2 == 0 ? pair[0] : pair[2];
    return aIndex % 2 == 0 ? static_cast<uint8_t>(pair[0] >> 4 | pair[1] << 4) : pair[2];
}

uint8_t Lsb10Sample(const uint8_t *aData, size_t aIndex)
{
    const uint8_t *group = aData + 5 * (aIndex / 4);
    const uint32_t bit = 10 * uint32_t(aIndex % 4) + 2;  // the 8 high bits of the sample
    const uint32_t byte = bit / 8, within = bit % 8;
    const unsigned two = group[byte] | (byte + 1 < 5 ? unsigned(group[byte + 1]) << 8 : 0u);
    return static_cast<uint8_t>(two >> within);
}

void Packed(const WideFormat &aFormat, const uint8_t *aData, size_t aFirst, size_t aCount, uint8_t *aOut)
{
    size_t i = 0;
    if (aFormat.storage == Storage::Lsb10) {
        for (; i < aCount; ++i)
            aOut[i] = Lsb10Sample(aData, aFirst + i);
        return;
    }
    // Whole pairs in a tight loop, the odd ends one by one.
    if ((aFirst & 1) != 0 && aCount > 0) {
        aOut[0] = PairSample(aData, aFirst, aFormat.storage);
        i = 1;
    }
    const uint8_t *pair = aData + 3 * ((aFirst + i) / 2);
    const size_t pairs = (aCount - i) / 2;
    if (aFormat.storage == Storage::PairOf3) {
        for (size_t k = 0; k < pairs; ++k) {
            aOut[i + 2 * k] = pair[3 * k];
            aOut[i + 2 * k + 1] = pair[3 * k + 2];
        }
    } else {
        for (size_t k = 0; k < pairs; ++k) {
            aOut[i + 2 * k] = static_cast<uint8_t>(pair[3 * k] >> 4 | pair[3 * k + 1] << 4);
            aOut[i + 2 * k + 1] = pair[3 * k + 2];
        }
    }
    i += 2 * pairs;
    for (; i < aCount; ++i)
        aOut[i] = PairSample(aData, aFirst + i, aFormat.storage);
}

}  // namespace

bool WideFormatOf(KyPixelType aPixelType, WideFormat &aFormat)
{
    switch (aPixelType) {
#define KY_WIDE(type, narrow, storage, shift, samples)                                                       \
    case type:                                                                                               \
        aFormat = WideFormat{narrow, Storage::storage, shift, samples};                                      \
        return true;
        KY_WIDE(KyPixelMono10, KyPixelMono8, Little16, 2, 1)
        KY_WIDE(KyPixelMono12, KyPixelMono8, Little16, 4, 1)
        KY_WIDE(KyPixelMono14, KyPixelMono8, Little16, 6, 1)
        KY_WIDE(KyPixelMono16, KyPixelMono8, Little16, 8, 1)
        KY_WIDE(KyPixelMono10Packed, KyPixelMono8, PairOf3, 0, 1)
        KY_WIDE(KyPixelMono12Packed, KyPixelMono8, PairOf3, 0, 1)
        KY_WIDE(KyPixelMono10p, KyPixelMono8, Lsb10, 0, 1)
        KY_WIDE(KyPixelMono12p, KyPixelMono8, Lsb12, 0, 1)
#define KY_WIDE_BAYER(pattern)                                                                               \
    KY_WIDE(KyPixelBayer##pattern##10, KyPixelBayer##pattern##8, Little16, 2, 1)                             \
    KY_WIDE(KyPixelBayer##pattern##12, KyPixelBayer##pattern##8, Little16, 4, 1)                             \
    KY_WIDE(KyPixelBayer##pattern##16, KyPixelBayer##pattern##8, Little16, 8, 1)                             \
    KY_WIDE(KyPixelBayer##pattern##10Packed, KyPixelBayer##pattern##8, PairOf3, 0, 1)                        \
    KY_WIDE(KyPixelBayer##pattern##12Packed, KyPixelBayer##pattern##8, PairOf3, 0, 1)                        \
    KY_WIDE(KyPixelBayer##pattern##10p, KyPixelBayer##pattern##8, Lsb10, 0, 1)                               \
    KY_WIDE(KyPixelBayer##pattern##12p, KyPixelBayer##pattern##8, Lsb12, 0, 1)
        KY_WIDE_BAYER(GR)
        KY_WIDE_BAYER(RG)
        KY_WIDE_BAYER(GB)
        KY_WIDE_BAYER(BG)
#undef KY_WIDE_BAYER
        KY_WIDE(KyPixelRGB10, KyPixelRGB8, Little16, 2, 3)
        KY_WIDE(KyPixelRGB12, KyPixelRGB8, Little16, 4, 3)
        KY_WIDE(KyPixelRGB14, KyPixelRGB8, Little16, 6, 3)
        KY_WIDE(KyPixelRGB16, KyPixelRGB8, Little16, 8, 3)
        KY_WIDE(KyPixelRGBa10, KyPixelRGBa8, Little16, 2, 4)
        KY_WIDE(KyPixelRGBa12, KyPixelRGBa8, Little16, 4, 4)
        KY_WIDE(KyPixelRGBa14, KyPixelRGBa8, Little16, 6, 4)
        KY_WIDE(KyPixelRGBa16, KyPixelRGBa8, Little16, 8, 4)
        KY_WIDE(KyPixelBGR10, KyPixelBGR8, Little16, 2, 3)
        KY_WIDE(KyPixelBGR12, KyPixelBGR8, Little16, 4, 3)
        KY_WIDE(KyPixelBGR14, KyPixelBGR8, Little16, 6, 3)
        KY_WIDE(KyPixelBGR16, KyPixelBGR8, Little16, 8, 3)
        KY_WIDE(KyPixelBGRa10, KyPixelBGRa8, Little16, 2, 4)
        KY_WIDE(KyPixelBGRa12, KyPixelBGRa8, Little16, 4, 4)
        KY_WIDE(KyPixelBGRa14, KyPixelBGRa8, Little16, 6, 4)
        KY_WIDE(KyPixelBGRa16, KyPixelBGRa8, Little16, 8, 4)
#undef KY_WIDE
    default:
        return false;
    }
}

void NarrowLines(const WideFormat &aFormat, const uint8_t *aData, uint32_t aWidth, uint32_t aPaddingX,
                 uint32_t aBegin, uint32_t aEnd, uint8_t *aOut)
{
    const size_t line = size_t(aWidth) * aFormat.samples;
    const size_t stride = (size_t(aWidth) + aPaddingX) * aFormat.samples;  // samples per source line
    for (uint32_t y = aBegin; y < aEnd; ++y) {
        uint8_t *out = aOut + size_t(y) * line;
        if (aFormat.storage == Storage::Little16)
            Little16(aData, size_t(y) * stride, line, aFormat.shift, out);
        else
            Packed(aFormat, aData, size_t(y) * stride, line, out);
    }
}

}  // namespace ky::buffer
