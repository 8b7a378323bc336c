// A soft device on the loopback adapter with features declared through the GenApi factory:
// read and written by our client (its node map over GVCP) and by aravis's arv-tool, together
// with the device's standard transport, event and user-set features.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ky/virtualdevice/IKyGenApiFactory.h"
#include "ky/virtualdevice/IKyRegisterFactory.h"
#include "ky/virtualdevice/IKyUserSetNotify.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyGevConstants.h"
#include "ky/genicam/KyGenParameter.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

namespace {

constexpr uint32_t GAIN_ADDRESS = 0x20000;
constexpr uint32_t MODE_ADDRESS = 0x20004;

class CustomFeatures : public IKySoftDeviceGEVEventSink
{
public:
    void OnCreateCustomRegisters(IKySoftDeviceGEV *, IKyRegisterFactory *aFactory) override
    {
        EXPECT_TRUE(aFactory->AddRegister("GainRaw", GAIN_ADDRESS, 4, KyGenAccessModeReadWrite).IsOK());
        EXPECT_TRUE(aFactory->AddRegister("ModeRaw", MODE_ADDRESS, 4, KyGenAccessModeReadWrite).IsOK());
    }
    void OnCreateCustomGenApiFeatures(IKySoftDeviceGEV *aDevice, IKyGenApiFactory *aFactory) override
    {
        IKyRegisterMap *map = aDevice->GetRegisterMap();
        aFactory->SetName("Gain");
        aFactory->SetCategory("CustomControl");
        aFactory->SetUnit("dB");
        results.push_back(aFactory->CreateInteger(map->GetRegisterByAddress(GAIN_ADDRESS), 0, 48, 1));
        aFactory->SetName("Mode");
        aFactory->SetCategory("CustomControl");
        aFactory->AddEnumEntry("Off", 0);
        aFactory->AddEnumEntry("Low", 1);
        aFactory->AddEnumEntry("High", 2);
        results.push_back(aFactory->CreateEnum(map->GetRegisterByAddress(MODE_ADDRESS)));
        aFactory->SetName("GainDoubled");
        aFactory->SetCategory("CustomControl");
        aFactory->AddVariable("Gain");
        results.push_back(aFactory->CreateIntSwissKnife("Gain * 2"));
        if (!dangling.empty()) {
            aFactory->SetName("Broken");
            aFactory->SetPValue(dangling.c_str());
            results.push_back(aFactory->CreateInteger(nullptr));
        }
    }
    std::vector<KyResult> results;
    std::string dangling;
};

class Notifications : public IKyUserSetNotify
{
public:
    KyResult UserSetStateNotify(KyUserSetState aState, uint32_t aIndex) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        seen.push_back(std::to_string(static_cast<int>(aState)) + ":" + std::to_string(aIndex));
        return KyResult();
    }
    std::mutex mutex;
    std::vector<std::string> seen;
};

// Runs a command (bounded by `timeout`) and gives its output, stderr included.
std::string RunCommand(const std::string &command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE *)> pipe(::popen(("timeout 30 " + command + " 2>&1").c_str(), "r"),
                                                ::pclose);
    if (!pipe)
        return out;
    std::array<char, 512> chunk;
    while (std::fgets(chunk.data(), chunk.size(), pipe.get()))
        out += chunk.data();
    return out;
}

class SoftDeviceFeatures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device.RegisterEventSink(&features).IsOK());
        ASSERT_TRUE(device.SetUserSetCount(2).IsOK());
        ASSERT_TRUE(device.SetUserSetNotify(&notify).IsOK());
        KyResult started = device.Start("00:00:00:00:00:00");
        ASSERT_TRUE(started.IsOK()) << started.GetDescription().GetAscii();
        for (const KyResult &r : features.results)
            ASSERT_TRUE(r.IsOK()) << r.GetDescription().GetAscii();
    }
    // Some tests stop the device themselves; a second Stop is refused, harmlessly.
    void TearDown() override { (void)device.Stop(); }

    uint32_t Register(uint32_t address)
    {
        uint32_t value = 0;
        IKyRegister *reg = device.GetRegisterMap()->GetRegisterByAddress(address);
        EXPECT_NE(reg, nullptr) << "no register at " << address;
        if (reg) {
            EXPECT_TRUE(reg->ReadInt(value).IsOK());
        }
        return value;
    }
    KyGenParameterArray &Connect()
    {
        KyResult connected = client.Connect(KyString("127.0.0.1"));
        EXPECT_TRUE(connected.IsOK()) << connected.GetDescription().GetAscii();
        return *client.GetParameters();
    }

    CustomFeatures features;
    Notifications notify;
    KySoftDeviceGEV device;
    KyDeviceGEV client;
};

