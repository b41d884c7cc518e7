#include "tal/var/implement/Ref.h"

#include <utility>

namespace tal {
namespace var {

namespace {

// The value var stands for: its referent when it is a reference.
IVar* referent_of(IVar& var)
{
    if (var.is_ref()) {
        if (IRef* r = dynamic_cast<IRef*>(&var)) {
            return &r->ref();
        }
    }
    return &var;
}

}  // namespace

Ref::Ref(IVar& var) : _p(referent_of(var)) {}

Ref::~Ref() {}

Ref& Ref::operator=(IVar& var)
{
    _p = referent_of(var);
    return *this;
}

tal::string Ref::dump(size_t verbose_level) const
{
    tal::string s;
    s.appendf("@%p: ", static_cast<const void*>(_p));
    s.append(_p->dump(verbose_level));
    return s;
}

tal::string Ref::get_type() const
{
    tal::string s("tal::var::Ref(");
    s.append(_p->get_type());
    s.append(")");
    return s;
}

bool Ref::is_ref() const { return true; }

IVar& Ref::ref() const { return *_p; }

// Everything else is the referent's, with the same arguments.
void Ref::clear() { _p->clear(); }
tal::string Ref::to_string() const { return _p->to_string(); }
IVar& Ref::clone(tal::ResourcePool& rp) const { return _p->clone(rp); }
IVar& Ref::clone(tal::ResourcePool& rp, bool is_deep_copy) const { return _p->clone(rp, is_deep_copy); }

bool Ref::is_null() const { return _p->is_null(); }
bool Ref::is_bool() const { return _p->is_bool(); }
bool Ref::is_number() const { return _p->is_number(); }
bool Ref::is_int8() const { return _p->is_int8(); }
bool Ref::is_uint8() const { return _p->is_uint8(); }
bool Ref::is_int16() const { return _p->is_int16(); }
bool Ref::is_uint16() const { return _p->is_uint16(); }
bool Ref::is_int32() const { return _p->is_int32(); }
bool Ref::is_uint32() const { return _p->is_uint32(); }
bool Ref::is_int64() const { return _p->is_int64(); }
bool Ref::is_uint64() const { return _p->is_uint64(); }
bool Ref::is_float() const { return _p->is_float(); }
bool Ref::is_double() const { return _p->is_double(); }
bool Ref::is_string() const { return _p->is_string(); }
bool Ref::is_array() const { return _p->is_array(); }
bool Ref::is_dict() const { return _p->is_dict(); }
bool Ref::is_callable() const { return _p->is_callable(); }
bool Ref::is_raw() const { return _p->is_raw(); }

bool Ref::to_bool() const { return _p->to_bool(); }
signed char Ref::to_int8() const { return _p->to_int8(); }
unsigned char Ref::to_uint8() const { return _p->to_uint8(); }
short Ref::to_int16() const { return _p->to_int16(); }
unsigned short Ref::to_uint16() const { return _p->to_uint16(); }
int Ref::to_int32() const { return _p->to_int32(); }
unsigned int Ref::to_uint32() const { return _p->to_uint32(); }
long long Ref::to_int64() const { return _p->to_int64(); }
unsigned long long Ref::to_uint64() const { return _p->to_uint64(); }
float Ref::to_float() const { return _p->to_float(); }
double Ref::to_double() const { return _p->to_double(); }
raw_t Ref::to_raw() const { return _p->to_raw(); }

#define TAL_VAR_REF_ASSIGN(T)     \
    Ref& Ref::operator=(T value_) \
    {                             \
        *_p = value_;             \
        return *this;             \
    }
TAL_VAR_REF_ASSIGN(bool)
TAL_VAR_REF_ASSIGN(signed char)
TAL_VAR_REF_ASSIGN(unsigned char)
TAL_VAR_REF_ASSIGN(short)
TAL_VAR_REF_ASSIGN(unsigned short)
TAL_VAR_REF_ASSIGN(int)
TAL_VAR_REF_ASSIGN(unsigned int)
TAL_VAR_REF_ASSIGN(long long)
TAL_VAR_REF_ASSIGN(unsigned long long)
TAL_VAR_REF_ASSIGN(float)
TAL_VAR_REF_ASSIGN(double)
TAL_VAR_REF_ASSIGN(const char*)
TAL_VAR_REF_ASSIGN(const tal::string&)
TAL_VAR_REF_ASSIGN(const raw_t&)
#undef TAL_VAR_REF_ASSIGN

const char* Ref::c_str() const { return _p->c_str(); }
size_t Ref::c_str_len() const { return _p->c_str_len(); }
size_t Ref::size() const { return _p->size(); }

// _p points at a mutable value, so _p-> reaches the mutable forms and
// std::as_const the const ones.

IVar& Ref::get(size_t idx) { return _p->get(idx); }
IVar& Ref::get(size_t idx, IVar& default_value) { return _p->get(idx, default_value); }
const IVar& Ref::get(size_t idx) const { return _p->get(idx); }
const IVar& Ref::get(size_t idx, const IVar& default_value) const
{
    return std::as_const(*_p).get(idx, default_value);
}
void Ref::set(size_t idx, IVar& value_) { _p->set(idx, value_); }
bool Ref::del(size_t idx) { return _p->del(idx); }
ArrayConstIterator Ref::array_begin() const { return std::as_const(*_p).array_begin(); }
ArrayIterator Ref::array_begin() { return _p->array_begin(); }
ArrayConstIterator Ref::array_end() const { return std::as_const(*_p).array_end(); }
ArrayIterator Ref::array_end() { return _p->array_end(); }
const IVar& Ref::operator[](int idx) const { return (*_p)[idx]; }
IVar& Ref::operator[](int idx) { return (*_p)[idx]; }

IVar& Ref::get(const tal::string& name) { return _p->get(name); }
IVar& Ref::get(const tal::string& name, IVar& default_value) { return _p->get(name, default_value); }
const IVar& Ref::get(const tal::string& name) const { return _p->get(name); }
const IVar& Ref::get(const tal::string& name, const IVar& default_value) const
{
    return std::as_const(*_p).get(name, default_value);
}
void Ref::set(const tal::string& name, IVar& value_) { _p->set(name, value_); }
bool Ref::del(const tal::string& name) { return _p->del(name); }
const IVar& Ref::operator[](const tal::string& name) const { return (*_p)[name]; }
IVar& Ref::operator[](const tal::string& name) { return (*_p)[name]; }
DictConstIterator Ref::dict_begin() const { return std::as_const(*_p).dict_begin(); }
DictIterator Ref::dict_begin() { return _p->dict_begin(); }
DictConstIterator Ref::dict_end() const { return std::as_const(*_p).dict_end(); }
DictIterator Ref::dict_end() { return _p->dict_end(); }

IVar& Ref::operator()(IVar& params, tal::ResourcePool& rp) { return (*_p)(params, rp); }
IVar& Ref::operator()(IVar& self, IVar& params, tal::ResourcePool& rp) { return (*_p)(self, params, rp); }

}  // namespace var
}  // namespace tal
