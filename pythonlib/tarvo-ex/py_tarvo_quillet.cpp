// The module function quillet2tarvo: quillet bytes to version-2 pack bytes.

// Python.h (through py_tarvo.h) must come before any system header.
#include "py_tarvo.h"

#include <stdlib.h>

#include <exception>
#include <new>

#include "quillet2tarvo.h"
#include "tal/exception/tal_exception.h"

// A module function: its messages carry the module's source name, as those
// of tarvo and version do.
static constexpr auto kPyTarvoSourceFile = PyTarvo_SourceName("py_tarvo");

namespace {

// Runs the conversion; 0 or -1 as it returns, or -2 with an exception set
// for anything it throws, so that nothing thrown reaches the interpreter.
int convert(const char* data, int length, char* area, size_t* size, int threshold) {
  try {
    return quillet2tarvo(data, static_cast<size_t>(length), area, size,
                         static_cast<size_t>(threshold));
  } catch (const tal::BadAllocException&) {
    PyErr_NoMemory();
  } catch (const tal::Exception& e) {
    PYTARVO_RAISE("quillet 2 tarvo failed: %s: %s", e.name(), e.what());
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    const tal::StdException wrapped(e);
    PYTARVO_RAISE("quillet 2 tarvo failed: %s: %s", wrapped.name(), wrapped.what());
  } catch (...) {
    PYTARVO_RAISE("quillet 2 tarvo failed: unknown exception");
  }
  return -2;
}

}  // namespace

PyObject* PyTarvo_Quillet2Tarvo(PyObject*, PyObject* args) {
  const char* data = NULL;
  int length = 0;
  int threshold = 0;
  char* area = NULL;
  size_t size = 0;
  PyObject* result = NULL;
  if (!PyArg_ParseTuple(args, "s#i", &data, &length, &threshold))
    return PYTARVO_RAISE("Invalid args");
  // No area of a negative size exists; asked of malloc, it is an impossible
  // size that some allocators abort on instead of failing.
  if (threshold < 0) return PyErr_NoMemory();
  area = static_cast<char*>(malloc(threshold > 0 ? static_cast<size_t>(threshold) : 1));
  if (area == NULL) return PyErr_NoMemory();
  switch (convert(data, length, area, &size, threshold)) {
    case 0:
      result = PyString_FromStringAndSize(area, static_cast<Py_ssize_t>(size));
      break;
    case -1:
      PYTARVO_RAISE("quillet 2 tarvo failed, maybe the max_tarvo_size_threshold is much small");
      break;
    default:  // raised by convert
      break;
  }
  free(area);
  return result;
}
