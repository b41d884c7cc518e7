// The version-1 engine over raw buffers: exact bytes, full-path keys, the
// append-only rule and hostile bytes.
#include "tarvo_bits/protocol_v1.h"
#include "tarvo.h"
#include "v1_golden.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using tarvo_test::hex_bytes;
using tarvo_test::V1_NESTED;

int put_le(tarvo_v1_t* p, const char* name, int type, std::uint64_t v, std::uint32_t n)
{
    unsigned char b[8];
    for (std::uint32_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>(v >> (8 * i));
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

// Every item of a container and below it, one "key=type" line each.
int walk(const tarvo_v1_t* p, std::string* out, int depth = 0)
{
    tarvo_v1_item_t it;
    int r = tarvo_v1_first_item(p, &it);
    while (r == 0) {
        *out += std::string(it.key) + "=" + std::to_string(it.type) + "\n";
        if ((it.type == TARVO_TYPE_OBJECT || it.type == TARVO_TYPE_ARRAY) && depth < 64) {
            tarvo_v1_t child;
            r = tarvo_v1_get_child(p, it.internal, it.type, &child);
            if (r == 0)
                r = walk(&child, out, depth + 1);
            if (r != -1 && r != 0)
                return r;
        }
        r = tarvo_v1_next_item(p, it.internal, &it);
    }
    return r;
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
        "16 0200 04000000 7500 07000000"                // uint32 "u" = 7
        "19 0200 08000000 6c00 ffffffffffffffff"        // int64 "l" = -1
        "51 0200 08000000 6400 000000000000f83f"        // double "d" = 1.5
        "10 0200 02000000 7200 00ff";                   // raw "r" = 00 ff
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

TEST(V1Engine, WalkGivesFullPathKeys)
{
    std::vector<char> buf = build_nested(256);
    tarvo_v1_t root{buf.data(), 256, 0};
    std::string keys;
    EXPECT_EQ(-1, walk(&root, &keys));
    EXPECT_EQ("i=21\no=2\no,s=32\na=4\na:0=48\na:1=64\na:2=2\na:2,x=26\n", keys);
    EXPECT_EQ(1, tarvo_v1_valid(&root));
    EXPECT_EQ(3, tarvo_v1_get_item_count(&root));
}

TEST(V1Engine, ContainerFollowedByItemsTakesNoPut)
{
    std::vector<char> buf = build_nested(256);
    std::vector<char> before = buf;
    tarvo_v1_t root{buf.data(), 256, 0};
    tarvo_v1_item_t it;
    tarvo_v1_t o;
    ASSERT_EQ(0, tarvo_v1_first_item(&root, &it));
    ASSERT_EQ(0, tarvo_v1_next_item(&root, it.internal, &it));
    ASSERT_EQ(0, tarvo_v1_get_child(&root, it.internal, TARVO_TYPE_OBJECT, &o));
    EXPECT_EQ(TARVO_ERR_MODE, tarvo_v1_put(&o, "t", TARVO_TYPE_NULL, nullptr, 0));
    EXPECT_EQ(before, buf);
    EXPECT_EQ(TARVO_ERR_NOT_PERMITTED, tarvo_v1_get_child(&root, it.internal, TARVO_TYPE_ARRAY, &o));
}

TEST(V1Engine, PutChecksNamesInOrder)
{
    std::vector<char> buf(256);
    tarvo_v1_t root, a, c;
    ASSERT_EQ(0, tarvo_v1_open_w(&root, buf.data(), 256));
    EXPECT_EQ(TARVO_ERR_BAD_NAME, tarvo_v1_put(&root, nullptr, TARVO_TYPE_NULL, nullptr, 0));
    ASSERT_EQ(0, tarvo_v1_put_container(&root, "a", TARVO_TYPE_ARRAY, &a));
    EXPECT_EQ(TARVO_ERR_WRONG_TYPE, tarvo_v1_put(&a, "x", TARVO_TYPE_NULL, nullptr, 0));
    EXPECT_EQ(TARVO_ERR_EXIST, tarvo_v1_put_container(&root, "a", TARVO_TYPE_OBJECT, &c));
    EXPECT_EQ(TARVO_ERR_NO_TEMP, tarvo_v1_put_container(&root, "b", TARVO_TYPE_OBJECT, nullptr));
    std::string long_name(TARVO_V1_MAX_KEY, 'n');
    EXPECT_EQ(TARVO_ERR_NAME_TOO_LONG, tarvo_v1_put(&root, long_name.c_str(), TARVO_TYPE_NULL, nullptr, 0));
    long_name.pop_back();  // 65534 characters and the NUL fit the key length
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_v1_put(&root, long_name.c_str(), TARVO_TYPE_NULL, nullptr, 0));
}

TEST(V1Engine, CloseLeavesNoRoomButKeepsTheBytesReadable)
{
    std::vector<char> buf = build_nested(256);
    tarvo_v1_t root{buf.data(), 256, 0};
    ASSERT_EQ(0, tarvo_v1_close(&root));
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_v1_put(&root, "z", TARVO_TYPE_NULL, nullptr, 0));
    EXPECT_EQ(148, tarvo_v1_get_size(&root));
    // Reopening over the same bytes gives the room back.
    ASSERT_EQ(0, tarvo_v1_open_rw(&root, buf.data(), 160));
    EXPECT_EQ(0, tarvo_v1_put(&root, "z", TARVO_TYPE_NULL, nullptr, 0));
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_v1_put(&root, "y", TARVO_TYPE_NULL, nullptr, 0));
}

TEST(V1Engine, OpenRwChecksTheHeaderBeforeWritingTheRoomLeft)
{
    std::vector<char> good = build_nested(256);
    const std::uint32_t offsets[] = {0, 3, 4, 8, 22};  // magic, header length, root type, length
    for (std::uint32_t off : offsets) {
        std::vector<char> buf = good;
        buf[off] ^= 0x40;
        std::vector<char> before = buf;
        tarvo_v1_t p;
        EXPECT_EQ(TARVO_ERR_BAD_DATA, tarvo_v1_open_rw(&p, buf.data(), 256)) << off;
        EXPECT_EQ(before, buf) << off;
    }
    std::vector<char> buf = good;
    tarvo_v1_t p;
    EXPECT_EQ(TARVO_ERR_BAD_DATA, tarvo_v1_open_rw(&p, buf.data(), 147));  // one byte short
    ASSERT_EQ(0, tarvo_v1_open_rw(&p, buf.data(), 148));
    EXPECT_EQ(std::vector<char>(4, 0), std::vector<char>(buf.begin() + 16, buf.begin() + 20));
    EXPECT_EQ(TARVO_ERR_BAD_PARAM, tarvo_v1_open_w(&p, buf.data(), TARVO_V1_MIN_BUFFER - 1));
}

TEST(V1Engine, LengthFollowsFromTheFirst24Bytes)
{
    std::vector<char> buf = build_nested(256);
    EXPECT_EQ(24, tarvo_v1_length(buf.data(), 3));   // "PCK" so far: need the header
    EXPECT_EQ(24, tarvo_v1_length(buf.data(), 23));
    EXPECT_EQ(148, tarvo_v1_length(buf.data(), 24));
    EXPECT_EQ(TARVO_ERR_BAD_DATA, tarvo_v1_length("PCX", 3));
}

}  // namespace
