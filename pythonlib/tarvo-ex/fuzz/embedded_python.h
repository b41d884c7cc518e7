// The interpreter inside the fuzz target and its seed writer: the module is
// linked in and registered as a built-in, so it runs instrumented and the
// interpreter needs no shared object on its path.
#ifndef TARVO_EX_FUZZ_EMBEDDED_PYTHON_H
#define TARVO_EX_FUZZ_EMBEDDED_PYTHON_H

#include <Python.h>

#include <cstdio>
#include <cstdlib>

PyMODINIT_FUNC init_tarvo(void);

namespace tarvo_ex_fuzz {

// Starts the interpreter with _tarvo importable, then runs code in the
// namespace it returns (a borrowed reference, alive for the process). Any
// failure ends the process: without the harness nothing can run.
inline PyObject* start_interpreter(const char* code) {
  // The standard library of the interpreter built against (TARVO_PYTHON_HOME).
  static char home[] = TARVO_PYTHON_HOME;
  Py_SetPythonHome(home);
  Py_NoSiteFlag = 1;
  Py_IgnoreEnvironmentFlag = 1;
  Py_DontWriteBytecodeFlag = 1;
  if (PyImport_AppendInittab(const_cast<char*>("_tarvo"), init_tarvo) != 0) std::abort();
  Py_InitializeEx(0);
  PyObject* globals = PyModule_GetDict(PyImport_AddModule("__main__"));
  PyObject* done = PyRun_String(code, Py_file_input, globals, globals);
  if (done == NULL) {
    PyErr_Print();
    std::abort();
  }
  Py_DECREF(done);
  return globals;
}

}  // namespace tarvo_ex_fuzz

#endif
