// DeviceFactory: the device of the kind a device-information record (or an address) names. The
// one place that knows the KyDevice subclasses: a new transport adds its kind here, and KyDevice
// stays as it is.
#pragma once

#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KyDevice;
class KyDeviceInfo;

namespace ky::device {

// A new device of the record's kind, connected; nullptr with the reason in result, also for a
// null record.
KyDevice *ConnectNew(const KyDeviceInfo *info, KyResult &result);
// A new device connected to what `address` names (the GUID of a plugged USB3 Vision device, or
// what names a GigE Vision camera); nullptr with the reason in result.
KyDevice *ConnectNew(const KyString &address, KyResult &result);

}  // namespace ky::device
