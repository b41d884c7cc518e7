#include "tal/var/implement/Number.h"

#include <typeinfo>

#include "tal/check_cast/check_cast.h"

namespace tal {
namespace var {

template <typename T>
Number<T>::~Number()
{
}

template <typename T>
template <typename S>
Number<T>& Number<T>::_store(S value)
{
    const T converted = tal::check_cast<T>(value);
    _value = converted;
    return *this;
}

// A floating source or target goes through double, so that a fraction is
// not cut off on the way (a float source through to_int64 would be).
template <typename T>
T Number<T>::_from(IVar& var) const
{
    if (var.is_double() || var.is_float()) {
        return tal::check_cast<T>(var.to_double());
    }
    if (var.is_uint64()) {
        return tal::check_cast<T>(var.to_uint64());
    }
    if (std::is_floating_point<T>::value) {
        return tal::check_cast<T>(var.to_double());
    }
    return tal::check_cast<T>(var.to_int64());
}

template <typename T>
Number<T>& Number<T>::operator=(IVar& var)
{
    try {
        const T value = _from(var);
        _value = value;
    } catch (Exception& e) {
        rethrow_assign_failure(e, __PRETTY_FUNCTION__, var);
    }
    return *this;
}

template <typename T>
tal::string Number<T>::dump(size_t) const
{
    tal::string s("[tal::var::Number<");
    s.append(typeid(T).name());
    s.append(">]");
    s.append(to_string());
    return s;
}

template <typename T>
void Number<T>::clear()
{
    _value = 0;
}

template <typename T>
tal::string Number<T>::to_string() const
{
    return tal::check_cast<tal::string>(_value);
}

template <typename T>
tal::string Number<T>::get_type() const
{
    return tal::string("tal::var::Number");
}

template <typename T>
unsigned short Number<T>::get_mask() const
{
    return var_traits<T>::MASK;
}

template <typename T>
Number<T>& Number<T>::clone(tal::ResourcePool& rp) const
{
    return rp.clone(*this);
}

template <typename T>
Number<T>& Number<T>::clone(tal::ResourcePool& rp, bool) const
{
    return rp.clone(*this);
}

template <typename T>
bool Number<T>::is_number() const
{
    return true;
}

#define TAL_VAR_NUMBER_IS(name, U)        \
    template <typename T>                 \
    bool Number<T>::name() const          \
    {                                     \
        return std::is_same<T, U>::value; \
    }
TAL_VAR_NUMBER_IS(is_int8, signed char)
TAL_VAR_NUMBER_IS(is_uint8, unsigned char)
TAL_VAR_NUMBER_IS(is_int16, short)
TAL_VAR_NUMBER_IS(is_uint16, unsigned short)
TAL_VAR_NUMBER_IS(is_int32, int)
TAL_VAR_NUMBER_IS(is_uint32, unsigned int)
TAL_VAR_NUMBER_IS(is_int64, long long)
TAL_VAR_NUMBER_IS(is_uint64, unsigned long long)
TAL_VAR_NUMBER_IS(is_float, float)
TAL_VAR_NUMBER_IS(is_double, double)
#undef TAL_VAR_NUMBER_IS

template <typename T>
bool Number<T>::to_bool() const
{
    return _value != 0;
}

#define TAL_VAR_NUMBER_TO(name, U)         \
    template <typename T>                  \
    U Number<T>::name() const              \
    {                                      \
        return tal::check_cast<U>(_value); \
    }
TAL_VAR_NUMBER_TO(to_int8, signed char)
TAL_VAR_NUMBER_TO(to_uint8, unsigned char)
TAL_VAR_NUMBER_TO(to_int16, short)
TAL_VAR_NUMBER_TO(to_uint16, unsigned short)
TAL_VAR_NUMBER_TO(to_int32, int)
TAL_VAR_NUMBER_TO(to_uint32, unsigned int)
TAL_VAR_NUMBER_TO(to_int64, long long)
TAL_VAR_NUMBER_TO(to_uint64, unsigned long long)
TAL_VAR_NUMBER_TO(to_float, float)
TAL_VAR_NUMBER_TO(to_double, double)
#undef TAL_VAR_NUMBER_TO

#define TAL_VAR_NUMBER_ASSIGN(S)              \
    template <typename T>                     \
    Number<T>& Number<T>::operator=(S value_) \
    {                                         \
        return _store(value_);                \
    }
TAL_VAR_NUMBER_ASSIGN(bool)
TAL_VAR_NUMBER_ASSIGN(signed char)
TAL_VAR_NUMBER_ASSIGN(unsigned char)
TAL_VAR_NUMBER_ASSIGN(short)
TAL_VAR_NUMBER_ASSIGN(unsigned short)
TAL_VAR_NUMBER_ASSIGN(int)
TAL_VAR_NUMBER_ASSIGN(unsigned int)
TAL_VAR_NUMBER_ASSIGN(long long)
TAL_VAR_NUMBER_ASSIGN(unsigned long long)
TAL_VAR_NUMBER_ASSIGN(float)
TAL_VAR_NUMBER_ASSIGN(double)
TAL_VAR_NUMBER_ASSIGN(const char*)
#undef TAL_VAR_NUMBER_ASSIGN

template <typename T>
Number<T>& Number<T>::operator=(const tal::string& value_)
{
    return _store(value_.c_str());
}

template class Number<signed char>;
template class Number<unsigned char>;
template class Number<short>;
template class Number<unsigned short>;
template class Number<int>;
template class Number<unsigned int>;
template class Number<long long>;
template class Number<unsigned long long>;
template class Number<float>;
template class Number<double>;

}  // namespace var
}  // namespace tal
