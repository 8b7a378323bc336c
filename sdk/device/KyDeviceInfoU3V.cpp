#include "ky/device/KyDeviceInfoU3V.h"

#include "internal/DeviceInfoAccess.h"

KyDeviceInfoU3V::KyDeviceInfoU3V() : KyDeviceInfoUSB(KyDeviceInfoTypeU3V) { }
KyDeviceInfoU3V::~KyDeviceInfoU3V() = default;

KyDeviceInfo *KyDeviceInfoU3V::Copy() const { return ky::device::DeviceInfoAccess::CopyDetached(*this); }
