// Settings files through the C library, against a soft camera: XML ("1.0", "1.1") and JSON
// exports, their round trips and the files an import refuses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
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

class Settings : public OpenCamera
{
protected:
    Settings() : OpenCamera(SERIALS[1]) { }
    void SetUp() override
    {
        OpenCamera::SetUp();
        folder = Home() / "settings";
        std::filesystem::create_directories(folder);
    }
    std::string File(const std::string &name) const { return (folder / name).string(); }
    std::filesystem::path folder;
};

}  // namespace

namespace {

struct Values
{
    int64_t width = 0;
    double exposure = 0;
    std::string userId, acquisitionMode;
    bool dhcp = false;
};

std::string Enum(int handle, const char *name)
{
    char text[64] = {};
    unsigned int length = sizeof text;
    EXPECT_EQ(ST_GetEnumReg(handle, name, text, &length), 0) << name;
    return text;
}

Values Read(int handle)
{
    Values v;
    EXPECT_EQ(ST_GetIntReg(handle, "Width", &v.width), 0);
    EXPECT_EQ(ST_GetFloatReg(handle, "ExposureTime", &v.exposure), 0);
    char text[64] = {};
    unsigned int length = sizeof text;
    EXPECT_EQ(ST_GetStrReg(handle, "DeviceUserID", text, &length), 0);
    v.userId = text;
    v.acquisitionMode = Enum(handle, "AcquisitionMode");
    EXPECT_EQ(ST_GetBoolReg(handle, "GevCurrentIPConfigurationDHCP", &v.dhcp), 0);
    return v;
}

void Write(int handle, const Values &v)
{
    ASSERT_EQ(ST_SetIntReg(handle, "Width", v.width), 0);
    ASSERT_EQ(ST_SetFloatReg(handle, "ExposureTime", v.exposure), 0);
    ASSERT_EQ(ST_SetStrReg(handle, "DeviceUserID", const_cast<char *>(v.userId.c_str())), 0);
    ASSERT_EQ(ST_SetEnumReg(handle, "AcquisitionMode", const_cast<char *>(v.acquisitionMode.c_str())), 0);
    ASSERT_EQ(ST_SetBoolReg(handle, "GevCurrentIPConfigurationDHCP", v.dhcp), 0);
}

void ExpectSame(const Values &a, const Values &b, const std::string &what)
{
    EXPECT_EQ(a.width, b.width) << what;
    EXPECT_EQ(a.exposure, b.exposure) << what;
    EXPECT_EQ(a.userId, b.userId) << what;
    EXPECT_EQ(a.acquisitionMode, b.acquisitionMode) << what;
    EXPECT_EQ(a.dhcp, b.dhcp) << what;
}

void WriteText(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

}  // namespace

TEST_F(Settings, EveryFormatRestoresTheWrittenValues)
{
    const Values saved{320, 12345.678901234567, "saved settings", "SingleFrame", false};
    const Values changed{480, 2000.5, "other", "Continuous", true};
    struct Row
    {
        const char *name;
        std::string file;
        int (*exportTo)(int, const char *);
        int (*importFrom)(int, const char *);
    } rows[] = {
        {"XML 1.0", File("v10.xml"), [](int h, const char *f) { return ST_ExportXML(h, f, 0, 1); },
         ST_ImportXML},
        {"XML 1.1", File("v11.Xml"), [](int h, const char *f) { return ST_ExportXML(h, f, 1, 1); },
         ST_ImportXML},
        {"JSON", File("settings.json"), [](int h, const char *f) { return ST_ExportJson(h, f, 1); },
         ST_ImportJson},
    };
    for (const Row &row : rows) {
        Write(handle, saved);
        const Values before = Read(handle);
        ASSERT_EQ(row.exportTo(handle, row.file.c_str()), 0) << row.name;
        Write(handle, changed);
        ASSERT_EQ(row.importFrom(handle, row.file.c_str()), 0) << row.name;
        ExpectSame(Read(handle), before, row.name);
        EXPECT_EQ(ST_GetLastError(handle), 0) << row.name;
        // Every value the file holds is back: exported again, the file is the same.
        const std::string again = row.file + ".again" + row.file.substr(row.file.rfind('.'));
        ASSERT_EQ(row.exportTo(handle, again.c_str()), 0) << row.name;
        EXPECT_EQ(ReadFile(again), ReadFile(row.file)) << row.name;
    }
}

TEST_F(Settings, StringLengthAndHexIntegersInVersion10)
{
    ASSERT_EQ(ST_SetStrReg(handle, "DeviceUserID", const_cast<char *>("abc")), 0);
    ASSERT_EQ(ST_ExportXML(handle, File("len.xml").c_str(), 0, 2), 0);
    const std::string text = ReadFile(File("len.xml"));
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"euc-kr\"?>\n<Device DeviceName=\"CtrlCam\">\n", 0),
              0u);
    EXPECT_NE(text.find("    <Parameter Name=\"DeviceUserID\" type=\"STRING\">\n        <addr>0</addr>\n"
                        "        <value>abc</value>\n        <len>4</len>\n        <option>0</option>\n"
                        "    </Parameter>\n"),
              std::string::npos);
    ASSERT_EQ(ST_SetStrReg(handle, "DeviceUserID", const_cast<char *>("")), 0);
    ASSERT_EQ(ST_ExportXML(handle, File("len.xml").c_str(), 0, 2), 0);
    EXPECT_NE(ReadFile(File("len.xml")).find("<value></value>\n        <len>1</len>"), std::string::npos);
}

