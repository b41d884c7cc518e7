#ifndef TAL_VAR_IMPLEMENT_DICT_H
#define TAL_VAR_IMPLEMENT_DICT_H

#include <functional>
#include <map>
#include <tuple>
#include <typeinfo>
#include <utility>

#include "tal/var/IVar.h"
#include "tal/var/implement/Null.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/utils/dump.h"
#include "tal/var/utils/iterator_impl.h"
#include "tal/var/utils/nesting.h"

namespace tal {
namespace var {

// Ordered map from keys to element references, over an allocator template.
// Keys compare as unsigned bytes, the shorter first on a common prefix; a NUL
// inside a key is an ordinary byte. The map's own allocator is the entry
// allocator rebound to the map's value type, on the same memory source.
template <template <typename> class Alloc>
class __StdMapAdapter
    : public std::map<tal::string, Ref, std::less<tal::string>, Alloc<std::pair<const tal::string, Ref>>> {
public:
    typedef std::map<tal::string, Ref, std::less<tal::string>, Alloc<std::pair<const tal::string, Ref>>>
        map_type;
    typedef Alloc<std::pair<tal::string, Ref>> entry_allocator_type;

    __StdMapAdapter() {}
    // Empty; nodes come from alloc's memory source (the heap without one).
    explicit __StdMapAdapter(const entry_allocator_type& alloc)
        : map_type(std::less<tal::string>(), typename map_type::allocator_type(alloc))
    {
    }
    // The same: an ordered map has no capacity, so the size is not used.
    __StdMapAdapter(size_t, const entry_allocator_type& alloc) : __StdMapAdapter(alloc) {}
};

// Throw-site texts name the system's one instance, BasicDict<__StdMapAdapter<
// tal::pool_allocator> >, as its reports have always read.
#define TAL_VAR_DICT_SITE(signature)                                                                    \
    tal::ExceptionArg(signature " [with implement_t = tal::var::__StdMapAdapter<tal::pool_allocator>]", \
                      __FILE__, __LINE__)

// A set of named values: entries (key, Ref) in ascending key order, each
// referring to a value the dict never owns. Created in a tal::ResourcePool
// from an allocator on the pool's memory source and destroyed with the pool.
//
// Kept as callers rely on it:
// - a stored key is a copy of the caller's name and keeps that name's
//   allocator, so its text comes from (and goes back to) the name's memory
//   source, which need not be the dict's;
// - the const operator[] reached through a Ref inserts a missing key, since a
//   Ref passes its calls on to the mutable forms;
// - a copy (copy constructor, clone) takes its nodes and key texts through the
//   source's allocators, whichever pool holds the copy: the source's memory
//   source must outlive the copy.
//
// Iterators take their implementation objects from the dict's memory source,
// must be destroyed before the dict and stay valid while other entries come
// and go; reading or advancing one at the end position throws
// tal::OutOfBoundException.
template <typename implement_t>
class BasicDict : public IVar {
public:
    typedef typename implement_t::entry_allocator_type allocator_type;

    class DictIteratorImpl;
    class DictConstIteratorImpl;

    // Empty; allocates nothing.
    explicit BasicDict(const allocator_type& alloc_) : _dict(alloc_), _alloc(alloc_) {}
    // Same keys, each referring to the same value; the allocators are other's.
    BasicDict(const BasicDict& other) : IVar(other), _dict(other._dict), _alloc(other._alloc) {}
    // Replaces the entries with other's (values shared); keeps this dict's
    // allocators.
    BasicDict& operator=(const BasicDict& other)
    {
        if (&other != this) {
            _dict = other._dict;
        }
        return *this;
    }
    ~BasicDict() override {}

    using IVar::operator=;
    using IVar::del;
    using IVar::get;
    using IVar::set;
    using IVar::operator[];

