// Acquisition and the polling grab through the C library, against a soft camera whose test
// pattern is known pixel for pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "CamCtrlCameras.h"

using namespace camctrl_test;

namespace {

// The soft camera's test pattern: the value of pixel (x, y) of frame `frame` (block ID - 1).
class Grab : public OpenCamera
{
protected:
    Grab() : OpenCamera(SERIALS[1]) { }
    std::string Enum(const char *name) const
    {
        char text[64] = {};
        unsigned int length = sizeof text - 1;
        EXPECT_EQ(ST_GetEnumReg(handle, name, text, &length), 0) << name;
        return text;
    }
};

// The pixels of a grabbed record that differ from the pattern of that frame (at most one said).
int WrongPixels(const bnkBuffer &record, uint64_t frame)
{
    for (uint32_t y = 0; y < record.height; ++y)
        for (uint32_t x = 0; x < record.width; ++x)
            if (record.data[size_t(y) * record.width + x] != PatternValue(x, y, frame)) {
                ADD_FAILURE() << "block " << record.blockId << " pixel " << x << "," << y;
                return 1;
            }
    return 0;
}

}  // namespace

TEST_F(Grab, NewCameraHasTimeoutAndBufferCountDefaults)
{
    unsigned int timeout = 0, count = 0;
    ASSERT_EQ(ST_GetGrabTimeout(handle, &timeout), 0);
    ASSERT_EQ(ST_GetBufferCount(handle, &count), 0);
    EXPECT_EQ(timeout, 1000u);
    EXPECT_EQ(count, 16u);
    EXPECT_EQ(ST_GetGrabTimeout(handle, nullptr), BNK_ERR_INVALID_PARAMETER);
}

TEST_F(Grab, InitBufferSizesFromThePixelFormatOrTheGivenBytesPerPixel)
{
    int64_t payload = 0, width = 0, height = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "PayloadSize", &payload), 0);
    ASSERT_EQ(ST_GetIntReg(handle, "Width", &width), 0);
    ASSERT_EQ(ST_GetIntReg(handle, "Height", &height), 0);
    struct Case
    {
        int bytesPerPixel;
        uint32_t wantBytesPerPixel;
        uint64_t wantSize;
    };
    const Case cases[] = {{0, 1, uint64_t(payload)}, {3, 3, 3 * uint64_t(payload)}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytesPerPixel);
        bnkBuffer record{};
        record.reserved = 77;
        ASSERT_EQ(ST_InitBuffer(handle, &record, c.bytesPerPixel), 0);
        EXPECT_EQ(record.imageSize, c.wantSize);
        EXPECT_EQ(record.bytesPerPixel, c.wantBytesPerPixel);
        EXPECT_EQ(record.width, uint32_t(width));
        EXPECT_EQ(record.height, uint32_t(height));
        EXPECT_EQ(record.lineBytes, uint32_t(width) * c.wantBytesPerPixel);
        EXPECT_EQ(record.reserved, 77u);
        ASSERT_NE(record.data, nullptr);
        EXPECT_EQ(record.data[record.imageSize - 1], 0);
        EXPECT_EQ(ST_FreeBuffer(&record), 0);
    }
}

TEST_F(Grab, InitBufferRefusesNegativeOrOverflowingBytesPerPixel)
{
    for (int bytesPerPixel : {-1, 1 << 30}) {
        SCOPED_TRACE(bytesPerPixel);
        bnkBuffer record{};
        EXPECT_EQ(ST_InitBuffer(handle, &record, bytesPerPixel), BNK_ERR_INVALID_PARAMETER);
        EXPECT_EQ(ST_GetLastError(handle), BNK_ERR_INVALID_PARAMETER);
        EXPECT_EQ(record.data, nullptr);
        EXPECT_EQ(record.imageSize, 0u);
    }
}

TEST_F(Grab, TenGrabsGiveIncreasingBlocksOfThePattern)
{
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0);
    const uint32_t capacity = image.imageSize;
    ASSERT_EQ(ST_AcqStart(handle), 0);
    uint64_t previous = 0;
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(ST_GrabImage(handle, &image), 0) << Last();
        EXPECT_GT(image.blockId, previous);
        previous = image.blockId;
        ASSERT_EQ(image.imageSize, image.width * image.height);
        ASSERT_LE(image.imageSize, capacity);
        EXPECT_EQ(image.bytesPerPixel, 1u);
        EXPECT_EQ(image.lineBytes, image.width);
        int wrong = 0;
        for (uint32_t y = 0; y < image.height && wrong == 0; ++y)
            for (uint32_t x = 0; x < image.width; ++x)
                if (image.data[size_t(y) * image.width + x] != PatternValue(x, y, image.blockId - 1)) {
                    ADD_FAILURE() << "block " << image.blockId << " pixel " << x << "," << y;
                    ++wrong;
                    break;
                }
    }
    uint64_t blocks = 0, errors = 99;
    ASSERT_EQ(ST_GetGrabCount(handle, &blocks, &errors), 0) << Last();
    EXPECT_GE(blocks, 10u);
    EXPECT_EQ(errors, 0u);
    double rate = -1, mbps = -1;
    ASSERT_EQ(ST_GetFrameRate(handle, &rate), 0) << Last();
    ASSERT_EQ(ST_GetBandwidth(handle, &mbps), 0) << Last();
    EXPECT_GT(rate, 0.0);
    EXPECT_GT(mbps, 0.0);
    EXPECT_EQ(ST_GetGrabCount(handle, nullptr, &errors), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_SetGrabTimeout(handle, 500), BNK_ERR_BUSY);
    EXPECT_EQ(ST_SetBufferCount(handle, 4), BNK_ERR_BUSY);
    unsigned int timeout = 0, count = 0;
    ASSERT_EQ(ST_GetGrabTimeout(handle, &timeout), 0);
    ASSERT_EQ(ST_GetBufferCount(handle, &count), 0);
    EXPECT_EQ(timeout, 1000u);
    EXPECT_EQ(count, 16u);
    EXPECT_EQ(ST_AcqStop(handle), 0);
    EXPECT_EQ(ST_AcqStop(handle), 0);
}

