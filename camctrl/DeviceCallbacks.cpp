// Device: grab callbacks on the display thread, camera events and link loss on the device's
// threads.
#include <algorithm>
#include <chrono>

#include "Device.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ResultCodes.h"
#include "SourcePlace.h"

namespace ky::camctrl {

namespace {

// Steps whose outcome the caller does not depend on.
void Skip(const KyResult &) { }

// The camera whose callback the calling thread is running, if any (a callback may call into
// another camera's callback only through the library, so one level is enough to remember; the
// previous value is put back when the callback returns).
thread_local const Device *t_callbackOf = nullptr;

// The camera whose display thread the calling thread is (set while OnBufferDisplay runs).
thread_local const Device *t_displayThreadOf = nullptr;

class CallbackScope
{
public:
    explicit CallbackScope(const Device *device) : m_previous(t_callbackOf) { t_callbackOf = device; }
    ~CallbackScope() { t_callbackOf = m_previous; }
    CallbackScope(const CallbackScope &) = delete;
    CallbackScope &operator=(const CallbackScope &) = delete;

private:
    const Device *m_previous;
};

constexpr const char *GRAB_NAMES[] = {"Event New Image", "Event Grab Error", "Event Grab Timeout"};

struct EventKind
{
    int id;
    const char *name;
    const char *selectorEntry;  // null: no camera feature (link loss)
    int gevEvent;               // raw GigE Vision event number, -1: none
    int u3vEvent;               // raw USB3 Vision event number, -1: none
};

constexpr EventKind EVENTS[] = {
    {EventDeviceDisconnect, "Device Disconnect", nullptr, -1, -1},
    {EventExposureEnd, "Exposure End", "ExposureEnd", 0x0004, 0x0004},
    {EventAcquisitionTransferStart, "Acquisition Transfer Start", "AcquisitionTransferStart", 0x0005, -1},
    {EventAcquisitionTransferEnd, "Acquisition Transfer End", "AcquisitionTransferEnd", 0x0006, -1},
    {EventOverTrigger, "Over Trigger", "OverTrigger", 0x8002, -1},
    {EventOverTriggerStartMissed, "Over Trigger Start Missed", "OverTriggerStartMissed", -1, 0x5005},
    {EventOverTriggerEndMissed, "Over Trigger End Missed", "OverTriggerEndMissed", -1, 0x5006},
    {EventTriggerStart, "Trigger Start", "TriggerStart", -1, 0x5007},
    {EventWarningTemperatureState, "Warning Temperature State", "WarningTemperatureState", -1, 0x501E},
    {EventCriticalTemperatureState, "Critical Temperature State", "CriticalTemperatureState", -1, 0x501F},
};
constexpr size_t EVENT_COUNT = sizeof EVENTS / sizeof EVENTS[0];

// The slot of a library event ID, or -1 for an ID not in the table.
int EventSlot(int eventId)
{
    for (size_t i = 0; i < EVENT_COUNT; ++i)
        if (EVENTS[i].id == eventId)
            return static_cast<int>(i);
    return -1;
}

// The slot a raw event of that transport goes to, or -1.
int EventSlotOfRaw(KyDeviceType type, uint16_t raw)
{
    for (size_t i = 0; i < EVENT_COUNT; ++i) {
        const int wanted = type == KyDeviceTypeGEV   ? EVENTS[i].gevEvent
                           : type == KyDeviceTypeU3V ? EVENTS[i].u3vEvent
                                                     : -1;
        if (wanted >= 0 && wanted == raw)
            return static_cast<int>(i);
    }
    return -1;
}

bool IsGrabType(int type) { return type >= GrabNewImage && type <= GrabTimeout; }

}  // namespace

bool Device::InsideOwnCallback() const { return t_callbackOf == this; }

bool Device::InsideAnyCallback() { return t_callbackOf != nullptr; }

void Device::ClearCallbacks()
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    m_grabCallbacks.fill({});
    m_eventCallbacks.fill({});
}

bool Device::HasGrabCallback() const
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    return std::any_of(m_grabCallbacks.begin(), m_grabCallbacks.end(),
                       [](const Slot<GrabCallback> &slot) { return slot.function != nullptr; });
}

void Device::StartDisplayThread()
{
    if (!KyDisplayThread::IsRunning() && m_pipeline)
        Skip(KyDisplayThread::Start(m_pipeline.get(), Parameters()));
}

void Device::StopDisplayThread()
{
    if (KyDisplayThread::IsRunning())
        Skip(KyDisplayThread::Stop(false));
    // On the display thread itself (a grab callback removing the last one) there is no waiting:
    // the thread ends once that callback returned. Everywhere else it has ended when this returns.
    if (t_displayThreadOf != this)
        Skip(KyDisplayThread::WaitComplete());
}

int Device::RegisterGrabCallback(int type, GrabCallback callback, void *user)
{
    if (!IsConnected())
        return CallError();
    if (!callback || !IsGrabType(type))
        return BNK_ERR_INVALID_PARAMETER;  // refused before anything, the last error included
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        m_grabCallbacks[static_cast<size_t>(type)] = {callback, user};
    }
    StartDisplayThread();
    if (m_detailedLog)
        WriteLogFile(LogInfo::Value("RegisterGrabCallback", std::string(GRAB_NAMES[type])));
    return BNK_OK;
}

