// The GenApi factory: the results of its creation and override calls, the features it records,
// and the XML those features become (loaded back through our node map over an in-memory port).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

#include "ky/genicam/KyGenParameterArray.h"
#include "ky/device/KyGevConstants.h"
#include "genapi/SoftDeviceXml.h"
#include "SoftDeviceInfo.h"
#include "features/FeatureXml.h"
#include "genapi/SoftGenApiFactory.h"
#include "registers/SoftRegister.h"
#include "ky/ByteOrder.h"
#include "genapi/SoftStandardFeatures.h"

using namespace ky::soft;

namespace {

struct Registers
{
    SoftRegister rw{KyString("Value"), 0x10000, 4, KyGenAccessModeReadWrite, false, nullptr};
    SoftRegister ro{KyString("Status"), 0x10004, 4, KyGenAccessModeReadOnly, false, nullptr};
    SoftRegister text{KyString("Label"), 0x10010, 12, KyGenAccessModeReadWrite, true, nullptr};
};

class Factory : public ::testing::Test
{
protected:
    Registers regs;
    SoftFeatureTable standard = SoftStandardFeatures::Make(SoftStandardFeatures::Options{});
    SoftGenApiFactory factory{{&standard}};

    const SoftFeature *Custom(const std::string &name)
    {
        for (const SoftFeature &f : factory.Table().features) {
            if (f.name == name)
                return &f;
        }
        return nullptr;
    }
    const SoftFeature *Standard(const std::string &name)
    {
        for (const SoftFeature &f : standard.features) {
            if (f.name == name)
                return &f;
        }
        return nullptr;
    }
};

struct CreationCase
{
    const char *name;
    std::function<KyResult(SoftGenApiFactory &, Registers &)> call;
    uint32_t code;
    const char *description;  // exact, or empty when only the code matters
};

TEST_F(Factory, CreationResults)
{
    const CreationCase cases[] = {
        {"no name", [](SoftGenApiFactory &f, Registers &r) { return f.CreateInteger(&r.rw); },
         KY_NOT_INITIALIZED, "a feature needs a name: SetName comes before its creation"},
        {"integer without register or pValue",
         [](SoftGenApiFactory &f, Registers &) {
             f.SetName("Orphan");
             return f.CreateInteger(nullptr);
         },
         KY_INVALID_PARAMETER, "[Orphan] needs a register, a chunk or event mapping, or a pValue"},
        {"command without register or pValue",
         [](SoftGenApiFactory &f, Registers &) {
             f.SetName("Go");
             return f.CreateCommand(nullptr);
         },
         KY_INVALID_PARAMETER, "[Go] a command needs a register or a pValue"},
        {"enumeration without entries",
         [](SoftGenApiFactory &f, Registers &r) {
             f.SetName("Mode");
             return f.CreateEnum(&r.rw);
         },
         KY_INVALID_PARAMETER, "[Mode] an enumeration needs entries (AddEnumEntry)"},
        {"empty formula",
         [](SoftGenApiFactory &f, Registers &) {
             f.SetName("Sum");
             return f.CreateIntSwissKnife("");
         },
         KY_INVALID_PARAMETER, "[Sum] a SwissKnife needs a formula"},
        {"converter without its feature",
         [](SoftGenApiFactory &f, Registers &) {
             f.SetName("Ms");
             return f.CreateIntConverter("", "TO", "FROM");
         },
         KY_INVALID_PARAMETER, "[Ms] a converter needs the feature it converts and both formulas"},
        {"name starting with a digit",
         [](SoftGenApiFactory &f, Registers &r) {
             f.SetName("1st");
             return f.CreateInteger(&r.rw);
         },
         KY_INVALID_PARAMETER, "[1st] is not a valid feature name (a letter, then letters, digits or '_')"},
        {"empty category level",
         [](SoftGenApiFactory &f, Registers &r) {
             f.SetName("A");
             f.SetCategory("Top\\");
             return f.CreateInteger(&r.rw);
         },
         KY_INVALID_PARAMETER, "[A] category 'Top\\' is not a valid category path"},
        {"standard name taken",
         [](SoftGenApiFactory &f, Registers &r) {
             f.SetName("GevSCPD");
             return f.CreateInteger(&r.rw);
         },
         KY_INVALID_PARAMETER, "[GevSCPD] is already declared"},
        {"writable feature on a read-only register",
         [](SoftGenApiFactory &f, Registers &r) {
             f.SetName("Level");
             f.SetAccessMode(KyGenAccessModeReadWrite);
             return f.CreateInteger(&r.ro);
         },
         KY_INVALID_PARAMETER, "[Level] register 'Status' does not allow access RW"},
        {"integer on a 12-byte register",
         [](SoftGenApiFactory &f, Registers &r) {
             f.SetName("Wide");
             return f.CreateInteger(&r.text);
         },
         KY_INVALID_PARAMETER, "[Wide] cannot be 12 bytes long"},
        {"bounds that make no range",
         [](SoftGenApiFactory &f, Registers &r) {
             f.SetName("Gain2");
             return f.CreateInteger(&r.rw, 10, 0, 1);
         },
         KY_INVALID_PARAMETER, "[Gain2] minimum 10, maximum 0 and increment 1 make no range"},
        {"read-only feature on a read-write register",
         [](SoftGenApiFactory &f, Registers &r) {
             f.SetName("Shown");
             f.SetAccessMode(KyGenAccessModeReadOnly);
             return f.CreateInteger(&r.rw);
         },
         KY_OK, ""},
        {"value from another feature",
         [](SoftGenApiFactory &f, Registers &) {
             f.SetName("Alias");
             f.SetPValue("GevSCPD");
             return f.CreateInteger(nullptr);
         },
         KY_OK, ""},
        {"chunk data",
         [](SoftGenApiFactory &f, Registers &) {
             f.SetName("ChunkCounter");
             f.MapChunk(0x1000, 4, 4, KyGenEndiannessLittle);
             return f.CreateInteger(nullptr);
         },
         KY_OK, ""},
        {"text",
         [](SoftGenApiFactory &f, Registers &r) {
             f.SetName("Label");
             return f.CreateString(&r.text);
         },
         KY_OK, ""},
    };
    for (const CreationCase &c : cases) {
        const KyResult result = c.call(factory, regs);
        EXPECT_EQ(result.GetCode(), c.code) << c.name << ": " << result.GetDescription().GetAscii();
        if (*c.description) {
            EXPECT_EQ(result.GetDescription().str(), c.description) << c.name;
        }
    }
    ASSERT_NE(Custom("Shown"), nullptr);
    EXPECT_EQ(Custom("Shown")->access, "RO");
    ASSERT_NE(Custom("ChunkCounter"), nullptr);
    EXPECT_EQ(Custom("ChunkCounter")->port, "ChunkPort00001000");
    EXPECT_TRUE(Custom("ChunkCounter")->littleEndian);
    ASSERT_EQ(factory.Table().ports.size(), 1u);
    EXPECT_EQ(Custom("Orphan"), nullptr) << "a refused feature is not added";
}

TEST_F(Factory, AttributesApplyToOneFeatureOnly)
{
    factory.SetName("First");
    factory.SetCategory("Custom", "Levels");
    factory.SetToolTip("first one");
    factory.SetTLLocked(true);
    factory.AddEnumEntry("Ignored", 1);
    ASSERT_TRUE(factory.CreateInteger(&regs.rw, 0, 100, 5).IsOK());
    EXPECT_EQ(factory.CreateInteger(&regs.rw).GetCode(), KY_NOT_INITIALIZED) << "the name was reset too";
    factory.SetName("Second");
    factory.AddEnumEntry("Off", 0);
    factory.AddEnumEntry("On", 1, "Switched on", KyGenNameSpaceStandard);
    ASSERT_TRUE(factory.CreateEnum(&regs.ro).IsOK());

    const SoftFeature *first = Custom("First");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->category, "Custom\\Levels");
    EXPECT_EQ(first->toolTip, "first one");
    EXPECT_EQ(first->pIsLocked, "TLParamsLocked");
    EXPECT_EQ(first->min + " " + first->max + " " + first->inc, "0 100 5");
    EXPECT_TRUE(first->entries.empty());
    const SoftFeature *second = Custom("Second");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->category, "");
    EXPECT_EQ(second->toolTip, "");
    EXPECT_EQ(second->pIsLocked, "");
    EXPECT_EQ(second->access, "RO");
    ASSERT_EQ(second->entries.size(), 2u);
    EXPECT_EQ(second->entries[1].displayName, "Switched on");
    EXPECT_FALSE(second->entries[1].custom);
}

