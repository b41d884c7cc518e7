"""Shared helpers of the _tarvo tests: error matching, golden bytes, builders."""
import binascii
import re
import struct
import subprocess
import sys
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


def nested_objects(depth):
    """A version-2 pack of depth objects "a", each the only item of its parent."""
    # Each level's content is its count, the 8 header and name bytes of the
    # next level and that level's content: 12 bytes more than the next.
    heads = []
    for level in range(depth):
        inner = 4 + 12 * (depth - 1 - level)
        count = 1 if level < depth - 1 else 0
        heads.append("\x10\x02" + struct.pack("<I", inner) + "a\x00" + struct.pack("<I", count))
    return "\x10\x00" + struct.pack("<I", 4 + 12 * depth) + struct.pack("<I", 1) + "".join(heads)


def nested_dict(depth):
    """A dict of depth nested ("obj", dict) entries under the key "a"."""
    top = {}
    current = top
    for _ in range(depth):
        inner = {}
        current["a"] = ("obj", inner)
        current = inner
    return top


def run_child(module, function, *args):
    """Exit status and output of module.function(*args) run in a child
    interpreter, so that a crash or a hang ends the child and not the run."""
    code = "import sys; sys.path[:0] = %r; import %s; %s.%s(*%r)" % (
        sys.path, module, module, function, args)
    child = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT)
    output = child.communicate()[0]
    return child.returncode, output


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

    def assertChildPrints(self, expected, module, function, *args):
        """module.function(*args) ends normally in a child interpreter and
        prints exactly the lines expected."""
        status, output = run_child(module, function, *args)
        self.assertEqual((status, output.splitlines()), (0, expected), output)
