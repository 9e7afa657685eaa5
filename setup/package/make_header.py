#!/usr/bin/env python3
"""Draws header.bmp, the sample header picture of the menu bars (240x60, 24-bit).

A dark blue band that lightens to the right, with a thin light line near the bottom and
a row of round dots at the left, so that any cut of the picture (the launcher shows the
middle BitmapHeight rows of it, and columns from 0 up to the screen width) still reads
as a header. Run it again after changing the design; the .bmp is committed.
"""
import os
import struct

WIDTH, HEIGHT = 240, 60
HERE = os.path.dirname(os.path.abspath(__file__))


def colour(x, y):
    # Background: from (20, 40, 90) at the left to (40, 90, 160) at the right.
    t = x / (WIDTH - 1)
    r, g, b = 20 + 20 * t, 40 + 50 * t, 90 + 70 * t
    if y in (HEIGHT - 8, HEIGHT - 7):
        r, g, b = 230, 200, 90
    for i in range(4):
        cx, cy = 20 + 22 * i, HEIGHT // 2 - 3
        if (x - cx) ** 2 + (y - cy) ** 2 <= 64:
            r, g, b = 240, 240, 240 - 40 * i
    return int(r), int(g), int(b)


def main():
    row_size = (WIDTH * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = colour(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, "header.bmp"), "wb") as out:
        out.write(header + info + pixels)


if __name__ == "__main__":
    main()
