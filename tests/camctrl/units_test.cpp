// The C library's parts that need no camera: the result-code table and texts, log records, the
// text-out rule, the exception barrier, log-file helpers, the record layouts of the public header
// and the exported symbols.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>

#include "ApiBarrier.h"
#include "LogFiles.h"
#include "LogInfo.h"
#include "ResultCodes.h"
#include "TextOut.h"
#include "ky/camctrl/bnkCamCtrl.h"

using namespace ky::camctrl;

TEST(ResultCodes, EverySdkCodeMapsByTheTable)
{
    const struct
    {
        uint32_t sdk;
        int library;
    } rows[] = {
        {KY_OK, 0},
        {KY_ABORTED, -1012},
        {KY_BUFFER_TOO_SMALL, -1013},
        {KY_CANNOT_OPEN_FILE, -1014},
        {KY_FILE_ERROR, -1010},
        {KY_NETWORK_ERROR, -1033},
        {KY_NO_AVAILABLE_DATA, -1032},
        {KY_NO_MORE_ITEM, -1008},
        {KY_NOT_CONNECTED, -1006},
        {KY_NOT_ENOUGH_MEMORY, -1017},
        {KY_NOT_FOUND, -1007},
        {KY_NOT_SUPPORTED, -1022},
        {KY_ERR_OVERFLOW, -1023},
        {KY_STATE_ERROR, -1005},
        {KY_THREAD_ERROR, -1015},
        {KY_TIMEOUT, -1011},
        {KY_IMAGE_ERROR, -1024},
        {KY_MISSING_PACKETS, -1025},
        {KY_RESYNC, -1034},
        {KY_BAD_VERSION, -1030},
        {KY_BUSY, -1004},
        {KY_CORRUPTED_DATA, -1035},
        {KY_INVALID_DATA_FORMAT, -1016},
        {KY_NO_MORE_ENTRY, -1031},
        {KY_NOT_IMPLEMENTED, -1003},
        {KY_NOT_INITIALIZED, -1002},
        {KY_GENICAM_XML_ERROR, -1036},
        {KY_CANT_READ_MANIFEST, -1021},
        {KY_TOO_MANY_RESENDS, -1026},
        {KY_RESENDS_FAILURE, -1027},
        {KY_AUTO_ABORTED, -1029},
        {KY_TOO_MANY_CONSECUTIVE_RESENDS, -1028},
        {KY_INVALID_PARAMETER, -1009},
        {KY_CANCEL, -1018},
        {KY_PENDING, -1019},
        {KY_NETWORK_CONFIG_ERROR, -1001},
        {KY_GENERIC_ERROR, -1001},
        {12345, -1001},
        {0xFFFFFFFFu, -1001},
    };
    for (const auto &row : rows)
        EXPECT_EQ(ConvertErrorCode(row.sdk), row.library) << row.sdk;
}

TEST(ResultCodes, EveryLibraryCodeHasATextOfItsOwn)
{
    std::set<std::string> texts;
    for (int code = -1001; code >= -1039; --code) {
        if (code == -1020)
            continue;
        const std::string text = LibraryCodeText(code);
        EXPECT_NE(text, "Unknown result code.") << code;
        EXPECT_TRUE(texts.insert(text).second) << code << " repeats " << text;
    }
    EXPECT_STREQ(LibraryCodeText(0), "Success.");
    EXPECT_STREQ(LibraryCodeText(-1037), "No connectable devices.");
    EXPECT_STREQ(LibraryCodeText(-1038), "The system has not been initialized.");
    for (int outside : {-1020, -1000, -1040, 1, 7})
        EXPECT_STREQ(LibraryCodeText(outside), "Unknown result code.") << outside;
}

