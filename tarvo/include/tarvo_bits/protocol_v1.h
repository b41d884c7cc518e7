#ifndef TARVO_BITS_PROTOCOL_V1_H
#define TARVO_BITS_PROTOCOL_V1_H

/*
 * Version-1 pack layout. Every integer is little-endian, nothing is aligned.
 *
 * Header, 24 bytes at the start of the buffer:
 *   off len
 *     0   4  magic "PCK\0"
 *     4   4  header length, 24: where the first top-level item starts
 *     8   4  root type: 2 object or 4 array (plain type codes)
 *    12   4  top-level item count
 *    16   4  room left: bytes past the pack's end that puts may still fill;
 *            0 once the pack is closed
 *    20   4  pack length: header and items, the position of the next item
 * So the first 24 bytes tell how long the whole pack is (stream framing).
 *
 * Item:
 *     0   1  type: plain type code
 *     1   2  key length k, counting the key's NUL (1 to 65535)
 *     3   4  value length v
 *     7   k  key: the item's full path, NUL-terminated. A top-level item
 *            keeps its name (an element of a root array its index);
 *            member b of the object keyed a is "a,b"; element i of the
 *            array keyed a is "a:i".
 *   7+k   v  value
 *
 * Values: int32, uint32 and float 4 bytes; int64, uint64 and double 8;
 * bool 1 (0 or 1); null none; str the text and its NUL; raw the bytes.
 * Object and array:
 *     0   4  child count
 *     4   4  parent: offset of the enclosing container's item, 0 at the top
 *     8      the children, items as above
 *
 * Items are only ever appended at the pack's end: a container takes a put
 * only while nothing follows it. The put grows the value length of that
 * container and of every enclosing one (reached through the parent offsets,
 * so no search), the pack length and the container's count, and shrinks the
 * room left. Stored bytes never move, so offsets held by open handles stay
 * good.
 *
 * A writable buffer holds at least the header and one eight-byte value or
 * one empty container under a one-letter name: 24 + 17 = 41 bytes.
 */

#include "tarvo_bits/name_index.h"
#include "tarvo_bits/tarvo_pack.h"

#include <cstdint>

// Engine state of one open container: the root or a nested object or array.
// Holds only offsets into the caller's buffer, re-checked on every use, so a
// handle copied or dropped without cleanup does no harm.
struct tarvo_v1_t {
    char* buf;           // first byte of the pack (its header)
    std::uint32_t size;  // bytes the pack was opened over: no read or write goes past
    std::uint32_t at;    // offset of the container's item; 0 for the root
};

// One stored item as iteration hands it out; the pointers lead into the
// pack buffer and stay valid while the pack is not changed.
struct tarvo_v1_item_t {
    char* internal;            // the stored item
    int type;                  // plain type code
    std::uint32_t value_size;  // for a str, with its NUL
    const char* key;           // full path, NUL-terminated
    const char* value;
};

enum {
    TARVO_V1_HEADER_SIZE = 24,
    TARVO_V1_MIN_BUFFER = 41,
    TARVO_V1_MAX_KEY = 65535  // key bytes with the NUL
};

// Each function returns 0 (or a count, size or length) on success and a
// negative pack error code on failure.

// Writes an empty root object over size bytes at buf (IN) into pack (OUT).
int tarvo_v1_open_w(tarvo_v1_t* pack, char* buf, int size);
// Checks the header of the pack in the first size bytes of buf, then writes
// the room left (size minus the pack length) into it.
int tarvo_v1_open_rw(tarvo_v1_t* pack, char* buf, int size);
// Stream framing: the pack's total length as far as the first n bytes at
// head tell it; 24 while fewer than 24 bytes are in.
int tarvo_v1_length(const char* head, int n);
// Sets the room left to 0: later puts fail, reads still work.
int tarvo_v1_close(tarvo_v1_t* pack);

int tarvo_v1_get_size(const tarvo_v1_t* pack);
char* tarvo_v1_get_buffer(const tarvo_v1_t* pack);
int tarvo_v1_get_item_count(const tarvo_v1_t* pack);

