"""The mapping protocol over the dict and the buffer protocol over the pack buffer."""
import ctypes
import struct
import unittest

import _tarvo
from tarvo_testlib import TarvoCase, addr, new_pack, packed


def buffer_slots():
    """The type's read-buffer and segment-count slots, callable with the lock held."""
    # tp_as_buffer is the 21st pointer-sized field of a type object
    procs = ctypes.c_void_p.from_address(id(_tarvo.tarvoType) + 20 * ctypes.sizeof(ctypes.c_void_p))
    slots = (ctypes.c_void_p * 3).from_address(procs.value)
    read_buffer = ctypes.PYFUNCTYPE(ctypes.c_ssize_t, ctypes.py_object, ctypes.c_ssize_t,
                                    ctypes.c_void_p)(slots[0])
    segment_count = ctypes.PYFUNCTYPE(ctypes.c_ssize_t, ctypes.py_object,
                                      ctypes.c_void_p)(slots[2])
    return read_buffer, segment_count


class MappingTest(TarvoCase):
    def test_set_get_len_del(self):
        p = new_pack(2)
        p["a"] = ("int32", 1)
        p["b"] = "anything"  # checked only when packed
        self.assertEqual((len(p), p["a"], p["b"]), (2, ("int32", 1), "anything"))
        del p["b"]
        self.assertEqual(p.getdict(), {"a": ("int32", 1)})
        self.assertRaises(KeyError, p.__delitem__, "b")

    def test_str_subclass_keys(self):
        class Key(str):
            pass

        p = new_pack(2)
        p[Key("k")] = ("int32", 1)
        self.assertEqual(p["k"], ("int32", 1))

    def test_keys_must_be_strings(self):
        p = new_pack(2)
        self.assertTarvoError("key must be string", lambda: p[1])
        self.assertTarvoError("key must be string", p.__setitem__, 1, ("int32", 1))
        self.assertTarvoError("key must be string", p.__delitem__, u"k")

    def test_absent_key(self):
        p = new_pack(2)
        self.assertTarvoError("Error getting key[absent] from pack dict[@:%s]" % addr(p.getdict()),
                              lambda: p["absent"])

    def test_deleted_entry_is_not_packed(self):
        p = new_pack(2)
        p["a"] = ("int32", 1)
        p["b"] = ("int32", 2)
        del p["a"]
        p.pack()
        p.parse()
        self.assertEqual(p.getdict(), {"b": ("int32", 2)})


class BufferTest(TarvoCase):
    def test_one_segment_of_the_whole_capacity(self):
        p = packed(2, {"a": ("int32", 7)}, total=256)
        view = buffer(p)
        self.assertEqual(len(view), 256)
        self.assertEqual(str(view)[:p.size()], p.getPack())
        self.assertEqual(str(buffer(p, 250)), str(view)[250:])

    def test_character_buffer(self):
        p = packed(2, {}, total=64)
        text = unicode(p, "latin-1")
        self.assertEqual(len(text), 64)
        self.assertEqual(text[:10].encode("latin-1"), p.getPack())

    def test_slots_called_directly(self):
        p = packed(2, {}, total=64)
        read_buffer, segment_count = buffer_slots()
        base = ctypes.c_void_p()
        self.assertEqual(read_buffer(p, 0, ctypes.byref(base)), 64)
        address = ctypes.c_void_p()
        # the index counts bytes from the buffer's start
        self.assertEqual(read_buffer(p, 10, ctypes.byref(address)), 54)
        self.assertEqual(address.value, base.value + 10)
        self.assertEqual(ctypes.string_at(base.value, 10), p.getPack())
        for index in (64, -1):
            self.assertTarvoError("Invalid segment[%d], total[64]" % index, read_buffer, p, index,
                                  None)
        length = ctypes.c_ssize_t()
        self.assertEqual(segment_count(p, ctypes.byref(length)), 1)
        self.assertEqual(length.value, 64)
        self.assertEqual(segment_count(p, None), 1)

    def test_writes_reach_the_pack_bytes_only(self):
        p = packed(2, {"a": ("int32", 7)}, total=64)
        size = p.size()
        struct.pack_into("<i", p, size - 4, 1234)
        self.assertEqual(p.size(), size)
        self.assertEqual(p.getdict(), {"a": ("int32", 7)})
        p.parse()
        self.assertEqual(p.getdict(), {"a": ("int32", 1234)})


if __name__ == "__main__":
    unittest.main()
