#include "tal/var/IVar.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "tal/test/counting_pool.h"
#include "tal/var/test/var_probes.h"

using tal::var::IVar;
using tal::var::raw_t;
using tal_var_test::Caught;
using tal_var_test::ProbeVar;
using tal_var_test::catch_refusal;

namespace {

TEST(CheckMask, SetAndUnsetBits)
{
    EXPECT_TRUE(IVar::check_mask(0x0000, 0, 0));
    EXPECT_TRUE(IVar::check_mask(0xFFFF, 0, 0));
    EXPECT_FALSE(IVar::check_mask(0x0000, 0x0002, 0));
    EXPECT_FALSE(IVar::check_mask(0x4802, 0x4002, 0x0C00));
    EXPECT_TRUE(IVar::check_mask(0x4002, 0x4002, 0x0C00));
}

// Which default kind tests answer true for a mask, as a bit string in the
// order is_null, is_ref, is_bool, is_number, int8 .. double, is_string,
// is_array, is_dict, is_callable, is_raw.
std::string kind_tests(unsigned short mask)
{
    const ProbeVar v(mask);
    const IVar& i = v;
    const bool answers[] = {i.is_null(),  i.is_ref(),    i.is_bool(),   i.is_number(),
                            i.is_int8(),  i.is_uint8(),  i.is_int16(),  i.is_uint16(),
                            i.is_int32(), i.is_uint32(), i.is_int64(),  i.is_uint64(),
                            i.is_float(), i.is_double(), i.is_string(), i.is_array(),
                            i.is_dict(),  i.is_callable(), i.is_raw()};
    std::string bits;
    for (bool b : answers)
        bits += b ? '1' : '0';
    return bits;
}

TEST(KindTests, AnswerFromTheMask)
{
    const struct {
        unsigned short mask;
        const char* expected;
    } cases[] = {
        //        null ref bool num  i8 u8 i16 u16 i32 u32 i64 u64  f  d  str arr dict call raw
        {0x0000, "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0"},
        {0x0100, "1" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0"},
        {0x0001, "0" "0" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0"},
        {0x0104, "0" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "1" "0" "0" "0" "0"},
        {0x1802, "0" "0" "0" "1" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0"},
        {0x1002, "0" "0" "0" "1" "0" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0"},
        {0x2802, "0" "0" "0" "1" "0" "0" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0"},
        {0x2002, "0" "0" "0" "1" "0" "0" "0" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0"},
        {0x4802, "0" "0" "0" "1" "0" "0" "0" "0" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0"},
        {0x4002, "0" "0" "0" "1" "0" "0" "0" "0" "0" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0"},
        {0x8802, "0" "0" "0" "1" "0" "0" "0" "0" "0" "0" "1" "0" "0" "0" "0" "0" "0" "0" "0"},
        {0x8002, "0" "0" "0" "1" "0" "0" "0" "0" "0" "0" "0" "1" "0" "0" "0" "0" "0" "0" "0"},
        // a float of an int's width is no int32; floats demand nothing clear
        {0x4402, "0" "0" "0" "1" "0" "0" "0" "0" "0" "0" "0" "0" "1" "0" "0" "0" "0" "0" "0"},
        {0x8402, "0" "0" "0" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "1" "0" "0" "0" "0" "0"},
        {0x0010, "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "1" "0" "0" "0"},
        {0x0120, "0" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "1" "0" "0"},
        {0x0040, "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "1" "0"},
        {0x0008, "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "1"},
        // only the low byte decides null
        {0xFF00, "1" "1" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0" "0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, kind_tests(c.mask)) << std::hex << c.mask;
}

// One refusing default: how to call it, its throw-site function text and the
// message tail after the value's dump.
struct Refusal {
    const char* function;
    std::function<void(IVar&)> call;
    std::string tail;
};

void expect_refusals(const std::vector<Refusal>& table)
{
    ProbeVar arg(0x20, "arg");
    for (const Refusal& r : table) {
        ProbeVar v(0, "v");
        const Caught c = catch_refusal(r.call, v);
        SCOPED_TRACE(r.function);
        EXPECT_EQ("tal::InvalidOperationException", c.cls);
        EXPECT_EQ(r.function, c.function);
        EXPECT_EQ(std::string("type[") + typeid(ProbeVar).name() + "] this[<v:0>" + r.tail,
                  c.message);
        EXPECT_EQ(1, v.dumps);  // taken once, at level 0
        EXPECT_EQ(0u, v.last_level);
    }
}

TEST(Refusal, ConversionsAndBareFrames)
{
    std::vector<Refusal> table = {
        {"virtual bool tal::var::IVar::to_bool() const", [](IVar& v) { v.to_bool(); }, "]"},
        {"virtual signed char tal::var::IVar::to_int8() const", [](IVar& v) { v.to_int8(); }, "]"},
        {"virtual long long unsigned int tal::var::IVar::to_uint64() const",
         [](IVar& v) { v.to_uint64(); }, "]"},
        {"virtual double tal::var::IVar::to_double() const", [](IVar& v) { v.to_double(); }, "]"},
        {"virtual tal::var::raw_t tal::var::IVar::to_raw() const", [](IVar& v) { v.to_raw(); },
         "]"},
        {"virtual const char* tal::var::IVar::c_str() const", [](IVar& v) { v.c_str(); }, "]"},
        {"virtual size_t tal::var::IVar::c_str_len() const", [](IVar& v) { v.c_str_len(); }, "]"},
        {"virtual size_t tal::var::IVar::size() const", [](IVar& v) { v.size(); }, "]"},
        {"virtual tal::var::ArrayConstIterator tal::var::IVar::array_begin() const",
         [](IVar& v) { static_cast<const IVar&>(v).array_begin(); }, "]"},
        {"virtual tal::var::ArrayIterator tal::var::IVar::array_end()",
         [](IVar& v) { v.array_end(); }, "]"},
        {"virtual tal::var::DictConstIterator tal::var::IVar::dict_end() const",
         [](IVar& v) { static_cast<const IVar&>(v).dict_end(); }, "]"},
        {"virtual tal::var::DictIterator tal::var::IVar::dict_begin()",
         [](IVar& v) { v.dict_begin(); }, "]"},
    };
    expect_refusals(table);
}

TEST(Refusal, AssignmentsShowTheValue)
{
    const char nul_inside[] = {'a', '\0', 'b'};
    static char bytes[3];
    std::vector<Refusal> table = {
        {"virtual tal::var::IVar& tal::var::IVar::operator=(bool)", [](IVar& v) { v = true; },
         "] assign from[true]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(signed char)",
         [](IVar& v) { v = static_cast<signed char>(-5); }, "] assign from[-5]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(unsigned char)",
         [](IVar& v) { v = static_cast<unsigned char>(200); }, "] assign from[200]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(short int)",
         [](IVar& v) { v = static_cast<short>(-300); }, "] assign from[-300]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(short unsigned int)",
         [](IVar& v) { v = static_cast<unsigned short>(65535); }, "] assign from[65535]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(int)", [](IVar& v) { v = -7; },
         "] assign from[-7]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(unsigned int)",
         [](IVar& v) { v = 4294967295u; }, "] assign from[4294967295]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(long long int)",
         [](IVar& v) { v = -9223372036854775807LL - 1; },
         "] assign from[-9223372036854775808]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(long long unsigned int)",
         [](IVar& v) { v = 18446744073709551615ULL; }, "] assign from[18446744073709551615]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(float)", [](IVar& v) { v = 0.5f; },
         "] assign from[0.5]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(double)", [](IVar& v) { v = 1e300; },
         "] assign from[1e+300]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(const char*)",
         [](IVar& v) { v = "abc"; }, "] assign from[abc]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(const char*)",
         [](IVar& v) { v = static_cast<const char*>(0); }, "] assign from[]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(const tal::string&)",
         [nul_inside](IVar& v) { v = tal::string(nul_inside, 3); }, "] assign from[a]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(const tal::var::raw_t&)",
         [](IVar& v) { v = raw_t(bytes, 3); }, "] assign from raw[data:true, length:3]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator=(const tal::var::raw_t&)",
         [](IVar& v) { v = raw_t(0, 0); }, "] assign from raw[data:false, length:0]"},
    };
    expect_refusals(table);
}

TEST(Refusal, PositionsShowTheIndex)
{
    static ProbeVar arg(0x20, "arg");
    std::vector<Refusal> table = {
        {"virtual tal::var::IVar& tal::var::IVar::get(size_t)",
         [](IVar& v) { v.get(static_cast<size_t>(-1)); }, "] index[18446744073709551615]"},
        {"virtual tal::var::IVar& tal::var::IVar::get(size_t, tal::var::IVar&)",
         [](IVar& v) { v.get(3, arg); }, "] index[3] default[<arg:0>]"},
        {"virtual const tal::var::IVar& tal::var::IVar::get(size_t) const",
         [](IVar& v) { static_cast<const IVar&>(v).get(3); }, "] index[3]"},
        {"virtual const tal::var::IVar& tal::var::IVar::get(size_t, const tal::var::IVar&) const",
         [](IVar& v) { static_cast<const IVar&>(v).get(0, arg); }, "] index[0] default[<arg:0>]"},
        {"virtual void tal::var::IVar::set(size_t, tal::var::IVar&)",
         [](IVar& v) { v.set(5, arg); }, "] index[5] value[<arg:0>]"},
        {"virtual bool tal::var::IVar::del(size_t)", [](IVar& v) { v.del(2); }, "] index[2]"},
        {"virtual const tal::var::IVar& tal::var::IVar::operator[](int) const",
         [](IVar& v) { static_cast<const IVar&>(v)[-1]; }, "] index[-1]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator[](int)", [](IVar& v) { v[7]; },
         "] index[7]"},
    };
    expect_refusals(table);
}

TEST(Refusal, NamesShowTheirTextUpToNul)
{
    static ProbeVar arg(0x20, "arg");
    static const tal::string name("a", 1);
    static const tal::string empty;
    static const tal::string nul_inside("k\0z", 3);
    std::vector<Refusal> table = {
        {"virtual tal::var::IVar& tal::var::IVar::get(const tal::string&)",
         [](IVar& v) { v.get(name); }, "] name[a]"},
        {"virtual tal::var::IVar& tal::var::IVar::get(const tal::string&, tal::var::IVar&)",
         [](IVar& v) { v.get(name, arg); }, "] name[a] default[<arg:0>]"},
        {"virtual const tal::var::IVar& tal::var::IVar::get(const tal::string&) const",
         [](IVar& v) { static_cast<const IVar&>(v).get(empty); }, "] name[]"},
        {"virtual const tal::var::IVar& tal::var::IVar::get(const tal::string&, const "
         "tal::var::IVar&) const",
         [](IVar& v) { static_cast<const IVar&>(v).get(name, arg); }, "] name[a] default[<arg:0>]"},
        {"virtual void tal::var::IVar::set(const tal::string&, tal::var::IVar&)",
         [](IVar& v) { v.set(name, arg); }, "] name[a] value[<arg:0>]"},
        {"virtual bool tal::var::IVar::del(const tal::string&)",
         [](IVar& v) { v.del(nul_inside); }, "] name[k]"},
        {"virtual const tal::var::IVar& tal::var::IVar::operator[](const tal::string&) const",
         [](IVar& v) { static_cast<const IVar&>(v)[name]; }, "] name[a]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator[](const tal::string&)",
         [](IVar& v) { v[name]; }, "] name[a]"},
    };
    expect_refusals(table);
}

TEST(Refusal, CallsDumpParamsAtLevelOneAndSelfAtLevelZero)
{
    static tal::ResourcePool rp;
    static ProbeVar self(0x20, "self"), params(0x20, "params");
    std::vector<Refusal> table = {
        {"virtual tal::var::IVar& tal::var::IVar::operator()(tal::var::IVar&, tal::ResourcePool&)",
         [](IVar& v) { v(params, rp); }, "] params[<params:1>]"},
        {"virtual tal::var::IVar& tal::var::IVar::operator()(tal::var::IVar&, tal::var::IVar&, "
         "tal::ResourcePool&)",
         [](IVar& v) { v(self, params, rp); }, "] self[<self:0>] params[<params:1>]"},
    };
    expect_refusals(table);
}

TEST(Refusal, CloneWithDepthIsNotImplementedAndCreatesNothing)
{
    tal_test::CountingPool source;
    tal::ResourcePool rp(source);
    ProbeVar v(0, "v");
    const Caught c = catch_refusal([&rp](IVar& x) { x.clone(rp, true); }, v);
    EXPECT_EQ("tal::NotImplementedException", c.cls);
    EXPECT_EQ("virtual tal::var::IVar& tal::var::IVar::clone(tal::ResourcePool&, bool) const",
              c.function);
    EXPECT_EQ(std::string("type[") + typeid(ProbeVar).name() +
                  "] this[<v:0>]: clone interface has not been implemented.",
              c.message);
    EXPECT_EQ(0u, source.mallocs);
}

}  // namespace
