#ifndef TAL_CHECK_CAST_CHECK_CAST_H
#define TAL_CHECK_CAST_CHECK_CAST_H

// The whole tal::check_cast family: number to number, text to number and
// number to text.
#include "tal/check_cast/check_cast_cstring.h"
#include "tal/check_cast/check_cast_generated.h"
#include "tal/check_cast/check_cast_tal_string.h"

#endif
