// Truncated and corrupted version-2 bytes: every reader fails cleanly, never
// past the bytes it was given (run under the sanitizer configuration).
#include "hostile.h"
#include "v2_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using tarvo_test::hex_bytes;
using tarvo_test::v2_sample;
using tarvo_test::V2Pack;

TEST(V2Corrupt, EveryPrefixWithTheRootShortenedToFit)
{
    // The root claims exactly the bytes that remain: items are cut anywhere.
    std::vector<char> full = v2_sample();
    int clean = 0;
    for (size_t n = 10; n < full.size(); ++n) {
        std::vector<char> prefix(full.begin(), full.begin() + n);
        for (int k = 0; k < 4; ++k) prefix[2 + k] = static_cast<char>((n - 6) >> (8 * k));
        tarvo_test::HostileUse u = tarvo_test::use_hostile(prefix);
        int r = u.code();
        int valid = u.valid;
        EXPECT_TRUE(r == 0 || r == -8) << n << " " << r;
        // The stored count still says five items: fewer are present.
        EXPECT_EQ(valid, 0) << n;
        clean += r == 0;
    }
    // Only cuts at the ends of the first four top-level items read cleanly.
    EXPECT_EQ(clean, 5);
}

TEST(V2Corrupt, MalformedItems)
{
    struct Case {
        const char* hex;
        const char* what;
    } cases[] = {
        {"10 00 0a000000 01000000 14 02 6162 05000000", "name without its NUL"},
        {"10 00 09000000 01000000 d0 00 02 6162", "string without its NUL"},
        {"10 00 07000000 01000000 d0 00 00", "string without any byte"},
        {"10 00 09000000 01000000 10 00 03000000 000000", "container too short for its count"},
        {"10 00 0a000000 01000000 30 00 00000000 0000", "quillet isoarray type"},
        {"10 00 0a000000 01000000 94 00 00000000 0000", "short-flagged fixed type"},
        {"10 00 0a000000 01000000 90 00 04000000 0000", "short-flagged object"},
        {"10 00 07000000 01000000 14 00 0000", "fixed value cut short"},
        {"10 00 0a000000 01000000 00 00 ffffffff 0000", "deleted item past its container"},
        {"10 00 0a000000 01000000 50 00 ffffffff 0000", "long length past its container"},
        {"10 00 0a000000 01000000 14 ff 00000000 0000", "name length past its container"},
    };
    for (const Case& c : cases) {
        std::vector<char> bytes = hex_bytes(c.hex);
        char tmp[512];
        tarvo_t* p = tarvo_open_rw(bytes.data(), static_cast<int>(bytes.size()), tmp, sizeof tmp);
        ASSERT_EQ(TARVO_PTR_ERR(p), 0) << c.what;
        EXPECT_EQ(tarvo_valid(p), 0) << c.what;
        tarvo_item_t item;
        EXPECT_EQ(tarvo_first_item(p, &item), -8) << c.what;
        EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(p, "x")), -8) << c.what;
    }
}

