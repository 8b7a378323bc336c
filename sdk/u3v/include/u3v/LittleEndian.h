// Little-endian loads and stores of the USB3 Vision formats (the caller has checked the bounds).
#pragma once

#include <cstdint>

#include "ky/ByteOrder.h"

namespace ky::u3v {

inline uint16_t Le16(const uint8_t *p) { return base::Load<uint16_t, base::Endian::Little>(p); }
inline uint32_t Le32(const uint8_t *p) { return base::Load<uint32_t, base::Endian::Little>(p); }
inline uint64_t Le64(const uint8_t *p) { return base::Load<uint64_t, base::Endian::Little>(p); }
inline void PutLe16(uint8_t *p, uint16_t v) { base::Store<base::Endian::Little>(p, v); }
inline void PutLe32(uint8_t *p, uint32_t v) { base::Store<base::Endian::Little>(p, v); }
inline void PutLe64(uint8_t *p, uint64_t v) { base::Store<base::Endian::Little>(p, v); }

}  // namespace ky::u3v
