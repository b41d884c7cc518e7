// Hostile records: truncations and corruptions of a valid record and nesting
// past the limit must end in a tree or in one of the known exceptions, never
// in a crash or a read past the bytes given (the sanitizer configuration
// runs them all, in both copy modes).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "talext/test/sample_record.h"
#include "talext/test/tree_text.h"

namespace {

using namespace talext_test;

// Every message the deserializer and the parts below it may give here.
bool known(const std::string& failure)
{
    static const char* const prefixes[] = {
        "!tal::OutOfBoundException: Buffer overflow",
        "!tal::OutOfBoundException: buffer too small! max_size[",
        "!tal::OutOfBoundException: too many isoarray fields! found ",
        "!tal::OutOfBoundException: cannot fetch ",
        "!tal::ParseErrorException: bad data",
        "!tal::ParseErrorException: nesting too deep",
        "!tal::ParseErrorException: bad quillet data, unknown quillet item type, buffer size:",
        "!tal::BadArgumentException: invalid tarvo item type ",
        "!tal::BadArgumentException: wrong len:",
    };
    if (failure.empty() || failure[0] != '!') return true;
    for (const char* p : prefixes)
        if (failure.compare(0, std::strlen(p), p) == 0) return true;
    return false;
}

// Both copy modes: a tree or a known failure. Returns how many modes gave a
// tree.
int expect_clean(const bytes& b, const std::string& what)
{
    int trees = 0;
    for (QuilletDeserializer::copy_option_t opt : {QuilletDeserializer::DEEP, QuilletDeserializer::SHALLOW}) {
        const std::string got = parse(b, opt);
        EXPECT_TRUE(known(got)) << what << ": " << got;
        trees += got[0] != '!';
    }
    return trees;
}

TEST(DeserializerHostile, SampleParsesWhole)
{
    EXPECT_EQ(parse(sample_record()),
              "{a=[f64:2.5,{n=null},[i16:1,i16:2]],b=bool:true,d=f64:2.5,e=raw:,f=f32:1.5,i16=i16:-2,"
              "i32=i32:-3,i64=i64:-4,i8=i8:-1,l=str:6c6f6e67,n=null,r=raw:0102,s=str:73686f7274,"
              "t=[{x=i32:1,y=bool:true},{x=i32:2,y=str:7a}],u16=u16:2,u32=u32:3,u64=u64:4,u8=u8:1}");
}

TEST(DeserializerHostile, EveryPrefixWithTheRecordShortenedToFit)
{
    const bytes full = sample_record();
    const size_t value = 6 + 4;  // header and the name "rec"
    int whole = 0;
    for (size_t n = value + 4; n < full.size(); ++n)
        whole += expect_clean(quillet_test::shortened_to_fit(full, value, n), "prefix " + std::to_string(n));
    // Cuts right after a member leave a shorter valid record.
    EXPECT_GE(whole, 10);
}

TEST(DeserializerHostile, EveryByteCorrupted)
{
    const bytes full = sample_record();
    for (size_t i = 0; i < full.size(); ++i) {
        const unsigned char was = static_cast<unsigned char>(full[i]);
        for (unsigned char v : {0x00, 0x01, 0x7f, 0x80, 0xff, was ^ 0x01, was ^ 0x10, was ^ 0x80}) {
            bytes b = full;
            b[i] = char(v);
            expect_clean(b, "byte " + std::to_string(i) + " = " + std::to_string(v));
        }
    }
}

TEST(DeserializerHostile, EveryFourBytesAtTheirMaximum)
{
    // Covers every 32-bit length and count in the record.
    const bytes full = sample_record();
    for (size_t i = 0; i + 4 <= full.size(); ++i) {
        bytes b = full;
        b.replace(i, 4, h("ffffffff"));
        expect_clean(b, "offset " + std::to_string(i));
    }
}

// levels arrays, each holding the next, around one null; built front to
// back in one pass.
bytes nested_arrays(size_t levels)
{
    const size_t level_bytes = 6 + 4;
    const bytes inner = h("6100 00");
    bytes out;
    out.reserve(levels * level_bytes + inner.size());
    for (size_t i = 0; i < levels; ++i)
        out += h("2000") + le32(uint32_t(4 + (levels - 1 - i) * level_bytes + inner.size())) + le32(1);
    return out + inner;
}

TEST(DeserializerHostile, NestingPastTheLimitIsRefused)
{
    std::string deepest = "null";
    for (uint32_t i = 0; i < quillet::MAX_DEPTH; ++i) deepest = "[" + deepest + "]";
    EXPECT_EQ(parse(nested_arrays(quillet::MAX_DEPTH)), deepest);
    for (size_t levels : {size_t(quillet::MAX_DEPTH) + 1, size_t(100000)})
        EXPECT_EQ(parse(nested_arrays(levels)), "!tal::ParseErrorException: nesting too deep") << levels;

    // Cells of a table nest too: the table, its column and the cell's array.
    bytes cell = h("6100 00");
    for (uint32_t i = 0; i + 2 < quillet::MAX_DEPTH; ++i) cell = container(0x20, "", {cell});
    EXPECT_EQ(parse(container(0x40, "", {container(0x20, "c", {cell})})).substr(0, 8), "[{c=[[[[");
    EXPECT_EQ(parse(container(0x40, "", {container(0x20, "c", {container(0x20, "", {cell})})})),
              "!tal::ParseErrorException: nesting too deep");
}

TEST(DeserializerHostile, StoredCountsDoNotSizeAllocations)
{
    // A 22-byte table whose first column claims 2^32 - 1 rows: it fails as
    // the column would run out, before any row is made.
    const bytes b = container(0x40, "", {container(0x20, "c", {}, 0xffffffff)});
    EXPECT_EQ(b.size(), 22u);
    EXPECT_EQ(parse(b), "!tal::OutOfBoundException: cannot fetch item from field  0/1 named c");
}

}  // namespace
