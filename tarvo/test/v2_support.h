// Helpers of the version-2 tests: buffers and a sample pack.
#ifndef TARVO_TEST_V2_SUPPORT_H
#define TARVO_TEST_V2_SUPPORT_H

#include "golden_hex.h"
#include "pack_walk.h"
#include "tarvo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvo_test {

// A pack buffer and a temp area, the temp area deliberately misaligned.
struct V2Pack {
    explicit V2Pack(size_t size = 1024, size_t temp = 4096, size_t misalign = 3)
        : buf(size),
          tmp_store(temp + misalign),
          tmp(tmp_store.data() + misalign),
          tmp_size(static_cast<int>(temp))
    {
        pack = tarvo_open_w(2, buf.data(), static_cast<int>(size), tmp, tmp_size);
    }
    std::string hex() const { return to_hex(buf.data(), static_cast<size_t>(tarvo_get_size(pack))); }

    std::vector<char> buf;
    std::vector<char> tmp_store;
    char* tmp;
    int tmp_size;
    tarvo_t* pack;
};

// A version-2 pack of scalars, short and long strings, raw bytes and nested
// containers, as exactly its bytes.
inline std::vector<char> v2_sample()
{
    V2Pack w;
    EXPECT_EQ(tarvo_put_int32(w.pack, "i", -2), 0);
    EXPECT_EQ(tarvo_put_str(w.pack, "s", "short"), 0);
    EXPECT_EQ(tarvo_put_str(w.pack, "l", std::string(260, 'l').c_str()), 0);
    EXPECT_EQ(tarvo_put_raw(w.pack, "r", "\1\2", 2), 0);
    tarvo_t* o = tarvo_put_object(w.pack, "o");
    tarvo_t* a = tarvo_put_array(o, "a");
    EXPECT_EQ(tarvo_put_double(a, nullptr, 2.5), 0);
    tarvo_t* x = tarvo_put_object(a, nullptr);
    EXPECT_EQ(tarvo_put_null(x, "n"), 0);
    tarvo_finish(x);
    tarvo_finish(a);
    EXPECT_EQ(tarvo_put_bool(o, "b", 1), 0);
    tarvo_finish(o);
    return std::vector<char>(w.buf.begin(), w.buf.begin() + tarvo_get_size(w.pack));
}

}  // namespace tarvo_test

#endif  // TARVO_TEST_V2_SUPPORT_H
