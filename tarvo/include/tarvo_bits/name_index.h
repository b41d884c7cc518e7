// Lookup index of the names in one container, kept in the temp area so that
// the "already exists" check of a put does not scan every sibling: an
// open-addressing table (linear probing, at most half full) of item offsets,
// a plain list while it is small.
// Offsets never move, since packs only grow at their end; 0 marks a free
// slot, since no item starts at the pack's first byte.
//
// Each engine reads its own item layout through a Keys object:
//   bool named(uint32_t off)                  the item carries a name
//   uint32_t hash(uint32_t off)               hash of the stored name
//   static uint32_t hash(const Query&)        the same hash of a looked-up name
//   bool matches(uint32_t off, const Query&)  stored name equals the query
//   bool same(uint32_t a, uint32_t b)         two stored names are equal
#ifndef TARVO_BITS_NAME_INDEX_H
#define TARVO_BITS_NAME_INDEX_H

#include "tarvo_bits/tarvo_pack.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tarvo {

// FNV-1a over n bytes, continued from h; a name hashed in pieces hashes as
// the same bytes in one piece.
constexpr uint32_t NAME_HASH_START = 2166136261u;
inline uint32_t name_hash(uint32_t h, const char* p, size_t n) noexcept
{
    for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<uint8_t>(p[i])) * 16777619u;
    return h;
}

class NameIndex {
public:
    bool ready() const noexcept { return _slots != nullptr; }
    // Fresh empty table sized for about expected names, taken only when
    // reserve bytes stay free beside it; false otherwise.
    bool reset(Allocator& allocator, uint32_t expected, size_t reserve) noexcept;
    void drop(Allocator& allocator) noexcept;

    template <class Keys>
    bool contains(const Keys& keys, const typename Keys::Query& name) const noexcept
    {
        if (listing()) {
            for (uint32_t i = 0; i < _used; ++i)
                if (keys.matches(_slots[i], name)) return true;
            return false;
        }
        for (uint32_t i = Keys::hash(name) & _mask; _slots[i] != 0; i = (i + 1) & _mask)
            if (keys.matches(_slots[i], name)) return true;
        return false;
    }

    // Records the item at off (nameless items are skipped, and so are known
    // names once the table hashes). Drops
    // the whole table when it cannot grow within reserve.
    template <class Keys>
    void insert(Allocator& allocator, const Keys& keys, uint32_t off, size_t reserve) noexcept
    {
        if (!keys.named(off)) return;
        if (listing()) {
            if (_used < LIST_MAX) {
                _slots[_used++] = off;
                return;
            }
            // The list is full: hash its entries in the order they came, which
            // leaves the table a hashed start would have built.
            uint32_t listed[LIST_MAX];
            std::memcpy(listed, _slots, sizeof listed);
            start_hashing();
            for (uint32_t o : listed) add(allocator, keys, o, reserve);
        }
        add(allocator, keys, off, reserve);
    }

private:
    // A fresh table of MIN_SLOTS starts as a plain list of up to LIST_MAX
    // offsets in its own block: below the size at which it would double, a
    // scan costs less than hashing, and the block is the same either way.
    static constexpr uint32_t MIN_SLOTS = 16;
    static constexpr uint32_t LIST_MAX = MIN_SLOTS / 2;
    bool listing() const noexcept { return _mask == 0; }
    void start_hashing(uint32_t slots = MIN_SLOTS) noexcept;

    template <class Keys>
    void add(Allocator& allocator, const Keys& keys, uint32_t off, size_t reserve) noexcept
    {
        const uint32_t h = keys.hash(off);
        for (uint32_t i = h & _mask; _slots[i] != 0; i = (i + 1) & _mask)
            if (keys.same(_slots[i], off)) return;
        if (size_t{_used + 1} * 2 > size_t{_mask} + 1) {
            NameIndex bigger;
            if (!bigger.take_doubled(allocator, *this, reserve)) {
                drop(allocator);
                return;
            }
            for (uint32_t i = 0; i <= _mask; ++i)
                if (_slots[i] != 0) bigger.place(keys.hash(_slots[i]), _slots[i]);
            drop(allocator);
            *this = bigger;
        }
        place(h, off);
    }

    bool take(Allocator& allocator, uint32_t slots, size_t reserve) noexcept;
    bool take_doubled(Allocator& allocator, const NameIndex& from, size_t reserve) noexcept;
    void place(uint32_t hash, uint32_t off) noexcept;

    uint32_t* _slots = nullptr;
    uint32_t _mask = 0;
    uint32_t _used = 0;
};

}  // namespace tarvo

#endif  // TARVO_BITS_NAME_INDEX_H
