# Python's plistlib as an independent reader and writer for tst_plist: values travel as tagged JSON so that
# types, key order and exact bits survive the trip between the two languages.
import base64
import datetime
import json
import plistlib
import struct
import sys

REFERENCE = datetime.datetime(2001, 1, 1)


def describe(value):
    if isinstance(value, bool):
        return ["bool", value]
    if isinstance(value, int):
        return ["int", str(value)]
    if isinstance(value, float):
        return ["real", str(struct.unpack("<q", struct.pack("<d", value))[0])]
    if isinstance(value, str):
        return ["string", value]
    if isinstance(value, bytes):
        return ["data", base64.b64encode(value).decode("ascii")]
    if isinstance(value, datetime.datetime):
        return ["date", (value - REFERENCE) // datetime.timedelta(seconds=1)]
    if isinstance(value, list):
        return ["array", [describe(v) for v in value]]
    if isinstance(value, dict):
        return ["dict", [[k, describe(v)] for k, v in value.items()]]
    raise TypeError(type(value))


def build(tagged):
    kind, payload = tagged
    if kind == "bool":
        return payload
    if kind == "int":
        return int(payload)
    if kind == "real":
        return struct.unpack("<d", struct.pack("<q", int(payload)))[0]
    if kind == "string":
        return payload
    if kind == "data":
        return base64.b64decode(payload)
    if kind == "date":
        return REFERENCE + datetime.timedelta(seconds=payload)
    if kind == "array":
        return [build(v) for v in payload]
    if kind == "dict":
        return {k: build(v) for k, v in payload}
    raise ValueError(kind)


def main():
    command, source, target = sys.argv[1:4]
    if command == "describe":  # plist file -> tagged JSON
        with open(source, "rb") as f:
            value = plistlib.load(f)
        with open(target, "w", encoding="utf-8") as f:
            json.dump(describe(value), f)
    elif command == "build":  # tagged JSON -> plist file
        with open(source, encoding="utf-8") as f:
            value = build(json.load(f))
        with open(target, "wb") as f:
            plistlib.dump(value, f, sort_keys=False)
    elif command == "redump":  # plist file -> plistlib's own rendering of the same values
        with open(source, "rb") as f:
            value = plistlib.load(f)
        with open(target, "wb") as f:
            plistlib.dump(value, f, sort_keys=False)
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
