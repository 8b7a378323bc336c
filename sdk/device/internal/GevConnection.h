// What a connected KyDeviceGEV holds: the control link, control privilege kept by a heartbeat
// thread, and the message channel that brings the device's events.
//
// The callbacks may close and destroy the connection (a user frees the device from a sink): the
// thread that runs them is then handed to the reaper and returns without touching the connection
// (ky/OwnedThread.h). Its threads carry the connection as their owner tag (IsOwnThread).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "GevMessageChannel.h"
#include "GvcpClient.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "ky/OwnedThread.h"
#include "ky/ThreadPriority.h"

namespace ky {
namespace device {

class GevConnection
{
public:
    struct Callbacks
    {
        std::function<void()> linkLost;         // heartbeat thread, once
        GevMessageChannel::EventHandler event;  // event queue thread
    };
    // The device's settings (they outlive the connection), applied as the threads start.
    struct ThreadPriorities
    {
        ky::base::ThreadPriority *heartbeat = nullptr;
        ky::base::ThreadPriority *interruptLink = nullptr;
        ky::base::ThreadPriority *interruptQueue = nullptr;
    };

    explicit GevConnection(Callbacks callbacks);
    ~GevConnection();  // Close()
    GevConnection(const GevConnection &) = delete;
    GevConnection &operator=(const GevConnection &) = delete;

    // Opens the control link to the device of the record and takes the access asked for.
    KyResult Open(const KyDeviceInfoGEV &record, KyAccessType access, const ThreadPriorities &priorities);
    // Releases control (unless the link is lost) and joins every thread (a thread calling it from
    // a callback is handed to the reaper instead). Safe to call twice.
    void Close();

    // Puts the running threads under the priorities given to Open, at once.
    void ApplyPriorities();

    bool IsConnected() const { return mConnected; }
    KyAccessType Access() const { return mAccess; }
    const KyDeviceInfoGEV &Record() const { return mRecord; }
    GvcpClient &Client() { return mClient; }
    KyResult WaitForEventsIdle(uint32_t timeoutMs);
    // The device's heartbeat timeout was changed through this connection: beat to match it.
    void HeartbeatTimeoutChanged(uint32_t timeoutMs);
    // Answer timeout and attempts of the control link, kept for later connections too.
    GvcpClient::Settings ClientSettings();
    void SetClientSettings(const GvcpClient::Settings &settings);
    // How often the heartbeat thread beats while control is held, in ms.
    uint32_t HeartbeatPeriodMs();
    // Whether the caller runs on one of the connection's threads (inside a device callback).
    bool IsOwnThread() const;

private:
    void HeartbeatLoop();
    void StopHeartbeat();

    Callbacks mCallbacks;
    GvcpClient mClient;
    KyDeviceInfoGEV mRecord;
    KyAccessType mAccess = KyAccessUnknown;
    std::atomic<bool> mConnected{false};
    std::atomic<bool> mLinkLost{false};

    std::mutex mHeartbeatMutex;
    std::condition_variable mHeartbeatWake;
    bool mHeartbeatStop = false;
    std::chrono::milliseconds mHeartbeatPeriod{1000};
    std::chrono::milliseconds mHeartbeatTimeout{3000};  // the device's: it keeps control this long
    ky::base::OwnedThread mHeartbeat;
    // Guards the threads' handles while priorities are applied: set before they are let go.
    std::mutex mPriorityMutex;
    bool mThreadsRunning = false;
    ThreadPriorities mPriorities;
    std::unique_ptr<GevMessageChannel> mMessageChannel;
    std::mutex mSettingsMutex;
    GvcpClient::Settings mClientSettings;
};

}  // namespace device
}  // namespace ky
