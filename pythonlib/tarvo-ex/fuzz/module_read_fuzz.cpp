// libFuzzer target over the _tarvo read path, in an interpreter embedded in
// the target: hostile bytes through version(), setPack() and parse(), so the
// conversions of pack items into Python objects run on them too, then the
// dict read back through pack() and setPack() again. Besides the sanitizers
// it traps when a call fails other than with the module's error (or the
// interpreter's recursion limit), when parse() of the open pack reads other
// values than setPack() did, when a dict read from a pack the module itself
// wrote does not come back the same, or when containers made on the way
// outlive the input.
//
// Built and run by scripts/run-fuzz (TARVO_FUZZ, clang only).
//
// Input: two control bytes, then the pack bytes. The first is the room the
// object's buffer has past the bytes, the second picks the temp area (its
// low bits, from none past the buffer's size upwards) and the version the
// object is created with (its top bit).
#include "embedded_python.h"

#include <cstddef>
#include <cstdint>

namespace {

// run() returns normally for every outcome the module may give; anything
// else leaves it as an exception, which the target turns into a crash.
const char HARNESS[] = R"py(
import gc
import sys
import _tarvo

def canonical(v):
    """Comparable form of read values: dicts sorted, floats by their repr
    (a NaN equals itself)."""
    if isinstance(v, dict):
        return sorted((k, canonical(x)) for k, x in v.items())
    if isinstance(v, (tuple, list)):
        return type(v)(canonical(x) for x in v)
    if isinstance(v, float):
        return repr(v)
    return v

def refused(call, *args):
    """call(*args), True when it was refused the way the module may refuse."""
    try:
        call(*args)
    except:
        # Matched by hand: an except clause naming the module's error (a
        # str) warns, and each warning grows the warnings registry.
        kind, value = sys.exc_info()[:2]
        if kind is _tarvo.error or (kind is RuntimeError and
                                    "maximum recursion depth exceeded" in str(value)):
            return True
        raise
    return False

def create(version, size, tmp_size):
    """A pack object, or None when the temp area is too small for the version."""
    p = []
    return None if refused(lambda: p.append(_tarvo.tarvo(version, size, tmp_size))) else p[0]

def repacked(version, entries, size):
    """The bytes of a pack the module writes from entries, or None."""
    p = create(version, size, size)
    if p is None:
        return None
    for key, value in entries.items():
        p[key] = value
    if refused(p.pack):
        return None
    return p.getPack()

def read(version, data, size, tmp_size):
    """The object after setPack(data), or None when it was refused."""
    p = create(version, size, tmp_size)
    return None if p is None or refused(p.setPack, data) else p

def run(data, version, room, tmp_extra):
    alive = len(gc.get_objects())
    read_and_repack(data, version, room, tmp_extra)
    assert len(gc.get_objects()) <= alive, "dicts, lists or tuples left alive"

def read_and_repack(data, version, room, tmp_extra):
    refused(_tarvo.version, data)
    size = len(data) + 1 + room
    p = read(version, data, size, size + tmp_extra)
    if p is None:
        return
    p.items(), p.size(), str(p), len(p)
    first = canonical(p.getdict())
    p.parse()
    assert canonical(p.getdict()) == first, "parse() read other values than setPack()"
    # Once read and written by the module, a pack reads back the same.
    room = 2 * len(data) + 4096
    once = repacked(version, p.getdict(), room)
    back = once is not None and read(version, once, room, room)
    if not back:
        return
    twice = repacked(version, back.getdict(), room)
    again = twice is not None and read(version, twice, room, room)
    if again:
        assert canonical(again.getdict()) == canonical(back.getdict()), "round trip changed values"
)py";

PyObject* g_run = NULL;

}  // namespace

// The interpreter's objects live in arenas the leak checker does not scan,
// so what they hold looks lost to it; the harness counts the containers left
// alive instead.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  PyObject* globals = tarvo_ex_fuzz::start_interpreter(HARNESS);
  g_run = PyDict_GetItemString(globals, "run");
  if (g_run == NULL) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int version = data[1] & 0x80 ? 1 : 2;
  const int tmp_extra = (data[1] & 0x7f) * 64;
  PyObject* result = PyObject_CallFunction(
      g_run, const_cast<char*>("s#iii"), reinterpret_cast<const char*>(data + 2),
      static_cast<Py_ssize_t>(size - 2), version, static_cast<int>(data[0]), tmp_extra);
  if (result == NULL) {
    PyErr_Print();
    __builtin_trap();
  }
  Py_DECREF(result);
  return 0;
}
