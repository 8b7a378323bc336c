#include "GevMessageChannel.h"

#include <cerrno>
#include <exception>
#include <string>

#include "DeviceLog.h"
#include "GevConnection.h"
#include "HostAdapters.h"
#include "gev/Gvcp.h"

namespace ky {
namespace device {

namespace {
constexpr int kPollIntervalMs = 50;  // how quickly the link thread sees a stop request
constexpr int kTcpConnectTimeoutMs = 2000;

GevEvent ToEvent(const gev::EventItem &item)
{
    GevEvent event;
    event.id = item.eventId;
    event.channel = item.streamChannel;
    event.blockId = item.blockId;
    event.timestamp = item.timestamp;
    return event;
}
}  // namespace

GevMessageChannel::GevMessageChannel(EventHandler handler, const void *threadOwner)
    : mHandler(std::move(handler)), mOwner(threadOwner ? threadOwner : this)
{ }

GevMessageChannel::~GevMessageChannel() { Stop(); }

KyResult GevMessageChannel::Start(uint32_t localIp, uint32_t deviceIp, bool tcp)
{
    mDeviceIp = deviceIp;
    if (tcp) {
        KyResult connected = mTcp.Connect(deviceIp, gev::GVCP_PORT, kTcpConnectTimeoutMs);
        if (connected.IsFailure())
            return connected;
        if (mTcp.LocalIp() != localIp) {
            mTcp.Close();
            return KyResult(KY_NETWORK_ERROR, "the message channel connection leaves from another address");
        }
        mPort = mTcp.LocalPort();
    } else {
        KyResult opened = mSocket.Open(localIp, 0);
        if (opened.IsFailure())
            return KyResult(KY_NETWORK_ERROR, opened.GetOSCode(), "cannot bind the message channel socket");
        mPort = mSocket.LocalPort();
    }
    mStop = false;
    try {
        mLink.Start(mOwner, [this, tcp](const ky::base::ThreadLife &) { LinkLoop(tcp); });
        // The handler is the thread's own copy: it stays valid when a handler frees the channel.
        mQueueThread.Start(mOwner, [this, handler = mHandler](const ky::base::ThreadLife &life) {
            QueueLoop(life, handler);
        });
    } catch (const std::exception &error) {
        Stop();
        return KyResult(KY_THREAD_ERROR,
                        std::string("cannot start the message channel threads: ") + error.what());
    }
    return KyResult();
}

void GevMessageChannel::ApplyPriorities(ky::base::ThreadPriority &link, ky::base::ThreadPriority &queue)
{
    if (mLink.Joinable())
        link.ApplyTo(mLink.NativeHandle());
    if (mQueueThread.Joinable())
        queue.ApplyTo(mQueueThread.NativeHandle());
}

void GevMessageChannel::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStop = true;
    }
    mWake.notify_all();
    mLink.Release();
    mQueueThread.Release();  // from the handler itself: handed to the reaper
    mSocket.Close();
    mTcp.Close();
    mIdle.notify_all();
}

KyResult GevMessageChannel::WaitIdle(uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(mMutex);
    if (mIdle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                       [this] { return mStop || (mQueue.empty() && !mBusy); }))
        return KyResult();
    return KyResult(KY_TIMEOUT, "events are still waiting for the event sinks");
}

