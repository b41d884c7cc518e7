#include "tal/var/implement/Ref.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tal/var/test/var_probes.h"

using tal::var::IVar;
using tal::var::Null;
using tal::var::Ref;
using tal_var_test::Caught;
using tal_var_test::ProbeVar;
using tal_var_test::catch_refusal;

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
    EXPECT_TRUE(r.is_null());
    EXPECT_TRUE(r.is_ref());
    EXPECT_EQ(0x100, r.get_mask());
    EXPECT_EQ(&Null::null, &r.ref());
    EXPECT_STREQ("tal::var::Ref(tal::var::Null)", r.get_type().c_str());
    EXPECT_STREQ("null", r.to_string().c_str());
    EXPECT_EQ(address_prefix(&Null::null) + "[tal::var::Null]null", r.dump(0).c_str());
}

TEST(Ref, DumpPassesTheVerboseLevel)
{
    ProbeVar v(0x4802, "v");
    Ref r;
    r = static_cast<IVar&>(v);
    EXPECT_EQ(address_prefix(&v) + "<v:1>", r.dump(1).c_str());
    EXPECT_EQ(0x4902, r.get_mask());
    EXPECT_TRUE(r.is_int32());
    EXPECT_EQ(&v, &r.ref());
}

TEST(Ref, RebindingTakesTheReferentOfAReference)
{
    ProbeVar x, y;
    Ref a, b;
    a = static_cast<IVar&>(x);
    b = static_cast<IVar&>(a);
    EXPECT_EQ(&x, &b.ref());
    a = static_cast<IVar&>(y);
    EXPECT_EQ(&x, &b.ref());
    b = static_cast<IVar&>(b);  // itself
    EXPECT_EQ(&x, &b.ref());
    Ref c(a);
    Ref d(static_cast<IVar&>(a));
    EXPECT_EQ(&y, &c.ref());
    EXPECT_EQ(&y, &d.ref());
    c = b;  // copy assignment
    EXPECT_EQ(&x, &c.ref());
}

TEST(Ref, KindTestsAreTheReferentsButIsRef)
{
    for (unsigned short mask : {0x0000, 0x0001, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040, 0x1802,
                                0x1002, 0x2802, 0x2002, 0x4802, 0x4002, 0x8802, 0x8002, 0x4402,
                                0x8402}) {
        ProbeVar v(mask);
        Ref r;
        r = static_cast<IVar&>(v);
        const IVar& a = v;
        const IVar& b = r;
        SCOPED_TRACE(mask);
        EXPECT_TRUE(b.is_ref());
        EXPECT_EQ(mask | 0x100, b.get_mask());
        const std::function<bool(const IVar&)> tests[] = {
            &IVar::is_null,   &IVar::is_bool,   &IVar::is_number, &IVar::is_int8,
            &IVar::is_uint8,  &IVar::is_int16,  &IVar::is_uint16, &IVar::is_int32,
            &IVar::is_uint32, &IVar::is_int64,  &IVar::is_uint64, &IVar::is_float,
            &IVar::is_double, &IVar::is_string, &IVar::is_array,  &IVar::is_dict,
            &IVar::is_callable, &IVar::is_raw};
        for (const auto& t : tests)
            EXPECT_EQ(t(a), t(b));
    }
}