TEST_F(Settings, OptionOneAndForeignVersionsApplyNothing)
{
    ASSERT_EQ(ST_SetIntReg(handle, "Width", 640), 0);
    const auto file = [](const char *version, const char *body) {
        return std::string("<?xml version=\"") + version +
               "\" encoding=\"euc-kr\"?>\n<Device DeviceName=\"CtrlCam\">\n" + body + "</Device>\n";
    };
    WriteText(File("option.xml"),
              file("1.0", "<Parameter Name=\"Width\" type=\"INTEGER\"><addr>0</addr>"
                          "<value>320</value><len>4</len><option>1</option></Parameter>\n"));
    WriteText(File("v20.xml"),
              file("2.0", "<Parameter Name=\"Width\" Type=\"Integer\"><Value>320</Value></Parameter>\n"));
    WriteText(File("junk.xml"),
              file("1.1",
                   "<Parameter Name=\"Width\" Type=\"Integer\"><Value>32x</Value></Parameter>\n"
                   "<Parameter Name=\"Width\" Type=\"Integer\"><Value></Value></Parameter>\n"
                   "<Parameter Name=\"ExposureTime\" Type=\"Float\"><Value>nope</Value></Parameter>\n"));
    for (const char *name : {"option.xml", "v20.xml", "junk.xml"}) {
        EXPECT_EQ(ST_ImportXML(handle, File(name).c_str()), 0) << name;
        int64_t width = 0;
        ASSERT_EQ(ST_GetIntReg(handle, "Width", &width), 0);
        EXPECT_EQ(width, 640) << name;
    }
    WriteText(File("applied.xml"),
              file("1.0", "<Parameter Name=\"Width\" type=\"INTEGER\"><addr>0</addr>"
                          "<value>320</value><len>4</len><option>0</option></Parameter>\n"));
    EXPECT_EQ(ST_ImportXML(handle, File("applied.xml").c_str()), 0);
    int64_t width = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "Width", &width), 0);
    EXPECT_EQ(width, 320);
}

