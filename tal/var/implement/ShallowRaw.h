#ifndef TAL_VAR_IMPLEMENT_SHALLOWRAW_H
#define TAL_VAR_IMPLEMENT_SHALLOWRAW_H

#include <cstddef>

#include "tal/var/IVar.h"

namespace tal {
namespace var {

// Borrowed raw bytes: the only kind that answers to_raw() and takes a raw_t.
// It never copies, owns or frees the bytes, and its clones (deep or not)
// borrow the same ones, so whoever made it keeps the bytes alive as long as
// any of them is used. Nothing ties data to length; only the verbose dump
// reads the bytes.
class ShallowRaw : public IVar {
public:
    ShallowRaw(const void* data, size_t length) : _value(data, length) {}
    explicit ShallowRaw(const raw_t& value) : _value(value) {}
    ShallowRaw(const ShallowRaw& other) : IVar(other), _value(other._value) {}
    ShallowRaw& operator=(const ShallowRaw& other)
    {
        _value = other._value;
        return *this;
    }
    ~ShallowRaw() override;

    using IVar::operator=;
    // Takes value.to_raw(); itself is left alone, and a source without raw
    // bytes refuses (its own to_raw()) with this value unchanged.
    ShallowRaw& operator=(IVar& value) override;
    // "[tal::var::ShallowRaw] data[%p] length[%zd]"; at a non-zero level and
    // with data, also " value[" and every byte as \xhh, then "]".
    tal::string dump(size_t verbose_level) const override;
    void clear() override;
    tal::string to_string() const override;
    tal::string get_type() const override;
    unsigned short get_mask() const override;
    ShallowRaw& clone(tal::ResourcePool& rp) const override;
    ShallowRaw& clone(tal::ResourcePool& rp, bool is_deep_copy) const override;
    bool is_raw() const override;
    raw_t to_raw() const override;
    ShallowRaw& operator=(const raw_t& value) override;

private:
    raw_t _value;
};

}  // namespace var
}  // namespace tal

#endif
