#include "tal/var/implement/Dict.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <typeinfo>

#include "tal/test/counting_pool.h"
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

typedef tal::pool_allocator<std::pair<tal::string, Ref>> DictAlloc;

const char* const WITH = " [with implement_t = tal::var::__StdMapAdapter<tal::pool_allocator>]";

std::string header(const void* dict, size_t size)
{
    return tal_var_test::header("tal::var::BasicDict", dict, size);
}
using tal_var_test::referent;

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
    for (const std::string& k :
         {std::string("b"), std::string("a\0", 2), std::string("ab"), std::string("\xff"), std::string("B"),
          std::string(), std::string("a"), std::string("a\0y", 3), std::string("a\0x", 3)})
        d.set(tal::string(k.data(), k.size()), t);
    EXPECT_EQ(std::string("|B|a|a\0|a\0x|a\0y|ab|b|\xff|", 23), keys_of(d));
}

TEST_F(DictTest, LongKeysOrderPastTheirFirstBytes)
{
    // Keys that first differ beyond their eighth byte, or only in length.
    Dict& d = make();
    for (const char* k : {"column_name_b", "column_name_\xff", "column_na", "column_name_a", "column_name_",
                          "column_nb", "column_name_a\x80", "column_name_a\x7f"})
        d.set(tal::string(k), t);
    EXPECT_EQ(
        "column_na|column_name_|column_name_a|column_name_a\x7f|column_name_a\x80|"
        "column_name_b|column_name_\xff|column_nb|",
        keys_of(d));
}

TEST_F(DictTest, GetNeverInsertsWhileTheSubscriptDoesAndSetRebinds)
{
    Dict& d = make();
    const Dict& cd = d;
    EXPECT_EQ(&Null::null, &d.get("x"));
    EXPECT_EQ(&f, &cd.get("x", f));
    EXPECT_EQ(0u, d.size());
    try {
        cd["nope"];
        ADD_FAILURE() << "no exception";
    } catch (const tal::KeyNotFoundException& e) {
        EXPECT_STREQ("key[nope]", e.what());
        EXPECT_EQ(std::string("const tal::var::IVar& tal::var::BasicDict<implement_t>::operator[]"
                              "(const tal::string&) const") +
                      WITH,
                  e.function());
    }

    IVar& e = d["x"];
    EXPECT_TRUE(e.is_null() && e.is_ref());
    EXPECT_EQ(&e, &d["x"]);
    EXPECT_EQ(&e, &cd["x"]);
    e = static_cast<IVar&>(t);  // rebinds the entry
    EXPECT_EQ(&t, referent(d.get("x")));
    EXPECT_EQ(1u, d.size());
    EXPECT_EQ(header(&d, 1), d.to_string().c_str());

    d.set("k", t);
    d.set("k", f);
    EXPECT_STREQ("tal::var::Ref(tal::var::Bool)", d.get("k").get_type().c_str());
    EXPECT_EQ(&f, referent(d.get("k")));
    Ref r(t);
    d.set("r", r);
    r = static_cast<IVar&>(f);
    EXPECT_EQ(&t, referent(d.get("r")));
    EXPECT_EQ(3u, d.size());
    EXPECT_TRUE(d.del("k"));
    EXPECT_FALSE(d.del("k"));
    EXPECT_EQ("r|x|", keys_of(d));
}

TEST_F(DictTest, KeepsTheInterfaceRefusalsOfEverythingButNamedAccess)
{
    // The refusals' "type[" piece.
    EXPECT_STREQ("N3tal3var9BasicDictINS0_15__StdMapAdapterINS_14pool_allocatorEEEEE", typeid(Dict).name());
    tal_var_test::expect_kept_refusals(make(),
                                       {"::size() const", "get(const tal::string&", "set(const tal::string&",
                                        "del(const tal::string&", "operator[](const tal::string&", "dict_"});
}

