// Device: acquisition, image memory sizing and the polling grab.
#include <cstdlib>
#include <cstring>
#include <limits>

#include "Device.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
#include "ky/camctrl/bnkCamCtrl.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ImageMemory.h"
#include "ResultCodes.h"
#include "SourcePlace.h"

namespace ky::camctrl {

namespace {

// Steps whose outcome the caller does not depend on.
void Skip(const KyResult &) { }

constexpr const char *IMAGE_TOO_LARGE_TEXT = "The image is larger than the record's memory.";
constexpr const char *CLOSED_TEXT = "The camera was closed during the grab.";

}  // namespace

int Device::AcqStart()
{
    if (!IsConnected())
        return CallError();
    const uint32_t payload = m_device->GetPayloadSize();
    Skip(m_pipeline->SetBufferCount(m_bufferCount));
    if (payload != 0)
        m_pipeline->SetBufferSize(payload);
    if (KyGenParameterArray *streamParameters = m_stream->GetParameters())
        Skip(streamParameters->ExecuteCommand("Reset"));
    Skip(StartStreaming());
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        if (m_stateManager)
            Skip(m_stateManager->Start());
    }
    if (m_detailedLog)
        WriteLogFile(LogInfo::Call("AcqStart"));
    return BNK_OK;
}

KyResult Device::StartStreaming()
{
    if (HasGrabCallback())
        StartDisplayThread();
    return m_pipeline->Start();
}

int Device::AcqStop()
{
    if (!IsConnected())
        return CallError();
    if (IsStreaming()) {
        {
            std::lock_guard<std::mutex> lock(m_stateMutex);
            if (m_stateManager)
                Skip(m_stateManager->Stop());
        }
        StopStreaming();
    }
    if (m_detailedLog)
        WriteLogFile(LogInfo::Call("AcqStop"));
    return BNK_OK;
}

int Device::DoAbortGrab()
{
    if (!IsConnected())
        return CallError();
    if (m_pipeline && m_pipeline->IsStarted()) {
        SetResult(m_pipeline->Reset());
        if (CallResult().IsOK())
            Skip(m_pipeline->Stop());
    }
    if (m_detailedLog)
        WriteLogFile(LogInfo::Call("DoAbortGrab"));
    return BNK_OK;
}

int Device::SetGrabTimeout(uint32_t milliseconds)
{
    if (!IsConnected())
        return CallError();
    if (IsStreaming())
        return SetResult(KY_BUSY, "The camera is acquiring.");
    m_grabTimeout = milliseconds;
    if (m_detailedLog)
        WriteLogFile(LogInfo::Value("SetGrabTimeout", static_cast<int>(milliseconds)));
    return BNK_OK;
}

int Device::GetGrabTimeout(uint32_t *milliseconds)
{
    if (!IsConnected())
        return CallError();
    if (!milliseconds)
        return Refuse("GetGrabTimeout", nullptr, CAMCTRL_HERE);
    *milliseconds = m_grabTimeout;
    if (m_detailedLog)
        WriteLogFile(LogInfo::Value("GetGrabTimeout", static_cast<int>(m_grabTimeout)));
    return BNK_OK;
}

int Device::SetBufferCount(uint32_t count)
{
    if (!IsConnected())
        return CallError();
    if (IsStreaming())
        return SetResult(KY_BUSY, "The camera is acquiring.");
    m_bufferCount = count;
    if (m_detailedLog)
        WriteLogFile(LogInfo::Value("SetBufferCount", static_cast<int>(count)));
    return BNK_OK;
}

int Device::GetBufferCount(uint32_t *count)
{
    if (!IsConnected())
        return CallError();
    if (!count)
        return Refuse("GetBufferCount", nullptr, CAMCTRL_HERE);
    *count = m_bufferCount;
    if (m_detailedLog)
        WriteLogFile(LogInfo::Value("GetBufferCount", static_cast<int>(m_bufferCount)));
    return BNK_OK;
}

int Device::InitBuffer(_bnkBuffer *record, int bytesPerPixel)
{
    if (!IsConnected())
        return CallError();
    if (!record || bytesPerPixel < 0)
        return SetResult(KY_INVALID_PARAMETER, INVALID_PARAMETER_TEXT);
    record->blockId = 0;
    record->timestamp = 0;
    KyGenParameterArray *parameters = Parameters();
    int64_t payload = 0, width = 0, height = 0;
    for (auto [name, value] : {std::pair{"PayloadSize", &payload}, {"Width", &width}, {"Height", &height}}) {
        SetResult(parameters->GetIntegerValue(name, *value));
        if (!CallResult().IsOK())
            return CallError();
    }
    uint32_t pixelBytes = 0;
    if (bytesPerPixel != 0) {
        pixelBytes = static_cast<uint32_t>(bytesPerPixel);
    } else {
        int64_t format = 0;
        SetResult(parameters->GetEnumValue("PixelFormat", format));
        if (!CallResult().IsOK())
            return CallError();
        const uint32_t bits = (static_cast<uint64_t>(format) >> 16) & 0xFF;
        pixelBytes = (bits >= 9 && bits <= 15) ? 2 : bits / 8;
    }
    const uint64_t size =
        static_cast<uint64_t>(static_cast<uint32_t>(payload)) * (bytesPerPixel != 0 ? pixelBytes : 1);
    const uint64_t line = static_cast<uint64_t>(static_cast<uint32_t>(width)) * pixelBytes;
    if (size > std::numeric_limits<uint32_t>::max() || line > std::numeric_limits<uint32_t>::max())
        return SetResult(KY_INVALID_PARAMETER, INVALID_PARAMETER_TEXT);
    auto *memory = static_cast<unsigned char *>(std::malloc(size == 0 ? 1 : size));
    if (!memory) {
        SetResult(KY_NOT_ENOUGH_MEMORY, "Not enough memory.");
        return BNK_ERR_NOT_INITIALIZED;
    }
    std::memset(memory, 0, size);
    RememberImageMemory(memory, static_cast<uint32_t>(size));
    record->imageSize = static_cast<uint32_t>(size);
    record->width = static_cast<uint32_t>(width);
    record->height = static_cast<uint32_t>(height);
    record->bytesPerPixel = pixelBytes;
    record->lineBytes = static_cast<uint32_t>(line);
    record->data = memory;
    return BNK_OK;
}

