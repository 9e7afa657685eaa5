#!/usr/bin/env python3
"""Draws the launcher's icons as .ico files (32-bit images with a mask).

Each design is drawn on a 64x64 grid of shapes in unit coordinates and sampled at
16, 32 and 64 pixels, so every size is the same picture. Run it again after changing
a design; the .ico files are committed.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r0, r1):
    return lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def thick_line(x0, y0, x1, y1, w):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        px, py = x0 + t * dx, y0 + t * dy
        return math.hypot(x - px, y - py) <= w / 2
    return inside


BLUE, WHITE, GREEN, RED, YELLOW, GREY, DARK, ORANGE = (
    (0x1E, 0x5A, 0xC8), (0xFF, 0xFF, 0xFF), (0x20, 0x9A, 0x40), (0xD0, 0x28, 0x28),
    (0xF0, 0xC0, 0x30), (0x90, 0x98, 0xA0), (0x30, 0x30, 0x38), (0xE0, 0x80, 0x20))

DESIGNS = {
    # program: a blue tile with a white F
    'program': [(rect(0.06, 0.06, 0.94, 0.94), BLUE), (rect(0.30, 0.20, 0.44, 0.80), WHITE),
                (rect(0.30, 0.20, 0.72, 0.33), WHITE), (rect(0.30, 0.45, 0.64, 0.57), WHITE)],
    # about: an "i" in a blue disc
    'about': [(circle(0.5, 0.5, 0.45), BLUE), (circle(0.5, 0.27, 0.08), WHITE),
              (rect(0.42, 0.40, 0.58, 0.78), WHITE)],
    # return: a green disc with a left arrow
    'return': [(circle(0.5, 0.5, 0.45), GREEN),
               (polygon([(0.18, 0.5), (0.45, 0.24), (0.45, 0.40), (0.80, 0.40), (0.80, 0.60),
                         (0.45, 0.60), (0.45, 0.76)]), WHITE)],
    # call: a yellow folder with an arrow into it
    'call': [(rect(0.08, 0.22, 0.45, 0.34), ORANGE), (rect(0.08, 0.30, 0.92, 0.84), YELLOW),
             (polygon([(0.32, 0.45), (0.55, 0.45), (0.55, 0.36), (0.75, 0.57), (0.55, 0.78),
                       (0.55, 0.69), (0.32, 0.69)]), DARK)],
    # exit: a red disc with a white cross
    'exit': [(circle(0.5, 0.5, 0.45), RED), (thick_line(0.3, 0.3, 0.7, 0.7, 0.14), WHITE),
             (thick_line(0.7, 0.3, 0.3, 0.7, 0.14), WHITE)],
    # default entry: a grey window with a title bar
    'default_entry': [(rect(0.08, 0.14, 0.92, 0.86), DARK), (rect(0.12, 0.28, 0.88, 0.82), WHITE),
                      (rect(0.18, 0.38, 0.70, 0.46), GREY), (rect(0.18, 0.54, 0.60, 0.62), GREY)],
    # arrows of the menu bars
    'arrow_up': [(polygon([(0.5, 0.15), (0.88, 0.75), (0.12, 0.75)]), DARK)],
    'arrow_down': [(polygon([(0.12, 0.25), (0.88, 0.25), (0.5, 0.85)]), DARK)],
}
SIZES = {'arrow_up': [32], 'arrow_down': [32]}


def render(shapes, size):
    """Returns rows (top first) of (b, g, r, a) pixels, 4x4 supersampled."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(4):
                for sx in range(4):
                    x, y = (px + (sx + 0.5) / 4) / size, (py + (sy + 0.5) / 4) / size
                    colour = None
                    for inside, c in shapes:
                        if inside(x, y):
                            colour = c
                    if colour:
                        acc[0] += colour[2]; acc[1] += colour[1]; acc[2] += colour[0]; acc[3] += 255
            a = acc[3] // 16
            if a:
                row.append((acc[0] * 255 // acc[3], acc[1] * 255 // acc[3], acc[2] * 255 // acc[3], a))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def image_bytes(rows, size):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes(p) for row in reversed(rows) for p in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def write_icon(name, shapes, sizes):
    images = [image_bytes(render(shapes, s), s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(os.path.join(HERE, 'icons', name + '.ico'), 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    os.makedirs(os.path.join(HERE, 'icons'), exist_ok=True)
    for name, shapes in DESIGNS.items():
        write_icon(name, shapes, SIZES.get(name, [16, 32, 64]))
