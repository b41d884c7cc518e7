#include "tal/var/iterator.h"

#include <gtest/gtest.h>

#include <new>
#include <utility>

#include "tal/test/counting_pool.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/implement/Ref.h"

using tal::var::IVar;
using tal::var::Ref;
using tal_test::CountingPool;

namespace {

// A container stand-in: a run of entries walked by position. Array entries
// are Refs keyed by index, dict entries (key, Ref) pairs.
typedef std::pair<tal::string, Ref> DictEntry;

size_t key_of(const Ref* pos, const Ref* begin) { return pos - begin; }
const tal::string& key_of(const DictEntry* pos, const DictEntry*) { return pos->first; }
Ref& value_of(Ref* pos) { return *pos; }
Ref& value_of(DictEntry* pos) { return pos->second; }

struct PositionBase {
    virtual ~PositionBase() {}
    const void* pos;
};

// One implementation for all four interfaces; the extra overloads a mutable
// interface lacks are plain members there.
template <typename Iface, typename Entry, typename Key, typename Value, typename Mutable,
          typename Const>
class Impl : public Iface, public PositionBase {
public:
    Impl(Entry* begin_, Entry* at) : begin(begin_) { pos = at; }

    Key key() const { return key_of(here(), begin); }
    Value value() const { return value_of(here()); }
    void assign(const Mutable& other) { pos = dynamic_cast<const PositionBase&>(other).pos; }
    void assign(const Const& other) { pos = dynamic_cast<const PositionBase&>(other).pos; }
    bool equal_to(const Mutable& other) const
    {
        return pos == dynamic_cast<const PositionBase&>(other).pos;
    }
    bool equal_to(const Const& other) const
    {
        return pos == dynamic_cast<const PositionBase&>(other).pos;
    }
    void iterate() { pos = here() + 1; }

    Entry* here() const { return static_cast<Entry*>(const_cast<void*>(pos)); }
    Entry* begin;
};

using tal::var::IArrayConstIteratorImpl;
using tal::var::IArrayIteratorImpl;
using tal::var::IDictConstIteratorImpl;
using tal::var::IDictIteratorImpl;
typedef Impl<IArrayIteratorImpl, Ref, size_t, IVar&, IArrayIteratorImpl, IArrayConstIteratorImpl>
    ArrayImpl;
typedef Impl<IArrayConstIteratorImpl, Ref, size_t, const IVar&, IArrayIteratorImpl,
             IArrayConstIteratorImpl>
    ArrayConstImpl;
typedef Impl<IDictIteratorImpl, DictEntry, const tal::string&, IVar&, IDictIteratorImpl,
             IDictConstIteratorImpl>
    DictImpl;
typedef Impl<IDictConstIteratorImpl, DictEntry, const tal::string&, const IVar&,
             IDictIteratorImpl, IDictConstIteratorImpl>
    DictConstImpl;

// Array handles have no allocator argument: their functions use this source.
CountingPool* g_array_source = nullptr;

template <typename T>
T* make_in(CountingPool& source, const T& from)
{
    void* mem = source.malloc(sizeof(T));
    if (!mem)
        throw tal::BadAllocException() << "refused";
    return ::new (mem) T(from);
}

template <typename T>
void release_in(CountingPool& source, T* p)
{
    p->~T();
    source.free(p, sizeof(T));
}

template <typename T, typename Iface>
Iface* array_cloner(const Iface* p)
{
    return make_in(*g_array_source, static_cast<const T&>(*p));
}
template <typename T, typename Iface>
void array_destroyer(Iface* p)
{
    release_in(*g_array_source, static_cast<T*>(p));
}
template <typename T, typename Iface>
Iface* dict_cloner(const Iface* p, const void* p_alloc)
{
    return make_in(*static_cast<CountingPool*>(const_cast<void*>(p_alloc)),
                   static_cast<const T&>(*p));
}
template <typename T, typename Iface>
void dict_destroyer(Iface* p, const void* p_alloc)
{
    release_in(*static_cast<CountingPool*>(const_cast<void*>(p_alloc)), static_cast<T*>(p));
}

class IteratorHandles : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_array_source = &array_source;
        for (int i = 0; i < 3; ++i) {
            items[i] = static_cast<IVar&>(values[i]);
            entries[i].second = static_cast<IVar&>(values[i]);
        }
        entries[0].first = "a";
        entries[1].first = "b";
        entries[2].first = "c";
    }
    void TearDown() override
    {
        EXPECT_EQ(0u, array_source.live_blocks());
        EXPECT_EQ(0u, dict_source.live_blocks());
        EXPECT_EQ(0u, array_source.bad_frees + dict_source.bad_frees);
        g_array_source = nullptr;
    }

    tal::var::ArrayConstIterator array_at(size_t i)
    {
        return tal::var::ArrayConstIterator(
            make_in(array_source, ArrayConstImpl(items, items + i)),
            &array_cloner<ArrayConstImpl, IArrayConstIteratorImpl>,
            &array_destroyer<ArrayConstImpl, IArrayConstIteratorImpl>);
    }
    tal::var::ArrayIterator mutable_array_at(size_t i)
    {
        return tal::var::ArrayIterator(make_in(array_source, ArrayImpl(items, items + i)),
                                       &array_cloner<ArrayImpl, IArrayIteratorImpl>,
                                       &array_destroyer<ArrayImpl, IArrayIteratorImpl>);
    }
    tal::var::DictConstIterator dict_at(size_t i)
    {
        return tal::var::DictConstIterator(
            make_in(dict_source, DictConstImpl(entries, entries + i)),
            &dict_cloner<DictConstImpl, IDictConstIteratorImpl>,
            &dict_destroyer<DictConstImpl, IDictConstIteratorImpl>, &dict_source);
    }
    tal::var::DictIterator mutable_dict_at(size_t i)
    {
        return tal::var::DictIterator(make_in(dict_source, DictImpl(entries, entries + i)),
                                      &dict_cloner<DictImpl, IDictIteratorImpl>,
                                      &dict_destroyer<DictImpl, IDictIteratorImpl>,
                                      &dict_source);
    }

    CountingPool array_source, dict_source;
    tal::var::Bool values[3] = {true, false, true};
    Ref items[3];
    DictEntry entries[3];
};

