// StreamCore: what every stream shares whatever its transport: the set of queued buffers and its
// limit, the statistics and parameters, the event sinks, and the transport's block source.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "BlockSource.h"
#include "ky/base/KyResult.h"
#include "ky/buffer/KyBuffer.h"
#include "SinkList.h"
#include "StreamParameters.h"
#include "StreamStatistics.h"

class KyStreamEventSink;

namespace ky::stream {

constexpr uint32_t kDefaultBuffersCapacity = 64;

// Queued buffers are linked to the core (KyBuffer::SetHolder) until they are retrieved: a queued
// buffer that is destroyed takes itself out of the source first (ForgetBuffer).
class StreamCore : public ky::buffer::BufferHolder
{
public:
    StreamCore();
    ~StreamCore();
    StreamCore(const StreamCore &) = delete;
    StreamCore &operator=(const StreamCore &) = delete;

    // The transport's source once it is open (null: closed). Replacing it closes the old one.
    void SetSource(std::unique_ptr<BlockSource> source, uint32_t capacity, uint16_t channel);
    void Close();
    bool IsOpen() const;
    uint16_t Channel() const { return mChannel; }

    KyResult Queue(KyBuffer *buffer);
    KyResult Retrieve(KyBuffer **buffer, KyResult *operationResult, uint32_t timeoutMs);
    KyResult Abort();
    uint32_t QueuedCount() const;
    uint32_t QueuedMaximum() const;

    KyResult RegisterSink(KyStreamEventSink *sink);
    KyResult UnregisterSink(KyStreamEventSink *sink);

    // A queued buffer is being destroyed: it leaves the source, or, when a retriever has just
    // taken it, the retriever is waited for.
    void ForgetBuffer(KyBuffer *buffer) override;

    StreamStatistics &Statistics() { return mStatistics; }
    StreamParameters &Parameters() { return mParameters; }

private:
    // Unlinks every queued buffer and forgets it; with mMutex held.
    void ForgetQueued();

    mutable std::mutex mMutex;            // queued set, source pointer, sinks
    std::condition_variable mHandedBack;  // a retriever took a buffer out of mQueued
    std::shared_ptr<BlockSource> mSource;
    std::unordered_set<KyBuffer *> mQueued;
    uint32_t mCapacity = kDefaultBuffersCapacity;
    uint16_t mChannel = 0;
    SinkList<KyStreamEventSink> mSinks;
    StreamStatistics mStatistics;
    StreamParameters mParameters;
};

}  // namespace ky::stream
