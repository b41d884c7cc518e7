#include "tal/var/implement/ShallowString.h"

#include <typeinfo>

#include "tal/check_cast/check_cast.h"

namespace tal {
namespace var {

ShallowString::ShallowString() : _value("", 0) { _value.clear(); }

ShallowString::ShallowString(const char* str) : _value("", 0) { _value = str; }

ShallowString::ShallowString(const char* str, size_t len) : _value(str, len) {}

ShallowString::ShallowString(const tal::string& str) : _value("", 0) { _value = str; }

ShallowString::~ShallowString() {}

ShallowString& ShallowString::operator=(IVar& var)
{
    if (var.is_string()) {
        _value = var.c_str();
        return *this;
    }
    const tal::string source_dump = var.dump(0);
    throw InvalidOperationException() << TAL_EXCEPTION_ARG << "type[" << typeid(*this).name() << "] this["
                                      << _value.c_str() << "] cast from[" << source_dump << "]";
}

tal::string ShallowString::dump(size_t) const
{
    tal::string s("[tal::var::ShallowString]");
    s.append(_value.c_str(), _value.size());
    return s;
}

void ShallowString::clear() { _value.clear(); }

tal::string ShallowString::to_string() const { return tal::string(_value.c_str()); }

tal::string ShallowString::get_type() const { return tal::string("tal::var::ShallowString"); }

unsigned short ShallowString::get_mask() const { return IS_STRING; }

ShallowString& ShallowString::clone(tal::ResourcePool& rp) const { return rp.clone(*this); }

ShallowString& ShallowString::clone(tal::ResourcePool& rp, bool) const { return rp.clone(*this); }

bool ShallowString::is_string() const { return true; }

bool ShallowString::to_bool() const { return _value.c_str()[0] != '\0'; }

// The text up to its first NUL, parsed (and narrowed) by tal::check_cast.
signed char ShallowString::to_int8() const { return check_cast<signed char>(_value.c_str()); }
unsigned char ShallowString::to_uint8() const { return check_cast<unsigned char>(_value.c_str()); }
short ShallowString::to_int16() const { return check_cast<short>(_value.c_str()); }
unsigned short ShallowString::to_uint16() const { return check_cast<unsigned short>(_value.c_str()); }
int ShallowString::to_int32() const { return check_cast<int>(_value.c_str()); }
unsigned int ShallowString::to_uint32() const { return check_cast<unsigned int>(_value.c_str()); }
long long ShallowString::to_int64() const { return check_cast<long long>(_value.c_str()); }
unsigned long long ShallowString::to_uint64() const { return check_cast<unsigned long long>(_value.c_str()); }
float ShallowString::to_float() const { return check_cast<float>(_value.c_str()); }
double ShallowString::to_double() const { return check_cast<double>(_value.c_str()); }

ShallowString& ShallowString::operator=(const char* cstr)
{
    _value = cstr;
    return *this;
}

ShallowString& ShallowString::operator=(const tal::string& str)
{
    _value = str;
    return *this;
}

const char* ShallowString::c_str() const { return _value.c_str(); }

size_t ShallowString::c_str_len() const { return _value.size(); }

}  // namespace var
}  // namespace tal
