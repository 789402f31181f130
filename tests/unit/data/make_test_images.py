#!/usr/bin/env python3
"""Writes the images the image-loading tests compile into ui_tests:
pixels.png (4 x 2, RGBA, one pixel per case) and classic.bmp (2 x 2, 24-bit),
the classic bitmap that must win over a PNG of the same id.
    python3 tests/unit/data/make_test_images.py
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# Top row: the blend cases; bottom row: opaque colours that show the row order.
PIXELS = [
    [(0, 0, 0, 128), (0, 0, 0, 1), (10, 200, 30, 0), (12, 34, 56, 255)],
    [(200, 100, 50, 255), (255, 255, 255, 0), (0, 0, 0, 255), (255, 0, 0, 254)],
]


def png(path, rows):
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    ihdr = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw))
                + chunk(b"IEND", b""))


def bmp(path, w, h, colour):
    row = bytes(colour[::-1]) * w
    row += b"\0" * ((4 - len(row) % 4) % 4)
    pixels = row * h
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 54))
        f.write(header + pixels)


if __name__ == "__main__":
    png(os.path.join(HERE, "pixels.png"), PIXELS)
    bmp(os.path.join(HERE, "classic.bmp"), 2, 2, (0, 128, 255))
