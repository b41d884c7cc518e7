"""Pack objects used from several threads: the in-use state holds per object
in any interleaving, and transfers let the other threads of the process run."""
import re
import signal
import socket
import sys
import thread
import threading
import unittest

import _tarvo
from tarvo_testlib import PREFIX, PTR, TarvoCase, new_pack, packed, run_child, tarvo_error

# Seconds after which a child interpreter whose threads wait on each other
# forever is ended; far above what any scenario needs.
HANG = 60
LONG_BUDGET = 30.0
IN_USE = PREFIX + r"%s: Pack\[@:" + PTR + r"\] is in use by a walk\Z"


class Waiting(object):
    """An int32 value whose conversion announces itself, then waits."""

    def __init__(self, announce, wait_for, inside=lambda: None):
        self.announce, self.wait_for, self.inside = announce, wait_for, inside

    def __int__(self):
        self.announce.set()
        self.wait_for.wait()
        self.inside()
        return 1


def outcome(call):
    """"ok", or the text of the tarvo.error that call() raises."""
    try:
        call()
    except _tarvo.error, message:
        return str(message)
    return "ok"


def walks_ending_out_of_order():
    """Walk 1 starts, walk 2 starts, walk 1 ends, walk 2 ends; each object is
    in use exactly while its own walk runs."""
    signal.alarm(HANG)
    first_in, second_in, first_done = threading.Event(), threading.Event(), threading.Event()
    p1, p2 = new_pack(2), new_pack(2)
    seen = []

    def inside_second():
        # p1's walk is over, p2's is not.
        seen.append(outcome(p1.reset))
        seen.append(outcome(p2.reset))

    p1["a"] = ("int32", Waiting(first_in, second_in))
    p2["a"] = ("int32", Waiting(second_in, first_done, inside_second))

    def second():
        first_in.wait()
        p2.pack()

    worker = threading.Thread(target=second)
    worker.start()
    p1.pack()
    first_done.set()
    worker.join()
    for text in seen:
        print re.sub(PREFIX, "", text)
    for p in (p1, p2):
        p.reset()
        p.setPack(packed(2, {"b": ("int32", 2)}).getPack())
        print p.getdict()


class WalkInterleavingTest(TarvoCase):
    def test_walks_that_end_out_of_order(self):
        status, output = run_child("test_threads", "walks_ending_out_of_order")
        lines = output.splitlines()
        self.assertEqual((status, len(lines)), (0, 4), output)
        self.assertEqual(lines[0], "ok")
        self.assertRegexpMatches(lines[1], r"\APyTarvo_Reset: Pack\[@:%s\] is in use by a walk\Z"
                                 % PTR)
        self.assertEqual(lines[2:], ["{'b': ('int32', 2)}"] * 2)


class GilCase(TarvoCase):
    """A helper thread started with thread.start_new_thread needs the
    interpreter lock before it runs any Python code. With the check interval
    out of reach the main thread keeps that lock until a call releases it, so
    the helper runs only once the transfer under test waits: a transfer that
    held the lock would wait out its whole budget and fail."""

    def setUp(self):
        self.a, self.b = socket.socketpair()
        self.interval = sys.getcheckinterval()
        self.done = thread.allocate_lock()
        self.done.acquire()

    def tearDown(self):
        sys.setcheckinterval(self.interval)
        self.a.close()
        self.b.close()

    def helper(self, action):
        def run():
            try:
                action()
            finally:
                self.done.release()
        sys.setcheckinterval(1 << 30)
        thread.start_new_thread(run, ())

    def join(self):
        self.done.acquire()
        sys.setcheckinterval(self.interval)


class TransferReleasesTheLockTest(GilCase):
    def test_recv_lets_a_producer_of_the_same_process_run(self):
        data = packed(2, {"i": ("int32", 7), "s": ("str", "x" * 1000)}).getPack()
        q = new_pack(2)
        self.helper(lambda: self.a.sendall(data))
        q.recv(self.b.fileno(), len(data), LONG_BUDGET)
        self.join()
        self.assertEqual(q.getPack(), data)

    def test_send_lets_a_consumer_of_the_same_process_run(self):
        # Far more than the socket buffers hold: the send needs the reader.
        # (Non-blocking, so that a send holding the lock fails on its budget
        # instead of blocking for good; blocking descriptors are tested with
        # the other socket cases.)
        p = packed(2, {"big": ("raw", "\xa5" * (4 << 20))}, total=(4 << 20) + 4096)
        self.a.setblocking(False)
        got = []

        def consume():
            left = p.size()
            while left > 0:
                chunk = self.b.recv(min(left, 1 << 16))
                got.append(chunk)
                left -= len(chunk)
        self.helper(consume)
        p.send(self.a.fileno(), LONG_BUDGET)
        self.join()
        self.assertEqual("".join(got), p.getPack())

    def test_object_is_in_use_while_a_transfer_waits(self):
        data = packed(2, {"i": ("int32", 7)}).getPack()
        q = new_pack(2)
        q["k"] = ("int32", 1)
        calls = [("PyTarvo_Reset", q.reset),
                 ("PyTarvo_SetPack", lambda: q.setPack(data)),
                 ("PyTarvo_Pack", q.pack),
                 ("PyTarvo_Parse", q.parse),
                 ("PyTarvo_Close", q.close),
                 ("PyTarvo_Recv", lambda: q.recv(self.a.fileno(), 1, 0.0)),
                 ("PyTarvo_Send", lambda: q.send(self.a.fileno(), 0.0))]
        refusals = []

        def meddle():
            for name, call in calls:
                refusals.append((name, tarvo_error(call)))
            self.a.sendall(data)
        self.helper(meddle)
        q.recv(self.b.fileno(), len(data), LONG_BUDGET)
        self.join()
        self.assertEqual(len(refusals), len(calls))
        for name, message in refusals:
            self.assertRegexpMatches(message, IN_USE % name)
        self.assertEqual(q.getdict(), {"i": ("int32", 7)})
        # The mark ends with the transfer.
        q.reset()
        q.setPack(data)
        self.assertEqual(q.items(), 1)


if __name__ == "__main__":
    unittest.main()