TEST_F(Settings, RefusedFilesChangeNothing)
{
    ASSERT_EQ(ST_SetIntReg(handle, "Width", 640), 0);
    const std::string foreign =
        "<?xml version=\"1.1\" encoding=\"euc-kr\"?>\n<Device DeviceName=\"OtherCam\">\n"
        "<Parameter Name=\"Width\" Type=\"Integer\"><Value>320</Value></Parameter>\n</Device>\n";
    WriteText(File("a.XmL"), foreign);
    WriteText(File("foreign.xml"), foreign);
    WriteText(File("broken.xml"), "<?xml version=\"1.1\"?>\n<Device DeviceName=\"CtrlCam\"><Parameter>");
    WriteText(File("broken.json"), "{\"ModelName\": \"CtrlCam\", \"Parameters\": [");
    WriteText(File("array.json"), "[{\"ModelName\": \"CtrlCam\"}]");
    WriteText(File("nomodel.json"),
              "{\"Parameters\": [{\"Name\": \"Width\", \"Type\": \"Integer\", \"Value\": 320}]}");
    WriteText(File("foreign.json"), "{\"ModelName\": \"OtherCam\", \"Parameters\": "
                                    "[{\"Name\": \"Width\", \"Type\": \"Integer\", \"Value\": 320}]}");
    WriteText(File("types.json"),
              "{\"ModelName\": \"CtrlCam\", \"Parameters\": [7, {\"Name\": 3, \"Type\": \"Integer\", "
              "\"Value\": 320}, {\"Name\": \"Width\", \"Type\": \"Integer\", \"Value\": \"320\"}, "
              "{\"Name\": \"Width\", \"Type\": \"Integer\", \"Value\": 3.5}, "
              "{\"Name\": \"Width\", \"Type\": 1, \"Value\": 320}, {\"Name\": \"Width\"}, "
              "{\"Name\": \"Width\", \"Type\": \"Integer\", \"Value\": 18446744073709551615}]}");
    struct Row
    {
        const char *name;
        int result;
        int expected;
    } rows[] = {
        {"a.XmL", ST_ImportXML(handle, File("a.XmL").c_str()), BNK_ERR_CANNOT_OPEN_FILE},
        {"no extension", ST_ImportXML(handle, File("foreign").c_str()), BNK_ERR_CANNOT_OPEN_FILE},
        {"missing XML", ST_ImportXML(handle, File("missing.xml").c_str()), BNK_ERR_CANNOT_OPEN_FILE},
        {"broken XML", ST_ImportXML(handle, File("broken.xml").c_str()), BNK_ERR_CANNOT_OPEN_FILE},
        {"another model's XML", ST_ImportXML(handle, File("foreign.xml").c_str()), BNK_ERR_NOT_FOUND},
        {"missing JSON", ST_ImportJson(handle, File("missing.json").c_str()), BNK_ERR_CANNOT_OPEN_FILE},
        {"JSON as .xml", ST_ImportJson(handle, File("foreign.xml").c_str()), BNK_ERR_CANNOT_OPEN_FILE},
        {"broken JSON", ST_ImportJson(handle, File("broken.json").c_str()), BNK_ERR_CANNOT_OPEN_FILE},
        {"a folder", ST_ImportJson(handle, (folder / "dir.json").c_str()), BNK_ERR_CANNOT_OPEN_FILE},
        {"JSON array", ST_ImportJson(handle, File("array.json").c_str()), BNK_ERR_NOT_FOUND},
        {"no ModelName", ST_ImportJson(handle, File("nomodel.json").c_str()), BNK_ERR_NOT_FOUND},
        {"another model's JSON", ST_ImportJson(handle, File("foreign.json").c_str()), BNK_ERR_NOT_FOUND},
        {"wrong-typed members", ST_ImportJson(handle, File("types.json").c_str()), 0},
        {"null path", ST_ImportJson(handle, nullptr), BNK_ERR_INVALID_PARAMETER},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(row.result, row.expected) << row.name;
        int64_t width = 0;
        ASSERT_EQ(ST_GetIntReg(handle, "Width", &width), 0);
        EXPECT_EQ(width, 640) << row.name;
    }
}

