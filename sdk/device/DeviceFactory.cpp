#include "DeviceFactory.h"

#include <memory>

#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyDeviceInfo.h"

namespace ky::device {
namespace {

// A new device of type Device connected to what `target` names, or nullptr with the reason.
template <class Device, class Target>
KyDevice *ConnectNewOf(const Target &target, KyResult &result)
{
    std::unique_ptr<Device> device(new Device);
    result = device->Connect(target);
    return result.IsOK() ? device.release() : nullptr;
}

}  // namespace

KyDevice *ConnectNew(const KyDeviceInfo *info, KyResult &result)
{
    if (!info) {
        result = KyResult(KY_INVALID_PARAMETER, "The device information is null.");
        return nullptr;
    }
    if (info->GetType() == KyDeviceInfoTypeGEV)
        return ConnectNewOf<KyDeviceGEV>(info, result);
    result = KyResult(KY_NOT_SUPPORTED, "Only GigE Vision devices can be connected.");
    return nullptr;
}

KyDevice *ConnectNew(const KyString &address, KyResult &result)
{
    return ConnectNewOf<KyDeviceGEV>(address, result);
}

}  // namespace ky::device
