#ifndef TAL_VAR_TEST_CONTAINER_PROBES_H
#define TAL_VAR_TEST_CONTAINER_PROBES_H

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <typeinfo>

#include "tal/var/test/var_probes.h"

namespace tal_var_test {

// Every refusing default of the interface whose function text contains none
// of own must still refuse on v, with v's mangled type and dump(0).
inline void expect_kept_refusals(IVar& v, std::initializer_list<const char*> own)
{
    const std::string front =
        std::string("type[") + typeid(v).name() + "] this[" + v.dump(0).c_str();
    size_t kept = 0;
    for (const Refusal& row : all_refusals()) {
        bool defined = false;
        for (const char* o : own)
            defined = defined || row.function.find(o) != std::string::npos;
        if (defined)
            continue;
        ++kept;
        const Caught c = catch_refusal(row.call, v);
        EXPECT_EQ(row.function, c.function);
        EXPECT_EQ(front + row.tail, c.message) << row.function;
    }
    EXPECT_GT(kept, 30u);
}

}  // namespace tal_var_test

#endif
