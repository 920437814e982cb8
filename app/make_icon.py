#!/usr/bin/env python3
"""Draws the application icon: a product list under a magnifying glass.

Writes one .ico with three images: 32x32 in 2 colours, 32x32 and 16x16 in 16.
Usage: make_icon.py OUT.ico
"""
import struct
import sys

# The standard 16-colour palette, as (R, G, B).
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, TEAL, SILVER, GRAY, MAROON, WHITE, AQUA = 0, 4, 6, 7, 8, 1, 15, 14


def shape(x, y):
    """What lies at (x, y) on a 32-unit canvas: a palette index or None."""
    cx, cy, r = 19.5, 17.5, 8.5
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if (r - 2.2) ** 2 <= d2 <= r ** 2:
        return NAVY                                   # the lens's rim
    if d2 < (r - 2.2) ** 2:
        return AQUA if (x - cx) + (y - cy) < -3 else TEAL  # glass with a glint
    along, across = (x - 25) + (y - 23), (x - 25) - (y - 23)
    if 0 <= along <= 11 and abs(across) <= 2.4:
        return MAROON                                 # the handle
    if 3 <= x < 21 and 2 <= y < 29:
        if x < 4 or x >= 20 or y < 3 or y >= 28:
            return BLACK                              # the page's edge
        if 7 <= y < 25 and (y - 7) % 4 < 1 and 6 <= x < 18:
            return GRAY                               # rows of the list
        return WHITE
    return None


def image(size, colours):
    step = 32 / size
    pixels = [[shape((i + 0.5) * step, (j + 0.5) * step) for i in range(size)]
              for j in range(size)]
    if colours == 2:
        palette = [(0, 0, 0), (255, 255, 255)]
        pixels = [[None if p is None else (1 if p in (WHITE, AQUA, SILVER) else 0) for p in row]
                  for row in pixels]
        bits = 1
    else:
        palette, bits = VGA, 4
    stride = ((size * bits + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    xor, mask = bytearray(), bytearray()
    for row in reversed(pixels):  # bottom-up
        line, mline = bytearray(stride), bytearray(mask_stride)
        for i, p in enumerate(row):
            if p is None:
                mline[i // 8] |= 0x80 >> (i % 8)
                p = 0
            if bits == 1:
                line[i // 8] |= (p & 1) << (7 - i % 8)
            else:
                line[i // 2] |= p << (4 if i % 2 == 0 else 0)
        xor += line
        mask += mline
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, len(xor) + len(mask),
                         0, 0, colours, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in
                   [(c[0], c[1], c[2]) for c in palette])
    return header + pal + bytes(xor) + bytes(mask)


def main(out):
    images = [(32, 2), (32, 16), (16, 16)]
    blobs = [image(s, c) for s, c in images]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (s, c), blob in zip(images, blobs):
        data += struct.pack('<BBBBHHII', s, s, c, 0, 1, 1 if c == 2 else 4, len(blob), offset)
        offset += len(blob)
    with open(out, 'wb') as f:
        f.write(data + b''.join(blobs))


if __name__ == '__main__':
    main(sys.argv[1])
