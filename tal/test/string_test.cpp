#include "tal/containers/string/tal_string.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "tal/test/recording_pool.h"

using namespace tal_test;

namespace {

class StringTest : public ::testing::Test {
protected:
    StringTest() : alloc(&source) { event_log().clear(); }
    tal::string make(const char* text) { return tal::string(text, alloc); }
    RecordingPool source;
    tal::pool_allocator<char> alloc;
};

// The text with its length, so that embedded NULs show.
std::string text_of(const tal::string& s) { return std::string(s.c_str(), s.size()); }

TEST_F(StringTest, EmptyStringsAllocateNothing)
{
    {
        tal::string by_default;
        EXPECT_STREQ("", by_default.c_str());
        EXPECT_EQ(0u, by_default.size());
        EXPECT_EQ(0u, by_default.capacity());
        tal::string over_alloc(alloc);
        tal::string from_empty("", alloc);
        tal::string from_zero("abc", 0, alloc);
        tal::string copy(from_zero);
        EXPECT_EQ(0u, copy.capacity());
        EXPECT_EQ(&source, copy.get_allocator().get_mempool());
    }
    EXPECT_TRUE(event_log().empty());
}

TEST_F(StringTest, NullTextThrowsCstr)
{
    const char* null_text = nullptr;
    EXPECT_THROW(tal::string(null_text, alloc), tal::NullPointerException);
    try {
        tal::string s(null_text, 0, alloc);
        FAIL() << "no exception";
    } catch (tal::NullPointerException& e) {
        EXPECT_STREQ("cstr", e.what());
        const std::string file = e.file();
        EXPECT_EQ("tal/containers/string/tal_string.h", file.substr(file.size() - 34));
    }
    tal::string s = make("ab");
    try {
        s.append(null_text, 0);
        FAIL() << "no exception";
    } catch (tal::NullPointerException& e) {
        EXPECT_STREQ("cstr", e.what());
    }
    EXPECT_THROW(s.append(null_text), tal::NullPointerException);
    EXPECT_EQ("ab", text_of(s));
    EXPECT_EQ(1u, source.mallocs);
}

TEST_F(StringTest, TextWithLengthKeepsEmbeddedNuls)
{
    tal::string s("ab\0cd", 5, alloc);
    EXPECT_EQ(5u, s.size());
    EXPECT_EQ(5u, s.capacity());
    EXPECT_EQ(6u, source.size_of(s.c_str()));
    EXPECT_STREQ("ab", s.c_str());
    EXPECT_EQ(1, s.compare(tal::string("ab\0cc", 5, alloc)));
}

TEST_F(StringTest, AppendsAtLeastDoubleTheCapacity)
{
    tal::string s(alloc);
    s.append("abc");
    EXPECT_EQ(3u, s.capacity());
    s.append("d");
    EXPECT_EQ(6u, s.capacity());
    s.append("0123456789");
    EXPECT_EQ(14u, s.capacity());
    EXPECT_EQ("abcd0123456789", text_of(s));
    s.append(2, 'z');
    EXPECT_EQ(28u, s.capacity());
    EXPECT_EQ("abcd0123456789zz", text_of(s));
    EXPECT_EQ((Events{"malloc 4", "malloc 7", "free 4", "malloc 15", "free 7", "malloc 29", "free 15"}),
              event_log());
}

TEST_F(StringTest, ReserveGrowsButNeverShrinks)
{
    tal::string s(alloc);
    s.reserve(10);
    EXPECT_EQ(10u, s.capacity());
    s.reserve(11);
    EXPECT_EQ(20u, s.capacity());
    s.reserve(5);
    EXPECT_EQ(20u, s.capacity());
    EXPECT_EQ((Events{"malloc 11", "malloc 21", "free 11"}), event_log());
}

TEST_F(StringTest, FormattedAppendGrowsWhenTheTailIsShort)
{
    tal::string s(alloc);
    s.appendf("%d", 12345);
    EXPECT_EQ("12345", text_of(s));
    EXPECT_EQ(5u, s.capacity());
    s.clear();
    s.appendf("%s", "54321");
    EXPECT_EQ("54321", text_of(s));
    EXPECT_EQ((Events{"malloc 6"}), event_log());
}

TEST_F(StringTest, SetfKeepsTheBlock)
{
    tal::string s(alloc);
    s.reserve(20);
    s.append("0123456789");
    s.setf("%s-%d", "ab", 7);
    EXPECT_EQ("ab-7", text_of(s));
    EXPECT_EQ(20u, s.capacity());
    EXPECT_EQ(1u, source.mallocs);
}

TEST_F(StringTest, FormatErrorChangesNothing)
{
    tal::string s = make("abc");
    s.appendf("%lc", static_cast<wint_t>(0x100));
    EXPECT_EQ("abc", text_of(s));
    const char* no_format = nullptr;
    s.appendf(no_format);
    EXPECT_EQ("abc", text_of(s));
    EXPECT_EQ(3u, s.capacity());
}

void append_twice(tal::string& s, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    s.vappendf(format, args);
    s.vappendf(format, args);
    va_end(args);
}

TEST_F(StringTest, ArgumentListIsNotConsumed)
{
    tal::string s(alloc);
    append_twice(s, "%s%d,", "n", 42);
    EXPECT_EQ("n42,n42,", text_of(s));
}

TEST_F(StringTest, CopyIsExactAndKeepsTheSource)
{
    tal::string s = make("abc");
    s.reserve(6);
    tal::string copy(s);
    EXPECT_EQ(3u, copy.capacity());
    EXPECT_EQ(&source, copy.get_allocator().get_mempool());
    EXPECT_EQ("abc", text_of(copy));
}

TEST_F(StringTest, AssignmentKeepsOrReplacesTheBlock)
{
    tal::string s = make("abcdef");
    const char* block = s.c_str();
    s = "xy";
    EXPECT_EQ(block, s.c_str());
    EXPECT_EQ(6u, s.capacity());
    s = make("0123456789");
    EXPECT_EQ(10u, s.capacity());
    EXPECT_EQ("0123456789", text_of(s));
    s = static_cast<const char*>(nullptr);
    EXPECT_EQ(0u, s.size());
    EXPECT_EQ(10u, s.capacity());
    s = s;
    EXPECT_EQ(0u, s.size());
}

TEST_F(StringTest, AssigningTextWithLeadingNulCopiesAllBytes)
{
    tal::string target = make("abc");
    target = tal::string("\0xyz", 4, alloc);
    EXPECT_EQ(std::string("\0xyz", 4), text_of(target));
    target = tal::string(alloc);
    EXPECT_EQ(0u, target.size());
}

TEST_F(StringTest, AssigningItsOwnTextWithLeadingNulEmptiesIt)
{
    tal::string s("\0xyz", 4, alloc);
    s = s.c_str();
    EXPECT_EQ(0u, s.size());
    EXPECT_EQ(4u, s.capacity());
}

TEST_F(StringTest, AppendingAStringToItselfDoublesIt)
{
    tal::string s = make("abc");
    s.append(s);
    EXPECT_EQ("abcabc", text_of(s));
    s.reserve(20);
    s.append(s);
    EXPECT_EQ("abcabcabcabc", text_of(s));
}

TEST_F(StringTest, TextFromInsideItselfSurvivesGrowthAndOverlap)
{
    tal::string s = make("hello");
    s.append(s.c_str() + 1, 3);
    EXPECT_EQ("helloell", text_of(s));
    s.append(s.c_str() + 2);
    EXPECT_EQ("helloelllloell", text_of(s));
    s = s.c_str() + 5;
    EXPECT_EQ("elllloell", text_of(s));
    tal::string t = make("abc");
    t.appendf("[%s]", t.c_str());
    EXPECT_EQ("abc[abc]", text_of(t));
}

TEST_F(StringTest, OverflowingSizesAreRefused)
{
    tal::string s = make("abc");
    const size_t before = source.mallocs;
    try {
        s.append(SIZE_MAX, 'x');
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_STREQ("__capacity[18446744073709551615]", e.what());
    }
    EXPECT_THROW(s.reserve(SIZE_MAX), tal::BadAllocException);
    EXPECT_EQ(before, source.mallocs);
    EXPECT_EQ("abc", text_of(s));
    EXPECT_EQ(3u, s.capacity());
}

TEST_F(StringTest, RefusedBlockLeavesTheStringUnchanged)
{
    tal::string s = make("abc");
    source.refuse_all();
    try {
        s.append("d");
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ("size[7] _p_pool[" + address_text(&source) + "]", e.what());
    }
    EXPECT_EQ("abc", text_of(s));
    EXPECT_EQ(3u, s.capacity());
    EXPECT_THROW(s.appendf("%s", "long text"), tal::BadAllocException);
    EXPECT_THROW(s = "longer", tal::BadAllocException);
    EXPECT_EQ("abc", text_of(s));
}

TEST_F(StringTest, RefusedFormattedGrowthKeepsTheTextItsNulAndTheEmptiedSetf)
{
    // Room for three more characters, so the first attempt writes into the tail.
    tal::string s = make("abc");
    s.reserve(5);
    source.refuse_all();
    EXPECT_THROW(s.appendf("%s", "long text"), tal::BadAllocException);
    EXPECT_STREQ("abc", s.c_str());
    EXPECT_EQ(3u, s.size());
    EXPECT_EQ(6u, s.capacity());
    EXPECT_THROW(s.setf("%s", "long text"), tal::BadAllocException);
    EXPECT_STREQ("", s.c_str());
    EXPECT_EQ(0u, s.size());
}

TEST_F(StringTest, DestructionGivesCapacityPlusOneBack)
{
    {
        tal::string s = make("abc");
        s.reserve(9);
    }
    EXPECT_EQ((Events{"malloc 4", "malloc 10", "free 4", "free 10"}), event_log());
    EXPECT_EQ(0u, source.bad_frees);
    // Without a source the heap takes it; the sanitizer build checks the pair.
    tal::string heap("heap");
    heap.append(" text");
    EXPECT_EQ("heap text", text_of(heap));
}

TEST_F(StringTest, ComparisonIsBytewise)
{
    EXPECT_EQ(-1, make("ab").compare(make("abc")));
    EXPECT_EQ(1, make("b").compare(make("abc")));
    EXPECT_EQ(1, make("\x80").compare(make("a")));
    EXPECT_EQ(0, make("abc").compare(make("abc")));
    EXPECT_TRUE(make("ab") < make("abc"));
    EXPECT_FALSE(make("abc") < make("abc"));
    EXPECT_EQ(-1, tal::string("a\0", 2, alloc).compare(tal::string("a\0b", 3, alloc)));
    // Against NUL-terminated text, whose NUL ends it.
    EXPECT_EQ(-1, make("ab").compare("abc"));
    EXPECT_EQ(1, tal::string("a\0", 2, alloc).compare("a"));
    EXPECT_THROW(make("a").compare(static_cast<const char*>(nullptr)), tal::NullPointerException);
}

// Every search agrees with the standard string's over the same bytes.
TEST_F(StringTest, FindAndRfindAgreeWithTheStandardString)
{
    const std::string hay("abcab\0abc", 9);
    const tal::string s(hay.data(), hay.size(), alloc);
    const std::string needles[] = {"",      "a", "ab", "abc", std::string("b\0a", 3), std::string("\0", 1),
                                   "abcabc"};
    const size_t positions[] = {0, 1, 3, 5, 8, 9, 10, tal::string::npos};
    for (const std::string& needle : needles) {
        const tal::string n(needle.data(), needle.size(), alloc);
        for (size_t pos : positions) {
            const std::string at = "needle[" + needle + "] pos[" + std::to_string(pos) + "]";
            EXPECT_EQ(hay.find(needle, pos), s.find(n, pos)) << at;
            EXPECT_EQ(hay.find(needle.data(), pos, needle.size()), s.find(needle.data(), pos, needle.size()))
                << at;
            EXPECT_EQ(hay.rfind(needle, pos), s.rfind(n, pos)) << at;
            EXPECT_EQ(hay.rfind(needle.data(), pos, needle.size()),
                      s.rfind(needle.data(), pos, needle.size()))
                << at;
            if (needle.size() == 1) {
                EXPECT_EQ(hay.find(needle[0], pos), s.find(needle[0], pos)) << at;
                EXPECT_EQ(hay.rfind(needle[0], pos), s.rfind(needle[0], pos)) << at;
            }
        }
    }
    // NUL-terminated needles, with the default positions.
    EXPECT_EQ(3u, s.find("ab", 1));
    EXPECT_EQ(6u, s.rfind("ab"));
    EXPECT_THROW(s.find(static_cast<const char*>(nullptr), 0, 0), tal::NullPointerException);
}

TEST_F(StringTest, PartsRangesAndCounts)
{
    const tal::string s = make("abcdef");
    const struct {
        size_t pos, n;
        const char* part;
    } cases[] = {{0, tal::string::npos, "abcdef"}, {2, 3, "cde"}, {4, 10, "ef"}, {6, 1, ""}};
    for (const auto& c : cases) {
        const tal::string part = s.substr(c.pos, c.n);
        EXPECT_EQ(c.part, text_of(part)) << c.pos;
        EXPECT_EQ(part.size(), part.capacity()) << c.pos;
        EXPECT_EQ(std::string("<") + c.part, text_of(make("<").append(s, c.pos, c.n))) << c.pos;
    }
    try {
        tal::string(s, 7, 1);
        FAIL() << "no exception";
    } catch (tal::OutOfBoundException& e) {
        EXPECT_STREQ("pos[7] size[6]", e.what());
    }
    EXPECT_THROW(make("x").append(s, 7, 0), tal::OutOfBoundException);

    const char text[] = "ab\0cd";
    EXPECT_EQ(std::string(text, 5), text_of(tal::string(text, text + 5, alloc)));
    tal::string t(2, '-', alloc);
    t.append(text + 3, text + 5).push_back('\0');
    t[0] = '+';
    EXPECT_EQ(std::string("+-cd\0", 5), text_of(t));
    EXPECT_THROW(t.append(text + 1, text), tal::BadArgumentException);
}

tal::string& vset(tal::string& s, const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    s.vsetf(format, ap);
    va_end(ap);
    return s;
}

TEST_F(StringTest, SwapExchangesAllocatorsToo)
{
    CountingPool other_source;
    tal::string a("first", alloc);
    tal::string b("second!", tal::pool_allocator<char>(&other_source));
    a.swap(b);
    EXPECT_EQ("first", text_of(b));
    EXPECT_EQ(&source, b.get_allocator().get_mempool());
    EXPECT_EQ("n=12", text_of(vset(a, "n=%d", 12)));
    EXPECT_EQ(7u, a.capacity());
    EXPECT_EQ(&other_source, a.get_allocator().get_mempool());
}

TEST_F(StringTest, OrdersMapKeys)
{
    std::map<tal::string, int> map;
    map[make("b")] = 2;
    map[make("a")] = 1;
    map[make("ab")] = 3;
    std::string order;
    for (std::map<tal::string, int>::const_iterator it = map.begin(); it != map.end(); ++it) {
        order += it->first.c_str();
        order += ',';
    }
    EXPECT_EQ("a,ab,b,", order);
}

TEST_F(StringTest, StreamsTextUpToFirstNul)
{
    tal::AutoBuffer buf(16);
    tal::string s("ab\0cd", 5, alloc);
    buf << "[" << s << "]";
    EXPECT_STREQ("[ab]", buf.c_str());
}

TEST_F(StringTest, StreamingIntoAnExceptionCopiesNothing)
{
    tal::string s = make("key");
    const size_t before = source.mallocs;
    tal::KeyNotFoundException e;
    e << "key[" << s << "]";
    EXPECT_STREQ("key[key]", e.what());
    EXPECT_EQ(before, source.mallocs);
}

}  // namespace