TEST(LogRecords, PrefixesAndMessagesByKind)
{
    const struct
    {
        LogInfo record;
        const char *prefix;
        std::string message;
    } rows[] = {
        {LogInfo::Call("Device::AcqStart", 0), " [INFO] - ", "ST_AcqStart()"},
        {LogInfo::TextValue("GetStrReg", "DeviceUserID", std::string(), 1), " [INFO] - ",
         "ST_GetStrReg() : DeviceUserID"},
        {LogInfo::TextValue("GetBoolReg", "ReverseX", true, 1), " [INFO] - ",
         "ST_GetBoolReg() : ReverseX(true)"},
        {LogInfo::TextValue("SetIntReg", "Width", int64_t{-5000000000}, 1), " [INFO] - ",
         "ST_SetIntReg() : Width(-5000000000)"},
        {LogInfo::TextValue("SetFloatReg", "Gain", 1.5, 1), " [INFO] - ",
         "ST_SetFloatReg() : Gain(1.500000)"},
        {LogInfo::Value("IsOpenDevice", false, 2), " [INFO] - ", "ST_IsOpenDevice() : false"},
        {LogInfo::Value("GetGrabTimeout", 1000, 2), " [INFO] - ", "ST_GetGrabTimeout() : 1000"},
        {LogInfo::Failure("OpenDevice", "s", 7, -1006, "gone", 3), " [ERROR] - ",
         "ST_OpenDevice() : -1006 (gone)(s:7)"},
        {LogInfo::Failure("GetIntReg", "s", 12, "Width", -1007, "x", 4), " [ERROR] - ",
         "ST_GetIntReg(Width) : -1007 (x)(s:12)"},
        {LogInfo::Event(20485, 42, 5), " [EVENT] - ", "Over_Trigger Start Missed, Timestamp : 42"},
        {LogInfo::Event(7, 18446744073709551615u, 5), " [EVENT] - ",
         "Undefined event, Timestamp : 18446744073709551615"},
        {LogInfo::Call("Separator", 6), " [INFO] - ", std::string(50, '/')},
        {LogInfo::Call("Whatever", 9), " [UNKNOWN] - ", ""},
        {LogInfo::Call("Whatever", -1), " [UNKNOWN] - ", ""},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(row.record.LogType(), row.prefix) << row.message;
        EXPECT_EQ(row.record.LogInformation(), row.message);
    }
    EXPECT_EQ(LogInfo::Call("Device::AcqStop").Funtion(), "AcqStop");
}

TEST(TextOut, NullBufferExactLengthAndOneShort)
{
    unsigned int length = 999;
    EXPECT_EQ(PutText("Continuous", nullptr, &length), TextOutcome::LengthOnly);
    EXPECT_EQ(length, 10u);

    char exact[11];
    length = 10;
    EXPECT_EQ(PutText("Continuous", exact, &length), TextOutcome::Copied);
    EXPECT_STREQ(exact, "Continuous");

    char shorter[10] = "xxxxxxxxx";
    length = 9;
    EXPECT_EQ(PutText("Continuous", shorter, &length), TextOutcome::TooSmall);
    EXPECT_EQ(length, 10u);
    EXPECT_EQ(shorter[0], '\0');

    char empty[1] = {'x'};
    length = 0;
    EXPECT_EQ(PutText("", empty, &length), TextOutcome::Copied);
    EXPECT_EQ(empty[0], '\0');
}

TEST(ApiBarrier, ExceptionsBecomeCodesAndTheirTextIsStored)
{
    uint32_t storedCode = 0;
    std::string storedText;
    const auto store = [&](uint32_t code, const char *text) {
        storedCode = code;
        storedText = text;
    };
    EXPECT_EQ(Barrier([] { return -1007; }, store), -1007);
    EXPECT_EQ(storedText, "");

    EXPECT_EQ(Barrier([]() -> int { throw std::runtime_error("lock failed"); }, store), BNK_ERR_GENERIC);
    EXPECT_EQ(storedCode, static_cast<uint32_t>(KY_GENERIC_ERROR));
    EXPECT_EQ(storedText, "lock failed");

    EXPECT_EQ(Barrier([]() -> int { throw std::bad_alloc(); }, store), BNK_ERR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(storedText, "Not enough memory.");

    EXPECT_EQ(Barrier([]() -> int { throw 42; }, store), BNK_ERR_GENERIC);
    EXPECT_EQ(storedText, "Unexpected failure of unknown kind.");

    // A store that fails itself still lets the code through.
    EXPECT_EQ(Barrier([]() -> int { throw std::runtime_error("x"); },
                      [](uint32_t, const char *) { throw std::bad_alloc(); }),
              BNK_ERR_GENERIC);
}

TEST(LogFileHelpers, DeviceIdsFromTheNetworkStayOneFolder)
{
    EXPECT_EQ(FolderNameOf("M_SN_1"), "M_SN_1");
    EXPECT_EQ(FolderNameOf("../../etc_SN_1"), ".._.._etc_SN_1");
    EXPECT_EQ(FolderNameOf("a/b"), "a_b");
    EXPECT_EQ(FolderNameOf(".."), "__");
    EXPECT_EQ(FolderNameOf(""), "");
}

TEST(LogFileHelpers, NamesAndStampsHaveTheirShapes)
{
    EXPECT_EQ(LogFileName(0).size(), std::string("19700101_000000.log").size());
    const std::string stamp = TimeStamp();
    ASSERT_EQ(stamp.size(), 15u) << stamp;
    EXPECT_EQ(stamp[2], ':');
    EXPECT_EQ(stamp[5], ':');
    EXPECT_EQ(stamp[8], '.');
    EXPECT_EQ(SeparatorLine(), std::string(50, '/'));
}

TEST(LogFileHelpers, ConsolePrintTrimsCutsAndEndsWithCrLf)
{
    testing::internal::CaptureStdout();
    odprintf("[INFO] - %s:Call \t\n", "Device::CloseDevice");
    odprintf("%s", "");
    odprintf("%s", std::string(5000, 'a').c_str());
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "[INFO] - Device::CloseDevice:Call\r\n\r\n" + std::string(4094, 'a') + "\r\n");
}

