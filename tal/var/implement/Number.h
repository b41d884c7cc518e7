#ifndef TAL_VAR_IMPLEMENT_NUMBER_H
#define TAL_VAR_IMPLEMENT_NUMBER_H

#include <type_traits>

#include "tal/var/IVar.h"

namespace tal {
namespace var {

// A number of one fixed type T, one of exactly ten: signed char, unsigned
// char, short, unsigned short, int, unsigned int, long long, unsigned long
// long, float and double (long long, not int64_t: the run-time type names
// "x" and "y" in dumps and messages depend on it). Every conversion in or out
// goes through tal::check_cast, so a value that does not fit the destination
// throws tal::UnderflowException or tal::OverflowException instead of
// wrapping; conversions into float or double are never checked. A failed
// assignment keeps the old value.
//
// The members are instantiated once, in Number.cpp, for the ten types.
template <typename T>
class Number : public IVar {
    static_assert(std::is_same<T, signed char>::value || std::is_same<T, unsigned char>::value ||
                      std::is_same<T, short>::value || std::is_same<T, unsigned short>::value ||
                      std::is_same<T, int>::value || std::is_same<T, unsigned int>::value ||
                      std::is_same<T, long long>::value || std::is_same<T, unsigned long long>::value ||
                      std::is_same<T, float>::value || std::is_same<T, double>::value,
                  "tal::var::Number exists for the ten number types only");

public:
    // Holds value as it is: no conversion, no check.
    Number(T value) : _value(value) {}
    Number(const Number& other) : IVar(other), _value(other._value) {}
    Number& operator=(const Number& other)
    {
        _value = other._value;
        return *this;
    }
    ~Number() override;

    using IVar::operator=;
    // Takes the source's value as a double when the source is a floating
    // number or this one is floating (a fraction survives), else as an
    // unsigned long long when the source is one, else through to_int64(). A
    // tal::Exception on the way gets "{<this function>(<source dump(0)>)}"
    // appended and is rethrown as the same object; the value stays.
    Number& operator=(IVar& var) override;
    // "[tal::var::Number<" the type's one-letter run-time name ">]" and the
    // value as to_string() prints it, at every level.
    tal::string dump(size_t verbose_level) const override;
    void clear() override;
    // The value in its type's printf format ("%g" for float, "%lg" for double).
    tal::string to_string() const override;
    // "tal::var::Number" for every T.
    tal::string get_type() const override;
    unsigned short get_mask() const override;
    Number& clone(tal::ResourcePool& rp) const override;
    Number& clone(tal::ResourcePool& rp, bool is_deep_copy) const override;

    bool is_number() const override;
    bool is_int8() const override;
    bool is_uint8() const override;
    bool is_int16() const override;
    bool is_uint16() const override;
    bool is_int32() const override;
    bool is_uint32() const override;
    bool is_int64() const override;
    bool is_uint64() const override;
    bool is_float() const override;
    bool is_double() const override;

    // to_bool(): not zero, so a NaN is true and -0.0 false.
    TAL_VAR_SCALAR_CONVERSIONS_OVERRIDE

    // 0 or 1.
    Number& operator=(bool value_) override;
    Number& operator=(signed char value_) override;
    Number& operator=(unsigned char value_) override;
    Number& operator=(short value_) override;
    Number& operator=(unsigned short value_) override;
    Number& operator=(int value_) override;
    Number& operator=(unsigned int value_) override;
    Number& operator=(long long value_) override;
    Number& operator=(unsigned long long value_) override;
    Number& operator=(float value_) override;
    Number& operator=(double value_) override;
    // Parsed by tal::check_cast<T> from the text (base 0 for integers,
    // characters after the number accepted); its exceptions pass unchanged.
    Number& operator=(const char* value_) override;
    Number& operator=(const tal::string& value_) override;

private:
    // Stores value converted to T, only once the conversion has succeeded.
    template <typename S>
    Number& _store(S value);
    T _from(IVar& var) const;

    T _value;
};

extern template class Number<signed char>;
extern template class Number<unsigned char>;
extern template class Number<short>;
extern template class Number<unsigned short>;
extern template class Number<int>;
extern template class Number<unsigned int>;
extern template class Number<long long>;
extern template class Number<unsigned long long>;
extern template class Number<float>;
extern template class Number<double>;

}  // namespace var
}  // namespace tal

#endif
