// U3vBlockSource: the USB3 Vision transport of a stream. Open sets up the device's stream
// interface over control and starts a receive thread that reads the stream pipe, one transfer at
// a time, into the queued KyBuffers through a block assembler; each ended block comes back through
// Next, in order, with its status. Nothing is ever written past a buffer: a block larger than its
// buffer comes back as KY_BUFFER_TOO_SMALL holding what fitted.
//
// Small images (payload up to the small-image threshold) are read through the receiver's own
// transfer buffer and copied; larger ones are read straight into the queued buffer where a whole
// transfer fits. The payload of a block is asked for in at most the given number of transfers.
//
// The device going away (unplug) ends the stream: the buffer being filled and those queued come
// back with KY_NOT_CONNECTED, the source counts as closed, and queuing is refused from then on.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "BlockSource.h"
#include "u3v/U3vBlockAssembler.h"
#include "u3v/U3vControlClient.h"
#include "u3v/U3vStreamInterface.h"
#include "u3v/UsbEndpoint.h"

namespace ky::stream {

struct U3vReceiverConfig
{
    uint64_t sirmAddress = 0;
    uint32_t smallImageThreshold = 512;
    uint32_t maxPendingTransfers = 64;  // 0 is taken as 1
};

struct U3vReceiverCounters
{
    uint64_t transfers = 0;           // transfers read from the stream pipe
    uint64_t strayTransfers = 0;      // payload or trailers outside a block
    uint64_t malformed = 0;           // leaders and trailers that did not parse
    uint64_t oversizedTransfers = 0;  // transfers larger than the layout allows (dropped)
    uint64_t blocksWithoutBuffer = 0;
    uint64_t incompleteBlocks = 0;
    uint64_t directTransfers = 0;  // payload transfers read straight into a queued buffer
};

class U3vBlockSource : public BlockSource
{
public:
    ~U3vBlockSource() override;

    // `control` reaches the device's registers (shared with whatever else controls the device);
    // `stream` is the host's end of the stream pipe.
    KyResult Open(std::shared_ptr<u3v::U3vControlClient> control, std::shared_ptr<u3v::IUsbBulkPipe> stream,
                  const U3vReceiverConfig &config);

    bool IsOpen() const override;
    KyResult Queue(KyBuffer *buffer) override;
    KyResult Next(KyBuffer *&buffer, uint32_t timeoutMs) override;
    void Abort() override;
    bool Withdraw(KyBuffer *buffer) override;
    void Close() override;

    U3vReceiverCounters Counters() const;
    u3v::U3vStreamLayout Layout() const { return mLayout; }
    uint64_t PayloadSize() const { return mPayloadSize; }
    bool LinkLost() const;

private:
    void Run();
    // Reads one transfer and feeds it; false when the link is gone.
    bool ReceiveOne();
    // Gives the assembler the next queued buffer where a block may start; with mFillMutex held.
    void Attach();
    // Hands the current buffer and every queued one back with `code`; with both mutexes held.
    void HandBackAllLocked(uint32_t code, const char *why);
    void Ended(const u3v::U3vBlock &block);  // with mFillMutex held

    std::shared_ptr<u3v::U3vControlClient> mControl;
    std::shared_ptr<u3v::IUsbBulkPipe> mStream;
    U3vReceiverConfig mConfig;
    u3v::U3vStreamLayout mLayout;
    uint64_t mPayloadSize = 0;
    std::vector<uint8_t> mTransfer;  // the receive thread's transfer buffer

    // Lock order: mFillMutex, then mMutex. mFillMutex covers every write into a queued buffer's
    // memory and the assembler; mMutex the lists and the flags.
    std::mutex mFillMutex;
    u3v::U3vBlockAssembler mAssembler;
    KyBuffer *mCurrent = nullptr;  // the assembler's destination

    mutable std::mutex mMutex;
    std::condition_variable mReady;
    std::deque<KyBuffer *> mQueued;
    std::deque<KyBuffer *> mOut;
    bool mRunning = false;
    bool mEnabledOnDevice = false;  // the stream interface is ours to disable
    bool mStop = false;
    bool mLinkLost = false;
    U3vReceiverCounters mCounters;
    std::thread mThread;
};

}  // namespace ky::stream
