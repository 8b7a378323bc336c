// SoftU3vStreamRegisters: the stream interface registers (SIRM) of a soft USB3 Vision device, in
// front of the rest of its memory: accesses inside the block at u3v::SOFT_SIRM_ADDRESS are served
// here, every other one goes on to `next` (the bootstrap blocks and the register map).
//
// The required payload size is the stream channel's at the time of the read; the required leader
// and trailer sizes are those of an image block. The host's layout registers are kept as written
// and handed to the channel when the host sets the enable bit; while the stream is enabled they
// refuse writes (ACCESS_DENIED), and so does a layout whose leader or trailer room is smaller
// than the device needs (INVALID_PARAMETER, on the enable). The read-only registers refuse
// writes (WRITE_PROTECT); an access may span several registers and is checked whole first.
#pragma once

#include <mutex>
#include <vector>

#include "u3v/U3vControlServer.h"
#include "u3v/U3vStreamInterface.h"

namespace ky::soft {

class SoftU3vStreamChannel;

class SoftU3vStreamRegisters : public u3v::IU3vMemory
{
public:
    // Payload transfers are multiples of this many bytes (the SIRM info register says so).
    static constexpr uint32_t PAYLOAD_ALIGNMENT = 64;

    SoftU3vStreamRegisters(SoftU3vStreamChannel &channel, u3v::IU3vMemory &next);

    u3v::GenCpStatus Read(uint64_t address, uint8_t *data, size_t size) override;
    u3v::GenCpStatus Write(uint64_t address, const uint8_t *data, size_t size) override;

private:
    bool Inside(uint64_t address) const;
    void Refresh();  // the read-only registers, from the channel; with mMutex held

    SoftU3vStreamChannel &mChannel;
    u3v::IU3vMemory &mNext;
    std::mutex mMutex;
    std::vector<uint8_t> mBlock;
};

}  // namespace ky::soft
