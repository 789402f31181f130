#!/usr/bin/env python3
"""Draws the skin of Tolv: every PNG image resource and the favourite icon.

Standard library only, so the art can be regenerated on any machine:
    python3 res/art/make_art.py
The generated files (res/png/*.png, res/favourite.ico) are committed, so a
build needs no image tools. Sizes and cell layouts are what the drawing code
relies on; change the look freely, never the geometry.

One look throughout: a light blue-white body (231, 241, 247), a blue caption
band, dark blue outlines and white glyphs. Magenta (255, 0, 255) is the key
colour the controls treat as transparent: corners outside the rounded shapes
and the empty parts of button cells. Keyed images are drawn with hard edges
against magenta, so that no pink fringe survives the colour-keyed blits.
"""
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.normpath(os.path.join(HERE, ".."))
PNG_DIR = os.path.join(RES, "png")

sys.path.insert(0, HERE)
import make_icons  # noqa: E402  (the .ico packing of the application icon)

KEY = (255, 0, 255)
BODY = (231, 241, 247)
CAPTION_TOP = (66, 142, 214)
CAPTION_BOTTOM = (38, 104, 180)
MAIN_TOP = (44, 112, 190)
MAIN_BOTTOM = (22, 70, 138)
OUTLINE = (28, 78, 140)
EDGE = (150, 182, 210)
WHITE = (255, 255, 255)
GREY = (160, 168, 176)
HOVER = (96, 166, 232)
PRESSED = (24, 82, 150)
CLOSE_HOVER = (226, 72, 64)
CLOSE_PRESSED = (176, 40, 36)
BUTTON_TOP = (250, 252, 254)
BUTTON_BOTTOM = (208, 226, 240)


# ---- Canvas ------------------------------------------------------------------

class Canvas:
    def __init__(self, w, h, fill=KEY, alpha=False):
        self.w, self.h, self.alpha = w, h, alpha
        self.px = [list(fill) + ([255] if alpha else []) for _ in range(w * h)]

    def get(self, x, y):
        return self.px[y * self.w + x]

    def set(self, x, y, colour, a=255):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = list(colour) + ([a] if self.alpha else [])

    def paint(self, x, y, colour, coverage):
        """Lays `colour` over the pixel; over the key colour only whole pixels."""
        if coverage <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        cur = self.get(x, y)
        if tuple(cur[:3]) == KEY and not self.alpha:
            if coverage >= 0.5:
                self.set(x, y, colour)
            return
        c = min(coverage, 1.0)
        mixed = [round(cur[i] * (1 - c) + colour[i] * c) for i in range(3)]
        if self.alpha:
            self.px[y * self.w + x] = mixed + [cur[3]]
        else:
            self.px[y * self.w + x] = mixed

    def shape(self, inside, colour, box=None, samples=4):
        """Paints where inside(x, y) holds, antialiased by supersampling."""
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        step = 1.0 / samples
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                hits = 0
                for sy in range(samples):
                    for sx in range(samples):
                        if inside(x + (sx + 0.5) * step, y + (sy + 0.5) * step):
                            hits += 1
                if hits:
                    col = colour(x, y) if callable(colour) else colour
                    self.paint(x, y, col, hits / (samples * samples))

    def png(self, path):
        ctype, n = (6, 4) if self.alpha else (2, 3)
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                raw.extend(self.px[y * self.w + x][:n])

        def chunk(tag, data):
            body = tag + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        data = b"\x89PNG\r\n\x1a\n"
        data += chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, ctype, 0, 0, 0))
        data += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        data += chunk(b"IEND", b"")
        with open(path, "wb") as f:
            f.write(data)


