#include "GevConnection.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <exception>
#include <string>

#include "DeviceLog.h"
#include "HostAdapters.h"
#include "ky/device/KyGevConstants.h"

namespace ky {
namespace device {

namespace {
constexpr std::chrono::milliseconds kMinHeartbeatPeriod{100};
constexpr std::chrono::milliseconds kMaxHeartbeatPeriod{1000};
// A beat that got no answer is sent again after this pause, until the heartbeat timeout runs out.
constexpr std::chrono::milliseconds kHeartbeatRetryPause{20};
// The timeout of a device whose heartbeat timeout register cannot be read (the register's default).
constexpr uint32_t kDefaultHeartbeatTimeoutMs = 3000;

// Three beats per timeout, so that one lost beat does not cost the control privilege.
std::chrono::milliseconds PeriodFor(uint32_t timeoutMs)
{
    return std::clamp(std::chrono::milliseconds(timeoutMs / 3), kMinHeartbeatPeriod, kMaxHeartbeatPeriod);
}

uint32_t PrivilegeFor(KyAccessType access)
{
    switch (access) {
    case KyAccessExclusive:
        return gev::CCP_EXCLUSIVE_MASK;
    case KyAccessControl:
        return gev::CCP_CONTROL_MASK;
    default:
        return 0;
    }
}
}  // namespace

GevConnection::GevConnection(Callbacks callbacks) : mCallbacks(std::move(callbacks)) { }

GevConnection::~GevConnection() { Close(); }

KyResult GevConnection::Open(const KyDeviceInfoGEV &record, KyAccessType access,
                             const ThreadPriorities &priorities)
{
    if (mConnected)
        return KyResult(KY_STATE_ERROR, "the device is already connected");
    Close();  // joins the threads of a connection whose link was lost
    uint32_t ip = 0;
    if (!ParseIPv4(record.GetIPAddress().str(), ip))
        return KyResult(KY_INVALID_PARAMETER, KyString("The device record has no valid IP address ('") +
                                                  record.GetIPAddress() + KyString("')."));
    const uint32_t privilege = PrivilegeFor(access);
    if (privilege == 0 && access != KyAccessOpen && access != KyAccessReadOnly)
        return KyResult(KY_INVALID_PARAMETER, "unknown access type");

    KyResult result = mClient.Open(ip, ClientSettings());
    if (!result.IsOK())
        return result;
    mRecord = record;
    mAccess = access;
    mLinkLost = false;

    if (privilege == 0) {
        // Monitor access: check that the device answers at all.
        uint32_t ccp = 0;
        result = mClient.ReadRegister(gev::CCP_OFFSET, ccp);
        if (!result.IsOK()) {
            mClient.Close();
            return result;
        }
        mConnected = true;
        return KyResult();
    }

    uint32_t heartbeatTimeout = 0;
    result = mClient.ReadRegister(gev::HEARTBEAT_TIMEOUT_OFFSET, heartbeatTimeout);
    if (result.IsOK())
        result = mClient.WriteRegister(gev::CCP_OFFSET, privilege);
    if (!result.IsOK()) {
        // The device refuses control while another application holds it.
        if (result.GetCode() == KY_STATE_ERROR)
            result = KyResult(KY_BUSY, "Another application controls the device (access denied).");
        mClient.Close();
        return result;
    }
    mConnected = true;
    // Our streams from this device ask for resends from the controller's socket (withdrawn
    // when the client closes).
    mClient.OfferResendRoute();

    {
        std::lock_guard<std::mutex> lock(mHeartbeatMutex);
        mHeartbeatStop = false;
        mHeartbeatPeriod = PeriodFor(heartbeatTimeout);
        mHeartbeatTimeout =
            std::chrono::milliseconds(heartbeatTimeout ? heartbeatTimeout : kDefaultHeartbeatTimeoutMs);
    }
    try {
        mHeartbeat.Start(this, [this](const ky::base::ThreadLife &) { HeartbeatLoop(); });
    } catch (const std::exception &error) {
        Close();
        return KyResult(KY_THREAD_ERROR, std::string("cannot start the heartbeat thread: ") + error.what());
    }

    // Events are optional: a device without a message channel is still fully usable.
    uint32_t channels = 0;
    if (mCallbacks.event && mClient.ReadRegister(gev::MESSAGE_CHANNEL_COUNT_OFFSET, channels).IsOK() &&
        channels > 0) {
        auto channel = std::make_unique<GevMessageChannel>(mCallbacks.event, this);
        if (channel->Start(mClient.LocalIP(), ip, mClient.IsTcp()).IsOK() &&
            mClient.WriteRegister(gev::MCDA_OFFSET, mClient.LocalIP()).IsOK() &&
            mClient.WriteRegister(gev::MCP_OFFSET, channel->Port()).IsOK())
            mMessageChannel = std::move(channel);
    }
    {
        std::lock_guard<std::mutex> lock(mPriorityMutex);
        mPriorities = priorities;
        mThreadsRunning = true;
    }
    ApplyPriorities();
    return KyResult();
}

void GevConnection::ApplyPriorities()
{
    std::lock_guard<std::mutex> lock(mPriorityMutex);
    if (!mThreadsRunning)
        return;
    if (mPriorities.heartbeat && mHeartbeat.Joinable())
        mPriorities.heartbeat->ApplyTo(mHeartbeat.NativeHandle());
    if (mMessageChannel && mPriorities.interruptLink && mPriorities.interruptQueue)
        mMessageChannel->ApplyPriorities(*mPriorities.interruptLink, *mPriorities.interruptQueue);
}

void GevConnection::Close()
{
    {
        std::lock_guard<std::mutex> lock(mPriorityMutex);
        mThreadsRunning = false;
    }
    StopHeartbeat();
    if (mMessageChannel) {
        if (!mLinkLost)
            (void)mClient.WriteRegister(gev::MCP_OFFSET, 0);
        mMessageChannel->Stop();
        mMessageChannel.reset();
    }
    if (mConnected && !mLinkLost && PrivilegeFor(mAccess) != 0)
        (void)mClient.WriteRegister(gev::CCP_OFFSET, 0);
    mConnected = false;
    mAccess = KyAccessUnknown;
    mClient.Close();
}

bool GevConnection::IsOwnThread() const { return ky::base::OnThreadOf(this); }

KyResult GevConnection::WaitForEventsIdle(uint32_t timeoutMs)
{
    if (!mConnected)
        return KyResult(KY_NOT_CONNECTED, "the device is not connected");
    if (!mMessageChannel)
        return KyResult();
    return mMessageChannel->WaitIdle(timeoutMs);
}

void GevConnection::StopHeartbeat()
{
    {
        std::lock_guard<std::mutex> lock(mHeartbeatMutex);
        mHeartbeatStop = true;
    }
    mHeartbeatWake.notify_all();
    mHeartbeat.Release();  // from the heartbeat's own callback: handed to the reaper
}

GvcpClient::Settings GevConnection::ClientSettings()
{
    std::lock_guard<std::mutex> lock(mSettingsMutex);
    return mClientSettings;
}

void GevConnection::SetClientSettings(const GvcpClient::Settings &settings)
{
    std::lock_guard<std::mutex> lock(mSettingsMutex);
    mClientSettings = settings;
    mClient.SetSettings(settings);
}

uint32_t GevConnection::HeartbeatPeriodMs()
{
    std::lock_guard<std::mutex> lock(mHeartbeatMutex);
    return static_cast<uint32_t>(mHeartbeatPeriod.count());
}

void GevConnection::HeartbeatTimeoutChanged(uint32_t timeoutMs)
{
    {
        std::lock_guard<std::mutex> lock(mHeartbeatMutex);
        mHeartbeatPeriod = PeriodFor(timeoutMs);
        mHeartbeatTimeout = std::chrono::milliseconds(timeoutMs ? timeoutMs : kDefaultHeartbeatTimeoutMs);
    }
    mHeartbeatWake.notify_all();
}

void GevConnection::HeartbeatLoop()
{
    using Clock = std::chrono::steady_clock;
    // The device keeps our privilege for its heartbeat timeout after the last beat it answered:
    // until then a beat without an answer (lost in a flood of datagrams, say) is sent again, and
    // only when none was answered within the timeout is the link lost.
    Clock::time_point lastAnswer = Clock::now();
    bool retrying = false;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mHeartbeatMutex);
            const auto start = Clock::now();
            // The due time is worked out again on every wake, so a shorter period set
            // meanwhile takes effect at once.
            auto due = [&] { return start + (retrying ? kHeartbeatRetryPause : mHeartbeatPeriod); };
            while (!mHeartbeatStop && Clock::now() < due())
                mHeartbeatWake.wait_until(lock, due());
            if (mHeartbeatStop)
                return;
        }
        uint32_t ccp = 0;
        const KyResult result = mClient.ReadRegister(gev::CCP_OFFSET, ccp);
        if (result.IsOK() && (ccp & (gev::CCP_EXCLUSIVE_MASK | gev::CCP_CONTROL_MASK)) != 0) {
            lastAnswer = Clock::now();
            retrying = false;
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(mHeartbeatMutex);
            if (mHeartbeatStop)
                return;
            // A device that dropped our privilege (its heartbeat timer ran out) reads back no
            // control: that answer ends the link at once.
            // A TCP link that broke does not come back: lost at once.
            retrying = !result.IsOK() && !mClient.IsBroken() && Clock::now() - lastAnswer < mHeartbeatTimeout;
        }
        if (retrying) {
            DeviceLog().LogInfo(__FILE__, __LINE__, "GevConnection::HeartbeatLoop",
                                ("heartbeat to " + mRecord.GetIPAddress().str() +
                                 " unanswered, sent again: " + result.GetDescription().str())
                                    .c_str());
            continue;
        }
        mLinkLost = true;
        mConnected = false;
        DeviceLog().LogWarning(
            __FILE__, __LINE__, "GevConnection::HeartbeatLoop",
            ("link to " + mRecord.GetIPAddress().str() + " lost: " +
             (result.IsOK() ? std::string("control privilege gone") : result.GetDescription().str()))
                .c_str());
        // A copy: the callback may destroy the connection, and with it mCallbacks.
        const std::function<void()> linkLost = mCallbacks.linkLost;
        if (linkLost)
            linkLost();
        return;  // nothing of the connection is touched after the callback
    }
}

}  // namespace device
}  // namespace ky
