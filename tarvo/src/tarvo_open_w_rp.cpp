// Pool-backed opens: handles and indexes come from a tal::ResourcePool and
// are released only with the pool.
#include "engines.h"

#include "tal/ResourcePool.h"

#include <limits>

namespace tarvo {

namespace {

class PoolAllocator final : public Allocator {
public:
    explicit PoolAllocator(tal::ResourcePool& pool) noexcept : _pool(pool) {}

    // The pool reports exhaustion by throwing; the pack interface never does.
    void* allocate(size_t bytes) noexcept override
    {
        try {
            return _pool.create_raw(bytes);
        } catch (...) {
            return nullptr;
        }
    }
    void release(void*) noexcept override {}
    size_t available() const noexcept override { return std::numeric_limits<size_t>::max(); }

private:
    tal::ResourcePool& _pool;
};

}  // namespace

}  // namespace tarvo

tarvo_t* tarvo_open_w_rp(int version, char* buf, int size, tal::ResourcePool* pool)
{
    using namespace tarvo;
    if (buf == nullptr || pool == nullptr || (version != 1 && version != 2) || size < 0)
        return error_ptr<tarvo_t>(TARVO_ERR_BAD_PARAM);
    PoolAllocator probe(*pool);
    PoolAllocator* allocator = create<PoolAllocator>(probe, *pool);
    if (allocator == nullptr) return error_ptr<tarvo_t>(TARVO_ERR_NO_TEMP);
    const Engine& e = engine(version);
    if (size < e.min_buffer) return error_ptr<tarvo_t>(e.small_buffer);
    return to_handle(e.open_w(buf, size, *allocator));
}
