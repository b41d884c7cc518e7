#include "tal/var/implement/Number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <type_traits>
#include <typeinfo>

#include "tal/check_cast/check_cast.h"
#include "tal/test/counting_pool.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/implement/Null.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/implement/String.h"
#include "tal/var/test/kind_checks.h"

using tal::var::IVar;
using tal::var::Number;
using tal_test::CountingPool;
using tal_var_test::catch_refusal;
using tal_var_test::Caught;

namespace {

// The ten number types, in the order of the rows below.
template <typename F>
void for_each_number_type(F f)
{
    f(static_cast<signed char*>(nullptr));
    f(static_cast<unsigned char*>(nullptr));
    f(static_cast<short*>(nullptr));
    f(static_cast<unsigned short*>(nullptr));
    f(static_cast<int*>(nullptr));
    f(static_cast<unsigned int*>(nullptr));
    f(static_cast<long long*>(nullptr));
    f(static_cast<unsigned long long*>(nullptr));
    f(static_cast<float*>(nullptr));
    f(static_cast<double*>(nullptr));
}

// Per type: run-time type name, mask, its name in function texts, the value
// a Number of it reads back through IVar, and its width test.
struct TypeRow {
    const char* code;
    unsigned short mask;
    const char* with;
    bool (IVar::*test)() const;
};
const TypeRow ROWS[] = {
    {"a", 0x1802, "signed char", &IVar::is_int8},
    {"h", 0x1002, "unsigned char", &IVar::is_uint8},
    {"s", 0x2802, "short int", &IVar::is_int16},
    {"t", 0x2002, "short unsigned int", &IVar::is_uint16},
    {"i", 0x4802, "int", &IVar::is_int32},
    {"j", 0x4002, "unsigned int", &IVar::is_uint32},
    {"x", 0x8802, "long long int", &IVar::is_int64},
    {"y", 0x8002, "long long unsigned int", &IVar::is_uint64},
    {"f", 0x4402, "float", &IVar::is_float},
    {"d", 0x8402, "double", &IVar::is_double},
};

template <typename T>
const TypeRow& row_of()
{
    int i = 0, found = -1;
    for_each_number_type([&](auto* tag) {
        if (std::is_same<T, std::remove_pointer_t<decltype(tag)>>::value) {
            found = i;
        }
        ++i;
    });
    return ROWS[found];
}

// v read as T through the conversion of that type.
template <typename T>
T read_as(const IVar& v)
{
    if constexpr (std::is_same<T, signed char>::value)
        return v.to_int8();
    else if constexpr (std::is_same<T, unsigned char>::value)
        return v.to_uint8();
    else if constexpr (std::is_same<T, short>::value)
        return v.to_int16();
    else if constexpr (std::is_same<T, unsigned short>::value)
        return v.to_uint16();
    else if constexpr (std::is_same<T, int>::value)
        return v.to_int32();
    else if constexpr (std::is_same<T, unsigned int>::value)
        return v.to_uint32();
    else if constexpr (std::is_same<T, long long>::value)
        return v.to_int64();
    else if constexpr (std::is_same<T, unsigned long long>::value)
        return v.to_uint64();
    else if constexpr (std::is_same<T, float>::value)
        return v.to_float();
    else
        return v.to_double();
}

template <typename T>
std::string text_of(T v)
{
    char buf[64];
    if constexpr (std::is_floating_point<T>::value) {
        snprintf(buf, sizeof buf, "%.17g", static_cast<double>(v));
    } else if constexpr (std::is_signed<T>::value) {
        snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
    } else {
        snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(v));
    }
    return buf;
}

// What a call did: "ok" and the value it gave, or the class and message.
struct Result {
    std::string cls, text;
    bool operator==(const Result& o) const { return cls == o.cls && text == o.text; }
};
std::ostream& operator<<(std::ostream& os, const Result& r) { return os << r.cls << ": " << r.text; }

