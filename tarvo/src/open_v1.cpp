// Version-1 opens: handles of the version-1 engine.
#include "open_v1.h"

namespace tarvo {

Tarvo* open_v1_w(char* buf, int size, Allocator& allocator) noexcept {
    return Protocol_v1::open_w(buf, size, allocator);
}

Tarvo* open_v1_rw(char* buf, int size, Allocator& allocator) noexcept {
    return Protocol_v1::open_rw(buf, size, allocator);
}

} // namespace tarvo
