// Walking containers: objects, arrays, deleted items, isoarrays and
// object-isoarrays, child readers and reset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quillet/test/quillet_bytes.h"

using quillet_test::bytes;
using quillet_test::container;
using quillet_test::h;
using quillet_test::hex;
using quillet_test::isoarray;
using quillet_test::item;
using quillet_test::Record;
using quillet_test::walk_record;

namespace {

TEST(QuilletWalk, BuilderMatchesTheGoldenBytes)
{
    const bytes golden =
        h("10 00 13000000"        // object, no name, value length 19
          "02000000"              // item count
          "14 02 6100 2a000000"   // a: int32 42
          "d0 02 02 6200 7800");  // b: short string "x"
    EXPECT_EQ(hex(container(0x10, "", {item(0x14, "a", h("2a000000")), item(0xd0, "b", h("7800"))})),
              hex(golden));
    Record r(golden);
    quillet::buffer::Reader reader(r.buf);
    EXPECT_EQ(reader.count(), 2u);
    EXPECT_EQ(reader.size(), golden.size());
    EXPECT_EQ(walk_record(r.buf), "{a=14:2a000000,b=d0:7800}");
}

TEST(QuilletWalk, EveryTypeNestedInObjectsAndArrays)
{
    const bytes record = container(
        0x10, "root",
        {
            item(0x11, "i8", h("80")),
            item(0x12, "i16", h("0080")),
            item(0x14, "i32", h("00000080")),
            item(0x18, "i64", h("0000000000000080")),
            item(0x21, "u8", h("ff")),
            item(0x22, "u16", h("ffff")),
            item(0x24, "u32", h("ffffffff")),
            item(0x28, "u64", h("ffffffffffffffff")),
            item(0x31, "t", h("01")),
            item(0x44, "f", h("0000c03f")),
            item(0x48, "d", h("000000000000f83f")),
            item(0x61, "n", h("00")),
            item(0x50, "s", h("6c6f6e6700")),
            item(0xd0, "ss", h("00")),
            item(0x60, "r", h("")),
            item(0xe0, "sr", h("0102")),
            container(0x20, "arr",
                      {item(0x14, "", h("01000000")), container(0x10, "", {item(0x61, "z", h("00"))}),
                       container(0x20, "", {}), isoarray("", 0x21, h("0102"))}),
            container(0x10, "obj", {container(0x10, "deeper", {item(0x31, "b", h("00"))})}),
        });
    Record r(record);
    EXPECT_EQ(walk_record(r.buf),
              "{i8=11:80,i16=12:0080,i32=14:00000080,i64=18:0000000000000080,u8=21:ff,u16=22:ffff,"
              "u32=24:ffffffff,u64=28:ffffffffffffffff,t=31:01,f=44:0000c03f,d=48:000000000000f83f,"
              "n=61:00,s=50:6c6f6e6700,ss=d0:00,r=60:,sr=e0:0102,"
              "arr=[14:01000000,{z=61:00},[],[21:01,21:02]],obj={deeper={b=31:00}}}");
}

TEST(QuilletWalk, DeletedItemsOfEveryFormAreSteppedOver)
{
    const bytes record =
        container(0x20, "",
                  {
                      item(0x00, "gone", h("0102030405")),  // 6-byte header
                      item(0x14, "", h("01000000")),
                      item(0x80, "", h("aabb")),       // 3-byte header
                      item(0x04, "x", h("ffffffff")),  // 2-byte header, size nibble 4
                      item(0x8f, "", bytes(15, 'q')),  // size nibble wins over the short flag
                      item(0x14, "", h("02000000")),
                      item(0x01, "", h("00")),
                  },
                  2);
    Record r(record);
    EXPECT_EQ(walk_record(r.buf), "[14:01000000,14:02000000]");
    quillet::buffer::Reader reader(r.buf);
    EXPECT_EQ(reader.count(), 2u);
}

TEST(QuilletWalk, OnlyDeletedItemsOrADeletedItemPastTheEnd)
{
    // The second deleted item claims 4,294,967,295 value bytes: its end lies
    // past the container's (and past 32 bits); the walk just ends.
    const std::vector<bytes> records = {
        container(0x10, "", {item(0x00, "", h("01")), item(0x80, "a", h(""))}, 3),
        container(0x20, "", {item(0x14, "", h("07000000")), h("00 00 ffffffff")}),
        container(0x20, "", {item(0x14, "", h("07000000")), h("80 00 40")}),
    };
    for (const bytes& b : records) {
        Record r(b);
        quillet::buffer::Reader reader(r.buf);
        quillet::Iterator it;
        const bool has_live = b[10] == 0x14;
        EXPECT_EQ(reader.next(it), has_live);
        EXPECT_FALSE(reader.next(it));
        EXPECT_FALSE(reader.next(it));
        reader.reset();
        EXPECT_EQ(reader.next(it), has_live);
    }
}

TEST(QuilletWalk, IsoarrayElementsWithAndWithoutRemainder)
{
    struct Case {
        bytes record;
        unsigned count;
        std::string walked;
    } cases[] = {
        {isoarray("", 0x14, h("01000000 02000000")), 2, "[14:01000000,14:02000000]"},
        {isoarray("v", 0x84, h("aabbccdd")), 1, "[84:aabbccdd]"},
        {isoarray("", 0x21, h("")), 0, "[]"},
        // Remainder: the partial element runs on past the isoarray's value
        // into the bytes after it, which the buffer holds.
        {container(0x20, "", {isoarray("", 0x14, h("01000000 0203")), item(0x61, "", h("00"))}), 1,
         "[[14:01000000,14:02036100],61:00]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.record));
        Record r(c.record);
        EXPECT_EQ(walk_record(r.buf), c.walked);
        if (c.record[0] == 0x30) {
            EXPECT_EQ(quillet::buffer::Reader(r.buf).count(), c.count);
        }
    }
}

TEST(QuilletWalk, IsoarrayElementsLieBackToBack)
{
    Record r(isoarray("ab", 0x14, h("01000000 02000000")));
    quillet::buffer::Reader reader(r.buf);
    quillet::Iterator it;
    for (unsigned i = 0; i < 2; ++i) {
        ASSERT_TRUE(reader.next(it));
        EXPECT_EQ(it.getType(), 0x14);
        EXPECT_EQ(it.length(), 4u);
        EXPECT_EQ(it.value(), r.memory.get() + 6 + 3 + 1 + 4 * i);
    }
    EXPECT_FALSE(reader.next(it));
}

// Read as the deserializer reads a table: column count, row count from the
// first column, reset, then every column row by row.
TEST(QuilletWalk, ObjectIsoarrayColumnByColumn)
{
    Record r(container(0x40, "t",
                       {isoarray("x", 0x14, h("01000000 02000000")),
                        container(0x20, "y", {item(0x12, "", h("0300")), item(0x12, "", h("0400"))})}));
    quillet::buffer::Reader table(r.buf);
    ASSERT_EQ(table.count(), 2u);
    quillet::ObjectIterator column;
    ASSERT_TRUE(table.next(column));
    const uint32_t rows = quillet::buffer::Reader(table, column).count();
    ASSERT_EQ(rows, 2u);
    table.reset();
    std::string cells;
    for (uint32_t f = 0; f < table.count(); ++f) {
        ASSERT_TRUE(table.next(column));
        quillet::buffer::Reader field(table, column);
        cells += std::string(column.getName(), column.getNameLength() - 1) + ":";
        quillet::Iterator cell;
        for (uint32_t i = 0; i < rows; ++i) {
            ASSERT_TRUE(field.next(cell));
            cells += " " + quillet_test::scalar(cell);
        }
        cells += ";";
    }
    EXPECT_EQ(cells, "x: 14:01000000 14:02000000;y: 12:0300 12:0400;");
    EXPECT_FALSE(table.next(column));
}

TEST(QuilletWalk, ChildReadersLeaveTheParentWhereItWas)
{
    Record r(container(0x20, "", {container(0x20, "", {item(0x21, "", h("01"))}), item(0x21, "", h("02"))}));
    quillet::buffer::Reader parent(r.buf);
    quillet::Iterator it, inner;
    ASSERT_TRUE(parent.next(it));
    quillet::buffer::Reader child(parent, it);
    ASSERT_TRUE(child.next(inner));
    EXPECT_EQ(quillet_test::scalar(inner), "21:01");
    quillet::buffer::Reader copy = parent;
    ASSERT_TRUE(parent.next(it));
    EXPECT_EQ(quillet_test::scalar(it), "21:02");
    ASSERT_TRUE(copy.next(it));
    EXPECT_EQ(quillet_test::scalar(it), "21:02");
    parent.reset();
    EXPECT_EQ(quillet_test::walk(parent, 0x20), "[[21:01],21:02]");
}

TEST(QuilletWalk, OnlyTheBufferBoundsAnItem)
{
    // An empty object; a container whose value length stops inside its
    // first item, which is still returned whole; a value length below the 4
    // count bytes, which gives a container that ends at once.
    struct Case {
        const char* record;
        std::string walked;
        unsigned count;
    } cases[] = {
        {"10 00 04000000 00000000", "{}", 0},
        {"20 00 06000000 01000000 14 00 2a000000", "[14:2a000000]", 1},
        {"20 00 02000000 00000000", "[]", 0},
    };
    for (const Case& c : cases) {
        Record r(h(c.record));
        EXPECT_EQ(walk_record(r.buf), c.walked);
        EXPECT_EQ(quillet::buffer::Reader(r.buf).count(), c.count);
    }
}

}  // namespace
