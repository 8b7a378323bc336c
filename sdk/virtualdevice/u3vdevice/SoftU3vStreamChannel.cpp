#include "u3vdevice/SoftU3vStreamChannel.h"

#include <algorithm>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
#include "ky/Guarded.h"
#include "SoftLog.h"
#include "u3v/U3vStreamSender.h"

namespace ky::soft {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t MAX_BUFFERS = 64;
constexpr auto DRAIN_WAIT = std::chrono::seconds(2);
// How long a stop or a disable waits for the channel thread to have done its part.
constexpr auto CONTROL_WAIT = std::chrono::seconds(3);
// A host that stops reading costs a block at most this long per transfer.
constexpr uint32_t SEND_TIMEOUT_MS = 200;
// Before the host sets a layout, payload goes out in transfers of this size.
constexpr uint32_t DEFAULT_TRANSFER_SIZE = 64 * 1024;

}  // namespace

SoftU3vStreamChannel::SoftU3vStreamChannel(IKyStreamingChannelSource &source, u3v::IUsbBulkPipe &pipe)
    : mSource(source), mPipe(pipe), mBuffers(source, "USB3 Vision stream")
{ }

SoftU3vStreamChannel::~SoftU3vStreamChannel() { End(); }

KyResult SoftU3vStreamChannel::Begin()
{
    if (mThread.joinable()) {
        return KyResult(KY_STATE_ERROR, KyString("the stream channel runs already"));
    }
    mBuffers.Take(MAX_BUFFERS);
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mQuit = false;
        mLinkGone = false;
    }
    mThread = std::thread([this] { Run(); });
    return KyResult(KY_OK);
}

void SoftU3vStreamChannel::End()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mQuit = true;
    }
    mChanged.notify_all();
    if (mThread.joinable()) {
        mThread.join();
    }
    mBuffers.GiveBack();
}

void SoftU3vStreamChannel::SetEnabled(bool enabled)
{
    std::unique_lock<std::mutex> lock(mMutex);
    mEnabled = enabled;
    mChanged.notify_all();
    if (!enabled && mThread.joinable()) {
        // Streaming stops and the source closes before the host hears the disable went through,
        // so that a new enable starts afresh (block ids from 1).
        mChanged.wait_for(lock, CONTROL_WAIT, [&] { return mQuit || (!mStreaming && !mSourceOpen); });
    }
}

bool SoftU3vStreamChannel::IsEnabled() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mEnabled;
}

void SoftU3vStreamChannel::SetLayout(const u3v::U3vStreamLayout &layout)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mLayout = layout;
}

uint64_t SoftU3vStreamChannel::RequiredPayloadSize() const
{
    uint32_t size = 0;
    ky::base::Guarded(SoftDeviceLog(), "GetPayloadSize", [&] {
        size = mSource.GetPayloadSize();
        if (size == 0) {
            (void)KyImage::ComputeImageSize(mSource.GetPixelType(), mSource.GetWidth(), mSource.GetHeight(),
                                            size);
            size += mSource.GetChunksSize();
        }
    });
    return size;
}

KyResult SoftU3vStreamChannel::StartAcquisition()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mAcquiring = true;
    }
    mChanged.notify_all();
    return KyResult(KY_OK);
}

KyResult SoftU3vStreamChannel::StopAcquisition()
{
    std::unique_lock<std::mutex> lock(mMutex);
    mAcquiring = false;
    mChanged.notify_all();
    // The source stops streaming (and a new start starts it afresh) before the stop returns.
    if (!mChanged.wait_for(lock, CONTROL_WAIT, [&] { return mQuit || !mStreaming; })) {
        return KyResult(KY_TIMEOUT, KyString("the stream channel did not stop in time"));
    }
    return KyResult(KY_OK);
}

bool SoftU3vStreamChannel::IsAcquiring() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mAcquiring;
}

bool SoftU3vStreamChannel::IsStreaming() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mStreaming;
}

bool SoftU3vStreamChannel::ShouldStream() const { return mEnabled && mAcquiring && !mLinkGone && !mQuit; }

uint64_t SoftU3vStreamChannel::Timestamp() const
{
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - mTimestampBase).count());
}

