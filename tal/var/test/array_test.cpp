#include "tal/var/implement/Array.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "tal/test/counting_pool.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/implement/Dict.h"
#include "tal/var/test/container_probes.h"

using tal::var::Array;
using tal::var::ArrayConstIterator;
using tal::var::ArrayIterator;
using tal::var::Bool;
using tal::var::IVar;
using tal::var::Null;
using tal::var::Ref;
using tal_test::CountingPool;

namespace {

typedef tal::pool_allocator<Ref> ArrayAlloc;

const char* const WITH =
    " [with implement_t = std::deque<tal::var::Ref, tal::pool_allocator<tal::var::Ref> >]";

std::string header(const void* array, size_t size)
{
    char buf[96];
    snprintf(buf, sizeof buf, "[tal::var::BasicArray] this[%p] size[%zu]", array, size);
    return buf;
}

const IVar* referent(const IVar& element) { return &static_cast<const Ref&>(element).ref(); }

// A memory source that fails in a chosen way once armed: null, a standard
// exception, or something outside every exception family.
class FailingPool : public CountingPool {
public:
    enum Mode { NONE, REFUSE, STD, OTHER };
    void* malloc(size_t size) override
    {
        switch (mode) {
        case REFUSE:
            return nullptr;
        case STD:
            throw std::runtime_error("boom");
        case OTHER:
            throw 42;
        default:
            return CountingPool::malloc(size);
        }
    }
    Mode mode = NONE;
};

class ArrayTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        rp.reset();
        EXPECT_EQ(0u, source.live_blocks());
        EXPECT_EQ(0u, source.bad_frees);
    }
    Array& make() { return rp.create<Array>(ArrayAlloc(&source)); }
    // a holds t, f, t.
    Array& make3()
    {
        Array& a = make();
        for (IVar* v : {&t, &f, &t2})
            a[static_cast<int>(a.size())] = *v;
        return a;
    }

    FailingPool source;
    tal::ResourcePool rp{source};
    Bool t{true}, f{false}, t2{true};
};

TEST_F(ArrayTest, NewArray)
{
    Array& a = make();
    EXPECT_EQ(0u, a.size());
    EXPECT_TRUE(a.is_array());
    EXPECT_FALSE(a.is_null() || a.is_dict() || a.is_ref());
    EXPECT_EQ(0x10, a.get_mask());
    EXPECT_STREQ("tal::var::BasicArray", a.get_type().c_str());
    EXPECT_EQ(&Null::null, &a.get(0));
    EXPECT_EQ(&f, &a.get(0, f));
    EXPECT_EQ(header(&a, 0), a.dump(0).c_str());
    EXPECT_EQ(header(&a, 0), a.to_string().c_str());
    EXPECT_EQ(header(&a, 0), a.dump(2).c_str());
}

TEST_F(ArrayTest, SetGrowsAndBindsTheReferent)
{
    Array& a = make();
    a.set(3, t);
    EXPECT_EQ(4u, a.size());
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(&Null::null, referent(a.get(i)));
    EXPECT_EQ(&t, referent(a.get(3)));
    Ref r(f);
    a.set(1, r);
    r = static_cast<IVar&>(t);
    EXPECT_EQ(&f, referent(a.get(1)));
    EXPECT_EQ(4u, a.size());
}

TEST_F(ArrayTest, SignedSubscripts)
{
    Array& a = make3();
    const Array& c = a;
    const struct {
        int idx;
        const IVar* want;
    } cases[] = {{0, &t}, {2, &t2}, {-1, &t2}, {-3, &t}, {-2, &f}, {-4, &Null::null},
                 {INT_MIN, &Null::null}};
    for (const auto& k : cases) {
        const IVar& m = a[k.idx];
        const IVar& n = c[k.idx];
        EXPECT_EQ(k.want, k.want == &Null::null ? &m : referent(m)) << k.idx;
        EXPECT_EQ(&m, &n) << k.idx;
    }
    EXPECT_EQ(&Null::null, &c[5]);
    EXPECT_EQ(&Null::null, &a.get(5));
    EXPECT_EQ(3u, a.size());

    IVar& grown = a[5];
    EXPECT_EQ(6u, a.size());
    EXPECT_TRUE(grown.is_null() && grown.is_ref());
    grown = static_cast<IVar&>(f);
    EXPECT_EQ(&f, referent(a.get(5)));
}

TEST_F(ArrayTest, DelLeavesAGap)
{
    Array& a = make3();
    EXPECT_TRUE(a.del(1));
    EXPECT_EQ(3u, a.size());
    EXPECT_EQ(&Null::null, referent(a.get(1)));
    EXPECT_EQ(&t2, referent(a.get(2)));
    EXPECT_FALSE(a.del(1));
    EXPECT_FALSE(a.del(7));
    EXPECT_FALSE(f.is_null());
    a.clear();
    EXPECT_EQ(0u, a.size());
    EXPECT_EQ(&Null::null, &a.get(0));
}

