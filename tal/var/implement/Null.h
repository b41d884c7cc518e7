#ifndef TAL_VAR_IMPLEMENT_NULL_H
#define TAL_VAR_IMPLEMENT_NULL_H

#include "tal/var/IVar.h"

namespace tal {
namespace var {

// The absence of a value. The shared instance Null::null is what references,
// missing lookups and grown arrays point at; it never changes. Other Nulls
// exist only as clones in a pool.
class Null : public IVar {
public:
    // constexpr: the shared instance is initialised as a constant, before any
    // dynamic initialiser of any translation unit can look at it.
    constexpr Null() {}
    constexpr Null(const Null& other) : IVar(other) {}
    Null& operator=(const Null&) { return *this; }
    ~Null() override;

    using IVar::operator=;
    // Accepts only a source whose is_null() is true, and changes nothing.
    Null& operator=(IVar& var) override;
    tal::string dump(size_t verbose_level) const override;
    void clear() override;
    tal::string to_string() const override;
    tal::string get_type() const override;
    unsigned short get_mask() const override;
    Null& clone(tal::ResourcePool& rp) const override;
    Null& clone(tal::ResourcePool& rp, bool is_deep_copy) const override;
    bool is_null() const override;

    static Null null;
};

}  // namespace var
}  // namespace tal

#endif
