#include "tal/var/implement/Bool.h"

namespace tal {
namespace var {

Bool::~Bool() {}

Bool& Bool::operator=(IVar& other)
{
    const bool value = other.to_bool();
    _value = value;
    return *this;
}

tal::string Bool::dump(size_t) const
{
    return tal::string(_value ? "[tal::var::Bool]true" : "[tal::var::Bool]false");
}

void Bool::clear() { _value = false; }

tal::string Bool::to_string() const { return tal::string(_value ? "true" : "false"); }

tal::string Bool::get_type() const { return tal::string("tal::var::Bool"); }

unsigned short Bool::get_mask() const { return IS_BOOL; }

Bool& Bool::clone(tal::ResourcePool& rp) const { return rp.clone(*this); }

Bool& Bool::clone(tal::ResourcePool& rp, bool) const { return rp.clone(*this); }

bool Bool::is_bool() const { return true; }

// 1 or 0 in every result type.
bool Bool::to_bool() const { return _value; }
signed char Bool::to_int8() const { return _value; }
unsigned char Bool::to_uint8() const { return _value; }
short Bool::to_int16() const { return _value; }
unsigned short Bool::to_uint16() const { return _value; }
int Bool::to_int32() const { return _value; }
unsigned int Bool::to_uint32() const { return _value; }
long long Bool::to_int64() const { return _value; }
unsigned long long Bool::to_uint64() const { return _value; }
float Bool::to_float() const { return _value; }
double Bool::to_double() const { return _value; }

Bool& Bool::operator=(bool val)
{
    _value = val;
    return *this;
}

Bool& Bool::operator=(int val) { return *this = (val != 0); }
Bool& Bool::operator=(long long val) { return *this = (val != 0); }
Bool& Bool::operator=(float val) { return *this = !(val == 0.0f); }
Bool& Bool::operator=(double val) { return *this = !(val == 0.0); }
Bool& Bool::operator=(const char* val) { return *this = (val && val[0] != '\0'); }
Bool& Bool::operator=(const tal::string& val) { return *this = (val.c_str()[0] != '\0'); }

}  // namespace var
}  // namespace tal
