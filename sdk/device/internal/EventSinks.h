// The event sinks registered on a device, and guarded calls into them.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "ky/base/KyBaseExport.h"
#include "ky/device/KyDevice.h"
#include "ky/device/KyDeviceEventSink.h"
#include "ky/SinkRegistry.h"

class KY_LOCAL KyDevice::EventSinks
{
public:
    KyResult Register(KyDeviceEventSink *sink);
    KyResult Unregister(KyDeviceEventSink *sink);
    bool Empty() const;

    // Calls every registered sink in registration order, on a snapshot and outside the list's
    // lock (ky/SinkRegistry.h): a sink may unregister sinks, itself too, and may free the device.
    // Exceptions from a sink are caught and logged. Returns false when a sink destroyed the
    // device: the caller then returns at once, touching nothing of the device.
    bool ForEach(const char *what, const std::function<void(KyDeviceEventSink &)> &call);

    // What every transport tells its sinks: the link went away (OnLinkDisconnected), and a device
    // event (OnEvent, then OnEventGenICam unless a sink freed the device).
    void LinkLost(KyDevice *device);
    void Event(KyDevice *device, uint16_t id, uint16_t channel, uint64_t blockId, uint64_t timestamp,
               const std::vector<uint8_t> &data);

private:
    ky::base::SinkRegistry<KyDeviceEventSink> mSinks;
};
