// Error codes of the open, put and walk functions over version-2 packs, and
// the order in which their checks run.
#include "v2_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using tarvo_test::golden;
using tarvo_test::V2Pack;

namespace {

tarvo_t* code_ptr(int code) { return reinterpret_cast<tarvo_t*>(static_cast<intptr_t>(code)); }

// A temp area whose start is misaligned by gap and which has exactly usable
// aligned bytes.
struct Temp {
    Temp(size_t gap, size_t usable) : store(16 + usable)
    {
        char* base = store.data();
        while (reinterpret_cast<uintptr_t>(base) % 8 != 0) ++base;
        start = base + gap;
        size = static_cast<int>(usable + (gap ? 8 - gap : 0));
    }
    std::vector<char> store;
    char* start;
    int size;
};

}  // namespace

TEST(V2Errors, PtrErrAndTexts)
{
    EXPECT_EQ(TARVO_PTR_ERR(nullptr), -9);
    EXPECT_EQ(TARVO_PTR_ERR(code_ptr(-1)), -1);
    EXPECT_EQ(TARVO_PTR_ERR(code_ptr(-255)), -255);
    int x = 0;
    EXPECT_EQ(TARVO_PTR_ERR(&x), 0);
    // The texts are the library's messages; the codes come from its header.
    const struct {
        int code;
        const char* text;
    } texts[] = {
        {TARVO_OK, "TVO: Success"},
        {TARVO_ERR_NOT_FOUND, "TVO: Not found"},
        {TARVO_ERR_BAD_PARAM, "TVO: Bad parameter"},
        {TARVO_ERR_BAD_NAME, "TVO: Bad name"},
        {TARVO_ERR_WRONG_TYPE, "TVO: Wrong type"},
        {TARVO_ERR_NO_SPACE, "TVO: Not enough space"},
        {TARVO_ERR_NAME_TOO_LONG, "TVO: Name too long"},
        {TARVO_ERR_EXIST, "TVO: Already exist"},
        {TARVO_ERR_BAD_DATA, "TVO: Bad data"},
        {TARVO_ERR_NULL_POINTER, "TVO: Null pointer"},
        {TARVO_ERR_FOUND_WRONG_TYPE, "TVO: Found but wrong type"},
        {TARVO_ERR_NO_TEMP, "TVO: Run out of temporary buffer"},
        {TARVO_ERR_MODE, "TVO: Operation not permitted in this read/write mode"},
        {TARVO_ERR_NOT_PERMITTED, "TVO: Operation not permitted in this object/array pack"},
        {TARVO_ERR_NOT_SUPPORTED, "TVO: Operation not supported by underling protocol"},
        {TARVO_ERR_UNKNOWN, "TVO: Unknown"},
    };
    for (const auto& t : texts) EXPECT_STREQ(tarvo_perror(t.code), t.text) << t.code;
    // Past the last code of the list.
    EXPECT_STREQ(tarvo_perror(TARVO_ERR_UNKNOWN - 1), "TVO: Unknown error");
    EXPECT_STREQ(tarvo_perror(1), "TVO: Unknown error");
    EXPECT_STREQ(tarvo_perror(-2147483647 - 1), "TVO: Unknown error");
}

TEST(V2Errors, OpenWriteMatrix)
{
    char buf[64], tmp[512];
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(2, nullptr, 64, tmp, 512)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(2, buf, 64, nullptr, 512)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(0, buf, 64, tmp, 512)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(3, buf, 64, tmp, 512)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(2, buf, -1, tmp, 512)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(2, buf, 64, tmp, -1)), -2);
    // The temp check comes before the buffer check.
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(2, buf, 9, tmp, 135)), -11);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(2, buf, 9, tmp, 512)), -5);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(2, buf, 10, tmp, 512)), 0);
    // Version 1: temp below 96 first, then a buffer below 41.
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(1, buf, 40, tmp, 95)), -11);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(1, buf, 40, tmp, 96)), -2);
}

TEST(V2Errors, TempMinimumCountsUsableBytesAtAnyAlignment)
{
    char buf[16];
    for (size_t gap = 0; gap < 8; ++gap) {
        Temp ok(gap, 136), small(gap, 128);
        EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(2, buf, 16, ok.start, ok.size)), 0) << gap;
        EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_w(2, buf, 16, small.start, small.size)), -11) << gap;
    }
    // Exactly 136 usable bytes hold the root but no child handle.
    Temp t(5, 136);
    tarvo_t* p = tarvo_open_w(2, buf, 16, t.start, t.size);
    ASSERT_EQ(TARVO_PTR_ERR(p), 0);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(p, "o")), -11);
    EXPECT_EQ(tarvo_get_size(p), 10);
}

