// Descriptions of one item that a quillet reader hands out. Both are plain
// values pointing into the reader's buffer: valid while its bytes are.
#ifndef QUILLET_ITERATOR_H
#define QUILLET_ITERATOR_H

#include <cstdint>

#include "tal/exception/tal_exception.h"

namespace quillet {

template <typename T>
class Reader;

class Iterator {
public:
    // Type byte as stored (for an isoarray element, the element type).
    uint8_t getType() const { return _type; }
    // The value bytes; never null once filled, also for an empty value.
    const char* value() const { return _value; }
    uint32_t length() const { return _value_length; }

protected:
    template <typename T>
    friend class Reader;

    uint32_t _value_length = 0;
    uint8_t _type = 0;
    const char* _value = nullptr;
    // Where the item's header begins (an isoarray element: the element).
    uint32_t _offset = 0;
};

// An item together with its name, for the members of objects.
class ObjectIterator : public Iterator {
public:
    // The name, checked to be present and to end in NUL (the text may hold
    // an earlier NUL; a reader of it as a C string then sees less).
    const char* getName() const
    {
        if (_name == nullptr || _name[_name_length - 1] != '\0')
            throw tal::ParseErrorException() << TAL_EXCEPTION_ARG << "bad data";
        return _name;
    }
    // Stored name length, the final NUL included; 0 for a nameless item.
    uint8_t getNameLength() const { return _name_length; }

private:
    template <typename T>
    friend class Reader;

    const char* _name = nullptr;
    uint8_t _name_length = 0;
};

}  // namespace quillet

#endif
