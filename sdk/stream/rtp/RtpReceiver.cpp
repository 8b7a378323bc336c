#include "rtp/RtpReceiver.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <vector>

#include "ky/buffer/KyBuffer.h"
#include "rtp/RtpBufferFill.h"
#include "rtp/RtpH264Depacketizer.h"
#include "rtp/RtpPacket.h"
#include "rtp/RtpRawVideoDepacketizer.h"
#include "rtp/RtpSessionSender.h"
#include "rtp/RtpTcpFramer.h"
#include "StreamLog.h"

namespace ky::stream {
namespace {

constexpr int kPollMs = 50;                   // how soon the thread sees a Close
constexpr std::size_t kReadSize = 64 * 1024;  // a whole datagram, or a piece of the byte stream

// The depacketizer of one payload configuration.
class Assembler
{
public:
    explicit Assembler(const RtpPayloadConfig &config) : mConfig(config)
    {
        if (config.kind == RtpPayloadKind::RawVideo)
            mRaw = std::make_unique<RtpRawVideoDepacketizer>(config.wire);
        else if (config.kind == RtpPayloadKind::H264)
            mH264 = std::make_unique<RtpH264Depacketizer>();
    }
    const RtpPayloadConfig &Config() const { return mConfig; }
    bool Expects(const RtpPacket &packet) const
    {
        return mConfig.kind != RtpPayloadKind::Undefined &&
               (mConfig.payloadType < 0 || mConfig.payloadType == packet.payloadType);
    }
    void Push(const RtpPacket &packet)
    {
        if (mRaw)
            mRaw->Push(packet);
        else if (mH264)
            mH264->Push(packet);
    }
    void Flush()
    {
        if (mRaw)
            mRaw->Flush();
        else if (mH264)
            mH264->Flush();
    }
    bool HasOpenFrame() const { return mRaw ? mRaw->HasOpenFrame() : mH264 ? mH264->HasOpenFrame() : false; }
    bool TakeFrame(RtpFrame &frame)
    {
        return mRaw ? mRaw->TakeFrame(frame) : mH264 ? mH264->TakeFrame(frame) : false;
    }

private:
    RtpPayloadConfig mConfig;
    std::unique_ptr<RtpRawVideoDepacketizer> mRaw;
    std::unique_ptr<RtpH264Depacketizer> mH264;
};

}  // namespace

KyResult RtpReceiver::Open(const RtpEndpoint &endpoint, const RtpPayloadConfig &payload,
                           ky::base::ThreadPriority &priority)
{
    Close();
    KyResult result = mTransport.Open(endpoint);
    if (result.IsFailure())
        return result;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mPayload = payload;
        mEndpoint = endpoint;
        ++mPayloadGeneration;
        mCounters = RtpReceiverCounters();
    }
    mStop = false;
    try {
        std::lock_guard<std::mutex> lock(mThreadMutex);
        mThread.Start(this, [this](const ky::base::ThreadLife &life) { Run(life); });
        priority.ApplyTo(mThread.NativeHandle());
    } catch (const std::exception &e) {
        mTransport.Close();
        return KyResult(KY_NOT_ENOUGH_MEMORY,
                        KyString(std::string("cannot start the receive thread: ") + e.what()));
    }
    mOpen = true;
    return KyResult();
}

void RtpReceiver::SetPayload(const RtpPayloadConfig &payload)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mPayload = payload;
    ++mPayloadGeneration;
}

void RtpReceiver::ApplyPriority(ky::base::ThreadPriority &priority)
{
    std::lock_guard<std::mutex> lock(mThreadMutex);
    if (!mStop && mThread.Joinable())  // mStop first: once set, mThread is the closer's
        priority.ApplyTo(mThread.NativeHandle());
}

bool RtpReceiver::IsOpen() const { return mOpen; }

void RtpReceiver::Close()
{
    mOpen = false;
    mStop = true;
    // A priority being applied to the thread is done once the lock was had.
    mThreadMutex.lock();
    mThreadMutex.unlock();
    mThread.Release();  // joins: the owner never closes from the receive thread
    mTransport.Close();
    Abort();
}

KyResult RtpReceiver::Queue(KyBuffer *buffer)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mWaiting.push_back(buffer);
    return KyResult();
}

KyResult RtpReceiver::Next(KyBuffer *&buffer, uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(mMutex);
    auto ended = [this] { return !mDone.empty(); };
    if (timeoutMs == 0xFFFFFFFFu)
        mEnded.wait(lock, ended);
    else if (!mEnded.wait_for(lock, std::chrono::milliseconds(timeoutMs), ended))
        return KyResult(KY_TIMEOUT, KyString("no frame ended in time"));
    buffer = mDone.front();
    mDone.pop_front();
    return KyResult();
}

