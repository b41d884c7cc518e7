#include "quillet2tarvo.h"

#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>

#include <sanitizer/asan_interface.h>

#if defined(__SANITIZE_ADDRESS__)
#define ASAN_CONVERSION_REDZONE 16
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ASAN_CONVERSION_REDZONE 16
#endif
#endif
#ifndef ASAN_CONVERSION_REDZONE
#define ASAN_CONVERSION_REDZONE 0
#endif

#include "tal/ResourcePool.h"
#include "talext/var/serializer/QuilletDeserializer.h"
#include "talext/var/serializer/TarvoSerializer.h"
#include "tarvo.h"

namespace {

// Memory of one conversion: carved from blocks that only grow and given back
// all at once at its end. The tree and every trial's handles die together,
// so handing each of their many small blocks back to the heap one by one
// would only cost time.
class ConversionArena : public tal::mempool {
public:
    ConversionArena() : _last(NULL), _next(NULL), _end(NULL), _block_size(0) {}
    ~ConversionArena() override
    {
        while (_last != NULL) {
            Block* prev = _last->prev;
            if (_last->mapped != 0)
                munmap(_last, _last->mapped);
            else
                ::free(_last);
            _last = prev;
        }
    }
    void* malloc(size_t size) override
    {
        if (size > SIZE_MAX - 2 * ALIGN - sizeof(Block)) return NULL;
        const size_t need = ((size + ALIGN - 1) & ~(ALIGN - 1)) + REDZONE;
        if (need > static_cast<size_t>(_end - _next) && !_grow(need)) return NULL;
        char* p = _next;
        _next += need;
        // Under the address sanitizer a read past the block is still caught.
        ASAN_POISON_MEMORY_REGION(p + size, need - size);
        return p;
    }
    // Blocks come back with the arena.
    void free(void*, size_t) override {}

private:
    static const size_t ALIGN = alignof(max_align_t);
    // Blocks from this size on are mapped for themselves, as huge pages.
    static const size_t HUGE_BLOCK = size_t(2) << 20;
    // A gap after each block, poisoned under the address sanitizer.
    static const size_t REDZONE = ASAN_CONVERSION_REDZONE;
    struct alignas(max_align_t) Block {
        Block* prev;
        size_t mapped;  // bytes mapped, this header included; 0 for a heap block
    };

    // A block at least twice the last one and large enough for need bytes.
    bool _grow(size_t need)
    {
        size_t size = _block_size == 0 ? 64 * 1024 : _block_size;
        if (size <= SIZE_MAX / 2 - sizeof(Block)) size *= 2;
        if (size < need) size = need;
        const size_t bytes = sizeof(Block) + size;
        Block* block = NULL;
        if (bytes < HUGE_BLOCK) {
            block = static_cast<Block*>(::malloc(bytes));
            if (block == NULL) return false;
            block->mapped = 0;
        } else {
            void* p = mmap(NULL, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p == MAP_FAILED) return false;
            // The fresh pages of a large tree fault in 2 MiB at a time.
            madvise(p, bytes, MADV_HUGEPAGE);
            block = static_cast<Block*>(p);
            block->mapped = bytes;
        }
        block->prev = _last;
        _last = block;
        _block_size = size;
        _next = reinterpret_cast<char*>(block + 1);
        _end = _next + size;
        return true;
    }

    Block* _last;
    char* _next;
    char* _end;
    size_t _block_size;
};

// The capacity after c, or 0 when doubling would pass limit (or c is 0 and
// could never grow).
size_t next_capacity(size_t c, size_t limit) { return c == 0 || c > limit / 2 ? 0 : c * 2; }

}  // namespace

int quillet2tarvo(const char* quillet, size_t quillet_size, char* tarvo, size_t* tarvo_size,
                  const size_t max_tarvo_size)
{
    if (tarvo == NULL || tarvo_size == NULL) {
        throw tal::NullPointerException()
            << TAL_EXCEPTION_ARG << (tarvo == NULL ? "tarvo" : "tarvo_size");
    }
    // Everything below, the tree and every trial's handles, goes with rp.
    ConversionArena arena;
    tal::ResourcePool rp(arena);
    tal::var::QuilletDeserializer deserializer(rp);
    const tal::var::IVar& root = deserializer.deserialize(quillet, quillet_size);
    tal::var::TarvoSerializer serializer;
    // Capacities are handed to the pack interface as int.
    const size_t limit = max_tarvo_size < static_cast<size_t>(INT_MAX) ? max_tarvo_size : INT_MAX;
    for (size_t c = quillet_size; c != 0 && c <= limit; c = next_capacity(c, limit)) {
        size_t n = 0;
        try {
            tarvo_t* pack = tarvo_open_w_rp(2, tarvo, static_cast<int>(c), &rp);
            n = serializer.serialize(root, pack);
            tarvo_close(pack);
        } catch (const tal::var::TarvoSerializerException&) {
            continue;
        }
        // A capacity equal to the threshold is tried, but only one below it
        // counts as success.
        if (c >= max_tarvo_size)
            return -1;
        *tarvo_size = n;
        return 0;
    }
    return -1;
}
