"""Plain (str, value) pairs and every other tuple reach the same pack bytes,
and the same exceptions with the interpreter's own messages."""
import unittest

import _tarvo
from tarvo_testlib import PREFIX, TarvoCase, new_pack, round_trip

TO_PACK = "_PyTarvo_ObjectToPackItem"
PAIR = "[key]=(type,val)() "


class Pair(tuple):
    pass


class Word(str):
    pass


class UnicodeWord(unicode):
    pass


def pack_bytes(entry):
    p = new_pack(2, 256)
    p["k"] = entry
    p.pack()
    return p.getPack()


def outcome(entry):
    """The pack bytes of entry, or the type and text of what it raises."""
    try:
        return pack_bytes(entry)
    except _tarvo.error, message:
        return ("tarvo.error", message)
    except Exception, e:
        return (type(e).__name__, str(e))


class SameBytesTest(TarvoCase):
    def test_every_route_packs_as_the_plain_pair(self):
        for entry, plain in (
                (("INT32", 5), ("int32", 5)),
                (("Int64", 5), ("int64", 5)),
                (("dOuBlE", 1.5), ("double", 1.5)),
                (("FLOAT", 2.5), ("float", 2.5)),
                (("nonE", None), ("none", None)),
                ((u"int32", 5), ("int32", 5)),
                ((u"UINT64", 7L), ("uint64", 7L)),
                ((UnicodeWord(u"str"), "x"), ("str", "x")),
                (Pair(("int32", 5)), ("int32", 5)),
                (Pair(("Raw", "\0\1")), ("raw", "\0\1")),
                ((Word("int32"), 5), ("int32", 5)),
                ((Word("BOOLEAN"), 1), ("boolean", 1)),
                (("arr", [Pair(("INT32", 1)), (Word("uint32"), 2)]),
                 ("arr", [("int32", 1), ("uint32", 2)])),
                (("OBJ", {"a": (u"Str", "v")}), ("obj", {"a": ("str", "v")}))):
            self.assertEqual(pack_bytes(entry), pack_bytes(plain), entry)

    def test_words_read_back_in_lower_case(self):
        entries = {"a": ("INT32", 5), "b": (Word("Double"), 0.5), "c": (u"Str", "x"),
                   "d": Pair(("ARR", [("Boolean", 1)]))}
        self.assertEqual(round_trip(2, entries),
                         {"a": ("int32", 5), "b": ("double", 0.5), "c": ("str", "x"),
                          "d": ("arr", [("boolean", True)])})


class SameRefusalsTest(TarvoCase):
    def test_every_route_refuses_alike(self):
        unknown = "%s: Unknown type[%%s...] not supported" % TO_PACK
        for entry, expected in (
                (("int32\0", 5), ("TypeError", PAIR + "argument 1 must be string without null bytes, not str")),
                ((u"int32\0", 5), ("TypeError", PAIR + "argument 1 must be string without null bytes, not unicode")),
                ((Word("int32\0"), 5), ("TypeError", PAIR + "argument 1 must be string without null bytes, not Word")),
                ((u"\xe9nt32", 5), ("UnicodeEncodeError", "'ascii' codec can't encode character u'\\xe9' "
                                                          "in position 0: ordinal not in range(128)")),
                (["int32", 5], ("TypeError", PAIR + "must be a tuple, not list")),
                (("int32", 5, 6), ("TypeError", PAIR + "takes exactly 2 arguments (3 given)")),
                (Pair(("int32", 5, 6)), ("TypeError", PAIR + "takes exactly 2 arguments (3 given)")),
                (("int32",), ("TypeError", PAIR + "takes exactly 2 arguments (1 given)")),
                ((), ("TypeError", PAIR + "takes exactly 2 arguments (0 given)")),
                ((5, 5), ("TypeError", PAIR + "argument 1 must be string, not int")),
                ((None, 5), ("TypeError", PAIR + "argument 1 must be string, not None")),
                ((bytearray("int32"), 5), ("TypeError", PAIR + "argument 1 must be string, not bytearray")),
                (("", 5), ("tarvo.error", unknown % "")),
                (("i", 5), ("tarvo.error", unknown % "i")),
                (("int 32", 5), ("tarvo.error", unknown % "int 32")),
                (("\xc9NT32", 5), ("tarvo.error", unknown % "\xc9NT32")),
                (("int32x", 5), ("tarvo.error", unknown % "int32x")),
                ((Word("doubles"), 5), ("tarvo.error", unknown % "doubles")),
                # a row's length, first and last letters, another letter between
                (("inx32", 5), ("tarvo.error", unknown % "inx32")),
                (("doubme", 5), ("tarvo.error", unknown % "doubme")),
                (("dOuBmE", 5), ("tarvo.error", unknown % "dOuBmE")),
                (("nine", 5), ("tarvo.error", unknown % "nine")),
                (("oaj", 5), ("tarvo.error", unknown % "oaj")),
                ((u"Pack", 1), ("tarvo.error", "%s: PCK not implemented" % TO_PACK))):
            kind, text = outcome(entry)
            self.assertEqual(kind, expected[0], entry)
            if kind == "tarvo.error":
                self.assertRegexpMatches(text, "^" + PREFIX)
                text = text[text.index("] ") + 2:]
            self.assertEqual(text, expected[1], entry)


if __name__ == "__main__":
    unittest.main()
