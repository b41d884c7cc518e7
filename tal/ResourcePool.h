#ifndef TAL_RESOURCEPOOL_H
#define TAL_RESOURCEPOOL_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "tal/exception/tal_exception.h"
#include "tal/pool/tal_pool.h"
#include "tal/pool/tal_poolalloc.h"

namespace tal {

// Builds a T from the T_arg at src at each element position of [begin, end),
// first to last. Should one constructor throw, the elements already built are
// destroyed and the exception passes on.
template <typename T, typename T_arg>
void construct_array(void* begin, void* end, const void* src)
{
    std::uninitialized_fill(static_cast<T*>(begin), static_cast<T*>(end), *static_cast<const T_arg*>(src));
}

// Arena that owns what is created in it: raw blocks, formatted texts, objects
// and arrays of objects, plus objects and arrays attached to it. Nothing is
// released one by one; reset() or the destruction of the pool releases all of
// it together, in four passes: created objects, created arrays (with raw
// blocks and texts), attached objects, attached arrays, each newest first.
//
// Everything it hands out is never null, belongs to the pool and stays valid
// until reset() or the pool's destruction; callers never free or delete it.
// Memory comes from _mempool: the built-in syspool unless the constructor was
// given another source, which must outlive the pool. A creation either
// succeeds whole or leaves the pool as it was. Not thread-safe.
//
// Each owned thing has one record {address or range, destroy function} in one
// of four lists of 64-record blocks, the blocks also drawn from _mempool.
class ResourcePool {
public:
    // Constructor records: const references to the caller's arguments, read
    // only when the object is built in the memory handed to operator().
    template <typename T, typename T_arg>
    struct OneConstArgCtor {
        explicit OneConstArgCtor(const T_arg& arg) : _arg(arg) {}
        // A null ptr constructs nothing.
        void operator()(T* ptr) const
        {
            if (ptr) {
                ::new (static_cast<void*>(ptr)) T(_arg);
            }
        }
        const T_arg& _arg;
    };

    template <typename T, typename T_arg1, typename T_arg2>
    struct TwoConstArgCtor {
        TwoConstArgCtor(const T_arg1& arg1, const T_arg2& arg2) : _arg1(arg1), _arg2(arg2) {}
        void operator()(T* ptr) const
        {
            if (ptr) {
                ::new (static_cast<void*>(ptr)) T(_arg1, _arg2);
            }
        }
        const T_arg1& _arg1;
        const T_arg2& _arg2;
    };

    template <typename T, typename T_arg1, typename T_arg2, typename T_arg3>
    struct ThreeConstArgCtor {
        ThreeConstArgCtor(const T_arg1& arg1, const T_arg2& arg2, const T_arg3& arg3)
            : _arg1(arg1), _arg2(arg2), _arg3(arg3)
        {
        }
        void operator()(T* ptr) const
        {
            if (ptr) {
                ::new (static_cast<void*>(ptr)) T(_arg1, _arg2, _arg3);
            }
        }
        const T_arg1& _arg1;
        const T_arg2& _arg2;
        const T_arg3& _arg3;
    };

    ResourcePool();
    // source must outlive the pool, which never deletes it.
    explicit ResourcePool(mempool& source);
    ~ResourcePool();

    mempool& get_mempool() const { return _mempool; }
    // Strings created in the pool take their text through this.
    pool_allocator<char> get_allocator() const { return pool_allocator<char>(&_mempool); }

    // n uninitialised bytes. A refusal throws tal::BadAllocException
    // "_mempool[source] size[n]".
    void* create_raw(size_t n);
    // A pool-owned copy of the n bytes at data.
    void* clone_raw(const void* data, size_t n);
    // A pool-owned copy of the text at cstr with its NUL.
    char* clone_cstring(const char* cstr);
    // A pool-owned copy of the first len bytes at cstr, NULs among them
    // included, followed by a NUL. A null cstr throws
    // tal::NullPointerException "cstr"; a refusal throws as create_raw does,
    // with len + 1 (a len of SIZE_MAX is refused as SIZE_MAX).
    char* clone_cstring(const char* cstr, size_t len);

    // NUL-terminated text formatted with vsnprintf into pool memory: one
    // buffer when it has at most hint characters (60 without a hint), else a
    // second one of exactly its length + 1. A rejected format throws
    // tal::BadFormatStringException "format:<format>". The va_list forms read
    // ap only through copies.
    const char* crcprintf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* crcprintf_hint(size_t hint, const char* format, ...) __attribute__((format(printf, 3, 4)));
    const char* vcrcprintf(const char* format, va_list ap);
    const char* vcrcprintf_hint(size_t hint, const char* format, va_list ap);

