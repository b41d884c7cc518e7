// Downward block allocator over the caller's temp area.
#include "block_allocator.h"

#include <cstring>

namespace tarvo {

namespace {

// Block header: the block's whole size (header included) and whether it is
// still in use.
struct BlockHeader {
    uint32_t size;
    uint32_t in_use;
};
static_assert(sizeof(BlockHeader) == 8, "block header size is part of the temp budget");

size_t align_gap(const char* p) noexcept
{
    return (TEMP_ALIGN - reinterpret_cast<uintptr_t>(p) % TEMP_ALIGN) % TEMP_ALIGN;
}

}  // namespace

size_t BlockAllocator::usable(const char* tmp, int tmp_size) noexcept
{
    if (tmp == nullptr || tmp_size <= 0) return 0;
    size_t gap = align_gap(tmp);
    size_t total = static_cast<size_t>(tmp_size);
    return total > gap ? (total - gap) & ~(TEMP_ALIGN - 1) : 0;
}

BlockAllocator* BlockAllocator::lay_out(char* tmp, int tmp_size) noexcept
{
    size_t n = usable(tmp, tmp_size);
    if (n < sizeof(BlockAllocator)) return nullptr;
    char* base = tmp + align_gap(tmp);
    return new (base) BlockAllocator(base + round_up(sizeof(BlockAllocator)), base + n);
}

void* BlockAllocator::allocate(size_t bytes) noexcept
{
    if (bytes > available()) return nullptr;
    size_t need = block_cost(bytes);
    _top -= need;
    BlockHeader h{static_cast<uint32_t>(need), 1};
    std::memcpy(_top, &h, sizeof h);
    return _top + HEADER;
}

void BlockAllocator::release(void* block) noexcept
{
    char* p = static_cast<char*>(block);
    if (p == nullptr || p < _top + HEADER || p >= _end) return;
    BlockHeader h;
    std::memcpy(&h, p - HEADER, sizeof h);
    h.in_use = 0;
    std::memcpy(p - HEADER, &h, sizeof h);
    // Reclaim every free block at the bottom of the stack.
    while (_top < _end) {
        std::memcpy(&h, _top, sizeof h);
        if (h.in_use) break;
        _top += h.size;
    }
}

size_t BlockAllocator::available() const noexcept
{
    size_t room = static_cast<size_t>(_top - _floor);
    // Whole blocks only: header plus an aligned payload.
    return room > HEADER ? (room - HEADER) & ~(TEMP_ALIGN - 1) : 0;
}

}  // namespace tarvo
