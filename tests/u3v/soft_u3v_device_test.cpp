// The soft USB3 Vision device as a host meets it on the simulated controller: identity in the
// bootstrap registers, the GenICam XML from the manifest with the image features reaching the
// test pattern source, events on the event pipe, unplugging; and devices declared in a file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "TestDeadline.h"
#include "ky/genicam/IKyGenPort.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/genicam/KyGenXmlSource.h"
#include "u3v/GenCp.h"
#include "u3v/SimUsbRegistry.h"
#include "u3v/U3vBootstrapReader.h"
#include "u3v/U3vControlClient.h"
#include "u3vdevice/SoftU3vDeclarations.h"
#include "u3vdevice/SoftU3vDevice.h"

using namespace ky::u3v;
using ky::soft::SoftU3vDeclarations;
using ky::soft::SoftU3vDevice;
using ky::soft::SoftU3vSettings;

namespace {

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

// The host's view of a plugged device: its control client, bootstrap and node map.
struct Host
{
    explicit Host(const std::string &guid)
    {
        link = SimUsbRegistry::LinkOf(guid);
        if (!link) {
            return;
        }
        control = link->HostControl();
        control->SetTimeout(TestDeadlineMs(2000), 0);
        if (!ReadBootstrap(*control, info).IsOK()) {
            return;
        }
        std::vector<uint8_t> file;
        bool zipped = false;
        if (!ReadManifestFile(*control, info, file, zipped).IsOK()) {
            return;
        }
        std::string xml(file.begin(), file.end());
        if (zipped && !KyGenUnzipXml(file.data(), file.size(), xml).IsOK()) {
            return;
        }
        port = std::make_unique<ClientPort>(*control);
        loaded = params.Load(KyString(xml.c_str()), port.get()).IsOK();
    }
    std::shared_ptr<SimUsbLink> link;
    std::shared_ptr<U3vControlClient> control;
    U3vBootstrapInfo info;
    std::unique_ptr<ClientPort> port;
    KyGenParameterArray params;
    bool loaded = false;
};

SoftU3vSettings Settings(const std::string &guid)
{
    SoftU3vSettings settings;
    settings.guid = guid;
    settings.vendor = "Vendor U3V";
    settings.model = "Model U3V";
    settings.serial = "SN42";
    settings.width = 64;
    settings.height = 48;
    return settings;
}

class SoftU3vDeviceTest : public ::testing::TestWithParam<bool>
{
};

TEST_P(SoftU3vDeviceTest, HostReadsIdentityAndDrivesImageFeaturesThroughGenCp)
{
    SoftU3vSettings settings = Settings("00c0ffee0001");
    settings.zipXml = GetParam();
    ASSERT_TRUE(SoftU3vDevice::Plug(settings).IsOK());
    {
        SimUsbDevice plugged;
        ASSERT_TRUE(SimUsbRegistry::Find("00C0FFEE0001", plugged));
        EXPECT_EQ(plugged.identity.serial, "SN42");
        EXPECT_EQ(plugged.identity.model, "Model U3V");
        EXPECT_EQ(plugged.identity.speed, KyUSBSpeedSuper);

        Host host("00C0FFEE0001");
        ASSERT_TRUE(host.loaded);
        EXPECT_EQ(host.info.manufacturer, "Vendor U3V");
        EXPECT_EQ(host.info.serialNumber, "SN42");
        KyString text;
        ASSERT_TRUE(host.params.GetStringValue("DeviceModelName", text).IsOK());
        EXPECT_EQ(text.str(), "Model U3V");
        ASSERT_TRUE(host.params.GetStringValue("DeviceSerialNumber", text).IsOK());
        EXPECT_EQ(text.str(), "SN42");
        int64_t value = 0;
        ASSERT_TRUE(host.params.GetIntegerValue("Width", value).IsOK());
        EXPECT_EQ(value, 64);
        ASSERT_TRUE(host.params.SetIntegerValue("Width", 32).IsOK());
        auto device = SimUsbRegistry::DeviceOf<SoftU3vDevice>("00C0FFEE0001");
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->Source().GetWidth(), 32u);
        ASSERT_TRUE(host.params.GetIntegerValue("PayloadSize", value).IsOK());
        EXPECT_EQ(value, 32 * 48);
        ASSERT_TRUE(host.params.SetStringValue("DeviceUserID", "cam-a").IsOK());
        ASSERT_TRUE(host.params.GetStringValue("DeviceUserID", text).IsOK());
        EXPECT_EQ(text.str(), "cam-a");
    }
    ASSERT_TRUE(SoftU3vDeclarations::Unplug("00C0FFEE0001").IsOK());
}

INSTANTIATE_TEST_SUITE_P(PlainAndZipped, SoftU3vDeviceTest, ::testing::Values(false, true));