TEST_F(Factory, OverridesChangeStandardFeatures)
{
    EXPECT_TRUE(factory.AddInvalidatorTo("GevSCPSPacketSize", "ComponentSelector").IsOK());
    EXPECT_TRUE(factory.SetPIsAvailableFor("GevSCPD", "DelayAvailable").IsOK());
    EXPECT_TRUE(factory.SetPIsAvailableForEnumEntry("UserSetSelector", "Default", "DefaultAvailable").IsOK());
    EXPECT_TRUE(factory.SetPMaxFor("GevSCPSPacketSize", "PacketSizeMax").IsOK());
    EXPECT_EQ(Standard("GevSCPSPacketSize")->invalidators, std::vector<std::string>{"ComponentSelector"});
    EXPECT_EQ(Standard("GevSCPSPacketSize")->pMax, "PacketSizeMax");
    EXPECT_EQ(Standard("GevSCPD")->pIsAvailable, "DelayAvailable");
    EXPECT_EQ(Standard("UserSetSelector")->entries[0].pIsAvailable, "DefaultAvailable");

    const KyResult unknown = factory.SetPValueFor("NoSuchFeature", "X");
    EXPECT_EQ(unknown.GetCode(), KY_NOT_FOUND);
    EXPECT_EQ(unknown.GetDescription().str(), "[NoSuchFeature] is not a feature of the device");
    const KyResult entry = factory.SetPIsAvailableForEnumEntry("UserSetSelector", "UserSet9", "X");
    EXPECT_EQ(entry.GetDescription().str(), "[UserSetSelector] has no entry 'UserSet9'");
    EXPECT_EQ(factory.SetPIncFor("GevSCPD", "").GetCode(), KY_INVALID_PARAMETER);
}

