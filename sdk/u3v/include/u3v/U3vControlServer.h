// U3vControlServer: the device's end of USB3 Vision control. Its thread takes each command from
// the control pipe, applies it to the device memory and answers it: a command it does not know
// gets NOT_IMPLEMENTED, a count of zero or one past the device's transfer limits
// INVALID_PARAMETER, a transfer with a bad prefix or length INVALID_HEADER. It stops when asked or
// when the link goes away.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "u3v/GenCp.h"
#include "u3v/UsbEndpoint.h"

namespace ky::u3v {

// The device's memory as control sees it: every register, the bootstrap blocks and the files.
class IU3vMemory
{
public:
    virtual ~IU3vMemory() = default;
    virtual GenCpStatus Read(uint64_t address, uint8_t *data, size_t size) = 0;
    virtual GenCpStatus Write(uint64_t address, const uint8_t *data, size_t size) = 0;
};

class U3vControlServer
{
public:
    U3vControlServer(IUsbBulkPipe &pipe, IU3vMemory &memory, uint32_t maxCommand, uint32_t maxAck);
    ~U3vControlServer();
    U3vControlServer(const U3vControlServer &) = delete;
    U3vControlServer &operator=(const U3vControlServer &) = delete;

    void Start();
    // Joins the thread; never call it from the server's own thread.
    void Stop();

    // Answers each command first with `count` PENDING acks naming `timeoutMs` (a slow device).
    void SetPendingAcks(unsigned count, uint16_t timeoutMs);

    // Handles one transfer; false when nothing is to be sent back. Public for tests.
    bool Handle(const uint8_t *data, size_t size, std::vector<uint8_t> &ack);

private:
    void Run();

    IUsbBulkPipe &mPipe;
    IU3vMemory &mMemory;
    uint32_t mMaxCommand;
    uint32_t mMaxAck;
    std::atomic<bool> mRunning{false};
    std::atomic<unsigned> mPendingCount{0};
    std::atomic<uint16_t> mPendingTimeout{0};
    std::thread mThread;
    std::vector<uint8_t> mScratch;
};

}  // namespace ky::u3v
