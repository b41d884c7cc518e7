#include "tal/ShallowCopyString.h"

#include <cstring>

namespace tal {

ShallowCopyString::ShallowCopyString(const char* str, size_t len) : _str(str), _length(len)
{
    if (!str) {
        throw NullPointerException() << TAL_EXCEPTION_ARG;
    }
    if (len == npos || str[len] != '\0') {
        throw BadArgumentException() << TAL_EXCEPTION_ARG
                                     << "wrong len:" << (unsigned long)len;
    }
}

ShallowCopyString& ShallowCopyString::operator=(const char* cstr)
{
    if (!cstr) {
        throw NullPointerException() << TAL_EXCEPTION_ARG
                                     << "cstr is NULL";
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

const char* ShallowCopyString::_S_EMPTY_CS()
{
    static const char empty = '\0';
    return &empty;
}

}  // namespace tal
