// Finding and reading the GenICam XML that a device keeps in its memory.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "ky/genicam/KyGenParameterArray.h"
#include "ky/genicam/KyGenXmlSource.h"
#include "MemoryPort.h"

TEST(XmlUrl, TableOfUrls)
{
    struct Row
    {
        const char *url;
        uint32_t code;
        const char *scheme, *name;
        uint64_t address, length;
        bool zipped;
        const char *description;
    };
    const Row rows[] = {
        {"Local:TestCamera.xml;A0000;3A2C", KY_OK, "Local", "TestCamera.xml", 0xA0000, 0x3A2C, false, ""},
        {"local:cam.ZIP;0x8000;0x10?SchemaVersion=1.1.0", KY_OK, "local", "cam.ZIP", 0x8000, 0x10, true, ""},
        {"Local:///cam.zip;100;20", KY_OK, "Local", "cam.zip", 0x100, 0x20, true, ""},
        {"File:///tmp/cam.xml", KY_OK, "File", "///tmp/cam.xml", 0, 0, false, ""},
        {"TestCamera.xml;A0000;3A2C", KY_INVALID_PARAMETER, "", "", 0, 0, false,
         "GenICam URL 'TestCamera.xml;A0000;3A2C' has no scheme (such as \"Local:\")"},
        {"Local:cam.xml;A0000", KY_INVALID_PARAMETER, "", "", 0, 0, false,
         "GenICam URL 'Local:cam.xml;A0000' is not of the form Local:name;address;length"},
        {"Local:cam.xml;G000;10", KY_INVALID_PARAMETER, "", "", 0, 0, false,
         "GenICam URL 'Local:cam.xml;G000;10' has a bad address 'G000'"},
        {"Local:cam.xml;0;0", KY_INVALID_PARAMETER, "", "", 0, 0, false,
         "GenICam URL 'Local:cam.xml;0;0' has the length 0, outside 1..67108864"},
        {"Local:cam.xml;0;4000001", KY_INVALID_PARAMETER, "", "", 0, 0, false,
         "GenICam URL 'Local:cam.xml;0;4000001' has the length 67108865, outside 1..67108864"},
        {"Local:cam.xml;FFFFFFFFFFFFFFFF;10", KY_INVALID_PARAMETER, "", "", 0, 0, false,
         "GenICam URL 'Local:cam.xml;FFFFFFFFFFFFFFFF;10' runs past the end of the address space"},
        {"Local:;0;10", KY_INVALID_PARAMETER, "", "", 0, 0, false,
         "GenICam URL 'Local:;0;10' has no file name"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.url);
        KyGenXmlLocation where;
        KyResult r = KyGenParseXmlUrl(KyString(row.url), where);
        EXPECT_EQ(r.GetCode(), row.code);
        if (!r.IsOK()) {
            EXPECT_EQ(r.GetDescription().str(), row.description);
            continue;
        }
        EXPECT_EQ(where.mScheme.str(), row.scheme);
        EXPECT_EQ(where.mFileName.str(), row.name);
        EXPECT_EQ(where.mAddress, row.address);
        EXPECT_EQ(where.mLength, row.length);
        EXPECT_EQ(where.mZipped, row.zipped);
    }
}

namespace {

// A device whose memory holds the URL register at 0x200 and a file at 0x1000.
struct Device
{
    explicit Device(const std::string &file, const std::string &name, size_t padding = 0)
        : port(0x1000 + file.size() + padding + 8)
    {
        std::memcpy(&port.memory[0x1000], file.data(), file.size());
        char hex[64];
        std::snprintf(hex, sizeof hex, ";1000;%zx", file.size() + padding);
        url = "Local:" + name + hex;
        std::memcpy(&port.memory[0x200], url.data(), url.size());
    }
    KyGenReadFunction Reader()
    {
        return [this](uint64_t address, void *data, uint32_t length) {
            lengths.push_back(length);
            return port.ReadPort(address, data, length);
        };
    }
    MemoryPort port;
    std::string url;
    std::vector<uint32_t> lengths;
};

}  // namespace

