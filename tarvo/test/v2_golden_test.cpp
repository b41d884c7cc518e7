// Exact bytes of version-2 packs built through the plain functions.
#include "v2_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using tarvo_test::golden;
using tarvo_test::to_hex;
using tarvo_test::V2Pack;

TEST(V2Golden, EmptyRootIsTenBytes)
{
    V2Pack p;
    ASSERT_EQ(TARVO_PTR_ERR(p.pack), 0);
    EXPECT_EQ(tarvo_get_size(p.pack), 10);
    EXPECT_EQ(tarvo_get_buffer(p.pack), p.buf.data());
    EXPECT_EQ(p.hex(), golden("10 00 04000000 00000000"));
    EXPECT_EQ(tarvo_get_version(p.pack), 2);
    EXPECT_EQ(tarvo_close(p.pack), 0);
    EXPECT_EQ(p.hex(), golden("10 00 04000000 00000000"));
}

TEST(V2Golden, ScalarsOfEveryType)
{
    V2Pack p;
    const char raw[] = {0x00, static_cast<char>(0xff), 0x10};
    ASSERT_EQ(tarvo_put_int32(p.pack, "i", -2), 0);
    ASSERT_EQ(tarvo_put_uint32(p.pack, "u", 0xdeadbeefu), 0);
    ASSERT_EQ(tarvo_put_int64(p.pack, "l", -3), 0);
    ASSERT_EQ(tarvo_put_uint64(p.pack, "q", 0x0102030405060708ull), 0);
    ASSERT_EQ(tarvo_put_double(p.pack, "d", 1.5), 0);
    ASSERT_EQ(tarvo_put_bool(p.pack, "b", 2), 0);
    ASSERT_EQ(tarvo_put_null(p.pack, "n"), 0);
    ASSERT_EQ(tarvo_put_str(p.pack, "s", "hi"), 0);
    ASSERT_EQ(tarvo_put_raw(p.pack, "r", raw, sizeof raw), 0);
    EXPECT_EQ(p.hex(), golden(
                           // root object: content 82 bytes, 9 items
                           "10 00 52000000 09000000"
                           "14 02 6900 feffffff"          // int32 i = -2
                           "24 02 7500 efbeadde"          // uint32 u
                           "18 02 6c00 fdffffffffffffff"  // int64 l = -3
                           "28 02 7100 0807060504030201"  // uint64 q
                           "48 02 6400 000000000000f83f"  // double d = 1.5
                           "31 02 6200 02"                // bool b: the byte as given
                           "61 02 6e00 00"                // null n
                           "d0 02 03 7300 686900"         // short str s = "hi"
                           "e0 02 03 7200 00ff10"));      // short raw r
    EXPECT_EQ(tarvo_get_size(p.pack), 88);
    EXPECT_EQ(tarvo_get_item_count(p.pack), 9);
}

TEST(V2Golden, StringStopsAtFirstNul)
{
    V2Pack p;
    ASSERT_EQ(tarvo_put_str(p.pack, "s", "a\0b"), 0);
    ASSERT_EQ(tarvo_put_str(p.pack, "e", ""), 0);
    ASSERT_EQ(tarvo_put_raw(p.pack, "r", "", 0), 0);
    EXPECT_EQ(p.hex(), golden("10 00 16000000 03000000"
                              "d0 02 02 7300 6100"  // "a" and its NUL
                              "d0 02 01 6500 00"    // empty text: only the NUL
                              "e0 02 00 7200"));    // empty raw value
}

TEST(V2Golden, ShortAndLongStringsAndRaw)
{
    V2Pack p(4096);
    std::string s254(254, 'x'), s255(255, 'y');
    std::string r255(255, '\x01'), r256(256, '\x02');
    ASSERT_EQ(tarvo_put_str(p.pack, "a", s254.c_str()), 0);
    ASSERT_EQ(tarvo_put_str(p.pack, "b", s255.c_str()), 0);
    ASSERT_EQ(tarvo_put_raw(p.pack, "c", r255.data(), 255), 0);
    ASSERT_EQ(tarvo_put_raw(p.pack, "d", r256.data(), 256), 0);
    std::string want = golden("10 00 1c040000 04000000") + golden("d0 02 ff 6100") +
                       to_hex(s254.data(), 254) + "00" +                                  // 255 bytes: short
                       golden("50 02 00010000 6200") + to_hex(s255.data(), 255) + "00" +  // 256 bytes: long
                       golden("e0 02 ff 6300") + to_hex(r255.data(), 255) + golden("60 02 00010000 6400") +
                       to_hex(r256.data(), 256);
    EXPECT_EQ(p.hex(), want);
    EXPECT_EQ(tarvo_get_size(p.pack), 6 + 0x41c);
}

