#include "tal/var/utils/dump.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tal/var/implement/Array.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/implement/Dict.h"
#include "tal/var/implement/Number.h"

using tal::var::Array;
using tal::var::Bool;
using tal::var::Dict;
using tal::var::dump_to_string;
using tal::var::IVar;
using tal::var::Null;

namespace {

std::string fmt(const char* format, const void* p, size_t n = 0)
{
    char buf[128];
    snprintf(buf, sizeof buf, format, p, n);
    return buf;
}
std::string at(const void* p) { return fmt("@%p: ", p); }

std::string dumped(const IVar& v, size_t level, const char* delim, size_t per, size_t total)
{
    tal::string s(">");
    dump_to_string(v, s, level, delim, per, total);
    return std::string(s.c_str(), s.size());
}

// d = {a: 1 (32-bit), b: [false, null]}, all on the heap.
class DumpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        d.set("b", arr);
        d.set("a", one);
        arr.set(0, f);
        arr.set(1, Null::null);
    }

    Dict d{tal::pool_allocator<std::pair<tal::string, tal::var::Ref>>()};
    Array arr{tal::pool_allocator<tal::var::Ref>()};
    tal::var::Number<int> one{1};
    Bool t{true}, f{false};
    const std::string dh = fmt("[tal::var::BasicDict] this[%p] size[%zu]", &d, 2);
    const std::string ah = fmt("[tal::var::BasicArray] this[%p] size[%zu]", &arr, 2);
    const std::string a = at(&one) + "[tal::var::Number<i>]1";
    const std::string b = at(&arr) + ah;
    const std::string e0 = at(&f) + "[tal::var::Bool]false";
    const std::string e1 = at(&Null::null) + "[tal::var::Null]null";
};

TEST_F(DumpTest, ScalarsAndLevelZeroOrEmptyContainersGiveTheirOwnDump)
{
    Dict empty{tal::pool_allocator<std::pair<tal::string, tal::var::Ref>>()};
    EXPECT_EQ(">[tal::var::Bool]true", dumped(t, 0, "\n", 7, 9));
    EXPECT_EQ(">[tal::var::Null]null", dumped(Null::null, 3, "\n", 7, 9));
    EXPECT_EQ(">" + fmt("[tal::var::BasicDict] this[%p] size[%zu]", &empty, 0), dumped(empty, 5, "\n", 7, 9));
    EXPECT_EQ(">" + dh, dumped(d, 0, "\n", 7, 9));

    tal::string s("kept");
    try {
        dump_to_string(t, s, 1, nullptr, 0, 0);
        ADD_FAILURE() << "no exception";
    } catch (const tal::NullPointerException& e) {
        EXPECT_STREQ("line_delimiter is NULL", e.what());
        EXPECT_STREQ(
            "void tal::var::dump_to_string(const tal::var::IVar&, tal::string&, size_t, "
            "const char*, size_t, size_t)",
            e.function());
    }
    EXPECT_STREQ("kept", s.c_str());
}

TEST_F(DumpTest, IndentedLayout)
{
    EXPECT_EQ(">" + dh + "{\n  a: " + a + ",\n  b: " + b + "\n}", dumped(d, 1, "\n", 2, 0));
    EXPECT_EQ(
        ">" + dh + "{\n   a: " + a + ",\n   b: " + b + "{\n     0: " + e0 + ",\n     1: " + e1 + "\n   }\n }",
        dumped(d, 2, "\n", 2, 1));
    EXPECT_EQ(ah + "{0: " + e0 + ",1: " + e1 + "}", std::string(arr.dump(1).c_str()));

    Dict k{tal::pool_allocator<std::pair<tal::string, tal::var::Ref>>()};
    k.set(tal::string("x\0y", 3), one);  // a key is written whole
    EXPECT_EQ(">" + fmt("[tal::var::BasicDict] this[%p] size[%zu]", &k, 1) + "{x" + std::string(1, '\0') +
                  "y: " + a + "}",
              dumped(k, 1, "", 0, 0));
}

TEST_F(DumpTest, ATreeContainingItselfEndsAtTheLevelOrTheNestingCap)
{
    Array loop{tal::pool_allocator<tal::var::Ref>()};
    loop.set(0, loop);
    const std::string h = fmt("[tal::var::BasicArray] this[%p] size[%zu]", &loop, 1);
    const std::string inner = at(&loop) + h;
    EXPECT_EQ(h + "{0: " + inner + "{0: " + inner + "}}", std::string(loop.dump(2).c_str()));

    const tal::string huge = loop.dump(SIZE_MAX);
    const std::string text(huge.c_str(), huge.size());
    size_t headers = 0;
    for (size_t pos = 0; (pos = text.find(h, pos)) != std::string::npos; pos += h.size()) ++headers;
    EXPECT_EQ(tal::var::MAX_TREE_DEPTH + 1, headers);
}

TEST_F(DumpTest, PrintWritesTheTreeAndANewline)
{
    const std::pair<size_t, std::string> cases[] = {
        {0, dh + "\n"},
        {1, dh + "{\n    a: " + a + ",\n    b: " + b + "\n}\n"},
        {2, dh + "{\n    a: " + a + ",\n    b: " + b + "{\n        0: " + e0 + ",\n        1: " + e1 +
                "\n    }\n}\n"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        tal::var::print(d, c.first);
        fflush(stdout);
        EXPECT_EQ(c.second, testing::internal::GetCapturedStdout());
    }
}

}  // namespace
