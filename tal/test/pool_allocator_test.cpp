#include "tal/pool/tal_poolalloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>

#include "tal/test/recording_pool.h"

using tal_test::address_text;
using tal_test::event_log;
using tal_test::Events;
using tal_test::RecordingPool;

namespace {

// Stands in for an eight-byte element such as a value reference.
struct Word {
    void* p;
};

std::string refusal_text(size_t bytes, const void* pool)
{
    return "size[" + std::to_string(bytes) + "] _p_pool[" + address_text(pool) + "]";
}

TEST(PoolAllocator, AsksTheSourceForBytesAndGivesThemBack)
{
    RecordingPool pool;
    event_log().clear();
    tal::pool_allocator<Word> alloc(&pool);
    Word* p = alloc.allocate(3);
    EXPECT_EQ(24u, pool.size_of(p));
    alloc.deallocate(p, 3);
    EXPECT_EQ((Events{"malloc 24", "free 24"}), event_log());
    EXPECT_EQ(0u, pool.bad_frees);
}

TEST(PoolAllocator, RefusalNamesByteCountAndSource)
{
    RecordingPool pool;
    pool.refuse_all();
    tal::pool_allocator<Word> alloc(&pool);
    try {
        alloc.allocate(3);
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ(refusal_text(24, &pool), e.what());
        EXPECT_NE(std::string::npos, std::string(e.function()).find("pool_allocator<_Tp>::allocate"))
            << e.function();
        const std::string file = e.file();
        EXPECT_EQ("tal/pool/tal_poolalloc.h", file.substr(file.size() - 24));
    }
}

TEST(PoolAllocator, ZeroElementsAreAskedForAsZeroBytes)
{
    RecordingPool pool;
    tal::pool_allocator<char> alloc(&pool);
    event_log().clear();
    char* p = alloc.allocate(0);
    EXPECT_NE(nullptr, p);
    alloc.deallocate(p, 0);
    EXPECT_EQ((Events{"malloc 0", "free 0"}), event_log());
    pool.refuse_all();
    try {
        alloc.allocate(0);
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ(refusal_text(0, &pool), e.what());
    }
}

TEST(PoolAllocator, ByteCountBeyondSizeTIsRefusedWithoutAsking)
{
    RecordingPool pool;
    tal::pool_allocator<Word> alloc(&pool);
    try {
        alloc.allocate(SIZE_MAX / sizeof(Word) + 1);
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ(refusal_text(SIZE_MAX, &pool), e.what());
    }
    EXPECT_EQ(0u, pool.mallocs);
}

TEST(PoolAllocator, WithoutSourceUsesTheHeap)
{
    tal::pool_allocator<Word> by_default;
    tal::pool_allocator<Word> from_null(static_cast<tal::mempool*>(nullptr));
    EXPECT_EQ(nullptr, by_default.get_mempool());
    EXPECT_TRUE(by_default == from_null);
    Word* p = from_null.allocate(2);
    p[1].p = p;
    by_default.deallocate(p, 2);
    // The heap has no refusal to provoke short of exhausting it; a wrapping
    // count reports a null source.
    try {
        by_default.allocate(SIZE_MAX);
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ("size[18446744073709551615] _p_pool[(nil)]", std::string(e.what()));
    }
}

TEST(PoolAllocator, AllocatorsOverOneSourceAreInterchangeable)
{
    RecordingPool pool, other;
    tal::pool_allocator<Word> words(&pool);
    tal::pool_allocator<char> chars(words);
    tal::pool_allocator<Word> back(chars);
    EXPECT_EQ(&pool, chars.get_mempool());
    EXPECT_TRUE(words == chars);
    EXPECT_FALSE(words != back);
    EXPECT_TRUE(words != tal::pool_allocator<Word>(&other));

    Word* p = words.allocate(5);
    back.deallocate(p, 5);
    EXPECT_EQ(1u, pool.frees);
    EXPECT_EQ(0u, pool.bad_frees);
    EXPECT_EQ(0u, pool.live_blocks());
}

TEST(PoolAllocator, StandardContainersDrawEverythingFromTheSource)
{
    RecordingPool pool;
    {
        typedef std::pair<const int, std::string> entry_t;
        std::map<int, std::string, std::less<int>, tal::pool_allocator<entry_t>> map{
            std::less<int>(), tal::pool_allocator<entry_t>(&pool)};
        std::deque<Word, tal::pool_allocator<Word>> deque{tal::pool_allocator<Word>(&pool)};
        for (int i = 0; i < 200; ++i) {
            map[i] = "v";
            deque.push_back(Word{nullptr});
        }
        EXPECT_GT(pool.live_blocks(), 200u);
        std::deque<Word, tal::pool_allocator<Word>> copy(deque);
        EXPECT_EQ(&pool, copy.get_allocator().get_mempool());
    }
    EXPECT_EQ(0u, pool.live_blocks());
    EXPECT_EQ(0u, pool.bad_frees);
}

TEST(PoolAllocator, ContainerSeesTheRefusal)
{
    RecordingPool pool;
    std::deque<Word, tal::pool_allocator<Word>> deque{tal::pool_allocator<Word>(&pool)};
    pool.refuse_all();
    for (int i = 0; i < 64; ++i) {
        try {
            deque.push_back(Word{nullptr});
        } catch (tal::BadAllocException& e) {
            EXPECT_EQ(0u, std::string(e.what()).find("size["));
            EXPECT_EQ(static_cast<size_t>(i), deque.size());
            return;
        }
    }
    FAIL() << "the deque never asked for a new block";
}

}  // namespace
