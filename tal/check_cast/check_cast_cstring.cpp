#include "tal/check_cast/check_cast_cstring.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tal {
namespace check_cast_detail {

namespace {

// One row per directly parsed type: its library parse and the two messages
// that differ between types. The null message of long is the empty
// bracketed text followed by "s", as callers have always seen it.
template <typename T>
struct text_row;
template <>
struct text_row<long> {
    static long parse(const char* s, char** end) { return strtol(s, end, 0); }
    static constexpr const char* NULL_MESSAGE = "s[]s";
    static constexpr const char* NOTHING_PARSED = "s[";
};
template <>
struct text_row<long long> {
    static long long parse(const char* s, char** end) { return strtoll(s, end, 0); }
    static constexpr const char* NULL_MESSAGE = "s";
    static constexpr const char* NOTHING_PARSED = "s[";
};
template <>
struct text_row<unsigned long> {
    static unsigned long parse(const char* s, char** end) { return strtoul(s, end, 0); }
    static constexpr const char* NULL_MESSAGE = "s";
    static constexpr const char* NOTHING_PARSED = "s[";
};
template <>
struct text_row<unsigned long long> {
    static unsigned long long parse(const char* s, char** end) { return strtoull(s, end, 0); }
    static constexpr const char* NULL_MESSAGE = "s";
    static constexpr const char* NOTHING_PARSED = "not numerial string: s[";
};
template <>
struct text_row<float> {
    static float parse(const char* s, char** end) { return strtof(s, end); }
    static constexpr const char* NULL_MESSAGE = "s";
    static constexpr const char* NOTHING_PARSED = "not numerial string: s[";
};
template <>
struct text_row<double> {
    static double parse(const char* s, char** end) { return strtod(s, end); }
    static constexpr const char* NULL_MESSAGE = "s";
    static constexpr const char* NOTHING_PARSED = "not numerial string: s[";
};
template <>
struct text_row<long double> {
    static long double parse(const char* s, char** end) { return strtold(s, end); }
    static constexpr const char* NULL_MESSAGE = "s";
    static constexpr const char* NOTHING_PARSED = "not numerial string: s[";
};

template <typename T>
ExceptionArg site(int line)
{
    return ExceptionArg(site_text<T, const char*>::FUNCTION.s, __FILE__, line);
}

// A range error clamps to the type's extreme of the number's sign; a
// negative clamp is an underflow. Zero and negative zero count as overflow.
template <typename T>
bool clamped_below_zero(T value)
{
    if constexpr (std::is_signed<T>::value) {
        return value < 0;
    } else {
        return false;
    }
}

}  // namespace

template <typename T>
T parse_text(const char* s)
{
    typedef text_row<T> row;
    if (!s) {
        throw NullPointerException() << site<T>(__LINE__) << row::NULL_MESSAGE;
    }
    errno = 0;
    char* end = nullptr;
    const T value = row::parse(s, &end);
    // The library would wrap a negative number into a large unsigned one.
    if (std::is_unsigned<T>::value && memchr(s, '-', static_cast<size_t>(end - s))) {
        throw UnderflowException() << site<T>(__LINE__) << "s[" << s << "]";
    }
    if (errno == 0) {
        if (end == s) {
            throw BadCastException() << site<T>(__LINE__) << row::NOTHING_PARSED << s << "]";
        }
        return value;
    }
    if (errno == ERANGE) {
        if (clamped_below_zero(value)) {
            throw UnderflowException() << site<T>(__LINE__) << "s[" << s << "]";
        }
        throw OverflowException() << site<T>(__LINE__) << "s[" << s << "]";
    }
    throw BadCastException() << site<T>(__LINE__) << "s[" << s << "]";
}

template long parse_text<long>(const char*);
template long long parse_text<long long>(const char*);
template unsigned long parse_text<unsigned long>(const char*);
template unsigned long long parse_text<unsigned long long>(const char*);
template float parse_text<float>(const char*);
template double parse_text<double>(const char*);
template long double parse_text<long double>(const char*);

}  // namespace check_cast_detail
}  // namespace tal
