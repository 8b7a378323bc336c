// Device: construction, opening, closing, destruction and the connection queries.
#include "Device.h"

#include <chrono>

#include "ky/device/KyDeviceGEV.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyStreamGEV.h"
#include "LogFiles.h"
#include "ResultCodes.h"
#include "SourcePlace.h"
#include "TextOut.h"

namespace ky::camctrl {

namespace {

// Steps whose outcome the opening does not depend on.
void Ignore(const KyResult &) { }

}  // namespace

Device::Device(bool detailedLog) : m_detailedLog(detailedLog) { }

Device::~Device()
{
    if (m_detailedLog)
        odprintf("[INFO] - Device::dtor:Call");
    // Nothing is called from here on; the close below has nothing left to unregister.
    ClearCallbacks();
    if (Connected())
        CloseDevice();
    // After a link loss CloseDevice released nothing: the full release runs here in every case,
    // while this object (and its hooks) still exists.
    Disconnect();
}

bool Device::Connected() const { return m_device && m_device->IsConnected(); }

bool Device::IsConnected()
{
    if (Connected())
        return true;
    SetResult(KY_NOT_CONNECTED, NOT_CONNECTED_TEXT);
    return false;
}

int Device::OpenDevice(std::shared_ptr<const KyDeviceInfo> info)
{
    if (!info)
        return SetResult(KY_NOT_CONNECTED, NOT_CONNECTED_TEXT);
    m_deviceInfo = info;
    Disconnect();
    SetResult(KY_NOT_CONNECTED, NOT_CONNECTED_TEXT);

    KyResult result;
    m_device.reset(KyDevice::CreateAndConnect(info.get(), &result));
    SetResult(result);
    if (!result.IsOK() || !m_device) {
        if (result.IsOK())
            SetResult(KY_NOT_CONNECTED, NOT_CONNECTED_TEXT);
        Disconnect();
        return Fail("OpenDevice", CAMCTRL_HERE);
    }

    m_stream.reset(KyStream::CreateAndOpen(info->GetConnectionID(), &result));
    SetResult(result);
    if (!result.IsOK() || !m_stream) {
        if (result.IsOK())
            SetResult(KY_NOT_CONNECTED, NOT_CONNECTED_TEXT);
        Disconnect();
        return Fail("OpenDevice", CAMCTRL_HERE);
    }

    if (info->GetType() == KyDeviceInfoTypeGEV) {
        auto *device = dynamic_cast<KyDeviceGEV *>(m_device.get());
        auto *stream = dynamic_cast<KyStreamGEV *>(m_stream.get());
        if (device && stream) {
            const KyString localAddress = stream->GetLocalIPAddress();
            const uint16_t localPort = stream->GetLocalPort();
            Ignore(device->NegotiatePacketSize(0, 0));
            Ignore(device->SetStreamDestination(localAddress, localPort, 0));
            Ignore(stream->GetParameters()->SetIntegerValue("MaximumResendRequestRetryByPacket", 0));
        }
    }
    Ignore(m_device->RegisterEventSink(this));
    m_pipeline = std::make_unique<KyPipeline>(m_stream.get());
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_stateManager = std::make_unique<KyAcquisitionStateManager>(m_device.get(), m_stream.get(), 0);
    }
    return BNK_OK;
}

void Device::StopStreaming()
{
    if (KyDisplayThread::IsRunning())
        Ignore(KyDisplayThread::Stop(false));
    if (m_pipeline && m_pipeline->IsStarted())
        Ignore(m_pipeline->Stop());
    if (KyDisplayThread::IsRunning())
        Ignore(KyDisplayThread::WaitComplete());
}

bool Device::StreamingQuietly()
{
    if (!Connected())
        return false;
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_stateManager && m_stateManager->GetState() == KyAcquisitionStateLocked;
}

void Device::Disconnect()
{
    if (StreamingQuietly())
        StopStreaming();
    // A display thread may run without acquisition (a grab callback registered), or still be
    // ending after a callback stopped it: it must have ended before the pipeline it reads goes.
    // (The camera is never closed from its own callbacks; see System::CloseDevice.)
    if (KyDisplayThread::IsRunning())
        Ignore(KyDisplayThread::Stop(false));
    Ignore(KyDisplayThread::WaitComplete());
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_stateManager.reset();
    }
    m_device.reset();
    m_pipeline.reset();
    m_stream.reset();
}

int Device::CloseDevice()
{
    if (!IsConnected())
        return CallError();
    if (m_detailedLog)
        odprintf("[INFO] - Device::CloseDevice:Call");
    std::array<bool, 3> grabSet{};
    std::array<bool, 10> eventSet{};
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        for (size_t i = 0; i < grabSet.size(); ++i)
            grabSet[i] = m_grabCallbacks[i].function != nullptr;
        for (size_t i = 0; i < eventSet.size(); ++i)
            eventSet[i] = m_eventCallbacks[i].function != nullptr;
    }
    for (size_t i = 0; i < grabSet.size(); ++i)
        if (grabSet[i])
            (void)UnregisterGrabCallback(static_cast<int>(i));
    for (size_t i = 0; i < eventSet.size(); ++i)
        if (eventSet[i])
            (void)UnregisterEventCallback(EventDeviceDisconnect + 4 * static_cast<int>(i));
    Disconnect();
    if (m_detailedLog)
        WriteLogFile(LogInfo::Call("CloseDevice"));
    return BNK_OK;
}

