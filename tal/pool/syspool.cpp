#include "tal/pool/tal_pool.h"

#include <cstdlib>

namespace tal {

void* syspool::malloc(size_t size) { return ::malloc(size); }

void syspool::free(void* p, size_t /* size */) { ::free(p); }

syspool::~syspool() {}

}  // namespace tal
