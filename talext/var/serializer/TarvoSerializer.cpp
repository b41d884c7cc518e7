#include "talext/var/serializer/TarvoSerializer.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <typeinfo>

#include "tal/var/implement/Dict.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/utils/nesting.h"
#include "tal/var/var_traits.h"

namespace tal {
namespace var {

namespace {

// A put or open refused with code by the pack library.
[[noreturn]] void throw_refused(const ExceptionArg& site, const char* text, int code)
{
    throw TarvoSerializerException() << site << text << tarvo_perror(code);
}

// The pack's size; a code from the pack library is never taken for a size.
size_t pack_size(const tarvo_t* pack)
{
    const int size = tarvo_get_size(pack);
    if (size < 0) throw_refused(TAL_EXCEPTION_ARG, "tarvo_get_size() failed: ", size);
    return static_cast<size_t>(size);
}

// Gives a child handle back however its walk ends.
struct ChildFinisher {
    ~ChildFinisher() { tarvo_finish(child); }
    tarvo_t* child;
};

}  // namespace

// One container level of the running walk. A tree that contains itself would
// otherwise recurse until the stack is gone.
class TarvoSerializer::DepthGuard {
public:
    explicit DepthGuard(TarvoSerializer& s) : _s(s)
    {
        if (_s._depth >= MAX_TREE_DEPTH) {
            throw TarvoSerializerException() << TAL_EXCEPTION_ARG << "nesting deeper than "
                                             << static_cast<unsigned long>(MAX_TREE_DEPTH) << " levels";
        }
        ++_s._depth;
    }
    ~DepthGuard() { --_s._depth; }

private:
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