template <typename F>
Result result_of(F f)
{
    try {
        return {"ok", text_of(f())};
    } catch (const tal::Exception& e) {
        return {e.name(), e.what()};
    }
}

std::string assign_text(const char* with, const std::string& source_dump)
{
    return std::string(
               "{tal::var::Number<T>& tal::var::Number<T>::operator=(tal::var::IVar&) "
               "[with T = ") +
           with + "](" + source_dump + ")}";
}

TEST(Number, KindsAndTexts)
{
    int i = 0;
    for_each_number_type([&i](auto* tag) {
        typedef std::remove_pointer_t<decltype(tag)> T;
        const TypeRow& row = ROWS[i++];
        SCOPED_TRACE(row.with);
        Number<T> n(42);
        const IVar& v = n;
        EXPECT_EQ(std::string("N3tal3var6NumberI") + row.code + "EE", typeid(v).name());
        EXPECT_EQ(row.mask, v.get_mask());
        EXPECT_STREQ("tal::var::Number", v.get_type().c_str());
        EXPECT_STREQ("42", v.to_string().c_str());
        const std::string dump = std::string("[tal::var::Number<") + row.code + ">]42";
        EXPECT_EQ(dump, v.dump(0).c_str());
        EXPECT_EQ(dump, v.dump(3).c_str());
        EXPECT_TRUE(v.is_number());
        for (const TypeRow& other : ROWS) {
            EXPECT_EQ(&other == &row, (v.*other.test)()) << other.with;
        }
        EXPECT_FALSE(v.is_null() || v.is_ref() || v.is_bool() || v.is_string() || v.is_array() ||
                     v.is_dict() || v.is_callable() || v.is_raw());
        EXPECT_TRUE(v.to_bool());
        n.clear();
        EXPECT_STREQ("0", v.to_string().c_str());
        EXPECT_FALSE(v.to_bool());
    });
}

TEST(Number, TextForms)
{
    const struct {
        std::string got;
        const char* expected;
    } rows[] = {
        {Number<signed char>(-5).dump(0).c_str(), "[tal::var::Number<a>]-5"},
        {Number<unsigned char>(200).to_string().c_str(), "200"},
        {Number<long long>(std::numeric_limits<long long>::min()).to_string().c_str(),
         "-9223372036854775808"},
        {Number<unsigned long long>(18446744073709551615ULL).dump(0).c_str(),
         "[tal::var::Number<y>]18446744073709551615"},
        {Number<double>(0.1).to_string().c_str(), "0.1"},
        {Number<double>(123456789.0).to_string().c_str(), "1.23457e+08"},
        {Number<double>(1e20).dump(1).c_str(), "[tal::var::Number<d>]1e+20"},
        {Number<float>(0.1f).dump(0).c_str(), "[tal::var::Number<f>]0.1"},
        {Number<double>(HUGE_VAL).to_string().c_str(), "inf"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.expected, r.got);
    }
}

TEST(Number, TruthOfFloatingValues)
{
    EXPECT_TRUE(Number<double>(std::nan("")).to_bool());
    EXPECT_TRUE(Number<float>(std::nanf("")).to_bool());
    EXPECT_FALSE(Number<double>(-0.0).to_bool());
    EXPECT_FALSE(Number<float>(-0.0f).to_bool());
    EXPECT_TRUE(Number<float>(1e-30f).to_bool());
}

// Values of S on both sides of D's bounds and at S's own, as far as S holds
// them, plus fractions and NaN for floating S.
template <typename S, typename D>
std::vector<S> probes()
{
    typedef std::numeric_limits<S> s;
    typedef std::numeric_limits<D> d;
    std::vector<long double> wide = {s::lowest(), s::max(), 0, 1};
    if (!std::is_floating_point<D>::value) {
        wide.insert(wide.end(), {static_cast<long double>(d::lowest()) - 1, d::lowest(), d::max(),
                                 static_cast<long double>(d::max()) + 1});
    }
    std::vector<S> out;
    for (long double w : wide) {
        if (std::is_floating_point<S>::value || (w >= s::lowest() && w <= s::max())) {
            out.push_back(static_cast<S>(w));
        }
    }
    if (std::is_floating_point<S>::value) {
        out.insert(out.end(), {S(2.5), S(-2.5), S(-0.0), s::quiet_NaN(), s::infinity()});
    }
    return out;
}

