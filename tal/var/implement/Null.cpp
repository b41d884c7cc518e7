#include "tal/var/implement/Null.h"

namespace tal {
namespace var {

Null Null::null;

Null::~Null() {}

Null& Null::operator=(IVar& var)
{
    try {
        if (!var.is_null()) {
            throw InvalidOperationException() << TAL_EXCEPTION_ARG;
        }
    } catch (Exception& e) {
        rethrow_assign_failure(e, __PRETTY_FUNCTION__, var);
    }
    return *this;
}

tal::string Null::dump(size_t) const { return tal::string("[tal::var::Null]null"); }

void Null::clear() {}

tal::string Null::to_string() const { return tal::string("null"); }

tal::string Null::get_type() const { return tal::string("tal::var::Null"); }

unsigned short Null::get_mask() const { return NONE_MASK; }

// Never the shared instance: always a new pool-owned Null.
Null& Null::clone(tal::ResourcePool& rp) const { return rp.clone(*this); }

Null& Null::clone(tal::ResourcePool& rp, bool) const { return clone(rp); }

bool Null::is_null() const { return true; }

}  // namespace var
}  // namespace tal
