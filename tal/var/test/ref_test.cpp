#include "tal/var/implement/Ref.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "tal/var/test/var_probes.h"

using namespace tal_var_test;
using tal::var::Null;
using tal::var::Ref;

namespace {

std::string address_prefix(const void* p)
{
    char buf[64];
    snprintf(buf, sizeof buf, "@%p: ", p);
    return buf;
}

TEST(Ref, FreshRefStandsForTheSharedNull)
{
    Ref r;
    EXPECT_TRUE(r.is_null() && r.is_ref());
    EXPECT_EQ(0x100, r.get_mask());
    EXPECT_EQ(&Null::null, &r.ref());
    EXPECT_STREQ("tal::var::Ref(tal::var::Null)", r.get_type().c_str());
    EXPECT_STREQ("null", r.to_string().c_str());
    EXPECT_EQ(address_prefix(&Null::null) + "[tal::var::Null]null", r.dump(0).c_str());
}

TEST(Ref, BoundRefShowsItselfAndPassesTheDumpLevel)
{
    ProbeVar v(0x4802, "n");
    Ref r;
    r = static_cast<IVar&>(v);
    EXPECT_EQ(address_prefix(&v) + "<n:1>", r.dump(1).c_str());
    EXPECT_EQ(0x4902, r.get_mask());
    EXPECT_STREQ("tal::var::Ref(probe)", r.get_type().c_str());
    EXPECT_STREQ("n", r.to_string().c_str());
    EXPECT_EQ(&v, &r.ref());
}

TEST(Ref, RebindingTakesTheReferentOfAReference)
{
    ProbeVar x, y;
    Ref a, b;
    a = static_cast<IVar&>(x);
    b = static_cast<IVar&>(a);
    a = static_cast<IVar&>(y);
    EXPECT_EQ(&x, &b.ref());
    b = static_cast<IVar&>(b);  // itself
    EXPECT_EQ(&x, &b.ref());
    Ref c(a), d(static_cast<IVar&>(a));
    EXPECT_EQ(&y, &c.ref());
    EXPECT_EQ(&y, &d.ref());
}

// Every refusal through a reference is its referent's: same class, throw
// site and message, except that the const lookups without a default go to
// the referent's mutable forms.
TEST(Ref, RefusalsAreTheReferents)
{
    const std::string ivar = "tal::var::IVar";
    const std::map<std::string, std::string> mutable_form = {
        {"virtual const " + ivar + "& " + ivar + "::get(size_t) const",
         "virtual " + ivar + "& " + ivar + "::get(size_t)"},
        {"virtual const " + ivar + "& " + ivar + "::operator[](int) const",
         "virtual " + ivar + "& " + ivar + "::operator[](int)"},
        {"virtual const " + ivar + "& " + ivar + "::get(const tal::string&) const",
         "virtual " + ivar + "& " + ivar + "::get(const tal::string&)"},
        {"virtual const " + ivar + "& " + ivar + "::operator[](const tal::string&) const",
         "virtual " + ivar + "& " + ivar + "::operator[](const tal::string&)"},
    };
    ProbeVar v;
    Ref r(v);
    size_t redirected = 0;
    for (const Refusal& row : all_refusals()) {
        SCOPED_TRACE(row.function);
        const Caught direct = catch_refusal(row.call, v), through = catch_refusal(row.call, r);
        const auto m = mutable_form.find(row.function);
        redirected += m != mutable_form.end();
        EXPECT_EQ(m != mutable_form.end() ? m->second : row.function, through.function);
        EXPECT_EQ(direct.cls, through.cls);
        EXPECT_EQ(direct.message, through.message);
    }
    EXPECT_EQ(mutable_form.size(), redirected);
}

TEST(Ref, ScalarAssignmentToAFreshRefFailsAsTheNullDoes)
{
    Ref r;
    const Caught c = catch_refusal([](IVar& v) { v = 5; }, r);
    EXPECT_EQ("type[N3tal3var4NullE] this[[tal::var::Null]null] assign from[5]", c.message);
    EXPECT_EQ(&Null::null, &r.ref());
    // The reference interface offers the same assignments.
    tal::var::IRef& as_iref = r;
    EXPECT_EQ(c.message, catch_refusal([&as_iref](IVar&) { as_iref = 5; }, r).message);
}

TEST(Ref, CloneIsTheReferentsClone)
{
    tal::ResourcePool rp;
    Ref r;
    for (IVar* copy : {&r.clone(rp), &r.clone(rp, true)}) {
        EXPECT_FALSE(copy->is_ref());
        EXPECT_TRUE(copy->is_null());
        EXPECT_NE(&Null::null, copy);
    }
}

}  // namespace
