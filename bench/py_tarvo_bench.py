"""Pack and parse through _tarvo beside marshal, cPickle (protocol 2) and json,
on the same dict of (type word, value) tuples, in the same process.

Run with the interpreter the module was built for, the module on the path:

    PYTHONPATH=build/pythonlib/tarvo-ex /root/.pyenv/versions/2.7.18/bin/python2.7 bench/py_tarvo_bench.py

Each figure is the best of 5 runs of 200 loops in each of 3 interpreters,
in microseconds per loop; each data set runs in interpreters of its own,
every library beside the others.
"pack" is reset() + getdict().update(d) + pack(); "parse" is parse() of a
pack already in the buffer (as after recv); "setPack" copies the bytes in and
parses them. The ratio column is _tarvo over marshal. A second table sets
setPack beside parse plus one copy of the pack's bytes (ctypes.memmove into a
buffer of the pack's capacity).
"""
import cPickle
import ctypes
import json
import marshal
import random
import subprocess
import sys
import timeit

import _tarvo

REPEAT = 5
PROCESSES = 3
LOOPS = 200
CAPACITY = 1 << 20
LIBRARIES = ("_tarvo", "marshal", "cPickle", "json")


def flat_scalars(rng):
    d = {}
    for i in range(200):
        d["int%d" % i] = ("int64", rng.randint(-2 ** 62, 2 ** 62))
    for i in range(100):
        d["dbl%d" % i] = ("double", rng.uniform(-1e9, 1e9))
    return d


def nested(rng):
    items = []
    for i in range(100):
        items.append(("obj", {
            "name": ("str", "item-%d" % i),
            "id": ("int64", rng.randint(0, 2 ** 40)),
            "score": ("double", rng.random()),
            "ok": ("boolean", i % 2 == 0),
            "v": ("arr", [("int64", rng.randint(0, 1000)) for _ in range(3)]),
        }))
    return {"items": ("arr", items)}


def string_heavy(rng):
    letters = "abcdefghijklmnopqrstuvwxyz0123456789"
    return dict(("s%d" % i, ("str", "".join(rng.choice(letters)
                                            for _ in range(rng.randint(20, 220)))))
                for i in range(300))


def raw_heavy(rng):
    return dict(("r%d" % i, ("raw", "".join(chr(rng.randint(0, 255)) for _ in range(256)) * 256))
                for i in range(8))


DATA_SETS = [("flat scalars", flat_scalars), ("nested", nested),
             ("string-heavy", string_heavy), ("raw-heavy", raw_heavy)]


def best(fn):
    """Best of REPEAT runs of LOOPS calls of fn, in microseconds per call."""
    return min(timeit.repeat(fn, repeat=REPEAT, number=LOOPS)) / LOOPS * 1e6


def measure(d):
    """Microseconds per loop of every step, by (step, library)."""
    p = _tarvo.tarvo(2, CAPACITY, CAPACITY)

    def tarvo_pack():
        p.reset()
        p.getdict().update(d)
        p.pack()

    tarvo_pack()
    data = p.getPack()
    q = _tarvo.tarvo(2, CAPACITY, CAPACITY)
    q.setPack(data)
    if q.getdict() != d:
        raise AssertionError("the pack does not read back as its dict")
    m = marshal.dumps(d)
    c = cPickle.dumps(d, 2)
    # json takes the raw bytes as latin-1 text, so that any byte goes through
    j = json.dumps(d, encoding="latin-1")
    r = {
        ("pack", "_tarvo"): best(tarvo_pack),
        ("pack", "marshal"): best(lambda: marshal.dumps(d)),
        ("pack", "cPickle"): best(lambda: cPickle.dumps(d, 2)),
        ("pack", "json"): best(lambda: json.dumps(d, encoding="latin-1")),
        ("parse", "_tarvo"): best(q.parse),
        ("parse", "marshal"): best(lambda: marshal.loads(m)),
        ("parse", "cPickle"): best(lambda: cPickle.loads(c)),
        ("parse", "json"): best(lambda: json.loads(j)),
        ("setPack", "_tarvo"): best(lambda: q.setPack(data)),
    }
    # setPack is parse behind a copy: it stands beside the same marshal.loads
    r["setPack", "marshal"] = r["parse", "marshal"]
    area = ctypes.create_string_buffer(CAPACITY)
    r["copy", "_tarvo"] = best(lambda: ctypes.memmove(area, data, len(data)))
    return r


def report(name):
    """Prints the measurements of one data set as a dict literal."""
    r = measure(dict(DATA_SETS)[name](random.Random(18)))
    print repr(r)


def best_of_processes(name):
    runs = [eval(subprocess.check_output([sys.executable, __file__, name]))
            for _ in range(PROCESSES)]
    return dict((k, min(r[k] for r in runs)) for k in runs[0])


def main():
    if len(sys.argv) > 1:
        report(sys.argv[1])
        return
    # Interpreters of their own, so that no figure depends on the heap the
    # data sets before it left behind; each figure is the best of PROCESSES
    # of them, as one process's heap layout can slow every run in it.
    results = [(name, best_of_processes(name)) for name, _ in DATA_SETS]
    print "| data set | step | %s | ratio to marshal |" % " | ".join(LIBRARIES)
    print "|---|---|%s---:|" % ("---:|" * len(LIBRARIES))
    for name, r in results:
        for step in ("pack", "parse", "setPack"):
            cells = ["%.1f" % r[step, lib] if (step, lib) in r else "" for lib in LIBRARIES]
            print "| %s | %s | %s | %.2f |" % (name, step, " | ".join(cells),
                                               r[step, "_tarvo"] / r[step, "marshal"])
    print
    print "| data set | setPack | parse + one copy | ratio |"
    print "|---|---:|---:|---:|"
    for name, r in results:
        bound = r["parse", "_tarvo"] + r["copy", "_tarvo"]
        print "| %s | %.1f | %.1f | %.2f |" % (name, r["setPack", "_tarvo"], bound,
                                             r["setPack", "_tarvo"] / bound)
    print
    print ("Times in microseconds per loop, best of %d runs of %d loops in each of %d processes."
           % (REPEAT, LOOPS, PROCESSES))


if __name__ == "__main__":
    main()
