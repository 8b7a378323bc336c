// A USB3 Vision camera beside the GigE Vision ones, as an application of the C library meets it:
// declared for this process in the KY_U3V_SIM file (set by the test's environment), it is in the
// enumeration list with its speed message, opens as a "U3V" camera, its features work over
// GenCP, and it grabs frames of the test pattern.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>
#include <string>

#include "CamCtrlCameras.h"
#include "ky/camctrl/bnkCamCtrl.h"

using namespace camctrl_test;

namespace {

const std::string U3V_SERIAL = "CU0001";

class U3vCamera : public OpenCamera
{
protected:
    U3vCamera() : OpenCamera(U3V_SERIAL) { }
};

std::string Info(unsigned int index, int type, int *code = nullptr)
{
    char text[257] = {};
    unsigned int length = 256;
    const int result = ST_GetEnumDeviceInfo(index, type, text, &length);
    if (code)
        *code = result;
    return text;
}

}  // namespace

TEST_F(CamCtrl, U3vCameraIsEnumeratedBesideTheGigEVisionOnes)
{
    ASSERT_EQ(ST_InitSystem(), 0);
    const int u3v = IndexOf(U3V_SERIAL);
    ASSERT_GE(u3v, 0);
    for (const std::string &serial : SERIALS)
        EXPECT_GE(WaitForCamera(serial), 0) << serial;
    const int index = IndexOf(U3V_SERIAL, false);
    ASSERT_GE(index, 0);
    EXPECT_EQ(Info(index, BNK_INFO_USB_SPEED), "SuperSpeed");
    EXPECT_EQ(Info(index, BNK_INFO_SERIAL_NUMBER), U3V_SERIAL);
    int code = 0;
    Info(index, BNK_INFO_IP_ADDRESS, &code);
    EXPECT_EQ(code, BNK_ERR_INVALID_PARAMETER) << "a USB3 Vision camera has no IP address";
    const int gev = IndexOf(SERIALS[0], false);
    ASSERT_GE(gev, 0);
    Info(gev, BNK_INFO_USB_SPEED, &code);
    EXPECT_EQ(code, BNK_ERR_INVALID_PARAMETER) << "a GigE Vision camera has no USB speed";
}

TEST_F(U3vCamera, OpensAsU3vAndItsFeaturesWork)
{
    char text[8] = {};
    unsigned int length = sizeof text;
    ASSERT_EQ(ST_GetInterface(handle, text, &length), 0);
    EXPECT_STREQ(text, "U3V");
    int64_t width = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "Width", &width), 0) << Last();
    EXPECT_EQ(width, 64);
    ASSERT_EQ(ST_SetIntReg(handle, "Width", 32), 0) << Last();
    ASSERT_EQ(ST_GetIntReg(handle, "Width", &width), 0) << Last();
    EXPECT_EQ(width, 32);
    char model[65] = {};
    length = 64;
    ASSERT_EQ(ST_GetStrReg(handle, "DeviceModelName", model, &length), 0) << Last();
    EXPECT_STREQ(model, MODEL);
    ASSERT_EQ(ST_SetIntReg(handle, "Width", 64), 0) << Last();
}

TEST_F(U3vCamera, GrabsFramesOfTheTestPattern)
{
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0) << Last();
    ASSERT_EQ(ST_AcqStart(handle), 0) << Last();
    uint64_t previous = 0;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(ST_GrabImage(handle, &image), 0) << Last();
        EXPECT_GT(image.blockId, previous);
        previous = image.blockId;
        ASSERT_EQ(image.width, 64u);
        ASSERT_EQ(image.height, 48u);
        int wrong = 0;
        for (uint32_t y = 0; y < image.height && wrong == 0; ++y)
            for (uint32_t x = 0; x < image.width; ++x)
                if (image.data[size_t(y) * image.width + x] != PatternValue(x, y, image.blockId - 1)) {
                    ADD_FAILURE() << "block " << image.blockId << " pixel " << x << "," << y;
                    ++wrong;
                    break;
                }
    }
    EXPECT_EQ(ST_AcqStop(handle), 0) << Last();
}

namespace {

struct SeenEvents
{
    std::mutex mutex;
    std::vector<uint32_t> ids;
    std::vector<uint64_t> blocks;
};

void OnEvent(const bnkEvent *event, void *user)
{
    auto *seen = static_cast<SeenEvents *>(user);
    std::lock_guard<std::mutex> lock(seen->mutex);
    seen->ids.push_back(event->eventId);
    uint64_t block = 0;
    if (event->eventData && event->eventDataLength == 8)
        for (int k = 7; k >= 0; --k)
            block = (block << 8) | static_cast<const uint8_t *>(event->eventData)[k];
    seen->blocks.push_back(block);
}

}  // namespace

TEST_F(U3vCamera, ExposureEndEventsArriveFromTheEventEndpoint)
{
    SeenEvents seen;
    ASSERT_EQ(ST_RegisterEventCallback(handle, EventExposureEnd, OnEvent, &seen), 0) << Last();
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0) << Last();
    ASSERT_EQ(ST_AcqStart(handle), 0) << Last();
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(ST_GrabImage(handle, &image), 0) << Last();
    bool arrived = false;
    for (int round = 0; round < 500 && !arrived; ++round) {
        {
            std::lock_guard<std::mutex> lock(seen.mutex);
            arrived = !seen.ids.empty();
        }
        if (!arrived)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ST_AcqStop(handle), 0) << Last();
    ASSERT_EQ(ST_UnregisterEventCallback(handle, EventExposureEnd), 0) << Last();
    std::lock_guard<std::mutex> lock(seen.mutex);
    ASSERT_TRUE(arrived);
    EXPECT_EQ(seen.ids.front(), static_cast<uint32_t>(EventExposureEnd));
    EXPECT_GE(seen.blocks.front(), 1u) << "ExposureEnd carries the frame's block ID";
}
