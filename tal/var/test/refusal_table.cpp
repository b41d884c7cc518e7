#include <limits>

#include "tal/var/test/var_probes.h"

namespace tal_var_test {

namespace {
tal::ResourcePool rp;
ProbeVar arg(0x20, "arg");
const char name_bytes[] = {'k', '\0', 'z'};
const tal::string name(name_bytes, 3);  // shown up to its NUL
char bytes[3];
}  // namespace

#define IVAR_FN(result, op) "virtual " result " tal::var::IVar::" op
#define ROW(result, op, expr, tail)                      \
    {                                                    \
        IVAR_FN(result, op), [](IVar& v) { expr; }, tail \
    }

std::vector<Refusal> all_refusals()
{
    using tal::var::raw_t;
    return {
        ROW("bool", "to_bool() const", v.to_bool(), "]"),
        ROW("signed char", "to_int8() const", v.to_int8(), "]"),
        ROW("unsigned char", "to_uint8() const", v.to_uint8(), "]"),
        ROW("short int", "to_int16() const", v.to_int16(), "]"),
        ROW("short unsigned int", "to_uint16() const", v.to_uint16(), "]"),
        ROW("int", "to_int32() const", v.to_int32(), "]"),
        ROW("unsigned int", "to_uint32() const", v.to_uint32(), "]"),
        ROW("long long int", "to_int64() const", v.to_int64(), "]"),
        ROW("long long unsigned int", "to_uint64() const", v.to_uint64(), "]"),
        ROW("float", "to_float() const", v.to_float(), "]"),
        ROW("double", "to_double() const", v.to_double(), "]"),
        ROW("tal::var::raw_t", "to_raw() const", v.to_raw(), "]"),
        ROW("tal::var::IVar&", "operator=(bool)", v = true, "] assign from[true]"),
        ROW("tal::var::IVar&", "operator=(signed char)", v = static_cast<signed char>(-5),
            "] assign from[-5]"),
        ROW("tal::var::IVar&", "operator=(unsigned char)", v = static_cast<unsigned char>(200),
            "] assign from[200]"),
        ROW("tal::var::IVar&", "operator=(short int)", v = static_cast<short>(-300), "] assign from[-300]"),
        ROW("tal::var::IVar&", "operator=(short unsigned int)", v = static_cast<unsigned short>(65535),
            "] assign from[65535]"),
        ROW("tal::var::IVar&", "operator=(int)", v = -7, "] assign from[-7]"),
        ROW("tal::var::IVar&", "operator=(unsigned int)", v = 4294967295u, "] assign from[4294967295]"),
        ROW("tal::var::IVar&", "operator=(long long int)", v = std::numeric_limits<long long>::min(),
            "] assign from[-9223372036854775808]"),
        ROW("tal::var::IVar&", "operator=(long long unsigned int)", v = 18446744073709551615ULL,
            "] assign from[18446744073709551615]"),
        ROW("tal::var::IVar&", "operator=(float)", v = 0.5f, "] assign from[0.5]"),
        ROW("tal::var::IVar&", "operator=(double)", v = 1e300, "] assign from[1e+300]"),
        ROW("tal::var::IVar&", "operator=(const char*)", v = "abc", "] assign from[abc]"),
        ROW("tal::var::IVar&", "operator=(const char*)", v = static_cast<const char*>(0), "] assign from[]"),
        ROW("tal::var::IVar&", "operator=(const tal::string&)", v = name, "] assign from[k]"),
        ROW("const char*", "c_str() const", v.c_str(), "]"),
        ROW("size_t", "c_str_len() const", v.c_str_len(), "]"),
        ROW("tal::var::IVar&", "operator=(const tal::var::raw_t&)", v = raw_t(bytes, 3),
            "] assign from raw[data:true, length:3]"),
        ROW("tal::var::IVar&", "operator=(const tal::var::raw_t&)", v = raw_t(0, 0),
            "] assign from raw[data:false, length:0]"),
        ROW("size_t", "size() const", v.size(), "]"),
        ROW("tal::var::IVar&", "get(size_t)", v.get(static_cast<size_t>(-1)),
            "] index[18446744073709551615]"),
        ROW("tal::var::IVar&", "get(size_t, tal::var::IVar&)", v.get(3, arg), "] index[3] default[<arg:0>]"),
        ROW("const tal::var::IVar&", "get(size_t) const", as_const(v).get(3), "] index[3]"),
        ROW("const tal::var::IVar&", "get(size_t, const tal::var::IVar&) const", as_const(v).get(0, arg),
            "] index[0] default[<arg:0>]"),
        ROW("void", "set(size_t, tal::var::IVar&)", v.set(5, arg), "] index[5] value[<arg:0>]"),
        ROW("bool", "del(size_t)", v.del(2), "] index[2]"),
        ROW("tal::var::ArrayConstIterator", "array_begin() const", as_const(v).array_begin(), "]"),
        ROW("tal::var::ArrayIterator", "array_begin()", v.array_begin(), "]"),
        ROW("tal::var::ArrayConstIterator", "array_end() const", as_const(v).array_end(), "]"),
        ROW("tal::var::ArrayIterator", "array_end()", v.array_end(), "]"),
        ROW("const tal::var::IVar&", "operator[](int) const", as_const(v)[-1], "] index[-1]"),
        ROW("tal::var::IVar&", "operator[](int)", v[7], "] index[7]"),
        ROW("tal::var::IVar&", "get(const tal::string&)", v.get(name), "] name[k]"),
        ROW("tal::var::IVar&", "get(const tal::string&, tal::var::IVar&)", v.get(name, arg),
            "] name[k] default[<arg:0>]"),
        ROW("const tal::var::IVar&", "get(const tal::string&) const", as_const(v).get(name), "] name[k]"),
        ROW("const tal::var::IVar&", "get(const tal::string&, const tal::var::IVar&) const",
            as_const(v).get(name, arg), "] name[k] default[<arg:0>]"),
        ROW("void", "set(const tal::string&, tal::var::IVar&)", v.set(tal::string(), arg),
            "] name[] value[<arg:0>]"),
        ROW("bool", "del(const tal::string&)", v.del(name), "] name[k]"),
        ROW("const tal::var::IVar&", "operator[](const tal::string&) const", as_const(v)[name], "] name[k]"),
        ROW("tal::var::IVar&", "operator[](const tal::string&)", v[name], "] name[k]"),
        ROW("tal::var::DictConstIterator", "dict_begin() const", as_const(v).dict_begin(), "]"),
        ROW("tal::var::DictIterator", "dict_begin()", v.dict_begin(), "]"),
        ROW("tal::var::DictConstIterator", "dict_end() const", as_const(v).dict_end(), "]"),
        ROW("tal::var::DictIterator", "dict_end()", v.dict_end(), "]"),
        ROW("tal::var::IVar&", "operator()(tal::var::IVar&, tal::ResourcePool&)", v(arg, rp),
            "] params[<arg:1>]"),
        ROW("tal::var::IVar&", "operator()(tal::var::IVar&, tal::var::IVar&, tal::ResourcePool&)",
            v(arg, arg, rp), "] self[<arg:0>] params[<arg:1>]"),
    };
}

}  // namespace tal_var_test
