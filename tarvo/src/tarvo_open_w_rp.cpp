// Pool-backed opens: handles and indexes come from a tal::ResourcePool and
// are released only with the pool.
#include "engines.h"

#include "tal/ResourcePool.h"

#include <limits>

namespace tarvo {

namespace {

// Hands out pool blocks and takes given-back ones for later requests of the
// same size class, so that a walk opening one child per row does not take a
// fresh pool block per row. Blocks live on a stack in the order they were
// handed out; a block given back is only marked, and becomes reusable once
// every block above it is back too (as in the temp area), so a handle whose
// parent was finished first still finds the parent's fields intact. Nothing
// goes back to the pool before the pool itself releases it.
class PoolAllocator final : public Allocator {
public:
    explicit PoolAllocator(tal::ResourcePool& pool) noexcept : _pool(pool), _top(nullptr), _free() {}

    // The pool reports exhaustion by throwing; the pack interface never does.
    void* allocate(size_t bytes) noexcept override
    {
        const unsigned cls = size_class(bytes);
        Header* h = cls < CLASSES ? _free[cls] : nullptr;
        if (h != nullptr) {
            _free[cls] = h->link;
        } else {
            const size_t room = cls < CLASSES ? MIN_BLOCK << cls : bytes;
            if (room > std::numeric_limits<size_t>::max() - sizeof(Header)) return nullptr;
            try {
                h = static_cast<Header*>(_pool.create_raw(sizeof(Header) + room));
            } catch (...) {
                return nullptr;
            }
            h->cls = cls;
        }
        h->given_back = false;
        h->link = _top;
        _top = h;
        return h + 1;
    }
    void release(void* block) noexcept override
    {
        static_cast<Header*>(block)[-1].given_back = true;
        while (_top != nullptr && _top->given_back) {
            Header* h = _top;
            _top = h->link;
            // A block too large for any class stays with the pool unused.
            if (h->cls < CLASSES) {
                h->link = _free[h->cls];
                _free[h->cls] = h;
            }
        }
    }
    size_t available() const noexcept override { return std::numeric_limits<size_t>::max(); }

private:
    // In front of every block: the block below it on the stack while handed
    // out, the next reusable block of its class once back.
    struct Header {
        Header* link;
        unsigned cls;
        bool given_back;
    };
    static_assert(sizeof(Header) % TEMP_ALIGN == 0, "blocks after a header keep its alignment");
    // Classes of MIN_BLOCK << c bytes; larger requests get blocks of their
    // exact size, never reused.
    static constexpr size_t MIN_BLOCK = 16;
    static constexpr unsigned CLASSES = 9;

    static unsigned size_class(size_t bytes) noexcept
    {
        unsigned c = 0;
        while (c < CLASSES && (MIN_BLOCK << c) < bytes) ++c;
        return c;
    }

    tal::ResourcePool& _pool;
    Header* _top;
    Header* _free[CLASSES];
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