int Device::CopyImage(KyBuffer *buffer, _bnkBuffer *record)
{
    const KyImage *image = buffer->GetImage();
    if (!image)
        return BNK_OK;
    const uint32_t size = image->GetImageSize();
    if (size > ImageCapacity(*record))
        return SetResult(KY_BUFFER_TOO_SMALL, IMAGE_TOO_LARGE_TEXT);
    std::memcpy(record->data, image->GetDataPointer(), size);
    record->blockId = buffer->GetBlockID();
    record->timestamp = buffer->GetTimestamp();
    NoteImageSize(record->data, record->imageSize, size);
    record->imageSize = size;
    record->width = image->GetWidth();
    record->height = image->GetHeight();
    record->bytesPerPixel = image->GetBitsPerPixel() / 8;
    record->lineBytes = record->bytesPerPixel * image->GetWidth();
    return BNK_OK;
}

int Device::GrabImage(_bnkBuffer *record)
{
    if (!IsConnected())
        return CallError();
    if (!record)
        return SetResult(KY_INVALID_PARAMETER, INVALID_PARAMETER_TEXT);
    if (!record->data)
        return BNK_ERR_NOT_INITIALIZED;
    if (KyDisplayThread::IsRunning())
        return SetResult(KY_BUSY, "Images go to the grab callback.");
    KyBuffer *buffer = nullptr;
    KyResult operation;
    const KyResult retrieved = m_pipeline->RetrieveNextBuffer(&buffer, m_grabTimeout, &operation);
    if (!retrieved.IsOK()) {
        // Woken by a close of this camera on another thread: the camera is going.
        if (IsClosing()) {
            SetResult(KY_NOT_CONNECTED, CLOSED_TEXT);
            return BNK_ERR_NO_DEVICE;
        }
        if (retrieved.GetCode() == KY_TIMEOUT)
            SetResult(KY_TIMEOUT, TIMEOUT_TEXT);
        else
            SetResult(retrieved);
        return Fail("GrabImage", CAMCTRL_HERE);
    }
    SetResult(retrieved);
    int result = BNK_OK;
    if (!operation.IsOK())
        result = SetResult(operation);
    else if (buffer->GetPayloadType() == KyPayloadTypeImage)
        result = CopyImage(buffer, record);
    Skip(m_pipeline->ReleaseBuffer(buffer));
    return result;
}

int Device::GetImageAvailable(uint32_t *available)
{
    if (!IsConnected())
        return CallError();
    if (!available)
        return Refuse("GetImageAvailable", nullptr, CAMCTRL_HERE);
    *available = m_pipeline && m_pipeline->GetOutputQueueSize() != 0 ? 1 : 0;
    if (m_detailedLog)
        WriteLogFile(LogInfo::Value("GetImageAvailable", true));
    return BNK_OK;
}

KyGenParameterArray *Device::StreamParameters(const char *operation)
{
    KyGenParameterArray *parameters = m_stream ? m_stream->GetParameters() : nullptr;
    if (!parameters) {
        SetResult(KY_STATE_ERROR, STATE_ERROR_TEXT);
        Fail(operation, CAMCTRL_HERE);
    }
    return parameters;
}

int Device::GetGrabCount(uint64_t *blocks, uint64_t *errors)
{
    if (!IsConnected())
        return CallError();
    if (!blocks || !errors)
        return Refuse("GetGrabCount", nullptr, CAMCTRL_HERE);
    KyGenParameterArray *parameters = StreamParameters("GetGrabCount");
    if (!parameters)
        return CallError();
    int64_t value = 0;
    SetResult(parameters->GetIntegerValue("BlockCount", value));
    if (!CallResult().IsOK())
        return Fail("GetGrabCount", CAMCTRL_HERE);
    *blocks = static_cast<uint64_t>(value);
    SetResult(parameters->GetIntegerValue("ErrorCount", value));
    if (!CallResult().IsOK())
        return Fail("GetGrabCount", CAMCTRL_HERE);
    *errors = static_cast<uint64_t>(value);
    if (m_detailedLog)
        WriteLogFile(LogInfo::Call("GetGrabCount"));
    return BNK_OK;
}

int Device::StreamFloat(const char *operation, const char *name, double divisor, double *value)
{
    if (!IsConnected())
        return CallError();
    if (!value)
        return Refuse(operation, nullptr, CAMCTRL_HERE);
    KyGenParameterArray *parameters = StreamParameters(operation);
    if (!parameters)
        return CallError();
    double read = 0;
    SetResult(parameters->GetFloatValue(name, read));
    if (!CallResult().IsOK())
        return Fail(operation, CAMCTRL_HERE);
    *value = read / divisor;
    if (m_detailedLog)
        WriteLogFile(LogInfo::Call(operation));
    return BNK_OK;
}

int Device::GetFrameRate(double *rate) { return StreamFloat("GetFrameRate", "AcquisitionRate", 1.0, rate); }

int Device::GetBandwidth(double *mbps) { return StreamFloat("GetBandwidth", "Bandwidth", 1000000.0, mbps); }

}  // namespace ky::camctrl