TEST(V2Errors, OpenReadWriteMatrix)
{
    std::vector<char> pack = tarvo_test::hex_bytes("10 00 04000000 00000000");
    char tmp[512];
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_rw(nullptr, 10, tmp, 512)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_rw(pack.data(), 10, nullptr, 512)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_rw(pack.data(), 3, tmp, 512)), -2);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_rw(pack.data(), 10, tmp, 135)), -11);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_rw(pack.data(), 4, tmp, 512)), -8);  // below 6
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_rw(pack.data(), 9, tmp, 512)), -8);  // root past size
    tarvo_t* p = tarvo_open_rw(pack.data(), 10, tmp, 512);
    ASSERT_EQ(TARVO_PTR_ERR(p), 0);
    EXPECT_EQ(tarvo_get_version(p), 2);
    EXPECT_EQ(tarvo_get_size(p), 10);

    std::vector<std::string> bad = {
        "14 00 04000000 00000000",  // root is no container
        "90 00 04000000 00000000",  // short-flagged object
        "10 00 03000000 00000000",  // too short to hold its count
        "10 01 04000000 00000000",  // name runs past size
    };
    for (const std::string& b : bad) {
        std::vector<char> bytes = tarvo_test::hex_bytes(b);
        EXPECT_EQ(TARVO_PTR_ERR(tarvo_open_rw(bytes.data(), 10, tmp, 512)), -8) << b;
    }
    // An array root opens too; it takes nameless items only.
    std::vector<char> arr = tarvo_test::hex_bytes("20 00 04000000 00000000 0000");
    p = tarvo_open_rw(arr.data(), 12, tmp, 512);
    ASSERT_EQ(TARVO_PTR_ERR(p), 0);
    EXPECT_EQ(tarvo_put_int32(p, "a", 1), -4);
    EXPECT_EQ(tarvo_put_bool(p, nullptr, 1), -5);  // 3 bytes, 2 left
    EXPECT_EQ(tarvo_put_null(p, nullptr), -5);
}

TEST(V2Errors, BadHandles)
{
    char junk[64] = {};
    tarvo_t* foreign = reinterpret_cast<tarvo_t*>(junk);
    tarvo_item_t item{};
    tarvo_t* child = nullptr;
    for (tarvo_t* h : {static_cast<tarvo_t*>(nullptr), code_ptr(-5), foreign}) {
        EXPECT_EQ(tarvo_get_version(h), -2);
        EXPECT_EQ(tarvo_put_int32(h, "a", 1), -2);
        EXPECT_EQ(tarvo_put_str(h, "a", "x"), -2);
        EXPECT_EQ(tarvo_put_null(h, "a"), -2);
        EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(h, "a")), -2);
        EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_array(h, "a")), -2);
        EXPECT_EQ(tarvo_close(h), -2);
        EXPECT_EQ(tarvo_get_size(h), -2);
        EXPECT_EQ(TARVO_PTR_ERR(tarvo_get_buffer(h)), -2);
        EXPECT_EQ(tarvo_get_item_count(h), -2);
        EXPECT_EQ(tarvo_first_item(h, &item), -2);
        EXPECT_EQ(tarvo_valid(h), 0);
        item.pack = h;
        EXPECT_EQ(tarvo_next_item(&item, &item), -2);
        EXPECT_EQ(tarvo_get_pack_from_item(&item, &child), -2);
        EXPECT_EQ(tarvo_get_array_from_item(&item, &child), -2);
        tarvo_finish(h);  // ignored
    }
    EXPECT_EQ(std::string(junk, sizeof junk), std::string(sizeof junk, '\0'));
}

TEST(V2Errors, FinishedHandleIsRefused)
{
    V2Pack p;
    tarvo_t* o = tarvo_put_object(p.pack, "o");
    ASSERT_EQ(TARVO_PTR_ERR(o), 0);
    tarvo_finish(o);
    tarvo_finish(o);  // a second finish changes nothing
    EXPECT_EQ(tarvo_put_int32(o, "a", 1), -2);
    EXPECT_EQ(tarvo_get_size(o), -2);
    EXPECT_EQ(tarvo_put_int32(p.pack, "a", 1), 0);
}

