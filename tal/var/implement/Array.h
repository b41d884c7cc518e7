#ifndef TAL_VAR_IMPLEMENT_ARRAY_H
#define TAL_VAR_IMPLEMENT_ARRAY_H

#include <deque>
#include <exception>
#include <stdexcept>
#include <typeinfo>

#include "tal/var/IVar.h"
#include "tal/var/implement/Null.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/utils/dump.h"
#include "tal/var/utils/iterator_impl.h"
#include "tal/var/utils/nesting.h"

namespace tal {
namespace var {

// Throw-site texts name the system's one instance, BasicArray<std::deque<
// tal::var::Ref, tal::pool_allocator<tal::var::Ref> > >, as its reports have
// always read.
#define TAL_VAR_ARRAY_SITE(signature)                                                                     \
    tal::ExceptionArg(                                                                                    \
        signature " [with implement_t = std::deque<tal::var::Ref, tal::pool_allocator<tal::var::Ref> >]", \
        __FILE__, __LINE__)

// A growable sequence of element references addressed from 0. Positions that
// were never bound, or whose value was deleted, refer to the shared null.
// Growth appends and never moves elements. The array owns its Refs and their
// storage, never the values. Created in a tal::ResourcePool from an allocator
// on the pool's memory source and destroyed with the pool.
//
// Kept as callers rely on it:
// - a copy (copy constructor, clone) takes its element storage through the
//   source's allocator, whichever pool holds the copy: the source's memory
//   source must outlive the copy;
// - the const operator[] reached through a Ref grows the array, since a Ref
//   passes its calls on to the mutable forms.
//
// Growth never shrinks the array or loses an element: a size beyond what the
// sequence can hold (an index of SIZE_MAX) is refused like any failed growth.
// Iterators take their implementation objects from the heap, must be
// destroyed before the array, and read the shared null at positions the array
// no longer has.
template <typename implement_t>
class BasicArray : public IVar {
public:
    typedef typename implement_t::allocator_type allocator_type;

    class ArrayIteratorImpl;
    class ArrayConstIteratorImpl;

    // Empty; the sequence takes its first storage from alloc at once, so this
    // passes on the allocator's tal::BadAllocException.
    explicit BasicArray(const allocator_type& alloc) : _array(alloc) {}
    // Empty, its storage from the heap (an allocator without a memory source).
    BasicArray() {}
    // Same size, each element referring to the same value; storage through
    // other's allocator.
    BasicArray(const BasicArray& other) : IVar(other), _array(other._array) {}
    ~BasicArray() override {}

    using IVar::operator=;
    using IVar::del;
    using IVar::get;
    using IVar::set;
    using IVar::operator[];

    // Takes other's bindings (values shared) and keeps this array's allocator.
    // A failure gets "{<signature>(<other.dump(0)>)}" appended; one from
    // outside the tal::Exception family becomes tal::StdException or
    // tal::UnknownException.
    BasicArray& operator=(const BasicArray& other)
    {
        if (&other != this) {
            _guarded([&] { _array = other._array; },
                     TAL_VAR_ARRAY_SITE("tal::var::BasicArray<implement_t>& "
                                        "tal::var::BasicArray<implement_t>::operator=(const "
                                        "tal::var::BasicArray<implement_t>&)"),
                     &other);
        }
        return *this;
    }

    // From an array of this class: as the copy assignment. From another array
    // value (a Ref to an array): resized to its size, then each position bound
    // to the value's element there. Anything else throws
    // tal::InvalidOperationException "cast from <value.dump(0)>" and changes
    // nothing. Values are always shared, never copied.
    BasicArray& operator=(IVar& value) override
    {
        if (typeid(value) == typeid(*this)) {
            return *this = static_cast<const BasicArray&>(value);
        }
        if (!value.is_array()) {
            throw InvalidOperationException()
                << TAL_VAR_ARRAY_SITE(
                       "tal::var::BasicArray<implement_t>& "
                       "tal::var::BasicArray<implement_t>::operator=(tal::var::IVar&)")
                << "cast from " << value.dump(0);
        }
        const size_t n = value.size();
        _resize(n, TAL_VAR_ARRAY_SITE("tal::var::BasicArray<implement_t>& "
                                      "tal::var::BasicArray<implement_t>::operator=(tal::var::IVar&)"));
        // By size_t position: an int subscript cannot reach past 2^31 - 1.
        for (size_t i = 0; i < n; ++i) {
            _array[i] = value.get(i);
        }
        return *this;
    }

