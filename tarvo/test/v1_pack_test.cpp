// Version-1 packs through the plain functions: building every type with
// nesting, walking back with full-path keys, and the codes of each check.
#include "tarvo.h"
#include "v1_golden.h"
#include "pack_walk.h"

#include "tal/ResourcePool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using tarvo_test::hex_bytes;
using tarvo_test::walk_pack;

struct V1Pack : ::testing::Test {
    std::vector<char> buf = std::vector<char>(512);
    alignas(8) char tmp[1024];

    tarvo_t* open_w(int size = 256, int tmp_size = 1024)
    {
        return tarvo_open_w(1, buf.data(), size, tmp, tmp_size);
    }
    std::string walk(const tarvo_t* p)
    {
        std::string out;
        EXPECT_EQ(0, walk_pack(p, &out));
        return out;
    }
};

TEST_F(V1Pack, EveryTypeWithNestingWalksBackUnderFullPaths)
{
    tarvo_t* p = open_w(512);
    ASSERT_EQ(0, TARVO_PTR_ERR(p));
    EXPECT_EQ(1, tarvo_get_version(p));
    ASSERT_EQ(0, tarvo_put_int32(p, "i", -2));
    ASSERT_EQ(0, tarvo_put_uint32(p, "u", 7));
    ASSERT_EQ(0, tarvo_put_int64(p, "l", -1));
    ASSERT_EQ(0, tarvo_put_uint64(p, "q", 1ull << 63));
    ASSERT_EQ(0, tarvo_put_double(p, "d", 1.5));
    ASSERT_EQ(0, tarvo_put_bool(p, "b", 2));
    ASSERT_EQ(0, tarvo_put_null(p, "n"));
    ASSERT_EQ(0, tarvo_put_str(p, "s", "hi"));
    ASSERT_EQ(0, tarvo_put_raw(p, "r", "\x00\xff", 2));
    tarvo_t* o = tarvo_put_object(p, "o");
    ASSERT_EQ(0, TARVO_PTR_ERR(o));
    ASSERT_EQ(0, tarvo_put_int32(o, "x", 1));
    tarvo_t* op = tarvo_put_object(o, "p");
    ASSERT_EQ(0, TARVO_PTR_ERR(op));
    ASSERT_EQ(0, tarvo_put_str(op, "y", "z"));
    tarvo_finish(op);
    tarvo_t* arr = tarvo_put_array(o, "arr");
    ASSERT_EQ(0, TARVO_PTR_ERR(arr));
    ASSERT_EQ(0, tarvo_put_int32(arr, nullptr, 5));
    tarvo_t* inner = tarvo_put_array(arr, nullptr);
    ASSERT_EQ(0, TARVO_PTR_ERR(inner));
    ASSERT_EQ(0, tarvo_put_bool(inner, nullptr, 0));
    tarvo_finish(inner);
    tarvo_t* elem = tarvo_put_object(arr, nullptr);
    ASSERT_EQ(0, TARVO_PTR_ERR(elem));
    ASSERT_EQ(0, tarvo_put_null(elem, "k"));
    EXPECT_EQ(1, tarvo_get_item_count(elem));
    EXPECT_EQ(3, tarvo_get_item_count(arr));
    tarvo_finish(elem);
    tarvo_finish(arr);
    tarvo_finish(o);

    EXPECT_EQ(10, tarvo_get_item_count(p));
    EXPECT_EQ(1, tarvo_valid(p));
    EXPECT_EQ(
        "i 21 feffffff\n"
        "u 22 07000000\n"
        "l 25 ffffffffffffffff\n"
        "q 26 0000000000000080\n"
        "d 81 000000000000f83f\n"
        "b 48 01\n"
        "n 64\n"
        "s 32 686900\n"
        "r 16 00ff\n"
        "o 2 (178)\n"
        "o,x 21 01000000\n"
        "o,p 2 (23)\n"
        "o,p,y 32 7a00\n"
        "o,arr 4 (108)\n"
        "o,arr:0 21 05000000\n"
        "o,arr:1 4 (26)\n"
        "o,arr:1:0 48 00\n"
        "o,arr:2 2 (25)\n"
        "o,arr:2,k 64\n",
        walk(p));
}

