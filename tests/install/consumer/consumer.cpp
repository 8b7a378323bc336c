// A program of a user's project, built against the installed SDK only. It opens no socket: it
// makes a result, an empty device record and a system object, and prints what they say.
#include <cstdio>
#include <memory>

#include "ky/base/KyResult.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/device/KyGevConstants.h"
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
    return result.GetCode() == KY_TIMEOUT && copy ? 0 : 1;
}
