// The pack serializer: exact pack bytes of every value kind in both
// versions, the dispatch tables, options and every failure.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tal/var/var.h"
#include "talext/test/tree_text.h"
#include "talext/var/serializer/TarvoSerializer.h"
#include "tarvo/test/golden_hex.h"

namespace {

using namespace tal::var;
using tarvo_test::golden;
using tarvo_test::to_hex;

// A value of any mask, for the kinds no value of the model has.
class MaskVar : public IVar {
public:
    explicit MaskVar(mask_t mask) : _mask(mask) {}
    using IVar::operator=;
    IVar& operator=(IVar&) override { return *this; }
    tal::string dump(size_t) const override { return tal::string("mask"); }
    void clear() override {}
    tal::string to_string() const override { return dump(0); }
    tal::string get_type() const override { return tal::string("MaskVar"); }
    mask_t get_mask() const override { return _mask; }
    IVar& clone(tal::ResourcePool&) const override { return const_cast<MaskVar&>(*this); }

private:
    mask_t _mask;
};

// Trees in one pool, with the keys given as texts.
struct Trees {
    Dict& dict() { return rp.create<Dict>(tal::pool_allocator<std::pair<tal::string, Ref>>()); }
    Array& array() { return rp.create<Array>(tal::pool_allocator<Ref>()); }
    template <typename T>
    IVar& num(T v)
    {
        return rp.create<Number<T>>(v);
    }
    static IVar& put(IVar& d, const char* key, IVar& v)
    {
        d.set(tal::string(key), v);
        return d;
    }
    static IVar& push(IVar& a, IVar& v)
    {
        a.set(a.size(), v);
        return a;
    }

    // Every kind: a is [true, null, {x: u64 1}, i16 -3]; b to l one number
    // kind each (8/16-bit widened to 32, float to double); m null; n an
    // empty dict; o a string with an inner NUL; p a borrowed string; q
    // borrowed raw bytes; r a callable, which writes nothing.
    IVar& every_kind()
    {
        IVar& inner = put(dict(), "x", num<unsigned long long>(1));
        IVar& a = push(push(push(push(array(), rp.create<Bool>(true)), Null::null), inner), num<short>(-3));
        IVar& d = dict();
        put(d, "a", a);
        put(d, "b", rp.create<Bool>(false));
        put(d, "c", num<signed char>(-1));
        put(d, "d", num<unsigned char>(200));
        put(d, "e", num<short>(-2));
        put(d, "f", num<unsigned short>(65535));
        put(d, "g", num<int>(-5));
        put(d, "h", num<unsigned int>(0xdeadbeefu));
        put(d, "i", num<long long>(-3));
        put(d, "j", num<unsigned long long>(0x0102030405060708ull));
        put(d, "k", num<float>(1.5f));
        put(d, "l", num<double>(-0.25));
        put(d, "m", Null::null);
        put(d, "n", dict());
        put(d, "o", rp.create<String>("hi\0x", 4ul, tal::pool_allocator<char>()));
        put(d, "p", rp.create<ShallowString>("yo", 2ul));
        put(d, "q", rp.create<ShallowRaw>(static_cast<const void*>("\x00\xff"), 2ul));
        put(d, "r", rp.create<MaskVar>(IVar::IS_CALLABLE));
        return d;
    }

