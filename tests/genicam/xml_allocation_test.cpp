// What a device's declared sizes cost: an archive or a URL that announces a large file must not
// make the reader allocate that size before the data is there. This program replaces the global
// operator new to note the largest single allocation, which is what the tests look at.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ky/ByteOrder.h"
#include "ky/genicam/KyGenXmlSource.h"

namespace {

std::atomic<size_t> gLargest{0};

void Note(size_t size)
{
    size_t seen = gLargest.load(std::memory_order_relaxed);
    while (size > seen && !gLargest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
}

}  // namespace

// The replacements allocate with malloc and free with free, in pairs.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void *operator new(size_t size)
{
    Note(size);
    if (void *p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void *operator new[](size_t size) { return operator new(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, size_t) noexcept { std::free(p); }
void operator delete[](void *p, size_t) noexcept { std::free(p); }

namespace {

constexpr size_t SMALL = 1 << 20;  // far above what these few bytes need, far below what they announce

void Le16(std::vector<uint8_t> &out, uint32_t v)
{
    uint8_t field[2];
    ky::base::StoreLittle16(field, static_cast<uint16_t>(v));
    out.insert(out.end(), field, field + 2);
}
void Le32(std::vector<uint8_t> &out, uint32_t v)
{
    uint8_t field[4];
    ky::base::StoreLittle32(field, v);
    out.insert(out.end(), field, field + 4);
}

// A one-entry archive whose entry is `packed` (compressed with `method`) and claims to unpack to
// `declared` bytes with the given CRC.
std::vector<uint8_t> Zip(const std::string &name, uint16_t method, const std::vector<uint8_t> &packed,
                         uint32_t declared, uint32_t crc)
{
    std::vector<uint8_t> zip;
    auto header = [&](uint32_t signature, bool central) {
        Le32(zip, signature);
        if (central) {
            Le16(zip, 20);  // made by
        }
        Le16(zip, 20);  // needed to extract
        Le16(zip, 0);   // flags
        Le16(zip, method);
        Le32(zip, 0);  // time and date
        Le32(zip, crc);
        Le32(zip, static_cast<uint32_t>(packed.size()));
        Le32(zip, declared);
        Le16(zip, static_cast<uint32_t>(name.size()));
        Le16(zip, 0);  // extra
        if (central) {
            Le16(zip, 0);  // comment
            Le16(zip, 0);  // disk
            Le16(zip, 0);  // internal attributes
            Le32(zip, 0);  // external attributes
            Le32(zip, 0);  // local header offset
        }
        zip.insert(zip.end(), name.begin(), name.end());
    };
    header(0x04034b50, false);
    zip.insert(zip.end(), packed.begin(), packed.end());
    const uint32_t directory = static_cast<uint32_t>(zip.size());
    header(0x02014b50, true);
    const uint32_t directorySize = static_cast<uint32_t>(zip.size()) - directory;
    Le32(zip, 0x06054b50);
    Le32(zip, 0);  // disks
    Le16(zip, 1);
    Le16(zip, 1);
    Le32(zip, directorySize);
    Le32(zip, directory);
    Le16(zip, 0);
    return zip;
}

// Raw deflate: one final stored block holding `text`.
std::vector<uint8_t> StoredDeflate(const std::string &text)
{
    std::vector<uint8_t> out{0x01};
    Le16(out, static_cast<uint32_t>(text.size()));
    Le16(out, static_cast<uint32_t>(~text.size() & 0xFFFF));
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

TEST(XmlAllocation, ArchivesDeclaringMoreThanTheyHoldFailWithoutAllocatingTheDeclaredSize)
{
    const std::string text = "<RegisterDescription/>";
    const std::vector<uint8_t> deflated = StoredDeflate(text);
    const uint32_t huge = static_cast<uint32_t>(KY_GEN_XML_MAX_LENGTH);
    const struct
    {
        const char *name;
        std::vector<uint8_t> zip;
        const char *description;
    } cases[] = {
        {"deflated entry declaring the largest size", Zip("a.xml", 8, deflated, huge, 0),
         "zipped GenICam file: 'a.xml' does not inflate to its 67108864 bytes"},
        {"deflated entry declaring fewer bytes than it holds", Zip("a.xml", 8, deflated, 5, 0),
         "zipped GenICam file: 'a.xml' does not inflate to its 5 bytes"},
        {"stored entry declaring the largest size",
         Zip("a.xml", 0, std::vector<uint8_t>(text.begin(), text.end()), huge, 0),
         "zipped GenICam file: stored entry 'a.xml' has two different sizes"},
    };
    for (const auto &c : cases) {
        ASSERT_LT(c.zip.size(), 200u) << c.name;
        std::string xml = "untouched";
        gLargest = 0;
        const KyResult result = KyGenUnzipXml(c.zip.data(), c.zip.size(), xml);
        const size_t largest = gLargest;
        EXPECT_EQ(result.GetCode(), KY_INVALID_DATA_FORMAT) << c.name;
        EXPECT_EQ(result.GetDescription().str(), c.description) << c.name;
        EXPECT_EQ(xml, "untouched") << c.name;
        EXPECT_LT(largest, SMALL) << c.name << ": allocated " << largest << " bytes at once";
    }
}

TEST(XmlAllocation, ATruthfulArchiveStillUnpacks)
{
    const std::string text = "<RegisterDescription/>";
    // CRC-32 (IEEE) of the text, bit by bit: small enough for a test.
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char byte : text) {
        c ^= byte;
        for (int k = 0; k < 8; ++k) {
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
    }
    const std::vector<uint8_t> zip =
        Zip("a.xml", 8, StoredDeflate(text), static_cast<uint32_t>(text.size()), ~c);
    std::string xml;
    const KyResult result = KyGenUnzipXml(zip.data(), zip.size(), xml);
    ASSERT_TRUE(result.IsOK()) << result.GetDescription().str();
    EXPECT_EQ(xml, text);
}

TEST(XmlAllocation, AUrlAnnouncingMoreThanTheDeviceHoldsFailsWithoutAllocatingTheAnnouncedLength)
{
    // The device holds 256 bytes at 0x10000 and refuses reads past them.
    const uint64_t base = 0x10000, held = 256;
    KyGenReadFunction read = [&](uint64_t address, void *data, uint32_t length) {
        if (address < base || address + length > base + held) {
            return KyResult(KY_INVALID_PARAMETER, KyString("outside the device memory"));
        }
        std::memset(data, '<', length);
        return KyResult();
    };
    for (const char *url : {"Local:big.xml;10000;4000000", "Local:big.zip;10000;4000000"}) {
        KyString xml("untouched");
        gLargest = 0;
        const KyResult result = KyGenReadXml(read, KyString(url), xml, 64);
        const size_t largest = gLargest;
        EXPECT_EQ(result.GetCode(), KY_INVALID_PARAMETER) << url;
        EXPECT_EQ(result.GetDescription().str(), "outside the device memory") << url;
        EXPECT_EQ(xml.str(), "untouched") << url;
        EXPECT_LT(largest, SMALL) << url << ": allocated " << largest << " bytes at once";
    }
}

}  // namespace
