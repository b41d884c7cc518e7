// Version-1 engine: the tarvo_v1_ functions over the layout described in
// tarvo_bits/protocol_v1.h.
#include "tarvo_bits/protocol_v1.h"
#include "tarvo_bits/pack_types.h"

#include <array>
#include <cstring>

namespace {

const std::uint32_t HEADER = TARVO_V1_HEADER_SIZE;
const std::uint32_t ITEM_HEAD = 7;       // type, key length, value length
const std::uint32_t CONTAINER_HEAD = 8;  // child count, parent offset

// Header fields.
const std::uint32_t H_HEADER_LEN = 4, H_ROOT_TYPE = 8, H_COUNT = 12, H_ROOM = 16, H_LENGTH = 20;
// Container value fields, from the value's start.
const std::uint32_t C_COUNT = 0, C_PARENT = 4;

// What a type byte says about its value's length.
enum Shape : signed char {
    BAD = -1,       // no such type
    FIXED0 = 0,     // null
    FIXED1 = 1,     // bool
    FIXED4 = 4,     // int32, uint32, float
    FIXED8 = 8,     // int64, uint64, double
    TEXT = 20,      // at least the NUL, which ends it
    BYTES = 21,     // any length
    CONTAINER = 22  // count, parent, children
};

// 256 rows, one per type byte, from the plain types; every other byte is BAD.
constexpr Shape shape_of(const tarvo::PackType& t)
{
    switch (t.form) {
        case tarvo::ValueForm::FIXED:
            return Shape(t.size);
        case tarvo::ValueForm::TEXT:
            return TEXT;
        case tarvo::ValueForm::BYTES:
            return BYTES;
        case tarvo::ValueForm::CONTAINER:
            return CONTAINER;
    }
    return BAD;
}
constexpr std::array<Shape, 256> make_shapes()
{
    std::array<Shape, 256> t{};
    for (auto& s : t) s = BAD;
    for (const tarvo::PackType& r : tarvo::PACK_TYPES) t[r.code] = shape_of(r);
    return t;
}
constexpr std::array<Shape, 256> SHAPES = make_shapes();

using tarvo::load_le;
using tarvo::store_le;

// One item's header, checked to lie within [at, end).
struct Item {
    std::uint32_t at;
    int type;
    std::uint32_t key_len;  // with the NUL
    std::uint32_t value_len;
    std::uint32_t key() const { return at + ITEM_HEAD; }
    std::uint32_t value() const { return at + ITEM_HEAD + key_len; }
    std::uint32_t end() const { return value() + value_len; }
};

// Reads the item at offset at, which must end by end; TARVO_ERR_BAD_DATA when its
// lengths, key or value do not hold together.
int parse_item(const char* buf, std::uint32_t at, std::uint32_t end, Item* it)
{
    if (at > end || ITEM_HEAD > end - at) return TARVO_ERR_BAD_DATA;
    it->at = at;
    it->type = (unsigned char)buf[at];
    it->key_len = load_le<std::uint16_t>(buf + at + 1);
    it->value_len = load_le<std::uint32_t>(buf + at + 3);
    std::uint32_t left = end - at - ITEM_HEAD;
    if (it->key_len == 0 || it->key_len > left || buf[it->key() + it->key_len - 1] != '\0')
        return TARVO_ERR_BAD_DATA;
    left -= it->key_len;
    if (it->value_len > left) return TARVO_ERR_BAD_DATA;
    const char* value = buf + it->value();
    switch (SHAPES[it->type]) {
        case BAD:
            return TARVO_ERR_BAD_DATA;
        case FIXED0:
        case FIXED1:
        case FIXED4:
        case FIXED8:
            if (it->value_len != std::uint32_t(SHAPES[it->type])) return TARVO_ERR_BAD_DATA;
            if (it->type == TARVO_TYPE_BOOL && (unsigned char)value[0] > 1) return TARVO_ERR_BAD_DATA;
            return TARVO_OK;
        case TEXT:
            return it->value_len >= 1 && value[it->value_len - 1] == '\0' ? TARVO_OK : TARVO_ERR_BAD_DATA;
        case BYTES:
            return TARVO_OK;
        case CONTAINER:
            return it->value_len >= CONTAINER_HEAD ? TARVO_OK : TARVO_ERR_BAD_DATA;
    }
    return TARVO_ERR_BAD_DATA;
}

// One open container as its bytes stand now.
struct Container {
    bool root;
    int type;
    std::uint32_t key, key_len;  // its full path without the NUL; empty for the root
    std::uint32_t count_at;      // where its child count is stored
    std::uint32_t begin, end;    // its children
    std::uint32_t pack_end;      // the pack length
};

// The pack length from a header whose first n bytes are at head.
int header_length(const char* head, std::uint32_t n, std::uint32_t* length)
{
    static const char MAGIC[4] = {'P', 'C', 'K', '\0'};
    if (n < HEADER) return TARVO_ERR_BAD_DATA;
    if (std::memcmp(head, MAGIC, 4) != 0 || load_le<std::uint32_t>(head + H_HEADER_LEN) != HEADER)
        return TARVO_ERR_BAD_DATA;
    std::uint32_t root = load_le<std::uint32_t>(head + H_ROOT_TYPE);
    *length = load_le<std::uint32_t>(head + H_LENGTH);
    if ((root != TARVO_TYPE_OBJECT && root != TARVO_TYPE_ARRAY) || *length < HEADER)
        return TARVO_ERR_BAD_DATA;
    return TARVO_OK;
}

// Finds the container of pack in its buffer and checks that it lies within
// the pack, and the pack within the bytes it was opened over.
int load_container(const tarvo_v1_t* pack, Container* c)
{
    if (!pack) return TARVO_ERR_BAD_PARAM;
    const char* buf = pack->buf;
    std::uint32_t length;
    if (header_length(buf, pack->size, &length) != TARVO_OK || length > pack->size) return TARVO_ERR_BAD_DATA;
    c->pack_end = length;
    c->root = pack->at == 0;
    if (c->root) {
        c->type = int(load_le<std::uint32_t>(buf + H_ROOT_TYPE));
        c->key = c->key_len = 0;
        c->count_at = H_COUNT;
        c->begin = HEADER;
        c->end = length;
        return TARVO_OK;
    }
    Item it;
    if (pack->at < HEADER || parse_item(buf, pack->at, length, &it) != TARVO_OK ||
        SHAPES[it.type] != CONTAINER)
        return TARVO_ERR_BAD_DATA;
    c->type = it.type;
    c->key = it.key();
    c->key_len = it.key_len - 1;
    c->count_at = it.value() + C_COUNT;
    c->begin = it.value() + CONTAINER_HEAD;
    c->end = it.end();
    return TARVO_OK;
}

// Runs op on the checked container of pack; a failed check gives its code.
template <class Op>
int on_container(const tarvo_v1_t* pack, Op op)
{
    Container c;
    int r = load_container(pack, &c);
    return r != TARVO_OK ? r : op(c);
}

// The full path of a new item: parent key, separator, own name or index.
struct Path {
    const char* prefix;
    std::uint32_t prefix_len;
    char sep;  // 0 for none
    const char* name;
    std::size_t name_len;
    char index[11];  // an array element's index in decimal
    std::size_t length() const { return prefix_len + (sep ? 1 : 0) + name_len + 1; }
};

int make_path(const char* buf, const Container& c, const char* name, Path* p)
{
    p->prefix = buf + c.key;
    p->prefix_len = c.key_len;
    if (c.type == TARVO_TYPE_OBJECT) {
        if (!name) return TARVO_ERR_BAD_NAME;
        p->sep = c.root ? 0 : ',';
        p->name = name;
        p->name_len = std::strlen(name);
        return TARVO_OK;
    }
    if (name) return TARVO_ERR_WRONG_TYPE;
    p->sep = c.root ? 0 : ':';
    std::uint32_t n = load_le<std::uint32_t>(buf + c.count_at);
    char digits[10];
    std::size_t len = 0;
    do {
        digits[len++] = char('0' + n % 10);
        n /= 10;
    } while (n);
    for (std::size_t i = 0; i < len; ++i) p->index[i] = digits[len - 1 - i];
    p->name = p->index;
    p->name_len = len;
    return TARVO_OK;
}

bool path_equals(const Path& p, const char* key, std::uint32_t key_len)
{
    if (key_len != p.length()) return false;
    if (std::memcmp(key, p.prefix, p.prefix_len) != 0) return false;
    key += p.prefix_len;
    if (p.sep && *key++ != p.sep) return false;
    return std::memcmp(key, p.name, p.name_len) == 0;
}

void write_path(char* to, const Path& p)
{
    std::memmove(to, p.prefix, p.prefix_len);
    to += p.prefix_len;
    if (p.sep) *to++ = p.sep;
    std::memcpy(to, p.name, p.name_len);
    to[p.name_len] = '\0';
}

// Full paths as the lookup index reads them, each checked to lie within
// the container (the index only holds items parsed there).
struct Keys {
    using Query = Path;
    const char* buf;
    std::uint32_t end;

