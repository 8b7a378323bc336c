// StreamCore: what every stream shares whatever its transport: the set of queued buffers and its
// limit, the statistics and parameters, the event sinks, and the transport's block source.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "BlockSource.h"
#include "ky/base/KyResult.h"
#include "SinkList.h"
#include "StreamParameters.h"
#include "StreamStatistics.h"

class KyBuffer;
class KyStreamEventSink;

namespace ky::stream {

constexpr uint32_t kDefaultBuffersCapacity = 64;

class StreamCore
{
public:
    StreamCore();
    ~StreamCore();

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

    StreamStatistics &Statistics() { return mStatistics; }
    StreamParameters &Parameters() { return mParameters; }

private:
    mutable std::mutex mMutex;  // queued set, source pointer, sinks
    std::shared_ptr<BlockSource> mSource;
    std::unordered_set<KyBuffer *> mQueued;
    uint32_t mCapacity = kDefaultBuffersCapacity;
    uint16_t mChannel = 0;
    SinkList<KyStreamEventSink> mSinks;
    StreamStatistics mStatistics;
    StreamParameters mParameters;
};

}  // namespace ky::stream
