#include "tal/ResourcePool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "tal/test/pool_probes.h"

using namespace tal_test;

namespace {

const std::string OBJ = std::to_string(sizeof(Probe));

void destroy_attached(void* object) { note("attached " + std::to_string(*static_cast<int*>(object))); }

void destroy_attached_array(void* begin, void* end)
{
    note("attached array " + std::to_string(static_cast<int*>(end) - static_cast<int*>(begin)));
}

class ResourcePoolTest : public ::testing::Test {
protected:
    ResourcePoolTest() : rp(source) { event_log().clear(); }
    RecordingPool source;
    tal::ResourcePool rp;
};

TEST(ResourcePool, NewPoolHoldsNothingAndResetsQuietly)
{
    RecordingPool source;
    event_log().clear();
    {
        tal::ResourcePool rp(source);
        EXPECT_EQ(&source, &rp.get_mempool());
        EXPECT_EQ(&source, rp.get_allocator().get_mempool());
        rp.reset();
    }
    EXPECT_TRUE(event_log().empty());
}

TEST(ResourcePool, DefaultPoolDrawsOnItsOwnHeapSource)
{
    tal::ResourcePool rp;
    EXPECT_EQ(&rp.get_mempool(), rp.get_allocator().get_mempool());
    char* raw = static_cast<char*>(rp.create_raw(5));
    std::memcpy(raw, "abcd", 5);
    EXPECT_STREQ("x=7", rp.crcprintf("x=%d", 7));
    EXPECT_EQ(3, rp.create<Probe>(3).id);
}

TEST_F(ResourcePoolTest, RawBlockTakesRecordBlockThenBytes)
{
    void* raw = rp.create_raw(10);
    EXPECT_EQ(10u, source.size_of(raw));
    rp.reset();
    EXPECT_EQ((Events{"malloc " + std::to_string(ARRAY_BLOCK), "malloc 10", "free 10",
                      "free " + std::to_string(ARRAY_BLOCK)}),
              event_log());
    EXPECT_EQ(0u, source.bad_frees);
}

TEST_F(ResourcePoolTest, CloneRawCopiesTheBytes)
{
    const char data[] = {1, 0, 2, 3};
    const char* copy = static_cast<const char*>(rp.clone_raw(data, sizeof data));
    EXPECT_NE(data, copy);
    EXPECT_EQ(0, std::memcmp(data, copy, sizeof data));
}

TEST_F(ResourcePoolTest, SixtyFifthRecordTakesNewBlockAndItsUndoGivesItBack)
{
    for (int i = 0; i < 64; ++i) {
        rp.create_raw(1);
    }
    EXPECT_EQ(65u, source.mallocs);
    event_log().clear();
    source.refuse_after(1);
    try {
        rp.create_raw(7);
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ(pool_refusal_text(&source, 7), e.what());
        EXPECT_EQ(std::string("void* tal::ResourcePool::create_raw(size_t)"), e.function());
    }
    const std::string block = std::to_string(ARRAY_BLOCK);
    EXPECT_EQ((Events{"malloc " + block, "refused 7", "free " + block}), event_log());

    source.grant_all();
    event_log().clear();
    rp.reset();
    Events expected(64, "free 1");
    expected.push_back("free " + block);
    EXPECT_EQ(expected, event_log());
    EXPECT_EQ(0u, source.live_blocks());
}

TEST_F(ResourcePoolTest, RefusedRecordBlockReportsItsSize)
{
    source.refuse_all();
    try {
        rp.create_raw(10);
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ(pool_refusal_text(&source, ARRAY_BLOCK), e.what());
    }
    EXPECT_EQ((Events{"refused " + std::to_string(ARRAY_BLOCK)}), event_log());
}

TEST_F(ResourcePoolTest, ResetRunsFourPassesNewestFirst)
{
    int attached_ids[2] = {41, 42};
    int range[3] = {0, 0, 0};
    rp.create_raw(10);
    rp.create<Probe>(1);
    rp.attach(&attached_ids[0], destroy_attached);
    rp.create<Probe>(2);
    rp.crcprintf("%s", "text");
    rp.attach_array(range, range + 3, destroy_attached_array);
    rp.create<Probe>(3);
    rp.attach(&attached_ids[1], destroy_attached);
    event_log().clear();
    rp.reset();
    const std::string ob = "free " + std::to_string(OBJECT_BLOCK);
    const std::string ab = "free " + std::to_string(ARRAY_BLOCK);
    EXPECT_EQ((Events{"dtor 3", "free " + OBJ, "dtor 2", "free " + OBJ, "dtor 1", "free " + OBJ, ob,
                      "free 61", "free 10", ab, "attached 42", "attached 41", ob, "attached array 3", ab}),
              event_log());
    EXPECT_EQ(0u, source.live_blocks());
    EXPECT_EQ(0u, source.bad_frees);
}

TEST_F(ResourcePoolTest, ManyRecordsAreDestroyedAcrossBlocksNewestFirst)
{
    for (int i = 0; i < 130; ++i) {
        rp.create<Probe>(i);
    }
    event_log().clear();
    rp.reset();
    Events expected;
    for (int i = 129; i >= 0; --i) {
        expected.push_back("dtor " + std::to_string(i));
        expected.push_back("free " + OBJ);
    }
    for (int i = 0; i < 3; ++i) {
        expected.push_back("free " + std::to_string(OBJECT_BLOCK));
    }
    EXPECT_EQ(expected, event_log());
}

TEST_F(ResourcePoolTest, PoolIsUsableAfterReset)
{
    rp.create_raw(3);
    rp.reset();
    event_log().clear();
    rp.create_raw(4);
    EXPECT_EQ((Events{"malloc " + std::to_string(ARRAY_BLOCK), "malloc 4"}), event_log());
}

TEST_F(ResourcePoolTest, TextWithinHintTakesOneBuffer)
{
    const std::string sixty(60, 'x');
    const char* text = rp.crcprintf("%s", sixty.c_str());
    EXPECT_EQ(sixty, text);
    EXPECT_EQ(61u, source.size_of(text));
    EXPECT_EQ((Events{"malloc " + std::to_string(ARRAY_BLOCK), "malloc 61"}), event_log());
}

TEST_F(ResourcePoolTest, LongerTextIsFormattedAgainIntoItsExactLength)
{
    const std::string sixty_one(61, 'y');
    const char* text = rp.crcprintf("%s", sixty_one.c_str());
    EXPECT_EQ(sixty_one, text);
    EXPECT_EQ((Events{"malloc " + std::to_string(ARRAY_BLOCK), "malloc 61", "free 61", "malloc 62"}),
              event_log());
    rp.reset();
    EXPECT_EQ("free 62", event_log()[4]);
}

TEST_F(ResourcePoolTest, HintSizesTheFirstBuffer)
{
    EXPECT_STREQ("", rp.crcprintf_hint(0, "%s", ""));
    EXPECT_STREQ("abc", rp.crcprintf_hint(3, "%s", "abc"));
    EXPECT_EQ((Events{"malloc " + std::to_string(ARRAY_BLOCK), "malloc 1", "malloc 4"}), event_log());
}

TEST_F(ResourcePoolTest, HintBeyondSizeTIsRefusedWithoutAsking)
{
    try {
        rp.crcprintf_hint(SIZE_MAX, "%d", 1);
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ(pool_refusal_text(&source, SIZE_MAX), e.what());
    }
    const std::string block = std::to_string(ARRAY_BLOCK);
    EXPECT_EQ((Events{"malloc " + block, "free " + block}), event_log());
}

TEST_F(ResourcePoolTest, RefusedTextBufferTakesTheRecordBack)
{
    source.refuse_after(1);
    try {
        rp.crcprintf("%d", 5);
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ(pool_refusal_text(&source, 61), e.what());
    }
    const std::string block = std::to_string(ARRAY_BLOCK);
    EXPECT_EQ((Events{"malloc " + block, "refused 61", "free " + block}), event_log());
}

TEST_F(ResourcePoolTest, RejectedFormatLeavesNoRecordAndNoBuffer)
{
    rp.create_raw(2);
    event_log().clear();
    try {
        rp.crcprintf("%lc", static_cast<wint_t>(0x100));
        FAIL() << "no exception";
    } catch (tal::BadFormatStringException& e) {
        EXPECT_STREQ("format:%lc", e.what());
    }
    try {
        rp.crcprintf_hint(5, nullptr);
        FAIL() << "no exception";
    } catch (tal::BadFormatStringException& e) {
        EXPECT_STREQ("format:", e.what());
    }
    EXPECT_EQ((Events{"malloc 61", "free 61", "malloc 6", "free 6"}), event_log());
    event_log().clear();
    rp.reset();
    EXPECT_EQ((Events{"free 2", "free " + std::to_string(ARRAY_BLOCK)}), event_log());
}

// A row expects either the copy's bytes (its NUL included) or an error.
TEST_F(ResourcePoolTest, CloneCstring)
{
    const size_t MEASURE = SIZE_MAX - 1;  // the one-argument form
    const struct {
        const char* text;
        size_t len;
        bool refuse;
        std::string bytes, error;
    } cases[] = {
        {"ab\0cd", MEASURE, false, std::string("ab", 3), ""},
        {"ab\0cd", 5, false, std::string("ab\0cd", 6), ""},
        {"xyz", 0, false, std::string(1, '\0'), ""},
        {nullptr, 3, false, "", "cstr"},
        {nullptr, MEASURE, false, "", "cstr"},
        {"abc", 3, true, "", pool_refusal_text(&source, 4)},
        {"abc", SIZE_MAX, false, "", pool_refusal_text(&source, SIZE_MAX)},
    };
    for (const auto& c : cases) {
        const size_t live = source.live_blocks();
        // Earlier rows took the record block, so a refusal hits the text's.
        c.refuse ? source.refuse_all() : source.grant_all();
        try {
            const char* copy = c.len == MEASURE ? rp.clone_cstring(c.text) : rp.clone_cstring(c.text, c.len);
            EXPECT_EQ("", c.error) << c.len;
            EXPECT_EQ(c.bytes.size(), source.size_of(copy));
            EXPECT_EQ(c.bytes, std::string(copy, c.bytes.size()));
        } catch (tal::Exception& e) {
            EXPECT_EQ(c.error, e.what()) << c.len;
            EXPECT_EQ(live, source.live_blocks()) << c.len;
        }
    }
    source.grant_all();
    rp.reset();
    EXPECT_EQ(0u, source.live_blocks());
    EXPECT_EQ(0u, source.bad_frees);
}

const char* format_twice(tal::ResourcePool& rp, const char** second, const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    const char* first = rp.vcrcprintf(format, ap);
    *second = rp.vcrcprintf_hint(2, format, ap);
    va_end(ap);
    return first;
}

TEST_F(ResourcePoolTest, ArgumentListFormsLeaveTheListUnconsumed)
{
    const char* second = nullptr;
    const char* first = format_twice(rp, &second, "%s-%d", "name", 12);
    EXPECT_STREQ("name-12", first);
    EXPECT_STREQ("name-12", second);
}

}  // namespace
