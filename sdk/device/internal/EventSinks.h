// The event sinks registered on a device, and guarded calls into them.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "ky/device/KyDevice.h"
#include "ky/device/KyDeviceEventSink.h"

class KyDevice::EventSinks
{
public:
    KyResult Register(KyDeviceEventSink *sink);
    KyResult Unregister(KyDeviceEventSink *sink);
    bool Empty() const;

    // Calls every registered sink in registration order. The lock is held during the calls, so
    // once Unregister returns the sink is not called again; a sink may unregister itself (or
    // another sink) from inside its call. Exceptions from a sink are caught and logged.
    void ForEach(const char *what, const std::function<void(KyDeviceEventSink &)> &call);

private:
    mutable std::recursive_mutex mMutex;
    std::vector<KyDeviceEventSink *> mSinks;
};
