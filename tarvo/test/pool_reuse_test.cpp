// Pool-backed packs take given-back handle blocks again, never one that a
// live handle may still read.
#include "golden_hex.h"
#include "tal/ResourcePool.h"
#include "tarvo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using tarvo_test::to_hex;

namespace {

// The heap, counting the blocks it gives out.
class CountingPool : public tal::mempool {
public:
    void* malloc(size_t size) override
    {
        ++blocks;
        return std::malloc(size);
    }
    void free(void* p, size_t) override { std::free(p); }
    int blocks = 0;
};

// One row per object member "r": an int, and for the odd rows a nested array
// of one string.
void put_row(tarvo_t* parent, int i)
{
    tarvo_t* row = tarvo_put_object(parent, nullptr);
    ASSERT_EQ(TARVO_PTR_ERR(row), 0) << i;
    ASSERT_EQ(tarvo_put_int32(row, "i", i), 0);
    if (i % 2) {
        tarvo_t* a = tarvo_put_array(row, "a");
        ASSERT_EQ(TARVO_PTR_ERR(a), 0) << i;
        ASSERT_EQ(tarvo_put_str(a, nullptr, "s"), 0);
        tarvo_finish(a);
    }
    tarvo_finish(row);
}

}  // namespace

TEST(PoolReuse, RowAfterRowTakesNoNewBlocks)
{
    CountingPool source;
    tal::ResourcePool pool(source);
    std::vector<char> buf(64 * 1024), tmp(4096), want(buf.size());
    tarvo_t* p = tarvo_open_w_rp(2, buf.data(), static_cast<int>(buf.size()), &pool);
    tarvo_t* t = tarvo_open_w(2, want.data(), static_cast<int>(want.size()), tmp.data(), int(tmp.size()));
    tarvo_t* rows = tarvo_put_array(p, "rows");
    tarvo_t* trows = tarvo_put_array(t, "rows");
    put_row(rows, 0);
    put_row(rows, 1);
    const int after_two = source.blocks;
    for (int i = 2; i < 1000; ++i) put_row(rows, i);
    EXPECT_EQ(source.blocks, after_two);
    for (int i = 0; i < 1000; ++i) put_row(trows, i);
    tarvo_finish(rows);
    tarvo_finish(trows);
    ASSERT_EQ(tarvo_get_size(p), tarvo_get_size(t));
    EXPECT_EQ(to_hex(buf.data(), size_t(tarvo_get_size(p))), to_hex(want.data(), size_t(tarvo_get_size(t))));
}

TEST(PoolReuse, ParentFinishedFirstStaysIntactForItsChild)
{
    // The parent's block goes back before its child's; the grandchildren and
    // the child's name index taken afterwards must not land on it, or the
    // child's length updates would pass through their fields.
    std::vector<std::string> packs;
    for (bool pooled : {true, false}) {
        tal::ResourcePool pool;
        std::vector<char> buf(4096), tmp(8192);
        tarvo_t* p = pooled ? tarvo_open_w_rp(2, buf.data(), int(buf.size()), &pool)
                            : tarvo_open_w(2, buf.data(), int(buf.size()), tmp.data(), int(tmp.size()));
        tarvo_t* o = tarvo_put_object(p, "o");
        tarvo_t* c = tarvo_put_object(o, "c");
        ASSERT_EQ(TARVO_PTR_ERR(c), 0);
        tarvo_finish(o);
        for (int k = 0; k < 40; ++k) {
            tarvo_t* g = tarvo_put_object(c, ("g" + std::to_string(k)).c_str());
            ASSERT_EQ(TARVO_PTR_ERR(g), 0) << k;
            EXPECT_EQ(tarvo_put_int32(g, "x", k), 0);
            EXPECT_EQ(tarvo_put_str(c, "s", "open child"), TARVO_ERR_MODE);
            tarvo_finish(g);
        }
        EXPECT_EQ(tarvo_put_str(c, "s", "after"), 0);
        tarvo_finish(c);
        EXPECT_EQ(tarvo_close(p), 0);
        EXPECT_EQ(tarvo_valid(p), 1);
        packs.push_back(to_hex(buf.data(), size_t(tarvo_get_size(p))));
    }
    EXPECT_EQ(packs[0], packs[1]);
}
