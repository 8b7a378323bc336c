// The node map over an in-memory device: reading, writing, ranges, access, caching,
// invalidation, selectors, callbacks, chunks, categories and the state stack.
#include <gtest/gtest.h>

#include "CategoryLogSink.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogDispatcher.h"
#include "ky/base/KyLogSink.h"
#include "ky/genicam/KyGenEventSink.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/genicam/KyGenParameterList.h"
#include "ky/genicam/KyGenStateStack.h"
#include "MemoryPort.h"

namespace {

class NodeMapTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        port.Put32(0x00, 640);         // Width
        port.Put32(0x04, 480);         // Height
        port.Put32(0x08, 0x01080001);  // PixelFormat Mono8
        port.Put32(0x90, 11);          // CachedRegInvalidatedByWidth
        port.Put32(0x10, 0x407F4000);  // ExposureTime 500.0, big-endian double
        std::memcpy(&port.memory[0x60], "Vendor", 6);
        KyResult r = params.Load(KyString(ReadTestFile("features.xml")), &port);
        ASSERT_TRUE(r.IsOK()) << r.GetDescription().GetAscii();
    }

    std::string Text(const char *name)
    {
        KyGenParameter *p = params.Get(KyString(name));
        if (!p)
            return "<missing>";
        KyString s;
        KyResult r = p->ToString(s);
        return r.IsOK() ? s.str() : "error: " + r.GetDescription().str();
    }

    MemoryPort port;
    KyGenParameterArray params;
};

class CountingSink : public KyGenEventSink
{
public:
    void OnParameterUpdate(KyGenParameter *p) override
    {
        KyString name;
        EXPECT_TRUE(p->GetName(name).IsOK());
        names.push_back(name.str());
    }
    bool Saw(const std::string &n) const { return std::find(names.begin(), names.end(), n) != names.end(); }
    std::vector<std::string> names;
};

}  // namespace

TEST_F(NodeMapTest, FeaturesHaveTheirTypes)
{
    const std::pair<const char *, KyGenType> rows[] = {
        {"Width", KyGenTypeInteger},
        {"WidthReg", KyGenTypeInteger},
        {"SignedByteField8To15LittleEndian", KyGenTypeInteger},
        {"PayloadSizeFromFormula", KyGenTypeInteger},
        {"WidthHalvedByIntConverter", KyGenTypeInteger},
        {"ExposureTime", KyGenTypeFloat},
        {"FloatReg32LittleEndian", KyGenTypeFloat},
        {"GainConverterTenths", KyGenTypeFloat},
        {"FloatSwissKnifeDividesByVariable", KyGenTypeFloat},
        {"PixelFormat", KyGenTypeEnum},
        {"ReverseX", KyGenTypeBoolean},
        {"AcquisitionStart", KyGenTypeCommand},
        {"DeviceUserID", KyGenTypeString},
        {"DeviceVendorNameReadOnly", KyGenTypeString},
        {"LutRegister8", KyGenTypeRegister},
        {"StructEntryTopByte", KyGenTypeInteger},
        {"InsideGroup", KyGenTypeInteger},
    };
    for (auto &[name, type] : rows) {
        SCOPED_TRACE(name);
        KyGenParameter *p = params.Get(KyString(name));
        ASSERT_NE(p, nullptr);
        KyGenType t = KyGenTypeUndefined;
        EXPECT_TRUE(p->GetType(t).IsOK());
        EXPECT_EQ(t, type);
    }
    EXPECT_EQ(params.Get(KyString("Root")), nullptr);  // categories are not features
    EXPECT_EQ(params.Get(KyString("Device")), nullptr);
    EXPECT_EQ(params.Get(KyString("UnknownTagIsSkipped")), nullptr);  // skipped, yet its name resolves
    EXPECT_EQ(params.Get(params.GetCount()), nullptr);
    EXPECT_NE(params.GetInteger("Width"), nullptr);
    EXPECT_EQ(params.GetFloat("Width"), nullptr);
    EXPECT_NE(params.GetEnum("PixelFormat"), nullptr);
    EXPECT_NE(params.GetRegister("LutRegister8"), nullptr);
}

TEST_F(NodeMapTest, ReadsEveryKindOfNode)
{
    port.memory[0x25] = 0xFE;  // bits 8..15 of a little-endian register: -2 signed
    port.Put32(0xA0, 0x12000034);
    port.Put32(0x20, 0x00000001);  // bit 31 big-endian = least significant bit
    const std::pair<const char *, const char *> rows[] = {
        {"Width", "640"},
        {"Height", "480"},
        {"PixelFormat", "Mono8"},
        {"PayloadSizeFromFormula", "307200"},
        {"SwissKnifeWithConstantAndExpression", "7"},
        {"FloatSwissKnifeDividesByVariable", "-1.5"},
        {"WidthHalvedByIntConverter", "320"},
        {"SignedByteField8To15LittleEndian", "-2"},
        {"StructEntryTopByte", "18"},
        {"StructEntryBottomByte", "52"},
        {"ReverseX", "True"},
        {"ReverseYBit30", "0"},
        {"DeviceVendorNameReadOnly", "Vendor"},
        {"HostStringValue", "hello"},
        {"LutRegister8", "0000000000000000"},
        {"InsideGroup", "42"},
        {"GainSelector", "All"},
        {"Gain", "0"},
        {"ExposureTime", "500"},
    };
    for (auto &[name, text] : rows)
        EXPECT_EQ(Text(name), text) << name;
}

