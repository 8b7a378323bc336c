// SimUsbBus: an in-process USB link for USB3 Vision devices on machines without USB. A SimUsbLink
// joins a host and a device by three bulk pipes (control, event, stream); each pipe hands whole
// transfers from one side to the other through a bounded queue. A pipe can be stalled (as a
// device halts an endpoint) and the link unplugged, which fails every pending and later transfer
// on both sides with TransferStatus::Disconnected.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "u3v/UsbEndpoint.h"

namespace ky::u3v {
class U3vControlClient;
}

namespace ky::u3v {

// One direction of a pipe: whole transfers, in order, at most `depth` waiting.
class SimTransferQueue
{
public:
    explicit SimTransferQueue(size_t depth) : mDepth(depth == 0 ? 1 : depth) { }

    TransferStatus Push(const uint8_t *data, size_t size, uint32_t timeoutMs);
    TransferStatus Pop(uint8_t *data, size_t capacity, size_t &received, uint32_t timeoutMs);
    void SetStall(bool stalled);
    void Disconnect();
    bool IsDisconnected() const;

private:
    size_t mDepth;
    mutable std::mutex mMutex;
    std::condition_variable mChanged;
    std::deque<std::vector<uint8_t>> mTransfers;
    bool mStalled = false;
    bool mDisconnected = false;
};

// One side's view of a pipe: writes go to `out`, reads come from `in`.
class SimBulkPipe : public IUsbBulkPipe
{
public:
    SimBulkPipe(std::shared_ptr<SimTransferQueue> out, std::shared_ptr<SimTransferQueue> in)
        : mOut(std::move(out)), mIn(std::move(in))
    { }

    TransferStatus Write(const uint8_t *data, size_t size, uint32_t timeoutMs) override;
    TransferStatus Read(uint8_t *data, size_t capacity, size_t &received, uint32_t timeoutMs) override;
    void ClearStall() override;
    bool IsConnected() const override;

    // Halts this side's endpoints (both directions of the pipe) until ClearStall.
    void Stall();

private:
    std::shared_ptr<SimTransferQueue> mOut;
    std::shared_ptr<SimTransferQueue> mIn;
};

enum class SimPipe { Control = 0, Event = 1, Stream = 2 };
constexpr size_t SIM_PIPE_COUNT = 3;

// The cable between one host port and one device.
class SimUsbLink
{
public:
    explicit SimUsbLink(size_t queueDepth = 64);

    SimBulkPipe &Host(SimPipe pipe) { return *mHost[static_cast<size_t>(pipe)]; }
    SimBulkPipe &Device(SimPipe pipe) { return *mDevice[static_cast<size_t>(pipe)]; }

    // Pulls the cable: every transfer, waiting or later, on either side fails as Disconnected.
    void Unplug();
    bool IsPlugged() const;

    // The one control client of the host's end: everything on the host that talks to the device
    // (the device object, a stream setting up the stream interface) shares it, so that one
    // command is in flight at a time and every ack reaches the client that waits for it.
    std::shared_ptr<U3vControlClient> HostControl();

    // The host's claim on the device's interface (as a USB interface is claimed by one handle):
    // one device object at a time reads the event pipe, so that no event goes to a reader that
    // did not ask for it. False when it is claimed already.
    bool ClaimHost();
    void ReleaseHost();

private:
    std::atomic<bool> mHostClaimed{false};
    std::mutex mControlMutex;
    std::shared_ptr<U3vControlClient> mHostControl;
    std::vector<std::shared_ptr<SimTransferQueue>> mQueues;
    std::unique_ptr<SimBulkPipe> mHost[SIM_PIPE_COUNT];
    std::unique_ptr<SimBulkPipe> mDevice[SIM_PIPE_COUNT];
};

}  // namespace ky::u3v
