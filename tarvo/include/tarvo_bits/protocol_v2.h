// Version-2 pack engine.
//
// Wire format (little-endian, unaligned). Every item is header, name, value:
//
//   fixed item   type(1) name_len(1)              name value   value size = type & 0x0F
//   short item   type(1) name_len(1) len(1)       name value   type has bit 0x80 (str, raw)
//   long item    type(1) name_len(1) len(4)       name value   str, raw, containers
//
// name_len counts the name's terminating NUL (0: no name), so a name holds at
// most 254 bytes. A container (object 0x10, array 0x20) is a long item whose
// value is a 4-byte item count followed by its items; its length counts the
// count and every item after it. An empty nameless root object is the ten
// bytes 10 00 04 00 00 00 00 00 00 00. Items whose kind bits (0x70) are zero
// are deleted: readers step over them by their header form.
//
// Writing only ever happens at the end of the pack: a container that has an
// open child refuses puts until the child is finished, and handles obtained
// from items are read-only. An append grows the length of its container and
// of every ancestor, and the container's count.
#ifndef TARVO_BITS_PROTOCOL_V2_H
#define TARVO_BITS_PROTOCOL_V2_H

#include "tarvo_bits/name_index.h"
#include "tarvo_bits/tarvo_pack.h"

namespace tarvo {

namespace v2 {

constexpr uint32_t CONTAINER_HEADER = 6;
constexpr uint32_t COUNT_SIZE = 4;
constexpr uint32_t EMPTY_ROOT = CONTAINER_HEADER + COUNT_SIZE;
constexpr uint32_t MAX_SHORT_VALUE = 255;
constexpr int MIN_TEMP = 136;

}  // namespace v2

// Handle of one version-2 object or array inside a caller's buffer.
class Protocol_v2 final : public Tarvo {
public:
    TARVO_ENGINE_INTERFACE;

private:
    enum : uint32_t {
        WRITABLE = 1,  // root or child made by a put
        IN_CHILD = 2,  // a child made by a put is still open
    };

    // Bounds of one item, all offsets into _buf.
    struct Item {
        uint32_t pos, header, name_len, value_pos, value_len, end;
        uint8_t type;
    };
    // Bounds of this container: content starts after the name, end is one
    // past the last item; false when the stored lengths do not fit.
    struct Bounds {
        uint32_t content, end;
    };

    template <class T, class... A>
    friend T* create(Allocator& allocator, A&&... args) noexcept;
    Protocol_v2(Allocator& allocator, char* buf, uint32_t capacity, uint32_t offset, Protocol_v2* parent,
                uint32_t flags) noexcept;
    void release_resources() noexcept override;

    bool bounds(Bounds& b) const noexcept;
    bool is_array() const noexcept { return static_cast<uint8_t>(_buf[_offset]) == TARVOV2_ARRAY; }
    int read_item(uint32_t pos, uint32_t end, Item& item) const noexcept;
    int live_item(uint32_t pos, uint32_t end, Item& item) const noexcept;
    void describe(const Item& item, tarvo_item_t* out) const noexcept;
    int position_after(const tarvo_item_t* item, Bounds& b, uint32_t& pos) const noexcept;
    int contains(const char* name, size_t len) noexcept;
    int append(const char* name, uint8_t type, const void* data, uint32_t size) noexcept;
    size_t child_reserve() const noexcept;

    char* _buf;            // start of the pack buffer (offsets count from here)
    uint32_t _offset;      // this container's type byte
    uint32_t _capacity;    // bytes of _buf the pack may use
    Protocol_v2* _parent;  // container this one was put into (writable chain)
    NameIndex _index;
};

static_assert(sizeof(Protocol_v2) == 64, "a version-2 handle takes 64 temp bytes");

}  // namespace tarvo

#endif  // TARVO_BITS_PROTOCOL_V2_H
