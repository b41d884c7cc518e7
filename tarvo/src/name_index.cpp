// Lookup index of the names in one version-2 container (open addressing,
// linear probing, at most half full). Slots hold item offsets; 0 is free,
// since no item starts before the root's 10-byte header.
#include "tarvo_bits/protocol_v2.h"

#include "type_table.h"

#include <cstring>

namespace tarvo {
namespace v2 {

namespace {

constexpr uint32_t MIN_SLOTS = 16;
constexpr uint32_t MAX_SLOTS = uint32_t{1} << 30;

uint32_t hash(const char* name, size_t len) noexcept {
    uint32_t h = 2166136261u; // FNV-1a
    for (size_t i = 0; i < len; ++i) h = (h ^ static_cast<uint8_t>(name[i])) * 16777619u;
    return h;
}

} // namespace

bool NameIndex::take(Allocator& allocator, uint32_t slots, size_t reserve) noexcept {
    size_t bytes = size_t{slots} * sizeof(uint32_t);
    if (allocator.available() < reserve || allocator.available() - reserve < bytes) return false;
    void* block = allocator.allocate(bytes);
    if (block == nullptr) return false;
    _slots = static_cast<uint32_t*>(block);
    std::memset(_slots, 0, bytes);
    _mask = slots - 1;
    _used = 0;
    return true;
}

bool NameIndex::reset(Allocator& allocator, uint32_t expected, size_t reserve) noexcept {
    drop(allocator);
    uint32_t slots = MIN_SLOTS;
    while (slots < MAX_SLOTS && slots / 2 <= expected) slots *= 2;
    return take(allocator, slots, reserve);
}

bool NameIndex::contains(const char* buf, const char* name, size_t len) const noexcept {
    for (uint32_t i = hash(name, len) & _mask; _slots[i] != 0; i = (i + 1) & _mask)
        if (name_matches(buf, _slots[i], name, len)) return true;
    return false;
}

void NameIndex::place(const char* buf, uint32_t off) noexcept {
    const char* p = buf + off;
    uint32_t i = hash(p + gtype_rows[static_cast<uint8_t>(p[0])].header, static_cast<uint8_t>(p[1]) - 1u) & _mask;
    while (_slots[i] != 0) i = (i + 1) & _mask;
    _slots[i] = off;
    ++_used;
}

void NameIndex::insert(Allocator& allocator, const char* buf, uint32_t off, size_t reserve) noexcept {
    const char* p = buf + off;
    size_t name_len = static_cast<uint8_t>(p[1]);
    if (name_len == 0) return;
    if (contains(buf, p + gtype_rows[static_cast<uint8_t>(p[0])].header, name_len - 1)) return;
    if (size_t{_used + 1} * 2 > size_t{_mask} + 1) {
        NameIndex bigger;
        if (_mask + 1 >= MAX_SLOTS || !bigger.take(allocator, (_mask + 1) * 2, reserve)) {
            drop(allocator);
            return;
        }
        for (uint32_t i = 0; i <= _mask; ++i)
            if (_slots[i] != 0) bigger.place(buf, _slots[i]);
        drop(allocator);
        *this = bigger;
    }
    place(buf, off);
}

void NameIndex::drop(Allocator& allocator) noexcept {
    if (_slots != nullptr) allocator.release(_slots);
    _slots = nullptr;
    _mask = 0;
    _used = 0;
}

} // namespace v2
} // namespace tarvo
