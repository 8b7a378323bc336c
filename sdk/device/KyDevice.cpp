#include "ky/device/KyDevice.h"

#include <algorithm>

#include "ky/device/KyDeviceInfo.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "DeviceFactory.h"
#include "internal/DeviceLog.h"
#include "ky/Guarded.h"
#include "internal/EventSinks.h"

KyLogger &ky::device::DeviceLog() { return *KyLogCategories::Find("device"); }

using ky::device::DeviceLog;

namespace {
constexpr uint32_t kMaxThreadPriority = 99;

}  // namespace

KyResult KyDevice::EventSinks::Register(KyDeviceEventSink *sink)
{
    switch (mSinks.Add(sink)) {
    case ky::base::SinkRegistry<KyDeviceEventSink>::Change::Null:
        return KyResult(KY_INVALID_PARAMETER, "the event sink is null");
    case ky::base::SinkRegistry<KyDeviceEventSink>::Change::Repeat:
        return KyResult(KY_INVALID_PARAMETER, "the event sink is already registered");
    default:
        return KyResult();
    }
}

KyResult KyDevice::EventSinks::Unregister(KyDeviceEventSink *sink)
{
    switch (mSinks.Remove(sink)) {
    case ky::base::SinkRegistry<KyDeviceEventSink>::Change::Null:
        return KyResult(KY_INVALID_PARAMETER, "the event sink is null");
    case ky::base::SinkRegistry<KyDeviceEventSink>::Change::Missing:
        return KyResult(KY_NOT_FOUND, "The event sink is not registered.");
    default:
        return KyResult();
    }
}

bool KyDevice::EventSinks::Empty() const { return mSinks.Empty(); }

bool KyDevice::EventSinks::ForEach(const char *what, const std::function<void(KyDeviceEventSink &)> &call)
{
    // Nothing of *this is used inside the walk but the registry's own state: a sink may free the
    // device, and these sinks with it.
    return mSinks.ForEach([what, &call](KyDeviceEventSink &sink) {
        ky::base::Guarded(DeviceLog(), what, [&] { call(sink); });
    });
}

KyDevice::KyDevice(KyDeviceType type)
    : mParameters(new KyGenParameterArray),
      mCommunicationParameters(new KyGenParameterArray),
      mType(type),
      mSinks(new EventSinks)
{ }
KyDevice::~KyDevice() = default;

KyGenParameterArray *KyDevice::GetParameters() { return mParameters.get(); }
KyGenParameterArray *KyDevice::GetCommunicationParameters() { return mCommunicationParameters.get(); }

uint32_t KyDevice::GetPayloadSize()
{
    int64_t size = 0;
    if (!mParameters->GetIntegerValue("PayloadSize", size).IsOK() || size < 0 || size > UINT32_MAX)
        return 0;
    return static_cast<uint32_t>(size);
}

KyDevice *KyDevice::CreateAndConnect(const KyDeviceInfo *aDeviceInfo, KyResult *aResult)
{
    KyResult ignored;
    return ky::device::ConnectNew(aDeviceInfo, aResult ? *aResult : ignored);
}

KyDevice *KyDevice::CreateAndConnect(const KyString &aInfo, KyResult *aResult)
{
    KyResult ignored;
    return ky::device::ConnectNew(aInfo, aResult ? *aResult : ignored);
}

void KyDevice::Free(KyDevice *aDevice)
{
    if (!aDevice)
        return;
    // From inside the device's own callback Disconnect refuses; the destructor then closes the
    // connection without joining the calling thread, which goes to the reaper. Either way the
    // device is gone after this, so Disconnect's result has no one to tell.
    (void)aDevice->Disconnect();
    delete aDevice;
}

KyResult KyDevice::RegisterEventSink(KyDeviceEventSink *aEventSink) { return mSinks->Register(aEventSink); }
KyResult KyDevice::UnregisterEventSink(KyDeviceEventSink *aEventSink)
{
    return mSinks->Unregister(aEventSink);
}

namespace {
KyResult StorePriority(std::atomic<uint32_t> &slot, uint32_t priority)
{
    if (priority > kMaxThreadPriority)
        return KyResult(KY_INVALID_PARAMETER, "a thread priority goes from 0 to 99");
    slot = priority;
    return KyResult();
}
}  // namespace

uint32_t KyDevice::GetHeartbeatThreadPriority() const { return mHeartbeatPriority; }
KyResult KyDevice::SetHeartbeatThreadPriority(uint32_t aPriority)
{
    return StorePriority(mHeartbeatPriority, aPriority);
}
uint32_t KyDevice::GetInterruptLinkThreadPriority() const { return mInterruptLinkPriority; }
KyResult KyDevice::SetInterruptLinkThreadPriority(uint32_t aPriority)
{
    return StorePriority(mInterruptLinkPriority, aPriority);
}
uint32_t KyDevice::GetInterruptQueueThreadPriority() const { return mInterruptQueuePriority; }
KyResult KyDevice::SetInterruptQueueThreadPriority(uint32_t aPriority)
{
    return StorePriority(mInterruptQueuePriority, aPriority);
}
