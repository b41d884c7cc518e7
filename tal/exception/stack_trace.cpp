#include <cxxabi.h>
#include <execinfo.h>

#include <cstdlib>
#include <cstring>

#include "tal/exception/tal_exception.h"

namespace tal {

namespace {

// One frame, as backtrace_symbols spells it: "module(function+0x1f) [0x4006d2]".
// Frames without "(" or without "+" after it are written whole.
void append_frame(AutoBuffer& buf, char* symbol, char** demangled, size_t* demangled_size)
{
    buf << '\t';
    char* open = strchr(symbol, '(');
    char* plus = open ? strchr(open + 1, '+') : NULL;
    if (!plus) {
        buf << symbol;
        return;
    }
    buf.push(symbol, open - symbol) << ' ';
    *plus = '\0';  // the symbol texts are ours until they are freed
    int status = 0;
    char* name = abi::__cxa_demangle(open + 1, *demangled, demangled_size, &status);
    if (name) {
        *demangled = name;
        buf << name;
    } else {
        buf << (open + 1) << "()";
    }
    char* address = strchr(plus + 1, '[');
    if (address) buf << ' ' << address;
}

}  // namespace

void stack_trace(AutoBuffer& buf, size_t total_level, size_t begin_level, size_t max_level,
                 const char* line_delimiter)
{
    if (begin_level >= max_level || total_level == 0) return;
    if (total_level > max_level - begin_level) total_level = max_level - begin_level;
    // The frames live on this routine's stack, never more than the family's cap.
    void* frames[Exception::MAX_STACK_TRACE_LEVEL];
    size_t wanted = begin_level + total_level;
    if (wanted > Exception::MAX_STACK_TRACE_LEVEL) wanted = Exception::MAX_STACK_TRACE_LEVEL;
    int count = backtrace(frames, static_cast<int>(wanted));
    if (count <= 0) return;
    char** symbols = backtrace_symbols(frames, count);
    if (!symbols) return;
    char* demangled = NULL;  // one buffer, enlarged by the demangler as needed
    size_t demangled_size = 0;
    for (size_t i = begin_level; i < static_cast<size_t>(count); ++i) {
        append_frame(buf, symbols[i], &demangled, &demangled_size);
        buf << line_delimiter;
    }
    free(demangled);
    free(symbols);
}

void demangle(AutoBuffer& buf, const char* mangled_name)
{
    if (!mangled_name) return;
    int status = 0;
    char* name = abi::__cxa_demangle(mangled_name, NULL, NULL, &status);
    buf << (name ? name : mangled_name);
    free(name);
}

}  // namespace tal