// Every refusing operation, called through a reference, fails as its
// referent does: same class, throw site and message.
TEST(Ref, RefusalsAreTheReferents)
{
    static tal::ResourcePool rp;
    static ProbeVar arg(0x20, "arg");
    static const tal::string name("k");
    typedef std::function<void(IVar&)> Call;
    auto c = [](IVar& v) -> const IVar& { return v; };
    const std::vector<Call> same = {
        [](IVar& v) { v.to_bool(); }, [](IVar& v) { v.to_int8(); },
        [](IVar& v) { v.to_uint8(); }, [](IVar& v) { v.to_int16(); },
        [](IVar& v) { v.to_uint16(); }, [](IVar& v) { v.to_int32(); },
        [](IVar& v) { v.to_uint32(); }, [](IVar& v) { v.to_int64(); },
        [](IVar& v) { v.to_uint64(); }, [](IVar& v) { v.to_float(); },
        [](IVar& v) { v.to_double(); }, [](IVar& v) { v.to_raw(); },
        [](IVar& v) { v = true; }, [](IVar& v) { v = static_cast<signed char>(1); },
        [](IVar& v) { v = static_cast<unsigned char>(1); }, [](IVar& v) { v = short(1); },
        [](IVar& v) { v = static_cast<unsigned short>(1); }, [](IVar& v) { v = 1; },
        [](IVar& v) { v = 1u; }, [](IVar& v) { v = 1LL; }, [](IVar& v) { v = 1ULL; },
        [](IVar& v) { v = 1.5f; }, [](IVar& v) { v = 2.5; }, [](IVar& v) { v = "t"; },
        [](IVar& v) { v = name; }, [](IVar& v) { v = tal::var::raw_t(0, 9); },
        [](IVar& v) { v.c_str(); }, [](IVar& v) { v.c_str_len(); }, [](IVar& v) { v.size(); },
        [](IVar& v) { v.get(1); }, [](IVar& v) { v.get(1, arg); },
        [c](IVar& v) { c(v).get(1, arg); }, [](IVar& v) { v.set(1, arg); },
        [](IVar& v) { v.del(1); }, [](IVar& v) { v[1]; },
        [c](IVar& v) { c(v).array_begin(); }, [](IVar& v) { v.array_begin(); },
        [c](IVar& v) { c(v).array_end(); }, [](IVar& v) { v.array_end(); },
        [](IVar& v) { v.get(name); }, [](IVar& v) { v.get(name, arg); },
        [c](IVar& v) { c(v).get(name, arg); }, [](IVar& v) { v.set(name, arg); },
        [](IVar& v) { v.del(name); }, [](IVar& v) { v[name]; },
        [c](IVar& v) { c(v).dict_begin(); }, [](IVar& v) { v.dict_begin(); },
        [c](IVar& v) { c(v).dict_end(); }, [](IVar& v) { v.dict_end(); },
        [](IVar& v) { v(arg, rp); }, [](IVar& v) { v(arg, arg, rp); },
        [](IVar& v) { v.clone(rp, true); },
    };
    // The const lookups without a default go to the referent's mutable form.
    const std::vector<std::pair<Call, Call> > to_mutable = {
        {[c](IVar& v) { c(v).get(1); }, [](IVar& v) { v.get(1); }},
        {[c](IVar& v) { c(v)[1]; }, [](IVar& v) { v[1]; }},
        {[c](IVar& v) { c(v).get(name); }, [](IVar& v) { v.get(name); }},
        {[c](IVar& v) { c(v)[name]; }, [](IVar& v) { v[name]; }},
    };
    ProbeVar v(0, "v");
    Ref r;
    r = static_cast<IVar&>(v);
    auto expect_same = [&](const Call& through_ref, const Call& direct, size_t i) {
        const Caught a = catch_refusal(direct, v);
        const Caught b = catch_refusal(through_ref, r);
        SCOPED_TRACE(i);
        EXPECT_NE("nothing thrown", a.cls);
        EXPECT_EQ(a.cls, b.cls);
        EXPECT_EQ(a.function, b.function);
        EXPECT_EQ(a.message, b.message);
    };
    for (size_t i = 0; i < same.size(); ++i)
        expect_same(same[i], same[i], i);
    for (size_t i = 0; i < to_mutable.size(); ++i)
        expect_same(to_mutable[i].first, to_mutable[i].second, 100 + i);
}

TEST(Ref, ScalarAssignmentToAFreshRefFailsAsTheNullDoes)
{
    Ref r;
    try {
        r = 5;
        FAIL() << "no exception";
    } catch (const tal::InvalidOperationException& e) {
        EXPECT_STREQ("type[N3tal3var4NullE] this[[tal::var::Null]null] assign from[5]", e.what());
    }
    EXPECT_EQ(&Null::null, &r.ref());
}

TEST(Ref, CloneIsTheReferentsClone)
{
    tal::ResourcePool rp;
    Ref r;
    IVar& copy = r.clone(rp);
    EXPECT_FALSE(copy.is_ref());
    EXPECT_TRUE(copy.is_null());
    EXPECT_NE(&Null::null, &copy);
    EXPECT_FALSE(r.clone(rp, true).is_ref());
}

}  // namespace
