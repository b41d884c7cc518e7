#ifndef TAL_CONTAINERS_STRING_TAL_STRING_H
#define TAL_CONTAINERS_STRING_TAL_STRING_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "tal/AutoBuffer.h"
#include "tal/exception/tal_exception.h"
#include "tal/pool/tal_poolalloc.h"
#include "tal/xmemcpy.h"

namespace tal {

// Owned string with a stored length, over a pool allocator. The text lives in
// one block of _capacity + 1 bytes from the allocator's memory source (the
// process heap when it has none) and ends with a NUL at _length; text given
// with a length may hold NUL bytes of its own. An empty string owns no block
// and points at the shared empty text (capacity 0).
//
// Text built from input and copies are exact (capacity = length); appends and
// reserve at least double the capacity when they grow. The allocator is fixed
// at construction: a copy takes its source's, an assignment keeps the
// target's, so a copy made in another pool still draws on the source string's
// memory source. Sizes that would not fit in a size_t are refused as
// tal::BadAllocException "__capacity[18446744073709551615]".
//
// Appends and assignments accept text that lies inside the string itself: a
// grown block is filled before the old one goes back. A formatted append
// writes into the string's free tail first, so its arguments must not point
// into this string's own block; when it grows, the arguments are read again
// before the old block goes back.
template <typename _CharT, typename _Alloc>
class basic_string {
public:
    static constexpr size_t npos = static_cast<size_t>(-1);

private:
    template <typename _Ptr>
    using _if_text_ptr = typename std::enable_if<std::is_same<_Ptr, const _CharT*>::value ||
                                                 std::is_same<_Ptr, _CharT*>::value>::type;

public:
    basic_string() : _dataplus(EMPTY_CSTRING), _length(0), _capacity(0) {}
    explicit basic_string(const _Alloc& alloc) : _dataplus(EMPTY_CSTRING, alloc), _length(0), _capacity(0) {}
    basic_string(const _CharT* s, const _Alloc& alloc = _Alloc())
        : _dataplus(0, alloc), _length(_s_cstring_len(s)), _capacity(_length)
    {
        _dataplus._str = _s_clone_cstring(s, _length, alloc);
    }
    basic_string(const _CharT* s, size_t n, const _Alloc& alloc = _Alloc())
        : _dataplus(0, alloc), _length(n), _capacity(n)
    {
        _dataplus._str = _s_clone_cstring(s, n, alloc);
    }
    basic_string(const basic_string& other)
        : _dataplus(0, other._dataplus), _length(other._length), _capacity(other._length)
    {
        _dataplus._str = _s_clone_cstring(other._dataplus._str, other._length, other._dataplus);
    }
    basic_string(size_t count, _CharT c, const _Alloc& alloc = _Alloc())
        : _dataplus(EMPTY_CSTRING, alloc), _length(0), _capacity(0)
    {
        append(count, c);
    }
    // Up to n characters of other from pos, over other's allocator as a copy
    // is; a pos past other's end throws tal::OutOfBoundException.
    basic_string(const basic_string& other, size_t pos, size_t n = npos)
        : _dataplus(0, other._dataplus), _length(other._part(pos, n)), _capacity(_length)
    {
        _dataplus._str = _s_clone_cstring(other._dataplus._str + pos, _length, other._dataplus);
    }
    // The characters of [first, last). A template, so that a literal 0 as
    // the second argument still means a length.
    template <typename _Ptr, typename = _if_text_ptr<_Ptr>>
    basic_string(_Ptr first, _Ptr last, const _Alloc& alloc = _Alloc())
        : _dataplus(0, alloc), _length(_s_range_len(first, last)), _capacity(_length)
    {
        _dataplus._str = _s_clone_cstring(first, _length, alloc);
    }
    ~basic_string() { _s_destroy_cstring(_dataplus._str, _capacity, _dataplus); }

    // Valid until the string next grows or is destroyed.
    const _CharT* c_str() const { return _dataplus._str; }
    size_t size() const { return _length; }
    size_t length() const { return _length; }
    bool empty() const { return _length == 0; }
    size_t capacity() const { return _capacity; }
    // Unchecked, as for a plain array; index _length is the NUL.
    const _CharT& operator[](int i) const { return _dataplus._str[i]; }
    _CharT& operator[](int i) { return _dataplus._str[i]; }
    // Up to n characters from pos, over this string's allocator; a pos past
    // the end throws tal::OutOfBoundException.
    basic_string substr(size_t pos = 0, size_t n = npos) const { return basic_string(*this, pos, n); }