TEST_F(Settings, AnUnwritableExportLeavesNoFile)
{
    const std::string target = (folder / "no-such-folder" / "s.xml").string();
    EXPECT_EQ(ST_ExportXML(handle, target.c_str(), 0, 0), BNK_ERR_CANNOT_OPEN_FILE);
    EXPECT_EQ(ST_ExportJson(handle, target.c_str(), 0), BNK_ERR_CANNOT_OPEN_FILE);
    EXPECT_FALSE(std::filesystem::exists(folder / "no-such-folder"));
    // Format 2 writes nothing and succeeds.
    EXPECT_EQ(ST_ExportXML(handle, File("format2.xml").c_str(), 2, 0), 0);
    EXPECT_FALSE(std::filesystem::exists(File("format2.xml")));
    // A target that is no regular file (here a folder) is refused and left as it was.
    std::filesystem::create_directories(folder / "folder.json");
    EXPECT_EQ(ST_ExportJson(handle, (folder / "folder.json").c_str(), 0), BNK_ERR_CANNOT_OPEN_FILE);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "folder.json"));
    // Through a link, the file it names gets the settings and the link stays.
    WriteText(File("real.json"), "old");
    std::filesystem::remove(folder / "link.json");
    std::filesystem::create_symlink("real.json", folder / "link.json");
    EXPECT_EQ(ST_ExportJson(handle, File("link.json").c_str(), 0), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.json"));
    EXPECT_EQ(ReadFile(File("real.json")).rfind("{\n    \"ModelName\": \"CtrlCam\",\n", 0), 0u);
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(Settings, IntegersAboveTwoToThe31ComeBackWhole)
{
    // A persistent IP address of 192.168.1.1 is 3,232,235,777: above the largest 32-bit int.
    const int64_t big = 3232235777;
    WriteText(File("big.xml"),
              "<?xml version=\"1.1\" encoding=\"euc-kr\"?>\n<Device DeviceName=\"CtrlCam\">\n"
              "<Parameter Name=\"GevPersistentIPAddress\" Type=\"Integer\"><Value>3232235777</Value>"
              "</Parameter>\n</Device>\n");
    ASSERT_EQ(ST_SetIntReg(handle, "GevPersistentIPAddress", 0), 0);
    ASSERT_EQ(ST_ImportXML(handle, File("big.xml").c_str()), 0);
    int64_t value = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "GevPersistentIPAddress", &value), 0);
    EXPECT_EQ(value, big);

    ASSERT_EQ(ST_ExportJson(handle, File("big.json").c_str(), 0), 0);
    EXPECT_NE(ReadFile(File("big.json")).find("\"Value\": 3232235777"), std::string::npos);
    ASSERT_EQ(ST_SetIntReg(handle, "GevPersistentIPAddress", 0), 0);
    ASSERT_EQ(ST_ImportJson(handle, File("big.json").c_str()), 0);
    ASSERT_EQ(ST_GetIntReg(handle, "GevPersistentIPAddress", &value), 0);
    EXPECT_EQ(value, big);
    ASSERT_EQ(ST_SetIntReg(handle, "GevPersistentIPAddress", 0), 0);
}