TEST_F(SoftDeviceFeatures, DeclaredFeaturesThroughOurClient)
{
    KyString xml;
    ASSERT_TRUE(device.GetGenICamXMLFile(xml).IsOK());
    EXPECT_NE(xml.str().find("<Integer Name=\"Gain\" NameSpace=\"Custom\">"), std::string::npos);
    EXPECT_NE(xml.str().find("<IntSwissKnife Name=\"GainDoubled\""), std::string::npos);

    KyGenParameterArray &params = Connect();
    ASSERT_GT(params.GetCount(), 0u);
    EXPECT_TRUE(params.SetIntegerValue("Gain", 12).IsOK());
    EXPECT_EQ(Register(GAIN_ADDRESS), 12u);
    int64_t value = 0;
    EXPECT_TRUE(params.GetIntegerValue("GainDoubled", value).IsOK());
    EXPECT_EQ(value, 24);
    EXPECT_TRUE(params.SetEnumValue("Mode", KyString("High")).IsOK());
    EXPECT_EQ(Register(MODE_ADDRESS), 2u);
    ASSERT_TRUE(device.GetRegisterMap()->GetRegisterByAddress(MODE_ADDRESS)->Write(uint32_t(1)).IsOK());
    KyString mode;
    EXPECT_TRUE(params.GetEnumValue("Mode", mode).IsOK());
    EXPECT_EQ(mode.str(), "Low");
    const KyResult above = params.SetIntegerValue("Gain", 49);
    EXPECT_EQ(above.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(Register(GAIN_ADDRESS), 12u) << "a refused value is not sent";
    EXPECT_EQ(client.GetPayloadSize(), 0u) << "no PayloadSize feature without a stream source";
}

TEST_F(SoftDeviceFeatures, StandardFeaturesThroughOurClient)
{
    KyGenParameterArray &params = Connect();
    int64_t value = 0;
    EXPECT_TRUE(params.SetIntegerValue("GevHeartbeatTimeout", 5000).IsOK());
    EXPECT_TRUE(params.GetIntegerValue("GevHeartbeatTimeout", value).IsOK());
    EXPECT_EQ(value, 5000);
    EXPECT_EQ(params.Get(KyString("GevSCPSPacketSize")), nullptr) << "no stream channel, no stream features";
    EXPECT_TRUE(params.GetIntegerValue("GevTimestampTickFrequency", value).IsOK());
    EXPECT_EQ(value, 1000000000);
    EXPECT_TRUE(params.ExecuteCommand("GevTimestampControlLatch").IsOK());
    EXPECT_TRUE(params.GetIntegerValue("GevTimestampValue", value).IsOK());
    EXPECT_GT(value, 0);

    // EventNotification follows EventSelector.
    KyString selected;
    EXPECT_TRUE(params.GetEnumValue("EventSelector", selected).IsOK());
    EXPECT_EQ(selected.str(), "ExposureEnd");
    EXPECT_TRUE(params.SetEnumValue("EventSelector", KyString("ExposureEnd")).IsOK());
    EXPECT_TRUE(params.SetEnumValue("EventNotification", KyString("On")).IsOK());
    EXPECT_TRUE(params.SetEnumValue("EventSelector", KyString("AcquisitionTransferStart")).IsOK());
    KyString text;
    EXPECT_TRUE(params.GetEnumValue("EventNotification", text).IsOK());
    EXPECT_EQ(text.str(), "Off");
    EXPECT_TRUE(params.SetEnumValue("EventSelector", KyString("ExposureEnd")).IsOK());
    EXPECT_TRUE(params.GetEnumValue("EventNotification", text).IsOK());
    EXPECT_EQ(text.str(), "On");
}

TEST_F(SoftDeviceFeatures, UserSetsSaveAndLoadCustomRegisters)
{
    KyGenParameterArray &params = Connect();
    ASSERT_TRUE(params.SetIntegerValue("Gain", 5).IsOK());
    ASSERT_TRUE(params.SetEnumValue("UserSetSelector", KyString("UserSet1")).IsOK());
    ASSERT_TRUE(params.ExecuteCommand("UserSetSave").IsOK());
    ASSERT_TRUE(params.SetIntegerValue("Gain", 30).IsOK());
    ASSERT_TRUE(params.ExecuteCommand("UserSetLoad").IsOK());
    int64_t gain = 0;
    EXPECT_TRUE(params.GetIntegerValue("Gain", gain).IsOK());
    EXPECT_EQ(gain, 5);
    ASSERT_TRUE(params.SetEnumValue("UserSetSelector", KyString("Default")).IsOK());
    EXPECT_FALSE(params.ExecuteCommand("UserSetSave").IsOK()) << "the default set is not overwritten";
    ASSERT_TRUE(params.ExecuteCommand("UserSetLoad").IsOK());
    EXPECT_EQ(Register(GAIN_ADDRESS), 0u) << "the default set is the content at start";
    ASSERT_TRUE(params.SetEnumValue("UserSetSelector", KyString("UserSet2")).IsOK());
    EXPECT_FALSE(params.ExecuteCommand("UserSetLoad").IsOK()) << "never saved";

    {
        std::lock_guard<std::mutex> lock(notify.mutex);
        const std::vector<std::string> expected = {"0:0", "1:0", "0:1", "1:1", "2:1", "3:1", "2:0", "3:0"};
        EXPECT_EQ(notify.seen, expected) << "save start/completed, load start/completed, with the set index";
    }

    // The start-up set is loaded by the next Start.
    ASSERT_TRUE(params.SetEnumValue("UserSetDefault", KyString("UserSet1")).IsOK());
    ASSERT_TRUE(client.Disconnect().IsOK());
    ASSERT_TRUE(device.Stop().IsOK());
    ASSERT_TRUE(device.Start("00:00:00:00:00:00").IsOK());
    EXPECT_EQ(Register(GAIN_ADDRESS), 5u);
    uint32_t startup = 0;
    ASSERT_TRUE(device.GetRegisterMap()->GetRegisterByAddress(0x3FFF0218)->ReadInt(startup).IsOK());
    EXPECT_EQ(startup, 1u);
}

TEST_F(SoftDeviceFeatures, CommunicationParameters)
{
    Connect();
    KyGenParameterArray &link = *client.GetCommunicationParameters();
    int64_t value = 0;
    EXPECT_TRUE(link.SetIntegerValue("AnswerTimeout", 300).IsOK());
    EXPECT_TRUE(link.GetIntegerValue("AnswerTimeout", value).IsOK());
    EXPECT_EQ(value, 300);
    EXPECT_TRUE(link.SetIntegerValue("HeartbeatTimeout", 4000).IsOK());
    EXPECT_EQ(Register(ky::gev::HEARTBEAT_TIMEOUT_OFFSET), 4000u) << "the device's heartbeat timeout";
    EXPECT_TRUE(link.GetIntegerValue("HeartbeatInterval", value).IsOK());
    EXPECT_GT(value, 0);
    EXPECT_EQ(link.SetIntegerValue("CommandRetryCount", 50).GetCode(), KY_INVALID_PARAMETER);
    bool automatic = false;
    EXPECT_TRUE(link.GetBooleanValue("AutoNegotiation", automatic).IsOK());
    EXPECT_TRUE(automatic);
    EXPECT_TRUE(link.SetBooleanValue("AutoNegotiation", false).IsOK());
    EXPECT_TRUE(link.SetIntegerValue("DefaultPacketSize", 1200).IsOK());
    EXPECT_TRUE(link.GetIntegerValue("DefaultPacketSize", value).IsOK());
    EXPECT_EQ(value, 1200);
}

TEST_F(SoftDeviceFeatures, AravisClientListsReadsAndWrites)
{
    const std::string tool = "arv-tool-0.8 -a 127.0.0.1 ";
    const std::string listed = RunCommand(tool + "features");
    for (const char *name : {"Gain", "Mode", "GainDoubled", "GevHeartbeatTimeout", "EventSelector",
                             "UserSetSelector", "DeviceVendorName"}) {
        EXPECT_NE(listed.find(name), std::string::npos) << name << " not listed:\n" << listed;
    }
    EXPECT_NE(RunCommand(tool + "values").find("DeviceUserID"), std::string::npos);

    RunCommand(tool + "control Gain=33 Mode=High GevHeartbeatTimeout=6000");
    EXPECT_EQ(Register(GAIN_ADDRESS), 33u);
    EXPECT_EQ(Register(MODE_ADDRESS), 2u);
    EXPECT_EQ(Register(ky::gev::HEARTBEAT_TIMEOUT_OFFSET), 6000u);
    const std::string read = RunCommand(tool + "control GainDoubled Mode");
    EXPECT_NE(read.find("GainDoubled = 66"), std::string::npos) << read;
    EXPECT_NE(read.find("Mode = High"), std::string::npos) << read;
}

TEST(SoftDeviceXmlCheck, StartFailsOnAReferenceToNothing)
{
    CustomFeatures features;
    features.dangling = "Missing";
    KySoftDeviceGEV device;
    ASSERT_TRUE(device.RegisterEventSink(&features).IsOK());
    const KyResult started = device.Start("00:00:00:00:00:00");
    EXPECT_EQ(started.GetCode(), KY_GENICAM_XML_ERROR) << started.GetDescription().GetAscii();
    EXPECT_NE(started.GetDescription().str().find("Missing"), std::string::npos)
        << started.GetDescription().GetAscii();
    EXPECT_EQ(device.GetRegisterMap(), nullptr);
    KyString xml;
    EXPECT_TRUE(device.GetGenICamXMLFile(xml).IsOK()) << "a failed Start leaves the standard XML";
}

}  // namespace

