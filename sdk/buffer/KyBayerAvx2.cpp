// AVX2 inner loops of the Bayer demosaicing (see KyBayer.h for the interpolations).
//
// This file alone is compiled for AVX2; it is entered only after a run-time check, and holds
// no inline code shared with other files. Rows are read as 16-bit lanes, so that the low byte
// of a lane is an even pixel and the high byte the odd one after it: the two Bayer phases of a
// row come apart without shuffles, and the sums of four samples cannot overflow.
#include <immintrin.h>

#include "KyBayer.h"

namespace ky::buffer {

namespace {

struct InterleaveMasks
{
    alignas(32) int8_t m[9][32];
};

// Byte k of block j of the 3-byte pixels takes channel k % 3 of pixel k / 3 (within a lane).
constexpr InterleaveMasks MakeMasks()
{
    InterleaveMasks r{};
    for (int j = 0; j < 3; ++j)
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 16; ++k) {
                const int i = 16 * j + k;
                const int8_t v = i % 3 == c ? int8_t(i / 3) : int8_t(-128);
                r.m[j * 3 + c][k] = v;
                r.m[j * 3 + c][k + 16] = v;
            }
    return r;
}

constexpr InterleaveMasks kMasks = MakeMasks();

inline __m256i Mask(int aBlock, int aChannel)
{
    return _mm256_load_si256(reinterpret_cast<const __m256i *>(kMasks.m[aBlock * 3 + aChannel]));
}

// Writes 32 pixels of 3 bytes from three planes of 32 bytes.
inline void StoreInterleaved(__m256i aFirst, __m256i aSecond, __m256i aThird, uint8_t *aOut)
{
    __m256i block[3];
    for (int j = 0; j < 3; ++j)
        block[j] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(aFirst, Mask(j, 0)),
                                                   _mm256_shuffle_epi8(aSecond, Mask(j, 1))),
                                   _mm256_shuffle_epi8(aThird, Mask(j, 2)));
    // Lane 0 of the blocks holds pixels 0-15, lane 1 pixels 16-31.
    __m256i *out = reinterpret_cast<__m256i *>(aOut);
    _mm256_storeu_si256(out, _mm256_permute2x128_si256(block[0], block[1], 0x20));
    _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(block[2], block[0], 0x30));
    _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(block[1], block[2], 0x31));
}

inline __m256i Load(const uint8_t *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }
inline __m256i LowBytes(__m256i v) { return _mm256_and_si256(v, _mm256_set1_epi16(0xFF)); }
inline __m256i HighBytes(__m256i v) { return _mm256_srli_epi16(v, 8); }
// Even and odd 16-bit values back into 32 bytes in pixel order.
inline __m256i Join(__m256i aEven, __m256i aOdd)
{
    return _mm256_or_si256(aEven, _mm256_slli_epi16(aOdd, 8));
}
inline __m256i Mean4(__m256i a, __m256i b, __m256i c, __m256i d)
{
    const __m256i sum = _mm256_add_epi16(_mm256_add_epi16(a, b), _mm256_add_epi16(c, d));
    return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(2)), 2);
}

// One line of samples around pixel x: previous odd, even, odd, next even (16-bit lanes).
struct Phases
{
    __m256i oddBefore, even, odd, evenAfter;
    Phases(const uint8_t *row, uint32_t x)
    {
        const __m256i before = Load(row + x - 1), here = Load(row + x), after = Load(row + x + 1);
        oddBefore = LowBytes(before);
        even = LowBytes(here);
        odd = HighBytes(here);
        evenAfter = HighBytes(after);
    }
};

// kColourAtEven: the row's red or blue sits on even pixels. kColourFirst: that colour is byte 0
// of the output pixel (blue in B G R, red in R G B).
template <bool kColourAtEven, bool kColourFirst>
uint32_t Row3x3(const uint8_t *aUp, const uint8_t *aRow, const uint8_t *aDown, uint32_t aX, uint32_t aWidth,
                uint8_t *aOut)
{
    for (; aX + 33 <= aWidth; aX += 32) {
        const Phases u(aUp, aX), c(aRow, aX), d(aDown, aX);
        __m256i colourE, greenE, otherE, colourO, greenO, otherO;
        if (kColourAtEven) {
            colourE = c.even;
            greenE = Mean4(c.oddBefore, c.odd, u.even, d.even);
            otherE = Mean4(u.oddBefore, u.odd, d.oddBefore, d.odd);
            colourO = _mm256_avg_epu16(c.even, c.evenAfter);
            greenO = c.odd;
            otherO = _mm256_avg_epu16(u.odd, d.odd);
        } else {
            colourE = _mm256_avg_epu16(c.oddBefore, c.odd);
            greenE = c.even;
            otherE = _mm256_avg_epu16(u.even, d.even);
            colourO = c.odd;
            greenO = Mean4(c.even, c.evenAfter, u.odd, d.odd);
            otherO = Mean4(u.even, u.evenAfter, d.even, d.evenAfter);
        }
        const __m256i colour = Join(colourE, colourO), green = Join(greenE, greenO),
                      other = Join(otherE, otherO);
        if (kColourFirst)
            StoreInterleaved(colour, green, other, aOut + size_t(aX) * 3);
        else
            StoreInterleaved(other, green, colour, aOut + size_t(aX) * 3);
    }
    return aX;
}