// Each of the 100 pairs both ways, into D by assignment and out of S by
// conversion, against tal::check_cast<D, S> itself: same value, or same
// class and message; a failed assignment keeps the old value.
TEST(Number, EveryPairAsCheckCastDoesIt)
{
    int checked_failures = 0;
    for_each_number_type([&](auto* dtag) {
        typedef std::remove_pointer_t<decltype(dtag)> D;
        for_each_number_type([&](auto* stag) {
            typedef std::remove_pointer_t<decltype(stag)> S;
            for (S value : probes<S, D>()) {
                SCOPED_TRACE(std::string(row_of<S>().with) + " " + text_of(value) + " to " +
                             row_of<D>().with);
                const Result oracle = result_of([value] { return tal::check_cast<D>(value); });
                Number<D> target(7);
                IVar& t = target;
                EXPECT_EQ(oracle, result_of([&] {
                              t = value;
                              return read_as<D>(t);
                          }));
                if (oracle.cls != "ok") {
                    EXPECT_EQ("7", text_of(read_as<D>(t)));
                    ++checked_failures;
                }
                const Number<S> source(value);
                EXPECT_EQ(oracle, result_of([&] { return read_as<D>(source); }));
            }
        });
    });
    // Every checked pair failed somewhere: the sweep reached the bounds.
    EXPECT_LT(100, checked_failures);
}

// The bounds as messages spell them, for a few pairs taken literally.
TEST(Number, CheckedConversionsAtTheirBounds)
{
    const struct {
        const char* what;
        Result got, expected;
    } rows[] = {
        {"int8 -128 to uint8",
         result_of([] { return Number<signed char>(-128).to_uint8(); }),
         {"tal::UnderflowException", "value[-128] bound[0]"}},
        {"int8 -128 to int16",
         result_of([] { return Number<signed char>(-128).to_int16(); }),
         {"ok", "-128"}},
        {"uint32 2147483648 to int",
         result_of([] {
             Number<int> n(5);
             n = 2147483648u;
             return n.to_int32();
         }),
         {"tal::OverflowException", "value[2147483648] bound[2147483647U]"}},
        {"uint16 65535 to int",
         result_of([] {
             Number<int> n(5);
             n = static_cast<unsigned short>(65535);
             return n.to_int32();
         }),
         {"ok", "65535"}},
        {"int64 -1 to uint64",
         result_of([] {
             Number<unsigned long long> n(5);
             n = -1LL;
             return n.to_uint64();
         }),
         {"tal::UnderflowException", "value[-1] bound[0LL]"}},
        {"uint64 max to int64",
         result_of([] { return Number<unsigned long long>(18446744073709551615ULL).to_int64(); }),
         {"tal::OverflowException", "value[18446744073709551615] bound[9223372036854775807ULL]"}},
        {"uint64 max to double",
         result_of([] { return Number<unsigned long long>(18446744073709551615ULL).to_double(); }),
         {"ok", "1.8446744073709552e+19"}},
        {"double inf to int",
         result_of([] { return Number<double>(HUGE_VAL).to_int32(); }),
         {"tal::OverflowException", "value[inf] bound[2147483647.0]"}},
        {"double -inf to int",
         result_of([] { return Number<double>(-HUGE_VAL).to_int32(); }),
         {"tal::UnderflowException", "value[-inf] bound[-2147483648.0]"}},
        {"float -1.5 to uint16",
         result_of([] { return Number<float>(-1.5f).to_uint16(); }),
         {"tal::UnderflowException", "value[-1.5] bound[0.0]"}},
        {"double 1e300 into float",
         result_of([] {
             Number<float> n(1);
             n = 1e300;
             return n.to_double();
         }),
         {"ok", "inf"}},
        {"true into uint8",
         result_of([] {
             Number<unsigned char> n(9);
             n = true;
             return n.to_uint8();
         }),
         {"ok", "1"}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.expected, r.got) << r.what;
    }
    Number<float> inf(0);
    inf = 1e300;
    EXPECT_STREQ("inf", inf.to_string().c_str());
}

