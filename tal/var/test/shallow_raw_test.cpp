#include "tal/var/implement/ShallowRaw.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tal/var/implement/Ref.h"
#include "tal/var/test/var_probes.h"

using namespace tal_var_test;
using tal::var::raw_t;
using tal::var::ShallowRaw;

namespace {

std::string head(const void* data, size_t length)
{
    char buf[128];
    snprintf(buf, sizeof buf, "[tal::var::ShallowRaw] data[%p] length[%zu]", data, length);
    return buf;
}

TEST(ShallowRaw, KindAndTexts)
{
    const unsigned char bytes[] = {1, 2, 3, 4, 5};
    const ShallowRaw r(bytes, 5);
    EXPECT_STREQ("N3tal3var10ShallowRawE", typeid(static_cast<const IVar&>(r)).name());
    EXPECT_EQ(8, r.get_mask());
    EXPECT_TRUE(r.is_raw());
    EXPECT_FALSE(r.is_null() || r.is_bool() || r.is_number() || r.is_string() || r.is_ref());
    EXPECT_STREQ("tal::var::ShallowRaw", r.get_type().c_str());
    EXPECT_STREQ(r.dump(0).c_str(), r.to_string().c_str());
}

TEST(ShallowRaw, Dumps)
{
    const unsigned char three[] = {0x41, 0x00, 0xFF};
    unsigned char many[200];
    std::string many_escaped;
    for (int i = 0; i < 200; ++i) {
        many[i] = static_cast<unsigned char>(i * 7);
        char esc[8];
        snprintf(esc, sizeof esc, "\\x%02x", many[i]);
        many_escaped += esc;
    }
    const struct {
        const void* data;
        size_t length, level;
        std::string tail;
    } cases[] = {
        {three, 3, 0, ""},
        {three, 3, 1, " value[\\x41\\x00\\xff]"},
        {three, 3, 7, " value[\\x41\\x00\\xff]"},
        {three, 0, 1, " value[]"},
        {nullptr, 12, 1, ""},  // reads nothing without data
        {many, 200, 1, " value[" + many_escaped + "]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(head(c.data, c.length) + c.tail, ShallowRaw(c.data, c.length).dump(c.level).c_str());
}

TEST(ShallowRaw, RawRecordAndAssignments)
{
    char a[] = "aa", b[] = "bbbb";
    ShallowRaw x(a, 2), y(b, 4);
    IVar& ix = x;
    EXPECT_EQ(a, x.to_raw().data);
    ix = raw_t(nullptr, 77);  // stored unchecked
    EXPECT_EQ(nullptr, x.to_raw().data);
    EXPECT_EQ(77u, x.to_raw().length);
    x.clear();
    EXPECT_EQ(0u, x.to_raw().length);
    x = raw_t(a, 2);
    ix = ix;
    EXPECT_EQ(a, x.to_raw().data);
    tal::var::Ref r(y);
    ix = static_cast<IVar&>(r);
    EXPECT_EQ(b, x.to_raw().data);
    EXPECT_EQ(4u, x.to_raw().length);

    tal::var::Ref fresh;
    EXPECT_EQ("type[N3tal3var4NullE] this[[tal::var::Null]null]",
              catch_refusal([&fresh](IVar& v) { v = static_cast<IVar&>(fresh); }, x).message);
    EXPECT_EQ(b, x.to_raw().data);
}

TEST(ShallowRaw, RefusesEverythingElseNamingItself)
{
    char a[] = "a";
    ShallowRaw r(a, 1);
    const std::string frame = "type[N3tal3var10ShallowRawE] this[" + head(a, 1);
    EXPECT_EQ(frame + "]", catch_refusal([](IVar& v) { v.to_bool(); }, r).message);
    EXPECT_EQ(frame + "]", catch_refusal([](IVar& v) { v.size(); }, r).message);
    EXPECT_EQ(frame + "] assign from[1.5]", catch_refusal([](IVar& v) { v = 1.5; }, r).message);
    EXPECT_THROW(r = "text", tal::InvalidOperationException);  // through the kind too
    EXPECT_EQ(a, r.to_raw().data);
}

TEST(ShallowRaw, ClonesBorrowTheSameBytes)
{
    tal::ResourcePool rp;
    char bytes[] = "abc";
    const ShallowRaw r(bytes, 3);
    for (ShallowRaw* copy : {&r.clone(rp), &r.clone(rp, false), &r.clone(rp, true)}) {
        EXPECT_NE(&r, copy);
        EXPECT_EQ(bytes, copy->to_raw().data);
        EXPECT_EQ(3u, copy->to_raw().length);
    }
}

}  // namespace
