"""Malformed pack bytes fed to setPack and version: refused, never read out of bounds."""
import re
import struct
import unittest

import _tarvo
from tarvo_testlib import PTR, TarvoCase, golden, nested_objects, new_pack, packed, tarvo_error

# A version-2 pack: root object with an INT_32, a STRING and an OBJECT holding
# an ARRAY of one INT_32.
SAMPLE_V2 = golden(
    "10 00 32000000 03000000"        # root: content 50 bytes, 3 items
    "14 02 6900 05000000"            # INT_32 "i" = 5
    "d0 02 03 7300 616200"           # STRING (short) "s" = "ab": 3 value bytes
    "10 02 16000000 6f00 01000000"   # OBJECT "o": content 22 bytes, 1 item
    "20 02 0a000000 6100 01000000"   #   ARRAY "a": content 10 bytes, 1 item
    "14 00 07000000")                #     INT_32 = 7
SAMPLE_DICT = {"i": ("int32", 5), "s": ("str", "ab"),
               "o": ("obj", {"a": ("arr", [("int32", 7)])})}
# A version-1 pack: header (magic, header length 24, root object, 2 items,
# room 0, length 68), then an int32 "i" = 5 and an object "o" (value 22 bytes,
# 1 child, parent = root) holding the str "o,s" = "ab".
SAMPLE_V1 = golden(
    "50434b00 18000000 02000000 02000000 00000000 44000000"
    "15 0200 04000000 6900 05000000"
    "02 0200 16000000 6f00 01000000 00000000"
    "20 0400 03000000 6f2c7300 616200")
# offsets of the 32-bit length and count fields in SAMPLE_V2
LENGTH_FIELDS = (2, 6, 28, 34, 40, 46)
OBJECT_COUNT = 34
ARRAY_COUNT = 46
ELEMENT_TYPE = 50


def load(data, version=2):
    """setPack's outcome for data: the dict, or the tarvo.error message."""
    p = new_pack(version, 4096)
    try:
        p.setPack(data)
    except _tarvo.error, message:
        return message
    return p.getdict()


class GoldenTest(TarvoCase):
    def test_sample_reads(self):
        self.assertEqual(load(SAMPLE_V2), SAMPLE_DICT)
        self.assertEqual(_tarvo.version(SAMPLE_V2), 2)
        self.assertEqual(load(SAMPLE_V1, 1), {"i": ("int32", 5), "o": ("obj", {"s": ("str", "ab")})})
        self.assertEqual(_tarvo.version(SAMPLE_V1), 1)

    def test_writer_makes_the_same_items(self):
        # the writer's item order follows the dict, so compare item by item
        data = packed(2, {"i": ("int32", 5)}).getPack()
        self.assertEqual(data, golden("10 00 0c000000 01000000 14 02 6900 05000000"))


# What a damaged pack may be refused with, after the "[py_tarvo:<line>] " prefix.
REFUSALS = [r"open_w Length\[\d+\] of buffer\[<ptr>\] is fail, err\[TVO: Bad data\]",
            r"Invalid pack\[@:<ptr> size:\d+\]",
            r"Error fetching item count of pack\[@:<ptr>\], err\[TVO: Bad data\]",
            r"Error getting first item of pack\[<ptr>\], err\[TVO: Bad data\]",
            r"Error getting \d+th item\(next to \[<ptr>\]\) of pack\[<ptr>\], err\[TVO: Bad data\]",
            r"Pack\[@:<ptr>\] holds more items than its count\[\d+\], err\[TVO: Bad data\]",
            r"_PyTarvo_PackItemToObject: Malformed item\[.*\] type\[\d+\] size\[\d+\]"]
REFUSED = re.compile(r"\[py_tarvo:\d+\] (?:%s)\Z" % "|".join(REFUSALS).replace("<ptr>", PTR))
WORDS = ("obj", "arr", "raw", "str", "int32", "uint32", "int64", "uint64", "double", "float",
         "boolean", "none")


class TruncationTest(TarvoCase):
    def test_every_prefix(self):
        for version, data in ((2, SAMPLE_V2), (1, SAMPLE_V1)):
            for n in range(len(data)):
                prefix = data[:n]
                code = "Bad parameter" if n < 4 else "Bad data"
                self.assertTarvoError("open_w Length[%d] of buffer[<ptr>] is fail, err[TVO: %s]"
                                      % (n, code), new_pack(version).setPack, prefix)
                self.assertTarvoError("tarvo data error, err[TVO: %s]" % code, _tarvo.version,
                                      prefix)


