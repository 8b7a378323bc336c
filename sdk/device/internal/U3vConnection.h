// What a connected KyDeviceU3V holds: the device's cable on the simulated USB host controller,
// the control client shared with the device's streams, the bootstrap registers read at connect,
// and the event thread. The event thread reads the event pipe: each event goes to the event
// callback, and the cable's loss (the device was unplugged) to the link-lost callback, once.
//
// The callbacks may close and destroy the connection (a user frees the device from a sink): the
// event thread is then handed to the reaper and returns without touching the connection
// (ky/OwnedThread.h). The thread carries the connection as its owner tag (IsOwnThread).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ky/OwnedThread.h"
#include "ky/ThreadPriority.h"
#include "ky/base/KyResult.h"
#include "u3v/SimUsbBus.h"
#include "u3v/U3vBootstrap.h"
#include "u3v/U3vControlClient.h"

namespace ky {
namespace device {

class U3vConnection
{
public:
    struct Event
    {
        uint16_t id = 0;
        uint64_t timestamp = 0;
        std::vector<uint8_t> data;
    };
    struct Callbacks
    {
        std::function<void()> linkLost;            // event thread, once
        std::function<void(const Event &)> event;  // event thread
    };

    explicit U3vConnection(Callbacks callbacks);
    ~U3vConnection();  // Close()
    U3vConnection(const U3vConnection &) = delete;
    U3vConnection &operator=(const U3vConnection &) = delete;

    // Connects to the plugged device of the GUID: claims its interface, reads its bootstrap
    // registers and starts the event thread. KY_NOT_FOUND when no such device is plugged, KY_BUSY
    // when another connection has it (until that one closes).
    KyResult Open(const std::string &guid, ky::base::ThreadPriority &eventPriority);
    // Joins the event thread (handed to the reaper when called from it). Safe to call twice.
    void Close();

    bool IsConnected() const { return mConnected; }
    bool IsOwnThread() const;
    // The control client while connected, else null; the caller's copy keeps it usable (its
    // transfers fail with KY_NOT_CONNECTED once the device is gone).
    std::shared_ptr<u3v::U3vControlClient> Control() const;
    // The GUID (upper case) and the bootstrap registers read by the last Open.
    std::string Guid() const;
    u3v::U3vBootstrapInfo Bootstrap() const;
    // Returns once no event is being handed to the callback, or after the time-out.
    KyResult WaitForEventsIdle(uint32_t timeoutMs);
    // Puts the running event thread under the priority given to Open, at once.
    void ApplyPriority();

private:
    void EventLoop(const base::ThreadLife &life, std::shared_ptr<u3v::SimUsbLink> link);
    void ReleaseClaim();

    Callbacks mCallbacks;
    mutable std::mutex mMutex;
    std::shared_ptr<u3v::SimUsbLink> mLink;
    std::shared_ptr<u3v::SimUsbLink> mClaimed;  // the link whose interface this connection claimed
    std::shared_ptr<u3v::U3vControlClient> mControl;
    std::string mGuid;
    u3v::U3vBootstrapInfo mBootstrap;
    std::atomic<bool> mConnected{false};
    std::atomic<bool> mStop{false};
    // Guards the event thread's handle while its priority is applied: cleared before it goes.
    std::mutex mPriorityMutex;
    bool mThreadRunning = false;
    ky::base::ThreadPriority *mEventPriority = nullptr;  // the device's setting

    std::mutex mIdleMutex;
    std::condition_variable mIdle;
    bool mDelivering = false;
    base::OwnedThread mEventThread;
};

}  // namespace device
}  // namespace ky