TEST(V2Errors, PutMatrix)
{
    V2Pack p;
    std::string long_name(TARVO_MAX_NAME_LEN + 1, 'n');
    EXPECT_EQ(tarvo_put_str(p.pack, "s", nullptr), -2);
    EXPECT_EQ(tarvo_put_raw(p.pack, "r", nullptr, 0), -2);
    EXPECT_EQ(tarvo_put_int32(p.pack, long_name.c_str(), 1), -6);
    tarvo_t* a = tarvo_put_array(p.pack, "a");
    ASSERT_EQ(TARVO_PTR_ERR(a), 0);
    EXPECT_EQ(tarvo_put_int32(a, "x", 1), -4);
    // -4 comes before -12: the parent is locked while its child is open.
    EXPECT_EQ(tarvo_put_int32(p.pack, "x", 1), -12);
    EXPECT_EQ(tarvo_put_int32(p.pack, long_name.c_str(), 1), -12);
    tarvo_finish(a);
    EXPECT_EQ(tarvo_put_int32(p.pack, "x", 1), 0);
    EXPECT_EQ(tarvo_put_int32(p.pack, "x", 2), 0);  // scalars never check for an existing name
    EXPECT_EQ(tarvo_get_item_count(p.pack), 3);
}

TEST(V2Errors, PutContainerMatrixInCheckOrder)
{
    V2Pack p(1024, 4096);
    std::string long_name(TARVO_MAX_NAME_LEN + 1, 'n');
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(p.pack, nullptr)), -3);
    ASSERT_EQ(tarvo_put_bool(p.pack, "b", 1), 0);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(p.pack, "b")), -7);  // a scalar's name counts
    tarvo_t* a = tarvo_put_array(p.pack, "a");
    ASSERT_EQ(TARVO_PTR_ERR(a), 0);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_array(a, "x")), -4);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_array(p.pack, "a")), -7);  // before -12
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_array(p.pack, "c")), -12);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_array(p.pack, long_name.c_str())), -12);  // before -6
    tarvo_finish(a);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_array(p.pack, long_name.c_str())), -6);
    EXPECT_EQ(tarvo_valid(p.pack), 1);
}

TEST(V2Errors, TempExhaustionComesBeforeNameAndSpace)
{
    char buf[16];
    char tmp[136 + 8];
    tarvo_t* p = tarvo_open_w(2, buf, sizeof buf, tmp, sizeof tmp);
    ASSERT_EQ(TARVO_PTR_ERR(p), 0);
    std::string long_name(TARVO_MAX_NAME_LEN + 1, 'n');
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(p, long_name.c_str())), -11);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(p, "a-name-that-does-not-fit")), -11);
}

TEST(V2Errors, ExactFitAgainstNoSpace)
{
    // A root of 10 bytes plus an int32 item "a" of 8 bytes: 18 bytes exactly.
    for (int size = 17; size <= 18; ++size) {
        V2Pack p(static_cast<size_t>(size));
        ASSERT_EQ(TARVO_PTR_ERR(p.pack), 0);
        int r = tarvo_put_int32(p.pack, "a", 5);
        EXPECT_EQ(r, size == 18 ? 0 : -5) << size;
        if (r != 0) {
            EXPECT_EQ(p.hex(), golden("10 00 04000000 00000000"));
        }
    }
    // Containers: object "o" takes 12 bytes; a nested str "s"="x" 7 more.
    for (int size = 28; size <= 29; ++size) {
        V2Pack p(static_cast<size_t>(size));
        tarvo_t* o = tarvo_put_object(p.pack, "o");
        ASSERT_EQ(TARVO_PTR_ERR(o), 0);
        int r = tarvo_put_str(o, "s", "x");
        EXPECT_EQ(r, size == 29 ? 0 : -5);
        tarvo_finish(o);
        EXPECT_EQ(tarvo_get_size(p.pack), size == 29 ? 29 : 22);
        EXPECT_EQ(tarvo_valid(p.pack), 1);
    }
    // A refused container gives its child handle back: with room for one
    // handle only, the next container still gets it.
    V2Pack q(22, 136 + 72, 0);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(q.pack, "longername")), -5);
    EXPECT_EQ(q.hex(), golden("10 00 04000000 00000000"));
    tarvo_t* o = tarvo_put_object(q.pack, "o");
    EXPECT_EQ(TARVO_PTR_ERR(o), 0);
    EXPECT_EQ(tarvo_get_size(q.pack), 22);
}

