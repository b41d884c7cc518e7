#include "tal/var/IVar.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "tal/test/counting_pool.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/test/var_probes.h"

using namespace tal_var_test;

namespace {

TEST(CheckMask, SetAndUnsetBits)
{
    EXPECT_TRUE(IVar::check_mask(0x0000, 0, 0));
    EXPECT_TRUE(IVar::check_mask(0xFFFF, 0, 0));
    EXPECT_FALSE(IVar::check_mask(0x0000, 0x0002, 0));
    EXPECT_FALSE(IVar::check_mask(0x4802, 0x4002, 0x0C00));
    EXPECT_TRUE(IVar::check_mask(0x4002, 0x4002, 0x0C00));
}

// The default kind tests that answer true, as a bit string in slot order.
std::string kind_tests(const IVar& i)
{
    const bool answers[] = {i.is_null(),  i.is_ref(),    i.is_bool(),     i.is_number(), i.is_int8(),
                            i.is_uint8(), i.is_int16(),  i.is_uint16(),   i.is_int32(),  i.is_uint32(),
                            i.is_int64(), i.is_uint64(), i.is_float(),    i.is_double(), i.is_string(),
                            i.is_array(), i.is_dict(),   i.is_callable(), i.is_raw()};
    std::string bits;
    for (bool b : answers) bits += b ? '1' : '0';
    return bits;
}

// A reference answers as its referent, but is_ref.
TEST(KindTests, AnswerFromTheMaskAlsoThroughARef)
{
    const struct {
        unsigned short mask;
        const char* expected;
    } cases[] = {
        //       null,ref,bool,num,i8..u64,float,double,str,arr,dict,call,raw
        {0x0000,
         "1000"
         "00000000"
         "00"
         "00000"},
        {0x0100,
         "1100"
         "00000000"
         "00"
         "00000"},
        {0xFF00,
         "1100"
         "00000000"
         "00"
         "00000"},  // only the low byte decides null
        {0x0001,
         "0010"
         "00000000"
         "00"
         "00000"},
        {0x1802,
         "0001"
         "10000000"
         "00"
         "00000"},
        {0x1002,
         "0001"
         "01000000"
         "00"
         "00000"},
        {0x2802,
         "0001"
         "00100000"
         "00"
         "00000"},
        {0x2002,
         "0001"
         "00010000"
         "00"
         "00000"},
        {0x4802,
         "0001"
         "00001000"
         "00"
         "00000"},
        {0x4002,
         "0001"
         "00000100"
         "00"
         "00000"},
        {0x8802,
         "0001"
         "00000010"
         "00"
         "00000"},
        {0x8002,
         "0001"
         "00000001"
         "00"
         "00000"},
        {0x4402,
         "0001"
         "00000000"
         "10"
         "00000"},  // a float of an int's width is no int32
        {0x8402,
         "0001"
         "00000000"
         "01"
         "00000"},
        {0x0004,
         "0000"
         "00000000"
         "00"
         "10000"},
        {0x0010,
         "0000"
         "00000000"
         "00"
         "01000"},
        {0x0020,
         "0000"
         "00000000"
         "00"
         "00100"},
        {0x0040,
         "0000"
         "00000000"
         "00"
         "00010"},
        {0x0008,
         "0000"
         "00000000"
         "00"
         "00001"},
    };
    for (const auto& c : cases) {
        ProbeVar v(c.mask);
        tal::var::Ref r(v);
        std::string through_ref = c.expected;
        through_ref[1] = '1';
        EXPECT_EQ(c.expected, kind_tests(v)) << std::hex << c.mask;
        EXPECT_EQ(through_ref, kind_tests(r)) << std::hex << c.mask;
    }
}

TEST(Refusal, EveryDefaultRefusesWithItsFrameSiteAndArgument)
{
    for (const Refusal& r : all_refusals()) {
        SCOPED_TRACE(r.function);
        ProbeVar v;
        const Caught c = catch_refusal(r.call, v);
        EXPECT_EQ("tal::InvalidOperationException", c.cls);
        EXPECT_EQ(r.function, c.function);
        EXPECT_EQ(std::string("type[") + typeid(ProbeVar).name() + "] this[<v:0>" + r.tail, c.message);
        EXPECT_EQ(1, v.dumps);  // the value's own dump, once, short form
        EXPECT_EQ(0u, v.last_level);
        EXPECT_EQ(c.message, catch_refusal(r.call, v).message);  // nothing changed
    }
}

TEST(Refusal, CloneWithDepthIsNotImplementedAndCreatesNothing)
{
    tal_test::CountingPool source;
    tal::ResourcePool rp(source);
    ProbeVar v;
    const Caught c = catch_refusal([&rp](IVar& x) { x.clone(rp, true); }, v);
    EXPECT_EQ("tal::NotImplementedException", c.cls);
    EXPECT_EQ("virtual tal::var::IVar& tal::var::IVar::clone(tal::ResourcePool&, bool) const", c.function);
    EXPECT_EQ(std::string("type[") + typeid(ProbeVar).name() +
                  "] this[<v:0>]: clone interface has not been implemented.",
              c.message);
    EXPECT_EQ(0u, source.mallocs);
}

}  // namespace
