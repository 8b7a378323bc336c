// Settings files through the C library, against a soft camera: XML ("1.0", "1.1") and JSON
// exports, their round trips and the files an import refuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "CamCtrlCameras.h"

using namespace camctrl_test;

namespace {

std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class Settings : public CamCtrl
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(ST_InitSystem(), 0);
        const int index = IndexOf(SERIALS[1]);
        ASSERT_GE(index, 0);
        ASSERT_EQ(ST_OpenDevice(static_cast<unsigned int>(index), &handle, false), 0);
        folder = Home() / "settings";
        std::filesystem::create_directories(folder);
    }
    std::string File(const std::string &name) const { return (folder / name).string(); }
    int handle = -1;
    std::filesystem::path folder;
};

}  // namespace

TEST_F(Settings, Dump)
{
    ASSERT_EQ(ST_ExportXML(handle, File("a.xml").c_str(), 1, 2), 0);
    ASSERT_EQ(ST_ExportXML(handle, File("b.xml").c_str(), 0, 0), 0);
    ASSERT_EQ(ST_ExportJson(handle, File("c.json").c_str(), 1), 0);
    std::cout << ReadFile(File("a.xml")) << ReadFile(File("b.xml")) << ReadFile(File("c.json"));
}
