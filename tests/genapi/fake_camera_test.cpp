// Our node map on another implementation's device: aravis's fake camera serves its own GenICam
// XML; KyDeviceGEV loads it on Connect and its features read and write the camera's registers.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ky/device/KyDeviceGEV.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "SpawnedProcess.h"

using namespace std::chrono_literals;

namespace {

const char *const kCameraIP = "127.0.0.1";

class FakeCamera : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(camera.Started());
        bool answered = false;
        for (int i = 0; i < 50 && !answered; ++i) {  // up to 5 s
            KyAccessType access;
            answered = KyDeviceGEV::GetAccessType(kCameraIP, access).IsOK();
            if (!answered)
                std::this_thread::sleep_for(100ms);
        }
        ASSERT_TRUE(answered) << "arv-fake-gv-camera-0.8 did not start";
        const KyResult connected = device.Connect(KyString(kCameraIP));
        ASSERT_TRUE(connected.IsOK()) << connected.GetDescription().GetAscii();
        ASSERT_GT(device.GetParameters()->GetCount(), 0u) << "the camera's XML did not load";
    }

    SpawnedProcess camera{{"arv-fake-gv-camera-0.8", "-i", kCameraIP}};
    KyDeviceGEV device;
};

TEST_F(FakeCamera, ImageFormatFeatures)
{
    KyGenParameterArray &params = *device.GetParameters();
    const struct
    {
        const char *name;
        int64_t value;
    } integers[] = {{"Width", 256}, {"Height", 128}};
    for (const auto &c : integers) {
        ASSERT_TRUE(params.SetIntegerValue(c.name, c.value).IsOK()) << c.name;
        ASSERT_TRUE(params.InvalidateCache().IsOK());
        int64_t read = 0;
        ASSERT_TRUE(params.GetIntegerValue(c.name, read).IsOK()) << c.name;
        EXPECT_EQ(read, c.value) << c.name;
    }
    int64_t payload = 0;
    ASSERT_TRUE(params.GetIntegerValue("PayloadSize", payload).IsOK());
    EXPECT_EQ(device.GetPayloadSize(), static_cast<uint32_t>(payload));
    EXPECT_GE(payload, 256 * 128);

    KyGenEnum *format = params.GetEnum("PixelFormat");
    ASSERT_NE(format, nullptr);
    ASSERT_TRUE(params.SetEnumValue("PixelFormat", KyString("Mono8")).IsOK());
    KyString text;
    ASSERT_TRUE(params.GetEnumValue("PixelFormat", text).IsOK());
    EXPECT_EQ(text.str(), "Mono8");
    int64_t code = 0;
    ASSERT_TRUE(params.GetEnumValue("PixelFormat", code).IsOK());
    EXPECT_EQ(code, 0x01080001) << "the GigE Vision code of Mono8";
}

TEST_F(FakeCamera, GainAndAcquisitionMode)
{
    KyGenParameterArray &params = *device.GetParameters();
    // This camera calls its gain GainRaw (an integer, 0 to 10); newer ones call it Gain.
    const KyString gain(params.GetInteger("Gain") ? "Gain" : "GainRaw");
    int64_t low = 0, high = 0;
    ASSERT_TRUE(params.GetIntegerRange(gain, low, high).IsOK());
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 10);
    ASSERT_TRUE(params.SetIntegerValue(gain, high).IsOK());
    int64_t read = 0;
    ASSERT_TRUE(params.GetIntegerValue(gain, read).IsOK());
    EXPECT_EQ(read, high);
    const KyResult above = params.SetIntegerValue(gain, high + 1);
    EXPECT_EQ(above.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(above.GetDescription().str(), "[" + gain.str() + "] 11 is above the maximum 10");
    for (const char *mode : {"SingleFrame", "Continuous"}) {
        ASSERT_TRUE(params.SetEnumValue("AcquisitionMode", KyString(mode)).IsOK()) << mode;
        KyString read;
        ASSERT_TRUE(params.GetEnumValue("AcquisitionMode", read).IsOK());
        EXPECT_EQ(read.str(), mode);
    }
    EXPECT_EQ(params.SetEnumValue("AcquisitionMode", KyString("NoSuchMode")).GetCode(), KY_INVALID_PARAMETER);
}

}  // namespace
