#include "tal/var/implement/ShallowString.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "tal/test/counting_pool.h"
#include "tal/var/implement/Number.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/implement/String.h"
#include "tal/var/test/kind_checks.h"

using tal::var::IVar;
using tal::var::ShallowString;
using tal_test::CountingPool;
using tal_var_test::catch_refusal;
using tal_var_test::Caught;

namespace {

std::string bytes_of(const tal::string& s) { return std::string(s.c_str(), s.size()); }

TEST(ShallowString, KindAndTextsOverANulInside)
{
    static const char bytes[] = {'a', 'b', '\0', 'c', 'd', '\0'};
    ShallowString s(bytes, 5);
    const IVar& v = s;
    EXPECT_STREQ("N3tal3var13ShallowStringE", typeid(v).name());
    EXPECT_EQ(IVar::IS_STRING, v.get_mask());
    EXPECT_TRUE(v.is_string());
    EXPECT_FALSE(v.is_number() || v.is_null() || v.is_bool() || v.is_raw() || v.is_double() || v.is_uint64());
    EXPECT_STREQ("tal::var::ShallowString", v.get_type().c_str());
    EXPECT_EQ(bytes, v.c_str());
    EXPECT_EQ(5u, v.c_str_len());
    EXPECT_EQ("ab", bytes_of(v.to_string()));
    EXPECT_EQ(std::string("[tal::var::ShallowString]ab\0cd", 30), bytes_of(v.dump(0)));
    EXPECT_EQ(bytes_of(v.dump(0)), bytes_of(v.dump(3)));
    EXPECT_TRUE(v.to_bool());
    EXPECT_EQ(2u, ShallowString(bytes, 2).c_str_len());
}

// The byte at len must be the NUL; npos is refused before any byte is read.
TEST(ShallowString, ConstructionRefusals)
{
    const struct {
        const char* what;
        std::function<void()> build;
        const char* cls;
        const char* message;
    } rows[] = {
        {"abc with 2", [] { ShallowString("abc", 2); }, "tal::BadArgumentException", "wrong len:2"},
        {"abc with 4", [] { ShallowString("abc\0x", 4); }, "tal::BadArgumentException", "wrong len:4"},
        {"npos", [] { ShallowString("abc", tal::ShallowCopyString::npos); }, "tal::BadArgumentException",
         "wrong len:18446744073709551615"},
        {"null", [] { ShallowString(nullptr, 0); }, "tal::NullPointerException", ""},
        {"null text alone", [] { ShallowString(static_cast<const char*>(nullptr)); },
         "tal::NullPointerException", "cstr is NULL"},
    };
    for (const auto& r : rows) {
        try {
            r.build();
            ADD_FAILURE() << r.what << ": nothing thrown";
        } catch (const tal::Exception& e) {
            EXPECT_STREQ(r.cls, e.name()) << r.what;
            EXPECT_STREQ(r.message, e.what()) << r.what;
        }
    }
    EXPECT_EQ(3u, ShallowString("abc", 3).c_str_len());
}

// The length is measured once per pointer and kept; a tal::string lends its
// own length; clear() shows the shared empty text.
TEST(ShallowString, LengthCacheAndAssignments)
{
    char text[] = "hello";
    ShallowString s("x", 1);
    s = static_cast<const char*>(text);
    EXPECT_EQ(5u, s.c_str_len());
    text[2] = '\0';  // not measured again: the pointer is the one held
    s = static_cast<const char*>(text);
    EXPECT_EQ(5u, s.c_str_len());
    s = static_cast<const char*>(text + 3);
    EXPECT_EQ(2u, s.c_str_len());

    EXPECT_THROW(s = static_cast<const char*>(nullptr), tal::NullPointerException);
    EXPECT_EQ(text + 3, s.c_str());

    const tal::string owned("a\0b", 3);
    s = owned;
    EXPECT_EQ(owned.c_str(), s.c_str());
    EXPECT_EQ(3u, s.c_str_len());

    s.clear();
    EXPECT_STREQ("", s.c_str());
    EXPECT_EQ(0u, s.c_str_len());
    EXPECT_FALSE(s.to_bool());
    EXPECT_EQ(ShallowString().c_str(), s.c_str());
    EXPECT_EQ(owned.c_str(), ShallowString(owned).c_str());
}

// From another value: a string lends its characters (a reference its
// referent's); anything else refuses with this value's own text.
TEST(ShallowString, AssignmentFromAValue)
{
    tal::var::String xyz("xyz", tal::pool_allocator<char>());
    tal::var::Ref to_xyz(xyz);
    ShallowString s("abc", 3);
    s = static_cast<IVar&>(xyz);
    EXPECT_EQ(xyz.c_str(), s.c_str());
    EXPECT_EQ(3u, s.c_str_len());

    ShallowString t("abc", 3);
    t = static_cast<IVar&>(to_xyz);
    EXPECT_EQ(xyz.c_str(), t.c_str());

    // Past an embedded NUL the source's length is not taken over.
    tal::var::String nul_inside("p\0q", 3, tal::pool_allocator<char>());
    t = static_cast<IVar&>(nul_inside);
    EXPECT_EQ(1u, t.c_str_len());

    static const char bytes[] = {'a', 'b', '\0', 'c', '\0'};
    ShallowString own(bytes, 4);
    own = static_cast<IVar&>(own);
    EXPECT_EQ(4u, own.c_str_len());

    ShallowString u("abc", 3);
    tal::var::Number<int> n(7);
    const Caught c = catch_refusal([&n](IVar& v) { v = static_cast<IVar&>(n); }, u);
    EXPECT_EQ("tal::InvalidOperationException", c.cls);
    EXPECT_EQ("virtual tal::var::ShallowString& tal::var::ShallowString::operator=(tal::var::IVar&)",
              c.function);
    EXPECT_EQ("type[N3tal3var13ShallowStringE] this[abc] cast from[[tal::var::Number<i>]7]", c.message);
    EXPECT_STREQ("abc", u.c_str());
}

TEST(ShallowString, ConversionsParseTheText)
{
    const struct {
        const char* text;
        std::function<long double(const IVar&)> convert;
        const char* expected;
    } rows[] = {
        {"12abc", [](const IVar& v) { return v.to_int32(); }, "12"},
        {"0x10", [](const IVar& v) { return v.to_int32(); }, "16"},
        {"010", [](const IVar& v) { return v.to_int32(); }, "8"},
        {"", [](const IVar& v) { return v.to_int32(); }, "tal::BadCastException s[]"},
        {"200", [](const IVar& v) { return v.to_int8(); }, "tal::OverflowException value[200] bound[127L]"},
        {"-1", [](const IVar& v) { return v.to_uint8(); }, "tal::UnderflowException value[-1] bound[0L]"},
        {"-1", [](const IVar& v) { return v.to_uint16(); }, "tal::UnderflowException s[-1]"},
        {"-0", [](const IVar& v) { return v.to_uint8(); }, "0"},
        {"-0", [](const IVar& v) { return v.to_uint16(); }, "tal::UnderflowException s[-0]"},
        {"-0", [](const IVar& v) { return v.to_uint32(); }, "tal::UnderflowException s[-0]"},
        {"-5", [](const IVar& v) { return v.to_int16(); }, "-5"},
        {"9223372036854775807", [](const IVar& v) { return v.to_int64(); }, "9223372036854775807"},
        {"-1", [](const IVar& v) { return v.to_uint64(); }, "tal::UnderflowException s[-1]"},
        {"2.5", [](const IVar& v) { return v.to_double(); }, "2.5"},
        {"-1e39", [](const IVar& v) { return v.to_float(); }, "tal::UnderflowException s[-1e39]"},
    };
    for (const auto& r : rows) {
        const ShallowString s(r.text);
        EXPECT_EQ(r.expected, tal_var_test::outcome_text([&] { return r.convert(s); })) << r.text;
    }
    EXPECT_TRUE(ShallowString("0").to_bool());
    EXPECT_FALSE(ShallowString("").to_bool());
}

// Scalars and everything else the kind leaves to the interface refuse; the
// dump in the message stops at the text's first NUL.
TEST(ShallowString, InheritedOperationsRefuse)
{
    using namespace tal_var_test;
    static const char bytes[] = {'a', 'b', 'c', '\0', 'd', '\0'};
    ShallowString s(bytes, 5);
    expect_inherited_refusals(s, [](const std::string& f) {
        return is_conversion(f) || has(f, "operator=(const char*)") ||
               has(f, "operator=(const tal::string&)") || has(f, "c_str");
    });
    EXPECT_EQ(bytes, s.c_str());
    EXPECT_EQ(5u, s.c_str_len());
}

// Created in a pool over borrowed text; copies (deep or not) borrow the same
// bytes with the same length state; the release frees only the objects.
TEST(ShallowString, PoolCreationAndClones)
{
    CountingPool source;
    {
        tal::ResourcePool rp(source);
        char text[] = "abc";
        const char* const p = text;
        const unsigned long three = 3, two = 2;
        ShallowString& s = rp.create<ShallowString, const char*, unsigned long>(p, three);
        EXPECT_EQ(sizeof(ShallowString), source.size_of(&s));
        ShallowString& copy = s.clone(rp);
        IVar& deep = static_cast<const IVar&>(s).clone(rp, true);
        EXPECT_NE(&s, &copy);
        EXPECT_EQ(typeid(s), typeid(deep));
        EXPECT_EQ(text, copy.c_str());
        EXPECT_EQ(text, deep.c_str());
        text[0] = 'X';
        EXPECT_EQ("Xbc", bytes_of(deep.to_string()));

        ShallowString& unmeasured = rp.create<ShallowString>(ShallowString(p));
        text[1] = '\0';
        IVar& later = unmeasured.clone(rp, true);
        EXPECT_EQ(1u, later.c_str_len());  // measured by the copy, now

        const size_t live = source.live_blocks();
        try {
            rp.create<ShallowString, const char*, unsigned long>(p, two);
            ADD_FAILURE() << "no exception";
        } catch (const tal::BadArgumentException& e) {
            EXPECT_STREQ("wrong len:2", e.what());
        }
        const char* const null_text = nullptr;
        EXPECT_THROW((rp.create<ShallowString, const char*, unsigned long>(null_text, three)),
                     tal::NullPointerException);
        EXPECT_EQ(live, source.live_blocks());

        source.refuse_all();
        char expected[64];
        snprintf(expected, sizeof expected, "_mempool[%p] size[%zu]", static_cast<void*>(&source),
                 sizeof(ShallowString));
        try {
            s.clone(rp);
            ADD_FAILURE() << "no exception";
        } catch (const tal::BadAllocException& e) {
            EXPECT_STREQ(expected, e.what());
        }
        source.grant_all();
        rp.reset();
        EXPECT_STREQ("X", text);  // never written or freed by the values
        EXPECT_EQ(0u, source.live_blocks());
    }
    EXPECT_EQ(0u, source.bad_frees);
}

}  // namespace