TEST(SoftU3vDevice, UnplugEndsTheHostsControlWithNotConnected)
{
    ASSERT_TRUE(SoftU3vDevice::Plug(Settings("00C0FFEE0002")).IsOK());
    Host host("00C0FFEE0002");
    ASSERT_TRUE(host.loaded);
    ASSERT_TRUE(SoftU3vDeclarations::Unplug("00C0FFEE0002").IsOK());
    uint8_t bytes[4];
    EXPECT_EQ(host.control->ReadMemory(0, bytes, 4).GetCode(), static_cast<uint32_t>(KY_NOT_CONNECTED));
    EXPECT_FALSE(host.link->IsPlugged());
}

TEST(SoftU3vDevice, EventsGoOutOnTheEventPipeOnlyWhenTheirNotificationIsOn)
{
    ASSERT_TRUE(SoftU3vDevice::Plug(Settings("00C0FFEE0003")).IsOK());
    {
        Host host("00C0FFEE0003");
        ASSERT_TRUE(host.loaded);
        auto device = SimUsbRegistry::DeviceOf<SoftU3vDevice>("00C0FFEE0003");
        const uint8_t data[] = {1, 2, 3};
        EXPECT_FALSE(device->RaiseEvent(0x0004, data, sizeof data)) << "notification is off at first";
        ASSERT_TRUE(host.params.SetEnumValue("EventSelector", "ExposureEnd").IsOK());
        ASSERT_TRUE(host.params.SetEnumValue("EventNotification", "On").IsOK());
        EXPECT_TRUE(device->RaiseEvent(0x0004, data, sizeof data));
        EXPECT_FALSE(device->RaiseEvent(0x0005, data, sizeof data)) << "another event stays off";

        uint8_t transfer[64];
        size_t received = 0;
        ASSERT_EQ(
            host.link->Host(SimPipe::Event).Read(transfer, sizeof transfer, received, TestDeadlineMs(2000)),
            TransferStatus::Ok);
        GenCpHeader header;
        GenCpEvent event;
        ASSERT_EQ(ParseEvent(transfer, received, header, event), GenCpError::Ok);
        EXPECT_EQ(event.id, 0x0004);
        ASSERT_EQ(event.dataSize, 3u);
        EXPECT_EQ(std::vector<uint8_t>(event.data, event.data + 3), std::vector<uint8_t>(data, data + 3));
        EXPECT_EQ(host.link->Host(SimPipe::Event).Read(transfer, sizeof transfer, received, 1),
                  TransferStatus::Timeout);
    }
    ASSERT_TRUE(SoftU3vDeclarations::Unplug("00C0FFEE0003").IsOK());
}

TEST(SoftU3vDevice, RefusesBadSettingsWithoutPluggingAnything)
{
    struct Case
    {
        const char *what;
        void (*change)(SoftU3vSettings &);
    } cases[] = {
        {"short GUID", [](SoftU3vSettings &s) { s.guid = "1234"; }},
        {"long vendor", [](SoftU3vSettings &s) { s.vendor = std::string(64, 'v'); }},
        {"zero width", [](SoftU3vSettings &s) { s.width = 0; }},
        {"negative rate", [](SoftU3vSettings &s) { s.frameRate = -1; }},
    };
    for (const auto &c : cases) {
        SoftU3vSettings settings = Settings("00C0FFEE0004");
        c.change(settings);
        EXPECT_EQ(SoftU3vDevice::Plug(settings).GetCode(), static_cast<uint32_t>(KY_INVALID_PARAMETER))
            << c.what;
    }
    EXPECT_TRUE(SimUsbRegistry::List().empty());
    ASSERT_TRUE(SoftU3vDevice::Plug(Settings("00C0FFEE0004")).IsOK());
    EXPECT_EQ(SoftU3vDevice::Plug(Settings("00c0ffee0004")).GetCode(), static_cast<uint32_t>(KY_STATE_ERROR));
    ASSERT_TRUE(SoftU3vDeclarations::Unplug("00C0FFEE0004").IsOK());
}

TEST(SoftU3vDeclarations, ParsesDeviceLines)
{
    struct Case
    {
        const char *line;
        uint32_t code;
        bool isDevice;
    } cases[] = {
        {"", KY_OK, false},
        {"   ", KY_OK, false},
        {"# a comment", KY_OK, false},
        {"0123456789ab", KY_OK, true},
        {"0123456789AB serial=S1 model=M1 width=320 height=240 pixel-format=Mono8 fps=10 speed=high zip-xml",
         KY_OK, true},
        {"0123456789A", KY_INVALID_PARAMETER, true},
        {"0123456789AB width=0", KY_INVALID_PARAMETER, true},
        {"0123456789AB width=abc", KY_INVALID_PARAMETER, true},
        {"0123456789AB pixel-format=Nope", KY_INVALID_PARAMETER, true},
        {"0123456789AB speed=warp", KY_INVALID_PARAMETER, true},
        {"0123456789AB color=red", KY_INVALID_PARAMETER, true},
        {"0123456789AB serial", KY_INVALID_PARAMETER, true},
        {"0123456789AB fps=1e999", KY_INVALID_PARAMETER, true},
    };
    for (const auto &c : cases) {
        SoftU3vSettings settings;
        bool isDevice = false;
        EXPECT_EQ(SoftU3vDeclarations::ParseLine(c.line, settings, isDevice).GetCode(), c.code) << c.line;
        EXPECT_EQ(isDevice, c.isDevice) << c.line;
    }
    SoftU3vSettings settings;
    bool isDevice = false;
    ASSERT_TRUE(SoftU3vDeclarations::ParseLine(cases[4].line, settings, isDevice).IsOK());
    EXPECT_EQ(settings.guid, "0123456789AB");
    EXPECT_EQ(settings.serial, "S1");
    EXPECT_EQ(settings.model, "M1");
    EXPECT_EQ(settings.width, 320u);
    EXPECT_EQ(settings.height, 240u);
    EXPECT_EQ(settings.frameRate, 10.0);
    EXPECT_EQ(settings.speed, KyUSBSpeedHigh);
    EXPECT_TRUE(settings.zipXml);
}

