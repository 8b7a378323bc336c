// SoftStreamChannel: one stream channel of a software device. It drives its source (open, close,
// streaming start and stop, buffer exchange) and sends every filled buffer with a GVSP sender.
//
// Threads: the control calls (Open, Close, StartAcquisition, StopAcquisition, the settings) come
// from the GVCP server and the device; the buffer exchange runs on the channel's own thread,
// which Begin starts and End joins. OnStreamingStart, the buffer loop, OnStreamingStop,
// AbortQueuedBuffers and the draining RetrieveBuffer calls all run on that thread, in that order;
// StartAcquisition and StopAcquisition wait (bounded) until the thread has done its part.
// Every call into the source is guarded: an exception is logged and counts as a failure.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "streaming/GvspSender.h"
#include "streaming/RtpChannelSender.h"
#include "streaming/SourceBufferExchange.h"
#include "ky/virtualdevice/IKyMessageChannel.h"
#include "ky/virtualdevice/IKyStreamingChannelSource.h"
#include "ky/base/KyResult.h"

namespace ky::soft {

struct SoftDeviceContext;

class SoftStreamChannel
{
public:
    enum class AcquisitionMode : uint32_t { Continuous = 0, SingleFrame = 1 };

    SoftStreamChannel(uint32_t index, IKyStreamingChannelSource &source, SoftDeviceContext &context);
    ~SoftStreamChannel();
    SoftStreamChannel(const SoftStreamChannel &) = delete;
    SoftStreamChannel &operator=(const SoftStreamChannel &) = delete;

    uint32_t Index() const { return mIndex; }
    IKyStreamingChannelSource &Source() { return mSource; }

    // Where the frame events go (ExposureEnd, AcquisitionTransferStart, AcquisitionTransferEnd,
    // each sent while the controller has its EventNotification on, with the frame's block ID as
    // data: 8 bytes, big-endian). Before Begin; null: none.
    void SetEventChannel(IKyMessageChannel *events) { mEvents = events; }

    // Device start: buffers from the source, the sender's socket on the device's address, the
    // channel thread. Device stop (End): streaming stopped, channel closed, thread joined,
    // every buffer handed back through FreeBuffer, socket closed.
    KyResult Begin(uint32_t deviceIp, bool timestamping);
    void End();

    // The controller's destination (SCDA, SCP). A non-zero port opens the channel (OnOpen), a
    // zero port closes it (streaming stops first, then OnClose).
    void SetDestination(uint32_t ip, uint16_t port);
    // The destination address (SCDA), without waiting for a control call; any thread.
    uint32_t DestinationIp() const { return mDestinationIp; }
    void Close();
    bool IsOpen() const;
    uint16_t SourcePort() const;

    // SCPS without its flag bits: KY_INVALID_PARAMETER below the smallest usable size; above
    // the maximum the size is lowered to it. Returns the size in effect through `applied`.
    KyResult SetPacketSize(uint32_t packetSize, uint32_t &applied);
    uint32_t MaxPacketSize() const { return mMaxPacketSize; }
    KyResult FireTestPacket();
    // SCPD, in timestamp ticks (nanoseconds).
    void SetPacketDelay(uint32_t ticks);

    // KY_STATE_ERROR when the channel is not open, KY_BUSY while a stop has not finished.
    KyResult StartAcquisition();
    KyResult StopAcquisition();
    bool IsStreaming() const;
    // True on the channel's own thread (where the source's hooks and buffer exchange run).
    bool IsChannelThread() const { return std::this_thread::get_id() == mThread.get_id(); }
    void SetAcquisitionMode(AcquisitionMode mode) { mMode = mode; }
    AcquisitionMode GetAcquisitionMode() const { return mMode; }

    // SCCFG's multi-part bit: passed to the source, which may then send multi-part buffers.
    void SetMultiPartAllowed(bool allowed);

