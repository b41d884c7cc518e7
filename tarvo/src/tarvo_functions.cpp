// The tarvo_ plain functions: check the handle and the arguments, then
// dispatch to the engine behind the handle. Nothing here throws.
#include "engines.h"

#include <cstring>
#include <limits>

namespace tarvo {

const Engine& engine(int version) noexcept
{
    static const Engine ENGINES[] = {
        // version 1: the header and one small item
        {Protocol_v1::open_w, Protocol_v1::open_rw, TARVO_V1_MIN_BUFFER, TARVO_ERR_BAD_PARAM},
        // version 2: the empty root object
        {Protocol_v2::open_w, Protocol_v2::open_rw, static_cast<int>(v2::EMPTY_ROOT), TARVO_ERR_NO_SPACE},
    };
    return ENGINES[version - 1];
}

void Tarvo::give_back() noexcept
{
    release_resources();
    _magic = 0;
    _allocator->release(this);
}

}  // namespace tarvo

using tarvo::BlockAllocator;
using tarvo::error_ptr;
using tarvo::from_handle;
using tarvo::Tarvo;
using tarvo::to_handle;

namespace {

tarvo_t* error_handle(int code) noexcept { return error_ptr<tarvo_t>(code); }

// Runs op on the engine behind handle; a handle that is none gives refused.
template <class R, class Op>
R on_pack(const tarvo_t* handle, R refused, Op op) noexcept
{
    Tarvo* p = from_handle(handle);
    return p != nullptr ? op(*p) : refused;
}

// A version-1 pack counts the temp bytes given, a version-2 pack the bytes
// left once the area's start is aligned.
bool temp_enough(int version, const char* tmp, int tmp_size) noexcept
{
    return version == 1 ? tmp_size >= tarvo::v1::MIN_TEMP
                        : BlockAllocator::usable(tmp, tmp_size) >= static_cast<size_t>(tarvo::v2::MIN_TEMP);
}

tarvo_t* open_in_temp(tarvo::Engine::Open open, char* buf, int size, char* tmp, int tmp_size) noexcept
{
    BlockAllocator* a = BlockAllocator::lay_out(tmp, tmp_size);
    return a ? to_handle(open(buf, size, *a)) : error_handle(TARVO_ERR_NO_TEMP);
}

int put_fixed(tarvo_t* pack, const char* name, int type, uint64_t bits, uint32_t size) noexcept
{
    return on_pack(pack, TARVO_ERR_BAD_PARAM, [&](Tarvo& p) {
        unsigned char le[8];
        tarvo::store_le(le, bits, size);
        return p.put(name, type, le, size);
    });
}

tarvo_t* put_container(tarvo_t* pack, const char* name, int type) noexcept
{
    return on_pack(pack, error_handle(TARVO_ERR_BAD_PARAM),
                   [&](Tarvo& p) { return to_handle(p.put_container(name, type)); });
}

int child_from_item(const tarvo_item_t* item, tarvo_t** child, int type) noexcept
{
    if (item == nullptr || child == nullptr) return TARVO_ERR_BAD_PARAM;
    return on_pack(item->pack, TARVO_ERR_BAD_PARAM, [&](Tarvo& p) {
        Tarvo* c = nullptr;
        int r = p.child_from_item(item, type, &c);
        if (r == TARVO_OK) *child = to_handle(c);
        return r;
    });
}

}  // namespace

