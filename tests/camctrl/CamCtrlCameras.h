// The cameras of the C library's tests: three soft cameras on the private namespace's two adapter
// pairs (two on kyc1, one on kyc2), started once per test program, and a HOME of the program's
// own so that log files land in a temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ky/camctrl/bnkCamCtrl.h"
#include "SpawnedProcess.h"

namespace camctrl_test {

inline constexpr const char *MODEL = "CtrlCam";
inline const std::vector<std::string> SERIALS = {"CC0001", "CC0002", "CC0003"};

// The temporary HOME of this program (made by the environment).
std::filesystem::path &Home();

// The enumeration index of the camera with that serial number, or -1; with `discover`, after a
// discovery (ST_UpdateDevice), which rebuilds the list in the order the answers came.
int IndexOf(const std::string &serial, bool discover = true);

// Waits (bounded) until discovery finds the camera with that serial number; its enumeration
// index, or -1. Needs the system object.
int WaitForCamera(const std::string &serial);

// A soft camera of a test's own, beside the program's three: softcam with these arguments
// (stopped when the object goes).
std::unique_ptr<SpawnedProcess> StartCamera(const std::vector<std::string> &arguments);

class Environment : public ::testing::Environment
{
public:
    void SetUp() override;
    void TearDown() override;

private:
    std::unique_ptr<SpawnedProcess> mCameras;
};

// Every test starts and ends without a system object.
class CamCtrl : public ::testing::Test
{
protected:
    void TearDown() override { ST_FreeSystem(); }
};

// softcam's test pattern: the value of pixel (x, y) of frame N (block ID N + 1).
inline uint8_t PatternValue(uint32_t x, uint32_t y, uint64_t frame)
{
    return static_cast<uint8_t>(x + 3u * y + 5u * static_cast<uint32_t>(frame) + ((x ^ y) >> 4));
}

// A test with the camera of one serial number open, and an image record freed at its end.
class OpenCamera : public CamCtrl
{
protected:
    explicit OpenCamera(const std::string &serial) : mSerial(serial) { }
    void SetUp() override
    {
        ASSERT_EQ(ST_InitSystem(), 0);
        const int index = IndexOf(mSerial);
        ASSERT_GE(index, 0);
        ASSERT_EQ(ST_OpenDevice(static_cast<unsigned int>(index), &handle, false), 0);
    }
    void TearDown() override
    {
        if (image.data) {
            EXPECT_EQ(ST_FreeBuffer(&image), 0);
        }
        CamCtrl::TearDown();
    }
    std::string Last() const { return ST_GetLastErrorDescription(handle); }

    int handle = -1;
    bnkBuffer image{};

private:
    std::string mSerial;
};

}  // namespace camctrl_test
