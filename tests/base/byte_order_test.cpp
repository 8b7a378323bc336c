// The byte-order helper against fields written out byte by byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ky/ByteOrder.h"

using namespace ky::base;

namespace {

const uint8_t kBytes[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

TEST(ByteOrder, LoadsEachWidthInEitherOrder)
{
    EXPECT_EQ(Load<uint8_t>(kBytes), 0x01u);
    EXPECT_EQ(LoadBig16(kBytes), 0x0123u);
    EXPECT_EQ(LoadBig32(kBytes), 0x01234567u);
    EXPECT_EQ(LoadBig64(kBytes), 0x0123456789ABCDEFull);
    EXPECT_EQ(LoadLittle16(kBytes), 0x2301u);
    EXPECT_EQ(LoadLittle32(kBytes), 0x67452301u);
    EXPECT_EQ((Load<uint64_t, Endian::Little>(kBytes)), 0xEFCDAB8967452301ull);
}

TEST(ByteOrder, StoresWhatItLoads)
{
    uint8_t out[8] = {};
    StoreBig64(out, 0x0123456789ABCDEFull);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), std::vector<uint8_t>(kBytes, kBytes + 8));
    StoreLittle32(out, 0x67452301u);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), std::vector<uint8_t>(kBytes, kBytes + 4));
    StoreBig16(out + 6, 0xCDEF);
    EXPECT_EQ(out[6], 0xCD);
    EXPECT_EQ(out[7], 0xEF);
}

TEST(ByteOrder, UnsignedFieldsOfAnyLengthUpToEight)
{
    struct Case
    {
        size_t length;
        Endian order;
        uint64_t value;
    };
    const Case cases[] = {
        {1, Endian::Big, 0x01},           {3, Endian::Big, 0x012345},
        {6, Endian::Big, 0x0123456789AB}, {8, Endian::Big, 0x0123456789ABCDEF},
        {3, Endian::Little, 0x452301},    {8, Endian::Little, 0xEFCDAB8967452301},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(LoadUnsigned(kBytes, c.length, c.order), c.value) << c.length;
        uint8_t out[8] = {};
        StoreUnsigned(out, c.length, c.order, c.value);
        EXPECT_EQ(std::vector<uint8_t>(out, out + c.length), std::vector<uint8_t>(kBytes, kBytes + c.length))
            << c.length;
    }
    uint8_t untouched[9] = {0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A};
    StoreUnsigned(untouched, 9, Endian::Big, ~0ull);
    StoreUnsigned(untouched, 0, Endian::Big, ~0ull);
    for (uint8_t b : untouched)
        EXPECT_EQ(b, 0x5A) << "a length outside 1..8 writes nothing";
    EXPECT_EQ(LoadUnsigned(kBytes, 0, Endian::Big), 0u);
    EXPECT_EQ(LoadUnsigned(kBytes, 9, Endian::Big), 0u);
}

TEST(ByteOrder, CheckedAccessStaysWithinTheBuffer)
{
    struct Case
    {
        size_t size, offset;
        bool fits;
    };
    const Case cases[] = {
        {8, 0, true}, {8, 4, true}, {8, 5, false}, {8, 8, false}, {8, SIZE_MAX, false}, {3, 0, false},
    };
    for (const Case &c : cases) {
        uint32_t value = 0xDEADBEEF;
        EXPECT_EQ(LoadAt(kBytes, c.size, c.offset, value), c.fits) << c.offset;
        EXPECT_EQ(value, c.fits ? LoadBig32(kBytes + c.offset) : 0xDEADBEEFu)
            << "untouched when it does not fit";
        uint8_t out[8] = {};
        EXPECT_EQ(StoreAt(out, c.size, c.offset, 0x01020304u), c.fits) << c.offset;
        EXPECT_EQ(std::vector<uint8_t>(out, out + 8) == std::vector<uint8_t>(8, 0), !c.fits);
    }
    uint32_t value = 7;
    EXPECT_FALSE(LoadAt(static_cast<const uint8_t *>(nullptr), 8, 0, value));
    EXPECT_FALSE(StoreAt(static_cast<uint8_t *>(nullptr), 8, 0, value));
}

}  // namespace
