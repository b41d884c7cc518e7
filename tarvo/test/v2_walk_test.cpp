// Reading version-2 packs back: iteration, nested handles, deleted items,
// round trips through tarvo_open_rw, and appends to reopened packs.
#include "v2_support.h"

#include "tarvo_bits/little_endian.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tarvo_test::golden;
using tarvo_test::hex_bytes;
using tarvo_test::to_hex;
using tarvo_test::V2Pack;
using tarvo_test::walk_all;

namespace {

template <class T>
T value_of(const tarvo_item_t& item)
{
    EXPECT_EQ(item.value_size, sizeof(T));
    return tarvo::load_le<T>(item.value);
}

// The pack of the golden tests: scalars of every type and nested containers.
void build_sample(tarvo_t* p)
{
    ASSERT_EQ(tarvo_put_int32(p, "i", -2), 0);
    ASSERT_EQ(tarvo_put_uint32(p, "u", 0xdeadbeefu), 0);
    ASSERT_EQ(tarvo_put_int64(p, "l", -3), 0);
    ASSERT_EQ(tarvo_put_uint64(p, "q", 0x0102030405060708ull), 0);
    ASSERT_EQ(tarvo_put_double(p, "d", 1.5), 0);
    ASSERT_EQ(tarvo_put_bool(p, "b", 2), 0);
    ASSERT_EQ(tarvo_put_null(p, "n"), 0);
    ASSERT_EQ(tarvo_put_str(p, "s", std::string(300, 'x').c_str()), 0);
    ASSERT_EQ(tarvo_put_raw(p, "r", "\0\1\2", 3), 0);
    tarvo_t* o = tarvo_put_object(p, "o");
    tarvo_t* a = tarvo_put_array(o, "a");
    ASSERT_EQ(tarvo_put_str(a, nullptr, "e0"), 0);
    tarvo_t* x = tarvo_put_object(a, nullptr);
    ASSERT_EQ(tarvo_put_int32(x, "x", 9), 0);
    tarvo_finish(x);
    tarvo_finish(a);
    tarvo_finish(o);
}

}  // namespace

TEST(V2Walk, RoundTripThroughOpenReadWrite)
{
    V2Pack w;
    build_sample(w.pack);
    int size = tarvo_get_size(w.pack);
    std::vector<char> bytes(w.buf.begin(), w.buf.begin() + size);
    char tmp[1024];
    tarvo_t* r = tarvo_open_rw(bytes.data(), size, tmp, sizeof tmp);
    ASSERT_EQ(TARVO_PTR_ERR(r), 0);
    EXPECT_EQ(tarvo_valid(r), 1);
    EXPECT_EQ(tarvo_get_size(r), size);
    EXPECT_EQ(tarvo_get_item_count(r), 10);

    tarvo_item_t it;
    ASSERT_EQ(tarvo_first_item(r, &it), 0);
    EXPECT_EQ(it.pack, r);
    EXPECT_EQ(it.internal, bytes.data() + 10);
    // The scalars in order: name, plain type code and exact value bytes.
    const std::string text(300, 'x');
    const struct {
        const char* key;
        int type;
        std::string value;
    } scalars[] = {
        {"i", TARVO_TYPE_INT32, "feffffff"},
        {"u", TARVO_TYPE_UINT32, "efbeadde"},
        {"l", TARVO_TYPE_INT64, "fdffffffffffffff"},
        {"q", TARVO_TYPE_UINT64, "0807060504030201"},
        {"d", TARVO_TYPE_DOUBLE, "000000000000f83f"},
        {"b", TARVO_TYPE_BOOL, "02"},
        {"n", TARVO_TYPE_NULL, "00"},
        {"s", TARVO_TYPE_STR, to_hex(text.c_str(), text.size() + 1)},
        {"r", TARVO_TYPE_RAW, "000102"},
    };
    for (size_t i = 0; i < sizeof scalars / sizeof scalars[0]; ++i) {
        if (i > 0) {
            ASSERT_EQ(tarvo_next_item(&it, &it), 0) << i;
        }
        EXPECT_STREQ(it.key, scalars[i].key);
        EXPECT_EQ(it.type, scalars[i].type) << scalars[i].key;
        EXPECT_EQ(to_hex(it.value, it.value_size), scalars[i].value) << scalars[i].key;
    }
    tarvo_item_t obj;
    ASSERT_EQ(tarvo_next_item(&it, &obj), 0);
    EXPECT_EQ(obj.type, TARVO_TYPE_OBJECT);
    EXPECT_STREQ(obj.key, "o");
    EXPECT_EQ(tarvo_next_item(&obj, &it), -1);

    std::string trace;
    EXPECT_EQ(walk_all(r, &trace), 0);
    EXPECT_EQ(trace, "i:21 u:22 l:25 q:26 d:81 b:48 n:64 s:32 r:16 o:2 { a:4 { :32 :2 { x:21 } } } ");
}

