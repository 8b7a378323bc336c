#include "ky/device/KyDeviceInfoTesmarProtocol.h"

#include "internal/DeviceInfoAccess.h"

KyDeviceInfoTesmarProtocol::KyDeviceInfoTesmarProtocol() : KyDeviceInfo(KyDeviceInfoTypeTesmarProtocol) { }
KyDeviceInfoTesmarProtocol::~KyDeviceInfoTesmarProtocol() = default;

KyDeviceInfo *KyDeviceInfoTesmarProtocol::Copy() const
{
    return ky::device::DeviceInfoAccess::CopyDetached(*this);
}
