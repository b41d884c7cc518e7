// Little-endian fields at any offset, read and written byte by byte: the one
// helper of the engines, the module and the tests for every multi-byte value
// in pack bytes.
#ifndef TARVO_BITS_LITTLE_ENDIAN_H
#define TARVO_BITS_LITTLE_ENDIAN_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace tarvo {

// The low n bytes of v (n at most 8) into dst.
inline void store_le(void* dst, uint64_t v, size_t n) noexcept {
    unsigned char* p = static_cast<unsigned char*>(dst);
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The n bytes at src (n at most 8), zero-extended.
inline uint64_t load_le(const void* src, size_t n) noexcept {
    const unsigned char* p = static_cast<const unsigned char*>(src);
    uint64_t v = 0;
    for (size_t i = n; i-- > 0;) v = (v << 8) | p[i];
    return v;
}

namespace le_detail {
template <size_t N>
using Bits = std::conditional_t<N == 1, uint8_t,
             std::conditional_t<N == 2, uint16_t, std::conditional_t<N == 4, uint32_t, uint64_t>>>;
template <class T>
constexpr bool fits = std::is_arithmetic<T>::value && (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4 ||
                                                       sizeof(T) == 8);
} // namespace le_detail

// A whole integer or floating value of T stored at src.
template <class T>
T load_le(const void* src) noexcept {
    static_assert(le_detail::fits<T>, "integers and floating values of 1, 2, 4 or 8 bytes");
    le_detail::Bits<sizeof(T)> bits = static_cast<le_detail::Bits<sizeof(T)>>(load_le(src, sizeof(T)));
    T v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

template <class T>
void store_le(void* dst, T v) noexcept {
    static_assert(le_detail::fits<T>, "integers and floating values of 1, 2, 4 or 8 bytes");
    le_detail::Bits<sizeof(T)> bits;
    std::memcpy(&bits, &v, sizeof bits);
    store_le(dst, bits, sizeof(T));
}

} // namespace tarvo

#endif // TARVO_BITS_LITTLE_ENDIAN_H