namespace {

// The features of one connection's session: an import leaves them as this session has them.
const char *const SESSION_FEATURES[] = {"GevSCPHostPort", "GevSCDA", "GevMCPHostPort", "GevMCDA"};

std::vector<int64_t> SessionValues(int handle)
{
    std::vector<int64_t> values;
    for (const char *name : SESSION_FEATURES) {
        int64_t value = -1;
        EXPECT_EQ(ST_GetIntReg(handle, name, &value), 0) << name;
        values.push_back(value);
    }
    return values;
}

int ImportFile(int handle, const std::string &path)
{
    const bool json = path.size() > 5 && path.compare(path.size() - 5, 5, ".json") == 0;
    return json ? ST_ImportJson(handle, path.c_str()) : ST_ImportXML(handle, path.c_str());
}

long PeakKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

// Files saved in an earlier session (this test's own exports, and files the library wrote before
// it stopped restoring session features) apply in a later session, whose stream still reaches
// this host: the session's channel destinations are not taken from the file.
TEST_F(Settings, AFileOfAnEarlierSessionAppliesAndTheCameraStillStreams)
{
    // A camera that streams on its own (earlier tests may have left it otherwise).
    ASSERT_EQ(ST_SetEnumReg(handle, "AcquisitionMode", const_cast<char *>("Continuous")), 0);
    ASSERT_EQ(ST_SetEnumReg(handle, "TriggerMode", const_cast<char *>("Off")), 0);
    ASSERT_EQ(ST_ExportXML(handle, File("session-1.0.xml").c_str(), 0, 2), 0);
    ASSERT_EQ(ST_ExportXML(handle, File("session-1.1.xml").c_str(), 1, 2), 0);
    ASSERT_EQ(ST_ExportJson(handle, File("session.json").c_str(), 2), 0);
    ASSERT_EQ(ST_CloseDevice(handle), 0);
    const int index = IndexOf(SERIALS[1]);
    ASSERT_GE(index, 0);
    ASSERT_EQ(ST_OpenDevice(static_cast<unsigned int>(index), &handle, false), 0);

    const std::filesystem::path golden = CAMCTRL_GOLDEN_DIR;
    const std::string files[] = {
        File("session-1.0.xml"),
        File("session-1.1.xml"),
        File("session.json"),
        (golden / "earlier-session-1.0.xml").string(),
        (golden / "earlier-session-1.1.xml").string(),
        (golden / "earlier-session.json").string(),
    };
    for (const std::string &file : files) {
        const std::vector<int64_t> session = SessionValues(handle);
        ASSERT_EQ(ImportFile(handle, file), 0) << file << ": " << Last();
        EXPECT_EQ(SessionValues(handle), session) << file;
        bnkBuffer record{};
        ASSERT_EQ(ST_InitBuffer(handle, &record, 0), 0) << file;
        // The time-out only bounds a hang (a stream sent elsewhere never delivers).
        ASSERT_EQ(ST_SetGrabTimeout(handle, 5000 * KY_TEST_TIME_SCALE), 0);
        ASSERT_EQ(ST_AcqStart(handle), 0) << file;
        for (int grab = 0; grab < 5; ++grab)
            EXPECT_EQ(ST_GrabImage(handle, &record), 0) << file << " grab " << grab << ": " << Last();
        EXPECT_EQ(ST_AcqStop(handle), 0);
        EXPECT_EQ(ST_FreeBuffer(&record), 0);
    }
    // The golden files' own values did arrive.
    int64_t width = 0;
    EXPECT_EQ(ST_GetIntReg(handle, "Width", &width), 0);
    EXPECT_EQ(width, 320);
}

// An import reads at most 16 MiB: a larger regular file is refused before it is read, a pipe that
// goes on is cut at the limit, and devices are refused unread; none of them waits or grows the
// process.
TEST_F(Settings, ImportsReadABoundedAmount)
{
    for (const char *name : {"zero.json", "zero.xml", "random.json", "random.xml"}) {
        std::filesystem::remove(folder / name);
        std::filesystem::create_symlink(name[0] == 'z' ? "/dev/zero" : "/dev/urandom", folder / name);
    }
    {
        std::ofstream big(File("big.json"), std::ios::binary);
        big << "{\"ModelName\": \"CtrlCam\"}";
    }
    std::filesystem::resize_file(File("big.json"), 16 * 1024 * 1024 + 1);
    std::filesystem::copy_file(File("big.json"), File("big.xml"),
                               std::filesystem::copy_options::overwrite_existing);
    for (const char *name : {"fifo.json", "fifo.xml", "endless.json"}) {
        std::filesystem::remove(folder / name);
        ASSERT_EQ(::mkfifo(File(name).c_str(), 0600), 0) << name;
    }
    // A writer that never stops: the import must stop reading at the limit. This end, open for
    // reading and writing, keeps the FIFO open on both sides until the imports are done; the
    // writer then ends on a FIFO without readers.
    ::signal(SIGPIPE, SIG_IGN);
    const int keeper = ::open(File("endless.json").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(keeper, 0);
    std::thread writer([path = File("endless.json")] {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        std::vector<char> spaces(1 << 16, ' ');
        while (::write(fd, spaces.data(), spaces.size()) > 0) {
        }
        ::close(fd);
    });

    const long peakBefore = PeakKilobytes();
    const struct
    {
        const char *name;
        int expected;
    } rows[] = {
        {"zero.json", BNK_ERR_CANNOT_OPEN_FILE},
        {"zero.xml", BNK_ERR_CANNOT_OPEN_FILE},
        {"random.json", BNK_ERR_CANNOT_OPEN_FILE},
        {"random.xml", BNK_ERR_CANNOT_OPEN_FILE},
        {"big.json", BNK_ERR_FILE},
        {"big.xml", BNK_ERR_FILE},
        {"fifo.json", BNK_ERR_CANNOT_OPEN_FILE},
        {"fifo.xml", BNK_ERR_CANNOT_OPEN_FILE},
        {"endless.json", BNK_ERR_FILE},
    };
    for (const auto &row : rows) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ImportFile(handle, File(row.name)), row.expected) << row.name;
        EXPECT_FALSE(Last().empty()) << row.name;
        if (row.expected == BNK_ERR_FILE) {
            EXPECT_NE(Last().find("16 MiB"), std::string::npos) << Last();
        }
        // Nothing is read from a device or a large file: far below a second even on a busy machine
        // (the endless pipe is read up to the limit, which takes what it takes).
        if (std::string(row.name) != "endless.json") {
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1 * KY_TEST_TIME_SCALE))
                << row.name;
        }
    }
    ::close(keeper);
    writer.join();
    // About the limit was held (an unbounded read grows to gigabytes); the bound leaves room for
    // the sanitizers' shadow memory.
    EXPECT_LT(PeakKilobytes() - peakBefore, 256 * 1024);
}