    TarvoSerializer& _s;
};

TarvoSerializer::handler_t TarvoSerializer::_s_type_map[256];
TarvoSerializer::handler_t TarvoSerializer::_s_subtype_map[256];
bool TarvoSerializer::_s_initer = _s_init_type_map() && _s_init_subtype_map();

TarvoSerializer::TarvoSerializer()
    : _version(1), _tmp_buffer_size(DEFAULT_TMP_BUFFER_SIZE), _throw_on_tarvo_error(true), _depth(0)
{
}

size_t TarvoSerializer::serialize(const IVar& var, void* buf, size_t max_size)
{
    if (buf == NULL) throw NullPointerException() << TAL_EXCEPTION_ARG << "buf";
    if (max_size == 0) throw BadArgumentException() << TAL_EXCEPTION_ARG << "max_size can't be 0";
    if (!var.is_dict()) throw BadArgumentException() << TAL_EXCEPTION_ARG << "Only Dict is accepted";
    if (_version != 1 && _version != 2) {
        throw TarvoSerializerException() << TAL_EXCEPTION_ARG << "version " << _version << "is not supported";
    }
    // The size is the caller's option: on the heap, never a stack array of
    // any size asked for. A negative size is refused by the open (-2).
    const size_t work_size = _tmp_buffer_size > 0 ? static_cast<size_t>(_tmp_buffer_size) : 0;
    std::unique_ptr<char[]> work(new (std::nothrow) char[work_size]);
    if (!work) throw BadAllocException() << TAL_EXCEPTION_ARG << "size[" << work_size << "]";

    char* const out = static_cast<char*>(buf);
    const int size = max_size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(max_size);
    tarvo_t* pack = tarvo_open_w(_version, out, size, work.get(), _tmp_buffer_size);
    const int err = TARVO_PTR_ERR(pack);
    if (err != 0) throw TarvoSerializerException() << TAL_EXCEPTION_ARG << "pack create failed: " << err;
    _serialize_dict(var, pack);
    tarvo_close(pack);
    if (tarvo_get_buffer(pack) != out)
        throw TarvoSerializerException() << TAL_EXCEPTION_ARG << "buf not equal to tarvo_get_buffer";
    return pack_size(pack);
}

size_t TarvoSerializer::serialize(const IVar& var, tarvo_t* pack)
{
    if (pack == NULL) throw NullPointerException() << TAL_EXCEPTION_ARG << "pack cannot be NULL!";
    const int err = TARVO_PTR_ERR(pack);
    if (err != 0) throw TarvoSerializerException() << TAL_EXCEPTION_ARG << "not a valid pack" << err;
    if (var.is_dict())
        _serialize_dict(var, pack);
    else if (var.is_array())
        _serialize_array(var, pack);
    else
        throw BadArgumentException() << TAL_EXCEPTION_ARG << "Only Dict/Array is accepted";
    return pack_size(pack);
}

int TarvoSerializer::set_opt(int optname, const void* optval, size_t optlen)
{
    if (optval == NULL) throw NullPointerException() << TAL_EXCEPTION_ARG << "optval cannot be NULL!";
    int* const options[] = {&_version, &_tmp_buffer_size};  // options 1 and 2
    if (optname < 1 || optname > 2 || optlen != sizeof(int)) return -1;
    std::memcpy(options[optname - 1], optval, sizeof(int));
    return 0;
}

void TarvoSerializer::_dispatch(tarvo_t* pack, const char* key, const IVar& value, mask_t m)
{
    const handler_t handler = (m & IVar::IS_NUMBER) ? _s_subtype_map[(m >> 8) & 0xFF] : _s_type_map[m & 0xFF];
    (this->*handler)(pack, key, value);
}

void TarvoSerializer::_serialize_member(tarvo_t* pack, const tal::string& name, const IVar& value, mask_t m)
{
    const char* key = name.c_str();
    if (key == NULL || key[0] == '\0')
        throw TarvoSerializerException() << TAL_EXCEPTION_ARG << "tarvo key cann't be empty";
    _dispatch(pack, key, value, m);
}

void TarvoSerializer::_serialize_dict(const IVar& var, tarvo_t* pack)
{
    DepthGuard level(*this);
    // The system's own dicts (the members of a tree are Refs to them) are
    // walked over their entries: no iterator objects to allocate per level,
    // and each entry's kind asked of its referent directly.
    const IVar& target = typeid(var) == typeid(Ref) ? static_cast<const Ref&>(var).ref() : var;
    if (typeid(target) == typeid(Dict)) {
        static_cast<const Dict&>(target).for_each_entry([&](const tal::string& name, const Ref& value) {
            _serialize_member(pack, name, value, value.Ref::get_mask());
        });
        return;
    }
    DictConstIterator it = var.dict_begin();
    DictConstIterator end = var.dict_end();
    for (; it != end; ++it) {
        const IVar& value = it->value();
        _serialize_member(pack, it->key(), value, value.get_mask());
    }
}

void TarvoSerializer::_serialize_array(const IVar& var, tarvo_t* pack)
{
    DepthGuard level(*this);
    const size_t n = var.size();
    for (size_t i = 0; i < n; ++i) {
        const IVar& value = var.get(i);
        _dispatch(pack, NULL, value, value.get_mask());
    }
}

void TarvoSerializer::_s_refuse_put(int r, const ExceptionArg& site, const char* text)
{
    throw_refused(site, text, r);
}

void TarvoSerializer::_serialize_child(tarvo_t* child, const ExceptionArg& site, const char* text,
                                       const IVar& value,
                                       void (TarvoSerializer::*walk)(const IVar&, tarvo_t*))
{
    const int err = TARVO_PTR_ERR(child);
    if (err != 0) throw_refused(site, text, err);
    ChildFinisher finisher = {child};
    (this->*walk)(value, child);
}

void TarvoSerializer::serialize_unknown(tarvo_t*, const char*, const IVar&) {}

void TarvoSerializer::serialize_null(tarvo_t* pack, const char* key, const IVar&)
{
    _check_put(tarvo_put_null(pack, key), TAL_EXCEPTION_ARG, "pack put object failed: ");
}

// The handlers that convert the value with one operation and put it with
// one function; a refused put reads "<put function>() failed: <error text>".
#define TAL_VAR_SCALAR_HANDLER(handler, put, convert)                                       \
    void TarvoSerializer::handler(tarvo_t* pack, const char* key, const IVar& value)        \
    {                                                                                       \
        _check_put(put(pack, key, value.convert()), TAL_EXCEPTION_ARG, #put "() failed: "); \
    }
TAL_VAR_SCALAR_HANDLER(serialize_bool, tarvo_put_bool, to_bool)
TAL_VAR_SCALAR_HANDLER(serialize_string, tarvo_put_str, c_str)  // up to the first NUL
TAL_VAR_SCALAR_HANDLER(serialize_int32, tarvo_put_int32, to_int32)
TAL_VAR_SCALAR_HANDLER(serialize_uint32, tarvo_put_uint32, to_uint32)
TAL_VAR_SCALAR_HANDLER(serialize_int64, tarvo_put_int64, to_int64)
TAL_VAR_SCALAR_HANDLER(serialize_uint64, tarvo_put_uint64, to_uint64)
TAL_VAR_SCALAR_HANDLER(serialize_double, tarvo_put_double, to_double)  // floats too
#undef TAL_VAR_SCALAR_HANDLER

void TarvoSerializer::serialize_raw(tarvo_t* pack, const char* key, const IVar& value)
{
    const raw_t raw = value.to_raw();
    // A length beyond 32 bits never fits a pack; cut short it would store
    // other bytes than the value's.
    const int r = raw.length > UINT_MAX
                      ? TARVO_ERR_NO_SPACE
                      : tarvo_put_raw(pack, key, raw.data, static_cast<unsigned int>(raw.length));
    _check_put(r, TAL_EXCEPTION_ARG, "tarvo_put_raw() failed: ");
}

void TarvoSerializer::serialize_array(tarvo_t* pack, const char* key, const IVar& value)
{
    _serialize_child(tarvo_put_array(pack, key), TAL_EXCEPTION_ARG, "tarvo_put_array() failed: ", value,
                     &TarvoSerializer::_serialize_array);
}

void TarvoSerializer::serialize_dict(tarvo_t* pack, const char* key, const IVar& value)
{
    _serialize_child(tarvo_put_object(pack, key), TAL_EXCEPTION_ARG, "tarvo_put_object() failed: ", value,
                     &TarvoSerializer::_serialize_dict);
}

void TarvoSerializer::_s_set_type_handler(handler_t handler, unsigned short set_mask,
                                          unsigned short unset_mask)
{
    for (unsigned i = 0; i < 256; ++i)
        if (IVar::check_mask(static_cast<mask_t>(i), set_mask, unset_mask)) _s_type_map[i] = handler;
}

void TarvoSerializer::_s_set_subtype_handler(handler_t handler, unsigned short set_mask,
                                             unsigned short unset_mask)
{
    // Entry i stands for every number mask whose high byte is i.
    for (unsigned i = 0; i < 256; ++i)
        if (IVar::check_mask(static_cast<mask_t>(i << 8 | IVar::IS_NUMBER), set_mask, unset_mask))
            _s_subtype_map[i] = handler;
}

bool TarvoSerializer::_s_init_type_map()
{
    // Later rows overwrite earlier ones: dict, array, raw, string, bool in
    // that order of precedence; index 0 (the null) alone gets null.
    static const HandlerRow rows[] = {
        {&TarvoSerializer::serialize_unknown, IVar::NONE_MASK, IVar::NONE_MASK},
        {&TarvoSerializer::serialize_null, IVar::NONE_MASK, IVar::ALL_MASK},
        {&TarvoSerializer::serialize_bool, IVar::IS_BOOL, IVar::NONE_MASK},
        {&TarvoSerializer::serialize_string, IVar::IS_STRING, IVar::NONE_MASK},
        {&TarvoSerializer::serialize_raw, IVar::IS_RAW, IVar::NONE_MASK},
        {&TarvoSerializer::serialize_array, IVar::IS_ARRAY, IVar::NONE_MASK},
        {&TarvoSerializer::serialize_dict, IVar::IS_DICT, IVar::NONE_MASK},
    };
    for (const auto& row : rows) _s_set_type_handler(row.handler, row.set_mask, row.unset_mask);
    return true;
}

bool TarvoSerializer::_s_init_subtype_map()
{
    // Signed 8- to 32-bit integers widen to int32, unsigned ones to uint32,
    // floats to double; a number of no listed type stays unknown.
    static const HandlerRow rows[] = {
        {&TarvoSerializer::serialize_unknown, IVar::NONE_MASK, IVar::NONE_MASK},
#define TAL_VAR_SUBTYPE_ROW(handler, T) \
    {&TarvoSerializer::handler, var_traits<T>::MASK, var_traits<T>::ANTI_MASK}
        TAL_VAR_SUBTYPE_ROW(serialize_int32, signed char),
        TAL_VAR_SUBTYPE_ROW(serialize_uint32, unsigned char),
        TAL_VAR_SUBTYPE_ROW(serialize_int32, short),
        TAL_VAR_SUBTYPE_ROW(serialize_uint32, unsigned short),
        TAL_VAR_SUBTYPE_ROW(serialize_int32, int),
        TAL_VAR_SUBTYPE_ROW(serialize_uint32, unsigned int),
        TAL_VAR_SUBTYPE_ROW(serialize_int64, long long),
        TAL_VAR_SUBTYPE_ROW(serialize_uint64, unsigned long long),
        TAL_VAR_SUBTYPE_ROW(serialize_double, float),
        TAL_VAR_SUBTYPE_ROW(serialize_double, double),
#undef TAL_VAR_SUBTYPE_ROW
    };
    for (const auto& row : rows) _s_set_subtype_handler(row.handler, row.set_mask, row.unset_mask);
    return true;
}

}  // namespace var
}  // namespace tal