TEST_F(V1Pack, PlainPutsWriteTheEngineBytes)
{
    tarvo_t* p = open_w();
    ASSERT_EQ(0, tarvo_put_int32(p, "i", -2));
    tarvo_t* o = tarvo_put_object(p, "o");
    ASSERT_EQ(0, tarvo_put_str(o, "s", "hi"));
    tarvo_finish(o);
    tarvo_t* a = tarvo_put_array(p, "a");
    ASSERT_EQ(0, tarvo_put_bool(a, nullptr, 2));
    ASSERT_EQ(0, tarvo_put_null(a, nullptr));
    tarvo_t* e = tarvo_put_object(a, nullptr);
    ASSERT_EQ(0, tarvo_put_uint64(e, "x", 1));
    std::vector<char> want = hex_bytes(tarvo_test::V1_NESTED);
    ASSERT_EQ(int(want.size()), tarvo_get_size(p));
    EXPECT_EQ(want, std::vector<char>(buf.begin(), buf.begin() + want.size()));
    EXPECT_EQ(buf.data(), tarvo_get_buffer(p));
    EXPECT_EQ(buf.data() + 0x44, tarvo_get_buffer(a));
    EXPECT_EQ(80, tarvo_get_size(a));
}

TEST_F(V1Pack, OpenWChecksTempBeforeBuffer)
{
    EXPECT_EQ(TARVO_ERR_BAD_PARAM, TARVO_PTR_ERR(tarvo_open_w(3, buf.data(), 256, tmp, 1024)));
    EXPECT_EQ(TARVO_ERR_BAD_PARAM, TARVO_PTR_ERR(tarvo_open_w(1, nullptr, 256, tmp, 1024)));
    EXPECT_EQ(TARVO_ERR_BAD_PARAM, TARVO_PTR_ERR(tarvo_open_w(1, buf.data(), 256, nullptr, 1024)));
    EXPECT_EQ(TARVO_ERR_NO_TEMP, TARVO_PTR_ERR(open_w(256, 95)));
    EXPECT_EQ(TARVO_ERR_NO_TEMP, TARVO_PTR_ERR(open_w(40, 95)));
    EXPECT_EQ(TARVO_ERR_BAD_PARAM, TARVO_PTR_ERR(open_w(40, 96)));
    EXPECT_EQ(0, TARVO_PTR_ERR(open_w(41, 96)));
    // 96 temp bytes hold the root handle wherever they start.
    for (int shift = 0; shift < 8; ++shift)
        EXPECT_EQ(0, TARVO_PTR_ERR(tarvo_open_w(1, buf.data(), 256, tmp + shift, 96))) << shift;
}

TEST_F(V1Pack, SmallestTempHoldsNoChild)
{
    tarvo_t* p = open_w(256, 96);
    ASSERT_EQ(0, TARVO_PTR_ERR(p));
    std::vector<char> before = buf;
    EXPECT_EQ(TARVO_ERR_NO_TEMP, TARVO_PTR_ERR(tarvo_put_object(p, "o")));
    EXPECT_EQ(before, buf);
    EXPECT_EQ(0, tarvo_put_int32(p, "i", 1));
}

