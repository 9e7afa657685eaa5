#!/usr/bin/env python3
"""Damages a Windows CE install header (.000) the way a hostile or broken package would,
laid out as the public description of the format has it ("Windows CE installation cabinet
(.CAB) file format"): a 100-byte fixed part (section counts at 48, section offsets at 60,
name offset/length pairs at 84) and sections of entries.

    hostile_header.py <file.000> <damage> [arguments]

Damages:
  rename-file <number> <name>   the installed name of file <number>
  rename-string <text> <new>    a string of the STRINGS section (a folder's or key's part)
  string-zero <text>            gives that string the number 0
  list-zero                     a 0 before the end of the first folder's list of strings
  replace <old> <new>           the same number of bytes, anywhere after the fixed part
                                (Python escapes: \\0 a zero byte, \\\\ a backslash)
  old-layout                    the fixed part one word short, as an earlier writer laid it out
  offset                        the FILES section placed far beyond the end
  cut                           the header cut to half its length
"""
import struct
import sys

SECTIONS = ["strings", "dirs", "files", "reghives", "regkeys", "links"]


def counts(data):
    return dict(zip(SECTIONS, struct.unpack_from("<6H", data, 48)))


def offsets(data):
    return dict(zip(SECTIONS, struct.unpack_from("<6I", data, 60)))


def resize(data, at, old_length, new_bytes, length_field):
    """Replaces old_length bytes at `at` with new_bytes, moving what follows and every
    offset that points past `at`, and writes the new length into the 16-bit length_field."""
    delta = len(new_bytes) - old_length
    data[at:at + old_length] = new_bytes
    for i in range(6):
        value = struct.unpack_from("<I", data, 60 + 4 * i)[0]
        if value > at:
            struct.pack_into("<I", data, 60 + 4 * i, value + delta)
    for field in (84, 88, 92):
        value = struct.unpack_from("<H", data, field)[0]
        if value > at:
            struct.pack_into("<H", data, field, value + delta)
    struct.pack_into("<H", data, length_field, len(new_bytes))
    struct.pack_into("<I", data, 8, len(data))


def find_file(data, number):
    at = offsets(data)["files"]
    for _ in range(counts(data)["files"]):
        fid, length = struct.unpack_from("<H", data, at)[0], struct.unpack_from("<H", data, at + 10)[0]
        if fid == number:
            return at, length
        at += 12 + length
    raise SystemExit("no file %d" % number)


def find_string(data, text):
    at = offsets(data)["strings"]
    for _ in range(counts(data)["strings"]):
        length = struct.unpack_from("<H", data, at + 2)[0]
        if bytes(data[at + 4:at + 4 + length]) == text.encode("latin-1") + b"\0":
            return at, length
        at += 4 + length
    raise SystemExit("no string %r" % text)


def main():
    path, damage, arguments = sys.argv[1], sys.argv[2], sys.argv[3:]
    data = bytearray(open(path, "rb").read())
    if damage == "rename-file":
        at, length = find_file(data, int(arguments[0]))
        resize(data, at + 12, length, arguments[1].encode("latin-1") + b"\0", at + 10)
    elif damage == "rename-string":
        at, length = find_string(data, arguments[0])
        resize(data, at + 4, length, arguments[1].encode("latin-1") + b"\0", at + 2)
    elif damage == "string-zero":
        at, _ = find_string(data, arguments[0])
        struct.pack_into("<H", data, at, 0)
    elif damage == "list-zero":
        at = offsets(data)["dirs"]
        struct.pack_into("<H", data, at + 4, 0)
    elif damage == "replace":
        old, new = (a.encode("latin-1").decode("unicode_escape").encode("latin-1") for a in arguments)
        assert len(old) == len(new) and data.find(old, 100) > 0
        at = data.find(old, 100)
        data[at:at + len(old)] = new
    elif damage == "old-layout":
        data = data[:12] + data[16:100] + bytes(4) + data[100:]
    elif damage == "offset":
        struct.pack_into("<I", data, 68, 0x7FFFFFF0)
    elif damage == "cut":
        data = data[:len(data) // 2]
    else:
        raise SystemExit("unknown damage " + damage)
    open(path, "wb").write(data)


if __name__ == "__main__":
    main()
