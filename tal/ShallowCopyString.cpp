#include "tal/ShallowCopyString.h"

#include <cstring>

namespace tal {

ShallowCopyString::ShallowCopyString(const char* str, size_t len) : _str(str), _length(len)
{
    if (!str) {
        throw NullPointerException() << TAL_EXCEPTION_ARG;
    }
    if (len == npos || str[len] != '\0') {
        throw BadArgumentException() << TAL_EXCEPTION_ARG << "wrong len:" << (unsigned long)len;
    }
}

ShallowCopyString::ShallowCopyString() : _str(_S_EMPTY_CS()), _length(0) {}

ShallowCopyString::ShallowCopyString(const char* cstr) : _str(_S_EMPTY_CS()), _length(0) { *this = cstr; }

ShallowCopyString::ShallowCopyString(const AutoBuffer& buf) : _str(buf.c_str()), _length(buf.size()) {}

ShallowCopyString& ShallowCopyString::operator=(const char* cstr)
{
    if (!cstr) {
        throw NullPointerException() << TAL_EXCEPTION_ARG << "cstr is NULL";
    }
    if (cstr != _str) {
        _str = cstr;
        _length = npos;
    }
    return *this;
}

ShallowCopyString& ShallowCopyString::operator=(const string& s)
{
    _str = s.c_str();
    _length = s.size();
    return *this;
}

ShallowCopyString& ShallowCopyString::operator=(const AutoBuffer& buf)
{
    _str = buf.c_str();
    _length = buf.size();
    return *this;
}

void ShallowCopyString::clear()
{
    _str = _S_EMPTY_CS();
    _length = 0;
}

size_t ShallowCopyString::size() const
{
    if (_length == npos) {
        _length = std::strlen(_str);
    }
    return _length;
}

const char& ShallowCopyString::at(size_t i) const
{
    if (i >= size()) {
        throw OutOfBoundException() << TAL_EXCEPTION_ARG << "index[" << (unsigned long)i << "] size["
                                    << (unsigned long)_length << "]";
    }
    return _str[i];
}

int ShallowCopyString::compare(const ShallowCopyString& other) const
{
    const size_t n = size(), other_n = other.size();
    const int r = std::memcmp(_str, other._str, n < other_n ? n : other_n);
    if (r != 0) {
        return r < 0 ? -1 : 1;
    }
    return n == other_n ? 0 : n < other_n ? -1 : 1;
}

const char* ShallowCopyString::_S_EMPTY_CS()
{
    static const char empty = '\0';
    return &empty;
}

}  // namespace tal
