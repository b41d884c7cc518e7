#include "tal/var/implement/ShallowRaw.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tal/var/implement/Null.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/test/var_probes.h"

using tal::var::IVar;
using tal::var::raw_t;
using tal::var::ShallowRaw;
using tal_var_test::catch_refusal;
using tal_var_test::Caught;

namespace {

std::string head(const void* data, long length)
{
    char buf[128];
    snprintf(buf, sizeof buf, "[tal::var::ShallowRaw] data[%p] length[%ld]", data, length);
    return buf;
}

TEST(ShallowRaw, KindAndTexts)
{
    const unsigned char bytes[] = {1, 2, 3, 4, 5};
    ShallowRaw r(bytes, 5);
    EXPECT_STREQ("N3tal3var10ShallowRawE", typeid(static_cast<IVar&>(r)).name());
    EXPECT_EQ(8, r.get_mask());
    EXPECT_TRUE(r.is_raw());
    EXPECT_FALSE(r.is_null() || r.is_bool() || r.is_number() || r.is_string() || r.is_ref());
    EXPECT_STREQ("tal::var::ShallowRaw", r.get_type().c_str());
    EXPECT_EQ(head(bytes, 5), r.dump(0).c_str());
    EXPECT_STREQ(r.dump(0).c_str(), r.to_string().c_str());
}

TEST(ShallowRaw, Dumps)
{
    const unsigned char three[] = {0x41, 0x00, 0xFF};
    const unsigned char five[] = {0x80, 0x7f, 0x0a, 0xa0, 0x01};
    const struct {
        const void* data;
        size_t length;
        size_t level;
        std::string tail;
    } cases[] = {
        {three, 3, 0, ""},
        {three, 3, 1, " value[\\x41\\x00\\xff]"},
        {five, 5, 7, " value[\\x80\\x7f\\x0a\\xa0\\x01]"},
        {five, 0, 1, " value[]"},
        {nullptr, 12, 1, ""},  // reads nothing without data
    };
    for (const auto& c : cases) {
        const ShallowRaw r(c.data, c.length);
        EXPECT_EQ(head(c.data, static_cast<long>(c.length)) + c.tail, r.dump(c.level).c_str());
    }
}

TEST(ShallowRaw, LongDumpShowsEveryByte)
{
    unsigned char bytes[200];
    std::string expected = " value[";
    for (int i = 0; i < 200; ++i) {
        bytes[i] = static_cast<unsigned char>(i * 7);
        char esc[8];
        snprintf(esc, sizeof esc, "\\x%02x", bytes[i]);
        expected += esc;
    }
    const ShallowRaw r(bytes, sizeof bytes);
    EXPECT_EQ(head(bytes, 200) + expected + "]", r.dump(1).c_str());
}

TEST(ShallowRaw, RawRecordInAndOut)
{
    char bytes[] = "xyz";
    ShallowRaw r(bytes, 3);
    raw_t got = r.to_raw();
    EXPECT_EQ(bytes, got.data);
    EXPECT_EQ(3u, got.length);
    static_cast<IVar&>(r) = raw_t(nullptr, 77);  // stored unchecked
    EXPECT_EQ(nullptr, r.to_raw().data);
    EXPECT_EQ(77u, r.to_raw().length);
    r = raw_t(bytes, 0);
    r.clear();
    EXPECT_EQ(nullptr, r.to_raw().data);
    EXPECT_EQ(0u, r.to_raw().length);
}

TEST(ShallowRaw, AssignmentFromValues)
{
    char a[] = "aa", b[] = "bbbb";
    ShallowRaw x(a, 2), y(b, 4);
    IVar& ix = x;
    ix = static_cast<IVar&>(x);
    EXPECT_EQ(a, x.to_raw().data);
    tal::var::Ref r;
    r = static_cast<IVar&>(y);
    ix = static_cast<IVar&>(r);
    EXPECT_EQ(b, x.to_raw().data);
    EXPECT_EQ(4u, x.to_raw().length);

    ShallowRaw z(a, 2);
    tal::var::Ref fresh;
    const Caught refused =
        catch_refusal([&fresh](IVar& v) { v = static_cast<IVar&>(fresh); }, z);
    EXPECT_EQ("tal::InvalidOperationException", refused.cls);
    EXPECT_EQ("type[N3tal3var4NullE] this[[tal::var::Null]null]", refused.message);
    EXPECT_EQ(a, z.to_raw().data);
    EXPECT_EQ(2u, z.to_raw().length);
}

TEST(ShallowRaw, RefusesEverythingElseNamingItself)
{
    char a[] = "a";
    ShallowRaw r(a, 1);
    const std::string frame = "type[N3tal3var10ShallowRawE] this[" + head(a, 1);
    EXPECT_EQ(frame + "]", catch_refusal([](IVar& v) { v.to_bool(); }, r).message);
    EXPECT_EQ(frame + "]", catch_refusal([](IVar& v) { v.to_int32(); }, r).message);
    EXPECT_EQ(frame + "]", catch_refusal([](IVar& v) { v.size(); }, r).message);
    EXPECT_EQ(frame + "] assign from[1.5]", catch_refusal([](IVar& v) { v = 1.5; }, r).message);
    // through the kind itself too
    EXPECT_THROW(r = 1.5, tal::InvalidOperationException);
    EXPECT_THROW(r = "text", tal::InvalidOperationException);
    EXPECT_EQ(a, r.to_raw().data);
}

TEST(ShallowRaw, ClonesBorrowTheSameBytes)
{
    tal::ResourcePool rp;
    char bytes[] = "abc";
    const ShallowRaw r(bytes, 3);
    for (bool deep : {false, true}) {
        ShallowRaw& copy = r.clone(rp, deep);
        EXPECT_NE(&r, &copy);
        EXPECT_EQ(bytes, copy.to_raw().data);
        EXPECT_EQ(3u, copy.to_raw().length);
    }
    bytes[0] = 'Z';
    EXPECT_NE(std::string::npos, std::string(r.clone(rp).dump(1).c_str()).find("\\x5a\\x62\\x63"));
}

}  // namespace
