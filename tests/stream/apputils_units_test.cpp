// KyFPSStabilizer (its decisions on given timestamps through FrameThinner), KyGetPixelBitCount,
// and KyAcquisitionStateManager: its refusals, and a start or stop whose steps fail on a
// scripted device.
#include <gtest/gtest.h>

#include "CategoryLogSink.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FrameThinner.h"
#include "ky/apputils/KyAcquisitionStateManager.h"
#include "ky/apputils/KyFPSStabilizer.h"
#include "ky/apputils/KyPixelBitCount.h"
#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogDispatcher.h"
#include "ky/base/KyLogSink.h"
#include "ky/device/KyDevice.h"
#include "ky/genicam/IKyGenPort.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/ByteOrder.h"

TEST(FPSStabilizer, TargetZeroShowsEverything)
{
    KyFPSStabilizer stabilizer;
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(stabilizer.IsTimeToDisplay(0));
    EXPECT_EQ(stabilizer.GetAverage(), 100u);
    stabilizer.Reset();
    EXPECT_EQ(stabilizer.GetAverage(), 0u);
}

TEST(FPSStabilizer, FramesCloserThanHalfAPeriodAreSkipped)
{
    // Back-to-back calls are microseconds apart; at 2 frames per second half a period is 250 ms.
    KyFPSStabilizer stabilizer;
    EXPECT_TRUE(stabilizer.IsTimeToDisplay(2));
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(stabilizer.IsTimeToDisplay(2));
    EXPECT_EQ(stabilizer.GetAverage(), 1u);
}

namespace {

using ky::apputils::FrameThinner;
using Microseconds = std::chrono::microseconds;

// What a thinner passes of a steady source: the gaps between the frames passed, the number
// passed, and the most passed within any second.
struct Thinned
{
    std::vector<Microseconds> gaps;
    size_t passed = 0;
    size_t mostInASecond = 0;
};

Thinned Thin(FrameThinner &thinner, uint32_t target, double sourceFps, double seconds,
             FrameThinner::Time start = FrameThinner::Time())
{
    Thinned out;
    std::vector<FrameThinner::Time> passed;
    const auto frames = static_cast<size_t>(sourceFps * seconds);
    for (size_t i = 0; i < frames; ++i) {
        const auto now = start + std::chrono::duration_cast<FrameThinner::Time::duration>(
                                     std::chrono::duration<double>(i / sourceFps));
        if (!thinner.Decide(target, now))
            continue;
        if (!passed.empty())
            out.gaps.push_back(std::chrono::duration_cast<Microseconds>(now - passed.back()));
        passed.push_back(now);
        out.mostInASecond = std::max<size_t>(out.mostInASecond, thinner.ShownInLastSecond(now));
    }
    out.passed = passed.size();
    return out;
}

}  // namespace

TEST(FPSStabilizer, ThinsASteadySourceEvenly)
{
    // Every gap between the frames passed lies within one source period of 1/target.
    const struct
    {
        uint32_t target;
        double sourceFps;
    } cases[] = {{25, 100}, {10, 1000}, {30, 100}, {25, 60}, {24, 25}, {7, 30}, {1000, 3000}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.target << " from " << c.sourceFps << " fps");
        FrameThinner thinner;
        const Thinned thinned = Thin(thinner, c.target, c.sourceFps, 3.0);
        const double period = 1e6 / c.target, sourcePeriod = 1e6 / c.sourceFps;
        ASSERT_FALSE(thinned.gaps.empty());
        const auto [shortest, longest] = std::minmax_element(thinned.gaps.begin(), thinned.gaps.end());
        EXPECT_GE(shortest->count(), period - sourcePeriod - 1);
        EXPECT_LE(longest->count(), period + sourcePeriod + 1);
        // The rate is the target: three seconds pass three seconds' worth, give or take one.
        EXPECT_NEAR(static_cast<double>(thinned.passed), 3.0 * c.target, 1.0);
        EXPECT_LE(thinned.mostInASecond, c.target + 1u);
    }
}

