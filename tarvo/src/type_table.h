// What each version-2 type byte says about the item it starts, and the plain
// code <-> type byte lookups: built from the plain pack types at compile time
// (type_table.cpp), used by the version-2 engine only.
#ifndef TARVO_SRC_TYPE_TABLE_H
#define TARVO_SRC_TYPE_TABLE_H

#include "tarvo_bits/protocol_v2.h"

#include <array>
#include <cstring>

namespace tarvo {

// Plain type code -> version-2 type byte (0: none).
extern const std::array<unsigned char, 256> gtype_dict;
// Version-2 type byte -> plain type code (TARVO_TYPE_V2_OTHER for 8/16-bit
// integers and dates, 0 for bytes that are no live item).
extern const std::array<unsigned char, 256> greverse_type_dict;

namespace v2 {

// What a type byte says about the item it starts.
enum Kind : uint8_t {
    KIND_INVALID = 0,  // no item of a version-2 pack starts with this byte
    KIND_DELETED,      // kind bits zero: skipped by readers
    KIND_FIXED,        // value size in the low nibble
    KIND_STRING,       // text and its NUL
    KIND_RAW,          // bytes as they are
    KIND_CONTAINER,    // item count, then items
};

struct TypeRow {
    uint8_t kind;
    uint8_t header;      // header bytes: 2, 3 or 6 (0 for KIND_INVALID)
    uint8_t value_size;  // fixed value size, 0 for variable-length items
};

// One row per type byte.
extern const std::array<TypeRow, 256> gtype_rows;

// Whether the validated item at off carries the name of len bytes (the
// stored name is those bytes and its NUL).
inline bool name_matches(const char* buf, uint32_t off, const char* name, size_t len) noexcept
{
    const char* p = buf + off;
    size_t stored = static_cast<uint8_t>(p[1]);
    return stored == len + 1 &&
           std::memcmp(p + gtype_rows[static_cast<uint8_t>(p[0])].header, name, len) == 0;
}

}  // namespace v2

}  // namespace tarvo

#endif  // TARVO_SRC_TYPE_TABLE_H