TEST_F(DictTest, AssignmentBetweenKinds)
{
    Dict& a = make();
    Dict& b = make();
    b.set("x", t);
    b.set("y", f);
    a.set("old", t);
    try {
        a = static_cast<IVar&>(t);
        ADD_FAILURE() << "no exception";
    } catch (const tal::InvalidOperationException& e) {
        EXPECT_STREQ("cast from [tal::var::Bool]true", e.what());
        EXPECT_EQ(std::string("tal::var::BasicDict<implement_t>& tal::var::BasicDict<implement_t>::"
                              "operator=(tal::var::IVar&)") +
                      WITH,
                  e.function());
    }
    tal_var_test::ProbeVar unwalkable(0x20);  // a dict value that refuses its walk
    EXPECT_THROW(a = static_cast<IVar&>(unwalkable), tal::InvalidOperationException);
    Ref self(a);
    a = static_cast<IVar&>(a);
    a = static_cast<IVar&>(self);
    EXPECT_EQ("old|", keys_of(a));

    Ref rb(b);
    for (IVar* src : {static_cast<IVar*>(&b), static_cast<IVar*>(&rb)}) {
        a.set("old", t);
        a = *src;
        EXPECT_EQ("x|y|", keys_of(a));
        EXPECT_EQ(&t, referent(a.get("x")));
        b.set("x", f);  // rebinding in the source leaves the target alone
        EXPECT_EQ(&t, referent(a.get("x")));
        b.set("x", t);
    }
}

TEST_F(DictTest, ClonesAndDumps)
{
    Dict& d = make();
    Dict& inner = make();
    inner.set("z", t);
    d.set("b", inner);
    d.set("a", f);
    char expected[512];
    snprintf(expected, sizeof expected, "%s{a: @%p: [tal::var::Bool]false,b: @%p: %s}", header(&d, 2).c_str(),
             static_cast<void*>(&f), static_cast<void*>(&inner), header(&inner, 1).c_str());
    EXPECT_STREQ(expected, d.dump(1).c_str());
    EXPECT_EQ(header(&d, 2), d.dump(0).c_str());

    IVar& shallow = d.clone(rp);
    shallow.set("a", t);
    EXPECT_EQ(&f, referent(d.get("a")));
    EXPECT_EQ(&inner, referent(shallow.get("b")));

    IVar& deep = d.clone(rp, true);
    const IVar* deep_inner = referent(deep.get("b"));
    EXPECT_NE(&inner, deep_inner);
    EXPECT_NE(&f, referent(deep.get("a")));
    EXPECT_TRUE(deep_inner->get("z").to_bool());

    d.set("me", d);  // contains itself: the deep clone stops at the nesting cap
    try {
        d.clone(rp, true);
        ADD_FAILURE() << "no exception";
    } catch (const tal::OutOfBoundException& e) {
        EXPECT_STREQ("nesting deeper than 256 levels", e.what());
    }
    EXPECT_EQ("z|", keys_of(inner.clone(rp, true)));  // the depth count starts over
}

// Key texts come from the name's memory source, nodes and iterator
// implementations from the dict's; every copy of a handle is released once.
TEST_F(DictTest, MemoryComesFromTheRightSourcesAndGoesBack)
{
    CountingPool names;
    Dict& d = make();
    const size_t before = source.live_blocks();
    d.set(tal::string("key", tal::pool_allocator<char>(&names)), t);
    EXPECT_EQ(1u, names.live_blocks());
    EXPECT_EQ(before + 1, source.live_blocks());
    {
        DictConstIterator a = static_cast<const Dict&>(d).dict_begin();
        DictConstIterator b(a);
        DictIterator c = d.dict_end();
        EXPECT_EQ(before + 4, source.live_blocks());
    }
    EXPECT_EQ(before + 1, source.live_blocks());
    rp.reset();
    EXPECT_EQ(0u, names.live_blocks());
    EXPECT_EQ(0u, names.bad_frees);

    // A map built with a size hint takes its nodes from the allocator alone.
    CountingPool nodes;
    {
        tal::var::__StdMapAdapter<tal::pool_allocator> m(16, DictAlloc(&nodes));
        EXPECT_EQ(0u, nodes.live_blocks());
        m[tal::string("k")];
        EXPECT_EQ(1u, nodes.live_blocks());
    }
    EXPECT_EQ(0u, nodes.live_blocks());
}

