#include "tal/var/implement/Null.h"

#include <gtest/gtest.h>

#include <string>

#include "tal/test/counting_pool.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/test/var_probes.h"

using namespace tal_var_test;
using tal::var::Null;

namespace {

// Read during dynamic initialisation: the shared null is ready before any
// initialiser runs.
const bool g_null_ready_early = Null::null.is_null() && Null::null.get_mask() == 0;

TEST(Null, SharedInstanceKindAndTexts)
{
    EXPECT_TRUE(g_null_ready_early);
    const IVar& n = Null::null;
    EXPECT_STREQ("N3tal3var4NullE", typeid(n).name());
    EXPECT_TRUE(n.is_null());
    EXPECT_FALSE(n.is_ref() || n.is_bool() || n.is_number() || n.is_string() || n.is_raw() || n.is_array() ||
                 n.is_dict());
    EXPECT_STREQ("[tal::var::Null]null", n.dump(0).c_str());
    EXPECT_STREQ("[tal::var::Null]null", n.dump(5).c_str());
    EXPECT_STREQ("null", n.to_string().c_str());
    EXPECT_STREQ("tal::var::Null", n.get_type().c_str());
}

TEST(Null, TakesNullsAndRefusesOtherValuesWithTheAssignmentFrame)
{
    Null other;
    tal::var::Ref to_null;
    IVar& target = Null::null;
    EXPECT_EQ(&Null::null, &(target = Null::null));
    EXPECT_EQ(&Null::null, &(target = other));
    EXPECT_EQ(&Null::null, &(target = to_null));

    ProbeVar source(0x20, "dict");
    const Caught c = catch_refusal([&source](IVar& t) { t = static_cast<IVar&>(source); }, target);
    const std::string fn = "virtual tal::var::Null& tal::var::Null::operator=(tal::var::IVar&)";
    EXPECT_EQ("tal::InvalidOperationException", c.cls);
    EXPECT_EQ(fn, c.function);
    EXPECT_EQ("{" + fn + "(<dict:0>)}", c.message);
    EXPECT_EQ("type[N3tal3var4NullE] this[[tal::var::Null]null]",
              catch_refusal([](IVar& t) { t.to_int32(); }, target).message);
}

// The null value keeps every refusing default of the interface.
TEST(Null, RefusesEveryDefaultWithItsOwnFrame)
{
    for (const Refusal& row : all_refusals()) {
        const Caught c = catch_refusal(row.call, Null::null);
        EXPECT_EQ(row.function, c.function);
        EXPECT_EQ("type[N3tal3var4NullE] this[[tal::var::Null]null" + row.tail, c.message);
    }
}

TEST(Null, CloneIsANewPoolOwnedNull)
{
    tal_test::CountingPool source;
    tal::ResourcePool rp(source);
    for (Null* copy : {&Null::null.clone(rp), &Null::null.clone(rp, false), &Null::null.clone(rp, true)}) {
        EXPECT_NE(&Null::null, copy);
        EXPECT_TRUE(copy->is_null());
        EXPECT_EQ(sizeof(Null), source.size_of(copy));
    }
    rp.reset();
    EXPECT_EQ(0u, source.live_blocks());
    EXPECT_EQ(0u, source.bad_frees);
}

}  // namespace
