#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "tal/AutoBuffer.h"
#include "tal/test/counting_pool.h"

namespace {

using tal::AutoBuffer;
using tal_test::CountingPool;

std::string text(const AutoBuffer& b) { return std::string(b.c_str(), b.size()); }

// A buffer of the given capacity holding start, over a pool that refuses
// every request from then on.
struct Refusing {
    Refusing(size_t capacity, const char* start) : b(pool, capacity)
    {
        b << start;
        pool.refuse_all();
    }
    CountingPool pool;
    AutoBuffer b;
};

// The byte after the text is always its terminator.
void expect_terminated(const AutoBuffer& b)
{
    EXPECT_EQ(b.c_str()[b.size()], '\0');
    EXPECT_LE(b.size(), b.capacity());
}

TEST(AutoBufferState, EmptyWithoutStorage)
{
    CountingPool pool;
    {
        AutoBuffer b(pool, 0);
        EXPECT_EQ(b.size(), 0u);
        EXPECT_EQ(b.capacity(), 0u);
        EXPECT_TRUE(b.empty());
        EXPECT_FALSE(b.truncated());
        ASSERT_NE(b.c_str(), nullptr);
        EXPECT_STREQ(b.c_str(), "");
    }
    EXPECT_EQ(pool.mallocs, 0u);
    EXPECT_EQ(pool.frees, 0u);
}

TEST(AutoBufferState, StorageIsCapacityPlusOneFromItsSource)
{
    CountingPool pool;
    {
        AutoBuffer b(pool, 8);
        EXPECT_EQ(b.capacity(), 8u);
        EXPECT_EQ(pool.size_of(b.c_str()), 9u);
        EXPECT_STREQ(b.c_str(), "");
    }
    EXPECT_EQ(pool.live_blocks(), 0u);
    EXPECT_EQ(pool.bad_frees, 0u);
}

TEST(AutoBufferState, RefusedFirstAllocationLeavesAValidEmptyBuffer)
{
    CountingPool pool;
    pool.refuse_all();
    AutoBuffer b(pool, 16);
    EXPECT_EQ(b.capacity(), 0u);
    EXPECT_STREQ(b.c_str(), "");
    EXPECT_FALSE(b.truncated());
    b << "abc";
    EXPECT_TRUE(b.truncated());
    EXPECT_EQ(b.size(), 0u);
    pool.grant_all();
    b << "abc";
    EXPECT_EQ(text(b), "abc");
    EXPECT_FALSE(b.truncated());
}

TEST(AutoBufferGrowth, WorkedCapacities)
{
    AutoBuffer b(0);
    b << "abc";
    EXPECT_EQ(b.capacity(), 3u);
    b << 'd';
    EXPECT_EQ(b.capacity(), 6u);
    EXPECT_EQ(text(b), "abcd");

    AutoBuffer c(10);
    c.push("12345678", 8);
    c.push("abcde", 5);
    EXPECT_EQ(c.capacity(), 20u);
    EXPECT_EQ(text(c), "12345678abcde");

    AutoBuffer d(10);
    d.push("0123456789012345678901234", 25);
    EXPECT_EQ(d.capacity(), 25u);
    expect_terminated(d);
}

TEST(AutoBufferGrowth, ReturnsOldStorageWithItsSize)
{
    CountingPool pool;
    {
        AutoBuffer b(pool, 2);
        for (int i = 0; i < 100; ++i) b << 'x';
        EXPECT_EQ(b.size(), 100u);
        EXPECT_EQ(pool.live_blocks(), 1u);
        EXPECT_EQ(pool.size_of(b.c_str()), b.capacity() + 1);
    }
    EXPECT_EQ(pool.live_blocks(), 0u);
    EXPECT_EQ(pool.bad_frees, 0u);
}

TEST(AutoBufferGrowth, ReserveNotAboveCapacityChangesNothing)
{
    CountingPool pool;
    AutoBuffer b(pool, 8);
    b << "abc";
    const char* before = b.c_str();
    EXPECT_TRUE(b.reserve(8));
    EXPECT_TRUE(b.reserve(0));
    EXPECT_EQ(b.c_str(), before);
    EXPECT_EQ(pool.mallocs, 1u);
    EXPECT_TRUE(b.reserve(9));
    EXPECT_EQ(b.capacity(), 16u);
    EXPECT_EQ(text(b), "abc");
}

TEST(AutoBufferGrowth, RefusedReserveChangesNothing)
{
    Refusing refusing(4, "ab");
    auto& [pool, b] = refusing;
    EXPECT_FALSE(b.reserve(100));
    EXPECT_EQ(b.capacity(), 4u);
    EXPECT_EQ(text(b), "ab");
    EXPECT_FALSE(b.truncated());
}

TEST(AutoBufferTruncation, PushKeepsWhatFits)
{
    Refusing refusing(8, "12345");
    auto& [pool, b] = refusing;
    b.push("abcdefghij", 10);
    EXPECT_EQ(text(b), "12345abc");
    EXPECT_EQ(b.size(), 8u);
    EXPECT_TRUE(b.truncated());
    expect_terminated(b);
    b << 'z';
    EXPECT_TRUE(b.truncated());
    EXPECT_EQ(text(b), "12345abc");
    pool.grant_all();
    b << "!";
    EXPECT_FALSE(b.truncated());
    EXPECT_EQ(text(b), "12345abc!");
}

TEST(AutoBufferTruncation, PushfKeepsThePrefixOfTheResult)
{
    Refusing refusing(6, "ab");
    auto& [pool, b] = refusing;
    b.pushf("%d-%s", 12345, "tail");
    EXPECT_EQ(text(b), "ab1234");
    EXPECT_EQ(b.size(), b.capacity());
    EXPECT_TRUE(b.truncated());
    expect_terminated(b);

    AutoBuffer none(pool, 0);
    none.pushf("%d", 42);
    EXPECT_EQ(none.size(), 0u);
    EXPECT_TRUE(none.truncated());
}

TEST(AutoBufferTruncation, SizesThatWouldWrapFailWithoutAsking)
{
    CountingPool pool;
    AutoBuffer b(pool, 8);
    b << "12345";
    size_t asked = pool.mallocs;
    // Only the bytes that fit are read, so a short source is enough here.
    b.push("abcdef", SIZE_MAX - 2);
    EXPECT_EQ(text(b), "12345abc");
    EXPECT_TRUE(b.truncated());
    EXPECT_FALSE(b.reserve(SIZE_MAX));
    EXPECT_EQ(pool.mallocs, asked);

    AutoBuffer empty(pool, 4);
    empty.push("abcdef", SIZE_MAX);
    EXPECT_EQ(text(empty), "abcd");
    EXPECT_TRUE(empty.truncated());
    EXPECT_EQ(pool.mallocs, asked + 1);
}

TEST(AutoBufferAppend, NothingToAppend)
{
    Refusing refusing(2, "ab");
    auto& [pool, b] = refusing;
    b << "c";
    ASSERT_TRUE(b.truncated());
    // Empty or null text, zero length and NUL keep the flag as it was.
    b << "";
    b.push("xyz", 0);
    b.push(static_cast<const char*>(NULL), 5);
    b << '\0';
    b.pushf(NULL);
    EXPECT_TRUE(b.truncated());
    EXPECT_EQ(text(b), "ab");
    // A null text operand clears it.
    b << static_cast<const char*>(NULL);
    EXPECT_FALSE(b.truncated());
    EXPECT_EQ(text(b), "ab");
    // So does a null wide text.
    b << "c";
    ASSERT_TRUE(b.truncated());
    b << static_cast<const wchar_t*>(NULL);
    EXPECT_FALSE(b.truncated());
    EXPECT_EQ(text(b), "ab");
}

TEST(AutoBufferAppend, EveryOperandRendering)
{
    int local = 0;
    const void* const_ptr = &local;
    const void* null_const_ptr = NULL;
    char expected_address[32];
    snprintf(expected_address, sizeof(expected_address), "%p", static_cast<void*>(&local));

    struct Case {
        std::string got;
        std::string want;
    };
    auto render = [](auto value) {
        AutoBuffer b(0);
        b << value;
        return text(b);
    };
    const Case cases[] = {
        {render("text"), "text"},
        {render('A'), "A"},
        {render(static_cast<signed char>(65)), "65"},
        {render(static_cast<signed char>(-5)), "-5"},
        {render(static_cast<unsigned char>(200)), "200"},
        {render(static_cast<short>(-300)), "-300"},
        {render(static_cast<unsigned short>(65535)), "65535"},
        {render(INT_MIN), "-2147483648"},
        {render(4294967295u), "4294967295"},
        {render(-7L), "-7"},
        {render(ULONG_MAX), "18446744073709551615"},
        {render(LLONG_MIN), "-9223372036854775808"},
        {render(ULLONG_MAX), "18446744073709551615"},
        {render(1.5f), "1.5"},
        {render(1e20), "1e+20"},
        {render(0.25L), "0.25"},
        {render(true), "true"},
        {render(false), "false"},
        {render(const_ptr), "true"},
        {render(null_const_ptr), "false"},
        {render(static_cast<void*>(&local)), expected_address},
        {render(&local), expected_address},  // int* takes the void* overload
        {render(L'w'), "w"},
        {render(L"wide"), "wide"},
        {render(L'\x100'), ""},  // not representable in the C locale
        {render(static_cast<const wchar_t*>(NULL)), ""},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
        EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i;
}

TEST(AutoBufferAppend, OtherBufferAndRepeatedCharacter)
{
    AutoBuffer a(4), b(0), none(0);
    b << "xyz";
    a << "<" << b << none << ">";
    EXPECT_EQ(text(a), "<xyz>");
    a.push(3, '-');
    EXPECT_EQ(text(a), "<xyz>---");
    a.push(0, '-').push(2, '\0');
    EXPECT_EQ(text(a), "<xyz>---");
}

TEST(AutoBufferAppend, PushfMeasuresWhenThereIsNoStorage)
{
    CountingPool pool;
    AutoBuffer b(pool, 0);
    b.pushf("%d", 42);
    EXPECT_EQ(b.capacity(), 2u);
    EXPECT_EQ(text(b), "42");
    EXPECT_EQ(pool.mallocs, 1u);
    b.pushf("%s", "");
    EXPECT_EQ(text(b), "42");
    b.pushf("%s|%d", "long enough to grow", 7);
    EXPECT_EQ(text(b), "42long enough to grow|7");
    expect_terminated(b);
}

TEST(AutoBufferAppend, FormatErrorKeepsTextSizeAndFlag)
{
    AutoBuffer b(16);
    b << "xy";
    // Not representable in the C locale: the formatter fails after writing "abc".
    b.pushf("abc%ls", L"\x100");
    EXPECT_EQ(b.size(), 2u);
    EXPECT_STREQ(b.c_str(), "xy");
    EXPECT_FALSE(b.truncated());

    AutoBuffer none(0);
    none.pushf("%ls", L"\x100");
    EXPECT_EQ(none.size(), 0u);
    EXPECT_EQ(none.capacity(), 0u);
}

TEST(AutoBufferAppend, OwnBytesSurviveGrowth)
{
    CountingPool pool;
    AutoBuffer b(pool, 5);
    b << "hello";
    b << b;  // full: grows while reading its own old block
    EXPECT_EQ(text(b), "hellohello");
    b.push(b.c_str() + 1, 3);
    EXPECT_EQ(text(b), "hellohelloell");
    while (b.size() < b.capacity()) b << '.';
    b.push(b.c_str(), 4);
    EXPECT_EQ(text(b).substr(b.size() - 4), "hell");
    EXPECT_EQ(pool.bad_frees, 0u);
}

TEST(AutoBufferAppend, OwnBytesWithoutGrowth)
{
    AutoBuffer b(64);
    b << "abcdef";
    b.push(b.c_str() + 2, 3);
    EXPECT_EQ(text(b), "abcdefcde");
    b << b;
    EXPECT_EQ(text(b), "abcdefcdeabcdefcde");
}

TEST(AutoBufferAppend, PushfSecondPassReadsNoFreedStorage)
{
    // Full buffer: the first pass writes nothing but the NUL, then growth
    // moves the text while the arguments still point into the old block.
    CountingPool pool;
    AutoBuffer grows(pool, 4);
    grows << "abcd";
    const char* inner = static_cast<const char*>(memchr(grows.c_str(), 'b', grows.size()));
    grows.pushf("<%s|%s>", grows.c_str(), inner);
    EXPECT_EQ(text(grows), "abcd<abcd|bcd>");
    EXPECT_FALSE(grows.truncated());
    expect_terminated(grows);
    EXPECT_EQ(pool.live_blocks(), 1u);
    EXPECT_EQ(pool.bad_frees, 0u);
}

TEST(AutoBufferTransfer, MovesEverything)
{
    CountingPool pool;
    {
        AutoBuffer a(16), b(pool, 4);
        a << "old";
        b << "abcd";
        pool.refuse_all();
        b << "e";
        ASSERT_TRUE(b.truncated());
        const char* storage = b.c_str();
        a.transfer_from(b);
        EXPECT_EQ(a.c_str(), storage);
        EXPECT_EQ(text(a), "abcd");
        EXPECT_EQ(a.capacity(), 4u);
        EXPECT_TRUE(a.truncated());
        EXPECT_EQ(b.size(), 0u);
        EXPECT_EQ(b.capacity(), 0u);
        EXPECT_FALSE(b.truncated());
        EXPECT_STREQ(b.c_str(), "");
        // b keeps its source: it asks the pool again.
        pool.grant_all();
        b << "new";
        EXPECT_EQ(text(b), "new");
        EXPECT_EQ(pool.live_blocks(), 2u);
        // a's storage goes back to the pool it came from.
    }
    EXPECT_EQ(pool.live_blocks(), 0u);
    EXPECT_EQ(pool.bad_frees, 0u);
}

TEST(AutoBufferTransfer, FromItselfChangesNothing)
{
    AutoBuffer a(8);
    a << "keep";
    a.transfer_from(a);
    EXPECT_EQ(text(a), "keep");
    EXPECT_EQ(a.capacity(), 8u);
}

TEST(AutoBufferTransfer, SwapAndClear)
{
    AutoBuffer a(8), b(0);
    a << "one";
    a.swap(b);
    EXPECT_EQ(text(b), "one");
    EXPECT_EQ(a.capacity(), 0u);
    b.clear();
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(b.capacity(), 8u);
    expect_terminated(b);
}

}  // namespace
