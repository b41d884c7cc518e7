"""The methods of a pack object and the module function version: results,
state changes and exact messages."""
import unittest

import _tarvo
from tarvo_testlib import TarvoCase, golden, new_pack, packed

EMPTY_V2 = golden("10 00 04000000 00000000")


def broken(version=2):
    """An object whose handle holds the error code of a failed open."""
    p = new_pack(version)
    try:
        p.setPack("")
    except _tarvo.error:
        pass
    return p


class StateTest(TarvoCase):
    def test_pack_records_the_size(self):
        p = packed(2, {"a": ("int32", 1)})
        self.assertEqual(p.size(), len(p.getPack()))
        self.assertEqual(p.size(), 10 + 2 + 2 + 4)  # root + INT_32 header, "a", value
        self.assertEqual(p.items(), 1)

    def test_reset(self):
        p = packed(2, {"a": ("int32", 1)})
        size = p.size()
        self.assertIsNone(p.reset())
        self.assertEqual((p.items(), len(p), p.size()), (0, 0, size))
        self.assertEqual(p.getPack(), EMPTY_V2 + p.getPack()[10:])

    def test_pack_twice_adds_again(self):
        p = packed(2, {"a": ("int32", 1)})
        p.pack()
        self.assertEqual(p.items(), 2)
        p = packed(2, {"o": ("obj", {})})
        self.assertTarvoError("Error putting object[o] into pack[@:<ptr>], err[TVO: Already exist]",
                              p.pack)

    def test_reset_then_pack_builds_afresh(self):
        p = packed(2, {"a": ("int32", 1)})
        p.reset()
        p["b"] = ("str", "x")
        p.pack()
        p.parse()
        self.assertEqual(p.getdict(), {"b": ("str", "x")})

    def test_mapping_edits_only_the_dict(self):
        p = packed(2, {"a": ("int32", 1), "b": ("int32", 2)})
        del p["a"]
        self.assertEqual(p.items(), 2)
        p.reset()
        p["b"] = ("int32", 2)
        p.pack()
        self.assertEqual(p.items(), 1)

    def test_no_arguments_taken(self):
        p = new_pack(2)
        for method in (p.size, p.items, p.reset, p.pack, p.parse, p.getPack, p.close, p.getdict):
            self.assertRaises(TypeError, method, 1)


class Version1StateTest(TarvoCase):
    def test_packed_version1_takes_no_more_puts(self):
        p = packed(1, {"a": ("int32", 1)})
        self.assertTarvoError("Error putting key[a] val[type:int32] into pack[@:<ptr>], err[<any>]",
                              p.pack)
        p.reset()
        p["a"] = ("int32", 1)
        p.pack()
        self.assertEqual(p.items(), 1)

    def test_reset_refused(self):
        data = packed(1, {}).getPack()
        # a buffer that holds the loaded version-1 pack but is too small to open one afresh
        p = _tarvo.tarvo(2, len(data) + 1, 4096)
        p.setPack(data)
        p["keep"] = ("int32", 1)
        self.assertTarvoError("Error resetting pack[<ptr>], err[TVO: Bad parameter]", p.reset)
        self.assertEqual((p.size(), p.getdict()), (len(data), {"keep": ("int32", 1)}))
        self.assertTarvoError("Error getting item count, err[TVO: Bad parameter]", p.items)


class SetPackTest(TarvoCase):
    def test_loads_bytes_and_their_version(self):
        data = packed(2, {"a": ("str", "x")}).getPack()
        q = new_pack(1)
        self.assertIsNone(q.setPack(data))
        self.assertEqual((q.size(), q.getPack(), q.getdict()), (len(data), data, {"a": ("str", "x")}))
        q.reset()  # opens the version of the bytes set
        self.assertEqual(q.getPack()[:10], EMPTY_V2)

    def test_bounds(self):
        data = packed(2, {"a": ("str", "x" * 20)}).getPack()
        p = _tarvo.tarvo(2, len(data) + 1, 4096)
        p.setPack(data)  # total - 1 bytes
        self.assertEqual(p.size(), len(data))
        p = _tarvo.tarvo(2, len(data), 4096)
        self.assertTarvoError("Length[%d] of buffer[<ptr>] is invalid, cur pack capacity:%d"
                              % (len(data), len(data)), p.setPack, data)
        self.assertEqual((p.size(), p.getdict()), (len(data), {}))  # nothing changed

    def test_empty_bytes(self):
        p = new_pack(2)
        p["keep"] = ("int32", 1)
        self.assertTarvoError("open_w Length[0] of buffer[<ptr>] is fail, err[TVO: Bad parameter]",
                              p.setPack, "")
        self.assertEqual((p.size(), p.getdict()), (0, {"keep": ("int32", 1)}))

    def test_argument_parsing(self):
        p = new_pack(2)
        self.assertRaises(TypeError, p.setPack, 5)
        self.assertRaises(TypeError, p.setPack)

    def test_read_only_buffer_of_itself(self):
        p = packed(2, {"a": ("double", 2.5)})
        p.setPack(buffer(p, 0, p.size()))
        self.assertEqual(p.getdict(), {"a": ("double", 2.5)})


