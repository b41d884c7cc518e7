#ifndef TAL_VAR_IMPLEMENT_STRING_H
#define TAL_VAR_IMPLEMENT_STRING_H

#include <cstddef>
#include <cstdio>

#include "tal/check_cast/check_cast.h"
#include "tal/var/IVar.h"

namespace tal {
namespace var {

namespace string_detail {

// The format a number assigned to a string is written with: the number's own
// printf format, except that floating values print "%f" / "%lf" (1.5 gives
// 1.500000, not the number kinds' 1.5).
template <typename T>
struct assign_format {
    static constexpr const char* FORMAT = check_cast_detail::number_traits<T>::FORMAT;
};
template <>
struct assign_format<float> {
    static constexpr const char* FORMAT = "%f";
};
template <>
struct assign_format<double> {
    static constexpr const char* FORMAT = "%lf";
};

}  // namespace string_detail

// A string value that owns its text: a copy in a StringT (tal::string) whose
// allocator (normally over a pool's memory source) holds the bytes. The text
// may hold NUL bytes; dumps and c_str_len() count all of them, while to_bool()
// and the numeric conversions read only up to the first NUL. A failed
// assignment leaves the text as it was: the new text is complete before the
// old one goes.
template <typename StringT>
class BasicString : public IVar {
public:
    BasicString() {}
    BasicString(const BasicString& other) : IVar(other), _value(other._value) {}
    explicit BasicString(const tal::pool_allocator<char>& alloc) : _value(alloc) {}
    BasicString(const char* cstr, const tal::pool_allocator<char>& alloc) : _value(cstr, alloc) {}
    // Exactly len bytes of text, NULs included; capacity len.
    BasicString(const char* text, size_t len, const tal::pool_allocator<char>& alloc)
        : _value(text, len, alloc)
    {
    }
    explicit BasicString(const StringT& str) : _value(str) {}
    BasicString& operator=(const BasicString& other)
    {
        _value = other._value;
        return *this;
    }
    ~BasicString() override {}

    using IVar::operator=;
    // The text becomes var.to_string(), every byte of it.
    BasicString& operator=(IVar& var) override
    {
        const tal::string text = var.to_string();
        _value = text;
        return *this;
    }
    // "[tal::var::String]" and every byte of the text, at every level.
    tal::string dump(size_t) const override
    {
        tal::string s("[tal::var::String]");
        s.append(_value.c_str(), _value.size());
        return s;
    }
    // Keeps the block for the next text.
    void clear() override { _value.clear(); }
    // A copy through this string's own allocator.
    tal::string to_string() const override { return _value; }
    tal::string get_type() const override { return tal::string("tal::var::String"); }
    unsigned short get_mask() const override { return IS_STRING; }
    // The copy's text comes from this string's allocator, not from rp.
    BasicString& clone(tal::ResourcePool& rp) const override { return rp.clone(*this); }
    BasicString& clone(tal::ResourcePool& rp, bool) const override { return rp.clone(*this); }

    bool is_string() const override { return true; }

    // Any non-empty text is true, "0" and "false" included.
    bool to_bool() const override { return _value.c_str()[0] != '\0'; }
    signed char to_int8() const override { return tal::check_cast<signed char>(_value.c_str()); }
    unsigned char to_uint8() const override { return tal::check_cast<unsigned char>(_value.c_str()); }
    short to_int16() const override { return tal::check_cast<short>(_value.c_str()); }
    unsigned short to_uint16() const override { return tal::check_cast<unsigned short>(_value.c_str()); }
    int to_int32() const override { return tal::check_cast<int>(_value.c_str()); }
    unsigned int to_uint32() const override { return tal::check_cast<unsigned int>(_value.c_str()); }
    long long to_int64() const override { return tal::check_cast<long long>(_value.c_str()); }
    unsigned long long to_uint64() const override
    {
        return tal::check_cast<unsigned long long>(_value.c_str());
    }
    float to_float() const override { return tal::check_cast<float>(_value.c_str()); }
    double to_double() const override { return tal::check_cast<double>(_value.c_str()); }

    // "true" or "false".
    BasicString& operator=(bool b) override
    {
        _value = b ? "true" : "false";
        return *this;
    }
    BasicString& operator=(signed char val) override { return _assign_number(val); }
    BasicString& operator=(unsigned char val) override { return _assign_number(val); }
    BasicString& operator=(short val) override { return _assign_number(val); }
    BasicString& operator=(unsigned short val) override { return _assign_number(val); }
    BasicString& operator=(int val) override { return _assign_number(val); }
    BasicString& operator=(unsigned int val) override { return _assign_number(val); }
    BasicString& operator=(long long val) override { return _assign_number(val); }
    BasicString& operator=(unsigned long long val) override { return _assign_number(val); }
    BasicString& operator=(float val) override { return _assign_number(val); }
    BasicString& operator=(double val) override { return _assign_number(val); }
    // A null or empty cstr empties the text; this string's own text pointer
    // changes nothing.
    BasicString& operator=(const char* cstr) override
    {
        _value = cstr;
        return *this;
    }
    BasicString& operator=(const tal::string& str) override
    {
        _value = str;
        return *this;
    }

    // Valid until the text next changes.
    const char* c_str() const override { return _value.c_str(); }
    size_t c_str_len() const override { return _value.size(); }

private:
    // Measures the text first and grows the block as a formatted append
    // grows it (at least doubling); only then is the text replaced, in place,
    // so a refused block leaves the old text.
    template <typename T>
    BasicString& _assign_number(T val)
    {
        const char* const format = string_detail::assign_format<T>::FORMAT;
        _value.reserve(static_cast<size_t>(snprintf(nullptr, 0, format, val)));
        _value.setf(format, val);
        return *this;
    }

    StringT _value;
};

typedef BasicString<tal::string> String;

}  // namespace var
}  // namespace tal

#endif
