"""What a pack object holds over its life: bytes it never wrote stay out of
what it hands out, reference cycles through its dict are collected, and it
cannot be copied or pickled into an empty shell."""
import copy
import cPickle
import gc
import pickle
import socket
import unittest
import weakref

import _tarvo
from tarvo_testlib import TarvoCase, new_pack, packed

ROOT = {1: 41, 2: 10}  # bytes of an empty root by version


class Marker(object):
    """Something a weak reference can watch."""


class StaleBytesTest(TarvoCase):
    def test_fresh_buffer_holds_only_the_root_and_zeros(self):
        # Heap blocks of the buffer's size, filled with a secret and freed,
        # are what the allocator is likeliest to hand to the next objects.
        for version in (1, 2):
            secrets = ["SECRET-%d-" % i * 400 for i in range(64)]
            del secrets
            for _ in range(16):
                p = new_pack(version, 4096, 4096)
                data = p.getPack()
                self.assertEqual(len(data), 4096)
                self.assertEqual(data[ROOT[version]:], "\0" * (4096 - ROOT[version]))
                a, b = socket.socketpair()
                try:
                    p.send(a.fileno(), 1.0)
                    self.assertEqual(b.recv(8192), data)
                finally:
                    a.close()
                    b.close()

    def test_reset_clears_the_old_pack(self):
        for version in (1, 2):
            p = packed(version, {"password": ("str", "hunter2-hunter2"), "n": ("int64", 2 ** 40)})
            size = p.size()
            p.reset()
            data = p.getPack()
            self.assertEqual(p.size(), size)
            self.assertEqual(len(data), size)
            self.assertEqual(data[:ROOT[version]], new_pack(version).getPack()[:ROOT[version]])
            self.assertEqual(data[ROOT[version]:], "\0" * (size - ROOT[version]))


class CollectorTest(TarvoCase):
    def test_cycle_through_the_dict_is_collected(self):
        for version in (1, 2):
            p = new_pack(version)
            marker = Marker()
            watch = weakref.ref(marker)
            p.getdict()["owner"] = p
            p.getdict()["marker"] = marker
            del p, marker
            gc.collect()
            self.assertIsNone(watch())

    def test_objects_are_tracked(self):
        self.assertTrue(gc.is_tracked(new_pack(2)))
        try:
            bare = _tarvo.tarvoType()
        except TypeError:
            self.skipTest("the type cannot be called directly")
        self.assertTrue(gc.is_tracked(bare))
        del bare
        gc.collect()


class CopyTest(TarvoCase):
    def test_copies_and_pickles_are_refused(self):
        p = packed(2, {"a": ("int32", 1)})
        refusals = [copy.copy, copy.deepcopy]
        refusals += [lambda x, k=k: pickle.dumps(x, k) for k in range(3)]
        refusals += [lambda x, k=k: cPickle.dumps(x, k) for k in range(3)]
        for refuse in refusals:
            with self.assertRaises(TypeError) as caught:
                refuse(p)
            self.assertEqual(str(caught.exception), "can't pickle tarvo objects")
        self.assertEqual(p.getdict(), {"a": ("int32", 1)})


if __name__ == "__main__":
    unittest.main()
