#!/usr/bin/env python3
"""Marks linked PE images as Windows CE GUI programs (subsystem 9), which the linker does
not offer, and recomputes the header checksum when the image carries one.
Usage: set-ce-subsystem.py <image>..."""
import struct
import sys

SUBSYSTEM_WINDOWS_CE_GUI = 9


def checksum(data, field):
    total = 0
    padded = data + b"\0" * (len(data) % 2)
    for i in range(0, len(padded), 2):
        if field <= i < field + 4:
            continue
        total += struct.unpack_from("<H", padded, i)[0]
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(data)


def mark(path):
    data = bytearray(open(path, "rb").read())
    optional = struct.unpack_from("<I", data, 0x3C)[0] + 24
    if data[optional - 24:optional - 20] != b"PE\0\0":
        raise SystemExit("%s: not a PE image" % path)
    struct.pack_into("<H", data, optional + 68, SUBSYSTEM_WINDOWS_CE_GUI)
    if struct.unpack_from("<I", data, optional + 64)[0] != 0:
        struct.pack_into("<I", data, optional + 64, checksum(bytes(data), optional + 64))
    open(path, "wb").write(bytes(data))


for image in sys.argv[1:]:
    mark(image)
