#!/usr/bin/env python3
"""Draws the picture of the example skin "Ember" (ember.png), whose pieces ember.json
describes, and writes the skin file with skinmaker.py.

    draw_ember_skin.py [OUTPUT.skin]     (default: ember.skin beside this script)

Ember is made to differ from the program's own skin wherever a skin can: square corners,
a left side wider than the right one, top corners wider than the edges below them, an
inactive frame whose pieces have other sizes than the active ones, a menu bar colour (the
engine draws the menu bar), and a PNG picture instead of a BMP.
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SKIN_TOOLS = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, SKIN_TOOLS)
sys.dont_write_bytecode = True  # no __pycache__ beside the tools
from skinpicture import Picture  # noqa: E402  (the drawers' shared picture)

W, H = 160, 190
ORANGE, DARK_ORANGE = (232, 118, 36), (170, 80, 20)


def blend(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def frame(p, oy, look):
    """A small window whose cells are the frame pieces of ember.json: `look` gives its
    sizes (corner widths, edge widths, caption and bottom heights) and colours."""
    w, h, cap, bottom = look["width"], look["height"], look["caption"], look["bottom"]
    for y in range(h):
        for x in range(w):
            if y < cap:
                c = blend(look["top"], look["low"], y / max(cap - 1, 1))
                if y >= cap - 2:
                    c = look["accent"]  # a line under the caption
            elif y >= h - bottom:
                c = look["low"] if y > h - bottom else look["light"]
            else:
                c = look["low"]
            if x == 0 or x == w - 1 or y == 0 or y == h - 1:
                c = look["outline"]
            p.set(x, oy + y, c)
    # The stripe in the left corner shows the part of the corner that reaches past the
    # left edge below it.
    for y in range(5, cap - 5):
        for x in range(3, 6):
            p.set(x, oy + y, look["accent"])


ACTIVE = {"width": 52, "height": 40, "caption": 26, "bottom": 6,
          "top": (78, 78, 88), "low": (38, 38, 44), "light": (62, 62, 70),
          "outline": (16, 16, 20), "accent": ORANGE}
INACTIVE = {"width": 50, "height": 46, "caption": 30, "bottom": 8,
            "top": (214, 214, 218), "low": (176, 176, 182), "light": (196, 196, 200),
            "outline": (130, 130, 136), "accent": (150, 150, 150)}


def glyph(p, x0, y0, kind, c):
    gx, gy = x0 + 4, y0 + 4  # a 10 x 10 glyph in the middle of an 18 x 18 button
    if kind == "minimize":
        for x in range(10):
            p.set(gx + x, gy + 8, c); p.set(gx + x, gy + 9, c)
    elif kind == "maximize":
        for i in range(10):
            p.set(gx + i, gy, c); p.set(gx + i, gy + 1, c); p.set(gx + i, gy + 9, c)
            p.set(gx, gy + i, c); p.set(gx + 9, gy + i, c)
    elif kind == "restore":
        for i in range(7):
            p.set(gx + i, gy + 3, c); p.set(gx + i, gy + 9, c)
            p.set(gx, gy + 3 + i, c); p.set(gx + 6, gy + 3 + i, c)
        for i in range(3, 10):
            p.set(gx + i, gy, c)
        for i in range(0, 7):
            p.set(gx + 9, gy + i, c)
    elif kind == "close":
        for i in range(10):
            p.set(gx + i, gy + i, c); p.set(gx + 9 - i, gy + i, c)


def buttons(p):
    light, grey = (230, 230, 230), (120, 120, 126)
    for i, kind in enumerate(["minimize", "maximize", "restore", "close"]):
        y0 = 100 + 20 * i
        for state, fill, ink in ((0, (58, 58, 66), light), (1, ORANGE, (255, 255, 255)),
                                 (2, DARK_ORANGE, (255, 255, 255))):
            p.rect(20 * state, y0, 18, 18, fill)  # square and opaque: the whole button hits
            glyph(p, 20 * state, y0, kind, ink)
        glyph(p, 60, y0, kind, grey)  # inactive: a grey glyph on the caption below


def menu_pieces(p):
    for oy, fill, edge in ((0, (255, 244, 224), (220, 200, 170)), (24, (250, 214, 176), ORANGE),
                           (48, ORANGE, DARK_ORANGE)):
        p.rect(100, oy, 16, 22, fill)
        for x in range(100, 116):
            p.set(x, oy + 21, edge)
        if oy:  # hot and pressed items get a border all round
            for x in range(100, 116):
                p.set(x, oy, edge)
            for y in range(oy, oy + 22):
                p.set(100, y, edge); p.set(115, y, edge)


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(HERE, "ember.skin")
    p = Picture(W, H)
    frame(p, 0, ACTIVE)
    frame(p, 48, INACTIVE)
    buttons(p)
    menu_pieces(p)
    with open(os.path.join(HERE, "ember.png"), "wb") as f:
        f.write(p.png())
    return subprocess.call([sys.executable, os.path.join(SKIN_TOOLS, "skinmaker.py"),
                            os.path.join(HERE, "ember.json"), out])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