TEST(V2Errors, RawLengthNeverWraps)
{
    V2Pack p(64);
    char byte = 0;
    // The length is checked against the room before anything is read from it.
    EXPECT_EQ(tarvo_put_raw(p.pack, "r", &byte, 0xffffffffu), -5);
    EXPECT_EQ(tarvo_put_raw(p.pack, "r", &byte, 0xfffffff0u), -5);
    EXPECT_EQ(p.hex(), golden("10 00 04000000 00000000"));
}

TEST(V2Errors, WalkMatrix)
{
    V2Pack p;
    tarvo_item_t item;
    EXPECT_EQ(tarvo_first_item(p.pack, nullptr), -2);
    EXPECT_EQ(tarvo_first_item(p.pack, &item), -1);  // empty pack
    ASSERT_EQ(tarvo_put_int32(p.pack, "i", 1), 0);
    tarvo_t* o = tarvo_put_object(p.pack, "o");
    tarvo_finish(o);
    tarvo_t* a = tarvo_put_array(p.pack, "a");
    tarvo_finish(a);
    ASSERT_EQ(tarvo_first_item(p.pack, &item), 0);
    tarvo_t* child = nullptr;
    EXPECT_EQ(tarvo_get_pack_from_item(&item, &child), -13);  // int32
    EXPECT_EQ(tarvo_get_pack_from_item(&item, nullptr), -2);
    EXPECT_EQ(tarvo_get_pack_from_item(nullptr, &child), -2);
    EXPECT_EQ(tarvo_next_item(&item, nullptr), -2);
    EXPECT_EQ(tarvo_next_item(nullptr, &item), -2);
    ASSERT_EQ(tarvo_next_item(&item, &item), 0);
    EXPECT_EQ(tarvo_get_array_from_item(&item, &child), -13);  // object
    ASSERT_EQ(tarvo_get_pack_from_item(&item, &child), 0);
    EXPECT_EQ(tarvo_get_item_count(child), 0);
    // A descriptor of another container does not belong to this one.
    tarvo_item_t other = item;
    other.pack = child;
    EXPECT_EQ(tarvo_next_item(&other, &other), -2);
    tarvo_finish(child);
    ASSERT_EQ(tarvo_next_item(&item, &item), 0);
    EXPECT_EQ(tarvo_get_pack_from_item(&item, &child), -13);  // array
    EXPECT_EQ(tarvo_next_item(&item, &item), -1);
}

TEST(V2Errors, ChildHandlesRunOutOfTemp)
{
    // Room for the root and one more handle only.
    V2Pack p(1024, 136 + 72, 0);
    ASSERT_EQ(tarvo_put_int32(p.pack, "i", 1), 0);
    tarvo_t* o = tarvo_put_object(p.pack, "o");
    ASSERT_EQ(TARVO_PTR_ERR(o), 0);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(o, "x")), -11);
    tarvo_finish(o);
    tarvo_item_t item;
    ASSERT_EQ(tarvo_first_item(p.pack, &item), 0);
    ASSERT_EQ(tarvo_next_item(&item, &item), 0);
    tarvo_t* c1 = nullptr;
    tarvo_t* c2 = nullptr;
    ASSERT_EQ(tarvo_get_pack_from_item(&item, &c1), 0);
    EXPECT_EQ(tarvo_get_pack_from_item(&item, &c2), -11);
    tarvo_finish(c1);
    EXPECT_EQ(tarvo_get_pack_from_item(&item, &c2), 0);
    tarvo_finish(c2);
}

TEST(V2Errors, ItemHandlesAreReadOnly)
{
    V2Pack p;
    tarvo_finish(tarvo_put_object(p.pack, "o"));
    tarvo_item_t item;
    ASSERT_EQ(tarvo_first_item(p.pack, &item), 0);
    tarvo_t* c = nullptr;
    ASSERT_EQ(tarvo_get_pack_from_item(&item, &c), 0);
    std::string before = p.hex();
    EXPECT_EQ(tarvo_put_int32(c, "a", 1), -12);
    EXPECT_EQ(TARVO_PTR_ERR(tarvo_put_object(c, "a")), -12);
    EXPECT_EQ(p.hex(), before);
    tarvo_finish(c);
}