TEST(PublicHeader, RecordLayoutsAreTheBinaryInterface)
{
    EXPECT_EQ(sizeof(_bnkBuffer), 48u);
    EXPECT_EQ(offsetof(_bnkBuffer, blockId), 0u);
    EXPECT_EQ(offsetof(_bnkBuffer, timestamp), 8u);
    EXPECT_EQ(offsetof(_bnkBuffer, imageSize), 16u);
    EXPECT_EQ(offsetof(_bnkBuffer, reserved), 20u);
    EXPECT_EQ(offsetof(_bnkBuffer, width), 24u);
    EXPECT_EQ(offsetof(_bnkBuffer, height), 28u);
    EXPECT_EQ(offsetof(_bnkBuffer, lineBytes), 32u);
    EXPECT_EQ(offsetof(_bnkBuffer, bytesPerPixel), 36u);
    EXPECT_EQ(offsetof(_bnkBuffer, data), 40u);

    EXPECT_EQ(sizeof(_bnkEvent), 32u);
    EXPECT_EQ(offsetof(_bnkEvent, eventId), 0u);
    EXPECT_EQ(offsetof(_bnkEvent, timestamp), 8u);
    EXPECT_EQ(offsetof(_bnkEvent, eventData), 16u);
    EXPECT_EQ(offsetof(_bnkEvent, eventDataLength), 24u);

    EXPECT_EQ(GrabNewImage, 0);
    EXPECT_EQ(GrabTimeout, 2);
    EXPECT_EQ(EventDeviceDisconnect, 16);
    EXPECT_EQ(EventCriticalTemperatureState, 52);
}

TEST(PublicHeader, TheSharedLibraryExportsOnlyItsStFunctions)
{
    // The whole family of the interface.
    const std::set<std::string> family = {
        "ST_InitSystem",
        "ST_FreeSystem",
        "ST_IsInitSystem",
        "ST_GetAvailableCameraNum",
        "ST_UpdateDevice",
        "ST_GetEnumDeviceID",
        "ST_GetEnumDeviceInfo",
        "ST_OpenDevice",
        "ST_IsOpenDevice",
        "ST_CloseDevice",
        "ST_GetInterface",
        "ST_AcqStart",
        "ST_AcqStop",
        "ST_DoAbortGrab",
        "ST_SetGrabTimeout",
        "ST_GetGrabTimeout",
        "ST_SetBufferCount",
        "ST_GetBufferCount",
        "ST_SingleGrabImage",
        "ST_GrabImage",
        "ST_GetImageAvailable",
        "ST_GetGrabCount",
        "ST_GetFrameRate",
        "ST_GetBandwidth",
        "ST_InitBuffer",
        "ST_GetLastError",
        "ST_GetLastErrorDescription",
        "ST_SetDetailedLog",
        "ST_GetDetailedLog",
        "ST_SetIntReg",
        "ST_GetIntReg",
        "ST_SetFloatReg",
        "ST_GetFloatReg",
        "ST_SetBoolReg",
        "ST_GetBoolReg",
        "ST_SetEnumReg",
        "ST_GetEnumReg",
        "ST_SetStrReg",
        "ST_GetStrReg",
        "ST_SetCmdReg",
        "ST_GetIntRegRange",
        "ST_GetFloatRegRange",
        "ST_GetEnumEntrySize",
        "ST_GetEnumEntryIntValue",
        "ST_GetEnumEntryValue",
        "ST_ReadParam",
        "ST_WriteParam",
        "ST_CvtColor",
        "ST_ImportXML",
        "ST_ExportXML",
        "ST_ImportJson",
        "ST_ExportJson",
        "ST_RegisterGrabCallback",
        "ST_UnregisterGrabCallback",
        "ST_RegisterEventCallback",
        "ST_UnregisterEventCallback",
        "ST_FreeBuffer",
    };
    ASSERT_EQ(family.size(), 57u);
    // Every function of the interface is built, so the library exports exactly the family.
    const std::set<std::string> &built = family;

    FILE *nm = ::popen("nm -D --defined-only " BNK_CAMCTRL_LIBRARY, "r");
    ASSERT_NE(nm, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof line, nm)) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3)
            exported.insert(name);
    }
    ASSERT_EQ(::pclose(nm), 0);
    for (const std::string &name : exported)
        EXPECT_TRUE(family.count(name)) << name << " is exported but is no ST_ function of the interface";
    EXPECT_EQ(exported, built);
}