class BrokenHandleTest(TarvoCase):
    def test_every_pack_call_fails(self):
        p = broken()
        self.assertTarvoError("Error getting item count, err[TVO: Bad parameter]", p.items)
        self.assertTarvoError("Error closing pack, err[TVO: Bad parameter]", p.close)
        self.assertTarvoError("Invalid pack[@:<ptr> size:0]", p.parse)
        self.assertEqual(repr(p), "[tarvo: size:0, realsize:-2, max:4096, items:-2, valid:0]")

    def test_pack_never_records_a_negative_size(self):
        p = broken()
        self.assertTarvoError("Error closing pack, err[TVO: Bad parameter]", p.pack)
        self.assertEqual(p.size(), 0)
        p["a"] = ("int32", 1)
        self.assertTarvoError("Error putting key[a] val[type:int32] into pack[@:<ptr>], "
                              "err[TVO: Bad parameter]", p.pack)

    def test_reset_mends_it(self):
        p = broken()
        p.reset()
        self.assertEqual(p.items(), 0)


class ReopenDuringWalkTest(TarvoCase):
    """Python code run by a conversion must not reopen the handle the walk uses."""

    def pack_reopening(self, version, reopen):
        p = new_pack(version)
        refusals = []
        test = self

        class Reopening(object):
            def __int__(self):
                refusals.append(test.assertTarvoError(
                    "%s: Pack[@:<ptr>] is in use by a walk" % reopen[0], reopen[1], p))
                return 3

        entries = {"a": ("obj", {"l": ("arr", [("int32", Reopening()), ("str", "after")]),
                                 "o": ("obj", {"x": ("int32", 1)})})}
        for key, value in entries.items():
            p[key] = value
        p.pack()
        self.assertEqual(len(refusals), 1)
        p.parse()
        self.assertEqual(p.getdict(), {"a": ("obj", {"l": ("arr", [("int32", 3), ("str", "after")]),
                                                     "o": ("obj", {"x": ("int32", 1)})})})

    def test_reset_refused(self):
        for version in (1, 2):
            self.pack_reopening(version, ("PyTarvo_Reset", lambda p: p.reset()))

    def test_set_pack_refused(self):
        for version in (1, 2):
            self.pack_reopening(version, ("PyTarvo_SetPack", lambda p: p.setPack(EMPTY_V2)))

    def test_pack_parse_close_refused(self):
        for version in (1, 2):
            for name, call in (("PyTarvo_Pack", lambda p: p.pack()),
                               ("PyTarvo_Parse", lambda p: p.parse()),
                               ("PyTarvo_Close", lambda p: p.close())):
                self.pack_reopening(version, (name, call))

    def test_walk_mark_ends_with_the_walk(self):
        p = packed(2, {"a": ("int32", 1)})
        p.reset()
        p.setPack(EMPTY_V2)
        self.assertEqual(p.getdict(), {})


class VersionFunctionTest(TarvoCase):
    def test_versions(self):
        self.assertEqual(_tarvo.version(packed(2, {"a": ("int32", 1)}).getPack()), 2)
        self.assertEqual(_tarvo.version(EMPTY_V2), 2)

    def test_version1_bytes_stay_untouched(self):
        data = packed(1, {"a": ("int32", 1)}).getPack()
        before = str(bytearray(data))
        self.assertEqual(_tarvo.version(data), 1)
        self.assertEqual(data, before)

    def test_refusals(self):
        self.assertTarvoError("tarvo data error, err[TVO: Bad parameter]", _tarvo.version, "\x10\x00\x04")
        self.assertTarvoError("tarvo data error, err[TVO: Bad data]", _tarvo.version, EMPTY_V2[:9])
        self.assertTarvoError("tarvo data error, err[TVO: Bad data]", _tarvo.version, "\x30" + EMPTY_V2[1:])
        self.assertTarvoError("Invalid args", _tarvo.version, 5)
        self.assertTarvoError("Invalid args", _tarvo.version)
        self.assertTarvoError("Invalid args", _tarvo.version, "a", "b")


if __name__ == "__main__":
    unittest.main()
