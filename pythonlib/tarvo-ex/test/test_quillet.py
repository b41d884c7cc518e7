"""_tarvo.quillet2tarvo: quillet records in, version-2 pack bytes out."""
import struct
import unittest

import _tarvo
from tarvo_testlib import TarvoCase, golden, new_pack

SMALL = "quillet 2 tarvo failed, maybe the max_tarvo_size_threshold is much small"


def item(type_byte, name, value):
    """One quillet item; a name is stored with its NUL."""
    stored = name + "\0" if name else ""
    if type_byte & 0x0F:
        length = ""
    elif type_byte & 0x80:
        length = chr(len(value))
    else:
        length = struct.pack("<I", len(value))
    return chr(type_byte) + chr(len(stored)) + length + stored + value


def obj(name, *items):
    return item(0x10, name, struct.pack("<I", len(items)) + "".join(items))


# Root object {a: int8 -1}: 15 bytes whose pack takes 18 (int32 item), so
# the capacity 15 fails and 30 holds it.
INT8_RECORD = obj("", item(0x11, "a", "\xff"))
INT8_PACK = golden("10 00 0c000000 01000000 | 14 02 6100 ffffffff")


class ConversionTest(TarvoCase):
    def test_result_is_exactly_the_pack(self):
        self.assertEqual(len(INT8_RECORD), 15)
        for threshold in (31, 100, 4096):
            self.assertEqual(_tarvo.quillet2tarvo(INT8_RECORD, threshold), INT8_PACK)
        self.assertEqual(_tarvo.quillet2tarvo(buffer(INT8_RECORD), 100), INT8_PACK)
        # and reads back as a version-2 pack
        p = new_pack(2)
        p.setPack(_tarvo.quillet2tarvo(INT8_RECORD, 100))
        self.assertEqual(p.getdict(), {"a": ("int32", -1)})

    def test_capacities_double_until_the_pack_fits(self):
        # 20 int8 elements of a root isoarray: 27 quillet bytes, a 130-byte
        # pack of nameless int32 items; 27, 54 and 108 are too small.
        record = item(0x30, "", "\x11" + "\x05" * 20)
        self.assertEqual(len(record), 27)
        result = _tarvo.quillet2tarvo(record, 217)
        self.assertEqual(result, golden("10 00 7c000000 14000000") + "\x14\x00\x05\x00\x00\x00" * 20)
        for threshold in (26, 27, 108, 216):
            self.assertTarvoError(SMALL, _tarvo.quillet2tarvo, record, threshold)

    def test_threshold_at_or_below_what_works(self):
        for threshold in (0, 14, 15, 29, 30):
            self.assertTarvoError(SMALL, _tarvo.quillet2tarvo, INT8_RECORD, threshold)


class RefusalTest(TarvoCase):
    def test_arguments(self):
        for args in ((INT8_RECORD,), (INT8_RECORD, "100"), (INT8_RECORD, 1.5), (5, 100),
                     (INT8_RECORD, 100, 1), (INT8_RECORD, 2 ** 40)):
            self.assertTarvoError("Invalid args", _tarvo.quillet2tarvo, *args)

    def test_negative_threshold_is_a_memory_error(self):
        for threshold in (-1, -2 ** 31):
            self.assertRaises(MemoryError, _tarvo.quillet2tarvo, INT8_RECORD, threshold)

    def test_roots_that_are_no_container(self):
        self.assertTarvoError("quillet 2 tarvo failed: tal::BadArgumentException: "
                              "Only Dict/Array is accepted",
                              _tarvo.quillet2tarvo, item(0x14, "", "\x01\x00\x00\x00"), 100)

    def test_malformed_records_raise_and_leave_the_interpreter_alive(self):
        record = obj("", item(0x11, "a", "\xff"), item(0xd0, "s", "hi\0"))
        broken = [record[:n] for n in range(len(record))]
        broken += [
            "\x58\x00" + "\x00" * 8,                          # unknown type byte
            "\x10\x00\xff\xff\xff\xff\x01\x00\x00\x00",       # content beyond the input
            # an inner text longer than its container
            item(0x10, "", struct.pack("<I", 1) + "\x50\x00" + struct.pack("<I", 100) + "x\0"),
        ]
        for data in broken:
            message = self.assertTarvoError("quillet 2 tarvo failed: tal::<any>",
                                            _tarvo.quillet2tarvo, data, 1000)
            self.assertNotIn("TarvoSerializerException", message)
        self.assertTarvoError("quillet 2 tarvo failed: tal::OutOfBoundException: "
                              "buffer too small! max_size[3] expect[>=6]",
                              _tarvo.quillet2tarvo, "\x10\x00\x09", 1000)
        # still converting afterwards
        self.assertEqual(_tarvo.quillet2tarvo(INT8_RECORD, 100), INT8_PACK)

    def test_nesting_beyond_the_reader_limit(self):
        inner = obj("o", item(0x11, "a", "\xff"))
        for _ in range(200):
            inner = obj("o", inner)
        record = obj("", inner)
        self.assertTarvoError("quillet 2 tarvo failed: tal::ParseErrorException: <any>",
                              _tarvo.quillet2tarvo, record, 1 << 20)


if __name__ == "__main__":
    unittest.main()
