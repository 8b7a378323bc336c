// The control link to one GigE Vision device: one GVCP command in flight at a time, with an
// answer timeout, bounded retries and the acknowledge checks of the protocol.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "ky/base/KyResult.h"

namespace ky {
namespace device {

class GvcpClient
{
public:
    struct Settings
    {
        std::chrono::milliseconds answerTimeout {500};
        uint32_t attempts = 3;  // sends of one command before it times out
        uint16_t port = 3956;   // the device's control port
    };

    GvcpClient();
    ~GvcpClient();
    GvcpClient(const GvcpClient &) = delete;
    GvcpClient &operator=(const GvcpClient &) = delete;

    // Opens a UDP socket aimed at the device (ip in host byte order).
    KyResult Open(uint32_t deviceIp, const Settings &settings);
    void Close();
    bool IsOpen();
    // Answer timeout and attempts of the next commands (the port stays as opened).
    Settings GetSettings();
    void SetSettings(const Settings &settings);
    uint32_t DeviceIP() const { return mDeviceIp; }
    // The host address the device is reached from (host byte order), 0 when not open.
    uint32_t LocalIP() const { return mLocalIp; }

    // Addresses are the 32-bit GVCP addresses. Register addresses must be 4-byte aligned.
    KyResult ReadRegister(uint32_t address, uint32_t &value);
    KyResult WriteRegister(uint32_t address, uint32_t value, bool acknowledge = true);
    // Any address and length: split into READMEM/WRITEMEM blocks, unaligned edges handled by
    // reading the covering words first. On a failed read the destination is zeroed.
    KyResult ReadMemory(uint32_t address, uint8_t *destination, size_t count);
    KyResult WriteMemory(uint32_t address, const uint8_t *source, size_t count);

private:
    // Sends one command (request id filled in here) and waits for its acknowledge; on success
    // the acknowledge datagram is in `answer` with its length in `answerLength`.
    KyResult Transact(uint16_t command, const uint8_t *payload, size_t payloadLength, bool acknowledge,
                      uint8_t *answer, size_t answerCapacity, size_t &answerLength);
    KyResult ReadMemoryBlock(uint32_t address, uint8_t *destination, size_t count);
    KyResult WriteMemoryBlock(uint32_t address, const uint8_t *source, size_t count);
    uint16_t NextRequestId();

    std::mutex mMutex;  // one command in flight
    int mSocket = -1;
    uint32_t mDeviceIp = 0;
    uint32_t mLocalIp = 0;
    uint16_t mLastRequestId = 0;
    Settings mSettings;
};

}  // namespace device
}  // namespace ky
