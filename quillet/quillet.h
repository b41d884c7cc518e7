// The quillet reader: include this header to read quillet records.
//
//   quillet::buffer::buffer buf(bytes, size);
//   quillet::Iterator top = quillet::buffer::Reader::getIterator(buf);
//   quillet::buffer::Reader reader(buf);  // when top is a container
//
// Failures throw tal::OutOfBoundException ("Buffer overflow": something runs
// past the buffer) and tal::ParseErrorException ("bad data": a malformed
// structure; "nesting too deep": more than quillet::MAX_DEPTH levels).
#ifndef QUILLET_QUILLET_H
#define QUILLET_QUILLET_H

#include "quillet/buffer.h"
#include "quillet/iterator.h"
#include "quillet/protocol.h"
#include "quillet/reader.h"

namespace quillet {
namespace buffer {

typedef quillet::Buffer buffer;
typedef quillet::Reader<quillet::Buffer> Reader;

}  // namespace buffer
}  // namespace quillet

#endif
