// The version-1 engine over raw buffers: exact bytes and stream framing.
// Behaviour through the plain functions is in v1_pack_test and v1_hostile_test.
#include "tarvo_bits/protocol_v1.h"
#include "tarvo.h"
#include "v1_golden.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using tarvo_test::hex_bytes;
using tarvo_test::V1_NESTED;

int put_le(tarvo_v1_t* p, const char* name, int type, std::uint64_t v, std::uint32_t n)
{
    unsigned char b[8];
    for (std::uint32_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
    return tarvo_v1_put(p, name, type, b, n);
}

// i:int32 -2; o:{s:"hi"}; a:[bool 2, null, {x:uint64 1}]
std::vector<char> build_nested(int size)
{
    std::vector<char> buf(size);
    tarvo_v1_t root, o, a, e;
    EXPECT_EQ(0, tarvo_v1_open_w(&root, buf.data(), size));
    EXPECT_EQ(0, put_le(&root, "i", TARVO_TYPE_INT32, std::uint32_t(-2), 4));
    EXPECT_EQ(0, tarvo_v1_put_container(&root, "o", TARVO_TYPE_OBJECT, &o));
    EXPECT_EQ(0, tarvo_v1_put(&o, "s", TARVO_TYPE_STR, "hi", 3));
    EXPECT_EQ(0, tarvo_v1_put_container(&root, "a", TARVO_TYPE_ARRAY, &a));
    EXPECT_EQ(0, tarvo_v1_put(&a, nullptr, TARVO_TYPE_BOOL, "\x02", 1));
    EXPECT_EQ(0, tarvo_v1_put(&a, nullptr, TARVO_TYPE_NULL, nullptr, 0));
    EXPECT_EQ(0, tarvo_v1_put_container(&a, nullptr, TARVO_TYPE_OBJECT, &e));
    EXPECT_EQ(0, put_le(&e, "x", TARVO_TYPE_UINT64, 1, 8));
    return buf;
}

TEST(V1Engine, NestedPackHasExactBytes)
{
    std::vector<char> buf = build_nested(256);
    std::vector<char> want = hex_bytes(V1_NESTED);
    ASSERT_EQ(0, std::memcmp(buf.data(), want.data(), want.size()));
    tarvo_v1_t root{buf.data(), 256, 0};
    EXPECT_EQ(int(want.size()), tarvo_v1_get_size(&root));
}

TEST(V1Engine, ScalarsHaveExactBytesAndFillTheBufferExactly)
{
    const char want_hex[] =
        // header: 4 items, room 0, length 82
        "50434b00 18000000 02000000 04000000 00000000 52000000"
        "16 0200 04000000 7500 07000000"          // uint32 "u" = 7
        "19 0200 08000000 6c00 ffffffffffffffff"  // int64 "l" = -1
        "51 0200 08000000 6400 000000000000f83f"  // double "d" = 1.5
        "10 0200 02000000 7200 00ff";             // raw "r" = 00 ff
    std::vector<char> want = hex_bytes(want_hex);
    std::vector<char> buf(want.size());
    tarvo_v1_t p;
    ASSERT_EQ(0, tarvo_v1_open_w(&p, buf.data(), int(buf.size())));
    ASSERT_EQ(0, put_le(&p, "u", TARVO_TYPE_UINT32, 7, 4));
    ASSERT_EQ(0, put_le(&p, "l", TARVO_TYPE_INT64, ~0ull, 8));
    ASSERT_EQ(0, put_le(&p, "d", TARVO_TYPE_DOUBLE, 0x3ff8000000000000ull, 8));
    ASSERT_EQ(0, tarvo_v1_put(&p, "r", TARVO_TYPE_RAW, "\x00\xff", 2));
    EXPECT_EQ(want, buf);
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_v1_put(&p, "n", TARVO_TYPE_NULL, nullptr, 0));
    EXPECT_EQ(want, buf);
}

TEST(V1Engine, LengthFollowsFromTheFirst24Bytes)
{
    std::vector<char> buf = build_nested(256);
    EXPECT_EQ(24, tarvo_v1_length(buf.data(), 3));  // "PCK" so far: need the header
    EXPECT_EQ(24, tarvo_v1_length(buf.data(), 23));
    EXPECT_EQ(148, tarvo_v1_length(buf.data(), 24));
    EXPECT_EQ(TARVO_ERR_BAD_DATA, tarvo_v1_length("PCX", 3));
}

}  // namespace