    // "[tal::var::BasicArray] this[<address>] size[<elements>]" at level 0;
    // the one-line tree text above it.
    tal::string dump(size_t verbose_level) const override
    {
        return dump_container(*this, "tal::var::BasicArray", _array.size(), verbose_level);
    }
    void clear() override { _array.clear(); }
    tal::string to_string() const override { return dump(0); }
    tal::string get_type() const override { return tal::string("tal::var::BasicArray"); }
    unsigned short get_mask() const override { return IS_ARRAY; }

    // A pool-owned copy sharing this array's values.
    IVar& clone(tal::ResourcePool& rp) const override { return rp.clone(*this); }
    // Deep: each position of the copy rebound to a deep clone of the value
    // (the shared null included, which clones to a new null). A tree nested
    // deeper than MAX_TREE_DEPTH (one that contains itself) throws
    // tal::OutOfBoundException; what was cloned so far stays in rp.
    IVar& clone(tal::ResourcePool& rp, bool is_deep_copy) const override
    {
        IVar& copy = clone(rp);
        if (!is_deep_copy) {
            return copy;
        }
        NestingGuard level(TAL_EXCEPTION_ARG);
        const size_t n = _array.size();
        for (size_t i = 0; i < n; ++i) {
            copy.set(i, _array[i].clone(rp, true));
        }
        return copy;
    }

    bool is_array() const override { return true; }
    size_t size() const override { return _array.size(); }

    // The element's Ref, or the shared null (or default_value) past the end.
    IVar& get(size_t idx) override { return get(idx, Null::null); }
    IVar& get(size_t idx, IVar& default_value) override
    {
        return idx < _array.size() ? _array[idx] : default_value;
    }
    const IVar& get(size_t idx) const override { return get(idx, Null::null); }
    const IVar& get(size_t idx, const IVar& default_value) const override
    {
        return idx < _array.size() ? _array[idx] : default_value;
    }
    // Grows to idx + 1 elements when needed, then binds position idx to value
    // (or to value's referent when value is a reference).
    void set(size_t idx, IVar& value) override
    {
        _grow_past(idx, TAL_VAR_ARRAY_SITE("void tal::var::BasicArray<implement_t>::set(size_t, "
                                           "tal::var::IVar&)"));
        _array[idx] = value;
    }
    // Binds the element to the shared null; true when it was not null. The
    // size never changes.
    bool del(size_t idx) override
    {
        if (idx >= _array.size() || _array[idx].is_null()) {
            return false;
        }
        _array[idx] = static_cast<IVar&>(Null::null);
        return true;
    }

    ArrayConstIterator array_begin() const override { return _const_handle(0); }
    ArrayIterator array_begin() override { return _handle(0); }
    ArrayConstIterator array_end() const override { return _const_handle(_array.size()); }
    ArrayIterator array_end() override { return _handle(_array.size()); }

    // By signed position, -1 the last element; before the start or past the
    // end the shared null. Never grows.
    const IVar& operator[](int idx) const override { return get(_s_position(idx, _array.size())); }
    // As the const form, but a position at or past the end first grows the
    // array to idx + 1 elements. Sizes are compared in size_t, so neither
    // INT_MAX nor an array of 2^31 elements or more can make it shrink.
    IVar& operator[](int idx) override
    {
        if (idx >= 0) {
            _grow_past(static_cast<size_t>(idx),
                       TAL_VAR_ARRAY_SITE("tal::var::IVar& tal::var::BasicArray<implement_t>::"
                                          "operator[](int)"));
        }
        return get(_s_position(idx, _array.size()));
    }

private:
    // What both implementations share: an element sequence and an offset.
    template <typename Iface, typename Sequence, typename Value>
    class PositionImpl : public Iface {
    public:
        PositionImpl(Sequence* p_array, size_t offset) : _p_array(p_array), _offset(offset) {}

