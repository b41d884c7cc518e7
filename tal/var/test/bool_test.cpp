#include "tal/var/implement/Bool.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "tal/var/implement/Null.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/test/var_probes.h"

using namespace tal_var_test;
using tal::var::Bool;

namespace {

TEST(Bool, KindTextsAndConversions)
{
    for (bool b : {false, true}) {
        const Bool v(b);
        const IVar& i = v;
        const int n = b;
        EXPECT_STREQ("N3tal3var4BoolE", typeid(i).name());
        EXPECT_EQ(IVar::IS_BOOL, i.get_mask());
        EXPECT_TRUE(i.is_bool());
        EXPECT_FALSE(i.is_null() || i.is_number() || i.is_int8() || i.is_double() || i.is_uint64() ||
                     i.is_string() || i.is_array() || i.is_raw());
        EXPECT_STREQ("tal::var::Bool", i.get_type().c_str());
        EXPECT_STREQ(b ? "true" : "false", i.to_string().c_str());
        EXPECT_EQ(std::string("[tal::var::Bool]") + (b ? "true" : "false"), i.dump(0).c_str());
        EXPECT_STREQ(i.dump(0).c_str(), i.dump(5).c_str());
        EXPECT_EQ(b, i.to_bool());
        EXPECT_EQ(n, i.to_int8());
        EXPECT_EQ(n, i.to_uint8());
        EXPECT_EQ(n, i.to_int16());
        EXPECT_EQ(n, i.to_uint16());
        EXPECT_EQ(n, i.to_int32());
        EXPECT_EQ(static_cast<unsigned>(n), i.to_uint32());
        EXPECT_EQ(n, i.to_int64());
        EXPECT_EQ(static_cast<unsigned long long>(n), i.to_uint64());
        EXPECT_EQ(static_cast<float>(n), i.to_float());
        EXPECT_EQ(static_cast<double>(n), i.to_double());
    }
}

// Each accepted assignment starts from the opposite value.
TEST(Bool, AcceptedAssignments)
{
    static const char nul_first[] = {'\0', 'x'};
    static Bool false_bool(false), true_bool(true);
    static tal::var::Ref to_true(true_bool);
    const struct {
        std::function<void(IVar&)> assign;
        bool expected;
    } cases[] = {
        {[](IVar& v) { v = true; }, true},
        {[](IVar& v) { v = 0; }, false},
        {[](IVar& v) { v = -3; }, true},
        {[](IVar& v) { v = 0LL; }, false},
        {[](IVar& v) { v = 1LL << 40; }, true},
        {[](IVar& v) { v = 0.5; }, true},
        {[](IVar& v) { v = -0.0; }, false},
        {[](IVar& v) { v = std::numeric_limits<double>::quiet_NaN(); }, true},
        {[](IVar& v) { v = -0.0f; }, false},
        {[](IVar& v) { v = std::numeric_limits<float>::quiet_NaN(); }, true},
        {[](IVar& v) { v = "0"; }, true},
        {[](IVar& v) { v = "false"; }, true},
        {[](IVar& v) { v = " "; }, true},
        {[](IVar& v) { v = ""; }, false},
        {[](IVar& v) { v = static_cast<const char*>(0); }, false},
        {[](IVar& v) { v = tal::string("abc"); }, true},
        {[](IVar& v) { v = tal::string(nul_first, 2); }, false},
        {[](IVar& v) { v = static_cast<IVar&>(false_bool); }, false},
        {[](IVar& v) { v = static_cast<IVar&>(to_true); }, true},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        Bool b(!cases[i].expected);
        cases[i].assign(b);
        EXPECT_EQ(cases[i].expected, b.to_bool()) << i;
    }
}

TEST(Bool, RefusalsKeepTheValueAlsoThroughTheKind)
{
    const struct {
        std::function<void(IVar&)> assign;
        const char* tail;
    } cases[] = {
        {[](IVar& v) { v = static_cast<signed char>(-1); }, "] assign from[-1]"},
        {[](IVar& v) { v = static_cast<unsigned char>(255); }, "] assign from[255]"},
        {[](IVar& v) { v = static_cast<short>(2); }, "] assign from[2]"},
        {[](IVar& v) { v = static_cast<unsigned short>(3); }, "] assign from[3]"},
        {[](IVar& v) { v = 7u; }, "] assign from[7]"},
        {[](IVar& v) { v = 8ULL; }, "] assign from[8]"},
        {[](IVar& v) { v = tal::var::raw_t("abc", 3); }, "] assign from raw[data:true, length:3]"},
        {[](IVar& v) { v.c_str(); }, "]"},
    };
    for (const auto& c : cases) {
        Bool b(true);
        const Caught caught = catch_refusal(c.assign, b);
        EXPECT_EQ("tal::InvalidOperationException", caught.cls);
        EXPECT_EQ(std::string("type[N3tal3var4BoolE] this[[tal::var::Bool]true") + c.tail, caught.message);
        EXPECT_TRUE(b.to_bool());
    }
    Bool b(true);
    EXPECT_THROW(b = static_cast<short>(1), tal::InvalidOperationException);
    EXPECT_THROW(b = 7u, tal::InvalidOperationException);
    EXPECT_EQ("type[N3tal3var4NullE] this[[tal::var::Null]null]",
              catch_refusal([](IVar& v) { v = tal::var::Null::null; }, b).message);
    EXPECT_TRUE(b.to_bool());
    b = 0.0;  // the kind's own overloads
    EXPECT_FALSE(b.to_bool());
}

TEST(Bool, ClearAndClone)
{
    tal::ResourcePool rp;
    Bool b(true);
    Bool& copy = b.clone(rp, true);
    EXPECT_NE(&b, &copy);
    EXPECT_TRUE(copy.to_bool() && b.clone(rp).to_bool());
    copy = false;
    EXPECT_TRUE(b.to_bool());
    b.clear();
    EXPECT_FALSE(b.to_bool());
}

}  // namespace