TEST_F(DictTest, IteratorsCompareByDictAndPositionAndRefuseForeignOnes)
{
    Dict& d = make();
    const Dict& cd = d;
    const Dict& other = make();
    d.set("a", f);
    d.set("b", t);
    EXPECT_TRUE(cd.dict_end() != other.dict_end());
    EXPECT_FALSE(other.dict_begin() != other.dict_end());

    DictIterator m = d.dict_begin();
    DictConstIterator c = cd.dict_begin();
    EXPECT_TRUE(m->equal_to(*c) && c->equal_to(*m));
    ++c;
    EXPECT_FALSE(m->equal_to(*c) || c->equal_to(*m));
    const_cast<tal::var::IDictConstIteratorImpl&>(*c).assign(*m);
    EXPECT_TRUE(c->equal_to(*m));
    static_cast<Ref&>(m->value()) = static_cast<IVar&>(t);  // rebinds entry a
    EXPECT_EQ(&t, referent(d.get("a")));

    tal_var_test::expect_foreign_refused<
        tal::var::IDictConstIteratorImpl,
        tal_var_test::ForeignImpl<tal::var::IDictIteratorImpl, tal::var::IDictConstIteratorImpl,
                                  const tal::string&>>(
        *c, "DictIteratorImpl",
        std::string("void tal::var::BasicDict<implement_t>::DictConstIteratorImpl::assign("
                    "const tal::var::IDictConstIteratorImpl&)") +
            WITH);
    EXPECT_TRUE(c->equal_to(*m));

    // The end position is never read: no map header is taken for an entry.
    DictConstIterator end = cd.dict_end();
    EXPECT_THROW(end->key(), tal::OutOfBoundException);
    EXPECT_THROW(d.dict_end()->value(), tal::OutOfBoundException);
    EXPECT_THROW(++end, tal::OutOfBoundException);
}

TEST_F(DictTest, PoolCreatesArraysOfIndependentDicts)
{
    Dict* many = rp.create_array<Dict>(3, DictAlloc(&source));
    EXPECT_EQ(3 * sizeof(Dict), source.size_of(many));
    many[1].set("x", f);
    EXPECT_EQ(0u, many[0].size() + many[2].size());
    EXPECT_NE(nullptr, rp.create_array<Dict>(0, DictAlloc(&source)));
    Dict& copy = rp.clone(many[1]);
    EXPECT_EQ(sizeof(Dict), source.size_of(&copy));
    EXPECT_EQ(&f, referent(copy.get("x")));
}

}  // namespace

TEST_F(DictTest, SetByBytesCopiesTheNameOnceIntoTheEntryAndRebindsAnExistingOne)
{
    Dict& d = make();
    const size_t before = source.live_blocks();
    const struct {
        std::string name;
        IVar* value;
        size_t entries;
    } rows[] = {
        {std::string("b"), &t, 1},
        {std::string("a\0z", 3), &f, 2},  // the length counts, not the NUL
        {std::string("b"), &f, 2},        // a later member of the same name wins
        {std::string(), &t, 3},
    };
    for (const auto& row : rows) {
        d.set(row.name.data(), row.name.size(), *row.value);
        EXPECT_EQ(row.entries, d.size()) << row.name;
        // One node and one key text per entry, the empty key owning no text.
        EXPECT_EQ(before + 2 * row.entries - (row.name.empty() ? 1 : 0), source.live_blocks()) << row.name;
    }
    std::string seen;
    d.for_each_entry([&](const tal::string& key, const IVar& value) {
        seen += std::string(key.c_str(), key.size()) + (referent(value) == &t ? "=t|" : "=f|");
    });
    EXPECT_EQ(std::string("=t|a\0z=f|b=f|", 13), seen);
}
