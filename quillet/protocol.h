// Wire headers of the quillet format: type byte, name length and (for the
// variable-length forms) value length, little-endian and unaligned.
//
// The headers hold bytes only, so their alignment is 1 and Buffer::read can
// hand them out in place at any offset; multi-byte fields are assembled byte
// by byte.
#ifndef QUILLET_PROTOCOL_H
#define QUILLET_PROTOCOL_H

#include <cstdint>
#include <type_traits>

// The version-2 type bytes and masks (TARVOV2_OBJECT, TARVOV2_FIXED_ITEM, ...)
// are shared with the pack format.
#include "tarvo.h"

namespace quillet {
namespace protocol {

// Containers that only this format has.
constexpr uint8_t TYPE_ISOARRAY = 0x30;
constexpr uint8_t TYPE_OBJECT_ISOARRAY = 0x40;

// An item whose kind bits are clear is deleted and only skipped.
inline bool is_deleted(uint8_t type) { return (type & TARVOV2_DELETED_ITEM) == 0; }

inline uint32_t load_u32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// What every item header answers; H supplies name_offset() and content_len().
template <typename H>
struct header_extent {
    uint32_t content_offset() const
    {
        const H& h = static_cast<const H&>(*this);
        return H::name_offset() + h.name_len;
    }
    // Whole item: header, name and value. 64 bits, so a long item near the
    // 32-bit limit does not wrap into a size that seems to fit.
    uint64_t size() const
    {
        const H& h = static_cast<const H&>(*this);
        return static_cast<uint64_t>(content_offset()) + h.content_len();
    }
};

// Fixed-size item: the size nibble of the type byte is the value length.
struct short_item : header_extent<short_item> {
    unsigned char type;
    unsigned char name_len;

    static constexpr uint32_t name_offset() { return 2; }
    uint32_t content_len() const { return type & TARVOV2_FIXED_ITEM; }
};

// Variable-length item with an 8-bit value length (short flag set).
struct short_vitem : header_extent<short_vitem> {
    unsigned char type;
    unsigned char name_len;
    unsigned char _content_len;

    static constexpr uint32_t name_offset() { return 3; }
    uint32_t content_len() const { return _content_len; }
};

// Variable-length item with a 32-bit value length; every container uses it.
struct long_vitem : header_extent<long_vitem> {
    unsigned char type;
    unsigned char name_len;
    unsigned char _content_len[4];

    static constexpr uint32_t name_offset() { return 6; }
    uint32_t content_len() const { return load_u32(_content_len); }
};

// Head of an object, array or object-isoarray value: the stored item count.
struct long_pack {
    unsigned char _item_count[4];

    uint32_t item_count() const { return load_u32(_item_count); }
};

// Head of an isoarray value: the type byte of every element.
struct isoarray {
    unsigned char type;
};

template <typename H>
struct header_tag {
    typedef H type;
};

// Calls f with the header_tag of the header form that a type byte selects,
// tested in this order: a size nibble means short_item whatever bit 7 holds,
// else the short flag means short_vitem, else long_vitem. Deleted items
// follow the same rule so that they can be skipped.
template <typename F>
inline decltype(auto) visit_header(uint8_t type, F&& f)
{
    if (type & TARVOV2_FIXED_ITEM) return f(header_tag<short_item>());
    if (type & TARVOV2_SHORT_ITEM) return f(header_tag<short_vitem>());
    return f(header_tag<long_vitem>());
}

#define QUILLET_WIRE_RECORD(T, n)                                                              \
    static_assert(sizeof(T) == (n) && alignof(T) == 1 && std::is_trivially_copyable<T>::value, \
                  #T " must be a packed run of bytes")
QUILLET_WIRE_RECORD(short_item, 2);
QUILLET_WIRE_RECORD(short_vitem, 3);
QUILLET_WIRE_RECORD(long_vitem, 6);
QUILLET_WIRE_RECORD(long_pack, 4);
QUILLET_WIRE_RECORD(isoarray, 1);
#undef QUILLET_WIRE_RECORD

}  // namespace protocol
}  // namespace quillet

#endif
