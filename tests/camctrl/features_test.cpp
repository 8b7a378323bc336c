// Features by name and raw memory through the C library, against a soft camera.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "CamCtrlCameras.h"
#include "ky/device/KyGevConstants.h"

using namespace camctrl_test;

namespace {

class Features : public OpenCamera
{
protected:
    Features() : OpenCamera(SERIALS[2]) { }
};

}  // namespace

TEST_F(Features, WidthInRangeIsWrittenAndReadBack)
{
    int64_t min = 0, max = 0, increment = 0;
    ASSERT_EQ(ST_GetIntRegRange(handle, "Width", &min, &max, &increment), 0);
    EXPECT_GT(max, min);
    EXPECT_GE(increment, 1);
    const int64_t wanted = min + increment;
    ASSERT_EQ(ST_SetIntReg(handle, "Width", wanted), 0);
    int64_t width = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "Width", &width), 0);
    EXPECT_EQ(width, wanted);
    EXPECT_EQ(ST_GetLastError(handle), 0);
    EXPECT_EQ(Last(), "");
}

TEST_F(Features, OutOfRangeMapsTheSdkResultWithItsText)
{
    int64_t min = 0, max = 0, increment = 0;
    ASSERT_EQ(ST_GetIntRegRange(handle, "Width", &min, &max, &increment), 0);
    int64_t before = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "Width", &before), 0);
    EXPECT_EQ(ST_SetIntReg(handle, "Width", max + increment), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_GetLastError(handle), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Last(),
              "[Width] " + std::to_string(max + increment) + " is above the maximum " + std::to_string(max));
    int64_t after = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "Width", &after), 0);
    EXPECT_EQ(after, before);
}

TEST_F(Features, UnknownNamesAndWrongTypesNeverCrash)
{
    int64_t value = 0, a = 0, b = 0, c = 0;
    int count = 0, entry = 0;
    char text[32];
    unsigned int length = sizeof text - 1;
    struct Row
    {
        const char *name;
        int result;
    } rows[] = {
        {"GetIntReg", ST_GetIntReg(handle, "NoSuchFeature", &value)},
        {"SetIntReg", ST_SetIntReg(handle, "NoSuchFeature", 1)},
        {"GetIntRegRange", ST_GetIntRegRange(handle, "NoSuchFeature", &a, &b, &c)},
        {"GetIntRegRange of an enumeration", ST_GetIntRegRange(handle, "PixelFormat", &a, &b, &c)},
        {"GetEnumEntrySize", ST_GetEnumEntrySize(handle, "NoSuchFeature", &count)},
        {"GetEnumEntrySize of an integer", ST_GetEnumEntrySize(handle, "Width", &count)},
        {"GetEnumEntryIntValue of an integer", ST_GetEnumEntryIntValue(handle, "Width", 0, &entry)},
        {"GetEnumEntryValue of a string", ST_GetEnumEntryValue(handle, "DeviceUserID", 0, text, &length)},
        {"GetEnumEntryValue past the entries",
         ST_GetEnumEntryValue(handle, "AcquisitionMode", 1000, text, &length)},
    };
    for (const Row &row : rows)
        EXPECT_EQ(row.result, BNK_ERR_NOT_FOUND) << row.name;
    EXPECT_EQ(ST_GetEnumEntrySize(handle, "Width", &count), BNK_ERR_NOT_FOUND);
    EXPECT_EQ(Last(), "[Width] is not an enumeration feature");
    EXPECT_EQ(ST_GetIntRegRange(handle, "NoSuchFeature", &a, &b, &c), BNK_ERR_NOT_FOUND);
    EXPECT_EQ(Last(), "[NoSuchFeature] no such feature");
}

TEST_F(Features, SixtyFourBitRangesComeWhole)
{
    int64_t min = 0, max = 0, increment = 0;
    ASSERT_EQ(ST_GetIntRegRange(handle, "GevHeartbeatTimeout", &min, &max, &increment), 0);
    EXPECT_EQ(max, INT64_C(4294967295));
    ASSERT_EQ(ST_GetIntRegRange(handle, "GevMACAddress", &min, &max, &increment), 0);
    EXPECT_GT(max, INT64_C(0xFFFFFFFF));
    int64_t mac = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "GevMACAddress", &mac), 0);
    EXPECT_EQ(mac, INT64_C(0x02000a0a0202));
}

