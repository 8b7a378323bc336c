#include "ky/stream/KyStream.h"

#include "StreamCore.h"
#include "StreamFactory.h"

KyStream::KyStream() : mCore(new ky::stream::StreamCore()) { }

KyStream::~KyStream() = default;

KyStream *KyStream::CreateAndOpen(const KyDeviceInfo *aDeviceInfo, KyResult *aResult)
{
    return ky::stream::OpenNew(aDeviceInfo, aResult);
}

KyStream *KyStream::CreateAndOpen(const KyString &aInfo, KyResult *aResult)
{
    return ky::stream::OpenNew(aInfo, aResult);
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
KyResult KyStream::RegisterEventSink(KyStreamEventSink *aEventSink)
{
    return mCore->RegisterSink(aEventSink);
}
KyResult KyStream::UnregisterEventSink(KyStreamEventSink *aEventSink)
{
    return mCore->UnregisterSink(aEventSink);
}
