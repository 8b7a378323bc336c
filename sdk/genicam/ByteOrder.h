// Bounds are the caller's: these read and write exactly the bytes named.
#pragma once

#include <cstdint>

namespace ky::gc {

inline uint32_t ReadBig32(const uint8_t *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// Unsigned value of length bytes (1..8) in the given byte order.
inline uint64_t ReadUnsigned(const uint8_t *p, int length, bool bigEndian)
{
    uint64_t v = 0;
    for (int k = 0; k < length; ++k)
        v |= uint64_t(p[bigEndian ? length - 1 - k : k]) << (8 * k);
    return v;
}

inline void WriteUnsigned(uint8_t *p, int length, bool bigEndian, uint64_t v)
{
    for (int k = 0; k < length; ++k)
        p[bigEndian ? length - 1 - k : k] = uint8_t(v >> (8 * k));
}

}  // namespace ky::gc