TEST(V2Walk, NestedHandlesSeeTheirOwnItems)
{
    V2Pack w;
    build_sample(w.pack);
    tarvo_item_t it;
    ASSERT_EQ(tarvo_first_item(w.pack, &it), 0);
    while (it.type != TARVO_TYPE_OBJECT) ASSERT_EQ(tarvo_next_item(&it, &it), 0);
    tarvo_t* o = nullptr;
    ASSERT_EQ(tarvo_get_pack_from_item(&it, &o), 0);
    EXPECT_EQ(tarvo_get_buffer(o), it.internal);
    EXPECT_EQ(tarvo_get_size(o), static_cast<int>(6 + 2 + it.value_size));
    EXPECT_EQ(tarvo_get_version(o), 2);
    tarvo_item_t a;
    ASSERT_EQ(tarvo_first_item(o, &a), 0);
    EXPECT_EQ(a.pack, o);
    tarvo_t* arr = nullptr;
    ASSERT_EQ(tarvo_get_array_from_item(&a, &arr), 0);
    EXPECT_EQ(tarvo_get_item_count(arr), 2);
    tarvo_item_t e;
    ASSERT_EQ(tarvo_first_item(arr, &e), 0);
    EXPECT_STREQ(e.key, "");
    EXPECT_STREQ(e.value, "e0");
    EXPECT_EQ(e.value_size, 3u);
    tarvo_finish(arr);
    tarvo_finish(o);
}

TEST(V2Walk, DeletedItemsAreSkipped)
{
    std::vector<char> bytes = hex_bytes(
        "10 00 38000000 01000000"               // counts the one live item
        "04 02 6100 01020304"                   // deleted fixed item, 4-byte value
        "80 00 03 aabbcc"                       // deleted short item
        "00 02 02000000 6200 dddd"              // deleted long item
        "14 02 6300 07000000"                   // int32 c = 7
        "0f 00 000000000000000000000000000000"  // deleted: 15-byte value
        "81 00 00");                            // deleted short item, empty
    // That last item ends the root exactly.
    ASSERT_EQ(bytes.size(), 6u + 0x38u);
    char tmp[512];
    tarvo_t* r = tarvo_open_rw(bytes.data(), static_cast<int>(bytes.size()), tmp, sizeof tmp);
    ASSERT_EQ(TARVO_PTR_ERR(r), 0);
    EXPECT_EQ(tarvo_valid(r), 1);
    tarvo_item_t it;
    ASSERT_EQ(tarvo_first_item(r, &it), 0);
    EXPECT_STREQ(it.key, "c");
    EXPECT_EQ(value_of<int32_t>(it), 7);
    EXPECT_EQ(tarvo_next_item(&it, &it), -1);
    // A deleted item does not count as a present name.
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(r, "b")), -5);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(r, "c")), -7);
}

TEST(V2Walk, ValuesWithoutPlainCode)
{
    std::vector<char> bytes = hex_bytes(
        "10 00 22000000 06000000"
        "11 00 ff"                // int8
        "12 00 feff"              // int16
        "21 00 01"                // uint8
        "22 00 0200"              // uint16
        "58 00 0102030405060708"  // date
        "44 00 0000c03f");        // float 1.5
    char tmp[512];
    tarvo_t* r = tarvo_open_rw(bytes.data(), static_cast<int>(bytes.size()), tmp, sizeof tmp);
    ASSERT_EQ(TARVO_PTR_ERR(r), 0);
    std::string trace;
    EXPECT_EQ(walk_all(r, &trace), 0);
    EXPECT_EQ(trace, ":5 :5 :5 :5 :5 :80 ");
    tarvo_item_t it;
    ASSERT_EQ(tarvo_first_item(r, &it), 0);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(tarvo_next_item(&it, &it), 0);
    EXPECT_EQ(value_of<float>(it), 1.5f);
}

