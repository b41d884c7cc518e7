"""Packs a nested dict through _tarvo and parses it back from the bytes."""
import pprint

import _tarvo

ORDER = {
    "id": ("uint64", 90000000001L),
    "customer": ("str", "Ada"),
    "paid": ("boolean", True),
    "total": ("double", 31.5),
    "note": ("none", None),
    "address": ("obj", {
        "city": ("str", "Turku"),
        "zip": ("int32", 20100),
    }),
    "lines": ("arr", [
        ("obj", {"sku": ("str", "A-1"), "qty": ("int32", 2), "price": ("double", 10.0)}),
        ("obj", {"sku": ("str", "B-7"), "qty": ("int32", 1), "price": ("double", 11.5)}),
    ]),
    "thumbnail": ("raw", "\x89PNG\x00\x01"),
}


def main():
    for version in (2, 1):
        writer = _tarvo.tarvo(version, 4096, 4096)
        for key, value in ORDER.items():
            writer[key] = value
        writer.pack()
        data = writer.getPack()

        reader = _tarvo.tarvo(version, 4096, 4096)
        reader.setPack(data)
        print "version %d: %d bytes, %d top-level items, %r" % (
            _tarvo.version(data), len(data), reader.items(), reader)
        pprint.pprint(reader.getdict())
        print "same as packed:", reader.getdict() == ORDER
        print


if __name__ == "__main__":
    main()
