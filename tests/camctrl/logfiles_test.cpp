// Log files of the C library: folders under HOME, names, header block, description and operation
// lines, the clean-up of old files, failed opens, HOME unset.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CamCtrlCameras.h"

using namespace camctrl_test;
namespace fs = std::filesystem;

namespace {

const std::string SEPARATOR(50, '/');
const std::string STAMP = R"(\d{2}:\d{2}:\d{2}\.\d{6})";

fs::path LogsFolder() { return Home() / "Brenik" / "Logs"; }
fs::path CameraFolder(const std::string &serial)
{
    return LogsFolder() / (std::string(MODEL) + "_SN_" + serial);
}

std::vector<std::string> ReadLines(const fs::path &file)
{
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The regular files right in a folder, by name.
std::set<std::string> FilesIn(const fs::path &folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file())
            names.insert(entry.path().filename().string());
    return names;
}

// Every line of every ".log" file in a folder, files in name order.
std::vector<std::string> AllLines(const fs::path &folder)
{
    std::vector<std::string> lines;
    for (const std::string &name : FilesIn(folder))
        for (const std::string &line : ReadLines(folder / name))
            lines.push_back(line);
    return lines;
}

class LogFiles : public CamCtrl
{
protected:
    void SetUp() override { ASSERT_EQ(ST_InitSystem(), 0); }

    int OpenLogged(const std::string &serial, int &index)
    {
        index = IndexOf(serial);
        EXPECT_GE(index, 0);
        int handle = -1;
        EXPECT_EQ(ST_OpenDevice(static_cast<unsigned int>(index), &handle, true), 0)
            << ST_GetLastErrorDescription(-1);
        return handle;
    }
};

}  // namespace

TEST_F(LogFiles, LoggedOpenWritesHeaderDescriptionAndOneLinePerOperation)
{
    std::error_code error;
    fs::remove_all(CameraFolder(SERIALS[0]), error);
    int index = -1;
    const int handle = OpenLogged(SERIALS[0], index);
    ASSERT_GE(handle, 0);
    // After the description lines, the last result is that of the last feature they read.
    EXPECT_EQ(ST_GetLastError(handle), 0);

    int64_t width = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "Width", &width), 0);
    EXPECT_EQ(ST_GetIntReg(handle, "NoSuchFeature", &width), BNK_ERR_NOT_FOUND);
    ASSERT_EQ(ST_SetDetailedLog(handle, false), 0);
    ASSERT_EQ(ST_GetIntReg(handle, "Height", &width), 0);  // not logged
    bool on = true;
    ASSERT_EQ(ST_GetDetailedLog(handle, &on), 0);
    EXPECT_FALSE(on);
    ASSERT_EQ(ST_SetDetailedLog(handle, true), 0);
    ASSERT_EQ(ST_CloseDevice(handle), 0);

    const std::set<std::string> files = FilesIn(CameraFolder(SERIALS[0]));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(std::regex_match(*files.begin(), std::regex(R"(\d{8}_\d{6}\.log)"))) << *files.begin();

    const std::vector<std::string> lines = ReadLines(CameraFolder(SERIALS[0]) / *files.begin());
    const std::vector<std::string> expected = {
        SEPARATOR,
        " [INFO] - Number of available cameras : 3",
        " [INFO] - Enumeration Number : " + std::to_string(index) + " => CtrlCam_SN_CC0001",
        " [INFO] - Device User ID : first",
        SEPARATOR,
        STAMP + R"( \[INFO\] - IP Configuration : .*\(10\.10\.1\.2, 255\.255\.255\.0, 0\.0\.0\.0\))",
        STAMP + R"( \[INFO\] - Heartbeat Disable\(false\))",
        STAMP +
            R"( \[INFO\] - Automatic Packet Size Negotiation\((true|false)\), Packe Size\(\d+\), Packet Delay\(0\))",
        STAMP + R"( \[INFO\] - Trigger Mode\(\w+\), Trigger Source\(\w+\))",
        STAMP + R"( \[INFO\] - Exposure Time\(\d+\.\d\d\))",
        SEPARATOR,
        STAMP + R"( \[INFO\] - ST_OpenDevice\(\))",
        STAMP + R"( \[INFO\] - ST_GetIntReg\(\) : Width\(\d+\))",
        STAMP + R"( \[ERROR\] - ST_GetIntReg\(NoSuchFeature\) : -1007 \(.+\)\(DeviceFeatures\.cpp:\d+\))",
        STAMP + R"( \[INFO\] - ST_SetDetailedLog\(\) : true)",
        STAMP + R"( \[INFO\] - ST_CloseDevice\(\))",
    };
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i < 5 || i == 10)
            EXPECT_EQ(lines[i], expected[i]) << "line " << i;
        else
            EXPECT_TRUE(std::regex_match(lines[i], std::regex(expected[i])))
                << "line " << i << ": " << lines[i];
    }
}

TEST_F(LogFiles, WithoutTheLogFlagNoFileIsMade)
{
    std::error_code error;
    fs::remove_all(CameraFolder(SERIALS[1]), error);
    const int index = IndexOf(SERIALS[1]);
    ASSERT_GE(index, 0);
    int handle = -1;
    ASSERT_EQ(ST_OpenDevice(static_cast<unsigned int>(index), &handle, false), 0);
    int64_t width = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "Width", &width), 0);
    ASSERT_EQ(ST_CloseDevice(handle), 0);
    EXPECT_FALSE(fs::exists(CameraFolder(SERIALS[1])));
}

