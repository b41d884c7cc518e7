#ifndef TAL_VAR_IMPLEMENT_BOOL_H
#define TAL_VAR_IMPLEMENT_BOOL_H

#include "tal/var/IVar.h"

namespace tal {
namespace var {

// One truth value. Takes bool, int, long long, float, double and text;
// every other scalar assignment is the interface's refusal.
class Bool : public IVar {
public:
    Bool() : _value(false) {}
    Bool(bool value) : _value(value) {}
    Bool(const Bool& other) : IVar(other), _value(other._value) {}
    Bool& operator=(const Bool& other)
    {
        _value = other._value;
        return *this;
    }
    ~Bool() override;

    using IVar::operator=;
    // Takes other.to_bool(); when that throws, this value is unchanged.
    Bool& operator=(IVar& other) override;
    tal::string dump(size_t verbose_level) const override;
    void clear() override;
    tal::string to_string() const override;
    tal::string get_type() const override;
    unsigned short get_mask() const override;
    Bool& clone(tal::ResourcePool& rp) const override;
    Bool& clone(tal::ResourcePool& rp, bool is_deep_copy) const override;

    bool is_bool() const override;

    TAL_VAR_SCALAR_CONVERSIONS_OVERRIDE

    Bool& operator=(bool val) override;
    Bool& operator=(int val) override;
    Bool& operator=(long long val) override;
    // True unless val equals 0: a NaN is true, -0.0 false.
    Bool& operator=(float val) override;
    Bool& operator=(double val) override;
    // True when the text is not empty ("0" and "false" are true); a null
    // pointer is false.
    Bool& operator=(const char* val) override;
    // True when the first character is not NUL, whatever the length says.
    Bool& operator=(const tal::string& val) override;

private:
    bool _value;
};

}  // namespace var
}  // namespace tal

#endif
