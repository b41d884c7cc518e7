// The plain pack types, one row each: what a TARVO_TYPE_ code stores in a
// pack of either version. Both engines build their type-byte tables from
// these rows at compile time, and users of the plain functions take codes
// and value sizes from here rather than from a copy.
#ifndef TARVO_BITS_PACK_TYPES_H
#define TARVO_BITS_PACK_TYPES_H

#include "tarvo.h"

#include <cstddef>
#include <cstdint>

namespace tarvo {

// How the length of a type's value is given.
enum class ValueForm : uint8_t {
    FIXED,      // always the same number of bytes
    TEXT,       // the text and its NUL, so at least one byte
    BYTES,      // any number of bytes
    CONTAINER,  // a nested object or array: its count, then its items
};

struct PackType {
    int code;  // TARVO_TYPE_ code, also the version-1 type byte
    ValueForm form;
    uint8_t size;   // bytes of a FIXED value in a version-1 pack
    uint8_t v2;     // version-2 type byte a put writes; its low nibble is
                    // the size of a FIXED value in a version-2 pack
    bool v2_short;  // a value of at most 255 bytes takes the 3-byte header
                    // (v2 | TARVOV2_SHORT_ITEM); else the 6-byte one

    constexpr size_t v2_size() const noexcept { return v2 & TARVOV2_FIXED_ITEM; }
    // Bounds of the value_size that iteration hands out for an item of this
    // type, whichever the pack version.
    constexpr size_t min_size() const noexcept
    {
        return form == ValueForm::FIXED  ? (size < v2_size() ? size : v2_size())
               : form == ValueForm::TEXT ? 1
                                         : 0;
    }
    constexpr size_t max_size() const noexcept
    {
        return form == ValueForm::FIXED ? (size > v2_size() ? size : v2_size()) : SIZE_MAX;
    }
};

inline constexpr PackType PACK_TYPES[] = {
    {TARVO_TYPE_OBJECT, ValueForm::CONTAINER, 0, TARVOV2_OBJECT, false},
    {TARVO_TYPE_ARRAY, ValueForm::CONTAINER, 0, TARVOV2_ARRAY, false},
    {TARVO_TYPE_RAW, ValueForm::BYTES, 0, TARVOV2_RAW, true},
    {TARVO_TYPE_STR, ValueForm::TEXT, 0, TARVOV2_STRING, true},
    {TARVO_TYPE_INT32, ValueForm::FIXED, 4, TARVOV2_INT_32, false},
    {TARVO_TYPE_UINT32, ValueForm::FIXED, 4, TARVOV2_UINT_32, false},
    {TARVO_TYPE_INT64, ValueForm::FIXED, 8, TARVOV2_INT_64, false},
    {TARVO_TYPE_UINT64, ValueForm::FIXED, 8, TARVOV2_UINT_64, false},
    {TARVO_TYPE_FLOAT, ValueForm::FIXED, 4, TARVOV2_FLOAT, false},
    {TARVO_TYPE_DOUBLE, ValueForm::FIXED, 8, TARVOV2_DOUBLE, false},
    {TARVO_TYPE_BOOL, ValueForm::FIXED, 1, TARVOV2_BOOL, false},
    // No value in version 1; version 2 stores one byte.
    {TARVO_TYPE_NULL, ValueForm::FIXED, 0, TARVOV2_NULL, false},
};

// The row of a plain type code; nullptr for a code that names no stored
// type (TARVO_TYPE_PACK, TARVO_TYPE_V2_OTHER, anything else).
constexpr const PackType* pack_type(int code) noexcept
{
    for (const PackType& t : PACK_TYPES)
        if (t.code == code) return &t;
    return nullptr;
}

}  // namespace tarvo

#endif  // TARVO_BITS_PACK_TYPES_H
