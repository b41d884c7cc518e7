// Quillet records for the tests: hex goldens, a small builder, an exact-size
// heap copy (so the sanitizer sees every byte read past the end) and a
// walker that renders a whole record as text.
#ifndef QUILLET_TEST_QUILLET_BYTES_H
#define QUILLET_TEST_QUILLET_BYTES_H

#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "quillet/quillet.h"
#include "tarvo/test/golden_hex.h"

namespace quillet_test {

typedef std::string bytes;

inline bytes h(const std::string& hex)
{
    std::vector<char> v = tarvo_test::hex_bytes(hex);
    return bytes(v.begin(), v.end());
}
inline std::string hex(const char* p, size_t n) { return tarvo_test::to_hex(p, n); }
inline std::string hex(const bytes& b) { return hex(b.data(), b.size()); }

inline bytes le32(uint32_t v)
{
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    return bytes(b, 4);
}

// One item, its header form chosen from the type byte as the reader does;
// the name bytes are stored exactly as given.
inline bytes item_stored_name(uint8_t type, const bytes& stored_name, const bytes& value)
{
    bytes head(1, char(type));
    head += char(stored_name.size());
    if (type & 0x0F) {
        if (value.size() != (type & 0x0Fu)) throw std::invalid_argument("fixed item of the wrong value size");
    } else if (type & 0x80) {
        head += char(value.size());
    } else {
        head += le32(uint32_t(value.size()));
    }
    return head + stored_name + value;
}

// The same with a name stored with its NUL; "" stores no name.
inline bytes item(uint8_t type, const std::string& name, const bytes& value)
{
    return item_stored_name(type, name.empty() ? bytes() : name + '\0', value);
}

// Object, array or object-isoarray; count defaults to the number of items.
inline bytes container(uint8_t type, const std::string& name, const std::vector<bytes>& items,
                       int64_t count = -1)
{
    bytes value = le32(uint32_t(count < 0 ? items.size() : count));
    for (const bytes& b : items) value += b;
    return item(type, name, value);
}

inline bytes isoarray(const std::string& name, uint8_t element_type, const bytes& elements)
{
    return item(0x30, name, bytes(1, char(element_type)) + elements);
}

// The first n bytes of an object, array or object-isoarray record whose
// value starts at value_offset, rewritten to claim exactly those bytes and
// no items (the count is not checked against the items): a cut that falls
// inside some inner item.
inline bytes shortened_to_fit(const bytes& full, size_t value_offset, size_t n)
{
    bytes cut = full.substr(0, n);
    cut.replace(2, 4, le32(uint32_t(n - value_offset)));
    cut.replace(value_offset, 4, le32(0));
    return cut;
}

// A heap block of exactly the record's size and a buffer over it.
struct Record {
    explicit Record(const bytes& b) : memory(new char[b.size()]), buf(memory.get(), b.size())
    {
        if (!b.empty()) std::memcpy(memory.get(), b.data(), b.size());
    }
    std::unique_ptr<char[]> memory;
    quillet::buffer::buffer buf;
};

inline bool is_container(uint8_t type)
{
    return type == 0x10 || type == 0x20 || type == 0x30 || type == 0x40;
}

// "14:2a000000": type byte and value bytes of a scalar.
inline std::string scalar(const quillet::Iterator& it)
{
    const char type = char(it.getType());
    return hex(&type, 1) + ":" + hex(it.value(), it.length());
}

inline std::string walk(quillet::buffer::Reader& r, uint8_t type);

// Containers are rendered through a child reader: {name=...,...} for
// objects and object-isoarrays, [...] for arrays and isoarrays.
inline std::string render(const quillet::buffer::Reader& parent, const quillet::Iterator& it)
{
    if (!is_container(it.getType())) return scalar(it);
    quillet::buffer::Reader child(parent, it);
    return walk(child, it.getType());
}

inline std::string walk(quillet::buffer::Reader& r, uint8_t type)
{
    const bool named = type == 0x10 || type == 0x40;
    std::string out;
    quillet::ObjectIterator it;
    while (named ? r.next(it) : r.next(static_cast<quillet::Iterator&>(it))) {
        out += out.empty() ? "" : ",";
        if (named) out += std::string(it.getName()) + "=";
        out += render(r, it);
    }
    return named ? "{" + out + "}" : "[" + out + "]";
}

// The whole record at the head of buf.
inline std::string walk_record(const quillet::Buffer& buf)
{
    const quillet::Iterator top = quillet::buffer::Reader::getIterator(buf);
    if (!is_container(top.getType())) return scalar(top);
    quillet::buffer::Reader r(buf);
    return walk(r, top.getType());
}

}  // namespace quillet_test

#endif
