// The allocator of a pack's temp area (engine internals: the plain functions
// lay it out, the engines size their blocks by it).
#ifndef TARVO_SRC_BLOCK_ALLOCATOR_H
#define TARVO_SRC_BLOCK_ALLOCATOR_H

#include "tarvo_bits/tarvo_pack.h"

namespace tarvo {

// Control block at the aligned start of the temp area. Blocks are handed out
// from the end of the area downwards, each behind a small header. A block
// given back is only marked; the space returns once every block below it
// (allocated later) is back too, so a handle whose parent was finished first
// still finds the parent's fields intact.
class BlockAllocator final : public Allocator {
public:
    // Bytes left of a temp area once its start is aligned (0 for NULL).
    static size_t usable(const char* tmp, int tmp_size) noexcept;
    // Lays out a fresh control block; nullptr when the area cannot hold it.
    static BlockAllocator* lay_out(char* tmp, int tmp_size) noexcept;
    // Temp bytes that a handle of object_size costs, block header included.
    static constexpr size_t block_cost(size_t object_size) noexcept { return HEADER + round_up(object_size); }

    void* allocate(size_t bytes) noexcept override;
    void release(void* block) noexcept override;
    size_t available() const noexcept override;

private:
    static constexpr size_t HEADER = 8;
    static constexpr size_t round_up(size_t n) noexcept { return (n + TEMP_ALIGN - 1) & ~(TEMP_ALIGN - 1); }
    BlockAllocator(char* floor, char* end) noexcept : _floor(floor), _top(end), _end(end) {}

    char* _floor;  // lowest byte a block may use
    char* _top;    // header of the most recent block (== _end when none)
    char* _end;    // one past the aligned temp area
};

// Temp bytes a whole writable pack needs: control block plus root handle.
constexpr size_t temp_cost(size_t root_size) noexcept
{
    return sizeof(BlockAllocator) + BlockAllocator::block_cost(root_size);
}

}  // namespace tarvo

#endif  // TARVO_SRC_BLOCK_ALLOCATOR_H
