#ifndef TAL_AUTOBUFFER_H
#define TAL_AUTOBUFFER_H

#include <cstdarg>
#include <cstddef>

#include "tal/pool/tal_pool.h"

namespace tal {

// Growable NUL-terminated text buffer that never throws. When memory runs out
// an append keeps the prefix that fits into the existing storage and sets the
// truncated flag; the buffer stays valid and can be appended to again.
//
// Storage of capacity c is c + 1 bytes from _mempool (or ::malloc when it is
// null) and goes back with c + 1. Appended bytes may lie inside the buffer's
// own storage (b << b): growth releases the old block only after the copy.
class AutoBuffer {
public:
    static const int DEFAULT_CAPACITY = 64;
    static const char* const TRUE_LITERAL;
    static const char* const FALSE_LITERAL;

    // A capacity of 0 takes no storage; a failed allocation leaves none.
    explicit AutoBuffer(size_t capacity = DEFAULT_CAPACITY);
    // The same on a given memory source, which must outlive the buffer.
    AutoBuffer(mempool& pool, size_t capacity = DEFAULT_CAPACITY);
    ~AutoBuffer();

    // Takes other's text, capacity, flag and memory source after releasing
    // this buffer's storage; other is left empty without storage.
    AutoBuffer& transfer_from(AutoBuffer& other);
    void swap(AutoBuffer& other);

    size_t size() const { return _size; }
    size_t capacity() const { return _capacity; }
    bool empty() const { return _size == 0; }
    bool full() const { return _size == _capacity; }
    bool truncated() const { return _truncated; }
    // Never null; valid until the buffer next changes.
    const char* c_str() const { return _str ? _str : ""; }
    // Drops the text, keeps the storage, clears the flag.
    void clear();

    // Room for at least n characters; false (nothing changed) when the memory
    // source refuses or the size would not fit in a size_t.
    bool reserve(size_t n);

    AutoBuffer& push(const char* s, size_t len);
    AutoBuffer& push(const char* s);
    AutoBuffer& push(char c);
    AutoBuffer& push(size_t count, char c);
    AutoBuffer& push(const AutoBuffer& other);
    AutoBuffer& push(bool b);
    AutoBuffer& push(signed char n);
    AutoBuffer& push(unsigned char n);
    AutoBuffer& push(short n);
    AutoBuffer& push(unsigned short n);
    AutoBuffer& push(int n);
    AutoBuffer& push(unsigned int n);
    AutoBuffer& push(long n);
    AutoBuffer& push(unsigned long n);
    AutoBuffer& push(long long n);
    AutoBuffer& push(unsigned long long n);
    AutoBuffer& push(double d);
    AutoBuffer& push(long double d);
    AutoBuffer& push(void* p);
    // Wide text is converted by the current locale ("%lc", "%ls"); a
    // character it cannot convert is a format error and appends nothing. A
    // null wide string appends nothing and clears the flag, as a null text.
    AutoBuffer& push(wchar_t c);
    AutoBuffer& push(const wchar_t* s);

    // Formats straight into the free tail, so the arguments must not point
    // into this buffer's storage; if they do, the text is garbled but no
    // released memory is ever read.
    AutoBuffer& pushf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    AutoBuffer& vpushf(const char* format, va_list ap);

    // A pointer to constant data other than const char* has no overload of
    // its own: it converts to bool and appends "true" or "false".
    AutoBuffer& operator<<(const char* s) { return push(s); }
    AutoBuffer& operator<<(char c) { return push(c); }
    AutoBuffer& operator<<(const AutoBuffer& other) { return push(other); }
    AutoBuffer& operator<<(bool b) { return push(b); }
    AutoBuffer& operator<<(signed char n) { return push(n); }
    AutoBuffer& operator<<(unsigned char n) { return push(n); }
    AutoBuffer& operator<<(short n) { return push(n); }
    AutoBuffer& operator<<(unsigned short n) { return push(n); }
    AutoBuffer& operator<<(int n) { return push(n); }
    AutoBuffer& operator<<(unsigned int n) { return push(n); }
    AutoBuffer& operator<<(long n) { return push(n); }
    AutoBuffer& operator<<(unsigned long n) { return push(n); }
    AutoBuffer& operator<<(long long n) { return push(n); }
    AutoBuffer& operator<<(unsigned long long n) { return push(n); }
    AutoBuffer& operator<<(double d) { return push(d); }
    AutoBuffer& operator<<(long double d) { return push(d); }
    AutoBuffer& operator<<(void* p) { return push(p); }
    AutoBuffer& operator<<(wchar_t c) { return push(c); }
    AutoBuffer& operator<<(const wchar_t* s) { return push(s); }

private:
    static const size_t TRUE_LITERAL_LEN = 4;
    static const size_t FALSE_LITERAL_LEN = 5;

    AutoBuffer(const AutoBuffer&);
    AutoBuffer& operator=(const AutoBuffer&);

    void _init(size_t capacity);
    // Moves the text into a new block of at least n characters. The old block
    // comes back through old_str/old_capacity, still readable, and is released
    // by the caller once the appended bytes are copied out of it.
    bool _grow(size_t n, char** old_str, size_t* old_capacity);
    // How many of len bytes can be appended, growing if needed (see _grow).
    size_t _make_room(size_t len, char** old_str, size_t* old_capacity);
    void _release(char* str, size_t capacity);
    // Appends len bytes of s, or len copies of fill when s is null; keeps
    // what fits when growth fails.
    AutoBuffer& _append(const char* s, char fill, size_t len);
    bool _owns(const char* p) const;

    size_t _size;
    size_t _capacity;
    bool _truncated;
    char* _str;
    mempool* _mempool;
};

}  // namespace tal

#endif
