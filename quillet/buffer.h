// View of a caller's bytes that every read of the quillet reader goes
// through: the one place where offsets and lengths are checked.
#ifndef QUILLET_BUFFER_H
#define QUILLET_BUFFER_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "tal/exception/tal_exception.h"

namespace quillet {

// Borrows the bytes; copies, allocates and writes nothing. The bytes must
// outlive the buffer, and the buffer every reader and iterator over it.
class Buffer {
public:
    // Lengths in the format are 32-bit, so a record never reaches past
    // 4,294,967,295 bytes: a larger caller buffer is viewed up to that limit
    // rather than cut to the low 32 bits of its size.
    Buffer(const void* memory, size_t size)
        : _memory(static_cast<const char*>(memory)),
          _size(size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size))
    {
    }

    uint32_t capacity() const { return _size; }

    // The T that starts at offset, in place. T is one of the byte-only wire
    // records of quillet/protocol.h (or unsigned char), so any offset is
    // suitably aligned. Valid as long as the bytes are.
    template <typename T>
    const T& read(unsigned int offset) const
    {
        static_assert(alignof(T) == 1 && std::is_trivially_copyable<T>::value,
                      "only byte-aligned records can be read in place");
        if (!_holds(offset, sizeof(T)))
            throw tal::OutOfBoundException() << TAL_EXCEPTION_ARG << "Buffer overflow";
        return *reinterpret_cast<const T*>(_memory + offset);
    }

    // The length bytes at offset. A zero length is accepted up to the end
    // itself and gives the pointer one past the last byte, never null.
    const void* ptr(unsigned int offset, unsigned int length) const
    {
        if (!_holds(offset, length))
            throw tal::OutOfBoundException() << TAL_EXCEPTION_ARG << "Buffer overflow";
        return _memory + offset;
    }

private:
    // Passed by reference only.
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    // Compared against what remains, so no sum can wrap.
    bool _holds(uint32_t offset, uint32_t length) const
    {
        return offset <= _size && length <= _size - offset;
    }

    const char* _memory;
    uint32_t _size;
};

}  // namespace quillet

#endif
