#!/usr/bin/env python3
"""Draws the application icon images/Dirsheet.ico: a listing sheet with a folder tab,
at 16, 32 and 48 pixels in 32-bit colour with alpha. The output depends on nothing but
this script, so running it again gives the same bytes.

    python3 tools/make_icon.py [OUTPUT]
"""
import os
import struct
import sys


def draw(size):
    """Returns size*size BGRA pixels, top row first."""
    s = size / 32.0
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, bgra):
        for y in range(int(round(y0 * s)), int(round(y1 * s))):
            for x in range(int(round(x0 * s)), int(round(x1 * s))):
                if 0 <= x < size and 0 <= y < size:
                    px[y][x] = bgra

    blue = (0xB0, 0x60, 0x20, 255)
    dark = (0x60, 0x30, 0x10, 255)
    paper = (0xFF, 0xFF, 0xFF, 255)
    line = (0x90, 0x90, 0x90, 255)
    green = (0x40, 0xA0, 0x30, 255)
    # Folder tab and back.
    fill(2, 4, 14, 8, blue)
    fill(2, 7, 30, 29, blue)
    # The sheet with its edge.
    fill(6, 9, 27, 30, dark)
    fill(7, 10, 26, 29, paper)
    # Listing lines: a heading and rows of names and sizes.
    fill(9, 12, 22, 14, green)
    for row in range(4):
        y = 16 + row * 3
        fill(9, y, 18, y + 1.5, line)
        fill(20, y, 24, y + 1.5, line)
    return px


def icon_image(size):
    px = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes(p) for row in reversed(px) for p in row)
    mask_row = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(px):
        bits = bytearray(mask_row)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "images", "Dirsheet.ico")
    sizes = [16, 32, 48]
    images = [icon_image(n) for n in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
