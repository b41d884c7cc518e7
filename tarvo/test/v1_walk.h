// Walks a pack through the plain functions, depth first, into one line per
// item: its key, its plain type code and its value bytes in hex (for an
// object or array the value's length in brackets).
#ifndef TARVO_TEST_V1_WALK_H
#define TARVO_TEST_V1_WALK_H

#include "golden_hex.h"
#include "tarvo.h"

#include <string>

namespace tarvo_test {

// The code that ended the walk: -1 when every item was reached.
inline int walk_pack(const tarvo_t* pack, std::string* out, int depth = 0)
{
    tarvo_item_t it;
    int r = tarvo_first_item(pack, &it);
    while (r == 0) {
        *out += it.key;
        *out += ' ' + std::to_string(it.type);
        const bool container = it.type == TARVO_TYPE_OBJECT || it.type == TARVO_TYPE_ARRAY;
        if (container)
            *out += " (" + std::to_string(it.value_size) + ")";
        else if (it.value_size)
            *out += ' ';
        if (!container)
            *out += to_hex(it.value, it.value_size);
        *out += '\n';
        if (container) {
            if (depth == 32)
                return TARVO_ERR_BAD_DATA;
            tarvo_t* child = nullptr;
            r = it.type == TARVO_TYPE_OBJECT ? tarvo_get_pack_from_item(&it, &child)
                                             : tarvo_get_array_from_item(&it, &child);
            if (r == 0) {
                r = walk_pack(child, out, depth + 1);
                tarvo_finish(child);
            }
            if (r != TARVO_ERR_NOT_FOUND)
                return r;
        }
        r = tarvo_next_item(&it, &it);
    }
    return r;
}

}  // namespace tarvo_test

#endif
