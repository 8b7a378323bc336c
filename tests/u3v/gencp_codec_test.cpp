// GenCP on the wire: builders and parsers round-trip, and parsers refuse what is malformed.
#include <gtest/gtest.h>

#include <vector>

#include "u3v/GenCp.h"
#include "u3v/LittleEndian.h"

using namespace ky::u3v;

namespace {

TEST(GenCpCodec, ReadMemRoundTripAndLayout)
{
    std::vector<uint8_t> out;
    BuildReadMem(0x1234, 0x1122334455667788ull, 64, out);
    ASSERT_EQ(out.size(), GENCP_HEADER_SIZE + GENCP_READMEM_SCD_SIZE);
    EXPECT_EQ(out[0], 'U');
    EXPECT_EQ(out[1], '3');
    EXPECT_EQ(out[2], 'V');
    EXPECT_EQ(out[3], 'C');
    EXPECT_EQ(Le16(out.data() + 4), GENCP_FLAG_REQUEST_ACK);
    EXPECT_EQ(Le16(out.data() + 6), 0x0800);
    GenCpHeader header;
    uint64_t address = 0;
    uint16_t count = 0;
    ASSERT_EQ(ParseReadMem(out.data(), out.size(), header, address, count), GenCpError::Ok);
    EXPECT_EQ(header.requestId, 0x1234);
    EXPECT_EQ(address, 0x1122334455667788ull);
    EXPECT_EQ(count, 64);
}

TEST(GenCpCodec, WriteMemRoundTrip)
{
    const uint8_t data[] = {9, 8, 7, 6, 5};
    std::vector<uint8_t> out;
    ASSERT_EQ(BuildWriteMem(7, 0x40, data, sizeof data, out), GenCpError::Ok);
    GenCpHeader header;
    uint64_t address = 0;
    const uint8_t *bytes = nullptr;
    size_t count = 0;
    ASSERT_EQ(ParseWriteMem(out.data(), out.size(), header, address, bytes, count), GenCpError::Ok);
    EXPECT_EQ(address, 0x40u);
    ASSERT_EQ(count, sizeof data);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + count), std::vector<uint8_t>(data, data + sizeof data));

    std::vector<uint8_t> big(70000);
    EXPECT_EQ(BuildWriteMem(7, 0, big.data(), big.size(), out), GenCpError::BadPayload);
    EXPECT_EQ(BuildWriteMem(7, 0, nullptr, 4, out), GenCpError::BadPayload);
}

TEST(GenCpCodec, AcksRoundTrip)
{
    std::vector<uint8_t> out;
    BuildWriteMemAck(3, GenCpStatus::Success, 12, out);
    GenCpHeader header;
    ASSERT_EQ(ParseHeader(out.data(), out.size(), header), GenCpError::Ok);
    EXPECT_EQ(header.command, 0x0803);
    uint16_t written = 0;
    ASSERT_EQ(ParseWriteMemAckPayload(out.data() + GENCP_HEADER_SIZE, header.length, written),
              GenCpError::Ok);
    EXPECT_EQ(written, 12);

    BuildPendingAck(3, 250, out);
    ASSERT_EQ(ParseHeader(out.data(), out.size(), header), GenCpError::Ok);
    uint16_t timeout = 0;
    ASSERT_EQ(ParsePendingAckPayload(out.data() + GENCP_HEADER_SIZE, header.length, timeout), GenCpError::Ok);
    EXPECT_EQ(timeout, 250);

    const uint8_t data[] = {1, 2, 3, 4};
    ASSERT_EQ(BuildReadMemAck(4, GenCpStatus::InvalidAddress, data, 4, out), GenCpError::Ok);
    ASSERT_EQ(ParseHeader(out.data(), out.size(), header), GenCpError::Ok);
    EXPECT_EQ(header.flagsOrStatus, 0x8003);
    EXPECT_EQ(header.length, 0) << "a failed read carries no data";
}

TEST(GenCpCodec, MalformedTransfersAreRefused)
{
    std::vector<uint8_t> good;
    BuildReadMem(1, 0, 4, good);
    GenCpHeader header;
    uint64_t address = 0;
    uint16_t count = 0;

    struct Case
    {
        const char *what;
        std::vector<uint8_t> bytes;
        GenCpError expected;
    };
    std::vector<uint8_t> badMagic = good;
    badMagic[0] = 'X';
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    std::vector<uint8_t> shortPayload(good.begin(), good.end() - 2);
    std::vector<uint8_t> wrongLengthField = shortPayload;
    PutLe16(wrongLengthField.data() + 8, static_cast<uint16_t>(wrongLengthField.size() - GENCP_HEADER_SIZE));
    std::vector<uint8_t> writeCommand;
    ASSERT_EQ(BuildWriteMem(1, 0, nullptr, 0, writeCommand), GenCpError::Ok);
    const Case cases[] = {
        {"empty", {}, GenCpError::TooShort},
        {"half a header", std::vector<uint8_t>(good.begin(), good.begin() + 6), GenCpError::TooShort},
        {"bad magic", badMagic, GenCpError::BadMagic},
        {"extra byte", longer, GenCpError::LengthMismatch},
        {"cut payload", shortPayload, GenCpError::LengthMismatch},
        {"short payload declared", wrongLengthField, GenCpError::BadPayload},
        {"another command", writeCommand, GenCpError::WrongCommand},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ParseReadMem(c.bytes.data(), c.bytes.size(), header, address, count), c.expected) << c.what;
    }
    EXPECT_EQ(ParseReadMem(nullptr, 20, header, address, count), GenCpError::TooShort);
}

}  // namespace
