#include "streaming/SoftStreamChannel.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
#include "registers/SoftDeviceRegisters.h"
#include "registers/SoftStreamRegisters.h"
#include "SoftDeviceInfo.h"
#include "ky/Guarded.h"
#include "SoftLog.h"
#include "SoftDeviceThreads.h"
#include "streaming/MultiPartBlock.h"
#include "streaming/SoftChunkPayload.h"
#include "gev/Gvsp.h"
#include "ky/ByteOrder.h"
#include "ky/Ipv4Text.h"

namespace ky::soft {

using namespace ky::gev;

namespace {

using Clock = std::chrono::steady_clock;

// How long control calls wait for the channel thread, and how long it waits for the source to
// give back aborted buffers.
constexpr auto CONTROL_WAIT = std::chrono::seconds(3);
constexpr auto DRAIN_WAIT = std::chrono::seconds(2);
constexpr size_t MAX_BUFFERS = 64;
constexpr uint32_t DEFAULT_MAX_PACKET_SIZE = 9000;
constexpr size_t RESEND_CACHE_BLOCKS = 8;

// The GigE Vision event codes of a frame's events.
constexpr uint16_t EVENT_EXPOSURE_END = 0x0004;
constexpr uint16_t EVENT_TRANSFER_START = 0x0005;
constexpr uint16_t EVENT_TRANSFER_END = 0x0006;

}  // namespace

SoftStreamChannel::SoftStreamChannel(uint32_t index, IKyStreamingChannelSource &source,
                                     SoftDeviceContext &context)
    : mIndex(index), mSource(source), mContext(context), mBuffers(source, "channel " + std::to_string(index))
{ }

SoftStreamChannel::~SoftStreamChannel() { End(); }

KyResult SoftStreamChannel::Begin(uint32_t deviceIp, bool timestamping)
{
    mTimestamping = timestamping;
    uint32_t maxPacket = DEFAULT_MAX_PACKET_SIZE;
    const KyResult info = ky::base::Guarded(SoftDeviceLog(), "GetGevSCPSPacketSizeInfo",
                                            [&] { return mSource.GetGevSCPSPacketSizeInfo(maxPacket); });
    mMaxPacketSize = info.IsOK() ? std::clamp<uint32_t>(maxPacket, GVSP_MIN_PACKET_SIZE, GVSP_MAX_PACKET_SIZE)
                                 : DEFAULT_MAX_PACKET_SIZE;
    mBuffers.Take(MAX_BUFFERS);
    GvspSenderConfig config;
    config.localAddress = ky::base::FormatIPv4(deviceIp);
    config.destinationAddress = "0.0.0.0";
    config.packetSize = 1500;
    config.resendCacheBlocks = RESEND_CACHE_BLOCKS;
    // One datagram per packet, as a camera sends them: receivers that read the link with a
    // packet socket (aravis does by default) would see a segmentation-offload run as one
    // oversized packet.
    config.segmentationOffload = false;
    KyResult result = mSender.Open(config);
    if (result.IsOK() && mContext.rtpEnabled) {
        result = mRtp.Open(deviceIp, std::string(mContext.info.GetModelName().GetAscii()) +
                                         " stream channel " + std::to_string(mIndex));
    }
    if (result.IsFailure()) {
        mSender.Close();
        return result;
    }
    mProtocol = STREAM_PROTOCOL_GVSP;
    {
        std::lock_guard<std::mutex> lock(mStateMutex);
        mQuit = false;
        mStartWanted = false;
        mState = State::Idle;
    }
    mThread = std::thread([this] { Run(); });
    return KyResult(KY_OK);
}

void SoftStreamChannel::End()
{
    Close();
    {
        std::lock_guard<std::mutex> lock(mStateMutex);
        mQuit = true;
        mStopNow = true;
    }
    mStateChanged.notify_all();
    if (mThread.joinable()) {
        mThread.join();
    }
    // The sender first: its resend cache lets go of the lent buffers before they are freed.
    mSender.Close();
    mRtp.Close();
    mBuffers.GiveBack();
}

void SoftStreamChannel::SetDestination(uint32_t ip, uint16_t port)
{
    std::lock_guard<std::mutex> control(mControlMutex);
    const std::string address = ky::base::FormatIPv4(ip);
    auto applyToSender = [&] {
        const KyResult destination = mSender.SetDestination(address, port);
        if (destination.IsFailure()) {
            SoftLog("SoftStreamChannel", "channel %u: destination %s:%u: %s", mIndex, address.c_str(), port,
                    destination.GetDescription().GetAscii());
        }
    };
    mDestinationIp = ip;
    mDestinationPort = port;
    mRtp.SetDestination(ip, port);
    if (port == 0) {
        // Streaming stops before the sender loses its destination: a frame on its way out still
        // leaves whole, and the source hears OnStreamingStop before OnClose.
        if (mOpen) {
            const KyResult stopped = StopAcquisition();
            if (stopped.IsFailure()) {
                SoftLog("SoftStreamChannel", "channel %u: %s", mIndex, stopped.GetDescription().GetAscii());
            }
        }
        applyToSender();
        if (mOpen) {
            mOpen = false;
            ky::base::Guarded(SoftDeviceLog(), "OnClose", [&] { mSource.OnClose(); });
        }
        return;
    }
    applyToSender();
    if (!mOpen) {
        mOpen = true;
        mNextBlockId = 1;
        ky::base::Guarded(SoftDeviceLog(), "OnOpen", [&] { mSource.OnOpen(KyString(address), port); });
    }
}

void SoftStreamChannel::Close() { SetDestination(mDestinationIp, 0); }

bool SoftStreamChannel::IsOpen() const
{
    std::lock_guard<std::mutex> control(mControlMutex);
    return mOpen;
}

uint16_t SoftStreamChannel::SourcePort() const { return mSender.LocalPort(); }

KyResult SoftStreamChannel::SetPacketSize(uint32_t packetSize, uint32_t &applied)
{
    applied = std::min(packetSize, mMaxPacketSize);
    if (GvspPayloadBytesPerPacket(applied, false) == 0 || applied < GVSP_MIN_PACKET_SIZE) {
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("packet size " + std::to_string(packetSize) + " is below the smallest " +
                                 std::to_string(GVSP_MIN_PACKET_SIZE)));
    }
    mRtp.SetPacketSize(applied);
    return mSender.SetPacketSize(applied);
}

