#include "CamCtrlCameras.h"

#include <unistd.h>

#include <chrono>
#include <thread>

namespace camctrl_test {

std::filesystem::path &Home()
{
    static std::filesystem::path home;
    return home;
}

int IndexOf(const std::string &serial, bool discover)
{
    if (discover && ST_UpdateDevice() != 0)
        return -1;
    unsigned int count = 0;
    if (ST_GetAvailableCameraNum(&count) != 0)
        return -1;
    const std::string id = std::string(MODEL) + "_SN_" + serial;
    for (unsigned int i = 0; i < count; ++i) {
        char text[257] = {};
        unsigned int length = 256;
        if (ST_GetEnumDeviceID(i, text, &length) == 0 && id == text)
            return static_cast<int>(i);
    }
    return -1;
}

int WaitForCamera(const std::string &serial)
{
    int index = -1;
    for (int round = 0; round < 20 && index < 0; ++round) {
        index = IndexOf(serial);
        if (index < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return index;
}

std::unique_ptr<SpawnedProcess> StartCamera(const std::vector<std::string> &arguments)
{
    std::vector<std::string> argv{SOFTCAM_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return std::make_unique<SpawnedProcess>(argv);
}

void Environment::SetUp()
{
    char folder[] = "/tmp/camctrl_home_XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    Home() = folder;
    ::setenv("HOME", folder, 1);

    mCameras = std::make_unique<SpawnedProcess>(std::vector<std::string>{
        SOFTCAM_PATH, "--adapter", "kyc1", "--model", MODEL,       "--serial", SERIALS[0], "--user-name",
        "first",      "--adapter", "kyc1", "--ip",    "10.10.1.3", "--model",  MODEL,      "--serial",
        SERIALS[1],   "--adapter", "kyc2", "--model", MODEL,       "--serial", SERIALS[2]});
    ASSERT_TRUE(mCameras->Started());

    // Ready when discovery sees all three (bounded: about 20 discovery rounds).
    ASSERT_EQ(ST_InitSystem(), 0);
    bool found = false;
    for (int round = 0; round < 20 && !found; ++round) {
        found = true;
        for (const std::string &serial : SERIALS)
            found = found && IndexOf(serial) >= 0;
        if (!found)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_EQ(ST_FreeSystem(), 0);
    ASSERT_TRUE(found) << "softcam's cameras were not found";
}

void Environment::TearDown()
{
    mCameras.reset();
    std::error_code error;
    std::filesystem::remove_all(Home(), error);
}

}  // namespace camctrl_test

// Registered before main runs: gtest_main's main finds it.
const auto *const g_environment = ::testing::AddGlobalTestEnvironment(new camctrl_test::Environment);
