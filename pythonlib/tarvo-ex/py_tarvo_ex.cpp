// Socket transfer of pack objects: send() writes the recorded pack bytes,
// recv() reads a caller-given byte count into the pack buffer and loads it.
// No framing of its own; the descriptor belongs to the caller and is never
// opened, configured or closed here.

// Python.h (through py_tarvo.h) must come before any system header.
#include "py_tarvo.h"

#include <limits.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>

PYTARVO_SOURCE_FILE;

namespace {

const long NSEC_PER_SEC = 1000000000L;
const long NSEC_PER_USEC = 1000L;
// A budget of this much or less only polls, so a nearly spent budget never
// turns into a busy sequence of micro-waits.
const long POLL_ONLY_NSEC = 9 * NSEC_PER_USEC;
// The budget's seconds are a signed 32-bit count; larger budgets wait that long.
const float MAX_BUDGET_SEC = 2147483648.0f;

// Wait budget in seconds as a span: NaN, negative and zero budgets poll,
// budgets past the 32-bit seconds count wait as long as it can hold.
timespec budget_span(float timeout /* IN */) {
  timespec span = {0, 0};
  if (!(timeout > 0.0f)) return span;
  if (timeout >= MAX_BUDGET_SEC) {
    span.tv_sec = INT32_MAX;
    span.tv_nsec = 999999 * NSEC_PER_USEC;
    return span;
  }
  int32_t sec = (int32_t)timeout;
  int32_t usec = (int32_t)((timeout - (float)sec) * 1000000.0f);
  span.tv_sec = sec;
  span.tv_nsec = (long)usec * NSEC_PER_USEC;
  return span;
}

timespec monotonic_now() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now;
}

timespec span_add(timespec a, timespec b) {
  a.tv_sec += b.tv_sec;
  a.tv_nsec += b.tv_nsec;
  if (a.tv_nsec >= NSEC_PER_SEC) {
    a.tv_sec += 1;
    a.tv_nsec -= NSEC_PER_SEC;
  }
  return a;
}

// What is left of the budget until deadline; a remainder of POLL_ONLY_NSEC
// or less (or a passed deadline) reads as zero.
timespec span_left(timespec deadline) {
  timespec now = monotonic_now();
  timespec left = {deadline.tv_sec - now.tv_sec, deadline.tv_nsec - now.tv_nsec};
  if (left.tv_nsec < 0) {
    left.tv_sec -= 1;
    left.tv_nsec += NSEC_PER_SEC;
  }
  if (left.tv_sec < 0 || (left.tv_sec == 0 && left.tv_nsec <= POLL_ONLY_NSEC)) {
    left.tv_sec = 0;
    left.tv_nsec = 0;
  }
  return left;
}

// No single call may block past the budget, and the descriptor's blocking
// mode stays as the caller set it: sockets move with a per-call non-blocking
// flag; other descriptors are read after readiness (which delivers without
// blocking) and written at most PIPE_BUF bytes at a time, what a ready pipe
// is sure to take.
ssize_t read_chunk(int sock, bool is_socket, char* ptr, size_t n) {
  return is_socket ? recv(sock, ptr, n, MSG_DONTWAIT) : read(sock, ptr, n);
}

ssize_t write_chunk(int sock, bool is_socket, char* ptr, size_t n) {
  // A closed peer reports EPIPE, whatever the process does with SIGPIPE.
  if (is_socket) return send(sock, ptr, n, MSG_DONTWAIT | MSG_NOSIGNAL);
  return write(sock, ptr, n < PIPE_BUF ? n : PIPE_BUF);
}

// One direction of a transfer: the readiness to wait for and the call that moves a chunk.
struct Direction {
  short events;
  ssize_t (*move)(int sock, bool is_socket, char* ptr, size_t n);
};
const Direction READING = {POLLIN, read_chunk};
const Direction WRITING = {POLLOUT, write_chunk};

bool is_socket(int sock) {
  struct stat st;
  return fstat(sock, &st) == 0 && S_ISSOCK(st.st_mode);
}

// How a transfer ended.
struct Outcome {
  int moved;         // bytes moved before it stopped
  bool wait_failed;  // the wait timed out or failed
  int err;           // errno value that explains a shortfall; 0 when complete
};