KyResult SoftStreamChannel::FireTestPacket() { return mSender.SendTestPacket(); }

void SoftStreamChannel::SetPacketDelay(uint32_t ticks)
{
    // Timestamp ticks are nanoseconds on this device.
    mSender.SetInterPacketDelay(ticks);
}

KyResult SoftStreamChannel::StartAcquisition()
{
    std::lock_guard<std::mutex> control(mControlMutex);
    if (!mOpen) {
        return KyResult(KY_STATE_ERROR, KyString("stream channel " + std::to_string(mIndex) +
                                                 " has no destination (SCP is 0)"));
    }
    std::unique_lock<std::mutex> lock(mStateMutex);
    if (mState == State::Stopping) {
        return KyResult(KY_BUSY, KyString("stream channel " + std::to_string(mIndex) + " is still stopping"));
    }
    if (mState != State::Idle || mStartWanted) {
        return KyResult(KY_OK);
    }
    const uint64_t before = mStarts;
    mStartWanted = true;
    mStopNow = false;
    mStateChanged.notify_all();
    mStateChanged.wait_for(lock, CONTROL_WAIT, [&] { return mStarts != before || mQuit; });
    return KyResult(KY_OK);
}

KyResult SoftStreamChannel::StopAcquisition()
{
    std::unique_lock<std::mutex> lock(mStateMutex);
    mStartWanted = false;
    if (mState == State::Idle) {
        return KyResult(KY_OK);
    }
    mStopNow = true;
    mStateChanged.notify_all();
    if (!mStateChanged.wait_for(lock, CONTROL_WAIT, [&] { return mState == State::Idle; })) {
        return KyResult(KY_TIMEOUT, KyString("stream channel " + std::to_string(mIndex) +
                                             ": the source did not stop in time"));
    }
    return KyResult(KY_OK);
}

