// Every type byte the deserializer maps, every container shape, and the
// sizes it reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "talext/test/tree_text.h"

namespace {

using namespace talext_test;

TEST(DeserializerMapping, Scalars)
{
    const struct {
        const char* hex;
        const char* text;
    } rows[] = {
        {"1100 ff", "i8:-1"},
        {"1200 feff", "i16:-2"},
        {"1400 2a000000", "i32:42"},
        {"1800 ffffffffffffff7f", "i64:9223372036854775807"},
        {"2100 ff", "u8:255"},
        {"2200 ffff", "u16:65535"},
        {"2400 ffffffff", "u32:4294967295"},
        {"2800 ffffffffffffffff", "u64:18446744073709551615"},
        {"4400 0000c0bf", "f32:-1.5"},
        {"4800 000000000000f83f", "f64:1.5"},
        {"3100 00", "bool:false"},
        {"3100 01", "bool:true"},
        {"3100 80", "bool:true"},
        {"6100 5a", "null"},
        {"d000 06 68656c6c6f00", "str:68656c6c6f"},
        {"5000 06000000 68656c6c6f00", "str:68656c6c6f"},
        {"d000 00", "str:"},
        {"5000 00000000", "str:"},
        {"d000 03 610062", "str:6100"},  // last byte neither copied nor examined
        {"e000 02 0102", "raw:0102"},
        {"6000 04000000 00ff0010", "raw:00ff0010"},
        {"6000 00000000", "raw:"},
        // The top-level item's name is skipped.
        {"1402 6e00 2a000000", "i32:42"},
    };
    for (const auto& row : rows) EXPECT_EQ(parse(h(row.hex)), row.text) << row.hex;
}

TEST(DeserializerMapping, Containers)
{
    const struct {
        bytes record;
        const char* text;
    } rows[] = {
        {container(0x10, "", {}), "{}"},
        {container(0x20, "top", {}), "[]"},
        // Dict keys come in the dict's own order; deleted items are skipped.
        {container(0x10, "",
                   {item(0x21, "b", h("02")), item(0x03, "gone", h("000000")), item(0x21, "a", h("01")),
                    container(0x20, "c", {item(0x61, "", h("00"))})}),
         "{a=u8:1,b=u8:2,c=[null]}"},
        // A later member of the same name wins.
        {container(0x10, "", {item(0x14, "a", h("01000000")), item(0x14, "a", h("02000000"))}), "{a=i32:2}"},
        // Names up to their first NUL; element names are never read.
        {container(0x10, "",
                   {item_stored_name(0x21, h("61006200"), h("07")),
                    container(0x20, "x", {item_stored_name(0x21, h("ff"), h("08"))})}),
         "{a=u8:7,x=[u8:8]}"},
        {container(0x20, "",
                   {item(0xd0, "", h("7800")), container(0x10, "", {}), isoarray("", 0x31, h("0100"))}),
         "[str:78,{},[bool:true,bool:false]]"},
        {isoarray("", 0x12, h("0100 0200 ffff")), "[i16:1,i16:2,i16:-1]"},
        {isoarray("", 0x84, h("")), "[]"},
        // A trailing partial element reads on into the bytes after it (the
        // next item's type byte 0x21).
        {container(0x20, "", {isoarray("", 0x12, h("0100 02")), item(0x21, "", h("09"))}),
         "[[i16:1,i16:8450],u8:9]"},
        // ... and runs past the end of a record that ends there.
        {isoarray("", 0x12, h("0100 02")), "!tal::OutOfBoundException: Buffer overflow"},
    };
    for (const auto& row : rows) EXPECT_EQ(parse(row.record), row.text) << quillet_test::hex(row.record);
}

TEST(DeserializerMapping, ObjectIsoarrayRows)
{
    const auto col = [](const char* name, const char* elements) { return isoarray(name, 0x14, h(elements)); };
    const auto table = [](const std::vector<bytes>& columns) { return container(0x40, "", columns); };
    std::vector<bytes> many;
    for (int i = 0; i < 128; ++i) many.push_back(isoarray("c" + std::to_string(i), 0x21, h("05")));
    const struct {
        bytes record;
        std::string text;
    } rows[] = {
        {table({col("x", "01000000 02000000"), col("y", "03000000 04000000")}),
         "[{x=i32:1,y=i32:3},{x=i32:2,y=i32:4}]"},
        {table({}), "[]"},
        // Any container makes a column; items past the first column's count
        // are not read.
        {table({col("x", "01000000"),
                container(0x20, "y", {item(0xd0, "", h("7a00")), item(0x58, "", h("0000000000000000"))})}),
         "[{x=i32:1,y=str:7a}]"},
        // The later of two columns of one name wins.
        {table({col("x", "01000000"), col("x", "09000000")}), "[{x=i32:9}]"},
        // An empty first column: no rows, but every column is still opened.
        {table({col("x", ""), col("y", "01000000")}), "[]"},
        {table({col("x", ""), item(0x14, "y", h("01000000"))}), "!tal::ParseErrorException: bad data"},
        {table({col("x", ""), isoarray("", 0x14, h(""))}), "!tal::ParseErrorException: bad data"},
        {table(many), std::string("[{") +
                          [] {
                              std::vector<std::string> keys;
                              for (int i = 0; i < 128; ++i) keys.push_back("c" + std::to_string(i));
                              std::sort(keys.begin(), keys.end());
                              std::string s;
                              for (const std::string& k : keys) s += (s.empty() ? "" : ",") + k + "=u8:5";
                              return s;
                          }() +
                          "}]"},
    };
    for (const auto& row : rows) EXPECT_EQ(parse(row.record), row.text) << quillet_test::hex(row.record);
}

}  // namespace
