#include "tal/var/utils/dump.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tal/test/counting_pool.h"
#include "tal/var/implement/Array.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/implement/Dict.h"
#include "tal/var/utils/nesting.h"

using tal::var::Array;
using tal::var::Bool;
using tal::var::Dict;
using tal::var::IVar;
using tal::var::Null;
using tal::var::dump_to_string;

namespace {

std::string fmt(const char* format, const void* p, size_t n = 0)
{
    char buf[128];
    snprintf(buf, sizeof buf, format, p, n);
    return buf;
}
std::string dict_header(const void* p, size_t n)
{
    return fmt("[tal::var::BasicDict] this[%p] size[%zu]", p, n);
}
std::string array_header(const void* p, size_t n)
{
    return fmt("[tal::var::BasicArray] this[%p] size[%zu]", p, n);
}
std::string at(const void* p) { return fmt("@%p: ", p); }

std::string dumped(const IVar& v, size_t level, const char* delim, size_t per, size_t total)
{
    tal::string s(">");
    dump_to_string(v, s, level, delim, per, total);
    return s.c_str();
}

class DumpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // d = {a: true, b: [false, null]}
        d.set("b", arr);
        d.set("a", t);
        arr.set(0, f);
        arr.set(1, Null::null);
    }
    void TearDown() override
    {
        rp.reset();
        EXPECT_EQ(0u, source.live_blocks());
    }

    tal_test::CountingPool source;
    tal::ResourcePool rp{source};
    Dict& d = rp.create<Dict>(tal::pool_allocator<std::pair<tal::string, tal::var::Ref> >(&source));
    Array& arr = rp.create<Array>(tal::pool_allocator<tal::var::Ref>(&source));
    Bool t{true}, f{false};
};

TEST_F(DumpTest, ScalarsAndEmptyOrLevelZeroContainersGiveTheirOwnDump)
{
    Dict& empty = rp.create<Dict>(tal::pool_allocator<std::pair<tal::string, tal::var::Ref> >());
    const struct {
        const IVar* v;
        size_t level;
        std::string want;
    } cases[] = {
        {&t, 0, "[tal::var::Bool]true"},
        {&Null::null, 3, "[tal::var::Null]null"},
        {&empty, 5, dict_header(&empty, 0)},
        {&d, 0, dict_header(&d, 2)},
        {&arr, 0, array_header(&arr, 2)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(">" + c.want, dumped(*c.v, c.level, "\n", 7, 9)) << c.want;
}

TEST_F(DumpTest, NullDelimiterThrowsBeforeAnythingIsAppended)
{
    tal::string s("kept");
    try {
        dump_to_string(t, s, 1, nullptr, 0, 0);
        ADD_FAILURE() << "no exception";
    } catch (const tal::NullPointerException& e) {
        EXPECT_STREQ("line_delimiter is NULL", e.what());
        EXPECT_STREQ("void tal::var::dump_to_string(const tal::var::IVar&, tal::string&, size_t, "
                     "const char*, size_t, size_t)",
                     e.function());
    }
    EXPECT_STREQ("kept", s.c_str());
}

TEST_F(DumpTest, IndentedLayout)
{
    const std::string a = at(&t) + "[tal::var::Bool]true";
    const std::string b = at(&arr) + array_header(&arr, 2);
    const std::string e0 = at(&f) + "[tal::var::Bool]false";
    const std::string e1 = at(&Null::null) + "[tal::var::Null]null";
    const std::string top = dict_header(&d, 2);
    EXPECT_EQ(">" + top + "{\n  a: " + a + ",\n  b: " + b + "\n}", dumped(d, 1, "\n", 2, 0));
    EXPECT_EQ(">" + top + "{\n   a: " + a + ",\n   b: " + b + "{\n     0: " + e0 + ",\n     1: " +
                  e1 + "\n   }\n }",
              dumped(d, 2, "\n", 2, 1));
    EXPECT_EQ(">" + top + "{a: " + a + ",b: " + b + "{0: " + e0 + ",1: " + e1 + "}}",
              dumped(d, 9, "", 0, 0));
    EXPECT_EQ(top + "{a: " + a + ",b: " + b + "}", std::string(d.dump(1).c_str()));
    EXPECT_EQ(array_header(&arr, 2) + "{0: " + e0 + ",1: " + e1 + "}",
              std::string(arr.dump(1).c_str()));
}

TEST_F(DumpTest, KeysAreWrittenWhole)
{
    Dict& k = rp.create<Dict>(tal::pool_allocator<std::pair<tal::string, tal::var::Ref> >());
    k.set(tal::string("x\0y", 3), t);
    const std::string want = dict_header(&k, 1) + "{x" + std::string(1, '\0') + "y: " + at(&t) +
                             "[tal::var::Bool]true}";
    const tal::string got = k.dump(1);
    EXPECT_EQ(want, std::string(got.c_str(), got.size()));
}

TEST_F(DumpTest, ATreeContainingItselfEndsAtTheLevelOrTheNestingCap)
{
    Array& loop = rp.create<Array>(tal::pool_allocator<tal::var::Ref>());
    loop.set(0, loop);
    const std::string h = array_header(&loop, 1);
    const std::string inner = at(&loop) + h;
    EXPECT_EQ(h + "{0: " + inner + "{0: " + inner + "}}", std::string(loop.dump(2).c_str()));

    const tal::string huge = loop.dump(SIZE_MAX);
    const std::string text(huge.c_str(), huge.size());
    size_t headers = 0;
    for (size_t pos = 0; (pos = text.find(h, pos)) != std::string::npos; pos += h.size())
        ++headers;
    EXPECT_EQ(tal::var::MAX_TREE_DEPTH + 1, headers);
}

TEST_F(DumpTest, PrintWritesTheTreeAndANewline)
{
    const struct {
        size_t level;
        std::string want;
    } cases[] = {
        {0, dict_header(&d, 2) + "\n"},
        {1, dict_header(&d, 2) + "{\n    a: " + at(&t) + "[tal::var::Bool]true,\n    b: " + at(&arr) +
                array_header(&arr, 2) + "\n}\n"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        tal::var::print(d, c.level);
        fflush(stdout);
        EXPECT_EQ(c.want, testing::internal::GetCapturedStdout());
    }
}

}  // namespace
