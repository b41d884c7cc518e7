#ifndef TAL_VAR_TEST_VAR_PROBES_H
#define TAL_VAR_TEST_VAR_PROBES_H

#include <functional>
#include <string>
#include <vector>

#include "tal/var/IVar.h"

namespace tal_var_test {

using tal::var::IVar;

// A kind that defines only the pure operations, reports a chosen mask and
// records its dumps: everything else is the interface's default.
class ProbeVar : public IVar {
public:
    explicit ProbeVar(unsigned short mask = 0, const char* text = "v")
        : _mask(mask), _text(text), dumps(0), last_level(0)
    {
    }
    ProbeVar(const ProbeVar& other) = default;

    IVar& operator=(IVar&) override { return *this; }
    tal::string dump(size_t verbose_level) const override
    {
        ++dumps;
        last_level = verbose_level;
        tal::string s("<");
        s.append(_text);
        s.appendf(":%zu>", verbose_level);
        return s;
    }
    void clear() override {}
    tal::string to_string() const override { return tal::string(_text); }
    tal::string get_type() const override { return tal::string("probe"); }
    unsigned short get_mask() const override { return _mask; }
    IVar& clone(tal::ResourcePool& rp) const override { return rp.clone(*this); }

    unsigned short _mask;
    const char* _text;
    mutable int dumps;
    mutable size_t last_level;
};

// What a call threw: class name, throw-site function text and message.
struct Caught {
    std::string cls, function, message;
};

inline Caught catch_refusal(const std::function<void(IVar&)>& call, IVar& v)
{
    try {
        call(v);
    } catch (const tal::Exception& e) {
        return {e.name(), e.function(), e.what()};
    }
    return {"nothing thrown", "", ""};
}

// A refusing default: its call, its throw-site function text and the message
// after "type[...] this[<dump>". Arguments are ProbeVars "arg" (shown
// "<arg:level>"), the name "k" and a pool.
struct Refusal {
    std::string function;
    std::function<void(IVar&)> call;
    std::string tail;
};

inline const IVar& as_const(IVar& v) { return v; }

std::vector<Refusal> all_refusals();

}  // namespace tal_var_test

#endif
