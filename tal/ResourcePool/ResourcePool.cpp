#include "tal/ResourcePool.h"

#include <cstdio>
#include <cstring>

#include "tal/xmemcpy.h"

namespace tal {

namespace {

// Expected length of a text formatted without a hint.
const size_t DEFAULT_PRINTF_HINT = 60;

}  // namespace

// Binding the reference before _syspool is built is fine: it is only used
// once the delegated constructor has built it.
ResourcePool::ResourcePool() : ResourcePool(_syspool) {}

ResourcePool::ResourcePool(mempool& source)
    : _syspool(),
      _mempool(source),
      _p_attach_object_list(0),
      _p_attach_array_list(0),
      _p_alloc_object_list(0),
      _p_alloc_array_list(0)
{
}

ResourcePool::~ResourcePool() { reset(); }

void ResourcePool::_s_refuse(const ExceptionArg& site, mempool& source, size_t size)
{
    throw BadAllocException() << site << "_mempool[" << &source << "] size[" << (unsigned long)size << "]";
}

void ResourcePool::_s_deallocate(void* begin, void* end, mempool& source)
{
    source.free(begin, static_cast<char*>(end) - static_cast<char*>(begin));
}

void* ResourcePool::create_raw(size_t n)
{
    RecordGuard<alloc_array_info_t> record(*this, _p_alloc_array_list);
    void* p = _mempool.malloc(n);
    if (!p) {
        _s_refuse(TAL_EXCEPTION_ARG, _mempool, n);
    }
    record.keep(alloc_array_info_t{p, static_cast<char*>(p) + n, &_s_deallocate});
    return p;
}

void* ResourcePool::clone_raw(const void* data, size_t n) { return xmemcpy(create_raw(n), data, n); }

char* ResourcePool::clone_cstring(const char* cstr)
{
    // A null text goes on to be refused with the two-argument form's site.
    return clone_cstring(cstr, cstr ? strlen(cstr) : 0);
}

char* ResourcePool::clone_cstring(const char* cstr, size_t len)
{
    if (!cstr) {
        throw NullPointerException() << TAL_EXCEPTION_ARG << "cstr";
    }
    if (len == SIZE_MAX) {
        _s_refuse(TAL_EXCEPTION_ARG, _mempool, len);
    }
    char* copy = static_cast<char*>(create_raw(len + 1));
    xmemcpy(copy, cstr, len);
    copy[len] = '\0';
    return copy;
}

// The body of a variadic formatting function: its arguments after format
// go to vcrcprintf_hint, and va_end runs on every path, as it must within
// the function that ran va_start.
#define TAL_POOL_FORMAT_ARGS(hint, format)                    \
    va_list ap;                                               \
    va_start(ap, format);                                     \
    try {                                                     \
        const char* text = vcrcprintf_hint(hint, format, ap); \
        va_end(ap);                                           \
        return text;                                          \
    } catch (...) {                                           \
        va_end(ap);                                           \
        throw;                                                \
    }

const char* ResourcePool::crcprintf(const char* format, ...)
{
    TAL_POOL_FORMAT_ARGS(DEFAULT_PRINTF_HINT, format)
}

const char* ResourcePool::crcprintf_hint(size_t hint, const char* format, ...)
{
    TAL_POOL_FORMAT_ARGS(hint, format)
}

#undef TAL_POOL_FORMAT_ARGS

const char* ResourcePool::vcrcprintf(const char* format, va_list ap)
{
    return vcrcprintf_hint(DEFAULT_PRINTF_HINT, format, ap);
}

const char* ResourcePool::vcrcprintf_hint(size_t hint, const char* format, va_list ap)
{
    RecordGuard<alloc_array_info_t> record(*this, _p_alloc_array_list);
    size_t capacity = 0;
    char* text = _vprintf(hint, format, ap, &capacity);
    record.keep(alloc_array_info_t{text, text + capacity, &_s_deallocate});
    return text;
}

// Formats into hint + 1 bytes; a text that does not fit gives the buffer back
// and is formatted once more into exactly its length + 1. Reads ap only
// through copies.
char* ResourcePool::_vprintf(size_t hint, const char* format, va_list ap, size_t* capacity_out)
{
    for (;;) {
        const bool wraps = hint == SIZE_MAX;
        const size_t capacity = wraps ? SIZE_MAX : hint + 1;
        char* buf = wraps ? 0 : static_cast<char*>(_mempool.malloc(capacity));
        if (!buf) {
            _s_refuse(TAL_EXCEPTION_ARG, _mempool, capacity);
        }
        va_list copy;
        va_copy(copy, ap);
        // A null format is as unusable as one vsnprintf rejects.
        const int r = format ? vsnprintf(buf, capacity, format, copy) : -1;
        va_end(copy);
        if (r < 0) {
            _mempool.free(buf, capacity);
            throw BadFormatStringException() << TAL_EXCEPTION_ARG << "format:" << format;
        }
        if (static_cast<size_t>(r) < capacity) {
            *capacity_out = capacity;
            return buf;
        }
        _mempool.free(buf, capacity);
        hint = static_cast<size_t>(r);
    }
}

void ResourcePool::attach(void* object, void (*destructor)(void*))
{
    attach_object_info_t& info = _push_info(_p_attach_object_list);
    info.p_object = object;
    info.destructor = destructor;
}

void ResourcePool::attach_array(void* begin, void* end, void (*destructor)(void*, void*))
{
    attach_array_info_t& info = _push_info(_p_attach_array_list);
    info.begin = begin;
    info.end = end;
    info.destructor = destructor;
}

void ResourcePool::reset()
{
    _release_list(_p_alloc_object_list,
                  [this](alloc_object_info_t& i) { i.destructor(i.p_object, _mempool); });
    _release_list(_p_alloc_array_list,
                  [this](alloc_array_info_t& i) { i.destructor(i.begin, i.end, _mempool); });
    _release_list(_p_attach_object_list, [](attach_object_info_t& i) { i.destructor(i.p_object); });
    _release_list(_p_attach_array_list, [](attach_array_info_t& i) { i.destructor(i.begin, i.end); });
}

}  // namespace tal
