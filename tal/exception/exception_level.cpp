#include "tal/exception/tal_exception.h"

namespace tal {

const char* const EXCEPTION_LEVEL_SILENT_CSTRING = "EXCEPTION_LEVEL_SILENT";
const char* const EXCEPTION_LEVEL_DEBUG_CSTRING = "EXCEPTION_LEVEL_DEBUG";
const char* const EXCEPTION_LEVEL_TRACE_CSTRING = "EXCEPTION_LEVEL_TRACE";
const char* const EXCEPTION_LEVEL_NOTICE_CSTRING = "EXCEPTION_LEVEL_NOTICE";
const char* const EXCEPTION_LEVEL_WARNING_CSTRING = "EXCEPTION_LEVEL_WARNING";
const char* const EXCEPTION_LEVEL_FATAL_CSTRING = "EXCEPTION_LEVEL_FATAL";
const char* const EXCEPTION_LEVEL_CORE_DUMPED_CSTRING = "EXCEPTION_LEVEL_CORE_DUMPED";
const char* const EXCEPTION_LEVEL_DEFAULT_CSTRING = "EXCEPTION_LEVEL_DEBUG";
const char* const EXCEPTION_LEVEL_UNKNOWN_CSTRING = "EXCEPTION_LEVEL_KNOWN";

namespace {

// Lower bound of each named range, highest first; below the last is unknown.
struct level_range_t {
    int lowest;
    const char* text;
};

const level_range_t LEVEL_RANGES[] = {
    {EXCEPTION_LEVEL_CORE_DUMPED, EXCEPTION_LEVEL_CORE_DUMPED_CSTRING},
    {EXCEPTION_LEVEL_FATAL, EXCEPTION_LEVEL_FATAL_CSTRING},
    {EXCEPTION_LEVEL_WARNING, EXCEPTION_LEVEL_WARNING_CSTRING},
    {EXCEPTION_LEVEL_NOTICE, EXCEPTION_LEVEL_NOTICE_CSTRING},
    {EXCEPTION_LEVEL_TRACE, EXCEPTION_LEVEL_TRACE_CSTRING},
    {EXCEPTION_LEVEL_DEBUG, EXCEPTION_LEVEL_DEBUG_CSTRING},
    {EXCEPTION_LEVEL_SILENT, EXCEPTION_LEVEL_SILENT_CSTRING},
};

}  // namespace

const char* to_cstring(exception_level_t level)
{
    for (const level_range_t& range : LEVEL_RANGES) {
        if (level >= range.lowest) return range.text;
    }
    return EXCEPTION_LEVEL_UNKNOWN_CSTRING;
}

}  // namespace tal
