#include <gtest/gtest.h>

#include "tal/ResourcePool.h"
#include "tal/test/counting_pool.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/implement/ShallowRaw.h"

using tal::var::Bool;
using tal::var::ShallowRaw;
using tal_test::CountingPool;

namespace {

TEST(PoolCreation, BoolAndItsCopyInAnotherPool)
{
    CountingPool a_source, b_source;
    tal::ResourcePool a(a_source), b(b_source);
    Bool& t = a.create<Bool, bool>(true);
    Bool& copy = b.clone(t);
    EXPECT_NE(&t, &copy);
    EXPECT_TRUE(t.to_bool() && copy.to_bool() && b.create<Bool>(t).to_bool());
    EXPECT_EQ(sizeof(Bool), a_source.size_of(&t));
    EXPECT_EQ(sizeof(Bool), b_source.size_of(&copy));
    b.reset();
    EXPECT_EQ(0u, b_source.live_blocks());
    EXPECT_TRUE(t.to_bool());
}

TEST(PoolCreation, RawViewBorrowsWithAZeroExtendedLength)
{
    CountingPool source;
    tal::ResourcePool rp(source);
    const void* none = nullptr;
    ShallowRaw& empty = rp.create<ShallowRaw, const void*, unsigned int>(none, 0u);
    EXPECT_EQ(nullptr, empty.to_raw().data);
    EXPECT_EQ(0u, empty.to_raw().length);
    EXPECT_EQ(4294967295ul,
              (rp.create<ShallowRaw, const void*, unsigned int>(none, 4294967295u).to_raw().length));

    char bytes[] = "hi";
    const void* data = bytes;
    ShallowRaw& view = rp.create<ShallowRaw, const void*, unsigned int>(data, 2u);
    ShallowRaw& copy = rp.clone(view);
    bytes[0] = 'H';
    EXPECT_STREQ(view.dump(1).c_str() + view.dump(0).size(), " value[\\x48\\x69]");
    EXPECT_STREQ(copy.dump(1).c_str() + copy.dump(0).size(), " value[\\x48\\x69]");
    EXPECT_EQ(sizeof(ShallowRaw), source.size_of(&copy));
    rp.reset();
    EXPECT_EQ(0u, source.live_blocks());
}

}  // namespace