// Texts by the route of each type: base from the prefix, trailing characters
// accepted, and the parse's or the narrowing's own exception.
TEST(Number, TextRoutes)
{
    const tal::string forty_two("42");
    const struct {
        const char* what;
        Result got, expected;
    } rows[] = {
        {"int 0x10",
         result_of([] {
             Number<int> n(1);
             n = "0x10";
             return n.to_int32();
         }),
         {"ok", "16"}},
        {"int 010",
         result_of([] {
             Number<int> n(1);
             n = "010";
             return n.to_int32();
         }),
         {"ok", "8"}},
        {"int 12abc",
         result_of([] {
             Number<int> n(1);
             n = "12abc";
             return n.to_int32();
         }),
         {"ok", "12"}},
        {"int abc",
         result_of([] {
             Number<int> n(1);
             n = "abc";
             return n.to_int32();
         }),
         {"tal::BadCastException", "s[abc]"}},
        {"int null",
         result_of([] {
             Number<int> n(1);
             n = static_cast<const char*>(nullptr);
             return n.to_int32();
         }),
         {"tal::NullPointerException", "s[]s"}},
        {"int tal::string",
         result_of([&] {
             Number<int> n(1);
             n = forty_two;
             return n.to_int32();
         }),
         {"ok", "42"}},
        {"int8 200",
         result_of([] {
             Number<signed char> n(1);
             n = "200";
             return n.to_int8();
         }),
         {"tal::OverflowException", "value[200] bound[127L]"}},
        {"uint8 -0",
         result_of([] {
             Number<unsigned char> n(1);
             n = "-0";
             return n.to_uint8();
         }),
         {"ok", "0"}},
        {"uint8 -1",
         result_of([] {
             Number<unsigned char> n(1);
             n = "-1";
             return n.to_uint8();
         }),
         {"tal::UnderflowException", "value[-1] bound[0L]"}},
        {"uint16 -0",
         result_of([] {
             Number<unsigned short> n(1);
             n = "-0";
             return n.to_uint16();
         }),
         {"tal::UnderflowException", "s[-0]"}},
        {"uint16 65536",
         result_of([] {
             Number<unsigned short> n(1);
             n = "65536";
             return n.to_uint16();
         }),
         {"tal::OverflowException", "value[65536] bound[65535UL]"}},
        {"uint32 -1",
         result_of([] {
             Number<unsigned int> n(1);
             n = "-1";
             return n.to_uint32();
         }),
         {"tal::UnderflowException", "s[-1]"}},
        {"uint32 null",
         result_of([] {
             Number<unsigned int> n(1);
             n = static_cast<const char*>(nullptr);
             return n.to_uint32();
         }),
         {"tal::NullPointerException", "s"}},
        {"int64 2^63",
         result_of([] {
             Number<long long> n(1);
             n = "9223372036854775808";
             return n.to_int64();
         }),
         {"tal::OverflowException", "s[9223372036854775808]"}},
        {"uint64 abc",
         result_of([] {
             Number<unsigned long long> n(1);
             n = "abc";
             return n.to_uint64();
         }),
         {"tal::BadCastException", "not numerial string: s[abc]"}},
        {"float 1e39",
         result_of([] {
             Number<float> n(1);
             n = "1e39";
             return n.to_float();
         }),
         {"tal::OverflowException", "s[1e39]"}},
        {"float 2.5",
         result_of([] {
             Number<float> n(1);
             n = "2.5";
             return n.to_float();
         }),
         {"ok", "2.5"}},
        {"double 1e39",
         result_of([] {
             Number<double> n(1);
             n = "1e39";
             return n.to_double();
         }),
         {"ok", "9.9999999999999994e+38"}},
        {"double -1e400",
         result_of([] {
             Number<double> n(1);
             n = "-1e400";
             return n.to_double();
         }),
         {"tal::UnderflowException", "s[-1e400]"}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.expected, r.got) << r.what;
    }
    Number<short> kept(-3);
    EXPECT_THROW(kept = "x", tal::BadCastException);
    EXPECT_THROW(kept = "40000", tal::OverflowException);
    EXPECT_EQ(-3, kept.to_int16());
}

