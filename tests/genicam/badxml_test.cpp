// XML that a device might serve and that must be refused with a clear result.
#include <gtest/gtest.h>

#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "ky/genicam/KyGenParameterArray.h"
#include "ky/base/KyLogDispatcher.h"
#include "ky/base/KyLogSink.h"
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

TEST(BadXml, NodesMissingWhatTheyNeed)
{
    const std::pair<const char *, const char *> rows[] = {
        {"<Integer><Value>1</Value></Integer>", "a <Integer> on line 1 has no Name"},
        {"<Command Name=\"NoCommandValue\"><Value>0</Value></Command>",
         "[NoCommandValue] has no CommandValue"},
        {"<IntReg Name=\"NoPort\"><Address>0</Address><Length>4</Length></IntReg>", "[NoPort] has no pPort"},
        {"<IntReg Name=\"NoAddress\"><Length>4</Length><pPort>NoAddress</pPort></IntReg>",
         "[NoAddress] has no Address"},
        {"<Enumeration Name=\"EntryWithoutValue\"><Value>0</Value><EnumEntry Name=\"A\"/></Enumeration>",
         "[A] has no Value"},
        {"<Enumeration Name=\"TwoEntriesAlike\"><Value>0</Value><EnumEntry "
         "Name=\"A\"><Value>0</Value></EnumEntry>"
         "<EnumEntry Name=\"A\"><Value>1</Value></EnumEntry></Enumeration>",
         "[TwoEntriesAlike] has two entries named 'A' (line 1)"},
        {"<IntSwissKnife Name=\"BadConstant\"><Constant "
         "Name=\"C\">x</Constant><Formula>C</Formula></IntSwissKnife>",
         "[BadConstant] has a bad Constant C 'x' (line 1)"},
        {"<Converter Name=\"NoTarget\"><FormulaTo>FROM</FormulaTo><FormulaFrom>TO</FormulaFrom></Converter>",
         "[NoTarget] has no pValue"},
        {"<MaskedIntReg Name=\"BadBit\"><Bit>64</Bit></MaskedIntReg>",
         "[BadBit] has a bad Bit '64' (line 1)"},
        {"<Integer Name=\"I\"><Value>0</Value></Integer><Integer "
         "Name=\"IndexWithoutValues\"><pIndex>I</pIndex></Integer>",
         "[IndexWithoutValues] has a pIndex but no indexed values"},
        {"<Integer Name=\"NoIndexAttribute\"><ValueIndexed>3</ValueIndexed><Value>0</Value></Integer>",
         "[NoIndexAttribute] has a ValueIndexed without a valid Index (line 1)"},
        {"<Integer Name=\"NoValueAtAll\"/>", "[NoValueAtAll] has neither Value nor pValue"},
    };
    for (auto &[body, description] : rows) {
        SCOPED_TRACE(body);
        KyGenParameterArray params;
        KyResult r = params.Load(
            KyString(std::string("<RegisterDescription>") + body + "</RegisterDescription>"), nullptr);
        EXPECT_EQ(r.GetCode(), KY_GENICAM_XML_ERROR);
        EXPECT_EQ(r.GetDescription().str(), description);
    }
}

