// Ptc1Format: the layout of the kit's compressed images (encoding PTC1) and its line filter.
//
// A compressed image is a header, a table of stripe sizes and the stripes; numbers are
// little-endian:
//
//   offset  bytes  field
//        0      4  magic "PTC1"
//        4      1  version: 1
//        5      1  line filter: 0 none, 1 byte deltas, 2 16-bit deltas
//        6      1  filter distance: how many samples back the sample is that a delta is taken
//                  from (bytes for filter 1, 16-bit words for filter 2; 0 for no filter)
//        7      1  0 (reserved)
//        8      4  pixel type (a KyPixelType value)
//       12      4  width in pixels
//       16      4  height in lines
//       20      4  lines per stripe (the last stripe may have fewer)
//       24      4  stripe count
//       28      4  CRC-32 (IEEE 802.3) of bytes 0 to 27 followed by the stripe table
//       32    4*n  stripe table: the byte count of each compressed stripe, in order
//   32 + 4*n       the stripes, back to back: each one zstd frame (content size and checksum
//                  included) of the filtered bytes of its lines
//
// The image inside has no padding: width * bits per pixel / 8 bytes a line. The line filter
// keeps the first `distance` samples of each line and replaces every later sample by its
// difference, modulo 2^8 or 2^16, from the sample `distance` before it on the same line; 16-bit
// samples are little-endian. The filter and distance follow from the pixel type (ChooseLayout):
// 16-bit deltas for samples of 9 to 16 bits, byte deltas for other whole-byte pixels, one pixel
// back (two for Bayer mosaics, so that a delta stays within one colour). A pixel type whose
// lines are not whole bytes (packed types of odd width) is one unfiltered stripe.
//
// Stripes are independent, so threads compress and decompress them side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"

namespace ky::buffer {

struct Ptc1
{
    static constexpr uint8_t kMagic[4] = {'P', 'T', 'C', '1'};
    static constexpr uint8_t kVersion = 1;
    static constexpr size_t kHeaderSize = 32;
    static constexpr size_t kStripeEntrySize = 4;
    static constexpr size_t kVersionOffset = 4;
    static constexpr size_t kFilterOffset = 5;
    static constexpr size_t kDistanceOffset = 6;
    static constexpr size_t kReservedOffset = 7;
    static constexpr size_t kPixelTypeOffset = 8;
    static constexpr size_t kWidthOffset = 12;
    static constexpr size_t kHeightOffset = 16;
    static constexpr size_t kLinesPerStripeOffset = 20;
    static constexpr size_t kStripeCountOffset = 24;
    static constexpr size_t kCrcOffset = 28;
    // Bytes of image a stripe aims at: small enough to share an image among threads, large
    // enough to keep the compression ratio.
    static constexpr uint32_t kStripeTargetBytes = 256 * 1024;
    // No zstd frame yields more than this many bytes per byte of frame (a block of at most
    // 128 KiB takes at least 4 bytes), which bounds what a stripe of a given size may declare.
    static constexpr uint64_t kMaxExpansion = 32768;

    enum class Filter : uint8_t { None = 0, Bytes = 1, Words16 = 2 };
};

// How an image of one pixel type and size is cut and filtered.
struct Ptc1Layout
{
    KyPixelType pixelType = KyPixelUndefined;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t imageBytes = 0;  // the whole unpadded image
    uint32_t lineBytes = 0;   // 0 when lines are not whole bytes (one stripe of imageBytes)
    Ptc1::Filter filter = Ptc1::Filter::None;
    uint8_t distance = 0;
    uint32_t linesPerStripe = 0;
    uint32_t stripeCount = 0;

    // Offset and byte count of a stripe in the unpadded image.
    uint64_t StripeOffset(uint32_t aStripe) const;
    uint32_t StripeBytes(uint32_t aStripe) const;
    // Lines of a stripe (the whole image for an image without whole-byte lines).
    uint32_t StripeLines(uint32_t aStripe) const;
};

// A parsed compressed image: its layout and where each stripe lies in the input.
struct Ptc1Image
{
    Ptc1Layout layout;
    std::vector<uint64_t> stripeOffsets;  // from the start of the input
    std::vector<uint32_t> stripeSizes;
    uint64_t totalBytes = 0;  // header, table and stripes
};

// The layout of an image; KY_INVALID_PARAMETER for a size of 0, a pixel type of unknown size or
// an image of 4 GiB or more.
KyResult ChooseLayout(KyPixelType aPixelType, uint32_t aWidth, uint32_t aHeight, Ptc1Layout &aLayout);

// Header and stripe table for a layout and the compressed sizes; aOut gets exactly
// kHeaderSize + 4 * stripeCount bytes.
void WritePtc1Header(const Ptc1Layout &aLayout, const std::vector<uint32_t> &aSizes, uint8_t *aOut);

// Reads and checks the header and stripe table of aLength bytes. Every size is checked against
// the input and the image before it is used: KY_IMAGE_ERROR for a damaged or inconsistent
// header (the text says what), KY_NOT_SUPPORTED for another version of the format.
KyResult ParsePtc1(const uint8_t *aData, uint64_t aLength, Ptc1Image &aImage);

// True when the bytes start with the format's magic.
bool HasPtc1Magic(const uint8_t *aData, uint64_t aLength);

// The line filter: aLines lines of aLineBytes bytes, aSourceStride bytes apart in aSource, filtered
// into aOut (packed, aLineBytes apart); undone in place.
void FilterLines(Ptc1::Filter aFilter, uint8_t aDistance, const uint8_t *aSource, uint64_t aSourceStride,
                 uint8_t *aOut, uint32_t aLines, uint32_t aLineBytes);
void UndoLineFilter(Ptc1::Filter aFilter, uint8_t aDistance, uint8_t *aData, uint32_t aLines,
                    uint32_t aLineBytes);

uint32_t Crc32(const uint8_t *aData, size_t aLength, uint32_t aCrc = 0);

}  // namespace ky::buffer