namespace {

// The same device serving its XML zipped: both clients unpack it.
TEST(SoftDeviceZippedXml, ServedAsZipArchive)
{
    CustomFeatures features;
    KySoftDeviceGEV device;
    ASSERT_TRUE(device.RegisterEventSink(&features).IsOK());
    ASSERT_TRUE(device.SetGenICamXMLZipped(true).IsOK());
    ASSERT_TRUE(device.Start("00:00:00:00:00:00").IsOK());
    {
        KyDeviceGEV client;
        ASSERT_TRUE(client.Connect(KyString("127.0.0.1")).IsOK());
        KyString name;
        EXPECT_TRUE(client.GetDefaultGenICamXMLFilename(name).IsOK());
        EXPECT_EQ(name.str(), "KySoftDevice.zip");
        EXPECT_TRUE(client.GetParameters()->SetIntegerValue("Gain", 7).IsOK());
        int64_t doubled = 0;
        EXPECT_TRUE(client.GetParameters()->GetIntegerValue("GainDoubled", doubled).IsOK());
        EXPECT_EQ(doubled, 14);
    }
    const std::string read = RunCommand("arv-tool-0.8 -a 127.0.0.1 control GainDoubled");
    EXPECT_NE(read.find("GainDoubled = 14"), std::string::npos) << read;
    KyString xml;
    ASSERT_TRUE(device.GetGenICamXMLFile(xml).IsOK());
    EXPECT_EQ(xml.str().rfind("<?xml", 0), 0u) << "the XML text, not the archive";
    EXPECT_TRUE(device.Stop().IsOK());
}

}  // namespace

