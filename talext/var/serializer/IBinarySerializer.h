// Seam between value trees and byte formats, writing side.
#ifndef TALEXT_VAR_SERIALIZER_IBINARYSERIALIZER_H
#define TALEXT_VAR_SERIALIZER_IBINARYSERIALIZER_H

#include <cstddef>

#include "tal/var/IVar.h"

namespace tal {
namespace var {

// Writes a value tree into a caller's buffer. Holds no state; the buffer
// stays the caller's.
class IBinarySerializer {
public:
    IBinarySerializer() {}
    virtual ~IBinarySerializer();

    // Writes var into the max_size bytes at buf; returns the number of bytes
    // the output occupies there.
    virtual size_t serialize(const IVar& var, void* buf, size_t max_size) = 0;
};

}  // namespace var
}  // namespace tal

#endif
