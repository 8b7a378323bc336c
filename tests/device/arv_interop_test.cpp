// Our client against an independent GigE Vision implementation: aravis's fake camera.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "ky/device/KyDeviceEventSink.h"
#include "ky/device/KyDeviceGEV.h"
#include "SpawnedProcess.h"
#include "ky/device/KyGevConstants.h"
#include "ky/ByteOrder.h"

using namespace std::chrono_literals;

namespace {

const char *const kCameraIP = "127.0.0.1";
const char *const kSerial = "ARV0001";

// Waits (bounded) until something answers GVCP at the address.
bool WaitForDevice(const char *ip)
{
    for (int i = 0; i < 50; ++i) {
        KyAccessType access;
        if (KyDeviceGEV::GetAccessType(ip, access).IsOK())
            return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

std::string ReadText(KyDeviceGEV &device, uint32_t address, uint32_t size)
{
    std::string text(size, '\0');
    EXPECT_TRUE(device.ReadMemory(address, reinterpret_cast<uint8_t *>(&text[0]), size).IsOK());
    return text.substr(0, text.find('\0'));
}

class LinkSink : public KyDeviceEventSink
{
public:
    void OnLinkDisconnected(KyDevice *device) override
    {
        lastDevice = device;
        ++disconnects;
    }
    void OnCmdLinkRead(const void *buffer, int64_t address, int64_t length) override
    {
        if (length == 4) {
            const auto *bytes = static_cast<const uint8_t *>(buffer);
            lastReadAddress = address;
            lastReadWord = ky::base::LoadBig32(bytes);
        }
    }
    std::atomic<int> disconnects{0};
    std::atomic<KyDevice *> lastDevice{nullptr};
    int64_t lastReadAddress = -1;
    uint32_t lastReadWord = 0;
};

class ArvInterop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(camera.Started());
        ASSERT_TRUE(WaitForDevice(kCameraIP)) << "arv-fake-gv-camera-0.8 did not start";
    }
    SpawnedProcess camera{{"arv-fake-gv-camera-0.8", "-i", kCameraIP, "-s", kSerial}};
};

TEST_F(ArvInterop, ConnectsByAddressAndReadsIdentityRegisters)
{
    KyResult result;
    KyDevice *device = KyDevice::CreateAndConnect(KyString(kCameraIP), &result);
    ASSERT_TRUE(result.IsOK()) << result.GetDescription().GetAscii();
    ASSERT_NE(device, nullptr);
    auto *gev = dynamic_cast<KyDeviceGEV *>(device);
    ASSERT_NE(gev, nullptr);
    EXPECT_EQ(device->GetType(), KyDeviceTypeGEV);
    EXPECT_TRUE(device->IsConnected());
    EXPECT_EQ(gev->GetIPAddress(), kCameraIP);
    EXPECT_EQ(gev->GetAccessType(), KyAccessExclusive);
    EXPECT_EQ(ReadText(*gev, ky::gev::SERIAL_NUMBER_OFFSET, ky::gev::SERIAL_NUMBER_SIZE), kSerial);
    EXPECT_EQ(ReadText(*gev, ky::gev::MANUFACTURER_NAME_OFFSET, ky::gev::MANUFACTURER_NAME_SIZE), "Aravis");

    uint32_t ccp = 0;
    ASSERT_TRUE(gev->ReadRegister(ky::gev::CCP_OFFSET, ccp).IsOK());
    EXPECT_EQ(ccp & ky::gev::CCP_EXCLUSIVE_MASK, ky::gev::CCP_EXCLUSIVE_MASK);
    KyAccessType seen = KyAccessUnknown;
    ASSERT_TRUE(KyDeviceGEV::GetAccessType(kCameraIP, seen).IsOK());
    EXPECT_EQ(seen, KyAccessExclusive);
    KyDevice::Free(device);
    ASSERT_TRUE(KyDeviceGEV::GetAccessType(kCameraIP, seen).IsOK());
    EXPECT_EQ(seen, KyAccessOpen);  // control given back on Free
}

TEST_F(ArvInterop, WritesAndReadsBackAUserRegister)
{
    KyDeviceGEV device;
    ASSERT_TRUE(device.Connect(KyString(kCameraIP)).IsOK());
    const char name[] = "interop";
    ASSERT_TRUE(device
                    .WriteMemory(ky::gev::USER_DEFINED_NAME_OFFSET, reinterpret_cast<const uint8_t *>(name),
                                 sizeof name)
                    .IsOK());
    EXPECT_EQ(ReadText(device, ky::gev::USER_DEFINED_NAME_OFFSET, ky::gev::USER_DEFINED_NAME_SIZE),
              "interop");
    ASSERT_TRUE(device.WriteRegister(ky::gev::SCPS0_OFFSET, 1400).IsOK());
    uint32_t value = 0;
    ASSERT_TRUE(device.ReadRegister(ky::gev::SCPS0_OFFSET, value).IsOK());
    EXPECT_EQ(value & ky::gev::SCPS_PACKET_SIZE_MASK, 1400u);
    EXPECT_TRUE(device.Disconnect().IsOK());
    EXPECT_EQ(device.Disconnect().GetCode(), KY_NOT_CONNECTED);
}

TEST_F(ArvInterop, SavesTheGenICamDescription)
{
    KyDeviceGEV device;
    ASSERT_TRUE(device.Connect(KyString(kCameraIP)).IsOK());
    KyString fileName;
    ASSERT_TRUE(device.GetDefaultGenICamXMLFilename(fileName).IsOK());
    EXPECT_EQ(fileName, "arv-fake-camera.xml");
    const std::string path = ::testing::TempDir() + "ky_dump.xml";
    ASSERT_TRUE(device.DumpGenICamXML(path.c_str()).IsOK());
    std::ifstream in(path);
    std::string firstLine;
    std::getline(in, firstLine);
    EXPECT_EQ(firstLine.rfind("<?xml", 0), 0u) << firstLine;
    std::remove(path.c_str());
}

struct TextCase
{
    const char *text;
    uint32_t code;
    const char *description;
};

class ConnectionTexts : public ArvInterop, public ::testing::WithParamInterface<TextCase>
{
};

TEST_P(ConnectionTexts, ResolveOrReportNotFound)
{
    KyResult result;
    KyDevice *device = KyDevice::CreateAndConnect(KyString(GetParam().text), &result);
    EXPECT_EQ(result.GetCode(), GetParam().code) << result.GetDescription().GetAscii();
    EXPECT_STREQ(result.GetDescription().GetAscii(), GetParam().description);
    EXPECT_EQ(device != nullptr, GetParam().code == KY_OK);
    KyDevice::Free(device);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ConnectionTexts,
    ::testing::Values(TextCase{"127.0.0.1", KY_OK, ""}, TextCase{"00:00:00:00:00:00", KY_OK, ""},
                      TextCase{"00-00-00-00-00-00", KY_OK, ""},
                      TextCase{"127.0.0.9", KY_NOT_FOUND, "No GigE Vision device answers at 127.0.0.9."},
                      TextCase{"no-such-camera", KY_NOT_FOUND,
                               "No GigE Vision device answers to 'no-such-camera'."}));

TEST_F(ArvInterop, ReportsLinkLossWhenTheDeviceGoesAway)
{
    LinkSink sink;
    KyDeviceGEV device;
    ASSERT_TRUE(device.RegisterEventSink(&sink).IsOK());
    ASSERT_TRUE(device.Connect(KyString(kCameraIP)).IsOK());
    uint32_t value = 0;
    ASSERT_TRUE(device.ReadRegister(ky::gev::HEARTBEAT_TIMEOUT_OFFSET, value).IsOK());
    EXPECT_EQ(sink.lastReadAddress, int64_t(ky::gev::HEARTBEAT_TIMEOUT_OFFSET));
    EXPECT_EQ(sink.lastReadWord, value);

    camera.Stop();
    for (int i = 0; i < 150 && sink.disconnects == 0; ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_EQ(sink.disconnects, 1);
    EXPECT_EQ(sink.lastDevice, &device);
    EXPECT_FALSE(device.IsConnected());
    EXPECT_EQ(device.ReadRegister(ky::gev::CCP_OFFSET, value).GetCode(), KY_NOT_CONNECTED);
    EXPECT_TRUE(device.Disconnect().IsOK());
}

}  // namespace
