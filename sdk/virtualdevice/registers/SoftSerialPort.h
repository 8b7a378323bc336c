// SoftSerialPort: the soft device's UART behind the register block of ky/device/KySerialRegisters.h.
// Nothing is attached to its line: with loop back on (the default) what is sent is received,
// otherwise it is dropped.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>

#include "registers/SoftRegisterMap.h"

namespace ky::soft {

class SoftSerialPort
{
public:
    // Called by Start: adds the block's registers and resets the port.
    KyResult AddRegisters(SoftRegisterMap &map);

private:
    void Send(SoftRegister &window, uint32_t count);
    void Take(SoftRegister &window, SoftRegister &taken, uint32_t count);

    std::mutex mMutex;
    std::deque<uint8_t> mRx;
    bool mOverflow = false;
    bool mLoopback = true;
};

}  // namespace ky::soft
