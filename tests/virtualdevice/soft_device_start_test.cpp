// What a program's callbacks may do inside Start, what a throwing one does to it, and a Stop
// that finds the register map still locked.
#include <stdexcept>
#include <string>

#include "SoftDeviceFixture.h"
#include "ky/device/KyGevConstants.h"
#include "ky/virtualdevice/IKyGenApiFactory.h"

namespace {

constexpr const char *LOOPBACK = "00:00:00:00:00:00";

enum class Throws { Nothing, InRegisters, InFeatures };

struct CreationSink : IKySoftDeviceGEVEventSink
{
    Throws throws = Throws::Nothing;
    int registerCalls = 0, featureCalls = 0;
    KyResult infoResult, versionResult, guidResult, vendorResult;
    bool hadInfo = false, hadMap = false;

    void OnCreateCustomRegisters(IKySoftDeviceGEV *device, IKyRegisterFactory *) override
    {
        ++registerCalls;
        if (throws == Throws::InRegisters) {
            throw std::runtime_error("no registers today");
        }
        IKySoftDeviceGEVInfo *info = device->GetInfo();
        hadInfo = info != nullptr;
        hadMap = device->GetRegisterMap() != nullptr;
        if (info) {
            infoResult = info->SetModelName("InsideStart");
            versionResult = info->SetGenICamXMLVersion(2, 3, 4);
            guidResult = info->SetGenICamXMLGUIDs("0A1B2C3D-0000-1111-2222-333344445555",
                                                  "0A1B2C3D-0000-1111-2222-333344446666");
            vendorResult = info->SetGenICamXMLRegDescVendorName("VendorInXml");
        }
    }
    void OnCreateCustomGenApiFeatures(IKySoftDeviceGEV *, IKyGenApiFactory *) override
    {
        ++featureCalls;
        if (throws == Throws::InFeatures) {
            throw std::runtime_error("no features today");
        }
    }
};

bool Contains(const KyString &text, const char *part)
{
    return std::string(text.GetAscii()).find(part) != std::string::npos;
}

}  // namespace

TEST(SoftDeviceStart, ThrowingCreationCallbackFailsStart)
{
    const struct
    {
        Throws throws;
        const char *description;
        int featureCalls;
    } cases[] = {
        {Throws::InRegisters, "OnCreateCustomRegisters failed: no registers today", 0},
        {Throws::InFeatures, "OnCreateCustomGenApiFeatures failed: no features today", 1},
    };
    for (const auto &c : cases) {
        KySoftDeviceGEV device;
        CreationSink first, second;
        first.throws = c.throws;
        ASSERT_TRUE(device.RegisterEventSink(&first).IsOK());
        ASSERT_TRUE(device.RegisterEventSink(&second).IsOK());
        const KyResult started = device.Start(LOOPBACK);
        EXPECT_EQ(started.GetCode(), KY_GENERIC_ERROR) << c.description;
        EXPECT_STREQ(started.GetDescription().GetAscii(), c.description);
        EXPECT_EQ(first.featureCalls, c.featureCalls);
        EXPECT_EQ(second.registerCalls + second.featureCalls, c.featureCalls)
            << "no sink is called after the one that threw";
        EXPECT_EQ(device.GetInfo(), nullptr) << "the device does not run";
        EXPECT_EQ(device.GetRegisterMap(), nullptr);
        KyString xml;
        EXPECT_TRUE(device.GetGenICamXMLFile(xml).IsOK()) << "the standard XML stands after a failed Start";
        EXPECT_EQ(device.Stop().GetCode(), KY_STATE_ERROR);
        first.throws = Throws::Nothing;
        EXPECT_TRUE(device.Start(LOOPBACK).IsOK()) << "a later Start works";
        EXPECT_TRUE(device.Stop().IsOK());
    }
}

