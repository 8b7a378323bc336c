// Device: one single-frame acquisition on buffers of its own.
#include <algorithm>

#include "Device.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/genicam/KyGenCommand.h"
#include "ky/genicam/KyGenEnum.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ResultCodes.h"
#include "SourcePlace.h"

namespace ky::camctrl {

namespace {

// Steps whose outcome the caller does not depend on.
void Skip(const KyResult &) { }

// How many buffers a single grab queues at most, and how long it waits at most for the stream to
// give back each one it aborted (the abort hands them back at once; the bound only keeps a broken
// stream from hanging the caller).
constexpr uint32_t SINGLE_GRAB_BUFFERS = 2;
constexpr uint32_t DRAIN_WAIT_MS = 5000;

constexpr const char *MISSING_FEATURE_TEXT =
    "The camera has no AcquisitionMode, AcquisitionStart or AcquisitionStop feature.";

}  // namespace

void Device::CreateStreamBuffers(std::vector<KyBuffer *> &buffers)
{
    const uint32_t count = std::min(SINGLE_GRAB_BUFFERS, m_stream->GetQueuedBufferMaximum());
    const uint32_t payload = m_device->GetPayloadSize();
    for (uint32_t i = 0; i < count; ++i) {
        auto buffer = std::make_unique<KyBuffer>(KyPayloadTypeImage);
        if (payload == 0 || !buffer->Alloc(payload).IsOK())
            continue;
        // Listed before it is queued, so that whatever the stream holds is freed at the end.
        buffers.push_back(buffer.release());
        // Queued is KY_PENDING: only a failure keeps the stream from holding the buffer.
        if (m_stream->QueueBuffer(buffers.back()).IsFailure()) {
            delete buffers.back();
            buffers.pop_back();
        }
    }
}

bool Device::FreeStreamBuffers(std::vector<KyBuffer *> &buffers)
{
    // Every buffer the stream still holds comes back aborted; only then may they go.
    Skip(m_stream->AbortQueuedBuffers());
    while (m_stream->GetQueuedBufferCount() != 0) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        if (!m_stream->RetrieveBuffer(&buffer, &operation, DRAIN_WAIT_MS).IsOK())
            break;
    }
    if (m_stream->GetQueuedBufferCount() != 0)
        return false;  // kept rather than freed under the stream's feet
    for (KyBuffer *buffer : buffers)
        delete buffer;
    buffers.clear();
    return true;
}

int Device::SingleGrabImage(_bnkBuffer *record)
{
    if (!IsConnected())
        return CallError();
    if (!record)
        return SetResult(KY_INVALID_PARAMETER, INVALID_PARAMETER_TEXT);
    if (!record->data)
        return BNK_ERR_NOT_INITIALIZED;
    if (IsStreaming()) {
        {
            std::lock_guard<std::mutex> lock(m_stateMutex);
            if (m_stateManager)
                Skip(m_stateManager->Stop());
        }
        StopStreaming();
    }

    KyGenParameterArray *parameters = Parameters();
    KyGenCommand *start = parameters->GetCommand("AcquisitionStart");
    KyGenCommand *stop = parameters->GetCommand("AcquisitionStop");
    KyGenEnum *mode = parameters->GetEnum("AcquisitionMode");
    if (!start || !stop || !mode) {
        SetResult(KY_NOT_FOUND, MISSING_FEATURE_TEXT);
        return Fail("SingleGrabImage", CAMCTRL_HERE);
    }
    SetResult(mode->SetValue(KyString("SingleFrame")));
    if (!CallResult().IsOK())
        return Fail("SingleGrabImage", CAMCTRL_HERE);

    std::vector<KyBuffer *> buffers;
    CreateStreamBuffers(buffers);
    if (KyGenParameterArray *streamParameters = m_stream->GetParameters())
        Skip(streamParameters->ExecuteCommand("Reset"));
    Skip(m_device->StreamEnable(0));
    Skip(start->Execute());

    KyBuffer *buffer = nullptr;
    KyResult operation;
    const KyResult retrieved = m_stream->RetrieveBuffer(&buffer, &operation, m_grabTimeout);
    Skip(stop->Execute());
    Skip(m_device->StreamDisable(0));
    const KyResult restored = mode->SetValue(KyString("Continuous"));

    int result = BNK_OK;
    if (!retrieved.IsOK() || !buffer) {
        if (retrieved.GetCode() == KY_TIMEOUT)
            SetResult(KY_TIMEOUT, TIMEOUT_TEXT);
        else
            SetResult(retrieved.IsOK() ? KyResult(KY_GENERIC_ERROR, KyString("No buffer came back."))
                                       : retrieved);
        result = Fail("SingleGrabImage", CAMCTRL_HERE);
    } else if (!operation.IsOK()) {
        result = SetResult(operation);
    } else {
        SetResult(KyResult());
        if (buffer->GetPayloadType() == KyPayloadTypeImage)
            result = CopyImage(buffer, record);
    }
    // The buffers go back to the library whatever happened: none stays queued on the stream.
    (void)FreeStreamBuffers(buffers);
    if (!restored.IsOK()) {
        SetResult(restored);
        return Fail("SingleGrabImage", CAMCTRL_HERE);
    }
    return result;
}

}  // namespace ky::camctrl
