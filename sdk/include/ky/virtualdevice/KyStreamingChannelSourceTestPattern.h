// KyStreamingChannelSourceTestPattern: a complete stream source that sends the kit's moving test
// pattern (KyStreamingChannelSourceDefault::TestPatternValue) at a chosen frame rate.
//
// Frame N (0 for the first frame after each OnStreamingStart) is written into the oldest queued
// buffer when RetrieveBuffer hands it out. RetrieveBuffer waits for the frame's time in slices
// and returns within 50 ms: KY_TIMEOUT with a null buffer when no frame is due or no buffer is
// queued. After AbortQueuedBuffers, RetrieveBuffer returns each aborted buffer once with
// KY_ABORTED, unfilled. Thread-safe.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <chrono>
#include <condition_variable>
#include <deque>

#include "ky/virtualdevice/KyStreamingChannelSourceDefault.h"

class KY_VIRTUALDEVICE_API KyStreamingChannelSourceTestPattern : public KyStreamingChannelSourceDefault
{
public:
    KyStreamingChannelSourceTestPattern(uint32_t aWidth = 640, uint32_t aHeight = 480,
                                        KyPixelType aPixelType = KyPixelMono8, size_t aBufferCount = 16,
                                        double aFrameRate = 30.0);

    // Frames per second; 0 sends as fast as buffers come back. KY_INVALID_PARAMETER for a
    // negative or non-finite rate or one above 100000.
    KyResult SetFrameRate(double aFrameRate);
    double GetFrameRate() const;
    // Frames handed out since the last OnStreamingStart.
    uint64_t GetFrameCount() const;

    void OnStreamingStart() override;
    KyResult QueueBuffer(KyBuffer *aBuffer) override;
    KyResult RetrieveBuffer(KyBuffer **aBuffer) override;
    void AbortQueuedBuffers() override;
    void FreeBuffer(KyBuffer *aBuffer) override;

private:
    using Clock = std::chrono::steady_clock;

    mutable std::mutex mQueueMutex;
    std::condition_variable mQueued;
    std::deque<KyBuffer *> mQueue;
    std::deque<KyBuffer *> mAborted;
    double mFrameRate;
    uint64_t mFrame = 0;
    Clock::time_point mNextFrame;
};
