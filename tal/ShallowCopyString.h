#ifndef TAL_SHALLOWCOPYSTRING_H
#define TAL_SHALLOWCOPYSTRING_H

#include <cstddef>

#include "tal/containers/string/tal_string.h"

namespace tal {

// Borrowed, read-only view of a NUL-terminated text that lives elsewhere: a
// pointer and a length, never a copy. The owner must neither free nor change
// the text while the view (or a copy of it) is used. A length of npos means
// "not yet measured": size() counts it once and keeps the count, also through
// a const view. No operation allocates.
class ShallowCopyString {
public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    // len must be the true length: str[len] must be NUL. A null str throws
    // tal::NullPointerException with an empty message; any other len, npos
    // included, throws tal::BadArgumentException "wrong len:<len>". npos is
    // refused before any byte is read.
    ShallowCopyString(const char* str, size_t len);
    ShallowCopyString(const ShallowCopyString& other) = default;
    // The shared static empty text, length 0.
    ShallowCopyString();
    // Views cstr unmeasured; a null cstr throws as operator= does.
    explicit ShallowCopyString(const char* cstr);
    // Borrows buf's text: valid only while buf lives unchanged.
    explicit ShallowCopyString(const AutoBuffer& buf);

    // A null cstr throws tal::NullPointerException "cstr is NULL" and keeps
    // the view; the pointer already held keeps its length; any other pointer
    // is viewed unmeasured.
    ShallowCopyString& operator=(const char* cstr);
    // Borrows s's storage: valid only while s lives unchanged.
    ShallowCopyString& operator=(const string& s);
    ShallowCopyString& operator=(const ShallowCopyString& other) = default;
    // Borrows buf's text: valid only while buf lives unchanged.
    ShallowCopyString& operator=(const AutoBuffer& buf);

    // The shared static empty text, length 0.
    void clear();
    const char* c_str() const { return _str; }
    size_t size() const;
    size_t length() const { return size(); }
    // A view has no room beyond its text.
    size_t capacity() const { return size(); }
    // Unchecked; index size() is the NUL.
    const char& operator[](size_t i) const { return _str[i]; }
    // An index at or past size() throws tal::OutOfBoundException.
    const char& at(size_t i) const;
    // -1, 0 or +1: bytes compared as unsigned up to the shorter length, then
    // the longer text is the greater.
    int compare(const ShallowCopyString& other) const;

private:
    static const char* _S_EMPTY_CS();

    const char* _str;
    mutable size_t _length;
};

}  // namespace tal

#endif