TEST(XmlSource, ReadsPlainStoredAndDeflatedFiles)
{
    const std::string xml = ReadTestFile("features.xml");
    const std::pair<const char *, const char *> files[] = {{"features.xml", "TestCamera.xml"},
                                                           {"features_stored.zip", "TestCamera.zip"},
                                                           {"features_deflated.zip", "TestCamera.zip"}};
    for (auto &[file, name] : files) {
        SCOPED_TRACE(file);
        Device device(ReadTestFile(file), name, 5);  // zero padding after the file is dropped
        KyString text, url;
        KyResult r = KyGenReadXmlFromDevice(device.Reader(), 0x200, text, &url, 100);
        ASSERT_TRUE(r.IsOK()) << r.GetDescription().GetAscii();
        EXPECT_EQ(url.str(), device.url);
        EXPECT_EQ(text.str(), xml);
        for (uint32_t n : device.lengths) {
            EXPECT_EQ(n % 4, 0u);
            EXPECT_LE(n, 100u);
        }
        KyGenParameterArray params;
        EXPECT_TRUE(params.Load(text, &device.port).IsOK());
    }
}

TEST(XmlSource, DamagedArchivesAreRefused)
{
    const std::string zip = ReadTestFile("features_deflated.zip");
    std::string xml;
    for (size_t cut : {size_t(0), size_t(10), size_t(21), zip.size() / 2, zip.size() - 1}) {
        SCOPED_TRACE(cut);
        std::string part = zip.substr(0, cut);
        KyResult r = KyGenUnzipXml(reinterpret_cast<const uint8_t *>(part.data()), part.size(), xml);
        EXPECT_EQ(r.GetCode(), KY_INVALID_DATA_FORMAT);
    }
    // Every single-byte change either fails cleanly or still yields the exact file.
    const std::string original = ReadTestFile("features.xml");
    for (size_t k = 0; k < zip.size(); k += 7) {
        std::string bent = zip;
        bent[k] = static_cast<char>(bent[k] ^ 0x5A);
        KyResult r = KyGenUnzipXml(reinterpret_cast<const uint8_t *>(bent.data()), bent.size(), xml);
        if (r.IsOK()) {
            EXPECT_EQ(xml, original) << k;
        }
    }
    std::string stored = ReadTestFile("features_stored.zip");
    stored[200] = static_cast<char>(stored[200] ^ 0x01);  // inside the stored XML
    KyResult r = KyGenUnzipXml(reinterpret_cast<const uint8_t *>(stored.data()), stored.size(), xml);
    EXPECT_EQ(r.GetCode(), KY_CORRUPTED_DATA);
    EXPECT_EQ(r.GetDescription().str(), "zipped GenICam file: 'TestCamera.xml' fails its CRC check");
    EXPECT_EQ(KyGenUnzipXml(nullptr, 0, xml).GetCode(), KY_INVALID_PARAMETER);
}

TEST(XmlSource, FailuresOfTheDeviceAndOtherSchemes)
{
    Device device(ReadTestFile("features.xml"), "TestCamera.xml");
    KyString text;
    EXPECT_EQ(KyGenReadXml(device.Reader(), KyString("File:///tmp/x.xml"), text).GetCode(), KY_NOT_SUPPORTED);
    EXPECT_EQ(KyGenReadXml(nullptr, KyString(device.url), text).GetCode(), KY_INVALID_PARAMETER);
    device.port.failWith = KY_TIMEOUT;
    EXPECT_EQ(KyGenReadXmlFromDevice(device.Reader(), 0x200, text).GetCode(), KY_TIMEOUT);
    device.port.failWith = KY_OK;
    // A URL that points past the device memory fails in the device's read, not in ours.
    EXPECT_EQ(KyGenReadXml(device.Reader(), KyString("Local:x.xml;FFF0000;100"), text).GetCode(),
              KY_INVALID_PARAMETER);
}

// A read function that throws fails the read: the exception does not leave the SDK.
TEST(XmlSource, ReadFunctionsThatThrowFailTheRead)
{
    Device device(ReadTestFile("features.xml"), "TestCamera.xml");
    const KyGenReadFunction throwing = [](uint64_t, void *, uint32_t) -> KyResult {
        throw std::runtime_error("the link went down");
    };
    KyString text;
    KyResult r = KyGenReadXml(throwing, KyString(device.url), text);
    EXPECT_EQ(r.GetCode(), KY_GENERIC_ERROR);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "reading the GenICam XML threw an exception");
    r = KyGenReadXmlFromDevice(throwing, 0x200, text);
    EXPECT_EQ(r.GetCode(), KY_GENERIC_ERROR);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "reading the GenICam URL threw an exception");
    EXPECT_EQ(text, KyString());
}
