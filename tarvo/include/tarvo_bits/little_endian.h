// Little-endian fields at any offset, never read through a cast pointer: the one
// helper of the engines, the module and the tests for every multi-byte value
// in pack bytes.
#ifndef TARVO_BITS_LITTLE_ENDIAN_H
#define TARVO_BITS_LITTLE_ENDIAN_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace tarvo {

namespace le_detail {
// Host order to little-endian and back: nothing to do on little-endian hosts.
template <class U>
inline U swap_to_le(U v) noexcept
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    if constexpr (sizeof(U) == 2) return __builtin_bswap16(v);
    if constexpr (sizeof(U) == 4) return __builtin_bswap32(v);
    if constexpr (sizeof(U) == 8) return __builtin_bswap64(v);
#endif
    return v;
}

// A field of a whole width moves with one memcpy, which the compiler turns
// into one unaligned load or store.
template <class U>
inline void store_bytes(void* dst, uint64_t v) noexcept
{
    const U bits = swap_to_le(static_cast<U>(v));
    std::memcpy(dst, &bits, sizeof bits);
}
template <class U>
inline uint64_t load_bytes(const void* src) noexcept
{
    U bits;
    std::memcpy(&bits, src, sizeof bits);
    return swap_to_le(bits);
}
}  // namespace le_detail

// The low n bytes of v (n at most 8) into dst.
inline void store_le(void* dst, uint64_t v, size_t n) noexcept
{
    switch (n) {
        case 1:
            return le_detail::store_bytes<uint8_t>(dst, v);
        case 2:
            return le_detail::store_bytes<uint16_t>(dst, v);
        case 4:
            return le_detail::store_bytes<uint32_t>(dst, v);
        case 8:
            return le_detail::store_bytes<uint64_t>(dst, v);
    }
    unsigned char* p = static_cast<unsigned char*>(dst);
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The n bytes at src (n at most 8), zero-extended.
inline uint64_t load_le(const void* src, size_t n) noexcept
{
    switch (n) {
        case 1:
            return le_detail::load_bytes<uint8_t>(src);
        case 2:
            return le_detail::load_bytes<uint16_t>(src);
        case 4:
            return le_detail::load_bytes<uint32_t>(src);
        case 8:
            return le_detail::load_bytes<uint64_t>(src);
    }
    const unsigned char* p = static_cast<const unsigned char*>(src);
    uint64_t v = 0;
    for (size_t i = n; i-- > 0;) v = (v << 8) | p[i];
    return v;
}

namespace le_detail {

template <size_t N>
using Bits =
    std::conditional_t<N == 1, uint8_t,
                       std::conditional_t<N == 2, uint16_t, std::conditional_t<N == 4, uint32_t, uint64_t>>>;
template <class T>
constexpr bool fits = std::is_arithmetic<T>::value &&
                      (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8);
}  // namespace le_detail

// A whole integer or floating value of T stored at src.
template <class T>
T load_le(const void* src) noexcept
{
    static_assert(le_detail::fits<T>, "integers and floating values of 1, 2, 4 or 8 bytes");
    le_detail::Bits<sizeof(T)> bits = static_cast<le_detail::Bits<sizeof(T)>>(load_le(src, sizeof(T)));
    T v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

template <class T>
void store_le(void* dst, T v) noexcept
{
    static_assert(le_detail::fits<T>, "integers and floating values of 1, 2, 4 or 8 bytes");
    le_detail::Bits<sizeof(T)> bits;
    std::memcpy(&bits, &v, sizeof bits);
    store_le(dst, bits, sizeof(T));
}

}  // namespace tarvo

#endif  // TARVO_BITS_LITTLE_ENDIAN_H
