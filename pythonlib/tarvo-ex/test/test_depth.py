"""Nesting deeper than the thread's C stack holds: refused with the
interpreter's RuntimeError, whatever the recursion limit or the stack size."""
import sys
import threading
import unittest

import _tarvo
from tarvo_testlib import TarvoCase, nested_dict, nested_objects, new_pack

HOSTILE_DEPTH = 100000
SMALL_STACK = 256 * 1024


def walk_both_ways(depth):
    """Prints how setPack of depth nested objects and pack() of depth nested
    dicts end: "read" / "packed" or the RuntimeError's text."""
    data = nested_objects(depth)
    # Temp areas large enough that the stack, not the temp area, runs out first.
    p = new_pack(2, len(data) + 1, 64 << 20)
    q = new_pack(2, 2 * len(data) + 64, 64 << 20)
    q["a"] = ("obj", nested_dict(depth))
    for name, call, done in (("setPack", lambda: p.setPack(data), "read"),
                             ("pack", q.pack, "packed")):
        try:
            call()
            print "%s: %s" % (name, done)
        except RuntimeError, e:
            print "%s: %s" % (name, e)
        sys.stdout.flush()


def deep_on_the_main_thread(depth):
    sys.setrecursionlimit(10 ** 6)
    walk_both_ways(depth)


def deep_in_a_small_thread(depth):
    sys.setrecursionlimit(10 ** 6)
    threading.stack_size(SMALL_STACK)
    worker = threading.Thread(target=walk_both_ways, args=(depth,))
    worker.start()
    worker.join()


REFUSED = ["setPack: maximum recursion depth exceeded while parsing a nested container",
           "pack: maximum recursion depth exceeded while packing a nested container"]


class StackDepthTest(TarvoCase):
    def test_hostile_depth_with_a_huge_recursion_limit(self):
        self.assertChildPrints(REFUSED, "test_depth", "deep_on_the_main_thread", HOSTILE_DEPTH)

    def test_thread_with_a_small_stack(self):
        for depth in (5000, HOSTILE_DEPTH):
            self.assertChildPrints(REFUSED, "test_depth", "deep_in_a_small_thread", depth)

    def test_moderate_depth_still_fits_a_small_stack(self):
        self.assertChildPrints(["setPack: read", "pack: packed"],
                               "test_depth", "deep_in_a_small_thread", 200)

    def test_recursion_limit_still_applies(self):
        limit = sys.getrecursionlimit()
        sys.setrecursionlimit(100)
        try:
            data = nested_objects(150)
            p = new_pack(2, len(data) + 1, 1 << 20)
            with self.assertRaises(RuntimeError) as caught:
                p.setPack(data)
            self.assertEqual(str(caught.exception),
                             "maximum recursion depth exceeded while parsing a nested container")
        finally:
            sys.setrecursionlimit(limit)


if __name__ == "__main__":
    unittest.main()
