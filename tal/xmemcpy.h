#ifndef TAL_XMEMCPY_H
#define TAL_XMEMCPY_H

#include <cstddef>
#include <cstring>

namespace tal {

// Copies n bytes between non-overlapping ranges and returns dest. n = 0 copies
// nothing, so dest and src may then be null.
inline void* xmemcpy(void* dest, const void* src, size_t n) { return n ? std::memcpy(dest, src, n) : dest; }

}  // namespace tal

#endif
