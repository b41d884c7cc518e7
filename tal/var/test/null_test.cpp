#include "tal/var/implement/Null.h"

#include <gtest/gtest.h>

#include <string>

#include "tal/test/counting_pool.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/test/var_probes.h"

using tal::var::IVar;
using tal::var::Null;
using tal::var::Ref;
using tal_var_test::ProbeVar;

namespace {

// Read during dynamic initialisation of this file: the shared null is ready
// before any initialiser runs.
const bool g_null_ready_early = Null::null.is_null() && Null::null.get_mask() == 0;

TEST(Null, SharedInstanceIsReadyAtLoad) { EXPECT_TRUE(g_null_ready_early); }

TEST(Null, KindAndTexts)
{
    const IVar& n = Null::null;
    EXPECT_STREQ("N3tal3var4NullE", typeid(n).name());
    EXPECT_TRUE(n.is_null());
    EXPECT_EQ(0, n.get_mask());
    EXPECT_FALSE(n.is_ref() || n.is_bool() || n.is_number() || n.is_string() || n.is_raw() ||
                 n.is_array() || n.is_dict() || n.is_callable());
    EXPECT_STREQ("[tal::var::Null]null", n.dump(0).c_str());
    EXPECT_STREQ("[tal::var::Null]null", n.dump(5).c_str());
    EXPECT_STREQ("null", n.to_string().c_str());
    EXPECT_STREQ("tal::var::Null", n.get_type().c_str());
}

TEST(Null, AcceptsOnlyNulls)
{
    Null other;
    Ref to_null;
    IVar& target = Null::null;
    EXPECT_EQ(&Null::null, &(target = Null::null));
    EXPECT_EQ(&Null::null, &(target = other));
    EXPECT_EQ(&Null::null, &(target = to_null));
}

TEST(Null, RefusesOtherValuesWithTheAssignmentFrame)
{
    ProbeVar source(0x20, "dict");
    IVar& target = Null::null;
    try {
        target = static_cast<IVar&>(source);
        FAIL() << "no exception";
    } catch (const tal::InvalidOperationException& e) {
        const std::string fn = "virtual tal::var::Null& tal::var::Null::operator=(tal::var::IVar&)";
        EXPECT_EQ(fn, e.function());
        EXPECT_EQ("{" + fn + "(<dict:0>)}", std::string(e.what()));
    }
    EXPECT_TRUE(Null::null.is_null());
}

TEST(Null, InheritedDefaultsRefuseWithItsDump)
{
    try {
        Null::null.to_int32();
        FAIL() << "no exception";
    } catch (const tal::InvalidOperationException& e) {
        EXPECT_STREQ("type[N3tal3var4NullE] this[[tal::var::Null]null]", e.what());
    }
}

TEST(Null, CloneIsANewPoolOwnedNull)
{
    tal_test::CountingPool source;
    {
        tal::ResourcePool rp(source);
        for (bool deep : {false, true}) {
            Null& copy = Null::null.clone(rp, deep);
            EXPECT_NE(&Null::null, &copy);
            EXPECT_TRUE(copy.is_null());
        }
        Null& plain = Null::null.clone(rp);
        EXPECT_NE(&Null::null, &plain);
        EXPECT_EQ(sizeof(Null), source.size_of(&plain));
        rp.reset();
        EXPECT_EQ(0u, source.live_blocks());
    }
    EXPECT_EQ(0u, source.bad_frees);
}

}  // namespace
