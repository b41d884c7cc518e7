#ifndef TAL_VAR_TEST_CONTAINER_PROBES_H
#define TAL_VAR_TEST_CONTAINER_PROBES_H

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <typeinfo>

#include "tal/var/implement/Null.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/test/var_probes.h"

namespace tal_var_test {

// A container's level-0 dump: "[<kind>] this[<address>] size[<size>]".
inline std::string header(const char* kind, const void* container, size_t size)
{
    char buf[128];
    snprintf(buf, sizeof buf, "[%s] this[%p] size[%zu]", kind, container, size);
    return buf;
}

// What a container element (a Ref) refers to.
inline const IVar* referent(const IVar& element) { return &static_cast<const tal::var::Ref&>(element).ref(); }

// Every refusing default of the interface whose function text contains none
// of own must still refuse on v, with v's mangled type and dump(0).
inline void expect_kept_refusals(IVar& v, std::initializer_list<const char*> own)
{
    const std::string front = std::string("type[") + typeid(v).name() + "] this[" + v.dump(0).c_str();
    size_t kept = 0;
    for (const Refusal& row : all_refusals()) {
        bool defined = false;
        for (const char* o : own) defined = defined || row.function.find(o) != std::string::npos;
        if (defined) continue;
        ++kept;
        const Caught c = catch_refusal(row.call, v);
        EXPECT_EQ(row.function, c.function);
        EXPECT_EQ(front + row.tail, c.message) << row.function;
    }
    EXPECT_GT(kept, 30u);
}

// A read-only iterator implementation of no container of the system: every
// container's class test must refuse it.
template <typename MutableIface, typename ConstIface, typename Key>
struct ForeignImpl : ConstIface {
    Key key() const override { return k; }
    const IVar& value() const override { return tal::var::Null::null; }
    void assign(const MutableIface&) override {}
    void assign(const ConstIface&) override {}
    bool equal_to(const MutableIface&) const override { return true; }
    bool equal_to(const ConstIface&) const override { return true; }
    void iterate() override {}
    std::remove_cv_t<std::remove_reference_t<Key>> k{};
};

// impl takes the foreign implementation's position: it throws
// tal::BadCastException "from:<foreign type> to:<to>" from function and
// compares unequal to it.
template <typename Impl, typename Foreign>
void expect_foreign_refused(const Impl& impl, const std::string& to, const std::string& function)
{
    Foreign foreign;
    EXPECT_FALSE(impl.equal_to(foreign));
    try {
        const_cast<Impl&>(impl).assign(foreign);
        ADD_FAILURE() << "no exception";
    } catch (const tal::BadCastException& e) {
        EXPECT_EQ(std::string("from:") + typeid(Foreign).name() + " to:" + to, e.what());
        EXPECT_EQ(function, e.function());
    }
}

}  // namespace tal_var_test

#endif