    tal::ResourcePool rp;
};

const char V2_EVERY_KIND[] =
    // root: content 191 bytes, 17 items
    "10 00 bf000000 11000000"
    // array a: content 38 bytes, 4 items
    "20 02 26000000 6100 04000000"
    "  31 00 01"                       // true
    "  61 00 00"                       // null
    "  10 00 10000000 01000000"        // object, 1 item
    "    28 02 7800 0100000000000000"  //   x = u64 1
    "  14 00 fdffffff"                 // i16 -3 as int32
    "31 02 6200 00"                    // b false
    "14 02 6300 ffffffff"              // c i8 -1
    "24 02 6400 c8000000"              // d u8 200
    "14 02 6500 feffffff"              // e i16 -2
    "24 02 6600 ffff0000"              // f u16 65535
    "14 02 6700 fbffffff"              // g i32 -5
    "24 02 6800 efbeadde"              // h u32
    "18 02 6900 fdffffffffffffff"      // i i64 -3
    "28 02 6a00 0807060504030201"      // j u64
    "48 02 6b00 000000000000f83f"      // k float 1.5 as double
    "48 02 6c00 000000000000d0bf"      // l double -0.25
    "61 02 6d00 00"                    // m null
    "10 02 04000000 6e00 00000000"     // n empty object
    "d0 02 03 6f00 686900"             // o "hi", cut at the NUL
    "d0 02 03 7000 796f00"             // p "yo"
    "e0 02 02 7100 00ff";              // q raw

const char V1_EVERY_KIND[] =
    // header: magic, header length 24, root object, 17 items, no room left
    // once closed, length 336
    "50434b00 18000000 02000000 11000000 00000000 50010000"
    // array a: value 86 bytes, 4 children, parent = root
    "04 0200 56000000 6100 04000000 00000000"
    "  30 0400 01000000 613a3000 01"                      // a:0 true
    "  40 0400 00000000 613a3100"                         // a:1 null
    "  02 0400 1d000000 613a3200 01000000 18000000"       // a:2, parent = a
    "    1a 0600 08000000 613a322c7800 0100000000000000"  //   a:2,x u64 1
    "  15 0400 04000000 613a3300 fdffffff"                // a:3 i16 -3 as int32
    "30 0200 01000000 6200 00"
    "15 0200 04000000 6300 ffffffff"
    "16 0200 04000000 6400 c8000000"
    "15 0200 04000000 6500 feffffff"
    "16 0200 04000000 6600 ffff0000"
    "15 0200 04000000 6700 fbffffff"
    "16 0200 04000000 6800 efbeadde"
    "19 0200 08000000 6900 fdffffffffffffff"
    "1a 0200 08000000 6a00 0807060504030201"
    "51 0200 08000000 6b00 000000000000f83f"
    "51 0200 08000000 6c00 000000000000d0bf"
    "40 0200 00000000 6d00"
    "02 0200 08000000 6e00 00000000 00000000"
    "20 0200 03000000 6f00 686900"
    "20 0200 03000000 7000 796f00"
    "10 0200 02000000 7100 00ff";

TEST(TarvoSerializerBytes, EveryKindInBothVersions)
{
    const struct {
        int version;
        const char* golden;
    } rows[] = {{2, V2_EVERY_KIND}, {1, V1_EVERY_KIND}};
    for (const auto& row : rows) {
        Trees t;
        TarvoSerializer s;
        ASSERT_EQ(s.set_opt(1, &row.version, sizeof(int)), 0);
        std::vector<char> buf(512);
        const std::string want = golden(row.golden);
        ASSERT_EQ(s.serialize(t.every_kind(), buf.data(), buf.size()), want.size() / 2) << row.version;
        EXPECT_EQ(to_hex(buf.data(), want.size() / 2), want) << row.version;
    }
}

// A root handle over a 4096-byte buffer, handles from a pool.
struct PoolPack {
    PoolPack(int size = 4096) : buf(size), pack(tarvo_open_w_rp(2, buf.data(), size, &rp)) {}
    std::string hex() const { return to_hex(buf.data(), tarvo_get_size(pack)); }
    tal::ResourcePool rp;
    std::vector<char> buf;
    tarvo_t* pack;
};

TEST(TarvoSerializerPackForm, ArrayRootWritesNamelessItemsAndLeavesThePackOpen)
{
    Trees t;
    PoolPack p;
    IVar& a = t.push(t.push(t.array(), t.num<int>(7)), t.rp.create<Bool>(true));
    TarvoSerializer s;
    EXPECT_EQ(s.serialize(a, p.pack), 19u);
    EXPECT_EQ(p.hex(), golden("10 00 0d000000 02000000 14 00 07000000 31 00 01"));
    // Still open: a later put lands in the same root.
    ASSERT_EQ(tarvo_put_null(p.pack, "z"), 0);
    EXPECT_EQ(tarvo_get_item_count(p.pack), 3);
}

// Records which handler each value reached.
class RecordingSerializer : public TarvoSerializer {
public:
    std::string seen;

protected:
#define RECORD(handler) \
    void handler(tarvo_t*, const char*, const IVar&) override { seen += #handler " "; }
    RECORD(serialize_unknown)
    RECORD(serialize_null)
    RECORD(serialize_bool)
    RECORD(serialize_string)
    RECORD(serialize_raw)
    RECORD(serialize_array)
    RECORD(serialize_dict)
    RECORD(serialize_int32)
    RECORD(serialize_uint32)
    RECORD(serialize_int64)
    RECORD(serialize_uint64)
    RECORD(serialize_double)
#undef RECORD
};

TEST(TarvoSerializerDispatch, MasksReachTheirHandlersAndOverrides)
{
    const struct {
        mask_t mask;
        const char* handler;
    } rows[] = {
        {0x0000, "serialize_null"},    {0x0001, "serialize_bool"},
        {0x0004, "serialize_string"},  {0x0008, "serialize_raw"},
        {0x0010, "serialize_array"},   {0x0020, "serialize_dict"},
        {0x0040, "serialize_unknown"}, {0x0080, "serialize_unknown"},
        {0x0100, "serialize_null"},                                 // a reference to the null
        {0x0121, "serialize_dict"},    {0x0035, "serialize_dict"},  // highest kind bit wins
        {0x001d, "serialize_array"},   {0x000d, "serialize_raw"},
        {0x0005, "serialize_string"},  {0x1802, "serialize_int32"},
        {0x1002, "serialize_uint32"},  {0x2802, "serialize_int32"},
        {0x2002, "serialize_uint32"},  {0x4802, "serialize_int32"},
        {0x4002, "serialize_uint32"},  {0x8802, "serialize_int64"},
        {0x8002, "serialize_uint64"},  {0x4402, "serialize_double"},
        {0x8402, "serialize_double"},  {0x4902, "serialize_int32"},    // through a reference
        {0x1402, "serialize_unknown"}, {0x2402, "serialize_unknown"},  // 1-, 2-byte floats
        {0x0002, "serialize_unknown"}, {0x0802, "serialize_unknown"},  // no size bit
    };
    for (const auto& row : rows) {
        Trees t;
        PoolPack p;
        RecordingSerializer s;
        s.serialize(t.put(t.dict(), "k", t.rp.create<MaskVar>(row.mask)), p.pack);
        EXPECT_EQ(s.seen, std::string(row.handler) + " ") << std::hex << row.mask;
    }
}

// The class and message of what f throws, "" when it returns.
std::string outcome(const std::function<void()>& f)
{
    try {
        f();
    } catch (const tal::Exception& e) {
        return talext_test::failure(e);
    }
    return "";
}

const std::string TSE = "tal::var::TarvoSerializerException: ";

TEST(TarvoSerializerOptions, SetOptMatrix)
{
    const int two = 2, three = 3, big = 1 << 20;
    const struct {
        int optname;
        const void* optval;
        size_t optlen;
        int result;
        int version_after;  // what the buffer form then opens, 0: "is not supported"
    } rows[] = {
        {1, &two, 4, 0, 2},  {1, &three, 4, 0, 0}, {1, &two, 8, -1, 1},
        {1, &two, 3, -1, 1}, {2, &big, 4, 0, 1},   {2, &big, 8, -1, 1},
        {7, &two, 4, -1, 1}, {0, &two, 4, -1, 1},  {-1, &two, 4, -1, 1},
    };
    for (const auto& row : rows) {
        Trees t;
        TarvoSerializer s;
        EXPECT_EQ(s.set_opt(row.optname, row.optval, row.optlen), row.result) << row.optname;
        std::vector<char> buf(64);
        if (row.version_after == 0) {
            EXPECT_EQ(outcome([&] { s.serialize(t.dict(), buf.data(), buf.size()); }),
                      TSE + "version 3is not supported");
        } else {
            s.serialize(t.dict(), buf.data(), buf.size());
            EXPECT_EQ(buf[0] == 'P', row.version_after == 1) << row.optname;
        }
    }
    TarvoSerializer s;
    EXPECT_EQ(outcome([&] { s.set_opt(1, NULL, 4); }), "tal::NullPointerException: optval cannot be NULL!");
    EXPECT_EQ(outcome([&] { s.set_opt(9, NULL, 0); }), "tal::NullPointerException: optval cannot be NULL!");
    EXPECT_TRUE(s.get_throw_on_tarvo_error());
    s.set_throw_on_tarvo_error(false);
    EXPECT_FALSE(s.get_throw_on_tarvo_error());
}

TEST(TarvoSerializerFailures, BufferForm)
{
    const int v2 = 2, KEEP = INT_MIN;
    const struct {
        const char* what;
        int tmp_size;  // option 2; KEEP: the default
        size_t buf_size;
        size_t max_size;
        bool null_buf;
        std::function<IVar&(Trees&)> tree;
        std::string expected;
    } rows[] = {
        {"null buf", KEEP, 64, 64, true, [](Trees& t) -> IVar& { return t.dict(); },
         "tal::NullPointerException: buf"},
        {"max_size 0", KEEP, 64, 0, false, [](Trees& t) -> IVar& { return t.dict(); },
         "tal::BadArgumentException: max_size can't be 0"},
        {"array", KEEP, 64, 64, false, [](Trees& t) -> IVar& { return t.array(); },
         "tal::BadArgumentException: Only Dict is accepted"},
        {"number", KEEP, 64, 64, false, [](Trees& t) -> IVar& { return t.num<int>(1); },
         "tal::BadArgumentException: Only Dict is accepted"},
        {"9 bytes", KEEP, 9, 9, false, [](Trees& t) -> IVar& { return t.dict(); },
         TSE + "pack create failed: -5"},
        {"no temp", 0, 64, 64, false, [](Trees& t) -> IVar& { return t.dict(); },
         TSE + "pack create failed: -11"},
        {"negative temp", -1, 64, 64, false, [](Trees& t) -> IVar& { return t.dict(); },
         TSE + "pack create failed: -2"},
        // Room for the root handle only: the child's handle is refused later.
        {"no temp for a child", 136, 64, 64, false,
         [](Trees& t) -> IVar& { return t.put(t.dict(), "d", t.dict()); },
         TSE + "tarvo_put_object() failed: TVO: Run out of temporary buffer"},
        {"empty key", KEEP, 64, 64, false,
         [](Trees& t) -> IVar& { return t.put(t.dict(), "", t.num<int>(1)); },
         TSE + "tarvo key cann't be empty"},
        {"int32 too big", KEEP, 64, 16, false,
         [](Trees& t) -> IVar& { return t.put(t.dict(), "k", t.num<int>(1)); },
         TSE + "tarvo_put_int32() failed: TVO: Not enough space"},
        {"string too big", KEEP, 64, 16, false,
         [](Trees& t) -> IVar& { return t.put(t.dict(), "k", t.rp.create<ShallowString>("abc", 3ul)); },
         TSE + "tarvo_put_str() failed: TVO: Not enough space"},
        {"null too big", KEEP, 64, 12, false,
         [](Trees& t) -> IVar& { return t.put(t.dict(), "k", Null::null); },
         TSE + "pack put object failed: TVO: Not enough space"},
        {"array too big", KEEP, 64, 16, false,
         [](Trees& t) -> IVar& { return t.put(t.dict(), "k", t.array()); },
         TSE + "tarvo_put_array() failed: TVO: Not enough space"},
        // Never read: the length alone is refused, not cut to 32 bits.
        {"raw beyond 32 bits", KEEP, 64, 64, false,
         [](Trees& t) -> IVar& {
             return t.put(t.dict(), "r",
                          t.rp.create<ShallowRaw>(static_cast<const void*>("x"), size_t(UINT_MAX) + 2));
         },
         TSE + "tarvo_put_raw() failed: TVO: Not enough space"},
        {"name too long", KEEP, 512, 512, false,
         [](Trees& t) -> IVar& { return t.put(t.dict(), std::string(255, 'n').c_str(), t.num<int>(1)); },
         TSE + "tarvo_put_int32() failed: TVO: Name too long"},
        {"dict in dict in array", KEEP, 64, 64, false,
         [](Trees& t) -> IVar& {
             return t.put(t.dict(), "a", t.push(t.array(), t.put(t.dict(), "", Null::null)));
         },
         TSE + "tarvo key cann't be empty"},
    };
    for (const auto& row : rows) {
        Trees t;
        TarvoSerializer s;
        s.set_opt(1, &v2, sizeof v2);
        if (row.tmp_size != KEEP) s.set_opt(2, &row.tmp_size, sizeof row.tmp_size);
        std::vector<char> buf(row.buf_size);
        IVar& tree = row.tree(t);
        EXPECT_EQ(outcome([&] { s.serialize(tree, row.null_buf ? NULL : buf.data(), row.max_size); }),
                  row.expected)
            << row.what;
    }
}

TEST(TarvoSerializerFailures, EmptyKeyStopsTheWalkAfterTheKeysBeforeIt)
{
    Trees t;
    PoolPack p;
    IVar& d = t.put(t.put(t.put(t.dict(), "b", t.num<int>(2)), "", t.num<int>(0)), "a", t.num<int>(1));
    TarvoSerializer s;
    EXPECT_EQ(outcome([&] { s.serialize(d, p.pack); }), TSE + "tarvo key cann't be empty");
    // "" sorts first: nothing was written.
    EXPECT_EQ(tarvo_get_item_count(p.pack), 0);
    IVar& e = t.put(t.put(t.dict(), "a", t.num<int>(1)), "b", t.dict());
    t.put(e["b"], "", Null::null);
    EXPECT_EQ(outcome([&] { s.serialize(e, p.pack); }), TSE + "tarvo key cann't be empty");
    EXPECT_EQ(p.hex(), golden("10 00 18000000 02000000 14 02 6100 01000000 10 02 04000000 6200 00000000"));
}

TEST(TarvoSerializerFailures, PackForm)
{
    Trees t;
    TarvoSerializer s;
    PoolPack p;
    const struct {
        tarvo_t* pack;
        IVar* tree;
        std::string expected;
    } rows[] = {
        {NULL, &t.dict(), "tal::NullPointerException: pack cannot be NULL!"},
        {reinterpret_cast<tarvo_t*>(intptr_t(-5)), &t.dict(), TSE + "not a valid pack-5"},
        {reinterpret_cast<tarvo_t*>(intptr_t(-255)), &t.dict(), TSE + "not a valid pack-255"},
        {p.pack, &t.num<int>(1), "tal::BadArgumentException: Only Dict/Array is accepted"},
        {p.pack, &Null::null, "tal::BadArgumentException: Only Dict/Array is accepted"},
        // A dict element has no name, which an object container refuses.
        {p.pack, &t.push(t.array(), t.dict()), TSE + "tarvo_put_object() failed: TVO: Bad name"},
    };
    for (const auto& row : rows) EXPECT_EQ(outcome([&] { s.serialize(*row.tree, row.pack); }), row.expected);
}

TEST(TarvoSerializerFailures, ScalarsLeftOutUnlessThrowingButContainersAlwaysThrow)
{
    Trees t;
    TarvoSerializer s;
    s.set_throw_on_tarvo_error(false);
    const int v2 = 2;
    s.set_opt(1, &v2, sizeof v2);
    std::vector<char> buf(64);
    IVar& d = t.put(t.put(t.dict(), "a", t.num<long long>(1)), "s", t.rp.create<ShallowString>("xyz", 3ul));
    // 21 bytes do not hold a (12 bytes after the root's 10) but s (9);
    // 22 bytes hold a but then not s.
    EXPECT_EQ(s.serialize(d, buf.data(), 21), 19u);
    EXPECT_EQ(to_hex(buf.data(), 19), golden("10 00 0d000000 01000000 d0 02 04 7300 78797a00"));
    EXPECT_EQ(s.serialize(d, buf.data(), 22), 22u);
    EXPECT_EQ(to_hex(buf.data(), 22), golden("10 00 10000000 01000000 18 02 6100 0100000000000000"));
    t.put(d, "b", t.dict());
    EXPECT_EQ(outcome([&] { s.serialize(d, buf.data(), 22); }),
              TSE + "tarvo_put_object() failed: TVO: Not enough space");
}

TEST(TarvoSerializerFailures, ClampsSizesBeyondInt)
{
    Trees t;
    TarvoSerializer s;
    std::vector<char> buf(64);
    const int v2 = 2;
    s.set_opt(1, &v2, sizeof v2);
    for (size_t max_size : {size_t(INT_MAX) + 1, size_t(UINT_MAX) + 2, SIZE_MAX})
        EXPECT_EQ(s.serialize(t.dict(), buf.data(), max_size), 10u) << max_size;
}

TEST(TarvoSerializerFailures, TreeContainingItselfStopsAtTheDepthLimit)
{
    for (bool via_array : {false, true}) {
        Trees t;
        IVar& d = t.dict();
        IVar& a = t.array();
        if (via_array)
            t.put(d, "a", t.push(a, d));
        else
            t.put(d, "self", d);
        PoolPack p(1 << 16);
        TarvoSerializer s;
        EXPECT_EQ(outcome([&] { s.serialize(d, p.pack); }), TSE + "nesting deeper than 256 levels");
        // The depth count is back at 0: a flat tree still serializes.
        EXPECT_EQ(outcome([&] { s.serialize(t.put(t.dict(), "x", Null::null), p.pack); }), "");
    }
}

TEST(TarvoSerializerFailures, ChildHandlesAreGivenBackWhenTheirWalkThrows)
{
    // Each round opens a child object in the array and fails inside it; a
    // handle kept would soon use up the small temp area (-11).
    Trees t;
    std::vector<char> buf(1 << 16), tmp(2048);
    tarvo_t* root = tarvo_open_w(2, buf.data(), int(buf.size()), tmp.data(), int(tmp.size()));
    tarvo_t* arr = tarvo_put_array(root, "a");
    ASSERT_EQ(TARVO_PTR_ERR(arr), 0);
    IVar& bad = t.push(t.array(), t.put(t.dict(), "", Null::null));
    TarvoSerializer s;
    for (int round = 0; round < 500; ++round)
        ASSERT_EQ(outcome([&] { s.serialize(bad, arr); }), TSE + "tarvo key cann't be empty") << round;
    EXPECT_EQ(tarvo_get_item_count(arr), 500);
}

}  // namespace