    // The channel's transport (STREAM_PROTOCOL_GVSP or, where the device offers it,
    // STREAM_PROTOCOL_RTP: see RtpChannelSender.h). KY_INVALID_PARAMETER for another value or
    // RTP where it is not offered, KY_BUSY while the channel streams.
    KyResult SetProtocol(uint32_t protocol);
    uint32_t Protocol() const { return mProtocol; }
    bool RtpOffered() const;
    // SCCFG's large leader/trailer bit: passed to the source with the parts a leader may describe.
    void SetLargeLeaderTrailerEnabled(bool enabled, uint32_t maxParts);

    void Resend(uint64_t blockId, uint32_t firstPacketId, uint32_t lastPacketId);
    void SetTestDropFraction(double fraction, uint32_t seed);
    // Destinations that are hosts' TCP connections to the device (see GvspSender); before Begin.
    void SetTcpLinkLookup(ky::gev::GvspSender::TcpLinkLookup lookup)
    {
        mSender.SetTcpLinkLookup(std::move(lookup));
    }
    ky::gev::GvspSenderCounters Counters() const { return mSender.Counters(); }
    uint64_t FramesSent() const { return mFramesSent; }
    // Frames the channel took back without sending them: a buffer without an image, or an image
    // (with its chunks) larger than the PayloadSize the channel announced when streaming started.
    uint64_t FramesRefused() const { return mFramesRefused; }

    // The PayloadSize register's value: the source's GetPayloadSize, or when that is 0 the
    // image size of its format plus GetChunksSize, and 8 bytes for the image's own chunk tag when
    // that is not 0 (the source's calls guarded; 0 when they fail).
    static uint32_t AnnouncedPayloadSize(IKyStreamingChannelSource &source);

private:
    enum class State { Idle, Starting, Streaming, Stopping };

    void Run();
    void Stream();
    void SendBuffer(KyBuffer &buffer);
    void SendMultiPart(KyBuffer &buffer);
    // The frame over RTP (channel thread), between its frame events.
    void SendRtp(KyBuffer &buffer);
    // Gives the block the next block ID and sends it between its frame events; counts it sent.
    void SendBlock(ky::gev::GvspOutgoingBlock &block);
    // The frame event of that code, if the controller asked for it.
    void FrameEvent(uint16_t code, uint64_t blockId);
    void SetState(State state);

    const uint32_t mIndex;
    IKyStreamingChannelSource &mSource;
    SoftDeviceContext &mContext;
    ky::gev::GvspSender mSender;
    RtpChannelSender mRtp;
    std::atomic<uint32_t> mProtocol{0};
    uint32_t mMaxPacketSize = 9000;
    bool mTimestamping = true;
    IKyMessageChannel *mEvents = nullptr;
    std::atomic<AcquisitionMode> mMode{AcquisitionMode::Continuous};

    mutable std::mutex mControlMutex;  // one control call at a time (open, close, start, stop)
    std::atomic<uint32_t> mDestinationIp{0};
    uint16_t mDestinationPort = 0;
    bool mOpen = false;

    mutable std::mutex mStateMutex;
    std::condition_variable mStateChanged;
    State mState = State::Idle;
    bool mStartWanted = false;
    bool mQuit = false;
    uint64_t mStarts = 0;  // streaming starts the thread has made
    std::atomic<bool> mStopNow{false};
    std::thread mThread;

    // Owned by the channel thread while streaming; by the control side otherwise.
    SourceBufferExchange mBuffers;
    std::vector<uint8_t> mMultiPartData;    // the parts of the block being sent, one after the other
    std::atomic<uint64_t> mNextBlockId{1};  // reset by the control side when the channel opens
    std::atomic<uint64_t> mFramesSent{0};
    std::atomic<uint64_t> mFramesRefused{0};
    uint32_t mPayloadLimit = 0;      // channel thread: the PayloadSize announced for this streaming run
    bool mRtpFailureLogged = false;  // channel thread: an RTP frame failed in this streaming run
};

}  // namespace ky::soft