// Moves len bytes in as many chunks as the descriptor allows, waiting for
// readiness before each under one budget for the whole transfer. poll, not an
// fd_set, so descriptors of 1024 and above are waited on like any other.
// EINTR and EAGAIN from the transfer call wait again within the budget; an
// interrupted wait ends the transfer like any failed wait. Runs without the
// interpreter lock.
Outcome transfer(const Direction& dir, int sock, char* buf, int len, float timeout) {
  Outcome out = {0, false, 0};
  timespec left = budget_span(timeout);
  const timespec deadline = span_add(monotonic_now(), left);
  const bool on_socket = is_socket(sock);
  int nleft = len;
  char* ptr = buf;
  while (nleft > 0) {
    pollfd pfd = {sock, dir.events, 0};
    int ready = ppoll(&pfd, 1, &left, NULL);
    int wait_err = errno;
    left = span_left(deadline);
    if (ready <= 0 || (pfd.revents & POLLNVAL)) {
      out.wait_failed = true;
      out.err = ready < 0 ? wait_err : ready == 0 ? ETIMEDOUT : EBADF;
      break;
    }
    ssize_t n = dir.move(sock, on_socket, ptr, (size_t)nleft);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n <= 0) {
      // A stream that ends before the count is a connection the peer closed.
      out.err = n < 0 ? errno : ECONNRESET;
      break;
    }
    ptr += n;
    nleft -= (int)n;
  }
  out.moved = len - nleft;
  return out;
}

// Writes len bytes of buf to sock: len when complete, -1 for a negative
// descriptor, -2 when a wait timed out or failed, otherwise the bytes written
// before the descriptor failed or closed. *err explains a shortfall.
int MyWriteO(int sock, char* buf, int len, float timeout, int* err /* OUT */) {
  if (sock < 0) {
    *err = EBADF;
    return -1;
  }
  Outcome out = transfer(WRITING, sock, buf, len, timeout);
  *err = out.err;
  return out.wait_failed ? -2 : out.moved;
}

// Reads len bytes from sock into buf: len when complete, -1 for a negative
// descriptor, otherwise the bytes read before the wait or the descriptor
// failed, timed out or closed. *err explains a shortfall.
int MyReadO(int sock, char* buf, int len, float timeout, int* err /* OUT */) {
  if (sock < 0) {
    *err = EBADF;
    return -1;
  }
  Outcome out = transfer(READING, sock, buf, len, timeout);
  *err = out.err;
  return out.moved;
}

typedef int (*TransferFn)(int sock, char* buf, int len, float timeout, int* err);

// Runs a transfer of len bytes at the start of p's buffer without the
// interpreter lock, so that other threads run meanwhile; p is marked in use
// until the lock is back, so none of them can reopen, rewrite or free it.
int transfer_unlocked(TransferFn fn, PyTarvoObject* p, int fd, int len, float timeout,
                      int* err /* OUT */) {
  PyTarvoInUse use(p);
  int r = 0;
  Py_BEGIN_ALLOW_THREADS r = fn(fd, p->buffer, len, timeout, err);
  Py_END_ALLOW_THREADS return r;
}

}  // namespace

PyObject* PyTarvo_Send(PyObject* self, PyObject* args) {
  PyTarvoObject* p = PYTARVO_CHECK_OBJECT(self, "PyTarvo_Send");
  int fd = -1;
  float timeout = 0.0f;
  int err = 0;
  if (p == NULL) return NULL;
  if (PyTarvo_CheckIdle(self, "PyTarvo_Send") != 0) return NULL;
  if (!PyArg_ParseTuple(args, "if", &fd, &timeout)) return NULL;
  int r = transfer_unlocked(MyWriteO, p, fd, p->size, timeout, &err);
  if (r >= 0 && r == p->size) Py_RETURN_NONE;
  return PYTARVO_RAISE("Error sending pack[@:%p] via fd[%d], %d of %d sent, err[%s]",
                       (void*)p->buffer, fd, r, p->size, strerror(err));
}

PyObject* PyTarvo_Recv(PyObject* self, PyObject* args) {
  PyTarvoObject* p = PYTARVO_CHECK_OBJECT(self, "PyTarvo_Recv");
  int fd = -1;
  int length = 0;
  float timeout = 0.0f;
  int err = 0;
  if (p == NULL) return NULL;
  // Refused before a byte is read, so what is pending stays on the descriptor.
  if (PyTarvo_CheckIdle(self, "PyTarvo_Recv") != 0) return NULL;
  if (!PyArg_ParseTuple(args, "iif", &fd, &length, &timeout)) return NULL;
  if (length < 0 || (uint32_t)length >= p->total) {
    return PYTARVO_RAISE("length[%d] to receive should in range[0, %d]", length, (int)p->total);
  }
  int r = transfer_unlocked(MyReadO, p, fd, length, timeout, &err);
  if (r != length) {
    // The first bytes of the pack are replaced: the open handle no longer
    // describes the buffer, so it is broken until the next open.
    if (r > 0) p->ppack = (tarvo_t*)(intptr_t)TARVO_ERR_BAD_DATA;
    return PYTARVO_RAISE("Error recving pack via fd[%d], %d of %d sent, err[%s]", fd, r, length,
                         strerror(err));
  }
  return PYTARVO_LOAD(p, length, p->buffer);
}
