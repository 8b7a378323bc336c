#include "u3v/SimUsbBus.h"

#include <chrono>
#include <cstring>

#include "u3v/U3vControlClient.h"

namespace ky::u3v {

const char *TransferStatusName(TransferStatus status)
{
    switch (status) {
    case TransferStatus::Ok:
        return "ok";
    case TransferStatus::Timeout:
        return "time-out";
    case TransferStatus::Stall:
        return "stall";
    case TransferStatus::Disconnected:
        return "disconnected";
    case TransferStatus::Overflow:
        return "overflow";
    }
    return "unknown";
}

KyResult ToResult(TransferStatus status)
{
    switch (status) {
    case TransferStatus::Ok:
        return KyResult(KY_OK);
    case TransferStatus::Timeout:
        return KyResult(KY_TIMEOUT, "USB transfer timed out");
    case TransferStatus::Stall:
        return KyResult(KY_STATE_ERROR, "USB endpoint stalled");
    case TransferStatus::Disconnected:
        return KyResult(KY_NOT_CONNECTED, "USB device disconnected");
    case TransferStatus::Overflow:
        return KyResult(KY_BUFFER_TOO_SMALL, "USB transfer larger than the buffer");
    }
    return KyResult(KY_GENERIC_ERROR);
}

namespace {

std::chrono::steady_clock::time_point DeadlineAfter(uint32_t timeoutMs)
{
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
}

}  // namespace

TransferStatus SimTransferQueue::Push(const uint8_t *data, size_t size, uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(mMutex);
    auto deadline = DeadlineAfter(timeoutMs);
    for (;;) {
        if (mDisconnected) {
            return TransferStatus::Disconnected;
        }
        if (mStalled) {
            return TransferStatus::Stall;
        }
        if (mTransfers.size() < mDepth) {
            break;
        }
        if (mChanged.wait_until(lock, deadline) == std::cv_status::timeout && mTransfers.size() >= mDepth &&
            !mDisconnected && !mStalled) {
            return TransferStatus::Timeout;
        }
    }
    mTransfers.emplace_back(data, data + (data ? size : 0));
    mChanged.notify_all();
    return TransferStatus::Ok;
}

TransferStatus SimTransferQueue::Pop(uint8_t *data, size_t capacity, size_t &received, uint32_t timeoutMs)
{
    received = 0;
    std::unique_lock<std::mutex> lock(mMutex);
    auto deadline = DeadlineAfter(timeoutMs);
    for (;;) {
        if (mDisconnected) {
            return TransferStatus::Disconnected;
        }
        if (mStalled) {
            return TransferStatus::Stall;
        }
        if (!mTransfers.empty()) {
            break;
        }
        if (mChanged.wait_until(lock, deadline) == std::cv_status::timeout && mTransfers.empty() &&
            !mDisconnected && !mStalled) {
            return TransferStatus::Timeout;
        }
    }
    std::vector<uint8_t> transfer = std::move(mTransfers.front());
    mTransfers.pop_front();
    mChanged.notify_all();
    if (transfer.size() > capacity || (data == nullptr && !transfer.empty())) {
        return TransferStatus::Overflow;
    }
    if (!transfer.empty()) {
        std::memcpy(data, transfer.data(), transfer.size());
    }
    received = transfer.size();
    return TransferStatus::Ok;
}

void SimTransferQueue::SetStall(bool stalled)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mStalled = stalled;
    mChanged.notify_all();
}

void SimTransferQueue::Disconnect()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mDisconnected = true;
    mTransfers.clear();
    mChanged.notify_all();
}

bool SimTransferQueue::IsDisconnected() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mDisconnected;
}

TransferStatus SimBulkPipe::Write(const uint8_t *data, size_t size, uint32_t timeoutMs)
{
    if (data == nullptr && size != 0) {
        return TransferStatus::Overflow;
    }
    return mOut->Push(data, size, timeoutMs);
}

TransferStatus SimBulkPipe::Read(uint8_t *data, size_t capacity, size_t &received, uint32_t timeoutMs)
{
    return mIn->Pop(data, capacity, received, timeoutMs);
}

void SimBulkPipe::ClearStall()
{
    mOut->SetStall(false);
    mIn->SetStall(false);
}

bool SimBulkPipe::IsConnected() const { return !mIn->IsDisconnected(); }

void SimBulkPipe::Stall()
{
    mOut->SetStall(true);
    mIn->SetStall(true);
}

SimUsbLink::SimUsbLink(size_t queueDepth)
{
    for (size_t k = 0; k < SIM_PIPE_COUNT; ++k) {
        auto toDevice = std::make_shared<SimTransferQueue>(queueDepth);
        auto toHost = std::make_shared<SimTransferQueue>(queueDepth);
        mQueues.push_back(toDevice);
        mQueues.push_back(toHost);
        mHost[k] = std::make_unique<SimBulkPipe>(toDevice, toHost);
        mDevice[k] = std::make_unique<SimBulkPipe>(toHost, toDevice);
    }
}

void SimUsbLink::Unplug()
{
    for (auto &queue : mQueues) {
        queue->Disconnect();
    }
}

std::shared_ptr<U3vControlClient> SimUsbLink::HostControl()
{
    std::lock_guard<std::mutex> lock(mControlMutex);
    if (!mHostControl) {
        mHostControl = std::make_shared<U3vControlClient>(Host(SimPipe::Control));
    }
    return mHostControl;
}

bool SimUsbLink::ClaimHost() { return !mHostClaimed.exchange(true); }

void SimUsbLink::ReleaseHost() { mHostClaimed = false; }

bool SimUsbLink::IsPlugged() const { return !mQueues.front()->IsDisconnected(); }

}  // namespace ky::u3v