    // The key of the item at off without its NUL; empty when it does not fit.
    std::uint32_t length(std::uint32_t off) const
    {
        if (off > end || ITEM_HEAD > end - off) return 0;
        std::uint32_t n = load_le<std::uint16_t>(buf + off + 1);
        return n == 0 || n > end - off - ITEM_HEAD ? 0 : n - 1;
    }
    bool named(std::uint32_t) const { return true; }
    std::uint32_t hash(std::uint32_t off) const
    {
        return tarvo::name_hash(tarvo::NAME_HASH_START, buf + off + ITEM_HEAD, length(off));
    }
    static std::uint32_t hash(const Path& p)
    {
        std::uint32_t h = tarvo::name_hash(tarvo::NAME_HASH_START, p.prefix, p.prefix_len);
        if (p.sep) h = tarvo::name_hash(h, &p.sep, 1);
        return tarvo::name_hash(h, p.name, p.name_len);
    }
    bool matches(std::uint32_t off, const Path& p) const
    {
        return path_equals(p, buf + off + ITEM_HEAD, length(off) + 1);
    }
    bool same(std::uint32_t a, std::uint32_t b) const
    {
        std::uint32_t n = length(a);
        return n == length(b) && std::memcmp(buf + a + ITEM_HEAD, buf + b + ITEM_HEAD, n) == 0;
    }
};

// Objects with fewer children are scanned: cheap, and no temp is spent.
const std::uint32_t INDEX_MIN_CHILDREN = 32;

// TARVO_ERR_EXIST when a child of c already has the key p. With an index
// that covers c's children the answer needs no scan; otherwise the scan
// builds one on the way when the temp area holds it.
int check_absent(const char* buf, const Container& c, const Path& p, tarvo::v1::IndexedKeys* keys)
{
    const Keys k{buf, c.end};
    const std::uint32_t count = load_le<std::uint32_t>(buf + c.count_at);
    tarvo::v1::KeyIndex* index = keys ? keys->ready() : nullptr;
    if (index && index->covered == count) return index->names.contains(k, p) ? TARVO_ERR_EXIST : TARVO_OK;
    // None yet, or one that missed puts through another handle: scan, and
    // index on the way. A lying count only sizes the table: every item takes
    // 8 bytes at least.
    if (keys) keys->drop();
    const std::uint32_t most = (c.end - c.begin) / (ITEM_HEAD + 1);
    index = keys && count >= INDEX_MIN_CHILDREN ? keys->rebuild(count < most ? count : most) : nullptr;
    bool found = false;
    Item it;
    for (std::uint32_t at = c.begin; at != c.end; at = it.end()) {
        if (parse_item(buf, at, c.end, &it) != TARVO_OK) {
            if (keys) keys->drop();
            return TARVO_ERR_BAD_DATA;
        }
        found = found || path_equals(p, buf + it.key(), it.key_len);
        if (index) {
            index->names.insert(keys->allocator, k, at, keys->reserve);
            if (!index->names.ready()) {
                keys->drop();
                index = nullptr;
            }
        }
    }
    if (index) index->covered = count;
    return found ? TARVO_ERR_EXIST : TARVO_OK;
}

// Records the item just appended at `at` as the object's child number
// count + 1; an index that missed other puts is dropped instead.
void index_appended(const Container& c, std::uint32_t count, std::uint32_t at, std::uint32_t end,
                    const char* buf, tarvo::v1::IndexedKeys* keys)
{
    tarvo::v1::KeyIndex* index = keys && c.type == TARVO_TYPE_OBJECT ? keys->ready() : nullptr;
    if (!index) return;
    if (index->covered != count) {
        keys->drop();
        return;
    }
    index->names.insert(keys->allocator, Keys{buf, end}, at, keys->reserve);
    if (!index->names.ready())
        keys->drop();
    else
        index->covered = count + 1;
}

}  // namespace

