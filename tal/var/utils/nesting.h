#ifndef TAL_VAR_UTILS_NESTING_H
#define TAL_VAR_UTILS_NESTING_H

#include <cstddef>

#include "tal/exception/tal_exception.h"

namespace tal {
namespace var {

// Deepest container nesting that a walk over a whole tree descends into. A
// tree that contains itself is otherwise endless: text dumps show containers
// below this depth by their header only, deep clones refuse them.
static const size_t MAX_TREE_DEPTH = 256;

// One level of a recursive descent on this thread (deep clone). Entering a
// level below MAX_TREE_DEPTH throws tal::OutOfBoundException "nesting deeper
// than 256 levels" from site; leaving the scope leaves the level.
class NestingGuard {
public:
    explicit NestingGuard(const ExceptionArg& site);
    ~NestingGuard();

private:
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
};

}  // namespace var
}  // namespace tal

#endif
