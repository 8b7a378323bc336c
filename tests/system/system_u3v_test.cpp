// KySystem::Find with the simulated USB host controller beside the private namespace's network
// adapters: the controller is listed (only while devices are plugged) with one KyDeviceInfoU3V
// record per device, and the record connects to a KyDeviceU3V. The first test declares a device
// in the KY_U3V_SIM file, which the process reads at its first enumeration.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ky/device/KyDevice.h"
#include "ky/device/KyDeviceInfoU3V.h"
#include "ky/device/KyDeviceU3V.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/system/KyNetworkAdapter.h"
#include "ky/system/KySystem.h"
#include "ky/system/KyUSBHostController.h"
#include "u3vdevice/SoftU3vDeclarations.h"

using ky::soft::SoftU3vDeclarations;

namespace {

const KyUSBHostController *Controller(const KySystem &system)
{
    const KyUSBHostController *found = nullptr;
    for (uint32_t i = 0; i < system.GetInterfaceCount(); ++i) {
        if (system.GetInterface(i)->GetType() == KyInterfaceTypeUSBHostController) {
            EXPECT_EQ(found, nullptr) << "one simulated controller";
            found = dynamic_cast<const KyUSBHostController *>(system.GetInterface(i));
        }
    }
    return found;
}

bool IsGuid(const std::string &text)
{
    if (text.size() != 12)
        return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Runs first: the process has not enumerated yet, so the file is read now.
TEST(SystemU3v, FindListsTheDevicesDeclaredInTheEnvironmentFile)
{
    const std::string path = ::testing::TempDir() + "system_u3v_declared.txt";
    {
        std::ofstream file(path);
        file << "# declared for this process\nDEC1A2ED0001 serial=DECL-1 model=Declared width=64 height=32\n";
    }
    ASSERT_EQ(setenv("KY_U3V_SIM", path.c_str(), 1), 0);
    KySystem system;
    system.SetDetectionTimeout(200);
    ASSERT_TRUE(system.Find().IsOK());
    const KyUSBHostController *controller = Controller(system);
    ASSERT_NE(controller, nullptr);
    ASSERT_EQ(controller->GetDeviceCount(), 1u);
    EXPECT_EQ(controller->GetDeviceInfo(0)->GetSerialNumber().str(), "DECL-1");
    EXPECT_EQ(controller->GetDeviceInfo(0)->GetModelName().str(), "Declared");
    ASSERT_TRUE(SoftU3vDeclarations::Unplug("DEC1A2ED0001").IsOK());
    std::remove(path.c_str());

    // Read once: a second Find does not plug the declared device again.
    ASSERT_TRUE(system.Find().IsOK());
    EXPECT_EQ(Controller(system), nullptr) << "no controller while no device is plugged";
}

TEST(SystemU3v, FindListsTheControllerBesideTheAdaptersAndItsRecordConnects)
{
    ky::soft::SoftU3vSettings settings;
    settings.guid = "00ab00cd00ef";
    settings.vendor = "Vendor";
    settings.model = "U3V Model";
    settings.serial = "U3V-SER";
    ASSERT_TRUE(SoftU3vDeclarations::Plug(settings).IsOK());

    KySystem system;
    system.SetDetectionTimeout(200);
    ASSERT_TRUE(system.Find().IsOK());
    uint32_t adapters = 0;
    for (uint32_t i = 0; i < system.GetInterfaceCount(); ++i)
        adapters += system.GetInterface(i)->GetType() == KyInterfaceTypeNetworkAdapter ? 1 : 0;
    EXPECT_GE(adapters, 3u) << "loopback and the namespace's two adapters";
    const KyUSBHostController *controller = Controller(system);
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->GetSpeed(), KyUSBSpeedSuper);
    ASSERT_EQ(controller->GetDeviceCount(), 1u);

    const KyDeviceInfo *info = controller->GetDeviceInfo(0);
    ASSERT_EQ(info->GetType(), KyDeviceInfoTypeU3V);
    EXPECT_EQ(info->GetInterface(), controller);
    const auto *record = dynamic_cast<const KyDeviceInfoU3V *>(info);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(IsGuid(record->GetDeviceGUID().str()));
    EXPECT_EQ(record->GetDeviceGUID().str(), "00AB00CD00EF");
    EXPECT_EQ(record->GetUniqueID().str(), "00AB00CD00EF");
    EXPECT_EQ(record->GetConnectionID().str(), "00AB00CD00EF");
    EXPECT_EQ(record->GetVendorName().str(), "Vendor");
    EXPECT_EQ(record->GetSerialNumber().str(), "U3V-SER");
    EXPECT_EQ(record->GetSpeed(), KyUSBSpeedSuper);
    EXPECT_EQ(record->GetSpeedMessage().str(), "SuperSpeed");
    EXPECT_EQ(record->GetGenCPVersion(), 0x00010000u);
    EXPECT_EQ(record->GetU3VVersion(), 0x00010000u);
    EXPECT_EQ(record->GetStatus(), KyUSBStatusConnected);
    EXPECT_TRUE(record->IsInitializedCapabilities());
    EXPECT_EQ(system.GetU3VSupportedVersion(), 0x00010000u);

    const KyDeviceInfo *byGuid = nullptr;
    ASSERT_TRUE(system.FindDevice("00AB00CD00EF", &byGuid).IsOK());
    ASSERT_NE(byGuid, nullptr);
    EXPECT_EQ(byGuid->GetType(), KyDeviceInfoTypeU3V);

    KyResult result;
    KyDevice *device = KyDevice::CreateAndConnect(byGuid, &result);
    ASSERT_NE(device, nullptr) << result.GetDescription().str();
    auto *u3v = dynamic_cast<KyDeviceU3V *>(device);
    ASSERT_NE(u3v, nullptr);
    EXPECT_EQ(u3v->GetGUID().str(), "00AB00CD00EF");
    KyString model;
    ASSERT_TRUE(device->GetParameters()->GetStringValue("DeviceModelName", model).IsOK());
    EXPECT_EQ(model.str(), "U3V Model");
    KyDevice::Free(device);

    ASSERT_TRUE(SoftU3vDeclarations::Unplug("00AB00CD00EF").IsOK());
}

}  // namespace