int Device::IsOpenDevice(bool *open)
{
    *open = IsConnected();
    if (m_detailedLog)
        WriteLogFile(LogInfo::Value("IsOpenDevice", *open));
    return BNK_OK;
}

int Device::GetInterface(char *text, unsigned int *length)
{
    const KyDeviceType type = m_device ? m_device->GetType() : KyDeviceTypeUnknown;
    if (type != KyDeviceTypeGEV && type != KyDeviceTypeU3V) {
        SetResult(KY_INVALID_PARAMETER, INVALID_PARAMETER_TEXT);
        return Fail("GetInterface", CAMCTRL_HERE);
    }
    if (PutText(type == KyDeviceTypeGEV ? "GEV" : "U3V", text, length) == TextOutcome::TooSmall) {
        SetResult(KY_BUFFER_TOO_SMALL, BUFFER_TOO_SMALL_TEXT);
        return Fail("GetInterface", CAMCTRL_HERE);
    }
    if (m_detailedLog)
        WriteLogFile(LogInfo::Call("GetInterface"));
    return BNK_OK;
}

int Device::GetAcquisitionState()
{
    if (!IsConnected())
        return -1;
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_stateManager ? static_cast<int>(m_stateManager->GetState()) : -1;
}

bool Device::IsStreaming() { return GetAcquisitionState() == KyAcquisitionStateLocked; }

int Device::SetDetailedLog(bool on)
{
    if (!IsConnected())
        return CallError();
    m_detailedLog = on;
    if (on)
        WriteLogFile(LogInfo::Value("SetDetailedLog", true));
    return BNK_OK;
}

int Device::GetDetailedLog(bool *on)
{
    if (!IsConnected())
        return CallError();
    *on = m_detailedLog;
    return BNK_OK;
}

int Device::GetLastError() const
{
    std::lock_guard<std::mutex> lock(m_errorMutex);
    return ConvertErrorCode(m_errorCode);
}

std::string Device::GetLastErrorText() const
{
    std::lock_guard<std::mutex> lock(m_errorMutex);
    return m_errorText;
}

KyResult &Device::CallResult()
{
    thread_local KyResult result;
    return result;
}

int Device::CallError() { return ConvertErrorCode(CallResult().GetCode()); }

int Device::SetResult(const KyResult &result)
{
    CallResult() = result;
    std::string text = result.GetDescription().str();
    {
        std::lock_guard<std::mutex> lock(m_errorMutex);
        m_errorCode = result.GetCode();
        m_errorText.swap(text);
    }
    return ConvertErrorCode(result.GetCode());
}

int Device::SetResult(uint32_t code, const char *description)
{
    return SetResult(KyResult(code, KyString(description)));
}

bool Device::EnterCall()
{
    std::lock_guard<std::mutex> lock(m_callMutex);
    if (m_closing)
        return false;
    ++m_callsInFlight;
    return true;
}

void Device::LeaveCall()
{
    std::lock_guard<std::mutex> lock(m_callMutex);
    if (--m_callsInFlight == 0)
        m_callsDone.notify_all();
}

void Device::BeginClose()
{
    std::lock_guard<std::mutex> lock(m_callMutex);
    m_closing = true;
}

bool Device::IsClosing() const
{
    std::lock_guard<std::mutex> lock(m_callMutex);
    return m_closing;
}

void Device::WaitForCalls()
{
    std::unique_lock<std::mutex> lock(m_callMutex);
    while (m_callsInFlight != 0) {
        lock.unlock();
        // A polling grab waits in the pipeline, a single grab in the stream: both come back at
        // once, and a call that restarted acquisition meanwhile is woken on the next round.
        if (m_pipeline && m_pipeline->IsStarted())
            Ignore(m_pipeline->Stop());
        else if (m_stream)
            Ignore(m_stream->AbortQueuedBuffers());
        lock.lock();
        m_callsDone.wait_for(lock, std::chrono::milliseconds(20), [this] { return m_callsInFlight == 0; });
    }
}

int Device::Fail(const char *operation, const char *file, int line, const char *feature)
{
    const int code = CallError();
    if (m_detailedLog) {
        if (feature)
            WriteLogFile(
                LogInfo::Failure(operation, file, line, feature, code, CallResult().GetDescription().str()));
        else
            WriteLogFile(LogInfo::Failure(operation, file, line, code, CallResult().GetDescription().str()));
    }
    return code;
}

void Device::OnBufferRetrieved(KyBuffer *) { }

}  // namespace ky::camctrl
