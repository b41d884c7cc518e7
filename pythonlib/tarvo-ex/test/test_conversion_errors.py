"""Tuples the conversion refuses, with their exact messages."""
import unittest

from tarvo_testlib import TarvoCase, addr, golden, new_pack, tarvo_error

TO_PACK = "_PyTarvo_ObjectToPackItem"


class PutErrorTest(TarvoCase):
    def pack_with(self, key, value, total=4096):
        p = new_pack(2, total)
        p.getdict()[key] = value
        return p.pack

    def test_unknown_type_word(self):
        self.assertTarvoError(TO_PACK + ": Unknown type[abcdefghi...] not supported",
                              self.pack_with("k", ("abcdefghi", 1)))
        # at most ten characters of the word are shown
        self.assertTarvoError(TO_PACK + ": Unknown type[abcdefghij...] not supported",
                              self.pack_with("k", ("abcdefghijkl", 1)))

    def test_pack_word(self):
        self.assertTarvoError(TO_PACK + ": PCK not implemented", self.pack_with("k", ("pack", 1)))

    def test_container_words_check_their_value(self):
        value = [("int32", 1)]
        self.assertTarvoError("%s: %s is not an OBJ" % (TO_PACK, addr(value)),
                              self.pack_with("k", ("obj", value)))
        value = (("int32", 1),)
        self.assertTarvoError("%s: %s is not an ARR" % (TO_PACK, addr(value)),
                              self.pack_with("k", ("arr", value)))

    def test_integers_that_do_not_convert(self):
        for word, value in (("int32", 2 ** 70), ("uint32", "7"), ("int64", 2 ** 63),
                            ("uint64", 5), ("uint64", -1L), ("int32", None)):
            self.assertTarvoError("Invalid key[k] long object[@:%s]" % addr(value),
                                  self.pack_with("k", (word, value)))

    def test_other_values_that_do_not_convert(self):
        for word, value in (("double", "1.5"), ("float", None), ("boolean", None)):
            self.assertTarvoError("Invalid key[k] object[@:%s]" % addr(value),
                                  self.pack_with("k", (word, value)))

    def test_text_words_need_a_text(self):
        self.assertTarvoError("Error putting key[k] val[type:STR] into pack[@:<ptr>], "
                              "err[TVO: Bad parameter]", self.pack_with("k", ("STR", 5)))
        self.assertTarvoError("Error putting key[k] val[type:raw] into pack[@:<ptr>], "
                              "err[TVO: Bad parameter]", self.pack_with("k", ("raw", None)))

    def test_refusals_of_the_pack(self):
        self.assertTarvoError("Error putting key[k] val[type:str] into pack[@:<ptr>], "
                              "err[TVO: Not enough space]",
                              self.pack_with("k", ("str", "x" * 100), total=64))
        long_key = "n" * 300
        self.assertTarvoError("Error putting key[%s] val[type:int32] into pack[@:<ptr>], "
                              "err[TVO: Name too long]" % long_key,
                              self.pack_with(long_key, ("int32", 1)))
        self.assertTarvoError("Error putting object[k] into pack[@:<ptr>], "
                              "err[TVO: Not enough space]",
                              self.pack_with("k", ("obj", {}), total=12))

    def test_array_elements_show_no_key(self):
        self.assertTarvoError("Invalid key[(null)] long object[@:<ptr>]",
                              self.pack_with("k", ("arr", [("int32", 2 ** 70)])))

    def test_entries_that_are_not_pairs(self):
        for entry, text in ((["int32", 1], "must be a tuple, not list"),
                            (("arr", [5]), "must be a tuple, not int"),
                            (("arr", [["int32", 1]]), "must be a tuple, not list"),
                            (("obj", {"a": "int32"}), "must be a tuple, not str"),
                            (("int32", 1, 2), "takes exactly 2 arguments (3 given)")):
            with self.assertRaises(TypeError) as caught:
                self.pack_with("k", entry)()
            self.assertEqual(str(caught.exception), "[key]=(type,val)() " + text)
        self.assertRaises(TypeError, self.pack_with("k", (5, 1)))

    def test_keys_with_a_nul_byte(self):
        # Cut at the NUL, "a\0x" and "a\0y" would both become the name "a".
        for version in (1, 2):
            p = new_pack(version)
            self.assertTarvoError(r"Invalid key['a\x00x']: a name cannot hold a NUL byte",
                                  p.__setitem__, "a\0x", ("int32", 1))
            self.assertEqual(len(p), 0)
            p.getdict()["a\0y"] = ("int32", 2)
            self.assertTarvoError(r"Invalid key['a\x00y']: a name cannot hold a NUL byte", p.pack)
            p.reset()
            p["o"] = ("obj", {"\0": ("int32", 3)})
            self.assertTarvoError(r"Invalid key['\x00']: a name cannot hold a NUL byte", p.pack)
            p.getdict()["a\0z"] = ("int32", 4)
            del p["a\0z"]  # deletion stores no name
            self.assertEqual(p.getdict().keys(), ["o"])

    def test_keys_must_be_strings(self):
        self.assertTarvoError("key must be string", self.pack_with(1, ("int32", 1)))
        self.assertTarvoError("key must be string", self.pack_with(u"k", ("int32", 1)))

    def test_values_stay_owned_while_python_code_runs(self):
        p = new_pack(2)
        d = p.getdict()

        class Clearing(object):
            def __float__(self):
                d.clear()
                return 2.5

        d["a"] = ("double", Clearing())
        p.pack()
        self.assertEqual(p.items(), 1)

    def test_puts_before_a_failure_stay(self):
        p = new_pack(2)
        p["k"] = ("arr", [("int32", 1), ("int32", 2 ** 70), ("int32", 3)])
        tarvo_error(p.pack)
        self.assertEqual(p.size(), 4096)  # not recorded
        p.parse()
        self.assertEqual(p.getdict(), {"k": ("arr", [("int32", 1)])})


class ReadErrorTest(TarvoCase):
    def test_value_without_a_python_form(self):
        data = golden("10 00 09000000 01000000"   # root: content 9 bytes, 1 item
                      "11 02 6100 07")              # INT_8 "a" = 7: plain code 5
        self.assertTarvoError("_PyTarvo_PackItemToObject: Unknown type[5] not supported",
                              new_pack(2).setPack, data)


if __name__ == "__main__":
    unittest.main()
