#include "tal/var/implement/Dict.h"

namespace tal {
namespace var {

template class BasicDict<__StdMapAdapter<tal::pool_allocator>>;

}  // namespace var
}  // namespace tal
