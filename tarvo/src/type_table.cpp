// Load-time type tables of version-2 packs: plain code <-> type byte, and
// what each of the 256 type bytes says about the item it starts.
#include "tarvo_bits/protocol_v2.h"

namespace tarvo {

namespace {

using v2::TypeRow;

struct LiveType {
    uint8_t byte;
    uint8_t plain;
    uint8_t kind;
};

// Every type byte that starts a live item of a version-2 pack. Header form
// and value size follow from the byte: a nonzero low nibble is the size of a
// fixed value (2-byte header), else bit 0x80 selects the 3-byte header, else
// the 6-byte one. The isoarray containers of the quillet format (0x30, 0x40)
// never occur in packs.
constexpr LiveType LIVE_TYPES[] = {
    {TARVOV2_OBJECT, TARVO_TYPE_OBJECT, v2::KIND_CONTAINER},                    // 0x10
    {TARVOV2_ARRAY, TARVO_TYPE_ARRAY, v2::KIND_CONTAINER},                      // 0x20
    {TARVOV2_INT_8, TARVO_TYPE_V2_OTHER, v2::KIND_FIXED},                       // 0x11
    {TARVOV2_INT_16, TARVO_TYPE_V2_OTHER, v2::KIND_FIXED},                      // 0x12
    {TARVOV2_INT_32, TARVO_TYPE_INT32, v2::KIND_FIXED},                         // 0x14
    {TARVOV2_INT_64, TARVO_TYPE_INT64, v2::KIND_FIXED},                         // 0x18
    {TARVOV2_UINT_8, TARVO_TYPE_V2_OTHER, v2::KIND_FIXED},                      // 0x21
    {TARVOV2_UINT_16, TARVO_TYPE_V2_OTHER, v2::KIND_FIXED},                     // 0x22
    {TARVOV2_UINT_32, TARVO_TYPE_UINT32, v2::KIND_FIXED},                       // 0x24
    {TARVOV2_UINT_64, TARVO_TYPE_UINT64, v2::KIND_FIXED},                       // 0x28
    {TARVOV2_BOOL, TARVO_TYPE_BOOL, v2::KIND_FIXED},                            // 0x31
    {TARVOV2_FLOAT, TARVO_TYPE_FLOAT, v2::KIND_FIXED},                          // 0x44
    {TARVOV2_DOUBLE, TARVO_TYPE_DOUBLE, v2::KIND_FIXED},                        // 0x48
    {TARVOV2_DATE, TARVO_TYPE_V2_OTHER, v2::KIND_FIXED},                        // 0x58
    {TARVOV2_NULL, TARVO_TYPE_NULL, v2::KIND_FIXED},                            // 0x61
    {TARVOV2_STRING, TARVO_TYPE_STR, v2::KIND_STRING},                          // 0x50
    {TARVOV2_STRING | TARVOV2_SHORT_ITEM, TARVO_TYPE_STR, v2::KIND_STRING},     // 0xD0
    {TARVOV2_RAW, TARVO_TYPE_RAW, v2::KIND_RAW},                                // 0x60
    {TARVOV2_RAW | TARVOV2_SHORT_ITEM, TARVO_TYPE_RAW, v2::KIND_RAW},           // 0xE0
};

// Type byte that a put of each plain code writes (long form; strings and
// raw values of at most 255 bytes switch to the short form when written).
constexpr LiveType PUT_TYPES[] = {
    {TARVOV2_OBJECT, TARVO_TYPE_OBJECT, 0}, {TARVOV2_ARRAY, TARVO_TYPE_ARRAY, 0},
    {TARVOV2_RAW, TARVO_TYPE_RAW, 0},       {TARVOV2_STRING, TARVO_TYPE_STR, 0},
    {TARVOV2_INT_32, TARVO_TYPE_INT32, 0},  {TARVOV2_UINT_32, TARVO_TYPE_UINT32, 0},
    {TARVOV2_INT_64, TARVO_TYPE_INT64, 0},  {TARVOV2_UINT_64, TARVO_TYPE_UINT64, 0},
    {TARVOV2_BOOL, TARVO_TYPE_BOOL, 0},     {TARVOV2_NULL, TARVO_TYPE_NULL, 0},
    {TARVOV2_FLOAT, TARVO_TYPE_FLOAT, 0},   {TARVOV2_DOUBLE, TARVO_TYPE_DOUBLE, 0},
};

constexpr uint8_t header_of(unsigned b) {
    return (b & TARVOV2_FIXED_ITEM) ? 2 : (b & TARVOV2_SHORT_ITEM) ? 3 : 6;
}

constexpr std::array<TypeRow, 256> make_rows() {
    std::array<TypeRow, 256> rows{};
    for (unsigned b = 0; b < 256; ++b) {
        // Deleted items keep their header form so that they can be skipped.
        if ((b & TARVOV2_DELETED_ITEM) == 0)
            rows[b] = TypeRow{v2::KIND_DELETED, header_of(b), static_cast<uint8_t>(b & TARVOV2_FIXED_ITEM)};
    }
    for (const LiveType& t : LIVE_TYPES)
        rows[t.byte] = TypeRow{t.kind, header_of(t.byte), static_cast<uint8_t>(t.byte & TARVOV2_FIXED_ITEM)};
    return rows;
}

constexpr std::array<unsigned char, 256> make_reverse() {
    std::array<unsigned char, 256> dict{};
    for (const LiveType& t : LIVE_TYPES) dict[t.byte] = t.plain;
    return dict;
}

constexpr std::array<unsigned char, 256> make_forward() {
    std::array<unsigned char, 256> dict{};
    for (const LiveType& t : PUT_TYPES) dict[t.plain] = t.byte;
    return dict;
}

} // namespace

// Constant-initialised: ready before any code of the process runs.
const std::array<v2::TypeRow, 256> v2::gtype_rows = make_rows();
const std::array<unsigned char, 256> greverse_type_dict = make_reverse();
const std::array<unsigned char, 256> gtype_dict = make_forward();

} // namespace tarvo
