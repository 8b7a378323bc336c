// Multi-part switches of a soft camera on the user's road: GevSCCFGMultiPartEnabled and
// GevSCCFGLargeLeaderTrailerEnabled appear only when the source supports multi-part, the large
// leader switch only while multi-part is on, and its writes reach the source with the number of
// parts a leader of the current packet size describes (10 when off), told again when the packet
// size changes while it is on.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyGevConstants.h"
#include "ky/genicam/KyGenParameter.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

namespace {

const char kMultiPart[] = "GevSCCFGMultiPartEnabled";
const char kLargeLeader[] = "GevSCCFGLargeLeaderTrailerEnabled";

// Records what the device tells it of large leaders and trailers (from the device's GVCP threads).
class RecordingSource : public KyStreamingChannelSourceTestPattern
{
public:
    RecordingSource() : KyStreamingChannelSourceTestPattern(64, 48, KyPixelMono8, 4, 30.0) { }

    void SetLargeLeaderTrailerEnabled(bool aEnabled, uint32_t aMaxMultiPartCount) override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mCalls.emplace_back(aEnabled, aMaxMultiPartCount);
    }

    std::vector<std::pair<bool, uint32_t>> TakeCalls()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return std::exchange(mCalls, {});
    }

private:
    std::mutex mMutex;
    std::vector<std::pair<bool, uint32_t>> mCalls;
};

bool Available(KyGenParameterArray *parameters, const char *name)
{
    KyGenParameter *parameter = parameters->Get(KyString(name));
    bool available = false;
    EXPECT_NE(parameter, nullptr) << name;
    if (parameter) {
        EXPECT_TRUE(parameter->IsAvailable(available).IsOK()) << name;
    }
    return available;
}

struct Camera
{
    explicit Camera(bool multiPart)
    {
        source.SetMultiPartSupported(multiPart);
        EXPECT_TRUE(camera.AddStream(&source).IsOK());
        EXPECT_TRUE(camera.Start(KyString("00:00:00:00:00:00")).IsOK());
        EXPECT_TRUE(device.Connect(KyString("127.0.0.1")).IsOK());
    }
    ~Camera()
    {
        (void)device.Disconnect();
        (void)camera.Stop();
    }
    KyGenParameterArray *Parameters() { return device.GetParameters(); }

    RecordingSource source;
    KySoftDeviceGEV camera;
    KyDeviceGEV device;
};

using Calls = std::vector<std::pair<bool, uint32_t>>;

TEST(StreamLargeLeader, NoSwitchesWithoutMultiPartSupport)
{
    Camera c(false);
    ASSERT_NE(c.Parameters(), nullptr);
    EXPECT_EQ(c.Parameters()->Get(KyString(kMultiPart)), nullptr);
    EXPECT_EQ(c.Parameters()->Get(KyString(kLargeLeader)), nullptr);
    uint32_t capability = 0;
    ASSERT_TRUE(c.device.ReadRegister(ky::gev::SCC0_OFFSET, capability).IsOK());
    EXPECT_EQ(capability &
                  (ky::gev::SCC_MULTIPART_SUPPORTED_MASK | ky::gev::SCC_LARGE_LEADER_TRAILER_SUPPORTED_MASK),
              0u);
    EXPECT_EQ(c.source.TakeCalls(), Calls{});
}

