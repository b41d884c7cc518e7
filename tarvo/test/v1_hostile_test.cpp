// Version-1 bytes cut short or damaged, opened and walked through the plain
// functions: every step ends in a code, never outside the bytes (the
// sanitizer build checks the latter).
#include "hostile.h"
#include "tarvo.h"
#include "v1_golden.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using tarvo_test::hex_bytes;

const std::vector<char> GOOD = hex_bytes(tarvo_test::V1_NESTED);

TEST(V1Hostile, PrefixesWhoseHeaderAgreesStopAtTheCutItem)
{
    for (std::size_t n = 24; n < GOOD.size(); ++n) {
        std::vector<char> cut(GOOD.begin(), GOOD.begin() + n);
        cut[20] = char(n);  // pack length
        EXPECT_EQ(0, tarvo_test::use_hostile(cut).open) << n;
    }
    // Cut inside "a": the walk reaches i and o, then finds a too long.
    std::vector<char> cut(GOOD.begin(), GOOD.begin() + 100);
    cut[20] = 100;
    alignas(8) char tmp[256];
    tarvo_t* p = tarvo_open_rw(cut.data(), 100, tmp, sizeof tmp);
    std::string out;
    EXPECT_EQ(TARVO_ERR_BAD_DATA, tarvo_test::walk_pack(p, &out));
    EXPECT_EQ("i 21 feffffff\no 2 (22)\no,s 32 686900\n", out);
    EXPECT_EQ(0, tarvo_valid(p));
}

TEST(V1Hostile, LengthFieldsAtTheirMaximum)
{
    // Offsets of the key and value lengths of every item in the golden pack.
    const std::size_t items[] = {0x18, 0x25, 0x33, 0x44, 0x55, 0x61, 0x6c, 0x7f};
    for (std::size_t at : items) {
        for (std::size_t field : {at + 1, at + 3}) {
            std::vector<char> bad = GOOD;
            std::memset(bad.data() + field, 0xff, field == at + 1 ? 2 : 4);
            alignas(8) char tmp[1024];
            tarvo_t* p = tarvo_open_rw(bad.data(), int(bad.size()), tmp, sizeof tmp);
            ASSERT_EQ(0, TARVO_PTR_ERR(p));
            std::string out;
            EXPECT_EQ(TARVO_ERR_BAD_DATA, tarvo_test::walk_pack(p, &out)) << field;
        }
    }
}

TEST(V1Hostile, ParentOffsetsThatLoopAreRefused)
{
    std::vector<char> bad = GOOD;
    bad.resize(GOOD.size() + 40);
    bad[0x6c + 7 + 4 + 4] = char(0x6c);  // a:2 names itself as its parent
    alignas(8) char tmp[1024];
    tarvo_t* p = tarvo_open_rw(bad.data(), int(bad.size()), tmp, sizeof tmp);
    ASSERT_EQ(0, TARVO_PTR_ERR(p));
    std::string out;
    EXPECT_EQ(TARVO_ERR_BAD_DATA, tarvo_test::walk_pack(p, &out));
}

}  // namespace
