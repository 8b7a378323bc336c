#include "StreamStatistics.h"

#include "ky/buffer/KyBuffer.h"
#include "ky/base/KyEnums.h"

namespace ky::stream {

void StreamStatistics::Record(const KyBuffer &buffer)
{
    const uint32_t code = buffer.GetOperationResult().GetCode();
    std::lock_guard<std::mutex> lock(mMutex);
    mCounts.packetsRecovered += buffer.GetPacketsRecoveredCount();
    mCounts.resendGroupsRequested += buffer.GetResendGroupRequestedCount();
    mCounts.resendPacketsRequested += buffer.GetResendPacketRequestedCount();
    // What an aborted block still lacked was not lost: the stream stopped waiting for it.
    if (code != KY_ABORTED)
        mCounts.lostPackets += buffer.GetLostPacketCount();
    switch (code) {
    case KY_OK:
        break;
    case KY_ABORTED:
        ++mCounts.abortedCount;
        return;
    case KY_TIMEOUT:
        ++mCounts.timeoutCount;
        ++mCounts.errorCount;
        return;
    case KY_MISSING_PACKETS:
        ++mCounts.missingPacketsCount;
        ++mCounts.errorCount;
        return;
    case KY_BUFFER_TOO_SMALL:
        ++mCounts.bufferTooSmallCount;
        ++mCounts.errorCount;
        return;
    default:
        ++mCounts.errorCount;
        return;
    }
    const Clock::time_point now = Clock::now();
    // The rates run from the first whole block: the time before it says nothing of the stream.
    if (!mStarted) {
        mStarted = true;
        mFirst = now;
        mBlocksAtFirst = mCounts.blockCount + 1;
        mBytesAtFirst = mCounts.bytes + buffer.GetAcquiredSize();
    }
    mLast = now;
    ++mCounts.blockCount;
    mCounts.bytes += buffer.GetAcquiredSize();
}

void StreamStatistics::CountPipelineDrop()
{
    std::lock_guard<std::mutex> lock(mMutex);
    ++mCounts.pipelineImagesDropped;
}

void StreamStatistics::Reset()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mCounts = StreamStatisticsSnapshot();
    mStarted = false;
}

StreamStatisticsSnapshot StreamStatistics::Snapshot() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    StreamStatisticsSnapshot out = mCounts;
    if (mStarted) {
        const double seconds = std::chrono::duration<double>(mLast - mFirst).count();
        out.samplingTimeMs = static_cast<uint64_t>(seconds * 1000.0);
        if (seconds > 0.0) {
            // Intervals between blocks: the first block opens the window.
            out.acquisitionRate = static_cast<double>(mCounts.blockCount - mBlocksAtFirst) / seconds;
            out.bandwidth = static_cast<double>(mCounts.bytes - mBytesAtFirst) * 8.0 / seconds;
        }
    }
    return out;
}

}  // namespace ky::stream
