// StreamStatistics: the counts and rates a stream reports through its parameters, gathered as
// buffers are retrieved. Safe to use from several threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

class KyBuffer;

namespace ky::stream {

struct StreamStatisticsSnapshot
{
    uint64_t blockCount = 0;  // blocks retrieved whole (operation result OK)
    uint64_t errorCount = 0;  // blocks retrieved with another result than OK or aborted
    uint64_t abortedCount = 0;
    uint64_t timeoutCount = 0;
    uint64_t missingPacketsCount = 0;
    uint64_t bufferTooSmallCount = 0;
    uint64_t bytes = 0;  // payload bytes of the whole blocks
    uint64_t packetsRecovered = 0;
    uint64_t resendGroupsRequested = 0;
    uint64_t resendPacketsRequested = 0;
    uint64_t lostPackets = 0;
    uint64_t pipelineImagesDropped = 0;
    uint64_t samplingTimeMs = 0;   // from the first block after a reset to the last one
    double acquisitionRate = 0.0;  // whole blocks per second over the sampling time
    double bandwidth = 0.0;        // payload bits per second over the sampling time
};

class StreamStatistics
{
public:
    void Record(const KyBuffer &buffer);
    void CountPipelineDrop();
    void Reset();
    StreamStatisticsSnapshot Snapshot() const;

private:
    using Clock = std::chrono::steady_clock;
    mutable std::mutex mMutex;
    StreamStatisticsSnapshot mCounts;
    bool mStarted = false;
    uint64_t mBlocksAtFirst = 0;  // whole blocks counted when the first one arrived
    uint64_t mBytesAtFirst = 0;
    Clock::time_point mFirst;
    Clock::time_point mLast;
};

}  // namespace ky::stream
