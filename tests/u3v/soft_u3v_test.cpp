// The soft device's register map served over USB3 Vision control, and GenICam features read and
// written by the host through GenCP: the XML comes from the device's manifest (plain or zipped).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestDeadline.h"
#include "genapi/SoftXmlZip.h"
#include "ky/genicam/IKyGenPort.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/genicam/KyGenXmlSource.h"
#include "registers/SoftRegisterMap.h"
#include "u3v/SimUsbBus.h"
#include "u3v/U3vBootstrapMemory.h"
#include "u3v/U3vBootstrapReader.h"
#include "u3vdevice/SoftU3vMemory.h"

using namespace ky::u3v;
using ky::soft::SoftRegisterMap;

namespace {

const char kXml[] =
    "<RegisterDescription>"
    "<IntReg Name=\"Width\"><Address>131072</Address><Length>4</Length><AccessMode>RW</AccessMode>"
    "<pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess></IntReg>"
    "<IntReg Name=\"SensorWidth\"><Address>131076</Address><Length>4</Length>"
    "<AccessMode>RO</AccessMode><pPort>Device</pPort><Sign>Unsigned</Sign>"
    "<Endianess>BigEndian</Endianess></IntReg>"
    "<Port Name=\"Device\"/>"
    "</RegisterDescription>";

class ClientPort : public IKyGenPort
{
public:
    explicit ClientPort(U3vControlClient &client) : mClient(client) { }
    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override
    {
        return mClient.ReadMemory(address, static_cast<uint8_t *>(data), length);
    }
    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override
    {
        return mClient.WriteMemory(address, static_cast<const uint8_t *>(data), length);
    }

private:
    U3vControlClient &mClient;
};

struct SoftU3vDevice
{
    explicit SoftU3vDevice(bool zipped)
        : registerMemory(map),
          memory(U3vDeviceIdentity{}, File(zipped), zipped, &registerMemory),
          server(link.Device(SimPipe::Control), memory, 1024, 1024),
          client(link.Host(SimPipe::Control))
    {
        client.SetTimeout(TestDeadlineMs(2000), 0);
        server.Start();
    }
    static std::vector<uint8_t> File(bool zipped)
    {
        const std::string xml(kXml);
        if (!zipped) {
            return std::vector<uint8_t>(xml.begin(), xml.end());
        }
        std::vector<uint8_t> zip;
        EXPECT_TRUE(ky::soft::SoftXmlZip::Pack("soft.xml", xml, zip).IsOK());
        return zip;
    }
    SimUsbLink link;
    SoftRegisterMap map;
    ky::soft::SoftU3vMemory registerMemory;
    U3vBootstrapMemory memory;
    U3vControlServer server;
    U3vControlClient client;
};

void AddRegisters(SoftRegisterMap &map)
{
    KyResult status;
    auto *width = map.AddNew("Width", 0x20000, 4, KyGenAccessModeReadWrite, false, status);
    auto *sensor = map.AddNew("SensorWidth", 0x20004, 4, KyGenAccessModeReadOnly, false, status);
    ASSERT_TRUE(status.IsOK());
    ASSERT_NE(width, nullptr);
    ASSERT_NE(sensor, nullptr);
    ASSERT_TRUE(width->Write(uint32_t(640)).IsOK());
    ASSERT_TRUE(sensor->Write(uint32_t(2048)).IsOK());
}

class SoftU3vFeatures : public ::testing::TestWithParam<bool>
{
};

TEST_P(SoftU3vFeatures, HostLoadsTheDeviceXmlAndReachesItsRegisters)
{
    SoftU3vDevice device(GetParam());
    AddRegisters(device.map);

    U3vBootstrapInfo info;
    ASSERT_TRUE(ReadBootstrap(device.client, info).IsOK());
    std::vector<uint8_t> file;
    bool zipped = false;
    ASSERT_TRUE(ReadManifestFile(device.client, info, file, zipped).IsOK());
    EXPECT_EQ(zipped, GetParam());
    std::string xml(file.begin(), file.end());
    if (zipped) {
        ASSERT_TRUE(KyGenUnzipXml(file.data(), file.size(), xml).IsOK());
    }

    ClientPort port(device.client);
    KyGenParameterArray params;
    ASSERT_TRUE(params.Load(KyString(xml.c_str()), &port).IsOK());
    int64_t value = 0;
    ASSERT_TRUE(params.GetIntegerValue("Width", value).IsOK());
    EXPECT_EQ(value, 640);
    ASSERT_TRUE(params.GetIntegerValue("SensorWidth", value).IsOK());
    EXPECT_EQ(value, 2048);

    ASSERT_TRUE(params.SetIntegerValue("Width", 1024).IsOK());
    uint32_t stored = 0;
    ASSERT_TRUE(device.map.Find(0x20000)->ReadInt(stored).IsOK());
    EXPECT_EQ(stored, 1024u);
    EXPECT_TRUE(params.SetIntegerValue("SensorWidth", 1).IsFailure());
}

INSTANTIATE_TEST_SUITE_P(PlainAndZipped, SoftU3vFeatures, ::testing::Values(false, true));

TEST(SoftU3vMemory, AccessesAreCheckedWholeBeforeAnyByteMoves)
{
    SoftRegisterMap map;
    AddRegisters(map);
    ky::soft::SoftU3vMemory memory(map);
    uint8_t bytes[8] = {};
    EXPECT_EQ(memory.Read(0x20000, bytes, 8), GenCpStatus::Success) << "a read may span registers";
    EXPECT_EQ(bytes[3], 0x80);  // 640, big-endian as the register holds it
    const uint8_t data[8] = {0, 0, 0, 1, 0, 0, 0, 2};
    EXPECT_EQ(memory.Write(0x20000, data, 8), GenCpStatus::WriteProtect);
    uint32_t width = 0;
    ASSERT_TRUE(map.Find(0x20000)->ReadInt(width).IsOK());
    EXPECT_EQ(width, 640u) << "a refused write changes nothing";
    EXPECT_EQ(memory.Read(0x20008, bytes, 4), GenCpStatus::InvalidAddress);
    EXPECT_EQ(memory.Read(0x1FFFC, bytes, 8), GenCpStatus::InvalidAddress);
    EXPECT_EQ(memory.Read(0x100000000ull, bytes, 4), GenCpStatus::InvalidAddress);
    EXPECT_EQ(memory.Read(0xFFFFFFFCull, bytes, 8), GenCpStatus::InvalidAddress);
}

}  // namespace
