#!/usr/bin/env python3
"""Draws Tolv's application icon (resource 128) as res/tolv.ico.

Standard library only, so the art can be regenerated on any machine:
    python3 res/art/make_icons.py
The generated file is committed, so a build needs no image tools.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "tolv.ico")

# The skin's body colour and a deeper blue for the badge.
BODY = (231, 241, 247)
BADGE = (36, 108, 196)
WHITE = (255, 255, 255)


def pixel(size, x, y):
    """RGBA of the icon at (x, y): a rounded blue badge with a white "T"."""
    r = size * 0.22
    cx = min(max(x + 0.5, r), size - r)
    cy = min(max(y + 0.5, r), size - r)
    inside = (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r
    if not inside:
        return (0, 0, 0, 0)
    u, v = (x + 0.5) / size, (y + 0.5) / size
    bar = 0.22 <= u <= 0.78 and 0.22 <= v <= 0.36
    stem = 0.42 <= u <= 0.58 and 0.22 <= v <= 0.80
    if bar or stem:
        return WHITE + (255,)
    shade = 1.0 - 0.25 * v
    return tuple(int(c * shade) for c in BADGE) + (255,)


def dib(size):
    """A 32-bit BGRA DIB with its AND mask, as an .ico entry holds it."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            rows.append(struct.pack("<BBBB", b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_row * size)
    return header + b"".join(rows) + mask


def main():
    sizes = [16, 32, 48]
    images = [dib(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    out += b"".join(images)
    with open(OUT, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
