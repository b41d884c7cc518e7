// What a parse hands out: borrowed or copied strings and raws, and the
// result across successful, short and failed parses.
#include <gtest/gtest.h>

#include <cstring>

#include "talext/test/tree_text.h"

namespace {

using namespace talext_test;

// Where a string's or raw's bytes lie.
const char* data_of(const IVar& v)
{
    return v.is_raw() ? static_cast<const char*>(v.to_raw().data) : v.c_str();
}

TEST(DeserializerCopy, BorrowPointsIntoTheInputCopyDoesNot)
{
    const struct {
        const char* hex;
        size_t value_offset;
        const char* deep;
        const char* shallow;
    } rows[] = {
        {"d000 04 61626300", 3, "str:616263", "sstr:616263"},
        {"5000 04000000 61626300", 6, "str:616263", "sstr:616263"},
        {"e000 03 010203", 3, "raw:010203", "raw:010203"},
        {"6000 03000000 010203", 6, "raw:010203", "raw:010203"},
        // A value ending exactly at the buffer's end is still seen whole.
        {"6000 01000000 ff", 6, "raw:ff", "raw:ff"},
        // An empty raw is a valid empty view (the borrowed one just past the
        // last byte), never a null pointer.
        {"6000 00000000", 6, "raw:", "raw:"},
    };
    for (const auto& row : rows) {
        const bytes b = h(row.hex);
        for (QuilletDeserializer::copy_option_t opt :
             {QuilletDeserializer::DEEP, QuilletDeserializer::SHALLOW}) {
            Record r(b);
            tal::ResourcePool rp;
            QuilletDeserializer d(rp);
            d.set_copy_option(opt);
            EXPECT_EQ(d.get_copy_option(), opt);
            const IVar& v = d.deserialize(r.memory.get(), b.size());
            const char* p = data_of(v);
            EXPECT_NE(p, nullptr) << row.hex;
            const bool inside = p >= r.memory.get() && p <= r.memory.get() + b.size();
            if (opt == QuilletDeserializer::SHALLOW) {
                EXPECT_EQ(p, r.memory.get() + row.value_offset) << row.hex;
                EXPECT_EQ(text(v), row.shallow) << row.hex;
            } else {
                EXPECT_FALSE(inside) << row.hex;
                // The copy outlives the input's bytes.
                std::memset(r.memory.get(), 0xee, b.size());
                EXPECT_EQ(text(v), row.deep) << row.hex;
            }
        }
    }
}

TEST(DeserializerCopy, TextEndingWithoutNul)
{
    // Copied: the last byte is dropped unseen, inner NULs kept. Borrowed:
    // the text must end in its NUL.
    const bytes b = h("d000 04 61006263");
    EXPECT_EQ(parse(b, QuilletDeserializer::DEEP), "str:610062");
    EXPECT_EQ(parse(b, QuilletDeserializer::SHALLOW), "!tal::BadArgumentException: wrong len:3");
    // An empty text is an owned empty string either way.
    EXPECT_EQ(parse(h("d000 00"), QuilletDeserializer::SHALLOW), "str:");
}

TEST(DeserializerResult, KeptAcrossParses)
{
    tal::ResourcePool rp;
    QuilletDeserializer d(rp);
    EXPECT_EQ(&d.get_result(), &tal::var::Null::null);
    EXPECT_EQ(d.get_copy_option(), QuilletDeserializer::DEEP);
    for (int opt : {-1, 0, 1, 2}) {
        EXPECT_EQ(d.set_opt(opt, "x", 1), -1);
        EXPECT_EQ(d.set_opt(opt, nullptr, 0), -1);
    }

    // Bytes after the record are not looked at.
    const bytes first = h("1400 2a000000 ffff");
    EXPECT_EQ(d.try_deserialize(first.data(), first.size()), 6u);
    IVar& root = d.get_result();
    EXPECT_EQ(text(root), "i32:42");

    const struct {
        bytes record;
        size_t max_size;
        size_t returned;  // 0: the parse throws
    } keep[] = {
        {h("1400 2a00"), 4, 6},                       // too short: measured only
        {h("14"), 1, 2},                              // even the header is cut short
        {h("5800 0000000000000000"), 10, 0},          // unknown type
        {h("1000 07000000 01000000 610000"), 13, 0},  // a member without a name
    };
    for (const auto& row : keep) {
        if (row.returned != 0) {
            EXPECT_EQ(d.try_deserialize(row.record.data(), row.max_size), row.returned);
        } else {
            EXPECT_THROW(d.try_deserialize(row.record.data(), row.max_size), tal::Exception);
        }
        EXPECT_EQ(&d.get_result(), &root) << quillet_test::hex(row.record);
    }

    // A later tree replaces the result; the earlier one stays valid.
    const bytes second = h("d000 02 7900");
    EXPECT_EQ(text(d.deserialize(second.data(), second.size())), "str:79");
    EXPECT_EQ(text(root), "i32:42");
}

}  // namespace