void SoftU3vStreamChannel::Run()
{
    for (;;) {
        bool open = false;
        bool stream = false;
        {
            std::unique_lock<std::mutex> lock(mMutex);
            mChanged.wait(lock, [&] { return mQuit || ShouldStream() || mEnabled != mSourceOpen; });
            if (mQuit) {
                break;
            }
            if (mEnabled != mSourceOpen) {
                open = mEnabled;
            } else {
                mStreaming = true;
                stream = true;
            }
        }
        if (!stream) {
            if (open) {
                mNextBlockId = 1;
                ky::base::Guarded(SoftDeviceLog(), "OnOpen", [&] { mSource.OnOpen(KyString(), 0); });
            } else {
                ky::base::Guarded(SoftDeviceLog(), "OnClose", [&] { mSource.OnClose(); });
            }
            {
                std::lock_guard<std::mutex> lock(mMutex);
                mSourceOpen = open;
            }
            mChanged.notify_all();
            continue;
        }
        ky::base::Guarded(SoftDeviceLog(), "OnStreamingStart", [&] { mSource.OnStreamingStart(); });
        Stream();
        ky::base::Guarded(SoftDeviceLog(), "OnStreamingStop", [&] { mSource.OnStreamingStop(); });
        mBuffers.Drain(DRAIN_WAIT);
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mStreaming = false;
        }
        mChanged.notify_all();
    }
    bool wasOpen = false;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        wasOpen = mSourceOpen;
        mSourceOpen = false;
    }
    if (wasOpen) {
        ky::base::Guarded(SoftDeviceLog(), "OnClose", [&] { mSource.OnClose(); });
    }
}

void SoftU3vStreamChannel::Stream()
{
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (!ShouldStream()) {
                return;
            }
        }
        mBuffers.Round([this] { return Timestamp(); },
                       [this](KyBuffer &buffer) {
                           SendBuffer(buffer);
                           if (mMode == AcquisitionMode::SingleFrame) {
                               std::lock_guard<std::mutex> lock(mMutex);
                               mAcquiring = false;
                           }
                       });
    }
}

void SoftU3vStreamChannel::SendBuffer(KyBuffer &buffer)
{
    const KyImage *image = buffer.GetImage();
    if (image == nullptr || image->GetDataPointer() == nullptr) {
        SoftLog("SoftU3vStreamChannel::SendBuffer", "only image buffers are sent");
        return;
    }
    u3v::U3vImageLeader leader;
    leader.blockId = mNextBlockId++;
    leader.timestamp = buffer.GetTimestamp();
    leader.pixelFormat = static_cast<uint32_t>(image->GetPixelType());
    leader.width = image->GetWidth();
    leader.height = image->GetHeight();
    leader.offsetX = image->GetOffsetX();
    leader.offsetY = image->GetOffsetY();
    leader.paddingX = static_cast<uint16_t>(std::min<uint32_t>(image->GetPaddingX(), UINT16_MAX));
    u3v::U3vStreamLayout layout;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        layout = mLayout;
    }
    const uint8_t *data = image->GetDataPointer();
    const size_t size = image->GetImageSize();
    const u3v::TransferStatus status =
        layout.transferSize == 0 && layout.finalTransfer1Size == 0 && layout.finalTransfer2Size == 0
            ? u3v::SendImageBlock(mPipe, leader, data, size, DEFAULT_TRANSFER_SIZE, SEND_TIMEOUT_MS)
            : u3v::SendImageBlock(mPipe, leader, data, size, layout, SEND_TIMEOUT_MS);
    if (status == u3v::TransferStatus::Ok) {
        ++mFramesSent;
        if (mFrameHook) {
            // Guarded: nothing the hook throws may leave the channel thread.
            ky::base::Guarded(SoftDeviceLog(), "FrameHook", [&] { mFrameHook(leader.blockId); });
        }
        return;
    }
    if (status == u3v::TransferStatus::Disconnected) {
        std::lock_guard<std::mutex> lock(mMutex);
        mLinkGone = true;  // nobody to send to any more: streaming ends, the thread waits for End
        return;
    }
    SoftLog("SoftU3vStreamChannel::SendBuffer", "block %llu: %s",
            static_cast<unsigned long long>(leader.blockId), u3v::TransferStatusName(status));
}

}  // namespace ky::soft