TEST(V2Corrupt, CountThatDiffersFromTheItems)
{
    // Two int32 items a and b inside an object or an array, top level or
    // nested; only the stored count varies.
    struct Case {
        const char* hex;
        uint32_t count;
        int valid;
    } cases[] = {
        {"10 00 14000000 %s 14 02 6100 01000000 14 02 6200 02000000", 2, 1},
        {"10 00 14000000 %s 14 02 6100 01000000 14 02 6200 02000000", 1, 0},
        {"10 00 14000000 %s 14 02 6100 01000000 14 02 6200 02000000", 3, 0},
        {"10 00 14000000 %s 14 02 6100 01000000 14 02 6200 02000000", 0, 0},
        {"20 00 10000000 %s 14 00 01000000 14 00 02000000", 2, 1},
        {"20 00 10000000 %s 14 00 01000000 14 00 02000000", 1, 0},
        {"20 00 10000000 %s 14 00 01000000 14 00 02000000", 0xffffffff, 0},
        {"10 00 20000000 01000000 10 02 14000000 6f00 %s 14 02 6100 01000000 14 02 6200 02000000", 2, 1},
        {"10 00 20000000 01000000 10 02 14000000 6f00 %s 14 02 6100 01000000 14 02 6200 02000000", 1, 0},
        {"10 00 1c000000 01000000 20 02 10000000 6100 %s 14 00 01000000 14 00 02000000", 3, 0},
        {"10 00 1c000000 01000000 20 02 10000000 6100 %s 14 00 01000000 14 00 02000000", 2, 1},
    };
    for (const Case& c : cases) {
        char count_hex[9];
        std::snprintf(count_hex, sizeof count_hex, "%02x%02x%02x%02x", c.count & 0xff, (c.count >> 8) & 0xff,
                      (c.count >> 16) & 0xff, c.count >> 24);
        char hex[256];
        std::snprintf(hex, sizeof hex, c.hex, count_hex);
        std::vector<char> bytes = hex_bytes(hex);
        char tmp[512];
        tarvo_t* p = tarvo_open_rw(bytes.data(), static_cast<int>(bytes.size()), tmp, sizeof tmp);
        ASSERT_EQ(TARVO_PTR_ERR(p), 0) << hex;
        tarvo_item_t item;
        ASSERT_EQ(tarvo_first_item(p, &item), 0) << hex;
        tarvo_t* checked = p;
        if (item.type == TARVO_TYPE_OBJECT) {
            ASSERT_EQ(tarvo_get_pack_from_item(&item, &checked), 0);
        } else if (item.type == TARVO_TYPE_ARRAY) {
            ASSERT_EQ(tarvo_get_array_from_item(&item, &checked), 0);
        }
        EXPECT_EQ(tarvo_valid(checked), c.valid) << hex;
        if (checked != p) {
            EXPECT_EQ(tarvo_valid(p), 1) << hex;  // the parent counts its one item
            tarvo_finish(checked);
        }
    }
}

TEST(V2Corrupt, NestedContainerClaimingMoreThanItsParent)
{
    // The inner object's length stays inside the buffer but runs past the
    // outer object: the outer walk refuses it before any handle is made.
    std::vector<char> bytes = hex_bytes(
        "10 00 1a000000 02000000"
        "10 02 0a000000 6f00 01000000"
        "  10 00 10000000 00000000"
        "14 00 01000000");
    char tmp[512];
    tarvo_t* p = tarvo_open_rw(bytes.data(), static_cast<int>(bytes.size()), tmp, sizeof tmp);
    ASSERT_EQ(TARVO_PTR_ERR(p), 0);
    tarvo_item_t item;
    ASSERT_EQ(tarvo_first_item(p, &item), 0);
    tarvo_t* o = nullptr;
    ASSERT_EQ(tarvo_get_pack_from_item(&item, &o), 0);
    tarvo_item_t inner;
    EXPECT_EQ(tarvo_first_item(o, &inner), -8);
    EXPECT_EQ(tarvo_valid(o), 0);
    tarvo_finish(o);
}

TEST(V2Corrupt, ForgedDescriptorIsRefused)
{
    V2Pack p;
    ASSERT_EQ(tarvo_put_int32(p.pack, "a", 1), 0);
    tarvo_item_t item;
    ASSERT_EQ(tarvo_first_item(p.pack, &item), 0);
    tarvo_item_t forged = item;
    forged.value_size = 1u << 30;
    EXPECT_EQ(tarvo_next_item(&forged, &forged), -2);
    forged = item;
    forged.internal = p.buf.data() + 2;  // inside the root header
    tarvo_t* child = nullptr;
    EXPECT_EQ(tarvo_get_pack_from_item(&forged, &child), -2);
    forged = item;
    forged.value = item.value + 100;
    EXPECT_EQ(tarvo_next_item(&forged, &forged), -2);
}
