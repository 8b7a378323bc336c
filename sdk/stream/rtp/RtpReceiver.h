// RtpReceiver: the RTP transport of a stream. Its receive thread reads packets (datagrams, or
// RFC 4571 frames of a TCP connection), puts them together as the payload configuration says
// (uncompressed video frames or H.264 access units) and fills the oldest queued buffer with each
// frame that ends. A frame that finds no queued buffer is let go and counted. Only the session's
// sender is heard (RtpSessionSender). A frame whose last packets do not come within
// FRAME_TIMEOUT_MS ends then, incomplete, as timed out.
//
// Threads: the owner opens and closes (Close joins the receive thread; it is never called from
// it); Queue, Next, Abort, Withdraw and SetPayload may come from any thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "BlockSource.h"
#include "ky/OwnedThread.h"
#include "ky/ThreadPriority.h"
#include "rtp/RtpFrame.h"
#include "rtp/RtpPayloadConfig.h"
#include "rtp/RtpTransport.h"

namespace ky::stream {

struct RtpReceiverCounters
{
    std::uint64_t packetsReceived = 0;      // RTP packets read
    std::uint64_t packetsMalformed = 0;     // datagrams or frames that were no RTP packet
    std::uint64_t packetsIgnored = 0;       // of another payload type, or while no payload is expected
    std::uint64_t packetsForeign = 0;       // from another sender than the session's
    std::uint64_t framesWithoutBuffer = 0;  // frames that ended while no buffer was queued
};

class RtpReceiver : public BlockSource
{
public:
    // How long an open frame waits for its next packet (as a GVSP block does).
    static constexpr std::uint32_t FRAME_TIMEOUT_MS = 1000;

    RtpReceiver() = default;
    ~RtpReceiver() override { Close(); }

    // Opens the transport and starts the receive thread under `priority`.
    KyResult Open(const RtpEndpoint &endpoint, const RtpPayloadConfig &payload,
                  ky::base::ThreadPriority &priority);
    // Puts the receive thread, while it runs, under `priority` at once.
    void ApplyPriority(ky::base::ThreadPriority &priority);
    // What the packets carry from now on; a frame in progress is dropped.
    void SetPayload(const RtpPayloadConfig &payload);

    bool IsOpen() const override;
    KyResult Queue(KyBuffer *buffer) override;
    KyResult Next(KyBuffer *&buffer, uint32_t timeoutMs) override;
    void Abort() override;
    bool Withdraw(KyBuffer *buffer) override;
    void Close() override;

    std::uint16_t LocalPort() const { return mTransport.LocalPort(); }
    const std::string &ConnectionAddress() const { return mTransport.ConnectionAddress(); }
    RtpReceiverCounters Counters() const;

private:
    void Run(const ky::base::ThreadLife &life);
    // One RTP packet as read from the transport.
    void TakePacket(const std::uint8_t *data, std::size_t size);
    // Hands a finished frame to the oldest queued buffer.
    void Deliver(const RtpFrame &frame, const RtpPayloadConfig &config);

    RtpTransport mTransport;
    std::mutex mThreadMutex;  // starting and prioritising mThread
    ky::base::OwnedThread mThread;
    std::atomic<bool> mStop{false};
    std::atomic<bool> mOpen{false};

    mutable std::mutex mMutex;  // everything below
    std::condition_variable mEnded;
    std::deque<KyBuffer *> mWaiting;  // queued, not yet filled, oldest first
    std::deque<KyBuffer *> mDone;     // filled or aborted, not yet handed out
    RtpPayloadConfig mPayload;
    RtpEndpoint mEndpoint;  // as opened
    std::uint64_t mPayloadGeneration = 0;
    std::uint64_t mNextBlockId = 1;
    RtpReceiverCounters mCounters;
};

}  // namespace ky::stream
