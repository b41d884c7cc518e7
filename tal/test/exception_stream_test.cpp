#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "tal/containers/string/tal_string.h"
#include "tal/exception/tal_exception.h"
#include "tal/pool/tal_pool.h"
#include "tal/test/counting_pool.h"

namespace {

using tal::ExceptionArg;

template <typename E, typename T>
std::string streamed(T value)
{
    E e;
    e << ExceptionArg("void s()", "s.cpp", 1) << value;
    EXPECT_EQ(e.level(), 0);
    return e.what();
}

TEST(ExceptionStream, EveryOperandRendering)
{
    int local = 0;
    const void* const_ptr = &local;
    const void* null_const_ptr = NULL;
    tal::syspool pool;
    tal::mempool* pool_ptr = &pool;
    char address[32];
    snprintf(address, sizeof(address), "%p", static_cast<void*>(pool_ptr));

    struct Case {
        std::string got;
        std::string want;
    };
    const Case cases[] = {
        {streamed<tal::NullPointerException>("cstr"), "cstr"},
        {streamed<tal::UnderflowException>(static_cast<signed char>(-5)), "-5"},
        {streamed<tal::OverflowException>(static_cast<unsigned char>(200)), "200"},
        {streamed<tal::UnderflowException>(static_cast<short>(-32768)), "-32768"},
        {streamed<tal::OverflowException>(static_cast<unsigned short>(65535)), "65535"},
        {streamed<tal::UnderflowException>(INT_MIN), "-2147483648"},
        {streamed<tal::OverflowException>(UINT_MAX), "4294967295"},
        {streamed<tal::UnderflowException>(LONG_MIN), "-9223372036854775808"},
        {streamed<tal::OutOfBoundException>(ULONG_MAX), "18446744073709551615"},
        {streamed<tal::OverflowException>(LLONG_MAX), "9223372036854775807"},
        {streamed<tal::OverflowException>(ULLONG_MAX), "18446744073709551615"},
        {streamed<tal::OverflowException>(0.5f), "0.5"},
        {streamed<tal::OverflowException>(1e20), "1e+20"},
        {streamed<tal::InvalidOperationException>(true), "true"},
        {streamed<tal::InvalidOperationException>(false), "false"},
        {streamed<tal::InvalidOperationException>(const_ptr), "true"},
        {streamed<tal::InvalidOperationException>(null_const_ptr), "false"},
        {streamed<tal::BadAllocException>(pool_ptr), address},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
        EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i;
}

TEST(ExceptionStream, PiecesJoinBackToBack)
{
    tal::BadAllocException e;
    tal::syspool pool;
    e << ExceptionArg("void t()", "t.cpp", 2) << "size[" << 24UL << "]" << static_cast<const char*>(NULL)
      << " _p_pool[" << static_cast<tal::mempool*>(&pool) << "]";
    char expected[96];
    snprintf(expected, sizeof(expected), "size[24] _p_pool[%p]", static_cast<void*>(&pool));
    EXPECT_STREQ(e.what(), expected);
}

TEST(ExceptionStream, ThrowSiteOnlyAndTwice)
{
    tal::NullPointerException e;
    e << ExceptionArg("void first()", "first.cpp", 10);
    EXPECT_STREQ(e.what(), "");
    e << ExceptionArg("void second()", "second.cpp", 20);
    EXPECT_STREQ(e.function(), "void second()");
    EXPECT_STREQ(e.file(), "second.cpp");
    EXPECT_EQ(e.line(), 20);
}

TEST(ExceptionStream, ThrowSiteMacro)
{
    try {
        throw tal::BadArgumentException() << TAL_EXCEPTION_ARG << "wrong len:" << 2UL;
    } catch (tal::BadArgumentException& e) {
        EXPECT_STREQ(e.what(), "wrong len:2");
        EXPECT_STREQ(e.file(), __FILE__);
        EXPECT_GT(e.line(), 0);
        EXPECT_NE(std::string(e.function()).find("TestBody"), std::string::npos);
    }
}

TEST(ExceptionStream, PooledStringUpToItsFirstNulWithoutCopying)
{
    tal_test::CountingPool pool;
    tal::string key("ab\0cd", 5, tal::pool_allocator<char>(&pool));
    size_t asked = pool.mallocs;
    tal::KeyNotFoundException e;
    e << ExceptionArg("void u()", "u.cpp", 3) << "key[" << key << "]";
    EXPECT_STREQ(e.what(), "key[ab]");
    EXPECT_EQ(e.level(), 0);
    EXPECT_EQ(pool.mallocs, asked);
}

TEST(ExceptionStream, OtherBufferOperand)
{
    tal::AutoBuffer text(0);
    text << "from a buffer";
    tal::ParseErrorException e;
    e << "[" << text << "]";
    EXPECT_STREQ(e.what(), "[from a buffer]");
    EXPECT_STREQ(text.c_str(), "from a buffer");
}

}  // namespace
