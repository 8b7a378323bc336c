#include "ky/stream/KyStream.h"

#include <arpa/inet.h>
#include <new>

#include "ky/device/KyDeviceInfo.h"
#include "ky/stream/KyStreamGEV.h"
#include "StreamCore.h"

KyStream::KyStream() : mCore(new ky::stream::StreamCore()) {}

KyStream::~KyStream() = default;

namespace {

// Opens a stream made here; deletes it again when the open fails.
template <typename Info>
KyStream *OpenNew(KyStream *stream, const Info &info, KyResult *aResult)
{
    KyResult result = stream ? stream->Open(info) : KyResult(KY_NOT_ENOUGH_MEMORY, KyString("cannot make a stream"));
    if (aResult != nullptr)
        *aResult = result;
    if (result.IsOK())
        return stream;
    delete stream;
    return nullptr;
}

KyStream *Refuse(KyResult *aResult, uint32_t code, const char *text)
{
    if (aResult != nullptr)
        *aResult = KyResult(code, KyString(text));
    return nullptr;
}

} // namespace

KyStream *KyStream::CreateAndOpen(const KyDeviceInfo *aDeviceInfo, KyResult *aResult)
{
    if (aDeviceInfo == nullptr)
        return Refuse(aResult, KY_INVALID_PARAMETER, "a stream needs a device information record");
    if (aDeviceInfo->GetType() != KyDeviceInfoTypeGEV)
        return Refuse(aResult, KY_NOT_SUPPORTED, "this kit receives streams of GigE Vision devices only");
    return OpenNew(new (std::nothrow) KyStreamGEV(), aDeviceInfo, aResult);
}

KyStream *KyStream::CreateAndOpen(const KyString &aInfo, KyResult *aResult)
{
    if (aInfo.GetLength() == 0)
        return Refuse(aResult, KY_INVALID_PARAMETER, "a stream needs the device's address");
    in_addr address{};
    if (inet_pton(AF_INET, aInfo.GetAscii(), &address) != 1)
        return Refuse(aResult, KY_NOT_FOUND, "a stream is opened on a device's IPv4 address");
    return OpenNew(new (std::nothrow) KyStreamGEV(), aInfo, aResult);
}

void KyStream::Free(KyStream *aStream)
{
    if (aStream == nullptr)
        return;
    (void)aStream->Close();  // refuses only a stream that is not open, which has nothing to close
    delete aStream;
}

KyResult KyStream::Close()
{
    if (!mCore->IsOpen())
        return KyResult(KY_NOT_CONNECTED, KyString("the stream is not open"));
    mCore->Close();
    return KyResult();
}

bool KyStream::IsOpen() const { return mCore->IsOpen(); }
uint16_t KyStream::GetChannel() const { return mCore->Channel(); }
KyResult KyStream::AbortQueuedBuffers() { return mCore->Abort(); }
KyResult KyStream::QueueBuffer(KyBuffer *aBuffer) { return mCore->Queue(aBuffer); }

KyResult KyStream::RetrieveBuffer(KyBuffer **aBuffer, KyResult *aOperationResult, uint32_t aTimeout)
{
    return mCore->Retrieve(aBuffer, aOperationResult, aTimeout);
}

uint32_t KyStream::GetQueuedBufferCount() const { return mCore->QueuedCount(); }
uint32_t KyStream::GetQueuedBufferMaximum() const { return mCore->QueuedMaximum(); }
KyGenParameterArray *KyStream::GetParameters() { return &mCore->Parameters().Array(); }
KyResult KyStream::RegisterEventSink(KyStreamEventSink *aEventSink) { return mCore->RegisterSink(aEventSink); }
KyResult KyStream::UnregisterEventSink(KyStreamEventSink *aEventSink) { return mCore->UnregisterSink(aEventSink); }
