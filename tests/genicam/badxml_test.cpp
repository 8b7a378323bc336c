// XML that a device might serve and that must be refused with a clear result.
#include <gtest/gtest.h>

#include "KyGenParameterArray.h"
#include "MemoryPort.h"

namespace {

struct BadFile
{
    const char *file;
    const char *description;
};

const BadFile kBadFiles[] = {
    {"malformed.xml", "malformed GenICam XML: "},
    {"wrong_root.xml", "the GenICam XML has no <RegisterDescription> root"},
    {"cycle.xml", "reference cycle: CycleA -> CycleB -> CycleC -> CycleA"},
    {"dangling.xml", "[PointsNowhere] pValue refers to the unknown node 'NoSuchNode'"},
    {"bad_formula.xml", "[BadFormula] Formula '1 + * 2' cannot be read: missing operand at offset 4"},
    {"unknown_variable.xml", "[UsesUndeclaredVariable] formula 'X + 1' uses the unknown variable 'X'"},
    {"duplicate.xml", "two nodes are named 'Twice' (line 4)"},
    {"bad_enum_text.xml", "[BadVisibility] has an unknown Visibility 'Everyone' (line 3)"},
    {"port_not_a_port.xml", "[RegOnInteger] pPort refers to 'NotAPort', which is not a Port"},
};

}  // namespace

TEST(BadXml, EachFileIsRefusedWithItsReason)
{
    for (const BadFile &bad : kBadFiles) {
        SCOPED_TRACE(bad.file);
        MemoryPort port;
        KyGenParameterArray params;
        KyResult r = params.Load(KyString(ReadTestFile(bad.file)), &port);
        EXPECT_EQ(r.GetCode(), KY_GENICAM_XML_ERROR);
        EXPECT_EQ(r.GetDescription().str().rfind(bad.description, 0), 0u) << r.GetDescription().GetAscii();
        EXPECT_EQ(params.GetCount(), 0u);
        EXPECT_EQ(params.GetNodeMap(), nullptr);
        EXPECT_EQ(port.reads + port.writes, 0);
    }
}

TEST(BadXml, ChainDeeperThanTheGuardIsAnErrorNotACrash)
{
    // 100 integers, each reading the next: no cycle, but deeper than any real device needs.
    std::string xml = "<RegisterDescription>";
    for (int k = 0; k < 100; ++k)
        xml += "<Integer Name=\"Chain" + std::to_string(k) + "\"><pValue>Chain" + std::to_string(k + 1) + "</pValue></Integer>";
    xml += "<Integer Name=\"Chain100\"><Value>7</Value></Integer></RegisterDescription>";
    KyGenParameterArray params;
    ASSERT_TRUE(params.Load(KyString(xml), nullptr).IsOK());
    int64_t v = 0;
    KyResult r = params.GetIntegerValue("Chain0", v);
    EXPECT_EQ(r.GetCode(), KY_GENICAM_XML_ERROR);
    EXPECT_NE(r.GetDescription().str().find("reference chain deeper than 64 nodes"), std::string::npos);
    EXPECT_TRUE(params.GetIntegerValue("Chain60", v).IsOK());
    EXPECT_EQ(v, 7);
}

TEST(BadXml, ReloadAfterFailureLeavesAnEmptyArray)
{
    MemoryPort port;
    KyGenParameterArray params;
    ASSERT_TRUE(params.Load(KyString(ReadTestFile("features.xml")), &port).IsOK());
    EXPECT_GT(params.GetCount(), 0u);
    EXPECT_FALSE(params.Load(KyString(ReadTestFile("cycle.xml")), &port).IsOK());
    EXPECT_EQ(params.GetCount(), 0u);
    EXPECT_EQ(params.Get(KyString("Width")), nullptr);
    EXPECT_EQ(params.GetAccessMode(), KyGenAccessModeNotAvailable);
}