TEST(V2Walk, ReopenedPackTakesAppendsAndKnowsItsNames)
{
    V2Pack w;
    build_sample(w.pack);
    int size = tarvo_get_size(w.pack);
    std::vector<char> bytes(w.buf.begin(), w.buf.begin() + size);
    bytes.resize(static_cast<size_t>(size) + 64);
    char tmp[1024];
    tarvo_t* r = tarvo_open_rw(bytes.data(), static_cast<int>(bytes.size()), tmp, sizeof tmp);
    ASSERT_EQ(TARVO_PTR_ERR(r), 0);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(r, "o")), -7);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_array(r, "s")), -7);
    tarvo_t* z = tarvo_put_array(r, "z");
    ASSERT_EQ(TARVO_PTR_ERR(z), 0);
    ASSERT_EQ(tarvo_put_uint32(z, nullptr, 1), 0);
    tarvo_finish(z);
    ASSERT_EQ(tarvo_put_int32(r, "t", 5), 0);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(r, "t")), -7);  // names appended later count too
    EXPECT_EQ(tarvo_get_item_count(r), 12);
    EXPECT_EQ(tarvo_get_size(r), size + 18 + 8);
    EXPECT_EQ(tarvo_valid(r), 1);
    std::string trace;
    EXPECT_EQ(walk_all(r, &trace), 0);
    EXPECT_EQ(trace.substr(trace.size() - 17), "z:4 { :22 } t:21 ");
}

TEST(V2Walk, ManyNamesWithAndWithoutRoomForTheIndex)
{
    // Same answers whether the lookup index fits the temp area or the
    // check falls back to scanning.
    for (size_t temp : {size_t{1} << 16, size_t{136 + 72}}) {
        V2Pack p(64 * 1024, temp, 1);
        for (int i = 0; i < 2000; ++i)
            ASSERT_EQ(tarvo_put_int32(p.pack, ("k" + std::to_string(i)).c_str(), i), 0);
        for (int i = 0; i < 2000; i += 97)
            EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(p.pack, ("k" + std::to_string(i)).c_str())), -7) << i;
        for (int i = 0; i < 50; ++i) {
            tarvo_t* c = tarvo_put_object(p.pack, ("c" + std::to_string(i)).c_str());
            ASSERT_EQ(TARVO_PTR_ERR(c), 0) << temp << " " << i;
            tarvo_finish(c);
            ASSERT_EQ(tarvo_put_bool(p.pack, ("b" + std::to_string(i)).c_str(), 1), 0);
            EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_array(p.pack, ("b" + std::to_string(i)).c_str())), -7);
            EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_array(p.pack, ("c" + std::to_string(i)).c_str())), -7);
        }
        EXPECT_EQ(tarvo_get_item_count(p.pack), 2100);
        EXPECT_EQ(tarvo_valid(p.pack), 1);
    }
}

TEST(V2Walk, FinishingParentBeforeChildKeepsTheChainLocked)
{
    V2Pack p;
    tarvo_t* a = tarvo_put_object(p.pack, "a");
    tarvo_t* b = tarvo_put_object(a, "b");
    ASSERT_EQ(TARVO_PTR_ERR(b), 0);
    tarvo_finish(a);
    // b is still open at the end of the pack: the root must wait for it.
    EXPECT_EQ(tarvo_put_int32(p.pack, "x", 1), -12);
    ASSERT_EQ(tarvo_put_int32(b, "y", 2), 0);
    tarvo_finish(b);
    ASSERT_EQ(tarvo_put_int32(p.pack, "x", 1), 0);
    EXPECT_EQ(p.hex(), golden("10 00 2c000000 02000000"
                              "10 02 18000000 6100 01000000"
                              "  10 02 0c000000 6200 01000000"
                              "    14 02 7900 02000000"
                              "14 02 7800 01000000"));
    std::string trace;
    EXPECT_EQ(walk_all(p.pack, &trace), 0);
    EXPECT_EQ(trace, "a:2 { b:2 { y:21 } } x:21 ");
}