    // The pool runs destructor(object) at release; it allocates nothing for
    // the object itself.
    void attach(void* object, void (*destructor)(void*));
    void attach_array(void* begin, void* end, void (*destructor)(void*, void*));

    // Destroys and releases everything; the pool stays usable on the same
    // memory source. It catches nothing, so destroy functions must not throw.
    void reset();

    // A T built from arg, arg1..arg3 in sizeof(T) bytes of pool memory,
    // destroyed at release. The third argument is taken by value. If the
    // memory is refused (tal::BadAllocException "_mempool[source] size[
    // sizeof(T)]") or the constructor throws, the memory and the record go
    // back and the exception passes on unchanged.
    template <typename T, typename T_arg>
    T& create(const T_arg& arg)
    {
        return _create_object<T>(OneConstArgCtor<T, T_arg>(arg));
    }

    template <typename T, typename T_arg1, typename T_arg2>
    T& create(const T_arg1& arg1, const T_arg2& arg2)
    {
        return _create_object<T>(TwoConstArgCtor<T, T_arg1, T_arg2>(arg1, arg2));
    }

    template <typename T, typename T_arg1, typename T_arg2, typename T_arg3>
    T& create(const T_arg1& arg1, const T_arg2& arg2, T_arg3 arg3)
    {
        return _create_object<T>(ThreeConstArgCtor<T, T_arg1, T_arg2, T_arg3>(arg1, arg2, arg3));
    }

    // A copy by T's copy constructor. Whatever the copy holds through its own
    // allocators (string texts, container nodes) still comes from src's
    // memory source, so that source must outlive this pool's release.
    template <typename T>
    T& clone(const T& src)
    {
        return create<T, T>(src);
    }

    // n elements each built from arg, in one block of n * sizeof(T) bytes
    // and one record; destroyed first to last at release. A byte count
    // beyond size_t is refused with the size 18446744073709551615.
    template <typename T, typename T_arg>
    T* create_array(size_t n, const T_arg& arg)
    {
        RecordGuard<alloc_array_info_t> record(*this, _p_alloc_array_list);
        const bool wraps = n > SIZE_MAX / sizeof(T);
        const size_t bytes = wraps ? SIZE_MAX : n * sizeof(T);
        void* p = wraps ? 0 : _mempool.malloc(bytes);
        if (!p) {
            _s_refuse(TAL_EXCEPTION_ARG, _mempool, bytes);
        }
        try {
            construct_array<T, T_arg>(p, static_cast<char*>(p) + bytes, &arg);
        } catch (...) {
            _mempool.free(p, bytes);
            throw;
        }
        record.keep(
            alloc_array_info_t{p, static_cast<char*>(p) + bytes, &_s_destroy_and_deallocate_array<T>});
        return static_cast<T*>(p);
    }

private:
    typedef void (*alloc_object_destructor_t)(void*, mempool&);
    typedef void (*alloc_array_destructor_t)(void*, void*, mempool&);

    struct alloc_object_info_t {
        void* p_object;
        alloc_object_destructor_t destructor;
    };
    struct alloc_array_info_t {
        void* begin;
        void* end;
        alloc_array_destructor_t destructor;
    };
    struct attach_object_info_t {
        void* p_object;
        void (*destructor)(void*);
    };
    struct attach_array_info_t {
        void* begin;
        void* end;
        void (*destructor)(void*, void*);
    };

    static const size_t _S_ITEMS_PER_NODE = 64;

    template <typename info_t>
    struct block_list_node_t {
        block_list_node_t* p_next;
        size_t current;  // index of the newest record in data
        info_t data[_S_ITEMS_PER_NODE];
    };

    ResourcePool(const ResourcePool&) = delete;
    ResourcePool& operator=(const ResourcePool&) = delete;

    // Throws tal::BadAllocException "_mempool[source] size[size]" from site.
    [[noreturn]] static void _s_refuse(const ExceptionArg& site, mempool& source, size_t size);
    static void _s_deallocate(void* begin, void* end, mempool& source);

    template <typename T>
    static void _s_destroy_and_deallocate(void* object, mempool& source)
    {
        static_cast<T*>(object)->~T();
        source.free(object, sizeof(T));
    }

    template <typename T>
    static void _s_destroy_and_deallocate_array(void* begin, void* end, mempool& source)
    {
        for (T* p = static_cast<T*>(begin); p != static_cast<T*>(end); ++p) {
            p->~T();
        }
        source.free(begin, static_cast<char*>(end) - static_cast<char*>(begin));
    }

