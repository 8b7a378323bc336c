// KyStreamingChannelSourceTestPattern: a complete stream source that sends the kit's moving test
// pattern (KyStreamingChannelSourceDefault::TestPatternValue) at a chosen frame rate.
//
// Frame N (0 for the first frame after each OnStreamingStart) is written into the oldest queued
// buffer when RetrieveBuffer hands it out. RetrieveBuffer waits for the frame's time in slices
// and returns within 50 ms: KY_TIMEOUT with a null buffer when no frame is due or no buffer is
// queued. After AbortQueuedBuffers, RetrieveBuffer returns each aborted buffer once with
// KY_ABORTED, unfilled. Thread-safe.
//
// Multi-part (off until SetMultiPartSupported(true)): the source then supports multi-part
// payloads, and while the device allows them (SetMultiPartAllowed, from the controller's SCCFG
// write) every frame goes out as a multi-part buffer of three parts: the test pattern as a 2-D
// image part, the same image JPEG-encoded (one grey channel, quality kJPEGQuality) as a JPEG
// part, and a chunk-data part holding one chunk kFrameChunkID with the frame number (8 bytes,
// big-endian). A multi-part source must stream plain images too: it does while the device does
// not allow multi-part.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>

#include "ky/virtualdevice/KyStreamingChannelSourceDefault.h"

class KY_VIRTUALDEVICE_API KyStreamingChannelSourceTestPattern : public KyStreamingChannelSourceDefault
{
public:
    static constexpr uint32_t kFrameChunkID = 0x4B590001;
    static constexpr int kJPEGQuality = 90;
    static constexpr uint64_t kTimestampTickFrequency = 1000000000;  // device timestamps in ns

    KyStreamingChannelSourceTestPattern(uint32_t aWidth = 640, uint32_t aHeight = 480,
                                        KyPixelType aPixelType = KyPixelMono8, size_t aBufferCount = 16,
                                        double aFrameRate = 30.0);

    // Frames per second; 0 sends as fast as buffers come back. KY_INVALID_PARAMETER for a
    // negative or non-finite rate or one above 100000.
    KyResult SetFrameRate(double aFrameRate);
    double GetFrameRate() const;
    // Frames handed out since the last OnStreamingStart.
    uint64_t GetFrameCount() const;

    // Whether the source offers multi-part payloads (before the device starts).
    void SetMultiPartSupported(bool aSupported);
    bool IsPayloadTypeSupported(KyPayloadType aPayloadType) override;
    // While multi-part is on: the three parts' maximum sizes together; else 0 (from the format).
    uint32_t GetPayloadSize() const override;
    void SetMultiPartAllowed(bool aAllowed) override;

    void OnStreamingStart() override;
    KyResult QueueBuffer(KyBuffer *aBuffer) override;
    KyResult RetrieveBuffer(KyBuffer **aBuffer) override;
    void AbortQueuedBuffers() override;
    void FreeBuffer(KyBuffer *aBuffer) override;

private:
    using Clock = std::chrono::steady_clock;

    // Frame aFrame as a multi-part buffer (see above).
    KyResult FillMultiPart(KyBuffer *aBuffer, uint64_t aFrame) const;

    mutable std::mutex mQueueMutex;
    std::condition_variable mQueued;
    std::deque<KyBuffer *> mQueue;
    std::deque<KyBuffer *> mAborted;
    double mFrameRate;
    uint64_t mFrame = 0;
    Clock::time_point mNextFrame;
    std::atomic<bool> mMultiPartSupported{false};
    std::atomic<bool> mMultiPartOn{false};
};
