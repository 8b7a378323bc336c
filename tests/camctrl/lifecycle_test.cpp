// The C library's lifecycle through its exports: no system, init and free, enumeration, handles,
// open and close, last error, the text-out rule at the boundary.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <string>
#include <vector>

#include "CamCtrlCameras.h"
#include "ky/device/KyGevConstants.h"

using namespace camctrl_test;

namespace {

struct Export
{
    const char *name;
    std::function<int()> call;
};

// Every export of the library, called with arguments that would be valid with a system.
std::vector<Export> AllExports()
{
    static bool flag;
    static unsigned int number;
    static int integer;
    static int64_t wide, wide2, wide3;
    static double real, real2;
    static char text[64];
    static unsigned char bytes[16];
    static _bnkBuffer record;
    static unsigned int length;
    length = sizeof text - 1;
    return {
        {"ST_FreeSystem", [] { return ST_FreeSystem(); }},
        {"ST_IsInitSystem", [] { return ST_IsInitSystem(&flag); }},
        {"ST_GetAvailableCameraNum", [] { return ST_GetAvailableCameraNum(&number); }},
        {"ST_UpdateDevice", [] { return ST_UpdateDevice(); }},
        {"ST_GetEnumDeviceID", [] { return ST_GetEnumDeviceID(0, text, &length); }},
        {"ST_GetEnumDeviceInfo", [] { return ST_GetEnumDeviceInfo(0, 10001, text, &length); }},
        {"ST_OpenDevice", [] { return ST_OpenDevice(0, &integer, true); }},
        {"ST_IsOpenDevice", [] { return ST_IsOpenDevice(0, &flag); }},
        {"ST_CloseDevice", [] { return ST_CloseDevice(0); }},
        {"ST_GetInterface", [] { return ST_GetInterface(0, text, &length); }},
        {"ST_GetLastError", [] { return ST_GetLastError(0); }},
        {"ST_SetDetailedLog", [] { return ST_SetDetailedLog(0, true); }},
        {"ST_GetDetailedLog", [] { return ST_GetDetailedLog(0, &flag); }},
        {"ST_SetIntReg", [] { return ST_SetIntReg(0, "Width", 64); }},
        {"ST_GetIntReg", [] { return ST_GetIntReg(0, "Width", &wide); }},
        {"ST_SetFloatReg", [] { return ST_SetFloatReg(0, "ExposureTime", 1.0); }},
        {"ST_GetFloatReg", [] { return ST_GetFloatReg(0, "ExposureTime", &real); }},
        {"ST_SetBoolReg", [] { return ST_SetBoolReg(0, "GevGVCPPendingAck", true); }},
        {"ST_GetBoolReg", [] { return ST_GetBoolReg(0, "GevGVCPPendingAck", &flag); }},
        {"ST_SetEnumReg", [] { return ST_SetEnumReg(0, "PixelFormat", const_cast<char *>("Mono8")); }},
        {"ST_GetEnumReg", [] { return ST_GetEnumReg(0, "PixelFormat", text, &length); }},
        {"ST_SetStrReg", [] { return ST_SetStrReg(0, "DeviceUserID", const_cast<char *>("x")); }},
        {"ST_GetStrReg", [] { return ST_GetStrReg(0, "DeviceUserID", text, &length); }},
        {"ST_SetCmdReg", [] { return ST_SetCmdReg(0, "GevTimestampControlLatch"); }},
        {"ST_GetIntRegRange", [] { return ST_GetIntRegRange(0, "Width", &wide, &wide2, &wide3); }},
        {"ST_GetFloatRegRange", [] { return ST_GetFloatRegRange(0, "ExposureTime", &real, &real2); }},
        {"ST_GetEnumEntrySize", [] { return ST_GetEnumEntrySize(0, "PixelFormat", &integer); }},
        {"ST_GetEnumEntryIntValue", [] { return ST_GetEnumEntryIntValue(0, "PixelFormat", 0, &integer); }},
        {"ST_GetEnumEntryValue", [] { return ST_GetEnumEntryValue(0, "PixelFormat", 0, text, &length); }},
        {"ST_ReadParam", [] { return ST_ReadParam(0, bytes, 0, 4); }},
        {"ST_WriteParam", [] { return ST_WriteParam(0, bytes, ky::gev::CCP_OFFSET, 4); }},
        {"ST_CvtColor", [] { return ST_CvtColor(record, &record, 4); }},
        {"ST_FreeBuffer", [] { return ST_FreeBuffer(&record); }},
    };
}

int Open(int index, bool log = false)
{
    int handle = -7;
    const int result = ST_OpenDevice(static_cast<unsigned int>(index), &handle, log);
    EXPECT_EQ(result, 0) << ST_GetLastErrorDescription(-1);
    return result == 0 ? handle : -1;
}

}  // namespace