// kRedAt: position of red in the 2 x 2 cell (x + 2 y); blue sits opposite, green on the others.
template <int kRedAt, bool kRgbOrder>
uint32_t RowSimple(const uint8_t *aTop, const uint8_t *aBottom, uint32_t aX, uint32_t aWidth, uint8_t *aOut)
{
    constexpr int kBlueAt = 3 - kRedAt;
    constexpr int kGreenA = (kRedAt == 0 || kRedAt == 3) ? 1 : 0;
    constexpr int kGreenB = 3 - kGreenA;
    for (; aX + 32 <= aWidth; aX += 32) {
        const __m256i top = Load(aTop + aX), bottom = Load(aBottom + aX);
        const __m256i cell[4] = {LowBytes(top), HighBytes(top), LowBytes(bottom), HighBytes(bottom)};
        const __m256i red = Join(cell[kRedAt], cell[kRedAt]);
        const __m256i blue = Join(cell[kBlueAt], cell[kBlueAt]);
        const __m256i g = _mm256_avg_epu16(cell[kGreenA], cell[kGreenB]);
        const __m256i green = Join(g, g);
        if (kRgbOrder)
            StoreInterleaved(red, green, blue, aOut + size_t(aX) * 3);
        else
            StoreInterleaved(blue, green, red, aOut + size_t(aX) * 3);
    }
    return aX;
}

template <int kRedAt>
uint32_t RowSimpleOrder(const uint8_t *aTop, const uint8_t *aBottom, uint32_t aX, uint32_t aWidth,
                        uint8_t *aOut, bool aRgbOrder)
{
    return aRgbOrder ? RowSimple<kRedAt, true>(aTop, aBottom, aX, aWidth, aOut)
                     : RowSimple<kRedAt, false>(aTop, aBottom, aX, aWidth, aOut);
}

}  // namespace

uint32_t Demosaic3x3Avx2(const BayerImage &aImage, uint32_t aY, uint32_t aX0, uint8_t *aOut, bool aRgbOrder)
{
    if (aImage.width < 2 || aImage.height < 2 || (aX0 & 1) || aX0 == 0)
        return aX0;
    const uint32_t up = aY == 0 ? 1 : aY - 1;
    const uint32_t down = aY + 1 == aImage.height ? aImage.height - 2 : aY + 1;
    const uint8_t *rowUp = aImage.data + size_t(up) * aImage.stride;
    const uint8_t *row = aImage.data + size_t(aY) * aImage.stride;
    const uint8_t *rowDown = aImage.data + size_t(down) * aImage.stride;
    const bool redRow = (aY & 1) == aImage.redY;
    // The row's own colour (red or blue) and the pixels it sits on.
    const bool colourAtEven = redRow ? aImage.redX == 0 : aImage.redX == 1;
    const bool colourFirst = redRow == aRgbOrder;
    if (colourAtEven)
        return colourFirst ? Row3x3<true, true>(rowUp, row, rowDown, aX0, aImage.width, aOut)
                           : Row3x3<true, false>(rowUp, row, rowDown, aX0, aImage.width, aOut);
    return colourFirst ? Row3x3<false, true>(rowUp, row, rowDown, aX0, aImage.width, aOut)
                       : Row3x3<false, false>(rowUp, row, rowDown, aX0, aImage.width, aOut);
}

uint32_t DemosaicSimpleAvx2(const BayerImage &aImage, uint32_t aY, uint32_t aX0, uint8_t *aOut,
                            bool aRgbOrder)
{
    if (aImage.width < 2 || aImage.height < 2 || (aX0 & 1))
        return aX0;
    uint32_t top = aY & ~1u;
    if (top + 1 >= aImage.height)
        top = aImage.height - 2;
    const uint8_t *rowTop = aImage.data + size_t(top) * aImage.stride;
    const uint8_t *rowBottom = rowTop + aImage.stride;
    const int redAt = int(aImage.redX) + 2 * int(aImage.redY ^ (top & 1));
    switch (redAt) {
    case 0:
        return RowSimpleOrder<0>(rowTop, rowBottom, aX0, aImage.width, aOut, aRgbOrder);
    case 1:
        return RowSimpleOrder<1>(rowTop, rowBottom, aX0, aImage.width, aOut, aRgbOrder);
    case 2:
        return RowSimpleOrder<2>(rowTop, rowBottom, aX0, aImage.width, aOut, aRgbOrder);
    default:
        return RowSimpleOrder<3>(rowTop, rowBottom, aX0, aImage.width, aOut, aRgbOrder);
    }
}

}  // namespace ky::buffer