tarvo::v1::KeyIndex* tarvo::v1::IndexedKeys::rebuild(std::uint32_t expected) noexcept
{
    drop();
    if (allocator.available() < reserve) return nullptr;
    index = create<KeyIndex>(allocator);
    if (index && !index->names.reset(allocator, expected, reserve)) drop();
    return index;
}

void tarvo::v1::IndexedKeys::drop() noexcept
{
    if (!index) return;
    index->names.drop(allocator);
    allocator.release(index);
    index = nullptr;
}

namespace {

// Walks from the container item at `at` up through its parent offsets. Each
// one must end at the pack's end, or nothing could be appended to it. With
// apply set, adds grow to each value length; run once without it first, so
// a put either writes everything or nothing.
int walk_ancestors(char* buf, std::uint32_t at, std::uint32_t pack_end, std::uint32_t grow, bool apply)
{
    while (at != 0) {
        Item it;
        if (at < HEADER || parse_item(buf, at, pack_end, &it) != TARVO_OK || SHAPES[it.type] != CONTAINER ||
            it.end() != pack_end)
            return TARVO_ERR_BAD_DATA;
        std::uint32_t parent = load_le<std::uint32_t>(buf + it.value() + C_PARENT);
        if (parent >= at)  // offsets fall on the way up, so the walk ends
            return TARVO_ERR_BAD_DATA;
        if (apply) store_le(buf + it.at + 3, it.value_len + grow, 4);
        at = parent;
    }
    return TARVO_OK;
}

// Appends one item of the given type to pack, whose container is c. For a
// container, child gets the new container's handle (NULL: no handle memory,
// TARVO_ERR_NO_TEMP).
int append_item(tarvo_v1_t* pack, const Container& c, const char* name, int type, const void* value,
                std::uint32_t value_len, tarvo_v1_t* child, tarvo::v1::IndexedKeys* keys)
{
    char* buf = pack->buf;
    Path p;
    int r = make_path(buf, c, name, &p);
    if (r != TARVO_OK) return r;
    const bool container = SHAPES[type] == CONTAINER;
    if (container) {
        if (c.type == TARVO_TYPE_OBJECT && (r = check_absent(buf, c, p, keys)) != TARVO_OK) return r;
        if (!child) return TARVO_ERR_NO_TEMP;
    }
    if (c.end != c.pack_end) return TARVO_ERR_MODE;
    if (p.length() > TARVO_V1_MAX_KEY) return TARVO_ERR_NAME_TOO_LONG;
    const std::uint32_t key_len = std::uint32_t(p.length());
    std::uint32_t room = load_le<std::uint32_t>(buf + H_ROOM);
    if (room > pack->size - c.pack_end) room = pack->size - c.pack_end;
    if (ITEM_HEAD + key_len > room || value_len > room - ITEM_HEAD - key_len) return TARVO_ERR_NO_SPACE;
    const std::uint32_t need = ITEM_HEAD + key_len + value_len;
    std::uint32_t count = load_le<std::uint32_t>(buf + c.count_at);
    if (count == UINT32_MAX || walk_ancestors(buf, pack->at, c.pack_end, need, false) != TARVO_OK)
        return TARVO_ERR_BAD_DATA;

    const std::uint32_t at = c.pack_end;
    char* item = buf + at;
    char* v = item + ITEM_HEAD + key_len;
    if (container) {
        store_le(v + C_COUNT, 0, 4);
        store_le(v + C_PARENT, pack->at, 4);
    } else if (value_len) {
        // The value may come from this pack, even across its end: move it
        // before the header and key are written over its source.
        std::memmove(v, value, value_len);
        // Readers find a str's end by its NUL: store one whatever was given.
        if (SHAPES[type] == TEXT) v[value_len - 1] = '\0';
    }
    item[0] = char(type);
    store_le(item + 1, key_len, 2);
    store_le(item + 3, value_len, 4);
    write_path(item + ITEM_HEAD, p);

    store_le(buf + c.count_at, count + 1, 4);
    walk_ancestors(buf, pack->at, c.pack_end, need, true);
    store_le(buf + H_LENGTH, c.pack_end + need, 4);
    store_le(buf + H_ROOM, room - need, 4);
    index_appended(c, count, at, c.pack_end + need, buf, keys);
    if (container) *child = tarvo_v1_t{buf, pack->size, at};
    return TARVO_OK;
}

void fill(const tarvo_v1_t* pack, const Item& it, tarvo_v1_item_t* out)
{
    out->internal = pack->buf + it.at;
    out->type = it.type;
    out->value_size = it.value_len;
    out->key = pack->buf + it.key();
    out->value = pack->buf + it.value();
}

// Hands out the item of c that starts at offset at: -1 at c's end.
int item_at(const tarvo_v1_t* pack, const Container& c, std::uint32_t at, tarvo_v1_item_t* out)
{
    Item it;
    if (at == c.end) return TARVO_ERR_NOT_FOUND;
    if (parse_item(pack->buf, at, c.end, &it) != TARVO_OK) return TARVO_ERR_BAD_DATA;
    fill(pack, it, out);
    return TARVO_OK;
}

// Runs op on pack's container and its item that internal points at, both
// checked; out is the caller's result, refused as NULL before anything is read.
template <class Op>
int on_item(const tarvo_v1_t* pack, const char* internal, const void* out, Op op)
{
    if (!out) return TARVO_ERR_BAD_PARAM;
    return on_container(pack, [&](const Container& c) {
        if (!internal || internal < pack->buf + c.begin || internal >= pack->buf + c.end)
            return TARVO_ERR_BAD_PARAM;
        Item it;
        int r = parse_item(pack->buf, std::uint32_t(internal - pack->buf), c.end, &it);
        return r != TARVO_OK ? r : op(c, it);
    });
}

}  // namespace