// operator=(IVar&): the value of any kind, through double for floating
// sources and targets; a failure names this function and the source's dump.
TEST(Number, AssignmentFromAValue)
{
    tal::var::String text_2_5("2.5", tal::pool_allocator<char>());
    tal::var::String text_12abc("12abc", tal::pool_allocator<char>());
    tal::var::String text_abc("abc", tal::pool_allocator<char>());
    Number<double> d_2_5(2.5), d_3e9(3e9);
    Number<float> f_2_5(2.5f), f_300_5(300.5f);
    Number<unsigned long long> u_max(18446744073709551615ULL);
    Number<int> i_minus_3(-3);
    tal::var::Ref ref_i(i_minus_3);
    tal::var::Bool yes(true);
    const struct {
        const char* what;
        Result got, expected;
    } rows[] = {
        {"int from double 2.5",
         result_of([&] {
             Number<int> n(1);
             n = static_cast<IVar&>(d_2_5);
             return n.to_int32();
         }),
         {"ok", "2"}},
        {"int from double 3e9",
         result_of([&] {
             Number<int> n(1);
             n = static_cast<IVar&>(d_3e9);
             return n.to_int32();
         }),
         {"tal::OverflowException",
          "value[3e+09] bound[2147483647.0]" + assign_text("int", "[tal::var::Number<d>]3e+09")}},
        {"double from float 2.5",
         result_of([&] {
             Number<double> n(1);
             n = static_cast<IVar&>(f_2_5);
             return n.to_double();
         }),
         {"ok", "2.5"}},
        {"float from text 2.5",
         result_of([&] {
             Number<float> n(1);
             n = static_cast<IVar&>(text_2_5);
             return n.to_float();
         }),
         {"ok", "2.5"}},
        {"double from uint64 max",
         result_of([&] {
             Number<double> n(1);
             n = static_cast<IVar&>(u_max);
             return n.to_double();
         }),
         {"ok", "1.8446744073709552e+19"}},
        {"uint8 from float 300.5",
         result_of([&] {
             Number<unsigned char> n(1);
             n = static_cast<IVar&>(f_300_5);
             return n.to_uint8();
         }),
         {"tal::OverflowException",
          "value[300.5] bound[255.0]" + assign_text("unsigned char", "[tal::var::Number<f>]300.5")}},
        {"int from text 12abc",
         result_of([&] {
             Number<int> n(1);
             n = static_cast<IVar&>(text_12abc);
             return n.to_int32();
         }),
         {"ok", "12"}},
        {"int from text abc",
         result_of([&] {
             Number<int> n(1);
             n = static_cast<IVar&>(text_abc);
             return n.to_int32();
         }),
         {"tal::BadCastException", "s[abc]" + assign_text("int", "[tal::var::String]abc")}},
        {"int64 from a reference",
         result_of([&] {
             Number<long long> n(1);
             n = static_cast<IVar&>(ref_i);
             return n.to_int64();
         }),
         {"ok", "-3"}},
        {"uint32 from a negative through a reference",
         result_of([&] {
             Number<unsigned int> n(1);
             n = static_cast<IVar&>(ref_i);
             return n.to_uint32();
         }),
         {"tal::UnderflowException",
          "value[-3] bound[0LL]" + assign_text("unsigned int", std::string(ref_i.dump(0).c_str()))}},
        {"int8 from true",
         result_of([&] {
             Number<signed char> n(0);
             n = static_cast<IVar&>(yes);
             return n.to_int8();
         }),
         {"ok", "1"}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.expected, r.got) << r.what;
    }
}