TEST(BadXml, ChainDeeperThanTheGuardIsAnErrorNotACrash)
{
    // 100 integers, each reading the next: no cycle, but deeper than any real device needs.
    std::string xml = "<RegisterDescription>";
    for (int k = 0; k < 100; ++k)
        xml += "<Integer Name=\"Chain" + std::to_string(k) + "\"><pValue>Chain" + std::to_string(k + 1) +
               "</pValue></Integer>";
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

TEST(BadXml, ExpressionsThatNameThemselvesStopAtTheGuard)
{
    std::string chain;
    for (int k = 0; k < 100; ++k)
        chain +=
            "<Expression Name=\"E" + std::to_string(k) + "\">E" + std::to_string(k + 1) + " + 1</Expression>";
    std::string xml = "<RegisterDescription>"
                      "<IntSwissKnife Name=\"SelfReference\"><Expression Name=\"E\">E + "
                      "1</Expression><Formula>E</Formula></IntSwissKnife>"
                      "<IntSwissKnife Name=\"LongChain\">" +
                      chain +
                      "<Expression Name=\"E100\">1</Expression><Formula>E0</Formula></IntSwissKnife>"
                      "<IntSwissKnife Name=\"ShortChain\">" +
                      chain.substr(0, chain.find("<Expression Name=\"E10\"")) +
                      "<Expression Name=\"E10\">1</Expression><Formula>E0</Formula></IntSwissKnife>"
                      "</RegisterDescription>";
    KyGenParameterArray params;
    ASSERT_TRUE(params.Load(KyString(xml), nullptr).IsOK());
    int64_t v = 0;
    for (const char *name : {"SelfReference", "LongChain"}) {
        KyResult r = params.GetIntegerValue(name, v);
        EXPECT_EQ(r.GetCode(), KY_GENICAM_XML_ERROR) << name;
        EXPECT_EQ(r.GetDescription().str(),
                  "[" + std::string(name) + "] reference chain deeper than 64 nodes");
    }
    EXPECT_TRUE(params.GetIntegerValue("ShortChain", v).IsOK());
    EXPECT_EQ(v, 11);
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

TEST(BadXml, UnknownElementsAreLoggedAndSkipped)
{
    struct Sink : KyLogSink
    {
        std::mutex m;
        std::vector<std::string> warnings;
        void Log(KyLogLevelEnum level, const char *category, uint32_t, const char *, const char *,
                 const char *message) override
        {
            std::lock_guard<std::mutex> lock(m);
            if (level == KyLogLevelWarning && std::string(category) == "genicam")
                warnings.push_back(message);
        }
    } sink;
    ASSERT_TRUE(KyLogDispatcher::AddSink(&sink).IsOK());
    KyGenParameterArray params;
    KyResult r =
        params.Load(KyString("<RegisterDescription>\n<Widget Name=\"Gizmo\"/>\n"
                             "<Integer Name=\"Known\"><Value>3</Value></Integer></RegisterDescription>"),
                    nullptr);
    EXPECT_TRUE(KyLogDispatcher::RemoveSink(&sink).IsOK());
    ASSERT_TRUE(r.IsOK());
    EXPECT_EQ(params.GetCount(), 1u);
    ASSERT_EQ(sink.warnings.size(), 1u);
    EXPECT_EQ(sink.warnings[0], "[NodeMap::Load] skips the unknown element <Widget> 'Gizmo' on line 2");
}

TEST(BadXml, DamagedCopiesOfAGoodFileNeverCrash)
{
    // A fixed seed and a fixed count keep this repeatable and bounded.
    const std::string good = ReadTestFile("features.xml");
    std::mt19937 random(12345);
    int loaded = 0;
    for (int round = 0; round < 300; ++round) {
        std::string xml = good;
        int edits = 1 + static_cast<int>(random() % 3);
        for (int e = 0; e < edits; ++e) {
            size_t at = random() % xml.size();
            switch (random() % 3) {
            case 0:
                xml[at] = static_cast<char>(random() % 128);
                break;
            case 1:
                xml.erase(at, random() % 40);
                break;
            default:
                xml.insert(at, xml.substr(random() % xml.size(), random() % 60));
                break;
            }
        }
        MemoryPort port;
        KyGenParameterArray params;
        if (!params.Load(KyString(xml), &port).IsOK())
            continue;
        ++loaded;
        for (uint32_t k = 0; k < params.GetCount(); ++k) {
            KyString text;
            // Damaged features may refuse either: the test is that nothing crashes.
            (void)params.Get(k)->ToString(text);
            (void)params.Get(k)->FromString(KyString("1"));
        }
    }
    EXPECT_GT(loaded, 0);
}