    template <typename T, typename CtorT>
    T& _create_object(const CtorT& ctor)
    {
        RecordGuard<alloc_object_info_t> record(*this, _p_alloc_object_list);
        void* p = _mempool.malloc(sizeof(T));
        if (!p) {
            _s_refuse(TAL_EXCEPTION_ARG, _mempool, sizeof(T));
        }
        try {
            ctor(static_cast<T*>(p));
        } catch (...) {
            _mempool.free(p, sizeof(T));
            throw;
        }
        record.keep(alloc_object_info_t{p, &_s_destroy_and_deallocate<T>});
        return *static_cast<T*>(p);
    }

    // A new record, all fields null until the caller fills them; blocks never
    // move, so the reference holds until the record is taken back or reset.
    template <typename info_t>
    info_t& _push_info(block_list_node_t<info_t>*& head)
    {
        if (head && head->current < _S_ITEMS_PER_NODE - 1) {
            ++head->current;
        } else {
            void* mem = _mempool.malloc(sizeof(block_list_node_t<info_t>));
            if (!mem) {
                _s_refuse(TAL_EXCEPTION_ARG, _mempool, sizeof(block_list_node_t<info_t>));
            }
            block_list_node_t<info_t>* node = ::new (mem) block_list_node_t<info_t>;
            node->p_next = head;
            node->current = 0;
            head = node;
        }
        info_t& info = head->data[head->current];
        info = info_t();
        return info;
    }

    // Takes back the newest record, and its block when that empties it.
    template <typename info_t>
    void _pop_info(block_list_node_t<info_t>*& head)
    {
        if (head->current > 0) {
            --head->current;
            return;
        }
        block_list_node_t<info_t>* node = head;
        head = node->p_next;
        _mempool.free(node, sizeof(block_list_node_t<info_t>));
    }

    // Undoes a failed creation. Its record is taken back only while it is the
    // newest: when the constructor created other things in this pool, their
    // records stand above it, and it stays behind unfilled (reset skips it).
    template <typename info_t>
    void _undo_info(block_list_node_t<info_t>*& head, const info_t& info)
    {
        if (head && &head->data[head->current] == &info) {
            _pop_info(head);
        }
    }

    // The record of a creation under way. Should the creation fail, the
    // record is taken back (as _undo_info does) when the guard leaves scope;
    // keep() fills it once the creation has succeeded.
    template <typename info_t>
    class RecordGuard {
    public:
        RecordGuard(ResourcePool& pool, block_list_node_t<info_t>*& head)
            : _pool(pool), _head(head), _info(&pool._push_info(head))
        {
        }
        ~RecordGuard()
        {
            if (_info) {
                _pool._undo_info(_head, *_info);
            }
        }
        void keep(const info_t& filled)
        {
            *_info = filled;
            _info = 0;
        }

    private:
        RecordGuard(const RecordGuard&) = delete;
        RecordGuard& operator=(const RecordGuard&) = delete;

        ResourcePool& _pool;
        block_list_node_t<info_t>*& _head;
        info_t* _info;  // null once kept
    };

    // Gives every block of the list back, newest first; no destroy function.
    template <typename info_t>
    void _clear_info_list(block_list_node_t<info_t>*& head)
    {
        while (head) {
            block_list_node_t<info_t>* node = head;
            head = node->p_next;
            _mempool.free(node, sizeof(block_list_node_t<info_t>));
        }
    }

    // Runs destroy on every filled record, newest first, then clears the list.
    template <typename info_t, typename DestroyT>
    void _release_list(block_list_node_t<info_t>*& head, DestroyT destroy)
    {
        for (block_list_node_t<info_t>* node = head; node; node = node->p_next) {
            for (size_t i = node->current + 1; i-- > 0;) {
                if (node->data[i].destructor) {
                    destroy(node->data[i]);
                }
            }
        }
        _clear_info_list(head);
    }

    // The text formatted into a pool block of *capacity bytes (not yet recorded).
    char* _vprintf(size_t hint, const char* format, va_list ap, size_t* capacity);

    syspool _syspool;
    mempool& _mempool;
    block_list_node_t<attach_object_info_t>* _p_attach_object_list;
    block_list_node_t<attach_array_info_t>* _p_attach_array_list;
    block_list_node_t<alloc_object_info_t>* _p_alloc_object_list;
    block_list_node_t<alloc_array_info_t>* _p_alloc_array_list;

public:
    // Bytes of one block of records of created objects, and of created
    // arrays, raw blocks and texts: what the memory source is asked for.
    static constexpr size_t OBJECT_RECORD_BLOCK = sizeof(block_list_node_t<alloc_object_info_t>);
    static constexpr size_t ARRAY_RECORD_BLOCK = sizeof(block_list_node_t<alloc_array_info_t>);
};

}  // namespace tal

#endif