// Appends a scalar of plain type code type; data holds its size bytes,
// integers and floating values little-endian, a str with its NUL (its last
// byte is stored as NUL, unread). A bool is stored as 1 for any non-zero byte. name is NULL for an element of
// an array and required in an object.
int tarvo_v1_put(tarvo_v1_t* pack, const char* name, int type, const void* data, std::uint32_t size);
// Appends an empty object (type 2) or array (type 4) and fills child (OUT).
// A NULL child means no memory was found for its handle: -11 once the name
// has passed its checks.
int tarvo_v1_put_container(tarvo_v1_t* pack, const char* name, int type, tarvo_v1_t* child);

// 0 and item (OUT) filled; -1 when the container holds no further item;
// -8 for an item that does not lie well-formed within its container.
int tarvo_v1_first_item(const tarvo_v1_t* pack, tarvo_v1_item_t* item);
// current is the internal pointer of an item of pack; next may be the
// descriptor that current came from.
int tarvo_v1_next_item(const tarvo_v1_t* pack, const char* current, tarvo_v1_item_t* next);
// Opens the object or array (type 2 or 4) stored at internal as child
// (OUT); -13 when the item is of another type.
int tarvo_v1_get_child(const tarvo_v1_t* pack, const char* internal, int type, tarvo_v1_t* child);
// 1 when every item of the container lies well-formed within it and their
// number is the stored count, 0 otherwise.
int tarvo_v1_valid(const tarvo_v1_t* pack);

namespace tarvo {

namespace v1 {
// Temp bytes a version-1 pack needs, counted from wherever the area starts.
constexpr int MIN_TEMP = 96;

// The lookup index of one object's keys, for puts through a handle that
// keeps one: the "already exists" check of a container put then needs no
// scan of the siblings. Built by such a check over enough siblings when the
// temp area holds it beside room for a few more handles; the puts scan as
// tarvo_v1_put_container does otherwise.
struct KeyIndex {
    NameIndex names;
    uint32_t covered;  // child count the index covers: any other count means
                       // another handle put into the object
};

// A handle's key index (in its own temp block; null until built) with the
// memory it grows in.
struct IndexedKeys {
    Allocator& allocator;
    size_t reserve;  // temp bytes to leave free: a few child handles
    KeyIndex* index;

    KeyIndex* ready() const noexcept { return index && index->names.ready() ? index : nullptr; }
    // A fresh empty index for about expected keys, or null when it does not fit.
    KeyIndex* rebuild(uint32_t expected) noexcept;
    void drop() noexcept;
};

// tarvo_v1_put and tarvo_v1_put_container keeping keys up to date (NULL:
// as those functions).
int put(tarvo_v1_t* pack, const char* name, int type, const void* data, uint32_t size, IndexedKeys* keys);
int put_container(tarvo_v1_t* pack, const char* name, int type, tarvo_v1_t* child, IndexedKeys* keys);
}  // namespace v1

// The tarvo::Tarvo interface over the version-1 engine: one open container
// of a version-1 pack, placed in the pack's temp area (or pool).
class Protocol_v1 final : public Tarvo {
public:
    TARVO_ENGINE_INTERFACE;

private:
    Protocol_v1(Allocator& allocator, const tarvo_v1_t& pack) noexcept : Tarvo(allocator), _pack(pack) {}
    using EngineOpen = int (*)(tarvo_v1_t*, char*, int);
    static Tarvo* open(EngineOpen engine_open, char* buf, int size, Allocator& allocator) noexcept;
    void release_resources() noexcept override;
    v1::IndexedKeys keys() noexcept;
    // Records where keys' index now lies, or drops it when _flags cannot say.
    void keep(v1::IndexedKeys& keys) noexcept;

    // _flags holds where the key index lies, as an offset from this handle
    // (0: none), so that handles keep the size the smallest temp area and
    // every nesting depth were counted with.
    tarvo_v1_t _pack;
};

static_assert(sizeof(Protocol_v1) == 40, "a version-1 handle takes 40 temp bytes");

}  // namespace tarvo

#endif
