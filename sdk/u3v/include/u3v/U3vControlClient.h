// U3vControlClient: the host's end of USB3 Vision control. One command is in flight at a time:
// each READMEM or WRITEMEM goes out with a fresh request id (never 0), and only the ack of that
// id and kind is taken; stale acks are dropped, a PENDING ack moves the deadline by the time it
// names, a time-out is retried a bounded number of times. Reads and writes longer than the
// device's largest transfer are split.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "ky/base/KyResult.h"
#include "u3v/GenCp.h"
#include "u3v/UsbEndpoint.h"

namespace ky::u3v {

KyResult StatusToResult(GenCpStatus status);

class U3vControlClient
{
public:
    // Before the device's limits are read, transfers stay within this size.
    static constexpr uint32_t DEFAULT_MAX_TRANSFER = 1024;
    static constexpr uint32_t DEFAULT_TIMEOUT_MS = 1000;
    static constexpr unsigned DEFAULT_RETRIES = 2;

    explicit U3vControlClient(IUsbBulkPipe &pipe) : mPipe(pipe) { }

    KyResult ReadMemory(uint64_t address, uint8_t *data, size_t size);
    KyResult WriteMemory(uint64_t address, const uint8_t *data, size_t size);

    // The device's largest command and acknowledgement transfers (from its SBRM); values too
    // small to carry a byte of data are refused.
    KyResult SetMaxTransfer(uint32_t maxCommand, uint32_t maxAck);
    void SetTimeout(uint32_t timeoutMs, unsigned retries);

    // How many PENDING acks the client has honoured (for statistics and tests).
    uint64_t GetPendingAckCount() const;
    uint64_t GetDroppedAckCount() const;

private:
    KyResult ReadChunk(uint64_t address, uint8_t *data, uint16_t count);
    KyResult WriteChunk(uint64_t address, const uint8_t *data, size_t count);
    // Sends `command` and waits for its ack; the ack's payload is left in mAck.
    KyResult Transact(const std::vector<uint8_t> &command, uint16_t requestId, GenCpCommand ackCode,
                      GenCpHeader &ackHeader);
    KyResult AwaitAck(uint16_t requestId, GenCpCommand ackCode, GenCpHeader &ackHeader);
    uint16_t NextRequestId();

    IUsbBulkPipe &mPipe;
    mutable std::mutex mMutex;
    uint16_t mLastRequestId = 0;
    uint32_t mMaxCommand = DEFAULT_MAX_TRANSFER;
    uint32_t mMaxAck = DEFAULT_MAX_TRANSFER;
    uint32_t mTimeoutMs = DEFAULT_TIMEOUT_MS;
    unsigned mRetries = DEFAULT_RETRIES;
    std::vector<uint8_t> mCommand;
    std::vector<uint8_t> mAck;
    uint64_t mPendingAcks = 0;
    uint64_t mDroppedAcks = 0;
};

}  // namespace ky::u3v
