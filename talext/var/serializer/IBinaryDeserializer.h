// Seam between value trees and byte formats, reading side.
#ifndef TALEXT_VAR_SERIALIZER_IBINARYDESERIALIZER_H
#define TALEXT_VAR_SERIALIZER_IBINARYDESERIALIZER_H

#include <cstddef>

#include "tal/exception/tal_exception.h"
#include "tal/var/IVar.h"

namespace tal {
namespace var {

// Turns bytes into a value tree, in two phases: try_deserialize measures the
// record at the head of a buffer and parses it only when all of it is there;
// get_result hands out the tree of the last successful parse. Holds no state;
// trees belong to the implementation's pool, buffers stay the caller's.
class IBinaryDeserializer {
public:
    IBinaryDeserializer() {}
    virtual ~IBinaryDeserializer();

    // The record at the head of the max_size bytes at buf, parsed. A record
    // that needs more bytes throws tal::OutOfBoundException
    // "buffer too small! max_size[<max_size>] expect[>=<needed>]".
    virtual IVar& deserialize(const void* buf, size_t max_size)
    {
        const size_t res = try_deserialize(buf, max_size);
        if (res > max_size) {
            throw tal::OutOfBoundException() << TAL_EXCEPTION_ARG << "buffer too small! max_size[" << max_size
                                             << "] expect[>=" << res << "]";
        }
        return get_result();
    }

    // The bytes the record at the head of buf occupies, as far as the first
    // max_size bytes tell (the header's own size when even that is cut
    // short). When it is at most max_size the record has been parsed and
    // get_result() returns it; otherwise nothing changed.
    virtual size_t try_deserialize(const void*, size_t)
    {
        throw tal::NotImplementedException()
            << TAL_EXCEPTION_ARG << "try_deserialize interface has not been implemented.";
    }

    // The root of the last successful parse.
    virtual IVar& get_result() const
    {
        throw tal::NotImplementedException()
            << TAL_EXCEPTION_ARG << "get_result interface has not been implemented.";
    }
};

}  // namespace var
}  // namespace tal

#endif
