// The cameras of the C library's tests: three soft cameras on the private namespace's two adapter
// pairs (two on kyc1, one on kyc2), started once per test program, and a HOME of the program's
// own so that log files land in a temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

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

}  // namespace camctrl_test
