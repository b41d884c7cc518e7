#ifndef TAL_CHECK_CAST_CHECK_CAST_TEXT_H
#define TAL_CHECK_CAST_CHECK_CAST_TEXT_H

#include <cstddef>

#include "tal/check_cast/check_cast_traits.h"

namespace tal {
namespace check_cast_detail {

// Text built at compile time into a fixed array: exception throw sites keep
// the pointer, so the texts live in static storage, one per pair. Writing
// past the capacity is not a constant expression and fails the build.
template <size_t N>
struct fixed_text {
    char s[N] = {};
    size_t n = 0;

    constexpr fixed_text& append(const char* p)
    {
        while (*p) {
            s[n++] = *p++;
            s[n] = '\0';
        }
        return *this;
    }
    constexpr fixed_text& append_magnitude(unsigned long long magnitude, bool negative)
    {
        char digits[24] = {};
        size_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative) {
            digits[count++] = '-';
        }
        char reversed[24] = {};
        for (size_t i = 0; i < count; ++i) {
            reversed[i] = digits[count - 1 - i];
        }
        return append(reversed);
    }
    constexpr fixed_text& append_decimal(long long value)
    {
        const unsigned long long magnitude = static_cast<unsigned long long>(value);
        return value < 0 ? append_magnitude(0ULL - magnitude, true) : append_magnitude(magnitude, false);
    }
    constexpr fixed_text& append_decimal(unsigned long long value) { return append_magnitude(value, false); }
};

// "DestType tal::check_cast(SrcType) [with DestType = int, SrcType = long int]"
template <typename D, typename S>
struct site_text {
    static constexpr fixed_text<128> make()
    {
        fixed_text<128> t;
        t.append("DestType tal::check_cast(SrcType) [with DestType = ")
            .append(type_name<D>::TEXT)
            .append(", SrcType = ")
            .append(type_name<S>::TEXT)
            .append("]");
        return t;
    }
    static constexpr fixed_text<128> FUNCTION = make();
};

// "] bound[-128LL]": the bound as a literal of the source type S.
template <typename S, typename Bound>
constexpr fixed_text<40> bound_text(Bound bound)
{
    fixed_text<40> t;
    t.append("] bound[").append_decimal(bound).append(number_traits<S>::SUFFIX).append("]");
    return t;
}

}  // namespace check_cast_detail
}  // namespace tal

#endif