    // Position of the first occurrence of the n characters at s that starts
    // at pos or later (find), or of the last one that starts at pos or
    // earlier (rfind); npos when there is none. An empty needle is found at
    // pos (find, when pos is within the text) or at the smaller of pos and
    // the length (rfind). A null s throws tal::NullPointerException "cstr".
    size_t find(const _CharT* s, size_t pos, size_t n) const
    {
        _s_check_needle(s);
        if (pos > _length || n > _length - pos) {
            return npos;
        }
        for (size_t i = pos; i <= _length - n; ++i) {
            if (std::char_traits<_CharT>::compare(_dataplus._str + i, s, n) == 0) {
                return i;
            }
        }
        return npos;
    }
    size_t find(const _CharT* s, size_t pos = 0) const { return find(s, pos, _s_cstring_len(s)); }
    size_t find(const basic_string& other, size_t pos = 0) const
    {
        return find(other._dataplus._str, pos, other._length);
    }
    size_t find(_CharT c, size_t pos = 0) const { return find(&c, pos, 1); }

    size_t rfind(const _CharT* s, size_t pos, size_t n) const
    {
        _s_check_needle(s);
        if (n > _length) {
            return npos;
        }
        for (size_t i = pos < _length - n ? pos : _length - n;; --i) {
            if (std::char_traits<_CharT>::compare(_dataplus._str + i, s, n) == 0) {
                return i;
            }
            if (i == 0) {
                return npos;
            }
        }
    }
    size_t rfind(const _CharT* s, size_t pos = npos) const { return rfind(s, pos, _s_cstring_len(s)); }
    size_t rfind(const basic_string& other, size_t pos = npos) const
    {
        return rfind(other._dataplus._str, pos, other._length);
    }
    size_t rfind(_CharT c, size_t pos = npos) const { return rfind(&c, pos, 1); }
    _Alloc get_allocator() const { return _dataplus; }

    // Keeps the block and the capacity.
    void clear()
    {
        _length = 0;
        _dataplus._str[0] = _CharT();
    }

    // Room for at least n characters; never shrinks.
    void reserve(size_t n)
    {
        if (n <= _capacity) {
            return;
        }
        const size_t capacity = _grown_capacity(n);
        _CharT* block = _s_create_cstring(capacity, _dataplus);
        xmemcpy(block, _dataplus._str, (_length + 1) * sizeof(_CharT));
        _take_block(block, capacity);
    }

    // The n characters at s as they are, NULs included; s may point into
    // this string.
    basic_string& append(const _CharT* s, size_t n)
    {
        if (!s) {
            throw NullPointerException() << TAL_EXCEPTION_ARG << "cstr";
        }
        const size_t need = _s_sum(_length, n);
        if (need > _capacity) {
            const size_t capacity = _grown_capacity(need);
            _CharT* block = _s_create_cstring(capacity, _dataplus);
            xmemcpy(block, _dataplus._str, _length * sizeof(_CharT));
            xmemcpy(block + _length, s, n * sizeof(_CharT));
            _take_block(block, capacity);
        } else {
            _s_copy(_dataplus._str + _length, s, n);
        }
        _length = need;
        _dataplus._str[_length] = _CharT();
        return *this;
    }
    basic_string& append(const _CharT* s) { return append(s, _s_cstring_len(s)); }
    // Appending a string to itself doubles it.
    basic_string& append(const basic_string& other) { return append(other._dataplus._str, other._length); }
    // Up to n characters of other from pos; a pos past other's end throws
    // tal::OutOfBoundException.
    basic_string& append(const basic_string& other, size_t pos, size_t n)
    {
        const size_t len = other._part(pos, n);
        return append(other._dataplus._str + pos, len);
    }
    // The characters of [first, last).
    template <typename _Ptr, typename = _if_text_ptr<_Ptr>>
    basic_string& append(_Ptr first, _Ptr last)
    {
        return append(first, _s_range_len(first, last));
    }
    void push_back(_CharT c) { append(1, c); }
    basic_string& append(size_t count, _CharT c)
    {
        reserve(_s_sum(_length, count));
        std::char_traits<_CharT>::assign(_dataplus._str + _length, count, c);
        _length += count;
        _dataplus._str[_length] = _CharT();
        return *this;
    }

