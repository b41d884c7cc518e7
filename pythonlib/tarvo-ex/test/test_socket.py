"""send() and recv() of pack objects over socket pairs and pipes."""
import errno
import fcntl
import os
import re
import resource
import signal
import socket
import time
import unittest

import _tarvo
from tarvo_testlib import PTR, TarvoCase, new_pack, packed, run_child, tarvo_error

# The socket methods name their own source file in the message prefix.
PREFIX = r"\[py_tarvo_ex:\d+\] "
TIMED_OUT = os.strerror(errno.ETIMEDOUT)
CLOSED = os.strerror(errno.ECONNRESET)
BAD_FD = os.strerror(errno.EBADF)
# Upper bound for calls that must not wait out a long budget: far above what a
# loaded, sanitized run needs, far below the budgets such calls are given.
PROMPT = 10.0
LONG_BUDGET = 30.0


def sample(version):
    return packed(version, {
        "i": ("int32", -7),
        "u": ("uint64", 2 ** 63),
        "s": ("str", "hello"),
        "r": ("raw", "\x00\x01\xff"),
        "o": ("obj", {"d": ("double", 1.5), "a": ("arr", [("int64", 1), ("str", "x")])}),
    })


def parsed(data, version=2):
    """The dict that setPack makes of data."""
    p = new_pack(version, len(data) + 1)
    p.setPack(data)
    return p.getdict()


def fork_peer(action):
    """Runs action() in a child process; returns its pid."""
    pid = os.fork()
    if pid == 0:
        try:
            action()
        finally:
            os._exit(0)
    return pid


class SocketCase(TarvoCase):
    def setUp(self):
        self.a, self.b = socket.socketpair()
        self.children = []

    def tearDown(self):
        # Every check is done: a peer still sending or reading would only wait
        # on a transfer that failed, and hang the run.
        for pid in self.children:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
        self.a.close()
        self.b.close()

    def peer(self, action):
        self.children.append(fork_peer(action))

    def assertReads(self, pattern, message):
        """message is PREFIX + the regular expression pattern, "<ptr>" standing for a pointer."""
        self.assertTrue(re.match(PREFIX + pattern.replace("<ptr>", PTR) + r"\Z", message), message)

    def assertFails(self, pattern, call, *args):
        """call(*args) raises tarvo.error reading as assertReads expects."""
        self.assertReads(pattern, tarvo_error(call, *args))

    def timed(self, call, *args):
        """Seconds that call(*args) took to raise tarvo.error, and its message."""
        start = time.time()
        message = tarvo_error(call, *args)
        return time.time() - start, message


