#include "tal/var/implement/Array.h"

namespace tal {
namespace var {

template class BasicArray<std::deque<Ref, tal::pool_allocator<Ref>>>;

}  // namespace var
}  // namespace tal
