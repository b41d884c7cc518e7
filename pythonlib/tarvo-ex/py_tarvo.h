// The _tarvo module's pack object and what its source files share.
#ifndef PY_TARVO_H
#define PY_TARVO_H

// Python.h must come before any system header.
#include <Python.h>
#include <stddef.h>
#include <stdint.h>

#include "tarvo.h"

// Record of a pack object. tarvo(...) puts it at the start of one block of
// the collector's allocator; the pack buffer follows it, the temp area
// follows the buffer.
typedef struct {
  PyObject_HEAD uint32_t total;  // capacity of the pack buffer
  uint32_t tmp_size;             // size of the temp area, never below total
  int32_t size;                  // recorded pack byte count: what getPack and send hand out
  int32_t version;               // pack version that reset opens
  char* buffer;                  // total bytes
  char* tmp;                     // tmp_size bytes, work area of every open
  tarvo_t* ppack;                // open handle, lives in tmp; may hold an error code
  PyObject* dict;                // key (str) -> (type word, value)
  int32_t busy;                  // walks and transfers now using buffer and handle
} PyTarvoObject;

// Exception type of every failure the module reports itself: the str "tarvo.error".
extern PyObject* ErrorObject;
extern PyTypeObject PyTarvoType;

// Text for a "%s" that may receive a null pointer.
static inline const char* PyTarvo_Text(const char* text) { return text ? text : "(null)"; }

// The "[%s:%d]" prefix shows the source file's bare name (no folder, no
// extension). Each source file states PYTARVO_SOURCE_FILE once at file scope.
template <size_t N>
struct PyTarvoSourceName {
  char text[N];
};

template <size_t N>
constexpr PyTarvoSourceName<N> PyTarvo_SourceName(const char (&path)[N]) {
  PyTarvoSourceName<N> name{};
  size_t start = 0;
  for (size_t i = 0; i + 1 < N; ++i)
    if (path[i] == '/') start = i + 1;
  for (size_t i = start; i + 1 < N && path[i] != '.'; ++i) name.text[i - start] = path[i];
  return name;
}

#define PYTARVO_SOURCE_FILE static constexpr auto kPyTarvoSourceFile = PyTarvo_SourceName(__FILE__)

// Raises a formatted message on ErrorObject; evaluates to NULL.
#define PYTARVO_RAISE(fmt, ...) \
  PyErr_Format(ErrorObject, "[%s:%d] " fmt, kPyTarvoSourceFile.text, __LINE__, ##__VA_ARGS__)

#define PYTARVO_CHECK_OBJECT(self, operation) \
  PyTarvo_CheckObject(self, operation, kPyTarvoSourceFile.text, __LINE__)
#define PYTARVO_LOAD(o, length, shown) \
  PyTarvo_Load(o, length, shown, kPyTarvoSourceFile.text, __LINE__)

// True for objects of the pack type (exactly or by subtype).
static inline bool PyTarvo_Check(PyObject* object) {
  return object != NULL && PyObject_TypeCheck(object, &PyTarvoType);
}

extern "C" {
// Walks between Python containers and packs; 0, or -1 with an exception set.
int PyTarvo_DictToPack(PyObject* dict, tarvo_t* pack);
int PyTarvo_ListToPack(PyObject* list, tarvo_t* pack);
int PyTarvo_PackToDict(const char* prefix, tarvo_t* pack, PyObject* dict);
int PyTarvo_PackToList(tarvo_t* pack, PyObject* list);

// The record of self when it is a working pack object; else NULL with
// "Invalid(null) args for <operation>" raised for a missing object or part,
// or "[%p] not a valid pack object" for anything else, under the caller's
// file and line (PYTARVO_CHECK_OBJECT).
PyTarvoObject* PyTarvo_CheckObject(PyObject* self, const char* operation, const char* file,
                                   int line);

// Reopens o over the first length bytes of its buffer, records them as its
// size and their version, and parses them into its dict (setPack and recv).
// A failed open leaves its code in the handle and raises the open message
// with shown and the caller's file and line. New reference or NULL.
PyObject* PyTarvo_Load(PyTarvoObject* o, int length, const void* shown, const char* file, int line);

// 0, or -1 with the in-use message raised while a walk or a transfer uses
// self's buffer and handle: Python code run by a walk, or another thread
// while a transfer waits, must not reopen, rewrite or move them.
int PyTarvo_CheckIdle(PyObject* self, const char* operation);

// Before each descent into a nested container: 0, or -1 with the
// interpreter's RuntimeError when the recursion limit or the C stack of the
// running thread would be passed. A 0 is paired with PyTarvo_LeaveDescent.
int PyTarvo_EnterDescent(const char* where);
void PyTarvo_LeaveDescent(void);

// Methods of the pack type; new reference or NULL with an exception set.
PyObject* PyTarvo_Parse(PyObject* self, PyObject* unused);
PyObject* PyTarvo_Send(PyObject* self, PyObject* args);
PyObject* PyTarvo_Recv(PyObject* self, PyObject* args);

// Module function quillet2tarvo(data, max_tarvo_size_threshold).
PyObject* PyTarvo_Quillet2Tarvo(PyObject* self, PyObject* args);
}

// Marks a pack object in use for the scope's lifetime and keeps it alive;
// built and destroyed with the interpreter lock held.
class PyTarvoInUse {
 public:
  explicit PyTarvoInUse(PyTarvoObject* o) : o_(o) {
    Py_INCREF(o);
    ++o->busy;
  }
  ~PyTarvoInUse() {
    --o_->busy;
    Py_DECREF(o_);
  }
  PyTarvoInUse(const PyTarvoInUse&) = delete;
  PyTarvoInUse& operator=(const PyTarvoInUse&) = delete;

 private:
  PyTarvoObject* o_;
};

#endif
