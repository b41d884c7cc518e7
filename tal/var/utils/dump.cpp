#include "tal/var/utils/dump.h"

#include <sys/types.h>

#include <cstdio>

#include "tal/var/utils/nesting.h"

namespace tal {
namespace var {

namespace {

void append_key(tal::string& res, size_t index) { res.appendf("%zd", static_cast<ssize_t>(index)); }

void append_key(tal::string& res, const tal::string& key) { res.append(key); }

// The elements between two const handles, each on its own line, then the
// closing brace; nothing at all when there are none.
template <typename Handle>
void dump_elements(Handle& it, const Handle& end, tal::string& res, size_t verbose_level,
                   const char* line_delimiter, size_t per_indent, size_t total_indent)
{
    const size_t indent = total_indent + per_indent;
    bool first = true;
    for (; it != end; ++it) {
        res.append(first ? "{" : ",");
        res.append(line_delimiter);
        res.append(indent, ' ');
        append_key(res, it->key());
        res.append(": ");
        dump_to_string(it->value(), res, verbose_level - 1, line_delimiter, per_indent, indent);
        first = false;
    }
    if (!first) {
        res.append(line_delimiter);
        res.append(total_indent, ' ');
        res.append("}");
    }
}

}  // namespace

void dump_to_string(const tal::var::IVar& var, tal::string& res, size_t verbose_level,
                    const char* line_delimiter, size_t per_indent, size_t total_indent)
{
    if (!line_delimiter) {
        // The function text spells the parameters in full, as reports always did.
        throw NullPointerException()
            << ExceptionArg(
                   "void tal::var::dump_to_string(const tal::var::IVar&, tal::string&, "
                   "size_t, const char*, size_t, size_t)",
                   __FILE__, __LINE__)
            << "line_delimiter is NULL";
    }
    const bool is_array = var.is_array();
    if (!is_array && !var.is_dict()) {
        res.append(var.dump(verbose_level));
        return;
    }
    res.append(var.dump(0));
    // Every call caps its own level, and each level down is one less, so the
    // recursion never goes deeper than the cap.
    if (verbose_level > MAX_TREE_DEPTH) {
        verbose_level = MAX_TREE_DEPTH;
    }
    if (verbose_level == 0) {
        return;
    }
    if (is_array) {
        ArrayConstIterator begin = var.array_begin();
        ArrayConstIterator end = var.array_end();
        dump_elements(begin, end, res, verbose_level, line_delimiter, per_indent, total_indent);
    } else {
        DictConstIterator begin = var.dict_begin();
        DictConstIterator end = var.dict_end();
        dump_elements(begin, end, res, verbose_level, line_delimiter, per_indent, total_indent);
    }
}

tal::string dump_container(const IVar& container, const char* kind, size_t size, size_t verbose_level)
{
    tal::string s;
    if (verbose_level == 0) {
        s.appendf("[%s] this[%p] size[%zd]", kind, static_cast<const void*>(&container),
                  static_cast<ssize_t>(size));
    } else {
        dump_to_string(container, s, verbose_level, "", 0, 0);
    }
    return s;
}

void print(const IVar& var, size_t verbose_level)
{
    tal::string text;
    dump_to_string(var, text, verbose_level, "\n", 4, 0);
    printf("%s\n", text.c_str());
}

}  // namespace var
}  // namespace tal
