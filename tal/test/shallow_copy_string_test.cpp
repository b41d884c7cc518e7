#include "tal/ShallowCopyString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tal/test/recording_pool.h"

namespace {

TEST(ShallowCopyString, ViewsTextOfTheGivenLength)
{
    const char text[] = "abc";
    tal::ShallowCopyString view(text, 3);
    EXPECT_EQ(text, view.c_str());
    EXPECT_EQ(3u, view.size());
    tal::ShallowCopyString empty("", 0);
    EXPECT_EQ(0u, empty.size());
}

TEST(ShallowCopyString, LengthNotEndingAtNulIsRefused)
{
    try {
        tal::ShallowCopyString view("abc", 2);
        FAIL() << "no exception";
    } catch (tal::BadArgumentException& e) {
        EXPECT_STREQ("wrong len:2", e.what());
        EXPECT_EQ(std::string("tal::ShallowCopyString::ShallowCopyString(const char*, size_t)"),
                  e.function());
    }
}

TEST(ShallowCopyString, UnmeasuredLengthIsRefusedBeforeReading)
{
    // One byte, no NUL at any index but 0: reading at npos would fault.
    const char single = 'x';
    try {
        tal::ShallowCopyString view(&single, tal::ShallowCopyString::npos);
        FAIL() << "no exception";
    } catch (tal::BadArgumentException& e) {
        EXPECT_STREQ("wrong len:18446744073709551615", e.what());
    }
}

TEST(ShallowCopyString, NullTextHasAnEmptyMessage)
{
    try {
        tal::ShallowCopyString view(nullptr, 0);
        FAIL() << "no exception";
    } catch (tal::NullPointerException& e) {
        EXPECT_STREQ("", e.what());
    }
}

TEST(ShallowCopyString, AssignedTextIsMeasuredOnceOnDemand)
{
    char text[] = "hello";
    tal::ShallowCopyString view("", 0);
    view = text;
    text[2] = '\0';
    // Not yet measured: the first size() counts what is there now.
    EXPECT_EQ(2u, view.size());
    text[2] = 'l';
    EXPECT_EQ(2u, view.size());
    // The same pointer again keeps the earlier length.
    view = text;
    EXPECT_EQ(2u, view.size());
}

TEST(ShallowCopyString, CopyKeepsAnUnmeasuredLengthUnmeasured)
{
    char text[] = "abcd";
    tal::ShallowCopyString view("", 0);
    view = text;
    const tal::ShallowCopyString copy(view);
    text[1] = '\0';
    EXPECT_EQ(1u, copy.size());
    EXPECT_EQ(1u, view.size());
}

TEST(ShallowCopyString, NullAssignmentKeepsTheView)
{
    const char text[] = "abc";
    tal::ShallowCopyString view(text, 3);
    try {
        view = static_cast<const char*>(nullptr);
        FAIL() << "no exception";
    } catch (tal::NullPointerException& e) {
        EXPECT_STREQ("cstr is NULL", e.what());
    }
    EXPECT_EQ(text, view.c_str());
    EXPECT_EQ(3u, view.size());
}

TEST(ShallowCopyString, ClearPointsAtTheSharedEmptyText)
{
    tal::ShallowCopyString a("abc", 3), b("de", 2);
    a.clear();
    b.clear();
    EXPECT_STREQ("", a.c_str());
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(0u, a.size());
}

TEST(ShallowCopyString, BorrowsAPooledStringsStorage)
{
    tal_test::RecordingPool source;
    tal::string s("ab\0c", 4, tal::pool_allocator<char>(&source));
    tal::ShallowCopyString view("", 0);
    const size_t before = source.mallocs;
    view = s;
    EXPECT_EQ(s.c_str(), view.c_str());
    EXPECT_EQ(4u, view.size());
    EXPECT_EQ(before, source.mallocs);
}

TEST(ShallowCopyString, OtherWaysToBuildAView)
{
    const char text[] = "abc";
    tal::AutoBuffer buf(8);
    buf << "xy";
    tal::ShallowCopyString assigned("q", 1);
    assigned = buf;
    const struct {
        tal::ShallowCopyString view;
        const char* text;  // the borrowed text, null for the shared empty one
        size_t size;
    } cases[] = {
        {tal::ShallowCopyString(), nullptr, 0},
        {tal::ShallowCopyString(text), text, 3},
        {tal::ShallowCopyString(buf), buf.c_str(), 2},
        {assigned, buf.c_str(), 2},
    };
    for (const auto& c : cases) {
        if (c.text) {
            EXPECT_EQ(c.text, c.view.c_str()) << c.size;
        }
        EXPECT_EQ(c.size, c.view.length());
        EXPECT_EQ(c.size, c.view.capacity());
        EXPECT_EQ('\0', c.view[c.size]);
    }
    EXPECT_THROW(tal::ShallowCopyString(static_cast<const char*>(nullptr)), tal::NullPointerException);
}

TEST(ShallowCopyString, CheckedIndexAndOrder)
{
    const tal::ShallowCopyString view("abc", 3);
    EXPECT_EQ('c', view.at(2));
    try {
        view.at(3);
        FAIL() << "no exception";
    } catch (tal::OutOfBoundException& e) {
        EXPECT_STREQ("index[3] size[3]", e.what());
    }
    const struct {
        const char *a, *b;
        int order;
    } cases[] = {{"ab", "abc", -1}, {"b", "abc", 1}, {"\x80", "a", 1}, {"abc", "abc", 0}, {"", "", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.order, tal::ShallowCopyString(c.a).compare(tal::ShallowCopyString(c.b)))
            << c.a << "," << c.b;
    }
}

}  // namespace
