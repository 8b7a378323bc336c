// The tables are the single source of the SDK's codes and enumerations: check their
// sizes, uniqueness and the values that callers and stored files rely on.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ky/base/KyEnums.h"

namespace {

struct Entry
{
    std::string name;
    long long value;
};

#define KY_ENTRY(name, value) {#name, static_cast<long long>(value)},
const std::vector<Entry> kResultCodes = {KY_RESULT_CODE_TABLE(KY_ENTRY)};
const std::vector<Entry> kMasks = {KY_PIXEL_MASK_TABLE(KY_ENTRY)};
#define KY_ENUM_ENTRIES(e) {#e, {KY_ENUM_TABLE_##e(KY_ENTRY)}},
const std::vector<std::pair<std::string, std::vector<Entry>>> kEnums = {KY_ENUMERATION_LIST(KY_ENUM_ENTRIES)};
#undef KY_ENUM_ENTRIES
#undef KY_ENTRY

}  // namespace

TEST(EnumTables, CountsAreThoseTheModulePublishes)
{
    EXPECT_EQ(kResultCodes.size(), 37u);
    EXPECT_EQ(kMasks.size(), 24u);
    EXPECT_EQ(kEnums.size(), 29u);
    size_t members = 0;
    for (const auto &e : kEnums)
        members += e.second.size();
    EXPECT_EQ(members, 402u);
    EXPECT_EQ(kResultCodes.size() + kMasks.size() + members, 463u);
}

TEST(EnumTables, NamesAreUniqueAcrossAllTables)
{
    std::set<std::string> names;
    auto add = [&](const std::vector<Entry> &list) {
        for (const auto &e : list)
            EXPECT_TRUE(names.insert(e.name).second) << "duplicate " << e.name;
    };
    add(kResultCodes);
    add(kMasks);
    std::set<std::string> enumNames;
    for (const auto &e : kEnums) {
        EXPECT_TRUE(enumNames.insert(e.first).second) << "duplicate enumeration " << e.first;
        add(e.second);
    }
}

TEST(EnumTables, ResultCodeValuesAreUnique)
{
    std::set<long long> values;
    for (const auto &e : kResultCodes)
        EXPECT_TRUE(values.insert(e.value).second) << e.name;
}

TEST(EnumTables, TellingValues)
{
    EXPECT_EQ(KY_OK, 0u);
    EXPECT_EQ(KY_NOT_INITIALIZED, 0x605u);
    EXPECT_EQ(KY_PENDING, 65535u);
    EXPECT_EQ(KY_GENICAM_XML_ERROR, 0x904u);
    EXPECT_EQ(KYPIXELCUSTOM, INT32_MIN);
    EXPECT_EQ(KYPIXELCOLORMASK, -16777216);
    EXPECT_EQ(KYPIXELRGB, KYPIXELCOLOR);
    EXPECT_EQ(KyPixelMono8, 0x01080001);
    EXPECT_EQ(KyPixelBGR8, 0x02180015);
    EXPECT_EQ(KyPixelMono12Packed, 0x010C0006);
    EXPECT_EQ(KyPixelRGB10p, 0x021E0052);
    EXPECT_EQ(KyPixelBayerBG10p, 0x010A0052);
    EXPECT_EQ(KyPayloadTypeDeviceSpecificBase, 32768);
    EXPECT_EQ(KyPayloadTypeTesmarCompressed, 32999);
    EXPECT_EQ(KyDeviceSerialBulk7, 9);
    EXPECT_EQ(KyGenVisibilityUndefined, 999);
    EXPECT_EQ(KyGenRefreshInvalid, -1);
}

TEST(EnumTables, EnumerationSizesAndOrder)
{
    const std::vector<std::pair<std::string, size_t>> expected = {
        {"KyLogLevelEnum", 6},    {"KyPixelType", 241},
        {"KyPayloadType", 14},    {"KyMultiPartDataType", 13},
        {"KyComponentType", 10},  {"KyEncodingEnum", 2},
        {"KyBayerFilterType", 2}, {"KyGenVisibility", 5},
        {"KyGenType", 8},         {"KyGenRepresentation", 8},
        {"KyGenNameSpace", 3},    {"KyGenAccessMode", 6},
        {"KyGenCache", 4},        {"KyGenRefresh", 4},
        {"KyGenEndianness", 3},   {"KyGenSign", 3},
        {"KyAccessType", 5},      {"KyActionAckStatusEnum", 4},
        {"KyUserSetState", 4},    {"KyScanType", 5},
        {"KyDeviceClass", 5},     {"KyUSBStatus", 11},
        {"KyInterfaceType", 3},   {"KyDeviceInfoType", 5},
        {"KyUSBSpeed", 6},        {"KyDeviceType", 3},
        {"KyStreamType", 4},      {"KyDataReceiverType", 4},
        {"KyDeviceSerial", 11}};
    ASSERT_EQ(kEnums.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(kEnums[i].first, expected[i].first);
        EXPECT_EQ(kEnums[i].second.size(), expected[i].second) << expected[i].first;
    }
}

TEST(EnumTables, PixelTypesFollowTheMaskRule)
{
    for (const auto &e : kEnums) {
        if (e.first != "KyPixelType")
            continue;
        for (const auto &p : e.second) {
            if (p.value == 0)
                continue;
            const uint32_t v = static_cast<uint32_t>(p.value);
            const uint32_t cls = v & static_cast<uint32_t>(KYPIXELCOLORMASK);
            EXPECT_TRUE(cls == static_cast<uint32_t>(KYPIXELMONO) ||
                        cls == static_cast<uint32_t>(KYPIXELCOLOR))
                << p.name;
            EXPECT_GT((v & KYBITSPERPIXELMASK) >> 16, 0u) << p.name;
            EXPECT_GT(v & KYPIXELIDMASK, 0u) << p.name;
        }
    }
}
