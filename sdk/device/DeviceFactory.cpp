#include "DeviceFactory.h"

#include <memory>

#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyDeviceInfo.h"
#include "ky/device/KyDeviceU3V.h"
#include "u3v/SimUsbRegistry.h"

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
        result = KyResult(KY_INVALID_PARAMETER, "the device information is null");
        return nullptr;
    }
    if (info->GetType() == KyDeviceInfoTypeGEV)
        return ConnectNewOf<KyDeviceGEV>(info, result);
    if (info->GetType() == KyDeviceInfoTypeU3V)
        return ConnectNewOf<KyDeviceU3V>(info, result);
    result = KyResult(KY_NOT_SUPPORTED, "only GigE Vision and USB3 Vision devices can be connected");
    return nullptr;
}

KyDevice *ConnectNew(const KyString &address, KyResult &result)
{
    // The GUID of a device on the simulated USB host controller names that device.
    u3v::SimUsbRegistry::LoadDeclarations();
    u3v::SimUsbDevice usb;
    if (u3v::SimUsbRegistry::Find(address.str(), usb))
        return ConnectNewOf<KyDeviceU3V>(address, result);
    return ConnectNewOf<KyDeviceGEV>(address, result);
}

}  // namespace ky::device
