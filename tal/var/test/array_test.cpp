#include "tal/var/implement/Array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <typeinfo>

#include "tal/test/counting_pool.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/test/container_probes.h"

using tal::var::Array;
using tal::var::ArrayConstIterator;
using tal::var::ArrayIterator;
using tal::var::Bool;
using tal::var::IVar;
using tal::var::Null;
using tal::var::Ref;

namespace {

typedef tal::pool_allocator<Ref> ArrayAlloc;

const char* const WITH =
    " [with implement_t = std::deque<tal::var::Ref, tal::pool_allocator<tal::var::Ref> >]";

std::string header(const void* array, size_t size)
{
    return tal_var_test::header("tal::var::BasicArray", array, size);
}
using tal_var_test::referent;

// A memory source that, once armed, answers null, throws a standard
// exception, or throws something outside every exception family.
class FailingPool : public tal_test::CountingPool {
public:
    enum Mode { NONE, REFUSE, STD, OTHER };
    void* malloc(size_t size) override
    {
        if (mode == STD) throw std::runtime_error("boom");
        if (mode == OTHER) throw 42;
        return mode == REFUSE ? nullptr : CountingPool::malloc(size);
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
    // t, f, t2, appended the way a filler appends.
    Array& make3()
    {
        Array& a = make();
        for (IVar* v : {&t, &f, &t2}) a[static_cast<int>(a.size())] = *v;
        return a;
    }

    FailingPool source;
    tal::ResourcePool rp{source};
    Bool t{true}, f{false}, t2{true};
};

TEST_F(ArrayTest, SignedSubscriptsSetAndDel)
{
    Array& a = make3();
    const Array& c = a;
    const struct {
        int idx;
        const IVar* want;
    } cases[] = {{0, &t}, {2, &t2}, {-1, &t2}, {-3, &t}, {-2, &f}, {-4, nullptr}, {INT_MIN, nullptr}};
    for (const auto& k : cases) {
        const IVar& m = a[k.idx];
        EXPECT_EQ(&m, &c[k.idx]) << k.idx;
        EXPECT_EQ(k.want, k.want ? referent(m) : nullptr) << k.idx;
        EXPECT_TRUE(k.want || &m == &Null::null) << k.idx;
    }
    EXPECT_EQ(&Null::null, &c[5]);
    EXPECT_EQ(3u, a.size());
    IVar& grown = a[5];
    EXPECT_EQ(6u, a.size());
    grown = static_cast<IVar&>(f);
    EXPECT_EQ(&f, referent(a.get(5)));
    Ref r(f);
    a.set(9, r);  // grows with nulls, binds the referent
    r = static_cast<IVar&>(t);
    EXPECT_EQ(&f, referent(a.get(9)));
    EXPECT_EQ(&Null::null, referent(a.get(8)));
    EXPECT_EQ(header(&a, 10), a.to_string().c_str());

    EXPECT_TRUE(a.del(1));
    EXPECT_EQ(&Null::null, referent(a.get(1)));
    EXPECT_EQ(&t2, referent(a.get(2)));
    EXPECT_FALSE(a.del(1));
    EXPECT_FALSE(a.del(8));
    EXPECT_FALSE(a.del(70));
    EXPECT_EQ(10u, a.size());
}

// Growth that cannot be served is refused; the array keeps every element.
TEST_F(ArrayTest, GrowthFailuresAreTranslatedAndLoseNothing)
{
    const char* const SET = "void tal::var::BasicArray<implement_t>::set(size_t, tal::var::IVar&)";
    const char* const SUB = "tal::var::IVar& tal::var::BasicArray<implement_t>::operator[](int)";
    const struct {
        FailingPool::Mode mode;
        size_t idx;
        const char* function;  // null: by the subscript, no translation
        const char* name;
        const char* what;
    } cases[] = {
        {FailingPool::NONE, SIZE_MAX, SET, "std::length_error",
         "tal::var::BasicArray: index beyond max_size()"},
        {FailingPool::REFUSE, INT_MAX, nullptr, "tal::BadAllocException", nullptr},
        {FailingPool::STD, 1000, SET, "std::runtime_error", "boom"},
        {FailingPool::OTHER, 1000, SUB, "tal::UnknownException", ""},
    };
    Array& a = make3();
    for (const auto& c : cases) {
        source.mode = c.mode;
        try {
            if (c.function == SET)
                a.set(c.idx, f);
            else
                a[static_cast<int>(c.idx)];
            ADD_FAILURE() << "no exception for " << c.idx;
        } catch (const tal::Exception& e) {
            EXPECT_STREQ(c.name, e.name());
            if (c.what) {
                EXPECT_STREQ(c.what, e.what());
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
    // The refusals' "type[" piece.
    EXPECT_STREQ("N3tal3var10BasicArrayISt5dequeINS0_3RefENS_14pool_allocatorIS3_EEEEE",
                 typeid(Array).name());
    tal_var_test::expect_kept_refusals(
        make(), {"::size() const", "get(size_t", "set(size_t", "del(size_t", "operator[](int", "array_"});
}

TEST_F(ArrayTest, AssignmentBetweenKinds)
{
    Array& a = make3();
    Array& b = make();
    b.set(0, f);
    b.set(1, t);
    try {
        a = static_cast<IVar&>(f);
        ADD_FAILURE() << "no exception";
    } catch (const tal::InvalidOperationException& e) {
        EXPECT_STREQ("cast from [tal::var::Bool]false", e.what());
        EXPECT_EQ(std::string("tal::var::BasicArray<implement_t>& tal::var::BasicArray<implement_t>::"
                              "operator=(tal::var::IVar&)") +
                      WITH,
                  e.function());
    }
    Ref self(a);
    a = static_cast<IVar&>(a);
    a = static_cast<IVar&>(self);
    EXPECT_EQ(3u, a.size());
    EXPECT_EQ(&t2, referent(a.get(2)));

    Ref rb(b);
    for (IVar* src : {static_cast<IVar*>(&b), static_cast<IVar*>(&rb)}) {
        Array& target = make3();
        target = *src;
        ASSERT_EQ(2u, target.size());
        EXPECT_EQ(&f, referent(target.get(0)));
        b.set(0, t);  // rebinding in the source leaves the target alone
        EXPECT_EQ(&f, referent(target.get(0)));
        b.set(0, f);
        b[1] = false;  // a scalar through the element reaches the shared value
        EXPECT_FALSE(target.get(1).to_bool());
        t = true;
    }

    // A failed copy assignment names itself and its source.
    for (int i = 0; i < 100; ++i) b.set(b.size(), t);
    Array& empty = make();
    source.mode = FailingPool::REFUSE;
    try {
        empty = b;
        ADD_FAILURE() << "no exception";
    } catch (const tal::BadAllocException& e) {
        const std::string tail = std::string(
                                     "{tal::var::BasicArray<implement_t>& tal::var::"
                                     "BasicArray<implement_t>::operator=(const tal::var::"
                                     "BasicArray<implement_t>&)") +
                                 WITH + "(" + header(&b, 102) + ")}";
        const std::string what = e.what();
        EXPECT_EQ(tail, what.substr(what.size() - std::min(what.size(), tail.size())));
    }
    source.mode = FailingPool::NONE;
}

TEST_F(ArrayTest, ShallowAndDeepClone)
{
    Array& a = make3();
    a.set(4, f);  // position 3 stays the shared null
    Array& shallow = static_cast<Array&>(a.clone(rp));
    EXPECT_EQ(&f, referent(shallow.get(1)));
    shallow.set(1, t);
    EXPECT_EQ(&f, referent(a.get(1)));

    IVar& deep = a.clone(rp, true);
    ASSERT_EQ(5u, deep.size());
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_NE(referent(a.get(i)), referent(deep.get(i))) << i;
        EXPECT_STREQ(a.get(i).to_string().c_str(), deep.get(i).to_string().c_str()) << i;
    }

    Array& loop = make();
    loop.set(0, loop);
    EXPECT_THROW(loop.clone(rp, true), tal::OutOfBoundException);
}

TEST_F(ArrayTest, IteratorsCompareByArrayAndPositionAndReadNothingPastTheEnd)
{
    Array& a = make3();
    const Array& c = a;
    Array& other = make();
    EXPECT_TRUE(other.array_begin()->equal_to(*other.array_end()));  // empty
    other.set(2, t);
    EXPECT_TRUE(c.array_begin() != static_cast<const Array&>(other).array_begin());

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
    tal_var_test::expect_foreign_refused<
        tal::var::IArrayConstIteratorImpl,
        tal_var_test::ForeignImpl<tal::var::IArrayIteratorImpl, tal::var::IArrayConstIteratorImpl, size_t>>(
        *k, "ArrayIteratorImpl",
        std::string("void tal::var::BasicArray<implement_t>::ArrayConstIteratorImpl::assign("
                    "const tal::var::IArrayConstIteratorImpl&)") +
            WITH);
    EXPECT_TRUE(k->equal_to(*m));

    // The array shrinks under a walk: what is gone reads as the shared null.
    ArrayConstIterator it = c.array_begin();
    ++(++it);
    a.clear();
    EXPECT_EQ(&Null::null, &it->value());
    EXPECT_EQ(&Null::null, &m->value());
}

TEST_F(ArrayTest, PoolCreationDrawsOnTheSourcesAllocator)
{
    Array& a = make3();
    const size_t live = source.live_blocks();
    source.refuse_after(1);  // the object, not its first storage
    EXPECT_THROW(rp.create<Array>(ArrayAlloc(&source)), tal::BadAllocException);
    source.grant_all();
    EXPECT_EQ(live, source.live_blocks());

    tal_test::CountingPool elsewhere;
    {
        tal::ResourcePool other(elsewhere);
        Array& far = other.clone(a);
        EXPECT_EQ(&t2, referent(far.get(2)));
        EXPECT_EQ(2u, elsewhere.live_blocks());  // the object and its record block
    }
    EXPECT_EQ(0u, elsewhere.live_blocks());
    EXPECT_EQ(3u, a.size());

    // Built without an allocator, an array grows on the heap alone.
    const size_t before = source.live_blocks();
    Array plain;
    plain.set(4, t2);
    EXPECT_EQ(5u, plain.size());
    EXPECT_EQ(&t2, referent(plain.get(4)));
    EXPECT_EQ(before, source.live_blocks());
}

}  // namespace
