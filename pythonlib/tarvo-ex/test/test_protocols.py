"""The mapping protocol over the dict and the buffer protocol over the pack buffer."""
import struct
import unittest

from tarvo_testlib import TarvoCase, addr, new_pack, packed


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
