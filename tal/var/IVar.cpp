#include "tal/var/IVar.h"

#include <typeinfo>

namespace tal {
namespace var {

namespace {

// Builds and throws the refusal of an operation the value's kind does not
// support: "type[" mangled type "] this[" dump(0), then the tail pieces in
// order. The caller prepares its pieces (dumps, name copies) before calling,
// and passes its own throw site. Inlined so the stack trace starts in the
// refusing operation.
template <typename E, typename... Tail>
[[noreturn]] inline __attribute__((always_inline)) void refuse(const IVar& self, const ExceptionArg& site,
                                                               const Tail&... tail)
{
    const tal::string dump = self.dump(0);
    const char* const type = typeid(self).name();
    E e;
    e << site << "type[" << type << "] this[" << dump;
    (void)(e << ... << tail);
    throw e;
}

// The refusal every default but clone(rp, is_deep_copy) throws.
#define TAL_VAR_REFUSE(...) refuse<InvalidOperationException>(*this, TAL_EXCEPTION_ARG, __VA_ARGS__)

}  // namespace

IVar& IVar::clone(tal::ResourcePool&, bool) const
{
    refuse<NotImplementedException>(*this, TAL_EXCEPTION_ARG, "]: clone interface has not been implemented.");
}

bool IVar::is_null() const { return (get_mask() & 0x00FF) == 0; }
bool IVar::is_ref() const { return (get_mask() & IS_REF) != 0; }
bool IVar::is_bool() const { return (get_mask() & IS_BOOL) != 0; }
bool IVar::is_number() const { return (get_mask() & IS_NUMBER) != 0; }

#define TAL_VAR_IS_SIZED(name, T) \
    bool IVar::name() const { return check_mask(get_mask(), var_traits<T>::MASK, var_traits<T>::ANTI_MASK); }
TAL_VAR_IS_SIZED(is_int8, signed char)
TAL_VAR_IS_SIZED(is_uint8, unsigned char)
TAL_VAR_IS_SIZED(is_int16, short)
TAL_VAR_IS_SIZED(is_uint16, unsigned short)
TAL_VAR_IS_SIZED(is_int32, int)
TAL_VAR_IS_SIZED(is_uint32, unsigned int)
TAL_VAR_IS_SIZED(is_int64, long long)
TAL_VAR_IS_SIZED(is_uint64, unsigned long long)
TAL_VAR_IS_SIZED(is_float, float)
TAL_VAR_IS_SIZED(is_double, double)
#undef TAL_VAR_IS_SIZED

bool IVar::is_string() const { return (get_mask() & IS_STRING) != 0; }
bool IVar::is_array() const { return (get_mask() & IS_ARRAY) != 0; }
bool IVar::is_dict() const { return (get_mask() & IS_DICT) != 0; }
bool IVar::is_callable() const { return (get_mask() & IS_CALLABLE) != 0; }
bool IVar::is_raw() const { return (get_mask() & IS_RAW) != 0; }

// Conversions, and operations whose refusal shows no argument.
bool IVar::to_bool() const { TAL_VAR_REFUSE("]"); }
signed char IVar::to_int8() const { TAL_VAR_REFUSE("]"); }
unsigned char IVar::to_uint8() const { TAL_VAR_REFUSE("]"); }
short IVar::to_int16() const { TAL_VAR_REFUSE("]"); }
unsigned short IVar::to_uint16() const { TAL_VAR_REFUSE("]"); }
int IVar::to_int32() const { TAL_VAR_REFUSE("]"); }
unsigned int IVar::to_uint32() const { TAL_VAR_REFUSE("]"); }
long long IVar::to_int64() const { TAL_VAR_REFUSE("]"); }
unsigned long long IVar::to_uint64() const { TAL_VAR_REFUSE("]"); }
float IVar::to_float() const { TAL_VAR_REFUSE("]"); }
double IVar::to_double() const { TAL_VAR_REFUSE("]"); }
raw_t IVar::to_raw() const { TAL_VAR_REFUSE("]"); }

// Assignments show the value in its own rendering; a null text shows nothing.
IVar& IVar::operator=(bool value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(signed char value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(unsigned char value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(short value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(unsigned short value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(int value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(unsigned int value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(long long value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(unsigned long long value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(float value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(double value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(const char* value_) { TAL_VAR_REFUSE("] assign from[", value_, "]"); }
IVar& IVar::operator=(const tal::string& value_)
{
    const tal::string copy(value_);
    TAL_VAR_REFUSE("] assign from[", copy, "]");
}

const char* IVar::c_str() const { TAL_VAR_REFUSE("]"); }
size_t IVar::c_str_len() const { TAL_VAR_REFUSE("]"); }

// The data pointer shows as a truth value, not as an address.
IVar& IVar::operator=(const raw_t& value_)
{
    TAL_VAR_REFUSE("] assign from raw[data:", value_.data, ", length:", value_.length, "]");
}

size_t IVar::size() const { TAL_VAR_REFUSE("]"); }

// By position: a size_t index shows as "%lu", an int subscript as "%d".
IVar& IVar::get(size_t idx) { TAL_VAR_REFUSE("] index[", idx, "]"); }
IVar& IVar::get(size_t idx, IVar& default_value)
{
    const tal::string default_dump = default_value.dump(0);
    TAL_VAR_REFUSE("] index[", idx, "] default[", default_dump, "]");
}
const IVar& IVar::get(size_t idx) const { TAL_VAR_REFUSE("] index[", idx, "]"); }
const IVar& IVar::get(size_t idx, const IVar& default_value) const
{
    const tal::string default_dump = default_value.dump(0);
    TAL_VAR_REFUSE("] index[", idx, "] default[", default_dump, "]");
}
void IVar::set(size_t idx, IVar& value_)
{
    const tal::string value_dump = value_.dump(0);
    TAL_VAR_REFUSE("] index[", idx, "] value[", value_dump, "]");
}
bool IVar::del(size_t idx) { TAL_VAR_REFUSE("] index[", idx, "]"); }
ArrayConstIterator IVar::array_begin() const { TAL_VAR_REFUSE("]"); }
ArrayIterator IVar::array_begin() { TAL_VAR_REFUSE("]"); }
ArrayConstIterator IVar::array_end() const { TAL_VAR_REFUSE("]"); }
ArrayIterator IVar::array_end() { TAL_VAR_REFUSE("]"); }
const IVar& IVar::operator[](int idx) const { TAL_VAR_REFUSE("] index[", idx, "]"); }
IVar& IVar::operator[](int idx) { TAL_VAR_REFUSE("] index[", idx, "]"); }

// By name: the name shows through a copy, up to its first NUL.
IVar& IVar::get(const tal::string& name)
{
    const tal::string name_copy(name);
    TAL_VAR_REFUSE("] name[", name_copy, "]");
}
IVar& IVar::get(const tal::string& name, IVar& default_value)
{
    const tal::string default_dump = default_value.dump(0);
    const tal::string name_copy(name);
    TAL_VAR_REFUSE("] name[", name_copy, "] default[", default_dump, "]");
}
const IVar& IVar::get(const tal::string& name) const
{
    const tal::string name_copy(name);
    TAL_VAR_REFUSE("] name[", name_copy, "]");
}
const IVar& IVar::get(const tal::string& name, const IVar& default_value) const
{
    const tal::string default_dump = default_value.dump(0);
    const tal::string name_copy(name);
    TAL_VAR_REFUSE("] name[", name_copy, "] default[", default_dump, "]");
}
void IVar::set(const tal::string& name, IVar& value_)
{
    const tal::string value_dump = value_.dump(0);
    const tal::string name_copy(name);
    TAL_VAR_REFUSE("] name[", name_copy, "] value[", value_dump, "]");
}
bool IVar::del(const tal::string& name)
{
    const tal::string name_copy(name);
    TAL_VAR_REFUSE("] name[", name_copy, "]");
}
const IVar& IVar::operator[](const tal::string& name) const
{
    const tal::string name_copy(name);
    TAL_VAR_REFUSE("] name[", name_copy, "]");
}
IVar& IVar::operator[](const tal::string& name)
{
    const tal::string name_copy(name);
    TAL_VAR_REFUSE("] name[", name_copy, "]");
}
DictConstIterator IVar::dict_begin() const { TAL_VAR_REFUSE("]"); }
DictIterator IVar::dict_begin() { TAL_VAR_REFUSE("]"); }
DictConstIterator IVar::dict_end() const { TAL_VAR_REFUSE("]"); }
DictIterator IVar::dict_end() { TAL_VAR_REFUSE("]"); }

// Calls: params shows at verbose level 1, self at level 0.
IVar& IVar::operator()(IVar& params, tal::ResourcePool&)
{
    const tal::string params_dump = params.dump(1);
    TAL_VAR_REFUSE("] params[", params_dump, "]");
}
IVar& IVar::operator()(IVar& self, IVar& params, tal::ResourcePool&)
{
    const tal::string params_dump = params.dump(1);
    const tal::string self_dump = self.dump(0);
    TAL_VAR_REFUSE("] self[", self_dump, "] params[", params_dump, "]");
}

void decorate_assign_failure(tal::Exception& e, const char* function, const IVar& source)
{
    e << "{" << function << "(" << source.dump(0) << ")}";
}

void rethrow_assign_failure(tal::Exception& e, const char* function, const IVar& source)
{
    decorate_assign_failure(e, function, source);
    throw;
}

}  // namespace var
}  // namespace tal