TEST(FPSStabilizer, TwentyFiveFromOneHundredIsEveryFourthFrame)
{
    FrameThinner thinner;
    const Thinned thinned = Thin(thinner, 25, 100, 3.0);
    for (const Microseconds gap : thinned.gaps) {
        EXPECT_GE(gap.count(), 30000);
        EXPECT_LE(gap.count(), 50000);
    }
    EXPECT_EQ(thinned.passed, 75u);
}

TEST(FPSStabilizer, ASlowSourceIsShownWholeAndAPauseStartsAgain)
{
    FrameThinner thinner;
    const Thinned slow = Thin(thinner, 30, 20, 2.0);
    EXPECT_EQ(slow.passed, 40u);
    // Two seconds later a fast source: thinned evenly from its first frame, with no burst to
    // catch up on the frames the pause did not bring.
    const Thinned fast = Thin(thinner, 30, 120, 2.0, FrameThinner::Time() + std::chrono::seconds(4));
    for (const Microseconds gap : fast.gaps) {
        EXPECT_GE(gap.count(), 1e6 / 30 - 1e6 / 120 - 1);
        EXPECT_LE(gap.count(), 1e6 / 30 + 1e6 / 120 + 1);
    }
    EXPECT_NEAR(static_cast<double>(fast.passed), 60.0, 1.0);
    // After a Reset the schedule starts from the next frame too.
    thinner.Reset();
    EXPECT_EQ(thinner.ShownInLastSecond(FrameThinner::Time() + std::chrono::seconds(6)), 0u);
    EXPECT_TRUE(thinner.Decide(30, FrameThinner::Time() + std::chrono::seconds(6)));
}

TEST(PixelBitCount, BitsOfThePixelType)
{
    const struct
    {
        int64_t type;
        uint32_t bits;
    } cases[] = {
        {KyPixelMono8, 8},
        {KyPixelMono12, 16},
        {KyPixelMono12Packed, 12},
        {KyPixelMono16, 16},
        {KyPixelBGR8, 24},
        {KyPixelBayerRG8, 8},
        {0, 0},
        {1, 0},
        {static_cast<int32_t>(0x80200000), 32},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KyGetPixelBitCount(static_cast<KyPixelType>(c.type)), c.bits) << std::hex << c.type;
}

