// Depth guard of the walks: nesting in hostile bytes or in a Python dict is
// bounded by the interpreter's recursion limit and by the C stack that the
// running thread really has, whichever ends first. A recursion limit raised
// far above what the stack holds, or a thread with a small stack, must end
// in an exception, never in a crash.

// Python.h (through py_tarvo.h) must come before any system header.
#include "py_tarvo.h"

#include <pthread.h>

namespace {

// Stack kept free below a descent: one level of the walks, the interpreter
// code a conversion may run (__int__, __del__) and the raising of the error.
const uintptr_t kStackMargin = 64 * 1024;

// Bounds of the calling thread's stack, both 0 when unknown. Looked up once
// per thread (for the main thread the lookup reads the process maps) and
// kept in one thread-local record, so that a descent reads it once.
struct StackBounds {
  uintptr_t low;
  uintptr_t high;
  bool known;
};

thread_local StackBounds tStack = {0, 0, false};

const StackBounds& thread_stack() {
  StackBounds& bounds = tStack;
  if (!bounds.known) {
    pthread_attr_t attr;
    void* low = NULL;
    size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
      if (pthread_attr_getstack(&attr, &low, &size) == 0) {
        bounds.low = reinterpret_cast<uintptr_t>(low);
        bounds.high = bounds.low + size;
      }
      pthread_attr_destroy(&attr);
    }
    bounds.known = true;
  }
  return bounds;
}

}  // namespace

int PyTarvo_EnterDescent(const char* where) {
  // The frame address is the real stack, also where a sanitizer moves locals.
  // A frame outside the thread's own stack (a coroutine's stack) is left to
  // the recursion limit alone.
  const uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  const StackBounds& stack = thread_stack();
  if (here > stack.low && here <= stack.high && here - stack.low < kStackMargin) {
    PyErr_Format(PyExc_RuntimeError, "maximum recursion depth exceeded%s", where);
    return -1;
  }
  return Py_EnterRecursiveCall(where) ? -1 : 0;
}

void PyTarvo_LeaveDescent(void) { Py_LeaveRecursiveCall(); }
