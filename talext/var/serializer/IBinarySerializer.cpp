#include "talext/var/serializer/IBinaryDeserializer.h"
#include "talext/var/serializer/IBinarySerializer.h"

namespace tal {
namespace var {

// Out of line so that each interface's type information lives here once.
IBinarySerializer::~IBinarySerializer() {}
IBinaryDeserializer::~IBinaryDeserializer() {}

}  // namespace var
}  // namespace tal
