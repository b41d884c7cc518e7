#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tal/check_cast/check_cast.h"

namespace {

template <typename S>
std::string text(S value)
{
    const tal::string s = tal::check_cast<tal::string>(value);
    // Heap text with no memory pool behind it.
    EXPECT_EQ(s.get_allocator().get_mempool(), nullptr);
    return std::string(s.c_str(), s.size());
}

TEST(CheckCastToText, FormatsOfEveryNumberKind)
{
    const struct {
        std::string got;
        const char* want;
    } rows[] = {
        {text(static_cast<signed char>(-5)), "-5"},
        {text(static_cast<unsigned char>(200)), "200"},
        {text(static_cast<short>(-32768)), "-32768"},
        {text(static_cast<unsigned short>(65535)), "65535"},
        {text(-2147483647 - 1), "-2147483648"},
        {text(4294967295U), "4294967295"},
        {text(std::numeric_limits<long long>::min()), "-9223372036854775808"},
        {text(18446744073709551615ULL), "18446744073709551615"},
        {text(0.1), "0.1"},
        {text(123456789.0), "1.23457e+08"},
        {text(1e20), "1e+20"},
        {text(HUGE_VAL), "inf"},
        {text(0.1f), "0.1"},
        {text(-2.5f), "-2.5"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.got, row.want);
}

}  // namespace
