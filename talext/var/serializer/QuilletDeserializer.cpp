#include "talext/var/serializer/QuilletDeserializer.h"

#include <array>
#include <cstring>

#include "tal/var/implement/Array.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/implement/Dict.h"
#include "tal/var/implement/Null.h"
#include "tal/var/implement/Number.h"
#include "tal/var/implement/ShallowRaw.h"
#include "tal/var/implement/ShallowString.h"
#include "tal/var/implement/String.h"
#include "tarvo_bits/little_endian.h"

namespace tal {
namespace var {

namespace {

typedef QuilletDeserializer::copy_option_t copy_option_t;

// Scalar builders. The reader has checked the value bytes against the
// buffer; for numbers their count is the width the type byte gives.
template <uint8_t Type, typename T>
IVar& build_number(tal::ResourcePool& rp, copy_option_t, const quillet::Iterator& it)
{
    static_assert((Type & TARVOV2_FIXED_ITEM) == sizeof(T), "the type byte gives the number's width");
    return rp.create<Number<T>>(tarvo::load_le<T>(it.value()));
}

IVar& build_bool(tal::ResourcePool& rp, copy_option_t, const quillet::Iterator& it)
{
    return rp.create<Bool>(it.value()[0] != 0);
}

IVar& build_null(tal::ResourcePool&, copy_option_t, const quillet::Iterator&) { return Null::null; }

// The value length counts the text's final NUL, which is not copied (nor,
// when copying, examined; a borrowed text must end in it).
IVar& build_string(tal::ResourcePool& rp, copy_option_t copy_opt, const quillet::Iterator& it)
{
    const uint32_t n = it.length();
    if (n == 0) return rp.create<String>(rp.get_allocator());
    const unsigned long text_len = n - 1;
    if (copy_opt == QuilletDeserializer::SHALLOW) return rp.create<ShallowString>(it.value(), text_len);
    return rp.create<String>(it.value(), text_len, rp.get_allocator());
}

IVar& build_raw(tal::ResourcePool& rp, copy_option_t copy_opt, const quillet::Iterator& it)
{
    const unsigned int n = it.length();
    const void* data = it.value();
    if (copy_opt == QuilletDeserializer::DEEP) data = rp.clone_raw(data, n);
    return rp.create<ShallowRaw>(data, n);
}

Dict& new_dict(tal::ResourcePool& rp) { return rp.create<Dict>(Dict::allocator_type(&rp.get_mempool())); }

Array& new_array(tal::ResourcePool& rp) { return rp.create<Array>(Array::allocator_type(&rp.get_mempool())); }

// Function text of the mapping's throw site, as its reports have always read.
const char* const DESERIALIZE_VALUE_FUNCTION =
    "tal::var::IVar& tal::var::QuilletDeserializer::_deserialize_value(const "
    "quillet::buffer::Reader&, const quillet::Iterator&)";

// A type byte that maps to no value; out of line, so that the scalar path
// stays small.
[[noreturn]] __attribute__((noinline, cold)) void throw_bad_type(uint8_t type)
{
    throw tal::BadArgumentException() << tal::ExceptionArg(DESERIALIZE_VALUE_FUNCTION, __FILE__, __LINE__)
                                      << "invalid tarvo item type " << static_cast<unsigned int>(type);
}

// An object-isoarray has at most this many columns.
const uint32_t MAX_FIELDS = 128;

const char* const DESERIALIZE_OBJECTISOARRAY_FUNCTION =
    "tal::var::IVar& tal::var::QuilletDeserializer::_deserialize_objectisoarray(quillet::buffer::Reader&)";

// The name of a column without its final NUL (earlier NULs kept); a column
// without a valid name fails here with the reader's "bad data".
tal::string column_key(tal::ResourcePool& rp, const quillet::ObjectIterator& column)
{
    const char* name = column.getName();
    return tal::string(name, column.getNameLength() - 1u, rp.get_allocator());
}

// Column f of field ran out before the first column's count of rows.
[[noreturn]] void throw_short_column(uint32_t f, uint32_t field, const tal::string& key)
{
    throw tal::OutOfBoundException() << tal::ExceptionArg(DESERIALIZE_OBJECTISOARRAY_FUNCTION, __FILE__,
                                                          __LINE__)
                                     << "cannot fetch item from field  " << f << "/" << field << " named "
                                     << key;
}

}  // namespace

size_t getQuilletSize(const quillet::Buffer& buffer)
{
    const uint8_t type = buffer.read<unsigned char>(0);
    if (quillet::protocol::is_deleted(type)) return 0;
    return quillet::protocol::visit_header(type, [&](auto tag) -> size_t {
        typedef typename decltype(tag)::type header_t;
        if (buffer.capacity() < sizeof(header_t)) return sizeof(header_t);
        return buffer.read<header_t>(0).size();
    });
}

const QuilletDeserializer::item_kind_t& QuilletDeserializer::_s_kind(uint8_t type)
{
    // Every type byte the format maps to a value; every other one (deleted
    // forms, the date code 0x58, fixed sizes with the short flag...) is none.
    static const struct {
        uint8_t type;
        item_kind_t kind;
    } rows[] = {
        {TARVOV2_OBJECT, {nullptr, &QuilletDeserializer::_deserialize_dict}},
        {TARVOV2_ARRAY, {nullptr, &QuilletDeserializer::_deserialize_array}},
        {quillet::protocol::TYPE_ISOARRAY, {nullptr, &QuilletDeserializer::_deserialize_array}},
        {quillet::protocol::TYPE_OBJECT_ISOARRAY,
         {nullptr, &QuilletDeserializer::_deserialize_objectisoarray}},
        {TARVOV2_INT_8, {&build_number<TARVOV2_INT_8, signed char>, nullptr}},
        {TARVOV2_INT_16, {&build_number<TARVOV2_INT_16, short>, nullptr}},
        {TARVOV2_INT_32, {&build_number<TARVOV2_INT_32, int>, nullptr}},
        {TARVOV2_INT_64, {&build_number<TARVOV2_INT_64, long long>, nullptr}},
        {TARVOV2_UINT_8, {&build_number<TARVOV2_UINT_8, unsigned char>, nullptr}},
        {TARVOV2_UINT_16, {&build_number<TARVOV2_UINT_16, unsigned short>, nullptr}},
        {TARVOV2_UINT_32, {&build_number<TARVOV2_UINT_32, unsigned int>, nullptr}},
        {TARVOV2_UINT_64, {&build_number<TARVOV2_UINT_64, unsigned long long>, nullptr}},
        {TARVOV2_FLOAT, {&build_number<TARVOV2_FLOAT, float>, nullptr}},
        {TARVOV2_DOUBLE, {&build_number<TARVOV2_DOUBLE, double>, nullptr}},
        {TARVOV2_BOOL, {&build_bool, nullptr}},
        {TARVOV2_NULL, {&build_null, nullptr}},
        {TARVOV2_STRING, {&build_string, nullptr}},
        {TARVOV2_STRING | TARVOV2_SHORT_ITEM, {&build_string, nullptr}},
        {TARVOV2_RAW, {&build_raw, nullptr}},
        {TARVOV2_RAW | TARVOV2_SHORT_ITEM, {&build_raw, nullptr}},
    };
    static const std::array<item_kind_t, 256> kinds = [] {
        std::array<item_kind_t, 256> t{};
        for (const auto& row : rows) t[row.type] = row.kind;
        return t;
    }();
    return kinds[type];
}

QuilletDeserializer::QuilletDeserializer(tal::ResourcePool& rp) : _rp(rp), _pres(&Null::null), _copy_opt(DEEP)
{
}

QuilletDeserializer::~QuilletDeserializer() {}

size_t QuilletDeserializer::try_deserialize(const void* buf, size_t max_size)
{
    if (buf == nullptr) throw tal::NullPointerException() << TAL_EXCEPTION_ARG << "buf is NULL";
    // A caller buffer of 4 GiB or more is viewed up to the format's limit.
    const quillet::buffer::buffer buffer(buf, max_size);
    const size_t pack_size = getQuilletSize(buffer);
    if (pack_size == 0) {
        throw tal::ParseErrorException()
            << TAL_EXCEPTION_ARG << "bad quillet data, unknown quillet item type, buffer size:" << max_size;
    }
    if (max_size < pack_size) return pack_size;
    const quillet::Iterator it = quillet::buffer::Reader::getIterator(buffer);
    const item_kind_t& kind = _s_kind(it.getType());
    if (kind.container == nullptr) {
        _pres = &_deserialize_scalar(kind.scalar, it);
    } else {
        quillet::buffer::Reader reader(buffer);
        _pres = &(this->*kind.container)(reader);
    }
    return pack_size;
}

IVar& QuilletDeserializer::get_result() const { return *_pres; }

int QuilletDeserializer::set_opt(int, const void*, size_t) { return -1; }

IVar& QuilletDeserializer::_deserialize_value(const quillet::buffer::Reader& reader,
                                              const quillet::Iterator& it)
{
    const item_kind_t& kind = _s_kind(it.getType());
    if (kind.container == nullptr) return _deserialize_scalar(kind.scalar, it);
    return _deserialize_child(kind.container, reader, it);
}

IVar& QuilletDeserializer::_deserialize_child(container_builder_t container,
                                              const quillet::buffer::Reader& reader,
                                              const quillet::Iterator& it)
{
    // The child reader counts the nesting level and refuses one too deep.
    quillet::buffer::Reader child(reader, it);
    return (this->*container)(child);
}

IVar& QuilletDeserializer::_deserialize_scalar(scalar_builder_t scalar, const quillet::Iterator& it)
{
    if (scalar == nullptr) throw_bad_type(it.getType());
    return scalar(_rp, _copy_opt, it);
}

IVar& QuilletDeserializer::_deserialize_dict(quillet::buffer::Reader& reader)
{
    Dict& dict = new_dict(_rp);
    quillet::ObjectIterator it;
    while (reader.next(it)) {
        // The value first: a bad value fails before a bad name.
        IVar& value = _deserialize_value(reader, it);
        // The name up to its first NUL; a later member of the same name wins.
        const char* name = it.getName();
        dict.set(name, std::strlen(name), value);
    }
    return dict;
}

IVar& QuilletDeserializer::_deserialize_array(quillet::buffer::Reader& reader)
{
    Array& array = new_array(_rp);
    quillet::Iterator it;
    for (size_t n = 0; reader.next(it); ++n) array.set(n, _deserialize_value(reader, it));
    return array;
}

// Columns in, rows out: every column is a named container whose items are
// the column's values row by row; the rows are Dicts from column name to
// value, as many as the first column has items.
IVar& QuilletDeserializer::_deserialize_objectisoarray(quillet::buffer::Reader& reader)
{
    Array& arr = new_array(_rp);
    const uint32_t field = reader.count();
    if (field > MAX_FIELDS) {
        throw tal::OutOfBoundException() << TAL_EXCEPTION_ARG << "too many isoarray fields! found " << field;
    }
    if (field == 0) return arr;
    quillet::ObjectIterator field_iter;
    if (!reader.next(field_iter)) {
        throw tal::OutOfBoundException() << TAL_EXCEPTION_ARG << "cannot fetch field 0/" << field;
    }
    reader.reset();
    const uint32_t size = quillet::buffer::Reader(reader, field_iter).count();
    // A stored count may claim more rows than the first column holds. Each
    // item it yields takes at least one byte of its value, so such a column
    // would run out at row 0 anyway: it fails so before any row is made.
    if (size > field_iter.length()) throw_short_column(0, field, column_key(_rp, field_iter));
    Dict* children = _rp.create_array<Dict>(size, Dict::allocator_type(&_rp.get_mempool()));
    for (uint32_t i = 0; i < size; ++i) arr.set(i, children[i]);
    for (uint32_t f = 0; f < field; ++f) {
        if (!reader.next(field_iter)) {
            throw tal::OutOfBoundException()
                << TAL_EXCEPTION_ARG << "cannot fetch field  " << f << "/" << field;
        }
        quillet::buffer::Reader field_reader(reader, field_iter);
        const tal::string key = column_key(_rp, field_iter);
        quillet::Iterator child_iter;
        for (uint32_t i = 0; i < size; ++i) {
            if (!field_reader.next(child_iter)) throw_short_column(f, field, key);
            children[i].set(key, _deserialize_value(field_reader, child_iter));
        }
    }
    return arr;
}

}  // namespace var
}  // namespace tal