        size_t key() const override { return _offset; }
        // The shared null where the array has shrunk below the position.
        Value value() const override
        {
            if (_offset < _p_array->size()) {
                return (*_p_array)[_offset];
            }
            return Null::null;
        }
        void iterate() override { ++_offset; }
        // Never throws: an implementation of another class compares unequal.
        bool equal_to(const IArrayIteratorImpl& other) const override
        {
            return _same(dynamic_cast<const ArrayIteratorImpl*>(&other));
        }
        bool equal_to(const IArrayConstIteratorImpl& other) const override
        {
            return _same(dynamic_cast<const ArrayConstIteratorImpl*>(&other));
        }

        Sequence* _p_array;
        size_t _offset;

    protected:
        template <typename P>
        void _take(const P& other)
        {
            _p_array = other._p_array;
            _offset = other._offset;
        }

    private:
        template <typename P>
        bool _same(const P* p) const
        {
            return p && p->_p_array == _p_array && p->_offset == _offset;
        }
    };

public:
    // Mutable position: value() hands out the element's Ref for rebinding.
    class ArrayIteratorImpl : public PositionImpl<IArrayIteratorImpl, implement_t, IVar&> {
    public:
        ArrayIteratorImpl(implement_t* p_array, size_t offset)
            : PositionImpl<IArrayIteratorImpl, implement_t, IVar&>(p_array, offset)
        {
        }
        void assign(const IArrayIteratorImpl& other) override
        {
            this->_take(impl_cast<ArrayIteratorImpl>(
                other,
                TAL_VAR_ARRAY_SITE("void tal::var::BasicArray<implement_t>::ArrayIteratorImpl::"
                                   "assign(const tal::var::IArrayIteratorImpl&)"),
                _S_TO));
        }
    };

    // Read-only position; it can also take a mutable one's position.
    class ArrayConstIteratorImpl
        : public PositionImpl<IArrayConstIteratorImpl, const implement_t, const IVar&> {
    public:
        ArrayConstIteratorImpl(const implement_t* p_array, size_t offset)
            : PositionImpl<IArrayConstIteratorImpl, const implement_t, const IVar&>(p_array, offset)
        {
        }
        void assign(const IArrayIteratorImpl& other) override
        {
            this->_take(impl_cast<ArrayIteratorImpl>(
                other,
                TAL_VAR_ARRAY_SITE("void tal::var::BasicArray<implement_t>::ArrayConstIteratorImpl::"
                                   "assign(const tal::var::IArrayIteratorImpl&)"),
                _S_TO));
        }
        void assign(const IArrayConstIteratorImpl& other) override
        {
            this->_take(impl_cast<ArrayConstIteratorImpl>(
                other,
                TAL_VAR_ARRAY_SITE("void tal::var::BasicArray<implement_t>::ArrayConstIteratorImpl::"
                                   "assign(const tal::var::IArrayConstIteratorImpl&)"),
                _S_TO));
        }
    };

private:
    // Every class test names the mutable class, the const sites included.
    static constexpr const char* _S_TO = " to:ArrayIteratorImpl";