bool SoftStreamChannel::IsStreaming() const
{
    std::lock_guard<std::mutex> lock(mStateMutex);
    return mState == State::Starting || mState == State::Streaming || mStartWanted;
}

void SoftStreamChannel::SetState(State state)
{
    {
        std::lock_guard<std::mutex> lock(mStateMutex);
        mState = state;
        if (state == State::Streaming) {
            ++mStarts;
        }
    }
    mStateChanged.notify_all();
}

void SoftStreamChannel::Run()
{
    MarkDeviceThread(mContext);
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mStateMutex);
            mStateChanged.wait(lock, [&] { return mQuit || mStartWanted; });
            if (mQuit) {
                return;
            }
            mStartWanted = false;
            mState = State::Starting;
        }
        ky::base::Guarded(SoftDeviceLog(), "OnStreamingStart", [&] { mSource.OnStreamingStart(); });
        // The format cannot change while the channel streams (the registers refuse it), so the
        // PayloadSize a controller reads now holds for every frame of this run.
        mPayloadLimit = AnnouncedPayloadSize(mSource);
        mRtpFailureLogged = false;
        SetState(State::Streaming);
        Stream();
        // An RTP session ends with its streaming: its announcement is withdrawn.
        mRtp.EndSession();
        SetState(State::Stopping);
        ky::base::Guarded(SoftDeviceLog(), "OnStreamingStop", [&] { mSource.OnStreamingStop(); });
        mBuffers.Drain(DRAIN_WAIT);
        SetState(State::Idle);
    }
}

void SoftStreamChannel::Stream()
{
    SourceBufferExchange::Stamp stamp;
    if (mTimestamping) {
        stamp = [this] { return mContext.Timestamp(); };
    }
    while (!mStopNow) {
        mBuffers.Round(stamp, [this](KyBuffer &buffer) {
            SendBuffer(buffer);
            if (mMode == AcquisitionMode::SingleFrame) {
                mStopNow = true;
            }
        });
    }
}

void SoftStreamChannel::SetMultiPartAllowed(bool allowed)
{
    ky::base::Guarded(SoftDeviceLog(), "SetMultiPartAllowed", [&] { mSource.SetMultiPartAllowed(allowed); });
}

void SoftStreamChannel::SetLargeLeaderTrailerEnabled(bool enabled, uint32_t maxParts)
{
    ky::base::Guarded(SoftDeviceLog(), "SetLargeLeaderTrailerEnabled",
                      [&] { mSource.SetLargeLeaderTrailerEnabled(enabled, maxParts); });
}

