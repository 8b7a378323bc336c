// SoftU3vMemory: the soft device's register map as USB3 Vision control reaches it. An access may
// span several registers; it is checked whole first (every byte inside a register that allows the
// access) and only then carried out, so a refused access changes nothing. Addresses above 4 GiB
// belong to no register.
//
// The register map keeps its registers in GigE Vision's byte order (big-endian). With
// `littleEndian`, numeric registers (2, 4 or 8 bytes, not byte arrays) are presented in USB3
// Vision's byte order instead: each access sees the register's value little-endian, also when
// it reaches only part of it.
#pragma once

#include "registers/SoftRegisterMap.h"
#include "u3v/U3vControlServer.h"

namespace ky::soft {

class SoftU3vMemory : public u3v::IU3vMemory
{
public:
    explicit SoftU3vMemory(SoftRegisterMap &map, bool littleEndian = false)
        : mMap(map), mLittleEndian(littleEndian)
    { }

    u3v::GenCpStatus Read(uint64_t address, uint8_t *data, size_t size) override;
    u3v::GenCpStatus Write(uint64_t address, const uint8_t *data, size_t size) override;

private:
    u3v::GenCpStatus CheckRange(uint64_t address, size_t size, bool write);
    bool Swapped(const SoftRegister &reg) const;

    SoftRegisterMap &mMap;
    bool mLittleEndian;
};

}  // namespace ky::soft
