// Helpers of the version-2 tests: buffers and a full walk.
#ifndef TARVO_TEST_V2_SUPPORT_H
#define TARVO_TEST_V2_SUPPORT_H

#include "tarvo.h"
#include "golden_hex.h"

#include <string>
#include <vector>

namespace tarvo_test {

// A pack buffer and a temp area, the temp area deliberately misaligned.
struct V2Pack {
    explicit V2Pack(size_t size = 1024, size_t temp = 4096, size_t misalign = 3)
        : buf(size), tmp_store(temp + misalign), tmp(tmp_store.data() + misalign), tmp_size(static_cast<int>(temp)) {
        pack = tarvo_open_w(2, buf.data(), static_cast<int>(size), tmp, tmp_size);
    }
    std::string hex() const { return to_hex(buf.data(), static_cast<size_t>(tarvo_get_size(pack))); }

    std::vector<char> buf;
    std::vector<char> tmp_store;
    char* tmp;
    int tmp_size;
    tarvo_t* pack;
};

// Walks a pack and everything nested in it; returns the first non-end code
// (0 when the whole tree reads cleanly). Every value byte is touched so that
// the sanitizer sees an out-of-bounds descriptor. depth_budget bounds the
// recursion of the test itself.
inline int walk_all(const tarvo_t* pack, std::string* trace = nullptr, int depth_budget = 64) {
    if (depth_budget == 0) return TARVO_ERR_BAD_DATA;
    tarvo_item_t item;
    int r = tarvo_first_item(pack, &item);
    volatile unsigned sum = 0; // keeps the value reads
    while (r == 0) {
        for (size_t i = 0; i < item.value_size; ++i) sum += static_cast<unsigned char>(item.value[i]);
        if (trace) *trace += std::string(item.key) + ":" + std::to_string(item.type) + " ";
        if (item.type == TARVO_TYPE_OBJECT || item.type == TARVO_TYPE_ARRAY) {
            tarvo_t* child = nullptr;
            int c = item.type == TARVO_TYPE_OBJECT ? tarvo_get_pack_from_item(&item, &child)
                                                   : tarvo_get_array_from_item(&item, &child);
            if (c != 0) return c;
            if (trace) *trace += "{ ";
            c = walk_all(child, trace, depth_budget - 1);
            tarvo_finish(child);
            if (c != 0) return c;
            if (trace) *trace += "} ";
        }
        r = tarvo_next_item(&item, &item);
    }
    (void)sum;
    return r == TARVO_ERR_NOT_FOUND ? 0 : r;
}

} // namespace tarvo_test

#endif // TARVO_TEST_V2_SUPPORT_H
