"""The build banner of _tarvo.so, and that importing the module never prints it."""
import os
import re
import subprocess
import sys
import unittest

import _tarvo

BANNER = [
    r"LdSo      : /lib64/ld-linux-x86-64\.so\.2",
    r"Project   : tarvo python extension for tarvo2",
    r"Version   : tarvo-ex 1\.2\.2\.0 python version:%s " % re.escape("%d.%d.%d" % sys.version_info[:3]),
    r"CVS       : \S*pythonlib/tarvo-ex",
    r"CVSTag    : tarvo-ex_1-2-2-0_\w+",
    r"BuildDate : (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 1-3]\d \d{4} \d\d:\d\d:\d\d",
]


def run(argv):
    child = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out, err = child.communicate()
    return child.returncode, out, err


class BannerTest(unittest.TestCase):
    def check_banner(self, args):
        status, out, err = run([os.path.abspath(_tarvo.__file__)] + args)
        self.assertEqual(status, 0, err)
        self.assertTrue(out.endswith("\n"), out)
        lines = out[:-1].split("\n")
        self.assertEqual(len(lines), len(BANNER), out)
        for line, pattern in zip(lines, BANNER):
            self.assertRegexpMatches(line, "^" + pattern + "$")

    def test_executed_without_arguments(self):
        self.check_banner([])

    def test_executed_with_arguments(self):
        self.check_banner(["--help", "x", ""])

    def test_import_prints_nothing(self):
        status, out, err = run([sys.executable, "-c", "import _tarvo; print(_tarvo.error)"])
        self.assertEqual(status, 0, err)
        self.assertEqual(out, "tarvo.error\n")


if __name__ == "__main__":
    unittest.main()