TEST(FeatureDisplayName, MadeFromNameAndCategory)
{
    const struct
    {
        const char *name, *category, *expected;
    } cases[] = {
        {"WidthMax", "ImageFormatControl", "Width Max"},
        {"EventTestTimestamp", "EventControl\\EventTestData", "Test Timestamp"},
        {"GevSCPSPacketSize", "TransportLayerControl", "Gev SCPS Packet Size"},
        {"Image", "ImageFormatControl", "Image"},  // nothing left after the prefix: kept whole
        {"Line_2", "", "Line 2"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(ky::gc::FeatureXml::DisplayName(c.name, c.category), c.expected) << c.name;
    }
}

// An in-memory device for the rendered XML.
class MemoryPort : public IKyGenPort
{
public:
    std::map<uint64_t, uint8_t> bytes;
    uint16_t Big16(uint64_t address)
    {
        const uint8_t field[2] = {bytes[address], bytes[address + 1]};
        return ky::base::LoadBig16(field);
    }
    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override
    {
        for (uint32_t k = 0; k < length; ++k)
            static_cast<uint8_t *>(data)[k] = bytes[address + k];
        return KyResult();
    }
    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override
    {
        for (uint32_t k = 0; k < length; ++k)
            bytes[address + k] = static_cast<const uint8_t *>(data)[k];
        return KyResult();
    }
};

TEST_F(Factory, DeclaredFeaturesWorkInANodeMap)
{
    factory.SetName("Exposure");
    factory.SetCategory("Custom");
    factory.SetUnit("us");
    ASSERT_TRUE(factory.CreateInteger(&regs.rw, 0, 1000, 10).IsOK());
    factory.SetName("Doubled");
    factory.AddVariable("Exposure");
    ASSERT_TRUE(factory.CreateIntSwissKnife("Exposure * 2").IsOK());
    factory.SetName("ExposureMs");
    ASSERT_TRUE(factory.CreateIntConverter("Exposure", "TO * 1000", "FROM / 1000").IsOK());
    factory.SetName("Mode");
    factory.SetCategory("Custom");
    factory.AddEnumEntry("Slow", 3);
    factory.AddEnumEntry("Fast", 7);
    ASSERT_TRUE(factory.CreateEnum(&regs.ro).IsOK());

    SoftDeviceInfo info;
    std::string xml;
    KyResult result = SoftDeviceXml::Render(info, {&standard, &factory.Table()}, xml);
    ASSERT_TRUE(result.IsOK()) << result.GetDescription().GetAscii();
    MemoryPort port;
    KyGenParameterArray params;
    result = params.Load(KyString(xml), &port);
    ASSERT_TRUE(result.IsOK()) << result.GetDescription().GetAscii();

    EXPECT_TRUE(params.SetIntegerValue("Exposure", 20).IsOK());
    EXPECT_EQ(port.bytes[0x10003], 20) << "big-endian in the register";
    int64_t value = 0;
    EXPECT_TRUE(params.GetIntegerValue("Doubled", value).IsOK());
    EXPECT_EQ(value, 40);
    EXPECT_TRUE(params.SetIntegerValue("ExposureMs", 2000).IsOK());
    EXPECT_TRUE(params.GetIntegerValue("Exposure", value).IsOK());
    EXPECT_EQ(value, 2);
    EXPECT_EQ(params.SetIntegerValue("Exposure", 5).GetCode(), KY_INVALID_PARAMETER)
        << "not on the increment";
    port.bytes[0x10007] = 7;
    KyString mode;
    EXPECT_TRUE(params.GetEnumValue("Mode", mode).IsOK());
    EXPECT_EQ(mode.str(), "Fast");
    KyGenCategory *custom = params.GetCategory("Custom");
    ASSERT_NE(custom, nullptr);
}

TEST(FeatureTables, RenderingRefusesWhatCannotWork)
{
    SoftDeviceInfo info;
    std::string xml;
    SoftFeatureTable twice;
    twice.owner = "stream channel 0";
    twice.features.push_back(SoftFeature::OnRegister(SoftFeatureKind::Integer, "GevSCPD", 0x20000));
    const SoftFeatureTable standard = SoftStandardFeatures::Make(SoftStandardFeatures::Options{});
    KyResult result = SoftDeviceXml::Render(info, {&standard, &twice}, xml);
    EXPECT_EQ(result.GetDescription().str(), "[GevSCPD] is declared twice (stream channel 0)");
    SoftFeatureTable noAddress;
    noAddress.features.push_back(SoftFeature::Make(SoftFeatureKind::IntReg, "Loose"));
    result = SoftDeviceXml::Render(info, {&noAddress}, xml);
    EXPECT_EQ(result.GetCode(), KY_GENICAM_XML_ERROR);
    EXPECT_EQ(result.GetDescription().str(), "[Loose] a IntReg needs an address");
}

}  // namespace

