#ifndef TAL_VAR_UTILS_DUMP_H
#define TAL_VAR_UTILS_DUMP_H

#include <cstddef>

#include "tal/var/IVar.h"

namespace tal {
namespace var {

// Appends the indented text of the tree under var to res; what res held stays
// in front. A scalar (anything but an array or a dict) appends its own
// dump(verbose_level). A container appends its dump(0) header and, above
// level 0 and when it has elements, "{", one line per element (index or key,
// ": ", the element's text one level lower), and "}" on a line of its own:
// lines are separated by line_delimiter and indented by per_indent spaces per
// level, starting from total_indent. Containers deeper than MAX_TREE_DEPTH
// show their header only, so a tree that contains itself ends.
//
// A null line_delimiter throws tal::NullPointerException "line_delimiter is
// NULL" before res changes. Exceptions of the values' dumps and iterators pass
// on, and what was appended before them stays.
void dump_to_string(const IVar& var, tal::string& res, size_t verbose_level, const char* line_delimiter,
                    size_t per_indent, size_t total_indent);

// A container's own dump: "[<kind>] this[<address>] size[<size>]" at level
// 0; above it the one-line tree text (an empty line delimiter, no indent).
tal::string dump_container(const IVar& container, const char* kind, size_t size, size_t verbose_level);

// Writes the tree text ("\n" between lines, 4 spaces per level) and a newline
// to standard output with printf, so only the text up to a first NUL shows.
void print(const IVar& var, size_t verbose_level);

}  // namespace var
}  // namespace tal

#endif
