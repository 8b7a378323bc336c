// ByteOrder: unsigned integers loaded from and stored into bytes in a stated byte order. Every
// big-endian (wire, register) and little-endian (zip) field of the SDK, its tools and tests is read
// and written here, and nowhere by hand.
//
// - Load/Store<T> (T = uint8_t .. uint64_t): the sizeof(T) bytes at p; the bounds are the caller's.
//   They compile to one load or store and one byte swap (bswap, movbe), so packet paths use them.
// - LoadUnsigned/StoreUnsigned: a field of 1 to 8 bytes, for registers whose length is data.
// - LoadAt/StoreAt: the field at an offset within a buffer of a given size, checked; false (and
//   nothing read or written) when it does not lie within the buffer.
//
// Header-only, for every layer (the wire-format archive, the libraries, programs and tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace ky {
namespace base {

enum class Endian { Big, Little };

namespace detail {

inline uint8_t Swap(uint8_t v) { return v; }
inline uint16_t Swap(uint16_t v) { return __builtin_bswap16(v); }
inline uint32_t Swap(uint32_t v) { return __builtin_bswap32(v); }
inline uint64_t Swap(uint64_t v) { return __builtin_bswap64(v); }

// Whether a value in `order` differs from this machine's own.
constexpr bool Swapped(Endian order)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return order == Endian::Little;
#else
    return order == Endian::Big;
#endif
}

template <typename T>
using EnableUnsigned = std::enable_if_t<std::is_unsigned<T>::value && !std::is_same<T, bool>::value, int>;

}  // namespace detail

template <typename T, Endian order = Endian::Big, detail::EnableUnsigned<T> = 0>
inline T Load(const uint8_t *p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return detail::Swapped(order) ? detail::Swap(v) : v;
}

template <Endian order = Endian::Big, typename T, detail::EnableUnsigned<T> = 0>
inline void Store(uint8_t *p, T v)
{
    if (detail::Swapped(order))
        v = detail::Swap(v);
    std::memcpy(p, &v, sizeof v);
}

inline uint16_t LoadBig16(const uint8_t *p) { return Load<uint16_t>(p); }
inline uint32_t LoadBig32(const uint8_t *p) { return Load<uint32_t>(p); }
inline uint64_t LoadBig64(const uint8_t *p) { return Load<uint64_t>(p); }
inline void StoreBig16(uint8_t *p, uint16_t v) { Store(p, v); }
inline void StoreBig32(uint8_t *p, uint32_t v) { Store(p, v); }
inline void StoreBig64(uint8_t *p, uint64_t v) { Store(p, v); }

inline uint16_t LoadLittle16(const uint8_t *p) { return Load<uint16_t, Endian::Little>(p); }
inline uint32_t LoadLittle32(const uint8_t *p) { return Load<uint32_t, Endian::Little>(p); }
inline void StoreLittle16(uint8_t *p, uint16_t v) { Store<Endian::Little>(p, v); }
inline void StoreLittle32(uint8_t *p, uint32_t v) { Store<Endian::Little>(p, v); }

// A field of `length` bytes (1 to 8; anything else reads 0 and writes nothing).
inline uint64_t LoadUnsigned(const uint8_t *p, size_t length, Endian order)
{
    if (length == 0 || length > 8)
        return 0;
    uint64_t v = 0;
    for (size_t k = 0; k < length; ++k)
        v |= uint64_t(p[order == Endian::Big ? length - 1 - k : k]) << (8 * k);
    return v;
}

inline void StoreUnsigned(uint8_t *p, size_t length, Endian order, uint64_t v)
{
    if (length == 0 || length > 8)
        return;
    for (size_t k = 0; k < length; ++k)
        p[order == Endian::Big ? length - 1 - k : k] = uint8_t(v >> (8 * k));
}

// The field at `offset` of a buffer of `size` bytes, only when it lies wholly within.
template <typename T, Endian order = Endian::Big, detail::EnableUnsigned<T> = 0>
inline bool LoadAt(const uint8_t *bytes, size_t size, size_t offset, T &value)
{
    if (bytes == nullptr || offset > size || size - offset < sizeof(T))
        return false;
    value = Load<T, order>(bytes + offset);
    return true;
}

template <Endian order = Endian::Big, typename T, detail::EnableUnsigned<T> = 0>
inline bool StoreAt(uint8_t *bytes, size_t size, size_t offset, T value)
{
    if (bytes == nullptr || offset > size || size - offset < sizeof(T))
        return false;
    Store<order>(bytes + offset, value);
    return true;
}

}  // namespace base
}  // namespace ky
