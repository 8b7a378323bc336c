#include "ky/device/KyDeviceInfoGEV.h"

#include <string>

#include "internal/DeviceInfoAccess.h"
#include "internal/GevIPConfig.h"

using namespace ky::device;

KyDeviceInfoGEV::KyDeviceInfoGEV() : KyDeviceInfo(KyDeviceInfoTypeGEV) { }
KyDeviceInfoGEV::~KyDeviceInfoGEV() = default;

KyDeviceInfo *KyDeviceInfoGEV::Copy() const { return DeviceInfoAccess::CopyDetached(*this); }

KyString KyDeviceInfoGEV::GetIPConfigOptionsString() const { return IPConfigText(mIPConfigOptions).c_str(); }
KyString KyDeviceInfoGEV::GetIPConfigCurrentString() const { return IPConfigText(mIPConfigCurrent).c_str(); }

bool KyDeviceInfoGEV::IsLLAAvailable() const { return (mIPConfigOptions & kIPConfigLLA) != 0; }
bool KyDeviceInfoGEV::IsDHCPAvailable() const { return (mIPConfigOptions & kIPConfigDHCP) != 0; }
bool KyDeviceInfoGEV::IsPersistentAvailable() const { return (mIPConfigOptions & kIPConfigPersistent) != 0; }
bool KyDeviceInfoGEV::IsPRAvailable() const { return (mIPConfigOptions & kIPConfigPauseReception) != 0; }
bool KyDeviceInfoGEV::IsPGAvailable() const { return (mIPConfigOptions & kIPConfigPauseGeneration) != 0; }
bool KyDeviceInfoGEV::IsLLAEnabled() const { return (mIPConfigCurrent & kIPConfigLLA) != 0; }
bool KyDeviceInfoGEV::IsDHCPEnabled() const { return (mIPConfigCurrent & kIPConfigDHCP) != 0; }
bool KyDeviceInfoGEV::IsPersistentEnabled() const { return (mIPConfigCurrent & kIPConfigPersistent) != 0; }
bool KyDeviceInfoGEV::IsPREnabled() const { return (mIPConfigCurrent & kIPConfigPauseReception) != 0; }
bool KyDeviceInfoGEV::IsPGEnabled() const { return (mIPConfigCurrent & kIPConfigPauseGeneration) != 0; }