    // From a Dict: as the copy assignment. From another dict value (a Ref to a
    // dict): its entries, walked in key order, replace this dict's; a Ref to
    // this dict changes nothing. Anything else throws
    // tal::InvalidOperationException "cast from <var.dump(0)>" and changes
    // nothing. The values are always shared, never copied.
    BasicDict& operator=(IVar& var) override
    {
        if (typeid(var) == typeid(BasicDict)) {
            return *this = static_cast<BasicDict&>(var);
        }
        if (!var.is_dict()) {
            throw InvalidOperationException()
                << TAL_VAR_DICT_SITE(
                       "tal::var::BasicDict<implement_t>& "
                       "tal::var::BasicDict<implement_t>::operator=(tal::var::IVar&)")
                << "cast from " << var.dump(0);
        }
        const IRef* r = var.is_ref() ? dynamic_cast<const IRef*>(&var) : 0;
        if (r && &r->ref() == this) {
            return *this;
        }
        // The walk is set up first: a source that cannot be walked leaves
        // this dict as it was.
        DictIterator it = var.dict_begin();
        DictIterator end = var.dict_end();
        _dict.clear();
        for (; !it->equal_to(*end); ++it) {
            _find_or_insert(it->key()) = it->value();
        }
        return *this;
    }

    // "[tal::var::BasicDict] this[<address>] size[<entries>]" at level 0; the
    // one-line tree text above it.
    tal::string dump(size_t verbose_level) const override
    {
        return dump_container(*this, "tal::var::BasicDict", _dict.size(), verbose_level);
    }
    void clear() override { _dict.clear(); }
    tal::string to_string() const override { return dump(0); }
    tal::string get_type() const override { return tal::string("tal::var::BasicDict"); }
    unsigned short get_mask() const override { return IS_DICT; }

    // A pool-owned copy sharing this dict's values.
    IVar& clone(tal::ResourcePool& rp) const override { return rp.clone(*this); }
    // Deep: every value cloned deeply into rp as well. A tree nested deeper
    // than MAX_TREE_DEPTH (one that contains itself) throws
    // tal::OutOfBoundException; what was cloned so far stays in rp.
    IVar& clone(tal::ResourcePool& rp, bool is_deep_copy) const override
    {
        IVar& copy = clone(rp);
        if (!is_deep_copy) {
            return copy;
        }
        NestingGuard level(TAL_EXCEPTION_ARG);
        DictConstIterator it = dict_begin();
        DictConstIterator end = dict_end();
        for (; it != end; ++it) {
            copy.set(it->key(), it->value().clone(rp, true));
        }
        return copy;
    }

    bool is_dict() const override { return true; }
    size_t size() const override { return _dict.size(); }

    // The entry's Ref, or the shared null (nothing is inserted).
    IVar& get(const tal::string& name) override { return get(name, Null::null); }
    IVar& get(const tal::string& name, IVar& default_value) override
    {
        typename implement_t::iterator it = _dict.find(name);
        return it == _dict.end() ? default_value : it->second;
    }
    const IVar& get(const tal::string& name) const override { return get(name, Null::null); }
    const IVar& get(const tal::string& name, const IVar& default_value) const override
    {
        typename implement_t::const_iterator it = _dict.find(name);
        return it == _dict.end() ? default_value : it->second;
    }
    // Binds the entry (inserted when missing) to value, or to value's referent
    // when value is a reference. The former value is left alone.
    void set(const tal::string& name, IVar& value) override { _find_or_insert(name) = value; }
    // The same for the len bytes at name, copied once straight into the new
    // entry's key over this dict's memory source; an existing entry keeps its
    // key and is rebound.
    void set(const char* name, size_t len, IVar& value)
    {
        _dict
            .emplace(std::piecewise_construct, std::forward_as_tuple(name, len, pool_allocator<char>(_alloc)),
                     std::forward_as_tuple())
            .first->second = value;
    }
    bool del(const tal::string& name) override { return _dict.erase(name) > 0; }
    // A missing name throws tal::KeyNotFoundException "key[<name>]".
    const IVar& operator[](const tal::string& name) const override
    {
        typename implement_t::const_iterator it = _dict.find(name);
        if (it == _dict.end()) {
            throw KeyNotFoundException() << TAL_VAR_DICT_SITE(
                                                "const tal::var::IVar& tal::var::BasicDict<implement_t>::"
                                                "operator[](const tal::string&) const")
                                         << "key[" << name << "]";
        }
        return it->second;
    }
    // The entry's Ref; a missing name is inserted bound to the shared null.
    IVar& operator[](const tal::string& name) override { return _find_or_insert(name); }