class TransferTest(SocketCase):
    def round_trip(self, version, sender, receiver):
        p = sample(version)
        q = new_pack(version)
        p.send(sender.fileno(), 1.0)
        q.recv(receiver.fileno(), p.size(), 1.0)
        self.assertEqual(q.getPack(), p.getPack())
        self.assertEqual(q.size(), p.size())
        self.assertEqual(q.getdict(), parsed(p.getPack(), version))
        self.assertEqual(q["i"], ("int32", -7))
        self.assertEqual(q.items(), 5)

    def test_both_ways_both_versions(self):
        for version in (1, 2):
            self.round_trip(version, self.a, self.b)
            self.round_trip(version, self.b, self.a)

    def test_recv_takes_the_version_of_the_bytes(self):
        p = sample(1)
        q = new_pack(2)
        p.send(self.a.fileno(), 1.0)
        q.recv(self.b.fileno(), p.size(), 1.0)
        q.reset()
        q.pack()
        self.assertEqual(_tarvo.version(q.getPack()), 1)

    def test_fresh_object_sends_its_capacity(self):
        p = new_pack(2, 300, 300)
        p.send(self.a.fileno(), 1.0)
        got = self.b.recv(1000)
        self.assertEqual(len(got), 300)
        self.assertEqual(got, p.getPack())

    def test_largest_length_is_one_below_capacity(self):
        p = sample(2)
        n = p.size()
        q = new_pack(2, n + 1)
        p.send(self.a.fileno(), 1.0)
        q.recv(self.b.fileno(), n, 1.0)
        self.assertEqual(q.getPack(), p.getPack())

    def test_many_chunks_to_a_slow_reader(self):
        p = packed(2, {"big": ("raw", os.urandom(1 << 20))}, total=(1 << 20) + 4096)
        data = p.getPack()
        r, w = os.pipe()

        def reader():
            got = []
            while sum(map(len, got)) < len(data):
                got.append(self.b.recv(65536))
                time.sleep(0.001)
            os.write(w, "ok" if "".join(got) == data else "bad")
        self.peer(reader)
        os.close(w)  # a reader that dies reads as end of file here
        p.send(self.a.fileno(), LONG_BUDGET)
        self.assertEqual(os.read(r, 3), "ok")
        os.close(r)

    def test_many_chunks_from_a_slow_writer(self):
        p = packed(2, {"big": ("raw", os.urandom(300000))}, total=310000)
        data = p.getPack()

        def writer():
            for at in range(0, len(data), 50000):
                self.a.sendall(data[at:at + 50000])
                time.sleep(0.01)
        self.peer(writer)
        q = new_pack(2, 310000, 310000)
        q.recv(self.b.fileno(), len(data), LONG_BUDGET)
        self.assertEqual(q.getPack(), data)
        self.assertEqual(q.getdict(), parsed(data))

    def test_descriptor_above_1023(self):
        fd = 1500
        soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
        if soft <= fd:
            if hard != resource.RLIM_INFINITY and hard <= fd:
                self.skipTest("descriptor %d is above the hard limit %d" % (fd, hard))
            resource.setrlimit(resource.RLIMIT_NOFILE, (fd + 1, hard))
            self.addCleanup(resource.setrlimit, resource.RLIMIT_NOFILE, (soft, hard))
        os.dup2(self.b.fileno(), fd)
        try:
            p = sample(2)
            q = new_pack(2)
            p.send(self.a.fileno(), 1.0)
            q.recv(fd, p.size(), 1.0)
            self.assertEqual(q.getPack(), p.getPack())
            q.send(fd, 1.0)
            self.assertEqual(self.a.recv(4096), p.getPack())
        finally:
            os.close(fd)

    def test_pipe(self):
        r, w = os.pipe()
        try:
            p = sample(1)
            q = new_pack(1)
            p.send(w, 1.0)
            q.recv(r, p.size(), 1.0)
            self.assertEqual(q.getdict(), parsed(p.getPack(), 1))
        finally:
            os.close(r)
            os.close(w)


class BudgetTest(SocketCase):
    def test_recv_times_out_with_nothing_pending(self):
        q = new_pack(2)
        spent, text = self.timed(q.recv, self.b.fileno(), 100, 0.3)
        self.assertTrue(0.25 <= spent < PROMPT, spent)
        self.assertReads(r"Error recving pack via fd\[%d\], 0 of 100 sent, "
                         r"err\[%s\]" % (self.b.fileno(), TIMED_OUT), text)

    def test_send_times_out_on_a_full_socket(self):
        self.a.setblocking(False)
        try:
            while True:
                self.a.send("x" * 65536)
        except socket.error:
            pass
        p = sample(2)
        spent, text = self.timed(p.send, self.a.fileno(), 0.3)
        self.assertTrue(0.25 <= spent < PROMPT, spent)
        self.assertReads(r"Error sending pack\[@:<ptr>\] via fd\[%d\], "
                         r"-2 of %d sent, err\[%s\]" % (self.a.fileno(), p.size(), TIMED_OUT), text)

    def test_one_budget_for_all_chunks(self):
        # 10 bytes wait before the transfer starts, then the peer sends 10 more
        # every 0.1 s for 20 s, short of the length. A budget per chunk would
        # keep waiting while bytes keep coming and end with every byte sent.
        chunks = 200

        def trickle():
            for _ in range(chunks):
                time.sleep(0.1)
                self.a.send("x" * 10)
        self.a.send("x" * 10)
        self.peer(trickle)
        q = new_pack(2)
        spent, text = self.timed(q.recv, self.b.fileno(), 4000, 0.35)
        self.assertReads(r"Error recving pack via fd\[%d\], \d+ of 4000 sent, err\[%s\]"
                         % (self.b.fileno(), TIMED_OUT), text)
        self.assertTrue(0.3 <= spent < PROMPT, spent)
        moved = int(re.search(r"\], (\d+) of 4000", text).group(1))
        self.assertTrue(10 <= moved < 10 + chunks * 10, moved)

    def test_zero_negative_and_nan_budgets_only_poll(self):
        q = new_pack(2)
        for budget in (0.0, -LONG_BUDGET, float("nan"), float("-inf")):
            spent, text = self.timed(q.recv, self.b.fileno(), 10, budget)
            self.assertTrue(spent < PROMPT, (budget, spent))
            self.assertIn("0 of 10 sent, err[%s]" % TIMED_OUT, text)

    def test_poll_only_budget_moves_what_is_pending(self):
        p = sample(2)
        for budget in (0.0, -1.0, float("nan")):
            q = new_pack(2)
            p.send(self.a.fileno(), budget)
            q.recv(self.b.fileno(), p.size(), budget)
            self.assertEqual(q.getPack(), p.getPack())

    def test_huge_budgets_wait(self):
        p = sample(2)
        data = p.getPack()
        # The bytes come 0.2 s after the transfer starts waiting: a budget
        # taken as a poll, or refused by the wait, fails the recv.
        for budget in (3e9, 1e38, float("inf")):
            def late():
                time.sleep(0.2)
                self.a.sendall(data)
            q = new_pack(2)
            self.peer(late)
            q.recv(self.b.fileno(), len(data), budget)
            self.assertEqual(q.getPack(), data)