int tarvo_v1_open_w(tarvo_v1_t* pack, char* buf, int size)
{
    if (!pack || !buf || size < TARVO_V1_MIN_BUFFER) return TARVO_ERR_BAD_PARAM;
    std::memcpy(buf, "PCK", 4);
    store_le(buf + H_HEADER_LEN, HEADER, 4);
    store_le(buf + H_ROOT_TYPE, TARVO_TYPE_OBJECT, 4);
    store_le(buf + H_COUNT, 0, 4);
    store_le(buf + H_ROOM, std::uint32_t(size) - HEADER, 4);
    store_le(buf + H_LENGTH, HEADER, 4);
    *pack = tarvo_v1_t{buf, std::uint32_t(size), 0};
    return TARVO_OK;
}

int tarvo_v1_open_rw(tarvo_v1_t* pack, char* buf, int size)
{
    if (!pack || !buf || size < 0) return TARVO_ERR_BAD_PARAM;
    std::uint32_t length;
    if (header_length(buf, std::uint32_t(size), &length) != TARVO_OK || length > std::uint32_t(size))
        return TARVO_ERR_BAD_DATA;
    store_le(buf + H_ROOM, std::uint32_t(size) - length, 4);
    *pack = tarvo_v1_t{buf, std::uint32_t(size), 0};
    return TARVO_OK;
}