TEST_F(NodeMapTest, WritesAreCheckedBeforeAnythingIsSent)
{
    struct Row
    {
        const char *name;
        const char *value;
        uint32_t code;
        const char *description;
    };
    const Row rows[] = {
        {"Width", "5000", KY_INVALID_PARAMETER, "[Width] 5000 is above the maximum 4096"},
        {"Width", "4097", KY_INVALID_PARAMETER, "[Width] 4097 is above the maximum 4096"},
        {"Width", "8", KY_INVALID_PARAMETER, "[Width] 8 is below the minimum 16"},
        {"Width", "642", KY_INVALID_PARAMETER,
         "[Width] 642 is not the minimum 16 plus a multiple of the increment 4"},
        {"Height", "1081", KY_INVALID_PARAMETER, "[Height] 1081 is above the maximum 1080"},
        {"ExposureTime", "5", KY_INVALID_PARAMETER, "[ExposureTime] 5 is below the minimum 10"},
        {"FloatWithIncrement", "1.3", KY_INVALID_PARAMETER,
         "[FloatWithIncrement] 1.3 is not the minimum 0.5 plus a multiple of the increment 0.25"},
        {"PixelFormat", "Mono16", KY_STATE_ERROR, "[PixelFormat] entry Mono16 is not available"},
        {"PixelFormat", "Foo", KY_INVALID_PARAMETER, "[PixelFormat] has no entry named 'Foo'"},
        {"DeviceVendorNameReadOnly", "x", KY_STATE_ERROR,
         "[DeviceVendorNameReadOnly] is not writable (read-only)"},
        {"SensorHeightHostReadOnly", "1", KY_STATE_ERROR,
         "[SensorHeightHostReadOnly] is not writable (read-only)"},
        {"PayloadSizeFromFormula", "1", KY_STATE_ERROR,
         "[PayloadSizeFromFormula] is not writable (read-only)"},
        {"LockedByHostFlag", "6", KY_STATE_ERROR, "[LockedByHostFlag] is not writable (read-only or locked)"},
        {"NotAvailableByHostFlag", "6", KY_STATE_ERROR, "[NotAvailableByHostFlag] is not available"},
        {"NotImplementedByHostFlag", "6", KY_NOT_IMPLEMENTED,
         "[NotImplementedByHostFlag] is not implemented"},
        {"DeviceUserID", "seventeen bytes!!", KY_INVALID_PARAMETER,
         "[DeviceUserID] text of 17 bytes is longer than the maximum 16"},
        {"ReverseX", "maybe", KY_INVALID_PARAMETER, "[ReverseX] 'maybe' is neither True nor False"},
        {"Width", "12x", KY_INVALID_PARAMETER, "[Width] '12x' is not an integer"},
        {"AcquisitionStart", "1", KY_NOT_SUPPORTED,
         "[AcquisitionStart] is a command and takes no value; execute it"},
        {"UsesUnknownTagNode", "1", KY_NOT_IMPLEMENTED, "[UsesUnknownTagNode] is not implemented"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.name) + " = " + row.value);
        int writes = port.writes;
        KyResult r = params.Get(KyString(row.name))->FromString(KyString(row.value));
        EXPECT_EQ(r.GetCode(), row.code);
        EXPECT_EQ(r.GetDescription().str(), row.description);
        EXPECT_EQ(port.writes, writes);
    }
}

TEST_F(NodeMapTest, AcceptedWritesReachTheRegisters)
{
    EXPECT_TRUE(params.SetIntegerValue("Width", 1024).IsOK());
    EXPECT_EQ(port.Get32(0x00), 1024u);
    EXPECT_TRUE(params.SetIntegerValue("Width", 4096).IsOK());  // exactly at the maximum
    EXPECT_TRUE(params.SetEnumValue("PixelFormat", KyString("RGB8")).IsOK());
    EXPECT_EQ(port.Get32(0x08), 0x02180014u);
    EXPECT_TRUE(params.SetEnumValue("PixelFormat", int64_t(0x01080001)).IsOK());
    EXPECT_EQ(params.SetEnumValue("PixelFormat", int64_t(5)).GetDescription().str(),
              "[PixelFormat] 5 is the value of no entry");
    EXPECT_TRUE(params.SetFloatValue("ExposureTime", 1234.5).IsOK());
    double d = 0;
    EXPECT_TRUE(params.GetFloatValue("ExposureTime", d).IsOK());
    EXPECT_EQ(d, 1234.5);
    EXPECT_EQ(port.memory[0x10], 0x40);  // big-endian double
    EXPECT_TRUE(params.SetFloatValue("FloatReg32LittleEndian", 1.0).IsOK());
    EXPECT_EQ(port.memory[0x1B], 0x3F);  // little-endian float 1.0 = 0x3F800000
    EXPECT_TRUE(params.SetBooleanValue("ReverseX", true).IsOK());
    EXPECT_TRUE(params.SetIntegerValue("ReverseYBit30", 1).IsOK());
    EXPECT_EQ(port.Get32(0x20), 3u);  // both bits kept by read-modify-write
    EXPECT_TRUE(params.SetIntegerValue("SignedByteField8To15LittleEndian", -128).IsOK());
    EXPECT_EQ(port.memory[0x25], 0x80);
    EXPECT_EQ(params.SetIntegerValue("SignedByteField8To15LittleEndian", 128).GetDescription().str(),
              "[SignedByteField8To15LittleEndian] 128 is above the maximum 127");
    EXPECT_TRUE(params.SetStringValue("DeviceUserID", KyString("cam-1")).IsOK());
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&port.memory[0x40])), "cam-1");
    EXPECT_TRUE(params.SetStringValue("DeviceUserID", KyString("exactly16bytes!!")).IsOK());
    EXPECT_EQ(Text("DeviceUserID"), "exactly16bytes!!");
    EXPECT_TRUE(params.SetIntegerValue("WidthHalvedByIntConverter", 100).IsOK());
    EXPECT_EQ(port.Get32(0x00), 200u);
    EXPECT_TRUE(params.SetIntegerValue("StructEntryBottomByte", 0xAB).IsOK());
    EXPECT_EQ(port.Get32(0xA0), 0xABu);

    const uint8_t lut[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint8_t back[8] = {};
    KyGenRegister *reg = params.GetRegister("LutRegister8");
    EXPECT_TRUE(reg->Set(lut, 8).IsOK());
    EXPECT_TRUE(reg->Get(back, 8).IsOK());
    EXPECT_EQ(std::memcmp(lut, back, 8), 0);
    EXPECT_EQ(reg->Set(lut, 9).GetDescription().str(),
              "[LutRegister8] cannot write 9 bytes to a register of 8");
    EXPECT_EQ(reg->Get(back, 0).GetDescription().str(),
              "[LutRegister8] cannot read 0 bytes from a register of 8");
    EXPECT_EQ(reg->Get(nullptr, 4).GetDescription().str(), "[LutRegister8] was given a null buffer");
    EXPECT_TRUE(reg->FromString(KyString("0a0b0c0d0e0f1011")).IsOK());
    EXPECT_EQ(Text("LutRegister8"), "0a0b0c0d0e0f1011");
}

