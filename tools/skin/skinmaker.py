#!/usr/bin/env python3
"""Writes a skin file from a picture and a readable description of its pieces.

    skinmaker.py DESCRIPTION.json OUTPUT.skin

The description (JSON) names the picture (a BMP or PNG file, relative to the description) and
gives every piece rectangle as [left, top, width, height] in the picture's pixels, the
caption text and menu settings, the caption-button offsets and the window limits. Colours
are written as "#RRGGBB" or -1. The output holds the 11-byte header, the 1523-byte skin
record and a picture block whose one property "SkinPicture" holds the picture as an OLE
picture stream (see docs/skin-format.md).
"""
import json
import os
import struct
import sys

FRAME_KEYS = ["left_top", "left_middle", "left_bottom",
              "caption_left", "caption_middle", "caption_right",
              "right_top", "right_middle", "right_bottom",
              "bottom_left", "bottom_middle", "bottom_right"]
BUTTONS = ["minimize", "maximize", "restore", "close"]
STATES = ["normal", "hot", "pressed", "inactive"]


def color(value):
    """'#RRGGBB' to the platform's 0x00BBGGRR; -1 stays -1."""
    if value == -1:
        return -1
    v = int(value.lstrip("#"), 16)
    r, g, b = (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF
    return r | (g << 8) | (b << 16)


def piece(rect):
    if len(rect) != 4:
        raise ValueError("a piece is [left, top, width, height]: %r" % (rect,))
    return struct.pack("<4i", *rect)


def font(desc):
    """A 60-byte logical font and one unused byte."""
    face = desc["face"].encode("ascii")
    if len(face) > 31:
        raise ValueError("font face name too long")
    head = struct.pack("<5i8B", desc["height"], 0, 0, 0, desc.get("weight", 400),
                       1 if desc.get("italic") else 0, 0, 0, desc.get("charset", 0),
                       0, 0, desc.get("quality", 0), 0)
    return head + face.ljust(32, b"\0") + b"\0"


def text(value, size):
    raw = value.encode("cp1252")
    if len(raw) > size:
        raise ValueError("text longer than %d bytes: %r" % (size, value))
    return raw.ljust(size, b"\0")


def frame(desc):
    return b"".join(piece(desc[k]) for k in FRAME_KEYS)


def skin_record(d):
    out = frame(d["active_frame"]) + frame(d["inactive_frame"])
    for name in BUTTONS:
        b = d["caption_buttons"][name]
        out += b"".join(piece(b[s]) for s in STATES) + struct.pack("<2i", b["offset_x"], b["offset_y"])
    t = d["caption_text"]
    out += struct.pack("<6i", t["left"], t["top"], t["right_margin"], t["height"],
                       color(t["active_color"]), color(t["inactive_color"]))
    out += font(t["font"]) + struct.pack("<i", t.get("format", 0))
    i = d["icon"]
    out += struct.pack("<h4iB", 0, i["left"], i["top"], i["width"], i["height"], 0)
    m = d["menu_bar"]
    for group in ("bar", "hot", "pressed"):
        out += b"".join(piece(r) for r in m[group])
    out += struct.pack("<4i", color(m["normal_color"]), color(m["hot_color"]),
                       color(m["pressed_color"]), color(m["disabled_color"]))
    out += font(m["font"]) + struct.pack("<i", 0)
    out += struct.pack("<ih2i", color(d["menu_color"]), 1 if d.get("drop_shadow") else 0,
                       *d["min_track_size"])
    out += piece(d.get("client_tile", [0, 0, 0, 0]))
    out += struct.pack("<2i", color(d.get("client_color", -1)), 0)
    out += text(d.get("info1", ""), 40) + text(d.get("info2", ""), 40) + text(d.get("info3", ""), 400)
    assert len(out) == 1523, len(out)
    return out


def check_pieces(d, width, height):
    rects = []
    for f in ("active_frame", "inactive_frame"):
        rects += [d[f][k] for k in FRAME_KEYS]
    for name in BUTTONS:
        rects += [d["caption_buttons"][name][s] for s in STATES]
    for group in ("bar", "hot", "pressed"):
        rects += d["menu_bar"][group]
    for l, t, w, h in rects:
        if l < 0 or t < 0 or w < 0 or h < 0 or l + w > width or t + h > height:
            raise ValueError("piece %r lies outside the %dx%d picture" % ([l, t, w, h], width, height))


def picture_size(image):
    """Width and height of a BMP or PNG picture."""
    if image[:2] == b"BM":
        width, height = struct.unpack("<ii", image[18:26])
        return width, abs(height)
    if image[:8] == b"\x89PNG\r\n\x1a\n" and image[12:16] == b"IHDR":
        return struct.unpack(">II", image[16:24])
    raise ValueError("the picture must be a BMP or PNG file")


def picture_block(image):
    value = b"lt\0\0" + struct.pack("<I", len(image)) + image
    name = b"SkinPicture"
    return struct.pack("<I", 1) + struct.pack("<H", len(name)) + name + struct.pack("<I", len(value)) + value


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1]) as f:
        d = json.load(f)
    with open(os.path.join(os.path.dirname(argv[1]), d["picture"]), "rb") as f:
        image = f.read()
    width, height = picture_size(image)
    check_pieces(d, width, height)
    header = b"SKIN#" + struct.pack("<3h", 1, 0, 0)
    with open(argv[2], "wb") as f:
        f.write(header + skin_record(d) + picture_block(image))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