TEST(StreamLargeLeader, LargeLeaderOfferedOnlyWhileMultiPartIsOn)
{
    Camera c(true);
    KyGenParameterArray *parameters = c.Parameters();
    ASSERT_NE(parameters, nullptr);
    uint32_t capability = 0;
    ASSERT_TRUE(c.device.ReadRegister(ky::gev::SCC0_OFFSET, capability).IsOK());
    EXPECT_NE(capability & ky::gev::SCC_MULTIPART_SUPPORTED_MASK, 0u);
    EXPECT_NE(capability & ky::gev::SCC_LARGE_LEADER_TRAILER_SUPPORTED_MASK, 0u);

    bool on = true;
    ASSERT_TRUE(parameters->GetBooleanValue(KyString(kMultiPart), on).IsOK());
    EXPECT_FALSE(on);
    EXPECT_TRUE(Available(parameters, kMultiPart));
    EXPECT_FALSE(Available(parameters, kLargeLeader));
    EXPECT_TRUE(parameters->SetBooleanValue(KyString(kLargeLeader), true).IsFailure());

    ASSERT_TRUE(parameters->SetBooleanValue(KyString(kMultiPart), true).IsOK());
    EXPECT_TRUE(Available(parameters, kLargeLeader));
    ASSERT_TRUE(parameters->SetBooleanValue(KyString(kLargeLeader), true).IsOK());
    ASSERT_TRUE(parameters->GetBooleanValue(KyString(kLargeLeader), on).IsOK());
    EXPECT_TRUE(on);

    ASSERT_TRUE(parameters->SetBooleanValue(KyString(kMultiPart), false).IsOK());
    EXPECT_FALSE(Available(parameters, kLargeLeader));
}

// Each step on the user's road and what the source is told by it: the parts a leader holds are
// (packet size - 28 IP/UDP - 20 GVSP header - 12 leader fields) / 48 per part descriptor.
TEST(StreamLargeLeader, WritesReachTheSourceWithThePartCount)
{
    Camera c(true);
    KyGenParameterArray *parameters = c.Parameters();
    ASSERT_NE(parameters, nullptr);
    struct Step
    {
        const char *feature;
        int64_t value;
        Calls told;
    };
    const Step steps[] = {
        {kMultiPart, 1, {{false, 10}}},              // multi-part alone: classic leaders
        {kLargeLeader, 1, {{true, 30}}},             // 1500-byte packets (the default)
        {"GevSCPSPacketSize", 9000, {{true, 186}}},  // a new size is told again
        {"GevSCPSPacketSize", 9000, {}},             // the same size is not
        {"GevSCPSPacketSize", 576, {{true, 10}}},    // the smallest packet
        {kLargeLeader, 0, {{false, 10}}},            // off: at most 10 parts
        {"GevSCPSPacketSize", 1500, {}},             // no announcement while off
        {kLargeLeader, 1, {{true, 30}}},             // on again with the current size
        {kMultiPart, 0, {{false, 10}}},              // no large leaders without multi-part
    };
    EXPECT_EQ(c.source.TakeCalls(), Calls{});
    for (const Step &step : steps) {
        const std::string where = std::string(step.feature) + " = " + std::to_string(step.value);
        if (std::string(step.feature) == "GevSCPSPacketSize") {
            ASSERT_TRUE(parameters->SetIntegerValue(KyString(step.feature), step.value).IsOK()) << where;
        } else {
            ASSERT_TRUE(parameters->SetBooleanValue(KyString(step.feature), step.value != 0).IsOK()) << where;
        }
        EXPECT_EQ(c.source.TakeCalls(), step.told) << where;
    }
}

// A controller writing SCCFG directly (without the features) is heard the same way.
TEST(StreamLargeLeader, RegisterWriteWithBothBits)
{
    Camera c(true);
    ASSERT_TRUE(
        c.device
            .WriteRegister(ky::gev::SCCFG0_OFFSET, ky::gev::SCCFG_MULTIPART_ENABLED_MASK |
                                                       ky::gev::SCCFG_LARGE_LEADER_TRAILER_ENABLED_MASK)
            .IsOK());
    EXPECT_EQ(c.source.TakeCalls(), (Calls{{true, 30}}));
    ASSERT_TRUE(
        c.device.WriteRegister(ky::gev::SCCFG0_OFFSET, ky::gev::SCCFG_LARGE_LEADER_TRAILER_ENABLED_MASK)
            .IsOK());
    EXPECT_EQ(c.source.TakeCalls(), (Calls{{false, 10}}));
}

}  // namespace
