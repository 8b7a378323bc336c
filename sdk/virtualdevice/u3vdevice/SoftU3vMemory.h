// SoftU3vMemory: the soft device's register map as USB3 Vision control reaches it. An access may
// span several registers; it is checked whole first (every byte inside a register that allows the
// access) and only then carried out, so a refused access changes nothing. Addresses above 4 GiB
// belong to no register.
#pragma once

#include "registers/SoftRegisterMap.h"
#include "u3v/U3vControlServer.h"

namespace ky::soft {

class SoftU3vMemory : public u3v::IU3vMemory
{
public:
    explicit SoftU3vMemory(SoftRegisterMap &map) : mMap(map) { }

    u3v::GenCpStatus Read(uint64_t address, uint8_t *data, size_t size) override;
    u3v::GenCpStatus Write(uint64_t address, const uint8_t *data, size_t size) override;

private:
    u3v::GenCpStatus CheckRange(uint64_t address, size_t size, bool write);

    SoftRegisterMap &mMap;
};

}  // namespace ky::soft
