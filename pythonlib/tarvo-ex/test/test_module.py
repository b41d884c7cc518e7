"""The module, the making of pack objects, their text form and their dict."""
import gc
import sys
import unittest

import _tarvo
from tarvo_testlib import TarvoCase, addr, new_pack


def live_packs():
    """Pack objects the collector knows of."""
    return sum(1 for o in gc.get_objects() if type(o) is _tarvo.tarvoType)


class ModuleTest(TarvoCase):
    def test_attributes(self):
        self.assertEqual(_tarvo.error, "tarvo.error")
        self.assertIs(type(_tarvo.tarvo(2, 64, 1024)), _tarvo.tarvoType)
        self.assertEqual(_tarvo.tarvoType.__name__, "tarvo")
        self.assertEqual(_tarvo.tarvoType.__doc__, "tarvo object")
        docs = {"tarvo": "create tarvo", "version": "get version",
                "quillet2tarvo": "convert quillet to tarvo2"}
        for name, doc in docs.items():
            self.assertEqual(getattr(_tarvo, name).__doc__, doc, name)

    def test_method_docs(self):
        docs = {"getdict": "get the dict object of tarvo", "size": "get pack size",
                "items": "get pack item count", "reset": "reset pack by size",
                "pack": "pack dict into tarvo", "parse": "parse tarvo into dict",
                "setPack": "set pack buffer", "getPack": "get pack buffer", "close": "close pack",
                "send": "send pack via net", "recv": "recv pack via net"}
        for name, doc in docs.items():
            self.assertEqual(getattr(_tarvo.tarvoType, name).__doc__, doc, name)

    def test_type_cannot_be_derived(self):
        with self.assertRaises(TypeError):
            type("sub", (_tarvo.tarvoType,), {})


class CreateTest(TarvoCase):
    def test_fresh_object(self):
        p = _tarvo.tarvo(2, 1024, 1024)
        self.assertEqual(repr(p), "[tarvo: size:1024, realsize:10, max:1024, items:0, valid:1]")
        self.assertEqual(str(p), repr(p))
        self.assertEqual(p.size(), 1024)
        self.assertEqual(p.items(), 0)
        self.assertEqual(len(p.getPack()), 1024)
        self.assertEqual(p.getdict(), {})

    def test_temp_area_is_raised_to_the_buffer(self):
        p = _tarvo.tarvo(2, 1024, 0)
        self.assertEqual(p.size(), 1024)

    def test_size_zero(self):
        self.assertTarvoError("Size must be at least [0]", _tarvo.tarvo, 2, 0, 4096)

    def test_bad_versions(self):
        for version in (0, 3, -1):
            self.assertTarvoError("Error creating pack, err[TVO: Bad parameter]",
                                  _tarvo.tarvo, version, 1024, 1024)

    def test_too_small_for_the_version(self):
        self.assertTarvoError("Error creating pack, err[TVO: Not enough space]",
                              _tarvo.tarvo, 2, 9, 4096)
        self.assertTarvoError("Error creating pack, err[TVO: Run out of temporary buffer]",
                              _tarvo.tarvo, 2, 40, 40)

    def test_sizes_past_the_int_range(self):
        # refused before anything is allocated
        for size, tmp in ((2 ** 31, 1024), (1024, 2 ** 31), (2 ** 32 - 1, 0)):
            self.assertTarvoError("Error creating pack, err[TVO: Bad parameter]",
                                  _tarvo.tarvo, 2, size, tmp)

    def test_argument_parsing(self):
        self.assertRaises(TypeError, _tarvo.tarvo, "2", 1024, 1024)
        self.assertRaises(TypeError, _tarvo.tarvo, 2, 1024)
        # 2.7 refuses a float where 2.6 took it after a deprecation warning
        with self.assertRaises(TypeError) as caught:
            _tarvo.tarvo(2.0, 1024, 1024)
        self.assertEqual(str(caught.exception), "integer argument expected, got float")

    def test_getdict_is_the_objects_dict(self):
        p = new_pack(2)
        self.assertIs(p.getdict(), p.getdict())
        p.getdict()["k"] = ("int32", 4)
        self.assertEqual(p["k"], ("int32", 4))
        p.pack()
        self.assertEqual(p.items(), 1)

    def test_many_objects_come_and_go(self):
        before = live_packs()
        for _ in range(200):
            p = _tarvo.tarvo(2, 4096, 8192)
            p["a"] = ("str", "x" * 100)
            p.pack()
            d = p.getdict()
            held = sys.getrefcount(d)
            del p
            # the object gave back its reference to its dict
            self.assertEqual(sys.getrefcount(d), held - 1)
        gc.collect()
        self.assertEqual(live_packs(), before)


class BareObjectTest(TarvoCase):
    """An object of the type not made by tarvo(...) has no buffer and no dict."""

    def setUp(self):
        self.p = _tarvo.tarvoType()

    def test_every_operation_refuses_it(self):
        p = self.p
        self.assertTarvoError("Invalid(null) args", repr, p)
        self.assertTarvoError("Invalid(null) args", p.getdict)
        self.assertTarvoError("[%s] not a valid pack object" % addr(p), p.size)
        self.assertTarvoError("[<ptr>] not a valid pack object", p.items)
        self.assertTarvoError("Invalid(null) args for PyTarvo_Reset", p.reset)
        self.assertTarvoError("Invalid(null) args for PyTarvo_Pack", p.pack)
        for method in (p.parse, p.getPack, p.close):
            self.assertTarvoError("Invalid(null) args", method)
        self.assertTarvoError("Invalid(null) args", p.setPack, "abcd")
        self.assertTarvoError("Invalid(null) args", len, p)
        self.assertTarvoError("Invalid(null) args", lambda: p["a"])
        self.assertTarvoError("Invalid(null) args", p.__setitem__, "a", ("int32", 1))
        # the interpreter puts its own complaint over the refused segment count
        self.assertRaises(TypeError, lambda: str(buffer(p)))

    def test_release(self):
        before = live_packs()
        del self.p
        self.assertEqual(live_packs(), before - 1)


if __name__ == "__main__":
    unittest.main()
