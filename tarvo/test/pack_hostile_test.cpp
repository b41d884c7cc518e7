// Hostile bytes of either pack version, cut short or damaged byte by byte:
// every step ends in a documented code, never outside the bytes (the
// sanitizer build checks the latter).
#include "hostile.h"
#include "v1_golden.h"
#include "v2_support.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using tarvo_test::HostileUse;
using tarvo_test::use_hostile;

struct PackHostile : ::testing::TestWithParam<int> {
    // A well-formed pack of the version under test with nested containers.
    static std::vector<char> sample()
    {
        return GetParam() == 1 ? tarvo_test::hex_bytes(tarvo_test::V1_NESTED) : tarvo_test::v2_sample();
    }
};

TEST_P(PackHostile, EveryPrefixIsRefused)
{
    const std::vector<char> full = sample();
    ASSERT_EQ(use_hostile(full).code(), 0);
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<char> prefix(full.begin(), full.begin() + n);
        EXPECT_EQ(use_hostile(prefix).open, n < 4 ? TARVO_ERR_BAD_PARAM : TARVO_ERR_BAD_DATA) << n;
    }
}

TEST_P(PackHostile, EveryByteDamagedGivesCodes)
{
    std::vector<char> roomy = sample();
    const size_t length = roomy.size();
    roomy.resize(length + 40);  // room for the puts to reach the writer's checks
    // What a put may answer a damaged pack besides success.
    const std::set<int> put_codes = {TARVO_ERR_NO_SPACE, TARVO_ERR_EXIST, TARVO_ERR_BAD_DATA, TARVO_ERR_MODE};
    for (size_t i = 0; i < length; ++i) {
        const unsigned char b = static_cast<unsigned char>(roomy[i]);
        const unsigned values[] = {0x00, 0x01, 0x18, 0x44, 0x7fu, 0x80u, 0xffu, b ^ 0xffu, (b + 1u) & 0xffu};
        for (unsigned v : values) {
            std::vector<char> bad = roomy;
            bad[i] = static_cast<char>(v);
            const HostileUse u = use_hostile(bad);
            const std::string at = std::to_string(i) + "=" + std::to_string(v);
            EXPECT_TRUE(u.open == 0 || u.open == TARVO_ERR_BAD_DATA) << at << " open " << u.open;
            if (u.open != 0) continue;
            EXPECT_TRUE(u.walk == 0 || u.walk == TARVO_ERR_BAD_DATA) << at << " walk " << u.walk;
            EXPECT_TRUE(u.valid == 0 || u.valid == 1) << at;
            // A pack found valid reads to the end of its top level.
            EXPECT_TRUE(u.valid == 0 || u.top == 0) << at << " top " << u.top;
            EXPECT_TRUE(u.count >= 0 || u.count == TARVO_ERR_BAD_DATA) << at << " count " << u.count;
            EXPECT_TRUE(u.size > 0 || u.size == TARVO_ERR_BAD_DATA) << at << " size " << u.size;
            for (int r : u.puts) EXPECT_TRUE(r == 0 || put_codes.count(r)) << at << " put " << r;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, PackHostile, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "v" + std::to_string(info.param);
                         });

}  // namespace