extern "C" {

tarvo_t* tarvo_open_w(int version, char* buf, int size, char* tempbuf, int tmp_size)
{
    if (buf == nullptr || tempbuf == nullptr || (version != 1 && version != 2) || size < 0 || tmp_size < 0)
        return error_handle(TARVO_ERR_BAD_PARAM);
    if (!temp_enough(version, tempbuf, tmp_size)) return error_handle(TARVO_ERR_NO_TEMP);
    const tarvo::Engine& e = tarvo::engine(version);
    if (size < e.min_buffer) return error_handle(e.small_buffer);
    return open_in_temp(e.open_w, buf, size, tempbuf, tmp_size);
}

tarvo_t* tarvo_open_rw(char* buf, int size, char* tempbuf, int tmp_size)
{
    if (buf == nullptr || tempbuf == nullptr || size < 4 || tmp_size < 0)
        return error_handle(TARVO_ERR_BAD_PARAM);
    int version = std::memcmp(buf, "PCK", 4) == 0 ? 1 : 2;
    if (!temp_enough(version, tempbuf, tmp_size)) return error_handle(TARVO_ERR_NO_TEMP);
    return open_in_temp(tarvo::engine(version).open_rw, buf, size, tempbuf, tmp_size);
}

int tarvo_get_version(const tarvo_t* pack)
{
    return on_pack(pack, TARVO_ERR_BAD_PARAM, [](Tarvo& p) { return p.version(); });
}

tarvo_t* tarvo_put_object(tarvo_t* pack, const char* name)
{
    return put_container(pack, name, TARVO_TYPE_OBJECT);
}

tarvo_t* tarvo_put_array(tarvo_t* pack, const char* name)
{
    return put_container(pack, name, TARVO_TYPE_ARRAY);
}

int tarvo_put_int32(tarvo_t* pack, const char* name, tv_int32_t value)
{
    return put_fixed(pack, name, TARVO_TYPE_INT32, static_cast<uint32_t>(value), 4);
}

int tarvo_put_uint32(tarvo_t* pack, const char* name, tv_uint32_t value)
{
    return put_fixed(pack, name, TARVO_TYPE_UINT32, value, 4);
}

int tarvo_put_int64(tarvo_t* pack, const char* name, tv_int64_t value)
{
    return put_fixed(pack, name, TARVO_TYPE_INT64, static_cast<uint64_t>(value), 8);
}

int tarvo_put_uint64(tarvo_t* pack, const char* name, tv_uint64_t value)
{
    return put_fixed(pack, name, TARVO_TYPE_UINT64, value, 8);
}

int tarvo_put_double(tarvo_t* pack, const char* name, double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return put_fixed(pack, name, TARVO_TYPE_DOUBLE, bits, 8);
}

int tarvo_put_bool(tarvo_t* pack, const char* name, tv_bool_t value)
{
    return put_fixed(pack, name, TARVO_TYPE_BOOL, static_cast<unsigned char>(value), 1);
}

int tarvo_put_null(tarvo_t* pack, const char* name) { return put_fixed(pack, name, TARVO_TYPE_NULL, 0, 1); }

int tarvo_put_str(tarvo_t* pack, const char* name, const char* value)
{
    if (value == nullptr) return TARVO_ERR_BAD_PARAM;
    // A text longer than any pack can hold is passed as the largest size, so
    // that the engine still reports the earlier failures first.
    size_t len = std::strlen(value);
    uint32_t size = len < std::numeric_limits<uint32_t>::max() ? static_cast<uint32_t>(len + 1)
                                                               : std::numeric_limits<uint32_t>::max();
    return on_pack(pack, TARVO_ERR_BAD_PARAM,
                   [&](Tarvo& p) { return p.put(name, TARVO_TYPE_STR, value, size); });
}

int tarvo_put_raw(tarvo_t* pack, const char* name, const void* rawdata, unsigned int size)
{
    if (rawdata == nullptr) return TARVO_ERR_BAD_PARAM;
    return on_pack(pack, TARVO_ERR_BAD_PARAM,
                   [&](Tarvo& p) { return p.put(name, TARVO_TYPE_RAW, rawdata, size); });
}

void tarvo_finish(const tarvo_t* pack)
{
    if (Tarvo* p = from_handle(pack)) p->give_back();
}

int tarvo_close(tarvo_t* pack)
{
    return on_pack(pack, TARVO_ERR_BAD_PARAM, [](Tarvo& p) { return p.close(); });
}

int tarvo_get_size(const tarvo_t* pack)
{
    return on_pack(pack, TARVO_ERR_BAD_PARAM, [](Tarvo& p) { return p.size(); });
}

char* tarvo_get_buffer(const tarvo_t* pack)
{
    return on_pack(pack, error_ptr<char>(TARVO_ERR_BAD_PARAM), [](Tarvo& p) { return p.buffer(); });
}

int tarvo_get_item_count(const tarvo_t* pack)
{
    return on_pack(pack, TARVO_ERR_BAD_PARAM, [](Tarvo& p) { return p.item_count(); });
}

int tarvo_first_item(const tarvo_t* pack, tarvo_item_t* item)
{
    if (item == nullptr) return TARVO_ERR_BAD_PARAM;
    return on_pack(pack, TARVO_ERR_BAD_PARAM, [&](Tarvo& p) { return p.first_item(item); });
}

int tarvo_next_item(const tarvo_item_t* current, tarvo_item_t* next)
{
    if (current == nullptr || next == nullptr) return TARVO_ERR_BAD_PARAM;
    return on_pack(current->pack, TARVO_ERR_BAD_PARAM, [&](Tarvo& p) { return p.next_item(current, next); });
}

int tarvo_get_pack_from_item(const tarvo_item_t* item, tarvo_t** child)
{
    return child_from_item(item, child, TARVO_TYPE_OBJECT);
}

int tarvo_get_array_from_item(const tarvo_item_t* item, tarvo_t** child)
{
    return child_from_item(item, child, TARVO_TYPE_ARRAY);
}

int tarvo_valid(const tarvo_t* pack)
{
    return on_pack(pack, 0, [](Tarvo& p) { return p.valid(); });
}

}  // extern "C"
