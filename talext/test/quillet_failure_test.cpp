// Each failure of the deserializer with its class, message and throw site,
// and the sizes it reports, also past the format's 32-bit lengths.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "talext/test/tree_text.h"

namespace {

using namespace talext_test;

const char* const TRY = "virtual size_t tal::var::QuilletDeserializer::try_deserialize(const void*, size_t)";
const char* const VALUE =
    "tal::var::IVar& tal::var::QuilletDeserializer::_deserialize_value(const "
    "quillet::buffer::Reader&, const quillet::Iterator&)";
const char* const TABLE =
    "tal::var::IVar& tal::var::QuilletDeserializer::_deserialize_objectisoarray(quillet::buffer::"
    "Reader&)";
const char* const DESERIALIZE =
    "virtual tal::var::IVar& tal::var::IBinaryDeserializer::deserialize(const void*, size_t)";

// Failure of deserialize(buf, max_size) as "class: message @ function".
std::string failure_at(const void* buf, size_t max_size)
{
    tal::ResourcePool rp;
    QuilletDeserializer d(rp);
    try {
        return "no failure: " + talext_test::text(d.deserialize(buf, max_size));
    } catch (const tal::Exception& e) {
        return talext_test::failure(e) + " @ " + e.function();
    }
}

std::string failure_of(const bytes& b)
{
    Record r(b);
    return failure_at(r.memory.get(), b.size());
}

std::string at(const char* cls_message, const char* function)
{
    return std::string(cls_message) + " @ " + function;
}

bytes columns(int n)
{
    std::vector<bytes> cols;
    for (int i = 0; i < n; ++i) cols.push_back(isoarray("c", 0x21, h("05")));
    return container(0x40, "", cols);
}

TEST(DeserializerFailure, ClassMessageAndSite)
{
    const bytes col = isoarray("x", 0x14, h("01000000 02000000 03000000"));
    const struct {
        bytes record;
        std::string expected;
    } rows[] = {
        {h("00 00 00000000"),
         at("tal::ParseErrorException: bad quillet data, unknown quillet item type, buffer size:6", TRY)},
        {h("83 00 000000"),
         at("tal::ParseErrorException: bad quillet data, unknown quillet item type, buffer size:5", TRY)},
        {h("14"), at("tal::OutOfBoundException: buffer too small! max_size[1] expect[>=2]", DESERIALIZE)},
        {h("1400 2a0000"),
         at("tal::OutOfBoundException: buffer too small! max_size[5] expect[>=6]", DESERIALIZE)},
        {h("5800 0000000000000000"), at("tal::BadArgumentException: invalid tarvo item type 88", VALUE)},
        {h("9400 00000000"), at("tal::BadArgumentException: invalid tarvo item type 148", VALUE)},
        {container(0x20, "", {container(0x10, "", {item(0x58, "d", h("0000000000000000"))})}),
         at("tal::BadArgumentException: invalid tarvo item type 88", VALUE)},
        {isoarray("", 0x91, h("01")), at("tal::BadArgumentException: invalid tarvo item type 145", VALUE)},
        // The value is built before the name is looked at.
        {container(0x10, "", {item(0x58, "", h("0000000000000000"))}),
         at("tal::BadArgumentException: invalid tarvo item type 88", VALUE)},
        {columns(129), at("tal::OutOfBoundException: too many isoarray fields! found 129", TABLE)},
        // Stored column counts above the columns present (the rest deleted).
        {container(0x40, "", {item(0x03, "", h("000000"))}, 1),
         at("tal::OutOfBoundException: cannot fetch field 0/1", TABLE)},
        {container(0x40, "", {col, item(0x03, "", h("000000"))}, 2),
         at("tal::OutOfBoundException: cannot fetch field  1/2", TABLE)},
        {container(0x40, "", {col, isoarray("b", 0x14, h("01000000 02000000"))}),
         at("tal::OutOfBoundException: cannot fetch item from field  1/2 named b", TABLE)},
        // Stored counts are taken as stored: columns that are not there, more
        // columns than the limit, more rows than the first column holds
        // (beyond its bytes, or just beyond its items).
        {container(0x40, "", {}, 1), at("tal::OutOfBoundException: cannot fetch field 0/1", TABLE)},
        {container(0x40, "", {}, 200),
         at("tal::OutOfBoundException: too many isoarray fields! found 200", TABLE)},
        {container(0x40, "", {container(0x20, "c", {item(0x21, "", h("01"))}, 8)}),
         at("tal::OutOfBoundException: cannot fetch item from field  0/1 named c", TABLE)},
        {container(0x40, "", {container(0x20, "c", {item(0x21, "", h("01")), item(0x21, "", h("02"))}, 3)}),
         at("tal::OutOfBoundException: cannot fetch item from field  0/1 named c", TABLE)},
        {container(0x40, "", {container(0x20, "c", {}, 1)}, 1),
         at("tal::OutOfBoundException: cannot fetch item from field  0/1 named c", TABLE)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(failure_of(row.record), row.expected) << quillet_test::hex(row.record);
}

TEST(DeserializerFailure, PassedOnFromBelow)
{
    // The reader's own failures, unchanged (their sites are the reader's).
    const struct {
        bytes record;
        const char* expected;
    } rows[] = {
        {container(0x10, "", {item(0x14, "", h("01000000"))}), "tal::ParseErrorException: bad data"},
        {container(0x10, "", {quillet_test::item_stored_name(0x14, h("6162"), h("01000000"))}),
         "tal::ParseErrorException: bad data"},
        {container(0x40, "", {item(0x14, "x", h("01000000"))}), "tal::ParseErrorException: bad data"},
        {h("3000 00000000"), "tal::ParseErrorException: bad data"},
        {h("3000 01000000 10"), "tal::ParseErrorException: bad data"},
        {h("9000 04000000 00000000"), "tal::BadArgumentException: invalid tarvo item type 144"},
        // The member runs past the end of the record and the buffer.
        {h("1000 08000000 01000000 1400 2a00"), "tal::OutOfBoundException: Buffer overflow"},
    };
    for (const auto& row : rows) {
        const std::string got = failure_of(row.record);
        EXPECT_EQ(got.substr(0, got.find(" @ ")), row.expected) << quillet_test::hex(row.record);
    }
    EXPECT_EQ(failure_at(nullptr, 10), at("tal::NullPointerException: buf is NULL", TRY));
    EXPECT_EQ(failure_at("\x14", 0).substr(0, 41), "tal::OutOfBoundException: Buffer overflow");
}

TEST(DeserializerFailure, ColumnLimitIsInclusive)
{
    EXPECT_EQ(talext_test::parse(columns(128)), "[{c=u8:5}]");
}

TEST(DeserializerSize, FromTheHeaderAlone)
{
    const struct {
        const char* hex;
        uint64_t size;
    } rows[] = {
        {"14", 2},
        {"1400", 6},
        {"14ff", 2 + 255 + 4},
        {"9f00", 17},  // a size nibble wins over the short flag
        {"d0", 3},
        {"d000", 3},
        {"d00105", 9},
        {"50", 6},
        {"5000ffffff", 6},
        {"5000ffffffff", 6 + 4294967295ull},
        {"50fffaffffff", 6 + 255 + 4294967290ull},  // 2^32 + 255: no wrap to 255
        {"1000 04000000 00000000 ffff", 10},
        {"00", 0},
        {"80", 0},
        {"0f00", 0},
        {"8f", 0},
    };
    for (const auto& row : rows) {
        const bytes b = h(row.hex);
        Record r(b);
        EXPECT_EQ(tal::var::getQuilletSize(r.buf), row.size) << row.hex;
    }
    const quillet::Buffer empty("", 0);
    EXPECT_THROW(tal::var::getQuilletSize(empty), tal::OutOfBoundException);
}

TEST(DeserializerSize, PastTheFormatsLimitNeverSeemsToFit)
{
    // Needs 2^32 + 255 bytes; summed in 32 bits that would be 255, which
    // the 264 bytes given would seem to hold.
    const bytes b = h("50fffaffffff") + bytes(255, 'n') + "abc";
    Record r(b);
    tal::ResourcePool rp;
    QuilletDeserializer d(rp);
    EXPECT_EQ(d.try_deserialize(r.memory.get(), b.size()), 4294967551u);
    EXPECT_EQ(
        failure_at(r.memory.get(), b.size()),
        at("tal::OutOfBoundException: buffer too small! max_size[264] expect[>=4294967551]", DESERIALIZE));
}

TEST(DeserializerSize, LargeBufferSizeIsNotCutToItsLow32Bits)
{
    // Only the record's bytes are read, so a generous size is safe to state;
    // 2^32 would be 0 in 32 bits.
    const bytes b = h("1400 2a000000");
    Record r(b);
    tal::ResourcePool rp;
    QuilletDeserializer d(rp);
    EXPECT_EQ(d.try_deserialize(r.memory.get(), uint64_t(1) << 32), 6u);
    EXPECT_EQ(talext_test::text(d.get_result()), "i32:42");
    const bytes deleted = h("00");
    Record z(deleted);
    EXPECT_EQ(
        failure_at(z.memory.get(), (uint64_t(1) << 32) + 5),
        at("tal::ParseErrorException: bad quillet data, unknown quillet item type, buffer size:4294967301",
           TRY));
}

}  // namespace
