// A host-side feature set: the table's features as a parameter array over the set's own port.
#include <gtest/gtest.h>

#include <string>

#include "features/FeatureSet.h"
#include "ky/genicam/KyGenParameter.h"

using namespace ky::gc;

namespace {

FeatureDocument Document() { return FeatureDocument::Host("Test", "features of a test", "TestPort"); }

struct Values
{
    int64_t count = -7;
    int64_t limit = 3;
    int executed = 0;
    double rate = 12.5;
};

HostFeature Feature(FeatureKind kind, const char *name)
{
    return HostFeature::Make(kind, name, "Root", std::string(name) + " <&> tip");
}

void AddAll(FeatureSet &set, Values &v)
{
    HostFeature count = Feature(FeatureKind::Integer, "Count");
    count.get = [&v](int64_t &out) {
        out = v.count;
        return KyResult();
    };
    set.Add(count);
    HostFeature limit = Feature(FeatureKind::Integer, "Limit");
    limit.spec.Range("0", "100", "1").Unit("ms");
    limit.get = [&v](int64_t &out) {
        out = v.limit;
        return KyResult();
    };
    limit.set = [&v](int64_t in) {
        v.limit = in;
        return KyResult();
    };
    set.Add(limit);
    HostFeature rate = Feature(FeatureKind::Float, "Rate");
    rate.getFloat = [&v](double &out) {
        out = v.rate;
        return KyResult();
    };
    set.Add(rate);
    HostFeature go = Feature(FeatureKind::Command, "Go");
    go.set = [&v](int64_t) {
        ++v.executed;
        return KyResult();
    };
    set.Add(go);
}

TEST(FeatureSet, ServesItsFeaturesThroughItsPort)
{
    for (const bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "8-byte signed registers" : "4-byte signed registers");
        Values v;
        FeatureSet set(Document(), FeatureSet::Registers{0x100, wide ? 8u : 4u, true});
        AddAll(set, v);
        KyGenParameterArray array;
        KyResult loaded = set.Load(array);
        ASSERT_TRUE(loaded.IsOK()) << loaded.GetDescription().GetAscii();

        int64_t value = 0;
        ASSERT_TRUE(array.GetIntegerValue("Count", value).IsOK());
        EXPECT_EQ(value, -7) << "signed through a register of either width";
        EXPECT_FALSE(array.SetIntegerValue("Count", 1).IsOK()) << "no setter: read-only";
        int64_t lo = 0, hi = 0;
        ASSERT_TRUE(array.GetIntegerRange("Limit", lo, hi).IsOK());
        EXPECT_EQ(lo, 0);
        EXPECT_EQ(hi, 100);
        EXPECT_TRUE(array.SetIntegerValue("Limit", 42).IsOK());
        EXPECT_EQ(v.limit, 42);
        EXPECT_FALSE(array.SetIntegerValue("Limit", 101).IsOK()) << "outside the range";
        EXPECT_EQ(v.limit, 42);
        double rate = 0;
        ASSERT_TRUE(array.GetFloatValue("Rate", rate).IsOK());
        EXPECT_EQ(rate, 12.5);
        EXPECT_FALSE(array.SetFloatValue("Rate", 1.0).IsOK());
        EXPECT_TRUE(array.ExecuteCommand("Go").IsOK());
        EXPECT_EQ(v.executed, 1);

        KyString tip;
        ASSERT_NE(array.Get(KyString("Count")), nullptr);
        ASSERT_TRUE(array.Get(KyString("Count"))->GetToolTip(tip).IsOK());
        EXPECT_STREQ(tip.GetAscii(), "Count <&> tip") << "texts are escaped in the XML";

        // Registers lie one after the other from the base, big-endian.
        uint8_t bytes[8] = {};
        const uint32_t width = wide ? 8 : 4;
        ASSERT_TRUE(set.ReadPort(0x100 + width, bytes, width).IsOK());
        EXPECT_EQ(bytes[width - 1], 42);
        EXPECT_EQ(bytes[0], 0);
        EXPECT_EQ(set.ReadPort(0x100 + 1, bytes, width).GetCode(), KY_INVALID_PARAMETER)
            << "not a register's start";
        EXPECT_EQ(set.ReadPort(0x100, bytes, width + 1).GetCode(), KY_INVALID_PARAMETER) << "not its length";
        EXPECT_EQ(set.ReadPort(0x100, nullptr, width).GetCode(), KY_INVALID_PARAMETER);
        EXPECT_EQ(set.WritePort(0x100, bytes, width).GetCode(), KY_STATE_ERROR) << "read-only";
    }
}

TEST(FeatureSet, LoadsAgainWithFeaturesAddedLater)
{
    Values v;
    FeatureSet set(Document(), FeatureSet::Registers{});
    AddAll(set, v);
    KyGenParameterArray array;
    ASSERT_TRUE(set.Load(array).IsOK());
    HostFeature later = Feature(FeatureKind::Boolean, "Later");
    later.get = [](int64_t &out) {
        out = 1;
        return KyResult();
    };
    set.Add(later);
    ASSERT_TRUE(set.Load(array).IsOK());
    bool on = false;
    ASSERT_TRUE(array.GetBooleanValue("Later", on).IsOK());
    EXPECT_TRUE(on);
    int64_t value = 0;
    EXPECT_TRUE(array.GetIntegerValue("Limit", value).IsOK());
    EXPECT_EQ(value, 3);
}

TEST(FeatureSet, RefusesAFeatureNamedTwice)
{
    Values v;
    FeatureSet set(Document(), FeatureSet::Registers{});
    AddAll(set, v);
    AddAll(set, v);
    KyGenParameterArray array;
    KyResult result = set.Load(array);
    EXPECT_EQ(result.GetCode(), KY_GENICAM_XML_ERROR);
    EXPECT_NE(std::string(result.GetDescription().GetAscii()).find("[Count] is declared twice"),
              std::string::npos)
        << result.GetDescription().GetAscii();
}

}  // namespace
