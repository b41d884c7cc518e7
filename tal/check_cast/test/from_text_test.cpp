#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>
#include <type_traits>

#include "tal/check_cast/check_cast.h"
#include "tal/check_cast/test/outcome.h"

namespace {

template <typename D>
Outcome parse(const char* s)
{
    return outcome_of([s] { return tal::check_cast<D, const char*>(s); },
                      [](D r) {
                          char buf[64];
                          if constexpr (std::is_floating_point<D>::value) {
                              snprintf(buf, sizeof(buf), "%.9Lg", static_cast<long double>(r));
                          } else if constexpr (std::is_signed<D>::value) {
                              snprintf(buf, sizeof(buf), "%lld", static_cast<long long>(r));
                          } else {
                              snprintf(buf, sizeof(buf), "%llu", static_cast<unsigned long long>(r));
                          }
                          return std::string(buf);
                      });
}

// Every target, so that one text can be walked through all thirteen.
struct Targets {
    Outcome sc, uc, s, us, i, ui, l, ul, ll, ull, f, d, ld;
};

Targets parse_all(const char* s)
{
    return {parse<signed char>(s), parse<unsigned char>(s),      parse<short>(s), parse<unsigned short>(s),
            parse<int>(s),         parse<unsigned int>(s),       parse<long>(s),  parse<unsigned long>(s),
            parse<long long>(s),   parse<unsigned long long>(s), parse<float>(s), parse<double>(s),
            parse<long double>(s)};
}

TEST(CheckCastFromText, FortyTwoInEveryTargetWithBlanksAndTrailingText)
{
    for (const char* text : {"42", "  42", "42abc", "42 ", "+42", "0x2a", "052"}) {
        SCOPED_TRACE(text);
        const Targets t = parse_all(text);
        for (const Outcome* o : {&t.sc, &t.uc, &t.s, &t.us, &t.i, &t.ui, &t.l, &t.ul, &t.ll, &t.ull}) {
            EXPECT_EQ(o->kind, "ok");
            EXPECT_EQ(o->text, "42");
        }
    }
}

TEST(CheckCastFromText, NullEmptyAndNonNumbers)
{
    const Targets null = parse_all(nullptr);
    const Targets empty = parse_all("");
    const Targets abc = parse_all("abc");
    const Targets blanks = parse_all("   ");
    const OutcomeRow rows[] = {
        {"null to long", null.l, "null", "s[]s"},
        {"null to int", null.i, "null", "s[]s"},
        {"null to signed char", null.sc, "null", "s[]s"},
        {"null to unsigned char", null.uc, "null", "s[]s"},
        {"null to short", null.s, "null", "s[]s"},
        {"null to long long", null.ll, "null", "s"},
        {"null to unsigned long", null.ul, "null", "s"},
        {"null to unsigned long long", null.ull, "null", "s"},
        {"null to unsigned short", null.us, "null", "s"},
        {"null to unsigned int", null.ui, "null", "s"},
        {"null to float", null.f, "null", "s"},
        {"null to double", null.d, "null", "s"},
        {"null to long double", null.ld, "null", "s"},
        {"empty to long", empty.l, "badcast", "s[]"},
        {"empty to long long", empty.ll, "badcast", "s[]"},
        {"empty to unsigned long", empty.ul, "badcast", "s[]"},
        {"empty to unsigned int", empty.ui, "badcast", "s[]"},
        {"empty to unsigned long long", empty.ull, "badcast", "not numerial string: s[]"},
        {"empty to float", empty.f, "badcast", "not numerial string: s[]"},
        {"empty to double", empty.d, "badcast", "not numerial string: s[]"},
        {"empty to long double", empty.ld, "badcast", "not numerial string: s[]"},
        {"abc to long", abc.l, "badcast", "s[abc]"},
        {"abc to int", abc.i, "badcast", "s[abc]"},
        {"abc to unsigned long long", abc.ull, "badcast", "not numerial string: s[abc]"},
        {"abc to double", abc.d, "badcast", "not numerial string: s[abc]"},
        {"blanks to long long", blanks.ll, "badcast", "s[   ]"},
        {"lone minus to long", parse<long>("-"), "badcast", "s[-]"},
        {"lone minus to unsigned long", parse<unsigned long>("-"), "badcast", "s[-]"},
        {"lone plus to unsigned short", parse<unsigned short>("+"), "badcast", "s[+]"},
    };
    expect_rows(rows);
}

TEST(CheckCastFromText, BaseZeroSignsAndRanges)
{
    const OutcomeRow rows[] = {
        {"0x1A to long", parse<long>("0x1A"), "ok", "26"},
        {"010 to int", parse<int>("010"), "ok", "8"},
        {"08 to long long", parse<long long>("08"), "ok", "0"},
        {"0X10 to unsigned long long", parse<unsigned long long>("0X10"), "ok", "16"},
        {"+5 to unsigned long", parse<unsigned long>("+5"), "ok", "5"},
        {"5-3 to unsigned long", parse<unsigned long>("5-3"), "ok", "5"},
        {"-1 to unsigned long", parse<unsigned long>("-1"), "underflow", "s[-1]"},
        {"blank -0 to unsigned long", parse<unsigned long>(" -0"), "underflow", "s[ -0]"},
        {"-2^64 to unsigned long long", parse<unsigned long long>("-18446744073709551616"), "underflow",
         "s[-18446744073709551616]"},
        {"-1 to unsigned short", parse<unsigned short>("-1"), "underflow", "s[-1]"},
        {"-0 to unsigned int", parse<unsigned int>("-0"), "underflow", "s[-0]"},
        {"-0 to unsigned char", parse<unsigned char>("-0"), "ok", "0"},
        {"-1 to unsigned char", parse<unsigned char>("-1"), "underflow", "value[-1] bound[0L]"},
        {"-5 to long", parse<long>("-5"), "ok", "-5"},
        // Range errors of the parse and of the narrowing stage.
        {"2^63 to long", parse<long>("9223372036854775808"), "overflow", "s[9223372036854775808]"},
        {"2^63 to long long", parse<long long>("9223372036854775808"), "overflow", "s[9223372036854775808]"},
        {"-2^63-1 to long", parse<long>("-9223372036854775809"), "underflow", "s[-9223372036854775809]"},
        {"-2^63-1 to long long", parse<long long>("-9223372036854775809"), "underflow",
         "s[-9223372036854775809]"},
        {"-2^63 to long long", parse<long long>("-9223372036854775808"), "ok", "-9223372036854775808"},
        {"2^64 to unsigned long", parse<unsigned long>("18446744073709551616"), "overflow",
         "s[18446744073709551616]"},
        {"2^64-1 to unsigned long long", parse<unsigned long long>("18446744073709551615"), "ok",
         "18446744073709551615"},
        {"300 to signed char", parse<signed char>("300"), "overflow", "value[300] bound[127L]"},
        {"-129 to signed char", parse<signed char>("-129"), "underflow", "value[-129] bound[-128L]"},
        {"65536 to unsigned short", parse<unsigned short>("65536"), "overflow",
         "value[65536] bound[65535UL]"},
        {"4294967296 to unsigned int", parse<unsigned int>("4294967296"), "overflow",
         "value[4294967296] bound[4294967295UL]"},
        {"2^31 to int", parse<int>("2147483648"), "overflow", "value[2147483648] bound[2147483647L]"},
        {"twenty nines to int", parse<int>("99999999999999999999"), "overflow", "s[99999999999999999999]"},
        {"1e39 to float", parse<float>("1e39"), "overflow", "s[1e39]"},
        {"-1e39 to float", parse<float>("-1e39"), "underflow", "s[-1e39]"},
        {"1e39 to double", parse<double>("1e39"), "ok", "1e+39"},
        {"1e-400 to double", parse<double>("1e-400"), "overflow", "s[1e-400]"},
        {"-1e-400 to double", parse<double>("-1e-400"), "overflow", "s[-1e-400]"},
        {"1e5000 to long double", parse<long double>("1e5000"), "overflow", "s[1e5000]"},
        {"-1e5000 to long double", parse<long double>("-1e5000"), "underflow", "s[-1e5000]"},
        {"inf to double", parse<double>("inf"), "ok", "inf"},
        {"-Infinity to double", parse<double>("-Infinity"), "ok", "-inf"},
        {"nan to double", parse<double>("nan"), "ok", "nan"},
        {"0x10 to double", parse<double>("0x10"), "ok", "16"},
        {"3.5xyz to double", parse<double>("3.5xyz"), "ok", "3.5"},
        {"0.1 to float", parse<float>("0.1"), "ok", "0.100000001"},
    };
    expect_rows(rows);
}

TEST(CheckCastFromText, ThrowSiteAndErrno)
{
    const Outcome l = parse<long>("x");
    EXPECT_EQ(l.function,
              "DestType tal::check_cast(SrcType) [with DestType = long int, SrcType = const char*]");
    EXPECT_NE(l.file.find("tal/check_cast/check_cast_cstring.cpp"), std::string::npos) << l.file;
    EXPECT_EQ(l.level, 0);
    EXPECT_EQ(
        parse<unsigned long long>(nullptr).function,
        "DestType tal::check_cast(SrcType) [with DestType = long long unsigned int, SrcType = const char*]");
    // The second stage reports from the number pair.
    EXPECT_EQ(parse<unsigned short>("70000").function,
              "DestType tal::check_cast(SrcType) [with DestType = short unsigned int, SrcType = long "
              "unsigned int]");

    errno = EDOM;
    EXPECT_EQ(tal::check_cast<int>("7"), 7);
    EXPECT_EQ(errno, 0);
    // A null text is refused before errno is touched.
    errno = EDOM;
    EXPECT_EQ(parse<double>(nullptr).kind, "null");
    EXPECT_EQ(errno, EDOM);

    char writable[] = "12";
    EXPECT_EQ(tal::check_cast<unsigned int>(static_cast<char*>(writable)), 12U);
}

}  // namespace
