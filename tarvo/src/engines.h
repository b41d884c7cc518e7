// What the opens of the plain functions need of each pack version. The
// callers make the checks that come first (NULL pointers, version, temp area).
#ifndef TARVO_SRC_ENGINES_H
#define TARVO_SRC_ENGINES_H

#include "block_allocator.h"
#include "tarvo_bits/protocol_v1.h"
#include "tarvo_bits/protocol_v2.h"

namespace tarvo {

// The smallest temp area holds the control block and the root handle: a
// version-1 area at its worst alignment, a version-2 area counted once aligned.
static_assert(temp_cost(sizeof(Protocol_v1)) <= v1::MIN_TEMP - TEMP_ALIGN,
              "a version-1 root handle must fit the minimum temp area");
static_assert(temp_cost(sizeof(Protocol_v2)) <= v2::MIN_TEMP,
              "an open version-2 pack fits its minimum temp area");

struct Engine {
    using Open = Tarvo* (*)(char* buf, int size, Allocator& allocator) noexcept;
    Open open_w;
    Open open_rw;
    int min_buffer;    // smallest buffer open_w takes...
    int small_buffer;  // ...and the code for a smaller one
};

// version is 1 or 2.
const Engine& engine(int version) noexcept;

}  // namespace tarvo

#endif  // TARVO_SRC_ENGINES_H
