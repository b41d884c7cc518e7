// Version-2 packs whose handles and indexes come from a tal::ResourcePool.
#include "v2_support.h"

#include "tal/ResourcePool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using tarvo_test::golden;
using tarvo_test::to_hex;

namespace {

// Gives out at most budget blocks, then refuses.
class BudgetPool : public tal::mempool {
public:
    explicit BudgetPool(int budget) : _budget(budget) {}
    void* malloc(size_t size) override { return _budget-- > 0 ? std::malloc(size) : nullptr; }
    void free(void* p, size_t) override { std::free(p); }

private:
    int _budget;
};

}  // namespace

TEST(V2Pool, BuildsTheSameBytesAsTheTempArea)
{
    tal::ResourcePool pool;
    std::vector<char> buf(256);
    tarvo_t* p = tarvo_open_w_rp(2, buf.data(), 256, &pool);
    ASSERT_EQ(TARVO_PTR_ERR(p), 0);
    EXPECT_EQ(tarvo_get_version(p), 2);
    tarvo_t* o = tarvo_put_object(p, "o");
    ASSERT_EQ(TARVO_PTR_ERR(o), 0);
    ASSERT_EQ(tarvo_put_str(o, "s", "v"), 0);
    tarvo_finish(o);
    EXPECT_EQ(tarvo_put_int32(o, "s", 1), -2);  // finished
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(p, "o")), -7);
    EXPECT_EQ(tarvo_close(p), 0);
    EXPECT_EQ(tarvo_get_buffer(p), buf.data());
    EXPECT_EQ(to_hex(buf.data(), static_cast<size_t>(tarvo_get_size(p))),
              golden("10 00 17000000 01000000 10 02 0b000000 6f00 01000000 d0 02 02 7300 7600"));
}

TEST(V2Pool, DeepNestingIsBoundOnlyByThePool)
{
    tal::ResourcePool pool;
    std::vector<char> buf(64 * 1024);
    tarvo_t* p = tarvo_open_w_rp(2, buf.data(), static_cast<int>(buf.size()), &pool);
    std::vector<tarvo_t*> chain{p};
    for (int i = 0; i < 500; ++i) {
        tarvo_t* c = tarvo_put_array(chain.back(), i == 0 ? "a" : nullptr);
        ASSERT_EQ(TARVO_PTR_ERR(c), 0) << i;
        chain.push_back(c);
    }
    while (chain.size() > 1) {
        tarvo_finish(chain.back());
        chain.pop_back();
    }
    EXPECT_EQ(tarvo_get_size(p), 10 + 6 + 2 + 4 + 499 * 10);
    EXPECT_EQ(tarvo_valid(p), 1);
}

TEST(V2Pool, OpenErrors)
{
    tal::ResourcePool pool;
    char buf[16];
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w_rp(2, nullptr, 16, &pool)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w_rp(2, buf, 16, nullptr)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w_rp(3, buf, 16, &pool)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w_rp(2, buf, -1, &pool)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w_rp(2, buf, 9, &pool)), -5);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w_rp(1, buf, 16, &pool)), -2);  // below the version-1 minimum
}

TEST(V2Pool, PoolFailuresBecomeCodes)
{
    // Budgets from nothing upwards: first the open is refused, then only the
    // child, then both work; every refusal is -11 and leaves the pack as it was.
    char buf[64];
    bool open_refused = false, child_refused = false, both = false;
    for (int budget = 0; budget < 16; ++budget) {
        BudgetPool source(budget);
        tal::ResourcePool pool(source);
        tarvo_t* p = tarvo_open_w_rp(2, buf, sizeof buf, &pool);
        if (TARVO_PTR_ERR(p) != 0) {
            EXPECT_EQ(TARVO_PTR_ERR(p), -11) << budget;
            EXPECT_FALSE(child_refused || both);
            open_refused = true;
            continue;
        }
        tarvo_t* o = tarvo_put_object(p, "o");
        if (TARVO_PTR_ERR(o) != 0) {
            EXPECT_EQ(TARVO_PTR_ERR(o), -11) << budget;
            EXPECT_EQ(tarvo_get_size(p), 10);
            EXPECT_FALSE(both);
            child_refused = true;
        } else {
            EXPECT_EQ(tarvo_get_size(p), 22);
            both = true;
        }
    }
    EXPECT_TRUE(open_refused && child_refused && both);
}