int Device::UnregisterGrabCallback(int type)
{
    if (!IsConnected())
        return CallError();
    if (!IsGrabType(type))
        return BNK_ERR_INVALID_PARAMETER;
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        m_grabCallbacks[static_cast<size_t>(type)] = {};
    }
    if (!HasGrabCallback())
        StopDisplayThread();
    if (m_detailedLog)
        WriteLogFile(LogInfo::Value("UnregisterGrabCallback", std::string(GRAB_NAMES[type])));
    return BNK_OK;
}

KyResult Device::SetNotification(const char *entry, bool on)
{
    KyGenParameterArray *parameters = Parameters();
    if (!parameters)
        return KyResult(KY_NOT_CONNECTED, NOT_CONNECTED_TEXT);
    KyResult result = parameters->SetEnumValue("EventSelector", KyString(entry));
    if (result.IsOK())
        result = parameters->SetEnumValue("EventNotification", KyString(on ? "On" : "Off"));
    return result;
}

int Device::RegisterEventCallback(int eventId, EventCallback callback, void *user)
{
    if (!IsConnected())
        return CallError();
    const int slot = EventSlot(eventId);
    if (!callback || slot < 0)
        return BNK_ERR_INVALID_PARAMETER;  // refused before anything, the last error included
    const EventKind &kind = EVENTS[slot];
    if (kind.selectorEntry) {
        SetResult(SetNotification(kind.selectorEntry, true));
        if (!CallResult().IsOK())
            return Fail("RegisterEventCallback", CAMCTRL_HERE, kind.name);
    }
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        m_eventCallbacks[static_cast<size_t>(slot)] = {callback, user};
    }
    if (m_detailedLog)
        WriteLogFile(LogInfo::Value("RegisterEventCallback", std::string(kind.name)));
    return BNK_OK;
}

int Device::UnregisterEventCallback(int eventId)
{
    if (!IsConnected())
        return CallError();
    const int slot = EventSlot(eventId);
    if (slot < 0)
        return BNK_ERR_INVALID_PARAMETER;
    const EventKind &kind = EVENTS[slot];
    {
        // Cleared first: an event that arrives while the camera is told goes nowhere.
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        m_eventCallbacks[static_cast<size_t>(slot)] = {};
    }
    // A camera that cannot switch the notification off still loses the callback.
    if (kind.selectorEntry)
        SetResult(SetNotification(kind.selectorEntry, false));
    if (m_detailedLog)
        WriteLogFile(LogInfo::Value("UnregisterEventCallback", std::string(kind.name)));
    return BNK_OK;
}

void Device::OnBufferDisplay(KyBuffer *buffer)
{
    t_displayThreadOf = this;  // only ever this camera's display thread calls this
    const KyResult result = buffer->GetOperationResult();
    Slot<GrabCallback> slot;
    int type = GrabNewImage;
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        if (result.IsOK())
            type = GrabNewImage;
        else if (result.GetCode() == KY_TIMEOUT && m_grabCallbacks[GrabTimeout].function)
            type = GrabTimeout;
        else if (result.GetCode() == KY_RESYNC)
            return;
        else
            type = GrabError;
        slot = m_grabCallbacks[static_cast<size_t>(type)];
    }
    if (!slot.function)
        return;
    if (type != GrabNewImage) {
        CallbackScope scope(this);
        slot.function(type, nullptr, slot.user);
        return;
    }
    // The pixels stay in the SDK's buffer: the record is valid while the callback runs.
    _bnkBuffer record{};
    record.blockId = buffer->GetBlockID();
    record.timestamp = buffer->GetTimestamp();
    record.data = buffer->GetDataPointer();
    record.imageSize = record.data ? std::min(buffer->GetPayloadSize(), buffer->GetSize()) : 0;
    if (const KyImage *image = buffer->GetImage()) {
        record.width = image->GetWidth();
        record.height = image->GetHeight();
        record.bytesPerPixel = image->GetBitsPerPixel() / 8;
        record.lineBytes = record.bytesPerPixel * record.width;
    }
    CallbackScope scope(this);
    slot.function(GrabNewImage, &record, slot.user);
}

void Device::OnEvent(KyDevice *device, uint16_t eventId, uint16_t, uint64_t, uint64_t timestamp,
                     const void *data, uint32_t dataLength)
{
    // Logged first: once the callback ran, the camera may be gone.
    if (m_detailedLog)
        WriteLogFile(LogInfo::Event(eventId, timestamp));
    const int slotIndex = device ? EventSlotOfRaw(device->GetType(), eventId) : -1;
    if (slotIndex < 0)
        return;
    Slot<EventCallback> slot;
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        slot = m_eventCallbacks[static_cast<size_t>(slotIndex)];
    }
    if (!slot.function)
        return;
    _bnkEvent event{};
    event.eventId = static_cast<uint32_t>(EVENTS[slotIndex].id);
    event.timestamp = timestamp;
    event.eventData = data;
    event.eventDataLength = data ? dataLength : 0;
    CallbackScope scope(this);
    slot.function(&event, slot.user);
}

void Device::OnLinkDisconnected(KyDevice *)
{
    Slot<EventCallback> slot;
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        slot = m_eventCallbacks[0];
    }
    if (!slot.function)
        return;
    _bnkEvent event{};
    event.eventId = EventDeviceDisconnect;
    event.timestamp = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                std::chrono::system_clock::now().time_since_epoch())
                                                .count());
    CallbackScope scope(this);
    slot.function(&event, slot.user);
}

}  // namespace ky::camctrl
