#include "ky/device/KyDevice.h"

#include "internal/DeviceThreadPriorities.h"

#include <algorithm>
#include <string>

#include "ky/device/KyDeviceInfo.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "DeviceFactory.h"
#include "internal/DeviceLog.h"
#include "ky/Guarded.h"
#include "internal/EventSinks.h"

KyLogger &ky::device::DeviceLog() { return *KyLogCategories::Find("device"); }

using ky::device::DeviceLog;

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

void KyDevice::EventSinks::LinkLost(KyDevice *device)
{
    ForEach("OnLinkDisconnected", [device](KyDeviceEventSink &sink) { sink.OnLinkDisconnected(device); });
}

void KyDevice::EventSinks::Event(KyDevice *device, uint16_t id, uint16_t channel, uint64_t blockId,
                                 uint64_t timestamp, const std::vector<uint8_t> &data)
{
    const void *bytes = data.empty() ? nullptr : data.data();
    const auto length = static_cast<uint32_t>(data.size());
    if (!ForEach("OnEvent", [&](KyDeviceEventSink &sink) {
            sink.OnEvent(device, id, channel, blockId, timestamp, bytes, length);
        }))
        return;  // a sink freed the device, and these sinks with it
    // The GenICam parameters an event invalidates are known once a node map is attached.
    ForEach("OnEventGenICam", [&](KyDeviceEventSink &sink) {
        sink.OnEventGenICam(device, id, channel, blockId, timestamp, nullptr);
    });
}

KyDevice::KyDevice(KyDeviceType type)
    : mParameters(new KyGenParameterArray),
      mCommunicationParameters(new KyGenParameterArray),
      mType(type),
      mSinks(new EventSinks),
      mPriorities(new ThreadPriorities)
{ }
KyDevice::~KyDevice() = default;

void KyDevice::ApplyThreadPriorities() { }

KyResult KyDevice::NotConnected() { return KyResult(KY_NOT_CONNECTED, "the device is not connected"); }

unsigned KyDevice::MemoryAddressBits() const { return 63; }

KyResult KyDevice::TransportReadMemory(uint64_t, uint8_t *, size_t)
{
    return KyResult(KY_NOT_SUPPORTED, "this device has no memory access");
}

KyResult KyDevice::TransportWriteMemory(uint64_t, const uint8_t *, size_t)
{
    return KyResult(KY_NOT_SUPPORTED, "this device has no memory access");
}

KyResult KyDevice::CheckMemoryRange(int64_t aAddress, int64_t aByteCount, bool aHaveBuffer) const
{
    if (aByteCount < 0)
        return KyResult(KY_INVALID_PARAMETER, "the byte count is negative");
    if (aByteCount > 0 && !aHaveBuffer)
        return KyResult(KY_INVALID_PARAMETER, "the buffer is null");
    const unsigned bits = MemoryAddressBits();
    const bool narrow = bits < 63;
    const int64_t limit = narrow ? int64_t(1) << bits : INT64_MAX;
    if (aAddress < 0 || (narrow && aAddress >= limit) || aByteCount > limit - aAddress)
        return KyResult(KY_INVALID_PARAMETER, "the memory range lies outside the device's " +
                                                  (narrow ? std::to_string(bits) + "-bit " : std::string()) +
                                                  "address space");
    return KyResult();
}

KyResult KyDevice::ReadMemory(int64_t aAddress, uint8_t *aDestination, int64_t aByteCount)
{
    KyResult result = CheckMemoryRange(aAddress, aByteCount, aDestination != nullptr);
    if (!result.IsOK())
        return result;
    result = IsConnected() ? TransportReadMemory(static_cast<uint64_t>(aAddress), aDestination,
                                                 static_cast<size_t>(aByteCount))
                           : NotConnected();
    if (aByteCount == 0)
        return result;
    if (!result.IsOK())
        std::fill(aDestination, aDestination + aByteCount, 0);
    else
        Sinks().ForEach("OnCmdLinkRead", [&](KyDeviceEventSink &sink) {
            sink.OnCmdLinkRead(aDestination, aAddress, aByteCount);
        });
    return result;
}

KyResult KyDevice::WriteMemory(int64_t aAddress, const uint8_t *aSource, int64_t aByteCount)
{
    KyResult result = CheckMemoryRange(aAddress, aByteCount, aSource != nullptr);
    if (!result.IsOK())
        return result;
    if (!IsConnected())
        return NotConnected();
    result = TransportWriteMemory(static_cast<uint64_t>(aAddress), aSource, static_cast<size_t>(aByteCount));
    if (result.IsOK() && aByteCount > 0)
        Sinks().ForEach("OnCmdLinkWrite",
                        [&](KyDeviceEventSink &sink) { sink.OnCmdLinkWrite(aSource, aAddress, aByteCount); });
    return result;
}

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

uint32_t KyDevice::GetHeartbeatThreadPriority() const { return mPriorities->heartbeat.InEffect(); }
KyResult KyDevice::SetHeartbeatThreadPriority(uint32_t aPriority)
{
    return SetThreadPriority(mPriorities->heartbeat, aPriority);
}
uint32_t KyDevice::GetInterruptLinkThreadPriority() const { return mPriorities->interruptLink.InEffect(); }
KyResult KyDevice::SetInterruptLinkThreadPriority(uint32_t aPriority)
{
    return SetThreadPriority(mPriorities->interruptLink, aPriority);
}
uint32_t KyDevice::GetInterruptQueueThreadPriority() const { return mPriorities->interruptQueue.InEffect(); }
KyResult KyDevice::SetInterruptQueueThreadPriority(uint32_t aPriority)
{
    return SetThreadPriority(mPriorities->interruptQueue, aPriority);
}

KyResult KyDevice::SetThreadPriority(ky::base::ThreadPriority &aPriority, uint32_t aValue)
{
    KyResult result = aPriority.Set(aValue);
    if (result.IsOK())
        ApplyThreadPriorities();
    return result;
}