int tarvo_v1_length(const char* head, int n)
{
    if (!head || n < 0) return TARVO_ERR_BAD_PARAM;
    if (std::uint32_t(n) < HEADER)
        return std::memcmp(head, "PCK", n < 4 ? n : 4) == 0 ? int(HEADER) : TARVO_ERR_BAD_DATA;
    std::uint32_t length;
    if (header_length(head, std::uint32_t(n), &length) != TARVO_OK || length > 0x7FFFFFFFu)
        return TARVO_ERR_BAD_DATA;
    return int(length);
}

int tarvo_v1_close(tarvo_v1_t* pack)
{
    return on_container(pack, [&](const Container&) {
        store_le(pack->buf + H_ROOM, 0, 4);
        return TARVO_OK;
    });
}

int tarvo_v1_get_size(const tarvo_v1_t* pack)
{
    return on_container(
        pack, [&](const Container& c) { return int(pack->at == 0 ? c.pack_end : c.end - pack->at); });
}

char* tarvo_v1_get_buffer(const tarvo_v1_t* pack) { return pack ? pack->buf + pack->at : nullptr; }

int tarvo_v1_get_item_count(const tarvo_v1_t* pack)
{
    return on_container(pack, [&](const Container& c) {
        std::uint32_t n = load_le<std::uint32_t>(pack->buf + c.count_at);
        return n > 0x7FFFFFFFu ? TARVO_ERR_BAD_DATA : int(n);
    });
}