TEST(SoftU3vDeclarations, FilePlugsEveryGoodLineAndReportsTheFirstBadOne)
{
    const std::string path = ::testing::TempDir() + "u3v_declarations.txt";
    {
        std::ofstream file(path);
        file << "# two cameras\n"
             << "AAAAAAAAAAA1 serial=ONE\n"
             << "\n"
             << "not-a-guid\n"
             << "AAAAAAAAAAA2 serial=TWO width=128 height=64\n";
    }
    size_t plugged = 0;
    const KyResult result = SoftU3vDeclarations::LoadFile(path, plugged);
    EXPECT_EQ(result.GetCode(), static_cast<uint32_t>(KY_INVALID_PARAMETER));
    EXPECT_NE(result.GetDescription().str().find("line 4"), std::string::npos)
        << result.GetDescription().str();
    EXPECT_EQ(plugged, 2u);
    const auto list = SimUsbRegistry::List();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].identity.serial, "ONE");
    EXPECT_EQ(list[1].identity.serial, "TWO");
    EXPECT_EQ(SimUsbRegistry::DeviceOf<SoftU3vDevice>("AAAAAAAAAAA2")->Source().GetWidth(), 128u);
    ASSERT_TRUE(SoftU3vDeclarations::Unplug("AAAAAAAAAAA1").IsOK());
    ASSERT_TRUE(SoftU3vDeclarations::Unplug("AAAAAAAAAAA2").IsOK());
    std::remove(path.c_str());

    EXPECT_EQ(SoftU3vDeclarations::LoadFile(path, plugged).GetCode(), static_cast<uint32_t>(KY_FILE_ERROR));
    EXPECT_EQ(plugged, 0u);
}

}  // namespace

namespace {

TEST(GenCpEvent, RoundTripsAndRefusesBadTransfers)
{
    const uint8_t data[] = {1, 2, 3, 4, 5};
    std::vector<uint8_t> transfer;
    ASSERT_EQ(BuildEvent(7, 0x5005, 0x1122334455667788ull, data, sizeof data, transfer), GenCpError::Ok);
    GenCpHeader header;
    GenCpEvent event;
    ASSERT_EQ(ParseEvent(transfer.data(), transfer.size(), header, event), GenCpError::Ok);
    EXPECT_EQ(header.requestId, 7);
    EXPECT_EQ(event.id, 0x5005);
    EXPECT_EQ(event.timestamp, 0x1122334455667788ull);
    ASSERT_EQ(event.dataSize, sizeof data);
    EXPECT_EQ(std::vector<uint8_t>(event.data, event.data + event.dataSize),
              std::vector<uint8_t>(data, data + sizeof data));
    EXPECT_EQ(BuildEvent(1, 1, 0, nullptr, 3, transfer), GenCpError::BadPayload);
    std::vector<uint8_t> big(0x10000);
    EXPECT_EQ(BuildEvent(1, 1, 0, big.data(), big.size(), transfer), GenCpError::BadPayload);

    ASSERT_EQ(BuildEvent(7, 0x0004, 0, data, sizeof data, transfer), GenCpError::Ok);
    struct Case
    {
        const char *what;
        void (*spoil)(std::vector<uint8_t> &);
        GenCpError error;
    } cases[] = {
        {"short", [](std::vector<uint8_t> &t) { t.resize(8); }, GenCpError::TooShort},
        {"command magic", [](std::vector<uint8_t> &t) { t[3] = 0x43; }, GenCpError::BadMagic},
        {"other command", [](std::vector<uint8_t> &t) { t[7] = 0x08; }, GenCpError::WrongCommand},
        {"cut payload", [](std::vector<uint8_t> &t) { t.pop_back(); }, GenCpError::LengthMismatch},
        {"event larger than payload", [](std::vector<uint8_t> &t) { t[12] = 0xFF; }, GenCpError::BadPayload},
        {"event smaller than its fields", [](std::vector<uint8_t> &t) { t[12] = 4; }, GenCpError::BadPayload},
        {"payload without the fields",
         [](std::vector<uint8_t> &t) {
             t.resize(GENCP_HEADER_SIZE + 4);
             t[8] = 4;
         },
         GenCpError::TooShort},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> spoiled = transfer;
        c.spoil(spoiled);
        EXPECT_EQ(ParseEvent(spoiled.data(), spoiled.size(), header, event), c.error) << c.what;
    }
}

}  // namespace