namespace {

// Three stream channels: the GevSC features (the multi-part switch included) reach the block of
// the channel GevStreamChannelSelector names, for our client and for aravis's.
TEST(SoftDeviceStreamChannels, SelectorReachesEachChannelsRegisters)
{
    using namespace ky::gev;
    KyStreamingChannelSourceTestPattern sources[3];
    sources[1].SetMultiPartSupported(true);  // channel 1 alone sends multi-part blocks
    KySoftDeviceGEV device;
    for (auto &source : sources)
        ASSERT_TRUE(device.AddStream(&source).IsOK());
    ASSERT_TRUE(device.Start("00:00:00:00:00:00").IsOK());
    auto raw = [&device](uint32_t offset, uint32_t channel) {
        uint32_t value = 0;
        IKyRegister *reg =
            device.GetRegisterMap()->GetRegisterByAddress(StreamChannelOffset(offset, channel));
        EXPECT_NE(reg, nullptr) << offset << " of channel " << channel;
        if (reg) {
            EXPECT_TRUE(reg->ReadInt(value).IsOK());
        }
        return value;
    };
    const uint32_t offsets[] = {SCP0_OFFSET, SCPS0_OFFSET, SCPD0_OFFSET, SCDA0_OFFSET};
    {
        KyDeviceGEV client;
        ASSERT_TRUE(client.Connect(KyString("127.0.0.1")).IsOK());
        KyGenParameterArray &params = *client.GetParameters();
        int64_t value = -1;
        ASSERT_TRUE(params.GetIntegerValue("GevStreamChannelSelector", value).IsOK());
        EXPECT_EQ(value, 0);
        std::vector<uint32_t> channel0;
        for (uint32_t offset : offsets)
            channel0.push_back(raw(offset, 0));

        ASSERT_TRUE(params.SetIntegerValue("GevStreamChannelSelector", 1).IsOK());
        const struct
        {
            const char *feature;
            int64_t value;
            uint32_t offset, mask;
        } writes[] = {
            {"GevSCPHostPort", 45000, SCP0_OFFSET, 0xFFFF},
            {"GevSCPSPacketSize", 1200, SCPS0_OFFSET, 0xFFFF},
            {"GevSCPD", 777, SCPD0_OFFSET, 0xFFFFFFFF},
            {"GevSCDA", 0x7F000001, SCDA0_OFFSET, 0xFFFFFFFF},
        };
        for (const auto &w : writes) {
            KyResult r = params.SetIntegerValue(w.feature, w.value);
            EXPECT_TRUE(r.IsOK()) << w.feature << ": " << r.GetDescription().GetAscii();
            EXPECT_EQ(raw(w.offset, 1) & w.mask, uint32_t(w.value)) << w.feature << " on channel 1";
            EXPECT_TRUE(params.GetIntegerValue(w.feature, value).IsOK());
            EXPECT_EQ(value, w.value) << w.feature << " read back on channel 1";
        }
        for (size_t i = 0; i < channel0.size(); ++i)
            EXPECT_EQ(raw(offsets[i], 0), channel0[i]) << "channel 0's register " << offsets[i];

        // Back on channel 0 the features show channel 0's registers again.
        ASSERT_TRUE(params.SetIntegerValue("GevStreamChannelSelector", 0).IsOK());
        ASSERT_TRUE(params.GetIntegerValue("GevSCPD", value).IsOK());
        EXPECT_EQ(value, int64_t(channel0[2]));
        ASSERT_TRUE(params.GetIntegerValue("GevSCPSPacketSize", value).IsOK());
        EXPECT_EQ(value, int64_t(channel0[1] & 0xFFFF));
        EXPECT_FALSE(params.SetIntegerValue("GevStreamChannelSelector", 3).IsOK()) << "only 3 channels";

        // The multi-part switch is there for the channel whose source sends multi-part blocks.
        KyGenParameter *multiPart = params.Get(KyString("GevSCCFGMultiPartEnabled"));
        ASSERT_NE(multiPart, nullptr);
        for (int64_t selected : {0, 1, 2}) {
            ASSERT_TRUE(params.SetIntegerValue("GevStreamChannelSelector", selected).IsOK());
            bool available = false;
            EXPECT_TRUE(multiPart->IsAvailable(available).IsOK());
            EXPECT_EQ(available, selected == 1) << "channel " << selected;
            EXPECT_EQ(params.SetBooleanValue("GevSCCFGMultiPartEnabled", true).IsOK(), selected == 1)
                << "channel " << selected;
        }
        EXPECT_EQ(raw(SCCFG0_OFFSET, 1) & SCCFG_MULTIPART_ENABLED_MASK, SCCFG_MULTIPART_ENABLED_MASK);
        EXPECT_EQ(raw(SCCFG0_OFFSET, 0) & SCCFG_MULTIPART_ENABLED_MASK, 0u);
        EXPECT_EQ(raw(SCCFG0_OFFSET, 2) & SCCFG_MULTIPART_ENABLED_MASK, 0u);
    }

    // aravis parses the XML and writes channel 2 through the selector.
    const std::string tool = "arv-tool-0.8 -a 127.0.0.1 ";
    const std::string listed = RunCommand(tool + "features");
    for (const char *name : {"GevStreamChannelSelector", "GevSCPSPacketSize", "GevSCPD", "GevSCDA"})
        EXPECT_NE(listed.find(name), std::string::npos) << name << " not listed:\n" << listed;
    const uint32_t delay0 = raw(SCPD0_OFFSET, 0), delay1 = raw(SCPD0_OFFSET, 1);
    const std::string written =
        RunCommand(tool + "control GevStreamChannelSelector=2 GevSCPD=4321 GevSCPSPacketSize=1000 GevSCPD");
    EXPECT_NE(written.find("GevSCPD = 4321"), std::string::npos) << written;
    EXPECT_EQ(raw(SCPD0_OFFSET, 2), 4321u);
    EXPECT_EQ(raw(SCPS0_OFFSET, 2) & 0xFFFF, 1000u);
    EXPECT_EQ(raw(SCPD0_OFFSET, 0), delay0);
    EXPECT_EQ(raw(SCPD0_OFFSET, 1), delay1);
    EXPECT_TRUE(device.Stop().IsOK());
}

}  // namespace