void SoftStreamChannel::SendBuffer(KyBuffer &buffer)
{
    if (mProtocol == STREAM_PROTOCOL_RTP) {
        SendRtp(buffer);
        return;
    }
    if (buffer.GetPayloadType() == KyPayloadTypeMultiPart) {
        SendMultiPart(buffer);
        return;
    }
    const KyImage *image = buffer.GetImage();
    if (image == nullptr || image->GetDataPointer() == nullptr) {
        SoftLog("SoftStreamChannel::SendBuffer", "channel %u: only image buffers are sent", mIndex);
        ++mFramesRefused;
        return;
    }
    // A receiver sizes its buffers by the PayloadSize it read: a larger frame would overrun them.
    const bool chunks = buffer.HasChunks();
    const uint64_t size = chunks ? ChunkPayloadSize(*image, buffer) : image->GetImageSize();
    if (size > mPayloadLimit) {
        SoftLog("SoftStreamChannel::SendBuffer",
                "channel %u: a payload of %llu bytes is larger than the PayloadSize of %u; not sent", mIndex,
                static_cast<unsigned long long>(size), mPayloadLimit);
        ++mFramesRefused;
        return;
    }
    GvspOutgoingBlock block;
    block.leader.pixelFormat = static_cast<uint32_t>(image->GetPixelType());
    block.leader.sizeX = image->GetWidth();
    block.leader.sizeY = image->GetHeight();
    block.leader.offsetX = image->GetOffsetX();
    block.leader.offsetY = image->GetOffsetY();
    block.leader.paddingX = image->GetPaddingX();
    block.leader.paddingY = image->GetPaddingY();
    block.leader.timestamp = buffer.GetTimestamp();
    block.data = image->GetDataPointer();
    block.size = image->GetImageSize();
    // The resend cache keeps the frame where it is: the buffer is not filled again while lent.
    // Without a buffer to spare (null) the sender copies the frame.
    block.keepAlive = chunks ? nullptr : mBuffers.TryLend(buffer);
    if (chunks) {
        // The chunks the source appended follow the image: an image with extended chunks.
        std::shared_ptr<const std::vector<uint8_t>> payload = MakeChunkPayload(*image, buffer);
        if (payload == nullptr) {
            SoftLog("SoftStreamChannel::SendBuffer", "channel %u: no memory for a payload of %llu bytes",
                    mIndex, static_cast<unsigned long long>(size));
            ++mFramesRefused;
            return;
        }
        block.leader.payloadType =
            static_cast<uint16_t>(GvspPayloadType::Image) | GVSP_PAYLOAD_TYPE_EXTENDED_CHUNK_MASK;
        block.chunkLayoutId = buffer.GetChunkLayoutID();
        block.data = payload->data();
        block.size = payload->size();
        block.keepAlive = payload;
    }
    SendBlock(block);
}

bool SoftStreamChannel::RtpOffered() const { return mContext.rtpEnabled; }

KyResult SoftStreamChannel::SetProtocol(uint32_t protocol)
{
    if (protocol != STREAM_PROTOCOL_GVSP && protocol != STREAM_PROTOCOL_RTP) {
        return KyResult(KY_INVALID_PARAMETER, KyString("stream protocol " + std::to_string(protocol) +
                                                       " is neither GVSP (0) nor RTP (1)"));
    }
    if (protocol == STREAM_PROTOCOL_RTP && !RtpOffered()) {
        return KyResult(KY_INVALID_PARAMETER, KyString("the device offers no RTP streaming"));
    }
    if (IsStreaming()) {
        return KyResult(KY_BUSY, KyString("the stream protocol cannot change while the channel streams"));
    }
    mProtocol = protocol;
    return KyResult(KY_OK);
}

void SoftStreamChannel::SendRtp(KyBuffer &buffer)
{
    const uint64_t blockId = mNextBlockId.load();
    mNextBlockId = blockId >= GVSP_STANDARD_BLOCK_ID_MAX ? 1 : blockId + 1;
    const IKyH264AccessUnit *accessUnit = buffer.GetH264AccessUnit();
    const KyImage *image = buffer.GetImage();
    if (accessUnit == nullptr && (image == nullptr || image->GetDataPointer() == nullptr)) {
        if (!mRtpFailureLogged) {
            mRtpFailureLogged = true;
            SoftLog("SoftStreamChannel::SendBuffer",
                    "channel %u: RTP sends images and H.264 access units only", mIndex);
        }
        ++mFramesRefused;
        return;
    }
    FrameEvent(EVENT_EXPOSURE_END, blockId);
    FrameEvent(EVENT_TRANSFER_START, blockId);
    const KyResult result = accessUnit != nullptr ? mRtp.SendH264(*accessUnit) : mRtp.SendImage(*image);
    if (result.IsFailure()) {
        // Said once per streaming run: the same cause would fail every frame.
        if (!mRtpFailureLogged) {
            mRtpFailureLogged = true;
            SoftLog("SoftStreamChannel::SendBuffer", "channel %u: %s", mIndex,
                    result.GetDescription().GetAscii());
        }
        if (result.GetCode() == KY_NOT_SUPPORTED) {
            ++mFramesRefused;
        }
        return;
    }
    FrameEvent(EVENT_TRANSFER_END, blockId);
    ++mFramesSent;
}

