#include <gtest/gtest.h>

#include <cstdlib>
#include <type_traits>

#include "tal/pool/tal_pool.h"
#include "tal/test/counting_pool.h"

namespace {

TEST(Syspool, IsAMemorySourceWithVirtualDestructor)
{
    EXPECT_TRUE(std::is_abstract<tal::mempool>::value);
    EXPECT_TRUE(std::has_virtual_destructor<tal::mempool>::value);
    EXPECT_TRUE((std::is_base_of<tal::mempool, tal::syspool>::value));
}

TEST(Syspool, HandsOutWritableBlocksAndTakesThemBackWhateverTheSize)
{
    tal::syspool pool;
    tal::mempool& source = pool;
    char* p = static_cast<char*>(source.malloc(32));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 32; ++i) p[i] = static_cast<char>(i);
    EXPECT_EQ(p[31], 31);
    // The size is ignored: the leak checker of the sanitizer run sees the release.
    source.free(p, 1);
    void* q = source.malloc(8);
    ASSERT_NE(q, nullptr);
    source.free(q, 12345);
}

TEST(Syspool, ZeroByteRequestIsPassedOn)
{
    tal::syspool pool;
    void* mine = pool.malloc(0);
    void* heap = ::malloc(0);
    EXPECT_EQ(mine == NULL, heap == NULL);
    pool.free(mine, 0);
    ::free(heap);
    pool.free(NULL, 4096);  // a null block is ignored whatever the size
}

bool g_probe_destroyed = false;

class ProbePool : public tal::syspool {
public:
    ~ProbePool() override { g_probe_destroyed = true; }
};

TEST(Syspool, DestroyedThroughTheInterface)
{
    g_probe_destroyed = false;
    tal::mempool* pool = new ProbePool;
    delete pool;
    EXPECT_TRUE(g_probe_destroyed);
}

TEST(CountingPool, CountsRefusesAndChecksReturnedSizes)
{
    tal_test::CountingPool pool;
    void* a = pool.malloc(10);
    void* b = pool.malloc(0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(pool.live_blocks(), 2u);
    EXPECT_EQ(pool.live_bytes(), 10u);
    EXPECT_EQ(pool.size_of(a), 10u);

    pool.free(a, 9);  // wrong size: counted, block kept
    EXPECT_EQ(pool.bad_frees, 1u);
    EXPECT_EQ(pool.live_blocks(), 2u);
    pool.free(a, 10);
    pool.free(b, 0);
    EXPECT_EQ(pool.live_blocks(), 0u);
    EXPECT_EQ(pool.bad_frees, 1u);

    pool.refuse_after(1);
    void* c = pool.malloc(4);
    EXPECT_NE(c, nullptr);
    EXPECT_EQ(pool.malloc(4), nullptr);
    EXPECT_EQ(pool.refusals, 1u);
    pool.grant_all();
    void* d = pool.malloc(4);
    EXPECT_NE(d, nullptr);
    pool.free(c, 4);
    pool.free(d, 4);
    EXPECT_EQ(pool.mallocs, 5u);
    EXPECT_EQ(pool.frees, 5u);
}

}  // namespace
