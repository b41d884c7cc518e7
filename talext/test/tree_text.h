// Value trees of the deserializer tests as comparable text, and one runner
// that parses a record from an exact-size heap copy (so the sanitizer sees
// any read past its end) and reports the tree or the failure.
#ifndef TALEXT_TEST_TREE_TEXT_H
#define TALEXT_TEST_TREE_TEXT_H

#include <cstdio>
#include <cstring>
#include <string>
#include <typeindex>
#include <typeinfo>

#include "quillet/test/quillet_bytes.h"
#include "tal/var/var.h"
#include "talext/var/serializer/QuilletDeserializer.h"

namespace talext_test {

using tal::var::IVar;
using tal::var::QuilletDeserializer;
// The record builder the tests share with the reader's.
using quillet_test::bytes;
using quillet_test::container;
using quillet_test::h;
using quillet_test::isoarray;
using quillet_test::item;
using quillet_test::item_stored_name;
using quillet_test::le32;
using quillet_test::Record;

inline const IVar& referent(const IVar& v)
{
    return v.is_ref() ? static_cast<const tal::var::Ref&>(v).ref() : v;
}

// Short name of a leaf's exact kind.
inline std::string kind_tag(const IVar& v)
{
    using namespace tal::var;
    static const struct {
        std::type_index type;
        const char* tag;
    } tags[] = {
        {typeid(Number<signed char>), "i8"},
        {typeid(Number<short>), "i16"},
        {typeid(Number<int>), "i32"},
        {typeid(Number<long long>), "i64"},
        {typeid(Number<unsigned char>), "u8"},
        {typeid(Number<unsigned short>), "u16"},
        {typeid(Number<unsigned int>), "u32"},
        {typeid(Number<unsigned long long>), "u64"},
        {typeid(Number<float>), "f32"},
        {typeid(Number<double>), "f64"},
        {typeid(Bool), "bool"},
        {typeid(String), "str"},
        {typeid(ShallowString), "sstr"},
        {typeid(ShallowRaw), "raw"},
    };
    for (const auto& row : tags)
        if (row.type == std::type_index(typeid(v))) return row.tag;
    return std::string("?") + typeid(v).name();
}

// {key=...,...} for dicts (in their key order), [...] for arrays, "null"
// for the shared null, tag:text for the rest (raw bytes and texts in hex,
// every byte of them).
inline std::string text(const IVar& var)
{
    const IVar& v = referent(var);
    if (&v == &tal::var::Null::null) return "null";
    std::string out;
    if (v.is_dict()) {
        for (auto it = v.dict_begin(); it != v.dict_end(); ++it)
            out += (out.empty() ? "" : ",") + std::string(it->key().c_str()) + "=" + text(it->value());
        return "{" + out + "}";
    }
    if (v.is_array()) {
        for (auto it = v.array_begin(); it != v.array_end(); ++it)
            out += (out.empty() ? "" : ",") + text(it->value());
        return "[" + out + "]";
    }
    if (v.is_raw())
        return kind_tag(v) + ":" +
               quillet_test::hex(static_cast<const char*>(v.to_raw().data), v.to_raw().length);
    if (v.is_string()) return kind_tag(v) + ":" + quillet_test::hex(v.c_str(), v.c_str_len());
    return kind_tag(v) + ":" + v.to_string().c_str();
}

// The class and message of a failure, "tal::OutOfBoundException: Buffer
// overflow"; anything thrown outside the family fails the test.
inline std::string failure(const tal::Exception& e) { return std::string(e.name()) + ": " + e.what(); }

// deserialize over an exact-size copy of b: the tree's text or the failure.
inline std::string parse(const quillet_test::bytes& b,
                         QuilletDeserializer::copy_option_t copy_opt = QuilletDeserializer::DEEP)
{
    quillet_test::Record r(b);
    tal::ResourcePool rp;
    QuilletDeserializer d(rp);
    d.set_copy_option(copy_opt);
    try {
        return text(d.deserialize(r.memory.get(), b.size()));
    } catch (const tal::Exception& e) {
        return "!" + failure(e);
    }
}

}  // namespace talext_test

#endif
