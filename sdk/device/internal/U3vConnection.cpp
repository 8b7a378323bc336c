#include "U3vConnection.h"

#include <chrono>

#include "DeviceLog.h"
#include "u3v/GenCp.h"
#include "u3v/SimUsbRegistry.h"
#include "u3v/U3vBootstrapReader.h"

namespace ky {
namespace device {

namespace {
// How often the event thread looks whether it is asked to stop.
constexpr uint32_t EVENT_POLL_MS = 50;
constexpr size_t EVENT_TRANSFER_MAX = u3v::GENCP_HEADER_SIZE + 0xFFFF;
}  // namespace

U3vConnection::U3vConnection(Callbacks callbacks) : mCallbacks(std::move(callbacks)) { }

U3vConnection::~U3vConnection() { Close(); }

KyResult U3vConnection::Open(const std::string &guid, ky::base::ThreadPriority &eventPriority)
{
    u3v::SimUsbRegistry::LoadDeclarations();
    u3v::SimUsbDevice device;
    if (!u3v::SimUsbRegistry::Find(guid, device)) {
        return KyResult(KY_NOT_FOUND,
                        KyString("No USB3 Vision device with the GUID '" + guid + "' is plugged."));
    }
    // One device object per camera: a second would share the event pipe, and each event would
    // reach only one of them.
    if (!device.link->ClaimHost()) {
        return KyResult(KY_BUSY, KyString("The USB3 Vision device " + device.identity.guid +
                                          " is connected to another device object already."));
    }
    std::shared_ptr<u3v::U3vControlClient> control = device.link->HostControl();
    u3v::U3vBootstrapInfo bootstrap;
    KyResult result = u3v::ReadBootstrap(*control, bootstrap);
    if (!result.IsOK()) {
        device.link->ReleaseHost();
        return result;
    }
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mClaimed = device.link;
        mLink = device.link;
        mControl = control;
        mGuid = device.identity.guid;
        mBootstrap = bootstrap;
    }
    mStop = false;
    mConnected = true;
    try {
        mEventThread.Start(
            this, [this, link = device.link](const base::ThreadLife &life) { EventLoop(life, link); });
    } catch (const std::exception &error) {
        mConnected = false;
        ReleaseClaim();
        return KyResult(KY_THREAD_ERROR, KyString(std::string("no event thread: ") + error.what()));
    }
    {
        std::lock_guard<std::mutex> lock(mPriorityMutex);
        mEventPriority = &eventPriority;
        mThreadRunning = true;
    }
    ApplyPriority();
    return KyResult();
}

void U3vConnection::ApplyPriority()
{
    std::lock_guard<std::mutex> lock(mPriorityMutex);
    if (mThreadRunning && mEventPriority && mEventThread.Joinable())
        mEventPriority->ApplyTo(mEventThread.NativeHandle());
}

void U3vConnection::Close()
{
    {
        std::lock_guard<std::mutex> lock(mPriorityMutex);
        mThreadRunning = false;
    }
    mStop = true;
    mConnected = false;
    mEventThread.Release();  // from the event thread's own callback: handed to the reaper
    ReleaseClaim();
}

void U3vConnection::ReleaseClaim()
{
    std::shared_ptr<u3v::SimUsbLink> claimed;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        claimed = std::move(mClaimed);
    }
    if (claimed)
        claimed->ReleaseHost();
}

bool U3vConnection::IsOwnThread() const { return base::OnThreadOf(this); }

std::shared_ptr<u3v::U3vControlClient> U3vConnection::Control() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mConnected ? mControl : nullptr;
}

std::string U3vConnection::Guid() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mGuid;
}

u3v::U3vBootstrapInfo U3vConnection::Bootstrap() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mBootstrap;
}

KyResult U3vConnection::WaitForEventsIdle(uint32_t timeoutMs)
{
    if (!mConnected) {
        return KyResult(KY_NOT_CONNECTED, "the device is not connected");
    }
    std::unique_lock<std::mutex> lock(mIdleMutex);
    if (!mIdle.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !mDelivering; })) {
        return KyResult(KY_TIMEOUT, "events are still being delivered");
    }
    return KyResult();
}

void U3vConnection::EventLoop(const base::ThreadLife &life, std::shared_ptr<u3v::SimUsbLink> link)
{
    std::vector<uint8_t> transfer(EVENT_TRANSFER_MAX);
    u3v::IUsbBulkPipe &pipe = link->Host(u3v::SimPipe::Event);
    while (!mStop) {
        size_t received = 0;
        const u3v::TransferStatus status =
            pipe.Read(transfer.data(), transfer.size(), received, EVENT_POLL_MS);
        if (status == u3v::TransferStatus::Timeout) {
            continue;
        }
        if (status == u3v::TransferStatus::Stall) {
            pipe.ClearStall();
            continue;
        }
        if (status == u3v::TransferStatus::Disconnected) {
            if (mStop) {
                return;
            }
            mConnected = false;
            DeviceLog().LogWarning(__FILE__, __LINE__, "U3vConnection::EventLoop",
                                   ("link to USB3 Vision device " + Guid() + " lost: unplugged").c_str());
            // A copy: the callback may destroy the connection, and with it mCallbacks.
            const std::function<void()> linkLost = mCallbacks.linkLost;
            if (linkLost) {
                linkLost();
            }
            return;  // nothing of the connection is touched after the callback
        }
        if (status != u3v::TransferStatus::Ok) {
            continue;  // an oversized transfer was dropped by the pipe
        }
        u3v::GenCpHeader header;
        u3v::GenCpEvent parsed;
        const u3v::GenCpError error = u3v::ParseEvent(transfer.data(), received, header, parsed);
        if (error != u3v::GenCpError::Ok) {
            DeviceLog().LogWarning(__FILE__, __LINE__, "U3vConnection::EventLoop",
                                   (std::string("event dropped: ") + u3v::GenCpErrorName(error)).c_str());
            continue;
        }
        Event event;
        event.id = parsed.id;
        event.timestamp = parsed.timestamp;
        if (parsed.dataSize != 0) {
            event.data.assign(parsed.data, parsed.data + parsed.dataSize);
        }
        {
            std::lock_guard<std::mutex> lock(mIdleMutex);
            mDelivering = true;
        }
        const std::function<void(const Event &)> callback = mCallbacks.event;
        if (callback) {
            callback(event);
        }
        if (life.Released()) {
            return;  // a sink freed the device
        }
        {
            std::lock_guard<std::mutex> lock(mIdleMutex);
            mDelivering = false;
        }
        mIdle.notify_all();
    }
}

}  // namespace device
}  // namespace ky
