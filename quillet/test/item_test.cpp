// The top-level item: every header form and type code, names, and values
// that end exactly at the buffer's end.
#include <gtest/gtest.h>

#include <string>

#include "quillet/test/quillet_bytes.h"

using quillet_test::bytes;
using quillet_test::h;
using quillet_test::hex;
using quillet_test::Record;

namespace {

TEST(QuilletItem, EveryFormAndTypeAtTheTop)
{
    struct Case {
        const char* record;  // type, name_len, [length,] [name,] value
        unsigned type, value_offset;
        const char* value;
    } cases[] = {
        {"11 00 fe", 0x11, 2, "fe"},
        {"12 00 feff", 0x12, 2, "feff"},
        {"14 00 2a000000", 0x14, 2, "2a000000"},
        {"18 00 0100000000000080", 0x18, 2, "0100000000000080"},
        {"21 00 ff", 0x21, 2, "ff"},
        {"22 00 3412", 0x22, 2, "3412"},
        {"24 00 78563412", 0x24, 2, "78563412"},
        {"28 00 0807060504030201", 0x28, 2, "0807060504030201"},
        {"31 00 01", 0x31, 2, "01"},
        {"44 00 0000803f", 0x44, 2, "0000803f"},
        {"48 00 000000000000f03f", 0x48, 2, "000000000000f03f"},
        {"61 00 00", 0x61, 2, "00"},
        {"50 00 06000000 68656c6c6f00", 0x50, 6, "68656c6c6f00"},
        {"d0 00 03 686900", 0xd0, 3, "686900"},
        {"60 00 04000000 01020304", 0x60, 6, "01020304"},
        {"e0 00 02 0102", 0xe0, 3, "0102"},
        // Empty values at the very end: a valid pointer one past the last byte.
        {"60 00 00000000", 0x60, 6, ""},
        {"e0 00 00", 0xe0, 3, ""},
        {"50 00 00000000", 0x50, 6, ""},
        // A size nibble selects the 2-byte header whatever bit 7 holds.
        {"94 00 01020304", 0x94, 2, "01020304"},
        // Codes the reader does not know are still read by their form bits.
        {"58 00 0102030405060708", 0x58, 2, "0102030405060708"},
        {"f0 00 01 aa", 0xf0, 3, "aa"},
        // The top-level name is stepped over and never checked.
        {"14 02 6100 2a000000", 0x14, 4, "2a000000"},
        {"d0 02 02 6162 7a00", 0xd0, 5, "7a00"},
        {"60 01 01000000 ff ee", 0x60, 7, "ee"},
        // Containers are described like any item; bytes after the record stay unread.
        {"10 00 04000000 00000000 ffff", 0x10, 6, "00000000"},
        {"61 00 00 ffffff", 0x61, 2, "00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        Record r(h(c.record));
        const quillet::Iterator it = quillet::buffer::Reader::getIterator(r.buf);
        EXPECT_EQ(it.getType(), c.type);
        EXPECT_EQ(it.value(), r.memory.get() + c.value_offset);
        EXPECT_EQ(hex(it.value(), it.length()), hex(h(c.value)));
    }
}

TEST(QuilletItem, MemberNamesCountTheirNul)
{
    const std::string longest(254, 'n');
    struct Case {
        bytes stored;  // name bytes as stored, NUL included
        std::string name;
    } cases[] = {
        {h("6100"), "a"},     {h("616200"), "ab"},
        {h("61006200"), "a"},  // an earlier NUL shortens the C string only
        {h("00"), ""},        {longest + '\0', longest},
    };
    for (const auto& c : cases) {
        Record r(
            quillet_test::container(0x10, "", {quillet_test::item_stored_name(0xd0, c.stored, h("7800"))}));
        quillet::buffer::Reader reader(r.buf);
        quillet::ObjectIterator it;
        ASSERT_TRUE(reader.next(it));
        EXPECT_EQ(it.getName(), r.memory.get() + 10 + 3);
        EXPECT_EQ(std::string(it.getName()), c.name);
        EXPECT_EQ(it.getNameLength(), c.stored.size());
        EXPECT_EQ(hex(it.value(), it.length()), "7800");
    }
}

}  // namespace