void SoftStreamChannel::SendBlock(GvspOutgoingBlock &block)
{
    block.blockId = mNextBlockId.load();
    mNextBlockId =
        block.blockId >= GVSP_STANDARD_BLOCK_ID_MAX ? 1 : block.blockId + 1;  // 0 is never a block id
    FrameEvent(EVENT_EXPOSURE_END, block.blockId);
    FrameEvent(EVENT_TRANSFER_START, block.blockId);
    const KyResult result = mSender.SendBlock(block);
    if (result.IsFailure()) {
        SoftLog("SoftStreamChannel::SendBlock", "channel %u: %s", mIndex, result.GetDescription().GetAscii());
        return;
    }
    FrameEvent(EVENT_TRANSFER_END, block.blockId);
    ++mFramesSent;
}

uint32_t SoftStreamChannel::AnnouncedPayloadSize(IKyStreamingChannelSource &source)
{
    uint32_t size = 0;
    ky::base::Guarded(SoftDeviceLog(), "GetPayloadSize", [&] {
        size = source.GetPayloadSize();
        if (size == 0) {
            uint32_t image = 0;
            if (KyImage::ComputeImageSize(source.GetPixelType(), source.GetWidth(), source.GetHeight(),
                                          image)) {
                // With chunks the image is tagged as a chunk too (ID and length, 8 bytes).
                const uint32_t chunks = source.GetChunksSize();
                const uint64_t total = uint64_t(image) + chunks + (chunks > 0 ? 8 : 0);
                size = static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
            }
        }
    });
    return size;
}

void SoftStreamChannel::SendMultiPart(KyBuffer &buffer)
{
    GvspOutgoingBlock block;
    const KyResult described = DescribeMultiPartBlock(buffer, block, mMultiPartData);
    if (described.IsFailure()) {
        SoftLog("SoftStreamChannel::SendBuffer", "channel %u: multi-part buffer not sent: %s", mIndex,
                described.GetDescription().GetAscii());
        ++mFramesRefused;
        return;
    }
    // As for images: the receiver sized its buffers by the PayloadSize it read.
    if (block.size > mPayloadLimit) {
        SoftLog("SoftStreamChannel::SendBuffer",
                "channel %u: a multi-part block of %zu bytes is larger than the PayloadSize of %u; not sent",
                mIndex, block.size, mPayloadLimit);
        ++mFramesRefused;
        return;
    }
    block.leader.timestamp = buffer.GetTimestamp();
    SendBlock(block);
}

void SoftStreamChannel::FrameEvent(uint16_t code, uint64_t blockId)
{
    if (mEvents == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mContext.eventMutex);
        const auto notification = mContext.eventNotification.find(code);
        if (notification == mContext.eventNotification.end() || notification->second == 0) {
            return;
        }
    }
    uint8_t data[8];
    ky::base::StoreBig64(data, blockId);
    // A controller that does not acknowledge costs this frame the message channel's retries;
    // the frame itself still goes out.
    const KyResult result =
        mEvents->FireEvent(code, data, sizeof data, blockId, static_cast<uint16_t>(mIndex));
    // Without a controller (the channel closed) there is nobody to tell; say only real failures.
    if (result.IsFailure() && result.GetCode() != KY_STATE_ERROR) {
        SoftLog("SoftStreamChannel::FrameEvent", "channel %u: event 0x%04x: %s", mIndex, code,
                result.GetDescription().GetAscii());
    }
}

void SoftStreamChannel::Resend(uint64_t blockId, uint32_t firstPacketId, uint32_t lastPacketId)
{
    // What cannot be resent is counted by the sender, which tells the host with a notice.
    (void)mSender.ServeResend(blockId, firstPacketId, lastPacketId);
}

void SoftStreamChannel::SetTestDropFraction(double fraction, uint32_t seed)
{
    mSender.SetTestDropFraction(fraction, seed);
}

}  // namespace ky::soft