TEST_F(V1Pack, PutCodes)
{
    tarvo_t* p = open_w();
    EXPECT_EQ(TARVO_ERR_BAD_NAME, tarvo_put_int32(p, nullptr, 1));
    EXPECT_EQ(TARVO_ERR_BAD_NAME, TARVO_PTR_ERR(tarvo_put_object(p, nullptr)));
    EXPECT_EQ(TARVO_ERR_BAD_PARAM, tarvo_put_str(p, "s", nullptr));
    EXPECT_EQ(TARVO_ERR_BAD_PARAM, tarvo_put_raw(p, "r", nullptr, 0));
    EXPECT_EQ(TARVO_ERR_BAD_PARAM, tarvo_put_int32(tarvo_put_object(nullptr, "x"), "i", 1));
    tarvo_t* a = tarvo_put_array(p, "a");
    ASSERT_EQ(0, TARVO_PTR_ERR(a));
    EXPECT_EQ(TARVO_ERR_WRONG_TYPE, tarvo_put_int32(a, "i", 1));
    EXPECT_EQ(TARVO_ERR_WRONG_TYPE, TARVO_PTR_ERR(tarvo_put_array(a, "x")));
    EXPECT_EQ(TARVO_ERR_EXIST, TARVO_PTR_ERR(tarvo_put_object(p, "a")));
    tarvo_finish(a);
    // A key holds at most 65535 bytes with its NUL.
    std::string name(65535, 'n');
    EXPECT_EQ(TARVO_ERR_NAME_TOO_LONG, tarvo_put_int32(p, name.c_str(), 1));
    name.pop_back();
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_put_int32(p, name.c_str(), 1));
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_put_str(p, "s", name.c_str()));
    // A container with items after it takes no more.
    ASSERT_EQ(0, tarvo_put_int32(p, "after", 1));
    tarvo_item_t it;
    tarvo_t* again = nullptr;
    ASSERT_EQ(0, tarvo_first_item(p, &it));
    EXPECT_EQ(TARVO_ERR_NOT_PERMITTED, tarvo_get_pack_from_item(&it, &again));
    ASSERT_EQ(0, tarvo_get_array_from_item(&it, &again));
    EXPECT_EQ(TARVO_ERR_MODE, tarvo_put_int32(again, nullptr, 1));
    tarvo_finish(again);
}

TEST_F(V1Pack, CloseEndsPutsButKeepsTheHandleReadable)
{
    tarvo_t* p = open_w();
    ASSERT_EQ(0, tarvo_put_int32(p, "i", 1));
    tarvo_t* o = tarvo_put_object(p, "o");
    ASSERT_EQ(0, TARVO_PTR_ERR(o));
    const int size = tarvo_get_size(p);
    ASSERT_EQ(0, tarvo_close(p));
    std::vector<char> closed = buf;
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_put_int32(p, "j", 1));
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_put_bool(p, "b", 1));
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_put_null(p, "n"));
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_put_str(p, "s", ""));
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_put_int32(o, "x", 1));
    EXPECT_EQ(TARVO_ERR_NO_SPACE, TARVO_PTR_ERR(tarvo_put_array(p, "a")));
    EXPECT_EQ(closed, buf);
    EXPECT_EQ(size, tarvo_get_size(p));
    EXPECT_EQ(buf.data(), tarvo_get_buffer(p));
    EXPECT_EQ("i 21 01000000\no 2 (8)\n", walk(p));
    EXPECT_EQ(TARVO_ERR_BAD_PARAM, tarvo_close(nullptr));
}

TEST_F(V1Pack, OpenRwRecordsTheRoomLeft)
{
    tarvo_t* p = open_w();
    ASSERT_EQ(0, tarvo_put_str(p, "s", "abc"));
    const int size = tarvo_get_size(p);  // 24 + 7 + 2 + 4
    ASSERT_EQ(37, size);
    ASSERT_EQ(0, tarvo_close(p));

    EXPECT_EQ(TARVO_ERR_NO_TEMP, TARVO_PTR_ERR(tarvo_open_rw(buf.data(), size, tmp, 95)));
    EXPECT_EQ(TARVO_ERR_BAD_PARAM, TARVO_PTR_ERR(tarvo_open_rw(buf.data(), 3, tmp, 1024)));
    p = tarvo_open_rw(buf.data(), size + 9, tmp, 1024);
    ASSERT_EQ(0, TARVO_PTR_ERR(p));
    EXPECT_EQ(1, tarvo_get_version(p));
    EXPECT_EQ(hex_bytes("09000000"), std::vector<char>(buf.begin() + 16, buf.begin() + 20));
    EXPECT_EQ(0, tarvo_put_null(p, "n"));  // 7 + 2 bytes: exactly the room
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_put_null(p, "m"));
    EXPECT_EQ("s 32 61626300\nn 64\n", walk(p));
}

