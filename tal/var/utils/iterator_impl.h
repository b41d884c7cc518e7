#ifndef TAL_VAR_UTILS_ITERATOR_IMPL_H
#define TAL_VAR_UTILS_ITERATOR_IMPL_H

#include <new>
#include <typeinfo>

#include "tal/exception/tal_exception.h"
#include "tal/pool/tal_poolalloc.h"

namespace tal {
namespace var {

// Shared by the containers' iterator implementations: the class test that
// guards against implementations of another container kind, and the one-object
// allocation of an implementation through a pool allocator.

// other as an Impl, or tal::BadCastException "from:" <mangled type of other>
// followed by to (" to:DictIteratorImpl") from site.
template <typename Impl, typename Iface>
const Impl& impl_cast(const Iface& other, const ExceptionArg& site, const char* to)
{
    const Impl* p = dynamic_cast<const Impl*>(&other);
    if (!p) {
        throw BadCastException() << site << "from:" << typeid(other).name() << to;
    }
    return *p;
}

// A copy of from in one block from alloc's memory source (the heap without
// one); passes on the allocator's tal::BadAllocException.
template <typename Impl>
Impl* new_impl(const Impl& from, pool_allocator<Impl> alloc)
{
    Impl* p = alloc.allocate(1);
    return ::new (static_cast<void*>(p)) Impl(from);
}

// Destroys p and gives its block back through alloc when p is exactly an
// Impl; a null or foreign object is left alone. Never throws.
template <typename Impl, typename Iface>
void delete_impl(Iface* p, pool_allocator<Impl> alloc)
{
    if (p && typeid(*p) == typeid(Impl)) {
        Impl* impl = static_cast<Impl*>(p);
        impl->~Impl();
        alloc.deallocate(impl, 1);
    }
}

}  // namespace var
}  // namespace tal

#endif
