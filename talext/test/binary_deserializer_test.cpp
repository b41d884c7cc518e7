// The combined deserialize over try_deserialize and get_result, and the
// interface's refusing defaults.
#include <gtest/gtest.h>

#include <functional>

#include "tal/var/implement/Null.h"
#include "talext/var/serializer/IBinaryDeserializer.h"

namespace {

using tal::var::IBinaryDeserializer;
using tal::var::IVar;

// Reports a fixed record size and counts the results handed out.
class Measured : public IBinaryDeserializer {
public:
    explicit Measured(size_t needed) : needed(needed) {}
    size_t try_deserialize(const void*, size_t) override { return needed; }
    IVar& get_result() const override
    {
        ++results;
        return tal::var::Null::null;
    }
    size_t needed;
    mutable int results = 0;
};

class Bare : public IBinaryDeserializer {};

TEST(BinaryDeserializer, ResultWhenTheRecordFits)
{
    for (size_t needed : {size_t(0), size_t(9), size_t(10)}) {
        Measured d(needed);
        EXPECT_EQ(&d.deserialize("", 10), &tal::var::Null::null) << needed;
        EXPECT_EQ(d.results, 1) << needed;
    }
}

TEST(BinaryDeserializer, TooSmallNamesBothSizes)
{
    const struct {
        size_t max_size, needed;
        const char* what;
    } rows[] = {
        {10, 16, "buffer too small! max_size[10] expect[>=16]"},
        {10, 11, "buffer too small! max_size[10] expect[>=11]"},
        {0, 2, "buffer too small! max_size[0] expect[>=2]"},
        {4294967295u, 4294967296u, "buffer too small! max_size[4294967295] expect[>=4294967296]"},
    };
    for (const auto& row : rows) {
        Measured d(row.needed);
        try {
            d.deserialize("", row.max_size);
            ADD_FAILURE() << row.what;
        } catch (const tal::OutOfBoundException& e) {
            EXPECT_STREQ(e.what(), row.what);
            EXPECT_STREQ(e.function(),
                         "virtual tal::var::IVar& tal::var::IBinaryDeserializer::deserialize(const "
                         "void*, size_t)");
        }
        EXPECT_EQ(d.results, 0) << row.what;
    }
}

TEST(BinaryDeserializer, DefaultsRefuse)
{
    Bare d;
    const IBinaryDeserializer& as_const = d;
    const struct {
        std::function<void()> call;
        const char* what;
        const char* function;
    } rows[] = {
        {[&] { d.deserialize("", 1); }, "try_deserialize interface has not been implemented.",
         "virtual size_t tal::var::IBinaryDeserializer::try_deserialize(const void*, size_t)"},
        {[&] { d.try_deserialize(nullptr, 0); }, "try_deserialize interface has not been implemented.",
         "virtual size_t tal::var::IBinaryDeserializer::try_deserialize(const void*, size_t)"},
        {[&] { as_const.get_result(); }, "get_result interface has not been implemented.",
         "virtual tal::var::IVar& tal::var::IBinaryDeserializer::get_result() const"},
    };
    for (const auto& row : rows) {
        try {
            row.call();
            ADD_FAILURE() << row.what;
        } catch (const tal::NotImplementedException& e) {
            EXPECT_STREQ(e.what(), row.what);
            EXPECT_STREQ(e.function(), row.function);
        }
    }
}

}  // namespace
