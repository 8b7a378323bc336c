#include <gtest/gtest.h>

#include "gev/ByteCursor.h"

using namespace ky::gev;

TEST(ByteCursor, WritesAndReadsBigEndian)
{
    uint8_t buffer[15] = {};
    ByteWriter writer(buffer, sizeof(buffer));
    EXPECT_TRUE(writer.WriteU8(0x01));
    EXPECT_TRUE(writer.WriteU16(0x0203));
    EXPECT_TRUE(writer.WriteU32(0x04050607));
    EXPECT_TRUE(writer.WriteU64(0x08090A0B0C0D0E0FULL));
    EXPECT_EQ(writer.Remaining(), 0u);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(buffer[i], i + 1) << i;
    }
    ByteReader reader(buffer, sizeof(buffer));
    uint8_t a = 0;
    uint16_t b = 0;
    uint32_t c = 0;
    uint64_t d = 0;
    EXPECT_TRUE(reader.ReadU8(a) && reader.ReadU16(b) && reader.ReadU32(c) && reader.ReadU64(d));
    EXPECT_EQ(a, 0x01);
    EXPECT_EQ(b, 0x0203);
    EXPECT_EQ(c, 0x04050607u);
    EXPECT_EQ(d, 0x08090A0B0C0D0E0FULL);
    EXPECT_TRUE(reader.Ok());
}

TEST(ByteCursor, TwentyFourBitFields)
{
    uint8_t buffer[4] = {};
    ByteWriter writer(buffer, sizeof(buffer));
    EXPECT_TRUE(writer.WriteU24(0xFF123456u));  // the low 24 bits
    EXPECT_FALSE(writer.WriteU24(1)) << "one byte left";
    EXPECT_EQ(buffer[0], 0x12);
    EXPECT_EQ(buffer[1], 0x34);
    EXPECT_EQ(buffer[2], 0x56);
    EXPECT_EQ(buffer[3], 0x00) << "a failed write leaves the rest alone";
    ByteReader reader(buffer, sizeof(buffer));
    uint32_t value = 0;
    EXPECT_TRUE(reader.ReadU24(value));
    EXPECT_EQ(value, 0x123456u);
    value = 7;
    EXPECT_FALSE(reader.ReadU24(value));
    EXPECT_EQ(value, 7u);
    EXPECT_FALSE(reader.Ok());
}

TEST(ByteCursor, OverrunFailsLatchesAndLeavesOutputAlone)
{
    const uint8_t data[3] = {1, 2, 3};
    ByteReader reader(data, sizeof(data));
    uint32_t value = 0xDEADBEEF;
    EXPECT_FALSE(reader.ReadU32(value));
    EXPECT_EQ(value, 0xDEADBEEFu);
    EXPECT_FALSE(reader.Ok());
    uint8_t byte = 0;
    EXPECT_FALSE(reader.ReadU8(byte));  // latched even though one byte would fit
    EXPECT_EQ(byte, 0);

    uint8_t out[2] = {7, 7};
    ByteWriter writer(out, sizeof(out));
    EXPECT_FALSE(writer.WriteU32(1));
    EXPECT_FALSE(writer.Ok());
    EXPECT_EQ(out[0], 7);

    ByteReader empty(nullptr, 100);  // a null buffer has no bytes, whatever the size says
    EXPECT_EQ(empty.Remaining(), 0u);
    EXPECT_FALSE(empty.Skip(1));
}

TEST(ByteCursor, FixedStringsAreCutPaddedAndEndAtNul)
{
    uint8_t buffer[8];
    ByteWriter writer(buffer, sizeof(buffer));
    EXPECT_TRUE(writer.WriteFixedString("abc", 4));
    EXPECT_TRUE(writer.WriteFixedString("abcdefgh", 4));
    const uint8_t expected[8] = {'a', 'b', 'c', 0, 'a', 'b', 'c', 'd'};
    EXPECT_EQ(0, memcmp(buffer, expected, 8));
    ByteReader reader(buffer, sizeof(buffer));
    std::string first, second;
    EXPECT_TRUE(reader.ReadFixedString(first, 4));
    EXPECT_TRUE(reader.ReadFixedString(second, 4));  // no NUL: the field's end ends the text
    EXPECT_EQ(first, "abc");
    EXPECT_EQ(second, "abcd");
    EXPECT_FALSE(reader.ReadFixedString(first, 1));
    EXPECT_EQ(first, "abc");
}

TEST(ByteCursor, PatchOnlyInsideWrittenBytes)
{
    uint8_t buffer[4] = {};
    ByteWriter writer(buffer, sizeof(buffer));
    writer.WriteU16(0);
    EXPECT_TRUE(writer.PatchU16(0, 0xABCD));
    EXPECT_EQ(buffer[0], 0xAB);
    EXPECT_EQ(buffer[1], 0xCD);
    EXPECT_FALSE(writer.PatchU16(1, 1));
}
