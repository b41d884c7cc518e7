#ifndef TAL_CHECK_CAST_CHECK_CAST_TRAITS_H
#define TAL_CHECK_CAST_CHECK_CAST_TRAITS_H

#include <type_traits>

namespace tal {
namespace check_cast_detail {

// The name the compiler writes for a type in a function signature; throw
// sites of the family spell their function with it.
template <typename T>
struct type_name;
template <>
struct type_name<bool> {
    static constexpr const char* TEXT = "bool";
};
template <>
struct type_name<signed char> {
    static constexpr const char* TEXT = "signed char";
};
template <>
struct type_name<unsigned char> {
    static constexpr const char* TEXT = "unsigned char";
};
template <>
struct type_name<short> {
    static constexpr const char* TEXT = "short int";
};
template <>
struct type_name<unsigned short> {
    static constexpr const char* TEXT = "short unsigned int";
};
template <>
struct type_name<int> {
    static constexpr const char* TEXT = "int";
};
template <>
struct type_name<unsigned int> {
    static constexpr const char* TEXT = "unsigned int";
};
template <>
struct type_name<long> {
    static constexpr const char* TEXT = "long int";
};
template <>
struct type_name<unsigned long> {
    static constexpr const char* TEXT = "long unsigned int";
};
template <>
struct type_name<long long> {
    static constexpr const char* TEXT = "long long int";
};
template <>
struct type_name<unsigned long long> {
    static constexpr const char* TEXT = "long long unsigned int";
};
template <>
struct type_name<float> {
    static constexpr const char* TEXT = "float";
};
template <>
struct type_name<double> {
    static constexpr const char* TEXT = "double";
};
template <>
struct type_name<long double> {
    static constexpr const char* TEXT = "long double";
};
template <>
struct type_name<const char*> {
    static constexpr const char* TEXT = "const char*";
};

// The number types of the family: the suffix a bound literal of the type
// carries in messages, and the printf format its values are written with
// (the same as the exception message operators use). A type without a row,
// plain char among them, is no member: check_cast refuses to compile for it.
template <typename T>
struct number_traits;
template <>
struct number_traits<bool> {
    static constexpr const char* SUFFIX = "";
};
template <>
struct number_traits<signed char> {
    static constexpr const char* SUFFIX = "";
    static constexpr const char* FORMAT = "%hhd";
};
template <>
struct number_traits<unsigned char> {
    static constexpr const char* SUFFIX = "";
    static constexpr const char* FORMAT = "%hhu";
};
template <>
struct number_traits<short> {
    static constexpr const char* SUFFIX = "";
    static constexpr const char* FORMAT = "%hd";
};
template <>
struct number_traits<unsigned short> {
    static constexpr const char* SUFFIX = "";
    static constexpr const char* FORMAT = "%hu";
};
template <>
struct number_traits<int> {
    static constexpr const char* SUFFIX = "";
    static constexpr const char* FORMAT = "%d";
};
template <>
struct number_traits<unsigned int> {
    static constexpr const char* SUFFIX = "U";
    static constexpr const char* FORMAT = "%u";
};
template <>
struct number_traits<long> {
    static constexpr const char* SUFFIX = "L";
    static constexpr const char* FORMAT = "%ld";
};
template <>
struct number_traits<unsigned long> {
    static constexpr const char* SUFFIX = "UL";
    static constexpr const char* FORMAT = "%lu";
};
template <>
struct number_traits<long long> {
    static constexpr const char* SUFFIX = "LL";
    static constexpr const char* FORMAT = "%lld";
};
template <>
struct number_traits<unsigned long long> {
    static constexpr const char* SUFFIX = "ULL";
    static constexpr const char* FORMAT = "%llu";
};
template <>
struct number_traits<float> {
    static constexpr const char* SUFFIX = ".0";
    static constexpr const char* FORMAT = "%g";
};
template <>
struct number_traits<double> {
    static constexpr const char* SUFFIX = ".0";
    static constexpr const char* FORMAT = "%lg";
};

template <typename T, typename = void>
struct is_number : std::false_type {
};
template <typename T>
struct is_number<T, std::void_t<decltype(number_traits<T>::SUFFIX)>> : std::true_type {
};

}  // namespace check_cast_detail
}  // namespace tal

#endif
