// Version-1 opens: refused until the version-1 engine is in place.
#include "open_v1.h"

namespace tarvo {

Tarvo* open_v1_w(char*, int, Allocator&) noexcept { return error_ptr(TARVO_ERR_NOT_SUPPORTED); }

Tarvo* open_v1_rw(char*, int, Allocator&) noexcept { return error_ptr(TARVO_ERR_NOT_SUPPORTED); }

} // namespace tarvo
