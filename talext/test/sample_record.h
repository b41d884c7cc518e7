// A record holding every item kind the deserializer maps, deleted items and
// every container shape: the hostile tests' starting point and a fuzz seed.
#ifndef TALEXT_TEST_SAMPLE_RECORD_H
#define TALEXT_TEST_SAMPLE_RECORD_H

#include "quillet/test/quillet_bytes.h"

namespace talext_test {

inline quillet_test::bytes sample_record()
{
    using quillet_test::container;
    using quillet_test::h;
    using quillet_test::isoarray;
    using quillet_test::item;
    return container(
        0x10, "rec",
        {
            item(0x11, "i8", h("ff")),
            item(0x12, "i16", h("feff")),
            item(0x14, "i32", h("fdffffff")),
            item(0x18, "i64", h("fcffffffffffffff")),
            item(0x21, "u8", h("01")),
            item(0x22, "u16", h("0200")),
            item(0x24, "u32", h("03000000")),
            item(0x28, "u64", h("0400000000000000")),
            item(0x44, "f", h("0000c03f")),
            item(0x48, "d", h("0000000000000440")),
            item(0x31, "b", h("01")),
            item(0x61, "n", h("00")),
            item(0xd0, "s", h("73686f727400")),
            item(0x50, "l", h("6c6f6e6700")),
            item(0x00, "gone", h("0102")),
            item(0xe0, "r", h("0102")),
            item(0x60, "e", h("")),
            container(0x20, "a",
                      {item(0x48, "", h("0000000000000440")), item(0x83, "", h("010203")),
                       container(0x10, "", {item(0x61, "n", h("00"))}), isoarray("", 0x12, h("0100 0200"))}),
            container(0x40, "t",
                      {isoarray("x", 0x14, h("01000000 02000000")),
                       container(0x20, "y", {item(0x31, "", h("01")), item(0xd0, "", h("7a00"))})}),
        });
}

}  // namespace talext_test

#endif