TEST(AcquisitionStateManager, RefusesWithoutADevice)
{
    KyAcquisitionStateManager manager(nullptr, nullptr, 0);
    EXPECT_EQ(manager.GetState(), KyAcquisitionStateUnlocked);
    KyResult result = manager.Start();
    EXPECT_EQ(result.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_STREQ(result.GetDescription().GetAscii(), "the acquisition state manager has no device");
    EXPECT_EQ(manager.Stop().GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(manager.GetState(), KyAcquisitionStateUnlocked);
}

namespace {

// A connected device whose features are three registers: TLParamsLocked at 0x0, the
// AcquisitionStart command at 0x4 and AcquisitionStop at 0x8. It records each step the manager
// takes ("lock=1", "enable", "start", ...) and refuses the step named in failAt.
class ScriptedDevice : public KyDevice, private IKyGenPort
{
public:
    ScriptedDevice() : KyDevice(KyDeviceTypeGEV)
    {
        static const char *xml =
            "<RegisterDescription ModelName=\"Scripted\" VendorName=\"Test\" StandardNameSpace=\"GEV\""
            " SchemaMajorVersion=\"1\" SchemaMinorVersion=\"1\" SchemaSubMinorVersion=\"0\" "
            "MajorVersion=\"1\""
            " MinorVersion=\"0\" SubMinorVersion=\"0\" ToolTip=\"t\" ProductGuid=\"0\" VersionGuid=\"0\">\n"
            "<Category Name=\"Root\" NameSpace=\"Standard\"><pFeature>TLParamsLocked</pFeature>"
            "<pFeature>AcquisitionStart</pFeature><pFeature>AcquisitionStop</pFeature></Category>\n"
            "<IntReg "
            "Name=\"TLParamsLocked\"><Address>0x0</Address><Length>4</Length><AccessMode>RW</AccessMode>"
            "<pPort>Device</pPort><Cachable>NoCache</Cachable><Endianess>BigEndian</Endianess></IntReg>\n"
            "<Command "
            "Name=\"AcquisitionStart\"><pValue>StartReg</pValue><CommandValue>1</CommandValue></Command>\n"
            "<IntReg Name=\"StartReg\"><Address>0x4</Address><Length>4</Length><AccessMode>RW</AccessMode>"
            "<pPort>Device</pPort><Cachable>NoCache</Cachable><Endianess>BigEndian</Endianess></IntReg>\n"
            "<Command "
            "Name=\"AcquisitionStop\"><pValue>StopReg</pValue><CommandValue>1</CommandValue></Command>\n"
            "<IntReg Name=\"StopReg\"><Address>0x8</Address><Length>4</Length><AccessMode>RW</AccessMode>"
            "<pPort>Device</pPort><Cachable>NoCache</Cachable><Endianess>BigEndian</Endianess></IntReg>\n"
            "<Port Name=\"Device\" NameSpace=\"Standard\"/>\n"
            "</RegisterDescription>\n";
        mParameters = std::make_unique<KyGenParameterArray>();
        loaded = mParameters->Load(KyString(xml), this);
    }

    KyResult Connect(const KyDeviceInfo *) override { return KyResult(KY_NOT_SUPPORTED); }
    KyResult Connect(const KyString &) override { return KyResult(KY_NOT_SUPPORTED); }
    KyResult Disconnect() override { return KyResult(KY_NOT_SUPPORTED); }
    KyResult StreamEnable(uint32_t) override { return Step("enable"); }
    KyResult StreamDisable(uint32_t) override { return Step("disable"); }
    bool IsConnected() const override { return true; }
    KyResult DumpGenICamXML(const KyString &) override { return KyResult(KY_NOT_SUPPORTED); }
    KyResult GetDefaultGenICamXMLFilename(KyString &) override { return KyResult(KY_NOT_SUPPORTED); }
    KyResult ReadMemory(int64_t, uint8_t *, int64_t) override { return KyResult(KY_NOT_SUPPORTED); }
    KyResult WriteMemory(int64_t, const uint8_t *, int64_t) override { return KyResult(KY_NOT_SUPPORTED); }
    KyResult WaitForMessagingChannelIdle(uint32_t) override { return KyResult(); }
    KyResult GetUniqueID(KyString &) override { return KyResult(KY_NOT_SUPPORTED); }

    uint32_t Register(uint64_t address) const { return registers[address / 4]; }

    KyResult loaded;
    std::string failAt;    // the step to refuse
    std::string failAlso;  // and a second one (an undo step, say)
    std::vector<std::string> steps;
    uint32_t registers[3] = {0, 0, 0};

private:
    KyResult Step(const std::string &step)
    {
        steps.push_back(step);
        return step == failAt || step == failAlso ? KyResult(KY_NETWORK_ERROR, KyString("refused: " + step))
                                                  : KyResult();
    }

    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override
    {
        if (length != 4 || address > 8 || address % 4 != 0)
            return KyResult(KY_INVALID_PARAMETER, KyString("no register there"));
        ky::base::StoreBig32(static_cast<uint8_t *>(data), registers[address / 4]);
        return KyResult();
    }

    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override
    {
        if (length != 4 || address > 8 || address % 4 != 0)
            return KyResult(KY_INVALID_PARAMETER, KyString("no register there"));
        const uint32_t v = ky::base::LoadBig32(static_cast<const uint8_t *>(data));
        static const char *names[] = {"lock=", "start", "stop"};
        const std::string step = address == 0 ? names[0] + std::to_string(v) : names[address / 4];
        KyResult result = Step(step);
        if (result.IsOK())
            registers[address / 4] = v;
        return result;
    }
};

}  // namespace

TEST(AcquisitionStateManager, AFailedStartUndoesItsSteps)
{
    const struct
    {
        const char *failAt;
        std::vector<std::string> steps;
    } cases[] = {
        {"", {"lock=1", "enable", "start"}},
        {"lock=1", {"lock=1"}},
        {"enable", {"lock=1", "enable", "lock=0"}},
        {"start", {"lock=1", "enable", "start", "disable", "lock=0"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("failing: ") + c.failAt);
        ScriptedDevice device;
        ASSERT_TRUE(device.loaded.IsOK()) << device.loaded.GetDescription().GetAscii();
        device.failAt = c.failAt;
        KyAcquisitionStateManager manager(&device, nullptr, 0);
        const KyResult started = manager.Start();
        EXPECT_EQ(device.steps, c.steps);
        if (*c.failAt == 0) {
            EXPECT_TRUE(started.IsOK()) << started.GetDescription().GetAscii();
            EXPECT_EQ(manager.GetState(), KyAcquisitionStateLocked);
            EXPECT_EQ(device.Register(0), 1u);
        } else {
            EXPECT_TRUE(started.IsFailure());
            EXPECT_EQ(manager.GetState(), KyAcquisitionStateUnlocked);
            EXPECT_EQ(device.Register(0), 0u) << "the lock is released again";
        }
    }
}

TEST(AcquisitionStateManager, StopTakesEveryStepAndReportsTheFirstFailure)
{
    const struct
    {
        const char *failAt;
        std::vector<std::string> steps;
        KyAcquisitionState state;
    } cases[] = {
        {"", {"stop", "disable", "lock=0"}, KyAcquisitionStateUnlocked},
        {"stop", {"stop"}, KyAcquisitionStateLocked},
        {"disable", {"stop", "disable", "lock=0"}, KyAcquisitionStateLocked},
        {"lock=0", {"stop", "disable", "lock=0"}, KyAcquisitionStateLocked},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("failing: ") + c.failAt);
        ScriptedDevice device;
        ASSERT_TRUE(device.loaded.IsOK()) << device.loaded.GetDescription().GetAscii();
        KyAcquisitionStateManager manager(&device, nullptr, 0);
        ASSERT_TRUE(manager.Start().IsOK());
        device.steps.clear();
        device.failAt = c.failAt;
        const KyResult stopped = manager.Stop();
        EXPECT_EQ(device.steps, c.steps);
        EXPECT_EQ(stopped.IsOK(), *c.failAt == 0) << stopped.GetDescription().GetAscii();
        EXPECT_EQ(manager.GetState(), c.state);
    }
}

// An undo step that fails is a warning of the registry's "device" category: KY_LOG (through the
// registry) decides whether it is written.
TEST(AcquisitionStateManager, AFailedUndoWarnsUnderTheDeviceCategory)
{
    using Sink = CategoryLogSink;
    const struct
    {
        int32_t level;
        bool written;
    } cases[] = {{KyLogLevelWarning, true}, {KyLogLevelError, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.level);
        ScriptedDevice device;
        ASSERT_TRUE(device.loaded.IsOK()) << device.loaded.GetDescription().GetAscii();
        device.failAt = "enable";
        device.failAlso = "lock=0";
        KyAcquisitionStateManager manager(&device, nullptr, 0);
        Sink sink;
        ASSERT_TRUE(KyLogCategories::SetLevel("device", c.level));
        ASSERT_TRUE(KyLogDispatcher::AddSink(&sink).IsOK());
        const KyResult started = manager.Start();
        EXPECT_TRUE(KyLogDispatcher::RemoveSink(&sink).IsOK());
        EXPECT_TRUE(KyLogCategories::SetLevel("device", KyLogLevelInfo));
        EXPECT_EQ(started.GetCode(), KY_NETWORK_ERROR);
        ASSERT_EQ(sink.records.size(), c.written ? 1u : 0u);
        if (c.written) {
            EXPECT_EQ(sink.records[0].rfind("device: undoing a failed acquisition start, ", 0), 0u)
                << sink.records[0];
            EXPECT_NE(sink.records[0].find("refused: lock=0"), std::string::npos) << sink.records[0];
        }
    }
}
