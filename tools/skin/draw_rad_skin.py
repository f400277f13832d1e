#!/usr/bin/env python3
"""Draws the picture of images/RAD.Skin (tools/skin/rad_skin.bmp), whose pieces
rad_skin.json describes, and writes the skin file with skinmaker.py.

    draw_rad_skin.py [OUTPUT.skin]     (default: images/RAD.Skin)
"""
import os
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the tools
from skinpicture import MAGENTA, Picture  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
W, H = 128, 192

ACTIVE = {"fill": (43, 87, 154), "light": (74, 116, 181), "outline": (28, 58, 102),
          "inner": (31, 66, 117)}
INACTIVE = {"fill": (237, 237, 237), "light": (250, 250, 250), "outline": (168, 168, 168),
            "inner": (200, 200, 200)}


def corner_distance(x, y, w, radius):
    """Distance from the pixel centre to the centre of the nearest top corner's arc, or
    None when the pixel is not in a corner square."""
    if y >= radius:
        return None
    cx = radius if x < radius else (w - radius if x >= w - radius else None)
    if cx is None:
        return None
    px = x + 0.5
    return ((px - cx) ** 2 + (y + 0.5 - radius) ** 2) ** 0.5


def frame(p, oy, colors, caption=30, border=4, w=48, h=42, radius=8):
    """A small window whose twelve grid cells are the frame pieces."""
    for y in range(h):
        for x in range(w):
            d = corner_distance(x, y, w, radius)
            if d is not None and d > radius:
                continue  # transparent: the rounded top corners
            if d is not None and d > radius - 1.2:
                c = colors["outline"]
            elif x == 0 or x == w - 1 or y == 0 or y == h - 1:
                c = colors["outline"]
            elif y == 1:
                c = colors["light"]
            elif y >= caption and (x == border - 1 or x == w - border or y == h - border):
                c = colors["inner"]
            else:
                c = colors["fill"]
            p.set(x, oy + y, c)


def glyph(p, x0, y0, kind, c):
    gx, gy = x0 + 10, y0 + 6  # a 10 x 10 glyph in the middle of a 30 x 22 button
    if kind == "minimize":
        for x in range(10):
            p.set(gx + x, gy + 9, c)
    elif kind == "maximize":
        for i in range(10):
            p.set(gx + i, gy, c); p.set(gx + i, gy + 9, c)
            p.set(gx, gy + i, c); p.set(gx + 9, gy + i, c)
    elif kind == "restore":
        for i in range(8):
            p.set(gx + i, gy + 2, c); p.set(gx + i, gy + 9, c)
            p.set(gx, gy + 2 + i, c); p.set(gx + 7, gy + 2 + i, c)
        for i in range(2, 10):
            p.set(gx + i, gy, c)
        for i in range(0, 8):
            p.set(gx + 9, gy + i, c)
        p.set(gx + 8, gy + 7, c)
    elif kind == "close":
        for i in range(10):
            p.set(gx + i, gy + i, c); p.set(gx + 9 - i, gy + i, c)
            if i < 9:
                p.set(gx + i + 1, gy + i, c); p.set(gx + 8 - i, gy + i, c)


def rounded_rect(p, x0, y0, w, h, fill, back, r=3):
    for y in range(h):
        for x in range(w):
            cx = min(max(x, r), w - 1 - r)
            cy = min(max(y, r), h - 1 - r)
            inside = (x - cx) ** 2 + (y - cy) ** 2 <= r * r + 0.5
            p.set(x0 + x, y0 + y, fill if inside else back)


def buttons(p):
    kinds = ["minimize", "maximize", "restore", "close"]
    white, grey = (255, 255, 255), (138, 138, 138)
    for i, kind in enumerate(kinds):
        y0 = 96 + 24 * i
        hot = (232, 17, 35) if kind == "close" else (66, 111, 180)
        pressed = (176, 14, 30) if kind == "close" else (30, 64, 118)
        p.rect(0, y0, 30, 22, ACTIVE["fill"])                       # normal: opaque, so
        glyph(p, 0, y0, kind, white)                                # the whole button hits
        # Hot and pressed: the corners outside the rounding are transparent, so that the
        # caption below shows there, active or inactive.
        rounded_rect(p, 32, y0, 30, 22, hot, MAGENTA)
        glyph(p, 32, y0, kind, white)
        rounded_rect(p, 64, y0, 30, 22, pressed, MAGENTA)
        glyph(p, 64, y0, kind, white)
        glyph(p, 96, y0, kind, grey)  # inactive: a grey glyph on whatever caption lies below


def menu_pieces(p):
    bar, line = (249, 249, 249), (224, 224, 224)
    p.rect(100, 0, 16, 20, bar)
    p.rect(100, 19, 16, 1, line)
    for oy, fill, edge in ((24, (221, 232, 246), (188, 208, 238)), (48, (43, 87, 154), (31, 66, 117))):
        p.rect(100, oy, 16, 20, fill)
        for y in range(oy, oy + 20):
            p.set(100, y, edge); p.set(115, y, edge)
        for x in range(100, 116):
            p.set(x, oy, edge); p.set(x, oy + 19, edge)
        for (x, y) in ((100, oy), (115, oy), (100, oy + 19), (115, oy + 19)):
            p.set(x, y, MAGENTA)


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(ROOT, "images", "RAD.Skin")
    p = Picture(W, H)
    frame(p, 0, ACTIVE)
    frame(p, 48, INACTIVE)
    buttons(p)
    menu_pieces(p)
    with open(os.path.join(HERE, "rad_skin.bmp"), "wb") as f:
        f.write(p.bmp())
    return subprocess.call([sys.executable, os.path.join(HERE, "skinmaker.py"),
                            os.path.join(HERE, "rad_skin.json"), out])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