void RtpReceiver::Abort()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (mWaiting.empty())
            return;
        for (KyBuffer *buffer : mWaiting) {
            buffer->BeginAcquisition();
            buffer->SetOperationResult(KyResult(KY_ABORTED, KyString("the buffer was aborted")));
            mDone.push_back(buffer);
        }
        mWaiting.clear();
    }
    mEnded.notify_all();
}

bool RtpReceiver::Withdraw(KyBuffer *buffer)
{
    std::lock_guard<std::mutex> lock(mMutex);
    for (std::deque<KyBuffer *> *list : {&mWaiting, &mDone}) {
        auto at = std::find(list->begin(), list->end(), buffer);
        if (at != list->end()) {
            list->erase(at);
            return true;
        }
    }
    return false;
}

RtpReceiverCounters RtpReceiver::Counters() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mCounters;
}

void RtpReceiver::Deliver(const RtpFrame &frame, const RtpPayloadConfig &config)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (mWaiting.empty()) {
            ++mCounters.framesWithoutBuffer;
            return;
        }
        KyBuffer *buffer = mWaiting.front();
        mWaiting.pop_front();
        // Filled under the lock: a Withdraw that returns has nothing writing into its buffer.
        FillBufferFromFrame(frame, config, mNextBlockId++, *buffer);
        mDone.push_back(buffer);
    }
    mEnded.notify_all();
}

void RtpReceiver::Run(const ky::base::ThreadLife &)
{
    using Clock = RtpSessionSender::Clock;
    const auto frameTimeout = std::chrono::milliseconds(FRAME_TIMEOUT_MS);
    try {
        std::vector<std::uint8_t> read(kReadSize);
        std::vector<std::uint8_t> packet;
        RtpTcpFramer framer;
        std::unique_ptr<Assembler> assembler;
        std::uint64_t generation = 0;
        RtpFrame frame;
        RtpSessionSender sender;
        bool bySource = false;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (mEndpoint.pinSsrc)
                sender.PinSsrc(mEndpoint.ssrc);
            // A datagram's source names the sender only for unicast: a group may carry several
            // senders' datagrams, told apart by SSRC, and a TCP connection has one peer.
            bySource = mEndpoint.mode == RtpTransportMode::Unicast;
        }
        Clock::time_point lastPacket;  // of the session, put into the assembler
        while (!mStop) {
            gev::DatagramInfo from;
            const ssize_t n = mTransport.Read(read.data(), read.size(), kPollMs, &from);
            if (n < 0)
                break;  // the connection ended: nothing more comes
            const Clock::time_point now = Clock::now();
            {
                std::lock_guard<std::mutex> lock(mMutex);
                if (!assembler || generation != mPayloadGeneration) {
                    assembler = std::make_unique<Assembler>(mPayload);
                    generation = mPayloadGeneration;
                    sender.Reset();
                }
            }
            if (assembler->HasOpenFrame() && now - lastPacket >= frameTimeout) {
                // The frame's last packets are not coming: it ends now, not with the next frame.
                assembler->Flush();
                while (assembler->TakeFrame(frame)) {
                    frame.timedOut = !frame.complete;
                    Deliver(frame, assembler->Config());
                }
            }
            if (n == 0)
                continue;
            RtpPacketSource source;
            source.known = bySource;
            source.ip = from.sourceIp;
            source.port = from.sourcePort;
            auto take = [&](const std::uint8_t *data, std::size_t size) {
                RtpPacket parsed;
                if (ParseRtpPacket(data, size, parsed) != RtpParseStatus::Ok) {
                    std::lock_guard<std::mutex> lock(mMutex);
                    ++mCounters.packetsMalformed;
                    return;
                }
                const bool expected = assembler->Expects(parsed);
                const bool ours = sender.Accept(parsed, source, expected, now);
                {
                    std::lock_guard<std::mutex> lock(mMutex);
                    ++mCounters.packetsReceived;
                    if (!ours)
                        ++mCounters.packetsForeign;
                    else if (!expected)
                        ++mCounters.packetsIgnored;
                }
                if (!ours || !expected)
                    return;
                assembler->Push(parsed);
                lastPacket = now;
                while (assembler->TakeFrame(frame))
                    Deliver(frame, assembler->Config());
            };
            if (mTransport.IsStream()) {
                framer.Append(read.data(), static_cast<std::size_t>(n));
                while (framer.Next(packet))
                    take(packet.data(), packet.size());
            } else {
                take(read.data(), static_cast<std::size_t>(n));
            }
        }
        // The sender is gone (or the stream closes): what was put together so far still ends.
        if (assembler && !mStop) {
            assembler->Flush();
            while (assembler->TakeFrame(frame))
                Deliver(frame, assembler->Config());
        }
    } catch (const std::exception &e) {
        // Nothing leaves the thread; the stream stays open and receives nothing more.
        StreamLog().LogError(__FILE__, __LINE__, "RtpReceiver", e.what());
    }
}

}  // namespace ky::stream
