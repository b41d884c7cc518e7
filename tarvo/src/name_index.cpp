// The lookup index's table: sizing, placing and giving back. Reading names
// is each engine's (see tarvo_bits/name_index.h).
#include "tarvo_bits/name_index.h"

#include <cstring>

namespace tarvo {

namespace {

constexpr uint32_t MAX_SLOTS = uint32_t{1} << 30;

}  // namespace

bool NameIndex::take(Allocator& allocator, uint32_t slots, size_t reserve) noexcept
{
    size_t bytes = size_t{slots} * sizeof(uint32_t);
    if (allocator.available() < reserve || allocator.available() - reserve < bytes) return false;
    void* block = allocator.allocate(bytes);
    if (block == nullptr) return false;
    _slots = static_cast<uint32_t*>(block);
    _used = 0;
    _mask = 0;
    if (slots != MIN_SLOTS) start_hashing(slots);
    return true;
}

void NameIndex::start_hashing(uint32_t slots) noexcept
{
    std::memset(_slots, 0, size_t{slots} * sizeof(uint32_t));
    _mask = slots - 1;
    _used = 0;
}

bool NameIndex::take_doubled(Allocator& allocator, const NameIndex& from, size_t reserve) noexcept
{
    return from._mask + 1 < MAX_SLOTS && take(allocator, (from._mask + 1) * 2, reserve);
}

bool NameIndex::reset(Allocator& allocator, uint32_t expected, size_t reserve) noexcept
{
    drop(allocator);
    uint32_t slots = MIN_SLOTS;
    while (slots < MAX_SLOTS && slots / 2 <= expected) slots *= 2;
    return take(allocator, slots, reserve);
}

void NameIndex::place(uint32_t hash, uint32_t off) noexcept
{
    uint32_t i = hash & _mask;
    while (_slots[i] != 0) i = (i + 1) & _mask;
    _slots[i] = off;
    ++_used;
}

void NameIndex::drop(Allocator& allocator) noexcept
{
    if (_slots != nullptr) allocator.release(_slots);
    _slots = nullptr;
    _mask = 0;
    _used = 0;
}

}  // namespace tarvo
