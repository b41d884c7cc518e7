// tarvo::Protocol_v1: the pack interface over the tarvo_v1_ engine functions.
#include "tarvo_bits/protocol_v1.h"

#include "block_allocator.h"

#include <cstdint>
#include <new>

namespace tarvo {

namespace {

// Copies an engine item of the handle self into a plain descriptor.
int hand_out(const Tarvo* self, int r, const tarvo_v1_item_t& from, tarvo_item_t* to) noexcept
{
    if (r != TARVO_OK) return r;
    to->pack = to_handle(const_cast<Tarvo*>(self));
    to->internal = from.internal;
    to->type = from.type;
    to->value_size = from.value_size;
    to->key = from.key;
    to->value = from.value;
    return TARVO_OK;
}

}  // namespace

// Takes the handle's block first, so that a pack whose handle cannot be
// placed is never written to.
Tarvo* Protocol_v1::open(EngineOpen engine_open, char* buf, int size, Allocator& allocator) noexcept
{
    void* block = allocator.allocate(sizeof(Protocol_v1));
    if (!block) return error_ptr(TARVO_ERR_NO_TEMP);
    tarvo_v1_t pack;
    int r = engine_open(&pack, buf, size);
    if (r != TARVO_OK) {
        allocator.release(block);
        return error_ptr(r);
    }
    return new (block) Protocol_v1(allocator, pack);
}

Tarvo* Protocol_v1::open_w(char* buf, int size, Allocator& allocator) noexcept
{
    return open(tarvo_v1_open_w, buf, size, allocator);
}

// Checks the header, then records the room left in it.
Tarvo* Protocol_v1::open_rw(char* buf, int size, Allocator& allocator) noexcept
{
    return open(tarvo_v1_open_rw, buf, size, allocator);
}

void Protocol_v1::release_resources() noexcept
{
    v1::IndexedKeys k = keys();
    k.drop();
    keep(k);
}

v1::IndexedKeys Protocol_v1::keys() noexcept
{
    // Room for a few nested handles stays free, so that an index rarely
    // takes what a deeper put needs.
    const uintptr_t at =
        reinterpret_cast<uintptr_t>(this) + static_cast<uintptr_t>(static_cast<int32_t>(_flags));
    return v1::IndexedKeys{*_allocator, 16 * BlockAllocator::block_cost(sizeof(Protocol_v1)),
                           _flags ? reinterpret_cast<v1::KeyIndex*>(at) : nullptr};
}

void Protocol_v1::keep(v1::IndexedKeys& keys) noexcept
{
    // Always within the temp area; a pool's blocks may lie further apart.
    const intptr_t offset = reinterpret_cast<intptr_t>(keys.index) - reinterpret_cast<intptr_t>(this);
    if (keys.index && (offset < INT32_MIN || offset > INT32_MAX)) keys.drop();
    _flags = keys.index ? static_cast<uint32_t>(static_cast<int32_t>(offset)) : 0;
}

int Protocol_v1::version() const noexcept { return 1; }

int Protocol_v1::put(const char* name, int type, const void* data, uint32_t size) noexcept
{
    // The plain null put hands over one byte (a version-2 null stores one);
    // a version-1 null has no value.
    v1::IndexedKeys k = keys();
    int r = v1::put(&_pack, name, type, data, type == TARVO_TYPE_NULL ? 0 : size, &k);
    keep(k);
    return r;
}

Tarvo* Protocol_v1::put_container(const char* name, int type) noexcept
{
    // The engine reports a missing block as -11 only after the name checks.
    void* block = _allocator->allocate(sizeof(Protocol_v1));
    tarvo_v1_t child;
    v1::IndexedKeys k = keys();
    int r = v1::put_container(&_pack, name, type, block ? &child : nullptr, &k);
    keep(k);
    if (r != TARVO_OK) {
        if (block) _allocator->release(block);
        return error_ptr(r);
    }
    return new (block) Protocol_v1(*_allocator, child);
}

int Protocol_v1::close() noexcept { return tarvo_v1_close(&_pack); }

int Protocol_v1::size() const noexcept { return tarvo_v1_get_size(&_pack); }

char* Protocol_v1::buffer() const noexcept { return tarvo_v1_get_buffer(&_pack); }

int Protocol_v1::item_count() const noexcept { return tarvo_v1_get_item_count(&_pack); }

int Protocol_v1::valid() const noexcept { return tarvo_v1_valid(&_pack); }

int Protocol_v1::first_item(tarvo_item_t* item) const noexcept
{
    tarvo_v1_item_t it;
    return hand_out(this, tarvo_v1_first_item(&_pack, &it), it, item);
}

int Protocol_v1::next_item(const tarvo_item_t* current, tarvo_item_t* next) const noexcept
{
    tarvo_v1_item_t it;
    return hand_out(this, tarvo_v1_next_item(&_pack, current->internal, &it), it, next);
}

int Protocol_v1::child_from_item(const tarvo_item_t* item, int type, Tarvo** child) const noexcept
{
    tarvo_v1_t pack;
    int r = tarvo_v1_get_child(&_pack, item->internal, type, &pack);
    if (r != TARVO_OK) return r;
    void* block = _allocator->allocate(sizeof(Protocol_v1));
    if (!block) return TARVO_ERR_NO_TEMP;
    *child = new (block) Protocol_v1(*_allocator, pack);
    return TARVO_OK;
}

}  // namespace tarvo
