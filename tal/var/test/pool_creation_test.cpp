#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

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
    {
        tal::ResourcePool a(a_source), b(b_source);
        Bool& t = a.create<Bool, bool>(true);
        EXPECT_TRUE(t.to_bool());
        EXPECT_EQ(sizeof(Bool), a_source.size_of(&t));
        Bool& copy = b.clone(t);
        Bool& created = b.create<Bool>(t);
        EXPECT_NE(&t, &copy);
        EXPECT_TRUE(copy.to_bool() && created.to_bool());
        EXPECT_EQ(sizeof(Bool), b_source.size_of(&copy));
        b.reset();
        EXPECT_EQ(0u, b_source.live_blocks());
        EXPECT_TRUE(t.to_bool());
    }
    EXPECT_EQ(0u, a_source.live_blocks());
    EXPECT_EQ(0u, a_source.bad_frees + b_source.bad_frees);
}

TEST(PoolCreation, RawViewBorrowsWithAZeroExtendedLength)
{
    CountingPool source;
    {
        tal::ResourcePool rp(source);
        const void* none = nullptr;
        const unsigned int zero = 0, widest = 4294967295u;
        ShallowRaw& empty = rp.create<ShallowRaw, const void*, unsigned int>(none, zero);
        EXPECT_EQ(nullptr, empty.to_raw().data);
        EXPECT_EQ(0u, empty.to_raw().length);
        ShallowRaw& wide = rp.create<ShallowRaw, const void*, unsigned int>(none, widest);
        EXPECT_EQ(4294967295ul, wide.to_raw().length);

        char bytes[] = "hi";
        const void* data = bytes;
        const unsigned int two = 2;
        ShallowRaw& view = rp.create<ShallowRaw, const void*, unsigned int>(data, two);
        ShallowRaw& copy = rp.clone(view);
        bytes[0] = 'H';
        for (ShallowRaw* r : {&view, &copy}) {
            EXPECT_EQ(bytes, r->to_raw().data);
            EXPECT_EQ('H', *static_cast<const char*>(r->to_raw().data));
        }
        EXPECT_EQ(sizeof(ShallowRaw), source.size_of(&copy));
    }
    EXPECT_EQ(0u, source.live_blocks());
    EXPECT_EQ(0u, source.bad_frees);
}

TEST(PoolCreation, RefusedMemoryLeavesThePoolUnchanged)
{
    CountingPool source;
    tal::ResourcePool rp(source);
    rp.create<Bool, bool>(false);  // the record block exists from here on
    const size_t live = source.live_blocks();
    source.refuse_all();
    char expected[128];
    const struct {
        size_t size;
        std::function<void()> create;
    } cases[] = {
        {sizeof(Bool), [&rp] { rp.create<Bool, bool>(true); }},
        {sizeof(ShallowRaw),
         [&rp] { rp.create<ShallowRaw, const void*, unsigned int>(nullptr, 1u); }},
    };
    for (const auto& c : cases) {
        snprintf(expected, sizeof expected, "_mempool[%p] size[%zu]",
                 static_cast<void*>(&source), c.size);
        try {
            c.create();
            ADD_FAILURE() << "no exception";
        } catch (const tal::BadAllocException& e) {
            EXPECT_STREQ(expected, e.what());
        }
        EXPECT_EQ(live, source.live_blocks());
    }
    source.grant_all();
    rp.reset();
    EXPECT_EQ(0u, source.live_blocks());
}

}  // namespace