TEST_F(Features, EnumerationEntriesByIndex)
{
    int count = 0;
    ASSERT_EQ(ST_GetEnumEntrySize(handle, "EventNotification", &count), 0);
    ASSERT_EQ(count, 2);
    char text[16];
    unsigned int length = sizeof text - 1;
    int value = -1;
    ASSERT_EQ(ST_GetEnumEntryValue(handle, "EventNotification", 1, text, &length), 0);
    EXPECT_STREQ(text, "On");
    ASSERT_EQ(ST_GetEnumEntryIntValue(handle, "EventNotification", 1, &value), 0);
    EXPECT_EQ(value, 1);
    length = sizeof text - 1;
    ASSERT_EQ(ST_GetEnumEntryValue(handle, "EventNotification", 0, text, &length), 0);
    EXPECT_STREQ(text, "Off");

    ASSERT_EQ(ST_SetEnumReg(handle, "AcquisitionMode", const_cast<char *>("SingleFrame")), 0);
    length = sizeof text - 1;
    ASSERT_EQ(ST_GetEnumReg(handle, "AcquisitionMode", text, &length), 0);
    EXPECT_STREQ(text, "SingleFrame");
    ASSERT_EQ(ST_SetEnumReg(handle, "AcquisitionMode", const_cast<char *>("Continuous")), 0);
    // "Continuous" in a buffer of two characters.
    length = 2;
    EXPECT_EQ(ST_GetEnumReg(handle, "AcquisitionMode", text, &length), BNK_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 10u);
    EXPECT_EQ(text[0], '\0');
}

TEST_F(Features, FloatsBooleansStringsAndCommands)
{
    double min = 0, max = 0;
    ASSERT_EQ(ST_GetFloatRegRange(handle, "ExposureTime", &min, &max), 0);
    ASSERT_LT(min, max);
    const double wanted = min + (max - min) / 4;
    ASSERT_EQ(ST_SetFloatReg(handle, "ExposureTime", wanted), 0);
    double exposure = 0;
    ASSERT_EQ(ST_GetFloatReg(handle, "ExposureTime", &exposure), 0);
    EXPECT_NEAR(exposure, wanted, (max - min) / 1000);

    bool flag = true;
    ASSERT_EQ(ST_SetBoolReg(handle, "GevGVCPPendingAck", false), 0);
    ASSERT_EQ(ST_GetBoolReg(handle, "GevGVCPPendingAck", &flag), 0);
    EXPECT_FALSE(flag);

    ASSERT_EQ(ST_SetStrReg(handle, "DeviceUserID", const_cast<char *>("renamed")), 0);
    char text[32];
    unsigned int length = sizeof text - 1;
    ASSERT_EQ(ST_GetStrReg(handle, "DeviceUserID", text, &length), 0);
    EXPECT_STREQ(text, "renamed");

    EXPECT_EQ(ST_SetCmdReg(handle, "GevTimestampControlLatch"), 0);
    EXPECT_EQ(ST_SetCmdReg(handle, "Width"), BNK_ERR_INVALID_PARAMETER);
}

TEST_F(Features, RawMemoryRoundTrip)
{
    // The user-defined name register: 16 bytes.
    unsigned char written[ky::gev::USER_DEFINED_NAME_SIZE] = {'r', 'a', 'w', '-', 'n', 'a', 'm', 'e'};
    ASSERT_EQ(ST_WriteParam(handle, written, ky::gev::USER_DEFINED_NAME_OFFSET, sizeof written), 0);
    unsigned char read[ky::gev::USER_DEFINED_NAME_SIZE];
    std::memset(read, 0xEE, sizeof read);
    testing::internal::CaptureStdout();
    const int result = ST_ReadParam(handle, read, ky::gev::USER_DEFINED_NAME_OFFSET, sizeof read);
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(result, 0);
    EXPECT_EQ(std::memcmp(read, written, sizeof read), 0);
    EXPECT_EQ(printed, "\n");  // the result's description (empty on success) on one line

    char text[32];
    unsigned int length = sizeof text - 1;
    ASSERT_EQ(ST_GetStrReg(handle, "DeviceUserID", text, &length), 0);
    EXPECT_STREQ(text, "raw-name");

    // A length the SDK refuses, and a null buffer with a length.
    EXPECT_EQ(ST_ReadParam(handle, read, ky::gev::USER_DEFINED_NAME_OFFSET, -4), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_WriteParam(handle, nullptr, ky::gev::USER_DEFINED_NAME_OFFSET, 4),
              BNK_ERR_INVALID_PARAMETER);
}
