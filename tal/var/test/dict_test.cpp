#include "tal/var/implement/Dict.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tal/test/counting_pool.h"
#include "tal/var/implement/Array.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/test/container_probes.h"

using tal::var::Bool;
using tal::var::Dict;
using tal::var::DictConstIterator;
using tal::var::DictIterator;
using tal::var::IVar;
using tal::var::Null;
using tal::var::Ref;
using tal_test::CountingPool;

namespace {

typedef tal::pool_allocator<std::pair<tal::string, Ref> > DictAlloc;

const char* const WITH = " [with implement_t = tal::var::__StdMapAdapter<tal::pool_allocator>]";

std::string header(const void* dict, size_t size)
{
    char buf[96];
    snprintf(buf, sizeof buf, "[tal::var::BasicDict] this[%p] size[%zu]", dict, size);
    return buf;
}

std::string keys_of(const IVar& d)
{
    std::string seen;
    for (DictConstIterator it = d.dict_begin(), end = d.dict_end(); it != end; ++it)
        seen += std::string(it->key().c_str(), it->key().size()) + "|";
    return seen;
}

class DictTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        rp.reset();
        EXPECT_EQ(0u, source.live_blocks());
        EXPECT_EQ(0u, source.bad_frees);
    }
    Dict& make() { return rp.create<Dict>(DictAlloc(&source)); }

    CountingPool source;
    tal::ResourcePool rp{source};
    Bool t{true}, f{false};
};

TEST_F(DictTest, KeysAreOrderedByUnsignedBytesWithEmbeddedNuls)
{
    Dict& d = make();
    const std::string keys[] = {"b", std::string("a\0", 2), "ab", "\xff", "B", "", "a",
                                std::string("a\0x", 3), std::string("a\0y", 3)};
    for (const std::string& k : keys)
        d.set(tal::string(k.data(), k.size()), t);
    EXPECT_EQ(9u, d.size());
    EXPECT_EQ(std::string("|B|a|a\0|a\0x|a\0y|ab|b|\xff|", 23), keys_of(d));
}

TEST_F(DictTest, GetNeverInsertsWhileTheSubscriptDoes)
{
    Dict& d = make();
    const Dict& cd = d;
    EXPECT_EQ(&Null::null, &d.get("x"));
    EXPECT_EQ(&Null::null, &cd.get("x"));
    EXPECT_EQ(&f, &d.get("x", f));
    EXPECT_EQ(&f, &cd.get("x", f));
    EXPECT_EQ(0u, d.size());

    IVar& e = d["x"];
    EXPECT_EQ(1u, d.size());
    EXPECT_TRUE(e.is_null() && e.is_ref());
    EXPECT_EQ(&e, &d["x"]);
    EXPECT_EQ(&e, &d.get("x"));
    EXPECT_EQ(&e, &cd["x"]);
    e = static_cast<IVar&>(t);  // rebinds the entry
    EXPECT_TRUE(d.get("x").to_bool());
    EXPECT_EQ(1u, d.size());
}

TEST_F(DictTest, ConstSubscriptOfAMissingKeyThrows)
{
    const Dict& d = make();
    try {
        d["nope"];
        ADD_FAILURE() << "no exception";
    } catch (const tal::KeyNotFoundException& e) {
        EXPECT_STREQ("key[nope]", e.what());
        EXPECT_EQ(std::string("const tal::var::IVar& tal::var::BasicDict<implement_t>::operator[]"
                              "(const tal::string&) const") + WITH,
                  e.function());
        EXPECT_NE(std::string::npos, std::string(e.file()).find("Dict.h"));
    }
    EXPECT_EQ(0u, d.size());
}

