#!/usr/bin/env python3
"""Reads a Windows CE install header (a cabinet's .000 file) field by field, as the public
description of the format lays it out ("Windows CE installation cabinet (.CAB) file format",
published with cabextract), without the project's own writer or reader.

    read_install_header.py <file.000> [name=value ...]

Prints every field as name=value, one a line. With name=value arguments it checks those
fields and exits 1, naming each one that differs; it exits 2 when the file is not laid out
as the description says.
"""
import struct
import sys


class Broken(Exception):
    pass


def u16(data, at):
    if at + 2 > len(data):
        raise Broken("16-bit number at %d lies past the end" % at)
    return struct.unpack_from("<H", data, at)[0]


def u32(data, at):
    if at + 4 > len(data):
        raise Broken("32-bit number at %d lies past the end" % at)
    return struct.unpack_from("<I", data, at)[0]


def text(data, at, length):
    raw = data[at:at + length]
    if len(raw) != length or length == 0 or raw[-1] != 0 or 0 in raw[:-1]:
        raise Broken("text at %d of %d bytes is not one terminated text" % (at, length))
    return raw[:-1].decode("latin-1")


def id_list(data, at, length):
    numbers = [u16(data, at + 2 * i) for i in range(length // 2)]
    if length % 2 or not numbers or numbers[-1] != 0 or 0 in numbers[:-1]:
        raise Broken("list of string numbers at %d is not terminated by its only 0" % at)
    return numbers[:-1]


def read(data):
    fields = {}
    if len(data) < 100 or data[0:4] != b"MSCE":
        raise Broken("no MSCE signature or shorter than the 100-byte fixed header")
    # The fixed header: offsets 0 to 99.
    fields["word4"] = u32(data, 4)
    fields["length"] = u32(data, 8)
    fields["word12"] = u32(data, 12)
    fields["word16"] = u32(data, 16)
    fields["architecture"] = u32(data, 20)
    fields["min_version"] = "%d.%d" % (u32(data, 24), u32(data, 28))
    fields["max_version"] = "%d.%d" % (u32(data, 32), u32(data, 36))
    fields["min_build"] = u32(data, 40)
    fields["max_build"] = u32(data, 44)
    names = ["strings", "dirs", "files", "reghives", "regkeys", "links"]
    counts = dict(zip(names, (u16(data, 48 + 2 * i) for i in range(6))))
    offsets = dict(zip(names, (u32(data, 60 + 4 * i) for i in range(6))))
    for name in names:
        fields["count_" + name] = counts[name]
    if fields["length"] != len(data):
        raise Broken("length field %d, file %d bytes" % (fields["length"], len(data)))
    fields["appname"] = text(data, u16(data, 84), u16(data, 86))
    fields["provider"] = text(data, u16(data, 88), u16(data, 90))
    fields["unsupported_length"] = u16(data, 94)

    at = offsets["strings"]
    strings = {}
    for _ in range(counts["strings"]):
        sid, length = u16(data, at), u16(data, at + 2)
        strings[sid] = text(data, at + 4, length)
        at += 4 + length

    def path(numbers):
        try:
            return "\\".join(strings[n] for n in numbers)
        except KeyError as missing:
            raise Broken("string %s is not in the STRINGS section" % missing)

    at = offsets["dirs"]
    dirs = {}
    for _ in range(counts["dirs"]):
        did, length = u16(data, at), u16(data, at + 2)
        dirs[did] = path(id_list(data, at + 4, length))
        at += 4 + length

    at = offsets["files"]
    files = []
    for _ in range(counts["files"]):
        fid, did, _unknown, flags, length = struct.unpack_from("<HHHIH", data, at)
        if did not in dirs:
            raise Broken("file %d goes to directory %d, which is not in DIRS" % (fid, did))
        files.append("%d:%s\\%s" % (fid, dirs[did], text(data, at + 12, length)))
        at += 12 + length
    fields["files"] = ",".join(files)

    at = offsets["reghives"]
    hives = {}
    for _ in range(counts["reghives"]):
        hid, root, _unknown, length = struct.unpack_from("<HHHH", data, at)
        hives[hid] = ["HKCR", "HKCU", "HKLM", "HKU"][root - 1] + "\\" + path(id_list(data, at + 8, length))
        at += 8 + length

    at = offsets["regkeys"]
    values = []
    for _ in range(counts["regkeys"]):
        _kid, hid, _substitute, kind, length = struct.unpack_from("<HHHIH", data, at)
        raw = data[at + 12:at + 12 + length]
        name = raw[:raw.index(0)].decode("latin-1")
        values.append("%s\\%s:%#x" % (hives[hid], name, kind))
        at += 12 + length
    fields["regkeys"] = ",".join(values)

    at = offsets["links"]
    links = []
    for _ in range(counts["links"]):
        _lid, _unknown, base, target, kind, length = struct.unpack_from("<HHHHHH", data, at)
        links.append("%%CE%d%%\\%s->%s%d" % (base, path(id_list(data, at + 12, length)), "file" if kind else "dir",
                                            target))
        at += 12 + length
    fields["links"] = ",".join(links)
    return fields


def main():
    data = open(sys.argv[1], "rb").read()
    try:
        fields = read(data)
    except (Broken, struct.error, ValueError, IndexError) as fault:
        print("%s: not an install header as described: %s" % (sys.argv[1], fault))
        return 2
    for name, value in fields.items():
        print("%s=%s" % (name, value))
    wrong = 0
    for expectation in sys.argv[2:]:
        name, _, value = expectation.partition("=")
        if str(fields.get(name)) != value:
            print("MISMATCH %s: %s, expected %s" % (name, fields.get(name), value), file=sys.stderr)
            wrong += 1
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
