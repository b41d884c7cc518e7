#include "tal/var/iterator.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "tal/test/counting_pool.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/implement/Ref.h"

using namespace tal::var;
using tal_test::CountingPool;

namespace {

// Stand-in containers: an array of Refs and a run of (key, Ref) entries,
// walked by position. One implementation class per handle kind; positions
// compare across the mutable and the const implementation.
typedef std::pair<tal::string, Ref> Entry;

struct Position {
    virtual ~Position() {}
    const void* pos;
};

template <typename Iface, typename Elem, typename Key, typename Value, typename Mutable, typename Const>
struct Impl : Iface, Position {
    Impl(Elem* begin_, size_t i) : begin(begin_) { pos = begin_ + i; }
    Elem* at() const { return static_cast<Elem*>(const_cast<void*>(pos)); }
    Key key() const { return key_of(at()); }
    Value value() const { return value_of(at()); }
    void assign(const Mutable& o) { pos = dynamic_cast<const Position&>(o).pos; }
    void assign(const Const& o) { pos = dynamic_cast<const Position&>(o).pos; }
    bool equal_to(const Mutable& o) const { return pos == dynamic_cast<const Position&>(o).pos; }
    bool equal_to(const Const& o) const { return pos == dynamic_cast<const Position&>(o).pos; }
    void iterate() { pos = at() + 1; }
    size_t key_of(const Ref* p) const { return p - begin; }
    const tal::string& key_of(const Entry* p) const { return p->first; }
    static Ref& value_of(Ref* p) { return *p; }
    static Ref& value_of(Entry* p) { return p->second; }
    Elem* begin;
};

typedef Impl<IArrayConstIteratorImpl, Ref, size_t, const IVar&, IArrayIteratorImpl, IArrayConstIteratorImpl>
    ArrayConstImpl;
typedef Impl<IDictIteratorImpl, Entry, const tal::string&, IVar&, IDictIteratorImpl, IDictConstIteratorImpl>
    DictImpl;

// Array handle functions have no allocator argument: they use this source.
CountingPool* g_array_source = nullptr;

template <typename T>
T* make_in(void* source, const T& from)
{
    void* mem = static_cast<CountingPool*>(source)->malloc(sizeof(T));
    if (!mem) throw tal::BadAllocException() << "refused";
    return ::new (mem) T(from);
}

template <typename T, typename I>
I* array_clone(const I* p)
{
    return make_in(g_array_source, static_cast<const T&>(*p));
}
template <typename T, typename I>
void array_destroy(I* p)
{
    static_cast<T*>(p)->~T();
    g_array_source->free(p, sizeof(T));
}
template <typename T, typename I>
I* dict_clone(const I* p, const void* alloc)
{
    return make_in(const_cast<void*>(alloc), static_cast<const T&>(*p));
}
template <typename T, typename I>
void dict_destroy(I* p, const void* alloc)
{
    static_cast<T*>(p)->~T();
    static_cast<CountingPool*>(const_cast<void*>(alloc))->free(p, sizeof(T));
}

class IteratorHandles : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_array_source = &array_source;
        const char* keys[] = {"a", "b", "c"};
        for (int i = 0; i < 3; ++i) {
            items[i] = static_cast<IVar&>(values[i]);
            entries[i] = Entry(keys[i], items[i]);
        }
    }
    void TearDown() override
    {
        EXPECT_EQ(0u, array_source.live_blocks() + dict_source.live_blocks());
        EXPECT_EQ(0u, array_source.bad_frees + dict_source.bad_frees);
    }
    ArrayConstIterator array_at(size_t i)
    {
        return ArrayConstIterator(make_in(&array_source, ArrayConstImpl(items, i)),
                                  &array_clone<ArrayConstImpl, IArrayConstIteratorImpl>,
                                  &array_destroy<ArrayConstImpl, IArrayConstIteratorImpl>);
    }
    DictIterator dict_at(size_t i)
    {
        return DictIterator(make_in(&dict_source, DictImpl(entries, i)),
                            &dict_clone<DictImpl, IDictIteratorImpl>,
                            &dict_destroy<DictImpl, IDictIteratorImpl>, &dict_source);
    }

    CountingPool array_source, dict_source;
    Bool values[3] = {true, false, true};
    Ref items[3];
    Entry entries[3];
};

TEST_F(IteratorHandles, WalkCopyAndRelease)
{
    std::string seen;
    for (ArrayConstIterator it = array_at(0), end = array_at(3); it != end; ++it)
        seen += std::to_string(it->key()) + "=" + (*it).value().to_string().c_str() + " ";
    EXPECT_EQ("0=true 1=false 2=true ", seen);
    EXPECT_EQ(2u, array_source.frees);
    {
        ArrayConstIterator a = array_at(1), b(a);
        EXPECT_FALSE(a != b);
        ++b;
        EXPECT_TRUE(a != b);
        EXPECT_EQ(1u, a->key());
        EXPECT_EQ(2u, b->key());
        EXPECT_EQ(2u, array_source.live_blocks());
    }
    EXPECT_EQ(4u, array_source.frees);
}

TEST_F(IteratorHandles, DictHandlesPassTheirAllocatorAndHandOutMutableElements)
{
    DictIterator d = dict_at(1), e(d);
    ++e;
    EXPECT_STREQ("b", d->key().c_str());
    EXPECT_STREQ("c", e->key().c_str());
    EXPECT_EQ(2u, dict_source.live_blocks());
    d->value() = false;
    EXPECT_FALSE(values[1].to_bool());
}

TEST_F(IteratorHandles, CopyAssignmentClonesFirstAndSurvivesItself)
{
    ArrayConstIterator a = array_at(0);
    const ArrayConstIterator b = array_at(2);
    a = b;
    EXPECT_EQ(2u, a->key());
    EXPECT_NE(&*a, &*b);
    a = a;
    EXPECT_EQ(2u, a->key());
    EXPECT_EQ(2u, array_source.live_blocks());

    const ArrayConstIterator c = array_at(1);
    const IArrayConstIteratorImpl* before = &*a;
    array_source.refuse_all();
    EXPECT_THROW(a = c, tal::BadAllocException);
    array_source.grant_all();
    EXPECT_EQ(before, &*a);
    EXPECT_EQ(2u, a->key());
    EXPECT_EQ(3u, array_source.live_blocks());
}

}  // namespace
