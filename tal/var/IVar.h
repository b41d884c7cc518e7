#ifndef TAL_VAR_IVAR_H
#define TAL_VAR_IVAR_H

#include <cstddef>

#include "tal/ResourcePool.h"
#include "tal/containers/string/tal_string.h"
#include "tal/var/iterator.h"
#include "tal/var/var_traits.h"

namespace tal {
namespace var {

// A run of raw bytes, borrowed: the record never owns or frees data.
struct raw_t {
    raw_t() : data(0), length(0) {}
    raw_t(const void* data_, size_t length_) : data(data_), length(length_) {}

    const void* data;
    size_t length;
};

// The one interface of every dynamic value. A kind overrides what it
// supports; the kind tests answer from get_mask(), and every other default
// refuses without changing the value: it throws tal::InvalidOperationException
// with "type[<mangled type>] this[<dump(0)>" followed by the argument and "]".
//
// The order of the virtual operations below is the dispatch table's and must
// not change.
class IVar {
public:
    static constexpr mask_t IS_BOOL = 0x0001;
    static constexpr mask_t IS_NUMBER = 0x0002;
    static constexpr mask_t IS_STRING = 0x0004;
    static constexpr mask_t IS_RAW = 0x0008;
    static constexpr mask_t IS_ARRAY = 0x0010;
    static constexpr mask_t IS_DICT = 0x0020;
    static constexpr mask_t IS_CALLABLE = 0x0040;
    static constexpr mask_t IS_OTHER = 0x0080;
    static constexpr mask_t IS_REF = 0x0100;
    static constexpr mask_t IS_MUTABLE = 0x0200;
    static constexpr mask_t IS_FLOATING = 0x0400;
    static constexpr mask_t IS_SIGNED = 0x0800;
    static constexpr mask_t IS_ONE_BYTE = 0x1000;
    static constexpr mask_t IS_TWO_BYTE = 0x2000;
    static constexpr mask_t IS_FOUR_BYTE = 0x4000;
    static constexpr mask_t IS_EIGHT_BYTE = 0x8000;
    static constexpr mask_t NONE_MASK = 0x0000;
    static constexpr mask_t ALL_MASK = 0xFFFF;

    // Every bit of set_bits is set in mask and no bit of unset_bits is.
    static bool check_mask(mask_t mask, mask_t set_bits, mask_t unset_bits)
    {
        return (mask & set_bits) == set_bits && (mask & unset_bits) == 0;
    }

    constexpr IVar() {}
    constexpr IVar(const IVar&) {}
    virtual ~IVar() {}

    virtual IVar& operator=(IVar& var) = 0;
    virtual tal::string dump(size_t verbose_level) const = 0;
    virtual void clear() = 0;
    virtual tal::string to_string() const = 0;
    virtual tal::string get_type() const = 0;
    virtual mask_t get_mask() const = 0;
    virtual IVar& clone(tal::ResourcePool& rp) const = 0;
    virtual IVar& clone(tal::ResourcePool& rp, bool is_deep_copy) const;

    virtual bool is_null() const;
    virtual bool is_ref() const;
    virtual bool is_bool() const;
    virtual bool is_number() const;
    virtual bool is_int8() const;
    virtual bool is_uint8() const;
    virtual bool is_int16() const;
    virtual bool is_uint16() const;
    virtual bool is_int32() const;
    virtual bool is_uint32() const;
    virtual bool is_int64() const;
    virtual bool is_uint64() const;
    virtual bool is_float() const;
    virtual bool is_double() const;
    virtual bool is_string() const;
    virtual bool is_array() const;
    virtual bool is_dict() const;
    virtual bool is_callable() const;
    virtual bool is_raw() const;

    virtual bool to_bool() const;
    virtual signed char to_int8() const;
    virtual unsigned char to_uint8() const;
    virtual short to_int16() const;
    virtual unsigned short to_uint16() const;
    virtual int to_int32() const;
    virtual unsigned int to_uint32() const;
    virtual long long to_int64() const;
    virtual unsigned long long to_uint64() const;
    virtual float to_float() const;
    virtual double to_double() const;
    virtual raw_t to_raw() const;

