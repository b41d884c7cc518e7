#ifndef TAL_VAR_TEST_KIND_CHECKS_H
#define TAL_VAR_TEST_KIND_CHECKS_H

#include <cstdio>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "tal/var/test/var_probes.h"

namespace tal_var_test {

// What a conversion gave, "%.21Lg", or the class and message it threw.
inline std::string outcome_text(const std::function<long double()>& convert)
{
    try {
        char buf[64];
        snprintf(buf, sizeof buf, "%.21Lg", convert());
        return buf;
    } catch (const tal::Exception& e) {
        return std::string(e.name()) + " " + e.what();
    }
}

// Runs every refusing default that v's kind does not define (own(function
// text) false) and expects the interface's refusal: "type[" + v's mangled
// type + "] this[" + v's dump up to its first NUL + the row's tail, with v's
// dump unchanged afterwards.
inline void expect_inherited_refusals(IVar& v, const std::function<bool(const std::string&)>& own)
{
    const tal::string before = v.dump(0);
    const std::string head = std::string("type[") + typeid(v).name() + "] this[" + before.c_str();
    int refused = 0;
    for (const Refusal& row : all_refusals()) {
        if (own(row.function)) {
            continue;
        }
        const Caught c = catch_refusal(row.call, v);
        EXPECT_EQ("tal::InvalidOperationException", c.cls) << row.function;
        EXPECT_EQ(row.function, c.function);
        EXPECT_EQ(head + row.tail, c.message);
        const tal::string after = v.dump(0);
        EXPECT_EQ(std::string(before.c_str(), before.size()), std::string(after.c_str(), after.size()));
        ++refused;
    }
    EXPECT_LT(0, refused);
}

// The eleven scalar conversions (to_raw not among them).
inline bool is_conversion(const std::string& function)
{
    return function.find("::to_") != std::string::npos && function.find("to_raw") == std::string::npos;
}

inline bool has(const std::string& function, const char* part)
{
    return function.find(part) != std::string::npos;
}

}  // namespace tal_var_test

#endif
