#!/usr/bin/env python3
"""Prints how many different colours a PNG file holds (8-bit RGB or RGBA, not interlaced), or,
with a colour RRGGBB after the file, how many of its pixels have that colour."""
import struct
import sys
import zlib


def colours(path, wanted=None):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise SystemExit(path + ': not a PNG file')
    pos, chunks, header = 8, [], None
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            chunks.append(body)
        pos += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace:
        raise SystemExit(path + ': unsupported PNG layout')
    channels = 3 if colour_type == 2 else 4
    raw = zlib.decompress(b''.join(chunks))
    stride = width * channels
    previous = bytearray(stride)
    seen = set()
    matching = 0
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                best = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + best) & 255
        for x in range(0, stride, channels):
            pixel = bytes(line[x:x + 3])
            seen.add(pixel)
            if pixel == wanted:
                matching += 1
        previous = line
    return matching if wanted is not None else len(seen)


if __name__ == '__main__':
    print(colours(sys.argv[1], bytes.fromhex(sys.argv[2]) if len(sys.argv) > 2 else None))
