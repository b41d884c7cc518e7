#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <type_traits>
#include <typeinfo>

#include "tal/check_cast/check_cast.h"
#include "tal/check_cast/test/outcome.h"

namespace {

// Integers in decimal; floating values widened to double and written with
// floating_format.
template <typename T>
std::string written(T value, const char* floating_format)
{
    if constexpr (std::is_floating_point<T>::value) {
        char buf[64];
        snprintf(buf, sizeof(buf), floating_format, static_cast<double>(value));
        return buf;
    } else {
        return std::to_string(+value);
    }
}

// A result, exactly.
template <typename T>
std::string print(T value)
{
    return written(value, "%.17g");
}

// A value as the exception messages write it.
template <typename S>
std::string message_value(S value)
{
    return written(value, "%lg");
}

template <typename D, typename S>
Outcome cast(S value)
{
    return outcome_of([value] { return tal::check_cast<D>(value); }, [](D r) { return print(r); });
}

// Source values at and just beyond the target's bounds. A floating source
// is compared against the double nearest the bound; it takes its own nearest
// value on the inner side of that, and the next value outward from there.
template <typename D, typename S>
struct edges {
    static S inner(long double bound, long double toward)
    {
        if constexpr (std::is_floating_point<S>::value) {
            bound = static_cast<double>(bound);
        }
        S v = static_cast<S>(bound);
        if constexpr (std::is_floating_point<S>::value) {
            if ((bound < toward && v < bound) || (bound > toward && v > bound))
                v = std::nextafter(v, static_cast<S>(toward));
        }
        return v;
    }
    static S outer(S at, long double away)
    {
        if constexpr (std::is_floating_point<S>::value) {
            return std::nextafter(at, static_cast<S>(away));
        } else {
            return away < 0 ? static_cast<S>(at - 1) : static_cast<S>(at + 1);
        }
    }
};

struct PairRow {
    const char* pair;
    // Null: the pair makes no test on that side.
    const char* lower;
    const char* upper;
    void (*walk)(const PairRow&);
};

template <typename D, typename S>
void walk(const PairRow& row)
{
    typedef std::numeric_limits<D> dest;
    typedef std::numeric_limits<S> src;
    typedef edges<D, S> e;
    const struct {
        const char* side;
        const char* bound;
        long double limit;
        long double away;
        const char* kind;
    } sides[] = {
        {"lower", row.lower, static_cast<long double>(dest::min()), -INFINITY, "underflow"},
        {"upper", row.upper, static_cast<long double>(dest::max()), INFINITY, "overflow"},
    };
    for (const auto& side : sides) {
        SCOPED_TRACE(std::string(row.pair) + " " + side.side + " from " + typeid(S).name());
        if (!side.bound) {
            // Nothing of the source lies beyond: its extreme converts.
            const S extreme = side.away < 0 ? src::lowest() : src::max();
            const Outcome o = cast<D>(extreme);
            EXPECT_EQ(o.kind, "ok");
            if (!src::is_iec559) {
                EXPECT_EQ(o.text, print(static_cast<D>(extreme)));
            }
            continue;
        }
        const S at = e::inner(side.limit, -side.away);
        const Outcome ok = cast<D>(at);
        EXPECT_EQ(ok.kind, "ok");
        if (!src::is_iec559) {
            EXPECT_EQ(ok.text, print(side.away < 0 ? dest::min() : dest::max()));
        }

        const S beyond = e::outer(at, side.away);
        const Outcome fail = cast<D>(beyond);
        EXPECT_EQ(fail.kind, side.kind);
        EXPECT_EQ(fail.text, "value[" + message_value(beyond) + side.bound);
        EXPECT_EQ(fail.level, 0);
        EXPECT_NE(fail.file.find("tal/check_cast/check_cast_generated.h"), std::string::npos) << fail.file;
    }
}

// Both floating sources share the bounds and their texts.
template <typename D>
void walk_floating(const PairRow& row)
{
    walk<D, double>(row);
    walk<D, float>(row);
}

const PairRow CHECKED_PAIRS[] = {
    {"signed char -> unsigned char", "] bound[0]", nullptr, walk<unsigned char, signed char>},
    {"signed char -> unsigned short", "] bound[0]", nullptr, walk<unsigned short, signed char>},
    {"signed char -> unsigned int", "] bound[0]", nullptr, walk<unsigned int, signed char>},
    {"signed char -> unsigned long long", "] bound[0]", nullptr, walk<unsigned long long, signed char>},
    {"unsigned char -> signed char", nullptr, "] bound[127]", walk<signed char, unsigned char>},
    {"short -> signed char", "] bound[-128]", "] bound[127]", walk<signed char, short>},
    {"short -> unsigned char", "] bound[0]", "] bound[255]", walk<unsigned char, short>},
    {"short -> unsigned short", "] bound[0]", nullptr, walk<unsigned short, short>},
    {"short -> unsigned int", "] bound[0]", nullptr, walk<unsigned int, short>},
    {"short -> unsigned long long", "] bound[0]", nullptr, walk<unsigned long long, short>},
    {"unsigned short -> signed char", nullptr, "] bound[127]", walk<signed char, unsigned short>},
    {"unsigned short -> unsigned char", nullptr, "] bound[255]", walk<unsigned char, unsigned short>},
    {"unsigned short -> short", nullptr, "] bound[32767]", walk<short, unsigned short>},
    {"int -> signed char", "] bound[-128]", "] bound[127]", walk<signed char, int>},
    {"int -> unsigned char", "] bound[0]", "] bound[255]", walk<unsigned char, int>},
    {"int -> short", "] bound[-32768]", "] bound[32767]", walk<short, int>},
    {"int -> unsigned short", "] bound[0]", "] bound[65535]", walk<unsigned short, int>},
    {"int -> unsigned int", "] bound[0]", nullptr, walk<unsigned int, int>},
    {"int -> unsigned long long", "] bound[0]", nullptr, walk<unsigned long long, int>},
    {"unsigned int -> signed char", nullptr, "] bound[127U]", walk<signed char, unsigned int>},
    {"unsigned int -> unsigned char", nullptr, "] bound[255U]", walk<unsigned char, unsigned int>},
    {"unsigned int -> short", nullptr, "] bound[32767U]", walk<short, unsigned int>},
    {"unsigned int -> unsigned short", nullptr, "] bound[65535U]", walk<unsigned short, unsigned int>},
    {"unsigned int -> int", nullptr, "] bound[2147483647U]", walk<int, unsigned int>},
    {"long -> signed char", "] bound[-128L]", "] bound[127L]", walk<signed char, long>},
    {"long -> unsigned char", "] bound[0L]", "] bound[255L]", walk<unsigned char, long>},
    {"long -> short", "] bound[-32768L]", "] bound[32767L]", walk<short, long>},
    {"long -> int", "] bound[-2147483648L]", "] bound[2147483647L]", walk<int, long>},
    {"unsigned long -> unsigned short", nullptr, "] bound[65535UL]", walk<unsigned short, unsigned long>},
    {"unsigned long -> unsigned int", nullptr, "] bound[4294967295UL]", walk<unsigned int, unsigned long>},
    {"long long -> signed char", "] bound[-128LL]", "] bound[127LL]", walk<signed char, long long>},
    {"long long -> unsigned char", "] bound[0LL]", "] bound[255LL]", walk<unsigned char, long long>},
    {"long long -> short", "] bound[-32768LL]", "] bound[32767LL]", walk<short, long long>},
    {"long long -> unsigned short", "] bound[0LL]", "] bound[65535LL]", walk<unsigned short, long long>},
    {"long long -> int", "] bound[-2147483648LL]", "] bound[2147483647LL]", walk<int, long long>},
    {"long long -> unsigned int", "] bound[0LL]", "] bound[4294967295LL]", walk<unsigned int, long long>},
    {"long long -> unsigned long long", "] bound[0LL]", nullptr, walk<unsigned long long, long long>},
    {"unsigned long long -> signed char", nullptr, "] bound[127ULL]", walk<signed char, unsigned long long>},
    {"unsigned long long -> unsigned char", nullptr, "] bound[255ULL]",
     walk<unsigned char, unsigned long long>},
    {"unsigned long long -> short", nullptr, "] bound[32767ULL]", walk<short, unsigned long long>},
    {"unsigned long long -> unsigned short", nullptr, "] bound[65535ULL]",
     walk<unsigned short, unsigned long long>},
    {"unsigned long long -> int", nullptr, "] bound[2147483647ULL]", walk<int, unsigned long long>},
    {"unsigned long long -> unsigned int", nullptr, "] bound[4294967295ULL]",
     walk<unsigned int, unsigned long long>},
    {"unsigned long long -> long long", nullptr, "] bound[9223372036854775807ULL]",
     walk<long long, unsigned long long>},
    {"double and float -> signed char", "] bound[-128.0]", "] bound[127.0]", walk_floating<signed char>},
    {"double and float -> unsigned char", "] bound[0.0]", "] bound[255.0]", walk_floating<unsigned char>},
    {"double and float -> short", "] bound[-32768.0]", "] bound[32767.0]", walk_floating<short>},
    {"double and float -> unsigned short", "] bound[0.0]", "] bound[65535.0]", walk_floating<unsigned short>},
    {"double and float -> int", "] bound[-2147483648.0]", "] bound[2147483647.0]", walk_floating<int>},
    {"double and float -> unsigned int", "] bound[0.0]", "] bound[4294967295.0]",
     walk_floating<unsigned int>},
    {"double and float -> long long", "] bound[-9223372036854775808.0]", "] bound[9223372036854775807.0]",
     walk_floating<long long>},
    {"double and float -> unsigned long long", "] bound[0.0]", "] bound[18446744073709551615.0]",
     walk_floating<unsigned long long>},
    // Pairs no caller uses follow the same rules rather than wrapping.
    {"unsigned long long -> long", nullptr, "] bound[9223372036854775807ULL]",
     walk<long, unsigned long long>},
    {"long long -> unsigned long", "] bound[0LL]", nullptr, walk<unsigned long, long long>},
    {"unsigned long -> long long", nullptr, "] bound[9223372036854775807UL]", walk<long long, unsigned long>},
};

TEST(CheckCastPairs, EveryCheckedPairAtAndBeyondItsBounds)
{
    for (const PairRow& row : CHECKED_PAIRS) row.walk(row);
}

TEST(CheckCastPairs, FloatingSourcesTruncateAndReportInShortForm)
{
    const double nan = std::nan("");
    const OutcomeRow rows[] = {
        {"2.9 to short", cast<short>(2.9), "ok", "2"},
        {"-2.9 to short", cast<short>(-2.9), "ok", "-2"},
        {"-0.7 to int", cast<int>(-0.7), "ok", "0"},
        {"-0.0 to unsigned char", cast<unsigned char>(-0.0), "ok", "0"},
        {"127.5 to signed char", cast<signed char>(127.5), "overflow", "value[127.5] bound[127.0]"},
        {"2147483647.5 to int", cast<int>(2147483647.5), "overflow",
         "value[2.14748e+09] bound[2147483647.0]"},
        {"-0.5 to unsigned int", cast<unsigned int>(-0.5), "underflow", "value[-0.5] bound[0.0]"},
        {"-0.5f to unsigned long long", cast<unsigned long long>(-0.5f), "underflow",
         "value[-0.5] bound[0.0]"},
        {"3e9 to int", cast<int>(3e9), "overflow", "value[3e+09] bound[2147483647.0]"},
        {"inf to unsigned short", cast<unsigned short>(INFINITY), "overflow", "value[inf] bound[65535.0]"},
        {"-inf to short", cast<short>(-INFINITY), "underflow", "value[-inf] bound[-32768.0]"},
        {"float 2147483520 to int", cast<int>(2147483520.0f), "ok", "2147483520"},
        {"float 4294967040 to unsigned int", cast<unsigned int>(4294967040.0f), "ok", "4294967040"},
        {"9223372036854774784 to long long", cast<long long>(9223372036854774784.0), "ok",
         "9223372036854774784"},
        {"-9223372036854775808 to long long", cast<long long>(-9223372036854775808.0), "ok",
         "-9223372036854775808"},
        {"float 9223371487098961920 to long long", cast<long long>(9223371487098961920.0f), "ok",
         "9223371487098961920"},
        {"18446744073709549568 to unsigned long long", cast<unsigned long long>(18446744073709549568.0), "ok",
         "18446744073709549568"},
        {"float 18446742974197923840 to unsigned long long",
         cast<unsigned long long>(18446742974197923840.0f), "ok", "18446742974197923840"},
        {"2^63 to unsigned long long", cast<unsigned long long>(9223372036854775808.0), "ok",
         "9223372036854775808"},
        // The values that pass both tests without a value in the target.
        {"2^63 to long long", cast<long long>(9223372036854775808.0), "ok", "9223372036854775807"},
        {"float 2^63 to long long", cast<long long>(9223372036854775808.0f), "ok", "9223372036854775807"},
        {"2^64 to unsigned long long", cast<unsigned long long>(18446744073709551616.0), "ok",
         "18446744073709551615"},
        {"float 2^64 to unsigned long long", cast<unsigned long long>(18446744073709551616.0f), "ok",
         "18446744073709551615"},
        {"NaN to int", cast<int>(nan), "ok", "0"},
        {"float NaN to signed char", cast<signed char>(std::nanf("")), "ok", "0"},
        {"1e300 to float", cast<float>(1e300), "ok", "inf"},
        {"float 0.1 to double", cast<double>(0.1f), "ok", "0.10000000149011612"},
    };
    expect_rows(rows);
}

TEST(CheckCastPairs, UncheckedPairsConvertPlainly)
{
    const OutcomeRow rows[] = {
        {"int from short", cast<int>(static_cast<short>(-32768)), "ok", "-32768"},
        {"long long from unsigned int", cast<long long>(4294967295U), "ok", "4294967295"},
        {"unsigned long long from bool", cast<unsigned long long>(true), "ok", "1"},
        {"signed char from bool", cast<signed char>(false), "ok", "0"},
        {"double from bool", cast<double>(true), "ok", "1"},
        {"double from unsigned long long", cast<double>(18446744073709551615ULL), "ok",
         "1.8446744073709552e+19"},
        {"float from int", cast<float>(16777217), "ok", "16777216"},
        {"unsigned int from unsigned short", cast<unsigned int>(static_cast<unsigned short>(65535)), "ok",
         "65535"},
    };
    expect_rows(rows);
}

template <typename DestType, typename SrcType>
const char* compiler_signature()
{
    return __PRETTY_FUNCTION__;
}

// The throw site spells the pair as the compiler would for the conversion
// template, with commas between the parameters (the compiler uses ';').
template <typename D, typename S>
void expect_site(S failing)
{
    std::string with = compiler_signature<D, S>();
    with = with.substr(with.find("[with "));
    for (size_t at = with.find("; "); at != std::string::npos; at = with.find("; ")) with.replace(at, 1, ",");
    const Outcome o = cast<D>(failing);
    EXPECT_NE(o.kind, "ok");
    EXPECT_EQ(o.function, "DestType tal::check_cast(SrcType) " + with);
}

TEST(CheckCastPairs, ThrowSiteNamesThePairAndEachSideHasItsOwnLine)
{
    const Outcome low = cast<int>(-2147483649L);
    const Outcome high = cast<int>(2147483648L);
    EXPECT_EQ(low.function, "DestType tal::check_cast(SrcType) [with DestType = int, SrcType = long int]");
    EXPECT_EQ(high.function, low.function);
    EXPECT_NE(low.line, 0);
    EXPECT_NE(high.line, 0);
    EXPECT_NE(low.line, high.line);

    // Every type name as the compiler itself writes it in a signature.
    expect_site<unsigned char>(static_cast<signed char>(-1));
    expect_site<signed char>(static_cast<unsigned char>(200));
    expect_site<unsigned short>(static_cast<short>(-1));
    expect_site<short>(static_cast<unsigned short>(40000));
    expect_site<unsigned int>(-1);
    expect_site<int>(3000000000U);
    expect_site<unsigned long long>(-1L);
    expect_site<long>(~0ULL);
    expect_site<long long>(~0UL);
    expect_site<unsigned long>(-1LL);
    expect_site<int>(3e9);
    expect_site<unsigned short>(-1.0f);
}

}  // namespace