TEST_F(DictTest, SetBindsWithoutCopyingAndRebindsOnlyTheEntry)
{
    Dict& d = make();
    d.set("k", t);
    d.set("k", f);
    EXPECT_EQ(1u, d.size());
    EXPECT_STREQ("tal::var::Ref(tal::var::Bool)", d.get("k").get_type().c_str());
    EXPECT_EQ(&f, &static_cast<Ref&>(d.get("k")).ref());
    EXPECT_TRUE(t.to_bool());
    f = true;
    EXPECT_TRUE(d.get("k").to_bool());

    Ref r(t);
    d.set("r", r);
    r = static_cast<IVar&>(f);
    EXPECT_EQ(&t, &static_cast<Ref&>(d.get("r")).ref());
    Ref fresh;
    d.set("n", fresh);
    EXPECT_EQ(&Null::null, &static_cast<Ref&>(d.get("n")).ref());

    EXPECT_TRUE(d.del("k"));
    EXPECT_FALSE(d.del("k"));
    EXPECT_EQ(2u, d.size());
    d.clear();
    EXPECT_EQ(0u, d.size());
    EXPECT_TRUE(t.to_bool());
}

TEST_F(DictTest, KindAnswers)
{
    Dict& d = make();
    d.set("a", t);
    EXPECT_EQ(0x20, d.get_mask());
    EXPECT_TRUE(d.is_dict());
    EXPECT_FALSE(d.is_array() || d.is_null() || d.is_ref());
    EXPECT_STREQ("tal::var::BasicDict", d.get_type().c_str());
    EXPECT_EQ(header(&d, 1), d.dump(0).c_str());
    EXPECT_EQ(header(&d, 1), d.to_string().c_str());
}

TEST_F(DictTest, KeepsTheInterfaceRefusalsOfEverythingButNamedAccess)
{
    tal_var_test::expect_kept_refusals(make(), {"::size() const", "get(const tal::string&",
                                                "set(const tal::string&", "del(const tal::string&",
                                                "operator[](const tal::string&", "dict_"});
}

TEST_F(DictTest, AssignmentBetweenKinds)
{
    Dict& a = make();
    Dict& b = make();
    a.set("old", t);
    b.set("x", t);
    b.set("y", f);

    // Refused before anything changes; the message is the source's dump.
    Bool other(true);
    try {
        a = static_cast<IVar&>(other);
        ADD_FAILURE() << "no exception";
    } catch (const tal::InvalidOperationException& e) {
        EXPECT_STREQ("cast from [tal::var::Bool]true", e.what());
        EXPECT_EQ(std::string("tal::var::BasicDict<implement_t>& tal::var::BasicDict<implement_t>::"
                              "operator=(tal::var::IVar&)") + WITH,
                  e.function());
    }
    EXPECT_EQ("old|", keys_of(a));
    // A dict value that cannot be walked.
    tal_var_test::ProbeVar unwalkable(0x20);
    EXPECT_THROW(a = static_cast<IVar&>(unwalkable), tal::InvalidOperationException);
    EXPECT_EQ("old|", keys_of(a));

    // Itself and a reference to itself change nothing.
    a = static_cast<IVar&>(a);
    Ref self(a);
    a = static_cast<IVar&>(self);
    EXPECT_EQ("old|", keys_of(a));

    for (int through_ref = 0; through_ref < 2; ++through_ref) {
        a.set("old", t);
        Ref rb(b);
        if (through_ref)
            a = static_cast<IVar&>(rb);
        else
            a = static_cast<IVar&>(b);
        EXPECT_EQ("x|y|", keys_of(a));
        EXPECT_EQ(&t, &static_cast<Ref&>(a.get("x")).ref());
        EXPECT_EQ(&f, &static_cast<Ref&>(a.get("y")).ref());
        b.set("x", f);  // rebinding in the source leaves the target alone
        EXPECT_EQ(&t, &static_cast<Ref&>(a.get("x")).ref());
        b.set("x", t);
    }
}

