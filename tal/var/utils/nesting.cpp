#include "tal/var/utils/nesting.h"

namespace tal {
namespace var {

namespace {

thread_local size_t t_depth = 0;

}  // namespace

NestingGuard::NestingGuard(const ExceptionArg& site)
{
    if (t_depth >= MAX_TREE_DEPTH) {
        throw OutOfBoundException() << site << "nesting deeper than " << (unsigned long)MAX_TREE_DEPTH
                                    << " levels";
    }
    ++t_depth;
}

NestingGuard::~NestingGuard() { --t_depth; }

}  // namespace var
}  // namespace tal
