#ifndef TAL_CHECK_CAST_CHECK_CAST_TRAITS_H
#define TAL_CHECK_CAST_CHECK_CAST_TRAITS_H

#include <type_traits>

namespace tal {
namespace check_cast_detail {

// The name the compiler writes for a type in a function signature; throw
// sites of the family spell their function with it.
template <typename T>
struct type_name;

// The number types of the family: the suffix a bound literal of the type
// carries in messages, and the printf format its values are written with
// (the same as the exception message operators use). A type without a row,
// plain char among them, is no member: check_cast refuses to compile for it.
template <typename T>
struct number_traits;

#define TAL_CHECK_CAST_TYPE_NAME(T, NAME)         \
    template <>                                   \
    struct type_name<T> {                         \
        static constexpr const char* TEXT = NAME; \
    };
#define TAL_CHECK_CAST_NUMBER(T, NAME, SUFFIX_, FORMAT_) \
    TAL_CHECK_CAST_TYPE_NAME(T, NAME)                    \
    template <>                                          \
    struct number_traits<T> {                            \
        static constexpr const char* SUFFIX = SUFFIX_;   \
        static constexpr const char* FORMAT = FORMAT_;   \
    };

// clang-format off
//                    type                name                      suffix  format
TAL_CHECK_CAST_NUMBER(signed char,        "signed char",            "",     "%hhd")
TAL_CHECK_CAST_NUMBER(unsigned char,      "unsigned char",          "",     "%hhu")
TAL_CHECK_CAST_NUMBER(short,              "short int",              "",     "%hd")
TAL_CHECK_CAST_NUMBER(unsigned short,     "short unsigned int",     "",     "%hu")
TAL_CHECK_CAST_NUMBER(int,                "int",                    "",     "%d")
TAL_CHECK_CAST_NUMBER(unsigned int,       "unsigned int",           "U",    "%u")
TAL_CHECK_CAST_NUMBER(long,               "long int",               "L",    "%ld")
TAL_CHECK_CAST_NUMBER(unsigned long,      "long unsigned int",      "UL",   "%lu")
TAL_CHECK_CAST_NUMBER(long long,          "long long int",          "LL",   "%lld")
TAL_CHECK_CAST_NUMBER(unsigned long long, "long long unsigned int", "ULL",  "%llu")
TAL_CHECK_CAST_NUMBER(float,              "float",                  ".0",   "%g")
TAL_CHECK_CAST_NUMBER(double,             "double",                 ".0",   "%lg")
// clang-format on

// bool is a source only (never written as text); long double and text are
// sources of the conversions from text.
TAL_CHECK_CAST_TYPE_NAME(bool, "bool")
template <>
struct number_traits<bool> {
    static constexpr const char* SUFFIX = "";
};
TAL_CHECK_CAST_TYPE_NAME(long double, "long double")
TAL_CHECK_CAST_TYPE_NAME(const char*, "const char*")

#undef TAL_CHECK_CAST_NUMBER
#undef TAL_CHECK_CAST_TYPE_NAME

template <typename T, typename = void>
struct is_number : std::false_type {
};
template <typename T>
struct is_number<T, std::void_t<decltype(number_traits<T>::SUFFIX)>> : std::true_type {
};

}  // namespace check_cast_detail
}  // namespace tal

#endif