    // A format error (negative vsnprintf result) or a null format changes
    // nothing.
    __attribute__((format(printf, 2, 3))) basic_string& appendf(const char* format, ...)
    {
        va_list args;
        va_start(args, format);
        _do_vappendf(format, args);
        va_end(args);
        return *this;
    }
    // Reads args only through copies: the caller's list stays unconsumed.
    basic_string& vappendf(const char* format, va_list args)
    {
        _do_vappendf(format, args);
        return *this;
    }
    // Replaces the text; the block and the capacity stay.
    __attribute__((format(printf, 2, 3))) basic_string& setf(const char* format, ...)
    {
        clear();
        va_list args;
        va_start(args, format);
        _do_vappendf(format, args);
        va_end(args);
        return *this;
    }

    basic_string& vsetf(const char* format, va_list args)
    {
        clear();
        _do_vappendf(format, args);
        return *this;
    }

    // Exchanges texts and allocators.
    void swap(basic_string& other)
    {
        std::swap(_dataplus, other._dataplus);
        std::swap(_length, other._length);
        std::swap(_capacity, other._capacity);
    }

    // Takes other's bytes (all of them, a leading NUL included) into a block
    // of exactly other's length when the current one is too small.
    basic_string& operator=(const basic_string& other)
    {
        if (&other != this) {
            _assign(other._dataplus._str, other._length);
        }
        return *this;
    }
    // A null or empty s empties the string and throws nothing, even when s is
    // this string's own text; s may point into this string.
    basic_string& operator=(const _CharT* s)
    {
        if (!s || *s == _CharT()) {
            clear();
        } else if (s != _dataplus._str) {
            _assign(s, _s_cstring_len(s));
        }
        return *this;
    }

    // -1, 0 or +1: bytes compared as unsigned up to the shorter length, then
    // the longer string is the greater. NULs take part like any byte.
    int compare(const basic_string& other) const { return _compare(other._dataplus._str, other._length); }
    // The same against a NUL-terminated text; a null s throws
    // tal::NullPointerException "cstr".
    int compare(const _CharT* s) const { return _compare(s, _s_cstring_len(s)); }

private:
    // The allocator and the text pointer side by side; an allocator without
    // data members then adds no room of its own.
    struct _alloc_hider_t : _Alloc {
        explicit _alloc_hider_t(_CharT* p) : _Alloc(), _str(p) {}
        _alloc_hider_t(_CharT* p, _Alloc alloc) : _Alloc(alloc), _str(p) {}
        _CharT* _str;
    };

    // Only ever holds NUL.
    static _CharT EMPTY_CSTRING[1];

    // Saturates at npos, which no block can hold (npos + 1 wraps), so an
    // overflowing size is refused by _s_create_cstring.
    static size_t _s_sum(size_t a, size_t b) { return b > npos - a ? npos : a + b; }

    static size_t _s_cstring_len(const _CharT* s)
    {
        if (!s) {
            throw NullPointerException() << TAL_EXCEPTION_ARG << "cstr";
        }
        return std::char_traits<_CharT>::length(s);
    }

    static _CharT* _s_create_cstring(size_t capacity, const _Alloc& alloc)
    {
        if (capacity == 0) {
            return EMPTY_CSTRING;
        }
        _CharT* p = 0;
        if (capacity != npos) {
            _Alloc a(alloc);
            p = a.allocate(capacity + 1);
        }
        if (!p) {
            throw BadAllocException() << TAL_EXCEPTION_ARG << "__capacity[" << (unsigned long)capacity << "]";
        }
        p[0] = _CharT();
        return p;
    }

    static _CharT* _s_clone_cstring(const _CharT* s, size_t n, const _Alloc& alloc)
    {
        if (!s) {
            throw NullPointerException() << TAL_EXCEPTION_ARG << "cstr";
        }
        _CharT* p = _s_create_cstring(n, alloc);
        if (n) {
            xmemcpy(p, s, n * sizeof(_CharT));
            p[n] = _CharT();
        }
        return p;
    }

    static void _s_destroy_cstring(_CharT* p, size_t capacity, const _Alloc& alloc)
    {
        if (capacity) {
            _Alloc a(alloc);
            a.deallocate(p, capacity + 1);
        }
    }

    // The length of the part of this string from pos, at most n characters.
    size_t _part(size_t pos, size_t n) const
    {
        if (pos > _length) {
            throw OutOfBoundException() << TAL_EXCEPTION_ARG << "pos[" << (unsigned long)pos << "] size["
                                        << (unsigned long)_length << "]";
        }
        return n < _length - pos ? n : _length - pos;
    }

    static size_t _s_range_len(const _CharT* first, const _CharT* last)
    {
        if (last < first) {
            throw BadArgumentException() << TAL_EXCEPTION_ARG << "last before first";
        }
        return last - first;
    }

    static void _s_check_needle(const _CharT* s)
    {
        if (!s) {
            throw NullPointerException() << TAL_EXCEPTION_ARG << "cstr";
        }
    }

