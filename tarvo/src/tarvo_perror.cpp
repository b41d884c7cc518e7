// Texts of the pack error codes.
#include "tarvo.h"

namespace {

// Indexed by -code.
const char* const ERROR_TEXTS[] = {
    "TVO: Success",
    "TVO: Not found",
    "TVO: Bad parameter",
    "TVO: Bad name",
    "TVO: Wrong type",
    "TVO: Not enough space",
    "TVO: Name too long",
    "TVO: Already exist",
    "TVO: Bad data",
    "TVO: Null pointer",
    "TVO: Found but wrong type",
    "TVO: Run out of temporary buffer",
    "TVO: Operation not permitted in this read/write mode",
    "TVO: Operation not permitted in this object/array pack",
    "TVO: Operation not supported by underling protocol",
    "TVO: Unknown",
};
constexpr int ERROR_COUNT = sizeof(ERROR_TEXTS) / sizeof(ERROR_TEXTS[0]);

}  // namespace

extern "C" const char* tarvo_perror(int err)
{
    if (err > 0 || err <= -ERROR_COUNT) return "TVO: Unknown error";
    return ERROR_TEXTS[-err];
}
