#include "ky/stream/KyPipeline.h"

#include "PipelineCore.h"

KyPipeline::KyPipeline(KyStream *aStream) : mCore(new ky::stream::PipelineCore(*this, aStream)) { }

KyPipeline::~KyPipeline() { ky::stream::PipelineCore::OwnerGoing(mCore); }

uint32_t KyPipeline::GetBufferSize() const { return mCore->BufferSize(); }
void KyPipeline::SetBufferSize(uint32_t aSize) { mCore->SetBufferSize(aSize); }
uint32_t KyPipeline::GetBufferCount() const { return mCore->BufferCount(); }
KyResult KyPipeline::SetBufferCount(uint32_t aCount) { return mCore->SetBufferCount(aCount); }
bool KyPipeline::GetHandleBufferTooSmall() const { return mCore->HandleTooSmall(); }
void KyPipeline::SetHandleBufferTooSmall(bool aValue) { mCore->SetHandleTooSmall(aValue); }
uint32_t KyPipeline::GetOutputQueueSize() const { return mCore->OutputSize(); }
bool KyPipeline::IsStarted() { return mCore->IsStarted(); }
KyResult KyPipeline::Start() { return mCore->Start(); }
KyResult KyPipeline::Stop() { return mCore->Stop(); }
KyResult KyPipeline::Reset() { return mCore->Reset(); }

KyResult KyPipeline::RetrieveNextBuffer(KyBuffer **aBuffer, uint32_t aTimeout, KyResult *aOperationResult)
{
    return mCore->Retrieve(aBuffer, aTimeout, aOperationResult);
}

KyResult KyPipeline::ReleaseBuffer(KyBuffer *aBuffer) { return mCore->Release(aBuffer); }
KyResult KyPipeline::RegisterEventSink(KyPipelineEventSink *aEventSink)
{
    return mCore->RegisterSink(aEventSink);
}
KyResult KyPipeline::UnregisterEventSink(KyPipelineEventSink *aEventSink)
{
    return mCore->UnregisterSink(aEventSink);
}
uint32_t KyPipeline::GetBufferHandlingThreadPriority() const { return mCore->Priority(); }

KyResult KyPipeline::SetBufferHandlingThreadPriority(uint32_t aPriority)
{
    return mCore->SetPriority(aPriority);
}
