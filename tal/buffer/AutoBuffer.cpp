#include "tal/AutoBuffer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <utility>

#include "tal/xmemcpy.h"

namespace tal {

const int AutoBuffer::DEFAULT_CAPACITY;
const char* const AutoBuffer::TRUE_LITERAL = "true";
const char* const AutoBuffer::FALSE_LITERAL = "false";
const size_t AutoBuffer::TRUE_LITERAL_LEN;
const size_t AutoBuffer::FALSE_LITERAL_LEN;

AutoBuffer::AutoBuffer(size_t capacity) : _mempool(NULL) { _init(capacity); }

AutoBuffer::AutoBuffer(mempool& pool, size_t capacity) : _mempool(&pool) { _init(capacity); }

AutoBuffer::~AutoBuffer() { _release(_str, _capacity); }

void AutoBuffer::_init(size_t capacity)
{
    _size = 0;
    _capacity = 0;
    _truncated = false;
    _str = NULL;
    char* none;
    size_t none_capacity;
    if (capacity) _grow(capacity, &none, &none_capacity);
}

AutoBuffer& AutoBuffer::transfer_from(AutoBuffer& other)
{
    if (&other == this) return *this;
    _release(_str, _capacity);
    _size = other._size;
    _capacity = other._capacity;
    _truncated = other._truncated;
    _str = other._str;
    _mempool = other._mempool;
    other._size = 0;
    other._capacity = 0;
    other._truncated = false;
    other._str = NULL;
    return *this;
}

void AutoBuffer::swap(AutoBuffer& other)
{
    std::swap(_size, other._size);
    std::swap(_capacity, other._capacity);
    std::swap(_truncated, other._truncated);
    std::swap(_str, other._str);
    std::swap(_mempool, other._mempool);
}

void AutoBuffer::clear()
{
    _size = 0;
    if (_str) _str[0] = '\0';
    _truncated = false;
}

bool AutoBuffer::_owns(const char* p) const
{
    uintptr_t begin = reinterpret_cast<uintptr_t>(_str);
    uintptr_t at = reinterpret_cast<uintptr_t>(p);
    return _str && at >= begin && at - begin <= _capacity;
}

void AutoBuffer::_release(char* str, size_t capacity)
{
    if (!str) return;
    if (_mempool)
        _mempool->free(str, capacity + 1);
    else
        ::free(str);
}

bool AutoBuffer::_grow(size_t n, char** old_str, size_t* old_capacity)
{
    // The larger of n and twice the capacity; neither the doubling nor the
    // byte for the NUL may wrap.
    size_t doubled = _capacity > (SIZE_MAX - 1) / 2 ? 0 : 2 * _capacity;
    size_t capacity = n > doubled ? n : doubled;
    if (capacity == SIZE_MAX) return false;
    char* str = static_cast<char*>(_mempool ? _mempool->malloc(capacity + 1) : ::malloc(capacity + 1));
    if (!str) return false;
    if (_str)
        xmemcpy(str, _str, _size + 1);
    else
        str[0] = '\0';
    *old_str = _str;
    *old_capacity = _capacity;
    _str = str;
    _capacity = capacity;
    return true;
}

bool AutoBuffer::reserve(size_t n)
{
    if (_capacity >= n) return true;
    char* old_str;
    size_t old_capacity;
    if (!_grow(n, &old_str, &old_capacity)) return false;
    _release(old_str, old_capacity);
    return true;
}

size_t AutoBuffer::_make_room(size_t len, char** old_str, size_t* old_capacity)
{
    if (len <= _capacity - _size) return len;
    if (len <= SIZE_MAX - _size && _grow(_size + len, old_str, old_capacity)) return len;
    return _capacity - _size;
}

AutoBuffer& AutoBuffer::_append(const char* s, char fill, size_t len)
{
    char* old_str = NULL;
    size_t old_capacity = 0;
    size_t n = _make_room(len, &old_str, &old_capacity);
    if (n) {
        if (!s)
            memset(_str + _size, fill, n);
        else if (_owns(s))  // bytes of the live storage may overlap the tail
            memmove(_str + _size, s, n);
        else
            xmemcpy(_str + _size, s, n);
        _size += n;
        _str[_size] = '\0';
    }
    _truncated = n < len;
    _release(old_str, old_capacity);
    return *this;
}

AutoBuffer& AutoBuffer::push(const char* s, size_t len)
{
    if (!s || !len) return *this;
    return _append(s, '\0', len);
}

AutoBuffer& AutoBuffer::push(const char* s)
{
    if (!s) {
        _truncated = false;
        return *this;
    }
    return push(s, strlen(s));
}

AutoBuffer& AutoBuffer::push(char c)
{
    if (!c) return *this;
    if (_size == _capacity) reserve(_size + 1);
    if (_size < _capacity) {
        _str[_size++] = c;
        _str[_size] = '\0';
        _truncated = false;
    } else {
        _truncated = true;
    }
    return *this;
}

AutoBuffer& AutoBuffer::push(size_t count, char c)
{
    if (!count || !c) return *this;
    return _append(NULL, c, count);
}

AutoBuffer& AutoBuffer::push(const AutoBuffer& other) { return push(other._str, other._size); }

AutoBuffer& AutoBuffer::push(bool b)
{
    return b ? push(TRUE_LITERAL, TRUE_LITERAL_LEN) : push(FALSE_LITERAL, FALSE_LITERAL_LEN);
}

AutoBuffer& AutoBuffer::push(signed char n) { return pushf("%hhd", n); }
AutoBuffer& AutoBuffer::push(unsigned char n) { return pushf("%hhu", n); }
AutoBuffer& AutoBuffer::push(short n) { return pushf("%hd", n); }
AutoBuffer& AutoBuffer::push(unsigned short n) { return pushf("%hu", n); }
AutoBuffer& AutoBuffer::push(int n) { return pushf("%d", n); }
AutoBuffer& AutoBuffer::push(unsigned int n) { return pushf("%u", n); }
AutoBuffer& AutoBuffer::push(long n) { return pushf("%ld", n); }
AutoBuffer& AutoBuffer::push(unsigned long n) { return pushf("%lu", n); }
AutoBuffer& AutoBuffer::push(long long n) { return pushf("%lld", n); }
AutoBuffer& AutoBuffer::push(unsigned long long n) { return pushf("%llu", n); }
AutoBuffer& AutoBuffer::push(double d) { return pushf("%lg", d); }
AutoBuffer& AutoBuffer::push(long double d) { return pushf("%Lg", d); }
AutoBuffer& AutoBuffer::push(void* p) { return pushf("%p", p); }
AutoBuffer& AutoBuffer::push(wchar_t c) { return pushf("%lc", static_cast<wint_t>(c)); }

AutoBuffer& AutoBuffer::push(const wchar_t* s)
{
    if (!s) {
        _truncated = false;
        return *this;
    }
    return pushf("%ls", s);
}

AutoBuffer& AutoBuffer::pushf(const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    vpushf(format, ap);
    va_end(ap);
    return *this;
}

AutoBuffer& AutoBuffer::vpushf(const char* format, va_list ap)
{
    if (!format) return *this;
    va_list copy;
    int n;
    va_copy(copy, ap);
    if (_str) {
        // Straight into the free tail; most appends fit at the first try.
        n = vsnprintf(_str + _size, _capacity - _size + 1, format, copy);
        if (n >= 0 && static_cast<size_t>(n) <= _capacity - _size) {
            _size += n;
            _truncated = false;
            va_end(copy);
            return *this;
        }
    } else {
        n = vsnprintf(NULL, 0, format, copy);
    }
    va_end(copy);
    if (n <= 0) {
        // A format error may have written into the tail: end the text again.
        if (_str) _str[_size] = '\0';
        return *this;
    }

    char* old_str = NULL;
    size_t old_capacity = 0;
    size_t len = static_cast<size_t>(n);
    if (len > SIZE_MAX - _size || !_grow(_size + len, &old_str, &old_capacity)) {
        // Keep the prefix the first pass left in the tail.
        _size = _capacity;
        _truncated = true;
        return *this;
    }
    // Arguments may point into the old block, which stays alive until the
    // second pass is done; give its text back the NUL the first pass overwrote.
    if (old_str) old_str[_size] = '\0';
    va_copy(copy, ap);
    n = vsnprintf(_str + _size, _capacity - _size + 1, format, copy);
    va_end(copy);
    if (n < 0) {
        _str[_size] = '\0';
    } else {
        size_t room = _capacity - _size;
        size_t written = static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room;
        _size += written;
        _truncated = written < static_cast<size_t>(n);
    }
    _release(old_str, old_capacity);
    return *this;
}

}  // namespace tal
