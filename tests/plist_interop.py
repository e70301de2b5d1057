# Python's plistlib as an independent reader and writer for tst_plist: values travel as tagged JSON so that
# types, key order and exact bits survive the trip between the two languages.
import base64
import datetime
import json
import plistlib
import struct
import sys

REFERENCE = datetime.datetime(2001, 1, 1)
SECOND = datetime.timedelta(seconds=1)
# kind, Python type, to JSON, from JSON; bool comes before int, which it is a kind of.
KINDS = [
    ("bool", bool, bool, bool),
    ("int", int, str, int),
    ("real", float, lambda v: str(struct.unpack("<q", struct.pack("<d", v))[0]),
     lambda p: struct.unpack("<d", struct.pack("<q", int(p)))[0]),
    ("string", str, str, str),
    ("data", bytes, lambda v: base64.b64encode(v).decode("ascii"), base64.b64decode),
    ("date", datetime.datetime, lambda v: (v - REFERENCE) // SECOND, lambda p: REFERENCE + p * SECOND),
    ("array", list, lambda v: [describe(x) for x in v], lambda p: [build(x) for x in p]),
    ("dict", dict, lambda v: [[k, describe(x)] for k, x in v.items()], lambda p: {k: build(x) for k, x in p}),
]


def describe(value):
    kind, _, encode, _ = next(k for k in KINDS if isinstance(value, k[1]))
    return [kind, encode(value)]


def build(tagged):
    return next(k[3] for k in KINDS if k[0] == tagged[0])(tagged[1])


def load_plist(path):
    with open(path, "rb") as f:
        return plistlib.load(f)


def dump_plist(value, path):
    with open(path, "wb") as f:
        plistlib.dump(value, f, sort_keys=False)


command, source, target = sys.argv[1:4]
if command == "describe":  # plist file -> tagged JSON
    with open(target, "w", encoding="utf-8") as f:
        json.dump(describe(load_plist(source)), f)
elif command == "build":  # tagged JSON -> plist file
    with open(source, encoding="utf-8") as f:
        dump_plist(build(json.load(f)), target)
elif command == "redump":  # plist file -> plistlib's own rendering of the same values
    dump_plist(load_plist(source), target)
else:
    sys.exit("unknown command " + command)
