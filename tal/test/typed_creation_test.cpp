#include "tal/ResourcePool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

#include "tal/containers/string/tal_string.h"
#include "tal/test/pool_probes.h"

using namespace tal_test;

namespace {

const std::string OBJ = std::to_string(sizeof(Probe));
const std::string OBJECT_BLOCK_TEXT = std::to_string(OBJECT_BLOCK);
const std::string ARRAY_BLOCK_TEXT = std::to_string(ARRAY_BLOCK);

// Counts the copies made of constructor arguments.
struct Counted {
    Counted() {}
    Counted(const Counted&) { ++copies; }
    static int copies;
};
int Counted::copies = 0;

struct Triple {
    Triple(const Counted&, const Counted&, const Counted&) { note("triple"); }
};

// Creates another object in the same pool from its constructor, then fails.
struct Nester {
    explicit Nester(tal::ResourcePool* rp)
    {
        rp->create<Probe>(9);
        throw std::runtime_error("nested");
    }
};

// A value that owns text through a pool allocator.
struct Text {
    Text(const char* s, unsigned long n, const tal::pool_allocator<char>& alloc) : str(s, n, alloc) {}
    virtual ~Text() {}
    tal::string str;
};

// Array element whose constructor numbers it, and can be told to fail.
struct Element {
    explicit Element(int base) : id(base + built)
    {
        if (built == fail_at) {
            note("throw " + std::to_string(id));
            throw std::runtime_error("element refused");
        }
        ++built;
        note("ctor " + std::to_string(id));
    }
    virtual ~Element() { note("dtor " + std::to_string(id)); }
    int id;
    static int built;
    static int fail_at;
};
int Element::built = 0;
int Element::fail_at = -1;

// A container whose empty form already takes storage from its allocator.
struct Sequence {
    explicit Sequence(const tal::pool_allocator<int>& alloc) : items(alloc) {}
    std::deque<int, tal::pool_allocator<int>> items;
};

typedef std::pair<const tal::string, int> entry_t;
typedef std::map<tal::string, int, std::less<tal::string>, tal::pool_allocator<entry_t>> map_t;

// A keyed container over a pool allocator, as dicts are built.
struct Keyed {
    explicit Keyed(const tal::pool_allocator<entry_t>& alloc) : map(std::less<tal::string>(), alloc) {}
    virtual ~Keyed() {}
    map_t map;
};

class TypedCreation : public ::testing::Test {
protected:
    TypedCreation() : rp(source)
    {
        event_log().clear();
        Counted::copies = 0;
        Element::built = 0;
        Element::fail_at = -1;
    }
    RecordingPool source;
    tal::ResourcePool rp;
};

TEST_F(TypedCreation, ConstructorRecordsBuildNothingAtANullAddress)
{
    const int id = 4;
    const std::string tag = "t";
    const Counted a;
    const std::function<void()> calls[] = {
        [&] { tal::ResourcePool::OneConstArgCtor<Probe, int>{id}(nullptr); },
        [&] {
            tal::ResourcePool::TwoConstArgCtor<Probe, int, std::string>{id, tag}(nullptr);
        },
        [&] {
            tal::ResourcePool::ThreeConstArgCtor<Triple, Counted, Counted, Counted>{a, a, a}(nullptr);
        },
    };
    for (const std::function<void()>& call : calls) {
        call();
    }
    EXPECT_EQ(Events{}, event_log());
}

TEST_F(TypedCreation, TakesRecordThenObjectMemoryThenConstructs)
{
    Probe& p = rp.create<Probe>(7);
    EXPECT_EQ(7, p.id);
    EXPECT_EQ(sizeof(Probe), source.size_of(&p));
    EXPECT_EQ((Events{"malloc " + OBJECT_BLOCK_TEXT, "malloc " + OBJ, "ctor 7"}), event_log());
    event_log().clear();
    rp.reset();
    EXPECT_EQ((Events{"dtor 7", "free " + OBJ, "free " + OBJECT_BLOCK_TEXT}), event_log());
}

TEST_F(TypedCreation, ArgumentsReachTheConstructorByReference)
{
    const Counted a, b, c;
    rp.create<Triple>(a, b, c);
    // Only the third argument is taken by value.
    EXPECT_EQ(1, Counted::copies);
    EXPECT_EQ(3, rp.create<Probe>(3, std::string("x")).id);
    EXPECT_EQ("ctor 3x", event_log().back());
}

TEST_F(TypedCreation, RefusedObjectMemoryLeavesThePoolAsItWas)
{
    source.refuse_after(1);
    try {
        rp.create<Probe>(1);
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ(pool_refusal_text(&source, sizeof(Probe)), e.what());
        // The compiler may name the record class with or without its scope.
        const std::string function = e.function();
        EXPECT_EQ(0u, function.find("T& tal::ResourcePool::_create_object(const CtorT&) [with T = "
                                    "tal_test::Probe; CtorT = "));
        const std::string record = "OneConstArgCtor<tal_test::Probe, int>]";
        EXPECT_EQ(function.size() - record.size(), function.rfind(record));
    }
    EXPECT_EQ((Events{"malloc " + OBJECT_BLOCK_TEXT, "refused " + OBJ, "free " + OBJECT_BLOCK_TEXT}),
              event_log());
}

TEST_F(TypedCreation, ThrowingConstructorGivesItsMemoryBack)
{
    rp.create<Probe>(1);
    event_log().clear();
    EXPECT_THROW(rp.create<Thrower>(2), std::runtime_error);
    const std::string size = std::to_string(sizeof(Thrower));
    EXPECT_EQ((Events{"malloc " + size, "throw 2", "free " + size}), event_log());
    event_log().clear();
    rp.reset();
    EXPECT_EQ((Events{"dtor 1", "free " + OBJ, "free " + OBJECT_BLOCK_TEXT}), event_log());
}

TEST_F(TypedCreation, FailureAfterSuccessesDestroysOnlyTheCreated)
{
    for (int i = 0; i < 3; ++i) {
        rp.create<Probe>(i);
    }
    source.refuse_all();
    EXPECT_THROW(rp.create<Probe>(3), tal::BadAllocException);
    source.grant_all();
    event_log().clear();
    rp.reset();
    EXPECT_EQ((Events{"dtor 2", "free " + OBJ, "dtor 1", "free " + OBJ, "dtor 0", "free " + OBJ,
                      "free " + OBJECT_BLOCK_TEXT}),
              event_log());
}

TEST_F(TypedCreation, UndoNeverTakesAnotherCreationsRecord)
{
    rp.create<Probe>(1);
    EXPECT_THROW(rp.create<Nester>(&rp), std::runtime_error);
    event_log().clear();
    rp.reset();
    // The nested object stays owned; the unfilled record is skipped.
    EXPECT_EQ((Events{"dtor 9", "free " + OBJ, "dtor 1", "free " + OBJ, "free " + OBJECT_BLOCK_TEXT}),
              event_log());
    EXPECT_EQ(0u, source.bad_frees);
    EXPECT_EQ(0u, source.live_blocks());
}

TEST_F(TypedCreation, CloneIsAnIndependentCopy)
{
    Probe& a = rp.create<Probe>(5);
    Probe& b = rp.clone(a);
    EXPECT_NE(&a, &b);
    EXPECT_EQ(5, b.id);
    {
        RecordingPool other_source;
        tal::ResourcePool other(other_source);
        Probe& c = other.clone(a);
        EXPECT_EQ(sizeof(Probe), other_source.size_of(&c));
    }
    event_log().clear();
    rp.reset();
    EXPECT_EQ((Events{"dtor 5", "free " + OBJ, "dtor 5", "free " + OBJ, "free " + OBJECT_BLOCK_TEXT}),
              event_log());
}

TEST_F(TypedCreation, OwnedTextGoesBackBeforeItsObject)
{
    Text& t = rp.create<Text>("abcdef", 3ul, rp.get_allocator());
    EXPECT_STREQ("abc", t.str.c_str());
    EXPECT_EQ(3u, t.str.capacity());
    const std::string size = std::to_string(sizeof(Text));
    EXPECT_EQ((Events{"malloc " + OBJECT_BLOCK_TEXT, "malloc " + size, "malloc 4"}), event_log());
    event_log().clear();
    rp.reset();
    EXPECT_EQ((Events{"free 4", "free " + size, "free " + OBJECT_BLOCK_TEXT}), event_log());
}

TEST_F(TypedCreation, FailedTextCopyLeavesNoRecord)
{
    const char* null_text = nullptr;
    try {
        rp.create<Text>(null_text, 0ul, rp.get_allocator());
        FAIL() << "no exception";
    } catch (tal::NullPointerException& e) {
        EXPECT_STREQ("cstr", e.what());
    }
    const std::string size = std::to_string(sizeof(Text));
    EXPECT_EQ((Events{"malloc " + OBJECT_BLOCK_TEXT, "malloc " + size, "free " + size,
                      "free " + OBJECT_BLOCK_TEXT}),
              event_log());
}

TEST_F(TypedCreation, EmptyContainerWhoseAllocatorFailsLeavesNoRecord)
{
    rp.create<Probe>(1);
    event_log().clear();
    source.refuse_after(1);
    try {
        rp.create<Sequence>(tal::pool_allocator<int>(&source));
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ(0u, std::string(e.what()).find("size["));
    }
    const std::string size = std::to_string(sizeof(Sequence));
    ASSERT_EQ(3u, event_log().size());
    EXPECT_EQ("malloc " + size, event_log()[0]);
    EXPECT_EQ("free " + size, event_log()[2]);
    source.grant_all();
    event_log().clear();
    rp.reset();
    EXPECT_EQ((Events{"dtor 1", "free " + OBJ, "free " + OBJECT_BLOCK_TEXT}), event_log());
}

TEST_F(TypedCreation, ArrayIsOneBlockBuiltAndDestroyedFirstToLast)
{
    Element* elements = rp.create_array<Element>(3, 10);
    EXPECT_EQ(12, elements[2].id);
    const std::string bytes = std::to_string(3 * sizeof(Element));
    EXPECT_EQ(3 * sizeof(Element), source.size_of(elements));
    EXPECT_EQ((Events{"malloc " + ARRAY_BLOCK_TEXT, "malloc " + bytes, "ctor 10", "ctor 11", "ctor 12"}),
              event_log());
    event_log().clear();
    rp.reset();
    EXPECT_EQ((Events{"dtor 10", "dtor 11", "dtor 12", "free " + bytes, "free " + ARRAY_BLOCK_TEXT}),
              event_log());
}

TEST_F(TypedCreation, ObjectsAreDestroyedBeforeArrays)
{
    rp.create_array<Element>(1, 0);
    rp.create<Probe>(5);
    event_log().clear();
    rp.reset();
    EXPECT_EQ("dtor 5", event_log()[0]);
    EXPECT_EQ("dtor 0", event_log()[3]);
}

TEST_F(TypedCreation, EmptyArrayAsksForZeroBytes)
{
    Element* elements = rp.create_array<Element>(0, 1);
    EXPECT_NE(nullptr, elements);
    rp.reset();
    EXPECT_EQ((Events{"malloc " + ARRAY_BLOCK_TEXT, "malloc 0", "free 0", "free " + ARRAY_BLOCK_TEXT}),
              event_log());
}

TEST_F(TypedCreation, FailingElementUndoesTheWholeArray)
{
    Element::fail_at = 2;
    EXPECT_THROW(rp.create_array<Element>(4, 0), std::runtime_error);
    const std::string bytes = std::to_string(4 * sizeof(Element));
    const Events& log = event_log();
    ASSERT_EQ(9u, log.size());
    EXPECT_EQ((Events{"malloc " + ARRAY_BLOCK_TEXT, "malloc " + bytes, "ctor 0", "ctor 1", "throw 2"}),
              Events(log.begin(), log.begin() + 5));
    // The two built elements are destroyed, then block and record go back.
    EXPECT_EQ(1, std::count(log.begin(), log.end(), "dtor 0"));
    EXPECT_EQ(1, std::count(log.begin(), log.end(), "dtor 1"));
    EXPECT_EQ((Events{"free " + bytes, "free " + ARRAY_BLOCK_TEXT}), Events(log.end() - 2, log.end()));
}

TEST_F(TypedCreation, RefusedArrayReportsItsByteCount)
{
    source.refuse_after(1);
    try {
        rp.create_array<Element>(5, 0);
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ(pool_refusal_text(&source, 5 * sizeof(Element)), e.what());
        EXPECT_EQ(0u, std::string(e.function())
                          .find("T* tal::ResourcePool::create_array(size_t, const T_arg&) [with T = "
                                "{anonymous}::Element; T_arg = int"));
    }
    EXPECT_EQ(0, Element::built);
    EXPECT_EQ("free " + ARRAY_BLOCK_TEXT, event_log().back());
}

TEST_F(TypedCreation, ArrayByteCountBeyondSizeTIsRefusedWithoutAsking)
{
    try {
        rp.create_array<Element>(SIZE_MAX / sizeof(Element) + 1, 0);
        FAIL() << "no exception";
    } catch (tal::BadAllocException& e) {
        EXPECT_EQ(pool_refusal_text(&source, SIZE_MAX), e.what());
    }
    EXPECT_EQ((Events{"malloc " + ARRAY_BLOCK_TEXT, "free " + ARRAY_BLOCK_TEXT}), event_log());
}

TEST_F(TypedCreation, ArrayElementsShareOneAllocatorAndGrowAlone)
{
    Keyed* maps = rp.create_array<Keyed>(2, tal::pool_allocator<entry_t>(&source));
    EXPECT_EQ(0u, maps[0].map.size());
    maps[1].map[tal::string("key", maps[1].map.get_allocator())] = 1;
    EXPECT_EQ(0u, maps[0].map.size());
    EXPECT_EQ(1u, maps[1].map.size());
    EXPECT_EQ(&source, maps[0].map.get_allocator().get_mempool());
    rp.reset();
    EXPECT_EQ(0u, source.live_blocks());
    EXPECT_EQ(0u, source.bad_frees);
}

TEST(ConstructArray, BuildsEachPositionFromTheSource)
{
    event_log().clear();
    alignas(Probe) unsigned char storage[2 * sizeof(Probe)];
    const int id = 4;
    tal::construct_array<Probe, int>(storage, storage + sizeof storage, &id);
    Probe* probes = reinterpret_cast<Probe*>(storage);
    EXPECT_EQ((Events{"ctor 4", "ctor 4"}), event_log());
    probes[0].~Probe();
    probes[1].~Probe();
}

}  // namespace