    int _compare(const _CharT* s, size_t n) const
    {
        typedef std::char_traits<_CharT> traits;
        const size_t m = _length < n ? _length : n;
        // Keys of one record mostly differ early: the first characters are
        // compared here, the rest by the library.
        const size_t head = m < _S_INLINE_COMPARE ? m : _S_INLINE_COMPARE;
        for (size_t i = 0; i < head; ++i) {
            if (!traits::eq(_dataplus._str[i], s[i])) {
                return traits::lt(_dataplus._str[i], s[i]) ? -1 : 1;
            }
        }
        const int r = traits::compare(_dataplus._str + head, s + head, m - head);
        if (r != 0) {
            return r < 0 ? -1 : 1;
        }
        return _length == n ? 0 : _length < n ? -1 : 1;
    }

    static const size_t _S_INLINE_COMPARE = 8;

    // Copies n characters that may overlap the destination.
    static void _s_copy(_CharT* dst, const _CharT* src, size_t n)
    {
        const uintptr_t d = reinterpret_cast<uintptr_t>(dst);
        const uintptr_t s = reinterpret_cast<uintptr_t>(src);
        const size_t bytes = n * sizeof(_CharT);
        if (d < s + bytes && s < d + bytes) {
            std::memmove(dst, src, bytes);
        } else {
            xmemcpy(dst, src, bytes);
        }
    }

    // The larger of n and twice the capacity, saturating at npos.
    size_t _grown_capacity(size_t n) const
    {
        const size_t doubled = _capacity > npos / 2 ? npos : 2 * _capacity;
        return n > doubled ? n : doubled;
    }

    // Installs a filled block, giving the old one back only now, so text
    // read from it stayed valid until here.
    void _take_block(_CharT* block, size_t capacity)
    {
        _s_destroy_cstring(_dataplus._str, _capacity, _dataplus);
        _dataplus._str = block;
        _capacity = capacity;
    }

    // n characters from s, then a NUL; a block of exactly n when the current
    // one is too small.
    void _assign(const _CharT* s, size_t n)
    {
        if (n > _capacity) {
            _CharT* block = _s_create_cstring(n, _dataplus);
            xmemcpy(block, s, n * sizeof(_CharT));
            _take_block(block, n);
        } else {
            _s_copy(_dataplus._str, s, n);
        }
        _length = n;
        _dataplus._str[n] = _CharT();
    }

    // Formats into the free tail; when the text does not fit, formats again
    // from a fresh copy of args into a grown block, before the old one goes.
    void _do_vappendf(const char* format, va_list args)
    {
        if (!format) {
            return;
        }
        va_list ap;
        va_copy(ap, args);
        const int r = vsnprintf(_dataplus._str + _length, _capacity - _length + 1, format, ap);
        va_end(ap);
        if (r < 0) {
            _dataplus._str[_length] = _CharT();
            return;
        }
        size_t added = static_cast<size_t>(r);
        if (added > _capacity - _length) {
            // The cut-off first attempt wrote past the text: end it again, so
            // that a refused block leaves the string as it was.
            _dataplus._str[_length] = _CharT();
            const size_t capacity = _grown_capacity(_s_sum(_length, added));
            _CharT* block = _s_create_cstring(capacity, _dataplus);
            xmemcpy(block, _dataplus._str, _length * sizeof(_CharT));
            va_copy(ap, args);
            const int again = vsnprintf(block + _length, added + 1, format, ap);
            va_end(ap);
            // The same format and arguments give the same length; should they
            // not, keep only what was written.
            if (again < 0) {
                added = 0;
            } else if (static_cast<size_t>(again) < added) {
                added = static_cast<size_t>(again);
            }
            _take_block(block, capacity);
        }
        _length += added;
        _dataplus._str[_length] = _CharT();
    }

    _alloc_hider_t _dataplus;
    size_t _length;
    size_t _capacity;
};

template <typename _CharT, typename _Alloc>
_CharT basic_string<_CharT, _Alloc>::EMPTY_CSTRING[1] = {_CharT()};

template <typename _CharT, typename _Alloc>
inline bool operator<(const basic_string<_CharT, _Alloc>& a, const basic_string<_CharT, _Alloc>& b)
{
    return a.compare(b) < 0;
}

typedef basic_string<char, pool_allocator<char>> string;

// Appends s's text up to its first NUL.
inline AutoBuffer& operator<<(AutoBuffer& buf, const string& s) { return buf.push(s.c_str()); }

}  // namespace tal

#endif