TEST_F(V1Pack, OpenRwRefusesHeadersThatDescribeNoPackWithinSize)
{
    tarvo_t* p = open_w();
    ASSERT_EQ(0, tarvo_put_int32(p, "i", 1));
    const std::vector<char> good(buf.begin(), buf.begin() + tarvo_get_size(p));
    struct Damage {
        int offset;
        char value;
    };
    const Damage cases[] = {
        {5, 1},    // header length 24 + 256
        {8, 3},    // root type neither object nor array
        {20, 23},  // pack length shorter than the header
        {20, 38},  // pack length past the bytes given
    };
    for (const Damage& d : cases) {
        std::vector<char> bytes = good;
        bytes[d.offset] = d.value;
        const std::vector<char> before = bytes;
        EXPECT_EQ(TARVO_ERR_BAD_DATA,
                  TARVO_PTR_ERR(tarvo_open_rw(bytes.data(), int(bytes.size()), tmp, 1024)))
            << d.offset;
        EXPECT_EQ(before, bytes) << d.offset;
    }
    std::vector<char> bytes = good;
    EXPECT_EQ(TARVO_ERR_BAD_DATA, TARVO_PTR_ERR(tarvo_open_rw(bytes.data(), 23, tmp, 1024)));
}

TEST_F(V1Pack, ValidComparesTheCountWithTheItems)
{
    tarvo_t* p = open_w();
    ASSERT_EQ(0, tarvo_put_int32(p, "i", 1));
    EXPECT_EQ(1, tarvo_valid(p));
    buf[12] = 2;  // top-level count
    EXPECT_EQ(0, tarvo_valid(p));
    EXPECT_EQ(2, tarvo_get_item_count(p));
}

TEST_F(V1Pack, ValuesMayComeFromThePackItself)
{
    tarvo_t* p = open_w();
    ASSERT_EQ(0, tarvo_put_str(p, "s", "copied"));
    tarvo_item_t it;
    ASSERT_EQ(0, tarvo_first_item(p, &it));
    ASSERT_EQ(0, tarvo_put_str(p, "t", it.value));
    ASSERT_EQ(0, tarvo_put_raw(p, "r", it.key - 7, 9));  // the item's header and key
    EXPECT_EQ("s 32 636f7069656400\nt 32 636f7069656400\nr 16 200200070000007300\n", walk(p));
}

TEST_F(V1Pack, ValueReachingPastThePackEndIsStoredAsItWas)
{
    tarvo_t* p = open_w();
    ASSERT_EQ(0, tarvo_put_int32(p, "i", -2));  // pack ends at 37
    const std::vector<char> scratch = hex_bytes("aabbccdd");
    std::copy(scratch.begin(), scratch.end(), buf.begin() + 37);
    ASSERT_EQ(0, tarvo_put_raw(p, "r", buf.data() + 35, 6));
    EXPECT_EQ("i 21 feffffff\nr 16 ffffaabbccdd\n", walk(p));
}

TEST_F(V1Pack, PoolBackedOpenTakesHandlesFromThePool)
{
    tal::ResourcePool pool;
    EXPECT_EQ(TARVO_ERR_BAD_PARAM, TARVO_PTR_ERR(tarvo_open_w_rp(1, buf.data(), 40, &pool)));
    tarvo_t* p = tarvo_open_w_rp(1, buf.data(), 41, &pool);
    ASSERT_EQ(0, TARVO_PTR_ERR(p));
    tarvo_t* a = tarvo_put_array(p, "a");  // 7 + 2 + 8: the 17 bytes after the header
    ASSERT_EQ(0, TARVO_PTR_ERR(a));
    EXPECT_EQ(TARVO_ERR_NO_SPACE, tarvo_put_null(a, nullptr));
    tarvo_finish(a);
    EXPECT_EQ(41, tarvo_get_size(p));
    EXPECT_EQ("a 4 (8)\n", walk(p));
}

}  // namespace
