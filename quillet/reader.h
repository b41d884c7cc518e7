// Cursor over one container item of a quillet record. It reads in place:
// nothing is copied or allocated, and every header, name and value it hands
// out has been checked against the buffer first.
#ifndef QUILLET_READER_H
#define QUILLET_READER_H

#include <cstdint>

#include "quillet/iterator.h"
#include "quillet/protocol.h"
#include "tal/exception/tal_exception.h"

namespace quillet {

// Containers nest at most this deep (the record's own container is level 1):
// a walk that recurses once per level keeps a bounded stack.
constexpr uint32_t MAX_DEPTH = 100;

// A reader never delivers more items than this, so their index always fits
// a signed 32-bit int (the last one is 2,147,483,647).
constexpr uint64_t MAX_ITEMS = uint64_t(1) << 31;

template <typename T>
class Reader {
public:
    // The top-level item at offset 0; when it is no container, the iterator
    // itself is the value. Its name is not looked at.
    static Iterator getIterator(const T& buffer)
    {
        const uint8_t type = buffer.template read<unsigned char>(0);
        if (protocol::is_deleted(type))
            throw tal::ParseErrorException() << _site(GET_ITERATOR, __LINE__) << "bad data";
        Iterator it;
        _read_item(buffer, 0, type, it);
        return it;
    }

    // The container at offset 0. The buffer must outlive the reader.
    explicit Reader(const T& buffer) : _buffer(&buffer), _offset(0), _isotype(0), _size(0), _depth(1)
    {
        init();
    }

    // The container that item (delivered by parent, or by getIterator over
    // the parent's buffer) describes; the parent's position is untouched.
    Reader(const Reader& parent, const Iterator& item)
        : _buffer(parent._buffer), _offset(item._offset), _isotype(0), _size(0), _depth(parent._depth + 1)
    {
        if (_depth > MAX_DEPTH)
            throw tal::ParseErrorException() << _site(CHILD, __LINE__) << "nesting too deep";
        init();
    }

    // Object, array, object-isoarray: the stored item count, as stored (it
    // may claim more items than the container holds; whoever sizes an
    // allocation by it checks it first). Isoarray: the whole elements.
    uint32_t count() const { return _count; }
    // Total bytes of the container item: header, name and value.
    uint32_t size() const { return _size; }

    // Fill it with the next live item (or isoarray element) and advance;
    // false at the end, and again on every later call until reset().
    bool next(Iterator& it) { return _next(it); }
    // The same, with the member's name.
    bool next(ObjectIterator& it) { return _next(it); }

    void reset() { _offset = _start; }

private:
    // Throw sites name the reader by the typedef it is used through.
    enum site_t { GET_ITERATOR, INIT, CHILD };
    static tal::ExceptionArg _site(site_t site, int line)
    {
        static const char* const functions[] = {
            "static quillet::Iterator quillet::Reader<T>::getIterator(const T&) "
            "[with T = quillet::buffer::buffer]",
            "void quillet::Reader<T>::init() [with T = quillet::buffer::buffer]",
            "quillet::Reader<T>::Reader(const quillet::Reader<T>&, const quillet::Iterator&) "
            "[with T = quillet::buffer::buffer]",
        };
        return tal::ExceptionArg(functions[site], __FILE__, line);
    }

    [[noreturn]] static void _bad_data(int line)
    {
        throw tal::ParseErrorException() << _site(INIT, line) << "bad data";
    }

    // Reads the container header at _offset.
    void init()
    {
        const T& buffer = *_buffer;
        const uint32_t s = _offset;
        _type = buffer.template read<unsigned char>(s);
        switch (_type) {
            case TARVOV2_OBJECT:
            case TARVOV2_ARRAY:
            case protocol::TYPE_OBJECT_ISOARRAY: {
                const uint32_t value = _take_extent(s);
                // Taken as stored: nothing compares it with the items present.
                _count = buffer.template read<protocol::long_pack>(value).item_count();
                _offset = value + sizeof(protocol::long_pack);
                break;
            }
            case protocol::TYPE_ISOARRAY: {
                const uint32_t value = _take_extent(s);
                // The element type is the value's first byte; no value, no type.
                if (_limit == value) _bad_data(__LINE__);
                _isotype = buffer.template read<protocol::isoarray>(value).type;
                const uint32_t width = _isotype & TARVOV2_FIXED_ITEM;
                // A size and at least one bit above it (the short flag will do).
                if (width == 0 || (_isotype & 0xF0) == 0) _bad_data(__LINE__);
                _offset = value + sizeof(protocol::isoarray);
                _count = (_limit - _offset) / width;
                // next() also yields a trailing partial element.
                if ((uint64_t(_limit - _offset) + width - 1) / width > MAX_ITEMS) _bad_data(__LINE__);
                break;
            }
            default:
                _bad_data(__LINE__);
        }
        _start = _offset;
    }