    // f(key, value) for every entry in key order, value the entry's Ref,
    // without iterator objects; f must not add or remove entries of this dict.
    template <typename F>
    void for_each_entry(F f) const
    {
        for (const auto& entry : _dict) {
            f(entry.first, entry.second);
        }
    }

    DictConstIterator dict_begin() const override { return _const_handle(_dict.begin()); }
    DictIterator dict_begin() override { return _handle(_dict.begin()); }
    DictConstIterator dict_end() const override { return _const_handle(_dict.end()); }
    DictIterator dict_end() override { return _handle(_dict.end()); }

private:
    typedef typename implement_t::iterator map_iterator;
    typedef typename implement_t::const_iterator map_const_iterator;

    // What both implementations share: a position in one dict's map, and the
    // map itself so that the end position is known.
    template <typename Iface, typename Position, typename Value>
    class PositionImpl : public Iface {
    public:
        PositionImpl(const implement_t* p_dict, Position iter_) : _p_dict(p_dict), _iter(iter_) {}

        const tal::string& key() const override { return _entry().first; }
        Value value() const override { return _entry().second; }
        void iterate() override
        {
            _entry();
            ++_iter;
        }
        // Never throws: an implementation of another class compares unequal.
        bool equal_to(const IDictIteratorImpl& other) const override
        {
            return _same<DictIteratorImpl>(other);
        }
        bool equal_to(const IDictConstIteratorImpl& other) const override
        {
            return _same<DictConstIteratorImpl>(other);
        }

        const implement_t* _p_dict;
        Position _iter;

    protected:
        template <typename P>
        void _take(const P& other)
        {
            _p_dict = other._p_dict;
            _iter = other._iter;
        }

    private:
        typename Position::reference _entry() const
        {
            if (_iter == _p_dict->end()) {
                throw OutOfBoundException() << TAL_EXCEPTION_ARG << "dict iterator at the end";
            }
            return *_iter;
        }
        // The exact class is tested first: iteration compares with the end
        // on every step, and the cast of the general case costs far more.
        template <typename P, typename Other>
        bool _same(const Other& other) const
        {
            return _same(typeid(other) == typeid(P) ? static_cast<const P*>(&other)
                                                    : dynamic_cast<const P*>(&other));
        }
        template <typename P>
        bool _same(const P* p) const
        {
            return p && p->_p_dict == _p_dict && p->_iter == _iter;
        }
    };

public:
    // Mutable position: value() hands out the entry's Ref for rebinding.
    class DictIteratorImpl : public PositionImpl<IDictIteratorImpl, map_iterator, IVar&> {
    public:
        DictIteratorImpl(const implement_t* p_dict, map_iterator iter_)
            : PositionImpl<IDictIteratorImpl, map_iterator, IVar&>(p_dict, iter_)
        {
        }
        void assign(const IDictIteratorImpl& other) override
        {
            this->_take(impl_cast<DictIteratorImpl>(
                other,
                TAL_VAR_DICT_SITE("void tal::var::BasicDict<implement_t>::DictIteratorImpl::"
                                  "assign(const tal::var::IDictIteratorImpl&)"),
                _S_TO));
        }
    };

    // Read-only position; it can also take a mutable one's position.
    class DictConstIteratorImpl
        : public PositionImpl<IDictConstIteratorImpl, map_const_iterator, const IVar&> {
    public:
        DictConstIteratorImpl(const implement_t* p_dict, map_const_iterator iter_)
            : PositionImpl<IDictConstIteratorImpl, map_const_iterator, const IVar&>(p_dict, iter_)
        {
        }
        void assign(const IDictIteratorImpl& other) override
        {
            this->_take(impl_cast<DictIteratorImpl>(
                other,
                TAL_VAR_DICT_SITE("void tal::var::BasicDict<implement_t>::DictConstIteratorImpl::"
                                  "assign(const tal::var::IDictIteratorImpl&)"),
                _S_TO));
        }
        void assign(const IDictConstIteratorImpl& other) override
        {
            this->_take(impl_cast<DictConstIteratorImpl>(
                other,
                TAL_VAR_DICT_SITE("void tal::var::BasicDict<implement_t>::DictConstIteratorImpl::"
                                  "assign(const tal::var::IDictConstIteratorImpl&)"),
                _S_TO));
        }
    };

private:
    // Every class test names the mutable class, the const sites included.
    static constexpr const char* _S_TO = " to:DictIteratorImpl";

