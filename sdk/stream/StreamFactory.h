// StreamFactory: the stream of the kind a device-information record (or an address) names. The
// one place that knows the KyStream subclasses: a new transport adds its kind here, and KyStream
// stays as it is.
#pragma once

#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KyDeviceInfo;
class KyStream;

namespace ky::stream {

// A new stream of the record's kind, open; nullptr with the reason in *result (when not null),
// also for a null record.
KyStream *OpenNew(const KyDeviceInfo *info, KyResult *result);
// A new stream open on the device that `address` names: a GigE Vision camera's IPv4 address, or a
// USB3 Vision device's GUID (12 hex digits); nullptr with the reason in *result (when not null).
KyStream *OpenNew(const KyString &address, KyResult *result);

}  // namespace ky::stream