// Growth that cannot be served refuses: the array keeps every element.
TEST_F(ArrayTest, GrowthFailuresAreTranslatedAndLoseNothing)
{
    const char* const SET = "void tal::var::BasicArray<implement_t>::set(size_t, tal::var::IVar&)";
    const char* const SUB = "tal::var::IVar& tal::var::BasicArray<implement_t>::operator[](int)";
    const struct {
        FailingPool::Mode mode;
        size_t idx;
        bool by_set;
        const char* name;
        const char* what;
        const char* function;
    } cases[] = {
        {FailingPool::NONE, SIZE_MAX, true, "std::length_error",
         "tal::var::BasicArray: index beyond max_size()", SET},
        {FailingPool::NONE, SIZE_MAX - 1, true, "std::length_error", nullptr, SET},
        {FailingPool::REFUSE, INT_MAX, false, "tal::BadAllocException", nullptr, nullptr},
        {FailingPool::STD, 1000, true, "std::runtime_error", "boom", SET},
        {FailingPool::OTHER, 1000, false, "tal::UnknownException", "", SUB},
    };
    Array& a = make3();
    for (const auto& c : cases) {
        source.mode = c.mode;
        try {
            if (c.by_set)
                a.set(c.idx, f);
            else
                a[static_cast<int>(c.idx)];
            ADD_FAILURE() << "no exception for " << c.idx;
        } catch (const tal::Exception& e) {
            EXPECT_STREQ(c.name, e.name());
            if (c.what) {
                EXPECT_STREQ(c.what, e.what());
            }
            if (c.function) {
                EXPECT_EQ(std::string(c.function) + WITH, e.function());
            }
        }
        source.mode = FailingPool::NONE;
        ASSERT_EQ(3u, a.size());
        EXPECT_EQ(&t2, referent(a.get(2)));
    }
}

TEST_F(ArrayTest, KeepsTheInterfaceRefusalsOfEverythingButPositions)
{
    tal_var_test::expect_kept_refusals(make(), {"::size() const", "get(size_t", "set(size_t",
                                                "del(size_t", "operator[](int", "array_"});
}

TEST_F(ArrayTest, AssignmentBetweenKinds)
{
    Array& a = make3();
    Array& b = make();
    b.set(0, f);
    b.set(1, t);

    Bool other(false);
    try {
        a = static_cast<IVar&>(other);
        ADD_FAILURE() << "no exception";
    } catch (const tal::InvalidOperationException& e) {
        EXPECT_STREQ("cast from [tal::var::Bool]false", e.what());
        EXPECT_EQ(std::string("tal::var::BasicArray<implement_t>& tal::var::BasicArray<implement_t>::"
                              "operator=(tal::var::IVar&)") + WITH,
                  e.function());
    }
    EXPECT_EQ(3u, a.size());

    a = static_cast<IVar&>(a);
    Ref self(a);
    a = static_cast<IVar&>(self);
    EXPECT_EQ(3u, a.size());
    EXPECT_EQ(&t2, referent(a.get(2)));

    for (int through_ref = 0; through_ref < 2; ++through_ref) {
        Array& target = make3();
        Ref rb(b);
        target = through_ref ? static_cast<IVar&>(rb) : static_cast<IVar&>(b);
        ASSERT_EQ(2u, target.size());
        EXPECT_EQ(&f, referent(target.get(0)));
        EXPECT_EQ(&t, referent(target.get(1)));
        b.set(0, t);  // rebinding in the source leaves the target alone
        EXPECT_EQ(&f, referent(target.get(0)));
        b.set(0, f);
        b[1] = false;  // a scalar through the element reaches the shared value
        EXPECT_FALSE(target.get(1).to_bool());
        t = true;
    }
    // Growing from a shorter array.
    Array& shorter = make();
    shorter = static_cast<IVar&>(b);
    EXPECT_EQ(2u, shorter.size());
}

TEST_F(ArrayTest, FailedCopyAssignmentIsDecorated)
{
    Array& a = make();
    Array& b = make3();
    for (int i = 0; i < 100; ++i)
        b.set(b.size(), t);
    source.mode = FailingPool::REFUSE;
    try {
        a = b;
        ADD_FAILURE() << "no exception";
    } catch (const tal::BadAllocException& e) {
        const std::string sig = "tal::var::BasicArray<implement_t>& tal::var::BasicArray<implement_t>::"
                                "operator=(const tal::var::BasicArray<implement_t>&)";
        const std::string tail = "{" + sig + WITH + "(" + header(&b, 103) + ")}";
        const std::string what = e.what();
        ASSERT_GE(what.size(), tail.size());
        EXPECT_EQ(tail, what.substr(what.size() - tail.size()));
    }
    source.mode = FailingPool::NONE;
}

TEST_F(ArrayTest, ShallowAndDeepClone)
{
    Array& a = make3();
    a.set(4, f);  // position 3 stays the shared null
    Array& shallow = static_cast<Array&>(a.clone(rp));
    EXPECT_NE(&a, &shallow);
    EXPECT_EQ(5u, shallow.size());
    EXPECT_EQ(&f, referent(shallow.get(1)));
    shallow.set(1, t);
    EXPECT_EQ(&f, referent(a.get(1)));

    IVar& deep = a.clone(rp, true);
    ASSERT_EQ(5u, deep.size());
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_NE(referent(a.get(i)), referent(deep.get(i))) << i;
        EXPECT_EQ(a.get(i).to_string().c_str(), std::string(deep.get(i).to_string().c_str()));
    }
    EXPECT_TRUE(deep.get(3).is_null());

    Array& loop = make();
    loop.set(0, loop);
    EXPECT_THROW(loop.clone(rp, true), tal::OutOfBoundException);
}

