// Type tables of version-2 packs, built from the plain pack types at compile
// time: plain code <-> type byte, and what each of the 256 type bytes says
// about the item it starts.
#include "type_table.h"

#include "tarvo_bits/pack_types.h"

namespace tarvo {

namespace {

using v2::TypeRow;

// Type bytes of version-2 values that have no plain type: all of them fixed,
// their size in the low nibble.
constexpr uint8_t V2_ONLY[] = {TARVOV2_INT_8, TARVOV2_INT_16, TARVOV2_UINT_8, TARVOV2_UINT_16, TARVOV2_DATE};

constexpr uint8_t kind_of(ValueForm form)
{
    switch (form) {
        case ValueForm::FIXED:
            return v2::KIND_FIXED;
        case ValueForm::TEXT:
            return v2::KIND_STRING;
        case ValueForm::BYTES:
            return v2::KIND_RAW;
        case ValueForm::CONTAINER:
            return v2::KIND_CONTAINER;
    }
    return v2::KIND_INVALID;
}

// A plain type's type byte carries a size nibble exactly when its values
// are fixed; only variable-length values have a short form.
constexpr bool rows_agree()
{
    for (const PackType& t : PACK_TYPES)
        if ((t.form == ValueForm::FIXED) != (t.v2_size() != 0) || (t.v2_short && t.form == ValueForm::FIXED))
            return false;
    return true;
}
static_assert(rows_agree(), "version-2 type bytes contradict the plain types");

constexpr uint8_t header_of(unsigned b)
{
    return (b & TARVOV2_FIXED_ITEM) ? 2 : (b & TARVOV2_SHORT_ITEM) ? 3 : 6;
}

constexpr TypeRow row_of(unsigned b, uint8_t kind)
{
    return TypeRow{kind, header_of(b), static_cast<uint8_t>(b & TARVOV2_FIXED_ITEM)};
}

// Header form and value size follow from the byte: a nonzero low nibble is
// the size of a fixed value (2-byte header), else bit 0x80 selects the
// 3-byte header, else the 6-byte one. The isoarray containers of the quillet
// format (0x30, 0x40) never occur in packs.
constexpr std::array<TypeRow, 256> make_rows()
{
    std::array<TypeRow, 256> rows{};
    for (unsigned b = 0; b < 256; ++b) {
        // Deleted items keep their header form so that they can be skipped.
        if ((b & TARVOV2_DELETED_ITEM) == 0) rows[b] = row_of(b, v2::KIND_DELETED);
    }
    for (const PackType& t : PACK_TYPES) {
        rows[t.v2] = row_of(t.v2, kind_of(t.form));
        if (t.v2_short) rows[t.v2 | TARVOV2_SHORT_ITEM] = row_of(t.v2 | TARVOV2_SHORT_ITEM, kind_of(t.form));
    }
    for (uint8_t b : V2_ONLY) rows[b] = row_of(b, v2::KIND_FIXED);
    return rows;
}

constexpr std::array<unsigned char, 256> make_reverse()
{
    std::array<unsigned char, 256> dict{};
    for (const PackType& t : PACK_TYPES) {
        dict[t.v2] = static_cast<unsigned char>(t.code);
        if (t.v2_short) dict[t.v2 | TARVOV2_SHORT_ITEM] = static_cast<unsigned char>(t.code);
    }
    for (uint8_t b : V2_ONLY) dict[b] = TARVO_TYPE_V2_OTHER;
    return dict;
}

// A put writes the long form; strings and raw values of at most 255 bytes
// switch to the short form when written.
constexpr std::array<unsigned char, 256> make_forward()
{
    std::array<unsigned char, 256> dict{};
    for (const PackType& t : PACK_TYPES) dict[t.code] = t.v2;
    return dict;
}

}  // namespace

// Constant-initialised: ready before any code of the process runs.
const std::array<v2::TypeRow, 256> v2::gtype_rows = make_rows();
const std::array<unsigned char, 256> greverse_type_dict = make_reverse();
const std::array<unsigned char, 256> gtype_dict = make_forward();

}  // namespace tarvo
