#ifndef TAL_CHECK_CAST_CHECK_CAST_TAL_STRING_H
#define TAL_CHECK_CAST_CHECK_CAST_TAL_STRING_H

#include <type_traits>

#include "tal/check_cast/check_cast_generated.h"
#include "tal/containers/string/tal_string.h"

namespace tal {
namespace check_cast_detail {

// A number as text in a new heap string (default allocator), written with
// its type's printf format, the same form exception messages use; a float is
// widened to double by the call. Makes no range test.
template <typename S>
struct converter<tal::string, S, std::void_t<decltype(number_traits<S>::FORMAT)>> {
    static tal::string convert(S value)
    {
        tal::string text;
        text.appendf(number_traits<S>::FORMAT, value);
        return text;
    }
};

}  // namespace check_cast_detail
}  // namespace tal

#endif
