// The rows of the plain pack types against what the plain puts store, in
// both versions: the type byte, the code and the value size handed back.
#include "tarvo.h"
#include "tarvo_bits/pack_types.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Put {
    int code;
    size_t value_size;  // of a variable-length value in the puts below
    int (*put)(tarvo_t* pack);
};

// Puts an empty container and gives its handle back at once.
int finished(tarvo_t* child)
{
    tarvo_finish(child);
    return TARVO_PTR_ERR(child);
}

const Put PUTS[] = {
    {TARVO_TYPE_OBJECT, 0, [](tarvo_t* p) { return finished(tarvo_put_object(p, "v")); }},
    {TARVO_TYPE_ARRAY, 0, [](tarvo_t* p) { return finished(tarvo_put_array(p, "v")); }},
    {TARVO_TYPE_RAW, 0, [](tarvo_t* p) { return tarvo_put_raw(p, "v", "", 0); }},
    {TARVO_TYPE_STR, 1, [](tarvo_t* p) { return tarvo_put_str(p, "v", ""); }},
    {TARVO_TYPE_INT32, 0, [](tarvo_t* p) { return tarvo_put_int32(p, "v", -1); }},
    {TARVO_TYPE_UINT32, 0, [](tarvo_t* p) { return tarvo_put_uint32(p, "v", 1); }},
    {TARVO_TYPE_INT64, 0, [](tarvo_t* p) { return tarvo_put_int64(p, "v", -1); }},
    {TARVO_TYPE_UINT64, 0, [](tarvo_t* p) { return tarvo_put_uint64(p, "v", 1); }},
    {TARVO_TYPE_DOUBLE, 0, [](tarvo_t* p) { return tarvo_put_double(p, "v", 0.5); }},
    {TARVO_TYPE_BOOL, 0, [](tarvo_t* p) { return tarvo_put_bool(p, "v", 1); }},
    {TARVO_TYPE_NULL, 0, [](tarvo_t* p) { return tarvo_put_null(p, "v"); }},
};

struct PackTypes : ::testing::TestWithParam<int> {};

TEST_P(PackTypes, PutsStoreWhatTheRowsSay)
{
    const int version = GetParam();
    for (const Put& put : PUTS) {
        const tarvo::PackType* row = tarvo::pack_type(put.code);
        ASSERT_NE(row, nullptr) << put.code;
        std::vector<char> buf(256);
        alignas(8) char tmp[1024];
        tarvo_t* p = tarvo_open_w(version, buf.data(), static_cast<int>(buf.size()), tmp, sizeof tmp);
        ASSERT_EQ(put.put(p), 0) << put.code;
        tarvo_item_t it;
        ASSERT_EQ(tarvo_first_item(p, &it), 0) << put.code;
        EXPECT_EQ(it.type, put.code);
        // A version-1 item starts with its code; a version-2 item with the
        // row's type byte, in the short form where the row has one.
        const int stored = version == 1 ? put.code : row->v2 | (row->v2_short ? TARVOV2_SHORT_ITEM : 0);
        EXPECT_EQ(static_cast<unsigned char>(it.internal[0]), stored) << put.code;
        if (row->form == tarvo::ValueForm::FIXED) {
            EXPECT_EQ(it.value_size, version == 1 ? row->size : row->v2_size()) << put.code;
        } else if (row->form != tarvo::ValueForm::CONTAINER) {
            EXPECT_EQ(it.value_size, put.value_size) << put.code;
        }
        EXPECT_GE(it.value_size, row->min_size()) << put.code;
        EXPECT_LE(it.value_size, row->max_size()) << put.code;
        tarvo_finish(p);
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, PackTypes, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "v" + std::to_string(info.param);
                         });

TEST(PackTypes, CodesWithoutStoredValuesHaveNoRow)
{
    for (int code : {0, TARVO_TYPE_PACK, TARVO_TYPE_V2_OTHER, 3, 255})
        EXPECT_EQ(tarvo::pack_type(code), nullptr) << code;
    EXPECT_EQ(tarvo::pack_type(TARVO_TYPE_FLOAT)->size, 4);
}

}  // namespace
