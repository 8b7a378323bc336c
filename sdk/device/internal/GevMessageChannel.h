// Host end of a device's message channel: receives EVENT and EVENTDATA commands, acknowledges
// them, drops repeats, and hands each event to a handler on a queue thread of its own, so that a
// slow handler never delays the acknowledges.
//
// Only the device's address may send events: a datagram from any other address is dropped
// without an acknowledge and counted (the first one is logged). The source port is not checked:
// a device sends its events from a port of its own choosing (reported only by the optional MCSP
// register). At most kMaxQueuedEvents events wait for the handler; further events are still
// acknowledged, so that the device does not repeat them, but dropped and counted (the first drop
// is logged). So a flood costs neither memory nor the events that come once the handler caught up.
//
// Threads: a link thread (receive and acknowledge) and a queue thread (the handler), both tagged
// with the owner given to the constructor (ky::base::OnThreadOf). The channel may be stopped or
// destroyed from inside the handler: the queue thread then goes to the reaper and returns
// without touching the channel (see ky/OwnedThread.h).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ky/base/KyResult.h"
#include "ky/OwnedThread.h"
#include "ky/ThreadPriority.h"
#include "gev/TcpPacketSocket.h"
#include "gev/UdpSocket.h"

namespace ky {
namespace device {

struct GevEvent
{
    uint16_t id = 0;
    uint16_t channel = 0xFFFF;
    uint64_t blockId = 0;
    uint64_t timestamp = 0;
    std::vector<uint8_t> data;
};

class GevMessageChannel
{
public:
    using EventHandler = std::function<void(const GevEvent &)>;
    // Events waiting for the handler at most; a full event packet holds under 600 bytes.
    static constexpr size_t kMaxQueuedEvents = 1024;

    struct Statistics
    {
        uint64_t foreignDatagrams = 0;  // dropped, unacknowledged: not from the device's address
        uint64_t overflowEvents = 0;    // acknowledged but dropped: the queue was full
    };

    // threadOwner tags the channel's threads (null: the channel itself).
    explicit GevMessageChannel(EventHandler handler, const void *threadOwner = nullptr);
    ~GevMessageChannel();  // Stop()
    GevMessageChannel(const GevMessageChannel &) = delete;
    GevMessageChannel &operator=(const GevMessageChannel &) = delete;

    // Binds a socket to localIp (host order) on a free port and starts both threads; events are
    // taken from deviceIp (host order) only. With tcp, the channel is a TCP connection to the
    // device's GVCP port number instead, whose local port is Port (the device sends the events
    // of the destination localIp:Port over it).
    KyResult Start(uint32_t localIp, uint32_t deviceIp, bool tcp = false);
    // Puts the running threads under these priorities; the owner keeps them from being stopped
    // meanwhile.
    void ApplyPriorities(ky::base::ThreadPriority &link, ky::base::ThreadPriority &queue);
    void Stop();
    uint16_t Port() const { return mPort; }
    // Whether the caller runs on one of the channel's threads (inside an event handler).
    bool IsOwnThread() const { return ky::base::OnThreadOf(mOwner); }
    // Waits until every received event went through the handler; KY_TIMEOUT otherwise.
    KyResult WaitIdle(uint32_t timeoutMs);

    // Parses one received datagram, queues its events and builds the acknowledge to send back
    // (ackLength 0: nothing to send). Exposed for tests of the parsing rules.
    void HandleDatagram(const uint8_t *data, size_t length, uint8_t *ack, size_t ackCapacity,
                        size_t &ackLength);
    Statistics GetStatistics() const;

private:
    void LinkLoop(bool tcp);
    void QueueLoop(const ky::base::ThreadLife &life, const EventHandler &handler);
    // Counts a datagram from another address than the device's; logs the first.
    void Foreign(uint32_t address);

    EventHandler mHandler;
    const void *mOwner;
    uint32_t mDeviceIp = 0;
    gev::UdpSocket mSocket;
    gev::TcpPacketSocket mTcp;
    uint16_t mPort = 0;
    bool mHaveLastId = false;
    uint16_t mLastId = 0;

    mutable std::mutex mMutex;
    std::condition_variable mWake;
    std::condition_variable mIdle;
    std::deque<GevEvent> mQueue;
    bool mBusy = false;
    bool mStop = false;
    Statistics mStatistics;
    ky::base::OwnedThread mLink;
    ky::base::OwnedThread mQueueThread;
};

}  // namespace device
}  // namespace ky
