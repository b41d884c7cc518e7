#ifndef TAL_VAR_IMPLEMENT_SHALLOWSTRING_H
#define TAL_VAR_IMPLEMENT_SHALLOWSTRING_H

#include <cstddef>

#include "tal/ShallowCopyString.h"
#include "tal/var/IVar.h"

namespace tal {
namespace var {

// A string value that borrows its text: a pointer and a length, never a copy.
// Whoever made it keeps the text alive and unchanged as long as the value or
// any clone of it (deep or not, clones borrow the same bytes) is used. The
// length is measured on first need and kept. Takes text only: every scalar
// assignment is the interface's refusal.
class ShallowString : public IVar {
public:
    // The shared empty text.
    ShallowString();
    // Borrows str, measured on first need; a null str throws
    // tal::NullPointerException "cstr is NULL".
    explicit ShallowString(const char* str);
    // str[len] must be NUL (str must have len + 1 readable bytes): a null str
    // throws tal::NullPointerException, any other len, npos included, throws
    // tal::BadArgumentException "wrong len:<len>" before a byte is read.
    ShallowString(const char* str, size_t len);
    explicit ShallowString(const tal::ShallowCopyString& value) : _value(value) {}
    // Borrows str's buffer: valid only while str lives unchanged.
    explicit ShallowString(const tal::string& str);
    ShallowString(const ShallowString& other) : IVar(other), _value(other._value) {}
    ShallowString& operator=(const ShallowString& other)
    {
        _value = other._value;
        return *this;
    }
    ~ShallowString() override;

    using IVar::operator=;
    // Borrows var.c_str() when var is a string (a Ref to one included), its
    // length measured afresh unless it is the pointer already held. Any other
    // value throws tal::InvalidOperationException "type[...] this[<text>]
    // cast from[<var.dump(0)>]"; this value stays.
    ShallowString& operator=(IVar& var) override;
    // "[tal::var::ShallowString]" and the c_str_len() bytes of the text, NULs
    // inside included, at every level.
    tal::string dump(size_t verbose_level) const override;
    void clear() override;
    // The text up to its first NUL.
    tal::string to_string() const override;
    tal::string get_type() const override;
    unsigned short get_mask() const override;
    ShallowString& clone(tal::ResourcePool& rp) const override;
    ShallowString& clone(tal::ResourcePool& rp, bool is_deep_copy) const override;

    bool is_string() const override;

    // to_bool(): any non-empty text is true, "0" included.
    TAL_VAR_SCALAR_CONVERSIONS_OVERRIDE

    // A null cstr throws tal::NullPointerException "cstr is NULL" and keeps
    // the text; the pointer already held keeps its length.
    ShallowString& operator=(const char* cstr) override;
    // Borrows str's buffer with str's length.
    ShallowString& operator=(const tal::string& str) override;

    const char* c_str() const override;
    size_t c_str_len() const override;

private:
    tal::ShallowCopyString _value;
};

}  // namespace var
}  // namespace tal

#endif