TEST_F(DictTest, ShallowAndDeepClone)
{
    Dict& d = make();
    Dict& inner = make();
    inner.set("b", t);
    d.set("a", f);
    d.set("in", inner);

    IVar& shallow = d.clone(rp);
    EXPECT_NE(&d, &shallow);
    EXPECT_EQ(&f, &static_cast<Ref&>(shallow.get("a")).ref());
    shallow.set("a", t);
    EXPECT_EQ(&f, &static_cast<Ref&>(d.get("a")).ref());

    IVar& deep = d.clone(rp, true);
    EXPECT_EQ("a|in|", keys_of(deep));
    EXPECT_NE(&f, &static_cast<Ref&>(deep.get("a")).ref());
    EXPECT_FALSE(deep.get("a").to_bool());
    IVar& deep_inner = static_cast<Ref&>(deep.get("in")).ref();
    EXPECT_NE(&inner, &deep_inner);
    EXPECT_NE(&t, &static_cast<Ref&>(deep_inner.get("b")).ref());
    EXPECT_TRUE(deep_inner.get("b").to_bool());
}

TEST_F(DictTest, DeepCloneOfATreeContainingItselfEnds)
{
    Dict& d = make();
    d.set("me", d);
    try {
        d.clone(rp, true);
        ADD_FAILURE() << "no exception";
    } catch (const tal::OutOfBoundException& e) {
        EXPECT_STREQ("nesting deeper than 256 levels", e.what());
    }
    // A later deep clone starts from the top again.
    Dict& plain = make();
    plain.set("a", t);
    EXPECT_EQ("a|", keys_of(plain.clone(rp, true)));
}

TEST_F(DictTest, DumpsAtLevelsZeroAndOne)
{
    Dict& d = make();
    EXPECT_EQ(header(&d, 0), d.dump(0).c_str());
    EXPECT_EQ(header(&d, 0), d.dump(3).c_str());
    Dict& inner = make();
    inner.set("z", t);
    d.set("b", inner);
    d.set("a", f);
    char expected[512];
    snprintf(expected, sizeof expected, "%s{a: @%p: [tal::var::Bool]false,b: @%p: %s}",
             header(&d, 2).c_str(), static_cast<void*>(&f), static_cast<void*>(&inner),
             header(&inner, 1).c_str());
    EXPECT_STREQ(expected, d.dump(1).c_str());
}

// A dict's keys take their text from the name's memory source, its nodes and
// iterator implementations from its own.
TEST_F(DictTest, MemoryComesFromTheRightSourcesAndGoesBack)
{
    CountingPool names;
    {
        tal::ResourcePool other(source);
        Dict& d = other.create<Dict>(DictAlloc(&source));
        const size_t before = source.live_blocks();
        d.set(tal::string("key", tal::pool_allocator<char>(&names)), t);
        EXPECT_EQ(1u, names.live_blocks());
        EXPECT_EQ(before + 1, source.live_blocks());  // the node
        {
            DictConstIterator a = static_cast<const Dict&>(d).dict_begin();
            DictConstIterator b(a);
            DictIterator c = d.dict_begin();
            DictIterator e = d.dict_end();
            EXPECT_EQ(before + 1 + 4, source.live_blocks());
            EXPECT_EQ(source.size_of(&*a), source.size_of(&*c));
        }
        EXPECT_EQ(before + 1, source.live_blocks());
    }
    EXPECT_EQ(0u, names.live_blocks());
    EXPECT_EQ(0u, names.bad_frees);
}

TEST_F(DictTest, HeapDictWithoutMemorySource)
{
    Dict d{DictAlloc()};
    d.set("a", t);
    EXPECT_EQ("a|", keys_of(d));
}