TEST(V2Golden, NestedObjectsAndArrays)
{
    V2Pack p;
    tarvo_t* o = tarvo_put_object(p.pack, "o");
    ASSERT_EQ(TARVO_PTR_ERR(o), 0);
    tarvo_t* a = tarvo_put_array(o, "a");
    ASSERT_EQ(TARVO_PTR_ERR(a), 0);
    ASSERT_EQ(tarvo_put_int32(a, nullptr, 1), 0);
    tarvo_t* x = tarvo_put_object(a, nullptr);
    ASSERT_EQ(TARVO_PTR_ERR(x), 0);
    ASSERT_EQ(tarvo_put_null(x, "x"), 0);
    tarvo_finish(x);
    tarvo_t* e = tarvo_put_array(a, nullptr);
    ASSERT_EQ(TARVO_PTR_ERR(e), 0);
    EXPECT_EQ(tarvo_get_size(e), 10);
    EXPECT_EQ(tarvo_get_buffer(e), p.buf.data() + 55);
    tarvo_finish(e);
    tarvo_finish(a);
    tarvo_finish(o);
    ASSERT_EQ(tarvo_put_bool(p.pack, "z", 1), 0);
    ASSERT_EQ(tarvo_put_int32(p.pack, nullptr, 7), 0);          // nameless item in an object
    EXPECT_EQ(p.hex(), golden("10 00 46000000 03000000"         // root: 70 content bytes, 3 items
                              "10 02 2f000000 6f00 01000000"    // object o: 47 bytes, 1 item
                              "  20 02 23000000 6100 03000000"  //   array a: 35 bytes, 3 items
                              "    14 00 01000000"              //     int32 1
                              "    10 00 09000000 01000000"     //     object: 9 bytes, 1 item
                              "      61 02 7800 00"             //       null x
                              "    20 00 04000000 00000000"     //     empty array
                              "31 02 7a00 01"                   // bool z
                              "14 00 07000000"));               // nameless int32 7
}

TEST(V2Golden, LongestName)
{
    V2Pack p;
    std::string name(TARVO_MAX_NAME_LEN, 'n');
    ASSERT_EQ(tarvo_put_bool(p.pack, name.c_str(), 0), 0);
    EXPECT_EQ(p.hex(), golden("10 00 06010000 01000000 31 ff") + to_hex(name.data(), name.size()) + "0000");
}

TEST(V2Golden, ValueReachingPastThePackEnd)
{
    // Raw bytes taken from the pack's own buffer, straddling its end: the
    // value is stored as it was before the new item's header covered it.
    V2Pack p;
    ASSERT_EQ(tarvo_put_int32(p.pack, "i", 0x04030201), 0);
    const std::vector<char> scratch = tarvo_test::hex_bytes("aabbccddeeff");
    std::copy(scratch.begin(), scratch.end(), p.buf.begin() + 18);
    ASSERT_EQ(tarvo_put_raw(p.pack, "r", p.buf.data() + 16, 8), 0);
    EXPECT_EQ(p.hex(), golden("10 00 19000000 02000000"
                              "14 02 6900 01020304"
                              "e0 02 08 7200 0304aabbccddeeff"));
}

TEST(V2Golden, ValuesOfEveryShortSizeReachingPastThePackEnd)
{
    // Short values move inline in windows of 1 to 8 bytes; each size keeps
    // the bytes as they were before the item's header covered them.
    for (size_t n = 1; n <= 20; ++n) {
        SCOPED_TRACE(n);
        V2Pack p;
        ASSERT_EQ(tarvo_put_int32(p.pack, "i", 0x04030201), 0);
        for (size_t i = 18; i < 64; ++i) p.buf[i] = static_cast<char>(0xa0 + i);
        const std::string want(p.buf.data() + 16, n);
        ASSERT_EQ(tarvo_put_raw(p.pack, "r", p.buf.data() + 16, static_cast<unsigned>(n)), 0);
        tarvo_item_t it;
        ASSERT_EQ(tarvo_first_item(p.pack, &it), 0);
        ASSERT_EQ(tarvo_next_item(&it, &it), 0);
        EXPECT_EQ(std::string(it.value, it.value_size), want);
    }
}
