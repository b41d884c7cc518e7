// Version-2 engine: reading and appending items in place.
#include "tarvo_bits/protocol_v2.h"

#include "block_allocator.h"
#include "type_table.h"

#include <cstring>

namespace tarvo {

namespace {

using v2::gtype_rows;

const char EMPTY_KEY[] = "";

// Adds n to the 32-bit little-endian field at p.
void grow32(char* p, uint32_t n) noexcept { store_le(p, load_le<uint32_t>(p) + n, 4); }

// Length of a name, counted no further than one past the longest name.
size_t name_length(const char* name) noexcept { return strnlen(name, TARVO_MAX_NAME_LEN + 1); }

// Two possibly overlapping windows of width W cover n bytes, W <= n <= 2W;
// both are loaded before either is stored.
template <class W>
void move_windows(char* dst, const char* src, size_t n) noexcept
{
    W head, tail;
    std::memcpy(&head, src, sizeof head);
    std::memcpy(&tail, src + n - sizeof tail, sizeof tail);
    std::memcpy(dst, &head, sizeof head);
    std::memcpy(dst + n - sizeof tail, &tail, sizeof tail);
}

// memmove, inline for the short names and values most items have.
void move_bytes(char* dst, const void* from, size_t n) noexcept
{
    const char* src = static_cast<const char*>(from);
    if (n > 16)
        std::memmove(dst, src, n);
    else if (n >= 8)
        move_windows<uint64_t>(dst, src, n);
    else if (n >= 4)
        move_windows<uint32_t>(dst, src, n);
    else if (n >= 2)
        move_windows<uint16_t>(dst, src, n);
    else if (n == 1)
        *dst = *src;
}

// Names as the lookup index reads them: after the item's header, name_len
// counting the NUL.
struct Keys {
    struct Query {
        const char* name;
        size_t len;  // without the NUL
    };
    const char* buf;

