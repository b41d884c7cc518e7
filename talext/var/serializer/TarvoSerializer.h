// Value trees to packs.
#ifndef TALEXT_VAR_SERIALIZER_TARVOSERIALIZER_H
#define TALEXT_VAR_SERIALIZER_TARVOSERIALIZER_H

#include <cstddef>

#include "tal/exception/tal_exception.h"
#include "tal/var/IVar.h"
#include "talext/var/serializer/IBinarySerializer.h"
#include "tarvo.h"

namespace tal {
namespace var {

// Working buffer of the buffer form unless option 2 says otherwise.
static const int DEFAULT_TMP_BUFFER_SIZE = 81920;

// Failures of the pack serializer itself: a put or an open refused by the
// pack library, an unusable pack, an unsupported version, an empty key, a
// tree nested too deep. The quillet conversion retries on exactly these.
class TarvoSerializerException : public tal::BasicException<TarvoSerializerException, tal::Exception> {};

// Writes a tree of values into a pack through the tarvo_ functions. Each
// value goes to one of twelve handlers chosen by its kind mask through two
// 256-entry tables built at load: the low byte of the mask for non-numbers,
// the high byte for numbers. A dict or an array opens a child container and
// is walked into it; 8- and 16-bit numbers become 32-bit items of the same
// sign, floats doubles, references their referents.
//
// Borrows the tree and the buffer or pack for one call and keeps nothing
// between calls but its options. Values of the model and the dict
// iterators pass their own exceptions through unchanged; after any
// exception the pack holds what was written before it.
class TarvoSerializer : public IBinarySerializer {
public:
    TarvoSerializer();

    // Writes the dict var into a new pack of the configured version over the
    // max_size bytes at buf (sizes beyond INT_MAX are taken as INT_MAX) and
    // closes it; returns the pack's size.
    size_t serialize(const IVar& var, void* buf, size_t max_size) override;
    // Writes the dict var, or the elements of the array var without names,
    // into the open pack; returns its size. The pack stays open.
    size_t serialize(const IVar& var, tarvo_t* pack);

    // Option 1: the pack version of the buffer form; option 2: the size of
    // its working buffer. optval points to an int and optlen is 4; 0 when
    // set, -1 (nothing changed) otherwise. A NULL optval throws.
    int set_opt(int optname, const void* optval, size_t optlen);

    // Whether a refused scalar or null put throws (the default) or is left
    // out silently. Refused containers always throw.
    void set_throw_on_tarvo_error(bool throw_on_tarvo_error) { _throw_on_tarvo_error = throw_on_tarvo_error; }
    bool get_throw_on_tarvo_error() const { return _throw_on_tarvo_error; }

protected:
    // One value under key (NULL inside an array) into pack. A derived class
    // may override any of them; dispatch calls the override.
    virtual void serialize_unknown(tarvo_t* pack, const char* key, const IVar& value);
    virtual void serialize_null(tarvo_t* pack, const char* key, const IVar& value);
    virtual void serialize_bool(tarvo_t* pack, const char* key, const IVar& value);
    virtual void serialize_string(tarvo_t* pack, const char* key, const IVar& value);
    virtual void serialize_raw(tarvo_t* pack, const char* key, const IVar& value);
    virtual void serialize_array(tarvo_t* pack, const char* key, const IVar& value);
    virtual void serialize_dict(tarvo_t* pack, const char* key, const IVar& value);
    virtual void serialize_int32(tarvo_t* pack, const char* key, const IVar& value);
    virtual void serialize_uint32(tarvo_t* pack, const char* key, const IVar& value);
    virtual void serialize_int64(tarvo_t* pack, const char* key, const IVar& value);
    virtual void serialize_uint64(tarvo_t* pack, const char* key, const IVar& value);
    virtual void serialize_double(tarvo_t* pack, const char* key, const IVar& value);

private:
    typedef void (TarvoSerializer::*handler_t)(tarvo_t* pack, const char* key, const IVar& value);
    class DepthGuard;
    // One step of a table's build: handler into every entry that matches.
    struct HandlerRow {
        handler_t handler;
        mask_t set_mask;
        mask_t unset_mask;
    };

    // The handler of value's kind m (value.get_mask()), called on this object.
    void _dispatch(tarvo_t* pack, const char* key, const IVar& value, mask_t m);
    // One member of a dict, of kind m: its name must not be empty.
    void _serialize_member(tarvo_t* pack, const tal::string& name, const IVar& value, mask_t m);
    void _serialize_dict(const IVar& var, tarvo_t* pack);
    void _serialize_array(const IVar& var, tarvo_t* pack);
    // The result r of a scalar put: nothing when 0, else the handler's text
    // and tarvo_perror(r) thrown from site when _throw_on_tarvo_error is set.
    // Inline: a put that succeeds costs its callers one test.
    void _check_put(int r, const ExceptionArg& site, const char* text) const
    {
        if (r != 0 && _throw_on_tarvo_error) _s_refuse_put(r, site, text);
    }
    [[noreturn]] static void _s_refuse_put(int r, const ExceptionArg& site, const char* text);
    // The child container just put for a dict or array value (or its error
    // code, thrown from site): walks the value into it and gives the child
    // back, also when the walk throws.
    void _serialize_child(tarvo_t* child, const ExceptionArg& site, const char* text, const IVar& value,
                          void (TarvoSerializer::*walk)(const IVar&, tarvo_t*));

    static void _s_set_type_handler(handler_t handler, unsigned short set_mask, unsigned short unset_mask);
    static void _s_set_subtype_handler(handler_t handler, unsigned short set_mask, unsigned short unset_mask);
    static bool _s_init_type_map();
    static bool _s_init_subtype_map();

    static handler_t _s_type_map[256];
    static handler_t _s_subtype_map[256];
    static bool _s_initer;

    int _version;
    int _tmp_buffer_size;
    bool _throw_on_tarvo_error;
    // Containers the running walk is inside; 0 between calls.
    size_t _depth;
};

}  // namespace var
}  // namespace tal

#endif
