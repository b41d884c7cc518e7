#include "tal/var/implement/ShallowRaw.h"

#include <sys/types.h>

namespace tal {
namespace var {

namespace {

// Appends "\xhh" for each of the n bytes at p, a chunk at a time.
void append_hex_escapes(tal::string& s, const unsigned char* p, size_t n)
{
    static const char digits[] = "0123456789abcdef";
    static const size_t CHUNK = 64;
    char buf[CHUNK * 4];
    while (n > 0) {
        const size_t count = n < CHUNK ? n : CHUNK;
        for (size_t i = 0; i < count; ++i) {
            char* out = buf + i * 4;
            out[0] = '\\';
            out[1] = 'x';
            out[2] = digits[p[i] >> 4];
            out[3] = digits[p[i] & 0x0F];
        }
        s.append(buf, count * 4);
        p += count;
        n -= count;
    }
}

}  // namespace

ShallowRaw::~ShallowRaw() {}

ShallowRaw& ShallowRaw::operator=(IVar& value)
{
    if (&value != this) {
        _value = value.to_raw();
    }
    return *this;
}

tal::string ShallowRaw::dump(size_t verbose_level) const
{
    tal::string s;
    s.appendf("[tal::var::ShallowRaw] data[%p] length[%zd]", _value.data,
              static_cast<ssize_t>(_value.length));
    if (verbose_level == 0 || !_value.data) {
        return s;
    }
    s.append(" value[");
    append_hex_escapes(s, static_cast<const unsigned char*>(_value.data), _value.length);
    s.append("]");
    return s;
}

void ShallowRaw::clear() { _value = raw_t(0, 0); }

tal::string ShallowRaw::to_string() const { return dump(0); }

tal::string ShallowRaw::get_type() const { return tal::string("tal::var::ShallowRaw"); }

unsigned short ShallowRaw::get_mask() const { return IS_RAW; }

ShallowRaw& ShallowRaw::clone(tal::ResourcePool& rp) const { return rp.clone(*this); }

ShallowRaw& ShallowRaw::clone(tal::ResourcePool& rp, bool) const { return rp.clone(*this); }

bool ShallowRaw::is_raw() const { return true; }

raw_t ShallowRaw::to_raw() const { return _value; }

ShallowRaw& ShallowRaw::operator=(const raw_t& value)
{
    _value = value;
    return *this;
}

}  // namespace var
}  // namespace tal