    const char* name(uint32_t off) const noexcept
    {
        return buf + off + gtype_rows[static_cast<uint8_t>(buf[off])].header;
    }
    size_t length(uint32_t off) const noexcept { return static_cast<uint8_t>(buf[off + 1]) - 1u; }
    bool named(uint32_t off) const noexcept { return buf[off + 1] != 0; }
    uint32_t hash(uint32_t off) const noexcept { return name_hash(NAME_HASH_START, name(off), length(off)); }
    static uint32_t hash(const Query& q) noexcept { return name_hash(NAME_HASH_START, q.name, q.len); }
    bool matches(uint32_t off, const Query& q) const noexcept
    {
        return v2::name_matches(buf, off, q.name, q.len);
    }
    bool same(uint32_t a, uint32_t b) const noexcept { return matches(a, Query{name(b), length(b)}); }
};

}  // namespace

Protocol_v2::Protocol_v2(Allocator& allocator, char* buf, uint32_t capacity, uint32_t offset,
                         Protocol_v2* parent, uint32_t flags) noexcept
    : Tarvo(allocator), _buf(buf), _offset(offset), _capacity(capacity), _parent(parent)
{
    _flags = flags;
}

Tarvo* Protocol_v2::open_w(char* buf, int size, Allocator& allocator) noexcept
{
    Protocol_v2* root = create<Protocol_v2>(allocator, allocator, buf, static_cast<uint32_t>(size), 0u,
                                            nullptr, static_cast<uint32_t>(WRITABLE));
    if (root == nullptr) return error_ptr(TARVO_ERR_NO_TEMP);
    static const char EMPTY_ROOT[v2::EMPTY_ROOT] = {TARVOV2_OBJECT, 0, 4, 0, 0, 0, 0, 0, 0, 0};
    std::memcpy(buf, EMPTY_ROOT, sizeof EMPTY_ROOT);
    return root;
}

// Checks the root's stored lengths; never writes.
Tarvo* Protocol_v2::open_rw(char* buf, int size, Allocator& allocator) noexcept
{
    uint32_t n = static_cast<uint32_t>(size);
    if (n < v2::CONTAINER_HEADER) return error_ptr(TARVO_ERR_BAD_DATA);
    uint8_t type = static_cast<uint8_t>(buf[0]);
    if (type != TARVOV2_OBJECT && type != TARVOV2_ARRAY) return error_ptr(TARVO_ERR_BAD_DATA);
    Protocol_v2* root =
        create<Protocol_v2>(allocator, allocator, buf, n, 0u, nullptr, static_cast<uint32_t>(WRITABLE));
    if (root == nullptr) return error_ptr(TARVO_ERR_NO_TEMP);
    Bounds b;
    if (!root->bounds(b)) {
        root->give_back();
        return error_ptr(TARVO_ERR_BAD_DATA);
    }
    return root;
}

void Protocol_v2::release_resources() noexcept
{
    _index.drop(*_allocator);
    // A container with an open child stays locked; so do its ancestors until
    // that child is finished too. An ancestor finished in the meantime is
    // still intact (its block cannot be reclaimed before ours) and unlocks
    // its own parent in turn.
    for (Protocol_v2* c = this; !(c->_flags & IN_CHILD) && (c->_flags & WRITABLE) && c->_parent != nullptr;) {
        c = c->_parent;
        c->_flags &= ~static_cast<uint32_t>(IN_CHILD);
        if (c->_magic == MAGIC) break;
    }
}

// Every read starts here: the container's stored lengths are checked once
// against the capacity, and each item after that only against the end found
// here. Only the header's own bytes are trusted to lie in the buffer.
inline bool Protocol_v2::bounds(Bounds& b) const noexcept
{
    if (v2::CONTAINER_HEADER > _capacity - _offset) return false;
    uint64_t content = uint64_t{_offset} + v2::CONTAINER_HEADER + static_cast<uint8_t>(_buf[_offset + 1]);
    uint32_t len = load_le<uint32_t>(_buf + _offset + 2);
    if (len < v2::COUNT_SIZE || content > _capacity || len > _capacity - content) return false;
    b.content = static_cast<uint32_t>(content);
    b.end = static_cast<uint32_t>(content + len);
    return true;
}

// Reads the live item at pos, stepping over deleted ones: 0, -1 at the end
// of the container, -8 when an item is malformed or runs past end.
inline int Protocol_v2::read_item(uint32_t pos, uint32_t end, Item& item) const noexcept
{
    for (;;) {
        int r = live_item(pos, end, item);
        if (r != TARVO_OK || gtype_rows[item.type].kind != v2::KIND_DELETED) return r;
        pos = item.end;
    }
}

// Parses the one item at pos (deleted or not) within [pos, end): its type
// byte and header are checked to lie before end, then the whole item once.
inline int Protocol_v2::live_item(uint32_t pos, uint32_t end, Item& item) const noexcept
{
    if (pos >= end) return pos == end ? TARVO_ERR_NOT_FOUND : TARVO_ERR_BAD_DATA;
    const char* p = _buf + pos;
    item.type = static_cast<uint8_t>(p[0]);
    const v2::TypeRow& row = gtype_rows[item.type];
    const uint32_t left = end - pos;
    if (row.kind == v2::KIND_INVALID || row.header > left) return TARVO_ERR_BAD_DATA;
    item.pos = pos;
    item.header = row.header;
    item.name_len = static_cast<uint8_t>(p[1]);
    item.value_len = row.value_size    ? row.value_size
                     : row.header == 3 ? static_cast<uint8_t>(p[2])
                                       : load_le<uint32_t>(p + 2);
    if (uint64_t{row.header} + item.name_len + item.value_len > left) return TARVO_ERR_BAD_DATA;
    item.value_pos = pos + row.header + item.name_len;
    item.end = item.value_pos + item.value_len;
    if (row.kind == v2::KIND_DELETED) return TARVO_OK;
    if (item.name_len != 0 && _buf[item.value_pos - 1] != '\0') return TARVO_ERR_BAD_DATA;
    if (row.kind == v2::KIND_CONTAINER && item.value_len < v2::COUNT_SIZE) return TARVO_ERR_BAD_DATA;
    if (row.kind == v2::KIND_STRING && (item.value_len == 0 || _buf[item.end - 1] != '\0'))
        return TARVO_ERR_BAD_DATA;
    return TARVO_OK;
}

inline void Protocol_v2::describe(const Item& item, tarvo_item_t* out) const noexcept
{
    out->pack = reinterpret_cast<const tarvo_t*>(this);
    out->internal = _buf + item.pos;
    out->type = greverse_type_dict[item.type];
    out->value_size = item.value_len;
    out->key = item.name_len ? _buf + item.pos + item.header : EMPTY_KEY;
    out->value = _buf + item.value_pos;
}

// This container's bounds and the offset just past the item a descriptor
// describes, which must lie among this container's items: -8 for bad stored
// lengths, -2 for a descriptor that does not belong here. Offsets from the
// buffer's start, so that no pointer is formed outside it.
inline int Protocol_v2::position_after(const tarvo_item_t* item, Bounds& b, uint32_t& pos) const noexcept
{
    if (!bounds(b)) return TARVO_ERR_BAD_DATA;
    const uintptr_t base = reinterpret_cast<uintptr_t>(_buf);
    const uintptr_t internal = reinterpret_cast<uintptr_t>(item->internal) - base;
    const uintptr_t value = reinterpret_cast<uintptr_t>(item->value) - base;
    if (internal < b.content + v2::COUNT_SIZE || internal > b.end || value < internal || value > b.end ||
        item->value_size > b.end - value)
        return TARVO_ERR_BAD_PARAM;
    pos = static_cast<uint32_t>(value + item->value_size);
    return TARVO_OK;
}

int Protocol_v2::version() const noexcept { return 2; }

int Protocol_v2::close() noexcept { return TARVO_OK; }

char* Protocol_v2::buffer() const noexcept { return _buf + _offset; }

int Protocol_v2::size() const noexcept
{
    Bounds b;
    return bounds(b) ? static_cast<int>(b.end - _offset) : TARVO_ERR_BAD_DATA;
}

int Protocol_v2::item_count() const noexcept
{
    Bounds b;
    if (!bounds(b)) return TARVO_ERR_BAD_DATA;
    uint32_t n = load_le<uint32_t>(_buf + b.content);
    return n > static_cast<uint32_t>(INT32_MAX) ? TARVO_ERR_BAD_DATA : static_cast<int>(n);
}

int Protocol_v2::valid() const noexcept
{
    Bounds b;
    if (!bounds(b)) return 0;
    // A stored count that differs from the live items present is bad data:
    // readers that trust the count and readers that walk must agree.
    const uint32_t count = load_le<uint32_t>(_buf + b.content);
    Item item;
    uint32_t n = 0;
    for (uint32_t pos = b.content + v2::COUNT_SIZE;; pos = item.end, ++n) {
        int r = read_item(pos, b.end, item);
        if (r != TARVO_OK) return r == TARVO_ERR_NOT_FOUND && n == count ? 1 : 0;
    }
}

int Protocol_v2::first_item(tarvo_item_t* out) const noexcept
{
    Bounds b;
    if (!bounds(b)) return TARVO_ERR_BAD_DATA;
    Item item;
    int r = read_item(b.content + v2::COUNT_SIZE, b.end, item);
    if (r == TARVO_OK) describe(item, out);
    return r;
}

int Protocol_v2::next_item(const tarvo_item_t* current, tarvo_item_t* next) const noexcept
{
    Bounds b;
    uint32_t pos;
    int r = position_after(current, b, pos);
    if (r != TARVO_OK) return r;
    Item item;
    r = read_item(pos, b.end, item);
    if (r == TARVO_OK) describe(item, next);
    return r;
}

int Protocol_v2::child_from_item(const tarvo_item_t* desc, int type, Tarvo** child) const noexcept
{
    Bounds b;
    if (!bounds(b)) return TARVO_ERR_BAD_DATA;
    // Only the descriptor's item position is used, and it must lie among
    // this container's items: the stored item there is parsed again rather
    // than trusting the descriptor's other fields.
    const uintptr_t internal =
        reinterpret_cast<uintptr_t>(desc->internal) - reinterpret_cast<uintptr_t>(_buf);
    if (internal < b.content + v2::COUNT_SIZE || internal >= b.end) return TARVO_ERR_BAD_PARAM;
    Item item;
    int r = live_item(static_cast<uint32_t>(internal), b.end, item);
    if (r != TARVO_OK) return r;
    if (greverse_type_dict[item.type] != type) return TARVO_ERR_NOT_PERMITTED;
    // Handles over items read only: writes happen at the end of the pack.
    Protocol_v2* c = create<Protocol_v2>(*_allocator, *_allocator, _buf, _capacity, item.pos,
                                         static_cast<Protocol_v2*>(nullptr), 0u);
    if (c == nullptr) return TARVO_ERR_NO_TEMP;
    *child = c;
    return TARVO_OK;
}

// 1 when an item named name (len bytes, no NUL) is present, 0 when not, -8
// when the container's items are malformed.
int Protocol_v2::contains(const char* name, size_t len) noexcept
{
    Bounds b;
    if (!bounds(b)) return TARVO_ERR_BAD_DATA;
    if (_index.ready()) return _index.contains(Keys{_buf}, Keys::Query{name, len}) ? 1 : 0;
    // Build the index on the way when the temp area can hold it; the scan
    // answers this lookup either way. A lying count only sizes the table.
    const uint32_t first = b.content + v2::COUNT_SIZE;
    uint32_t expected = load_le<uint32_t>(_buf + b.content);
    uint32_t most = (b.end - first) / 3;  // every item takes at least 3 bytes
    _index.reset(*_allocator, expected < most ? expected : most, child_reserve());
    bool found = false;
    Item item;
    for (uint32_t pos = first;; pos = item.end) {
        int r = read_item(pos, b.end, item);
        if (r == TARVO_ERR_NOT_FOUND) return found ? 1 : 0;
        if (r != TARVO_OK) {
            _index.drop(*_allocator);
            return r;
        }
        found = found || v2::name_matches(_buf, item.pos, name, len);
        if (_index.ready()) _index.insert(*_allocator, Keys{_buf}, item.pos, child_reserve());
    }
}

int Protocol_v2::append(const char* name, uint8_t type, const void* data, uint32_t size) noexcept
{
    if (!(_flags & WRITABLE) || (_flags & IN_CHILD)) return TARVO_ERR_MODE;
    size_t name_len = name ? name_length(name) : 0;
    if (name_len > TARVO_MAX_NAME_LEN) return TARVO_ERR_NAME_TOO_LONG;
    Bounds b;
    if (!bounds(b)) return TARVO_ERR_BAD_DATA;
    const v2::TypeRow& row = gtype_rows[type];
    uint32_t name_bytes = name ? static_cast<uint32_t>(name_len + 1) : 0;
    uint64_t need = uint64_t{row.header} + name_bytes + size;
    if (need > _capacity - b.end) return TARVO_ERR_NO_SPACE;

    // The value may lie in this buffer, even across its end: move it before
    // the header and name are written over its source.
    char* p = _buf + b.end;
    move_bytes(p + row.header + name_bytes, data, size);
    move_bytes(p + row.header, name, name_bytes);
    p[0] = static_cast<char>(type);
    p[1] = static_cast<char>(name_bytes);
    if (row.header == 3) p[2] = static_cast<char>(size);
    if (row.header == 6) store_le(p + 2, size, 4);

    uint32_t n = static_cast<uint32_t>(need);
    grow32(_buf + _offset + 2, n);
    grow32(_buf + b.content, 1);
    for (Protocol_v2* a = _parent; a != nullptr; a = a->_parent) grow32(a->_buf + a->_offset + 2, n);
    if (_index.ready()) _index.insert(*_allocator, Keys{_buf}, b.end, child_reserve());
    return TARVO_OK;
}

size_t Protocol_v2::child_reserve() const noexcept { return BlockAllocator::block_cost(sizeof(Protocol_v2)); }

int Protocol_v2::put(const char* name, int type, const void* data, uint32_t size) noexcept
{
    if (name != nullptr && is_array()) return TARVO_ERR_WRONG_TYPE;
    uint8_t byte = gtype_dict[static_cast<uint8_t>(type)];
    const v2::TypeRow& row = gtype_rows[byte];
    if (byte == 0 || row.kind == v2::KIND_CONTAINER) return TARVO_ERR_WRONG_TYPE;
    if (row.kind == v2::KIND_FIXED && size != row.value_size) return TARVO_ERR_BAD_PARAM;
    if (row.kind != v2::KIND_FIXED && size <= v2::MAX_SHORT_VALUE) byte |= TARVOV2_SHORT_ITEM;
    return append(name, byte, data, size);
}

Tarvo* Protocol_v2::put_container(const char* name, int type) noexcept
{
    bool array = is_array();
    if (name == nullptr && !array) return error_ptr(TARVO_ERR_BAD_NAME);
    if (name != nullptr && array) return error_ptr(TARVO_ERR_WRONG_TYPE);
    if (type != TARVO_TYPE_OBJECT && type != TARVO_TYPE_ARRAY) return error_ptr(TARVO_ERR_WRONG_TYPE);
    if (name != nullptr) {
        size_t len = name_length(name);
        // A name too long to be stored cannot be present either.
        int r = len > TARVO_MAX_NAME_LEN ? 0 : contains(name, len);
        if (r < 0) return error_ptr(r);
        if (r > 0) return error_ptr(TARVO_ERR_EXIST);
    }
    Bounds b;
    if (!bounds(b)) return error_ptr(TARVO_ERR_BAD_DATA);
    // The child joins the writable chain only once its item is written, so
    // that giving back a refused child leaves this container's lock alone.
    Protocol_v2* child =
        create<Protocol_v2>(*_allocator, *_allocator, _buf, _capacity, b.end,
                            static_cast<Protocol_v2*>(nullptr), static_cast<uint32_t>(WRITABLE));
    if (child == nullptr) return error_ptr(TARVO_ERR_NO_TEMP);
    static const char EMPTY_COUNT[v2::COUNT_SIZE] = {0, 0, 0, 0};
    int r = append(name, gtype_dict[type], EMPTY_COUNT, v2::COUNT_SIZE);
    if (r != TARVO_OK) {
        child->give_back();
        return error_ptr(r);
    }
    child->_parent = this;
    _flags |= IN_CHILD;
    return child;
}

}  // namespace tarvo
