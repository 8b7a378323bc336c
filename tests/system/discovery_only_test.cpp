// A program that only discovers cameras, as an application does: it links the client libraries
// (system, device) and not the soft device library. That library is not mapped into the process
// until KY_U3V_SIM declares USB3 Vision cameras; then discovery loads it on demand, lists the
// declared camera, and the camera connects.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ky/device/KyDevice.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/system/KySystem.h"
#include "ky/system/KyUSBHostController.h"

namespace {

bool SoftDeviceLibraryMapped()
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("libKyVirtualDevice") != std::string::npos)
            return true;
    }
    return false;
}

const KyUSBHostController *Controller(const KySystem &system)
{
    for (uint32_t i = 0; i < system.GetInterfaceCount(); ++i) {
        if (system.GetInterface(i)->GetType() == KyInterfaceTypeUSBHostController)
            return dynamic_cast<const KyUSBHostController *>(system.GetInterface(i));
    }
    return nullptr;
}

TEST(DiscoveryOnly, LoadsTheSoftDeviceLibraryOnlyWhenUsbCamerasAreDeclared)
{
    ASSERT_EQ(unsetenv("KY_U3V_SIM"), 0);
    ASSERT_FALSE(SoftDeviceLibraryMapped()) << "the program links the soft device library";

    KySystem system;
    system.SetDetectionTimeout(200);
    ASSERT_TRUE(system.Find().IsOK());
    EXPECT_EQ(Controller(system), nullptr);
    EXPECT_FALSE(SoftDeviceLibraryMapped()) << "a discovery without declared cameras loaded it";

    const std::string path = ::testing::TempDir() + "discovery_only_declared.txt";
    {
        std::ofstream file(path);
        file << "00D15C0FE001 serial=ONLY-1 model=OnDemand width=64 height=48\n";
    }
    ASSERT_EQ(setenv("KY_U3V_SIM", path.c_str(), 1), 0);
    ASSERT_TRUE(system.Find().IsOK());
    std::remove(path.c_str());
    EXPECT_TRUE(SoftDeviceLibraryMapped());
    const KyUSBHostController *controller = Controller(system);
    ASSERT_NE(controller, nullptr) << "the declared USB3 Vision camera is not listed";
    ASSERT_EQ(controller->GetDeviceCount(), 1u);
    const KyDeviceInfo *info = controller->GetDeviceInfo(0);
    EXPECT_EQ(info->GetType(), KyDeviceInfoTypeU3V);
    EXPECT_EQ(info->GetSerialNumber().str(), "ONLY-1");

    KyResult result;
    KyDevice *device = KyDevice::CreateAndConnect(info, &result);
    ASSERT_NE(device, nullptr) << result.GetDescription().str();
    KyString model;
    EXPECT_TRUE(device->GetParameters()->GetStringValue("DeviceModelName", model).IsOK());
    EXPECT_EQ(model.str(), "OnDemand");
    KyDevice::Free(device);
}

}  // namespace