TEST_F(NodeMapTest, RegisterTransfersCheckTheBufferBeforeTheDevice)
{
    KyGenRegister *reg = params.GetRegister("LutRegister8");
    ASSERT_NE(reg, nullptr);
    std::memcpy(&port.memory[0x80], "\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    uint8_t back[8] = {};
    const uint8_t lut[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    struct Case
    {
        const char *what;
        bool write;
        bool null;
        int64_t length;
        const char *description;
    };
    const Case cases[] = {
        {"null read", false, true, 4, "[LutRegister8] was given a null buffer"},
        {"null write", true, true, 8, "[LutRegister8] was given a null buffer"},
        {"negative read", false, false, -1, "[LutRegister8] was given the negative length -1"},
        {"negative write", true, false, -8, "[LutRegister8] was given the negative length -8"},
        {"huge negative read", false, true, INT64_MIN,
         "[LutRegister8] was given the negative length -9223372036854775808"},
        {"empty null read", false, true, 0, "[LutRegister8] cannot read 0 bytes from a register of 8"},
        {"empty null write", true, true, 0, "[LutRegister8] cannot write 0 bytes to a register of 8"},
        {"long read", false, false, 9, "[LutRegister8] cannot read 9 bytes from a register of 8"},
    };
    for (const Case &c : cases) {
        const int reads = port.reads, writes = port.writes;
        const KyResult r = c.write ? reg->Set(c.null ? nullptr : lut, c.length)
                                   : reg->Get(c.null ? nullptr : back, c.length);
        EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER) << c.what;
        EXPECT_EQ(r.GetDescription().str(), c.description) << c.what;
        EXPECT_EQ(port.reads, reads) << c.what;
        EXPECT_EQ(port.writes, writes) << c.what;
    }
    EXPECT_EQ(std::memcmp(&port.memory[0x80], "\x01\x02\x03\x04\x05\x06\x07\x08", 8), 0);
    EXPECT_EQ(back[0], 0);
    EXPECT_TRUE(reg->Get(back, 4).IsOK());
    EXPECT_EQ(back[3], 4);
}

TEST_F(NodeMapTest, RangesComeFromLiteralsPointersAndRegisters)
{
    int64_t lo = 0, hi = 0;
    EXPECT_TRUE(params.GetIntegerRange("Width", lo, hi).IsOK());
    EXPECT_EQ(lo, 16);
    EXPECT_EQ(hi, 4096);
    EXPECT_TRUE(params.GetIntegerRange("Height", lo, hi).IsOK());
    EXPECT_EQ(hi, 1080);
    EXPECT_TRUE(params.SetIntegerValue("OffsetYHostValue", 80).IsOK());
    EXPECT_TRUE(params.GetIntegerRange("Height", lo, hi).IsOK());
    EXPECT_EQ(hi, 1000);  // the SwissKnife maximum follows the offset
    EXPECT_TRUE(params.GetIntegerRange("WidthReg", lo, hi).IsOK());
    EXPECT_EQ(hi, 0xFFFFFFFFLL);
    EXPECT_TRUE(params.GetIntegerRange("WidthHalvedByIntConverter", lo, hi).IsOK());
    EXPECT_EQ(lo, 8);
    EXPECT_EQ(hi, 2048);
    double flo = 0, fhi = 0;
    EXPECT_TRUE(params.GetFloatRange("Gain", flo, fhi).IsOK());
    EXPECT_EQ(fhi, 48.0);
    int64_t inc = 0;
    EXPECT_TRUE(params.GetInteger("Width")->GetIncrement(inc).IsOK());
    EXPECT_EQ(inc, 4);
    EXPECT_EQ(params.GetIntegerRange("Gain", lo, hi).GetDescription().str(),
              "[Gain] is not an integer feature");
    EXPECT_EQ(params.GetIntegerRange("Nope", lo, hi).GetCode(), KY_NOT_FOUND);
}

TEST_F(NodeMapTest, RegisterCacheIsKeptUntilAnInvalidatorChanges)
{
    int64_t v = 0;
    uint64_t hits = 0, misses = 0;
    int reads = port.reads;
    EXPECT_TRUE(params.GetIntegerValue("CachedRegInvalidatedByWidth", v).IsOK());
    EXPECT_TRUE(params.GetIntegerValue("CachedRegInvalidatedByWidth", v).IsOK());
    EXPECT_EQ(port.reads, reads + 1);
    params.GetCacheStatistics(hits, misses);
    EXPECT_EQ(hits, 1u);
    port.Put32(0x90, 22);  // the device changes it behind our back
    EXPECT_TRUE(params.GetIntegerValue("CachedRegInvalidatedByWidth", v).IsOK());
    EXPECT_EQ(v, 11);
    EXPECT_TRUE(params.SetIntegerValue("Width", 800).IsOK());
    EXPECT_TRUE(params.GetIntegerValue("CachedRegInvalidatedByWidth", v).IsOK());
    EXPECT_EQ(v, 22);
    port.Put32(0x90, 33);
    EXPECT_TRUE(params.InvalidateCache().IsOK());
    EXPECT_TRUE(params.GetIntegerValue("CachedRegInvalidatedByWidth", v).IsOK());
    EXPECT_EQ(v, 33);

    reads = port.reads;
    EXPECT_TRUE(params.GetIntegerValue("NoCacheReg", v).IsOK());
    EXPECT_TRUE(params.GetIntegerValue("NoCacheReg", v).IsOK());
    EXPECT_EQ(port.reads, reads + 2);
    bool cached = true;
    EXPECT_TRUE(params.Get(KyString("NoCacheReg"))->IsValueCached(cached).IsOK());
    EXPECT_FALSE(cached);

    // A written register is read back from the cache (write-through), and a write to
    // one register drops the cached bytes of others at the same address.
    EXPECT_TRUE(params.SetIntegerValue("ReverseYBit30", 1).IsOK());
    reads = port.reads;
    EXPECT_TRUE(params.GetIntegerValue("ReverseYBit30", v).IsOK());
    EXPECT_EQ(port.reads, reads);
    EXPECT_TRUE(params.SetBooleanValue("ReverseX", true).IsOK());
    EXPECT_TRUE(params.GetIntegerValue("ReverseYBit30", v).IsOK());
    EXPECT_EQ(v, 1);
}

TEST_F(NodeMapTest, SinksHearTheWrittenFeatureAndWhatItInvalidates)
{
    CountingSink sink;
    for (const char *name : {"Width", "WidthReg", "PayloadSizeFromFormula", "CachedRegInvalidatedByWidth",
                             "Height", "WidthHalvedByIntConverter"})
        ASSERT_TRUE(params.Get(KyString(name))->RegisterEventSink(&sink).IsOK());
    EXPECT_TRUE(params.SetIntegerValue("Width", 800).IsOK());
    EXPECT_TRUE(sink.Saw("Width"));
    EXPECT_TRUE(sink.Saw("WidthReg"));
    EXPECT_TRUE(sink.Saw("PayloadSizeFromFormula"));
    EXPECT_TRUE(sink.Saw("CachedRegInvalidatedByWidth"));
    EXPECT_TRUE(sink.Saw("WidthHalvedByIntConverter"));
    EXPECT_FALSE(sink.Saw("Height"));

    sink.names.clear();
    EXPECT_FALSE(params.SetIntegerValue("Width", 5000).IsOK());
    EXPECT_TRUE(sink.names.empty());  // nothing written, nothing announced

    KyGenParameter *width = params.Get(KyString("Width"));
    width->SetUpdatesEnabled(false);
    EXPECT_FALSE(width->GetUpdatesEnabled());
    EXPECT_TRUE(params.SetIntegerValue("Width", 804).IsOK());
    EXPECT_FALSE(sink.Saw("Width"));
    width->SetUpdatesEnabled(true);

    EXPECT_TRUE(width->UnregisterEventSink(&sink).IsOK());
    EXPECT_EQ(width->UnregisterEventSink(&sink).GetCode(), KY_NOT_FOUND);
    EXPECT_EQ(width->RegisterEventSink(nullptr).GetCode(), KY_INVALID_PARAMETER);
}

TEST_F(NodeMapTest, ASinkThatThrowsOrWritesDoesNotBreakTheArray)
{
    struct Rude : KyGenEventSink
    {
        KyGenParameterArray *params = nullptr;
        int calls = 0;
        void OnParameterUpdate(KyGenParameter *) override
        {
            if (++calls == 1) {  // writes from inside the callback
                EXPECT_TRUE(params->SetIntegerValue("OffsetYHostValue", 5).IsOK());
            }
            throw std::runtime_error("sink failure");
        }
    } rude;
    rude.params = &params;
    ASSERT_TRUE(params.Get(KyString("Width"))->RegisterEventSink(&rude).IsOK());
    ASSERT_TRUE(params.Get(KyString("OffsetYHostValue"))->RegisterEventSink(&rude).IsOK());
    EXPECT_TRUE(params.SetIntegerValue("Width", 800).IsOK());
    EXPECT_EQ(rude.calls, 2);
    int64_t v = 0;
    EXPECT_TRUE(params.GetIntegerValue("OffsetYHostValue", v).IsOK());
    EXPECT_EQ(v, 5);
}

TEST_F(NodeMapTest, SelectorsWorkBothWays)
{
    KyGenParameter *selector = params.Get(KyString("GainSelector"));
    KyGenParameter *gain = params.Get(KyString("Gain"));
    bool isSelector = false;
    EXPECT_TRUE(selector->IsSelector(isSelector).IsOK());
    EXPECT_TRUE(isSelector);
    EXPECT_TRUE(gain->IsSelector(isSelector).IsOK());
    EXPECT_FALSE(isSelector);
    KyGenParameterList selected, selecting;
    EXPECT_TRUE(selector->GetSelectedParameters(selected).IsOK());
    EXPECT_TRUE(gain->GetSelectingParameters(selecting).IsOK());
    ASSERT_EQ(selected.GetSize(), 1u);
    EXPECT_EQ(selected[0], gain);
    ASSERT_EQ(selecting.GetSize(), 1u);
    EXPECT_EQ(selecting.GetFirst(), selector);
    EXPECT_EQ(selecting.GetNext(), nullptr);

    CountingSink sink;
    ASSERT_TRUE(gain->RegisterEventSink(&sink).IsOK());
    EXPECT_TRUE(params.SetFloatValue("Gain", 1.5).IsOK());
    EXPECT_TRUE(params.SetEnumValue("GainSelector", KyString("Red")).IsOK());
    EXPECT_TRUE(sink.Saw("Gain"));
    EXPECT_TRUE(params.SetFloatValue("Gain", 2.5).IsOK());
    EXPECT_EQ(port.Get32(0x100), 15u);
    EXPECT_EQ(port.Get32(0x104), 25u);
    double g = 0;
    EXPECT_TRUE(params.SetEnumValue("GainSelector", int64_t(0)).IsOK());
    EXPECT_TRUE(params.GetFloatValue("Gain", g).IsOK());
    EXPECT_EQ(g, 1.5);
}

TEST_F(NodeMapTest, IndexedValuesFollowTheirIndex)
{
    const std::pair<const char *, const char *> rows[] = {{"All", "10"}, {"Red", "11"}, {"Blue", "99"}};
    for (auto &[selection, value] : rows) {
        EXPECT_TRUE(params.SetEnumValue("GainSelector", KyString(selection)).IsOK());
        EXPECT_EQ(Text("IndexedHostValueBySelector"), value) << selection;
    }
    EXPECT_TRUE(params.SetEnumValue("GainSelector", KyString("Red")).IsOK());
    EXPECT_TRUE(params.SetIntegerValue("IndexedHostValueBySelector", 50).IsOK());
    EXPECT_EQ(Text("IndexedWithoutDefault"), "error: [IndexedWithoutDefault] has no value for the index 1");
    EXPECT_TRUE(params.SetEnumValue("GainSelector", KyString("All")).IsOK());
    EXPECT_EQ(Text("IndexedHostValueBySelector"), "10");
    EXPECT_EQ(Text("IndexedWithoutDefault"), "640");
    EXPECT_TRUE(params.SetEnumValue("GainSelector", KyString("Red")).IsOK());
    EXPECT_EQ(Text("IndexedHostValueBySelector"), "50");
}

TEST_F(NodeMapTest, ChangingASelectorDropsTheCachedValuesItSelects)
{
    int64_t v = 0;
    port.Put32(0xB4, 100);
    EXPECT_TRUE(params.GetIntegerValue("SelectedOnTheDeviceSide", v).IsOK());
    port.Put32(0xB4, 200);  // what the device answers once the selector says Second
    EXPECT_TRUE(params.GetIntegerValue("SelectedOnTheDeviceSide", v).IsOK());
    EXPECT_EQ(v, 100);  // still cached
    EXPECT_TRUE(params.SetEnumValue("DeviceSideSelector", KyString("Second")).IsOK());
    EXPECT_TRUE(params.GetIntegerValue("SelectedOnTheDeviceSide", v).IsOK());
    EXPECT_EQ(v, 200);
}

TEST_F(NodeMapTest, CommandsExecuteAndReportCompletion)
{
    bool done = true;
    KyGenCommand *cmd = params.GetCommand("AcquisitionStart");
    EXPECT_TRUE(params.ExecuteCommand("AcquisitionStart").IsOK());
    EXPECT_EQ(port.Get32(0x30), 1u);
    EXPECT_TRUE(cmd->IsDone(done).IsOK());
    EXPECT_FALSE(done);
    port.Put32(0x30, 0);  // the device clears the register when it has finished
    EXPECT_TRUE(cmd->IsDone(done).IsOK());
    EXPECT_TRUE(done);
    bool writable = false, readable = true;
    EXPECT_TRUE(cmd->IsWritable(writable).IsOK());
    EXPECT_TRUE(cmd->IsReadable(readable).IsOK());
    EXPECT_TRUE(writable);
    EXPECT_FALSE(readable);
}

TEST_F(NodeMapTest, ChunkFeaturesReadTheAttachedPayload)
{
    int64_t v = 0;
    EXPECT_EQ(params.GetIntegerValue("ChunkExposureFromChunkPort", v).GetDescription().str(),
              "[ChunkPortExposure] no chunk with id 4660 is attached");
    // image chunk (id 1, 8 bytes) then the exposure chunk (id 0x1234, 4 bytes)
    uint8_t payload[] = {9, 9, 9, 9, 9,    9,    9, 9, 0,    0,    0, 1, 0, 0,
                         0, 8, 0, 0, 0x30, 0x39, 0, 0, 0x12, 0x34, 0, 0, 0, 4};
    ASSERT_TRUE(params.AttachDataChunks(payload, sizeof payload).IsOK());
    EXPECT_TRUE(params.GetIntegerValue("ChunkExposureFromChunkPort", v).IsOK());
    EXPECT_EQ(v, 12345);
    payload[19] = 0x3A;  // the array reads its own copy of the attached bytes
    EXPECT_TRUE(params.GetIntegerValue("ChunkExposureFromChunkPort", v).IsOK());
    EXPECT_EQ(v, 12345);
    ASSERT_TRUE(params.AttachDataChunks(payload, sizeof payload).IsOK());  // chunk values are never cached
    EXPECT_TRUE(params.GetIntegerValue("ChunkExposureFromChunkPort", v).IsOK());
    EXPECT_EQ(v, 12346);
    bool writable = true;
    EXPECT_TRUE(params.Get(KyString("ChunkExposureFromChunkPort"))->IsWritable(writable).IsOK());
    EXPECT_FALSE(writable);
    EXPECT_TRUE(params.DetachDataChunks().IsOK());
    EXPECT_EQ(params.GetIntegerValue("ChunkExposureFromChunkPort", v).GetCode(), KY_NO_AVAILABLE_DATA);

    uint8_t lying[] = {0, 0, 0, 0, 0, 0, 0x12, 0x34, 0, 0, 1, 0};  // claims 256 bytes
    KyResult r = params.AttachDataChunks(lying, sizeof lying);
    EXPECT_EQ(r.GetCode(), KY_INVALID_DATA_FORMAT);
    EXPECT_EQ(r.GetDescription().str(), "chunk 4660 claims 256 bytes but only 4 precede it");
    EXPECT_EQ(params.AttachDataChunks(payload, 3).GetCode(), KY_INVALID_DATA_FORMAT);
    EXPECT_TRUE(params.AttachDataChunks(nullptr, 0).IsOK());

    // With a repeated id the first chunk of the payload is the one read.
    uint8_t twice[] = {0, 0, 0, 1, 0, 0, 0x12, 0x34, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0x12, 0x34, 0, 0, 0, 4};
    ASSERT_TRUE(params.AttachDataChunks(twice, sizeof twice).IsOK());
    EXPECT_TRUE(params.GetIntegerValue("ChunkExposureFromChunkPort", v).IsOK());
    EXPECT_EQ(v, 1);

    uint8_t shortChunk[] = {0, 0, 0x30};
    ASSERT_TRUE(params.AttachDataChunk(0x1234, shortChunk, sizeof shortChunk).IsOK());
    EXPECT_EQ(params.GetIntegerValue("ChunkExposureFromChunkPort", v).GetDescription().str(),
              "[ChunkPortExposure] bytes 0..4 lie outside the chunk of 3 bytes");
    EXPECT_EQ(params.AttachDataChunk(0x1234, nullptr, 4).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(params.AttachDataChunks(nullptr, 8).GetCode(), KY_INVALID_PARAMETER);
}

TEST_F(NodeMapTest, AttachedChunksOutliveTheCallersMemory)
{
    int64_t v = 0;
    {
        std::vector<uint8_t> payload = {0, 0, 0x30, 0x39, 0, 0, 0x12, 0x34, 0, 0, 0, 4};
        ASSERT_TRUE(params.AttachDataChunks(payload.data(), static_cast<uint32_t>(payload.size())).IsOK());
        std::fill(payload.begin(), payload.end(), 0xEE);
    }  // the caller's bytes are gone
    EXPECT_TRUE(params.GetIntegerValue("ChunkExposureFromChunkPort", v).IsOK());
    EXPECT_EQ(v, 12345);
    {
        std::vector<uint8_t> chunk = {0, 0, 0x01, 0x02};
        ASSERT_TRUE(params.AttachDataChunk(0x1234, chunk.data(), 4).IsOK());
    }
    EXPECT_TRUE(params.GetIntegerValue("ChunkExposureFromChunkPort", v).IsOK());
    EXPECT_EQ(v, 0x0102);
    // attaching the same id again replaces the chunk
    for (uint8_t i = 0; i < 100; ++i) {
        uint8_t chunk[] = {0, 0, 0, i};
        ASSERT_TRUE(params.AttachDataChunk(0x1234, chunk, 4).IsOK());
    }
    EXPECT_TRUE(params.GetIntegerValue("ChunkExposureFromChunkPort", v).IsOK());
    EXPECT_EQ(v, 99);
    EXPECT_TRUE(params.DetachDataChunks().IsOK());
    EXPECT_EQ(params.GetIntegerValue("ChunkExposureFromChunkPort", v).GetCode(), KY_NO_AVAILABLE_DATA);
}

TEST_F(NodeMapTest, CategoriesListTheirFeatures)
{
    EXPECT_EQ(params.GetCategoryCount(), 3u);
    KyGenCategory *format = params.GetCategory(KyString("ImageFormat"));
    ASSERT_NE(format, nullptr);
    KyString text;
    EXPECT_TRUE(format->GetDisplayName(text).IsOK());
    EXPECT_EQ(text.str(), "Image Format Control");
    KyGenNameSpace ns = KyGenNameSpaceUndefined;
    EXPECT_TRUE(format->GetNameSpace(ns).IsOK());
    EXPECT_EQ(ns, KyGenNameSpaceStandard);
    KyGenParameterList list;
    EXPECT_TRUE(format->GetParameters(list).IsOK());
    ASSERT_EQ(list.GetSize(), 3u);
    EXPECT_EQ(list[0], params.Get(KyString("Width")));
    EXPECT_TRUE(params.Get(KyString("Width"))->GetCategory(text).IsOK());
    EXPECT_EQ(text.str(), "ImageFormat");
    EXPECT_TRUE(params.Get(KyString("WidthReg"))->GetCategory(text).IsOK());
    EXPECT_EQ(text.str(), "");
    EXPECT_EQ(params.GetCategory(3), nullptr);
}

TEST_F(NodeMapTest, TextsFlagsAndEntries)
{
    KyGenParameter *width = params.Get(KyString("Width"));
    KyString s;
    EXPECT_TRUE(width->GetToolTip(s).IsOK());
    EXPECT_EQ(s.str(), "Width of the image");
    EXPECT_TRUE(width->GetDisplayName(s).IsOK());
    EXPECT_EQ(s.str(), "Image Width");
    KyGenInteger *w = params.GetInteger("Width");
    EXPECT_TRUE(w->GetUnit(s).IsOK());
    EXPECT_EQ(s.str(), "px");
    bool flag = false;
    EXPECT_TRUE(width->IsStreamable(flag).IsOK());
    EXPECT_TRUE(flag);
    const std::pair<const char *, KyGenVisibility> vis[] = {{"Width", KyGenVisibilityBeginner},
                                                            {"Height", KyGenVisibilityExpert},
                                                            {"WidthReg", KyGenVisibilityInvisible}};
    for (auto &[name, level] : vis) {
        KyGenVisibility v = KyGenVisibilityUndefined;
        EXPECT_TRUE(params.Get(KyString(name))->GetVisibility(v).IsOK());
        EXPECT_EQ(v, level) << name;
    }
    EXPECT_TRUE(params.Get(KyString("Height"))->IsVisible(KyGenVisibilityBeginner, flag).IsOK());
    EXPECT_FALSE(flag);
    EXPECT_TRUE(params.Get(KyString("Height"))->IsVisible(KyGenVisibilityGuru, flag).IsOK());
    EXPECT_TRUE(flag);
    EXPECT_TRUE(params.Get(KyString("NotAvailableByHostFlag"))->IsAvailable(flag).IsOK());
    EXPECT_FALSE(flag);
    EXPECT_TRUE(params.Get(KyString("NotImplementedByHostFlag"))->IsImplemented(flag).IsOK());
    EXPECT_FALSE(flag);
    EXPECT_TRUE(params.Get(KyString("WriteOnlyReg"))->IsReadable(flag).IsOK());
    EXPECT_FALSE(flag);
    int64_t v = 0;
    EXPECT_EQ(params.GetInteger("WriteOnlyReg")->GetValue(v).GetDescription().str(),
              "[WriteOnlyReg] is not readable (write-only)");

    KyGenEnum *pf = params.GetEnum("PixelFormat");
    int64_t count = 0;
    EXPECT_TRUE(pf->GetEntriesCount(count).IsOK());
    EXPECT_EQ(count, 3);
    const KyGenEnumEntry *entry = nullptr;
    EXPECT_TRUE(pf->GetEntryByName(KyString("Mono16"), &entry).IsOK());
    EXPECT_TRUE(entry->IsAvailable(flag).IsOK());
    EXPECT_FALSE(flag);
    EXPECT_TRUE(pf->GetEntryByValue(0x02180014, &entry).IsOK());
    EXPECT_TRUE(entry->GetName(s).IsOK());
    EXPECT_EQ(s.str(), "RGB8");
    EXPECT_TRUE(pf->GetEntryByIndex(0, &entry).IsOK());
    EXPECT_TRUE(entry->GetDisplayName(s).IsOK());
    EXPECT_EQ(s.str(), "Mono 8");
    EXPECT_EQ(pf->GetEntryByIndex(3, &entry).GetDescription().str(),
              "[PixelFormat] has no entry at index 3 (it has 3)");
    EXPECT_EQ(entry, nullptr);
    EXPECT_EQ(pf->GetEntryByIndex(-1, &entry).GetCode(), KY_NOT_FOUND);
    EXPECT_EQ(pf->GetEntryByName(KyString("Nope"), &entry).GetCode(), KY_NOT_FOUND);
    EXPECT_TRUE(params.GetEnumValue("PixelFormat", v).IsOK());
    EXPECT_EQ(v, 0x01080001);
    port.Put32(0x08, 0x77);
    EXPECT_TRUE(params.InvalidateCache().IsOK());
    EXPECT_EQ(params.GetEnumValue("PixelFormat", s).GetDescription().str(),
              "[PixelFormat] value 119 matches no entry");
}

TEST_F(NodeMapTest, FormulaFailuresAreResultsNotValues)
{
    int64_t v = 0;
    KyResult r = params.GetIntegerValue("SwissKnifeDividesByZero", v);
    EXPECT_EQ(r.GetCode(), KY_INVALID_DATA_FORMAT);
    EXPECT_EQ(r.GetDescription().str(),
              "[SwissKnifeDividesByZero] formula '10 / D' failed: division by zero");
    EXPECT_TRUE(params.SetIntegerValue("OffsetYHostValue", 4).IsOK());
    EXPECT_TRUE(params.GetIntegerValue("SwissKnifeDividesByZero", v).IsOK());
    EXPECT_EQ(v, 2);
    double d = 0;
    EXPECT_TRUE(params.GetFloatValue("FloatSwissKnifeDividesByVariable", d).IsOK());
    EXPECT_EQ(d, 2.5);
}

TEST_F(NodeMapTest, PortFailuresComeBackUnchanged)
{
    port.failWith = KY_TIMEOUT;
    int64_t v = 0;
    KyResult r = params.GetIntegerValue("Height", v);
    EXPECT_EQ(r.GetCode(), KY_TIMEOUT);
    EXPECT_EQ(params.SetIntegerValue("Height", 100).GetCode(), KY_TIMEOUT);
    KyGenParameterArray detached;
    ASSERT_TRUE(detached.Load(KyString(ReadTestFile("features.xml")), nullptr).IsOK());
    EXPECT_EQ(detached.GetIntegerValue("Height", v).GetDescription().str(),
              "[Device] has no device connection");
    EXPECT_TRUE(detached.GetIntegerValue("InsideGroup", v).IsOK());
}

TEST_F(NodeMapTest, PollDropsDueValuesAndTellsTheSinks)
{
    CountingSink sink;
    ASSERT_TRUE(params.Get(KyString("PolledReg"))->RegisterEventSink(&sink).IsOK());
    int64_t v = 0;
    EXPECT_TRUE(params.GetIntegerValue("PolledReg", v).IsOK());
    port.Put32(0x98, 99);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the polling time is 1 ms
    EXPECT_TRUE(params.Poll().IsOK());
    EXPECT_TRUE(sink.Saw("PolledReg"));
    EXPECT_TRUE(params.GetIntegerValue("PolledReg", v).IsOK());
    EXPECT_EQ(v, 99);
}

TEST_F(NodeMapTest, StateStackPutsValuesBack)
{
    {
        KyGenStateStack stack(&params);
        EXPECT_TRUE(stack.SetIntegerValue("Width", 1024).IsOK());
        EXPECT_TRUE(stack.SetIntegerValue("Width", 2048).IsOK());
        EXPECT_TRUE(stack.SetEnumValue("PixelFormat", KyString("RGB8")).IsOK());
        EXPECT_TRUE(stack.SetBooleanValue("HostBoolean", true).IsOK());
        EXPECT_TRUE(stack.SetStringValue("HostStringValue", KyString("bye")).IsOK());
        EXPECT_TRUE(stack.SetFloatValue("ExposureTime", 100.0).IsOK());
        EXPECT_EQ(stack.SetIntegerValue("Width", 5000).GetCode(), KY_INVALID_PARAMETER);
        EXPECT_EQ(stack.SetIntegerValue("Nope", 1).GetCode(), KY_NOT_FOUND);
        EXPECT_EQ(port.Get32(0x00), 2048u);
    }
    EXPECT_EQ(port.Get32(0x00), 640u);
    EXPECT_EQ(Text("PixelFormat"), "Mono8");
    EXPECT_EQ(Text("HostBoolean"), "False");
    EXPECT_EQ(Text("HostStringValue"), "hello");
    EXPECT_EQ(Text("ExposureTime"), "500");
    KyGenStateStack empty(nullptr);
    EXPECT_EQ(empty.SetIntegerValue("Width", 1).GetCode(), KY_INVALID_PARAMETER);
}

// A value the stack cannot put back is a warning of the registry's "genicam" category, so that
// KY_LOG (through the registry) decides whether it is written.
TEST_F(NodeMapTest, StateStackWarnsUnderTheGenICamCategory)
{
    using Sink = CategoryLogSink;
    const struct
    {
        int32_t level;
        bool written;
    } cases[] = {{KyLogLevelWarning, true}, {KyLogLevelError, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.level);
        port.failWith = KY_OK;
        Sink sink;
        ASSERT_TRUE(KyLogCategories::SetLevel("genicam", c.level));
        ASSERT_TRUE(KyLogDispatcher::AddSink(&sink).IsOK());
        {
            KyGenStateStack stack(&params);
            EXPECT_TRUE(stack.SetIntegerValue("Width", 1024).IsOK());
            port.failWith = KY_TIMEOUT;  // the restore's write fails
        }
        EXPECT_TRUE(KyLogDispatcher::RemoveSink(&sink).IsOK());
        EXPECT_TRUE(KyLogCategories::SetLevel("genicam", KyLogLevelInfo));
        const std::vector<std::string> expected = {"genicam: [Width] not restored to 640: port failure"};
        EXPECT_EQ(sink.records, c.written ? expected : std::vector<std::string>());
    }
    port.failWith = KY_OK;
}

TEST_F(NodeMapTest, ThreadsShareOneArray)
{
    // Bounded: four threads, a few hundred calls each, values checked at the end.
    std::mutex sinkMutex;
    struct LockedSink : KyGenEventSink
    {
        std::mutex *m;
        int count = 0;
        void OnParameterUpdate(KyGenParameter *) override
        {
            std::lock_guard<std::mutex> lock(*m);
            ++count;
        }
    } locked;
    locked.m = &sinkMutex;
    ASSERT_TRUE(params.Get(KyString("Width"))->RegisterEventSink(&locked).IsOK());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int k = 0; k < 200; ++k) {
                int64_t v = 0;
                EXPECT_TRUE(params.SetIntegerValue("Width", 16 + 4 * (t * 200 + k) % 4000).IsOK());
                EXPECT_TRUE(params.GetIntegerValue("PayloadSizeFromFormula", v).IsOK());
                EXPECT_TRUE(params.SetEnumValue("GainSelector", int64_t(k % 3)).IsOK());
                double g = 0;
                EXPECT_TRUE(params.GetFloatValue("Gain", g).IsOK());
            }
        });
    }
    for (auto &th : threads)
        th.join();
    EXPECT_EQ(locked.count, 800);
    int64_t w = 0;
    EXPECT_TRUE(params.GetIntegerValue("Width", w).IsOK());
    EXPECT_EQ(static_cast<uint32_t>(w), port.Get32(0));
}

TEST(ParameterList, CursorAndBounds)
{
    KyGenParameterList list;
    EXPECT_EQ(list.GetFirst(), nullptr);
    EXPECT_EQ(list.GetNext(), nullptr);
    list.Add(nullptr);
    EXPECT_EQ(list.GetSize(), 0u);
    EXPECT_EQ(list.GetItem(0xFFFFFFFF), nullptr);
}

TEST_F(NodeMapTest, ParameterListWalksFromTheFirstItem)
{
    KyGenParameter *width = params.Get(KyString("Width")), *height = params.Get(KyString("Height"));
    KyGenParameterList list;
    list.Add(width);
    list.Add(height);
    EXPECT_EQ(list.GetNext(), width);  // no GetFirst before: the walk starts at the first item
    EXPECT_EQ(list.GetNext(), height);
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetFirst(), width);
    EXPECT_EQ(list.GetNext(), height);
    list.Add(width);  // adding starts the walk again
    EXPECT_EQ(list.GetNext(), width);
    list.Clear();
    EXPECT_EQ(list.GetNext(), nullptr);
}
