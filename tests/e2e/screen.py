"""Screenshots of the test display and the artwork's PNGs as pixel grids, so
that tests can probe what a user sees. Standard library only.

Screenshots are kept as test artefacts in TOLV_ARTEFACTS (scripts/test sets it
to the test build's artefacts folder)."""
import os
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
ART = os.path.join(ROOT, "res", "png")
ARTEFACTS = os.environ.get("TOLV_ARTEFACTS") or os.path.join(tempfile.gettempdir(),
                                                             "tolv-artefacts")
KEY = (255, 0, 255)


class Image:
    def __init__(self, w, h, rows):
        self.w, self.h, self.rows = w, h, rows

    def pixel(self, x, y):
        row = self.rows[y]
        return tuple(row[3 * x:3 * x + 3])

    def crop(self, left, top, right, bottom):
        return [self.pixel(x, y) for y in range(top, bottom) for x in range(left, right)]


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def load_png(path):
    """An 8-bit RGB or RGBA, non-interlaced PNG as RGB rows (alpha dropped)."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, w = 8, b"", 0
    while pos < len(data):
        length, tag = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if tag == b"IHDR":
            w, h, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and ctype in (2, 6) and not interlace, (path, depth, ctype)
            n = 3 if ctype == 2 else 4
        elif tag == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = w * n
    rows, prev, i = [], bytearray(stride), 0
    for _ in range(h):
        kind, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - n] if x >= n else 0
            b, c = prev[x], prev[x - n] if x >= n else 0
            if kind == 1:
                line[x] = (line[x] + a) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + b) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 0xFF
            elif kind == 4:
                line[x] = (line[x] + _paeth(a, b, c)) & 0xFF
        prev = line
        rows.append(bytes(line) if n == 3 else bytes(
            v for k, v in enumerate(line) if k % 4 != 3))
    return Image(w, h, rows)


def art(name):
    """One of the skin's images, as drawn by res/art/make_art.py."""
    return load_png(os.path.join(ART, name))


def grab(name):
    """Screenshot of the whole display, kept as artefact `name`.png."""
    os.makedirs(ARTEFACTS, exist_ok=True)
    path = os.path.join(ARTEFACTS, name + ".png")
    subprocess.run(["import", "-window", "root", "-quality", "10", "PNG24:" + path], check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=30)
    return load_png(path)


def xdotool(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


_SIZE = []


def screen_size():
    """Width and height of the test display (scripts/test makes it; its size may vary)."""
    if not _SIZE:
        out = subprocess.run(["xdotool", "getdisplaygeometry"], check=True, capture_output=True,
                             stdin=subprocess.DEVNULL, text=True, timeout=30).stdout.split()
        _SIZE.extend(int(v) for v in out[:2])
    return tuple(_SIZE)


def park_mouse():
    """Moves the pointer to the display's bottom-right corner, away from every window."""
    width, height = screen_size()
    xdotool("mousemove", width - 10, height - 14)


def dark_pixels(pixels, limit=110):
    """How many pixels are darker than `limit` in every channel: ink of text."""
    return sum(1 for p in pixels if max(p) < limit)