TEST_F(CamCtrl, WithoutSystemEveryExportAnswersNoSystemWithItsText)
{
    for (const Export &e : AllExports())
        EXPECT_EQ(e.call(), BNK_ERR_NO_SYSTEM) << e.name;
    bool initialised = true;
    EXPECT_EQ(ST_IsInitSystem(&initialised), BNK_ERR_NO_SYSTEM);
    EXPECT_FALSE(initialised);
    EXPECT_STREQ(ST_GetLastErrorDescription(0), "The system has not been initialized.");
    EXPECT_STREQ(ST_GetLastErrorDescription(-1), "The system has not been initialized.");
}

TEST_F(CamCtrl, InitTwiceKeepsOneSystemAndFreeEndsIt)
{
    ASSERT_EQ(ST_InitSystem(), 0);
    ASSERT_EQ(ST_InitSystem(), 0);
    bool initialised = false;
    EXPECT_EQ(ST_IsInitSystem(&initialised), 0);
    EXPECT_TRUE(initialised);
    EXPECT_EQ(ST_FreeSystem(), 0);
    EXPECT_EQ(ST_FreeSystem(), BNK_ERR_NO_SYSTEM);
    EXPECT_EQ(ST_IsInitSystem(&initialised), BNK_ERR_NO_SYSTEM);
    EXPECT_FALSE(initialised);
}

