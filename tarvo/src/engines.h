// Entry points of the version-1 engine used by the opens of the plain
// functions. The caller has already made the checks that come before the
// engine's own (NULL pointers, version, minimum temp and buffer sizes) and
// laid out the allocator.
#ifndef TARVO_SRC_OPEN_V1_H
#define TARVO_SRC_OPEN_V1_H

#include "tarvo_bits/protocol_v1.h"

namespace tarvo {

constexpr int V1_MIN_TEMP = 96;
constexpr int V1_MIN_BUFFER = TARVO_V1_MIN_BUFFER;

// Empty writable version-1 pack over size bytes at buf (size >= 41).
Tarvo* open_v1_w(char* buf, int size, Allocator& allocator) noexcept;
// Existing version-1 pack in the first size bytes of buf ("PCK\0" first).
Tarvo* open_v1_rw(char* buf, int size, Allocator& allocator) noexcept;

} // namespace tarvo

#endif // TARVO_SRC_OPEN_V1_H
