#include "tal/var/implement/String.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <limits>
#include <string>

#include "tal/test/counting_pool.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/implement/Null.h"
#include "tal/var/implement/Number.h"
#include "tal/var/test/kind_checks.h"

using tal::var::IVar;
using tal::var::String;
using tal_test::CountingPool;

namespace {

const char* const STRING_TYPE = "N3tal3var11BasicStringINS_12basic_stringIcNS_14pool_allocatorIcEEEEEE";

std::string bytes_of(const tal::string& s) { return std::string(s.c_str(), s.size()); }
std::string text_of(const IVar& v) { return std::string(v.c_str(), v.c_str_len()); }

TEST(String, EmptyKind)
{
    String s{tal::pool_allocator<char>()};
    const IVar& v = s;
    EXPECT_STREQ(STRING_TYPE, typeid(v).name());
    EXPECT_EQ(IVar::IS_STRING, v.get_mask());
    EXPECT_TRUE(v.is_string());
    EXPECT_FALSE(v.is_number() || v.is_null() || v.is_bool() || v.is_raw() || v.is_ref());
    EXPECT_FALSE(v.to_bool());
    EXPECT_EQ(0u, v.c_str_len());
    EXPECT_STREQ("", v.c_str());
    EXPECT_STREQ("[tal::var::String]", v.dump(0).c_str());
    EXPECT_STREQ("tal::var::String", v.get_type().c_str());
}

// Every byte counts for dumps and lengths; the first NUL ends what the
// conversions and the truth test read.
TEST(String, TextWithANulInside)
{
    String s("a\0b", 3, tal::pool_allocator<char>());
    EXPECT_EQ(3u, s.c_str_len());
    EXPECT_EQ(std::string("[tal::var::String]a\0b", 21), bytes_of(s.dump(0)));
    EXPECT_EQ(bytes_of(s.dump(0)), bytes_of(s.dump(7)));
    EXPECT_EQ(std::string("a\0b", 3), bytes_of(s.to_string()));
    EXPECT_TRUE(s.to_bool());
    String leading_nul("\0xy", 3, tal::pool_allocator<char>());
    EXPECT_FALSE(leading_nul.to_bool());
}

// What each conversion of a text gives: the parse, then the narrowing.
TEST(String, ConversionsParseTheText)
{
    const struct {
        const char* text;
        std::function<long double(const IVar&)> convert;
        const char* expected;  // the value, or class and message
    } rows[] = {
        {"42", [](const IVar& v) { return v.to_int32(); }, "42"},
        {"42", [](const IVar& v) { return v.to_int8(); }, "42"},
        {"42", [](const IVar& v) { return v.to_double(); }, "42"},
        {"300", [](const IVar& v) { return v.to_uint8(); }, "tal::OverflowException value[300] bound[255L]"},
        {"300", [](const IVar& v) { return v.to_int8(); }, "tal::OverflowException value[300] bound[127L]"},
        {"300", [](const IVar& v) { return v.to_int16(); }, "300"},
        {"-1", [](const IVar& v) { return v.to_uint8(); }, "tal::UnderflowException value[-1] bound[0L]"},
        {"-1", [](const IVar& v) { return v.to_uint16(); }, "tal::UnderflowException s[-1]"},
        {"-1", [](const IVar& v) { return v.to_int32(); }, "-1"},
        {"70000", [](const IVar& v) { return v.to_uint16(); },
         "tal::OverflowException value[70000] bound[65535UL]"},
        {"4294967295", [](const IVar& v) { return v.to_uint32(); }, "4294967295"},
        {"-9223372036854775808", [](const IVar& v) { return v.to_int64(); }, "-9223372036854775808"},
        {"18446744073709551615", [](const IVar& v) { return v.to_uint64(); }, "18446744073709551615"},
        {"0x1A", [](const IVar& v) { return v.to_int64(); }, "26"},
        {"2.5", [](const IVar& v) { return v.to_float(); }, "2.5"},
        {"1e39", [](const IVar& v) { return v.to_float(); }, "tal::OverflowException s[1e39]"},
        {"abc", [](const IVar& v) { return v.to_int32(); }, "tal::BadCastException s[abc]"},
        {"abc", [](const IVar& v) { return v.to_uint32(); }, "tal::BadCastException s[abc]"},
        {"abc", [](const IVar& v) { return v.to_uint64(); },
         "tal::BadCastException not numerial string: s[abc]"},
        {"abc", [](const IVar& v) { return v.to_double(); },
         "tal::BadCastException not numerial string: s[abc]"},
    };
    for (const auto& r : rows) {
        const String s(r.text, tal::pool_allocator<char>());
        EXPECT_EQ(r.expected, tal_var_test::outcome_text([&] { return r.convert(s); })) << r.text;
        EXPECT_STREQ(r.text, s.c_str());
    }
    EXPECT_TRUE(String("abc", tal::pool_allocator<char>()).to_bool());
    EXPECT_TRUE(String("0", tal::pool_allocator<char>()).to_bool());
}

// Numbers in the assignment formats ("%f" for floating values), the truth
// values as words, texts as copies.
TEST(String, Assignments)
{
    const char* const long_text = "a text long enough to need a new block";
    const tal::string pooled("pooled");
    const struct {
        const char* what;
        std::function<void(IVar&)> assign;
        const char* expected;
    } rows[] = {
        {"true", [](IVar& v) { v = true; }, "true"},
        {"false", [](IVar& v) { v = false; }, "false"},
        {"signed char", [](IVar& v) { v = static_cast<signed char>(-128); }, "-128"},
        {"unsigned char", [](IVar& v) { v = static_cast<unsigned char>(200); }, "200"},
        {"short", [](IVar& v) { v = static_cast<short>(-5); }, "-5"},
        {"unsigned short", [](IVar& v) { v = static_cast<unsigned short>(65535); }, "65535"},
        {"int", [](IVar& v) { v = -2147483647 - 1; }, "-2147483648"},
        {"unsigned int", [](IVar& v) { v = 4294967295u; }, "4294967295"},
        {"long long", [](IVar& v) { v = std::numeric_limits<long long>::min(); }, "-9223372036854775808"},
        {"unsigned long long", [](IVar& v) { v = 18446744073709551615ULL; }, "18446744073709551615"},
        {"float", [](IVar& v) { v = 1.5f; }, "1.500000"},
        {"double", [](IVar& v) { v = 0.1; }, "0.100000"},
        {"double 1e20", [](IVar& v) { v = 1e20; }, "100000000000000000000.000000"},
        {"text", [long_text](IVar& v) { v = long_text; }, long_text},
        {"null text", [](IVar& v) { v = static_cast<const char*>(nullptr); }, ""},
        {"empty text", [](IVar& v) { v = ""; }, ""},
        {"own text", [](IVar& v) { v = v.c_str(); }, "old"},
        {"tal::string", [&pooled](IVar& v) { v = pooled; }, "pooled"},
    };
    for (const auto& r : rows) {
        String s("old", tal::pool_allocator<char>());
        r.assign(s);
        EXPECT_EQ(r.expected, text_of(s)) << r.what;
    }
    // Kept as the text "false" reads: not empty, so true.
    String f{tal::pool_allocator<char>()};
    f = false;
    EXPECT_TRUE(f.to_bool());
}

// The text of any value: its to_string(), every byte of it.
TEST(String, AssignmentFromAValue)
{
    tal::var::Bool yes(true);
    tal::var::Number<int> n(42);
    tal::var::Number<double> d(1.5);
    String nul_first("\0xy", 3, tal::pool_allocator<char>());
    String other("other", tal::pool_allocator<char>());
    const struct {
        const char* what;
        IVar& source;
        std::string expected;
    } rows[] = {
        {"null", tal::var::Null::null, "null"},
        {"bool", yes, "true"},
        {"int", n, "42"},
        {"double", d, "1.5"},
        {"string", other, "other"},
        {"string with a leading NUL", nul_first, std::string("\0xy", 3)},
    };
    for (const auto& r : rows) {
        String s("old", tal::pool_allocator<char>());
        s = r.source;
        EXPECT_EQ(r.expected, text_of(s)) << r.what;
    }
    other = static_cast<IVar&>(other);
    EXPECT_EQ("other", text_of(other));
}

// Shorter texts reuse the block; a longer one takes exactly its length, a
// number at least double the capacity; a refused block keeps the text.
TEST(String, GrowthAndRefusedBlocks)
{
    CountingPool source;
    {
        String s("ab", tal::pool_allocator<char>(&source));
        EXPECT_EQ(3u, source.size_of(s.c_str()));
        s.clear();
        EXPECT_EQ(0u, s.c_str_len());
        const size_t mallocs = source.mallocs;
        s = "xy";
        EXPECT_EQ(mallocs, source.mallocs);
        s = false;
        EXPECT_EQ(6u, source.size_of(s.c_str()));
        s = 123456789;  // 9 characters: max(9, 2 * 5)
        EXPECT_EQ(11u, source.size_of(s.c_str()));
        s = "shorter";
        EXPECT_EQ(11u, source.size_of(s.c_str()));

        tal::var::Number<long long> big(std::numeric_limits<long long>::min());
        const tal::string longer("a longer pooled text");
        String t("ab", tal::pool_allocator<char>(&source));
        source.refuse_all();
        const std::function<void(IVar&)> refused[] = {
            [](IVar& v) { v = true; },          [](IVar& v) { v = 18446744073709551615ULL; },
            [](IVar& v) { v = 1e300; },         [](IVar& v) { v = "some long text"; },
            [&longer](IVar& v) { v = longer; }, [&big](IVar& v) { v = static_cast<IVar&>(big); },
        };
        for (const auto& assign : refused) {
            EXPECT_THROW(assign(t), tal::BadAllocException);
            EXPECT_EQ("ab", text_of(t));
        }
        source.grant_all();
    }
    EXPECT_EQ(0u, source.live_blocks());
    EXPECT_EQ(0u, source.bad_frees);
}

// What a string leaves to the interface refuses with the string's dump.
TEST(String, InheritedOperationsRefuse)
{
    using namespace tal_var_test;
    String s("abc", tal::pool_allocator<char>());
    expect_inherited_refusals(s, [](const std::string& f) {
        return is_conversion(f) || (has(f, "operator=(") && !has(f, "raw_t")) || has(f, "c_str");
    });
}

// Created in a pool from an allocator or from a text and a length; copies
// take their text through the source's allocator; the release gives the text
// back, then the object.
TEST(String, PoolCreationAndClones)
{
    CountingPool objects, texts;
    {
        tal::ResourcePool rp(objects);
        const tal::pool_allocator<char> alloc(&texts);
        String& empty = rp.create<String, tal::pool_allocator<char>>(alloc);
        EXPECT_EQ(0u, texts.mallocs);
        EXPECT_EQ(sizeof(String), objects.size_of(&empty));
        EXPECT_EQ(0u, empty.c_str_len());

        const char* const text = "ab\0cdef";
        const unsigned long length = 4;
        String& s =
            rp.create<String, const char*, unsigned long, tal::pool_allocator<char>>(text, length, alloc);
        EXPECT_EQ(std::string("ab\0c", 4), text_of(s));
        EXPECT_EQ(5u, texts.size_of(s.c_str()));
        const unsigned long zero = 0;
        String& none =
            rp.create<String, const char*, unsigned long, tal::pool_allocator<char>>(text, zero, alloc);
        EXPECT_EQ(0u, none.c_str_len());
        EXPECT_EQ(1u, texts.live_blocks());

        CountingPool other_source;
        tal::ResourcePool other(other_source);
        String& shallow = s.clone(other);
        IVar& deep = static_cast<const IVar&>(s).clone(other, true);
        EXPECT_NE(&s, &shallow);
        EXPECT_EQ(typeid(s), typeid(deep));
        EXPECT_EQ(sizeof(String), other_source.size_of(&deep));
        EXPECT_EQ(5u, texts.size_of(shallow.c_str()));
        shallow = "changed";
        EXPECT_EQ(std::string("ab\0c", 4), text_of(s));
        EXPECT_EQ(std::string("ab\0c", 4), text_of(deep));
        other.reset();
        EXPECT_EQ(0u, other_source.live_blocks());

        const size_t live = objects.live_blocks();
        const char* const null_text = nullptr;
        try {
            rp.create<String, const char*, unsigned long, tal::pool_allocator<char>>(null_text, length,
                                                                                     alloc);
            ADD_FAILURE() << "no exception";
        } catch (const tal::NullPointerException& e) {
            EXPECT_STREQ("cstr", e.what());
        }
        EXPECT_EQ(live, objects.live_blocks());

        objects.refuse_all();
        char expected[64];
        snprintf(expected, sizeof expected, "_mempool[%p] size[%zu]", static_cast<void*>(&objects),
                 sizeof(String));
        try {
            rp.create<String, tal::pool_allocator<char>>(alloc);
            ADD_FAILURE() << "no exception";
        } catch (const tal::BadAllocException& e) {
            EXPECT_STREQ(expected, e.what());
        }
        objects.grant_all();
    }
    EXPECT_EQ(0u, objects.live_blocks());
    EXPECT_EQ(0u, texts.live_blocks());
    EXPECT_EQ(0u, objects.bad_frees + texts.bad_frees);
}

}  // namespace