def lerp(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def in_round_rect(x, y, x0, y0, x1, y1, r):
    """Is the point inside the rectangle [x0, x1) × [y0, y1) with corner radius r?"""
    if not (x0 <= x < x1 and y0 <= y < y1):
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def near_segment(x, y, ax, ay, bx, by, half):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / float(dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= half * half


# ---- Backgrounds -------------------------------------------------------------

def skinned_back(w, h, caption, top, bottom, r_top=4, r_bottom=3):
    """A window background: caption band, body, outline, rounded corners."""
    c = Canvas(w, h)
    for y in range(h):
        for x in range(w):
            r = r_top if y < h / 2 else r_bottom
            if not in_round_rect(x + 0.5, y + 0.5, 0, 0, w, h, r):
                continue
            if y < caption:
                col = lerp(top, bottom, y / max(1, caption - 1))
                if y == 1:
                    col = lerp(col, WHITE, 0.25)
            else:
                col = BODY
            outer = not in_round_rect(x + 0.5, y + 0.5, 1, 1, w - 1, h - 1, max(r - 1, 0))
            if outer:
                col = OUTLINE if y < caption else EDGE
            c.set(x, y, col)
    return c


def login_back():
    """The login background: a rounded panel with a soft shadow, with alpha."""
    w, h = 1100, 630
    c = Canvas(w, h, fill=(0, 0, 0), alpha=True)
    m, r, caption = 10, 14, 44
    for y in range(h):
        for x in range(w):
            px, py = x + 0.5, y + 0.5
            # Distance outside the panel, for the shadow.
            cx = min(max(px, m + r), w - m - r)
            cy = min(max(py, m + r), h - m - r)
            d = math.hypot(px - cx, py - cy) - r
            if d > 0:
                a = max(0, round(70 * (1 - d / m))) if d < m else 0
                c.px[y * w + x] = [0, 0, 0, a]
                continue
            if py < m + caption:
                col = lerp(MAIN_TOP, MAIN_BOTTOM, (py - m) / caption)
            else:
                t = (py - m - caption) / (h - 2 * m - caption)
                col = lerp(BODY, (212, 228, 240), t)
                # A quiet diagonal weave in the body.
                if (x + y) % 24 < 2:
                    col = lerp(col, WHITE, 0.35)
            edge = d > -1.5
            c.px[y * w + x] = list(OUTLINE if edge else col) + [255]
    return c


# ---- Strips ------------------------------------------------------------------

def strip(cell_w, cell_h, cells, draw):
    """A strip of `cells` cells side by side; draw(canvas, x0, state)."""
    c = Canvas(cell_w * cells, cell_h)
    for state in range(cells):
        draw(c, state * cell_w, state)
    return c


def cell_plate(c, x0, w, h, state, hover=HOVER, pressed=PRESSED, r=3):
    """The rounded plate behind a caption glyph: none when normal or disabled."""
    if state in (1, 2):
        col = hover if state == 1 else pressed
        c.shape(lambda x, y: in_round_rect(x, y, x0 + 1, 1, x0 + w - 1, h - 1, r), col,
                box=(x0, 0, x0 + w, h))


def glyph_colour(state):
    return GREY if state == 3 else WHITE


def close_strip():
    w, h = 33, 28

    def draw(c, x0, s):
        cell_plate(c, x0, w, h, s, CLOSE_HOVER, CLOSE_PRESSED)
        cx, cy, k = x0 + w / 2, h / 2, 5
        c.shape(lambda x, y: near_segment(x, y, cx - k, cy - k, cx + k, cy + k, 1.2) or
                near_segment(x, y, cx - k, cy + k, cx + k, cy - k, 1.2),
                glyph_colour(s), box=(x0, 0, x0 + w, h))
    return strip(w, h, 4, draw)


def caption_strip(w, h, glyph):
    def draw(c, x0, s):
        cell_plate(c, x0, w, h, s)
        cx, cy = x0 + w / 2, h / 2
        c.shape(lambda x, y: glyph(x - cx, y - cy), glyph_colour(s), box=(x0, 0, x0 + w, h))
    return strip(w, h, 4, draw)


def frame(x, y, x0, y0, x1, y1, t=1.3):
    inside = x0 <= x <= x1 and y0 <= y <= y1
    return inside and not (x0 + t < x < x1 - t and y0 + t < y < y1 - t)


def glyph_max(x, y):
    return frame(x, y, -5.5, -5, 5.5, 5) or (-5.5 <= x <= 5.5 and -5 <= y <= -3)


def glyph_min(x, y):
    return -5.5 <= x <= 5.5 and 2.5 <= y <= 4.5


def glyph_restore(x, y):
    back = frame(x, y, -2.5, -6, 6.5, 3) and not (-4.5 <= x <= 4.5 and -3.5 <= y <= 6)
    return back or frame(x, y, -6.5, -2.5, 3, 6)


def glyph_hide(x, y):
    # A window sinking under a bar: the boss key's "hide".
    arrow = near_segment(x, y, -5, -3, 0, 2, 1.2) or near_segment(x, y, 5, -3, 0, 2, 1.2)
    return arrow or (-6 <= x <= 6 and 4.5 <= y <= 6.5)


def speaker(x, y):
    box = -7 <= x <= -4 and -2.5 <= y <= 2.5
    cone = -4 <= x <= 0 and abs(y) <= 2.5 + (x + 4) * 1.3
    return box or cone


def glyph_sound_on(x, y):
    d = math.hypot(x + 1, y)
    waves = x > 1 and (3.2 <= d <= 4.6 or 6.2 <= d <= 7.6) and abs(y) < (x + 1) * 1.2
    return speaker(x, y) or waves


def glyph_sound_off(x, y):
    cross = near_segment(x, y, 2.5, -3, 7.5, 3, 1.1) or near_segment(x, y, 2.5, 3, 7.5, -3, 1.1)
    return speaker(x, y) or cross


def text_button_strip():
    w, h = 44, 28

    def draw(c, x0, s):
        cell_plate(c, x0, w, h, s, r=4)
    return strip(w, h, 4, draw)


def dialog_button_strip():
    """The push button of the dialogs; its caption is drawn over it in black."""
    w, h = 57, 23
    fills = {0: (BUTTON_TOP, BUTTON_BOTTOM), 1: ((255, 255, 255), (180, 214, 242)),
             2: ((176, 206, 232), (214, 230, 244)), 3: ((236, 238, 240), (220, 224, 228))}
    borders = {0: (86, 140, 196), 1: (48, 120, 200), 2: OUTLINE, 3: (180, 186, 192)}

    def draw(c, x0, s):
        top, bottom = fills[s]
        c.shape(lambda x, y: in_round_rect(x, y, x0, 0, x0 + w, h, 4), borders[s],
                box=(x0, 0, x0 + w, h))
        c.shape(lambda x, y: in_round_rect(x, y, x0 + 1, 1, x0 + w - 1, h - 1, 3),
                lambda x, y: lerp(top, bottom, y / (h - 1)), box=(x0, 0, x0 + w, h))
    return strip(w, h, 4, draw)


def account_tab_strip():
    """Account tabs: normal, hovered, current (the current one joins the body)."""
    w, h = 189, 22
    looks = {0: ((74, 136, 200), (52, 110, 176)), 1: ((108, 168, 228), (74, 138, 204)),
             2: (BODY, BODY)}

    def draw(c, x0, s):
        top, bottom = looks[s]

        def tab(x, y):
            # Rounded at the top only.
            return in_round_rect(x, y, x0 + 1, 0, x0 + w - 1, h + 6, 5) and y < h
        c.shape(tab, OUTLINE if s == 2 else (36, 90, 156), box=(x0, 0, x0 + w, h))
        c.shape(lambda x, y: in_round_rect(x, y, x0 + 2, 1, x0 + w - 2, h + 6, 4) and y < h,
                lambda x, y: lerp(top, bottom, y / (h - 1)), box=(x0, 0, x0 + w, h))
    return strip(w, h, 3, draw)


def tab_close_strip():
    w = h = 13

    def draw(c, x0, s):
        cx, cy = x0 + 6.5, 6.5
        if s:
            col = CLOSE_HOVER if s == 1 else CLOSE_PRESSED
            c.shape(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= 6.2 ** 2, col,
                    box=(x0, 0, x0 + w, h))
        k = 3
        c.shape(lambda x, y: near_segment(x, y, cx - k, cy - k, cx + k, cy + k, 0.9) or
                near_segment(x, y, cx - k, cy + k, cx + k, cy - k, 0.9),
                WHITE if s else (90, 110, 130), box=(x0, 0, x0 + w, h))
    return strip(w, h, 3, draw)


# ---- Small pictures ----------------------------------------------------------

def lock_icon():
    """14 × 16: a padlock, for "登录其他账号"."""
    c = Canvas(14, 16)
    c.shape(lambda x, y: y < 8 and 2.6 <= math.hypot(x - 7, y - 6) <= 4.4 or
            (2.6 <= abs(x - 7) <= 4.4 and 6 <= y <= 8), (236, 236, 236))
    c.shape(lambda x, y: in_round_rect(x, y, 1, 7, 13, 16, 1.5), (250, 204, 72))
    c.shape(lambda x, y: (x - 7) ** 2 + (y - 10.8) ** 2 <= 1.8 ** 2 or
            (6.3 <= x <= 7.7 and 10.8 <= y <= 14), (120, 84, 20))
    return c


def portal_icon():
    """14 × 16: a small house, for the portal's link."""
    c = Canvas(14, 16)
    c.shape(lambda x, y: y >= 2 and abs(x - 7) <= (y - 1.5) * 1.0 and y <= 8.5, WHITE)
    c.shape(lambda x, y: 2.5 <= x <= 11.5 and 8 <= y <= 15, WHITE)
    c.shape(lambda x, y: 5.5 <= x <= 8.5 and 10.5 <= y <= 15, (38, 104, 180))
    return c


def progress_track():
    w, h = 390, 21
    c = Canvas(w, h)
    c.shape(lambda x, y: in_round_rect(x, y, 0, 0, w, h, 10.5), (128, 160, 192),
            box=(0, 0, w, h), samples=2)
    c.shape(lambda x, y: in_round_rect(x, y, 1, 1, w - 1, h - 1, 9.5),
            lambda x, y: lerp((196, 212, 226), (236, 244, 250), y / (h - 1)),
            box=(0, 0, w, h), samples=2)
    return c


def progress_fill():
    """The fill: rounded at both ends, which stay visible at every length."""
    w, h = 390, 21
    c = Canvas(w, h)
    c.shape(lambda x, y: in_round_rect(x, y, 1, 1, w - 1, h - 1, 9.5),
            lambda x, y: lerp((120, 196, 250), (34, 112, 200), y / (h - 1)) if y > 5
            else lerp((190, 228, 252), (120, 196, 250), y / 5), box=(0, 0, w, h), samples=2)
    return c


def add_account_back():
    return skinned_back(284, 150, 30, CAPTION_TOP, CAPTION_BOTTOM, 5, 4)


# ---- Favourite icon ------------------------------------------------------------

def star_pixel(size, x, y):
    u, v = (x + 0.5) / size - 0.5, (y + 0.5) / size - 0.52
    ang = math.atan2(v, u) + math.pi / 2
    rad = math.hypot(u, v)
    k = (ang % (2 * math.pi / 5)) / (2 * math.pi / 5)
    edge = 0.47 * (0.5 + 0.5 * abs(1 - 2 * k)) ** 1.6
    if rad <= edge:
        return lerp((255, 214, 84), (236, 150, 20), v + 0.5) + (255,)
    if rad <= edge + 1.5 / size:
        return (168, 96, 8, 255)
    return (0, 0, 0, 0)


def favourite_icon(path):
    saved = make_icons.pixel
    make_icons.pixel = star_pixel
    try:
        sizes = [16, 32, 48]
        images = [make_icons.dib(s) for s in sizes]
    finally:
        make_icons.pixel = saved
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


# ---- All of it -----------------------------------------------------------------

IMAGES = {
    "login_back.png": login_back,                                           # 129
    "dlg_back.png": lambda: skinned_back(30, 51, 30, CAPTION_TOP, CAPTION_BOTTOM),  # 131
    "caption_close.png": close_strip,                                       # 132
    "dlg_button.png": dialog_button_strip,                                  # 133
    "main_back.png": lambda: skinned_back(30, 51, 30, MAIN_TOP, MAIN_BOTTOM),  # 134
    "caption_max.png": lambda: caption_strip(27, 28, glyph_max),            # 135
    "caption_min.png": lambda: caption_strip(27, 28, glyph_min),            # 136
    "caption_restore.png": lambda: caption_strip(27, 28, glyph_restore),    # 137
    "hide_button.png": lambda: caption_strip(27, 27, glyph_hide),           # 138
    "text_button.png": text_button_strip,                                   # 139
    "account_tab.png": account_tab_strip,                                   # 140
    "tab_close.png": tab_close_strip,                                       # 141
    "add_account.png": lock_icon,                                           # 142
    "sound_off.png": lambda: caption_strip(27, 27, glyph_sound_off),        # 148
    "sound_on.png": lambda: caption_strip(27, 27, glyph_sound_on),          # 149
    "progress_back.png": progress_track,                                    # 152
    "progress_bar.png": progress_fill,                                      # 153
    "addacc_back.png": add_account_back,                                    # 162
    "portal_link.png": portal_icon,                                         # 166
}


def main():
    os.makedirs(PNG_DIR, exist_ok=True)
    only = set(sys.argv[1:])
    for name, draw in IMAGES.items():
        if only and name not in only:
            continue
        draw().png(os.path.join(PNG_DIR, name))
    if not only or "favourite.ico" in only:
        favourite_icon(os.path.join(RES, "favourite.ico"))


if __name__ == "__main__":
    main()
