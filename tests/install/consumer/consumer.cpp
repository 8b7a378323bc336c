// A program of a user's project, built against the installed SDK only. It opens no socket: it
// makes a result, an empty device record and a system object, and prints what they say; then it
// connects to the USB3 Vision camera that KY_U3V_SIM declares, for which the device library loads
// the installed soft device library (simulated USB is in-process).
#include <cstdio>
#include <memory>

#include "ky/base/KyResult.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/device/KyDeviceU3V.h"
#include "ky/device/KyGevConstants.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/system/KySystem.h"

int main()
{
    const KyResult result(KY_TIMEOUT);
    std::printf("result: %s\n", result.GetCodeString().GetAscii());

    const KyDeviceInfoGEV record;
    std::unique_ptr<KyDeviceInfo> copy(record.Copy());
    std::printf("record: copy %s\n", copy ? "made" : "missing");

    std::printf("control port: %u\n", static_cast<unsigned>(ky::gev::GVCP_PORT));

    KySystem system;
    std::printf("system: %u interfaces before Find\n", static_cast<unsigned>(system.GetInterfaceCount()));

    KyDeviceU3V camera;
    const KyResult connected = camera.Connect(KyString("00C0FFEE00C5"));
    KyString model;
    if (connected.IsOK())
        (void)camera.GetParameters()->GetStringValue("DeviceModelName", model);
    std::printf("usb3 vision: %s %s\n", connected.GetCodeString().GetAscii(), model.GetAscii());
    return result.GetCode() == KY_TIMEOUT && copy && connected.IsOK() ? 0 : 1;
}
