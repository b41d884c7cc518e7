// Writes the seed corpus of module_read_fuzz: packs of the module tests
// (their golden bytes, and packs the module writes from the tests' values
// in both versions, through the tests' own helpers), each behind the
// fuzzer's two control bytes.
//   module_read_seeds <corpus dir> <module test dir>
#include "embedded_python.h"

#include <cstdio>
#include <string>

// The interpreter keeps its objects to the end: nothing here is a leak.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

const char WRITER[] = R"py(
import os, sys

def write_seeds(corpus, test_dir):
    sys.path.insert(0, test_dir)
    import tarvo_testlib, test_malformed, test_methods, test_roundtrip
    scalars = dict(("k%d" % i, (word, value))
                   for i, (word, value, _) in enumerate(test_roundtrip.SCALARS))
    packs = [test_malformed.SAMPLE_V2, test_methods.EMPTY_V2, tarvo_testlib.nested_objects(8)]
    for version in (1, 2):
        for entries in (scalars, test_malformed.SAMPLE_DICT, {},
                        tarvo_testlib.nested_dict(6)):
            packs.append(tarvo_testlib.packed(version, entries).getPack())
    n = 0
    for data in packs:
        for control in ("\x00\x00", "\x40\x81", "\xff\x7f"):
            with open(os.path.join(corpus, "pack%d" % n), "wb") as out:
                out.write(control + data)
            n += 1
    return n
)py";

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <corpus dir> <module test dir>\n", argv[0]);
    return 2;
  }
  PyObject* globals = tarvo_ex_fuzz::start_interpreter(WRITER);
  PyObject* n = PyObject_CallFunction(PyDict_GetItemString(globals, "write_seeds"),
                                      const_cast<char*>("ss"), argv[1], argv[2]);
  if (n == NULL) {
    PyErr_Print();
    return 1;
  }
  std::printf("%ld seeds in %s\n", PyInt_AsLong(n), argv[1]);
  Py_DECREF(n);
  return 0;
}