namespace {

// The camera's values that depend on the run (the ports and addresses the host's streams and
// messages go to): masked in exports before they are compared.
const char *const RUN_DEPENDENT[] = {"GevMCPHostPort", "GevMCDA", "GevSCPHostPort", "GevSCDA"};

std::string Masked(std::string text)
{
    for (const char *name : RUN_DEPENDENT) {
        const std::string feature = name;
        const std::regex xml10("(<Parameter Name=\"" + feature +
                               "\" type=\"\\w+\">\\s*<addr>0</addr>\\s*<value>)[^<]*");
        const std::regex xml11("(<Parameter Name=\"" + feature + "\" Type=\"\\w+\">\\s*<Value>)[^<]*");
        const std::regex json("(\"Name\": \"" + feature + "\",[^}]*\"Value\": )[^\\n}]*");
        for (const std::regex *form : {&xml10, &xml11, &json})
            text = std::regex_replace(text, *form, "$1*");
    }
    return text;
}

}  // namespace

// The exact documents of a camera in a known state: XML "1.0" and "1.1" and JSON at the Expert
// level, byte for byte. KY_UPDATE_GOLDEN=1 in the environment rewrites the expected files instead.
TEST_F(Settings, ExportsEqualTheGoldenFiles)
{
    const struct
    {
        const char *name;
        int64_t value;
    } integers[] = {
        {"Width", 320},
        {"Height", 240},
        {"OffsetX", 8},
        {"OffsetY", 4},
        {"GevHeartbeatTimeout", 3000000000},
        {"GevPersistentIPAddress", 3232235777},
        {"GevPersistentSubnetMask", 4294967040},
        {"GevPersistentDefaultGateway", 3232235521},
        {"GevMCTT", 300},
        {"GevMCRC", 2},
        {"GevSCPSPacketSize", 1500},
        {"GevSCPD", 0},
    };
    for (const auto &row : integers)
        ASSERT_EQ(ST_SetIntReg(handle, row.name, row.value), 0) << row.name;
    const struct
    {
        const char *name;
        const char *entry;
    } enumerations[] = {
        {"PixelFormat", "Mono8"},       {"AcquisitionMode", "Continuous"}, {"TriggerMode", "Off"},
        {"TriggerSource", "Software"},  {"EventSelector", "ExposureEnd"},  {"EventNotification", "Off"},
        {"UserSetSelector", "Default"}, {"UserSetDefault", "Default"},
    };
    for (const auto &row : enumerations)
        ASSERT_EQ(ST_SetEnumReg(handle, row.name, const_cast<char *>(row.entry)), 0) << row.name;
    ASSERT_EQ(ST_SetFloatReg(handle, "ExposureTime", 12345.678901234567), 0);
    ASSERT_EQ(ST_SetStrReg(handle, "DeviceUserID", const_cast<char *>("<&>\"user\"")), 0);
    for (const char *name : {"GevCurrentIPConfigurationPersistentIP", "GevCurrentIPConfigurationDHCP"})
        ASSERT_EQ(ST_SetBoolReg(handle, name, true), 0) << name;
    for (const char *name : {"GevGVCPHeartbeatDisable", "GevGVCPPendingAck"})
        ASSERT_EQ(ST_SetBoolReg(handle, name, false), 0) << name;

    const struct
    {
        const char *golden;
        int (*exportTo)(int, const char *);
    } rows[] = {
        {"settings-1.0.xml", [](int h, const char *f) { return ST_ExportXML(h, f, 0, 1); }},
        {"settings-1.1.xml", [](int h, const char *f) { return ST_ExportXML(h, f, 1, 1); }},
        {"settings.json", [](int h, const char *f) { return ST_ExportJson(h, f, 1); }},
    };
    const std::filesystem::path goldenFolder = CAMCTRL_GOLDEN_DIR;
    const bool update = std::getenv("KY_UPDATE_GOLDEN") != nullptr;
    for (const auto &row : rows) {
        const std::string exported = File(std::string("golden-") + row.golden);
        ASSERT_EQ(row.exportTo(handle, exported.c_str()), 0) << row.golden;
        const std::string actual = Masked(ReadFile(exported));
        if (update) {
            std::ofstream(goldenFolder / row.golden, std::ios::binary) << actual;
            continue;
        }
        ASSERT_TRUE(std::filesystem::exists(goldenFolder / row.golden)) << row.golden;
        EXPECT_EQ(actual, ReadFile(goldenFolder / row.golden)) << row.golden;
    }
}

