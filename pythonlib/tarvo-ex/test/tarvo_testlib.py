"""Shared helpers of the _tarvo tests: error matching, golden bytes, builders."""
import binascii
import re
import unittest

import _tarvo

# "[py_tarvo:<line>] " opens every message the module raises itself.
PREFIX = r"\[py_tarvo:\d+\] "
# How the interpreter's formatting prints a pointer ("%p").
PTR = r"0x(?:[0-9a-f]+|\(nil\))"


def golden(hex_text):
    """Bytes of a hex literal; blanks and '|' field separators are ignored."""
    return binascii.unhexlify(re.sub(r"[\s|]", "", hex_text))


def addr(obj):
    """The address of a Python object as "%p" prints it."""
    return "0x%x" % id(obj)


def tarvo_error(fn, *args):
    """Message of the tarvo.error that fn(*args) raises."""
    try:
        fn(*args)
    except _tarvo.error, message:
        return message
    raise AssertionError("%r raised no tarvo.error" % (fn,))


def new_pack(version, total=4096, tmp=4096):
    return _tarvo.tarvo(version, total, tmp)


def packed(version, entries, total=4096):
    """A pack object of the version whose pack holds entries."""
    p = new_pack(version, total)
    for key, value in entries.items():
        p[key] = value
    p.pack()
    return p


def round_trip(version, entries, total=4096):
    """The dict that a fresh object parses from the bytes of entries."""
    data = packed(version, entries, total).getPack()
    q = new_pack(version, total)
    q.setPack(data)
    return q.getdict()


class TarvoCase(unittest.TestCase):
    def assertTarvoError(self, expected, fn, *args):
        """fn(*args) raises tarvo.error with "[py_tarvo:<line>] " + expected,
        where "<ptr>" stands for any pointer and "<any>" for any text."""
        pattern = re.escape(expected).replace(re.escape("<ptr>"), PTR)
        pattern = pattern.replace(re.escape("<any>"), ".*")
        message = tarvo_error(fn, *args)
        self.assertTrue(re.match(PREFIX + pattern + r"\Z", message),
                        "%r does not read %r" % (message, expected))
        return message

