#include "ky/stream/KyPipelineEventSink.h"

void KyPipelineEventSink::OnBufferCreated(KyPipeline *, KyBuffer *) { }
void KyPipelineEventSink::OnBufferDeleted(KyPipeline *, KyBuffer *) { }
void KyPipelineEventSink::OnStart(KyPipeline *) { }
void KyPipelineEventSink::OnStop(KyPipeline *) { }
void KyPipelineEventSink::OnReset(KyPipeline *) { }

void KyPipelineEventSink::OnBufferTooSmall(KyPipeline *, bool *aReallocAll, bool *aResetStats)
{
    if (aReallocAll != nullptr)
        *aReallocAll = true;
    if (aResetStats != nullptr)
        *aResetStats = false;
}

void KyPipelineEventSink::OnBufferReady(KyPipeline *) { }
