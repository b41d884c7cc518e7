// The "already exists" check of version-2 containers at every size of its
// name index (a short list, the list turned table, a doubled table), in temp
// areas small and large: the same codes and bytes.
#include "v2_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tarvo_test::V2Pack;

std::string name(int i) { return "n" + std::to_string(i); }

// Fills an object of n named items (every third a container, and one scalar
// name twice), then checks every present name refuses a container and a new
// one is taken, into o nested one level below the root.
std::string build(int n, size_t temp)
{
    V2Pack p(1 << 16, temp);
    tarvo_t* o = tarvo_put_object(p.pack, "o");
    EXPECT_EQ(TARVO_PTR_ERR(o), 0);
    for (int i = 0; i < n; ++i) {
        if (i % 3 == 2) {
            tarvo_t* c = tarvo_put_array(o, name(i).c_str());
            EXPECT_EQ(TARVO_PTR_ERR(c), 0) << i;
            tarvo_finish(c);
        } else {
            EXPECT_EQ(tarvo_put_int32(o, name(i).c_str(), i), 0) << i;
        }
    }
    EXPECT_EQ(tarvo_put_int32(o, name(n / 2).c_str(), -1), 0);  // scalars may repeat a name
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(o, name(i).c_str())), TARVO_ERR_EXIST) << i;
        EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_array(o, name(i).c_str())), TARVO_ERR_EXIST) << i;
    }
    tarvo_t* fresh = tarvo_put_object(o, name(n).c_str());
    EXPECT_EQ(TARVO_PTR_ERR(fresh), 0);
    tarvo_finish(fresh);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_array(o, name(n).c_str())), TARVO_ERR_EXIST);
    tarvo_finish(o);
    return p.hex();
}

TEST(V2NameIndex, EverySizeAndTempAreaGivesTheSameCodesAndBytes)
{
    for (int n : {1, 7, 8, 9, 16, 17, 40}) {
        SCOPED_TRACE(n);
        const std::string want = build(n, 1 << 16);
        EXPECT_EQ(build(n, 2048), want);
    }
}

}  // namespace
