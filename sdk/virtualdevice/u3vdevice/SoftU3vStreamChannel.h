// SoftU3vStreamChannel: the stream of a soft USB3 Vision device. It drives its streaming channel
// source (the same sources a GigE Vision soft device streams) and sends each filled image as one
// block (leader, payload transfers in the host's layout, trailer) on the stream pipe.
//
// The channel streams while acquisition runs (StartAcquisition .. StopAcquisition, or one frame
// in SingleFrame mode) and the host has enabled the stream interface (SetEnabled, from the
// SIRM). Enabling opens the source (OnOpen), disabling closes it (OnClose) after streaming stops.
//
// Threads: the control calls come from the device's control server; the buffer exchange runs on
// the channel's own thread, which Begin starts and End joins (End is never called from that
// thread: the channel calls nothing that could). Every call into the source is guarded: an
// exception is logged and counts as a failure. A link that goes away (unplug) ends streaming; the
// thread then waits for End.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ky/base/KyResult.h"
#include "ky/virtualdevice/IKyStreamingChannelSource.h"
#include "streaming/SourceBufferExchange.h"
#include "u3v/U3vStreamInterface.h"
#include "u3v/UsbEndpoint.h"

namespace ky::soft {

class SoftU3vStreamChannel
{
public:
    enum class AcquisitionMode : uint32_t { Continuous = 0, SingleFrame = 1 };

    // `pipe` is the device's end of the stream pipe; both outlive the channel.
    SoftU3vStreamChannel(IKyStreamingChannelSource &source, u3v::IUsbBulkPipe &pipe);
    ~SoftU3vStreamChannel();
    SoftU3vStreamChannel(const SoftU3vStreamChannel &) = delete;
    SoftU3vStreamChannel &operator=(const SoftU3vStreamChannel &) = delete;

    // Buffers from the source (at most 64), the channel thread. End: streaming stopped, source
    // closed, thread joined, every buffer handed back through FreeBuffer.
    KyResult Begin();
    void End();

    // The host's stream interface settings (SIRM): the enable bit and the transfer layout.
    void SetEnabled(bool enabled);
    bool IsEnabled() const;
    void SetLayout(const u3v::U3vStreamLayout &layout);

    // What one block needs now: the source's payload size (image bytes and chunks when the
    // source gives none).
    uint64_t RequiredPayloadSize() const;

    KyResult StartAcquisition();
    KyResult StopAcquisition();
    bool IsAcquiring() const;
    void SetAcquisitionMode(AcquisitionMode mode) { mMode = mode; }
    AcquisitionMode GetAcquisitionMode() const { return mMode; }

    uint64_t FramesSent() const { return mFramesSent; }
    // Called on the channel thread after each block that went out whole (set before Begin).
    using FrameHook = std::function<void(uint64_t blockId)>;
    void SetFrameHook(FrameHook hook) { mFrameHook = std::move(hook); }
    // Whether the source is streaming now (between OnStreamingStart and OnStreamingStop).
    bool IsStreaming() const;

private:
    void Run();
    bool ShouldStream() const;  // with mMutex held
    void Stream();
    void SendBuffer(KyBuffer &buffer);
    uint64_t Timestamp() const;

    IKyStreamingChannelSource &mSource;
    u3v::IUsbBulkPipe &mPipe;
    const std::chrono::steady_clock::time_point mTimestampBase = std::chrono::steady_clock::now();
    std::atomic<AcquisitionMode> mMode{AcquisitionMode::Continuous};

    mutable std::mutex mMutex;
    std::condition_variable mChanged;
    bool mEnabled = false;
    bool mAcquiring = false;
    bool mStreaming = false;
    bool mLinkGone = false;
    bool mQuit = false;
    bool mSourceOpen = false;
    u3v::U3vStreamLayout mLayout;
    std::thread mThread;

    // Owned by the channel thread while it runs; by the control side otherwise.
    SourceBufferExchange mBuffers;
    uint64_t mNextBlockId = 1;
    std::atomic<uint64_t> mFramesSent{0};
    FrameHook mFrameHook;
};

}  // namespace ky::soft
