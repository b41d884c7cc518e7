// libFuzzer target over hostile text: every conversion that reads a number
// out of a NUL-terminated text gets the input. Besides the sanitizers it
// traps when a conversion throws outside the exception family, leaves errno
// set after a success, or when an integer read back from its own text (the
// number-to-text conversion) comes out different.
//
// The value kinds' conversions from text run too: a number kind assigned the
// text, a string kind (owned and borrowed) read as each number type, and a
// truth value assigned it. Each must end as check_cast<T> of the same text
// does (the same value, or an exception of the same class), a refused
// assignment must keep the old value, and the text and tal::string forms of
// an assignment must agree.
#include "tal/check_cast/check_cast.h"
#include "tal/exception/tal_exception.h"
#include "tal/var/var.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <type_traits>

namespace {

// The number-to-text conversion has no long or unsigned long source; their
// texts go through the 64-bit types of the same sign.
template <typename T>
using text_source =
    std::conditional_t<std::is_same<T, long>::value, long long,
                       std::conditional_t<std::is_same<T, unsigned long>::value, unsigned long long, T>>;

template <typename T>
void read_number(const char* text)
{
    T value;
    try {
        value = tal::check_cast<T, const char*>(text);
    } catch (const tal::Exception& e) {
        e.what();
        return;
    }
    if (errno != 0) __builtin_trap();
    if constexpr (std::is_integral<T>::value) {
        const tal::string back = tal::check_cast<tal::string>(static_cast<text_source<T>>(value));
        if (tal::check_cast<T, const char*>(back.c_str()) != value) __builtin_trap();
    }
}

// How a call ended: the value's bytes, or the class of what it threw.
template <typename T, typename Call>
std::string outcome(Call call)
{
    try {
        const T value = call();
        return std::string("=") + std::string(reinterpret_cast<const char*>(&value), sizeof value);
    } catch (const tal::Exception& e) {
        return std::string("!") + e.name();
    }
}

std::string text_of(const tal::var::IVar& v) { return v.to_string().c_str(); }

// A number kind's text or the class of what the assignment threw; a refused
// assignment must leave the value the kind had.
template <typename T, typename Text>
std::string assigned(const Text& text)
{
    const T before = 7;
    tal::var::Number<T> n(before);
    try {
        n = text;
    } catch (const tal::Exception& e) {
        if (text_of(n) != text_of(tal::var::Number<T>(before))) __builtin_trap();
        return std::string("!") + e.name();
    }
    return "=" + text_of(n);
}

template <typename T>
void assign_number(const char* text)
{
    const std::string got = assigned<T>(text);
    if (got != assigned<T>(tal::string(text))) __builtin_trap();
    T value;
    try {
        value = tal::check_cast<T, const char*>(text);
    } catch (const tal::Exception& e) {
        if (got != std::string("!") + e.name()) __builtin_trap();
        return;
    }
    if (got != "=" + text_of(tal::var::Number<T>(value))) __builtin_trap();
}

// The value kinds' getter of each number type.
const auto TO_NUMBER =
    std::make_tuple(&tal::var::IVar::to_int8, &tal::var::IVar::to_uint8, &tal::var::IVar::to_int16,
                    &tal::var::IVar::to_uint16, &tal::var::IVar::to_int32, &tal::var::IVar::to_uint32,
                    &tal::var::IVar::to_int64, &tal::var::IVar::to_uint64, &tal::var::IVar::to_float,
                    &tal::var::IVar::to_double);

template <typename T>
void read_strings(const char* text)
{
    const auto get = std::get<T (tal::var::IVar::*)() const>(TO_NUMBER);
    const std::string want = outcome<T>([&] { return tal::check_cast<T, const char*>(text); });
    const tal::var::String owned(text, tal::pool_allocator<char>());
    const tal::var::ShallowString borrowed(text);
    if (outcome<T>([&] { return (owned.*get)(); }) != want) __builtin_trap();
    if (outcome<T>([&] { return (borrowed.*get)(); }) != want) __builtin_trap();
}

// True for any text but the empty one, in both forms.
void assign_bool(const char* text)
{
    tal::var::Bool b(false), c(false);
    b = text;
    c = tal::string(text);
    if (b.to_bool() != (text[0] != '\0') || c.to_bool() != b.to_bool()) __builtin_trap();
}

// One reader of text per row.
void (*const READERS[])(const char*) = {
    read_number<signed char>,
    read_number<unsigned char>,
    read_number<short>,
    read_number<unsigned short>,
    read_number<int>,
    read_number<unsigned int>,
    read_number<long>,
    read_number<unsigned long>,
    read_number<long long>,
    read_number<unsigned long long>,
    read_number<float>,
    read_number<double>,
    read_number<long double>,
    assign_number<signed char>,
    assign_number<unsigned char>,
    assign_number<short>,
    assign_number<unsigned short>,
    assign_number<int>,
    assign_number<unsigned int>,
    assign_number<long long>,
    assign_number<unsigned long long>,
    assign_number<float>,
    assign_number<double>,
    read_strings<signed char>,
    read_strings<unsigned char>,
    read_strings<short>,
    read_strings<unsigned short>,
    read_strings<int>,
    read_strings<unsigned int>,
    read_strings<long long>,
    read_strings<unsigned long long>,
    read_strings<float>,
    read_strings<double>,
    assign_bool,
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Stack traces of the many expected exceptions only slow the search.
    tal::Exception::set_stack_trace_level(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exactly sized copy, so that a read past its NUL is caught.
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (auto read : READERS) read(text.c_str());
    return 0;
}