class CorruptionTest(TarvoCase):
    def assertWellFormed(self, value):
        """value is a (type word, value) tuple of the module, nested ones too."""
        self.assertIsInstance(value, tuple)
        self.assertEqual(len(value), 2)
        self.assertIn(value[0], WORDS)
        if value[0] == "obj":
            for key, item in value[1].items():
                self.assertIsInstance(key, str)
                self.assertWellFormed(item)
        elif value[0] == "arr":
            for item in value[1]:
                self.assertWellFormed(item)

    def refused_or_read(self, data):
        """data either loads into a dict of well-formed tuples, whose version
        is then 2, or is refused with one of the module's refusals, and
        version refuses exactly what the open refuses."""
        result = load(data)
        if isinstance(result, str):
            self.assertRegexpMatches(result, REFUSED)
        else:
            self.assertWellFormed(("obj", result))
        if isinstance(result, str) and " open_w " in result:
            self.assertTarvoError("tarvo data error, err[TVO: Bad data]", _tarvo.version, data)
        else:
            self.assertEqual(_tarvo.version(data), 2)
        return result

    def test_length_fields_at_their_maximum(self):
        for offset in LENGTH_FIELDS:
            for value in (0xffffffff, 0x7fffffff, 0x80000000, len(SAMPLE_V2)):
                data = SAMPLE_V2[:offset] + struct.pack("<I", value) + SAMPLE_V2[offset + 4:]
                self.assertNotEqual(self.refused_or_read(data), SAMPLE_DICT, (offset, value))

    def test_nested_counts_must_match_the_items(self):
        # Fewer items than counted, more items than counted, and a count no
        # int holds: bad data in the object "o" and in its array "a" alike.
        more = r"Pack\[@:<ptr>\] holds more items than its count\[0\], err\[TVO: Bad data\]"
        fewer = r"Error getting 2th item\(next to \[<ptr>\]\) of pack\[<ptr>\], err\[TVO: Bad data\]"
        huge = r"Error fetching item count of pack\[@:<ptr>\], err\[TVO: Bad data\]"
        for offset in (OBJECT_COUNT, ARRAY_COUNT):
            for count, expected in ((0, more), (2, fewer), (0xffffffff, huge)):
                data = SAMPLE_V2[:offset] + struct.pack("<I", count) + SAMPLE_V2[offset + 4:]
                message = load(data)
                self.assertIsInstance(message, str, (offset, count))
                self.assertRegexpMatches(message, r"^\[py_tarvo:\d+\] %s\Z"
                                         % expected.replace("<ptr>", PTR))
        for count in (0, 2):
            data = SAMPLE_V2[:6] + struct.pack("<I", count) + SAMPLE_V2[10:]
            p = new_pack(2)
            self.assertTarvoError("Invalid pack[@:<ptr> size:%d]" % len(data), p.setPack, data)
            # Nothing of a refused pack stays behind, also past its good items.
            self.assertEqual({}, p.getdict(), count)

    def test_list_walk_raises_on_bad_data(self):
        data = SAMPLE_V2[:ELEMENT_TYPE] + "\xff" + SAMPLE_V2[ELEMENT_TYPE + 1:]
        self.assertTarvoError("Error getting first item of pack[<ptr>], err[TVO: Bad data]",
                              new_pack(2).setPack, data)

    def test_every_byte_changed(self):
        for offset in range(len(SAMPLE_V2)):
            for value in (0x00, 0x01, 0x7f, 0x80, 0xff):
                data = SAMPLE_V2[:offset] + chr(value) + SAMPLE_V2[offset + 1:]
                self.refused_or_read(data)

    def test_count_beyond_the_reachable_items(self):
        data = golden("10 00 0c000000 02000000 14 02 6900 05000000")
        message = load(data)
        self.assertIsInstance(message, str)
        self.assertRegexpMatches(message, r"Invalid pack|Error getting 2th item")

    def test_string_without_its_nul(self):
        top = golden("10 00 09000000 01000000 d0 02 00 7300")  # STRING "s", value length 0
        nested = golden("10 00 15000000 01000000"
                        "10 02 09000000 6f00 01000000 d0 02 00 7300")  # the same inside "o"
        for data in (top, nested):
            message = load(data)
            self.assertIsInstance(message, str)
            self.assertRegexpMatches(message, r"Invalid pack|Error getting first item"
                                              r"|Malformed item\[s\] type\[32\] size\[0\]")

    def test_nesting_deeper_than_the_interpreter_allows(self):
        data = nested_objects(50)
        d = load(data)
        for _ in range(49):
            d = d["a"][1]
        self.assertEqual(d, {"a": ("obj", {})})
        data = nested_objects(3000)
        p = new_pack(2, len(data) + 1, 1 << 22)
        try:
            p.setPack(data)
        except RuntimeError, e:
            self.assertIn("while parsing a nested container", str(e))
        except _tarvo.error:
            pass  # the temp area ran out first
        else:
            self.fail("3000 nested objects were read")

    def test_version_leaves_the_callers_bytes(self):
        data = SAMPLE_V2 + "tail"
        before = str(bytearray(data))
        tarvo_error(_tarvo.version, data[:5])
        _tarvo.version(data)
        self.assertEqual(data, before)


if __name__ == "__main__":
    unittest.main()