    // Checks that the container's name and value lie inside the buffer, so
    // that nothing derived from its length reaches past the bytes present;
    // sets _limit and _size and returns the value's offset.
    uint32_t _take_extent(uint32_t s)
    {
        const T& buffer = *_buffer;
        const protocol::long_vitem& h = buffer.template read<protocol::long_vitem>(s);
        buffer.ptr(s + h.name_offset(), h.name_len);
        const uint32_t value = s + h.content_offset();
        buffer.ptr(value, h.content_len());
        _limit = value + h.content_len();
        _size = h.content_offset() + h.content_len();
        return value;
    }

    template <typename It>
    bool _next(It& it)
    {
        const T& buffer = *_buffer;
        if (_offset >= _limit) return false;
        if (_type == protocol::TYPE_ISOARRAY) {
            // Checked against the buffer's end, not _limit: a trailing
            // partial element reads on when the bytes are there.
            const uint32_t width = _isotype & TARVOV2_FIXED_ITEM;
            it._type = _isotype;
            it._offset = _offset;
            it._value_length = width;
            it._value = static_cast<const char*>(buffer.ptr(_offset, width));
            _offset += width;
            return true;
        }
        for (;;) {
            const uint8_t type = buffer.template read<unsigned char>(_offset);
            if (!protocol::is_deleted(type)) {
                _offset = _read_item(buffer, _offset, type, it);
                return true;
            }
            // A deleted item: only its header is read; its extent is summed
            // in 64 bits, so a huge length ends the walk instead of wrapping.
            const uint64_t end =
                _offset + protocol::visit_header(type, [&](auto tag) {
                    return buffer.template read<typename decltype(tag)::type>(_offset).size();
                });
            if (end >= _limit) {
                _offset = _limit;
                return false;
            }
            _offset = static_cast<uint32_t>(end);
        }
    }

    // Reads the live item of the given type byte at offset into it; returns
    // the offset just past the item.
    template <typename It>
    static uint32_t _read_item(const T& buffer, uint32_t offset, uint8_t type, It& it)
    {
        return protocol::visit_header(
            type, [&](auto tag) { return read_item<typename decltype(tag)::type>(buffer, offset, it); });
    }

    template <typename H, typename It>
    static uint32_t read_item(const T& buffer, uint32_t o, It& it)
    {
        const H& h = buffer.template read<H>(o);
        it._type = h.type;
        // The name is checked before the value's offset is formed past it,
        // so every offset below stays within the buffer and none wraps.
        const char* name = static_cast<const char*>(buffer.ptr(o + h.name_offset(), h.name_len));
        _take_name(it, name, h.name_len);
        it._offset = o;
        it._value_length = h.content_len();
        it._value = static_cast<const char*>(buffer.ptr(o + h.content_offset(), h.content_len()));
        return o + h.content_offset() + h.content_len();
    }

    static void _take_name(Iterator&, const char*, uint8_t) {}
    static void _take_name(ObjectIterator& it, const char* name, uint8_t name_len)
    {
        it._name_length = name_len;
        it._name = name_len != 0 ? name : nullptr;
    }

    const T* _buffer;
    uint32_t _start;
    uint32_t _offset;
    uint32_t _limit;
    uint32_t _count;
    uint8_t _type;
    uint8_t _isotype;
    uint32_t _size;
    // Nesting level of this container; the record's own is 1.
    uint32_t _depth;
};

}  // namespace quillet

#endif