TEST_F(DictTest, IteratorsWalkCompareAndRefuseForeignImplementations)
{
    Dict& d = make();
    Dict& other = make();
    d.set("b", t);
    d.set("a", f);
    d.set("c", t);
    EXPECT_EQ("a|b|c|", keys_of(d));
    const Dict& cd = d;
    const Dict& co = other;
    EXPECT_FALSE(co.dict_begin() != co.dict_end());
    EXPECT_TRUE(cd.dict_end() != co.dict_end());
    EXPECT_FALSE(d.dict_end()->equal_to(*other.dict_end()));

    DictIterator m = d.dict_begin();
    DictConstIterator c = cd.dict_begin();
    EXPECT_TRUE(m->equal_to(*c) && c->equal_to(*m));
    ++c;
    EXPECT_FALSE(m->equal_to(*c) || c->equal_to(*m));
    const_cast<tal::var::IDictConstIteratorImpl&>(*c).assign(*m);
    EXPECT_TRUE(c->equal_to(*m));
    EXPECT_STREQ("tal::var::Ref(tal::var::Bool)", c->value().get_type().c_str());
    static_cast<Ref&>(m->value()) = static_cast<IVar&>(t);  // rebinds entry a
    EXPECT_EQ(&t, &static_cast<Ref&>(d.get("a")).ref());

    // An implementation of another dict kind.
    struct Foreign : tal::var::IDictConstIteratorImpl {
        const tal::string& key() const override { return k; }
        const IVar& value() const override { return Null::null; }
        void assign(const tal::var::IDictIteratorImpl&) override {}
        void assign(const tal::var::IDictConstIteratorImpl&) override {}
        bool equal_to(const tal::var::IDictIteratorImpl&) const override { return true; }
        bool equal_to(const tal::var::IDictConstIteratorImpl&) const override { return true; }
        void iterate() override {}
        tal::string k;
    } foreign;
    EXPECT_FALSE(c->equal_to(foreign));
    try {
        const_cast<tal::var::IDictConstIteratorImpl&>(*c).assign(foreign);
        ADD_FAILURE() << "no exception";
    } catch (const tal::BadCastException& e) {
        EXPECT_EQ(std::string("from:") + typeid(Foreign).name() + " to:DictIteratorImpl", e.what());
        EXPECT_EQ(std::string("void tal::var::BasicDict<implement_t>::DictConstIteratorImpl::assign("
                              "const tal::var::IDictConstIteratorImpl&)") + WITH,
                  e.function());
    }
    EXPECT_TRUE(c->equal_to(*m));
}

TEST_F(DictTest, IteratorAtTheEndRefusesToReadOrAdvance)
{
    Dict& d = make();
    d.set("a", t);
    DictConstIterator end = static_cast<const Dict&>(d).dict_end();
    DictIterator mend = d.dict_end();
    EXPECT_THROW(end->key(), tal::OutOfBoundException);
    EXPECT_THROW(end->value(), tal::OutOfBoundException);
    EXPECT_THROW(++end, tal::OutOfBoundException);
    EXPECT_THROW(mend->value(), tal::OutOfBoundException);
    EXPECT_FALSE(static_cast<const Dict&>(d).dict_end() != end);
}

TEST_F(DictTest, PoolCreationOfSingleDictsArraysOfDictsAndCopies)
{
    Dict& d = make();
    EXPECT_EQ(sizeof(Dict), source.size_of(&d));
    d.set("a", t);
    Dict& copy = rp.clone(d);
    EXPECT_EQ(sizeof(Dict), source.size_of(&copy));
    EXPECT_EQ(&t, &static_cast<Ref&>(copy.get("a")).ref());

    Dict* many = rp.create_array<Dict>(3, DictAlloc(&source));
    EXPECT_EQ(3 * sizeof(Dict), source.size_of(many));
    many[1].set("x", f);
    EXPECT_EQ(0u, many[0].size());
    EXPECT_EQ(1u, many[1].size());
    EXPECT_EQ(0u, many[2].size());

    Dict* none = rp.create_array<Dict>(0, DictAlloc(&source));
    EXPECT_NE(nullptr, none);

    source.refuse_all();
    char expected[96];
    snprintf(expected, sizeof expected, "_mempool[%p] size[%zu]", static_cast<void*>(&source),
             2 * sizeof(Dict));
    try {
        rp.create_array<Dict>(2, DictAlloc(&source));
        ADD_FAILURE() << "no exception";
    } catch (const tal::BadAllocException& e) {
        EXPECT_STREQ(expected, e.what());
    }
    source.grant_all();
}

}  // namespace