TEST_F(LogFiles, FailedOpenLeavesHeaderAndItsOwnErrorLine)
{
    unsigned int count = 0;
    ASSERT_EQ(ST_GetAvailableCameraNum(&count), 0);
    for (const std::string &name : FilesIn(LogsFolder()))
        fs::remove(LogsFolder() / name);
    int handle = 0;
    ASSERT_EQ(ST_OpenDevice(count, &handle, false), BNK_ERR_NOT_FOUND);
    EXPECT_EQ(handle, -1);

    // An empty device ID: the file lands in "Logs" itself.
    const std::set<std::string> files = FilesIn(LogsFolder());
    ASSERT_EQ(files.size(), 1u);
    const std::vector<std::string> lines = ReadLines(LogsFolder() / *files.begin());
    const std::vector<std::string> expected = {
        SEPARATOR,
        " [INFO] - Number of available cameras : 3",
        " [INFO] - Enumeration Number : 3 => ",
        " [INFO] - Device User ID : ",
        SEPARATOR,
        " [ERROR]- ST_OpenDevice : -1007 (The enumeration index is out of range.)",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(LogFiles, OpenBeforeEnumerationLogsInTheCamerasFolder)
{
    int handle = 0;
    ASSERT_EQ(ST_OpenDevice(0, &handle, false), BNK_ERR_NOT_INITIALIZED);
    // The log file's header built the list, so the failure lands in camera 0's folder.
    char id[257];
    unsigned int length = 256;
    ASSERT_EQ(ST_GetEnumDeviceID(0, id, &length), 0);
    const std::vector<std::string> lines = AllLines(LogsFolder() / id);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(),
              " [ERROR]- ST_OpenDevice : -1002 (The camera list was never built (ST_UpdateDevice).)");
}

TEST_F(LogFiles, CleanUpRemovesTheOldestFileOnlyPastTheLimits)
{
    struct Row
    {
        int files;
        uintmax_t bytesEach;
        bool oldestRemoved;
    } rows[] = {
        {500, 1, true},
        {499, 1, false},
        {2, 2621440, true},   // 5,242,880 bytes in all: one past the limit
        {2, 2621439, false},  // 5,242,878 bytes
    };
    const fs::path folder = CameraFolder(SERIALS[0]);
    for (const Row &row : rows) {
        SCOPED_TRACE(std::to_string(row.files) + " files of " + std::to_string(row.bytesEach) + " bytes");
        std::error_code error;
        fs::remove_all(folder, error);
        fs::create_directories(folder);
        const auto now = fs::file_time_type::clock::now();
        for (int i = 0; i < row.files; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "old_%03d.log", i);
            {
                std::ofstream out(folder / name);
                out << std::string(row.bytesEach, 'x');
            }
            // File i is i minutes younger than file 0.
            fs::last_write_time(folder / name, now - std::chrono::hours(24 * 30) + std::chrono::minutes(i));
        }
        int index = -1;
        const int handle = OpenLogged(SERIALS[0], index);
        ASSERT_GE(handle, 0);
        ASSERT_EQ(ST_CloseDevice(handle), 0);
        const std::set<std::string> files = FilesIn(folder);
        EXPECT_EQ(files.count("old_000.log"), row.oldestRemoved ? 0u : 1u);
        EXPECT_EQ(files.count("old_001.log"), 1u);
        EXPECT_EQ(files.size(), static_cast<size_t>(row.files + (row.oldestRemoved ? 0 : 1)));
    }
}

TEST_F(LogFiles, ASecondFileOfTheSameSecondKeepsTheFirst)
{
    const fs::path folder = CameraFolder(SERIALS[0]);
    std::error_code error;
    fs::remove_all(folder, error);
    int index = -1;
    const int handle = OpenLogged(SERIALS[0], index);
    ASSERT_GE(handle, 0);
    // The camera is taken: a second open fails and writes its failure file right away, most
    // often within the same second and so under the same name.
    int second = 0;
    EXPECT_NE(ST_OpenDevice(static_cast<unsigned int>(index), &second, true), 0);
    const std::vector<std::string> lines = AllLines(folder);
    std::string all;
    for (const std::string &line : lines)
        all += line + "\n";
    EXPECT_NE(all.find("ST_OpenDevice()\n"), std::string::npos) << all;
    EXPECT_NE(all.find(" [ERROR]- ST_OpenDevice : "), std::string::npos) << all;
    ASSERT_EQ(ST_CloseDevice(handle), 0);
}

TEST_F(LogFiles, HomeUnsetMeansNoLogAndNoFailure)
{
    const std::string home = Home().string();
    ::unsetenv("HOME");
    std::error_code error;
    fs::remove_all(Home() / "Brenik", error);
    int index = -1;
    const int handle = OpenLogged(SERIALS[0], index);
    int64_t width = 0;
    EXPECT_EQ(ST_GetIntReg(handle, "Width", &width), 0);
    EXPECT_EQ(ST_CloseDevice(handle), 0);
    int failed = 0;
    EXPECT_EQ(ST_OpenDevice(99, &failed, true), BNK_ERR_NOT_FOUND);
    ::setenv("HOME", home.c_str(), 1);
    EXPECT_FALSE(fs::exists(Home() / "Brenik"));
}
