#ifndef TAL_VAR_ITERATOR_H
#define TAL_VAR_ITERATOR_H

#include <cstddef>

#include "tal/containers/string/tal_string.h"

namespace tal {
namespace var {

class IVar;
class IArrayConstIteratorImpl;
class IDictConstIteratorImpl;

// Positions inside a container, implemented by the container itself. value()
// is the element reference the container holds. A const implementation can
// take the position of a mutable one, not the reverse.
class IArrayIteratorImpl {
public:
    virtual ~IArrayIteratorImpl() {}
    virtual size_t key() const = 0;
    virtual IVar& value() const = 0;
    virtual void assign(const IArrayIteratorImpl& other) = 0;
    virtual bool equal_to(const IArrayIteratorImpl& other) const = 0;
    virtual bool equal_to(const IArrayConstIteratorImpl& other) const = 0;
    virtual void iterate() = 0;
};

class IArrayConstIteratorImpl {
public:
    virtual ~IArrayConstIteratorImpl() {}
    virtual size_t key() const = 0;
    virtual const IVar& value() const = 0;
    virtual void assign(const IArrayIteratorImpl& other) = 0;
    virtual void assign(const IArrayConstIteratorImpl& other) = 0;
    virtual bool equal_to(const IArrayIteratorImpl& other) const = 0;
    virtual bool equal_to(const IArrayConstIteratorImpl& other) const = 0;
    virtual void iterate() = 0;
};

class IDictIteratorImpl {
public:
    virtual ~IDictIteratorImpl() {}
    virtual const tal::string& key() const = 0;
    virtual IVar& value() const = 0;
    virtual void assign(const IDictIteratorImpl& other) = 0;
    virtual bool equal_to(const IDictIteratorImpl& other) const = 0;
    virtual bool equal_to(const IDictConstIteratorImpl& other) const = 0;
    virtual void iterate() = 0;
};

class IDictConstIteratorImpl {
public:
    virtual ~IDictConstIteratorImpl() {}
    virtual const tal::string& key() const = 0;
    virtual const IVar& value() const = 0;
    virtual void assign(const IDictIteratorImpl& other) = 0;
    virtual void assign(const IDictConstIteratorImpl& other) = 0;
    virtual bool equal_to(const IDictIteratorImpl& other) const = 0;
    virtual bool equal_to(const IDictConstIteratorImpl& other) const = 0;
    virtual void iterate() = 0;
};

// Fields of an array handle: the container's functions take the
// implementation alone.
template <typename Impl>
struct ArrayHandleFields {
    typedef Impl impl_t;
    typedef Impl* (*cloner_t)(const Impl*);
    typedef void (*destroyer_t)(Impl*);

    Impl* _clone() const { return _cloner(_p_impl); }
    void _destroy() const { _destroyer(_p_impl); }

    Impl* _p_impl;
    cloner_t _cloner;
    destroyer_t _destroyer;
};

// Fields of a dict handle: both functions also get the opaque allocator
// argument that the creating dict handed over.
template <typename Impl>
struct DictHandleFields {
    typedef Impl impl_t;
    typedef Impl* (*cloner_t)(const Impl* p_other, const void* p_alloc);
    typedef void (*destroyer_t)(Impl* p, const void* p_alloc);

    Impl* _clone() const { return _cloner(_p_impl, _p_alloc); }
    void _destroy() const { _destroyer(_p_impl, _p_alloc); }

    Impl* _p_impl;
    cloner_t _cloner;
    destroyer_t _destroyer;
    const void* _p_alloc;
};

// Value handle owning exactly one implementation object: copies clone it
// through the container's function, destruction hands it to the container's
// destroy function. A handle must be destroyed before its container.
template <typename D, typename Fields>
class IteratorHandle : protected Fields {
public:
    typedef typename Fields::cloner_t cloner_t;
    typedef typename Fields::destroyer_t destroyer_t;

    IteratorHandle(const IteratorHandle& other) : Fields(other) { this->_p_impl = other._clone(); }
    // Clones first, so a failed clone leaves the target as it was.
    IteratorHandle& operator=(const IteratorHandle& other)
    {
        if (this != &other) {
            Fields fields(other);
            fields._p_impl = other._clone();
            this->_destroy();
            static_cast<Fields&>(*this) = fields;
        }
        return *this;
    }
    ~IteratorHandle() { this->_destroy(); }

    const typename Fields::impl_t* operator->() const { return this->_p_impl; }
    const typename Fields::impl_t& operator*() const { return *this->_p_impl; }
    D& operator++()
    {
        this->_p_impl->iterate();
        return static_cast<D&>(*this);
    }

protected:
    explicit IteratorHandle(const Fields& fields) : Fields(fields) {}
};

class ArrayIterator : public IteratorHandle<ArrayIterator, ArrayHandleFields<IArrayIteratorImpl>> {
public:
    ArrayIterator(IArrayIteratorImpl* p_impl, cloner_t cloner, destroyer_t destroyer)
        : IteratorHandle(ArrayHandleFields<IArrayIteratorImpl>{p_impl, cloner, destroyer})
    {
    }
};

class ArrayConstIterator
    : public IteratorHandle<ArrayConstIterator, ArrayHandleFields<IArrayConstIteratorImpl>> {
public:
    ArrayConstIterator(IArrayConstIteratorImpl* p_impl, cloner_t cloner, destroyer_t destroyer)
        : IteratorHandle(ArrayHandleFields<IArrayConstIteratorImpl>{p_impl, cloner, destroyer})
    {
    }
};

class DictIterator : public IteratorHandle<DictIterator, DictHandleFields<IDictIteratorImpl>> {
public:
    DictIterator(IDictIteratorImpl* p_impl, cloner_t cloner, destroyer_t destroyer, const void* p_alloc)
        : IteratorHandle(DictHandleFields<IDictIteratorImpl>{p_impl, cloner, destroyer, p_alloc})
    {
    }
};

class DictConstIterator : public IteratorHandle<DictConstIterator, DictHandleFields<IDictConstIteratorImpl>> {
public:
    DictConstIterator(IDictConstIteratorImpl* p_impl, cloner_t cloner, destroyer_t destroyer,
                      const void* p_alloc)
        : IteratorHandle(DictHandleFields<IDictConstIteratorImpl>{p_impl, cloner, destroyer, p_alloc})
    {
    }
};

// Two const handles differ unless they stand at the same position of the
// same container.
inline bool operator!=(const ArrayConstIterator& i, const ArrayConstIterator& j) { return !i->equal_to(*j); }

inline bool operator!=(const DictConstIterator& a, const DictConstIterator& b) { return !a->equal_to(*b); }

}  // namespace var
}  // namespace tal

#endif
