#include "ky/device/KyDeviceInfoUSB.h"

#include "internal/DeviceInfoAccess.h"

KyDeviceInfoUSB::KyDeviceInfoUSB() : KyDeviceInfo(KyDeviceInfoTypeUSB) { }
KyDeviceInfoUSB::KyDeviceInfoUSB(KyDeviceInfoType type) : KyDeviceInfo(type) { }
KyDeviceInfoUSB::~KyDeviceInfoUSB() = default;

KyDeviceInfo *KyDeviceInfoUSB::Copy() const { return ky::device::DeviceInfoAccess::CopyDetached(*this); }