// Which features a file saves, by the level asked for: hexadecimal integers and invisible features
// never, Expert and Guru features from their level on.
TEST_F(Settings, TheLevelChoosesTheFeatures)
{
    const struct
    {
        const char *feature;
        bool atBeginner, atExpert, atGuru;
    } rows[] = {
        {"DeviceUserID", true, true, true},                  // string, Beginner
        {"Width", true, true, true},                         // integer, Beginner
        {"GevMCTT", false, true, true},                      // integer, Expert
        {"GevGVCPPendingAck", false, true, true},            // boolean, Expert
        {"GevSCPSDoNotFragment", false, false, true},        // boolean, Guru
        {"GevCCP", false, false, true},                      // integer, Guru
        {"TLParamsLocked", false, false, false},             // invisible
        {"GevCurrentIPConfiguration", false, false, false},  // shown in hexadecimal
        {"GevCurrentIPAddress", false, false, false},        // read-only
        {"AcquisitionStart", false, false, false},           // command
    };
    for (int level = 0; level <= 2; ++level) {
        const std::string xml = File("level" + std::to_string(level) + ".xml");
        const std::string json = File("level" + std::to_string(level) + ".json");
        ASSERT_EQ(ST_ExportXML(handle, xml.c_str(), 1, level), 0);
        ASSERT_EQ(ST_ExportJson(handle, json.c_str(), level), 0);
        const std::string xmlText = ReadFile(xml), jsonText = ReadFile(json);
        for (const auto &row : rows) {
            const bool expected = level == 0 ? row.atBeginner : level == 1 ? row.atExpert : row.atGuru;
            const std::string name = row.feature;
            EXPECT_EQ(xmlText.find("<Parameter Name=\"" + name + "\" ") != std::string::npos, expected)
                << name << " at level " << level;
            EXPECT_EQ(jsonText.find("\"Name\": \"" + name + "\",") != std::string::npos, expected)
                << name << " at level " << level;
        }
    }
}

// A version "1.0" INTEGER of a feature shown in hexadecimal is read in base 16 ("B" is no decimal
// number at all). The camera keeps only the configuration bits it has and link-local always on.
TEST_F(Settings, HexIntegersOfVersion10AreReadInBase16)
{
    int64_t before = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "GevCurrentIPConfiguration", &before), 0);
    ASSERT_EQ(ST_SetIntReg(handle, "GevCurrentIPConfiguration", 4), 0);
    WriteText(File("hex.xml"),
              "<?xml version=\"1.0\" encoding=\"euc-kr\"?>\n<Device DeviceName=\"CtrlCam\">\n"
              "<Parameter Name=\"GevCurrentIPConfiguration\" type=\"INTEGER\"><addr>0</addr>"
              "<value>B</value><len>4</len><option>0</option></Parameter>\n</Device>\n");
    ASSERT_EQ(ST_ImportXML(handle, File("hex.xml").c_str()), 0);
    int64_t value = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "GevCurrentIPConfiguration", &value), 0);
    EXPECT_EQ(value, (0xB & 7) | 4);
    ASSERT_EQ(ST_SetIntReg(handle, "GevCurrentIPConfiguration", before), 0);
}
