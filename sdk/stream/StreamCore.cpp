#include "StreamCore.h"

#include <algorithm>

#include "ky/buffer/KyBuffer.h"
#include "ky/base/KyEnums.h"
#include "StreamLog.h"

namespace ky::stream {

StreamCore::StreamCore()
{
    StreamStatistics &s = mStatistics;
    using Snapshot = StreamStatisticsSnapshot;
    struct Counter
    {
        const char *name;
        const char *tooltip;
        uint64_t Snapshot::*field;
    };
    const Counter counters[] = {
        {"BlockCount", "Blocks received whole.", &Snapshot::blockCount},
        {"ErrorCount", "Blocks that ended with an error (aborted ones not counted).", &Snapshot::errorCount},
        {"AbortedCount", "Blocks handed back aborted.", &Snapshot::abortedCount},
        {"TimeoutCount", "Blocks that timed out.", &Snapshot::timeoutCount},
        {"MissingPacketsCount", "Blocks that ended with packets missing.", &Snapshot::missingPacketsCount},
        {"BufferTooSmallCount", "Blocks larger than their buffer.", &Snapshot::bufferTooSmallCount},
        {"PacketsRecovered", "Packets that arrived through a resend.", &Snapshot::packetsRecovered},
        {"ResendGroupRequested", "Groups of packets asked for again.", &Snapshot::resendGroupsRequested},
        {"ResendPacketRequested", "Packets asked for again.", &Snapshot::resendPacketsRequested},
        {"LostPacketCount", "Packets still missing when their block ended.", &Snapshot::lostPackets},
        {"PipelineImagesDropped", "Blocks a pipeline let go because they were not retrieved in time.",
         &Snapshot::pipelineImagesDropped},
        {"SamplingTime", "Milliseconds from the first to the last whole block.", &Snapshot::samplingTimeMs},
    };
    for (const Counter &c : counters)
        mParameters.Add(IntegerFeature(
            c.name, c.tooltip, [&s, field = c.field] { return static_cast<int64_t>(s.Snapshot().*field); }));
    mParameters.Add(FloatFeature("AcquisitionRate", "Whole blocks per second.",
                                 [&s] { return s.Snapshot().acquisitionRate; }));
    mParameters.Add(FloatFeature("Bandwidth", "Payload bits per second of the whole blocks.",
                                 [&s] { return s.Snapshot().bandwidth; }));
    mParameters.Add(CommandFeature("Reset", "Sets the statistics back to zero.", [&s](int64_t) {
        s.Reset();
        return KyResult();
    }));
    // The features come from the table above: failing to load them is a fault of this library.
    const KyResult built = mParameters.Build();
    if (built.IsFailure())
        StreamLog().LogCritical(__FILE__, __LINE__, "KyStream", built.GetDescription().GetAscii());
}

StreamCore::~StreamCore()
{
    Close();
    // Buffers still queued are only forgotten; none of them may call this core afterwards.
    LetGo([this] {
        std::lock_guard<std::mutex> lock(mMutex);
        ForgetQueued();
    });
}

void StreamCore::ForgetQueued()
{
    for (KyBuffer *buffer : mQueued)
        buffer->SetHolder(nullptr);
    mQueued.clear();
}

void StreamCore::ForgetBuffer(KyBuffer *buffer)
{
    try {
        std::unique_lock<std::mutex> lock(mMutex);
        if (mQueued.count(buffer) == 0)
            return;
        if (mSource && mSource->Withdraw(buffer)) {
            mQueued.erase(buffer);
            buffer->SetHolder(nullptr);
            return;
        }
        // Taken out of the source by a retriever that has not finished with it yet.
        mHandedBack.wait(lock, [&] { return mQueued.count(buffer) == 0; });
    } catch (const std::exception &e) {
        // Called from a destructor: nothing may leave it.
        StreamLog().LogError(__FILE__, __LINE__, "StreamCore::ForgetBuffer", e.what());
    }
}

void StreamCore::SetSource(std::unique_ptr<BlockSource> source, uint32_t capacity, uint16_t channel)
{
    std::shared_ptr<BlockSource> old;
    LetGo([&] {
        std::lock_guard<std::mutex> lock(mMutex);
        old = std::move(mSource);
        mSource = std::move(source);
        ForgetQueued();  // buffers of an earlier opening are forgotten
        mCapacity = capacity;
        mChannel = channel;
    });
    if (old)
        old->Close();
}

void StreamCore::Close()
{
    std::shared_ptr<BlockSource> source;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        source = mSource;
    }
    // The closed source stays: it still hands back the aborted buffers.
    if (source)
        source->Close();
}

bool StreamCore::IsOpen() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSource && mSource->IsOpen();
}

KyResult StreamCore::Queue(KyBuffer *buffer)
{
    if (buffer == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("a null buffer cannot be queued"));
    if (buffer->GetDataPointer() == nullptr || buffer->GetSize() == 0)
        return KyResult(KY_INVALID_PARAMETER, KyString("a buffer without memory cannot be queued"));
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mSource || !mSource->IsOpen())
        return KyResult(KY_NOT_CONNECTED, KyString("the stream is not open"));
    if (mQueued.count(buffer) != 0)
        return KyResult(KY_STATE_ERROR, KyString("the buffer is queued already"));
    if (mQueued.size() >= mCapacity)
        return KyResult(KY_NOT_ENOUGH_MEMORY, KyString("the stream holds its maximum of " +
                                                       std::to_string(mCapacity) + " queued buffers"));
    KyResult result = mSource->Queue(buffer);
    if (result.IsFailure())
        return result;
    mQueued.insert(buffer);
    buffer->SetHolder(this);
    return KyResult(KY_PENDING);
}

KyResult StreamCore::Retrieve(KyBuffer **buffer, KyResult *operationResult, uint32_t timeoutMs)
{
    if (buffer == nullptr || operationResult == nullptr)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("RetrieveBuffer needs a buffer and an operation result to write"));
    *buffer = nullptr;
    std::shared_ptr<BlockSource> source;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (mQueued.empty())
            return KyResult(KY_NO_MORE_ITEM, KyString("no buffer is queued"));
        source = mSource;
    }
    KyBuffer *out = nullptr;
    KyResult result = source->Next(out, timeoutMs);
    if (result.IsFailure())
        return result;
    // Still linked: a destructor of this buffer on another thread waits until it is handed back.
    mStatistics.Record(*out);
    *operationResult = out->GetOperationResult();
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mQueued.erase(out);
        out->SetHolder(nullptr);
    }
    mHandedBack.notify_all();
    *buffer = out;
    return KyResult();
}

KyResult StreamCore::Abort()
{
    std::shared_ptr<BlockSource> source;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        source = mSource;
    }
    if (source)
        source->Abort();
    return KyResult();
}

uint32_t StreamCore::QueuedCount() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return static_cast<uint32_t>(mQueued.size());
}

uint32_t StreamCore::QueuedMaximum() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mCapacity;
}

KyResult StreamCore::RegisterSink(KyStreamEventSink *sink)
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSinks.Add(sink);
}

KyResult StreamCore::UnregisterSink(KyStreamEventSink *sink)
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSinks.Remove(sink);
}

}  // namespace ky::stream
