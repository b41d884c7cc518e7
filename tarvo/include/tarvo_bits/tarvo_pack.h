// The abstract pack interface behind the tarvo_ plain functions, and the
// interface of the memory sources that hold handles and indexes (the
// caller's temp area or a resource pool). Engines derive from tarvo::Tarvo;
// the plain functions check the handle and dispatch here, nothing more.
#ifndef TARVO_BITS_TARVO_PACK_H
#define TARVO_BITS_TARVO_PACK_H

#include "tarvo.h"
#include "tarvo_bits/little_endian.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace tarvo {

// Second field of every handle (right after the vtable pointer).
constexpr uint32_t MAGIC = 19840118;
// Alignment of the temp area and of every block carved from it.
constexpr size_t TEMP_ALIGN = 8;

// Memory source of handles and lookup indexes. Not thread-safe.
class Allocator {
public:
    // TEMP_ALIGN-aligned block of at least bytes, or nullptr when exhausted.
    virtual void* allocate(size_t bytes) noexcept = 0;
    // Gives a block back; blocks of a pool-backed pack stay with the pool.
    virtual void release(void* block) noexcept = 0;
    // Largest request that allocate can still satisfy.
    virtual size_t available() const noexcept = 0;

protected:
    ~Allocator() = default;
};

// Abstract pack (the tarvo_t behind every handle): one open object or array.
// Handles are never destroyed: they live in allocator blocks and are given
// back with give_back(). Every operation returns a TARVO_ERR_ code on failure.
class Tarvo {
public:
    virtual int version() const noexcept = 0;
    // Appends a scalar. data holds the value little-endian (strings and raw
    // values as they are); size counts the bytes, a string's NUL included.
    virtual int put(const char* name, int type, const void* data, uint32_t size) noexcept = 0;
    // Appends an empty object (TARVO_TYPE_OBJECT) or array (TARVO_TYPE_ARRAY)
    // and returns its child handle, or an error code cast to a pointer.
    virtual Tarvo* put_container(const char* name, int type) noexcept = 0;
    virtual int close() noexcept = 0;
    virtual int size() const noexcept = 0;
    virtual char* buffer() const noexcept = 0;
    virtual int item_count() const noexcept = 0;
    virtual int valid() const noexcept = 0;
    virtual int first_item(tarvo_item_t* item) const noexcept = 0;
    // current->pack is this handle; next may be current.
    virtual int next_item(const tarvo_item_t* current, tarvo_item_t* next) const noexcept = 0;
    // Handle of the object (type TARVO_TYPE_OBJECT) or array that item holds.
    virtual int child_from_item(const tarvo_item_t* item, int type, Tarvo** child) const noexcept = 0;

    // Retires the handle: the engine's own blocks go back, the magic number
    // is cleared, and the handle's block returns to its allocator.
    void give_back() noexcept;

    uint32_t magic() const noexcept { return _magic; }

protected:
    explicit Tarvo(Allocator& allocator) noexcept : _magic(MAGIC), _flags(0), _allocator(&allocator) {}
    ~Tarvo() = default;
    // Blocks the engine took beside the handle itself (lookup indexes).
    virtual void release_resources() noexcept {}

    uint32_t _magic;
    uint32_t _flags;  // engine-defined state bits
    Allocator* _allocator;
};

// Inside an engine class (public): its two opens, which hand out the root
// handle or an error code cast to a pointer, and its overrides of every
// operation of Tarvo. open_w writes an empty root object into buf; open_rw
// checks the pack already in buf.
#define TARVO_ENGINE_INTERFACE                                                              \
    static Tarvo* open_w(char* buf, int size, Allocator& allocator) noexcept;               \
    static Tarvo* open_rw(char* buf, int size, Allocator& allocator) noexcept;              \
    int version() const noexcept override;                                                  \
    int put(const char* name, int type, const void* data, uint32_t size) noexcept override; \
    Tarvo* put_container(const char* name, int type) noexcept override;                     \
    int close() noexcept override;                                                          \
    int size() const noexcept override;                                                     \
    char* buffer() const noexcept override;                                                 \
    int item_count() const noexcept override;                                               \
    int valid() const noexcept override;                                                    \
    int first_item(tarvo_item_t* item) const noexcept override;                             \
    int next_item(const tarvo_item_t* current, tarvo_item_t* next) const noexcept override; \
    int child_from_item(const tarvo_item_t* item, int type, Tarvo** child) const noexcept override

// Places a T in a block of allocator; nullptr when there is no room.
template <class T, class... A>
T* create(Allocator& allocator, A&&... args) noexcept
{
    static_assert(alignof(T) <= TEMP_ALIGN, "temp blocks are only TEMP_ALIGN-aligned");
    void* block = allocator.allocate(sizeof(T));
    return block ? new (block) T(std::forward<A>(args)...) : nullptr;
}

// The engine object behind a handle, or nullptr for NULL, an error code
// cast to a pointer, or a pointer that does not carry the magic number.
inline Tarvo* from_handle(const tarvo_t* handle) noexcept
{
    if (TARVO_PTR_ERR(handle) != 0) return nullptr;
    // Read the magic number as bytes: the pointer may be anything.
    uint32_t magic;
    std::memcpy(&magic, reinterpret_cast<const char*>(handle) + sizeof(void*), sizeof magic);
    return magic == MAGIC ? reinterpret_cast<Tarvo*>(const_cast<tarvo_t*>(handle)) : nullptr;
}

inline tarvo_t* to_handle(Tarvo* pack) noexcept { return reinterpret_cast<tarvo_t*>(pack); }

template <class T = Tarvo>
inline T* error_ptr(int code) noexcept
{
    return reinterpret_cast<T*>(static_cast<intptr_t>(code));
}

}  // namespace tarvo

#endif  // TARVO_BITS_TARVO_PACK_H