void GevMessageChannel::HandleDatagram(const uint8_t *data, size_t length, uint8_t *ack, size_t ackCapacity,
                                       size_t &ackLength)
{
    ackLength = 0;
    gev::CommandHeader header;
    if (gev::ParseCommandHeader(data, length, header) != gev::CodecError::Ok)
        return;
    std::vector<GevEvent> events;
    gev::Command ackCode;
    if (header.command == gev::Command::EVENT_CMD) {
        gev::EventCmd command;
        if (gev::Parse(data, length, command) != gev::CodecError::Ok)
            return;
        for (const gev::EventItem &item : command.events)
            events.push_back(ToEvent(item));
        ackCode = gev::Command::EVENT_ACK;
    } else if (header.command == gev::Command::EVENTDATA_CMD) {
        gev::EventDataCmd command;
        if (gev::Parse(data, length, command) != gev::CodecError::Ok)
            return;
        events.push_back(ToEvent(command.event));
        events.back().data = std::move(command.data);
        ackCode = gev::Command::EVENTDATA_ACK;
    } else {
        return;
    }
    // A repeat (the device did not get our acknowledge) is acknowledged again, not queued again.
    const bool repeat = mHaveLastId && header.requestId == mLastId;
    mHaveLastId = true;
    mLastId = header.requestId;
    if (!repeat) {
        bool firstOverflow = false;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            for (GevEvent &event : events) {
                if (mQueue.size() < kMaxQueuedEvents) {
                    mQueue.push_back(std::move(event));
                } else {
                    firstOverflow = firstOverflow || mStatistics.overflowEvents == 0;
                    ++mStatistics.overflowEvents;
                }
            }
        }
        mWake.notify_all();
        if (firstOverflow)
            DeviceLog().LogWarning(
                __FILE__, __LINE__, "GevMessageChannel::HandleDatagram",
                (std::to_string(kMaxQueuedEvents) +
                 " events wait for the event sinks: further events are dropped (and counted)")
                    .c_str());
    }
    if (!header.AckRequired())
        return;
    gev::AckHeader reply;
    reply.acknowledge = ackCode;
    reply.ackId = header.requestId;
    gev::Packet packet;
    gev::BuildBareAck(reply, packet);
    if (packet.size() <= ackCapacity) {
        std::copy(packet.begin(), packet.end(), ack);
        ackLength = packet.size();
    }
}

// Over TCP only the device is at the other end; a connection it closed stays quiet (the control
// link tells the loss).
void GevMessageChannel::LinkLoop(bool tcp)
{
    uint8_t buffer[2048];
    uint8_t ack[64];
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mMutex);
            if (tcp && mTcp.IsBroken())
                mWake.wait_for(lock, std::chrono::milliseconds(kPollIntervalMs), [this] { return mStop; });
            if (mStop)
                return;
        }
        if ((tcp ? mTcp.WaitReadable(kPollIntervalMs) : mSocket.WaitReadable(kPollIntervalMs)) <= 0)
            continue;
        gev::DatagramInfo from;
        const ssize_t received =
            tcp ? mTcp.Receive(buffer, sizeof buffer, &from) : mSocket.Receive(buffer, sizeof buffer, &from);
        if (received <= 0)
            continue;
        if (from.sourceIp != mDeviceIp) {
            Foreign(from.sourceIp);
            continue;
        }
        size_t ackLength = 0;
        HandleDatagram(buffer, static_cast<size_t>(received), ack, sizeof ack, ackLength);
        if (ackLength > 0 && tcp)
            (void)mTcp.Send(ack, ackLength);
        else if (ackLength > 0)
            (void)mSocket.SendTo(ack, ackLength, from.sourceIp, from.sourcePort);  // a lost one is repeated
    }
}

void GevMessageChannel::Foreign(uint32_t address)
{
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        first = mStatistics.foreignDatagrams++ == 0;
    }
    if (first)
        DeviceLog().LogWarning(__FILE__, __LINE__, "GevMessageChannel::LinkLoop",
                               ("dropped a datagram from " + FormatIPv4(address) +
                                ", which is not the device " + FormatIPv4(mDeviceIp) +
                                " (further ones are only counted)")
                                   .c_str());
}

GevMessageChannel::Statistics GevMessageChannel::GetStatistics() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mStatistics;
}

void GevMessageChannel::QueueLoop(const ky::base::ThreadLife &life, const EventHandler &handler)
{
    for (;;) {
        GevEvent event;
        {
            std::unique_lock<std::mutex> lock(mMutex);
            mBusy = false;
            if (mQueue.empty())
                mIdle.notify_all();
            mWake.wait(lock, [this] { return mStop || !mQueue.empty(); });
            if (mStop)
                return;
            event = std::move(mQueue.front());
            mQueue.pop_front();
            mBusy = true;
        }
        handler(event);  // the handler guards its calls into user code
        if (life.Released())
            return;  // the handler stopped or destroyed the channel: nothing of it may be touched
    }
}

}  // namespace device
}  // namespace ky
