// libFuzzer target over hostile text: every conversion that reads a number
// out of a NUL-terminated text gets the input. Besides the sanitizers it
// traps when a conversion throws outside the exception family, leaves errno
// set after a success, or when an integer read back from its own text (the
// number-to-text conversion) comes out different.
//
// The value kinds' text assignments join as one more row of READERS.
#include "tal/check_cast/check_cast.h"
#include "tal/exception/tal_exception.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace {

// The number-to-text conversion has no long or unsigned long source; their
// texts go through the 64-bit types of the same sign.
template <typename T>
using text_source = std::conditional_t<std::is_same<T, long>::value, long long,
                                       std::conditional_t<std::is_same<T, unsigned long>::value,
                                                          unsigned long long, T> >;

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
        const tal::string back = tal::check_cast<tal::string>(static_cast<text_source<T> >(value));
        if (tal::check_cast<T, const char*>(back.c_str()) != value) __builtin_trap();
    }
}

// One reader of text per row.
void (*const READERS[])(const char*) = {
    read_number<signed char>, read_number<unsigned char>,  read_number<short>,
    read_number<unsigned short>, read_number<int>,          read_number<unsigned int>,
    read_number<long>,           read_number<unsigned long>, read_number<long long>,
    read_number<unsigned long long>, read_number<float>,    read_number<double>,
    read_number<long double>,
};

} // namespace

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
