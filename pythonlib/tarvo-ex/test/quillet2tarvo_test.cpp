// The conversion routine: trial capacities against the threshold, the pack
// bytes it leaves, and what leaves it as an exception.
#include "quillet2tarvo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "quillet/test/quillet_bytes.h"
#include "talext/test/tree_text.h"

namespace {

using quillet_test::bytes;
using quillet_test::container;
using quillet_test::h;
using quillet_test::isoarray;
using quillet_test::item;
using quillet_test::item_stored_name;

const size_t UNTOUCHED = 0xabcdef;

// The routine over exact-size heap copies of the record and of a
// threshold-sized output area, so the sanitizer sees any byte beyond
// either: "rc size hex-of-the-pack", or "!class: message".
std::string convert(const bytes& record, size_t threshold) {
  quillet_test::Record in(record);
  std::vector<char> out(threshold < 4096 ? threshold : 4096);
  size_t size = UNTOUCHED;
  try {
    const int rc = quillet2tarvo(in.memory.get(), record.size(), out.data(), &size, threshold);
    if (rc != 0) return std::to_string(rc) + (size == UNTOUCHED ? "" : " size set");
    return "0 " + std::to_string(size) + " " + quillet_test::hex(out.data(), size);
  } catch (const tal::Exception& e) {
    return "!" + talext_test::failure(e);
  }
}

// A root object of one int8 "a" = -1: 15 quillet bytes, an 18-byte pack
// (the integer widens to 32 bits), so 15 fails and 30 holds it.
const bytes INT8_RECORD = container(0x10, "", {item(0x11, "a", h("ff"))});

TEST(Quillet2Tarvo, ThresholdMatrix) {
  ASSERT_EQ(INT8_RECORD.size(), 15u);
  const std::string pack =
      "0 18 " + tarvo_test::golden("10 00 0c000000 01000000 14 02 6100 ffffffff");
  const struct {
    size_t threshold;
    std::string result;
  } rows[] = {
      {14, "-1"},                      // below the input: no trial
      {15, "-1"},                      // 15 tried and too small, 30 beyond
      {29, "-1"},   {30, "-1"},        // 30 holds the pack but is not below the threshold
      {31, pack},                      // the size reported is the pack's, not 30
      {1000, pack}, {SIZE_MAX, pack},  // trials stay within int
  };
  for (const auto& row : rows)
    EXPECT_EQ(convert(INT8_RECORD, row.threshold), row.result) << row.threshold;
}

TEST(Quillet2Tarvo, DoublingUntilTheWidenedPackFits) {
  // An isoarray of 20 int8 elements is 27 bytes; its pack puts each as a
  // nameless int32 item of 6 bytes: 130 bytes, so 27, 54 and 108 fail.
  const bytes record = isoarray("", 0x11, bytes(20, '\x85'));
  ASSERT_EQ(record.size(), 27u);
  std::string items;
  for (int i = 0; i < 20; ++i) items += "1400 85ffffff";
  const std::string want = "0 130 " + tarvo_test::golden("10 00 7c000000 14000000" + items);
  for (size_t threshold : {size_t(217), size_t(10000)})
    EXPECT_EQ(convert(record, threshold), want) << threshold;
  for (size_t threshold : {size_t(129), size_t(215), size_t(216)})
    EXPECT_EQ(convert(record, threshold), "-1") << threshold;
}

TEST(Quillet2Tarvo, RecordShapes) {
  const std::string empty_root = "0 10 " + tarvo_test::golden("10 00 04000000 00000000");
  const struct {
    const char* what;
    bytes record;
    size_t threshold;
    std::string result;
  } rows[] = {
      {"empty object", container(0x10, "", {}), 11, empty_root},
      {"empty object at threshold", container(0x10, "", {}), 10, "-1"},
      {"pack smaller than record", container(0x10, "", {item(0x50, "s", bytes("hi\0", 3))}), 1000,
       "0 18 " + tarvo_test::golden("10 00 0c000000 01000000 d0 02 03 7300 686900")},
      // A name of its NUL alone.
      {"empty key", container(0x10, "", {item_stored_name(0x14, bytes(1, '\0'), h("01000000"))}),
       1000, "-1"},
      {"array of scalars", container(0x20, "", {item(0x31, "", h("01")), item(0x61, "", h("00"))}),
       1000, "0 16 " + tarvo_test::golden("10 00 0a000000 02000000 31 00 01 61 00 00")},
      {"array holding an object", container(0x20, "", {container(0x10, "", {})}), 1000, "-1"},
      {"object-isoarray without rows", container(0x40, "", {}), 1000, empty_root},
      {"object-isoarray with a row", container(0x40, "", {isoarray("x", 0x14, h("01000000"))}),
       1000, "-1"},
      {"scalar root", item(0x14, "", h("01000000")), 1000,
       "!tal::BadArgumentException: Only Dict/Array is accepted"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(convert(row.record, row.threshold), row.result) << row.what;
}

TEST(Quillet2Tarvo, UnreadableRecordsThrowBeforeAnyTrial) {
  // Every cut of a valid record, and a few broken ones: an exception of
  // the family each time, never -1 and never a crash.
  const bytes record =
      container(0x10, "", {item(0x11, "a", h("ff")), item(0x50, "s", bytes("hi\0", 3))});
  for (size_t n = 0; n < record.size(); ++n) {
    const std::string r = convert(record.substr(0, n), 1000);
    EXPECT_EQ(r.substr(0, 6), "!tal::") << n << " " << r;
  }
  for (const bytes& broken : {h("5800 0000000000000000"), h("10 00 ffffffff 01000000"),
                              h("10 00 09000000 02000000 1100 ff")})
    EXPECT_EQ(convert(broken, 1000).substr(0, 6), "!tal::") << quillet_test::hex(broken);

  size_t size = UNTOUCHED;
  char out[64];
  EXPECT_THROW(quillet2tarvo(NULL, 15, out, &size, sizeof out), tal::Exception);
  EXPECT_THROW(quillet2tarvo(INT8_RECORD.data(), INT8_RECORD.size(), NULL, &size, 64),
               tal::NullPointerException);
  EXPECT_THROW(quillet2tarvo(INT8_RECORD.data(), INT8_RECORD.size(), out, NULL, 64),
               tal::NullPointerException);
  EXPECT_EQ(size, UNTOUCHED);
}

}  // namespace