    // Iterator implementations always live on the heap.
    static IArrayIteratorImpl* _s_clone_iterator(const IArrayIteratorImpl* p_other)
    {
        return new_impl(impl_cast<ArrayIteratorImpl>(
                            *p_other,
                            TAL_VAR_ARRAY_SITE("static tal::var::IArrayIteratorImpl* "
                                               "tal::var::BasicArray<implement_t>::_s_clone_iterator("
                                               "const tal::var::IArrayIteratorImpl*)"),
                            _S_TO),
                        pool_allocator<ArrayIteratorImpl>());
    }
    static IArrayConstIteratorImpl* _s_clone_const_iterator(const IArrayConstIteratorImpl* p_other)
    {
        return new_impl(impl_cast<ArrayConstIteratorImpl>(
                            *p_other,
                            TAL_VAR_ARRAY_SITE("static tal::var::IArrayConstIteratorImpl* "
                                               "tal::var::BasicArray<implement_t>::_s_clone_const_iterator("
                                               "const tal::var::IArrayConstIteratorImpl*)"),
                            _S_TO),
                        pool_allocator<ArrayConstIteratorImpl>());
    }
    static void _s_destroy_iterator(IArrayIteratorImpl* p)
    {
        delete_impl(p, pool_allocator<ArrayIteratorImpl>());
    }
    static void _s_destroy_const_iterator(IArrayConstIteratorImpl* p)
    {
        delete_impl(p, pool_allocator<ArrayConstIteratorImpl>());
    }

    ArrayIterator _handle(size_t offset)
    {
        return ArrayIterator(
            new_impl(ArrayIteratorImpl(&_array, offset), pool_allocator<ArrayIteratorImpl>()),
            &_s_clone_iterator, &_s_destroy_iterator);
    }
    ArrayConstIterator _const_handle(size_t offset) const
    {
        return ArrayConstIterator(
            new_impl(ArrayConstIteratorImpl(&_array, offset), pool_allocator<ArrayConstIteratorImpl>()),
            &_s_clone_const_iterator, &_s_destroy_const_iterator);
    }

    // The element position of a signed subscript: from the end when negative;
    // one before the start maps past every end (SIZE_MAX).
    static size_t _s_position(int idx, size_t n)
    {
        if (idx >= 0) {
            return static_cast<size_t>(idx);
        }
        const size_t back = static_cast<size_t>(-static_cast<long long>(idx));
        return back > n ? SIZE_MAX : n - back;
    }

    // Grows to idx + 1 elements unless idx is already a position. An idx the
    // sequence cannot reach (idx + 1 may even wrap) is refused as a growth the
    // sequence refuses, by std::length_error.
    void _grow_past(size_t idx, const ExceptionArg& site)
    {
        const size_t n = _array.size();
        if (idx < n) {
            return;
        }
        _guarded(
            [&] {
                if (idx >= _array.max_size()) {
                    throw std::length_error("tal::var::BasicArray: index beyond max_size()");
                }
                // Appending one element, the usual growth, takes the
                // sequence's inline path.
                if (idx == n) {
                    _array.emplace_back();
                } else {
                    _array.resize(idx + 1);
                }
            },
            site, 0);
    }

    // A failed resize leaves the array as it was.
    void _resize(size_t n, const ExceptionArg& site)
    {
        _guarded([&] { _array.resize(n); }, site, 0);
    }

    // Runs step. An exception of the tal::Exception family passes on as it
    // is; any other std::exception becomes a tal::StdException built from it,
    // anything else a tal::UnknownException, both with site. With a source,
    // each gets "{" <site's function> "(" <source.dump(0)> ")}" appended.
    template <typename Step>
    static void _guarded(Step step, const ExceptionArg& site, const IVar* source)
    {
        try {
            step();
        } catch (Exception& e) {
            if (source) {
                rethrow_assign_failure(e, site._function, *source);
            }
            throw;
        } catch (std::exception& e) {
            StdException wrapped(e);
            wrapped << site;
            _s_throw_decorated(wrapped, site, source);
        } catch (...) {
            UnknownException wrapped;
            wrapped << site;
            _s_throw_decorated(wrapped, site, source);
        }
    }

    template <typename E>
    [[noreturn]] static void _s_throw_decorated(E& e, const ExceptionArg& site, const IVar* source)
    {
        if (source) {
            decorate_assign_failure(e, site._function, *source);
        }
        throw e;
    }

    implement_t _array;
};

#undef TAL_VAR_ARRAY_SITE

typedef BasicArray<std::deque<Ref, tal::pool_allocator<Ref>>> Array;

// Built once, in Array.cpp.
extern template class BasicArray<std::deque<Ref, tal::pool_allocator<Ref>>>;

}  // namespace var
}  // namespace tal

#endif
