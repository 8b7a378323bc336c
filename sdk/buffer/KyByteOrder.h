// Big-endian fields of received or transmitted bytes, every access checked against the size.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ky::buffer {

// Reads the 32-bit big-endian field at aOffset; false when it does not lie within aSize bytes.
inline bool ReadBE32(const uint8_t *aBytes, size_t aSize, size_t aOffset, uint32_t &aValue)
{
    if (aBytes == nullptr || aOffset > aSize || aSize - aOffset < 4)
        return false;
    const uint8_t *p = aBytes + aOffset;
    aValue = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
    return true;
}

// Writes the 32-bit big-endian field at aOffset; false (nothing written) when it does not fit.
inline bool WriteBE32(uint8_t *aBytes, size_t aSize, size_t aOffset, uint32_t aValue)
{
    if (aBytes == nullptr || aOffset > aSize || aSize - aOffset < 4)
        return false;
    uint8_t *p = aBytes + aOffset;
    p[0] = uint8_t(aValue >> 24);
    p[1] = uint8_t(aValue >> 16);
    p[2] = uint8_t(aValue >> 8);
    p[3] = uint8_t(aValue);
    return true;
}

}  // namespace ky::buffer
