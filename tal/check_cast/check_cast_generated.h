#ifndef TAL_CHECK_CAST_CHECK_CAST_GENERATED_H
#define TAL_CHECK_CAST_CHECK_CAST_GENERATED_H

#include <limits>
#include <type_traits>

#include "tal/check_cast/check_cast_text.h"
#include "tal/check_cast/check_cast_traits.h"
#include "tal/exception/tal_exception.h"

namespace tal {
namespace check_cast_detail {

// One specialization per kind of source: numbers here, text and number to
// text beside this header. A pair without one does not compile.
template <typename D, typename S, typename = void>
struct converter;

}  // namespace check_cast_detail

// Converts value to DestType, or throws tal::UnderflowException /
// tal::OverflowException when it lies outside DestType's range. Name only the
// target and let the argument pick the source: tal::check_cast<int>(n).
template <typename DestType, typename SrcType>
inline DestType check_cast(SrcType value)
{
    return check_cast_detail::converter<DestType, SrcType>::convert(value);
}

namespace check_cast_detail {

// Which range tests a pair needs and the bounds they compare against.
// Integer sources compare in their own type, so no operand changes
// signedness; floating sources compare in double, against the double nearest
// the target's limit. A test no source value could fail is not made.
template <typename D, typename S>
struct pair_range {
    typedef std::numeric_limits<D> dest;
    typedef std::numeric_limits<S> src;
    static constexpr bool TO_FLOATING = std::is_floating_point<D>::value;
    static constexpr bool FROM_FLOATING = std::is_floating_point<S>::value;
    static constexpr bool CHECK_LOWER =
        !TO_FLOATING && (FROM_FLOATING || (src::is_signed && static_cast<long long>(src::min()) <
                                                                 static_cast<long long>(dest::min())));
    static constexpr bool CHECK_UPPER =
        !TO_FLOATING && (FROM_FLOATING || static_cast<unsigned long long>(src::max()) >
                                              static_cast<unsigned long long>(dest::max()));
    typedef typename std::conditional<FROM_FLOATING, double, S>::type compare_type;

    static constexpr fixed_text<40> LOWER_TEXT =
        bound_text<S>(static_cast<long long>(TO_FLOATING ? 0 : dest::min()));
    static constexpr fixed_text<40> UPPER_TEXT =
        bound_text<S>(static_cast<unsigned long long>(TO_FLOATING ? 0 : dest::max()));
};

// A floating value that passed both tests, truncated toward zero. NaN and the
// power of two just above a 64-bit maximum pass the tests (the bounds round
// up to it) yet have no value in the target: they give 0 and the maximum.
template <typename D>
inline D truncate_floating(double value)
{
    // 2 to the power of the target's value bits, exact in double.
    constexpr double LIMIT = static_cast<double>(std::numeric_limits<D>::max() / 2 + 1) * 2.0;
    if (value != value) {
        return 0;
    }
    if (value >= LIMIT) {
        return std::numeric_limits<D>::max();
    }
    return static_cast<D>(value);
}

template <typename D, typename S>
struct converter<D, S, std::enable_if_t<is_number<D>::value && is_number<S>::value>> {
    static_assert(!std::is_same<D, bool>::value, "no checked conversion to bool");

    static D convert(S value)
    {
        typedef pair_range<D, S> range;
        typedef typename range::compare_type compare_type;
        if constexpr (range::CHECK_LOWER) {
            constexpr compare_type bound = static_cast<compare_type>(std::numeric_limits<D>::min());
            if (static_cast<compare_type>(value) < bound) {
                throw UnderflowException() << ExceptionArg(site_text<D, S>::FUNCTION.s, __FILE__, __LINE__)
                                           << "value[" << value << range::LOWER_TEXT.s;
            }
        }
        if constexpr (range::CHECK_UPPER) {
            constexpr compare_type bound = static_cast<compare_type>(std::numeric_limits<D>::max());
            if (static_cast<compare_type>(value) > bound) {
                throw OverflowException() << ExceptionArg(site_text<D, S>::FUNCTION.s, __FILE__, __LINE__)
                                          << "value[" << value << range::UPPER_TEXT.s;
            }
        }
        if constexpr (range::FROM_FLOATING && !range::TO_FLOATING) {
            return truncate_floating<D>(value);
        } else {
            return static_cast<D>(value);
        }
    }
};

}  // namespace check_cast_detail
}  // namespace tal

#endif