TEST_F(CamCtrl, NullOutPointersAreRefusedAndTouchNothing)
{
    EXPECT_EQ(ST_IsInitSystem(nullptr), BNK_ERR_INVALID_PARAMETER);
    ASSERT_EQ(ST_InitSystem(), 0);
    EXPECT_EQ(ST_IsInitSystem(nullptr), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_GetAvailableCameraNum(nullptr), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_OpenDevice(0, nullptr, false), BNK_ERR_INVALID_PARAMETER);
    char text[8];
    EXPECT_EQ(ST_GetEnumDeviceID(0, text, nullptr), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_GetEnumDeviceInfo(0, 10001, text, nullptr), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_IsOpenDevice(5, nullptr), BNK_ERR_INVALID_PARAMETER);

    const int index = IndexOf(SERIALS[0]);
    ASSERT_GE(index, 0);
    const int handle = Open(index);
    ASSERT_GE(handle, 0);
    // On a camera the refusal is its last error too.
    const std::vector<Export> refusals = {
        {"ST_IsOpenDevice", [&] { return ST_IsOpenDevice(handle, nullptr); }},
        {"ST_GetInterface", [&] { return ST_GetInterface(handle, text, nullptr); }},
        {"ST_GetDetailedLog", [&] { return ST_GetDetailedLog(handle, nullptr); }},
        {"ST_GetIntReg", [&] { return ST_GetIntReg(handle, "Width", nullptr); }},
        {"ST_GetIntReg name",
         [&] {
             int64_t v;
             return ST_GetIntReg(handle, nullptr, &v);
         }},
        {"ST_SetIntReg name", [&] { return ST_SetIntReg(handle, nullptr, 1); }},
        {"ST_GetFloatReg", [&] { return ST_GetFloatReg(handle, "ExposureTime", nullptr); }},
        {"ST_GetBoolReg", [&] { return ST_GetBoolReg(handle, "GevGVCPPendingAck", nullptr); }},
        {"ST_SetEnumReg", [&] { return ST_SetEnumReg(handle, "PixelFormat", nullptr); }},
        {"ST_GetEnumReg", [&] { return ST_GetEnumReg(handle, "PixelFormat", text, nullptr); }},
        {"ST_SetStrReg", [&] { return ST_SetStrReg(handle, "DeviceUserID", nullptr); }},
        {"ST_GetStrReg", [&] { return ST_GetStrReg(handle, "DeviceUserID", text, nullptr); }},
        {"ST_SetCmdReg", [&] { return ST_SetCmdReg(handle, nullptr); }},
        {"ST_GetIntRegRange",
         [&] {
             int64_t a, b;
             return ST_GetIntRegRange(handle, "Width", &a, &b, nullptr);
         }},
        {"ST_GetFloatRegRange",
         [&] {
             double a;
             return ST_GetFloatRegRange(handle, "ExposureTime", &a, nullptr);
         }},
        {"ST_GetEnumEntrySize", [&] { return ST_GetEnumEntrySize(handle, "PixelFormat", nullptr); }},
        {"ST_GetEnumEntryIntValue",
         [&] { return ST_GetEnumEntryIntValue(handle, "PixelFormat", 0, nullptr); }},
        {"ST_GetEnumEntryValue",
         [&] { return ST_GetEnumEntryValue(handle, "PixelFormat", 0, text, nullptr); }},
        {"ST_ReadParam", [&] { return ST_ReadParam(handle, nullptr, 0, 4); }},
        {"ST_WriteParam", [&] { return ST_WriteParam(handle, nullptr, ky::gev::CCP_OFFSET, 4); }},
    };
    int64_t width = 0;
    for (const Export &e : refusals) {
        ASSERT_EQ(ST_GetIntReg(handle, "Width", &width), 0);  // last error back to 0
        EXPECT_EQ(e.call(), BNK_ERR_INVALID_PARAMETER) << e.name;
        EXPECT_EQ(ST_GetLastError(handle), BNK_ERR_INVALID_PARAMETER) << e.name;
        EXPECT_STREQ(ST_GetLastErrorDescription(handle), "A parameter passed to the method is invalid.")
            << e.name;
    }
}

TEST_F(CamCtrl, OpenBeforeEnumerationThenHandlesInTheirOrder)
{
    ASSERT_EQ(ST_InitSystem(), 0);
    int handle = 5;
    EXPECT_EQ(ST_OpenDevice(0, &handle, false), BNK_ERR_NOT_INITIALIZED);
    EXPECT_EQ(handle, -1);

    // One discovery for all three: each rebuilds the list, in the order the answers came.
    ASSERT_EQ(ST_UpdateDevice(), 0);
    std::vector<int> index;
    for (const std::string &serial : SERIALS)
        index.push_back(IndexOf(serial, false));
    for (int i : index)
        ASSERT_GE(i, 0);

    EXPECT_EQ(Open(index[0]), 0);
    EXPECT_EQ(Open(index[1]), 1);
    EXPECT_EQ(Open(index[2]), 2);
    EXPECT_EQ(ST_CloseDevice(2), 0);
    EXPECT_EQ(Open(index[2]), 2);
    EXPECT_EQ(ST_CloseDevice(0), 0);
    EXPECT_EQ(Open(index[0]), 3);  // 0 is free, but a larger handle is still open
    bool open = true;
    EXPECT_EQ(ST_IsOpenDevice(0, &open), 0);
    EXPECT_FALSE(open);
    EXPECT_EQ(ST_IsOpenDevice(3, &open), 0);
    EXPECT_TRUE(open);
    for (int h : {1, 2, 3})
        EXPECT_EQ(ST_CloseDevice(h), 0);
    EXPECT_EQ(Open(index[1]), 0);

    // Close twice; the handle's last error is then the fixed text.
    EXPECT_EQ(ST_CloseDevice(0), 0);
    EXPECT_EQ(ST_CloseDevice(0), BNK_ERR_NO_DEVICE);
    EXPECT_EQ(ST_GetLastError(0), BNK_ERR_NO_DEVICE);
    EXPECT_STREQ(ST_GetLastErrorDescription(0), "No connectable devices.");
    EXPECT_STREQ(ST_GetLastErrorDescription(-1), "No connectable devices.");
    EXPECT_EQ(ST_IsOpenDevice(-1, &open), 0);
    EXPECT_FALSE(open);
}

