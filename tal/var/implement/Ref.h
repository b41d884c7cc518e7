#ifndef TAL_VAR_IMPLEMENT_REF_H
#define TAL_VAR_IMPLEMENT_REF_H

#include "tal/var/IVar.h"
#include "tal/var/implement/Null.h"

namespace tal {
namespace var {

// A value that can hand out the value it stands for.
class IRef : public IVar {
public:
    constexpr IRef() {}
    constexpr IRef(const IRef& other) : IVar(other) {}
    ~IRef() override {}

    // Its implicit copy assignment would hide the interface's assignments.
    using IVar::operator=;

    virtual IVar& ref() const = 0;
};

// Rebindable, non-owning reference: answers and acts as its referent, except
// that it shows itself in its mask (IS_REF), type text, dump prefix and
// is_ref(). Containers hold their elements as Refs. The referent is never
// itself a reference and must outlive the Ref.
class Ref : public IRef {
public:
    // Bound to the shared null.
    constexpr Ref() : _p(&Null::null) {}
    constexpr Ref(const Ref& other) : IRef(other), _p(other._p) {}
    // Bound as operator=(IVar&) binds.
    explicit Ref(IVar& var);
    Ref& operator=(const Ref& other)
    {
        _p = other._p;
        return *this;
    }
    ~Ref() override;

    // Rebinds to var, or to var's referent when var is a reference; the
    // former referent is neither changed nor copied.
    Ref& operator=(IVar& var) override;
    // "@<referent address>: " followed by the referent's dump at that level.
    tal::string dump(size_t verbose_level) const override;
    void clear() override;
    tal::string to_string() const override;
    // "tal::var::Ref(" + the referent's type + ")".
    tal::string get_type() const override;
    // The referent's kind, marked as reached through a reference.
    unsigned short get_mask() const override { return _p->get_mask() | IS_REF; }
    // The referent's clone, not a reference.
    IVar& clone(tal::ResourcePool& rp) const override;
    IVar& clone(tal::ResourcePool& rp, bool is_deep_copy) const override;

    bool is_null() const override;
    bool is_ref() const override;
    bool is_bool() const override;
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
    bool is_string() const override;
    bool is_array() const override;
    bool is_dict() const override;
    bool is_callable() const override;
    bool is_raw() const override;

    TAL_VAR_SCALAR_CONVERSIONS_OVERRIDE
    raw_t to_raw() const override;

    // Scalar assignments act on the referent and return the reference.
    Ref& operator=(bool value_) override;
    Ref& operator=(signed char value_) override;
    Ref& operator=(unsigned char value_) override;
    Ref& operator=(short value_) override;
    Ref& operator=(unsigned short value_) override;
    Ref& operator=(int value_) override;
    Ref& operator=(unsigned int value_) override;
    Ref& operator=(long long value_) override;
    Ref& operator=(unsigned long long value_) override;
    Ref& operator=(float value_) override;
    Ref& operator=(double value_) override;
    Ref& operator=(const char* value_) override;
    Ref& operator=(const tal::string& value_) override;

    const char* c_str() const override;
    size_t c_str_len() const override;
    Ref& operator=(const raw_t& value_) override;
    size_t size() const override;

    // The const get and subscript forms without a default reach the
    // referent's mutable forms: a reference's constness is not passed on.
    IVar& get(size_t idx) override;
    IVar& get(size_t idx, IVar& default_value) override;
    const IVar& get(size_t idx) const override;
    const IVar& get(size_t idx, const IVar& default_value) const override;
    void set(size_t idx, IVar& value_) override;
    bool del(size_t idx) override;
    ArrayConstIterator array_begin() const override;
    ArrayIterator array_begin() override;
    ArrayConstIterator array_end() const override;
    ArrayIterator array_end() override;
    const IVar& operator[](int idx) const override;
    IVar& operator[](int idx) override;

    IVar& get(const tal::string& name) override;
    IVar& get(const tal::string& name, IVar& default_value) override;
    const IVar& get(const tal::string& name) const override;
    const IVar& get(const tal::string& name, const IVar& default_value) const override;
    void set(const tal::string& name, IVar& value_) override;
    bool del(const tal::string& name) override;
    const IVar& operator[](const tal::string& name) const override;
    IVar& operator[](const tal::string& name) override;
    DictConstIterator dict_begin() const override;
    DictIterator dict_begin() override;
    DictConstIterator dict_end() const override;
    DictIterator dict_end() override;

    IVar& operator()(IVar& params, tal::ResourcePool& rp) override;
    IVar& operator()(IVar& self, IVar& params, tal::ResourcePool& rp) override;

    IVar& ref() const override;

private:
    IVar* _p;
};

}  // namespace var
}  // namespace tal

#endif
