// The line filter of the compressed image format (Ptc1Format.h): deltas along each line and
// their undoing, with 16-byte vectors where the processor has them.
//
// Undoing the deltas is a running sum, one add per sample after the sample `distance` before it.
// Written as a byte loop, every add waits for the store of the one before: a decompressor spent
// most of its time there, more than in zstd. The vector form sums 16 bytes in a few shifted adds
// and carries the last `distance` samples of one vector into the next.
#include "Ptc1Format.h"

#include <algorithm>
#include <cstring>

#include "ky/ByteOrder.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KY_PTC1_X86 1
#endif

namespace ky::buffer {

namespace {

using ky::base::LoadLittle16;
using ky::base::StoreLittle16;

constexpr uint32_t kVector = 16;

// out[i] = in[i] - in[i - back] for the bytes [aFrom, aEnd) (back in bytes), in samples of one
// byte or of two little-endian bytes.
void Differences(bool aWords, const uint8_t *__restrict in, uint8_t *__restrict out, uint32_t aFrom,
                 uint32_t aEnd, uint32_t aBack)
{
    uint32_t i = aFrom;
#if defined(__SSE2__)
    for (; i + kVector <= aEnd; i += kVector) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i - aBack));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i),
                         aWords ? _mm_sub_epi16(a, b) : _mm_sub_epi8(a, b));
    }
#endif
    if (aWords) {
        for (; i + 2 <= aEnd; i += 2)
            StoreLittle16(out + i,
                          static_cast<uint16_t>(LoadLittle16(in + i) - LoadLittle16(in + i - aBack)));
    } else {
        for (; i < aEnd; ++i)
            out[i] = static_cast<uint8_t>(in[i] - in[i - aBack]);
    }
}

// The running sums of [aFrom, aEnd) one sample at a time.
void ScalarSums(bool aWords, uint8_t *line, uint32_t aFrom, uint32_t aEnd, uint32_t aBack)
{
    if (aWords) {
        for (uint32_t i = aFrom; i + 2 <= aEnd; i += 2)
            StoreLittle16(line + i,
                          static_cast<uint16_t>(LoadLittle16(line + i) + LoadLittle16(line + i - aBack)));
    } else {
        for (uint32_t i = aFrom; i < aEnd; ++i)
            line[i] = static_cast<uint8_t>(line[i] + line[i - aBack]);
    }
}

#if defined(KY_PTC1_X86)

bool HasSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

// Byte shuffles for one distance: the shifts of the in-vector sums and the carry of the
// previous vector's last samples.
struct SumShuffles
{
    __m128i shifts[4];
    unsigned shiftCount = 0;
    __m128i carry;

    SumShuffles(uint32_t aBack, uint32_t aSample)
    {
        alignas(16) uint8_t mask[kVector];
        for (uint32_t s = aBack; s < kVector; s *= 2) {
            for (uint32_t k = 0; k < kVector; ++k)
                mask[k] = k >= s ? static_cast<uint8_t>(k - s) : 0x80;
            shifts[shiftCount++] = _mm_load_si128(reinterpret_cast<const __m128i *>(mask));
        }
        // Sample k of a vector continues the sum of sample (k mod distance) of the last
        // `distance` samples before the vector.
        const uint32_t samples = kVector / aSample, back = aBack / aSample;
        for (uint32_t k = 0; k < kVector; ++k) {
            const uint32_t sample = k / aSample;
            mask[k] = static_cast<uint8_t>((samples - back + sample % back) * aSample + k % aSample);
        }
        carry = _mm_load_si128(reinterpret_cast<const __m128i *>(mask));
    }
};

// The running sums of a whole line, aBack bytes apart (at most one vector), in place; Shifts
// is aShuffles.shiftCount, a constant so that the adds unroll.
template <bool Words, unsigned Shifts>
__attribute__((target("ssse3"))) void VectorSums(uint8_t *line, uint32_t aEnd, uint32_t aBack,
                                                 const SumShuffles &aShuffles)
{
    const auto add = [](__m128i a, __m128i b) { return Words ? _mm_add_epi16(a, b) : _mm_add_epi8(a, b); };
    __m128i before = _mm_setzero_si128();  // the first `distance` samples start from 0
    uint32_t i = 0;
    for (; i + kVector <= aEnd; i += kVector) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(line + i));
        for (unsigned k = 0; k < Shifts; ++k)
            v = add(v, _mm_shuffle_epi8(v, aShuffles.shifts[k]));
        v = add(v, _mm_shuffle_epi8(before, aShuffles.carry));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(line + i), v);
        before = v;
    }
    ScalarSums(Words, line, std::max(i, aBack), aEnd, aBack);
}

using LineSums = void (*)(uint8_t *, uint32_t, uint32_t, const SumShuffles &);

template <bool Words>
LineSums VectorSumsFor(unsigned aShifts)
{
    switch (aShifts) {
    case 0:
        return VectorSums<Words, 0>;
    case 1:
        return VectorSums<Words, 1>;
    case 2:
        return VectorSums<Words, 2>;
    case 3:
        return VectorSums<Words, 3>;
    default:
        return VectorSums<Words, 4>;
    }
}

#endif

}  // namespace

void FilterLines(Ptc1::Filter aFilter, uint8_t aDistance, const uint8_t *aSource, uint64_t aSourceStride,
                 uint8_t *aOut, uint32_t aLines, uint32_t aLineBytes)
{
    const bool words = aFilter == Ptc1::Filter::Words16;
    const uint32_t back = words ? 2u * aDistance : aDistance;
    const uint32_t kept = aFilter == Ptc1::Filter::None ? aLineBytes : std::min<uint32_t>(back, aLineBytes);
    // Whole samples only (lines of 16-bit samples are whole words).
    const uint32_t end = words ? aLineBytes & ~1u : aLineBytes;
    for (uint32_t y = 0; y < aLines; ++y) {
        const uint8_t *in = aSource + y * aSourceStride;
        uint8_t *out = aOut + size_t(y) * aLineBytes;
        std::memcpy(out, in, kept);
        if (aFilter != Ptc1::Filter::None)
            Differences(words, in, out, kept, end, back);
    }
}

void UndoLineFilter(Ptc1::Filter aFilter, uint8_t aDistance, uint8_t *aData, uint32_t aLines,
                    uint32_t aLineBytes)
{
    if (aLineBytes == 0 || aDistance == 0 || aFilter == Ptc1::Filter::None)
        return;
    const bool words = aFilter == Ptc1::Filter::Words16;
    const uint32_t back = words ? 2u * aDistance : aDistance;
    const uint32_t end = words ? aLineBytes & ~1u : aLineBytes;
#if defined(KY_PTC1_X86)
    if (back <= kVector && HasSsse3()) {
        const SumShuffles shuffles(back, words ? 2 : 1);
        const LineSums sums =
            words ? VectorSumsFor<true>(shuffles.shiftCount) : VectorSumsFor<false>(shuffles.shiftCount);
        for (uint32_t y = 0; y < aLines; ++y)
            sums(aData + size_t(y) * aLineBytes, end, back, shuffles);
        return;
    }
#endif
    for (uint32_t y = 0; y < aLines; ++y)
        ScalarSums(words, aData + size_t(y) * aLineBytes, back, end, back);
}

}  // namespace ky::buffer