TEST_F(CamCtrl, FreeSystemClosesEveryCameraSoThatTheyOpenAgain)
{
    ASSERT_EQ(ST_InitSystem(), 0);
    const int first = IndexOf(SERIALS[0]), second = IndexOf(SERIALS[2], false);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    ASSERT_EQ(Open(first), 0);
    ASSERT_EQ(Open(second), 1);
    ASSERT_EQ(ST_FreeSystem(), 0);

    // The cameras were released: a new system opens them again, from handle 0.
    ASSERT_EQ(ST_InitSystem(), 0);
    const int again = IndexOf(SERIALS[0]);
    ASSERT_GE(again, 0);
    EXPECT_EQ(Open(again), 0);
    EXPECT_EQ(ST_GetLastError(0), 0);
    EXPECT_STREQ(ST_GetLastErrorDescription(0), "");
}

TEST_F(CamCtrl, EnumerationIndexesAndInfoTypes)
{
    ASSERT_EQ(ST_InitSystem(), 0);
    const int index = IndexOf(SERIALS[0]);
    ASSERT_GE(index, 0);
    unsigned int count = 0;
    ASSERT_EQ(ST_GetAvailableCameraNum(&count), 0);
    EXPECT_EQ(count, 3u);

    char text[64];
    unsigned int length = sizeof text - 1;
    EXPECT_EQ(ST_GetEnumDeviceID(count, text, &length), BNK_ERR_NOT_FOUND);
    int handle = 0;
    EXPECT_EQ(ST_OpenDevice(count, &handle, false), BNK_ERR_NOT_FOUND);
    EXPECT_EQ(handle, -1);

    struct Row
    {
        int type;
        const char *expected;
    } rows[] = {
        {10000, "first"},     {10001, MODEL}, {10002, "CC0001"}, {10004, "02:00:0a:0a:01:02"},
        {10005, "10.10.1.2"}, {9999, ""},
    };
    for (const Row &row : rows) {
        length = sizeof text - 1;
        EXPECT_EQ(ST_GetEnumDeviceInfo(index, row.type, text, &length), 0) << row.type;
        EXPECT_STREQ(text, row.expected) << row.type;
    }
    // A USB3 Vision info type on a GigE Vision record: refused, buffer and length untouched.
    std::strcpy(text, "keep");
    length = 40;
    EXPECT_EQ(ST_GetEnumDeviceInfo(index, 10006, text, &length), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(length, 40u);
    EXPECT_STREQ(text, "keep");
}

namespace {

struct TextOut
{
    const char *name;
    std::function<int(char *, unsigned int *)> call;
};

}  // namespace

TEST_F(CamCtrl, EveryTextOutExportFollowsTheRuleAtTheBoundary)
{
    ASSERT_EQ(ST_InitSystem(), 0);
    const int index = IndexOf(SERIALS[0]);
    ASSERT_GE(index, 0);
    const int handle = Open(index);
    ASSERT_GE(handle, 0);
    const unsigned int u = static_cast<unsigned int>(index);
    const std::vector<TextOut> exports = {
        {"ST_GetEnumDeviceID", [&](char *t, unsigned int *l) { return ST_GetEnumDeviceID(u, t, l); }},
        {"ST_GetEnumDeviceInfo",
         [&](char *t, unsigned int *l) { return ST_GetEnumDeviceInfo(u, 10001, t, l); }},
        {"ST_GetInterface", [&](char *t, unsigned int *l) { return ST_GetInterface(handle, t, l); }},
        {"ST_GetEnumReg",
         [&](char *t, unsigned int *l) { return ST_GetEnumReg(handle, "AcquisitionMode", t, l); }},
        {"ST_GetStrReg",
         [&](char *t, unsigned int *l) { return ST_GetStrReg(handle, "DeviceModelName", t, l); }},
        {"ST_GetEnumEntryValue",
         [&](char *t, unsigned int *l) { return ST_GetEnumEntryValue(handle, "AcquisitionMode", 0, t, l); }},
    };
    for (const TextOut &e : exports) {
        SCOPED_TRACE(e.name);
        unsigned int needed = 12345;
        ASSERT_EQ(e.call(nullptr, &needed), 0);
        ASSERT_GT(needed, 0u);
        ASSERT_LT(needed, 200u);

        std::vector<char> exact(needed + 1, 'x');
        unsigned int length = needed;
        EXPECT_EQ(e.call(exact.data(), &length), 0);
        EXPECT_EQ(length, needed);
        EXPECT_EQ(std::strlen(exact.data()), needed);

        std::vector<char> shorter(needed, 'x');
        length = needed - 1;
        EXPECT_EQ(e.call(shorter.data(), &length), BNK_ERR_BUFFER_TOO_SMALL);
        EXPECT_EQ(length, needed);
        EXPECT_EQ(shorter[0], '\0');
    }
    // The camera's own text results say why in its last error.
    char text[4];
    unsigned int length = 2;
    EXPECT_EQ(ST_GetInterface(handle, text, &length), BNK_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(ST_GetLastError(handle), BNK_ERR_BUFFER_TOO_SMALL);
    EXPECT_STREQ(ST_GetLastErrorDescription(handle),
                 "The buffer was not large enough to hold the payload of the block being received.");
    length = 3;
    EXPECT_EQ(ST_GetInterface(handle, text, &length), 0);
    EXPECT_STREQ(text, "GEV");
}

TEST_F(CamCtrl, CloseAfterLinkLossStillReleasesTheCamera)
{
    // A camera of this test's own, stopped while it is open.
    SpawnedProcess lost(
        {SOFTCAM_PATH, "--adapter", "kyc2", "--ip", "10.10.2.3", "--model", MODEL, "--serial", "CC0009"});
    ASSERT_TRUE(lost.Started());
    ASSERT_EQ(ST_InitSystem(), 0);
    int index = -1;
    for (int round = 0; round < 20 && index < 0; ++round)
        index = IndexOf("CC0009");
    ASSERT_GE(index, 0);
    const int handle = Open(index, true);
    ASSERT_GE(handle, 0);
    lost.Stop();

    // The heartbeat notices within a few seconds; bounded at about a minute.
    bool open = true;
    for (int i = 0; i < 300 && open; ++i) {
        ASSERT_EQ(ST_IsOpenDevice(handle, &open), 0);
        if (open)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_FALSE(open);
    int64_t width = 0;
    EXPECT_EQ(ST_GetIntReg(handle, "Width", &width), BNK_ERR_NOT_CONNECTED);
    EXPECT_STREQ(ST_GetLastErrorDescription(handle), "The object(Device or Stream object) isn't connected.");
    // The camera's own close finds no link; the library still releases and forgets it (the
    // sanitizer build would report what stayed behind).
    EXPECT_EQ(ST_CloseDevice(handle), 0);
    EXPECT_EQ(ST_CloseDevice(handle), BNK_ERR_NO_DEVICE);
}
