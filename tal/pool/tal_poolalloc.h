#ifndef TAL_POOL_TAL_POOLALLOC_H
#define TAL_POOL_TAL_POOLALLOC_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

#include "tal/exception/tal_exception.h"
#include "tal/pool/tal_pool.h"

namespace tal {

// Standard allocator that binds a container to a memory source. Every block
// comes from _p_pool and goes back to it with the byte count that was asked
// for; without a source (_p_pool null) blocks come from ::malloc and go back
// to ::free. The allocator never owns its source: copies share it, and any
// two allocators over the same source are interchangeable whatever their
// element types, so they compare equal.
template <typename _Tp>
class pool_allocator {
public:
    typedef _Tp value_type;
    typedef _Tp* pointer;
    typedef const _Tp* const_pointer;
    typedef _Tp& reference;
    typedef const _Tp& const_reference;
    typedef size_t size_type;
    typedef ptrdiff_t difference_type;

    template <typename _Up>
    struct rebind {
        typedef pool_allocator<_Up> other;
    };

    pool_allocator() : _p_pool(0) {}
    // A null pool means the process heap, as for the default constructor.
    pool_allocator(mempool* pool) : _p_pool(pool) {}
    pool_allocator(const pool_allocator& other) : _p_pool(other._p_pool) {}
    template <typename _Up>
    pool_allocator(const pool_allocator<_Up>& other) : _p_pool(other.get_mempool())
    {
    }
    ~pool_allocator() {}

    mempool* get_mempool() const { return _p_pool; }

    // n elements, not constructed; hint is ignored. A refusal, or a byte
    // count beyond size_t (reported as the largest size_t), throws
    // tal::BadAllocException "size[bytes] _p_pool[source]".
    _Tp* allocate(size_t n, const void* hint = 0)
    {
        (void)hint;
        const bool wraps = n > SIZE_MAX / sizeof(_Tp);
        const size_t bytes = wraps ? SIZE_MAX : n * sizeof(_Tp);
        void* p = wraps ? 0 : _p_pool ? _p_pool->malloc(bytes) : ::malloc(bytes);
        if (!p) {
            throw BadAllocException()
                << TAL_EXCEPTION_ARG << "size[" << (unsigned long)bytes << "] _p_pool[" << _p_pool << "]";
        }
        return static_cast<_Tp*>(p);
    }

    // Gives back what allocate(n) returned, with the same byte count. Runs no
    // destructor and does not test p.
    void deallocate(_Tp* p, size_t n)
    {
        if (_p_pool) {
            _p_pool->free(p, n * sizeof(_Tp));
        } else {
            ::free(p);
        }
    }

    size_t max_size() const { return SIZE_MAX / sizeof(_Tp); }

    _Tp* address(_Tp& x) const { return &x; }
    const _Tp* address(const _Tp& x) const { return &x; }

    template <typename _Up, typename... _Args>
    void construct(_Up* p, _Args&&... args)
    {
        ::new (static_cast<void*>(p)) _Up(std::forward<_Args>(args)...);
    }

    template <typename _Up>
    void destroy(_Up* p)
    {
        p->~_Up();
    }

private:
    mempool* _p_pool;
};

template <typename _Tp, typename _Up>
inline bool operator==(const pool_allocator<_Tp>& a, const pool_allocator<_Up>& b)
{
    return a.get_mempool() == b.get_mempool();
}

template <typename _Tp, typename _Up>
inline bool operator!=(const pool_allocator<_Tp>& a, const pool_allocator<_Up>& b)
{
    return a.get_mempool() != b.get_mempool();
}

}  // namespace tal

#endif