TEST(SoftDeviceStart, IdentityAndXmlHeaderAreSetInsideStart)
{
    KySoftDeviceGEV device;
    CreationSink sink;
    ASSERT_TRUE(device.RegisterEventSink(&sink).IsOK());
    ASSERT_TRUE(device.Start(LOOPBACK).IsOK());
    EXPECT_TRUE(sink.hadInfo && sink.hadMap);
    EXPECT_TRUE(sink.infoResult.IsOK());
    EXPECT_TRUE(sink.versionResult.IsOK());
    EXPECT_TRUE(sink.guidResult.IsOK());
    EXPECT_TRUE(sink.vendorResult.IsOK());
    KyString xml;
    ASSERT_TRUE(device.GetGenICamXMLFile(xml).IsOK());
    // The program versions its file; the schema stays the generator's.
    EXPECT_TRUE(Contains(xml, "MajorVersion=\"2\" MinorVersion=\"3\" SubMinorVersion=\"4\""));
    EXPECT_TRUE(
        Contains(xml, "SchemaMajorVersion=\"1\" SchemaMinorVersion=\"1\" SchemaSubMinorVersion=\"0\""));
    EXPECT_TRUE(Contains(xml, "ModelName=\"InsideStart\" VendorName=\"VendorInXml\""));
    EXPECT_TRUE(Contains(xml, "ProductGuid=\"0A1B2C3D-0000-1111-2222-333344445555\""));
    IKySoftDeviceGEVInfo *info = device.GetInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetGenICamXMLVersionMinor(), 3);
    EXPECT_EQ(info->SetGenICamXMLVersion(1, 0, 0).GetCode(), KY_STATE_ERROR) << "the XML exists";
    EXPECT_EQ(info->SetGenICamXMLRegDescModelName("Late").GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(info->SetGenICamXMLRegDescVendorName("V234567890123456789012345678901X").GetCode(),
              KY_INVALID_PARAMETER);
    EXPECT_EQ(info->GetGenICamXMLRegDescModelName(), "InsideStart") << "follows the model name";
    EXPECT_EQ(info->GetGenICamXMLRegDescVendorName(), "VendorInXml");
    EXPECT_TRUE(device.Stop().IsOK());
}

TEST(SoftDeviceStart, DefaultFileVersionIsOneZeroZero)
{
    KySoftDeviceGEV device;
    ASSERT_TRUE(device.Start(LOOPBACK).IsOK());
    KyString xml;
    ASSERT_TRUE(device.GetGenICamXMLFile(xml).IsOK());
    EXPECT_TRUE(Contains(xml, "MajorVersion=\"1\" MinorVersion=\"0\" SubMinorVersion=\"0\""));
    EXPECT_TRUE(Contains(xml, "xmlns=\"http://www.genicam.org/GenApi/Version_1_1\""));
    EXPECT_TRUE(device.Stop().IsOK());
}

// A Lock without its Release does not hang Stop: the wait is bounded, and the registers stay
// usable until that Release.
TEST(SoftDeviceStart, StopDoesNotWaitForeverForAForgottenLock)
{
    KySoftDeviceGEV device;
    ASSERT_TRUE(device.Start(LOOPBACK).IsOK());
    IKyRegisterMap *map = device.GetRegisterMap();
    ASSERT_NE(map, nullptr);
    ASSERT_TRUE(map->Lock().IsOK());
    IKyRegister *serial = map->GetRegisterByAddress(ky::gev::SERIAL_NUMBER_OFFSET);
    ASSERT_NE(serial, nullptr);
    EXPECT_TRUE(device.Stop().IsOK());
    KyString text;
    EXPECT_TRUE(serial->ReadString(text).IsOK()) << "set aside, not freed, while locked";
    map->Release();
    EXPECT_EQ(map->GetRegisterCount(), 0u);
    EXPECT_TRUE(device.Start(LOOPBACK).IsOK()) << "the device starts again";
    EXPECT_TRUE(device.Stop().IsOK());
}