    virtual IVar& operator=(bool value_);
    virtual IVar& operator=(signed char value_);
    virtual IVar& operator=(unsigned char value_);
    virtual IVar& operator=(short value_);
    virtual IVar& operator=(unsigned short value_);
    virtual IVar& operator=(int value_);
    virtual IVar& operator=(unsigned int value_);
    virtual IVar& operator=(long long value_);
    virtual IVar& operator=(unsigned long long value_);
    virtual IVar& operator=(float value_);
    virtual IVar& operator=(double value_);
    virtual IVar& operator=(const char* value_);
    virtual IVar& operator=(const tal::string& value_);

    virtual const char* c_str() const;
    virtual size_t c_str_len() const;
    virtual IVar& operator=(const raw_t& value_);
    virtual size_t size() const;

    virtual IVar& get(size_t idx);
    virtual IVar& get(size_t idx, IVar& default_value);
    virtual const IVar& get(size_t idx) const;
    virtual const IVar& get(size_t idx, const IVar& default_value) const;
    virtual void set(size_t idx, IVar& value_);
    virtual bool del(size_t idx);
    virtual ArrayConstIterator array_begin() const;
    virtual ArrayIterator array_begin();
    virtual ArrayConstIterator array_end() const;
    virtual ArrayIterator array_end();
    virtual const IVar& operator[](int idx) const;
    virtual IVar& operator[](int idx);

    virtual IVar& get(const tal::string& name);
    virtual IVar& get(const tal::string& name, IVar& default_value);
    virtual const IVar& get(const tal::string& name) const;
    virtual const IVar& get(const tal::string& name, const IVar& default_value) const;
    virtual void set(const tal::string& name, IVar& value_);
    virtual bool del(const tal::string& name);
    virtual const IVar& operator[](const tal::string& name) const;
    virtual IVar& operator[](const tal::string& name);
    virtual DictConstIterator dict_begin() const;
    virtual DictIterator dict_begin();
    virtual DictConstIterator dict_end() const;
    virtual DictIterator dict_end();

    virtual IVar& operator()(IVar& params, tal::ResourcePool& rp);
    virtual IVar& operator()(IVar& self, IVar& params, tal::ResourcePool& rp);
};

// For a failed assignment from another value: appends "{", the assigning
// function's text, "(", source.dump(0) and ")}" to e.
void decorate_assign_failure(tal::Exception& e, const char* function, const IVar& source);
// Decorates e, the exception being handled, and rethrows it as the same
// object, so its class, level, throw site and stack trace stay those of the
// first throw. Call only from inside a catch handler.
[[noreturn]] void rethrow_assign_failure(tal::Exception& e, const char* function, const IVar& source);

static_assert(var_traits<int>::MASK == (IVar::IS_NUMBER | IVar::IS_SIGNED | IVar::IS_FOUR_BYTE),
              "number masks are built from the kind bits");
static_assert(var_traits<double>::MASK == (IVar::IS_NUMBER | IVar::IS_FLOATING | IVar::IS_EIGHT_BYTE),
              "number masks are built from the kind bits");

// The eleven scalar conversions, declared by every kind that defines them
// all (the kind's source gives their meaning).
#define TAL_VAR_SCALAR_CONVERSIONS_OVERRIDE        \
    bool to_bool() const override;                 \
    signed char to_int8() const override;          \
    unsigned char to_uint8() const override;       \
    short to_int16() const override;               \
    unsigned short to_uint16() const override;     \
    int to_int32() const override;                 \
    unsigned int to_uint32() const override;       \
    long long to_int64() const override;           \
    unsigned long long to_uint64() const override; \
    float to_float() const override;               \
    double to_double() const override;

}  // namespace var
}  // namespace tal

#endif
