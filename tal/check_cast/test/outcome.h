#ifndef TAL_CHECK_CAST_TEST_OUTCOME_H
#define TAL_CHECK_CAST_TEST_OUTCOME_H

#include <cstddef>
#include <string>

#include <gtest/gtest.h>

#include "tal/exception/tal_exception.h"

// What one conversion did: the exception class and message it threw with its
// throw site, or "ok" and the result written by the caller's printer.
struct Outcome {
    std::string kind;
    std::string text;
    std::string function;
    std::string file;
    int line = 0;
    int level = 0;
};

template <typename Run, typename Print>
Outcome outcome_of(Run run, Print print)
{
    Outcome o;
    auto record = [&o](const char* kind, const tal::Exception& e) {
        o.kind = kind;
        o.text = e.what();
        o.function = e.function();
        o.file = e.file();
        o.line = e.line();
        o.level = e.level();
    };
    try {
        o.text = print(run());
        o.kind = "ok";
    } catch (const tal::UnderflowException& e) {
        record("underflow", e);
    } catch (const tal::OverflowException& e) {
        record("overflow", e);
    } catch (const tal::BadCastException& e) {
        record("badcast", e);
    } catch (const tal::NullPointerException& e) {
        record("null", e);
    }
    return o;
}

// One expected outcome: the class ("ok" for none) and the message or result.
struct OutcomeRow {
    const char* what;
    Outcome got;
    const char* kind;
    const char* text;
};

template <size_t N>
void expect_rows(const OutcomeRow (&rows)[N])
{
    for (const OutcomeRow& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.got.kind, row.kind);
        EXPECT_EQ(row.got.text, row.text);
    }
}

#endif