def blocked_send(kind):
    """Prints how send(fd, 0.5) of a pack far larger than the descriptor
    takes ends when nobody reads, and whether the descriptor is still blocking."""
    # A single write that blocks past the budget would never return: the
    # alarm's default action then ends this child.
    signal.alarm(int(PROMPT))
    if kind == "socket":
        a, b = socket.socketpair()
        fd = a.fileno()
    else:
        r, fd = os.pipe()
    p = packed(2, {"big": ("raw", "\x5a" * (4 << 20))}, total=(4 << 20) + 4096)
    print p.size()
    print tarvo_error(p.send, fd, 0.5)
    print fcntl.fcntl(fd, fcntl.F_GETFL) & os.O_NONBLOCK


class BlockingDescriptorTest(SocketCase):
    def test_no_single_write_blocks_past_the_budget(self):
        for kind in ("socket", "pipe"):
            status, output = run_child("test_socket", "blocked_send", kind)
            self.assertEqual(status, 0, (kind, output))
            size, message, nonblock = output.splitlines()
            self.assertReads(r"Error sending pack\[@:<ptr>\] via fd\[\d+\], -2 of %s sent, "
                             r"err\[%s\]" % (size, TIMED_OUT), message)
            self.assertEqual(nonblock, "0", kind)


class FailureTest(SocketCase):
    def test_peer_sends_fewer_bytes_then_closes(self):
        p = sample(2)
        q = new_pack(2)
        q.setPack(p.getPack())
        before = q.getdict().copy()
        self.a.sendall(p.getPack()[:10])
        self.a.close()
        start = time.time()
        self.assertFails(r"Error recving pack via fd\[%d\], 10 of %d sent, err\[%s\]"
                         % (self.b.fileno(), p.size(), CLOSED),
                         q.recv, self.b.fileno(), p.size(), LONG_BUDGET)
        self.assertTrue(time.time() - start < PROMPT)
        self.assertEqual(q.size(), p.size())
        self.assertEqual(q.getdict(), before)
        # The handle no longer matches the replaced bytes: it reads nothing.
        self.assertTarvoError("Error getting item count, err[TVO: Bad parameter]", q.items)
        self.assertTarvoError("Invalid pack[@:<ptr> size:%d]" % p.size(), q.parse)
        self.assertEqual(q.getPack()[:10], p.getPack()[:10])
        q.reset()
        self.assertEqual(q.items(), 0)

    def test_peer_closed_before_anything_keeps_the_handle(self):
        p = sample(2)
        q = new_pack(2)
        q.setPack(p.getPack())
        self.a.close()
        self.assertFails(r"Error recving pack via fd\[%d\], 0 of 20 sent, err\[%s\]"
                         % (self.b.fileno(), CLOSED), q.recv, self.b.fileno(), 20, 1.0)
        self.assertEqual(q.items(), 5)

    def test_send_to_a_closed_peer(self):
        p = sample(2)
        self.b.close()
        self.assertFails(r"Error sending pack\[@:<ptr>\] via fd\[%d\], 0 of %d sent, err\[%s\]"
                         % (self.a.fileno(), p.size(), os.strerror(errno.EPIPE)),
                         p.send, self.a.fileno(), 1.0)

    def test_invalid_lengths(self):
        q = new_pack(2)
        for length in (-1, 4096, 4097, -2 ** 31):
            self.assertFails(r"length\[%d\] to receive should in range\[0, 4096\]" % length,
                             q.recv, self.b.fileno(), length, 0.0)

    def test_length_zero_fails_in_the_open(self):
        q = new_pack(2)
        self.assertFails(r"open_w Length\[0\] of buffer\[<ptr>\] is fail, err\[TVO: Bad parameter\]",
                         q.recv, self.b.fileno(), 0, 0.0)

    def test_bytes_that_are_no_pack(self):
        q = new_pack(2)
        self.a.sendall("\xff" * 16)
        self.assertFails(r"open_w Length\[16\] of buffer\[<ptr>\] is fail, err\[TVO: Bad data\]",
                         q.recv, self.b.fileno(), 16, 1.0)
        self.assertEqual(q.size(), 16)
        self.assertTarvoError("Error getting item count, err[TVO: Bad parameter]", q.items)

    def test_negative_descriptor(self):
        p = new_pack(2, 64, 256)
        self.assertFails(r"Error sending pack\[@:<ptr>\] via fd\[-1\], -1 of 64 sent, err\[%s\]"
                         % BAD_FD, p.send, -1, 5.0)
        self.assertFails(r"Error recving pack via fd\[-3\], -1 of 10 sent, err\[%s\]" % BAD_FD,
                         p.recv, -3, 10, 5.0)

    def test_descriptor_not_open(self):
        r, w = os.pipe()
        os.close(r)
        os.close(w)
        p = new_pack(2, 64, 256)
        start = time.time()
        self.assertFails(r"Error sending pack\[@:<ptr>\] via fd\[%d\], -2 of 64 sent, err\[%s\]"
                         % (w, BAD_FD), p.send, w, LONG_BUDGET)
        self.assertFails(r"Error recving pack via fd\[%d\], 0 of 10 sent, err\[%s\]" % (r, BAD_FD),
                         p.recv, r, 10, LONG_BUDGET)
        self.assertTrue(time.time() - start < PROMPT)

    def test_send_into_the_read_end_of_a_pipe(self):
        r, w = os.pipe()
        try:
            p = new_pack(2, 64, 256)
            self.assertFails(r"Error sending pack\[@:<ptr>\] via fd\[%d\], -2 of 64 sent, err\[%s\]"
                             % (r, TIMED_OUT), p.send, r, 0.1)
        finally:
            os.close(r)
            os.close(w)

    def test_bad_arguments_keep_the_interpreters_exception(self):
        p = new_pack(2, 64, 256)
        self.assertRaises(TypeError, p.send, "1", 1.0)
        self.assertRaises(TypeError, p.send, 1)
        self.assertRaises(TypeError, p.recv, 1, 2)
        self.assertRaises(TypeError, p.recv, 1, "2", 1.0)

    def test_recv_refused_inside_a_walk(self):
        # Python code run by pack() must not overwrite the buffer and reopen
        # the handle under the walk's child handles.
        data = sample(2).getPack()
        p = new_pack(2)
        refusals = []
        test = self
        fd = self.b.fileno()

        class Receiving(object):
            def __int__(self):
                refusals.append(test.assertTarvoError(
                    "PyTarvo_Recv: Pack[@:<ptr>] is in use by a walk", p.recv, fd, len(data), 1.0))
                return 3

        self.a.sendall(data)
        p["a"] = ("obj", {"l": ("arr", [("int32", Receiving()), ("str", "after")]),
                          "o": ("obj", {"x": ("int32", 1)})})
        p.pack()
        self.assertEqual(len(refusals), 1)
        p.parse()
        self.assertEqual(p.getdict(), {"a": ("obj", {"l": ("arr", [("int32", 3), ("str", "after")]),
                                                     "o": ("obj", {"x": ("int32", 1)})})})
        # Nothing was read: the pending pack arrives whole afterwards.
        p.recv(fd, len(data), 1.0)
        self.assertEqual(p.getPack(), data)

    def test_object_without_a_buffer(self):
        try:
            bare = _tarvo.tarvoType()
        except TypeError:
            self.skipTest("the type cannot be called directly")
        self.assertFails(r"Invalid\(null\) args for PyTarvo_Send", bare.send, self.a.fileno(), 0.0)
        self.assertFails(r"Invalid\(null\) args for PyTarvo_Recv", bare.recv, self.a.fileno(), 1, 0.0)


if __name__ == "__main__":
    unittest.main()
