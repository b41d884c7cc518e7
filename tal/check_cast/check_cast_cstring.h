#ifndef TAL_CHECK_CAST_CHECK_CAST_CSTRING_H
#define TAL_CHECK_CAST_CHECK_CAST_CSTRING_H

#include <type_traits>

#include "tal/check_cast/check_cast_generated.h"

namespace tal {
namespace check_cast_detail {

// The type a NUL-terminated text is parsed as for each target: the seven
// wide targets parse directly; the narrow ones parse as long (or unsigned long
// for unsigned short and unsigned int) and narrow through the number pair.
template <typename D>
struct parsed_as;
template <>
struct parsed_as<long> {
    typedef long type;
};
template <>
struct parsed_as<long long> {
    typedef long long type;
};
template <>
struct parsed_as<unsigned long> {
    typedef unsigned long type;
};
template <>
struct parsed_as<unsigned long long> {
    typedef unsigned long long type;
};
template <>
struct parsed_as<float> {
    typedef float type;
};
template <>
struct parsed_as<double> {
    typedef double type;
};
template <>
struct parsed_as<long double> {
    typedef long double type;
};
template <>
struct parsed_as<signed char> {
    typedef long type;
};
template <>
struct parsed_as<unsigned char> {
    typedef long type;
};
template <>
struct parsed_as<short> {
    typedef long type;
};
template <>
struct parsed_as<int> {
    typedef long type;
};
template <>
struct parsed_as<unsigned short> {
    typedef unsigned long type;
};
template <>
struct parsed_as<unsigned int> {
    typedef unsigned long type;
};

// Parses s with the system library (base 0 for integers, so 0x is hex and a
// leading 0 octal), accepting characters after the number. Sets errno to 0
// before the parse and leaves it as the parse left it. Throws
// tal::NullPointerException for a null s, tal::BadCastException when no
// number starts the text, tal::OverflowException / tal::UnderflowException
// for a number beyond T's range and, for unsigned T, a minus sign anywhere in
// the parsed span. Defined for the seven directly parsed types.
template <typename T>
T parse_text(const char* s);

template <typename D>
struct converter<D, const char*, std::void_t<typename parsed_as<D>::type>> {
    static D convert(const char* s)
    {
        typedef typename parsed_as<D>::type parsed_type;
        if constexpr (std::is_same<parsed_type, D>::value) {
            return parse_text<D>(s);
        } else {
            return check_cast<D>(parse_text<parsed_type>(s));
        }
    }
};

// Writable text converts as the same text.
template <typename D>
struct converter<D, char*, std::void_t<typename parsed_as<D>::type>> : converter<D, const char*> {
};

}  // namespace check_cast_detail
}  // namespace tal

#endif