TEST_F(Grab, CameraThatStoppedSendingTimesOut)
{
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0);
    ASSERT_EQ(ST_SetGrabTimeout(handle, 200), 0);
    ASSERT_EQ(ST_AcqStart(handle), 0);
    ASSERT_EQ(ST_GrabImage(handle, &image), 0) << Last();
    ASSERT_EQ(ST_SetCmdReg(handle, "AcquisitionStop"), 0);
    // What was on its way is taken first; then nothing comes.
    int result = 0;
    for (int i = 0; i < 64 && result == 0; ++i)
        result = ST_GrabImage(handle, &image);
    const bnkBuffer before = image;
    EXPECT_EQ(result, BNK_ERR_TIMEOUT);
    EXPECT_EQ(ST_GetLastError(handle), BNK_ERR_TIMEOUT);
    EXPECT_EQ(Last(), "The operation timed out.");
    EXPECT_EQ(ST_GrabImage(handle, &image), BNK_ERR_TIMEOUT);
    EXPECT_EQ(image.blockId, before.blockId);
    EXPECT_EQ(image.imageSize, before.imageSize);
    unsigned int available = 7;
    ASSERT_EQ(ST_GetImageAvailable(handle, &available), 0);
    EXPECT_EQ(available, 0u);
    EXPECT_EQ(ST_AcqStop(handle), 0);
}

TEST_F(Grab, GrabIntoNullMemoryIsRefused)
{
    bnkBuffer record{};
    EXPECT_EQ(ST_GrabImage(handle, &record), BNK_ERR_NOT_INITIALIZED);
    EXPECT_EQ(ST_GrabImage(handle, nullptr), BNK_ERR_INVALID_PARAMETER);
}

TEST_F(Grab, ImageLargerThanTheRecordIsRefusedAndTheRecordKept)
{
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0);
    const uint32_t capacity = image.imageSize;
    image.imageSize = capacity / 2;  // as if the camera had grown since the memory was sized
    ASSERT_EQ(ST_AcqStart(handle), 0);
    EXPECT_EQ(ST_GrabImage(handle, &image), BNK_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(image.imageSize, capacity / 2);
    EXPECT_EQ(image.blockId, 0u);
    image.imageSize = capacity;
    EXPECT_EQ(ST_GrabImage(handle, &image), 0) << Last();
    EXPECT_GT(image.blockId, 0u);
    EXPECT_EQ(ST_AcqStop(handle), 0);
}

// The memory ST_InitBuffer gave a record stays its capacity after a grab of a smaller image; a
// record whose memory the application allocated itself is bounded by its imageSize alone.
TEST_F(Grab, ARecordKeepsTheCapacityInitBufferGaveIt)
{
    int64_t width = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "Width", &width), 0);
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0);
    const uint32_t capacity = image.imageSize;
    bnkBuffer own{};
    own.imageSize = capacity / 2;
    own.data = static_cast<unsigned char *>(std::malloc(own.imageSize));
    ASSERT_NE(own.data, nullptr);

    ASSERT_EQ(ST_SetIntReg(handle, "Width", width / 2), 0);
    ASSERT_EQ(ST_AcqStart(handle), 0);
    ASSERT_EQ(ST_GrabImage(handle, &image), 0) << Last();
    EXPECT_LT(image.imageSize, capacity);
    EXPECT_EQ(image.width, uint32_t(width / 2));
    ASSERT_EQ(ST_GrabImage(handle, &own), 0) << Last();
    ASSERT_EQ(ST_AcqStop(handle), 0);

    ASSERT_EQ(ST_SetIntReg(handle, "Width", width), 0);
    ASSERT_EQ(ST_AcqStart(handle), 0);
    // The whole image fits the memory ST_InitBuffer allocated.
    EXPECT_EQ(ST_GrabImage(handle, &image), 0) << Last();
    EXPECT_EQ(image.imageSize, capacity);
    EXPECT_EQ(image.width, uint32_t(width));
    // The application's own memory holds only its imageSize (the smaller image's).
    const uint32_t ownSize = own.imageSize;
    EXPECT_EQ(ST_GrabImage(handle, &own), BNK_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(own.imageSize, ownSize);
    EXPECT_EQ(ST_AcqStop(handle), 0);
    std::free(own.data);
}

