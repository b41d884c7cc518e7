// Hostile records: truncations and corruptions of a valid record, nesting
// past the limit, and lengths near the format's 32-bit limits. Each must end
// in a result or in one of the reader's own exceptions, never in a crash or
// a read past the bytes given (the sanitizer configuration runs them all).
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>
#include <string>

#include "quillet/test/quillet_bytes.h"

using quillet_test::bytes;
using quillet_test::container;
using quillet_test::h;
using quillet_test::isoarray;
using quillet_test::item;
using quillet_test::le32;
using quillet_test::Record;

namespace {

bytes sample()
{
    return container(
        0x10, "rec",
        {
            item(0x14, "i", h("feffffff")),
            item(0xd0, "s", h("73686f727400")),
            item(0x50, "l", h("6c6f6e6700")),
            item(0x00, "gone", h("0102")),
            item(0xe0, "r", h("0102")),
            item(0x60, "e", h("")),
            container(0x20, "a",
                      {item(0x48, "", h("0000000000000440")), item(0x83, "", h("010203")) /* deleted */,
                       container(0x10, "", {item(0x61, "n", h("00"))}), isoarray("", 0x12, h("0100 0200 03")),
                       item(0x21, "", h("07"))}),
            container(0x40, "t",
                      {isoarray("x", 0x14, h("01000000 02000000")),
                       container(0x20, "y", {item(0x31, "", h("01")), item(0x31, "", h("00"))})}),
            item(0x31, "b", h("01")),
        });
}

// The walk's text, or the reader's failure as "!message"; anything else
// thrown fails the test.
std::string outcome(const bytes& b)
{
    Record r(b);
    try {
        return quillet_test::walk_record(r.buf);
    } catch (const tal::OutOfBoundException& e) {
        EXPECT_STREQ(e.what(), "Buffer overflow");
        return std::string("!") + e.what();
    } catch (const tal::ParseErrorException& e) {
        const std::string what = e.what();
        EXPECT_TRUE(what == "bad data" || what == "nesting too deep") << what;
        return "!" + what;
    }
}

TEST(QuilletHostile, SampleWalksWhole)
{
    EXPECT_EQ(outcome(sample()),
              "{i=14:feffffff,s=d0:73686f727400,l=50:6c6f6e6700,r=e0:0102,e=60:,"
              "a=[48:0000000000000440,{n=61:00},[12:0100,12:0200,12:0321],21:07],"
              "t={x=[14:01000000,14:02000000],y=[31:01,31:00]},b=31:01}");
}

TEST(QuilletHostile, EveryPrefixRunsPastTheBuffer)
{
    const bytes full = sample();
    for (size_t n = 0; n < full.size(); ++n) EXPECT_EQ(outcome(full.substr(0, n)), "!Buffer overflow") << n;
}

TEST(QuilletHostile, EveryPrefixWithTheRecordShortenedToFit)
{
    const bytes full = sample();
    const size_t value = 6 + 4;  // header and the name "rec"
    int whole = 0;
    for (size_t n = value + 4; n < full.size(); ++n)
        whole += outcome(quillet_test::shortened_to_fit(full, value, n))[0] != '!';
    // Cuts right after an item leave a shorter valid record.
    EXPECT_GE(whole, 6);
}

TEST(QuilletHostile, EveryByteSetToEveryValue)
{
    const bytes full = sample();
    for (size_t i = 0; i < full.size(); ++i)
        for (int v = 0; v < 256; ++v) {
            bytes b = full;
            b[i] = char(v);
            outcome(b);
        }
}

TEST(QuilletHostile, EveryFourByteFieldAtItsExtremes)
{
    const bytes full = sample();
    for (size_t i = 0; i + 4 <= full.size(); ++i)
        for (uint32_t v : {0u, 0x7fffffffu, 0xfffffff9u, 0xffffffffu}) {
            bytes b = full;
            b.replace(i, 4, le32(v));
            outcome(b);
        }
}

// depth arrays, each the only item of the one around it.
bytes nested(size_t depth)
{
    const bytes leaf = h("21 00 2a");
    bytes out;
    for (size_t level = 0; level < depth; ++level)
        out += h("20 00") + le32(uint32_t(4 + (depth - level - 1) * 10 + leaf.size())) + le32(1);
    return out + leaf;
}

TEST(QuilletHostile, NestingStopsOneLevelPastTheLimit)
{
    EXPECT_EQ(outcome(nested(quillet::MAX_DEPTH)),
              std::string(quillet::MAX_DEPTH, '[') + "21:2a" + std::string(quillet::MAX_DEPTH, ']'));
    Record r(nested(quillet::MAX_DEPTH + 1));
    try {
        quillet_test::walk_record(r.buf);
        ADD_FAILURE() << "no exception";
    } catch (const tal::ParseErrorException& e) {
        EXPECT_STREQ(e.what(), "nesting too deep");
        EXPECT_STREQ(e.function(),
                     "quillet::Reader<T>::Reader(const quillet::Reader<T>&, const quillet::Iterator&) "
                     "[with T = quillet::buffer::buffer]");
    }
    // Far deeper records fail the same way, not by running out of stack.
    EXPECT_EQ(outcome(nested(100000)), "!nesting too deep");
}

// Address space for records near the 32-bit limits; only the pages written
// or read are ever backed by memory.
struct Mapping {
    explicit Mapping(size_t n) : size(n)
    {
        void* p =
            mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        memory = p == MAP_FAILED ? nullptr : static_cast<char*>(p);
    }
    ~Mapping()
    {
        if (memory) munmap(memory, size);
    }
    void put(const bytes& b) { std::memcpy(memory, b.data(), b.size()); }
    size_t size;
    char* memory;
};

TEST(QuilletHostile, BuffersOf4GiBAreViewedUpToTheLimit)
{
    Mapping m((size_t(1) << 32) + 16);
    if (!m.memory) GTEST_SKIP() << "no 4 GiB of address space";
    const quillet::Buffer buf(m.memory, m.size);
    ASSERT_EQ(buf.capacity(), UINT32_MAX);
    // A raw value that ends at the view's last byte is read; one byte more
    // lies past the view, although the mapping holds it.
    m.put(h("60 00 f9ffffff"));
    const quillet::Iterator it = quillet::buffer::Reader::getIterator(buf);
    EXPECT_EQ(it.value(), m.memory + 6);
    EXPECT_EQ(it.length(), 0xfffffff9u);
    m.put(h("60 00 faffffff"));
    EXPECT_THROW(quillet::buffer::Reader::getIterator(buf), tal::OutOfBoundException);
    // An empty value at the view's very end is a valid pointer, not null:
    // the one live item after a deleted one that spans nearly everything.
    m.put(h("20 00") + le32(UINT32_MAX - 6) + le32(1) + h("00 00") + le32(UINT32_MAX - 19));
    std::memcpy(m.memory + UINT32_MAX - 3, h("e0 00 00").data(), 3);
    quillet::buffer::Reader reader(buf);
    quillet::Iterator last;
    ASSERT_TRUE(reader.next(last));
    EXPECT_EQ(last.value(), m.memory + UINT32_MAX);
    EXPECT_EQ(last.length(), 0u);
    EXPECT_FALSE(reader.next(last));
}

TEST(QuilletHostile, IsoarrayIndexesStayWithinSigned32Bits)
{
    const size_t max = size_t(quillet::MAX_ITEMS);
    Mapping m(6 + 1 + max + 1);
    if (!m.memory) GTEST_SKIP() << "no 2 GiB of address space";
    const quillet::Buffer buf(m.memory, m.size);
    m.put(h("30 00") + le32(uint32_t(1 + max)) + h("21"));
    EXPECT_EQ(quillet::buffer::Reader(buf).count(), max);
    m.put(h("30 00") + le32(uint32_t(1 + max + 1)) + h("21"));
    EXPECT_THROW(quillet::buffer::Reader{buf}, tal::ParseErrorException);
    // Wider elements never come near the limit.
    m.put(h("30 00") + le32(uint32_t(1 + max + 1)) + h("22"));
    EXPECT_EQ(quillet::buffer::Reader(buf).count(), max / 2);
}

}  // namespace
