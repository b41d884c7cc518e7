#include "tal/var/implement/Bool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "tal/var/implement/Null.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/test/var_probes.h"

using tal::var::Bool;
using tal::var::IVar;
using tal_var_test::catch_refusal;
using tal_var_test::Caught;
using tal_var_test::ProbeVar;

namespace {

TEST(Bool, KindAndTexts)
{
    Bool t(true), f(false);
    EXPECT_STREQ("N3tal3var4BoolE", typeid(static_cast<IVar&>(t)).name());
    EXPECT_EQ(IVar::IS_BOOL, t.get_mask());
    EXPECT_TRUE(t.is_bool());
    EXPECT_FALSE(t.is_null() || t.is_number() || t.is_int8() || t.is_double() ||
                 t.is_uint64() || t.is_string() || t.is_array() || t.is_raw());
    EXPECT_STREQ("tal::var::Bool", t.get_type().c_str());
    EXPECT_STREQ("true", t.to_string().c_str());
    EXPECT_STREQ("false", f.to_string().c_str());
    EXPECT_STREQ("[tal::var::Bool]true", t.dump(0).c_str());
    EXPECT_STREQ("[tal::var::Bool]true", t.dump(5).c_str());
    EXPECT_STREQ("[tal::var::Bool]false", f.dump(0).c_str());
}

TEST(Bool, ConversionsGiveOneOrZero)
{
    for (bool b : {false, true}) {
        const Bool v(b);
        const IVar& i = v;
        const int n = b ? 1 : 0;
        EXPECT_EQ(b, i.to_bool());
        EXPECT_EQ(n, i.to_int8());
        EXPECT_EQ(n, i.to_uint8());
        EXPECT_EQ(n, i.to_int16());
        EXPECT_EQ(n, i.to_uint16());
        EXPECT_EQ(n, i.to_int32());
        EXPECT_EQ(static_cast<unsigned>(n), i.to_uint32());
        EXPECT_EQ(n, i.to_int64());
        EXPECT_EQ(static_cast<unsigned>(n), i.to_uint64());
        EXPECT_EQ(static_cast<float>(n), i.to_float());
        EXPECT_EQ(static_cast<double>(n), i.to_double());
    }
}

// Each accepted assignment, made through the kind and through IVar&, from
// the opposite starting value.
TEST(Bool, AcceptedAssignments)
{
    static const char nul_first[] = {'\0', 'x'};
    const struct {
        const char* what;
        std::function<void(IVar&)> assign;
        bool expected;
    } cases[] = {
        {"true", [](IVar& v) { v = true; }, true},
        {"int 0", [](IVar& v) { v = 0; }, false},
        {"int -3", [](IVar& v) { v = -3; }, true},
        {"long long 0", [](IVar& v) { v = 0LL; }, false},
        {"long long 1<<40", [](IVar& v) { v = 1LL << 40; }, true},
        {"double 0.5", [](IVar& v) { v = 0.5; }, true},
        {"double -0.0", [](IVar& v) { v = -0.0; }, false},
        {"double NaN", [](IVar& v) { v = std::numeric_limits<double>::quiet_NaN(); }, true},
        {"float -0.0", [](IVar& v) { v = -0.0f; }, false},
        {"float NaN", [](IVar& v) { v = std::numeric_limits<float>::quiet_NaN(); }, true},
        {"float 1e-30", [](IVar& v) { v = 1e-30f; }, true},
        {"text 0", [](IVar& v) { v = "0"; }, true},
        {"text false", [](IVar& v) { v = "false"; }, true},
        {"text space", [](IVar& v) { v = " "; }, true},
        {"empty text", [](IVar& v) { v = ""; }, false},
        {"null text", [](IVar& v) { v = static_cast<const char*>(0); }, false},
        {"string abc", [](IVar& v) { v = tal::string("abc"); }, true},
        {"string NUL first", [](IVar& v) { v = tal::string(nul_first, 2); }, false},
        {"Bool false", [](IVar& v) { Bool b(false); v = static_cast<IVar&>(b); }, false},
        {"Ref to Bool true",
         [](IVar& v) {
             Bool b(true);
             tal::var::Ref r;
             r = static_cast<IVar&>(b);
             v = static_cast<IVar&>(r);
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bool b(!c.expected);
        c.assign(b);
        EXPECT_EQ(c.expected, b.to_bool());
    }
}

TEST(Bool, TheKindTakesTheSameOverloadsAsTheInterface)
{
    Bool b(true);
    b = 0.0;
    EXPECT_FALSE(b.to_bool());
    b = "x";
    EXPECT_TRUE(b.to_bool());
    EXPECT_THROW(b = static_cast<short>(1), tal::InvalidOperationException);
    EXPECT_THROW(b = 7u, tal::InvalidOperationException);
    EXPECT_THROW(b = tal::var::raw_t(), tal::InvalidOperationException);
    EXPECT_TRUE(b.to_bool());
}

TEST(Bool, RefusedAssignmentsKeepTheValue)
{
    const struct {
        std::function<void(IVar&)> assign;
        const char* shown;
    } cases[] = {
        {[](IVar& v) { v = static_cast<signed char>(-1); }, "-1"},
        {[](IVar& v) { v = static_cast<unsigned char>(255); }, "255"},
        {[](IVar& v) { v = static_cast<short>(2); }, "2"},
        {[](IVar& v) { v = static_cast<unsigned short>(3); }, "3"},
        {[](IVar& v) { v = 7u; }, "7"},
        {[](IVar& v) { v = 8ULL; }, "8"},
    };
    for (const auto& c : cases) {
        Bool b(true);
        const Caught caught = catch_refusal(c.assign, b);
        EXPECT_EQ("tal::InvalidOperationException", caught.cls);
        EXPECT_EQ(std::string("type[N3tal3var4BoolE] this[[tal::var::Bool]true] assign from[") +
                      c.shown + "]",
                  caught.message);
        EXPECT_TRUE(b.to_bool());
    }
    Bool b(true);
    EXPECT_EQ("type[N3tal3var4BoolE] this[[tal::var::Bool]true] assign from raw[data:true, "
              "length:3]",
              catch_refusal([](IVar& v) { v = tal::var::raw_t("abc", 3); }, b).message);
    EXPECT_EQ("type[N3tal3var4BoolE] this[[tal::var::Bool]true]",
              catch_refusal([](IVar& v) { v.c_str(); }, b).message);
}

TEST(Bool, AssignmentFromARefusingSourceKeepsTheValue)
{
    Bool b(true);
    const Caught c = catch_refusal([](IVar& v) { v = tal::var::Null::null; }, b);
    EXPECT_EQ("tal::InvalidOperationException", c.cls);
    EXPECT_EQ("type[N3tal3var4NullE] this[[tal::var::Null]null]", c.message);
    EXPECT_TRUE(b.to_bool());
}

TEST(Bool, ClearAndClone)
{
    tal::ResourcePool rp;
    Bool b(true);
    Bool& copy = b.clone(rp, true);
    Bool& shallow = b.clone(rp);
    EXPECT_NE(&b, &copy);
    EXPECT_TRUE(copy.to_bool());
    EXPECT_TRUE(shallow.to_bool());
    copy = false;
    EXPECT_TRUE(b.to_bool());
    b.clear();
    EXPECT_FALSE(b.to_bool());
}

}  // namespace