TEST_F(Grab, CallsOnAHandleNotInUseAreRefused)
{
    bnkBuffer record{};
    EXPECT_EQ(ST_AcqStart(handle + 1), BNK_ERR_NO_DEVICE);
    EXPECT_EQ(ST_InitBuffer(handle + 1, &record, 0), BNK_ERR_NO_DEVICE);
    EXPECT_EQ(ST_GrabImage(handle + 1, &record), BNK_ERR_NO_DEVICE);
}

TEST_F(Grab, SingleGrabDuringAcquisitionGivesOneFrameAndLeavesContinuousMode)
{
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0);
    ASSERT_EQ(ST_AcqStart(handle), 0);
    ASSERT_EQ(ST_GrabImage(handle, &image), 0) << Last();
    const uint64_t streamed = image.blockId;
    image.blockId = 0;
    ASSERT_EQ(ST_SingleGrabImage(handle, &image), 0) << Last();
    EXPECT_GT(image.blockId, 0u);
    EXPECT_NE(image.blockId, streamed);
    ASSERT_EQ(image.imageSize, image.width * image.height);
    // The first frame of its own acquisition.
    EXPECT_EQ(WrongPixels(image, 0), 0);
    EXPECT_EQ(Enum("AcquisitionMode"), "Continuous");
    // Acquisition stopped: the settings that need that are allowed again.
    EXPECT_EQ(ST_SetGrabTimeout(handle, 300), 0);
    EXPECT_NE(ST_GrabImage(handle, &image), 0) << "no acquisition, no image";

    // Idle, the same; and acquisition starts again as usual afterwards.
    ASSERT_EQ(ST_SingleGrabImage(handle, &image), 0) << Last();
    EXPECT_EQ(WrongPixels(image, 0), 0);
    EXPECT_EQ(Enum("AcquisitionMode"), "Continuous");
    ASSERT_EQ(ST_AcqStart(handle), 0);
    EXPECT_EQ(ST_GrabImage(handle, &image), 0) << Last();
    EXPECT_EQ(ST_AcqStop(handle), 0);
}

TEST_F(Grab, SingleGrabRefusals)
{
    bnkBuffer record{};
    EXPECT_EQ(ST_SingleGrabImage(handle, &record), BNK_ERR_NOT_INITIALIZED);
    EXPECT_EQ(ST_SingleGrabImage(handle, nullptr), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_SingleGrabImage(handle + 1, &record), BNK_ERR_NO_DEVICE);
    // A record too small for the image: refused, kept, and the camera left as it was.
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0);
    const uint32_t capacity = image.imageSize;
    image.imageSize = capacity / 2;
    EXPECT_EQ(ST_SingleGrabImage(handle, &image), BNK_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(image.imageSize, capacity / 2);
    EXPECT_EQ(image.blockId, 0u);
    EXPECT_EQ(Enum("AcquisitionMode"), "Continuous");
    image.imageSize = capacity;
    EXPECT_EQ(ST_SingleGrabImage(handle, &image), 0) << Last();
}

// A camera that leaves out a few per cent of its packets: the library asks for them again, so
// that every frame arrives whole and exact.
TEST(GrabLoss, EveryFrameIsWholeThroughResends)
{
    const std::string serial = "CC0008";
    auto camera = StartCamera({"--adapter", "kyc2", "--ip", "10.10.2.3", "--model", MODEL, "--serial", serial,
                               "--test-drop", "0.03"});
    ASSERT_TRUE(camera->Started());
    ASSERT_EQ(ST_InitSystem(), 0);
    const int index = WaitForCamera(serial);
    ASSERT_GE(index, 0);
    int handle = -1;
    ASSERT_EQ(ST_OpenDevice(static_cast<unsigned int>(index), &handle, false), 0);
    bnkBuffer image{};
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0);
    ASSERT_EQ(ST_AcqStart(handle), 0);
    // About 37 packets a frame: 20 frames lose some 20 packets between them.
    const int frames = 20;
    uint64_t previous = 0;
    for (int i = 0; i < frames; ++i) {
        ASSERT_EQ(ST_GrabImage(handle, &image), 0) << ST_GetLastErrorDescription(handle);
        EXPECT_GT(image.blockId, previous);
        previous = image.blockId;
        ASSERT_EQ(image.imageSize, image.width * image.height);
        EXPECT_EQ(WrongPixels(image, image.blockId - 1), 0);
    }
    uint64_t blocks = 0, errors = 99;
    ASSERT_EQ(ST_GetGrabCount(handle, &blocks, &errors), 0);
    EXPECT_GE(blocks, uint64_t(frames));
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(ST_AcqStop(handle), 0);
    EXPECT_EQ(ST_FreeBuffer(&image), 0);
    EXPECT_EQ(ST_CloseDevice(handle), 0);
    EXPECT_EQ(ST_FreeSystem(), 0);
}