int tarvo_v1_put(tarvo_v1_t* pack, const char* name, int type, const void* data, std::uint32_t size)
{
    return tarvo::v1::put(pack, name, type, data, size, nullptr);
}

int tarvo_v1_put_container(tarvo_v1_t* pack, const char* name, int type, tarvo_v1_t* child)
{
    return tarvo::v1::put_container(pack, name, type, child, nullptr);
}

int tarvo::v1::put(tarvo_v1_t* pack, const char* name, int type, const void* data, std::uint32_t size,
                   IndexedKeys* keys)
{
    if (type < 0 || type > 255) return TARVO_ERR_BAD_PARAM;
    const Shape shape = SHAPES[type];
    if (shape == BAD || shape == CONTAINER || (!data && shape != FIXED0)) return TARVO_ERR_BAD_PARAM;
    if (shape <= FIXED8 && size != std::uint32_t(shape)) return TARVO_ERR_BAD_PARAM;
    if (shape == TEXT && size == 0) return TARVO_ERR_BAD_PARAM;
    const char one = 1;
    if (type == TARVO_TYPE_BOOL && *static_cast<const char*>(data) != 0) data = &one;
    return on_container(pack, [&](const Container& c) {
        return append_item(pack, c, name, type, data, size, nullptr, keys);
    });
}

int tarvo::v1::put_container(tarvo_v1_t* pack, const char* name, int type, tarvo_v1_t* child,
                             IndexedKeys* keys)
{
    if (type != TARVO_TYPE_OBJECT && type != TARVO_TYPE_ARRAY) return TARVO_ERR_BAD_PARAM;
    return on_container(pack, [&](const Container& c) {
        return append_item(pack, c, name, type, nullptr, CONTAINER_HEAD, child, keys);
    });
}

int tarvo_v1_first_item(const tarvo_v1_t* pack, tarvo_v1_item_t* item)
{
    if (!item) return TARVO_ERR_BAD_PARAM;
    return on_container(pack, [&](const Container& c) { return item_at(pack, c, c.begin, item); });
}

int tarvo_v1_next_item(const tarvo_v1_t* pack, const char* current, tarvo_v1_item_t* next)
{
    return on_item(pack, current, next,
                   [&](const Container& c, const Item& it) { return item_at(pack, c, it.end(), next); });
}

int tarvo_v1_get_child(const tarvo_v1_t* pack, const char* internal, int type, tarvo_v1_t* child)
{
    return on_item(pack, internal, child, [&](const Container&, const Item& it) {
        if (it.type != type) return TARVO_ERR_NOT_PERMITTED;
        if (load_le<std::uint32_t>(pack->buf + it.value() + C_PARENT) != pack->at) return TARVO_ERR_BAD_DATA;
        *child = tarvo_v1_t{pack->buf, pack->size, it.at};
        return TARVO_OK;
    });
}

int tarvo_v1_valid(const tarvo_v1_t* pack)
{
    Container c;
    Item it;
    if (load_container(pack, &c) != TARVO_OK) return 0;
    std::uint32_t n = 0;
    for (std::uint32_t at = c.begin; at != c.end; at = it.end(), ++n) {
        if (parse_item(pack->buf, at, c.end, &it) != TARVO_OK) return 0;
        if (SHAPES[it.type] == CONTAINER &&
            load_le<std::uint32_t>(pack->buf + it.value() + C_PARENT) != pack->at)
            return 0;
    }
    return n == load_le<std::uint32_t>(pack->buf + c.count_at) ? 1 : 0;
}