TEST_F(IteratorHandles, WalkReadsKeysAndValues)
{
    std::string seen;
    for (tal::var::ArrayConstIterator it = array_at(0), end = array_at(3); it != end; ++it)
        seen += std::to_string(it->key()) + "=" + it->value().to_string().c_str() + " ";
    for (tal::var::DictConstIterator it = dict_at(0), end = dict_at(3); it != end; ++it)
        seen += std::string((*it).key().c_str()) + "=" + it->value().to_string().c_str() + " ";
    EXPECT_EQ("0=true 1=false 2=true a=true b=false c=true ", seen);
    EXPECT_EQ(2u, array_source.frees);
    EXPECT_EQ(2u, dict_source.frees);
}

TEST_F(IteratorHandles, CopiesAdvanceIndependentlyAndReleaseTheirOwnImplementation)
{
    {
        tal::var::ArrayConstIterator a = array_at(0);
        tal::var::ArrayConstIterator b(a);
        EXPECT_EQ(2u, array_source.live_blocks());
        EXPECT_FALSE(a != b);
        ++(++(++b));
        EXPECT_EQ(0u, a->key());
        EXPECT_TRUE(a != b);
        EXPECT_FALSE(b != array_at(3));

        tal::var::DictConstIterator d = dict_at(1);
        tal::var::DictConstIterator e(d);
        ++e;
        EXPECT_STREQ("b", d->key().c_str());
        EXPECT_STREQ("c", e->key().c_str());
        EXPECT_EQ(2u, dict_source.live_blocks());
    }
    EXPECT_EQ(3u, array_source.frees);
    EXPECT_EQ(2u, dict_source.frees);
}

TEST_F(IteratorHandles, MutableHandlesHandOutMutableElements)
{
    tal::var::ArrayIterator it = mutable_array_at(1);
    it->value() = true;
    EXPECT_TRUE(values[1].to_bool());
    tal::var::DictIterator d = mutable_dict_at(2);
    static_cast<Ref&>(d->value()) = static_cast<IVar&>(values[0]);
    EXPECT_EQ(&values[0], &entries[2].second.ref());
}

TEST_F(IteratorHandles, CopyAssignmentClonesThenReleases)
{
    tal::var::ArrayConstIterator a = array_at(0);
    const tal::var::ArrayConstIterator b = array_at(2);
    a = b;
    EXPECT_EQ(2u, a->key());
    EXPECT_NE(&*a, &*b);
    EXPECT_EQ(2u, array_source.live_blocks());
    a = a;
    EXPECT_EQ(2u, a->key());
    EXPECT_EQ(2u, array_source.live_blocks());

    tal::var::DictIterator d = mutable_dict_at(0);
    d = mutable_dict_at(1);
    EXPECT_STREQ("b", d->key().c_str());
    EXPECT_EQ(1u, dict_source.live_blocks());
}

TEST_F(IteratorHandles, FailedCloneLeavesTheTargetAsItWas)
{
    tal::var::ArrayConstIterator a = array_at(0);
    const tal::var::ArrayConstIterator b = array_at(1);
    const IArrayConstIteratorImpl* before = &*a;
    array_source.refuse_all();
    EXPECT_THROW(a = b, tal::BadAllocException);
    EXPECT_THROW(tal::var::ArrayConstIterator c(b), tal::BadAllocException);
    array_source.grant_all();
    EXPECT_EQ(before, &*a);
    EXPECT_EQ(0u, a->key());
    EXPECT_EQ(2u, array_source.live_blocks());
}

}  // namespace