namespace {

// Stream channel 0 features are bit fields of the GigE Vision channel registers.
TEST(StandardFeatureTable, StreamChannelBitFields)
{
    SoftDeviceInfo info;
    std::string xml;
    const SoftFeatureTable standard = SoftStandardFeatures::Make(SoftStandardFeatures::Options{1, 0});
    ASSERT_TRUE(SoftDeviceXml::Render(info, {&standard}, xml).IsOK());
    MemoryPort port;
    KyGenParameterArray params;
    KyResult result = params.Load(KyString(xml), &port);
    ASSERT_TRUE(result.IsOK()) << result.GetDescription().GetAscii();
    ASSERT_TRUE(params.SetIntegerValue("GevSCPSPacketSize", 1400).IsOK());
    ASSERT_TRUE(params.ExecuteCommand("GevSCPSFireTestPacket").IsOK());
    EXPECT_EQ(port.bytes[ky::gev::SCPS0_OFFSET], 0x80) << "fire bit";
    EXPECT_EQ(port.Big16(ky::gev::SCPS0_OFFSET + 2), 1400) << "packet size kept";
    ASSERT_TRUE(params.SetIntegerValue("GevSCPHostPort", 5000).IsOK());
    EXPECT_EQ(port.Big16(ky::gev::SCP0_OFFSET + 2), 5000);
    ASSERT_TRUE(params.SetBooleanValue("GevGVCPHeartbeatDisable", true).IsOK());
    EXPECT_EQ(port.bytes[ky::gev::GVCP_CONFIG_OFFSET + 3], 1);
    EXPECT_EQ(params.SetIntegerValue("GevSCPSPacketSize", 100).GetCode(), KY_INVALID_PARAMETER);
    ASSERT_TRUE(params.SetIntegerValue("TLParamsLocked", 1).IsOK());
    EXPECT_EQ(params.SetIntegerValue("GevSCPSPacketSize", 1500).GetCode(), KY_STATE_ERROR)
        << "locked while streaming";
}

}  // namespace
