// The one runner of hostile pack bytes: opens them and uses the pack every
// way a reader and a writer can, recording each code (the sanitizer build
// checks that no step reads or writes outside the bytes).
#ifndef TARVO_TEST_HOSTILE_H
#define TARVO_TEST_HOSTILE_H

#include "pack_walk.h"
#include "tarvo.h"

#include <vector>

namespace tarvo_test {

struct HostileUse {
    int open = 0;  // code of tarvo_open_rw
    int walk = 0;  // code of the full walk (0: every item reached)
    int top = 0;   // code of reading the top level alone (0: its end reached)
    int valid = -1;
    int count = 0;          // item count or code
    int size = 0;           // size or code
    std::vector<int> puts;  // codes of the puts into the opened pack
    // The open's code, else the walk's.
    int code() const { return open != 0 ? open : walk; }
};

inline HostileUse use_hostile(const std::vector<char>& bytes)
{
    std::vector<char> exact(bytes);  // a heap block of exactly their size
    alignas(8) char tmp[2048];
    HostileUse u;
    tarvo_t* p = tarvo_open_rw(exact.data(), static_cast<int>(exact.size()), tmp, sizeof tmp);
    u.open = TARVO_PTR_ERR(p);
    if (u.open != 0) return u;
    u.valid = tarvo_valid(p);
    u.walk = walk_all(p);
    tarvo_item_t it;
    int r = tarvo_first_item(p, &it);
    while (r == 0) r = tarvo_next_item(&it, &it);
    u.top = r == TARVO_ERR_NOT_FOUND ? 0 : r;
    u.count = tarvo_get_item_count(p);
    u.size = tarvo_get_size(p);
    tarvo_t* c = tarvo_put_object(p, "n");
    u.puts.push_back(TARVO_PTR_ERR(c));
    if (TARVO_PTR_ERR(c) == 0) {
        u.puts.push_back(tarvo_put_str(c, "v", "v"));
        tarvo_finish(c);
    }
    u.puts.push_back(tarvo_put_int32(p, "i", 1));
    tarvo_finish(p);
    return u;
}

}  // namespace tarvo_test

#endif  // TARVO_TEST_HOSTILE_H