namespace {

// ST_CvtColor and ST_FreeBuffer need the system object but no camera.
class Images : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(ST_InitSystem(), 0); }
    void TearDown() override { ST_FreeSystem(); }

    static _bnkBuffer Record(unsigned char *data, uint32_t width, uint32_t height, uint32_t bytesPerPixel)
    {
        _bnkBuffer record{};
        record.data = data;
        record.width = width;
        record.height = height;
        record.bytesPerPixel = bytesPerPixel;
        record.lineBytes = width * bytesPerPixel;
        record.imageSize = width * height * bytesPerPixel;
        return record;
    }
};

}  // namespace

TEST_F(Images, BayerToBgrCopiesBlockIdAndTimestamp)
{
    // A uniform BayerRG8 image: red 200, green 100, blue 50.
    unsigned char bayer[4 * 4];
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            bayer[y * 4 + x] = (y % 2 == 0) ? (x % 2 == 0 ? 200 : 100) : (x % 2 == 0 ? 100 : 50);
    unsigned char bgr[4 * 4 * 3] = {};
    _bnkBuffer source = Record(bayer, 4, 4, 1);
    source.blockId = 77;
    source.timestamp = 123456789;
    _bnkBuffer destination = Record(bgr, 4, 4, 3);
    destination.reserved = 5;
    ASSERT_EQ(ST_CvtColor(source, &destination, BNK_CVT_BAYER_RG8), 0);
    EXPECT_EQ(destination.blockId, 77u);
    EXPECT_EQ(destination.timestamp, 123456789u);
    EXPECT_EQ(destination.reserved, 5u);
    EXPECT_EQ(bgr[3 * 5 + 0], 50);  // an inner pixel: blue, green, red
    EXPECT_EQ(bgr[3 * 5 + 1], 100);
    EXPECT_EQ(bgr[3 * 5 + 2], 200);
}

TEST_F(Images, RefusalsLeaveTheDestinationAlone)
{
    unsigned char pixels[16] = {};
    unsigned char bgr[16 * 3];
    std::memset(bgr, 0xAB, sizeof bgr);
    _bnkBuffer destination = Record(bgr, 4, 4, 3);
    _bnkBuffer noData = Record(nullptr, 4, 4, 1);
    noData.blockId = 9;
    EXPECT_EQ(ST_CvtColor(noData, &destination, BNK_CVT_BAYER_RG8), BNK_ERR_NOT_INITIALIZED);
    EXPECT_EQ(destination.blockId, 0u);
    EXPECT_EQ(ST_CvtColor(Record(pixels, 4, 4, 1), &destination, 5), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_CvtColor(Record(pixels, 4, 4, 1), nullptr, BNK_CVT_BAYER_RG8), BNK_ERR_INVALID_PARAMETER);

    // Memory smaller than the image: refused with the SDK's own code, nothing written.
    _bnkBuffer small = destination;
    small.imageSize = 4 * 4 * 3 - 1;
    EXPECT_EQ(ST_CvtColor(Record(pixels, 4, 4, 1), &small, BNK_CVT_BAYER_RG8),
              static_cast<int>(KY_BUFFER_TOO_SMALL));
    _bnkBuffer shortSource = Record(pixels, 4, 4, 1);
    shortSource.imageSize = 15;
    EXPECT_EQ(ST_CvtColor(shortSource, &destination, BNK_CVT_BAYER_RG8),
              static_cast<int>(KY_INVALID_PARAMETER));
    for (unsigned char byte : bgr)
        ASSERT_EQ(byte, 0xAB);
}

TEST_F(Images, FreeBufferReleasesAndZeroesAllButReserved)
{
    _bnkBuffer record = Record(static_cast<unsigned char *>(std::malloc(64)), 4, 4, 4);
    record.blockId = 3;
    record.reserved = 11;
    ASSERT_EQ(ST_FreeBuffer(&record), 0);
    EXPECT_EQ(record.data, nullptr);
    EXPECT_EQ(record.blockId, 0u);
    EXPECT_EQ(record.imageSize, 0u);
    EXPECT_EQ(record.width, 0u);
    EXPECT_EQ(record.lineBytes, 0u);
    EXPECT_EQ(record.bytesPerPixel, 0u);
    EXPECT_EQ(record.reserved, 11u);
    // Again, with no memory left: still 0.
    EXPECT_EQ(ST_FreeBuffer(&record), 0);
    EXPECT_EQ(ST_FreeBuffer(nullptr), BNK_ERR_INVALID_PARAMETER);
}