TEST_F(ArrayTest, IteratorsWalkCompareAndReadNothingPastTheEnd)
{
    Array& a = make3();
    const Array& c = a;
    Array& other = make();
    EXPECT_TRUE(other.array_begin()->equal_to(*other.array_end()));
    EXPECT_TRUE(c.array_end() != static_cast<const Array&>(other).array_end());

    std::string keys;
    for (ArrayConstIterator it = c.array_begin(), end = c.array_end(); it != end; ++it)
        keys += std::to_string(it->key()) + (it->value().is_ref() ? "r " : "? ");
    EXPECT_EQ("0r 1r 2r ", keys);

    ArrayIterator m = a.array_begin();
    ArrayConstIterator k = c.array_begin();
    EXPECT_TRUE(m->equal_to(*k) && k->equal_to(*m));
    ++k;
    EXPECT_FALSE(m->equal_to(*k) || k->equal_to(*m));
    const_cast<tal::var::IArrayConstIteratorImpl&>(*k).assign(*m);
    EXPECT_TRUE(k->equal_to(*m));
    m->value() = static_cast<IVar&>(f);  // rebinds element 0
    EXPECT_EQ(&f, referent(a.get(0)));

    struct Foreign : tal::var::IArrayConstIteratorImpl {
        size_t key() const override { return 0; }
        const IVar& value() const override { return Null::null; }
        void assign(const tal::var::IArrayIteratorImpl&) override {}
        void assign(const tal::var::IArrayConstIteratorImpl&) override {}
        bool equal_to(const tal::var::IArrayIteratorImpl&) const override { return true; }
        bool equal_to(const tal::var::IArrayConstIteratorImpl&) const override { return true; }
        void iterate() override {}
    } foreign;
    EXPECT_FALSE(k->equal_to(foreign));
    try {
        const_cast<tal::var::IArrayConstIteratorImpl&>(*k).assign(foreign);
        ADD_FAILURE() << "no exception";
    } catch (const tal::BadCastException& e) {
        EXPECT_EQ(std::string("from:") + typeid(Foreign).name() + " to:ArrayIteratorImpl", e.what());
        EXPECT_EQ(std::string("void tal::var::BasicArray<implement_t>::ArrayConstIteratorImpl::"
                              "assign(const tal::var::IArrayConstIteratorImpl&)") + WITH,
                  e.function());
    }

    // The array shrinks under a walk: what is gone reads as the shared null.
    ArrayConstIterator it = c.array_begin();
    ++(++it);
    a.clear();
    EXPECT_EQ(&Null::null, &it->value());
    EXPECT_EQ(&Null::null, &m->value());
}

TEST_F(ArrayTest, PoolCreationAndCopies)
{
    Array& a = make3();
    EXPECT_EQ(sizeof(Array), source.size_of(&a));
    Array& copy = rp.clone(a);
    EXPECT_EQ(sizeof(Array), source.size_of(&copy));
    EXPECT_EQ(&t2, referent(copy.get(2)));

    // An empty array already needs storage: a refusal leaves no record behind.
    source.mode = FailingPool::REFUSE;
    const size_t live = source.live_blocks();
    EXPECT_THROW(rp.create<Array>(ArrayAlloc(&source)), tal::BadAllocException);
    EXPECT_THROW(rp.clone(a), tal::BadAllocException);
    source.mode = FailingPool::NONE;
    source.refuse_after(1);  // the object, not its first storage
    EXPECT_THROW(rp.create<Array>(ArrayAlloc(&source)), tal::BadAllocException);
    EXPECT_THROW(rp.clone(a), tal::BadAllocException);
    source.grant_all();
    EXPECT_EQ(live, source.live_blocks());

    // A copy made in another pool draws on the source's memory and outlives
    // nothing it refers to.
    CountingPool elsewhere;
    {
        tal::ResourcePool other(elsewhere);
        Array& far = other.clone(a);
        EXPECT_EQ(sizeof(Array), elsewhere.size_of(&far));
        EXPECT_EQ(2u, elsewhere.live_blocks());  // the object and its record block
    }
    EXPECT_EQ(0u, elsewhere.live_blocks());
    EXPECT_EQ(3u, a.size());

    // Arrays of dicts share one allocator and hold independent dicts.
    tal::var::Dict* dicts = rp.create_array<tal::var::Dict>(
        2, tal::pool_allocator<std::pair<tal::string, Ref> >(&source));
    a.set(0, dicts[0]);
    a.set(1, dicts[1]);
    a[0]["k"] = static_cast<IVar&>(t);
    EXPECT_EQ(1u, dicts[0].size());
    EXPECT_EQ(0u, dicts[1].size());
}

}  // namespace