// The null value has no to_int64 of its own: the refusal keeps its own class
// and throw site and gains the assigning function of each type.
TEST(Number, AssignmentFromNullNamesEachType)
{
    int i = 0;
    for_each_number_type([&i](auto* tag) {
        typedef std::remove_pointer_t<decltype(tag)> T;
        const TypeRow& row = ROWS[i++];
        Number<T> n(3);
        const Caught c = catch_refusal([](IVar& v) { v = static_cast<IVar&>(tal::var::Null::null); }, n);
        EXPECT_EQ("tal::InvalidOperationException", c.cls) << row.with;
        const std::string tail = assign_text(row.with, "[tal::var::Null]null");
        const std::string expected = std::string("type[N3tal3var4NullE] this[[tal::var::Null]null]") + tail;
        EXPECT_EQ(expected, c.message) << row.with;
        EXPECT_EQ(std::string("virtual ") + (std::is_floating_point<T>::value ? "double" : "long long int") +
                      " tal::var::IVar::to_" + (std::is_floating_point<T>::value ? "double" : "int64") +
                      "() const",
                  c.function);
        EXPECT_STREQ("3", n.to_string().c_str());
    });
}

// What a number leaves to the interface refuses with the number's dump.
TEST(Number, InheritedOperationsRefuse)
{
    using namespace tal_var_test;
    Number<int> n(42);
    expect_inherited_refusals(n, [](const std::string& f) {
        return is_conversion(f) || (has(f, "operator=(") && !has(f, "raw_t"));
    });
}

// Created from a plain value of its type in a pool, cloned (deep or not) into
// distinct pool objects, all released with the pool.
TEST(Number, PoolCreationAndClones)
{
    CountingPool source;
    {
        tal::ResourcePool rp(source);
        int i = 0;
        for_each_number_type([&](auto* tag) {
            typedef std::remove_pointer_t<decltype(tag)> T;
            SCOPED_TRACE(ROWS[i++].with);
            const T max = std::numeric_limits<T>::max();
            Number<T>& n = rp.create<Number<T>, T>(max);
            EXPECT_EQ(sizeof(Number<T>), source.size_of(&n));
            EXPECT_EQ(text_of(max), text_of(read_as<T>(n)));
            Number<T>& shallow = n.clone(rp);
            IVar& deep = static_cast<const IVar&>(n).clone(rp, true);
            EXPECT_NE(&n, &shallow);
            EXPECT_NE(static_cast<IVar*>(&n), &deep);
            EXPECT_EQ(typeid(n), typeid(deep));
            EXPECT_EQ(sizeof(Number<T>), source.size_of(&deep));
            shallow = static_cast<T>(1);
            deep.clear();
            EXPECT_EQ(text_of(max), text_of(read_as<T>(n)));
            EXPECT_EQ("1", text_of(read_as<T>(shallow)));
        });
        const double minus_zero = -0.0;
        EXPECT_TRUE(std::signbit(rp.create<Number<double>, double>(minus_zero).to_double()));
        rp.reset();
        EXPECT_EQ(0u, source.live_blocks());

        rp.create<Number<int>, int>(0);  // the record block is there from here on
        source.refuse_all();
        char expected[64];
        snprintf(expected, sizeof expected, "_mempool[%p] size[%zu]", static_cast<void*>(&source),
                 sizeof(Number<long long>));
        try {
            rp.create<Number<long long>, long long>(1LL);
            ADD_FAILURE() << "no exception";
        } catch (const tal::BadAllocException& e) {
            EXPECT_STREQ(expected, e.what());
        }
        source.grant_all();
    }
    EXPECT_EQ(0u, source.live_blocks());
    EXPECT_EQ(0u, source.bad_frees);
}

}  // namespace
