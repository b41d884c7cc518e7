#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>

#include "tal/exception/tal_exception.h"

namespace tal_test_classes {

// Derived from a concrete class without a typed base of its own.
class Misdefined : public tal::BadArgumentException {};

struct NullWhat : std::exception {
    const char* what() const noexcept override { return NULL; }
};

}  // namespace tal_test_classes

namespace {

using tal::ExceptionArg;

typedef std::tuple<tal::StdException, tal::UnknownException, tal::BadCastException, tal::OutOfBoundException,
                   tal::KeyNotFoundException, tal::BadAllocException, tal::BadArgumentException,
                   tal::NullPointerException, tal::BadFormatStringException, tal::NotImplementedException,
                   tal::InvalidOperationException, tal::OverflowException, tal::UnderflowException,
                   tal::ParseErrorException>
    AllClasses;

const char* const CLASS_NAMES[] = {
    "StdException",
    "UnknownException",
    "BadCastException",
    "OutOfBoundException",
    "KeyNotFoundException",
    "BadAllocException",
    "BadArgumentException",
    "NullPointerException",
    "BadFormatStringException",
    "NotImplementedException",
    "InvalidOperationException",
    "OverflowException",
    "UnderflowException",
    "ParseErrorException",
};

template <typename T>
T make()
{
    return T();
}

template <>
tal::StdException make<tal::StdException>()
{
    return tal::StdException(std::runtime_error("wrapped"));
}

template <typename Thrown, typename Handler>
bool caught_as()
{
    try {
        throw make<Thrown>() << ExceptionArg("void h()", "h.cpp", 1);
    } catch (Handler&) {
        return true;
    } catch (...) {
        return false;
    }
}

template <typename Thrown, typename... Handlers>
void expect_caught_only_by_own(size_t index, std::tuple<Handlers...>*)
{
    const bool caught[] = {caught_as<Thrown, Handlers>()...};
    const bool own[] = {std::is_same<Thrown, Handlers>::value...};
    for (size_t i = 0; i < sizeof...(Handlers); ++i)
        EXPECT_EQ(caught[i], own[i]) << CLASS_NAMES[index] << " by " << CLASS_NAMES[i];
    EXPECT_TRUE((caught_as<Thrown, tal::Exception>())) << CLASS_NAMES[index];
    EXPECT_TRUE((caught_as<Thrown, std::exception>())) << CLASS_NAMES[index];
}

template <typename... Classes, size_t... I>
void expect_catch_matrix(std::tuple<Classes...>*, std::index_sequence<I...>)
{
    (expect_caught_only_by_own<Classes>(I, static_cast<AllClasses*>(NULL)), ...);
}

TEST(ExceptionClasses, EachIsCaughtByItsOwnHandlerAndTheBasesOnly)
{
    static_assert(std::tuple_size<AllClasses>::value == 14, "fourteen classes");
    expect_catch_matrix(static_cast<AllClasses*>(NULL), std::make_index_sequence<14>());
}

template <typename T>
void expect_plain_class(size_t index)
{
    T e;
    EXPECT_EQ(std::string(e.name()), std::string("tal::") + CLASS_NAMES[index]);
    e << ExceptionArg("void k()", "k.cpp", 2) << "v[" << 1 << "]";
    EXPECT_STREQ(e.what(), "v[1]") << CLASS_NAMES[index];
    EXPECT_EQ(e.level(), 0) << CLASS_NAMES[index];
}

template <typename... Classes, size_t... I>
void expect_plain_classes(std::tuple<Classes...>*, std::index_sequence<I...>)
{
    (expect_plain_class<Classes>(I + 1), ...);
}

TEST(ExceptionClasses, NamesAndNoWarningForTheirOwnObjects)
{
    // All but tal::StdException, which names the class it wraps.
    typedef std::tuple<tal::UnknownException, tal::BadCastException, tal::OutOfBoundException,
                       tal::KeyNotFoundException, tal::BadAllocException, tal::BadArgumentException,
                       tal::NullPointerException, tal::BadFormatStringException, tal::NotImplementedException,
                       tal::InvalidOperationException, tal::OverflowException, tal::UnderflowException,
                       tal::ParseErrorException>
        Plain;
    expect_plain_classes(static_cast<Plain*>(NULL), std::make_index_sequence<13>());
}

TEST(StdException, CarriesTheWrappedClassAndText)
{
    std::out_of_range cause("index 9");
    tal::StdException e(cause);
    e << ExceptionArg("void a()", "a.cpp", 4);
    EXPECT_STREQ(e.name(), "std::out_of_range");
    EXPECT_STREQ(e.what(), "index 9");
    EXPECT_EQ(e.level(), 0);
    EXPECT_EQ(std::string(e.all()).rfind(
                  "exception[std::out_of_range] was thrown at[<CR>\ta.cpp:4:void a()<CR>", 0),
              0u);
    EXPECT_STREQ(cause.what(), "index 9");
}

TEST(StdException, FromPlainAndNullTextExceptions)
{
    std::exception plain;
    tal::StdException p(plain);
    EXPECT_STREQ(p.name(), "std::exception");
    EXPECT_STREQ(p.what(), plain.what());

    tal_test_classes::NullWhat null_what;
    tal::StdException n(null_what);
    EXPECT_STREQ(n.name(), "tal_test_classes::NullWhat");
    EXPECT_STREQ(n.what(), "");
}

TEST(ExceptionClasses, MisdefinedClassIsWarnedAtEveryItem)
{
    const std::string warning = "WARNING: invalid definition of tal_test_classes::Misdefined";
    tal_test_classes::Misdefined e;
    EXPECT_EQ(e.level(), 0);
    e << ExceptionArg("void m()", "m.cpp", 6);
    EXPECT_EQ(e.what(), warning);
    EXPECT_EQ(e.level(), 400);
    e << "a";
    EXPECT_EQ(e.what(), warning + "a" + warning);
    EXPECT_STREQ(e.name(), "tal_test_classes::Misdefined");

    try {
        throw tal_test_classes::Misdefined() << "x";
    } catch (tal::BadArgumentException& caught) {
        EXPECT_EQ(caught.what(), "x" + warning);
    }
}

TEST(ExceptionClasses, WarningKeepsHigherLevelsAndRaisesLowerOnes)
{
    tal_test_classes::Misdefined fatal;
    fatal << tal::EXCEPTION_LEVEL_FATAL;
    EXPECT_EQ(fatal.level(), 800);
    fatal << "more";
    EXPECT_EQ(fatal.level(), 800);

    tal_test_classes::Misdefined silent;
    silent << tal::EXCEPTION_LEVEL_SILENT;
    EXPECT_EQ(silent.level(), 400);
}

TEST(ExceptionClasses, CaughtAsRootAppendedAndRethrown)
{
    try {
        try {
            throw tal::KeyNotFoundException() << ExceptionArg("void l()", "l.cpp", 8) << "key["
                                              << "k"
                                              << "]";
        } catch (tal::Exception& e) {
            e << " while loading " << 3;
            throw;
        }
    } catch (tal::KeyNotFoundException& e) {
        EXPECT_STREQ(e.what(), "key[k] while loading 3");
        EXPECT_EQ(e.level(), 0);
        EXPECT_EQ(e.line(), 8);
        return;
    }
    FAIL() << "not caught as its own class";
}

TEST(ExceptionClasses, FormattedAppend)
{
    tal::BadFormatStringException e;
    e.pushf("format:%s/%d", "%q", 5).push(ExceptionArg("void p()", "p.cpp", 9));
    EXPECT_STREQ(e.what(), "format:%q/5");
    EXPECT_EQ(e.line(), 9);
    EXPECT_EQ(e.level(), 0);
}

}  // namespace