    // The allocator of implementation objects, rebuilt from the handle's
    // _p_alloc (the address of the creating dict's _alloc).
    template <typename Impl>
    static pool_allocator<Impl> _s_alloc(const void* p_alloc)
    {
        return pool_allocator<Impl>(*static_cast<const allocator_type*>(p_alloc));
    }

    static IDictIteratorImpl* _s_create_iterator(const implement_t* p_dict, map_iterator iter_,
                                                 const void* p_alloc)
    {
        return new_impl(DictIteratorImpl(p_dict, iter_), _s_alloc<DictIteratorImpl>(p_alloc));
    }
    static IDictConstIteratorImpl* _s_create_const_iterator(const implement_t* p_dict,
                                                            map_const_iterator iter_, const void* p_alloc)
    {
        return new_impl(DictConstIteratorImpl(p_dict, iter_), _s_alloc<DictConstIteratorImpl>(p_alloc));
    }
    static IDictIteratorImpl* _s_clone_iterator(const IDictIteratorImpl* p_other, const void* p_alloc)
    {
        return new_impl(impl_cast<DictIteratorImpl>(
                            *p_other,
                            TAL_VAR_DICT_SITE("static tal::var::IDictIteratorImpl* "
                                              "tal::var::BasicDict<implement_t>::_s_clone_iterator("
                                              "const tal::var::IDictIteratorImpl*, const void*)"),
                            _S_TO),
                        _s_alloc<DictIteratorImpl>(p_alloc));
    }
    static IDictConstIteratorImpl* _s_clone_const_iterator(const IDictConstIteratorImpl* p_other,
                                                           const void* p_alloc)
    {
        return new_impl(impl_cast<DictConstIteratorImpl>(
                            *p_other,
                            TAL_VAR_DICT_SITE("static tal::var::IDictConstIteratorImpl* "
                                              "tal::var::BasicDict<implement_t>::_s_clone_const_iterator("
                                              "const tal::var::IDictConstIteratorImpl*, const void*)"),
                            _S_TO),
                        _s_alloc<DictConstIteratorImpl>(p_alloc));
    }
    static void _s_destroy_iterator(IDictIteratorImpl* p, const void* p_alloc)
    {
        delete_impl(p, _s_alloc<DictIteratorImpl>(p_alloc));
    }
    static void _s_destroy_const_iterator(IDictConstIteratorImpl* p, const void* p_alloc)
    {
        delete_impl(p, _s_alloc<DictConstIteratorImpl>(p_alloc));
    }

    DictIterator _handle(map_iterator pos)
    {
        return DictIterator(_s_create_iterator(&_dict, pos, &_alloc), &_s_clone_iterator,
                            &_s_destroy_iterator, &_alloc);
    }
    DictConstIterator _const_handle(map_const_iterator pos) const
    {
        return DictConstIterator(_s_create_const_iterator(&_dict, pos, &_alloc), &_s_clone_const_iterator,
                                 &_s_destroy_const_iterator, &_alloc);
    }

    // The entry of name, inserted before the first greater key (bound to the
    // shared null) when missing. A failed insertion leaves the map as it was.
    Ref& _find_or_insert(const tal::string& name)
    {
        map_iterator it = _dict.lower_bound(name);
        if (it == _dict.end() || _dict.key_comp()(name, it->first)) {
            it = _dict.emplace_hint(it, name, Ref());
        }
        return it->second;
    }

    implement_t _dict;
    allocator_type _alloc;
};

#undef TAL_VAR_DICT_SITE

typedef BasicDict<__StdMapAdapter<tal::pool_allocator>> StdMapDict;
typedef StdMapDict Dict;

// Built once, in Dict.cpp.
extern template class BasicDict<__StdMapAdapter<tal::pool_allocator>>;

}  // namespace var
}  // namespace tal

#endif
