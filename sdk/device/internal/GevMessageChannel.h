// Host end of a device's message channel: receives EVENT and EVENTDATA commands, acknowledges
// them, drops repeats, and hands each event to a handler on a queue thread of its own, so that a
// slow handler never delays the acknowledges.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ky/base/KyResult.h"

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

    explicit GevMessageChannel(EventHandler handler);
    ~GevMessageChannel();  // Stop()
    GevMessageChannel(const GevMessageChannel &) = delete;
    GevMessageChannel &operator=(const GevMessageChannel &) = delete;

    // Binds a socket to localIp (host order) on a free port and starts both threads.
    KyResult Start(uint32_t localIp, uint32_t linkPriority, uint32_t queuePriority);
    void Stop();
    uint16_t Port() const { return mPort; }
    // Whether the caller runs on one of the channel's threads (inside an event handler).
    bool IsOwnThread() const
    {
        const auto self = std::this_thread::get_id();
        return self == mLink.get_id() || self == mQueueThread.get_id();
    }
    // Waits until every received event went through the handler; KY_TIMEOUT otherwise.
    KyResult WaitIdle(uint32_t timeoutMs);

    // Parses one received datagram, queues its events and builds the acknowledge to send back
    // (ackLength 0: nothing to send). Exposed for tests of the parsing rules.
    void HandleDatagram(const uint8_t *data, size_t length, uint8_t *ack, size_t ackCapacity, size_t &ackLength);

private:
    void LinkLoop();
    void QueueLoop();

    EventHandler mHandler;
    int mSocket = -1;
    uint16_t mPort = 0;
    bool mHaveLastId = false;
    uint16_t mLastId = 0;

    std::mutex mMutex;
    std::condition_variable mWake;
    std::condition_variable mIdle;
    std::deque<GevEvent> mQueue;
    bool mBusy = false;
    bool mStop = false;
    std::thread mLink;
    std::thread mQueueThread;
};

}  // namespace device
}  // namespace ky
